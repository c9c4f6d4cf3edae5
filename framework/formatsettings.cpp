// Format settings and the text forms of numbers.
#include "framework/formatsettings.h"

#include "framework/mathutil.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// A finite double as decimal digits: value = 0.d1 d2 ... dn * 10^exponent,
// digits without trailing zeros ("" for zero).
struct DecimalDigits {
    bool negative = false;
    QByteArray digits;
    int exponent = 0;
};

DecimalDigits Decompose(double value, int significant) {
    DecimalDigits d;
    d.negative = std::signbit(value) && value != 0.0;
    if (value == 0.0) return d;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*e", significant - 1, std::fabs(value));
    // d.ddddde[+-]xx
    const char* e = std::strchr(buffer, 'e');
    for (const char* p = buffer; p < e; ++p) {
        if (*p != '.') d.digits.append(*p);
    }
    d.exponent = std::atoi(e + 1) + 1;
    while (d.digits.endsWith('0')) d.digits.chop(1);
    return d;
}

// Rounds `d` to keep `decimals` digits after the point, half away from zero.
void RoundToDecimals(DecimalDigits& d, int decimals) {
    const int keep = d.exponent + decimals;  // digits kept
    if (keep >= d.digits.size()) return;
    if (keep < 0) {
        d.digits.clear();
        return;
    }
    const bool up = d.digits[keep] >= '5';
    d.digits.truncate(keep);
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
        if (i < 0) {
            d.digits.prepend('1');
            d.exponent += 1;
        } else {
            d.digits[i] = char(d.digits[i] + 1);
        }
    }
    while (d.digits.endsWith('0')) d.digits.chop(1);
}

char DigitAt(const DecimalDigits& d, int index) {  // index 0 = first digit
    return index >= 0 && index < d.digits.size() ? d.digits[index] : '0';
}

// The whole part as digits ("0" when below 1).
QString WholeDigits(const DecimalDigits& d) {
    if (d.digits.isEmpty() || d.exponent <= 0) return QStringLiteral("0");
    QString s;
    for (int i = 0; i < d.exponent; ++i) s += QLatin1Char(DigitAt(d, i));
    return s;
}

QString FractionDigits(const DecimalDigits& d, int count) {
    QString s;
    for (int i = 0; i < count; ++i) s += QLatin1Char(DigitAt(d, d.exponent + i));
    return s;
}

QString GroupThousands(const QString& whole, QChar separator) {
    QString out;
    const int n = int(whole.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out += separator;
        out += whole[i];
    }
    return out;
}

QString SpecialText(double value) {
    if (std::isnan(value)) return QStringLiteral("NAN");
    return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

QString Scientific(const DecimalDigits& d, int minDigits, int expDigits, bool plusSign, const TFormatSettings& s) {
    QString mantissa = QString(QLatin1Char(DigitAt(d, 0)));
    QByteArray rest = d.digits.mid(1);
    while (rest.size() < minDigits - 1) rest.append('0');
    if (!rest.isEmpty()) mantissa += s.DecimalSeparator + QString::fromLatin1(rest);
    const int exponent = d.digits.isEmpty() ? 0 : d.exponent - 1;
    QString exp = QString::number(std::abs(exponent)).rightJustified(expDigits, QLatin1Char('0'));
    QString sign = exponent < 0 ? QStringLiteral("-") : (plusSign ? QStringLiteral("+") : QString());
    return (d.negative ? QStringLiteral("-") : QString()) + mantissa + QLatin1Char('E') + sign + exp;
}

QString General(double value, int precision, const TFormatSettings& s) {
    if (!std::isfinite(value)) return SpecialText(value);
    precision = std::clamp(precision, 1, 17);
    DecimalDigits d = Decompose(value, precision);
    if (d.digits.isEmpty()) return QStringLiteral("0");
    if (d.exponent > precision || d.exponent < -3) return Scientific(d, 1, 1, false, s);
    QString text = WholeDigits(d);
    const int decimals = int(d.digits.size()) - d.exponent;
    if (decimals > 0) text += s.DecimalSeparator + FractionDigits(d, decimals);
    return d.negative ? QLatin1Char('-') + text : text;
}

}  // namespace

// --- settings ---------------------------------------------------------------

TFormatSettings TFormatSettings::Invariant() {
    TFormatSettings s;
    s.ShortDateFormat = QStringLiteral("yyyy-mm-dd");
    s.LongDateFormat = QStringLiteral("dddd, mmmm d, yyyy");
    s.DateSeparator = QLatin1Char('-');
    s.CurrencyString = QStringLiteral("$");
    const QLocale c = QLocale::c();
    for (int m = 1; m <= 12; ++m) {
        s.ShortMonthNames << c.monthName(m, QLocale::ShortFormat);
        s.LongMonthNames << c.monthName(m, QLocale::LongFormat);
    }
    for (int day : {7, 1, 2, 3, 4, 5, 6}) {  // Sunday first
        s.ShortDayNames << c.dayName(day, QLocale::ShortFormat);
        s.LongDayNames << c.dayName(day, QLocale::LongFormat);
    }
    return s;
}

TFormatSettings TFormatSettings::FromLocale(const QLocale& locale) {
    TFormatSettings s = Invariant();
    const QString point = locale.decimalPoint();
    const QString group = locale.groupSeparator();
    if (point.size() == 1) s.DecimalSeparator = point[0];
    if (group.size() == 1) s.ThousandSeparator = group[0];
    // The locale's short date pattern gives the order of day, month and year.
    const QString pattern = locale.dateFormat(QLocale::ShortFormat).toLower();
    const qsizetype dPos = pattern.indexOf(QLatin1Char('d'));
    const qsizetype mPos = pattern.indexOf(QLatin1Char('m'));
    const qsizetype yPos = pattern.indexOf(QLatin1Char('y'));
    QChar separator = QLatin1Char('/');
    for (QChar c : pattern) {
        if (!c.isLetter()) { separator = c; break; }
    }
    s.DateSeparator = separator;
    if (yPos >= 0 && yPos < mPos && mPos < dPos) s.ShortDateFormat = QStringLiteral("yyyy/mm/dd");
    else if (mPos >= 0 && mPos < dPos) s.ShortDateFormat = QStringLiteral("mm/dd/yyyy");
    else s.ShortDateFormat = QStringLiteral("dd/mm/yyyy");
    s.ShortMonthNames.clear();
    s.LongMonthNames.clear();
    s.ShortDayNames.clear();
    s.LongDayNames.clear();
    for (int m = 1; m <= 12; ++m) {
        s.ShortMonthNames << locale.monthName(m, QLocale::ShortFormat);
        s.LongMonthNames << locale.monthName(m, QLocale::LongFormat);
    }
    for (int day : {7, 1, 2, 3, 4, 5, 6}) {
        s.ShortDayNames << locale.dayName(day, QLocale::ShortFormat);
        s.LongDayNames << locale.dayName(day, QLocale::LongFormat);
    }
    const QString amText = locale.amText();
    const QString pmText = locale.pmText();
    if (!amText.isEmpty()) s.TimeAMString = amText;
    if (!pmText.isEmpty()) s.TimePMString = pmText;
    return s;
}

TFormatSettings& FormatSettings() {
    static TFormatSettings settings = TFormatSettings::FromLocale(QLocale::system());
    return settings;
}

// --- double -> text ---------------------------------------------------------

QString FloatToStr(double value) { return FloatToStr(value, FormatSettings()); }
QString FloatToStr(double value, const TFormatSettings& settings) { return General(value, 15, settings); }

QString FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
    return FloatToStrF(value, format, precision, digits, FormatSettings());
}

QString FloatToStrF(double value, TFloatFormat format, int precision, int digits, const TFormatSettings& s) {
    if (!std::isfinite(value)) return SpecialText(value);
    precision = std::clamp(precision, 1, 18);
    digits = std::clamp(digits, 0, 18);
    switch (format) {
    case ffGeneral:
        return General(value, precision, s);
    case ffExponent: {
        DecimalDigits d = Decompose(value, std::min(precision, 17));
        return Scientific(d, precision, std::clamp(digits, 0, 4), true, s);
    }
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
        DecimalDigits d = Decompose(value, 15);
        if (d.exponent > precision) return General(value, precision, s);
        RoundToDecimals(d, digits);
        QString whole = WholeDigits(d);
        if (format != ffFixed) whole = GroupThousands(whole, s.ThousandSeparator);
        QString text = whole;
        if (digits > 0) text += s.DecimalSeparator + FractionDigits(d, digits);
        if (d.negative && !d.digits.isEmpty()) text.prepend(QLatin1Char('-'));
        if (format == ffCurrency) text += QLatin1Char(' ') + s.CurrencyString;
        return text;
    }
    }
    return General(value, precision, s);
}

// --- display masks ----------------------------------------------------------

namespace {

// One section of a display mask, analysed.
struct MaskSection {
    QString text;
    int firstPlaceholder = -1;  // position in text
    int lastPlaceholder = -1;
    int pointPos = -1;          // position of the decimal point, -1 if none
    int intZeros = 0;           // '0's before the point (minimum whole digits)
    int decimals = 0;           // placeholders after the point
    int minDecimals = 0;        // up to the last '0' after the point
    bool thousands = false;
    int expPos = -1;            // position of "E+"/"E-"
    bool expPlus = false;
    int expDigits = 0;
};

bool IsQuote(QChar c) { return c == QLatin1Char('\'') || c == QLatin1Char('"'); }

MaskSection AnalyseSection(const QString& text) {
    MaskSection m;
    m.text = text;
    QChar quote;
    bool seenFirstZero = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
            continue;
        }
        if (IsQuote(c)) { quote = c; continue; }
        if (m.expPos >= 0) continue;
        if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            if (m.firstPlaceholder < 0) m.firstPlaceholder = i;
            m.lastPlaceholder = i;
            if (m.pointPos < 0) {
                if (c == QLatin1Char('0')) seenFirstZero = true;
                if (seenFirstZero) ++m.intZeros;
            } else {
                ++m.decimals;
                if (c == QLatin1Char('0')) m.minDecimals = m.decimals;
            }
        } else if (c == QLatin1Char('.') && m.pointPos < 0) {
            m.pointPos = i;
        } else if (c == QLatin1Char(',') && m.pointPos < 0) {
            m.thousands = true;
        } else if ((c == QLatin1Char('E') || c == QLatin1Char('e')) && i + 1 < text.size() &&
                   (text[i + 1] == QLatin1Char('+') || text[i + 1] == QLatin1Char('-'))) {
            m.expPos = i;
            m.expPlus = text[i + 1] == QLatin1Char('+');
            for (int j = i + 2; j < text.size() && text[j] == QLatin1Char('0'); ++j) ++m.expDigits;
        }
    }
    return m;
}

QStringList SplitSections(const QString& mask) {
    QStringList sections;
    QString current;
    QChar quote;
    for (QChar c : mask) {
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
        } else if (IsQuote(c)) {
            quote = c;
        } else if (c == QLatin1Char(';')) {
            sections << current;
            current.clear();
            continue;
        }
        current += c;
    }
    sections << current;
    return sections;
}

// The literal text of a mask part (quotes removed, placeholders skipped).
QString Literals(const QString& text, int from, int to) {
    QString out;
    QChar quote;
    for (int i = from; i < to && i < text.size(); ++i) {
        const QChar c = text[i];
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
            else out += c;
            continue;
        }
        if (IsQuote(c)) { quote = c; continue; }
        if (c == QLatin1Char('0') || c == QLatin1Char('#') || c == QLatin1Char(',') || c == QLatin1Char('.')) continue;
        out += c;
    }
    return out;
}

// The number part of a section with an exponent: at least one whole digit
// (as many as the '0's before the point), then the decimals, then E and the
// exponent with at least expDigits digits.
QString ExponentBody(const MaskSection& m, double magnitude, const TFormatSettings& s) {
    const int wholeDigits = std::max(1, m.intZeros);
    DecimalDigits d = Decompose(magnitude, std::min(wholeDigits + m.decimals, 17));
    const int exponent = d.digits.isEmpty() ? 0 : d.exponent - wholeDigits;
    d.exponent = d.digits.isEmpty() ? 0 : wholeDigits;
    QString body = WholeDigits(d).rightJustified(wholeDigits, QLatin1Char('0'));
    QString frac = FractionDigits(d, m.decimals);
    while (frac.size() > m.minDecimals && frac.endsWith(QLatin1Char('0'))) frac.chop(1);
    if (!frac.isEmpty()) body += s.DecimalSeparator + frac;
    const QString sign = exponent < 0 ? QStringLiteral("-") : (m.expPlus ? QStringLiteral("+") : QString());
    return body + m.text[m.expPos] + sign +
           QString::number(std::abs(exponent)).rightJustified(m.expDigits, QLatin1Char('0'));
}

// The number part of a plain section: whole digits (at least intZeros,
// grouped when asked), then the decimals down to minDecimals.
QString PlainBody(const MaskSection& m, double magnitude, const TFormatSettings& s) {
    DecimalDigits d = Decompose(magnitude, 15);
    RoundToDecimals(d, m.decimals);
    QString whole = WholeDigits(d);
    if (whole == QLatin1String("0")) whole.clear();
    whole = whole.rightJustified(m.intZeros, QLatin1Char('0'));
    if (m.thousands) whole = GroupThousands(whole, s.ThousandSeparator);
    QString frac = FractionDigits(d, m.decimals);
    while (frac.size() > m.minDecimals && frac.endsWith(QLatin1Char('0'))) frac.chop(1);
    QString body = whole;
    if (!frac.isEmpty()) body += s.DecimalSeparator + frac;
    // A mask of optional digits only still shows a zero value as "0".
    return body.isEmpty() ? QStringLiteral("0") : body;
}

QString ApplySection(const MaskSection& m, double magnitude, bool withSign, const TFormatSettings& s) {
    if (m.firstPlaceholder < 0) return Literals(m.text, 0, int(m.text.size()));  // no digits at all
    const QString prefix = Literals(m.text, 0, m.firstPlaceholder);
    QString body;
    int suffixStart = m.lastPlaceholder + 1;
    if (m.expPos >= 0) {
        body = ExponentBody(m, magnitude, s);
        suffixStart = m.expPos + 2 + m.expDigits;
    } else {
        body = PlainBody(m, magnitude, s);
    }
    const QString suffix = Literals(m.text, suffixStart, int(m.text.size()));
    return (withSign ? QStringLiteral("-") : QString()) + prefix + body + suffix;
}

// True when `value` shows as zero under the section's decimals.
bool RoundsToZero(const MaskSection& m, double magnitude) {
    if (m.expPos >= 0) return magnitude == 0.0;
    DecimalDigits d = Decompose(magnitude, 15);
    RoundToDecimals(d, m.decimals);
    return d.digits.isEmpty();
}

}  // namespace

QString FormatFloat(const QString& mask, double value) { return FormatFloat(mask, value, FormatSettings()); }

QString FormatFloat(const QString& mask, double value, const TFormatSettings& settings) {
    if (!std::isfinite(value)) return SpecialText(value);
    if (mask.isEmpty()) return FloatToStr(value, settings);
    const QStringList sections = SplitSections(mask);
    const MaskSection positive = AnalyseSection(sections[0]);
    const double magnitude = std::fabs(value);
    if (sections.size() >= 3 && !sections[2].isEmpty() && RoundsToZero(positive, magnitude)) {
        return ApplySection(AnalyseSection(sections[2]), 0.0, false, settings);
    }
    if (value < 0 && sections.size() >= 2 && !sections[1].isEmpty()) {
        return ApplySection(AnalyseSection(sections[1]), magnitude, false, settings);
    }
    const bool sign = value < 0 && !RoundsToZero(positive, magnitude);
    return ApplySection(positive, magnitude, sign, settings);
}

// --- text -> numbers --------------------------------------------------------

bool TryStrToFloat(const QString& text, double& value) { return TryStrToFloat(text, value, FormatSettings()); }

bool TryStrToFloat(const QString& text, double& value, const TFormatSettings& settings) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return false;
    // Build the C form: sign, digits, '.', exponent; refuse anything else.
    QByteArray c;
    int i = 0;
    const int n = int(t.size());
    if (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-')) c += char(t[i++].toLatin1());
    int mantissaDigits = 0;
    while (i < n && t[i].isDigit() && t[i].unicode() < 128) { c += char(t[i++].toLatin1()); ++mantissaDigits; }
    if (i < n && t[i] == settings.DecimalSeparator) {
        c += '.';
        ++i;
        while (i < n && t[i].isDigit() && t[i].unicode() < 128) { c += char(t[i++].toLatin1()); ++mantissaDigits; }
    }
    if (mantissaDigits == 0) return false;
    if (i < n && (t[i] == QLatin1Char('E') || t[i] == QLatin1Char('e'))) {
        c += 'e';
        ++i;
        if (i < n && (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))) c += char(t[i++].toLatin1());
        int expDigits = 0;
        while (i < n && t[i].isDigit() && t[i].unicode() < 128) { c += char(t[i++].toLatin1()); ++expDigits; }
        if (expDigits == 0) return false;
    }
    if (i != n) return false;
    char* end = nullptr;
    const double parsed = std::strtod(c.constData(), &end);
    if (end != c.constData() + c.size() || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

double StrToFloat(const QString& text) { return StrToFloat(text, FormatSettings()); }

double StrToFloat(const QString& text, const TFormatSettings& settings) {
    double value = 0;
    if (!TryStrToFloat(text, value, settings)) {
        throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    }
    return value;
}

bool TryStrToInt64(const QString& text, int64_t& value) {
    QString t = text.trimmed();
    bool negative = false;
    if (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) {
        negative = t.startsWith(QLatin1Char('-'));
        t.remove(0, 1);
    }
    int base = 10;
    if (t.startsWith(QLatin1Char('$'))) { base = 16; t.remove(0, 1); }
    else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) { base = 16; t.remove(0, 2); }
    if (t.isEmpty()) return false;
    for (QChar c : t) {
        const bool ok = base == 10 ? (c >= QLatin1Char('0') && c <= QLatin1Char('9')) : (c.unicode() < 128 && std::isxdigit(c.toLatin1()));
        if (!ok) return false;
    }
    bool ok = false;
    const uint64_t magnitude = t.toULongLong(&ok, base);
    if (!ok) return false;
    if (negative ? magnitude > uint64_t(INT64_MAX) + 1 : magnitude > uint64_t(INT64_MAX)) return false;
    value = negative ? int64_t(uint64_t(0) - magnitude) : int64_t(magnitude);
    return true;
}

bool TryStrToInt(const QString& text, int32_t& value) {
    int64_t wide = 0;
    if (!TryStrToInt64(text, wide) || wide < INT32_MIN || wide > INT32_MAX) return false;
    value = int32_t(wide);
    return true;
}

int64_t StrToInt64(const QString& text) {
    int64_t value = 0;
    if (!TryStrToInt64(text, value)) throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}

int32_t StrToInt(const QString& text) {
    int32_t value = 0;
    if (!TryStrToInt(text, value)) throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}
