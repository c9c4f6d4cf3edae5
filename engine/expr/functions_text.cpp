// Character functions: case, trimming, parts, padding, searching.
#include "engine/expr/date_text.h"
#include "engine/expr/function_support.h"

#include <algorithm>
#include <cmath>

namespace expr {

namespace {

using Args = std::vector<Value>;

// The longest text SPACE, REPLICATE and the padding functions build: a
// runaway count must not exhaust memory.
constexpr long long kMaxBuilt = 65535;

std::string_view TrimRight(std::string_view s)
{
    size_t end = s.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string_view() : s.substr(0, end + 1);
}

std::string_view TrimLeft(std::string_view s)
{
    size_t begin = s.find_first_not_of(' ');
    return begin == std::string_view::npos ? std::string_view() : s.substr(begin);
}

int32_t ConstantWidth(const Node& node)
{
    std::optional<double> n = Checker::ConstantNumber(node);
    return n ? int32_t(CountArg(*n)) : -1;
}

// ---- type rules ----

void SameWidthText(Node& call, const Checker& c)
{
    c.ExpectText(call, 0);
    ResultText(call, call.args[0]->width, true);
}

void CaseText(Node& call, const Checker& c)
{
    c.ExpectText(call, 0);
    ResultText(call, call.args[0]->width);
}

void TextAndCount(Node& call, const Checker& c)
{
    c.ExpectText(call, 0);
    c.ExpectNumber(call, 1);
    ResultText(call, ConstantWidth(*call.args[1]), true);
}

void SubstrRule(Node& call, const Checker& c)
{
    c.ExpectText(call, 0);
    c.ExpectNumber(call, 1);
    int32_t width = -1;
    if (call.args.size() == 3) {
        c.ExpectNumber(call, 2);
        width = ConstantWidth(*call.args[2]);
    } else if (std::optional<double> start = Checker::ConstantNumber(*call.args[1]);
               start && *start >= 1 && call.args[0]->width >= 0) {
        width = std::max<int32_t>(0, call.args[0]->width - int32_t(*start) + 1);
    }
    ResultText(call, width, true);
}

void TextToNumber(Node& call, const Checker& c)
{
    c.ExpectText(call, 0);
    ResultOf(call, ValueType::Number);
}

void SpaceRule(Node& call, const Checker& c)
{
    c.ExpectNumber(call, 0);
    ResultText(call, ConstantWidth(*call.args[0]));
}

void ReplicateRule(Node& call, const Checker& c)
{
    c.ExpectText(call, 0);
    c.ExpectNumber(call, 1);
    int32_t count = ConstantWidth(*call.args[1]);
    ResultText(call, count >= 0 && call.args[0]->width >= 0 ? count * call.args[0]->width : -1);
}

void ChrRule(Node& call, const Checker& c)
{
    c.ExpectNumber(call, 0);
    ResultText(call, 1);
}

void AtRule(Node& call, const Checker& c)
{
    c.ExpectText(call, 0);
    c.ExpectText(call, 1);
    ResultOf(call, ValueType::Number);
}

void PadRule(Node& call, const Checker& c)
{
    ValueType t = call.args[0]->type;
    if (!(IsText(t) || t == ValueType::Number || t == ValueType::Date || t == ValueType::Null))
        c.Fail(kErrTypeMismatch, *call.args[0],
               std::string(call.function->name) + " pads character, numeric or date values, not " + TypeLetter(t));
    c.ExpectNumber(call, 1);
    if (call.args.size() == 3)
        c.ExpectText(call, 2);
    ResultText(call, ConstantWidth(*call.args[1]));
}

// ---- implementations ----

Value Upper(const Node& call, Evaluator& ev)
{
    return Apply(call, ev, [&](Args& a) { return Value::Text(codepage::UpperCase(ev.Settings().page, a[0].text)); });
}

Value Lower(const Node& call, Evaluator& ev)
{
    return Apply(call, ev, [&](Args& a) { return Value::Text(codepage::LowerCase(ev.Settings().page, a[0].text)); });
}

Value RTrim(const Node& call, Evaluator& ev)
{
    return Apply(call, ev, [](Args& a) { return Value::Text(std::string(TrimRight(a[0].text))); });
}

Value LTrim(const Node& call, Evaluator& ev)
{
    return Apply(call, ev, [](Args& a) { return Value::Text(std::string(TrimLeft(a[0].text))); });
}

Value AllTrim(const Node& call, Evaluator& ev)
{
    return Apply(call, ev, [](Args& a) { return Value::Text(std::string(TrimLeft(TrimRight(a[0].text)))); });
}

Value Left(const Node& call, Evaluator& ev)
{
    return Apply(call, ev, [](Args& a) {
        size_t n = size_t(std::min<long long>(CountArg(a[1].number), (long long)a[0].text.size()));
        return Value::Text(a[0].text.substr(0, n));
    });
}

Value Right(const Node& call, Evaluator& ev)
{
    return Apply(call, ev, [](Args& a) {
        size_t n = size_t(std::min<long long>(CountArg(a[1].number), (long long)a[0].text.size()));
        return Value::Text(a[0].text.substr(a[0].text.size() - n));
    });
}

Value Substr(const Node& call, Evaluator& ev)
{
    return Apply(call, ev, [](Args& a) {
        const std::string& s = a[0].text;
        long long size = (long long)s.size();
        long long start = (long long)std::trunc(std::clamp(a[1].number, -1e12, 1e12));
        if (start < 0)
            start = std::max(1LL, size + start + 1); // counts from the right
        if (start == 0)
            start = 1;
        if (start > size)
            return Value::Text("");
        long long count = a.size() == 3 ? CountArg(a[2].number) : size;
        return Value::Text(s.substr(size_t(start - 1), size_t(std::min(count, size - start + 1))));
    });
}

Value Len(const Node& call, Evaluator& ev)
{
    return Apply(call, ev, [](Args& a) { return Value::Number(double(a[0].text.size())); });
}

Value Space(const Node& call, Evaluator& ev)
{
    return Apply(call, ev, [&](Args& a) {
        long long count = CountArg(a[0].number);
        if (count > kMaxBuilt)
            return ev.Fault(call, "SPACE would build more than 65535 characters");
        return Value::Text(std::string(size_t(count), ' '));
    });
}

Value Replicate(const Node& call, Evaluator& ev)
{
    return Apply(call, ev, [&](Args& a) {
        long long count = CountArg(a[1].number);
        const std::string& unit = a[0].text;
        if (unit.size() * size_t(count) > size_t(kMaxBuilt))
            return ev.Fault(call, "REPLICATE would build more than 65535 characters");
        std::string text;
        for (long long i = 0; i < count; ++i)
            text += unit;
        return Value::Text(std::move(text));
    });
}

Value Chr(const Node& call, Evaluator& ev)
{
    return Apply(call, ev, [&](Args& a) {
        double code = std::trunc(a[0].number);
        if (!(code >= 0 && code <= 255))
            return ev.Fault(call, "CHR needs a code from 0 to 255");
        return Value::Text(std::string(1, char(int(code))));
    });
}

Value Asc(const Node& call, Evaluator& ev)
{
    return Apply(call, ev, [](Args& a) {
        return Value::Number(a[0].text.empty() ? 0.0 : double(static_cast<unsigned char>(a[0].text[0])));
    });
}

Value At(const Node& call, Evaluator& ev)
{
    return Apply(call, ev, [](Args& a) {
        if (a[0].text.empty())
            return Value::Number(0);
        size_t at = a[1].text.find(a[0].text);
        return Value::Number(at == std::string::npos ? 0.0 : double(at + 1));
    });
}

std::string PadSubject(const Value& v, const Evaluator& ev)
{
    if (v.type == ValueType::Number)
        return NumberText(v.number);
    if (v.type == ValueType::Date)
        return ev.Settings().mask->Format(v.julian);
    return v.text;
}

Value Pad(const Node& call, Evaluator& ev, bool left)
{
    return Apply(call, ev, [&](Args& a) {
        std::string text = PadSubject(a[0], ev);
        size_t width = size_t(std::min<long long>(CountArg(a[1].number), kMaxBuilt));
        char fill = a.size() == 3 && !a[2].text.empty() ? a[2].text[0] : ' ';
        if (text.size() >= width)
            return Value::Text(text.substr(0, width));
        std::string padding(width - text.size(), fill);
        return Value::Text(left ? padding + text : text + padding);
    });
}

Value PadL(const Node& call, Evaluator& ev) { return Pad(call, ev, true); }
Value PadR(const Node& call, Evaluator& ev) { return Pad(call, ev, false); }

const FunctionDef kText[] = {
    {"UPPER", 1, 1, false, false, CaseText, Upper},
    {"LOWER", 1, 1, false, false, CaseText, Lower},
    {"TRIM", 1, 1, false, false, SameWidthText, RTrim},
    {"RTRIM", 1, 1, false, false, SameWidthText, RTrim},
    {"LTRIM", 1, 1, false, false, SameWidthText, LTrim},
    {"ALLTRIM", 1, 1, false, false, SameWidthText, AllTrim},
    {"LEFT", 2, 2, false, false, TextAndCount, Left},
    {"RIGHT", 2, 2, false, false, TextAndCount, Right},
    {"SUBSTR", 2, 3, false, false, SubstrRule, Substr},
    {"LEN", 1, 1, false, false, TextToNumber, Len},
    {"SPACE", 1, 1, false, false, SpaceRule, Space},
    {"REPLICATE", 2, 2, false, false, ReplicateRule, Replicate},
    {"CHR", 1, 1, false, false, ChrRule, Chr},
    {"ASC", 1, 1, false, false, TextToNumber, Asc},
    {"AT", 2, 2, false, false, AtRule, At},
    {"PADL", 2, 3, false, false, PadRule, PadL},
    {"PADR", 2, 3, false, false, PadRule, PadR},
};

} // namespace

std::span<const FunctionDef> TextFunctions() { return kText; }

} // namespace expr
