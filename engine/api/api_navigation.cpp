#include "engine/api/api_cursor.h"
#include "engine/core/sql_run.h"

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace engine;

namespace {

template <class Move>
UNSIGNED32 Navigate(const char* function, ADSHANDLE hObj, Move move)
{
    return WithCursor(function, hObj, [&](Cursor& cursor) { move(cursor); });
}

UNSIGNED32 ReadBookmark(const UNSIGNED8* bookmark, const char* function)
{
    RequireArgument(bookmark != nullptr, function, "a bookmark is null");
    return UNSIGNED32(bookmark[0]) | UNSIGNED32(bookmark[1]) << 8 | UNSIGNED32(bookmark[2]) << 16
        | UNSIGNED32(bookmark[3]) << 24;
}

void CheckFilterOption(UNSIGNED16 option, const char* function)
{
    UNSIGNED16 base = option & ~ADS_REFRESHCOUNT;
    if (base < ADS_RESPECTFILTERS || base > ADS_RESPECTSCOPES)
        throw EngineError(AE_INVALID_ARGUMENT, std::string(function) + ": the filter option " + std::to_string(option)
                                                   + " is not 1, 2 or 3 (plus 4 to refresh)");
}

} // namespace

UNSIGNED32 AdsGotoBOF(ADSHANDLE hObj)
{
    return Navigate("AdsGotoBOF", hObj, [](Cursor& c) { c.GotoBOF(); });
}

UNSIGNED32 AdsGotoEOF(ADSHANDLE hObj)
{
    return Navigate("AdsGotoEOF", hObj, [](Cursor& c) { c.GotoEOF(); });
}

UNSIGNED32 AdsGotoTop(ADSHANDLE hObj)
{
    return Navigate("AdsGotoTop", hObj, [](Cursor& c) { c.GotoTop(); });
}

UNSIGNED32 AdsGotoBottom(ADSHANDLE hObj)
{
    return Navigate("AdsGotoBottom", hObj, [](Cursor& c) { c.GotoBottom(); });
}

UNSIGNED32 AdsSkip(ADSHANDLE hObj, SIGNED32 lRecs)
{
    return Navigate("AdsSkip", hObj, [&](Cursor& c) { c.Skip(lRecs); });
}

UNSIGNED32 AdsAtBOF(ADSHANDLE hTable, UNSIGNED16* pbBof)
{
    const char* function = "AdsAtBOF";
    return WithCursor(function, hTable, [&](Cursor& c) { Out(pbBof, function, "the flag argument is null") = c.AtBOF(); });
}

UNSIGNED32 AdsAtEOF(ADSHANDLE hTable, UNSIGNED16* pbEof)
{
    const char* function = "AdsAtEOF";
    return WithCursor(function, hTable, [&](Cursor& c) { Out(pbEof, function, "the flag argument is null") = c.AtEOF(); });
}

UNSIGNED32 AdsIsRecordVisible(ADSHANDLE hObj, UNSIGNED16* pbVisible)
{
    const char* function = "AdsIsRecordVisible";
    return WithCursor(function, hObj, [&](Cursor& c) {
        Out(pbVisible, function, "the flag argument is null") = c.IsCurrentVisible() ? 1 : 0;
    });
}

UNSIGNED32 AdsGotoRecord(ADSHANDLE hTable, UNSIGNED32 ulRec)
{
    return Navigate("AdsGotoRecord", hTable, [&](Cursor& c) { c.GotoRecord(ulRec); });
}

UNSIGNED32 AdsGotoBookmark(ADSHANDLE hTable, UNSIGNED32 ulBookmark)
{
    return Navigate("AdsGotoBookmark", hTable, [&](Cursor& c) { c.GotoRecord(ulBookmark); });
}

UNSIGNED32 AdsGetBookmark(ADSHANDLE hTable, UNSIGNED32* pulBookmark)
{
    const char* function = "AdsGetBookmark";
    return WithCursor(function, hTable, [&](Cursor& c) {
        Out(pulBookmark, function, "the bookmark argument is null") = c.RecordNumber();
    });
}

UNSIGNED32 AdsGetBookmark60(ADSHANDLE hObj, UNSIGNED8* pucBookmark, UNSIGNED32* pulLength)
{
    const char* function = "AdsGetBookmark60";
    return WithCursor(function, hObj, [&](Cursor& c) {
        uint32_t recno = c.RecordNumber();
        const char bytes[ADS_BOOKMARK_LENGTH] = {char(recno & 0xFF), char(recno >> 8 & 0xFF), char(recno >> 16 & 0xFF),
                                                 char(recno >> 24 & 0xFF)};
        CopyBytesOut(std::string_view(bytes, sizeof bytes), pucBookmark, pulLength, function);
    });
}

UNSIGNED32 AdsGetBookmarkLength(ADSHANDLE hObj, UNSIGNED32* pulLength)
{
    const char* function = "AdsGetBookmarkLength";
    return WithCursor(function, hObj, [&](Cursor&) {
        Out(pulLength, function, "the length argument is null") = ADS_BOOKMARK_LENGTH;
    });
}

UNSIGNED32 AdsCompareBookmarks(const UNSIGNED8* pucBookmark1, const UNSIGNED8* pucBookmark2, SIGNED32* plResult)
{
    const char* function = "AdsCompareBookmarks";
    return ApiCall(function, [&] {
        UNSIGNED32 first = ReadBookmark(pucBookmark1, function);
        UNSIGNED32 second = ReadBookmark(pucBookmark2, function);
        Out(plResult, function, "the result argument is null") = first < second ? -1 : (first > second ? 1 : 0);
    });
}

UNSIGNED32 AdsGetRecordNum(ADSHANDLE hObj, UNSIGNED16 usFilterOption, UNSIGNED32* pulRec)
{
    const char* function = "AdsGetRecordNum";
    return WithCursor(function, hObj, [&](Cursor& c) {
        CheckFilterOption(usFilterOption, function);
        Out(pulRec, function, "the record number argument is null") = c.RecordNumber();
    });
}

UNSIGNED32 AdsGetRecordCount(ADSHANDLE hObj, UNSIGNED16 usFilterOption, UNSIGNED32* pulCount)
{
    const char* function = "AdsGetRecordCount";
    std::shared_ptr<HandleObject> object = HandleRegistry::Instance().Find(hObj);
    if (object && object->Kind() == HandleKind::Statement)
        return ApiCall(function, [&] {
            Out(pulCount, function, "the count argument is null") =
                AffectedRows(static_cast<Statement&>(*object), function);
        });
    return WithCursor(function, hObj, [&](Cursor& c) {
        CheckFilterOption(usFilterOption, function);
        UNSIGNED16 base = usFilterOption & ~ADS_REFRESHCOUNT;
        Out(pulCount, function, "the count argument is null") = c.CallOrder()
            ? c.CountKeys(base == ADS_RESPECTFILTERS, base != ADS_IGNOREFILTERS)
            : c.CountRecords(base == ADS_RESPECTFILTERS);
    });
}

UNSIGNED32 AdsGetKeyNum(ADSHANDLE hObj, UNSIGNED16 usFilterOption, UNSIGNED32* pulKey)
{
    const char* function = "AdsGetKeyNum";
    return WithCursor(function, hObj, [&](Cursor& c) {
        CheckFilterOption(usFilterOption, function);
        UNSIGNED16 base = usFilterOption & ~ADS_REFRESHCOUNT;
        UNSIGNED32& out = Out(pulKey, function, "the key number argument is null");
        if (c.CallOrder())
            out = c.KeyPosition(base == ADS_RESPECTFILTERS, base != ADS_IGNOREFILTERS);
        else // without an index the keys are the records in their natural order
            out = base == ADS_RESPECTFILTERS ? c.VisiblePosition() : c.RecordNumber();
    });
}

UNSIGNED32 AdsGetRelKeyPos(ADSHANDLE hIndex, DOUBLE* pdPos)
{
    const char* function = "AdsGetRelKeyPos";
    return WithCursor(function, hIndex, [&](Cursor& c) {
        DOUBLE& out = Out(pdPos, function, "the position argument is null");
        bool ordered = c.CallOrder() != nullptr;
        uint32_t count = ordered ? c.CountKeys(true, true) : c.CountRecords(true);
        if (c.AtEOF() || (c.AtBOF() && !c.HasCurrentRecord())) {
            out = c.AtEOF() && count > 0 ? 1.0 : 0.0;
            return;
        }
        if (count == 0)
            throw EngineError(AE_NOT_FOUND, std::string(function) + ": " + c.TableName() + " has no keys");
        uint32_t position = ordered ? c.KeyPosition(true, true) : c.VisiblePosition();
        // Key k of n stands at k / n, so that a caller's count × position
        // gives k back, and AdsSetRelKeyPos(k / n) returns to key k.
        out = double(position) / double(count);
    });
}

UNSIGNED32 AdsSetRelKeyPos(ADSHANDLE hIndex, DOUBLE dPos)
{
    const char* function = "AdsSetRelKeyPos";
    return WithCursor(function, hIndex, [&](Cursor& c) {
        RequireArgument(dPos >= 0.0 && dPos <= 1.0, function, "the position is not from 0.0 to 1.0");
        uint32_t count = c.CallOrder() ? c.CountKeys(true, true) : c.CountRecords(true);
        if (count == 0)
            return c.GotoTop();
        // The inverse of AdsGetRelKeyPos: k / n goes to key k; 0 to the first.
        uint32_t position = std::clamp<uint32_t>(uint32_t(std::ceil(dPos * double(count) - 1e-9)), 1, count);
        if (c.CallOrder())
            return c.GotoKeyPosition(position);
        c.GotoTop();
        c.Skip(int32_t(position - 1));
    });
}

UNSIGNED32 AdsIsRecordDeleted(ADSHANDLE hTable, UNSIGNED16* pbDeleted)
{
    const char* function = "AdsIsRecordDeleted";
    return WithCursor(function, hTable, [&](Cursor& c) {
        Out(pbDeleted, function, "the flag argument is null") = storage::RecordLayout::IsDeleted(c.CurrentImage());
    });
}

UNSIGNED32 AdsGetDeleted(UNSIGNED16* pbShowDeleted)
{
    const char* function = "AdsGetDeleted";
    return ApiCall(function, [&] { Out(pbShowDeleted, function, "the flag argument is null") = ShowDeleted() ? 1 : 0; });
}

UNSIGNED32 AdsSetDeleted(UNSIGNED16 bShowDeleted)
{
    SetShowDeleted(bShowDeleted != 0);
    return AE_SUCCESS;
}
