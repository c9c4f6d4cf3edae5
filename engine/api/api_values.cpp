#include "engine/api/api.h"

using namespace engine;

UNSIGNED32 AdsSetEmpty(ADSHANDLE /*hObj*/, ADSFIELD_ID /*pucFldName*/)
{
    return NotYetSupported("AdsSetEmpty");
}

UNSIGNED32 AdsSetLogical(ADSHANDLE /*hObj*/, ADSFIELD_ID /*pucFldName*/, UNSIGNED16 /*bValue*/)
{
    return NotYetSupported("AdsSetLogical");
}

UNSIGNED32 AdsSetDouble(ADSHANDLE /*hObj*/, ADSFIELD_ID /*pucFldName*/, DOUBLE /*dValue*/)
{
    return NotYetSupported("AdsSetDouble");
}

UNSIGNED32 AdsSetJulian(ADSHANDLE /*hObj*/, ADSFIELD_ID /*pucFldName*/, SIGNED32 /*lDate*/)
{
    return NotYetSupported("AdsSetJulian");
}

UNSIGNED32 AdsSetMilliseconds(ADSHANDLE /*hObj*/, ADSFIELD_ID /*pucFldName*/, SIGNED32 /*lTime*/)
{
    return NotYetSupported("AdsSetMilliseconds");
}

UNSIGNED32 AdsSetTimeStampRaw(ADSHANDLE /*hObj*/, ADSFIELD_ID /*pucFldName*/, const UNSIGNED8* /*pucBuf*/, UNSIGNED32 /*ulLen*/)
{
    return NotYetSupported("AdsSetTimeStampRaw");
}

UNSIGNED32 AdsSetBinary(ADSHANDLE /*hObj*/, ADSFIELD_ID /*pucFldName*/, UNSIGNED16 /*usBinaryType*/, UNSIGNED32 /*ulTotalLength*/, UNSIGNED32 /*ulOffset*/, const UNSIGNED8* /*pucBuf*/, UNSIGNED32 /*ulLen*/)
{
    return NotYetSupported("AdsSetBinary");
}

UNSIGNED32 AdsSetString(ADSHANDLE /*hObj*/, ADSFIELD_ID /*pucFldName*/, const char* /*pucBuf*/, UNSIGNED32 /*ulLen*/)
{
    return NotYetSupported("AdsSetString");
}

UNSIGNED32 AdsSetStringW(ADSHANDLE /*hObj*/, ADSFIELD_ID /*pucFldName*/, const char16_t* /*pwcBuf*/, UNSIGNED32 /*ulLen*/)
{
    return NotYetSupported("AdsSetStringW");
}
