// Field values: raw column bytes <-> the framework's native formats, by
// engine type and table kind, including the text form of numeric columns.
#include "ads/adsdata.h"

#include "ads/ace.h"
#include "framework/bcd.h"
#include "framework/datetime.h"
#include "framework/formatsettings.h"

#include <cmath>
#include <QtEndian>
#include <cstring>

namespace {

constexpr char kNumericOutOfRange[] = "Numeric out of range.";

// The record image is little-endian.
uint16_t U16(const quint8* p) { return qFromLittleEndian<quint16>(p); }
uint32_t U32(const quint8* p) { return qFromLittleEndian<quint32>(p); }
int32_t S32(const quint8* p) { return qFromLittleEndian<qint32>(p); }
int64_t S64(const quint8* p) { return qFromLittleEndian<qint64>(p); }
void PutU16(quint8* p, uint16_t value) { qToLittleEndian<quint16>(value, p); }
void PutU32(quint8* p, uint32_t value) { qToLittleEndian<quint32>(value, p); }

template <class T>
T Native(const void* source)
{
    T value{};
    std::memcpy(&value, source, sizeof(T));
    return value;
}

template <class T>
void StoreNative(void* buffer, const T& value)
{
    std::memcpy(buffer, &value, sizeof(T));
}

// Trailing spaces end the text; leading ones stay.
void TerminateTrimmed(char* text, uint32_t length)
{
    text[length] = 0;
    while (length > 0 && text[length - 1] == ' ')
        text[--length] = 0;
}

void TerminateTrimmedUtf16(char16_t* text, uint32_t units)
{
    text[units] = 0;
    while (units > 0 && text[units - 1] == u' ')
        text[--units] = 0;
}

// The column's bytes up to the first terminator, as zero-terminated text.
QByteArray ColumnBytes(const quint8* p, uint32_t length)
{
    const char* text = reinterpret_cast<const char*>(p);
    return QByteArray(text, int(qstrnlen(text, length)));
}

QString ColumnText(const quint8* p, uint32_t length) { return QString::fromLatin1(ColumnBytes(p, length)); }

// The day number of a Julian day given as a double (truncated).
int32_t DayNumberOfJulian(double julian)
{
    return int32_t(std::trunc(julian - JulianDayNumberDelta));
}

// A date held as text ("YYYYMMDD" for the engine): its day number.
int32_t DayNumberOfDateText(const QByteArray& text)
{
    double julian = 0;
    // The engine's verdict is not checked: text it cannot read gives day 0.
    ace::AdsConvertStringToJulian(text.constData(), uint16_t(text.size()), &julian);
    return DayNumberOfJulian(julian);
}

// The compact date: big-endian 24 bits of year * 512 + month * 32 + day.
QByteArray CompactDateText(const quint8* p)
{
    const uint32_t packed = (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
    const uint32_t year = packed >> 9, month = (packed >> 5) & 0x0F, day = packed & 0x1F;
    return QStringLiteral("%1%2%3")
        .arg(year, 4, 10, QLatin1Char('0'))
        .arg(month, 2, 10, QLatin1Char('0'))
        .arg(day, 2, 10, QLatin1Char('0'))
        .toLatin1();
}

TBcd MoneyToBcd(int64_t amount)
{
    TBcd value;
    CurrToBCD(Currency::FromRaw(amount), value, 20, 4);
    return value;
}

} // namespace

// ---------------------------------------------------------------------------
// Raw -> native.

void TAdsDataSet::ReadFieldValue(TField* field, TRecordBuffer record, bool& isNull, void* buffer)
{
    isNull = true;
    const TACEFieldDef* def = ColumnDef(field->FieldNo());
    if (!def)
        return;
    isNull = ColumnIsNull(field, *def, record);
    if (isNull || !buffer)
        return;
    const quint8* p = record + def->FOffset;
    const uint32_t L = def->FLength;
    switch (def->FType) {
    case ADS_LOGICAL: {
        const char c = char(p[0]);
        const bool value = c == '1' || c == 'T' || c == 'Y' || c == 't' || c == 'y';
        StoreNative<int16_t>(buffer, value ? -1 : 0);
        break;
    }
    case ADS_NUMERIC: {
        // Unreadable text leaves the buffer as it was; the field still
        // counts as having a value.
        QString text = ColumnText(p, L);
        const QChar separator = FormatSettings().DecimalSeparator;
        if (field->DataType() == ftSmallint) {
            int32_t value = 0;
            if (TryStrToInt(text.trimmed(), value))
                StoreNative<int16_t>(buffer, int16_t(value));
        } else if (field->DataType() == ftBCD || field->DataType() == ftFMTBcd) {
            text = text.trimmed().replace(QLatin1Char('.'), separator);
            TBcd value;
            if (TryStrToBcd(text, value))
                StoreNative(buffer, value);
        } else {
            text.replace(QLatin1Char('.'), separator);
            double value = 0;
            if (TryStrToFloat(text, value))
                StoreNative(buffer, value);
        }
        break;
    }
    case ADS_DATE:
        if (L == 4)
            StoreNative<int32_t>(buffer, S32(p) - JulianDayNumberDelta);
        else
            StoreNative<int32_t>(buffer, DayNumberOfDateText(ColumnBytes(p, L)));
        break;
    case ADS_STRING: case ADS_CISTRING: {
        char* text = static_cast<char*>(buffer);
        std::memcpy(text, p, L);
        TerminateTrimmed(text, L);
        break;
    }
    case ADS_COMPACTDATE:
        StoreNative<int32_t>(buffer, DayNumberOfDateText(CompactDateText(p)));
        break;
    case ADS_DOUBLE: case ADS_CURDOUBLE:
        std::memcpy(buffer, p, 8);
        break;
    case ADS_INTEGER: case ADS_AUTOINC: case ADS_TIME:
        std::memcpy(buffer, p, 4);
        break;
    case ADS_SHORTINT:
        std::memcpy(buffer, p, 2);
        break;
    case ADS_TIMESTAMP: case ADS_MODTIME: {
        const uint32_t julian = U32(p);
        uint32_t msecs = U32(p + 4);
        if (ValueTableKind() == vtkVFP)
            msecs = ((uint64_t(msecs) + 500) / 1000) * 1000;  // the format keeps whole seconds
        long double value = (static_cast<long double>(julian) - JulianDayNumberDelta) * MSecsPerDay + msecs;
        StoreNative<double>(buffer, value < 0 ? 0.0 : double(value));
        break;
    }
    case ADS_RAW:
        std::memcpy(buffer, p, L);
        break;
    case ADS_MONEY:
        StoreNative(buffer, MoneyToBcd(S64(p)));
        break;
    case ADS_LONGLONG:
        StoreNative(buffer, Int64ToBcd(S64(p)));
        break;
    case ADS_VARCHAR: case ADS_VARBINARY: {
        std::memset(buffer, 0, L);
        const uint32_t n = VariableLength(*def, record);
        auto* out = static_cast<quint8*>(buffer);
        if (def->FType == ADS_VARBINARY) {
            PutU16(out, uint16_t(n));
            std::memcpy(out + 2, p, n);
        } else {
            std::memcpy(out, p, n);
            TerminateTrimmed(reinterpret_cast<char*>(out), n);
        }
        break;
    }
    case ADS_NCHAR: {
        auto* text = static_cast<char16_t*>(buffer);
        std::memcpy(text, p, L / 2 * 2);
        TerminateTrimmedUtf16(text, L / 2);
        break;
    }
    case ADS_NVARCHAR: {
        std::memset(buffer, 0, L);
        // A length word beyond the column (a damaged record) is held to it.
        const uint32_t units = qMin<uint32_t>(U16(p + L), L / 2);
        auto* text = static_cast<char16_t*>(buffer);
        std::memcpy(text, p, units * 2);
        TerminateTrimmedUtf16(text, units);
        break;
    }
    default:
        // Memo-like columns are read through blob streams.
        break;
    }
}

// The bytes of a variable column that hold its value; never more than the
// column, whatever a damaged length says.
uint32_t TAdsDataSet::VariableLength(const TACEFieldDef& def, TRecordBuffer record)
{
    const quint8* p = record + def.FOffset;
    const uint32_t L = def.FLength;
    switch (ValueTableKind()) {
    case vtkADT:
        return qMin<uint32_t>(U16(p + L), L);
    case vtkVFP: {
        uint16_t full = 0;
        Check(ace::AdsAccessVfpSystemField(uint32_t(mlHandle), ADSFIELD(def.FNumber), record, ADS_VFP_GET_VARLENGTH,
                                           &full));
        return full ? L : qMin<uint32_t>(p[L - 1], L);
    }
    default:
        return L;
    }
}

// ---------------------------------------------------------------------------
// Native -> raw.

void TAdsDataSet::WriteFieldValue(uint16_t column, TFieldType nativeType, const void* source, TRecordBuffer record)
{
    const TACEFieldDef* def = ColumnDef(column);
    if (!def)
        RaiseDataSetError(QStringLiteral("Column %1 does not exist.").arg(column));
    if (!source) {
        WriteNullValue(*def, record);
        return;
    }
    if (WriteColumnBytes(*def, nativeType, source, record) && ValueTableKind() == vtkVFP && def->Nullable())
        SetVfpSystemFlag(*def, record, ADS_VFP_SET_NULL, false);
}

bool TAdsDataSet::EmptyTextIsZeroFilled(bool empty) const
{
    return empty && !mpoAdsTableOptions->AdsPreserveSpaces() && meTableType == ttAdsADT;
}

// Every check that can refuse the value runs before the first byte of the
// column changes, so a refused value leaves the column as it was.
bool TAdsDataSet::WriteColumnBytes(const TACEFieldDef& def, TFieldType nativeType, const void* source,
                                   TRecordBuffer record)
{
    quint8* p = record + def.FOffset;
    const uint32_t L = def.FLength;
    switch (def.FType) {
    case ADS_LOGICAL:
        p[0] = Native<int16_t>(source) != 0 ? 'T' : 'F';
        return true;
    case ADS_NUMERIC: {
        const QByteArray text = NumericColumnText(def, nativeType, source);
        std::memset(p, ' ', L);
        std::memcpy(p + L - uint32_t(text.size()), text.constData(), size_t(text.size()));
        return true;
    }
    case ADS_DATE:
        WriteEngineDate(def, Native<int32_t>(source), p);
        return true;
    case ADS_STRING: case ADS_CISTRING: {
        const auto* text = static_cast<const char*>(source);
        const uint32_t n = qMin<uint32_t>(uint32_t(std::strlen(text)), L);
        std::memset(p, EmptyTextIsZeroFilled(n == 0) ? 0 : ' ', L);
        std::memcpy(p, text, n);
        return true;
    }
    case ADS_COMPACTDATE: {
        char text[14] = {};
        uint16_t length = 13;
        Check(ace::AdsConvertJulianToString(double(Native<int32_t>(source)) + JulianDayNumberDelta, text, &length));
        const QByteArray digits(text, qMin<int>(length, 8));
        const uint32_t packed = digits.left(4).toUInt() * 512 + digits.mid(4, 2).toUInt() * 32 + digits.mid(6, 2).toUInt();
        p[0] = quint8(packed >> 16);
        p[1] = quint8(packed >> 8);
        p[2] = quint8(packed);
        return true;
    }
    case ADS_DOUBLE: case ADS_CURDOUBLE:
        std::memcpy(p, source, 8);
        return true;
    case ADS_INTEGER: case ADS_AUTOINC: case ADS_TIME:
        std::memcpy(p, source, 4);
        return true;
    case ADS_SHORTINT:
        std::memcpy(p, source, 2);
        return true;
    case ADS_TIMESTAMP: case ADS_MODTIME: {
        const double value = Native<double>(source);
        const double days = std::trunc(value / MSecsPerDay);
        PutU32(p, uint32_t(int64_t(days) + JulianDayNumberDelta));
        PutU32(p + 4, uint32_t(std::llround(value - days * MSecsPerDay)));
        return true;
    }
    case ADS_RAW:
        std::memcpy(p, source, L);
        return true;
    case ADS_MONEY: {
        Currency amount;
        if (!BCDToCurr(Native<TBcd>(source), amount))
            RaiseDataSetError(QString::fromLatin1(kNumericOutOfRange));
        std::memcpy(p, &amount.Raw, 8);
        return true;
    }
    case ADS_LONGLONG: {
        // Only whole values within 64 bits: anything else would be stored
        // as a different number.
        const TBcd value = Native<TBcd>(source);
        int64_t whole = 0;
        try {
            whole = BcdToInt64(value);
        } catch (const ERangeError&) {
            RaiseDataSetError(QString::fromLatin1(kNumericOutOfRange));
        }
        if (BcdCompare(value, Int64ToBcd(whole)) != 0)
            RaiseDataSetError(QString::fromLatin1(kNumericOutOfRange));
        std::memcpy(p, &whole, 8);
        return true;
    }
    case ADS_VARCHAR: case ADS_VARBINARY: {
        const bool binary = def.FType == ADS_VARBINARY;
        const auto* bytes = static_cast<const quint8*>(source);
        const uint32_t given = binary ? U16(bytes) : uint32_t(std::strlen(reinterpret_cast<const char*>(bytes)));
        const uint32_t n = qMin(given, L);
        std::memset(p, ' ', L);
        std::memcpy(p, binary ? bytes + 2 : bytes, n);
        WriteVariableLength(def, record, n);
        return true;
    }
    case ADS_NCHAR: case ADS_NVARCHAR: {
        const auto* text = static_cast<const char16_t*>(source);
        uint32_t units = 0;
        while (text[units] != 0)
            ++units;
        const uint32_t bytes = qMin(2 * units, L);
        if (EmptyTextIsZeroFilled(units == 0))
            std::memset(p, 0, L);
        else
            FillUtf16Spaces(p, L);
        std::memcpy(p, text, bytes);
        if (def.FType == ADS_NVARCHAR)
            PutU16(p + L, uint16_t(qMin(units, L / 2)));
        return true;
    }
    default:
        // Memo-like content goes through blob streams.
        return false;
    }
}

void TAdsDataSet::WriteVariableLength(const TACEFieldDef& def, TRecordBuffer record, uint32_t n)
{
    quint8* p = record + def.FOffset;
    const uint32_t L = def.FLength;
    if (ValueTableKind() == vtkADT) {
        PutU16(p + L, uint16_t(n));
    } else if (ValueTableKind() == vtkVFP) {
        if (n < L)
            p[L - 1] = quint8(n);
        SetVfpSystemFlag(def, record, ADS_VFP_SET_VARLENGTH, n >= L);
    }
}

void TAdsDataSet::WriteEngineDate(const TACEFieldDef& def, int32_t dayNumber, quint8* place)
{
    if (def.FLength == 4) {
        PutU32(place, uint32_t(dayNumber + JulianDayNumberDelta));
        return;
    }
    char text[14] = {};
    uint16_t length = 13;
    Check(ace::AdsConvertJulianToString(double(dayNumber) + JulianDayNumberDelta, text, &length));
    if (def.FLength < length)
        RaiseDataSetError(QStringLiteral("Something's wrong with engine date functions"));
    std::memcpy(place, text, length);
}

// The digits a numeric column stores for a native value; "Numeric out of
// range." when they would not fit the column.
QByteArray TAdsDataSet::NumericColumnText(const TACEFieldDef& def, TFieldType nativeType, const void* source)
{
    const int L = int(def.FLength);
    const int D = def.FDecimals;
    const QChar separator = FormatSettings().DecimalSeparator;
    QString text;
    if (nativeType == ftSmallint) {
        text = QString::number(Native<int16_t>(source));
    } else if (nativeType == ftBCD || nativeType == ftFMTBcd) {
        const TBcd value = Native<TBcd>(source);
        text = D > 0 ? BcdToStrF(value, ffFixed, L - 2, D) : BcdToStrF(value, ffFixed, L - 1, 0);
        text.replace(separator, QLatin1Char('.'));
        // A positive value must leave the sign's place free.
        if (text.isEmpty() || (text.size() == L && !text.startsWith(QLatin1Char('-'))))
            RaiseDataSetError(QString::fromLatin1(kNumericOutOfRange));
    } else {
        const double value = Native<double>(source);
        if (!std::isfinite(value))
            RaiseDataSetError(QString::fromLatin1(kNumericOutOfRange));
        text = D > 0 ? FloatToStrF(value, ffFixed, L - 1, D) : FloatToStrF(value, ffFixed, L, 0);
        text.replace(separator, QLatin1Char('.'));
    }
    if (text.size() > L || text.contains(QLatin1Char('E')))
        RaiseDataSetError(QString::fromLatin1(kNumericOutOfRange));
    return text.toLatin1();
}
