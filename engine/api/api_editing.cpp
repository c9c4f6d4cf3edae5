#include "engine/api/api.h"

using namespace engine;

UNSIGNED32 AdsLockRecord(ADSHANDLE /*hTable*/, UNSIGNED32 /*ulRec*/)
{
    return NotYetSupported("AdsLockRecord");
}

UNSIGNED32 AdsUnlockRecord(ADSHANDLE /*hTable*/, UNSIGNED32 /*ulRec*/)
{
    return NotYetSupported("AdsUnlockRecord");
}

UNSIGNED32 AdsLockTable(ADSHANDLE /*hTable*/)
{
    return NotYetSupported("AdsLockTable");
}

UNSIGNED32 AdsUnlockTable(ADSHANDLE /*hTable*/)
{
    return NotYetSupported("AdsUnlockTable");
}

UNSIGNED32 AdsGetRecordCRC(ADSHANDLE /*hTable*/, UNSIGNED32* /*pulCRC*/, UNSIGNED32 /*ulOptions*/)
{
    return NotYetSupported("AdsGetRecordCRC");
}

UNSIGNED32 AdsAppendRecord(ADSHANDLE /*hTable*/)
{
    return NotYetSupported("AdsAppendRecord");
}

UNSIGNED32 AdsWriteRecord(ADSHANDLE /*hTable*/)
{
    return NotYetSupported("AdsWriteRecord");
}

UNSIGNED32 AdsDeleteRecord(ADSHANDLE /*hTable*/)
{
    return NotYetSupported("AdsDeleteRecord");
}

UNSIGNED32 AdsRecallRecord(ADSHANDLE /*hTable*/)
{
    return NotYetSupported("AdsRecallRecord");
}

UNSIGNED32 AdsCancelUpdate(ADSHANDLE /*hTable*/)
{
    return NotYetSupported("AdsCancelUpdate");
}

UNSIGNED32 AdsSetField(ADSHANDLE /*hObj*/, ADSFIELD_ID /*pucFldName*/, const char* /*pucBuf*/, UNSIGNED32 /*ulLen*/)
{
    return NotYetSupported("AdsSetField");
}

UNSIGNED32 AdsSetFieldW(ADSHANDLE /*hObj*/, ADSFIELD_ID /*pucFldName*/, const char16_t* /*pwcBuf*/, UNSIGNED32 /*ulLen*/)
{
    return NotYetSupported("AdsSetFieldW");
}

UNSIGNED32 AdsSetFieldRaw(ADSHANDLE /*hObj*/, ADSFIELD_ID /*pucFldName*/, const UNSIGNED8* /*pucBuf*/, UNSIGNED32 /*ulLen*/)
{
    return NotYetSupported("AdsSetFieldRaw");
}

UNSIGNED32 AdsSetNull(ADSHANDLE /*hTable*/, ADSFIELD_ID /*pucFldName*/)
{
    return NotYetSupported("AdsSetNull");
}
