#include "engine/sql/evaluator.h"

#include "engine/sql/functions.h"
#include "engine/sql/sql_error.h"

#include <cmath>
#include <limits>

namespace sql {
namespace {

[[noreturn]] void FailAt(const EvaluationScope& scope, const Expr& expr, uint32_t native, const std::string& problem)
{
    throw SqlError(native, problem, SourcePlace{scope.script.text, scope.statementBegin, scope.statementEnd, expr.offset});
}

// A logical operand: NULL stays unknown (nullopt).
std::optional<bool> Truth(const Value& v, const Expr& at, const EvaluationScope& scope)
{
    if (v.null)
        return std::nullopt;
    if (v.type != DataType::Logical)
        FailAt(scope, at, kTypeMismatch, std::string("Expected a logical value, not ") + TypeName(v.type));
    return v.logical;
}

Value Tristate(std::optional<bool> b) { return b ? Value::Logical(*b) : Value::Null(DataType::Logical); }

Value EvaluateAndOr(const Expr& expr, const EvaluationScope& scope)
{
    bool isAnd = expr.op == "AND";
    std::optional<bool> left = Truth(Evaluate(expr.args[0], scope), expr.args[0], scope);
    // The deciding value ends evaluation: FALSE AND x, TRUE OR x.
    if (left && *left != isAnd)
        return Value::Logical(*left);
    std::optional<bool> right = Truth(Evaluate(expr.args[1], scope), expr.args[1], scope);
    if (right && *right != isAnd)
        return Value::Logical(*right);
    if (!left || !right)
        return Value::Null(DataType::Logical);
    return Value::Logical(isAnd);
}

// A string compared with a value of another type is read as that type, so
// that @d = '2025-01-31' compares dates; text that does not convert is a
// fault, not a silent FALSE.
int CompareAcrossTypes(const Value& a, const Value& b)
{
    bool aText = a.type == DataType::String, bText = b.type == DataType::String;
    if (aText && !bText && b.type != DataType::Binary)
        return Compare(ConvertTo(a, b.type), b);
    if (bText && !aText && a.type != DataType::Binary)
        return Compare(a, ConvertTo(b, a.type));
    return Compare(a, b);
}

Value Comparison(const std::string& op, const Value& a, const Value& b)
{
    if (a.null || b.null)
        return Value::Null(DataType::Logical);
    int c = CompareAcrossTypes(a, b);
    if (op == "=") return Value::Logical(c == 0);
    if (op == "<>") return Value::Logical(c != 0);
    if (op == "<") return Value::Logical(c < 0);
    if (op == "<=") return Value::Logical(c <= 0);
    if (op == ">") return Value::Logical(c > 0);
    return Value::Logical(c >= 0);
}

Value IntegerArithmetic(const std::string& op, int64_t a, int64_t b)
{
    int64_t r = 0;
    bool overflow = false;
    if (op == "+")
        overflow = __builtin_add_overflow(a, b, &r);
    else if (op == "-")
        overflow = __builtin_sub_overflow(a, b, &r);
    else if (op == "*")
        overflow = __builtin_mul_overflow(a, b, &r);
    else {
        if (b == 0)
            throw ValueFault(kValue, "Division by zero");
        overflow = a == std::numeric_limits<int64_t>::min() && b == -1;
        r = overflow ? 0 : op == "/" ? a / b : a % b;
    }
    if (overflow)
        throw ValueFault(kValue, "Integer overflow in " + std::to_string(a) + " " + op + " " + std::to_string(b));
    return Value::Integer(r);
}

Value DoubleArithmetic(const std::string& op, double a, double b)
{
    if ((op == "/" || op == "%") && b == 0)
        throw ValueFault(kValue, "Division by zero");
    double r = op == "+" ? a + b : op == "-" ? a - b : op == "*" ? a * b : op == "/" ? a / b : std::fmod(a, b);
    if (!std::isfinite(r))
        throw ValueFault(kValue, "The result of " + op + " is out of range");
    return Value::Double(r);
}

// + on two strings concatenates, as does || on anything; on numbers it adds.
Value Arithmetic(const std::string& op, const Value& a, const Value& b)
{
    bool concat = op == "||" || (op == "+" && a.type == DataType::String && b.type == DataType::String);
    if (concat) {
        if (a.null || b.null)
            return Value::Null(DataType::String);
        return Value::String((a.type == DataType::String ? a.text : TextForm(a)) +
                             (b.type == DataType::String ? b.text : TextForm(b)));
    }
    bool numeric = (a.IsNumeric() || a.type == DataType::Null) && (b.IsNumeric() || b.type == DataType::Null);
    if (!numeric)
        throw ValueFault(kTypeMismatch, std::string("Cannot apply ") + op + " to " + TypeName(a.type) + " and " +
                                            TypeName(b.type));
    if (a.null || b.null)
        return Value::Null(a.type == DataType::Double || b.type == DataType::Double ? DataType::Double : DataType::Integer);
    if (a.type == DataType::Integer && b.type == DataType::Integer)
        return IntegerArithmetic(op, a.integer, b.integer);
    return DoubleArithmetic(op, a.AsDouble(), b.AsDouble());
}

Value EvaluateUnary(const Expr& expr, const EvaluationScope& scope)
{
    Value operand = Evaluate(expr.args[0], scope);
    if (expr.op == "NOT") {
        std::optional<bool> b = Truth(operand, expr.args[0], scope);
        return Tristate(b ? std::optional<bool>(!*b) : std::nullopt);
    }
    if (!operand.IsNumeric() && operand.type != DataType::Null)
        FailAt(scope, expr, kTypeMismatch, "Cannot apply " + expr.op + " to " + TypeName(operand.type));
    if (expr.op == "+" || operand.null)
        return operand;
    if (operand.type == DataType::Double)
        return Value::Double(-operand.number);
    if (operand.integer == std::numeric_limits<int64_t>::min())
        FailAt(scope, expr, kValue, "Integer overflow in negation");
    return Value::Integer(-operand.integer);
}

Value EvaluateNode(const Expr& expr, const EvaluationScope& scope)
{
    switch (expr.kind) {
    case ExprKind::Literal:
        return expr.value;
    case ExprKind::Variable:
        return scope.variables[expr.slot];
    case ExprKind::Parameter:
        return scope.parameters.Get(expr.parameter);
    case ExprKind::Unary:
        return EvaluateUnary(expr, scope);
    case ExprKind::Binary: {
        if (expr.op == "AND" || expr.op == "OR")
            return EvaluateAndOr(expr, scope);
        Value a = Evaluate(expr.args[0], scope);
        Value b = Evaluate(expr.args[1], scope);
        if (expr.op == "+" || expr.op == "-" || expr.op == "*" || expr.op == "/" || expr.op == "%" || expr.op == "||")
            return Arithmetic(expr.op, a, b);
        return Comparison(expr.op, a, b);
    }
    case ExprKind::IsNull:
        return Value::Logical(Evaluate(expr.args[0], scope).null != expr.negated);
    case ExprKind::Function: {
        std::vector<Value> args;
        args.reserve(expr.args.size());
        for (const Expr& arg : expr.args)
            args.push_back(Evaluate(arg, scope));
        return FindFunction(expr.name)->call(args);
    }
    case ExprKind::Cast:
        return ConvertTo(Evaluate(expr.args[0], scope), expr.castType);
    }
    return Value::Null();
}

} // namespace

Value Evaluate(const Expr& expr, const EvaluationScope& scope)
{
    try {
        return EvaluateNode(expr, scope);
    } catch (const ValueFault& fault) {
        FailAt(scope, expr, fault.NativeNumber(), fault.what());
    }
}

bool IsConditionTrue(const Expr& expr, const EvaluationScope& scope)
{
    std::optional<bool> b = Truth(Evaluate(expr, scope), expr, scope);
    return b.value_or(false);
}

} // namespace sql
