// The BCD record and its conversions. Internally a value is worked on as a
// sign, a string of ASCII digits and the number of decimals among them.
#include "framework/bcd.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

struct Decimal {
    bool negative = false;
    QByteArray digits = "0";  // whole digits then `places` decimals, at least one digit
    int places = 0;

    int WholeCount() const { return int(digits.size()) - places; }
    // Whole digits without leading zeros (0 for a value below one).
    int SignificantWhole() const {
        int n = WholeCount();
        int i = 0;
        while (i < n && digits[i] == '0') ++i;
        return n - i;
    }
    bool IsZero() const {
        for (char c : digits) if (c != '0') return false;
        return true;
    }
};

[[noreturn]] void Overflow(const QString& what) {
    throw EBcdOverflowError(QStringLiteral("BCD overflow: %1").arg(what));
}

Decimal FromBcd(const TBcd& bcd) {
    Decimal d;
    const int precision = std::clamp<int>(bcd.Precision, 1, MaxBcdDigits);
    d.digits.clear();
    for (int i = 0; i < precision; ++i) d.digits.append(char('0' + std::min(bcd.Digit(i), 9)));
    d.places = std::min(bcd.Places(), precision);
    d.negative = bcd.IsNegative();
    if (d.IsZero()) d.negative = false;
    return d;
}

// Drops leading zeros of the whole part (keeping the record non-empty).
void TrimLeading(Decimal& d) {
    int drop = 0;
    while (drop < d.WholeCount() && d.digits[drop] == '0' && int(d.digits.size()) - drop > 1) ++drop;
    d.digits.remove(0, drop);
}

TBcd ToBcd(Decimal d) {
    if (d.IsZero()) d.negative = false;
    if (d.digits.size() > MaxBcdDigits) TrimLeading(d);
    if (d.digits.size() > MaxBcdDigits || d.places > 63) Overflow(QStringLiteral("more than 64 digits"));
    TBcd bcd;
    bcd.Precision = uint8_t(d.digits.size());
    bcd.SignSpecialPlaces = uint8_t(d.places) | (d.negative ? 0x80 : 0);
    for (int i = 0; i < d.digits.size(); ++i) {
        const uint8_t digit = uint8_t(d.digits[i] - '0');
        bcd.Fraction[i / 2] |= (i % 2 == 0) ? uint8_t(digit << 4) : digit;
    }
    return bcd;
}

// Rounds or pads to exactly `places` decimals (half away from zero).
Decimal WithPlaces(Decimal d, int places) {
    if (places >= d.places) {
        d.digits.append(QByteArray(places - d.places, '0'));
        d.places = places;
        return d;
    }
    const int cut = int(d.digits.size()) - (d.places - places);
    const bool up = d.digits[cut] >= '5';
    d.digits.truncate(cut);
    d.places = places;
    if (d.digits.isEmpty()) d.digits = "0";
    if (up) {
        int i = int(d.digits.size()) - 1;
        while (i >= 0 && d.digits[i] == '9') d.digits[i--] = '0';
        if (i < 0) d.digits.prepend('1');
        else d.digits[i] = char(d.digits[i] + 1);
    }
    if (d.IsZero()) d.negative = false;
    return d;
}

bool Parse(const QString& text, const TFormatSettings& s, Decimal& out) {
    QString t = text.trimmed();
    Decimal d;
    if (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) {
        d.negative = t.startsWith(QLatin1Char('-'));
        t.remove(0, 1);
    }
    const qsizetype sep = t.indexOf(s.DecimalSeparator);
    const QString whole = sep < 0 ? t : t.left(sep);
    const QString frac = sep < 0 ? QString() : t.mid(sep + 1);
    if (whole.isEmpty() && frac.isEmpty()) return false;
    d.digits.clear();
    for (QChar c : whole + frac) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
        d.digits.append(char(c.toLatin1()));
    }
    d.places = int(frac.size());
    if (d.digits.isEmpty()) d.digits = "0";
    TrimLeading(d);
    if (d.digits.size() > MaxBcdDigits || d.places > 63) return false;
    if (d.IsZero()) d.negative = false;
    out = d;
    return true;
}

QString Text(const Decimal& d, QChar separator, bool thousands = false, QChar thousandSeparator = QChar()) {
    QByteArray whole = d.digits.left(d.WholeCount());
    while (whole.size() > 1 && whole[0] == '0') whole.remove(0, 1);
    if (whole.isEmpty()) whole = "0";
    QString text;
    const int n = int(whole.size());
    for (int i = 0; i < n; ++i) {
        if (thousands && i > 0 && (n - i) % 3 == 0) text += thousandSeparator;
        text += QLatin1Char(whole[i]);
    }
    if (d.places > 0) text += separator + QString::fromLatin1(d.digits.right(d.places));
    if (d.negative && !d.IsZero()) text.prepend(QLatin1Char('-'));
    return text;
}

Decimal FromUnsigned(bool negative, uint64_t magnitude, int places) {
    Decimal d;
    d.digits = QByteArray::number(quint64(magnitude));
    if (d.digits.size() <= places) d.digits.prepend(QByteArray(places - d.digits.size() + 1, '0'));
    d.places = places;
    d.negative = negative && magnitude != 0;
    return d;
}

// Whole part as an unsigned magnitude; false when beyond 64 bits.
bool WholeMagnitude(const Decimal& d, uint64_t& magnitude) {
    magnitude = 0;
    for (int i = 0; i < d.WholeCount(); ++i) {
        const uint64_t digit = uint64_t(d.digits[i] - '0');
        if (magnitude > (UINT64_MAX - digit) / 10) return false;
        magnitude = magnitude * 10 + digit;
    }
    return true;
}

int CompareDecimal(Decimal a, Decimal b) {
    if (a.negative != b.negative) return a.negative ? -1 : 1;
    const int places = std::max(a.places, b.places);
    a = WithPlaces(a, places);
    b = WithPlaces(b, places);
    TrimLeading(a);
    TrimLeading(b);
    int result = a.digits.size() != b.digits.size() ? (a.digits.size() < b.digits.size() ? -1 : 1)
                                                    : std::clamp(std::memcmp(a.digits.constData(), b.digits.constData(),
                                                                             size_t(a.digits.size())), -1, 1);
    return a.negative ? -result : result;
}

}  // namespace

bool TryStrToBcd(const QString& text, TBcd& value) { return TryStrToBcd(text, value, FormatSettings()); }

bool TryStrToBcd(const QString& text, TBcd& value, const TFormatSettings& settings) {
    Decimal d;
    if (!Parse(text, settings, d)) return false;
    value = ToBcd(d);
    return true;
}

TBcd StrToBcd(const QString& text) { return StrToBcd(text, FormatSettings()); }

TBcd StrToBcd(const QString& text, const TFormatSettings& settings) {
    TBcd value;
    if (!TryStrToBcd(text, value, settings)) {
        throw EConvertError(QStringLiteral("'%1' is not a valid BCD value").arg(text));
    }
    return value;
}

QString BcdToStr(const TBcd& value) { return BcdToStr(value, FormatSettings()); }
QString BcdToStr(const TBcd& value, const TFormatSettings& settings) {
    return Text(FromBcd(value), settings.DecimalSeparator);
}

QString BcdToStrF(const TBcd& value, TFloatFormat format, int precision, int digits) {
    return BcdToStrF(value, format, precision, digits, FormatSettings());
}

QString BcdToStrF(const TBcd& value, TFloatFormat format, int precision, int digits, const TFormatSettings& s) {
    Decimal d = FromBcd(value);
    switch (format) {
    case ffFixed:
    case ffNumber: {
        d = WithPlaces(d, std::clamp(digits, 0, 63));
        if (d.SignificantWhole() + d.places > precision) return QString();
        return Text(d, s.DecimalSeparator, format == ffNumber, s.ThousandSeparator);
    }
    case ffGeneral: {
        while (d.places > 0 && d.digits.endsWith('0')) {
            d.digits.chop(1);
            --d.places;
        }
        return Text(d, s.DecimalSeparator);
    }
    default:
        return FloatToStrF(BcdToDouble(value), format, precision, digits, s);
    }
}

TBcd IntegerToBcd(int32_t value) { return Int64ToBcd(value); }

TBcd Int64ToBcd(int64_t value) {
    const uint64_t magnitude = value < 0 ? uint64_t(0) - uint64_t(value) : uint64_t(value);
    return ToBcd(FromUnsigned(value < 0, magnitude, 0));
}

int64_t BcdToInt64(const TBcd& value) {
    const Decimal d = FromBcd(value);
    uint64_t magnitude = 0;
    const uint64_t limit = uint64_t(INT64_MAX) + (d.negative ? 1 : 0);
    if (!WholeMagnitude(d, magnitude) || magnitude > limit) Overflow(BcdToStr(value) + QStringLiteral(" exceeds 64 bits"));
    return d.negative ? int64_t(uint64_t(0) - magnitude) : int64_t(magnitude);
}

int32_t BcdToInteger(const TBcd& value) {
    const int64_t wide = BcdToInt64(value);
    if (wide < INT32_MIN || wide > INT32_MAX) Overflow(BcdToStr(value) + QStringLiteral(" exceeds 32 bits"));
    return int32_t(wide);
}

TBcd DoubleToBcd(double value) {
    if (!std::isfinite(value)) Overflow(QStringLiteral("%1 has no decimal form").arg(value));
    if (value == 0.0) return TBcd();
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));  // 15 significant digits
    const char* e = std::strchr(buffer, 'e');
    QByteArray mantissa;
    for (const char* p = buffer; p < e; ++p) if (*p != '.') mantissa.append(*p);
    while (mantissa.size() > 1 && mantissa.endsWith('0')) mantissa.chop(1);
    const int exponent = std::atoi(e + 1);  // value = m.mmm * 10^exponent
    Decimal d;
    d.negative = value < 0;
    const int wholeDigits = exponent + 1;
    if (wholeDigits <= 0) {
        d.digits = QByteArray(1 - wholeDigits, '0') + mantissa;  // "0" + leading zeros + digits
        d.places = int(d.digits.size()) - 1;
    } else if (wholeDigits >= mantissa.size()) {
        d.digits = mantissa + QByteArray(wholeDigits - mantissa.size(), '0');
        d.places = 0;
    } else {
        d.digits = mantissa;
        d.places = int(mantissa.size()) - wholeDigits;
    }
    TrimLeading(d);
    return ToBcd(d);
}

double BcdToDouble(const TBcd& value) {
    const QByteArray text = Text(FromBcd(value), QLatin1Char('.')).toLatin1();
    return std::strtod(text.constData(), nullptr);
}

bool CurrToBCD(Currency value, TBcd& result, int precision, int decimals) {
    const uint64_t magnitude = value.Raw < 0 ? uint64_t(0) - uint64_t(value.Raw) : uint64_t(value.Raw);
    const TBcd exact = ToBcd(FromUnsigned(value.Raw < 0, magnitude, 4));
    return NormalizeBcd(exact, result, precision, decimals);
}

bool BCDToCurr(const TBcd& value, Currency& result) {
    Decimal d = WithPlaces(FromBcd(value), 4);
    uint64_t magnitude = 0;
    if (!WholeMagnitude(Decimal{false, d.digits, 0}, magnitude)) return false;  // all digits, scaled by 10^4
    const uint64_t limit = uint64_t(INT64_MAX) + (d.negative ? 1 : 0);
    if (magnitude > limit) return false;
    result = Currency::FromRaw(d.negative ? int64_t(uint64_t(0) - magnitude) : int64_t(magnitude));
    return true;
}

TBcd CurrencyToBcd(Currency value) {
    TBcd result;
    CurrToBCD(value, result, 20, 4);  // 19 digits of the 64-bit amount always fit 20
    return result;
}

Currency BcdToCurrency(const TBcd& value) {
    Currency result;
    if (!BCDToCurr(value, result)) Overflow(BcdToStr(value) + QStringLiteral(" does not fit a currency value"));
    return result;
}

bool NormalizeBcd(const TBcd& value, TBcd& result, int precision, int places) {
    if (precision < 1 || precision > MaxBcdDigits || places < 0 || places > precision || places > 63) return false;
    Decimal d = WithPlaces(FromBcd(value), places);
    if (d.SignificantWhole() > precision - places) return false;
    TrimLeading(d);
    const int width = precision;
    if (d.digits.size() < width) d.digits.prepend(QByteArray(width - d.digits.size(), '0'));
    result = ToBcd(d);
    return true;
}

int BcdCompare(const TBcd& a, const TBcd& b) { return CompareDecimal(FromBcd(a), FromBcd(b)); }
bool BcdIsZero(const TBcd& value) { return FromBcd(value).IsZero(); }
int BcdPrecision(const TBcd& value) {
    const Decimal d = FromBcd(value);
    return std::max(1, d.SignificantWhole() + d.places);
}
int BcdScale(const TBcd& value) { return FromBcd(value).places; }
