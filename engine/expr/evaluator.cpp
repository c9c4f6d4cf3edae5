// Evaluation of operators; functions live in functions*.cpp.
#include "engine/expr/evaluator.h"

#include "engine/expr/expr_error.h"
#include "engine/expr/functions.h"
#include "engine/storage/value_codec.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace expr {

namespace {

constexpr int64_t kMsPerDay = storage::codec::kMillisecondsPerDay;

std::string_view WithoutTrailingBlanks(std::string_view text)
{
    size_t end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view() : text.substr(0, end + 1);
}

int Sign(int value) { return (value > 0) - (value < 0); }

int CompareBytes(std::string_view a, std::string_view b, size_t count)
{
    return count == 0 ? 0 : Sign(std::memcmp(a.data(), b.data(), count));
}

template <class T>
int Three(T a, T b)
{
    return (a > b) - (a < b);
}

Value StampFromMs(int64_t total)
{
    int64_t days = total >= 0 ? total / kMsPerDay : -((-total + kMsPerDay - 1) / kMsPerDay);
    return Value::TimeStamp(int32_t(days), int32_t(total - days * kMsPerDay));
}

int64_t StampMs(const Value& v) { return int64_t(v.julian) * kMsPerDay + v.ms; }

} // namespace

int CompareText(std::string_view left, std::string_view right, bool exact)
{
    if (exact) {
        left = WithoutTrailingBlanks(left);
        right = WithoutTrailingBlanks(right);
    }
    size_t common = std::min(left.size(), right.size());
    if (int c = CompareBytes(left, right, common))
        return c;
    if (!exact && left.size() >= right.size())
        return 0; // the comparison stops at the end of the right operand
    return Three(left.size(), right.size());
}

int CompareTextIgnoreCase(codepage::CodePage page, std::string_view left, std::string_view right, bool exact)
{
    return CompareText(codepage::UpperCase(page, left), codepage::UpperCase(page, right), exact);
}

const RecordContext& Evaluator::Record() const
{
    if (!mRecord)
        throw ExpressionError(kErrValue, mSettings.text, 0, "The expression needs a current record");
    return *mRecord;
}

Value Evaluator::Fault(const Node& node, const std::string& problem) const
{
    if (mSettings.raiseFaults)
        throw ExpressionError(kErrValue, mSettings.text, node.position, problem);
    return Value::Null(node.type);
}

Value Evaluator::Eval(const Node& node)
{
    switch (node.op) {
    case Op::Literal: return node.literal;
    case Op::Field: return Record().FieldValue(node.field);
    case Op::Call: return node.function->eval(node, *this);
    case Op::Negate: case Op::Plus: {
        Value v = Eval(*node.args[0]);
        if (v.null)
            return Value::Null(node.type);
        return Value::Number(node.op == Op::Negate ? -v.number : v.number);
    }
    case Op::Not: {
        Value v = Eval(*node.args[0]);
        return v.null ? Value::Null(ValueType::Logical) : Value::Logical(!v.logical);
    }
    case Op::And: case Op::Or: return Logic(node);
    case Op::Equal: case Op::ExactEqual: case Op::NotEqual: case Op::Less: case Op::LessEqual:
    case Op::Greater: case Op::GreaterEqual: case Op::Contained:
        return Relation(node);
    default: return Arithmetic(node);
    }
}

// AND and OR from left to right with short-circuit; NULL as in SQL.
Value Evaluator::Logic(const Node& node)
{
    bool isAnd = node.op == Op::And;
    Value left = Eval(*node.args[0]);
    if (!left.null && left.logical != isAnd)
        return Value::Logical(!isAnd); // .F. AND x, .T. OR x: x is never evaluated
    Value right = Eval(*node.args[1]);
    if (!right.null && right.logical != isAnd)
        return Value::Logical(!isAnd);
    if (left.null || right.null)
        return Value::Null(ValueType::Logical);
    return Value::Logical(isAnd);
}

Value Evaluator::Relation(const Node& node)
{
    const Node& leftNode = *node.args[0];
    const Node& rightNode = *node.args[1];
    Value left = Eval(leftNode);
    Value right = Eval(rightNode);
    if (left.null || right.null)
        return Value::Null(ValueType::Logical);
    if (node.op == Op::Contained)
        return Value::Logical(!left.text.empty() && right.text.find(left.text) != std::string::npos);
    int c = 0;
    switch (left.type) {
    case ValueType::Character: case ValueType::Memo:
        if (node.op == Op::ExactEqual) {
            if (leftNode.caseInsensitive || rightNode.caseInsensitive)
                return Value::Logical(left.text.size() == right.text.size()
                                      && CompareTextIgnoreCase(mSettings.page, left.text, right.text, true) == 0);
            return Value::Logical(left.text == right.text);
        }
        c = leftNode.caseInsensitive || rightNode.caseInsensitive
            ? CompareTextIgnoreCase(mSettings.page, left.text, right.text, mSettings.exact)
            : CompareText(left.text, right.text, mSettings.exact);
        break;
    case ValueType::Number: c = Three(left.number, right.number); break;
    case ValueType::Date: c = Three(left.julian, right.julian); break;
    case ValueType::Time: c = Three(left.ms, right.ms); break;
    case ValueType::TimeStamp: c = Three(StampMs(left), StampMs(right)); break;
    case ValueType::Logical: c = Three(int(left.logical), int(right.logical)); break;
    case ValueType::Null: return Value::Null(ValueType::Logical);
    }
    switch (node.op) {
    case Op::Equal: case Op::ExactEqual: return Value::Logical(c == 0);
    case Op::NotEqual: return Value::Logical(c != 0);
    case Op::Less: return Value::Logical(c < 0);
    case Op::LessEqual: return Value::Logical(c <= 0);
    case Op::Greater: return Value::Logical(c > 0);
    default: return Value::Logical(c >= 0);
    }
}

Value Evaluator::Arithmetic(const Node& node)
{
    Value left = Eval(*node.args[0]);
    Value right = Eval(*node.args[1]);
    if (left.null || right.null)
        return Value::Null(node.type);
    if (IsText(left.type)) {
        if (node.op == Op::Add)
            return Value::Text(left.text + right.text);
        // "John " - "Smith" is "JohnSmith ": the left side's trailing blanks move to the end.
        std::string_view kept = WithoutTrailingBlanks(left.text);
        std::string text(kept);
        text += right.text;
        text.append(left.text.size() - kept.size(), ' ');
        return Value::Text(std::move(text));
    }
    if (left.type == ValueType::Number && right.type == ValueType::Number) {
        double a = left.number, b = right.number;
        switch (node.op) {
        case Op::Add: return Value::Number(a + b);
        case Op::Subtract: return Value::Number(a - b);
        case Op::Multiply: return Value::Number(a * b);
        case Op::Power: {
            double p = std::pow(a, b);
            return std::isfinite(p) ? Value::Number(p) : Fault(node, "The power has no finite value");
        }
        case Op::Divide:
            if (b == 0)
                return Fault(node, "Division by zero");
            return Value::Number(a / b);
        default: {
            if (b == 0)
                return Fault(node, "Division by zero");
            double r = std::fmod(a, b);
            if (r != 0 && ((r < 0) != (b < 0)))
                r += b; // the remainder takes the sign of the divisor
            return Value::Number(r);
        }
        }
    }
    // Dates and timestamps move by whole days or seconds; the empty date stays empty.
    if (left.type == ValueType::Date && right.type == ValueType::Date)
        return Value::Number(double(left.julian) - double(right.julian));
    if (left.type == ValueType::TimeStamp && right.type == ValueType::TimeStamp)
        return Value::Number(double(StampMs(left) - StampMs(right)) / 1000.0);
    const Value& moved = left.type == ValueType::Number ? right : left;
    double amount = std::trunc(left.type == ValueType::Number ? left.number : right.number);
    if (node.op == Op::Subtract)
        amount = -amount;
    if (moved.type == ValueType::Date) {
        if (moved.julian == 0)
            return Value::Date(0);
        double julian = double(moved.julian) + amount;
        if (julian < 1721426 || julian > 5373484)
            return Fault(node, "The date falls outside the years 1 to 9999");
        return Value::Date(int32_t(julian));
    }
    if (moved.julian == 0 && moved.ms == 0)
        return moved;
    double total = double(StampMs(moved)) + amount * 1000.0;
    if (total < 1721426.0 * kMsPerDay || total >= 5373485.0 * kMsPerDay)
        return Fault(node, "The timestamp falls outside the years 1 to 9999");
    return StampFromMs(int64_t(total));
}

} // namespace expr
