#include "engine/api/api.h"

using namespace engine;

UNSIGNED32 AdsGetMemoDataType(ADSHANDLE /*hTable*/, ADSFIELD_ID /*pucFldName*/, UNSIGNED16* /*pusType*/)
{
    return NotYetSupported("AdsGetMemoDataType");
}

UNSIGNED32 AdsGetDataLength(ADSHANDLE /*hTable*/, ADSFIELD_ID /*pucFldName*/, UNSIGNED32 /*ulOptions*/, UNSIGNED32* /*pulLength*/)
{
    return NotYetSupported("AdsGetDataLength");
}

UNSIGNED32 AdsGetBinaryLength(ADSHANDLE /*hTable*/, ADSFIELD_ID /*pucFldName*/, UNSIGNED32* /*pulLength*/)
{
    return NotYetSupported("AdsGetBinaryLength");
}

UNSIGNED32 AdsGetBinary(ADSHANDLE /*hTable*/, ADSFIELD_ID /*pucFldName*/, UNSIGNED32 /*ulOffset*/, UNSIGNED8* /*pucBuf*/, UNSIGNED32* /*pulLen*/)
{
    return NotYetSupported("AdsGetBinary");
}
