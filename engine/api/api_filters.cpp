#include "engine/api/api_cursor.h"

using namespace engine;

namespace {

// No filter can be set yet, so every question about one gets the answer
// "there is none" (which callers treat as a normal outcome).
UNSIGNED32 NoFilter(const char* function, ADSHANDLE hTable, const char* which)
{
    return WithCursor(function, hTable, [&](Cursor& cursor) {
        throw EngineError(AE_NO_FILTER, std::string(function) + ": no " + which + " is set on " + cursor.TableName());
    });
}

// Scopes belong to indexes, and no index is active on a cursor yet.
UNSIGNED32 NoScope(const char* function, ADSHANDLE hIndex, UNSIGNED16 scope)
{
    return WithCursor(function, hIndex, [&](Cursor& cursor) {
        RequireArgument(scope == ADS_TOP || scope == ADS_BOTTOM, function, "the scope is not 1 (top) or 2 (bottom)");
        throw EngineError(AE_NO_SCOPE, std::string(function) + ": no scope is set on " + cursor.TableName());
    });
}

} // namespace

UNSIGNED32 AdsSetAOF100(ADSHANDLE /*hTable*/, const void* /*pvFilter*/, UNSIGNED32 /*ulOptions*/)
{
    return NotYetSupported("AdsSetAOF100");
}

UNSIGNED32 AdsSetFilter100(ADSHANDLE /*hTable*/, const void* /*pvFilter*/, UNSIGNED32 /*ulOptions*/)
{
    return NotYetSupported("AdsSetFilter100");
}

UNSIGNED32 AdsClearAOF(ADSHANDLE hTable)
{
    return NoFilter("AdsClearAOF", hTable, "optimized filter");
}

UNSIGNED32 AdsClearFilter(ADSHANDLE hTable)
{
    return NoFilter("AdsClearFilter", hTable, "filter");
}

UNSIGNED32 AdsGetAOF(ADSHANDLE hTable, char* pucFilter, UNSIGNED16* pusLen)
{
    (void)pucFilter;
    (void)pusLen;
    return NoFilter("AdsGetAOF", hTable, "optimized filter");
}

UNSIGNED32 AdsGetFilter(ADSHANDLE hTable, char* pucFilter, UNSIGNED16* pusLen)
{
    (void)pucFilter;
    (void)pusLen;
    return NoFilter("AdsGetFilter", hTable, "filter");
}

UNSIGNED32 AdsRefreshAOF(ADSHANDLE hTable)
{
    return NoFilter("AdsRefreshAOF", hTable, "optimized filter");
}

UNSIGNED32 AdsGetAOFOptLevel100(ADSHANDLE hTable, UNSIGNED16* pusOptLevel, void* pvNonOpt, UNSIGNED32* pulLen, UNSIGNED32 ulOptions)
{
    (void)pusOptLevel;
    (void)pvNonOpt;
    (void)pulLen;
    (void)ulOptions;
    return NoFilter("AdsGetAOFOptLevel100", hTable, "optimized filter");
}

UNSIGNED32 AdsSetExact22(ADSHANDLE hObj, UNSIGNED16 bExact)
{
    return WithCursor("AdsSetExact22", hObj, [&](Cursor& c) { c.SetExactComparison(bExact != 0); });
}

UNSIGNED32 AdsGetExact22(ADSHANDLE hObj, UNSIGNED16* pbExact)
{
    const char* function = "AdsGetExact22";
    return WithCursor(function, hObj, [&](Cursor& c) {
        Out(pbExact, function, "the flag argument is null") = c.ExactComparison() ? 1 : 0;
    });
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

UNSIGNED32 AdsGetScope(ADSHANDLE hIndex, UNSIGNED16 usScopeOption, void* pvScope, UNSIGNED16* pusBufLen)
{
    (void)pvScope;
    (void)pusBufLen;
    return NoScope("AdsGetScope", hIndex, usScopeOption);
}

UNSIGNED32 AdsClearScope(ADSHANDLE hIndex, UNSIGNED16 usScopeOption)
{
    return NoScope("AdsClearScope", hIndex, usScopeOption);
}

UNSIGNED32 AdsClearAllScopes(ADSHANDLE hTable)
{
    // Nothing to clear; the cursor keeps its position.
    return WithCursor("AdsClearAllScopes", hTable, [](Cursor&) {});
}

UNSIGNED32 AdsSeek(ADSHANDLE /*hIndex*/, const UNSIGNED8* /*pucKey*/, UNSIGNED16 /*usKeyLen*/, UNSIGNED16 /*usDataType*/, UNSIGNED16 /*usSeekType*/, UNSIGNED16* /*pbFound*/)
{
    return NotYetSupported("AdsSeek");
}
