// Currency: a fixed-point amount held as a signed 64-bit integer scaled by
// 10000 (four decimals), as money columns and currency variants carry it.
//
// Invariant: the value is Raw / 10000 exactly; conversions from double round
// to the nearest 1/10000 with halves to even and raise ERangeError outside
// the 64-bit range.
#pragma once

#include <QString>
#include <compare>
#include <cstdint>

struct TFormatSettings;

struct Currency {
    static constexpr int64_t Scale = 10000;

    int64_t Raw = 0;

    constexpr Currency() = default;
    static constexpr Currency FromRaw(int64_t raw) { Currency c; c.Raw = raw; return c; }
    static Currency FromDouble(double value);     // ERangeError outside the range
    static constexpr Currency FromInt(int64_t whole) { return FromRaw(whole * Scale); }

    double ToDouble() const { return double(Raw) / double(Scale); }

    constexpr auto operator<=>(const Currency&) const = default;
};

// Plain text: up to four decimals, trailing zeros dropped, the decimal
// separator of the settings ("12,5" with ','); no thousand separators.
QString CurrToStr(Currency value);
QString CurrToStr(Currency value, const TFormatSettings& settings);
// Parses the plain text form (EConvertError for anything else).
Currency StrToCurr(const QString& text);
Currency StrToCurr(const QString& text, const TFormatSettings& settings);
bool TryStrToCurr(const QString& text, Currency& value, const TFormatSettings& settings);
