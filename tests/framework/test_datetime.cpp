// Date-time values: the epoch, day numbers, Julian days, milliseconds and
// their rounding, the calendar, time stamps, and the texts of dates.
#include "framework/datetime.h"
#include "fixtures.h"
#include "valuefixture.h"

#include <gtest/gtest.h>

namespace {

class DateTimeValues : public InvariantFormats {};

TEST_F(DateTimeValues, NativeFormsOfKnownInstants) {
    struct Case {
        const char* what;
        TDateTime value;
        int32_t dayNumber;
        int32_t julian;
        int32_t msecs;
    };
    const Case cases[] = {
        {"30 December 1899", 0.0, 693594, 2415019, 0},
        {"noon of 30 December 1899", 0.5, 693594, 2415019, 43200000},
        {"1 January of year 1", EncodeDate(1, 1, 1), 1, 1721426, 0},
        {"31 December 9999", EncodeDate(9999, 12, 31), 3652059, 5373484, 0},
        {"29 December 1899 06:00", -1.25, 693593, 2415018, 21600000},
        {"1 January 2000 18:00", EncodeDate(2000, 1, 1) + 0.75, 730120, 2451545, 64800000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TTimeStamp stamp = DateTimeToTimeStamp(c.value);
        EXPECT_EQ(stamp.Date, c.dayNumber);
        EXPECT_EQ(stamp.Time, c.msecs);
        EXPECT_EQ(DateTimeToDayNumber(c.value), c.dayNumber);
        EXPECT_EQ(DateTimeToJulianDay(c.value), c.julian);
        EXPECT_EQ(DateTimeToMSecsOfDay(c.value), c.msecs);
        EXPECT_EQ(c.julian - JulianDayNumberDelta, c.dayNumber);
        EXPECT_DOUBLE_EQ(TimeStampToDateTime(stamp), c.value);
        EXPECT_DOUBLE_EQ(TimeStampToMSecs(stamp), double(c.dayNumber) * 86400000.0 + c.msecs);
        EXPECT_EQ(MSecsToTimeStamp(TimeStampToMSecs(stamp)), stamp);
    }
    EXPECT_DOUBLE_EQ(JulianDayToDateTime(2415019), 0.0);
    EXPECT_DOUBLE_EQ(DayNumberToDateTime(1), EncodeDate(1, 1, 1));
}

TEST_F(DateTimeValues, MillisecondsRoundToNearestWithHalvesToEven) {
    // Fractions of a power of two make the millisecond products exact.
    struct Case {
        double fraction;
        int32_t msecs;
    };
    const Case cases[] = {
        {1.0 / 1024, 84375},      // exact
        {1.0 / 2048, 42188},      // 42187.5: up to the even neighbour
        {3.0 / 2048, 126562},     // 126562.5: down to the even neighbour
        {1.0 / 8388608, 10},      // 10.299...
        {5.0 / 8388608, 51},      // 51.49...
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fraction);
        EXPECT_EQ(DateTimeToMSecsOfDay(c.fraction), c.msecs);
        EXPECT_EQ(DateTimeToMSecsOfDay(10.0 + c.fraction), c.msecs);
    }
}

TEST_F(DateTimeValues, TimeThatRoundsToMidnightMovesToTheNextDay) {
    const TDateTime justBefore = 1.0 - 1.0 / 268435456;  // 0.32 ms before midnight of day 0
    const TTimeStamp stamp = DateTimeToTimeStamp(justBefore);
    EXPECT_EQ(stamp.Date, DateDelta + 1);
    EXPECT_EQ(stamp.Time, 0);
    EXPECT_EQ(DateTimeToJulianDay(justBefore), JulianEpochDay + 1);
    int y, m, d;
    DecodeDate(justBefore, y, m, d);
    EXPECT_EQ(QDate(y, m, d), QDate(1899, 12, 31));
}

TEST_F(DateTimeValues, OutOfRangeValuesRaiseRangeErrors) {
    for (double value : {3e9, -3e9, double(INFINITY), std::nan("")}) {
        SCOPED_TRACE(value);
        EXPECT_THROW(DateTimeToTimeStamp(value), ERangeError);
        EXPECT_THROW(DateTimeToJulianDay(value), ERangeError);
    }
    // The Julian day overflows before the day number does.
    EXPECT_THROW(DateTimeToJulianDay(2147483647.0 - DateDelta - 10), ERangeError);
    EXPECT_THROW(MSecsToTimeStamp(1e30), ERangeError);
    EXPECT_THROW(TimeStampToDateTime(TTimeStamp{MSecsPerDay, 1}), EConvertError);
    EXPECT_THROW(TimeStampToDateTime(TTimeStamp{-1, 1}), EConvertError);
}

TEST_F(DateTimeValues, CalendarEncodingChecksEveryPart) {
    struct Case {
        int y, m, d;
        bool valid;
    };
    const Case cases[] = {
        {2024, 2, 29, true}, {2023, 2, 29, false}, {1900, 2, 29, false}, {2000, 2, 29, true},
        {1, 1, 1, true},     {0, 12, 31, false},   {10000, 1, 1, false}, {2024, 13, 1, false},
        {2024, 0, 1, false}, {2024, 4, 31, false}, {2024, 4, 30, true},  {1582, 10, 10, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1-%2-%3").arg(c.y).arg(c.m).arg(c.d).toStdString());
        TDateTime value = 123;
        EXPECT_EQ(TryEncodeDate(c.y, c.m, c.d, value), c.valid);
        if (c.valid) {
            int y, m, d;
            DecodeDate(value, y, m, d);
            EXPECT_EQ(y, c.y);
            EXPECT_EQ(m, c.m);
            EXPECT_EQ(d, c.d);
        } else {
            EXPECT_THROW(EncodeDate(c.y, c.m, c.d), EConvertError);
        }
    }
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
    int h, n, s, z;
    DecodeTime(EncodeTime(23, 59, 59, 999), h, n, s, z);
    EXPECT_EQ(QTime(h, n, s, z), QTime(23, 59, 59, 999));
    EXPECT_EQ(DayOfWeek(0), 7);                        // a Saturday
    EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 10)), 5); // a Thursday
    EXPECT_DOUBLE_EQ(EncodeDateMSecs(1899, 12, 30, 43200000), 0.5);
    EXPECT_DOUBLE_EQ(EncodeDateMSecs(1899, 12, 29, 21600000), -1.25);
    EXPECT_THROW(EncodeDateMSecs(1899, 12, 30, MSecsPerDay), EConvertError);
}

TEST_F(DateTimeValues, QtDateTimesBridgeBothWays) {
    const QDateTime when(QDate(2026, 12, 10), QTime(13, 45, 30, 250));
    const TDateTime value = QDateTimeToDateTime(when);
    EXPECT_EQ(DateTimeToQDateTime(value), when);
    EXPECT_EQ(DateTimeToMSecsOfDay(value), ((13 * 60 + 45) * 60 + 30) * 1000 + 250);
    const QDateTime early(QDate(1850, 6, 1), QTime(6, 0));
    EXPECT_EQ(DateTimeToQDateTime(QDateTimeToDateTime(early)), early);
    EXPECT_LT(Time(), 1.0);
    EXPECT_DOUBLE_EQ(Date(), std::trunc(Now()));
}

TEST_F(DateTimeValues, FormattingPatterns) {
    TFormatSettings& s = FormatSettings();
    s.DateSeparator = QLatin1Char('/');
    s.TimeSeparator = QLatin1Char(':');
    s.ShortDateFormat = QStringLiteral("dd/mm/yyyy");
    s.LongTimeFormat = QStringLiteral("hh:nn:ss");
    const TDateTime v = EncodeDate(2026, 3, 7) + EncodeTime(14, 5, 9, 42);
    const std::pair<const char*, const char*> cases[] = {
        {"dd/mm/yyyy hh:nn:ss.zzz", "07/03/2026 14:05:09.042"},
        {"d/m/yy h:n:s", "7/3/26 14:5:9"},
        {"ddd dddd mmm mmmm", "Sat Saturday Mar March"},
        {"hh:mm", "14:05"},  // m right after h is minutes
        {"h:nn am/pm", "2:05 pm"},
        {"h AMPM", "2 PM"},
        {"'day' d", "day 7"},
        {"c", "07/03/2026 14:05:09"},
        {"ddddd t", "07/03/2026 14:05"},
    };
    for (const auto& [pattern, expected] : cases) {
        SCOPED_TRACE(pattern);
        EXPECT_EQ(FormatDateTime(QString::fromLatin1(pattern), v), QString::fromLatin1(expected));
    }
    EXPECT_EQ(DateTimeToStr(EncodeDate(2026, 3, 7)), QStringLiteral("07/03/2026"));  // no time at midnight
    s.DateSeparator = QLatin1Char('.');
    EXPECT_EQ(DateToStr(v), QStringLiteral("07.03.2026"));
    EXPECT_EQ(TimeToStr(v), QStringLiteral("14:05:09"));
}

TEST_F(DateTimeValues, ParsingFollowsTheSettingsOrderAndSeparators) {
    TFormatSettings& s = FormatSettings();
    s.TwoDigitYearCenturyWindow = 0;
    struct Case {
        const char* format;
        QChar separator;
        const char* text;
        QDate expected;  // null = invalid
    };
    const Case cases[] = {
        {"dd/mm/yyyy", QLatin1Char('/'), "10/12/2026", QDate(2026, 12, 10)},
        {"mm/dd/yyyy", QLatin1Char('/'), "12/10/2026", QDate(2026, 12, 10)},
        {"yyyy-mm-dd", QLatin1Char('-'), "2026-12-10", QDate(2026, 12, 10)},
        {"dd.mm.yyyy", QLatin1Char('.'), " 1.2.26 ", QDate(2026, 2, 1)},
        {"dd/mm/yyyy", QLatin1Char('/'), "31/02/2026", QDate()},
        {"dd/mm/yyyy", QLatin1Char('/'), "10-12-2026", QDate()},
        {"dd/mm/yyyy", QLatin1Char('/'), "abc", QDate()},
        {"dd/mm/yyyy", QLatin1Char('/'), "", QDate()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        s.ShortDateFormat = QString::fromLatin1(c.format);
        s.DateSeparator = c.separator;
        if (c.expected.isNull()) {
            EXPECT_THROW(StrToDate(QString::fromLatin1(c.text)), EConvertError);
        } else {
            EXPECT_DOUBLE_EQ(StrToDate(QString::fromLatin1(c.text)),
                             EncodeDate(c.expected.year(), c.expected.month(), c.expected.day()));
        }
    }
    s.ShortDateFormat = QStringLiteral("dd/mm/yyyy");
    s.DateSeparator = QLatin1Char('/');
    EXPECT_DOUBLE_EQ(StrToDate(QStringLiteral("5/6")), EncodeDate(QDate::currentDate().year(), 6, 5));
    EXPECT_DOUBLE_EQ(StrToTime(QStringLiteral("13:45")), EncodeTime(13, 45, 0, 0));
    EXPECT_DOUBLE_EQ(StrToTime(QStringLiteral("1:05:07.5 PM")), EncodeTime(13, 5, 7, 500));
    EXPECT_DOUBLE_EQ(StrToTime(QStringLiteral("12:00 AM")), 0.0);
    EXPECT_THROW(StrToTime(QStringLiteral("25:00")), EConvertError);
    EXPECT_THROW(StrToTime(QStringLiteral("13:00 PM")), EConvertError);
    EXPECT_DOUBLE_EQ(StrToDateTime(QStringLiteral("10/12/2026 13:45:30")),
                     EncodeDate(2026, 12, 10) + EncodeTime(13, 45, 30, 0));
    EXPECT_DOUBLE_EQ(StrToDateTime(QStringLiteral("10/12/2026")), EncodeDate(2026, 12, 10));
    EXPECT_THROW(StrToDateTime(QStringLiteral("10/12/2026 noon")), EConvertError);
    // A date-time text round-trips through its own format.
    const TDateTime v = EncodeDate(1999, 1, 2) + EncodeTime(3, 4, 5, 0);
    EXPECT_DOUBLE_EQ(StrToDateTime(DateTimeToStr(v)), v);
}

}  // namespace
