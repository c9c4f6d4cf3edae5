#include "engine/api/api.h"
#include "engine/core/callbacks.h"
#include "engine/core/connection.h"
#include "engine/storage/file_io.h"

using namespace engine;

namespace {

template <class Store>
UNSIGNED32 Register(const char* function, bool given, Store store)
{
    return ApiCall(function, [&] {
        RequireArgument(given, function, "the callback is null");
        store();
    });
}

} // namespace

UNSIGNED32 AdsRegisterCallbackFunction(ADS_CALLBACK_FUNCTION pfn, UNSIGNED32 ulCallbackID)
{
    return Register("AdsRegisterCallbackFunction", pfn != nullptr, [&] { RegisterCallback(pfn, ulCallbackID); });
}

UNSIGNED32 AdsRegisterCallbackFunction101(ADS_CALLBACK_FUNCTION101 pfn, UNSIGNED64 qCallbackID)
{
    return Register("AdsRegisterCallbackFunction101", pfn != nullptr, [&] { RegisterCallback101(pfn, qCallbackID); });
}

UNSIGNED32 AdsClearCallbackFunction(void)
{
    ClearCallback();
    return AE_SUCCESS;
}

UNSIGNED32 AdsRegisterProgressCallback(ADS_PROGRESS_CALLBACK pfn)
{
    return Register("AdsRegisterProgressCallback", pfn != nullptr, [&] { RegisterProgressCallback(pfn); });
}

UNSIGNED32 AdsClearProgressCallback(void)
{
    ClearProgressCallback();
    return AE_SUCCESS;
}

UNSIGNED32 AdsRegisterSQLAbortFunc(ADS_SQL_ABORT_FUNC pfn)
{
    return Register("AdsRegisterSQLAbortFunc", pfn != nullptr, [&] { RegisterSqlAbort(pfn); });
}

UNSIGNED32 AdsClearSQLAbortFunc(void)
{
    ClearSqlAbort();
    return AE_SUCCESS;
}

// The local server runs inside this process: it is loaded whenever asked.

UNSIGNED32 AdsThreadExit(void)
{
    ForgetThreadLastError();
    return AE_SUCCESS;
}

UNSIGNED32 AdsIsServerLoaded(const char* pucServer, UNSIGNED16* pbLoaded)
{
    const char* function = "AdsIsServerLoaded";
    return ApiCall(function, [&] {
        RequireArgument(pucServer != nullptr, function, "the server name is null");
        Out(pbLoaded, function, "the flag argument is null") = 1;
    });
}

UNSIGNED32 AdsCheckExistence(ADSHANDLE hConnect, const char* pucFileName, UNSIGNED16* pbExists)
{
    const char* function = "AdsCheckExistence";
    return ApiCall(function, [&] {
        std::string name = TextArgument(pucFileName, function, "the file name is null");
        RequireArgument(!name.empty(), function, "the file name is empty");
        std::string path = hConnect == 0 ? name : LookUp<Connection>(hConnect, function)->TablePath(name);
        std::string resolved = storage::ResolvePathCase(storage::FileSystemName(path));
        Out(pbExists, function, "the flag argument is null") = storage::FileExists(resolved) ? 1 : 0;
    });
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
