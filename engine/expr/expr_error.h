// The one failure type of the expression compiler and evaluator.
//
// An ExpressionError is a storage::StorageError, so the engine's C boundary
// turns it into the caller's last error with its code unchanged. Its text
// always quotes the expression and, where the fault has a place, the 1-based
// character position in it ("... in 'A = ' at position 5"). Compilation
// reports every syntax, name, arity and type fault; evaluation only raises
// for index keys (a filter turns a domain fault such as division by zero
// into NULL, which rejects the record, instead of aborting the scan).
#pragma once

#include "engine/storage/storage_error.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace expr {

enum ErrorCode : uint32_t {
    kErrSyntax = 6201,          // malformed text: unbalanced, unterminated, unexpected token
    kErrUnknownName = 6202,     // identifier that is neither a field nor a keyword; unknown alias
    kErrUnknownFunction = 6203, // word followed by "(" that names no function
    kErrArgumentCount = 6204,   // a function called with too few or too many arguments
    kErrTypeMismatch = 6205,    // operand or argument types that do not go together
    kErrNotLogical = 6206,      // a filter or condition whose result is not logical
    kErrInvalidKey = 6207,      // an expression that cannot serve as an index key
    kErrValue = 6208,           // a value out of a function's domain, division by zero in a key
};

class ExpressionError : public storage::StorageError {
public:
    // `position` is 1-based; 0 when the fault concerns the whole expression.
    ExpressionError(uint32_t code, std::string_view expression, size_t position, const std::string& problem);
    size_t Position() const { return mPosition; }
    // The fault without the expression and position ("Division by zero").
    const std::string& Problem() const { return mProblem; }

private:
    size_t mPosition;
    std::string mProblem;
};

} // namespace expr
