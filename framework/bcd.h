// TBcd: the 34-byte decimal record that BCD fields exchange in their value
// buffers.
//
// Layout: Precision = number of digits held (1 .. 64); SignSpecialPlaces =
// bit 7 sign (set = negative), bit 6 special (unused, always clear), bits
// 0..5 the number of decimals (Places <= Precision); Fraction = the digits,
// two per byte, most significant first (high nibble first), unused nibbles
// zero. 12.34 is Precision 4, Places 2, Fraction 12 34 00 ...; zero is
// Precision 1 (or more), all digits 0, never negative.
//
// Rounding: dropping decimals rounds half away from zero; conversions from
// double first take the shortest decimal text of the double (at most 15
// significant digits). Every conversion that cannot hold the value raises
// EBcdOverflowError (an ERangeError); bad text, and text with more than 64
// significant digits, raises EConvertError "'x' is not a valid BCD value".
#pragma once

#include "framework/currency.h"
#include "framework/formatsettings.h"
#include "framework/mathutil.h"

#include <QString>
#include <cstdint>

#pragma pack(push, 1)
struct TBcd {
    uint8_t Precision = 1;
    uint8_t SignSpecialPlaces = 0;
    uint8_t Fraction[32] = {};

    int Places() const { return SignSpecialPlaces & 0x3F; }
    bool IsNegative() const { return (SignSpecialPlaces & 0x80) != 0; }
    int Digit(int index) const {  // 0 .. Precision-1, most significant first
        uint8_t b = Fraction[index / 2];
        return (index % 2 == 0) ? (b >> 4) : (b & 0x0F);
    }
};
#pragma pack(pop)
static_assert(sizeof(TBcd) == 34, "the BCD record is 34 bytes");

class EBcdOverflowError : public ERangeError {
public:
    using ERangeError::ERangeError;
    std::shared_ptr<Exception> Clone() const override { return std::make_shared<EBcdOverflowError>(*this); }
};

constexpr int MaxBcdDigits = 64;

// Text with an optional sign, digits and the settings' decimal separator
// (no exponent, no thousand separators; blanks around are allowed). The
// record keeps the written decimals ("1.50" has Places 2) and drops leading
// zeros of the whole part.
TBcd StrToBcd(const QString& text);
TBcd StrToBcd(const QString& text, const TFormatSettings& settings);
bool TryStrToBcd(const QString& text, TBcd& value);
bool TryStrToBcd(const QString& text, TBcd& value, const TFormatSettings& settings);

// Plain text: every digit held, the settings' decimal separator, "-" for
// negative values ("-0.50").
QString BcdToStr(const TBcd& value);
QString BcdToStr(const TBcd& value, const TFormatSettings& settings);
// Fixed-point (ffFixed / ffNumber) text with `digits` decimals, rounded half
// away from zero. When the whole digits plus `digits` exceed `precision` the
// value does not fit and the result is empty. ffGeneral is BcdToStr without
// trailing decimal zeros; other formats go through the double.
QString BcdToStrF(const TBcd& value, TFloatFormat format, int precision, int digits);
QString BcdToStrF(const TBcd& value, TFloatFormat format, int precision, int digits,
                  const TFormatSettings& settings);

TBcd IntegerToBcd(int32_t value);
TBcd Int64ToBcd(int64_t value);
// Whole part, the decimals dropped (towards zero); EBcdOverflowError beyond 64 bits.
int64_t BcdToInt64(const TBcd& value);
int32_t BcdToInteger(const TBcd& value);

TBcd DoubleToBcd(double value);           // EBcdOverflowError for NaN, infinities
double BcdToDouble(const TBcd& value);

// Currency <-> BCD. CurrToBCD gives a record with `precision` digits and
// `decimals` places (rounded half away from zero when decimals < 4); false
// when the value does not fit. BCDToCurr rounds to four decimals; false
// beyond the currency range.
bool CurrToBCD(Currency value, TBcd& result, int precision = 32, int decimals = 4);
bool BCDToCurr(const TBcd& value, Currency& result);
TBcd CurrencyToBcd(Currency value);       // precision 20, 4 decimals
Currency BcdToCurrency(const TBcd& value); // EBcdOverflowError when it does not fit

// Re-shapes `value` to exactly `precision` digits with `places` decimals,
// rounding dropped decimals half away from zero. False (result untouched)
// when the whole part needs more than precision - places digits.
bool NormalizeBcd(const TBcd& value, TBcd& result, int precision, int places);

// Numeric order: -1, 0, 1 (representation independent: 1.50 equals 1.5).
int BcdCompare(const TBcd& a, const TBcd& b);
bool BcdIsZero(const TBcd& value);
// Significant whole digits plus decimals (the precision the value needs).
int BcdPrecision(const TBcd& value);
int BcdScale(const TBcd& value);
