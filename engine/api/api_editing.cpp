#include "engine/api/api_cursor.h"

#include <xxhash.h>

using namespace engine;

namespace {

// The record a lock call names: 0 is the current record.
uint32_t LockTarget(Cursor& cursor, UNSIGNED32 ulRec, const char* function)
{
    if (ulRec == 0) {
        if (!cursor.HasCurrentRecord())
            throw EngineError(AE_NO_CURRENT_RECORD, std::string(function) + ": there is no current record in "
                                                        + cursor.TableName() + " to lock");
        return cursor.RecordNumber();
    }
    uint32_t count = cursor.Table().RecordCount();
    if (ulRec > count)
        throw EngineError(AE_INVALID_RECORD_NUMBER, std::string(function) + ": record " + std::to_string(ulRec)
                                                        + " does not exist in " + cursor.TableName() + ", which has "
                                                        + std::to_string(count) + " records");
    return ulRec;
}

} // namespace

UNSIGNED32 AdsLockRecord(ADSHANDLE hTable, UNSIGNED32 ulRec)
{
    const char* function = "AdsLockRecord";
    return WithCursor(function, hTable, [&](Cursor& c) { c.Table().LockRecord(LockTarget(c, ulRec, function)); });
}

UNSIGNED32 AdsUnlockRecord(ADSHANDLE hTable, UNSIGNED32 ulRec)
{
    const char* function = "AdsUnlockRecord";
    return WithCursor(function, hTable, [&](Cursor& c) { c.Table().UnlockRecord(LockTarget(c, ulRec, function)); });
}

UNSIGNED32 AdsLockTable(ADSHANDLE hTable)
{
    return WithCursor("AdsLockTable", hTable, [&](Cursor& c) { c.Table().LockTable(); });
}

UNSIGNED32 AdsUnlockTable(ADSHANDLE hTable)
{
    return WithCursor("AdsUnlockTable", hTable, [&](Cursor& c) { c.Table().UnlockTable(); });
}

// The checksum of the record as it is in the file now, so that a change by
// another user since the last read shows.

UNSIGNED32 AdsGetRecordCRC(ADSHANDLE hTable, UNSIGNED32* pulCRC, UNSIGNED32 ulOptions)
{
    const char* function = "AdsGetRecordCRC";
    return WithCursor(function, hTable, [&](Cursor& c) {
        RequireArgument(ulOptions == 0, function, "the only option is 0");
        UNSIGNED32& out = Out(pulCRC, function, "the checksum argument is null");
        if (!c.HasCurrentRecord())
            throw EngineError(AE_NO_CURRENT_RECORD, std::string(function) + ": there is no current record in "
                                                        + c.TableName());
        std::vector<uint8_t> stored = c.Table().ReadRecord(c.RecordNumber());
        out = XXH32(stored.data(), stored.size(), 0);
    });
}

UNSIGNED32 AdsAppendRecord(ADSHANDLE hTable)
{
    return WithCursor("AdsAppendRecord", hTable, [&](Cursor& c) { c.AppendRecord(); });
}

UNSIGNED32 AdsWriteRecord(ADSHANDLE hTable)
{
    return WithCursor("AdsWriteRecord", hTable, [&](Cursor& c) { c.WriteRecord(); });
}

UNSIGNED32 AdsDeleteRecord(ADSHANDLE hTable)
{
    return WithCursor("AdsDeleteRecord", hTable, [&](Cursor& c) { c.DeleteRecord(); });
}

UNSIGNED32 AdsRecallRecord(ADSHANDLE hTable)
{
    return WithCursor("AdsRecallRecord", hTable, [&](Cursor& c) { c.RecallRecord(); });
}

UNSIGNED32 AdsCancelUpdate(ADSHANDLE hTable)
{
    return WithCursor("AdsCancelUpdate", hTable, [&](Cursor& c) { c.CancelUpdate(); });
}

UNSIGNED32 AdsSetField(ADSHANDLE hObj, ADSFIELD_ID pucFldName, const char* pucBuf, UNSIGNED32 ulLen)
{
    const char* function = "AdsSetField";
    return WithField(function, hObj, pucFldName, [&](Cursor& c, size_t field) {
        RequireArgument(pucBuf != nullptr || ulLen == 0, function, "the value is null");
        SetFieldText(c, field, std::string_view(pucBuf ? pucBuf : "", ulLen), function);
    });
}

UNSIGNED32 AdsSetFieldW(ADSHANDLE hObj, ADSFIELD_ID pucFldName, const char16_t* pwcBuf, UNSIGNED32 ulLen)
{
    const char* function = "AdsSetFieldW";
    return WithField(function, hObj, pucFldName, [&](Cursor& c, size_t field) {
        RequireArgument(pwcBuf != nullptr || ulLen == 0, function, "the value is null");
        SetFieldUnits(c, field, std::u16string_view(pwcBuf ? pwcBuf : u"", ulLen), function);
    });
}

UNSIGNED32 AdsSetFieldRaw(ADSHANDLE hObj, ADSFIELD_ID pucFldName, const UNSIGNED8* pucBuf, UNSIGNED32 ulLen)
{
    const char* function = "AdsSetFieldRaw";
    return WithField(function, hObj, pucFldName, [&](Cursor& c, size_t field) {
        RequireArgument(pucBuf != nullptr || ulLen == 0, function, "the value is null");
        SetFieldBytes(c, field, pucBuf, ulLen, function);
    });
}

UNSIGNED32 AdsSetNull(ADSHANDLE hTable, ADSFIELD_ID pucFldName)
{
    const char* function = "AdsSetNull";
    return WithField(function, hTable, pucFldName, [&](Cursor& c, size_t field) {
        uint8_t* image = c.EditImage(function);
        if (storage::IsMemoType(c.Layout().Field(field).type))
            c.Table().WriteMemo(field, image, nullptr, 0);
        c.Layout().SetNull(field, image);
    });
}
