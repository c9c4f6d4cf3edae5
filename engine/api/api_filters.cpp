#include "engine/api/api.h"

using namespace engine;

UNSIGNED32 AdsSetAOF100(ADSHANDLE /*hTable*/, const void* /*pvFilter*/, UNSIGNED32 /*ulOptions*/)
{
    return NotYetSupported("AdsSetAOF100");
}

UNSIGNED32 AdsSetFilter100(ADSHANDLE /*hTable*/, const void* /*pvFilter*/, UNSIGNED32 /*ulOptions*/)
{
    return NotYetSupported("AdsSetFilter100");
}

UNSIGNED32 AdsClearAOF(ADSHANDLE /*hTable*/)
{
    return NotYetSupported("AdsClearAOF");
}

UNSIGNED32 AdsClearFilter(ADSHANDLE /*hTable*/)
{
    return NotYetSupported("AdsClearFilter");
}

UNSIGNED32 AdsGetAOF(ADSHANDLE /*hTable*/, char* /*pucFilter*/, UNSIGNED16* /*pusLen*/)
{
    return NotYetSupported("AdsGetAOF");
}

UNSIGNED32 AdsGetFilter(ADSHANDLE /*hTable*/, char* /*pucFilter*/, UNSIGNED16* /*pusLen*/)
{
    return NotYetSupported("AdsGetFilter");
}

UNSIGNED32 AdsRefreshAOF(ADSHANDLE /*hTable*/)
{
    return NotYetSupported("AdsRefreshAOF");
}

UNSIGNED32 AdsGetAOFOptLevel100(ADSHANDLE /*hTable*/, UNSIGNED16* /*pusOptLevel*/, void* /*pvNonOpt*/, UNSIGNED32* /*pulLen*/, UNSIGNED32 /*ulOptions*/)
{
    return NotYetSupported("AdsGetAOFOptLevel100");
}

UNSIGNED32 AdsSetExact22(ADSHANDLE /*hObj*/, UNSIGNED16 /*bExact*/)
{
    return NotYetSupported("AdsSetExact22");
}

UNSIGNED32 AdsGetExact22(ADSHANDLE /*hObj*/, UNSIGNED16* /*pbExact*/)
{
    return NotYetSupported("AdsGetExact22");
}

UNSIGNED32 AdsExpressionLongToShort90(ADSHANDLE /*hTable*/, const char* /*pucLongExpr*/, char* /*pucShortExpr*/, UNSIGNED32* /*pulBufLen*/)
{
    return NotYetSupported("AdsExpressionLongToShort90");
}

UNSIGNED32 AdsExpressionShortToLong90(ADSHANDLE /*hTable*/, const char* /*pucShortExpr*/, char* /*pucLongExpr*/, UNSIGNED32* /*pulBufLen*/)
{
    return NotYetSupported("AdsExpressionShortToLong90");
}

UNSIGNED32 AdsEvalLogicalExpr(ADSHANDLE /*hTable*/, const char* /*pucExpr*/, UNSIGNED16* /*pbResult*/)
{
    return NotYetSupported("AdsEvalLogicalExpr");
}

UNSIGNED32 AdsSetScope(ADSHANDLE /*hIndex*/, UNSIGNED16 /*usScopeOption*/, const void* /*pvScope*/, UNSIGNED16 /*usScopeLen*/, UNSIGNED16 /*usDataType*/)
{
    return NotYetSupported("AdsSetScope");
}

UNSIGNED32 AdsGetScope(ADSHANDLE /*hIndex*/, UNSIGNED16 /*usScopeOption*/, void* /*pvScope*/, UNSIGNED16* /*pusBufLen*/)
{
    return NotYetSupported("AdsGetScope");
}

UNSIGNED32 AdsClearScope(ADSHANDLE /*hIndex*/, UNSIGNED16 /*usScopeOption*/)
{
    return NotYetSupported("AdsClearScope");
}

UNSIGNED32 AdsClearAllScopes(ADSHANDLE /*hTable*/)
{
    return NotYetSupported("AdsClearAllScopes");
}

UNSIGNED32 AdsSeek(ADSHANDLE /*hIndex*/, const UNSIGNED8* /*pucKey*/, UNSIGNED16 /*usKeyLen*/, UNSIGNED16 /*usDataType*/, UNSIGNED16 /*usSeekType*/, UNSIGNED16* /*pbFound*/)
{
    return NotYetSupported("AdsSeek");
}
