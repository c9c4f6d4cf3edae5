#include "engine/sql/value.h"

#include "engine/core/dates.h"
#include "engine/sql/lexer.h"
#include "engine/sql/sql_error.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <limits>

namespace sql {
namespace {


Value Known(DataType type)
{
    Value v;
    v.type = type;
    v.null = false;
    return v;
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

[[noreturn]] void Refuse(const Value& value, DataType target)
{
    std::string shown = value.type == DataType::String ? "'" + value.text + "'" : TextForm(value);
    throw ValueFault(kTypeMismatch, std::string("Cannot convert ") + TypeName(value.type) + " value " + shown +
                                        " to " + TypeName(target));
}

// Reads a whole unsigned decimal field of exactly `digits` digits.
bool ReadDigits(std::string_view text, size_t at, size_t digits, int& out)
{
    if (at + digits > text.size())
        return false;
    out = 0;
    for (size_t i = at; i < at + digits; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
        out = out * 10 + (text[i] - '0');
    }
    return true;
}

// "YYYY-MM-DD" -> Julian day.
std::optional<int32_t> ParseDate(std::string_view text)
{
    int y = 0, m = 0, d = 0;
    if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !ReadDigits(text, 0, 4, y) ||
        !ReadDigits(text, 5, 2, m) || !ReadDigits(text, 8, 2, d))
        return std::nullopt;
    engine::CivilDate civil{y, static_cast<unsigned>(m), static_cast<unsigned>(d)};
    if (!engine::IsValidCivil(civil))
        return std::nullopt;
    return engine::JulianFromCivil(civil);
}

// "HH:MM[:SS[.mmm]]" -> milliseconds since midnight.
std::optional<int32_t> ParseTime(std::string_view text)
{
    int h = 0, mi = 0, s = 0, ms = 0;
    if (text.size() < 5 || text[2] != ':' || !ReadDigits(text, 0, 2, h) || !ReadDigits(text, 3, 2, mi))
        return std::nullopt;
    if (text.size() > 5 && (text[5] != ':' || !ReadDigits(text, 6, 2, s)))
        return std::nullopt;
    if (text.size() > 8) {
        size_t fraction = text.size() - 9;
        if (text[8] != '.' || fraction < 1 || fraction > 3 || !ReadDigits(text, 9, fraction, ms))
            return std::nullopt;
        for (size_t i = fraction; i < 3; ++i)
            ms *= 10;
    }
    if (text.size() != 5 && text.size() != 8 && text.size() < 10)
        return std::nullopt;
    if (h > 23 || mi > 59 || s > 59)
        return std::nullopt;
    return ((h * 60 + mi) * 60 + s) * 1000 + ms;
}

Value FromText(const Value& value, DataType target)
{
    std::string_view text = Trimmed(value.text);
    switch (target) {
    case DataType::Integer: {
        std::string digits(text);
        char* end = nullptr;
        errno = 0;
        long long n = std::strtoll(digits.c_str(), &end, 10);
        if (digits.empty() || *end != '\0' || errno == ERANGE)
            Refuse(value, target);
        return Value::Integer(n);
    }
    case DataType::Double: {
        std::string digits(text);
        char* end = nullptr;
        double d = std::strtod(digits.c_str(), &end);
        if (digits.empty() || *end != '\0' || !std::isfinite(d))
            Refuse(value, target);
        return Value::Double(d);
    }
    case DataType::Logical: {
        std::string word = UpperCased(text);
        if (word == "TRUE" || word == "T" || word == "Y" || word == "1")
            return Value::Logical(true);
        if (word == "FALSE" || word == "F" || word == "N" || word == "0")
            return Value::Logical(false);
        Refuse(value, target);
    }
    case DataType::Date:
        if (auto julian = ParseDate(text))
            return Value::Date(*julian);
        Refuse(value, target);
    case DataType::Time:
        if (auto ms = ParseTime(text))
            return Value::Time(*ms);
        Refuse(value, target);
    case DataType::TimeStamp: {
        auto julian = text.size() >= 10 ? ParseDate(text.substr(0, 10)) : std::nullopt;
        std::optional<int32_t> ms = 0;
        if (julian && text.size() > 10)
            ms = text[10] == ' ' || text[10] == 'T' ? ParseTime(text.substr(11)) : std::nullopt;
        if (!julian || !ms)
            Refuse(value, target);
        return Value::TimeStamp(*julian, *ms);
    }
    case DataType::Binary:
        return Value::Binary(value.text);
    default:
        Refuse(value, target);
    }
}

Value FromDouble(const Value& value, DataType target)
{
    double d = value.AsDouble();
    if (target == DataType::Double)
        return Value::Double(d);
    if (target == DataType::Integer) {
        double rounded = std::trunc(d);
        if (!(rounded >= -9.2233720368547758e18 && rounded < 9.2233720368547758e18))
            throw ValueFault(kValue, "The number " + TextForm(value) + " does not fit an Integer");
        return Value::Integer(static_cast<int64_t>(rounded));
    }
    if (target == DataType::Logical)
        return Value::Logical(d != 0);
    Refuse(value, target);
}

std::string Pad2(int n)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02d", n);
    return buffer;
}

std::string DateText(int32_t julian)
{
    engine::CivilDate civil = engine::CivilFromJulian(julian);
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u", civil.year, civil.month, civil.day);
    return buffer;
}

std::string TimeText(int32_t ms)
{
    std::string text = Pad2(ms / 3600000) + ":" + Pad2(ms / 60000 % 60) + ":" + Pad2(ms / 1000 % 60);
    if (ms % 1000 != 0) {
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, ".%03d", ms % 1000);
        text += buffer;
    }
    return text;
}

// The fewest significant digits that read back as the same double, in
// plain notation unless the number is very large or very small.
std::string DoubleText(double d)
{
    char buffer[400];
    int digits = 1;
    for (; digits < 17; ++digits) {
        std::snprintf(buffer, sizeof buffer, "%.*g", digits, d);
        if (std::strtod(buffer, nullptr) == d)
            break;
    }
    double magnitude = std::fabs(d);
    if (d == 0 || magnitude < 1e-6 || magnitude >= 1e15) {
        std::snprintf(buffer, sizeof buffer, "%.*g", digits, d);
        return buffer;
    }
    int exponent = static_cast<int>(std::floor(std::log10(magnitude)));
    std::snprintf(buffer, sizeof buffer, "%.*f", std::max(0, digits - 1 - exponent), d);
    return buffer;
}

int Sign(double d) { return d < 0 ? -1 : d > 0 ? 1 : 0; }

int CompareText(std::string_view a, std::string_view b)
{
    while (!a.empty() && a.back() == ' ')
        a.remove_suffix(1);
    while (!b.empty() && b.back() == ' ')
        b.remove_suffix(1);
    int c = a.compare(b);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
}

bool IsTemporal(DataType t) { return t == DataType::Date || t == DataType::TimeStamp; }

} // namespace

const char* TypeName(DataType type)
{
    switch (type) {
    case DataType::Null: return "NULL";
    case DataType::String: return "String";
    case DataType::Integer: return "Integer";
    case DataType::Double: return "Double";
    case DataType::Logical: return "Logical";
    case DataType::Date: return "Date";
    case DataType::Time: return "Time";
    case DataType::TimeStamp: return "TimeStamp";
    case DataType::Binary: return "Binary";
    }
    return "?";
}

Value Value::Null(DataType type)
{
    Value v;
    v.type = type;
    return v;
}

namespace {

// A known value of `type` with one member set.
template <class Member, class T>
Value With(DataType type, Member Value::*member, T content)
{
    Value v = Known(type);
    v.*member = std::move(content);
    return v;
}

} // namespace

Value Value::String(std::string text) { return With(DataType::String, &Value::text, std::move(text)); }
Value Value::Binary(std::string bytes) { return With(DataType::Binary, &Value::text, std::move(bytes)); }
Value Value::Integer(int64_t value) { return With(DataType::Integer, &Value::integer, value); }
Value Value::Double(double value) { return With(DataType::Double, &Value::number, value); }
Value Value::Logical(bool value) { return With(DataType::Logical, &Value::logical, value); }
Value Value::Date(int32_t julian) { return With(DataType::Date, &Value::julian, julian); }
Value Value::Time(int32_t ms) { return With(DataType::Time, &Value::ms, ms); }
Value Value::TimeStamp(int32_t julian, int32_t ms)
{
    Value v = With(DataType::TimeStamp, &Value::julian, julian);
    v.ms = ms;
    return v;
}

std::optional<DataType> StorageOfTypeName(std::string_view name)
{
    static const struct {
        const char* name;
        DataType type;
    } kNames[] = {
        {"STRING", DataType::String},     {"CHAR", DataType::String},       {"CHARACTER", DataType::String},
        {"VARCHAR", DataType::String},    {"CICHAR", DataType::String},     {"NCHAR", DataType::String},
        {"NVARCHAR", DataType::String},   {"MEMO", DataType::String},       {"NMEMO", DataType::String},
        {"INTEGER", DataType::Integer},   {"INT", DataType::Integer},       {"SHORT", DataType::Integer},
        {"SHORTINT", DataType::Integer},  {"SMALLINT", DataType::Integer},  {"LONG", DataType::Integer},
        {"BIGINT", DataType::Integer},    {"AUTOINC", DataType::Integer},   {"DOUBLE", DataType::Double},
        {"FLOAT", DataType::Double},      {"REAL", DataType::Double},       {"NUMERIC", DataType::Double},
        {"DECIMAL", DataType::Double},    {"MONEY", DataType::Double},      {"CURRENCY", DataType::Double},
        {"CURDOUBLE", DataType::Double},  {"LOGICAL", DataType::Logical},   {"BOOLEAN", DataType::Logical},
        {"DATE", DataType::Date},         {"TIME", DataType::Time},         {"TIMESTAMP", DataType::TimeStamp},
        {"DATETIME", DataType::TimeStamp}, {"MODTIME", DataType::TimeStamp}, {"BLOB", DataType::Binary},
        {"BINARY", DataType::Binary},     {"VARBINARY", DataType::Binary},  {"RAW", DataType::Binary},
        {"IMAGE", DataType::Binary},
    };
    std::string upper = UpperCased(name);
    for (const auto& entry : kNames)
        if (upper == entry.name)
            return entry.type;
    return std::nullopt;
}

Value ConvertTo(const Value& value, DataType target)
{
    if (value.null)
        return Value::Null(target);
    if (value.type == target || target == DataType::Null)
        return value;
    switch (value.type) {
    case DataType::String:
        return FromText(value, target);
    case DataType::Integer:
        if (target == DataType::Double)
            return Value::Double(static_cast<double>(value.integer));
        if (target == DataType::String)
            return Value::String(TextForm(value));
        return FromDouble(value, target);
    case DataType::Double:
        if (target == DataType::String)
            return Value::String(TextForm(value));
        return FromDouble(value, target);
    case DataType::Date:
        if (target == DataType::TimeStamp)
            return Value::TimeStamp(value.julian, 0);
        break;
    case DataType::TimeStamp:
        if (target == DataType::Date)
            return Value::Date(value.julian);
        if (target == DataType::Time)
            return Value::Time(value.ms);
        break;
    case DataType::Logical:
        if (target == DataType::Integer)
            return Value::Integer(value.logical ? 1 : 0);
        break;
    case DataType::Binary:
        Refuse(value, target);
    default:
        break;
    }
    if (target == DataType::String)
        return Value::String(TextForm(value));
    Refuse(value, target);
}

Value ConvertTo(const Value& value, const DeclaredType& target)
{
    Value converted = ConvertTo(value, target.storage);
    bool sized = target.storage == DataType::String || target.storage == DataType::Binary;
    if (sized && !converted.null && target.length != 0 && converted.text.size() > target.length)
        throw ValueFault(kValue, "A value of " + std::to_string(converted.text.size()) + " characters does not fit " +
                                     target.name + "(" + std::to_string(target.length) + ")");
    return converted;
}

std::string TextForm(const Value& value)
{
    if (value.null)
        return "NULL";
    switch (value.type) {
    case DataType::String:
    case DataType::Binary: return value.text;
    case DataType::Integer: return std::to_string(value.integer);
    case DataType::Double: return DoubleText(value.number);
    case DataType::Logical: return value.logical ? "TRUE" : "FALSE";
    case DataType::Date: return DateText(value.julian);
    case DataType::Time: return TimeText(value.ms);
    case DataType::TimeStamp: return DateText(value.julian) + " " + TimeText(value.ms);
    case DataType::Null: break;
    }
    return "NULL";
}

int Compare(const Value& a, const Value& b)
{
    if (a.IsNumeric() && b.IsNumeric()) {
        if (a.type == DataType::Integer && b.type == DataType::Integer)
            return a.integer < b.integer ? -1 : a.integer > b.integer ? 1 : 0;
        return Sign(a.AsDouble() - b.AsDouble());
    }
    if ((a.type == DataType::String && b.type == DataType::String) ||
        (a.type == DataType::Binary && b.type == DataType::Binary))
        return CompareText(a.text, b.text);
    if (a.type == DataType::Logical && b.type == DataType::Logical)
        return static_cast<int>(a.logical) - static_cast<int>(b.logical);
    if (a.type == DataType::Time && b.type == DataType::Time)
        return Sign(static_cast<double>(a.ms) - b.ms);
    if (IsTemporal(a.type) && IsTemporal(b.type)) {
        if (a.julian != b.julian)
            return a.julian < b.julian ? -1 : 1;
        int32_t msA = a.type == DataType::TimeStamp ? a.ms : 0;
        int32_t msB = b.type == DataType::TimeStamp ? b.ms : 0;
        return Sign(static_cast<double>(msA) - msB);
    }
    throw ValueFault(kTypeMismatch, std::string("Cannot compare ") + TypeName(a.type) + " with " + TypeName(b.type));
}

} // namespace sql
