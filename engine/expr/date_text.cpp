#include "engine/expr/date_text.h"

#include "engine/expr/expr_error.h"
#include "engine/storage/value_codec.h"

#include <cctype>
#include <cstdio>
#include <vector>

namespace expr {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The digit groups of `text`, at most `limit` of them.
std::vector<std::string_view> DigitGroups(std::string_view text, size_t limit)
{
    std::vector<std::string_view> groups;
    for (size_t i = 0; i < text.size() && groups.size() < limit;) {
        if (!IsDigit(text[i])) {
            ++i;
            continue;
        }
        size_t start = i;
        while (i < text.size() && IsDigit(text[i]))
            ++i;
        groups.push_back(text.substr(start, i - start));
    }
    return groups;
}

int GroupValue(std::string_view digits)
{
    int value = 0;
    for (char c : digits.substr(0, 6))
        value = value * 10 + (c - '0');
    return digits.size() > 6 ? 1000000 : value;
}

void Put(std::string& text, size_t at, size_t width, int value)
{
    char digits[16];
    std::snprintf(digits, sizeof digits, "%0*d", int(width), value);
    std::string_view all(digits);
    text.replace(at, width, all.substr(all.size() - width));
}

} // namespace

DateMask::DateMask(std::string_view mask)
{
    for (char c : mask)
        mMask += char(std::toupper(static_cast<unsigned char>(c)));
    bool day = false, month = false, year = false;
    for (size_t i = 0; i < mMask.size();) {
        std::string_view rest = std::string_view(mMask).substr(i);
        if (!year && (rest.starts_with("CCYY") || rest.starts_with("YYYY"))) {
            mYear = i, mYearDigits = 4, year = true, i += 4;
        } else if (!year && rest.starts_with("YY")) {
            mYear = i, mYearDigits = 2, year = true, i += 2;
        } else if (!day && rest.starts_with("DD")) {
            mDay = i, day = true, i += 2;
        } else if (!month && rest.starts_with("MM")) {
            mMonth = i, month = true, i += 2;
        } else if (std::isalnum(static_cast<unsigned char>(rest[0]))) {
            break;
        } else {
            ++i;
        }
    }
    if (!day || !month || !year)
        throw storage::StorageError(kErrValue, "'" + std::string(mask) + "' is not a date format: "
                                                   "it needs DD, MM and YY or CCYY once each.");
}

std::string DateMask::Format(int32_t julian) const
{
    std::string text = mMask;
    if (julian == 0) {
        for (size_t i : {mDay, mMonth})
            text.replace(i, 2, "  ");
        text.replace(mYear, mYearDigits, std::string(mYearDigits, ' '));
        return text;
    }
    storage::codec::CivilDate date = storage::codec::CivilFromJulian(julian);
    Put(text, mDay, 2, date.day);
    Put(text, mMonth, 2, date.month);
    Put(text, mYear, mYearDigits, date.year);
    return text;
}

int32_t DateMask::Parse(std::string_view text) const
{
    std::vector<std::string_view> groups = DigitGroups(text, 3);
    if (groups.size() < 3)
        return 0;
    // The groups come in the order the parts stand in the mask.
    size_t dayRank = (mDay > mMonth) + (mDay > mYear);
    size_t monthRank = (mMonth > mDay) + (mMonth > mYear);
    size_t yearRank = (mYear > mDay) + (mYear > mMonth);
    int year = GroupValue(groups[yearRank]);
    if (groups[yearRank].size() <= 2)
        year += year < 50 ? 2000 : 1900;
    return CheckedJulian(year, GroupValue(groups[monthRank]), GroupValue(groups[dayRank])).value_or(0);
}

std::optional<int32_t> CheckedJulian(int year, int month, int day)
{
    storage::codec::CivilDate date{year, month, day};
    if (year < 1 || year > 9999 || !storage::codec::IsValidDate(date))
        return std::nullopt;
    return storage::codec::JulianFromCivil(date);
}

std::optional<int32_t> ParseClock(std::string_view text)
{
    size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos)
        return std::nullopt;
    text = text.substr(begin, text.find_last_not_of(" \t") + 1 - begin);
    int meridiem = 0; // 1 AM, 2 PM
    if (text.size() >= 2) {
        char a = char(std::toupper(static_cast<unsigned char>(text[text.size() - 2])));
        char m = char(std::toupper(static_cast<unsigned char>(text.back())));
        if (m == 'M' && (a == 'A' || a == 'P')) {
            meridiem = a == 'A' ? 1 : 2;
            text = text.substr(0, text.size() - 2);
            while (!text.empty() && text.back() == ' ')
                text.remove_suffix(1);
        }
    }
    int parts[3] = {0, 0, 0};
    int count = 0, fraction = 0, fractionDigits = 0;
    size_t i = 0;
    while (count < 3) {
        size_t start = i;
        while (i < text.size() && IsDigit(text[i]) && i - start < 2)
            parts[count] = parts[count] * 10 + (text[i++] - '0');
        if (i == start)
            return std::nullopt;
        ++count;
        if (i < text.size() && text[i] == ':' && count < 3) {
            ++i;
            continue;
        }
        break;
    }
    if (count < 2)
        return std::nullopt;
    if (count == 3 && i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && IsDigit(text[i]); ++i)
            if (fractionDigits < 3)
                fraction = fraction * 10 + (text[i] - '0'), ++fractionDigits;
        while (fractionDigits > 0 && fractionDigits < 3)
            fraction *= 10, ++fractionDigits;
    }
    if (i != text.size())
        return std::nullopt;
    int hour = parts[0];
    if (meridiem != 0) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + (meridiem == 2 ? 12 : 0);
    }
    if (hour > 23 || parts[1] > 59 || parts[2] > 59)
        return std::nullopt;
    return ((hour * 60 + parts[1]) * 60 + parts[2]) * 1000 + fraction;
}

std::string ClockText(int32_t ms)
{
    int seconds = ms / 1000;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600 % 100, seconds / 60 % 60, seconds % 60);
    return text;
}

bool IsBlankDateText(std::string_view text)
{
    return text.find_first_not_of(" /-.:") == std::string_view::npos;
}

} // namespace expr
