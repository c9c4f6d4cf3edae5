// Date-time values: native forms, calendar, Qt bridges.
#include "framework/datetime.h"

#include <QTime>
#include <cmath>

namespace {

constexpr double kMaxDays = 2147483647.0 - DateDelta;  // keeps day numbers within 32 bits

[[noreturn]] void DateRangeError(double value) {
    throw ERangeError(QStringLiteral("Range check error: the date-time value %1 is out of range").arg(value));
}

}  // namespace

TTimeStamp DateTimeToTimeStamp(TDateTime value) {
    if (!std::isfinite(value) || value >= kMaxDays || value <= -kMaxDays) DateRangeError(value);
    const double whole = std::trunc(value);
    int64_t days = int64_t(whole) + DateDelta;
    int64_t msecs = Round(std::fabs(value - whole) * MSecsPerDay);
    if (msecs >= MSecsPerDay) {  // rounds up to the next midnight
        msecs -= MSecsPerDay;
        ++days;
    }
    TTimeStamp stamp;
    stamp.Date = CheckedInt32(days, "day number");
    stamp.Time = int32_t(msecs);
    return stamp;
}

TDateTime TimeStampToDateTime(const TTimeStamp& stamp) {
    if (stamp.Time < 0 || stamp.Time >= MSecsPerDay) {
        throw EConvertError(QStringLiteral("Invalid time stamp: %1 milliseconds is not a time of day").arg(stamp.Time));
    }
    const double days = double(int64_t(stamp.Date) - DateDelta);
    const double fraction = double(stamp.Time) / MSecsPerDay;
    return days >= 0 ? days + fraction : days - fraction;
}

double TimeStampToMSecs(const TTimeStamp& stamp) { return double(stamp.Date) * MSecsPerDay + stamp.Time; }

TTimeStamp MSecsToTimeStamp(double msecs) {
    if (!std::isfinite(msecs)) DateRangeError(msecs);
    const double days = std::floor(msecs / MSecsPerDay);
    if (days > INT32_MAX || days < INT32_MIN) DateRangeError(msecs);
    TTimeStamp stamp;
    int64_t day = int64_t(days);
    int64_t time = Round(msecs - days * MSecsPerDay);
    if (time >= MSecsPerDay) { time -= MSecsPerDay; ++day; }
    if (time < 0) { time += MSecsPerDay; --day; }
    stamp.Date = CheckedInt32(day, "day number");
    stamp.Time = int32_t(time);
    return stamp;
}

int32_t DateTimeToJulianDay(TDateTime value) {
    return CheckedInt32(int64_t(DateTimeToTimeStamp(value).Date) + JulianDayNumberDelta, "Julian day");
}

int32_t DateTimeToMSecsOfDay(TDateTime value) { return DateTimeToTimeStamp(value).Time; }

TDateTime JulianDayToDateTime(int32_t julianDay) { return double(int64_t(julianDay) - JulianEpochDay); }

int32_t DateTimeToDayNumber(TDateTime value) { return DateTimeToTimeStamp(value).Date; }

TDateTime DayNumberToDateTime(int32_t dayNumber) { return double(int64_t(dayNumber) - DateDelta); }

// --- calendar ---------------------------------------------------------------

bool IsLeapYear(int year) { return QDate::isLeapYear(year); }

int DaysInMonth(int year, int month) {
    if (year < 1 || month < 1 || month > 12) return 0;
    return QDate(year, month, 1).daysInMonth();
}

bool TryEncodeDate(int year, int month, int day, TDateTime& value) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
    value = double(QDate(year, month, day).toJulianDay() - JulianEpochDay);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& value) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 || msec > 999) {
        return false;
    }
    value = double(((hour * 60 + minute) * 60 + second) * 1000 + msec) / MSecsPerDay;
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime value = 0;
    if (!TryEncodeDate(year, month, day, value)) {
        throw EConvertError(QStringLiteral("Invalid argument to date encode: %1-%2-%3").arg(year).arg(month).arg(day));
    }
    return value;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
    TDateTime value = 0;
    if (!TryEncodeTime(hour, minute, second, msec, value)) {
        throw EConvertError(
            QStringLiteral("Invalid argument to time encode: %1:%2:%3.%4").arg(hour).arg(minute).arg(second).arg(msec));
    }
    return value;
}

TDateTime EncodeDateMSecs(int year, int month, int day, int64_t msecsOfDay) {
    const TDateTime date = EncodeDate(year, month, day);
    if (msecsOfDay < 0 || msecsOfDay >= MSecsPerDay) {
        throw EConvertError(QStringLiteral("Invalid argument to time encode: %1 milliseconds").arg(msecsOfDay));
    }
    TTimeStamp stamp{int32_t(msecsOfDay), DateTimeToDayNumber(date)};
    return TimeStampToDateTime(stamp);
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
    const TTimeStamp stamp = DateTimeToTimeStamp(value);
    if (stamp.Date <= 0) {  // before 1 January of year 1
        year = month = day = 0;
        return;
    }
    QDate::fromJulianDay(qint64(stamp.Date) + JulianDayNumberDelta).getDate(&year, &month, &day);
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec) {
    int32_t ms = DateTimeToTimeStamp(value).Time;
    msec = ms % 1000;
    ms /= 1000;
    second = ms % 60;
    ms /= 60;
    minute = ms % 60;
    hour = ms / 60;
}

int DayOfWeek(TDateTime value) {
    // Day number 1 (1 January of year 1) was a Monday.
    const int32_t day = DateTimeToTimeStamp(value).Date;
    return int(((int64_t(day) % 7) + 7) % 7) + 1;
}

// --- Qt bridges -------------------------------------------------------------

TDateTime QDateTimeToDateTime(const QDateTime& value) {
    const QDate date = value.date();
    const QTime time = value.time();
    return EncodeDateMSecs(date.year(), date.month(), date.day(), time.msecsSinceStartOfDay());
}

QDateTime DateTimeToQDateTime(TDateTime value) {
    const TTimeStamp stamp = DateTimeToTimeStamp(value);
    return QDateTime(QDate::fromJulianDay(qint64(stamp.Date) + JulianDayNumberDelta),
                     QTime::fromMSecsSinceStartOfDay(stamp.Time));
}

TDateTime Now() { return QDateTimeToDateTime(QDateTime::currentDateTime()); }
TDateTime Date() { return std::trunc(Now()); }
TDateTime Time() { return Frac(Now()); }
