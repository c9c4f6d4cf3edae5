#include "engine/index/index_open.h"

#include "engine/core/errors.h"
#include "engine/index/index_order.h"
#include "engine/storage/file_io.h"

namespace engine {

namespace {

std::string FolderOf(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string WithoutExtension(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash) ? path.substr(0, dot) : path;
}

} // namespace

std::string IndexExtension(storage::TableKind kind)
{
    switch (kind) {
    case storage::TableKind::ADT: return ".adi";
    case storage::TableKind::NTX: return ".ntx";
    default: return ".cdx";
    }
}

std::string DefaultIndexPath(const storage::Table& table)
{
    return WithoutExtension(table.FileName()) + IndexExtension(table.Kind());
}

std::string IndexPathFor(const storage::Table& table, const std::string& ansiName)
{
    std::string name = storage::FileSystemName(ansiName);
    for (char& c : name)
        c = c == '\\' ? '/' : c;
    if (name.empty() || name.back() == '/')
        throw EngineError(AE_INVALID_ARGUMENT, "The index file name \"" + ansiName + "\" names no file.");
    std::string path = name.front() == '/' ? name : FolderOf(table.FileName()) + "/" + name;
    if (WithoutExtension(path) == path)
        path += IndexExtension(table.Kind());
    return storage::ResolvePathCase(path);
}

std::shared_ptr<IndexOrder> OrderFor(const std::shared_ptr<Cursor>& cursor,
                                     const std::shared_ptr<indexing::IndexFile>& file,
                                     const std::shared_ptr<indexing::Tag>& tag)
{
    for (const auto& order : cursor->Orders())
        if (order->SharedTag() == tag)
            return order;
    auto order = std::make_shared<IndexOrder>(cursor, file, tag);
    HandleRegistry::Instance().Register(order);
    cursor->AddOrder(order);
    return order;
}

std::vector<ADSHANDLE> OpenIndexOn(const std::shared_ptr<Cursor>& cursor, const std::string& utf8Path, bool create,
                                   uint32_t pageSize)
{
    std::shared_ptr<indexing::IndexFile> file =
        indexing::IndexFile::Acquire(utf8Path, cursor->Table(), create, pageSize);
    std::lock_guard<std::recursive_mutex> lock(file->Mutex());
    std::vector<ADSHANDLE> handles;
    for (const auto& tag : file->Tags())
        handles.push_back(OrderFor(cursor, file, tag)->Handle());
    return handles;
}

void OpenDefaultIndex(const std::shared_ptr<Cursor>& cursor)
{
    std::string path = DefaultIndexPath(cursor->Table());
    if (storage::FileExists(path))
        OpenIndexOn(cursor, path, false);
}

} // namespace engine
