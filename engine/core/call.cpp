#include "engine/core/call.h"

#include "engine/engine.h"

namespace engine {

uint32_t FailCall(const char*, uint32_t code, const std::string& text)
{
    // A code of 0 would make the failure look like success to the caller.
    if (code == 0)
        code = AE_INTERNAL_ERROR;
    StoreLastError(code, text);
    return code;
}

uint32_t FailUnexpected(const char* function, const char* what)
{
    return FailCall(function, AE_INTERNAL_ERROR, std::string(function) + " failed: " + what);
}

} // namespace engine
