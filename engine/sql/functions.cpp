#include "engine/sql/functions.h"

#include "engine/core/dates.h"
#include "engine/sql/lexer.h"
#include "engine/sql/sql_error.h"
#include "platform/codepage/codepage.h"

#include <chrono>
#include <cmath>
#include <ctime>

namespace sql {
namespace {

using Args = std::vector<Value>;
constexpr auto kAnsi = codepage::CodePage::Ansi1252;

bool AnyNull(const Args& args)
{
    for (const Value& v : args)
        if (v.null)
            return true;
    return false;
}

// The text of a string argument; other types in their text form, as SQL
// functions on strings accept them.
std::string TextOf(const Value& v) { return v.type == DataType::String ? v.text : TextForm(v); }

int64_t IntegerOf(const Value& v) { return ConvertTo(v, DataType::Integer).integer; }

bool IsBlank(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; }

std::string TrimLeft(std::string s)
{
    size_t first = 0;
    while (first < s.size() && IsBlank(s[first]))
        ++first;
    return s.substr(first);
}

std::string TrimRight(std::string s)
{
    while (!s.empty() && IsBlank(s.back()))
        s.pop_back();
    return s;
}

Value Upper(const Args& a) { return a[0].null ? Value::Null(DataType::String) : Value::String(codepage::UpperCase(kAnsi, TextOf(a[0]))); }
Value Lower(const Args& a) { return a[0].null ? Value::Null(DataType::String) : Value::String(codepage::LowerCase(kAnsi, TextOf(a[0]))); }
Value Trim(const Args& a) { return a[0].null ? Value::Null(DataType::String) : Value::String(TrimRight(TrimLeft(TextOf(a[0])))); }
Value LTrim(const Args& a) { return a[0].null ? Value::Null(DataType::String) : Value::String(TrimLeft(TextOf(a[0]))); }
Value RTrim(const Args& a) { return a[0].null ? Value::Null(DataType::String) : Value::String(TrimRight(TextOf(a[0]))); }

Value Length(const Args& a)
{
    if (a[0].null)
        return Value::Null(DataType::Integer);
    return Value::Integer(static_cast<int64_t>(TextOf(a[0]).size()));
}

// SQL positions are 1-based; a start before 1 eats into the length, as
// the standard's definition in terms of character ranges implies.
Value Substring(const Args& a)
{
    if (AnyNull(a))
        return Value::Null(DataType::String);
    std::string text = TextOf(a[0]);
    int64_t start = IntegerOf(a[1]);
    int64_t size = static_cast<int64_t>(text.size());
    int64_t end = size + 1;
    if (a.size() > 2) {
        int64_t length = IntegerOf(a[2]);
        if (length < 0)
            throw ValueFault(kValue, "SUBSTRING with a negative length");
        end = start > INT64_MAX - length ? end : std::min(end, start + length);
    }
    start = std::max<int64_t>(start, 1);
    if (start >= end || start > size)
        return Value::String("");
    return Value::String(text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(end - start)));
}

int64_t CountOf(const Value& v)
{
    int64_t n = IntegerOf(v);
    if (n < 0)
        throw ValueFault(kValue, "A negative character count");
    return n;
}

Value Left(const Args& a)
{
    if (AnyNull(a))
        return Value::Null(DataType::String);
    std::string text = TextOf(a[0]);
    return Value::String(text.substr(0, static_cast<size_t>(std::min<int64_t>(CountOf(a[1]), text.size()))));
}

Value Right(const Args& a)
{
    if (AnyNull(a))
        return Value::Null(DataType::String);
    std::string text = TextOf(a[0]);
    size_t n = static_cast<size_t>(std::min<int64_t>(CountOf(a[1]), text.size()));
    return Value::String(text.substr(text.size() - n));
}

Value Concat(const Args& a)
{
    std::string text;
    for (const Value& v : a)
        if (!v.null)
            text += TextOf(v);
    return Value::String(std::move(text));
}

Value Coalesce(const Args& a)
{
    for (const Value& v : a)
        if (!v.null)
            return v;
    return a.back();
}

Value Abs(const Args& a)
{
    if (a[0].null)
        return a[0];
    if (a[0].type == DataType::Integer) {
        if (a[0].integer == INT64_MIN)
            throw ValueFault(kValue, "ABS overflows an Integer");
        return Value::Integer(a[0].integer < 0 ? -a[0].integer : a[0].integer);
    }
    return Value::Double(std::fabs(ConvertTo(a[0], DataType::Double).number));
}

Value Round(const Args& a)
{
    if (AnyNull(a))
        return Value::Null(DataType::Double);
    int64_t places = a.size() > 1 ? IntegerOf(a[1]) : 0;
    if (a[0].type == DataType::Integer && places >= 0)
        return a[0];
    if (places < -308 || places > 308)
        throw ValueFault(kValue, "ROUND to " + std::to_string(places) + " places");
    double x = ConvertTo(a[0], DataType::Double).number;
    double scale = std::pow(10.0, static_cast<double>(places));
    return Value::Double(std::round(x * scale) / scale);
}

struct LocalNow {
    int32_t julian;
    int32_t ms;
};

LocalNow Now()
{
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    engine::CivilDate date{local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                           static_cast<unsigned>(local.tm_mday)};
    int32_t ms = ((local.tm_hour * 60 + local.tm_min) * 60 + std::min(local.tm_sec, 59)) * 1000 +
                 static_cast<int32_t>(millis);
    return {engine::JulianFromCivil(date), ms};
}

Value NowValue(const Args&)
{
    LocalNow now = Now();
    return Value::TimeStamp(now.julian, now.ms);
}
Value CurDate(const Args&) { return Value::Date(Now().julian); }
Value CurTime(const Args&) { return Value::Time(Now().ms); }

const FunctionInfo kFunctions[] = {
    {"UPPER", 1, 1, Upper},         {"UCASE", 1, 1, Upper},
    {"LOWER", 1, 1, Lower},         {"LCASE", 1, 1, Lower},
    {"TRIM", 1, 1, Trim},           {"LTRIM", 1, 1, LTrim},
    {"RTRIM", 1, 1, RTrim},         {"SUBSTRING", 2, 3, Substring},
    {"LEFT", 2, 2, Left},           {"RIGHT", 2, 2, Right},
    {"LENGTH", 1, 1, Length},       {"CHAR_LENGTH", 1, 1, Length},
    {"CHARACTER_LENGTH", 1, 1, Length}, {"CONCAT", 1, kVariadic, Concat},
    {"IFNULL", 2, 2, Coalesce},     {"COALESCE", 1, kVariadic, Coalesce},
    {"ABS", 1, 1, Abs},             {"ROUND", 1, 2, Round},
    {"NOW", 0, 0, NowValue},        {"CURDATE", 0, 0, CurDate},
    {"CURTIME", 0, 0, CurTime},
};

} // namespace

const FunctionInfo* FindFunction(std::string_view name)
{
    for (const FunctionInfo& info : kFunctions)
        if (EqualsIgnoreCase(info.name, name))
            return &info;
    return nullptr;
}

} // namespace sql
