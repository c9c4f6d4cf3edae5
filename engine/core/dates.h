// Julian day numbers, the "YYYYMMDD" text form and the date format masks of
// connections and of the process.
//
// Julian day = day number + 1721425, where day 1 is 1 January of year 1 in
// the proleptic Gregorian calendar; 0 stands for "no date". A date format
// mask holds a day (DD), a month (MM) and a year (CCYY, YYYY or YY) once each,
// separated by any other characters, at most 11 characters long.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace engine {

struct CivilDate {
    int year = 0;
    unsigned month = 0;
    unsigned day = 0;
};

int32_t JulianFromCivil(const CivilDate& date);
CivilDate CivilFromJulian(int32_t julian);
bool IsValidCivil(const CivilDate& date);

// "YYYYMMDD" -> Julian day; blank or empty text is 0. Raises for anything
// else, naming the text.
int32_t JulianFromCompactText(std::string_view text);
// Julian day -> "YYYYMMDD"; 0 gives eight blanks.
std::string CompactTextFromJulian(int32_t julian);

class DateFormat {
public:
    // Raises AE_INVALID_DATE_FORMAT naming the mask when it is not one.
    explicit DateFormat(std::string_view mask);
    const std::string& Mask() const { return mMask; }
    std::string Format(int32_t julian) const;
    // Reads a date written in this format; blank text is 0.
    int32_t Parse(std::string_view text) const;

    static bool IsValid(std::string_view mask);

private:
    std::string mMask; // upper-cased
};

// The process-wide format (AdsSetDateFormat / AdsGetDateFormat).
DateFormat ProcessDateFormat();
void SetProcessDateFormat(const DateFormat& format);

} // namespace engine
