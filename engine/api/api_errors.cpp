#include "engine/api/api.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace engine;

// Reading the last error never changes it, not even when the arguments are
// bad: a caller building an error message must still find the original one.
UNSIGNED32 AdsGetLastError(UNSIGNED32* pulErrCode, char* pucBuf, UNSIGNED16* pusBufLen)
{
    if (pulErrCode == nullptr || pusBufLen == nullptr || (pucBuf == nullptr && *pusBufLen != 0))
        return AE_INVALID_ARGUMENT;
    const LastError& last = ThreadLastError();
    *pulErrCode = last.code;
    // A long text is cut rather than refused: the caller shows what fits.
    size_t capacity = *pusBufLen;
    size_t copied = capacity == 0 ? 0 : std::min(last.text.size(), capacity - 1);
    if (capacity > 0) {
        std::memcpy(pucBuf, last.text.data(), copied);
        pucBuf[copied] = '\0';
    }
    *pusBufLen = static_cast<UNSIGNED16>(copied);
    return AE_SUCCESS;
}

UNSIGNED32 AdsSetLastError(UNSIGNED32 ulErrCode, const char* pucDetails)
{
    StoreLastError(ulErrCode, pucDetails ? pucDetails : "");
    return ulErrCode;
}

UNSIGNED32 AdsShowError(const char* pucTitle)
{
    const LastError& last = ThreadLastError();
    std::string title = pucTitle && *pucTitle ? pucTitle : "Engine error";
    if (last.code == 0)
        std::fprintf(stderr, "%s: no error\n", title.c_str());
    else
        std::fprintf(stderr, "%s: error %u: %s\n", title.c_str(), last.code, last.text.c_str());
    std::fflush(stderr);
    return AE_SUCCESS;
}
