#include "engine/api/api.h"

using namespace engine;

UNSIGNED32 AdsConnect101(const char* /*pucConnectString*/, ADSHANDLE* /*phConnectOptions*/, ADSHANDLE* /*phConnect*/)
{
    return NotYetSupported("AdsConnect101");
}

UNSIGNED32 AdsConnect(const char* /*pucServerName*/, ADSHANDLE* /*phConnect*/)
{
    return NotYetSupported("AdsConnect");
}

UNSIGNED32 AdsDisconnect(ADSHANDLE /*hConnect*/)
{
    return NotYetSupported("AdsDisconnect");
}

UNSIGNED32 AdsSetDateFormat60(ADSHANDLE /*hConnect*/, const char* /*pucFormat*/)
{
    return NotYetSupported("AdsSetDateFormat60");
}

UNSIGNED32 AdsGetDateFormat(char* /*pucFormat*/, UNSIGNED16* /*pusLen*/)
{
    return NotYetSupported("AdsGetDateFormat");
}

UNSIGNED32 AdsSetDateFormat(const char* /*pucFormat*/)
{
    return NotYetSupported("AdsSetDateFormat");
}

UNSIGNED32 AdsGetConnectionPath(ADSHANDLE /*hConnect*/, char* /*pucPath*/, UNSIGNED16* /*pusLen*/)
{
    return NotYetSupported("AdsGetConnectionPath");
}

UNSIGNED32 AdsGetConnectionProperty(ADSHANDLE /*hConnect*/, UNSIGNED16 /*usPropertyID*/, void* /*pvProperty*/, UNSIGNED32* /*pulPropertyLen*/)
{
    return NotYetSupported("AdsGetConnectionProperty");
}

UNSIGNED32 AdsGetConnectionType(ADSHANDLE /*hConnect*/, UNSIGNED16* /*pusConnectType*/)
{
    return NotYetSupported("AdsGetConnectionType");
}

UNSIGNED32 AdsGetServerName(ADSHANDLE /*hConnect*/, char* /*pucName*/, UNSIGNED16* /*pusLen*/)
{
    return NotYetSupported("AdsGetServerName");
}

UNSIGNED32 AdsIsConnectionAlive(ADSHANDLE /*hConnect*/, UNSIGNED16* /*pbConnectionIsAlive*/)
{
    return NotYetSupported("AdsIsConnectionAlive");
}

UNSIGNED32 AdsGetServerTime(ADSHANDLE /*hConnect*/, char* /*pucDateBuf*/, UNSIGNED16* /*pusDateBufLen*/, SIGNED32* /*plTime*/, char* /*pucTimeBuf*/, UNSIGNED16* /*pusTimeBufLen*/)
{
    return NotYetSupported("AdsGetServerTime");
}

UNSIGNED32 AdsConvertDateToJulian(ADSHANDLE /*hConnect*/, const char* /*pucDate*/, UNSIGNED16 /*usLen*/, DOUBLE* /*pdJulian*/)
{
    return NotYetSupported("AdsConvertDateToJulian");
}

UNSIGNED32 AdsCloseCachedTables(ADSHANDLE /*hConnect*/)
{
    return NotYetSupported("AdsCloseCachedTables");
}

UNSIGNED32 AdsBeginTransaction(ADSHANDLE /*hConnect*/)
{
    return NotYetSupported("AdsBeginTransaction");
}

UNSIGNED32 AdsCommitTransaction(ADSHANDLE /*hConnect*/)
{
    return NotYetSupported("AdsCommitTransaction");
}

UNSIGNED32 AdsRollbackTransaction(ADSHANDLE /*hConnect*/)
{
    return NotYetSupported("AdsRollbackTransaction");
}

UNSIGNED32 AdsRollbackTransaction80(ADSHANDLE /*hConnect*/, const char* /*pucSavepoint*/, UNSIGNED32 /*ulOptions*/)
{
    return NotYetSupported("AdsRollbackTransaction80");
}

UNSIGNED32 AdsCreateSavepoint(ADSHANDLE /*hConnect*/, const char* /*pucSavepoint*/, UNSIGNED32 /*ulOptions*/)
{
    return NotYetSupported("AdsCreateSavepoint");
}

UNSIGNED32 AdsInTransaction(ADSHANDLE /*hConnect*/, UNSIGNED16* /*pbInTrans*/)
{
    return NotYetSupported("AdsInTransaction");
}

UNSIGNED32 AdsGetTransactionCount(ADSHANDLE /*hConnect*/, UNSIGNED32* /*pulTransactionCount*/)
{
    return NotYetSupported("AdsGetTransactionCount");
}

UNSIGNED32 AdsGetNumActiveLinks(ADSHANDLE /*hConnect*/, UNSIGNED16* /*pusNumLinks*/)
{
    return NotYetSupported("AdsGetNumActiveLinks");
}

UNSIGNED32 AdsGetActiveLinkInfo(ADSHANDLE /*hConnect*/, UNSIGNED16 /*usLinkNum*/, char* /*pucLinkInfo*/, UNSIGNED16* /*pusBufferLen*/)
{
    return NotYetSupported("AdsGetActiveLinkInfo");
}

UNSIGNED32 AdsFindFirstTable(ADSHANDLE /*hConnect*/, const char* /*pucFileMask*/, char* /*pucFirstFile*/, UNSIGNED16* /*pusFileLen*/, ADSHANDLE* /*phFindHandle*/)
{
    return NotYetSupported("AdsFindFirstTable");
}

UNSIGNED32 AdsFindNextTable(ADSHANDLE /*hConnect*/, ADSHANDLE /*hFindHandle*/, char* /*pucFileName*/, UNSIGNED16* /*pusFileLen*/)
{
    return NotYetSupported("AdsFindNextTable");
}

UNSIGNED32 AdsFindFirstTable62(ADSHANDLE /*hConnect*/, const char* /*pucFileMask*/, char* /*pucFirstDD*/, UNSIGNED16* /*pusDDLen*/, char* /*pucFirstFile*/, UNSIGNED16* /*pusFileLen*/, ADSHANDLE* /*phFindHandle*/)
{
    return NotYetSupported("AdsFindFirstTable62");
}

UNSIGNED32 AdsFindNextTable62(ADSHANDLE /*hConnect*/, ADSHANDLE /*hFindHandle*/, char* /*pucDDName*/, UNSIGNED16* /*pusDDLen*/, char* /*pucFileName*/, UNSIGNED16* /*pusFileLen*/)
{
    return NotYetSupported("AdsFindNextTable62");
}

UNSIGNED32 AdsFindClose(ADSHANDLE /*hConnect*/, ADSHANDLE /*hFindHandle*/)
{
    return NotYetSupported("AdsFindClose");
}
