// The handle registry: the engine's objects as the caller sees them, 32-bit
// typed handles.
//
// Invariants:
// - A handle is never 0 nor 0xFFFFFFFF (the caller's "no handle" values).
// - Handles are handed out from a rising counter and a released value is not
//   handed out again before the counter wraps (2^32 handles later), so a
//   stale handle is refused instead of reaching a newer object.
// - Looking a handle up gives a shared_ptr: an object stays alive for the
//   call that found it even if another thread releases the handle meanwhile.
//   Each object guards its own state; the registry's lock is held only for
//   the map operations, so calls on different objects never wait for each
//   other beyond that.
// - A handle of the wrong kind is refused with a code naming what was
//   expected (connection, statement or other), never reinterpreted.
#pragma once

#include "engine/engine.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace engine {

enum class HandleKind : uint16_t {
    Connection = ADS_CONNECTION,
    Table = ADS_TABLE,
    Index = ADS_INDEX_ORDER,
    Statement = ADS_STATEMENT,
    Cursor = ADS_CURSOR,
    Find = ADS_FIND_HANDLE,
    // A full-text index handle: an index to the caller, but not an order.
    FullTextIndex = 0x100 | ADS_INDEX_ORDER,
};

const char* HandleKindName(HandleKind kind);

class HandleObject {
public:
    virtual ~HandleObject() = default;
    virtual HandleKind Kind() const = 0;
    // Releases what the object holds (files, locks, child objects) once its
    // handle is gone; later calls through stale references must fail.
    virtual void Close() {}
    ADSHANDLE Handle() const { return mHandle; }

private:
    friend class HandleRegistry;
    ADSHANDLE mHandle = 0;
};

class HandleRegistry {
public:
    static HandleRegistry& Instance();

    // Gives the object a fresh handle and keeps it until Release.
    ADSHANDLE Register(std::shared_ptr<HandleObject> object);
    // Forgets the handle; returns the object (null when unknown).
    std::shared_ptr<HandleObject> Release(ADSHANDLE handle);
    std::shared_ptr<HandleObject> Find(ADSHANDLE handle) const;

private:
    HandleRegistry() = default;

    mutable std::mutex mMutex;
    std::unordered_map<ADSHANDLE, std::shared_ptr<HandleObject>> mObjects;
    ADSHANDLE mLastHandle = 0;
};

// Error code and text for a handle that is not a live object of the wanted
// kinds: connections and statements have their own codes (callers accept
// them when closing twice), everything else AE_INVALID_HANDLE.
[[noreturn]] void ThrowBadHandle(ADSHANDLE handle, HandleKind wanted, const char* function);

// The object behind `handle` when it is one of the kinds `T` accepts
// (T::Accepts(kind)); otherwise raises as ThrowBadHandle.
template <class T>
std::shared_ptr<T> LookUp(ADSHANDLE handle, const char* function)
{
    std::shared_ptr<HandleObject> object = HandleRegistry::Instance().Find(handle);
    if (!object || !T::Accepts(object->Kind()))
        ThrowBadHandle(handle, T::kPrimaryKind, function);
    return std::static_pointer_cast<T>(object);
}

} // namespace engine
