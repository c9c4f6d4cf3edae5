// Engine errors and the per-thread last error.
//
// Inside the engine every failure is an exception: EngineError for the
// engine's own refusals, storage::StorageError for the table files. The
// exported functions catch them at the C boundary (see call.h), store code
// and text as the calling thread's last error and return the code. Each
// thread has its own last error, so a failure on one connection's thread is
// never reported to another thread; a successful call leaves it unchanged.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace engine {

class EngineError : public std::runtime_error {
public:
    EngineError(uint32_t code, const std::string& text) : std::runtime_error(text), mCode(code) {}
    uint32_t Code() const { return mCode; }

private:
    uint32_t mCode;
};

struct LastError {
    uint32_t code = 0;
    std::string text;
};

void StoreLastError(uint32_t code, std::string text);
const LastError& ThreadLastError();
// Drops what the calling thread keeps (AdsThreadExit).
void ForgetThreadLastError();

// The refusal of a function that a later version of the engine implements.
// `detail` says for what, when the function works otherwise ("for
// statement parameters").
[[noreturn]] void ThrowNotYetSupported(const char* function, const char* detail = nullptr);
// Null-pointer and range checks of arguments, with the function's name.
void RequireArgument(bool condition, const char* function, const char* what);

} // namespace engine
