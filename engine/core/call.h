// The C boundary: every exported function runs its body through ApiCall,
// which turns any exception into the calling thread's last error and the
// returned code. Nothing thrown inside the engine ever crosses into the
// caller, and a failure is never reported as success.
#pragma once

#include "engine/core/errors.h"
#include "engine/storage/storage_error.h"

#include <cstdint>
#include <new>
#include <string>

namespace engine {

uint32_t FailCall(const char* function, uint32_t code, const std::string& text);
uint32_t FailUnexpected(const char* function, const char* what);

template <class Body>
uint32_t ApiCall(const char* function, Body&& body) noexcept
{
    try {
        body();
        return 0;
    } catch (const EngineError& e) {
        return FailCall(function, e.Code(), e.what());
    } catch (const storage::StorageError& e) {
        return FailCall(function, e.Code(), e.what());
    } catch (const std::bad_alloc&) {
        return FailUnexpected(function, "out of memory");
    } catch (const std::exception& e) {
        return FailUnexpected(function, e.what());
    } catch (...) {
        return FailUnexpected(function, "unknown failure");
    }
}

} // namespace engine
