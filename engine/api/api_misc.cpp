#include "engine/api/api.h"

using namespace engine;

UNSIGNED32 AdsRegisterCallbackFunction(ADS_CALLBACK_FUNCTION /*pfn*/, UNSIGNED32 /*ulCallbackID*/)
{
    return NotYetSupported("AdsRegisterCallbackFunction");
}

UNSIGNED32 AdsRegisterCallbackFunction101(ADS_CALLBACK_FUNCTION101 /*pfn*/, UNSIGNED64 /*qCallbackID*/)
{
    return NotYetSupported("AdsRegisterCallbackFunction101");
}

UNSIGNED32 AdsClearCallbackFunction(void)
{
    return NotYetSupported("AdsClearCallbackFunction");
}

UNSIGNED32 AdsRegisterProgressCallback(ADS_PROGRESS_CALLBACK /*pfn*/)
{
    return NotYetSupported("AdsRegisterProgressCallback");
}

UNSIGNED32 AdsClearProgressCallback(void)
{
    return NotYetSupported("AdsClearProgressCallback");
}

UNSIGNED32 AdsRegisterSQLAbortFunc(ADS_SQL_ABORT_FUNC /*pfn*/)
{
    return NotYetSupported("AdsRegisterSQLAbortFunc");
}

UNSIGNED32 AdsClearSQLAbortFunc(void)
{
    return NotYetSupported("AdsClearSQLAbortFunc");
}

UNSIGNED32 AdsThreadExit(void)
{
    ForgetThreadLastError();
    return AE_SUCCESS;
}

UNSIGNED32 AdsIsServerLoaded(const char* /*pucServer*/, UNSIGNED16* /*pbLoaded*/)
{
    return NotYetSupported("AdsIsServerLoaded");
}

UNSIGNED32 AdsCheckExistence(ADSHANDLE /*hConnect*/, const char* /*pucFileName*/, UNSIGNED16* /*pbExists*/)
{
    return NotYetSupported("AdsCheckExistence");
}

UNSIGNED32 AdsGetVersion(UNSIGNED32* pulMajor, UNSIGNED32* pulMinor, char* pucLetter, char* pucDesc, UNSIGNED16* pusDescLen)
{
    const char* function = "AdsGetVersion";
    return ApiCall(function, [&] {
        Out(pulMajor, function, "the major version argument is null") = ADS_ENGINE_VERSION_MAJOR;
        Out(pulMinor, function, "the minor version argument is null") = ADS_ENGINE_VERSION_MINOR;
        Out(pucLetter, function, "the letter argument is null") = ADS_ENGINE_VERSION_LETTER;
        CopyTextOut(ADS_ENGINE_DESCRIPTION, pucDesc, pusDescLen, function);
    });
}
