#include "engine/backup/dictionary_guard.h"

#include "engine/backup/folders.h"
#include "engine/core/errors.h"
#include "engine/engine.h"

#include <sqlite3.h>

namespace backup {

namespace {

constexpr int kBusyTimeoutMs = 10000;

} // namespace

DictionaryReadGuard::DictionaryReadGuard(const std::string& utf8Path)
{
    int result = sqlite3_open_v2(utf8Path.c_str(), &mDb, SQLITE_OPEN_READONLY, nullptr);
    if (result == SQLITE_OK) {
        sqlite3_busy_timeout(mDb, kBusyTimeoutMs);
        result = sqlite3_exec(mDb, "BEGIN; SELECT count(*) FROM sqlite_master;", nullptr, nullptr, nullptr);
    }
    if (result != SQLITE_OK) {
        std::string why = mDb ? sqlite3_errmsg(mDb) : "out of memory";
        sqlite3_close(mDb);
        mDb = nullptr;
        throw engine::EngineError(result == SQLITE_BUSY ? AE_TABLE_IN_USE : AE_FILE_IO,
                                  "The data dictionary " + Shown(utf8Path) + " cannot be read for the backup: " + why);
    }
}

DictionaryReadGuard::~DictionaryReadGuard()
{
    sqlite3_exec(mDb, "COMMIT;", nullptr, nullptr, nullptr);
    sqlite3_close(mDb);
}

} // namespace backup
