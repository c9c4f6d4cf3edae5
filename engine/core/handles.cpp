#include "engine/core/handles.h"

#include "engine/core/errors.h"

namespace engine {

const char* HandleKindName(HandleKind kind)
{
    switch (kind) {
    case HandleKind::Connection: return "connection";
    case HandleKind::Table: return "table";
    case HandleKind::Index: return "index";
    case HandleKind::Statement: return "statement";
    case HandleKind::Cursor: return "cursor";
    case HandleKind::Find: return "search";
    case HandleKind::FullTextIndex: return "full-text index";
    }
    return "unknown";
}

HandleRegistry& HandleRegistry::Instance()
{
    static HandleRegistry registry;
    return registry;
}

ADSHANDLE HandleRegistry::Register(std::shared_ptr<HandleObject> object)
{
    std::lock_guard<std::mutex> lock(mMutex);
    ADSHANDLE handle = mLastHandle;
    do {
        ++handle;
    } while (handle == 0 || handle == 0xFFFFFFFFu || mObjects.count(handle) != 0);
    mLastHandle = handle;
    object->mHandle = handle;
    mObjects.emplace(handle, std::move(object));
    return handle;
}

std::shared_ptr<HandleObject> HandleRegistry::Release(ADSHANDLE handle)
{
    std::lock_guard<std::mutex> lock(mMutex);
    auto it = mObjects.find(handle);
    if (it == mObjects.end())
        return nullptr;
    std::shared_ptr<HandleObject> object = std::move(it->second);
    mObjects.erase(it);
    return object;
}

std::shared_ptr<HandleObject> HandleRegistry::Find(ADSHANDLE handle) const
{
    std::lock_guard<std::mutex> lock(mMutex);
    auto it = mObjects.find(handle);
    return it == mObjects.end() ? nullptr : it->second;
}

void ThrowBadHandle(ADSHANDLE handle, HandleKind wanted, const char* function)
{
    uint32_t code = AE_INVALID_HANDLE;
    if (wanted == HandleKind::Connection)
        code = AE_INVALID_CONNECTION_HANDLE;
    else if (wanted == HandleKind::Statement)
        code = AE_INVALID_STATEMENT_HANDLE;
    throw EngineError(code, std::string(function) + ": " + std::to_string(handle) + " is not an open "
                                + HandleKindName(wanted) + " handle");
}

} // namespace engine
