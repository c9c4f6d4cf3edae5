#include "engine/index/fts_handle.h"

#include "engine/core/errors.h"
#include "engine/expr/lexer.h"

#include <map>
#include <mutex>

namespace engine {

namespace {

// (cursor handle, upper-cased index name) → handle given out before.
struct HandleCache {
    std::mutex mutex;
    std::map<std::pair<ADSHANDLE, std::string>, ADSHANDLE> handles;
};

HandleCache& TheCache()
{
    static HandleCache cache;
    return cache;
}

} // namespace

std::shared_ptr<FtsHandle> FtsHandleOf(ADSHANDLE handle)
{
    std::shared_ptr<HandleObject> object = HandleRegistry::Instance().Find(handle);
    if (!object || object->Kind() != HandleKind::FullTextIndex)
        return nullptr;
    return std::static_pointer_cast<FtsHandle>(object);
}

ADSHANDLE FtsHandleFor(const std::shared_ptr<Cursor>& cursor, const std::string& name)
{
    HandleCache& cache = TheCache();
    std::lock_guard<std::mutex> lock(cache.mutex);
    auto key = std::make_pair(cursor->Handle(), expr::UpperAscii(name));
    auto it = cache.handles.find(key);
    if (it != cache.handles.end()) {
        std::shared_ptr<FtsHandle> known = FtsHandleOf(it->second);
        if (known && known->OwnerCursor() == cursor)
            return it->second;
    }
    auto handle = std::make_shared<FtsHandle>(cursor, cursor->Handle(), name);
    ADSHANDLE value = HandleRegistry::Instance().Register(handle);
    cache.handles[key] = value;
    return value;
}

std::vector<ADSHANDLE> FtsHandlesOf(const std::shared_ptr<Cursor>& cursor)
{
    std::vector<ADSHANDLE> handles;
    std::shared_ptr<fts::FtsFile> file = fts::FtsFile::ForTable(cursor->Table());
    if (!file)
        return handles;
    std::lock_guard<std::recursive_mutex> lock(file->Mutex());
    file->RequireSound("AdsGetFTSIndexes");
    for (const auto& index : file->Indexes())
        handles.push_back(FtsHandleFor(cursor, index->Name()));
    return handles;
}

FtsTarget FtsTargetOf(Cursor& cursor, const FtsHandle& handle, const char* function)
{
    FtsTarget target;
    target.file = fts::FtsFile::ForTable(cursor.Table());
    if (target.file) {
        std::lock_guard<std::recursive_mutex> lock(target.file->Mutex());
        target.file->RequireSound(function);
        target.index = target.file->Find(handle.Name());
    }
    if (!target.index)
        throw EngineError(AE_INDEX_NOT_FOUND, std::string(function) + ": the full-text index " + handle.Name()
                                                  + " no longer exists on " + cursor.TableName() + ".");
    return target;
}

} // namespace engine
