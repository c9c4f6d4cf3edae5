// The connection's own parameter binder: parameter i of the collection goes
// to engine parameter i + 1, whatever its name, one engine call chosen by
// its data type; its errors name no dataset.
#include "ads/adscnnct.h"

#include "ads/ace.h"
#include "ads/adserror.h"
#include "framework/datetime.h"
#include "framework/params.h"
#include "platform/codepages.h"

#include <cstring>

namespace {

// The binary type the engine gives to parameter bytes.
constexpr UNSIGNED16 kBinaryParameter = 6;

[[noreturn]] void RefuseType(const TParam& param, const QString& why)
{
    throw EADSDatabaseError(nullptr, kAdsDataSetErrorCode,
                            QStringLiteral("The field named: '") + param.Name() + QStringLiteral("' ") + why);
}

// 8 bytes, little-endian: the Julian day, then the milliseconds of the day.
QByteArray TimeStampImage(TDateTime value)
{
    const int32_t day = DateTimeToJulianDay(value);
    const int32_t milliseconds = DateTimeToMSecsOfDay(value);
    QByteArray image(8, '\0');
    for (int i = 0; i < 4; ++i) {
        image[i] = char(uint32_t(day) >> (8 * i));
        image[4 + i] = char(uint32_t(milliseconds) >> (8 * i));
    }
    return image;
}

void BindOne(uint32_t statement, int position, const TParam& param)
{
    const ADSFIELD_ID id = ADSFIELD(position);
    if (param.IsNull()) {
        CheckAdsResult(ace::AdsSetEmpty(statement, id));
        return;
    }
    switch (param.DataType()) {
    case ftUnknown:
        RefuseType(param, QStringLiteral("has the DataType of ftUnknown, which is invalid."));
    case ftBoolean:
        CheckAdsResult(ace::AdsSetLogical(statement, id, param.AsBoolean() ? 1 : 0));
        return;
    case ftFloat:
    case ftCurrency:
        CheckAdsResult(ace::AdsSetDouble(statement, id, param.AsFloat()));
        return;
    case ftDate:
        CheckAdsResult(ace::AdsSetJulian(statement, id, DateTimeToJulianDay(param.AsDateTime())));
        return;
    case ftTime:
        CheckAdsResult(ace::AdsSetMilliseconds(statement, id, DateTimeToMSecsOfDay(param.AsDateTime())));
        return;
    case ftDateTime:
    case ftTimeStamp: {
        const QByteArray image = TimeStampImage(param.AsDateTime());
        CheckAdsResult(ace::AdsSetTimeStampRaw(statement, id, reinterpret_cast<const UNSIGNED8*>(image.constData()),
                                               UNSIGNED32(image.size())));
        return;
    }
    case ftBytes:
    case ftVarBytes:
    case ftBlob:
    case ftGraphic: {
        const QByteArray data = param.DataImage();
        CheckAdsResult(ace::AdsSetBinary(statement, id, kBinaryParameter, UNSIGNED32(data.size()), 0,
                                         reinterpret_cast<const UNSIGNED8*>(data.constData()),
                                         UNSIGNED32(data.size())));
        return;
    }
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftCursor:
    case ftADT:
    case ftArray:
    case ftReference:
    case ftDataSet:
        RefuseType(param, QStringLiteral("has a DataType that is not supported."));
    case ftWideString:
    case ftWideMemo: {
        const QString text = param.AsString();
        CheckAdsResult(ace::AdsSetStringW(statement, id, reinterpret_cast<const char16_t*>(text.utf16()),
                                          UNSIGNED32(text.size())));
        return;
    }
    case ftString:
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftBCD:
    case ftAutoInc:
    case ftMemo:
    case ftFmtMemo:
    case ftFixedChar:
    case ftLargeint: {
        const QByteArray text = StringToAnsi(param.AsString());
        CheckAdsResult(ace::AdsSetString(statement, id, text.constData(), UNSIGNED32(text.size())));
        return;
    }
    default:
        return;  // the engine parameter is left as it is
    }
}

} // namespace

bool TAdsConnection::HasParams(const TParams* Params)
{
    return Params && Params->Count() > 0;
}

void TAdsConnection::BindParamsByPosition(uint32_t statement, TParams& Params)
{
    for (int i = 0; i < Params.Count(); ++i)
        BindOne(statement, i + 1, *Params.Items(i));
}
