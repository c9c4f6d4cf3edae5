// Date-time values.
//
// TDateTime counts days since 30 December 1899 (value 0); the fraction is the
// time of day (0.5 = noon). For values before the epoch the fraction is
// still the time of day, counted forwards from midnight: -1.25 is
// 29 December 1899 06:00.
//
// The native forms that field buffers and the engine use:
//   day number      days since 1 January of year 1 (day 1) = trunc(value) + 693594
//   milliseconds    since midnight, rounded to nearest (halves to even)
//   Julian day      day number + 1721425 = trunc(value) + 2415019
//   TTimeStamp      { milliseconds, day number }
//   native datetime double: day number * 86400000 + milliseconds
// Conversions that cannot fit 32 bits raise ERangeError; invalid calendar
// parts raise EConvertError.
#pragma once

#include "framework/formatsettings.h"
#include "framework/mathutil.h"

#include <QDate>
#include <QDateTime>
#include <cstdint>

using TDateTime = double;

constexpr int32_t DateDelta = 693594;             // day number of 30 December 1899
constexpr int32_t JulianEpochDay = 2415019;       // Julian day of 30 December 1899
constexpr int32_t JulianDayNumberDelta = 1721425; // Julian day - day number
constexpr int32_t MSecsPerDay = 86400000;
constexpr int32_t SecsPerDay = 86400;

struct TTimeStamp {
    int32_t Time = 0;  // milliseconds since midnight, 0 .. 86399999
    int32_t Date = 0;  // day number, day 1 = 1 January of year 1
    bool operator==(const TTimeStamp&) const = default;
};

// value <-> time stamp. A time of day that rounds up to 86400000 ms moves to
// the next day. ERangeError when the day number does not fit 32 bits.
TTimeStamp DateTimeToTimeStamp(TDateTime value);
TDateTime TimeStampToDateTime(const TTimeStamp& stamp);  // EConvertError for Time outside a day
// time stamp <-> native datetime double (day number * 86400000 + ms).
double TimeStampToMSecs(const TTimeStamp& stamp);
TTimeStamp MSecsToTimeStamp(double msecs);               // ERangeError when not representable

// The pieces the engine binders use, both taken from DateTimeToTimeStamp so
// that they always agree: the Julian day (trunc(value) + 2415019) and the
// time of day in milliseconds (the fraction's magnitude * 86400000, rounded
// halves to even). A time within half a millisecond of midnight gives the
// next day and 0 ms rather than 86400000 ms; ERangeError beyond 32 bits.
int32_t DateTimeToJulianDay(TDateTime value);
int32_t DateTimeToMSecsOfDay(TDateTime value);
TDateTime JulianDayToDateTime(int32_t julianDay);
// Day number (day 1 = 1 January of year 1) <-> value, dates only.
int32_t DateTimeToDayNumber(TDateTime value);
TDateTime DayNumberToDateTime(int32_t dayNumber);

// Calendar: proleptic Gregorian, years 1 .. 9999.
bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
bool TryEncodeDate(int year, int month, int day, TDateTime& value);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& value);
TDateTime EncodeDate(int year, int month, int day);                   // EConvertError
TDateTime EncodeTime(int hour, int minute, int second, int msec);     // EConvertError
// A value from a calendar date plus milliseconds since midnight.
TDateTime EncodeDateMSecs(int year, int month, int day, int64_t msecsOfDay);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec);
int DayOfWeek(TDateTime value);  // 1 = Sunday .. 7 = Saturday

// Qt bridges (local wall-clock time, no time zone arithmetic).
TDateTime QDateTimeToDateTime(const QDateTime& value);
QDateTime DateTimeToQDateTime(TDateTime value);
TDateTime Now();
TDateTime Date();  // today, time 0
TDateTime Time();  // now, date part 0

// Patterns as described at TFormatSettings; "c" = short date then long time
// (the time left out when it is midnight), "ddddd" short date, "dddddd"
// long date, "t" short time, "tt" long time.
QString FormatDateTime(const QString& format, TDateTime value);
QString FormatDateTime(const QString& format, TDateTime value, const TFormatSettings& settings);
QString DateToStr(TDateTime value);        // ShortDateFormat
QString TimeToStr(TDateTime value);        // LongTimeFormat
QString DateTimeToStr(TDateTime value);    // "c"
QString DateToStr(TDateTime value, const TFormatSettings& settings);
QString TimeToStr(TDateTime value, const TFormatSettings& settings);
QString DateTimeToStr(TDateTime value, const TFormatSettings& settings);

// Parsing: dates in the order of ShortDateFormat with DateSeparator (a
// missing year is this year; two-digit years use the century window), times
// as h[:n[:s[.z]]] with an optional AM/PM suffix. EConvertError
// "'x' is not a valid date" (time, date and time) otherwise.
TDateTime StrToDate(const QString& text);
TDateTime StrToTime(const QString& text);
TDateTime StrToDateTime(const QString& text);
bool TryStrToDate(const QString& text, TDateTime& value, const TFormatSettings& settings);
bool TryStrToTime(const QString& text, TDateTime& value, const TFormatSettings& settings);
bool TryStrToDateTime(const QString& text, TDateTime& value, const TFormatSettings& settings);
