#include "engine/api/api_cursor.h"

#include <algorithm>
#include <cstring>

using namespace engine;

namespace {

void RequireMemo(Cursor& cursor, size_t field, const char* function)
{
    const storage::FieldDesc& desc = cursor.Layout().Field(field);
    if (!storage::IsMemoType(desc.type))
        throw EngineError(AE_INVALID_ARGUMENT, std::string(function) + ": " + desc.name + " of "
                                                   + cursor.TableName() + " is not a memo column");
}

UNSIGNED16 MemoDataType(uint16_t type)
{
    switch (type) {
    case storage::ft::Memo:
    case storage::ft::VarCharMemo: return ADS_MEMO;
    case storage::ft::NMemo: return ADS_NMEMO;
    case storage::ft::Image:
    case storage::ft::ImageText: return ADS_IMAGE;
    default: return ADS_BINARY;
    }
}

} // namespace

UNSIGNED32 AdsGetMemoDataType(ADSHANDLE hTable, ADSFIELD_ID pucFldName, UNSIGNED16* pusType)
{
    const char* function = "AdsGetMemoDataType";
    return WithField(function, hTable, pucFldName, [&](Cursor& cursor, size_t field) {
        RequireMemo(cursor, field, function);
        Out(pusType, function, "the type argument is null") = MemoDataType(cursor.Layout().Field(field).type);
    });
}

UNSIGNED32 AdsGetDataLength(ADSHANDLE hTable, ADSFIELD_ID pucFldName, UNSIGNED32 ulOptions, UNSIGNED32* pulLength)
{
    const char* function = "AdsGetDataLength";
    return WithField(function, hTable, pucFldName, [&](Cursor& cursor, size_t field) {
        RequireArgument(ulOptions == 0, function, "the only option is 0");
        Out(pulLength, function, "the length argument is null") = FieldDataLength(cursor, field);
    });
}

UNSIGNED32 AdsGetBinaryLength(ADSHANDLE hTable, ADSFIELD_ID pucFldName, UNSIGNED32* pulLength)
{
    const char* function = "AdsGetBinaryLength";
    return WithField(function, hTable, pucFldName, [&](Cursor& cursor, size_t field) {
        uint32_t length = storage::IsMemoType(cursor.Layout().Field(field).type)
            ? cursor.Table().MemoLength(field, cursor.CurrentImage())
            : uint32_t(FieldBytes(cursor, field).size());
        Out(pulLength, function, "the length argument is null") = length;
    });
}

// Reads a piece of the content from ulOffset: as many bytes as the buffer
// holds, fewer at the end; *pulLen gives the number copied.

UNSIGNED32 AdsGetBinary(ADSHANDLE hTable, ADSFIELD_ID pucFldName, UNSIGNED32 ulOffset, UNSIGNED8* pucBuf, UNSIGNED32* pulLen)
{
    const char* function = "AdsGetBinary";
    return WithField(function, hTable, pucFldName, [&](Cursor& cursor, size_t field) {
        UNSIGNED32& length = Out(pulLen, function, "the length argument is null");
        RequireArgument(pucBuf != nullptr || length == 0, function, "the buffer is null");
        std::vector<uint8_t> bytes = FieldBytes(cursor, field);
        size_t start = std::min<size_t>(ulOffset, bytes.size());
        size_t copied = std::min<size_t>(length, bytes.size() - start);
        if (copied > 0)
            std::memcpy(pucBuf, bytes.data() + start, copied);
        length = static_cast<UNSIGNED32>(copied);
    });
}
