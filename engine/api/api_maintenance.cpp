#include "engine/api/api.h"

using namespace engine;

UNSIGNED32 AdsCreateTable90(ADSHANDLE /*hConnect*/, const char* /*pucName*/, const char* /*pucDBObjName*/, UNSIGNED16 /*usTableType*/, UNSIGNED16 /*usCharType*/, UNSIGNED16 /*usLockType*/, UNSIGNED16 /*usCheckRights*/, UNSIGNED16 /*usMemoSize*/, const char* /*pucFields*/, UNSIGNED32 /*ulOptions*/, const char* /*pucCollation*/, ADSHANDLE* /*phTable*/)
{
    return NotYetSupported("AdsCreateTable90");
}

UNSIGNED32 AdsZapTable(ADSHANDLE /*hTable*/)
{
    return NotYetSupported("AdsZapTable");
}

UNSIGNED32 AdsPackTable(ADSHANDLE /*hTable*/)
{
    return NotYetSupported("AdsPackTable");
}

UNSIGNED32 AdsDeleteTable(ADSHANDLE /*hTable*/)
{
    return NotYetSupported("AdsDeleteTable");
}

UNSIGNED32 AdsConvertTable(ADSHANDLE /*hObj*/, UNSIGNED16 /*usFilterOption*/, const char* /*pucFile*/, UNSIGNED16 /*usTableType*/)
{
    return NotYetSupported("AdsConvertTable");
}

UNSIGNED32 AdsCopyTable(ADSHANDLE /*hObj*/, UNSIGNED16 /*usFilterOption*/, const char* /*pucFile*/)
{
    return NotYetSupported("AdsCopyTable");
}

UNSIGNED32 AdsCopyTableContents(ADSHANDLE /*hObjFrom*/, ADSHANDLE /*hTableTo*/, UNSIGNED16 /*usFilterOption*/)
{
    return NotYetSupported("AdsCopyTableContents");
}

UNSIGNED32 AdsCopyTableStructure(ADSHANDLE /*hTable*/, const char* /*pucFile*/)
{
    return NotYetSupported("AdsCopyTableStructure");
}

UNSIGNED32 AdsFlushFileBuffers(ADSHANDLE /*hTable*/)
{
    return NotYetSupported("AdsFlushFileBuffers");
}

UNSIGNED32 AdsEnableEncryption(ADSHANDLE /*hTable*/, const char* /*pucPassword*/)
{
    return NotYetSupported("AdsEnableEncryption");
}

UNSIGNED32 AdsDisableEncryption(ADSHANDLE /*hTable*/)
{
    return NotYetSupported("AdsDisableEncryption");
}

UNSIGNED32 AdsIsTableEncrypted(ADSHANDLE /*hTable*/, UNSIGNED16* /*pbEncrypted*/)
{
    return NotYetSupported("AdsIsTableEncrypted");
}

UNSIGNED32 AdsIsEncryptionEnabled(ADSHANDLE /*hTable*/, UNSIGNED16* /*pbEnabled*/)
{
    return NotYetSupported("AdsIsEncryptionEnabled");
}

UNSIGNED32 AdsEncryptRecord(ADSHANDLE /*hTable*/)
{
    return NotYetSupported("AdsEncryptRecord");
}

UNSIGNED32 AdsDecryptRecord(ADSHANDLE /*hTable*/)
{
    return NotYetSupported("AdsDecryptRecord");
}

UNSIGNED32 AdsIsRecordEncrypted(ADSHANDLE /*hTable*/, UNSIGNED16* /*pbEncrypted*/)
{
    return NotYetSupported("AdsIsRecordEncrypted");
}
