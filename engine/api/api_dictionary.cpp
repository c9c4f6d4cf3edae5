#include "engine/api/api.h"

using namespace engine;

UNSIGNED32 AdsDDGetTableProperty(ADSHANDLE /*hDictionary*/, const char* /*pucTableName*/, UNSIGNED16 /*usPropertyID*/, void* /*pvProperty*/, UNSIGNED16* /*pusPropertyLen*/)
{
    return NotYetSupported("AdsDDGetTableProperty");
}

UNSIGNED32 AdsDDGetDatabaseProperty(ADSHANDLE /*hDictionary*/, UNSIGNED16 /*usPropertyID*/, void* /*pvProperty*/, UNSIGNED16* /*pusPropertyLen*/)
{
    return NotYetSupported("AdsDDGetDatabaseProperty");
}

UNSIGNED32 AdsDDGetUserProperty(ADSHANDLE /*hDictionary*/, const char* /*pucUserName*/, UNSIGNED16 /*usPropertyID*/, void* /*pvProperty*/, UNSIGNED16* /*pusPropertyLen*/)
{
    return NotYetSupported("AdsDDGetUserProperty");
}

UNSIGNED32 AdsDDRenameObject(ADSHANDLE /*hDictionary*/, const char* /*pucObjectName*/, const char* /*pucNewObjectName*/, UNSIGNED16 /*usObjectType*/, UNSIGNED32 /*ulOptions*/)
{
    return NotYetSupported("AdsDDRenameObject");
}

UNSIGNED32 AdsDDFindFirstObject(ADSHANDLE /*hDictionary*/, UNSIGNED16 /*usFindObjectType*/, const char* /*pucParentName*/, char* /*pucObjectName*/, UNSIGNED16* /*pusObjectNameLen*/, ADSHANDLE* /*phFindHandle*/)
{
    return NotYetSupported("AdsDDFindFirstObject");
}

UNSIGNED32 AdsDDFindNextObject(ADSHANDLE /*hDictionary*/, ADSHANDLE /*hFindHandle*/, char* /*pucObjectName*/, UNSIGNED16* /*pusObjectNameLen*/)
{
    return NotYetSupported("AdsDDFindNextObject");
}

UNSIGNED32 AdsDDFindClose(ADSHANDLE /*hDictionary*/, ADSHANDLE /*hFindHandle*/)
{
    return NotYetSupported("AdsDDFindClose");
}

UNSIGNED32 AdsDDCreateLink(ADSHANDLE /*hDictionary*/, const char* /*pucLinkAlias*/, const char* /*pucLinkedDDPath*/, const char* /*pucUserName*/, const char* /*pucPassword*/, UNSIGNED32 /*ulOptions*/)
{
    return NotYetSupported("AdsDDCreateLink");
}

UNSIGNED32 AdsDDDropLink(ADSHANDLE /*hDictionary*/, const char* /*pucLinkedDD*/, UNSIGNED16 /*usDropGlobal*/)
{
    return NotYetSupported("AdsDDDropLink");
}
