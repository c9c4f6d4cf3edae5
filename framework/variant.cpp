// Variant values: construction, conversions, comparison and the parameter
// typing rule.
#include "framework/variant.h"

#include "platform/codepages.h"

#include <cmath>
#include <limits>

namespace {

using ArrayPtr = std::shared_ptr<std::vector<Variant>>;

bool IsSignedCode(VarType t) { return t == varShortInt || t == varSmallint || t == varInteger || t == varInt64; }
bool IsUnsignedCode(VarType t) { return t == varByte || t == varWord || t == varLongWord || t == varUInt64; }
bool IsFloatCode(VarType t) { return t == varSingle || t == varDouble || t == varDate; }
bool IsStringCode(VarType t) { return t == varString || t == varUString || t == varOleStr; }

// Integer rounding of a currency amount to whole units, halves to even.
int64_t CurrencyToWhole(Currency c) {
    int64_t whole = c.Raw / Currency::Scale;
    const int64_t rest = c.Raw % Currency::Scale;  // same sign as Raw
    const int64_t half = Currency::Scale / 2;
    if (rest > half || (rest == half && (whole % 2) != 0)) ++whole;
    else if (rest < -half || (rest == -half && (whole % 2) != 0)) --whole;
    return whole;
}

}  // namespace

QString VarTypeName(VarType type) {
    if (type == (varArray | varByte)) return QStringLiteral("Array of Byte");
    if (type & varArray) return QStringLiteral("Array of ") + VarTypeName(VarType(type & varTypeMask));
    switch (type) {
    case varEmpty: return QStringLiteral("Empty");
    case varNull: return QStringLiteral("Null");
    case varSmallint: return QStringLiteral("Smallint");
    case varInteger: return QStringLiteral("Integer");
    case varSingle: return QStringLiteral("Single");
    case varDouble: return QStringLiteral("Double");
    case varCurrency: return QStringLiteral("Currency");
    case varDate: return QStringLiteral("Date");
    case varOleStr: return QStringLiteral("OleStr");
    case varBoolean: return QStringLiteral("Boolean");
    case varVariant: return QStringLiteral("Variant");
    case varShortInt: return QStringLiteral("ShortInt");
    case varByte: return QStringLiteral("Byte");
    case varWord: return QStringLiteral("Word");
    case varLongWord: return QStringLiteral("LongWord");
    case varInt64: return QStringLiteral("Int64");
    case varUInt64: return QStringLiteral("UInt64");
    case varString: return QStringLiteral("String");
    case varUString: return QStringLiteral("UnicodeString");
    default: return QStringLiteral("Unknown(%1)").arg(type);
    }
}

// --- construction -------------------------------------------------------------

Variant::Variant(bool value) : mType(varBoolean), mValue(value) {}
Variant::Variant(signed char value) : mType(varShortInt), mValue(int64_t(value)) {}
Variant::Variant(unsigned char value) : mType(varByte), mValue(uint64_t(value)) {}
Variant::Variant(short value) : mType(varSmallint), mValue(int64_t(value)) {}
Variant::Variant(unsigned short value) : mType(varWord), mValue(uint64_t(value)) {}
Variant::Variant(int value) : mType(varInteger), mValue(int64_t(value)) {}
Variant::Variant(unsigned int value) : mType(varLongWord), mValue(uint64_t(value)) {}
Variant::Variant(long value) : mType(varInt64), mValue(int64_t(value)) {}
Variant::Variant(unsigned long value) : mType(varUInt64), mValue(uint64_t(value)) {}
Variant::Variant(long long value) : mType(varInt64), mValue(int64_t(value)) {}
Variant::Variant(unsigned long long value) : mType(varUInt64), mValue(uint64_t(value)) {}
Variant::Variant(float value) : mType(varSingle), mValue(double(value)) {}
Variant::Variant(double value) : mType(varDouble), mValue(value) {}
Variant::Variant(Currency value) : mType(varCurrency), mValue(value) {}
Variant::Variant(const QString& value) : mType(varUString), mValue(value) {}
Variant::Variant(const char* utf8) : mType(varUString), mValue(QString::fromUtf8(utf8)) {}
Variant::Variant(const QByteArray& value) : mType(varString), mValue(value) {}

Variant Variant::Null() { return Variant(varNull, std::monostate{}); }
Variant Variant::FromDateTime(TDateTime value) { return Variant(varDate, value); }
Variant Variant::OleStr(const QString& value) { return Variant(varOleStr, value); }
Variant Variant::Bytes(const QByteArray& bytes) { return Variant(VarType(varArray | varByte), bytes); }
Variant Variant::Array(std::vector<Variant> elements) {
    return Variant(VarType(varArray | varVariant), std::make_shared<std::vector<Variant>>(std::move(elements)));
}

bool Variant::IsNumeric() const {
    return IsSignedCode(mType) || IsUnsignedCode(mType) || mType == varSingle || mType == varDouble ||
           mType == varCurrency;
}
bool Variant::IsOrdinal() const { return IsSignedCode(mType) || IsUnsignedCode(mType) || mType == varBoolean; }
bool Variant::IsFloat() const { return mType == varSingle || mType == varDouble; }
bool Variant::IsStr() const { return IsStringCode(mType); }

void Variant::CastError(VarType target) const {
    throw EVariantError(QStringLiteral("Could not convert variant of type (%1) into type (%2)")
                            .arg(VarTypeName(mType), VarTypeName(target)));
}

void Variant::OverflowError(VarType target) const {
    throw EVariantOverflowError(QStringLiteral("Overflow while converting variant of type (%1) into type (%2)")
                                    .arg(VarTypeName(mType), VarTypeName(target)));
}

// --- arrays -------------------------------------------------------------------

int Variant::ArrayCount() const {
    if (mType == (varArray | varByte)) return int(std::get<QByteArray>(mValue).size());
    if (mType == (varArray | varVariant)) return int(std::get<ArrayPtr>(mValue)->size());
    throw EVariantError(QStringLiteral("Variant is not an array"));
}

Variant Variant::Element(int index) const {
    if (index < 0 || index >= ArrayCount()) {
        throw EVariantError(QStringLiteral("Variant array index %1 out of bounds").arg(index));
    }
    if (mType == (varArray | varByte)) return Variant((unsigned char)(std::get<QByteArray>(mValue)[index]));
    return (*std::get<ArrayPtr>(mValue))[size_t(index)];
}

void Variant::SetElement(int index, const Variant& value) {
    if (index < 0 || index >= ArrayCount()) {
        throw EVariantError(QStringLiteral("Variant array index %1 out of bounds").arg(index));
    }
    if (mType == (varArray | varByte)) {
        const uint64_t byte = value.AsUInt64();
        if (byte > 255) value.OverflowError(varByte);
        std::get<QByteArray>(mValue)[index] = char(byte);
        return;
    }
    ArrayPtr& array = std::get<ArrayPtr>(mValue);
    if (array.use_count() > 1) array = std::make_shared<std::vector<Variant>>(*array);  // copies stay apart
    (*array)[size_t(index)] = value;
}

// --- conversions --------------------------------------------------------------

int64_t Variant::AsInt64() const {
    switch (mType) {
    case varEmpty: return 0;
    case varBoolean: return std::get<bool>(mValue) ? -1 : 0;
    case varCurrency: return CurrencyToWhole(std::get<Currency>(mValue));
    default: break;
    }
    if (IsSignedCode(mType)) return std::get<int64_t>(mValue);
    if (IsUnsignedCode(mType)) {
        const uint64_t v = std::get<uint64_t>(mValue);
        if (v > uint64_t(INT64_MAX)) OverflowError(varInt64);
        return int64_t(v);
    }
    if (IsFloatCode(mType)) {
        try {
            return Round(std::get<double>(mValue));
        } catch (const ERangeError&) {
            OverflowError(varInt64);
        }
    }
    if (IsStringCode(mType)) {
        const QString text = AsString();
        int64_t v = 0;
        if (TryStrToInt64(text, v)) return v;
        double d = 0;
        if (TryStrToFloat(text, d)) return Variant(d).AsInt64();
    }
    CastError(varInt64);
}

int32_t Variant::AsInteger() const {
    const int64_t v = AsInt64();
    if (v < INT32_MIN || v > INT32_MAX) OverflowError(varInteger);
    return int32_t(v);
}

uint64_t Variant::AsUInt64() const {
    if (IsUnsignedCode(mType)) return std::get<uint64_t>(mValue);
    if (IsFloatCode(mType)) {
        const double d = std::get<double>(mValue);
        if (!(d > -0.5 && d < 18446744073709551616.0)) OverflowError(varUInt64);
        if (d >= 9223372036854775808.0) return uint64_t(std::nearbyint(d));
    }
    const int64_t v = AsInt64();
    if (v < 0) OverflowError(varUInt64);
    return uint64_t(v);
}

double Variant::AsDouble() const {
    switch (mType) {
    case varEmpty: return 0;
    case varBoolean: return std::get<bool>(mValue) ? -1 : 0;
    case varCurrency: return std::get<Currency>(mValue).ToDouble();
    default: break;
    }
    if (IsSignedCode(mType)) return double(std::get<int64_t>(mValue));
    if (IsUnsignedCode(mType)) return double(std::get<uint64_t>(mValue));
    if (IsFloatCode(mType)) return std::get<double>(mValue);
    if (IsStringCode(mType)) {
        double d = 0;
        if (TryStrToFloat(AsString(), d)) return d;
    }
    CastError(varDouble);
}

float Variant::AsSingle() const {
    const double d = AsDouble();
    if (std::isfinite(d) && std::fabs(d) > double(std::numeric_limits<float>::max())) OverflowError(varSingle);
    return float(d);
}

Currency Variant::AsCurrency() const {
    if (mType == varCurrency) return std::get<Currency>(mValue);
    if (IsStringCode(mType)) {
        Currency c;
        if (TryStrToCurr(AsString(), c, FormatSettings())) return c;
    }
    if (IsSignedCode(mType) || IsUnsignedCode(mType)) {
        const int64_t v = AsInt64();
        if (v > INT64_MAX / Currency::Scale || v < INT64_MIN / Currency::Scale) OverflowError(varCurrency);
        return Currency::FromInt(v);
    }
    const double d = AsDouble();
    try {
        return Currency::FromDouble(d);
    } catch (const ERangeError&) {
        OverflowError(varCurrency);
    }
}

TDateTime Variant::AsDateTime() const {
    if (IsStringCode(mType)) {
        TDateTime value = 0;
        const QString text = AsString();
        if (TryStrToDateTime(text, value, FormatSettings())) return value;
        double d = 0;
        if (TryStrToFloat(text, d)) return d;
        CastError(varDate);
    }
    return AsDouble();
}

bool Variant::AsBoolean() const {
    if (mType == varBoolean) return std::get<bool>(mValue);
    if (mType == varEmpty) return false;
    if (IsStringCode(mType)) {
        const QString text = AsString().trimmed();
        if (text.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
        if (text.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
        double d = 0;
        if (TryStrToFloat(text, d)) return d != 0;
        CastError(varBoolean);
    }
    if (IsNumeric() || mType == varDate) return AsDouble() != 0;
    CastError(varBoolean);
}

QString Variant::AsString() const {
    switch (mType) {
    case varEmpty: return QString();
    case varBoolean: return std::get<bool>(mValue) ? QStringLiteral("True") : QStringLiteral("False");
    case varCurrency: return CurrToStr(std::get<Currency>(mValue));
    case varDate: return DateTimeToStr(std::get<double>(mValue));
    case varSingle: return FloatToStrF(std::get<double>(mValue), ffGeneral, 7, 0);
    case varDouble: return FloatToStr(std::get<double>(mValue));
    case varString: return AnsiToString(std::get<QByteArray>(mValue));
    case varUString: case varOleStr: return std::get<QString>(mValue);
    default: break;
    }
    if (IsSignedCode(mType)) return QString::number(std::get<int64_t>(mValue));
    if (IsUnsignedCode(mType)) return QString::number(std::get<uint64_t>(mValue));
    CastError(varUString);
}

QByteArray Variant::AnsiString() const {
    if (mType == varString) return std::get<QByteArray>(mValue);
    return StringToAnsi(AsString());
}

QByteArray Variant::AsBytes() const {
    if (mType == (varArray | varByte)) return std::get<QByteArray>(mValue);
    if (mType == (varArray | varVariant)) {
        QByteArray bytes;
        for (const Variant& v : *std::get<ArrayPtr>(mValue)) {
            const uint64_t b = v.AsUInt64();
            if (b > 255) v.OverflowError(varByte);
            bytes.append(char(b));
        }
        return bytes;
    }
    if (mType == varEmpty) return QByteArray();
    if (IsStringCode(mType)) return AnsiString();
    CastError(VarType(varArray | varByte));
}

std::vector<Variant> Variant::AsArray() const {
    if (mType == (varArray | varVariant)) return *std::get<ArrayPtr>(mValue);
    if (mType == (varArray | varByte)) {
        std::vector<Variant> out;
        for (char c : std::get<QByteArray>(mValue)) out.emplace_back((unsigned char)c);
        return out;
    }
    CastError(VarType(varArray | varVariant));
}

Variant Variant::ConvertTo(VarType type) const {
    if (type == mType) return *this;
    switch (type) {
    case varEmpty: return Variant();
    case varNull: return Null();
    case varBoolean: return Variant(AsBoolean());
    case varShortInt: case varSmallint: case varInteger: case varInt64: {
        const int64_t v = AsInt64();
        const int64_t lo = type == varShortInt ? INT8_MIN : type == varSmallint ? INT16_MIN : type == varInteger ? INT32_MIN : INT64_MIN;
        const int64_t hi = type == varShortInt ? INT8_MAX : type == varSmallint ? INT16_MAX : type == varInteger ? INT32_MAX : INT64_MAX;
        if (v < lo || v > hi) OverflowError(type);
        return Variant(type, v);
    }
    case varByte: case varWord: case varLongWord: case varUInt64: {
        const uint64_t v = AsUInt64();
        const uint64_t hi = type == varByte ? UINT8_MAX : type == varWord ? UINT16_MAX : type == varLongWord ? UINT32_MAX : UINT64_MAX;
        if (v > hi) OverflowError(type);
        return Variant(type, v);
    }
    case varSingle: return Variant(AsSingle());
    case varDouble: return Variant(AsDouble());
    case varCurrency: return Variant(AsCurrency());
    case varDate: return FromDateTime(AsDateTime());
    case varUString: return Variant(AsString());
    case varOleStr: return OleStr(AsString());
    case varString: return Variant(AnsiString());
    default: break;
    }
    if (type == (varArray | varByte)) return Bytes(AsBytes());
    if (type == (varArray | varVariant)) return Array(AsArray());
    CastError(type);
}

// --- comparison ---------------------------------------------------------------

namespace {

template <class T>
TVariantRelationship Relate(const T& a, const T& b) {
    return a < b ? vrLessThan : (b < a ? vrGreaterThan : vrEqual);
}

}  // namespace

TVariantRelationship Variant::Compare(const Variant& other) const {
    if (IsNullOrEmpty() || other.IsNullOrEmpty()) return mType == other.mType ? vrEqual : vrNotEqual;
    if (IsArray() || other.IsArray()) {
        if (!IsArray() || !other.IsArray() || ArrayCount() != other.ArrayCount()) return vrNotEqual;
        for (int i = 0; i < ArrayCount(); ++i) {
            if (Element(i).Compare(other.Element(i)) != vrEqual) return vrNotEqual;
        }
        return vrEqual;
    }
    if (IsStr() && other.IsStr()) return Relate(AsString(), other.AsString());
    if (IsStr() || other.IsStr()) {
        // A string against a number: as numbers when the text is one.
        const Variant& text = IsStr() ? *this : other;
        double d = 0;
        if (!TryStrToFloat(text.AsString(), d)) return Relate(AsString(), other.AsString());
        const double a = IsStr() ? d : AsDouble();
        const double b = IsStr() ? other.AsDouble() : d;
        return Relate(a, b);
    }
    if (IsOrdinal() && other.IsOrdinal()) {
        // Exact for the whole 64-bit ranges of both signs.
        const bool aUnsigned = IsUnsignedCode(mType), bUnsigned = IsUnsignedCode(other.mType);
        if (aUnsigned && bUnsigned) return Relate(AsUInt64(), other.AsUInt64());
        if (!aUnsigned && !bUnsigned) return Relate(AsInt64(), other.AsInt64());
        const int64_t s = aUnsigned ? other.AsInt64() : AsInt64();
        const uint64_t u = aUnsigned ? AsUInt64() : other.AsUInt64();
        const TVariantRelationship signedVsUnsigned = s < 0 ? vrLessThan : Relate(uint64_t(s), u);
        if (!aUnsigned) return signedVsUnsigned;
        return signedVsUnsigned == vrLessThan ? vrGreaterThan : signedVsUnsigned == vrGreaterThan ? vrLessThan : vrEqual;
    }
    if (mType == varCurrency && other.mType == varCurrency) {
        return Relate(std::get<Currency>(mValue).Raw, std::get<Currency>(other.mValue).Raw);
    }
    return Relate(AsDouble(), other.AsDouble());
}

// --- typing rule --------------------------------------------------------------

TFieldType VarTypeToDataType(VarType type) {
    switch (type) {
    case varUString: case varOleStr: return ftWideString;
    case varString: return ftString;
    case varSmallint: return ftSmallint;
    case varInteger: return ftInteger;
    case varSingle: return ftSingle;
    case varDouble: case varLongWord: return ftFloat;
    case varCurrency: return ftBCD;
    case varDate: return ftDateTime;
    case varBoolean: return ftBoolean;
    case varShortInt: return ftShortint;
    case varByte: return ftByte;
    case varWord: return ftWord;
    case varInt64: case varUInt64: return ftLargeint;
    default: break;
    }
    if (type == (varArray | varByte)) return ftBlob;
    return ftUnknown;
}
