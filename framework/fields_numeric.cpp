// Numeric and Boolean fields: integers of 16, 32 and 64 bits, doubles,
// currency, BCD records, Booleans.
#include "framework/fields.h"

#include "framework/formatsettings.h"
#include "framework/mathutil.h"
#include "framework/typinfo.h"

#include <cstring>
#include <limits>

VARNEL_PUBLISH(TNumericField, c) {
    c.prop("DisplayFormat", &TNumericField::DisplayFormat, &TNumericField::SetDisplayFormat);
    c.prop("EditFormat", &TNumericField::EditFormat, &TNumericField::SetEditFormat);
}
VARNEL_PUBLISH(TIntegerField, c) {
    c.prop("MaxValue", &TIntegerField::MaxValue, &TIntegerField::SetMaxValue);
    c.prop("MinValue", &TIntegerField::MinValue, &TIntegerField::SetMinValue);
}
VARNEL_DEFINE_CLASS(TSmallintField)
VARNEL_DEFINE_CLASS(TWordField)
VARNEL_DEFINE_CLASS(TAutoIncField)
VARNEL_DEFINE_CLASS(TLargeintField)
VARNEL_PUBLISH(TFloatField, c) {
    c.prop("Currency", &TFloatField::IsCurrency, &TFloatField::SetCurrency).def(false);
    c.prop("MaxValue", &TFloatField::MaxValue, &TFloatField::SetMaxValue);
    c.prop("MinValue", &TFloatField::MinValue, &TFloatField::SetMinValue);
    c.prop("Precision", &TFloatField::Precision, &TFloatField::SetPrecision).def(15);
}
VARNEL_PUBLISH(TCurrencyField, c) { c.prop("Currency", &TCurrencyField::IsCurrency, &TCurrencyField::SetCurrency).def(true); }
VARNEL_PUBLISH(TBCDField, c) {
    c.prop("Currency", &TBCDField::IsCurrency, &TBCDField::SetCurrency).def(false);
    c.prop("Precision", &TBCDField::Precision, &TBCDField::SetPrecision).def(0);
    c.prop("Size", &TBCDField::Size, &TBCDField::SetSize).def(4);
}
VARNEL_DEFINE_CLASS(TFMTBCDField)
VARNEL_PUBLISH(TBooleanField, c) {
    c.prop("DisplayValues", &TBooleanField::DisplayValues, &TBooleanField::SetDisplayValues);
}

namespace {

[[noreturn]] void RangeError(const QString& value, const QString& field, const QString& low, const QString& high) {
    throw ERangeError(QStringLiteral("%1 is not a valid value for field '%2'. The allowed range is %3 to %4")
                          .arg(value, field, low, high));
}

}  // namespace

TNumericField::TNumericField(TComponent* owner) : TField(owner) {}

QString TNumericField::FormatNumber(double value, bool displayText) const {
    const QString& mask = (displayText || mEditFormat.isEmpty()) ? mDisplayFormat : mEditFormat;
    return FormatFloat(mask, value);
}

// ---------------------------------------------------------------------------
// Integers.

TIntegerField::TIntegerField(TComponent* owner) : TNumericField(owner) { SetDataType(ftInteger); }
TSmallintField::TSmallintField(TComponent* owner) : TIntegerField(owner) { SetDataType(ftSmallint); }
TWordField::TWordField(TComponent* owner) : TIntegerField(owner) { SetDataType(ftWord); }
TAutoIncField::TAutoIncField(TComponent* owner) : TIntegerField(owner) { SetDataType(ftAutoInc); }
TLargeintField::TLargeintField(TComponent* owner) : TIntegerField(owner) { SetDataType(ftLargeint); }

bool TIntegerField::ReadValue(int64_t& value) const {
    quint8 buffer[8] = {};
    if (!GetData(buffer)) return false;
    switch (NativeWidth()) {
    case 2: {
        if (NativeSigned()) {
            int16_t v;
            std::memcpy(&v, buffer, 2);
            value = v;
        } else {
            uint16_t v;
            std::memcpy(&v, buffer, 2);
            value = v;
        }
        break;
    }
    case 4: {
        int32_t v;
        std::memcpy(&v, buffer, 4);
        value = v;
        break;
    }
    default:
        std::memcpy(&value, buffer, 8);
        break;
    }
    return true;
}

void TIntegerField::CheckRange(int64_t value) const {
    int64_t low = mMinValue;
    int64_t high = mMaxValue;
    if (low == 0 && high == 0) {
        switch (NativeWidth()) {
        case 2:
            low = NativeSigned() ? std::numeric_limits<int16_t>::min() : 0;
            high = NativeSigned() ? std::numeric_limits<int16_t>::max() : std::numeric_limits<uint16_t>::max();
            break;
        case 4:
            low = std::numeric_limits<int32_t>::min();
            high = std::numeric_limits<int32_t>::max();
            break;
        default:
            return;
        }
    }
    if (value < low || value > high) {
        RangeError(QString::number(value), DisplayName(), QString::number(low), QString::number(high));
    }
}

void TIntegerField::SetAsLargeInt(int64_t value) {
    CheckRange(value);
    quint8 buffer[8] = {};
    switch (NativeWidth()) {
    case 2: {
        uint16_t v = uint16_t(value);
        std::memcpy(buffer, &v, 2);
        break;
    }
    case 4: {
        int32_t v = int32_t(value);
        std::memcpy(buffer, &v, 4);
        break;
    }
    default:
        std::memcpy(buffer, &value, 8);
        break;
    }
    SetData(buffer);
}

int64_t TIntegerField::AsLargeInt() const {
    int64_t value = 0;
    return ReadValue(value) ? value : 0;
}

int32_t TIntegerField::AsInteger() const { return CheckedInt32(AsLargeInt(), "integer value"); }

double TIntegerField::AsFloat() const { return double(AsLargeInt()); }

void TIntegerField::SetAsFloat(double value) { SetAsLargeInt(Round(value)); }

QString TIntegerField::AsString() const {
    int64_t value = 0;
    return ReadValue(value) ? QString::number(value) : QString();
}

void TIntegerField::SetAsString(const QString& value) {
    QString text = value.trimmed();
    if (text.isEmpty()) Clear();
    else SetAsLargeInt(StrToInt64(text));
}

QString TIntegerField::GetText(bool displayText) const {
    int64_t value = 0;
    if (!ReadValue(value)) return QString();
    const QString& mask = (displayText || EditFormat().isEmpty()) ? DisplayFormat() : EditFormat();
    if (mask.isEmpty()) return QString::number(value);
    return FormatFloat(mask, double(value));
}

Variant TIntegerField::AsVariant() const {
    int64_t value = 0;
    if (!ReadValue(value)) return Variant::Null();
    switch (NativeWidth()) {
    case 2: return NativeSigned() ? Variant(short(value)) : Variant((unsigned short)(value));
    case 4: return Variant(int(value));
    default: return Variant((long long)(value));
    }
}

// ---------------------------------------------------------------------------
// Doubles.

TFloatField::TFloatField(TComponent* owner) : TNumericField(owner) { SetDataType(ftFloat); }

TCurrencyField::TCurrencyField(TComponent* owner) : TFloatField(owner) {
    SetDataType(ftCurrency);
    SetCurrency(true);
}

void TFloatField::SetPrecision(int value) { mPrecision = value < 2 ? 2 : (value > 15 ? 15 : value); }

double TFloatField::AsFloat() const {
    double value = 0;
    return GetData(&value) ? value : 0.0;
}

void TFloatField::SetAsFloat(double value) {
    if ((mMinValue != 0 || mMaxValue != 0) && (value < mMinValue || value > mMaxValue)) {
        RangeError(FloatToStr(value), DisplayName(), FloatToStr(mMinValue), FloatToStr(mMaxValue));
    }
    SetData(&value);
}

int32_t TFloatField::AsInteger() const { return CheckedInt32(Round(AsFloat()), "integer value"); }
int64_t TFloatField::AsLargeInt() const { return Round(AsFloat()); }

QString TFloatField::AsString() const {
    double value = 0;
    if (!GetData(&value)) return QString();
    return FloatToStrF(value, ffGeneral, mPrecision, 0);
}

void TFloatField::SetAsString(const QString& value) {
    QString text = value.trimmed();
    if (text.isEmpty()) Clear();
    else SetAsFloat(StrToFloat(text));
}

QString TFloatField::GetText(bool displayText) const {
    double value = 0;
    if (!GetData(&value)) return QString();
    const QString& mask = (displayText || EditFormat().isEmpty()) ? DisplayFormat() : EditFormat();
    if (!mask.isEmpty()) return FormatFloat(mask, value);
    if (mCurrency) {
        return displayText ? FloatToStrF(value, ffCurrency, mPrecision, FormatSettings().CurrencyDecimals)
                           : FloatToStrF(value, ffFixed, mPrecision, FormatSettings().CurrencyDecimals);
    }
    return FloatToStrF(value, ffGeneral, mPrecision, 0);
}

Variant TFloatField::AsVariant() const {
    double value = 0;
    if (!GetData(&value)) return Variant::Null();
    return Variant(value);
}

// ---------------------------------------------------------------------------
// BCD records.

TBCDField::TBCDField(TComponent* owner) : TNumericField(owner) {
    SetDataType(ftBCD);
    SetSize(4);
}

TFMTBCDField::TFMTBCDField(TComponent* owner) : TBCDField(owner) { SetDataType(ftFMTBcd); }

void TBCDField::SetPrecision(int value) {
    if (value < 0 || value > 32) {
        DatabaseErrorFmt("Invalid precision for field '%1'", DisplayName(), DataSet());
    }
    mPrecision = value;
}

TBcd TBCDField::AsBCD() const {
    TBcd value;
    return GetData(&value) ? value : TBcd();
}

void TBCDField::SetAsBCD(const TBcd& value) {
    int precision = mPrecision > 0 ? mPrecision : 32;
    int places = std::min(Size(), precision);
    TBcd shaped;
    if (!NormalizeBcd(value, shaped, precision, places)) {
        throw ERangeError(QStringLiteral("%1 is not a valid value for field '%2'. It needs more than %3 digits")
                              .arg(BcdToStr(value), DisplayName())
                              .arg(precision - places));
    }
    SetData(&shaped);
}

// The general form: every significant digit, no trailing decimal zeros.
QString TBCDField::AsString() const {
    TBcd value;
    return GetData(&value) ? BcdToStrF(value, ffGeneral, 32, 0) : QString();
}

void TBCDField::SetAsString(const QString& value) {
    QString text = value.trimmed();
    if (text.isEmpty()) Clear();
    else SetAsBCD(StrToBcd(text));
}

int32_t TBCDField::AsInteger() const { return CheckedInt32(AsLargeInt(), "integer value"); }
int64_t TBCDField::AsLargeInt() const { return IsNull() ? 0 : BcdToInt64(AsBCD()); }
double TBCDField::AsFloat() const { return IsNull() ? 0.0 : BcdToDouble(AsBCD()); }
Currency TBCDField::AsCurrency() const { return IsNull() ? Currency() : BcdToCurrency(AsBCD()); }

QString TBCDField::GetText(bool displayText) const {
    TBcd value;
    if (!GetData(&value)) return QString();
    const QString& mask = (displayText || EditFormat().isEmpty()) ? DisplayFormat() : EditFormat();
    if (!mask.isEmpty()) return FormatFloat(mask, BcdToDouble(value));
    int precision = mPrecision > 0 ? mPrecision : 32;
    if (mCurrency) {
        return BcdToStrF(value, displayText ? ffCurrency : ffFixed, precision, FormatSettings().CurrencyDecimals);
    }
    return BcdToStrF(value, ffGeneral, precision, 0);
}

Variant TBCDField::AsVariant() const {
    TBcd value;
    if (!GetData(&value)) return Variant::Null();
    Currency amount;
    if (value.Places() <= 4 && BCDToCurr(value, amount)) return Variant(amount);
    return Variant(BcdToDouble(value));
}

Variant TFMTBCDField::AsVariant() const { return TBCDField::AsVariant(); }

// ---------------------------------------------------------------------------
// Booleans.

TBooleanField::TBooleanField(TComponent* owner) : TField(owner) { SetDataType(ftBoolean); }

void TBooleanField::SetDisplayValues(const QString& values) {
    int separator = values.indexOf(QLatin1Char(';'));
    QString trueText = separator < 0 ? values : values.left(separator);
    QString falseText = separator < 0 ? QString() : values.mid(separator + 1);
    if (trueText.isEmpty() && falseText.isEmpty()) {
        DatabaseErrorFmt("'%1' is not a valid pair of Boolean texts", values, DataSet());
    }
    mDisplayValues = values;
    mTrueText = trueText;
    mFalseText = falseText;
}

bool TBooleanField::AsBoolean() const {
    int16_t value = 0;
    return GetData(&value) && value != 0;
}

void TBooleanField::SetAsBoolean(bool value) {
    int16_t native = value ? int16_t(-1) : int16_t(0);
    SetData(&native);
}

QString TBooleanField::AsString() const {
    int16_t value = 0;
    if (!GetData(&value)) return QString();
    return value != 0 ? mTrueText : mFalseText;
}

void TBooleanField::SetAsString(const QString& value) {
    QString text = value.trimmed();
    if (text.isEmpty()) {
        Clear();
        return;
    }
    auto matches = [&](const QString& name) {
        return !name.isEmpty() && name.startsWith(text, Qt::CaseInsensitive);
    };
    if (matches(mTrueText)) SetAsBoolean(true);
    else if (matches(mFalseText)) SetAsBoolean(false);
    else throw EConvertError(QStringLiteral("'%1' is not a valid boolean value for field '%2'").arg(text, DisplayName()));
}

Variant TBooleanField::AsVariant() const {
    int16_t value = 0;
    if (!GetData(&value)) return Variant::Null();
    return Variant(value != 0);
}
