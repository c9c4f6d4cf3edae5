#include "engine/sql/stage_cache.h"

#include "engine/core/cursor.h"
#include "engine/core/open_table.h"
#include "engine/core/transaction.h"

#include <map>
#include <mutex>
#include <vector>

namespace sql {

namespace {

std::mutex gMutex;
std::map<ADSHANDLE, std::map<std::string, ADSHANDLE>> gKept;

bool IsOpenCursorOf(ADSHANDLE connection, ADSHANDLE handle)
{
    auto object = engine::HandleRegistry::Instance().Find(handle);
    auto cursor = std::dynamic_pointer_cast<engine::Cursor>(object);
    return cursor && !cursor->IsClosed() && cursor->ConnectionHandle() == connection;
}

} // namespace

ADSHANDLE KeptTable(ADSHANDLE connection, const std::string& key)
{
    std::lock_guard<std::mutex> lock(gMutex);
    auto tables = gKept.find(connection);
    if (tables == gKept.end())
        return 0;
    auto it = tables->second.find(key);
    if (it == tables->second.end())
        return 0;
    if (IsOpenCursorOf(connection, it->second))
        return it->second;
    tables->second.erase(it); // closed with its connection meanwhile
    return 0;
}

void KeepTable(ADSHANDLE connection, const std::string& key, ADSHANDLE cursor)
{
    std::lock_guard<std::mutex> lock(gMutex);
    gKept[connection][key] = cursor;
}

void ReleaseKeptTables(ADSHANDLE connection)
{
    if (engine::InTransaction(connection))
        return;
    std::vector<ADSHANDLE> handles;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        auto tables = gKept.find(connection);
        if (tables == gKept.end())
            return;
        for (const auto& [key, handle] : tables->second)
            handles.push_back(handle);
        gKept.erase(tables);
    }
    for (ADSHANDLE handle : handles) {
        if (!IsOpenCursorOf(connection, handle))
            continue;
        try {
            engine::CloseCursor(handle, "an SQL statement");
        } catch (...) {
            // Closing stores nothing here (the stage leaves no pending
            // edit); a failure leaves the cursor to the connection's close.
        }
    }
}

} // namespace sql
