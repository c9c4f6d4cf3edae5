#include "engine/api/api_cursor.h"

using namespace engine;

UNSIGNED32 AdsOpenIndex(ADSHANDLE /*hTable*/, const char* /*pucName*/, ADSHANDLE* /*pahIndex*/, UNSIGNED16* /*pusArrayLen*/)
{
    return NotYetSupported("AdsOpenIndex");
}

UNSIGNED32 AdsCloseIndex(ADSHANDLE /*hIndex*/)
{
    return NotYetSupported("AdsCloseIndex");
}

UNSIGNED32 AdsCreateIndex90(ADSHANDLE /*hObj*/, const char* /*pucFileName*/, const char* /*pucTag*/, const char* /*pucExpr*/, const char* /*pucCondition*/, const char* /*pucWhile*/, UNSIGNED32 /*ulOptions*/, UNSIGNED32 /*ulPageSize*/, const char* /*pucCollation*/, ADSHANDLE* /*phIndex*/)
{
    return NotYetSupported("AdsCreateIndex90");
}

UNSIGNED32 AdsDeleteIndex(ADSHANDLE /*hIndex*/)
{
    return NotYetSupported("AdsDeleteIndex");
}

UNSIGNED32 AdsGetIndexHandle(ADSHANDLE hTable, const char* pucIndexOrder, ADSHANDLE* phIndex)
{
    const char* function = "AdsGetIndexHandle";
    return WithCursor(function, hTable, [&](Cursor&) {
        ADSHANDLE& out = Out(phIndex, function, "the index handle argument is null");
        if (pucIndexOrder != nullptr && *pucIndexOrder != '\0')
            ThrowNotYetSupported(function, "for named indexes");
        // No index can be opened yet, so the cursor runs in record order.
        out = 0;
    });
}

UNSIGNED32 AdsGetNumIndexes(ADSHANDLE hTable, UNSIGNED16* pusNum)
{
    const char* function = "AdsGetNumIndexes";
    return WithCursor(function, hTable, [&](Cursor&) { Out(pusNum, function, "the count argument is null") = 0; });
}

UNSIGNED32 AdsGetAllIndexes(ADSHANDLE hTable, ADSHANDLE* pahIndex, UNSIGNED16* pusArrayLen)
{
    const char* function = "AdsGetAllIndexes";
    (void)pahIndex;
    return WithCursor(function, hTable, [&](Cursor&) { Out(pusArrayLen, function, "the count argument is null") = 0; });
}

UNSIGNED32 AdsGetNumFTSIndexes(ADSHANDLE hTable, UNSIGNED16* pusNum)
{
    const char* function = "AdsGetNumFTSIndexes";
    return WithCursor(function, hTable, [&](Cursor&) { Out(pusNum, function, "the count argument is null") = 0; });
}

UNSIGNED32 AdsGetFTSIndexes(ADSHANDLE hTable, ADSHANDLE* pahIndex, UNSIGNED16* pusArrayLen)
{
    const char* function = "AdsGetFTSIndexes";
    (void)pahIndex;
    return WithCursor(function, hTable, [&](Cursor&) { Out(pusArrayLen, function, "the count argument is null") = 0; });
}

UNSIGNED32 AdsGetIndexName(ADSHANDLE /*hIndex*/, char* /*pucName*/, UNSIGNED16* /*pusLen*/)
{
    return NotYetSupported("AdsGetIndexName");
}

UNSIGNED32 AdsGetIndexFilename(ADSHANDLE /*hIndex*/, UNSIGNED16 /*usOption*/, char* /*pucName*/, UNSIGNED16* /*pusLen*/)
{
    return NotYetSupported("AdsGetIndexFilename");
}

UNSIGNED32 AdsGetIndexPageSize(ADSHANDLE /*hIndex*/, UNSIGNED32* /*pulPageSize*/)
{
    return NotYetSupported("AdsGetIndexPageSize");
}

UNSIGNED32 AdsGetIndexFlags(ADSHANDLE /*hIndex*/, UNSIGNED32* /*pulOptions*/)
{
    return NotYetSupported("AdsGetIndexFlags");
}

UNSIGNED32 AdsGetIndexCondition(ADSHANDLE /*hIndex*/, char* /*pucExpr*/, UNSIGNED16* /*pusLen*/)
{
    return NotYetSupported("AdsGetIndexCondition");
}

UNSIGNED32 AdsIsIndexUnique(ADSHANDLE /*hIndex*/, UNSIGNED16* /*pbUnique*/)
{
    return NotYetSupported("AdsIsIndexUnique");
}

UNSIGNED32 AdsIsIndexDescending(ADSHANDLE /*hIndex*/, UNSIGNED16* /*pbDescending*/)
{
    return NotYetSupported("AdsIsIndexDescending");
}

UNSIGNED32 AdsIsIndexCandidate(ADSHANDLE /*hIndex*/, UNSIGNED16* /*pbCandidate*/)
{
    return NotYetSupported("AdsIsIndexCandidate");
}

UNSIGNED32 AdsIsIndexPrimaryKey(ADSHANDLE /*hIndex*/, UNSIGNED16* /*pbPrimaryKey*/)
{
    return NotYetSupported("AdsIsIndexPrimaryKey");
}

UNSIGNED32 AdsIsIndexCustom(ADSHANDLE /*hIndex*/, UNSIGNED16* /*pbCustom*/)
{
    return NotYetSupported("AdsIsIndexCustom");
}

UNSIGNED32 AdsGetNumSegments(ADSHANDLE /*hIndex*/, UNSIGNED16* /*pusSegments*/)
{
    return NotYetSupported("AdsGetNumSegments");
}

UNSIGNED32 AdsGetSegmentFieldname(ADSHANDLE /*hIndex*/, UNSIGNED16 /*usSegment*/, char* /*pucName*/, UNSIGNED16* /*pusLen*/)
{
    return NotYetSupported("AdsGetSegmentFieldname");
}

UNSIGNED32 AdsGetKeyLength(ADSHANDLE /*hIndex*/, UNSIGNED16* /*pusKeyLength*/)
{
    return NotYetSupported("AdsGetKeyLength");
}

UNSIGNED32 AdsGetKeyCount(ADSHANDLE hIndex, UNSIGNED16 usFilterOption, UNSIGNED32* pulCount)
{
    const char* function = "AdsGetKeyCount";
    // On a cursor without an index every record is a key.
    return WithCursor(function, hIndex, [&](Cursor& cursor) {
        UNSIGNED16 base = usFilterOption & ~ADS_REFRESHCOUNT;
        RequireArgument(base >= ADS_RESPECTFILTERS && base <= ADS_RESPECTSCOPES, function,
                        "the filter option is not 1, 2 or 3");
        Out(pulCount, function, "the count argument is null") = cursor.CountRecords(base == ADS_RESPECTFILTERS);
    });
}

UNSIGNED32 AdsInitRawKey(ADSHANDLE /*hIndex*/)
{
    return NotYetSupported("AdsInitRawKey");
}

UNSIGNED32 AdsBuildRawKey(ADSHANDLE /*hIndex*/, UNSIGNED8* /*pucKey*/, UNSIGNED16* /*pusKeyLen*/)
{
    return NotYetSupported("AdsBuildRawKey");
}

UNSIGNED32 AdsBuildRawKey100(ADSHANDLE /*hIndex*/, UNSIGNED8* /*pucKey*/, UNSIGNED16* /*pusKeyLen*/, UNSIGNED32 /*ulOptions*/)
{
    return NotYetSupported("AdsBuildRawKey100");
}

UNSIGNED32 AdsBuildKeyFromRecord(ADSHANDLE /*hIndex*/, const UNSIGNED8* /*pucRecBuf*/, UNSIGNED32 /*ulRecLen*/, UNSIGNED8* /*pucKey*/, UNSIGNED16* /*pusKeyLen*/)
{
    return NotYetSupported("AdsBuildKeyFromRecord");
}

UNSIGNED32 AdsStepIndexKey(ADSHANDLE /*hIndex*/, UNSIGNED8* /*pucKey*/, UNSIGNED16 /*usLen*/, SIGNED16 /*sDirection*/)
{
    return NotYetSupported("AdsStepIndexKey");
}
