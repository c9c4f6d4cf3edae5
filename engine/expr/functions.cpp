// The function table and the compile-time checks shared by the type rules.
#include "engine/expr/function_support.h"

#include "engine/expr/expr_error.h"
#include "engine/expr/expression.h"
#include "engine/expr/lexer.h"
#include "engine/storage/value_codec.h"

#include <cmath>

namespace expr {

void Checker::Fail(uint32_t code, const Node& at, const std::string& problem) const
{
    throw ExpressionError(code, mText, at.position, problem);
}

void Checker::Expect(const Node& call, size_t index, ValueType type) const
{
    ValueType actual = call.args[index]->type;
    bool fits = actual == ValueType::Null || actual == type || (IsText(type) && IsText(actual));
    if (!fits)
        Fail(kErrTypeMismatch, *call.args[index],
             std::string(call.function->name) + " expects a " + TypeLetter(type) + " value as argument "
                 + std::to_string(index + 1) + ", not " + TypeLetter(actual));
}

std::optional<double> Checker::ConstantNumber(const Node& node)
{
    if (!node.IsConstant() || node.literal.null || node.literal.type != ValueType::Number)
        return std::nullopt;
    return node.literal.number;
}

bool Checker::ForKey() const { return mPurpose == Purpose::Key; }

std::optional<std::vector<Value>> EvalAll(const Node& call, Evaluator& evaluator)
{
    std::vector<Value> values;
    values.reserve(call.args.size());
    for (const std::unique_ptr<Node>& arg : call.args) {
        values.push_back(evaluator.Eval(*arg));
        if (values.back().null)
            return std::nullopt;
    }
    return values;
}

long long CountArg(double value)
{
    if (!(value > 0))
        return 0;
    return value > 1e9 ? 1000000000LL : (long long)std::trunc(value);
}

void ResultText(Node& call, int32_t width, bool keepCase)
{
    call.type = ValueType::Character;
    call.width = width;
    call.caseInsensitive = keepCase && !call.args.empty() && call.args[0]->caseInsensitive;
}

void ResultOf(Node& call, ValueType type) { call.type = type; }

const FunctionDef* FindFunction(std::string_view name)
{
    std::string upper = UpperAscii(name);
    for (auto group : {TextFunctions(), ConversionFunctions(), OtherFunctions()})
        for (const FunctionDef& f : group)
            if (upper == f.name)
                return &f;
    return nullptr;
}

std::string NumberText(double value)
{
    if (value == std::trunc(value) && std::fabs(value) < 1e15)
        return std::to_string((long long)value);
    return storage::codec::ShortestText(value);
}

} // namespace expr
