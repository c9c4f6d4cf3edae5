// The function library: one entry per function name, with its arity, its
// type rule (run once at compile time) and its implementation.
//
// A type rule checks the argument nodes and sets the call node's type,
// character width and case-insensitivity; it raises ExpressionError for a
// mismatch. An implementation evaluates the arguments it needs itself, so
// IIF evaluates only the chosen branch. Unless a function says otherwise, a
// NULL argument gives a NULL result.
#pragma once

#include "engine/expr/ast.h"
#include "engine/expr/evaluator.h"

#include <string>
#include <string_view>

namespace expr {

enum class Purpose : uint8_t;

// What a type rule may need from the compiler.
class Checker {
public:
    Checker(std::string_view text, Purpose purpose, const DateMask& mask)
        : mText(text), mPurpose(purpose), mMask(mask) {}

    [[noreturn]] void Fail(uint32_t code, const Node& at, const std::string& problem) const;
    // Argument `index` (0-based) of `call` must have type `type` (C accepts M).
    void Expect(const Node& call, size_t index, ValueType type) const;
    void ExpectText(const Node& call, size_t index) const { Expect(call, index, ValueType::Character); }
    void ExpectNumber(const Node& call, size_t index) const { Expect(call, index, ValueType::Number); }
    // A constant numeric argument's value, or nullopt when it is not constant.
    static std::optional<double> ConstantNumber(const Node& node);
    bool ForKey() const;
    const DateMask& Mask() const { return mMask; }

private:
    std::string_view mText;
    Purpose mPurpose;
    const DateMask& mMask;
};

struct FunctionDef {
    const char* name;
    int minArgs;
    int maxArgs;
    bool readsRecord;   // DELETED(), RECNO(): never folded
    bool readsClock;    // DATE(), TIME(): never folded, never in keys or conditions
    void (*check)(Node& call, const Checker& checker);
    Value (*eval)(const Node& call, Evaluator& evaluator);
};

// The function of that name (case-insensitive), or nullptr.
const FunctionDef* FindFunction(std::string_view name);

// The text of a number as PADL/PADR write it: no leading blanks, no
// trailing zeros after the point.
std::string NumberText(double value);

} // namespace expr
