// Helpers shared by the function library's topic files (functions_*.cpp).
#pragma once

#include "engine/expr/expr_error.h"
#include "engine/expr/functions.h"

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace expr {

// Evaluates every argument of `call`; nullopt when one is NULL (the result
// is then the NULL of the call's type).
std::optional<std::vector<Value>> EvalAll(const Node& call, Evaluator& evaluator);

// Evaluates the arguments and applies `body` to them, or gives the NULL of
// the call's type when one of them is NULL.
template <class Body>
Value Apply(const Node& call, Evaluator& evaluator, Body body)
{
    std::optional<std::vector<Value>> args = EvalAll(call, evaluator);
    if (!args)
        return Value::Null(call.type);
    return body(*args);
}

// A count argument as an integer (truncated), clamped to what a text can be.
long long CountArg(double value);

// Rules shared by several functions.
void ResultText(Node& call, int32_t width, bool keepCase = false);
void ResultOf(Node& call, ValueType type);

// The entries each topic file contributes to the library.
std::span<const FunctionDef> TextFunctions();
std::span<const FunctionDef> ConversionFunctions();
std::span<const FunctionDef> OtherFunctions();

} // namespace expr
