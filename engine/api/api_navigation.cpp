#include "engine/api/api.h"

using namespace engine;

UNSIGNED32 AdsGotoBOF(ADSHANDLE /*hObj*/)
{
    return NotYetSupported("AdsGotoBOF");
}

UNSIGNED32 AdsGotoEOF(ADSHANDLE /*hObj*/)
{
    return NotYetSupported("AdsGotoEOF");
}

UNSIGNED32 AdsGotoTop(ADSHANDLE /*hObj*/)
{
    return NotYetSupported("AdsGotoTop");
}

UNSIGNED32 AdsGotoBottom(ADSHANDLE /*hObj*/)
{
    return NotYetSupported("AdsGotoBottom");
}

UNSIGNED32 AdsSkip(ADSHANDLE /*hObj*/, SIGNED32 /*lRecs*/)
{
    return NotYetSupported("AdsSkip");
}

UNSIGNED32 AdsAtBOF(ADSHANDLE /*hTable*/, UNSIGNED16* /*pbBof*/)
{
    return NotYetSupported("AdsAtBOF");
}

UNSIGNED32 AdsAtEOF(ADSHANDLE /*hTable*/, UNSIGNED16* /*pbEof*/)
{
    return NotYetSupported("AdsAtEOF");
}

UNSIGNED32 AdsIsRecordVisible(ADSHANDLE /*hObj*/, UNSIGNED16* /*pbVisible*/)
{
    return NotYetSupported("AdsIsRecordVisible");
}

UNSIGNED32 AdsGotoRecord(ADSHANDLE /*hTable*/, UNSIGNED32 /*ulRec*/)
{
    return NotYetSupported("AdsGotoRecord");
}

UNSIGNED32 AdsGotoBookmark(ADSHANDLE /*hTable*/, UNSIGNED32 /*ulBookmark*/)
{
    return NotYetSupported("AdsGotoBookmark");
}

UNSIGNED32 AdsGetBookmark(ADSHANDLE /*hTable*/, UNSIGNED32* /*pulBookmark*/)
{
    return NotYetSupported("AdsGetBookmark");
}

UNSIGNED32 AdsGetBookmark60(ADSHANDLE /*hObj*/, UNSIGNED8* /*pucBookmark*/, UNSIGNED32* /*pulLength*/)
{
    return NotYetSupported("AdsGetBookmark60");
}

UNSIGNED32 AdsGetBookmarkLength(ADSHANDLE /*hObj*/, UNSIGNED32* /*pulLength*/)
{
    return NotYetSupported("AdsGetBookmarkLength");
}

UNSIGNED32 AdsCompareBookmarks(const UNSIGNED8* /*pucBookmark1*/, const UNSIGNED8* /*pucBookmark2*/, SIGNED32* /*plResult*/)
{
    return NotYetSupported("AdsCompareBookmarks");
}

UNSIGNED32 AdsGetRecordNum(ADSHANDLE /*hObj*/, UNSIGNED16 /*usFilterOption*/, UNSIGNED32* /*pulRec*/)
{
    return NotYetSupported("AdsGetRecordNum");
}

UNSIGNED32 AdsGetRecordCount(ADSHANDLE /*hObj*/, UNSIGNED16 /*usFilterOption*/, UNSIGNED32* /*pulCount*/)
{
    return NotYetSupported("AdsGetRecordCount");
}

UNSIGNED32 AdsGetKeyNum(ADSHANDLE /*hObj*/, UNSIGNED16 /*usFilterOption*/, UNSIGNED32* /*pulKey*/)
{
    return NotYetSupported("AdsGetKeyNum");
}

UNSIGNED32 AdsGetRelKeyPos(ADSHANDLE /*hIndex*/, DOUBLE* /*pdPos*/)
{
    return NotYetSupported("AdsGetRelKeyPos");
}

UNSIGNED32 AdsSetRelKeyPos(ADSHANDLE /*hIndex*/, DOUBLE /*dPos*/)
{
    return NotYetSupported("AdsSetRelKeyPos");
}

UNSIGNED32 AdsIsRecordDeleted(ADSHANDLE /*hTable*/, UNSIGNED16* /*pbDeleted*/)
{
    return NotYetSupported("AdsIsRecordDeleted");
}

UNSIGNED32 AdsGetDeleted(UNSIGNED16* /*pbShowDeleted*/)
{
    return NotYetSupported("AdsGetDeleted");
}

UNSIGNED32 AdsSetDeleted(UNSIGNED16 /*bShowDeleted*/)
{
    return NotYetSupported("AdsSetDeleted");
}
