// Date parts, numeric, logical, record and full-text functions.
#include "engine/expr/contains.h"
#include "engine/expr/date_text.h"
#include "engine/expr/function_support.h"
#include "engine/storage/value_codec.h"

#include <algorithm>
#include <cmath>

namespace expr {

namespace {

using Args = std::vector<Value>;
namespace codec = storage::codec;

bool Fits(ValueType actual, ValueType wanted)
{
    return actual == wanted || actual == ValueType::Null || (IsText(actual) && IsText(wanted));
}

void NoArguments(Node& call, const Checker&)
{
    static const struct { const char* name; ValueType type; int32_t width; } kResults[] = {
        {"DATE", ValueType::Date, -1}, {"TIME", ValueType::Character, 8},
        {"DELETED", ValueType::Logical, -1}, {"RECNO", ValueType::Number, -1}};
    for (const auto& r : kResults)
        if (std::string_view(call.function->name) == r.name) {
            call.type = r.type;
            call.width = r.width;
        }
}

Value Today(const Node&, Evaluator&)
{
    int32_t julian = 0, ms = 0;
    codec::LocalNow(julian, ms);
    return Value::Date(julian);
}

Value Now(const Node&, Evaluator&)
{
    int32_t julian = 0, ms = 0;
    codec::LocalNow(julian, ms);
    return Value::Text(ClockText(ms));
}

Value Deleted(const Node&, Evaluator& ev) { return Value::Logical(ev.Record().IsDeleted()); }
Value Recno(const Node&, Evaluator& ev) { return Value::Number(double(ev.Record().RecordNumber())); }

void DatePartRule(Node& call, const Checker& c)
{
    ValueType t = call.args[0]->type;
    if (!(Fits(t, ValueType::Date) || t == ValueType::TimeStamp))
        c.Fail(kErrTypeMismatch, *call.args[0],
               std::string(call.function->name) + " expects a date or timestamp, not " + TypeLetter(t));
    ResultOf(call, ValueType::Number);
}

template <int Part>
Value DatePart(const Node& call, Evaluator& ev)
{
    return Apply(call, ev, [&](Args& a) {
        int32_t julian = a[0].julian;
        if (julian == 0)
            return Value::Number(0);
        if (Part == 3)
            return Value::Number(double((julian + 1) % 7 + 1)); // 1 = Sunday
        codec::CivilDate d = codec::CivilFromJulian(julian);
        return Value::Number(Part == 0 ? d.year : Part == 1 ? d.month : d.day);
    });
}

void NumbersRule(Node& call, const Checker& c)
{
    for (size_t i = 0; i < call.args.size(); ++i)
        c.ExpectNumber(call, i);
    ResultOf(call, ValueType::Number);
}

// Half away from zero, deciding ties on the decimal value the double was
// meant to hold (2.675 rounds to 2.68 although its binary value is below).
double RoundHalfAway(double value, int decimals)
{
    double scale = std::pow(10.0, decimals);
    double scaled = value * scale;
    double whole = std::trunc(scaled);
    double fraction = std::fabs(scaled - whole);
    double tolerance = 1e-9 * std::max(1.0, std::fabs(scaled));
    double rounded = fraction + tolerance >= 0.5 ? whole + std::copysign(1.0, scaled) : whole;
    return rounded / scale;
}

Value Round(const Node& call, Evaluator& ev)
{
    return Apply(call, ev, [&](Args& a) {
        int decimals = int(std::clamp(std::trunc(a[1].number), -15.0, 15.0));
        return Value::Number(RoundHalfAway(a[0].number, decimals));
    });
}

Value Int(const Node& call, Evaluator& ev)
{
    return Apply(call, ev, [&](Args& a) { return Value::Number(std::trunc(a[0].number)); });
}

Value Abs(const Node& call, Evaluator& ev)
{
    return Apply(call, ev, [&](Args& a) { return Value::Number(std::fabs(a[0].number)); });
}

void ExtremeRule(Node& call, const Checker& c)
{
    const Node& a = *call.args[0];
    const Node& b = *call.args[1];
    ValueType t = a.type == ValueType::Null ? b.type : a.type;
    if (t == ValueType::Logical || !Fits(b.type, t))
        c.Fail(kErrTypeMismatch, call, std::string(call.function->name)
                                           + " compares two values of one type (N, C, D, T or S), not "
                                           + TypeLetter(a.type) + " and " + TypeLetter(b.type));
    call.type = IsText(t) ? ValueType::Character : t;
    call.width = a.width >= 0 && b.width >= 0 ? std::max(a.width, b.width) : -1;
}

int Order(const Value& a, const Value& b)
{
    auto three = [](auto x, auto y) { return (x > y) - (x < y); };
    switch (a.type) {
    case ValueType::Number: return three(a.number, b.number);
    case ValueType::Date: return three(a.julian, b.julian);
    case ValueType::Time: return three(a.ms, b.ms);
    case ValueType::TimeStamp: return a.julian != b.julian ? three(a.julian, b.julian) : three(a.ms, b.ms);
    default: return CompareText(a.text, b.text, true);
    }
}

template <bool Larger>
Value Extreme(const Node& call, Evaluator& ev)
{
    return Apply(call, ev, [&](Args& a) {
        int c = Order(a[0], a[1]);
        Value result = (Larger ? c >= 0 : c <= 0) ? a[0] : a[1];
        if (IsText(result.type))
            result.type = ValueType::Character;
        return result;
    });
}

void AnyToLogical(Node& call, const Checker&) { ResultOf(call, ValueType::Logical); }

// EMPTY(NULL) is .T.: the client asks for a null key value with empty(N).
Value Empty(const Node& call, Evaluator& ev)
{
    Value v = ev.Eval(*call.args[0]);
    if (v.null)
        return Value::Logical(true);
    switch (v.type) {
    case ValueType::Character: case ValueType::Memo:
        return Value::Logical(v.text.find_first_not_of(" \t\r\n") == std::string::npos);
    case ValueType::Number: return Value::Logical(v.number == 0);
    case ValueType::Date: return Value::Logical(v.julian == 0);
    case ValueType::TimeStamp: return Value::Logical(v.julian == 0);
    case ValueType::Logical: return Value::Logical(!v.logical);
    default: return Value::Logical(false);
    }
}

Value IsNull(const Node& call, Evaluator& ev) { return Value::Logical(ev.Eval(*call.args[0]).null); }

void IifRule(Node& call, const Checker& c)
{
    c.Expect(call, 0, ValueType::Logical);
    const Node& a = *call.args[1];
    const Node& b = *call.args[2];
    if (!Fits(b.type, a.type == ValueType::Null ? b.type : a.type))
        c.Fail(kErrTypeMismatch, call, std::string("IIF needs both results of one type, not ") + TypeLetter(a.type)
                                           + " and " + TypeLetter(b.type));
    ValueType t = a.type == ValueType::Null ? b.type : a.type;
    call.type = IsText(t) ? ValueType::Character : t;
    call.width = a.width >= 0 && b.width >= 0 ? std::max(a.width, b.width) : -1;
    call.caseInsensitive = a.caseInsensitive && b.caseInsensitive;
}

// Only the chosen branch is evaluated; a NULL condition chooses the second.
Value Iif(const Node& call, Evaluator& ev)
{
    bool first = ev.Eval(*call.args[0]).IsTrue();
    Value v = ev.Eval(*call.args[first ? 1 : 2]);
    if (v.type == ValueType::Memo || (v.null && v.type != call.type))
        v.type = call.type;
    return v;
}

void ContainsRule(Node& call, const Checker& c)
{
    c.ExpectText(call, 0);
    c.ExpectText(call, 1);
    ResultOf(call, ValueType::Logical);
    const Node& condition = *call.args[1];
    if (!condition.IsConstant() || condition.literal.null)
        return;
    std::string problem;
    // The condition is in the table's code page already; ASCII decides its syntax.
    std::shared_ptr<const ContainsQuery> query =
        ContainsQuery::Parse(codepage::CodePage::Ansi1252, condition.literal.text, problem);
    if (!query)
        c.Fail(kErrSyntax, condition, "CONTAINS: " + problem);
    call.query = query;
}

Value Contains(const Node& call, Evaluator& ev)
{
    return Apply(call, ev, [&](Args& a) {
        codepage::CodePage page = ev.Settings().page;
        if (call.query)
            return Value::Logical(call.query->Matches(page, a[0].text));
        std::string problem;
        std::unique_ptr<ContainsQuery> query = ContainsQuery::Parse(page, a[1].text, problem);
        if (!query)
            return ev.Fault(call, "CONTAINS: " + problem);
        return Value::Logical(query->Matches(page, a[0].text));
    });
}

const FunctionDef kOther[] = {
    {"DATE", 0, 0, false, true, NoArguments, Today},
    {"TIME", 0, 0, false, true, NoArguments, Now},
    {"DELETED", 0, 0, true, false, NoArguments, Deleted},
    {"RECNO", 0, 0, true, false, NoArguments, Recno},
    {"YEAR", 1, 1, false, false, DatePartRule, DatePart<0>},
    {"MONTH", 1, 1, false, false, DatePartRule, DatePart<1>},
    {"DAY", 1, 1, false, false, DatePartRule, DatePart<2>},
    {"DOW", 1, 1, false, false, DatePartRule, DatePart<3>},
    {"ROUND", 2, 2, false, false, NumbersRule, Round},
    {"INT", 1, 1, false, false, NumbersRule, Int},
    {"ABS", 1, 1, false, false, NumbersRule, Abs},
    {"MAX", 2, 2, false, false, ExtremeRule, Extreme<true>},
    {"MIN", 2, 2, false, false, ExtremeRule, Extreme<false>},
    {"EMPTY", 1, 1, false, false, AnyToLogical, Empty},
    {"ISNULL", 1, 1, false, false, AnyToLogical, IsNull},
    {"IIF", 3, 3, false, false, IifRule, Iif},
    {"CONTAINS", 2, 2, false, false, ContainsRule, Contains},
};

} // namespace

std::span<const FunctionDef> OtherFunctions() { return kOther; }

} // namespace expr
