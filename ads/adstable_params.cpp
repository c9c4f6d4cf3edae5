// Binding the query's parameters to its prepared statement: by position,
// one engine call per parameter chosen by its data type.
#include "ads/adstable.h"

#include "ads/ace.h"
#include "framework/datetime.h"
#include "platform/codepages.h"

#include <cstring>

namespace {

bool IsEightBitTextType(TFieldType type)
{
    switch (type) {
    case ftString: case ftSmallint: case ftInteger: case ftWord: case ftBCD: case ftAutoInc:
    case ftMemo: case ftFmtMemo: case ftFixedChar: case ftLargeint:
        return true;
    default:
        return false;
    }
}

bool IsBinaryType(TFieldType type)
{
    return type == ftBytes || type == ftVarBytes || type == ftBlob || type == ftGraphic;
}

bool IsRefusedType(TFieldType type)
{
    return type == ftParadoxOle || type == ftDBaseOle || type == ftTypedBinary || type == ftCursor;
}

} // namespace

void TAdsQuery::BindParams()
{
    for (int i = 0; i < moParams->Count(); ++i)
        BindParam(uint16_t(i + 1), *moParams->Items(i));
}

void TAdsQuery::BindParam(uint16_t position, const TParam& param)
{
    const uint32_t statement = uint32_t(mhStmt);
    const ADSFIELD_ID id = ADSFIELD(position);
    if (param.IsNull()) {
        Check(ace::AdsSetEmpty(statement, id));
        return;
    }
    const TFieldType type = param.DataType();
    if (type == ftUnknown)
        RaiseDataSetError(QStringLiteral("The field named: '%1' has the DataType of ftUnknown, which is invalid.")
                              .arg(param.Name()));
    if (IsRefusedType(type))
        RaiseDataSetError(QStringLiteral("The field named: '%1' has a DataType that is not supported.").arg(param.Name()));
    switch (type) {
    case ftBoolean:
        Check(ace::AdsSetLogical(statement, id, param.AsBoolean() ? 1 : 0));
        return;
    case ftFloat:
    case ftCurrency:
        Check(ace::AdsSetDouble(statement, id, param.AsFloat()));
        return;
    case ftDate:
        Check(ace::AdsSetJulian(statement, id, DateTimeToJulianDay(param.AsDateTime())));
        return;
    case ftTime:
        Check(ace::AdsSetMilliseconds(statement, id, DateTimeToMSecsOfDay(param.AsDateTime())));
        return;
    case ftDateTime:
    case ftTimeStamp: {
        const TDateTime value = param.AsDateTime();
        const int32_t day = DateTimeToJulianDay(value);
        const int32_t msecs = DateTimeToMSecsOfDay(value);
        UNSIGNED8 stamp[8];
        std::memcpy(stamp, &day, 4);
        std::memcpy(stamp + 4, &msecs, 4);
        Check(ace::AdsSetTimeStampRaw(statement, id, stamp, 8));
        return;
    }
    case ftWideString:
    case ftWideMemo: {
        const QString text = param.AsString();
        Check(ace::AdsSetStringW(statement, id, reinterpret_cast<const char16_t*>(text.utf16()), uint32_t(text.size())));
        return;
    }
    default:
        break;
    }
    if (IsBinaryType(type)) {
        const QByteArray data = param.DataImage();
        Check(ace::AdsSetBinary(statement, id, ADS_BINARY, uint32_t(data.size()), 0,
                                reinterpret_cast<const UNSIGNED8*>(data.constData()), uint32_t(data.size())));
    } else if (IsEightBitTextType(type)) {
        const QByteArray text = StringToAnsi(param.AsString());
        Check(ace::AdsSetString(statement, id, text.constData(), uint32_t(text.size())));
    }
    // Every other type leaves the engine parameter as it is.
}
