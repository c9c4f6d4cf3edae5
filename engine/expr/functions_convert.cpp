// Conversion functions between numbers, dates, times and text.
#include "engine/expr/date_text.h"
#include "engine/expr/function_support.h"
#include "engine/storage/value_codec.h"

#include <cmath>
#include <cstdio>

namespace expr {

namespace {

using Args = std::vector<Value>;
namespace codec = storage::codec;

constexpr int kDefaultStrWidth = 10;

bool IsDateLike(ValueType t) { return t == ValueType::Date || t == ValueType::TimeStamp || t == ValueType::Null; }

void ExpectDateLike(const Node& call, size_t index, const Checker& c)
{
    if (!IsDateLike(call.args[index]->type))
        c.Fail(kErrTypeMismatch, *call.args[index], std::string(call.function->name)
                                                        + " expects a date or timestamp, not "
                                                        + TypeLetter(call.args[index]->type));
}

// STR without a length takes a digits-as-text field's own width and decimals.
void StrDefaults(const Node& call, int& width, int& decimals)
{
    const Node& subject = *call.args[0];
    bool ownField = subject.op == Op::Field && subject.numericWidth > 0;
    width = ownField ? int(subject.numericWidth) : kDefaultStrWidth;
    decimals = ownField ? subject.decimals : 0;
}

void StrRule(Node& call, const Checker& c)
{
    c.ExpectNumber(call, 0);
    int width = 0, decimals = 0;
    StrDefaults(call, width, decimals);
    if (call.args.size() >= 2) {
        c.ExpectNumber(call, 1);
        std::optional<double> len = Checker::ConstantNumber(*call.args[1]);
        width = len ? int(CountArg(*len)) : -1;
    }
    if (call.args.size() == 3)
        c.ExpectNumber(call, 2);
    ResultText(call, width);
}

// Right-aligned decimal text of `width` characters, rounded half away from
// zero; fewer decimals when they do not fit, asterisks when the integer part
// does not.
std::string FormatStr(double value, int width, int decimals)
{
    for (int d = decimals; d >= 0; --d) {
        if (d > 0 && d + 2 > width)
            continue;
        if (std::optional<std::string> text = codec::FixedText(value, d, size_t(width)))
            return std::string(size_t(width) - text->size(), ' ') + *text;
    }
    return std::string(size_t(width), '*');
}

Value Str(const Node& call, Evaluator& ev)
{
    return Apply(call, ev, [&](Args& a) {
        int width = 0, decimals = 0;
        StrDefaults(call, width, decimals);
        if (a.size() >= 2)
            width = int(std::min<long long>(CountArg(a[1].number), 255));
        if (a.size() == 3)
            decimals = int(std::min<long long>(CountArg(a[2].number), 15));
        if (!std::isfinite(a[0].number))
            return Value::Text(std::string(size_t(width), '*'));
        return Value::Text(FormatStr(a[0].number, width, decimals));
    });
}

// Leading blanks, a sign, digits and one point; anything else ends the number.
Value Val(const Node& call, Evaluator& ev)
{
    return Apply(call, ev, [&](Args& a) {
        const std::string& s = a[0].text;
        size_t i = s.find_first_not_of(" \t");
        if (i == std::string::npos)
            return Value::Number(0);
        std::string number;
        if (s[i] == '-' || s[i] == '+')
            number += s[i++];
        bool point = false, digits = false;
        for (; i < s.size(); ++i) {
            if (s[i] >= '0' && s[i] <= '9')
                digits = true;
            else if (s[i] == '.' && !point)
                point = true;
            else
                break;
            number += s[i];
        }
        return Value::Number(digits ? std::stod(number + (number.back() == '.' ? "0" : "")) : 0.0);
    });
}

void DtosRule(Node& call, const Checker& c)
{
    ExpectDateLike(call, 0, c);
    ResultText(call, 8);
}

std::string CompactDate(int32_t julian)
{
    if (julian == 0)
        return std::string(8, ' ');
    codec::CivilDate d = codec::CivilFromJulian(julian);
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d%02d", d.year, d.month, d.day);
    return text;
}

Value Dtos(const Node& call, Evaluator& ev)
{
    return Apply(call, ev, [&](Args& a) { return Value::Text(CompactDate(a[0].julian)); });
}

void DtocRule(Node& call, const Checker& c)
{
    ExpectDateLike(call, 0, c);
    ResultText(call, int32_t(c.Mask().Length()));
}

Value Dtoc(const Node& call, Evaluator& ev)
{
    return Apply(call, ev, [&](Args& a) { return Value::Text(ev.Settings().mask->Format(a[0].julian)); });
}

void TextTo(Node& call, const Checker& c, ValueType type)
{
    c.ExpectText(call, 0);
    ResultOf(call, type);
}

void CtodRule(Node& call, const Checker& c) { TextTo(call, c, ValueType::Date); }
void CtotRule(Node& call, const Checker& c) { TextTo(call, c, ValueType::Time); }
void CtotsRule(Node& call, const Checker& c) { TextTo(call, c, ValueType::TimeStamp); }

Value Ctod(const Node& call, Evaluator& ev)
{
    return Apply(call, ev, [&](Args& a) { return Value::Date(ev.Settings().mask->Parse(a[0].text)); });
}

// Empty or unreadable text gives the empty time, which is NULL: no stored
// time equals it, and EMPTY() and ISNULL() find it.
Value Ctot(const Node& call, Evaluator& ev)
{
    return Apply(call, ev, [&](Args& a) {
        std::optional<int32_t> ms = ParseClock(a[0].text);
        return ms ? Value::Time(*ms) : Value::Null(ValueType::Time);
    });
}

// A date in the date format, then optionally a blank and a time; no time is midnight.
Value Ctots(const Node& call, Evaluator& ev)
{
    return Apply(call, ev, [&](Args& a) {
        const std::string& s = a[0].text;
        size_t colon = s.find(':');
        size_t split = s.size();
        if (colon != std::string::npos) {
            split = colon;
            while (split > 0 && s[split - 1] >= '0' && s[split - 1] <= '9')
                --split;
        }
        int32_t julian = ev.Settings().mask->Parse(std::string_view(s).substr(0, split));
        if (julian == 0)
            return Value::TimeStamp(0, 0);
        int32_t ms = 0;
        if (split < s.size()) {
            std::optional<int32_t> clock = ParseClock(std::string_view(s).substr(split));
            if (!clock)
                return Value::TimeStamp(0, 0);
            ms = *clock;
        }
        return Value::TimeStamp(julian, ms);
    });
}

void TtocRule(Node& call, const Checker& c)
{
    ValueType t = call.args[0]->type;
    if (!(t == ValueType::TimeStamp || t == ValueType::Time || t == ValueType::Null))
        c.Fail(kErrTypeMismatch, *call.args[0], std::string("TTOC expects a timestamp or time, not ") + TypeLetter(t));
    int32_t width = t == ValueType::Time ? 8 : int32_t(c.Mask().Length()) + 9;
    if (call.args.size() == 2) {
        c.ExpectNumber(call, 1);
        std::optional<double> flag = Checker::ConstantNumber(*call.args[1]);
        width = !flag ? -1 : *flag == 1 ? 14 : *flag == 2 ? 8 : *flag == 3 ? 19 : width;
    }
    ResultText(call, width);
}

Value Ttoc(const Node& call, Evaluator& ev)
{
    return Apply(call, ev, [&](Args& a) {
        const Value& v = a[0];
        int flag = a.size() == 2 ? int(a[1].number) : 0;
        std::string clock = ClockText(v.ms);
        if (v.type == ValueType::Time || flag == 2)
            return Value::Text(clock);
        if (flag == 1) {
            std::string digits = CompactDate(v.julian) + clock.substr(0, 2) + clock.substr(3, 2) + clock.substr(6, 2);
            return Value::Text(v.julian == 0 ? std::string(14, ' ') : digits);
        }
        if (flag == 3) {
            std::string date = CompactDate(v.julian);
            if (v.julian == 0)
                return Value::Text(std::string(19, ' '));
            return Value::Text(date.substr(0, 4) + "-" + date.substr(4, 2) + "-" + date.substr(6, 2) + "T" + clock);
        }
        return Value::Text(ev.Settings().mask->Format(v.julian) + " " + clock);
    });
}

const FunctionDef kConversions[] = {
    {"STR", 1, 3, false, false, StrRule, Str},
    {"VAL", 1, 1, false, false, [](Node& call, const Checker& c) { TextTo(call, c, ValueType::Number); }, Val},
    {"DTOS", 1, 1, false, false, DtosRule, Dtos},
    {"DTOC", 1, 1, false, false, DtocRule, Dtoc},
    {"CTOD", 1, 1, false, false, CtodRule, Ctod},
    {"CTOT", 1, 1, false, false, CtotRule, Ctot},
    {"CTOTS", 1, 1, false, false, CtotsRule, Ctots},
    {"TTOC", 1, 2, false, false, TtocRule, Ttoc},
};

} // namespace

std::span<const FunctionDef> ConversionFunctions() { return kConversions; }

} // namespace expr
