// Field values: a new record starts as the engine's empty record, with the
// fields' default expressions applied.
#include "ads/adsdata.h"

#include "ads/ace.h"
#include "framework/bcd.h"
#include "framework/datetime.h"
#include "framework/formatsettings.h"
#include "platform/codepages.h"

#include <cmath>
#include <cstring>

namespace {

template <class T>
QByteArray Bytes(const T& value)
{
    return QByteArray(reinterpret_cast<const char*>(&value), int(sizeof(T)));
}

// The text between surrounding single quotes; false without them.
bool QuotedText(const QString& expression, QString& text)
{
    if (expression.size() < 2 || !expression.startsWith(QLatin1Char('\'')) || !expression.endsWith(QLatin1Char('\'')))
        return false;
    text = expression.mid(1, expression.size() - 2);
    return true;
}

int32_t DefaultInteger(const QString& expression, uint16_t engineType)
{
    const int32_t value = StrToInt(expression);
    if (value == INT32_MIN || (engineType == ADS_SHORTINT && (value > 32767 || value < -32767)))
        throw EADSDatabaseError(nullptr, 0, "Numeric out of range:" + expression);
    return value;
}

} // namespace

void TAdsDataSet::InitNewRecord(TRecordBuffer buffer)
{
    const uint32_t cursor = uint32_t(mlHandle);
    Check(ace::AdsClearRecordBuffer(cursor, buffer, musRecordSize));
    uint16_t columns = 0;
    Check(ace::AdsGetNumFields(cursor, &columns));
    for (uint16_t c = 1; c <= columns; ++c) {
        TACEFieldDef* def = const_cast<TACEFieldDef*>(ColumnDef(c));
        if (!def)
            break;
        def->SetModified(State() == dsEdit);
        if (IsMemoLikeType(def->FType)) {
            // A new record's memo is empty; with blob fields the image holds
            // the empty marker, as after every read.
            if (BlobFieldCount() > 0)
                std::memset(buffer + def->FOffset, 0, 4);
            continue;
        }
        if (def->FType == ADS_AUTOINC) {
            const uint32_t marker = ValueTableKind() == vtkADT ? 0xFFFFFFFFu : 0;
            if (ValueTableKind() != vtkDBF)
                std::memcpy(buffer + def->FOffset, &marker, 4);
            continue;
        }
        ApplyDefaultExpression(*def, buffer);
    }
    ClearBlobCaches(buffer);
}

void TAdsDataSet::ApplyDefaultExpression(const TACEFieldDef& def, TRecordBuffer buffer)
{
    TField* field = FindField(def.FName);
    if (!field || field->DefaultExpression().isEmpty())
        return;
    auto failure = [&](const Exception& error) {
        return EADSDatabaseError(this, 0, "Error setting default field value. (" + field->DisplayName() + ")\r\n" +
                                              error.Message());
    };
    try {
        TFieldType nativeType = ftUnknown;
        QByteArray value;
        if (DefaultValue(def, field->DefaultExpression().trimmed(), nativeType, value))
            WriteFieldValue(def.FNumber, nativeType, value.constData(), buffer);
    } catch (const EADSDatabaseError& error) {
        throw failure(error);
    } catch (const EConvertError& error) {
        throw failure(error);
    } catch (const EBcdOverflowError& error) {
        // A number too long for a BCD value is a bad default like any other.
        throw failure(error);
    }
    const_cast<TACEFieldDef&>(def).SetModified(true);
}

bool TAdsDataSet::DefaultValue(const TACEFieldDef& def, const QString& expression, TFieldType& nativeType,
                               QByteArray& value)
{
    QString text;
    switch (def.FType) {
    case ADS_LOGICAL: {
        const QString upper = expression.toUpper();
        const bool truth = upper == QLatin1String("TRUE") || upper == QLatin1String("T") ||
                           upper == QLatin1String(".T.") || upper == QLatin1String("1");
        nativeType = ftBoolean;
        value = Bytes<int16_t>(truth ? -1 : 0);
        return true;
    }
    case ADS_NUMERIC:
        if (ValueTableKind() == vtkADT && !mpoAdsTableOptions->AdsNumericsAsFloats()) {
            nativeType = ftBCD;
            value = Bytes(StrToBcd(expression));
        } else {
            nativeType = ftFloat;
            value = Bytes(StrToFloat(expression));
        }
        return true;
    case ADS_DATE: case ADS_COMPACTDATE:
        nativeType = ftDate;
        value = Bytes<int32_t>(int32_t(std::trunc(StrToDate(expression))) + DateDelta);
        return true;
    case ADS_STRING: case ADS_CISTRING: case ADS_VARCHAR:
        if (!QuotedText(expression, text))
            return false;
        nativeType = ftString;
        value = StringToAnsi(text);  // QByteArray keeps a terminator behind its data
        return true;
    case ADS_DOUBLE: case ADS_CURDOUBLE:
        nativeType = ftFloat;
        value = Bytes(StrToFloat(expression));
        return true;
    case ADS_INTEGER: case ADS_SHORTINT:
        nativeType = ftInteger;
        value = Bytes(DefaultInteger(expression, def.FType));
        return true;
    case ADS_TIME: {
        const TDateTime time = StrToTime(expression);
        const double fraction = time - std::floor(time);
        nativeType = ftTime;
        value = Bytes<int32_t>(int32_t(std::llround(fraction * MSecsPerDay)));
        return true;
    }
    case ADS_TIMESTAMP: case ADS_MODTIME:
        nativeType = ftDateTime;
        value = Bytes<double>((StrToDateTime(expression) + DateDelta) * MSecsPerDay);
        return true;
    case ADS_MONEY: case ADS_LONGLONG:
        nativeType = ftBCD;
        value = Bytes(StrToBcd(expression));
        return true;
    case ADS_NCHAR: case ADS_NVARCHAR: {
        if (!QuotedText(expression, text))
            return false;
        nativeType = ftWideString;
        value = QByteArray(reinterpret_cast<const char*>(text.utf16()), int(text.size() + 1) * 2);
        return true;
    }
    default:
        return false;
    }
}
