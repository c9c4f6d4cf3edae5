#include "engine/storage/value_codec.h"

#include <cctype>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace storage::codec {

namespace {

constexpr int32_t kJulianOf1970 = 2440588;

// Days since 1970-01-01 of a proleptic Gregorian date (the well-known
// era-based algorithm; exact for every year the types can hold).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + int64_t(doe) - 719468;
}

CivilDate CivilFromDays(int64_t z)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t y = int64_t(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {int(y + (m <= 2)), int(m), int(d)};
}

bool AllDigits(std::string_view text)
{
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    return !text.empty();
}

int ToInt(std::string_view digits)
{
    int value = 0;
    for (char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

} // namespace

int32_t JulianFromCivil(CivilDate date)
{
    return int32_t(DaysFromCivil(date.year, unsigned(date.month), unsigned(date.day)) + kJulianOf1970);
}

CivilDate CivilFromJulian(int32_t julian) { return CivilFromDays(int64_t(julian) - kJulianOf1970); }

bool IsValidDate(CivilDate date)
{
    if (date.year < 1 || date.year > 9999 || date.month < 1 || date.month > 12 || date.day < 1)
        return false;
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (date.year % 4 == 0 && date.year % 100 != 0) || date.year % 400 == 0;
    int last = kDays[date.month - 1] + (date.month == 2 && leap ? 1 : 0);
    return date.day <= last;
}

std::optional<int32_t> ParseDateText(std::string_view text)
{
    std::string t = Trim(text);
    CivilDate date;
    if (t.size() == 8 && AllDigits(t)) {
        date = {ToInt(t.substr(0, 4)), ToInt(t.substr(4, 2)), ToInt(t.substr(6, 2))};
    } else if (t.size() == 10 && t[4] == '-' && t[7] == '-' && AllDigits(t.substr(0, 4))
               && AllDigits(t.substr(5, 2)) && AllDigits(t.substr(8, 2))) {
        date = {ToInt(t.substr(0, 4)), ToInt(t.substr(5, 2)), ToInt(t.substr(8, 2))};
    } else {
        return std::nullopt;
    }
    if (!IsValidDate(date))
        return std::nullopt;
    return JulianFromCivil(date);
}

std::string DateText(int32_t julian)
{
    CivilDate date = CivilFromJulian(julian);
    char text[40];
    std::snprintf(text, sizeof text, "%04d%02d%02d", date.year % 10000, date.month, date.day);
    return text;
}

std::optional<int32_t> ParseTimeText(std::string_view text)
{
    std::string t = Trim(text);
    if (t.size() < 5 || t[2] != ':' || !AllDigits(t.substr(0, 2)) || !AllDigits(t.substr(3, 2)))
        return std::nullopt;
    int hours = ToInt(t.substr(0, 2)), minutes = ToInt(t.substr(3, 2)), seconds = 0, millis = 0;
    size_t pos = 5;
    if (pos < t.size()) {
        if (t[pos] != ':' || t.size() < pos + 3 || !AllDigits(t.substr(pos + 1, 2)))
            return std::nullopt;
        seconds = ToInt(t.substr(pos + 1, 2));
        pos += 3;
        if (pos < t.size()) {
            std::string_view fraction = std::string_view(t).substr(pos + 1);
            if (t[pos] != '.' || fraction.size() > 3 || !AllDigits(fraction))
                return std::nullopt;
            millis = ToInt(fraction);
            for (size_t i = fraction.size(); i < 3; ++i)
                millis *= 10;
        }
    }
    if (hours > 23 || minutes > 59 || seconds > 59)
        return std::nullopt;
    return ((hours * 60 + minutes) * 60 + seconds) * 1000 + millis;
}

std::string TimeText(int32_t milliseconds)
{
    char text[40];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", milliseconds / 3600000,
                  milliseconds / 60000 % 60, milliseconds / 1000 % 60, milliseconds % 1000);
    return text;
}

std::optional<double> ParseDouble(std::string_view text)
{
    std::string t = Trim(text);
    for (char& c : t)
        if (c == ',')
            c = '.';
    if (t.empty())
        return std::nullopt;
    const char* begin = t.data();
    if (*begin == '+')
        ++begin;
    double value = 0;
    auto [end, error] = std::from_chars(begin, t.data() + t.size(), value);
    if (error != std::errc() || end != t.data() + t.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int64_t> ParseInteger(std::string_view text)
{
    std::string t = Trim(text);
    const char* begin = t.data();
    if (!t.empty() && *begin == '+')
        ++begin;
    int64_t value = 0;
    auto [end, error] = std::from_chars(begin, t.data() + t.size(), value);
    if (t.empty() || error != std::errc() || end != t.data() + t.size())
        return std::nullopt;
    return value;
}

std::optional<std::string> FixedText(double value, int decimals, size_t width)
{
    if (!std::isfinite(value))
        return std::nullopt;
    double scale = std::pow(10.0, decimals);
    double rounded = std::round(value * scale) / scale;
    char text[400];
    int n = std::snprintf(text, sizeof text, "%.*f", decimals, rounded);
    if (n < 0 || size_t(n) >= sizeof text)
        return std::nullopt;
    std::string result(text, size_t(n));
    if (result == "-0" || (result.size() > 1 && result[0] == '-'
                           && result.find_first_not_of("0.", 1) == std::string::npos))
        result.erase(0, 1);
    if (result.size() > width)
        return std::nullopt;
    return result;
}

std::string ShortestText(double value)
{
    char text[64];
    auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? std::string(text, end) : std::string("0");
}

std::string TrimRight(std::string_view text, bool alsoNul)
{
    size_t end = text.size();
    while (end > 0 && (text[end - 1] == ' ' || (alsoNul && text[end - 1] == '\0')))
        --end;
    return std::string(text.substr(0, end));
}

std::string Trim(std::string_view text)
{
    size_t begin = 0, end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t'))
        ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\0'))
        --end;
    return std::string(text.substr(begin, end - begin));
}

void LocalNow(int32_t& julian, int32_t& milliseconds)
{
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    julian = JulianFromCivil({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday});
    int millis = int(std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    milliseconds = ((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000 + millis;
}

} // namespace storage::codec
