#include "engine/core/errors.h"

#include "engine/engine.h"

namespace engine {

namespace {
thread_local LastError tLastError;
}

void StoreLastError(uint32_t code, std::string text)
{
    tLastError.code = code;
    tLastError.text = std::move(text);
}

const LastError& ThreadLastError()
{
    return tLastError;
}

void ForgetThreadLastError()
{
    tLastError = LastError{};
}

void ThrowNotYetSupported(const char* function, const char* detail)
{
    std::string text = std::string(function) + " is not yet supported by this engine";
    if (detail)
        text += std::string(" ") + detail;
    throw EngineError(AE_NOT_YET_SUPPORTED, text);
}

void RequireArgument(bool condition, const char* function, const char* what)
{
    if (!condition)
        throw EngineError(AE_INVALID_ARGUMENT, std::string(function) + ": " + what);
}

} // namespace engine
