// Dates and times as text inside expressions: the date format mask of the
// connection (DTOC, CTOD, non-strict date literals), clock times (CTOT, TIME)
// and the strict literal forms ({^2024-02-29 13:05:00}).
//
// Reading is lenient the way CTOD is: numbers separated by any non-digits, in
// the order the mask gives; a year of one or two digits goes into the window
// 1950–2049, as the engine's other date conversions do. Text that is blank,
// holds only separators, or names an impossible date reads as the empty date
// (Julian day 0). Every text the engine writes has four-digit years unless the
// mask itself asks for two.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace expr {

class DateMask {
public:
    // Raises ExpressionError (kErrValue) for a mask without DD, MM and a year.
    explicit DateMask(std::string_view mask);

    std::string Format(int32_t julian) const;
    // 0 for blank, separator-only or impossible text.
    int32_t Parse(std::string_view text) const;
    size_t Length() const { return mMask.size(); }

private:
    std::string mMask;   // upper-cased
    size_t mDay = 0, mMonth = 0, mYear = 0, mYearDigits = 4;
};

// Julian day of a real date, nullopt for an impossible one or a year outside 1–9999.
std::optional<int32_t> CheckedJulian(int year, int month, int day);

// "hh:mm[:ss[.fff]]" with an optional AM/PM, blanks around ignored;
// nullopt for anything else (an hour past 23, minutes past 59, …).
std::optional<int32_t> ParseClock(std::string_view text);
// "hh:mm:ss", 24-hour.
std::string ClockText(int32_t ms);

// True when `text` holds only blanks and the separators / - . :
bool IsBlankDateText(std::string_view text);

} // namespace expr
