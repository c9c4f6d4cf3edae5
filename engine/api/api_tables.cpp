#include "engine/api/api.h"

using namespace engine;

UNSIGNED32 AdsOpenTable(ADSHANDLE /*hConnect*/, const char* /*pucName*/, const char* /*pucAlias*/, UNSIGNED16 /*usTableType*/, UNSIGNED16 /*usCharType*/, UNSIGNED16 /*usLockType*/, UNSIGNED16 /*usCheckRights*/, UNSIGNED32 /*ulOptions*/, ADSHANDLE* /*phTable*/)
{
    return NotYetSupported("AdsOpenTable");
}

UNSIGNED32 AdsOpenTable90(ADSHANDLE /*hConnect*/, const char* /*pucName*/, const char* /*pucAlias*/, UNSIGNED16 /*usTableType*/, UNSIGNED16 /*usCharType*/, UNSIGNED16 /*usLockType*/, UNSIGNED16 /*usCheckRights*/, UNSIGNED32 /*ulOptions*/, const char* /*pucCollation*/, ADSHANDLE* /*phTable*/)
{
    return NotYetSupported("AdsOpenTable90");
}

UNSIGNED32 AdsGetTableType(ADSHANDLE /*hTable*/, UNSIGNED16* /*pusType*/)
{
    return NotYetSupported("AdsGetTableType");
}

UNSIGNED32 AdsGetRecordLength(ADSHANDLE /*hTable*/, UNSIGNED32* /*pulLength*/)
{
    return NotYetSupported("AdsGetRecordLength");
}

UNSIGNED32 AdsGetTableOpenOptions(ADSHANDLE /*hTable*/, UNSIGNED32* /*pulOptions*/)
{
    return NotYetSupported("AdsGetTableOpenOptions");
}

UNSIGNED32 AdsGetTableConnection(ADSHANDLE /*hTable*/, ADSHANDLE* /*phConnect*/)
{
    return NotYetSupported("AdsGetTableConnection");
}

UNSIGNED32 AdsCacheRecords(ADSHANDLE /*hTable*/, UNSIGNED16 /*usNumRecords*/)
{
    return NotYetSupported("AdsCacheRecords");
}

UNSIGNED32 AdsCacheOpenTables(UNSIGNED16 /*usOpen*/)
{
    return NotYetSupported("AdsCacheOpenTables");
}

UNSIGNED32 AdsCacheOpenCursors(UNSIGNED16 /*usOpen*/)
{
    return NotYetSupported("AdsCacheOpenCursors");
}

UNSIGNED32 AdsCloseTable(ADSHANDLE /*hTable*/)
{
    return NotYetSupported("AdsCloseTable");
}

UNSIGNED32 AdsRefreshRecord(ADSHANDLE /*hTable*/)
{
    return NotYetSupported("AdsRefreshRecord");
}

UNSIGNED32 AdsGetNumFields(ADSHANDLE /*hTable*/, UNSIGNED16* /*pusCount*/)
{
    return NotYetSupported("AdsGetNumFields");
}

UNSIGNED32 AdsGetFieldType(ADSHANDLE /*hTable*/, ADSFIELD_ID /*pucFldName*/, UNSIGNED16* /*pusType*/)
{
    return NotYetSupported("AdsGetFieldType");
}

UNSIGNED32 AdsGetFieldLength(ADSHANDLE /*hTable*/, ADSFIELD_ID /*pucFldName*/, UNSIGNED32* /*pulLength*/)
{
    return NotYetSupported("AdsGetFieldLength");
}

UNSIGNED32 AdsGetFieldDecimals(ADSHANDLE /*hTable*/, ADSFIELD_ID /*pucFldName*/, UNSIGNED16* /*pusDecimals*/)
{
    return NotYetSupported("AdsGetFieldDecimals");
}

UNSIGNED32 AdsGetFieldName(ADSHANDLE /*hTable*/, UNSIGNED16 /*usFld*/, char* /*pucName*/, UNSIGNED16* /*pusBufLen*/)
{
    return NotYetSupported("AdsGetFieldName");
}

UNSIGNED32 AdsGetFieldOffset(ADSHANDLE /*hTable*/, ADSFIELD_ID /*pucFldName*/, UNSIGNED32* /*pulOffset*/)
{
    return NotYetSupported("AdsGetFieldOffset");
}

UNSIGNED32 AdsIsNullable(ADSHANDLE /*hTable*/, ADSFIELD_ID /*pucFldName*/, UNSIGNED16* /*pbNullable*/)
{
    return NotYetSupported("AdsIsNullable");
}

UNSIGNED32 AdsGetColumnPermissions(ADSHANDLE /*hTable*/, ADSFIELD_ID /*pucFldName*/, UNSIGNED8* /*pucPermissions*/)
{
    return NotYetSupported("AdsGetColumnPermissions");
}

UNSIGNED32 AdsGetRecord(ADSHANDLE /*hTable*/, UNSIGNED8* /*pucRec*/, UNSIGNED32* /*pulLen*/)
{
    return NotYetSupported("AdsGetRecord");
}

UNSIGNED32 AdsIsEmpty(ADSHANDLE /*hTable*/, ADSFIELD_ID /*pucFldName*/, UNSIGNED16* /*pbEmpty*/)
{
    return NotYetSupported("AdsIsEmpty");
}

UNSIGNED32 AdsIsNull(ADSHANDLE /*hTable*/, ADSFIELD_ID /*pucFldName*/, UNSIGNED16* /*pbNull*/)
{
    return NotYetSupported("AdsIsNull");
}

UNSIGNED32 AdsGetField(ADSHANDLE /*hTable*/, ADSFIELD_ID /*pucFldName*/, char* /*pucBuf*/, UNSIGNED32* /*pulLen*/, UNSIGNED16 /*usOption*/)
{
    return NotYetSupported("AdsGetField");
}

UNSIGNED32 AdsGetFieldW(ADSHANDLE /*hTable*/, ADSFIELD_ID /*pucFldName*/, char16_t* /*pwcBuf*/, UNSIGNED32* /*pulLen*/, UNSIGNED16 /*usOption*/)
{
    return NotYetSupported("AdsGetFieldW");
}

UNSIGNED32 AdsGetNullRecord(ADSHANDLE /*hTable*/, UNSIGNED8* /*pucBuf*/, UNSIGNED32 /*ulLen*/)
{
    return NotYetSupported("AdsGetNullRecord");
}

UNSIGNED32 AdsClearRecordBuffer(ADSHANDLE /*hTable*/, UNSIGNED8* /*pucBuf*/, UNSIGNED32 /*ulLen*/)
{
    return NotYetSupported("AdsClearRecordBuffer");
}

UNSIGNED32 AdsAccessVfpSystemField(ADSHANDLE /*hTable*/, ADSFIELD_ID /*pucFldName*/, UNSIGNED8* /*pucRecord*/, UNSIGNED16 /*usOption*/, UNSIGNED16* /*pbFlag*/)
{
    return NotYetSupported("AdsAccessVfpSystemField");
}

UNSIGNED32 AdsConvertStringToJulian(const char* /*pucDate*/, UNSIGNED16 /*usLen*/, DOUBLE* /*pdJulian*/)
{
    return NotYetSupported("AdsConvertStringToJulian");
}

UNSIGNED32 AdsConvertJulianToString(DOUBLE /*dJulian*/, char* /*pucDate*/, UNSIGNED16* /*pusLen*/)
{
    return NotYetSupported("AdsConvertJulianToString");
}
