#include "engine/core/dates.h"

#include "engine/core/errors.h"
#include "engine/engine.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <mutex>

namespace engine {

namespace {

// Julian day of 1 January 1970, the epoch of std::chrono::sys_days.
constexpr int32_t kUnixEpochJulian = 2440588;

struct MaskParts {
    size_t day = std::string::npos;
    size_t month = std::string::npos;
    size_t year = std::string::npos;
    size_t yearDigits = 0;
};

// Finds DD, MM and the year in an upper-cased mask; false when a part is
// missing or repeated, or when a letter is not part of one of them.
bool SplitMask(std::string_view mask, MaskParts& parts)
{
    if (mask.empty() || mask.size() > ADS_MAX_DATEMASK)
        return false;
    for (size_t i = 0; i < mask.size();) {
        std::string_view rest = mask.substr(i);
        auto take = [&](size_t& slot, size_t width) {
            if (slot != std::string::npos)
                return false;
            slot = i;
            i += width;
            return true;
        };
        bool ok = true;
        if (rest.starts_with("CCYY") || rest.starts_with("YYYY")) {
            ok = take(parts.year, 4);
            parts.yearDigits = 4;
        } else if (rest.starts_with("YY")) {
            ok = take(parts.year, 2);
            parts.yearDigits = 2;
        } else if (rest.starts_with("DD")) {
            ok = take(parts.day, 2);
        } else if (rest.starts_with("MM")) {
            ok = take(parts.month, 2);
        } else if (std::isalnum(static_cast<unsigned char>(rest[0]))) {
            return false;
        } else {
            ++i;
        }
        if (!ok)
            return false;
    }
    return parts.day != std::string::npos && parts.month != std::string::npos
        && parts.year != std::string::npos;
}

std::string UpperAscii(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

bool IsBlank(std::string_view text)
{
    for (char c : text)
        if (c != ' ' && c != '\0')
            return false;
    return true;
}

bool ReadDigits(std::string_view text, size_t at, size_t width, int& value)
{
    if (at + width > text.size())
        return false;
    value = 0;
    for (size_t i = at; i < at + width; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

[[noreturn]] void ThrowBadDate(std::string_view text, std::string_view expected)
{
    throw EngineError(AE_INVALID_DATE, "The text '" + std::string(text) + "' is not a date in the form "
                                           + std::string(expected) + ".");
}

std::mutex gProcessFormatMutex;
DateFormat gProcessFormat{ADS_DEFAULT_DATE_FORMAT};

} // namespace

int32_t JulianFromCivil(const CivilDate& date)
{
    using namespace std::chrono;
    sys_days days{year_month_day{year{date.year}, month{date.month}, day{date.day}}};
    return static_cast<int32_t>(days.time_since_epoch().count() + kUnixEpochJulian);
}

CivilDate CivilFromJulian(int32_t julian)
{
    using namespace std::chrono;
    year_month_day ymd{sys_days{days{julian - kUnixEpochJulian}}};
    return {int(ymd.year()), unsigned(ymd.month()), unsigned(ymd.day())};
}

bool IsValidCivil(const CivilDate& date)
{
    using namespace std::chrono;
    return date.year >= 1 && date.year <= 9999
        && year_month_day{year{date.year}, month{date.month}, day{date.day}}.ok();
}

int32_t JulianFromCompactText(std::string_view text)
{
    if (IsBlank(text))
        return 0;
    CivilDate date;
    int month = 0, day = 0;
    if (text.size() != 8 || !ReadDigits(text, 0, 4, date.year) || !ReadDigits(text, 4, 2, month)
        || !ReadDigits(text, 6, 2, day))
        ThrowBadDate(text, "YYYYMMDD");
    date.month = unsigned(month);
    date.day = unsigned(day);
    if (!IsValidCivil(date))
        ThrowBadDate(text, "YYYYMMDD");
    return JulianFromCivil(date);
}

std::string CompactTextFromJulian(int32_t julian)
{
    if (julian == 0)
        return std::string(8, ' ');
    CivilDate date = CivilFromJulian(julian);
    if (!IsValidCivil(date))
        throw EngineError(AE_INVALID_DATE, "The Julian day " + std::to_string(julian)
                                               + " is outside the years 1 to 9999.");
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02u%02u", date.year, date.month, date.day);
    return text;
}

DateFormat::DateFormat(std::string_view mask) : mMask(UpperAscii(mask))
{
    MaskParts parts;
    if (!SplitMask(mMask, parts))
        throw EngineError(AE_INVALID_DATE_FORMAT,
                          "'" + std::string(mask) + "' is not a date format: it needs DD, MM and YY or CCYY "
                          "once each, at most 11 characters.");
}

bool DateFormat::IsValid(std::string_view mask)
{
    MaskParts parts;
    return SplitMask(UpperAscii(mask), parts);
}

std::string DateFormat::Format(int32_t julian) const
{
    MaskParts parts;
    SplitMask(mMask, parts);
    std::string text = mMask;
    if (julian == 0)
        return std::string(text.size(), ' ');
    CivilDate date = CivilFromJulian(julian);
    char digits[8];
    std::snprintf(digits, sizeof digits, "%02u", date.day);
    text.replace(parts.day, 2, digits);
    std::snprintf(digits, sizeof digits, "%02u", date.month);
    text.replace(parts.month, 2, digits);
    std::snprintf(digits, sizeof digits, "%04d", date.year);
    text.replace(parts.year, parts.yearDigits, digits + (4 - parts.yearDigits));
    return text;
}

int32_t DateFormat::Parse(std::string_view text) const
{
    if (IsBlank(text))
        return 0;
    MaskParts parts;
    SplitMask(mMask, parts);
    CivilDate date;
    int month = 0, day = 0;
    if (text.size() < mMask.size() || !ReadDigits(text, parts.day, 2, day)
        || !ReadDigits(text, parts.month, 2, month) || !ReadDigits(text, parts.year, parts.yearDigits, date.year))
        ThrowBadDate(text, mMask);
    if (parts.yearDigits == 2)
        date.year += date.year < 50 ? 2000 : 1900; // the usual two-digit century window
    date.month = unsigned(month);
    date.day = unsigned(day);
    if (!IsValidCivil(date))
        ThrowBadDate(text, mMask);
    return JulianFromCivil(date);
}

DateFormat ProcessDateFormat()
{
    std::lock_guard<std::mutex> lock(gProcessFormatMutex);
    return gProcessFormat;
}

void SetProcessDateFormat(const DateFormat& format)
{
    std::lock_guard<std::mutex> lock(gProcessFormatMutex);
    gProcessFormat = format;
}

} // namespace engine
