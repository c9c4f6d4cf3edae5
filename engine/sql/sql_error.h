// The one failure type of the SQL script language.
//
// Every fault of a script — lexing, parsing, name checks, binding,
// evaluation, a cursor used out of turn, an abort — is an SqlError. It is an
// engine::EngineError with code 7200, the engine's code for SQL errors, and
// its text carries the fault's own native number in the form the data-access
// layer reads back ("Error 7200: ... NativeError = 2101; ..."). Where the
// fault has a place, the text also gives its 1-based line and column and
// quotes the statement it is in. Failures raised by procedures and by the
// executor are not wrapped: they keep their own codes.
#pragma once

#include "engine/core/errors.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace sql {

constexpr uint32_t kSqlErrorCode = 7200;

// Native numbers: distinct and stable, one per kind of fault.
enum Native : uint32_t {
    kSyntax = 2101,              // a token where the grammar wants another
    kUnknownStatement = 2102,    // a statement that starts with no known word
    kUnterminated = 2103,        // string, quoted name or comment without its end
    kUndeclared = 2104,          // a variable or cursor name never declared
    kDuplicate = 2105,           // a name declared twice
    kCursorState = 2106,         // OPEN twice, FETCH or CLOSE before OPEN
    kArgumentCount = 2107,       // a procedure or function called with the wrong count
    kUnknownProcedure = 2108,
    kTypeMismatch = 2109,        // values that do not convert or go together
    kParameter = 2110,           // a binding at a position the statement does not have
    kValue = 2111,               // division by zero, overflow, a value out of range
    kAborted = 2112,
    kNotSupported = 2113,        // a statement this engine does not run yet
    kUnknownFunction = 2114,
    kTooComplex = 2115,          // nesting deeper than the parser accepts
    kUnknownTable = 2116,        // a table a statement names that does not exist
    kTimeout = 2117,             // a statement that ran past the statement's timeout
    kUnknownName = 2118,         // a column or function a statement names that does not exist
    kStatement = 2119,           // a data statement refused for another reason
};

// Where a fault is: the script and the span of the statement it is in, and
// the offset of the fault itself (all 0-based offsets into `script`).
struct SourcePlace {
    std::string_view script;
    size_t statementBegin = 0;
    size_t statementEnd = 0;
    size_t offset = 0;
};

class SqlError : public engine::EngineError {
public:
    // A fault with no place in a text (binding, an abort).
    SqlError(uint32_t native, const std::string& problem);
    SqlError(uint32_t native, const std::string& problem, const SourcePlace& place);

    uint32_t NativeNumber() const { return mNative; }
    const std::string& Problem() const { return mProblem; }
    // 1-based; 0 when the fault has no place.
    size_t Line() const { return mLine; }
    size_t Column() const { return mColumn; }

private:
    uint32_t mNative;
    std::string mProblem;
    size_t mLine = 0;
    size_t mColumn = 0;
};

// A fault of a value operation (a conversion, an overflow) before the
// evaluator knows where it happened; the evaluator turns it into an SqlError
// placed at the expression concerned.
class ValueFault : public std::runtime_error {
public:
    ValueFault(uint32_t native, const std::string& problem) : std::runtime_error(problem), mNative(native) {}
    uint32_t NativeNumber() const { return mNative; }

private:
    uint32_t mNative;
};

// 1-based line and column of `offset`; lines break at LF, CR or CR LF.
void LineAndColumn(std::string_view text, size_t offset, size_t& line, size_t& column);

} // namespace sql
