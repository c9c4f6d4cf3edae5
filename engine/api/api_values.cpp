#include "engine/api/api_cursor.h"

#include <cstring>

using namespace engine;

namespace {

// Values go to a column of a table's pending record; statement parameters
// and key segments are served by later versions.
template <class Body>
UNSIGNED32 SetValue(const char* function, ADSHANDLE hObj, ADSFIELD_ID field, Body&& body) noexcept
{
    std::shared_ptr<HandleObject> object = HandleRegistry::Instance().Find(hObj);
    if (object && object->Kind() == HandleKind::Statement)
        return ApiCall(function, [&] { ThrowNotYetSupported(function, "for statement parameters"); });
    return WithField(function, hObj, field, [&](Cursor& cursor, size_t index) {
        body(cursor, index, cursor.EditImage(function));
    });
}

} // namespace

UNSIGNED32 AdsSetEmpty(ADSHANDLE hObj, ADSFIELD_ID pucFldName)
{
    const char* function = "AdsSetEmpty";
    return SetValue(function, hObj, pucFldName,
                    [&](Cursor& cursor, size_t field, uint8_t*) { SetFieldEmpty(cursor, field, function); });
}

UNSIGNED32 AdsSetLogical(ADSHANDLE hObj, ADSFIELD_ID pucFldName, UNSIGNED16 bValue)
{
    return SetValue("AdsSetLogical", hObj, pucFldName, [&](Cursor& cursor, size_t field, uint8_t* image) {
        cursor.Layout().SetLogical(field, image, bValue != 0);
    });
}

UNSIGNED32 AdsSetDouble(ADSHANDLE hObj, ADSFIELD_ID pucFldName, DOUBLE dValue)
{
    return SetValue("AdsSetDouble", hObj, pucFldName, [&](Cursor& cursor, size_t field, uint8_t* image) {
        cursor.Layout().SetDouble(field, image, dValue);
    });
}

UNSIGNED32 AdsSetJulian(ADSHANDLE hObj, ADSFIELD_ID pucFldName, SIGNED32 lDate)
{
    return SetValue("AdsSetJulian", hObj, pucFldName, [&](Cursor& cursor, size_t field, uint8_t* image) {
        cursor.Layout().SetJulian(field, image, lDate);
    });
}

UNSIGNED32 AdsSetMilliseconds(ADSHANDLE hObj, ADSFIELD_ID pucFldName, SIGNED32 lTime)
{
    const char* function = "AdsSetMilliseconds";
    return SetValue(function, hObj, pucFldName, [&](Cursor& cursor, size_t field, uint8_t* image) {
        RequireArgument(lTime >= 0 && lTime < 86400000, function, "the time is not within a day");
        cursor.Layout().SetMilliseconds(field, image, lTime);
    });
}

UNSIGNED32 AdsSetTimeStampRaw(ADSHANDLE hObj, ADSFIELD_ID pucFldName, const UNSIGNED8* pucBuf, UNSIGNED32 ulLen)
{
    const char* function = "AdsSetTimeStampRaw";
    return SetValue(function, hObj, pucFldName, [&](Cursor& cursor, size_t field, uint8_t* image) {
        RequireArgument(pucBuf != nullptr && ulLen == 8, function, "a time stamp is 8 bytes");
        storage::TimeStampValue value;
        std::memcpy(&value.julian, pucBuf, 4);
        std::memcpy(&value.milliseconds, pucBuf + 4, 4);
        cursor.Layout().SetTimeStamp(field, image, value);
    });
}

UNSIGNED32 AdsSetBinary(ADSHANDLE hObj, ADSFIELD_ID pucFldName, UNSIGNED16 usBinaryType, UNSIGNED32 ulTotalLength, UNSIGNED32 ulOffset, const UNSIGNED8* pucBuf, UNSIGNED32 ulLen)
{
    const char* function = "AdsSetBinary";
    return SetValue(function, hObj, pucFldName, [&](Cursor& cursor, size_t field, uint8_t*) {
        RequireArgument(usBinaryType == ADS_BINARY_DATA || usBinaryType == ADS_IMAGE_DATA, function,
                        "the binary type is not 6 (binary) or 7 (image)");
        RequireArgument(pucBuf != nullptr || ulLen == 0, function, "the data is null");
        RequireArgument(uint64_t(ulOffset) + ulLen <= ulTotalLength, function,
                        "the piece reaches past the total length");
        // A value may arrive in pieces; it is stored when its last byte is in.
        std::vector<uint8_t>& value = cursor.BinaryChunks(field);
        if (ulOffset == 0)
            value.assign(ulTotalLength, 0);
        RequireArgument(value.size() == ulTotalLength, function, "a piece does not belong to the value begun");
        if (ulLen > 0)
            std::memcpy(value.data() + ulOffset, pucBuf, ulLen);
        if (ulOffset + ulLen == ulTotalLength) {
            std::vector<uint8_t> complete = std::move(value);
            cursor.DropBinaryChunks(field);
            SetFieldBytes(cursor, field, complete.data(), complete.size(), function);
        }
    });
}

UNSIGNED32 AdsSetString(ADSHANDLE hObj, ADSFIELD_ID pucFldName, const char* pucBuf, UNSIGNED32 ulLen)
{
    const char* function = "AdsSetString";
    return SetValue(function, hObj, pucFldName, [&](Cursor& cursor, size_t field, uint8_t*) {
        RequireArgument(pucBuf != nullptr || ulLen == 0, function, "the text is null");
        SetFieldText(cursor, field, std::string_view(pucBuf ? pucBuf : "", ulLen), function);
    });
}

UNSIGNED32 AdsSetStringW(ADSHANDLE hObj, ADSFIELD_ID pucFldName, const char16_t* pwcBuf, UNSIGNED32 ulLen)
{
    const char* function = "AdsSetStringW";
    return SetValue(function, hObj, pucFldName, [&](Cursor& cursor, size_t field, uint8_t*) {
        RequireArgument(pwcBuf != nullptr || ulLen == 0, function, "the text is null");
        SetFieldUnits(cursor, field, std::u16string_view(pwcBuf ? pwcBuf : u"", ulLen), function);
    });
}
