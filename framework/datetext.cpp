// Date-time values as text: FormatDateTime patterns and parsing under the
// format settings.
#include "framework/datetime.h"

#include <cstring>


namespace {

struct DateParts {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    int dayOfWeek = 1;  // 1 = Sunday
};

DateParts Split(TDateTime value) {
    DateParts p;
    DecodeDate(value, p.year, p.month, p.day);
    DecodeTime(value, p.hour, p.minute, p.second, p.msec);
    p.dayOfWeek = DayOfWeek(value);
    return p;
}

QString Pad(int value, int width) { return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0')); }

// Length of the run of `letter` (case ignored) at `i`.
int RunLength(const QString& f, int i) {
    const QChar c = f[i].toLower();
    int n = 0;
    while (i + n < f.size() && f[i + n].toLower() == c) ++n;
    return n;
}

bool StartsWithCI(const QString& f, int i, const char* token) {
    return f.mid(i, qsizetype(std::strlen(token))).compare(QLatin1String(token), Qt::CaseInsensitive) == 0;
}

class Formatter {
public:
    Formatter(TDateTime value, const TFormatSettings& s) : mValue(value), mS(s), mP(Split(value)) {
        mHasAmPm = false;
    }

    QString Run(const QString& format, int depth = 0) {
        if (depth == 0) mHasAmPm = HasAmPm(format);
        QString out;
        bool lastWasHour = false;
        for (int i = 0; i < format.size();) {
            const QChar c = format[i];
            const QChar lc = c.toLower();
            if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
                int end = int(format.indexOf(c, i + 1));
                if (end < 0) end = int(format.size());
                out += format.mid(i + 1, end - i - 1);
                i = end + 1;
                continue;
            }
            if (c == QLatin1Char('/')) { out += mS.DateSeparator; ++i; continue; }
            if (c == QLatin1Char(':')) { out += mS.TimeSeparator; ++i; continue; }
            if (lc == QLatin1Char('a') && (StartsWithCI(format, i, "am/pm") || StartsWithCI(format, i, "a/p") ||
                                           StartsWithCI(format, i, "ampm"))) {
                i += AmPm(format, i, out);
                continue;
            }
            int n = RunLength(format, i);
            if (lc == QLatin1Char('c') && depth < 2) {
                out += Run(mS.ShortDateFormat, depth + 1);
                if (mP.hour || mP.minute || mP.second || mP.msec) out += QLatin1Char(' ') + Run(mS.LongTimeFormat, depth + 1);
                i += 1;
            } else if (lc == QLatin1Char('d')) {
                if (n == 1) out += QString::number(mP.day);
                else if (n == 2) out += Pad(mP.day, 2);
                else if (n == 3) out += mS.ShortDayNames.value(mP.dayOfWeek - 1);
                else if (n == 4) out += mS.LongDayNames.value(mP.dayOfWeek - 1);
                else if (n == 5 && depth < 2) out += Run(mS.ShortDateFormat, depth + 1);
                else if (depth < 2) out += Run(mS.LongDateFormat, depth + 1);
                i += std::min(n, 6);
                lastWasHour = false;
                continue;
            } else if (lc == QLatin1Char('m')) {
                n = std::min(n, 4);
                if (lastWasHour && n <= 2) out += n == 1 ? QString::number(mP.minute) : Pad(mP.minute, 2);
                else if (n == 1) out += QString::number(mP.month);
                else if (n == 2) out += Pad(mP.month, 2);
                else if (n == 3) out += mS.ShortMonthNames.value(mP.month - 1);
                else out += mS.LongMonthNames.value(mP.month - 1);
                i += n;
                lastWasHour = false;
                continue;
            } else if (lc == QLatin1Char('y')) {
                out += n <= 2 ? Pad(mP.year % 100, 2) : Pad(mP.year, 4);
                i += n;
            } else if (lc == QLatin1Char('h')) {
                int hour = mP.hour;
                if (mHasAmPm) hour = hour % 12 == 0 ? 12 : hour % 12;
                out += n == 1 ? QString::number(hour) : Pad(hour, 2);
                i += std::min(n, 2);
                lastWasHour = true;
                continue;
            } else if (lc == QLatin1Char('n')) {
                out += n == 1 ? QString::number(mP.minute) : Pad(mP.minute, 2);
                i += std::min(n, 2);
            } else if (lc == QLatin1Char('s')) {
                out += n == 1 ? QString::number(mP.second) : Pad(mP.second, 2);
                i += std::min(n, 2);
            } else if (lc == QLatin1Char('z')) {
                out += n < 3 ? QString::number(mP.msec) : Pad(mP.msec, 3);
                i += std::min(n, 3);
            } else if (lc == QLatin1Char('t') && depth < 2) {
                out += Run(n == 1 ? mS.ShortTimeFormat : mS.LongTimeFormat, depth + 1);
                i += std::min(n, 2);
            } else {
                out += c;
                i += 1;
            }
            if (!c.isSpace()) lastWasHour = false;
        }
        return out;
    }

private:
    static bool HasAmPm(const QString& f) {
        return f.contains(QLatin1String("am/pm"), Qt::CaseInsensitive) ||
               f.contains(QLatin1String("a/p"), Qt::CaseInsensitive) ||
               f.contains(QLatin1String("ampm"), Qt::CaseInsensitive);
    }

    int AmPm(const QString& f, int i, QString& out) const {
        const bool pm = mP.hour >= 12;
        if (StartsWithCI(f, i, "am/pm")) {
            out += pm ? f.mid(i + 3, 2) : f.mid(i, 2);
            return 5;
        }
        if (StartsWithCI(f, i, "a/p")) {
            out += pm ? f.mid(i + 2, 1) : f.mid(i, 1);
            return 3;
        }
        out += pm ? mS.TimePMString : mS.TimeAMString;
        return 4;
    }

    TDateTime mValue;
    const TFormatSettings& mS;
    DateParts mP;
    bool mHasAmPm;
};

// Order of day, month and year in the short date format: "DMY", "MDY", "YMD".
QString DateOrder(const QString& format) {
    QString order;
    for (QChar c : format.toLower()) {
        const QChar u = c == QLatin1Char('d') ? QLatin1Char('D') : c == QLatin1Char('m') ? QLatin1Char('M')
                      : c == QLatin1Char('y') ? QLatin1Char('Y') : QChar();
        if (!u.isNull() && !order.contains(u)) order += u;
    }
    return order.size() == 3 ? order : QStringLiteral("DMY");
}

int CurrentYear() { return QDate::currentDate().year(); }

int ExpandYear(int year, int digits, const TFormatSettings& s) {
    if (digits > 2) return year;
    const int base = CurrentYear() - s.TwoDigitYearCenturyWindow;
    year += base / 100 * 100;
    if (s.TwoDigitYearCenturyWindow > 0 && year < base) year += 100;
    return year;
}

bool ParseUInt(const QString& text, int& value) {
    if (text.isEmpty() || text.size() > 4) return false;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    }
    value = text.toInt();
    return true;
}

bool ParseDatePart(const QString& text, TDateTime& value, const TFormatSettings& s) {
    const QStringList parts = text.split(s.DateSeparator);
    if (parts.size() < 2 || parts.size() > 3) return false;
    const QString order = DateOrder(s.ShortDateFormat);
    int numbers[3] = {0, 0, 0};
    for (int i = 0; i < parts.size(); ++i) {
        if (!ParseUInt(parts[i].trimmed(), numbers[i])) return false;
    }
    int year = CurrentYear(), month = 0, day = 0;
    if (parts.size() == 2) {
        // Day and month in the order the format gives them, this year.
        const bool monthFirst = order.indexOf(QLatin1Char('M')) < order.indexOf(QLatin1Char('D'));
        month = monthFirst ? numbers[0] : numbers[1];
        day = monthFirst ? numbers[1] : numbers[0];
    } else {
        for (int i = 0; i < 3; ++i) {
            const QChar which = order[i];
            if (which == QLatin1Char('D')) day = numbers[i];
            else if (which == QLatin1Char('M')) month = numbers[i];
            else year = ExpandYear(numbers[i], int(parts[i].trimmed().size()), s);
        }
    }
    return TryEncodeDate(year, month, day, value);
}

bool ParseTimePart(QString text, TDateTime& value, const TFormatSettings& s) {
    text = text.trimmed();
    int pmShift = -1;  // -1: no suffix, 0: AM, 12: PM
    const QString upper = text.toUpper();
    for (const auto& [marker, shift] : {std::pair{s.TimeAMString.toUpper(), 0}, std::pair{s.TimePMString.toUpper(), 12},
                                        std::pair{QStringLiteral("AM"), 0}, std::pair{QStringLiteral("PM"), 12}}) {
        if (!marker.isEmpty() && upper.endsWith(marker)) {
            pmShift = shift;
            text = text.left(text.size() - marker.size()).trimmed();
            break;
        }
    }
    QStringList parts = text.split(s.TimeSeparator);
    if (parts.isEmpty() || parts.size() > 3) return false;
    int msec = 0;
    QString last = parts.last();
    const qsizetype point = std::max(last.indexOf(s.DecimalSeparator), last.indexOf(QLatin1Char('.')));
    if (point >= 0 && parts.size() == 3) {
        QString ms = last.mid(point + 1);
        if (ms.isEmpty() || ms.size() > 3 || !ParseUInt(ms, msec)) return false;
        msec *= ms.size() == 1 ? 100 : ms.size() == 2 ? 10 : 1;
        parts.last() = last.left(point);
    }
    int numbers[3] = {0, 0, 0};
    for (int i = 0; i < parts.size(); ++i) {
        if (!ParseUInt(parts[i].trimmed(), numbers[i])) return false;
    }
    int hour = numbers[0];
    if (pmShift >= 0) {
        if (hour < 1 || hour > 12) return false;
        hour = hour % 12 + pmShift;
    }
    return TryEncodeTime(hour, numbers[1], numbers[2], msec, value);
}

}  // namespace

QString FormatDateTime(const QString& format, TDateTime value) { return FormatDateTime(format, value, FormatSettings()); }

QString FormatDateTime(const QString& format, TDateTime value, const TFormatSettings& settings) {
    Formatter f(value, settings);
    return f.Run(format.isEmpty() ? QStringLiteral("c") : format);
}

QString DateToStr(TDateTime value) { return DateToStr(value, FormatSettings()); }
QString TimeToStr(TDateTime value) { return TimeToStr(value, FormatSettings()); }
QString DateTimeToStr(TDateTime value) { return DateTimeToStr(value, FormatSettings()); }
QString DateToStr(TDateTime value, const TFormatSettings& s) { return FormatDateTime(QStringLiteral("ddddd"), value, s); }
QString TimeToStr(TDateTime value, const TFormatSettings& s) { return FormatDateTime(QStringLiteral("tt"), value, s); }
QString DateTimeToStr(TDateTime value, const TFormatSettings& s) { return FormatDateTime(QStringLiteral("c"), value, s); }

bool TryStrToDate(const QString& text, TDateTime& value, const TFormatSettings& settings) {
    return ParseDatePart(text.trimmed(), value, settings);
}

bool TryStrToTime(const QString& text, TDateTime& value, const TFormatSettings& settings) {
    return ParseTimePart(text, value, settings);
}

bool TryStrToDateTime(const QString& text, TDateTime& value, const TFormatSettings& settings) {
    const QString t = text.trimmed();
    const qsizetype space = t.indexOf(QLatin1Char(' '));
    TDateTime date = 0, time = 0;
    if (space < 0) {
        if (ParseDatePart(t, date, settings)) { value = date; return true; }
        if (ParseTimePart(t, time, settings)) { value = time; return true; }
        return false;
    }
    if (!ParseDatePart(t.left(space), date, settings)) {
        // A time with an AM/PM suffix after a blank.
        if (ParseTimePart(t, time, settings)) { value = time; return true; }
        return false;
    }
    if (!ParseTimePart(t.mid(space + 1), time, settings)) return false;
    value = date >= 0 ? date + time : date - time;
    return true;
}

namespace {
template <class Try>
TDateTime ParseOrRaise(const QString& text, Try parse, const char* what) {
    TDateTime value = 0;
    if (!parse(text, value, FormatSettings())) {
        throw EConvertError(QStringLiteral("'%1' is not a valid %2").arg(text, QString::fromLatin1(what)));
    }
    return value;
}
}  // namespace

TDateTime StrToDate(const QString& text) { return ParseOrRaise(text, TryStrToDate, "date"); }
TDateTime StrToTime(const QString& text) { return ParseOrRaise(text, TryStrToTime, "time"); }
TDateTime StrToDateTime(const QString& text) { return ParseOrRaise(text, TryStrToDateTime, "date and time"); }
