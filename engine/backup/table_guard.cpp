#include "engine/backup/table_guard.h"

#include "engine/backup/folders.h"
#include "engine/core/errors.h"
#include "engine/engine.h"
#include "engine/storage/storage_error.h"

#include <chrono>
#include <thread>

namespace backup {

namespace {

using storage::lockspace::kHeader;
using storage::lockspace::kOpen;
using storage::lockspace::kTable;

storage::File OpenPreferWritable(const std::string& name)
{
    try {
        return storage::File::Open(name, true);
    } catch (const storage::StorageError&) {
        try {
            return storage::File::Open(name, false);
        } catch (const storage::StorageError& e) {
            throw engine::EngineError(e.Code(), e.what());
        }
    }
}

} // namespace

ReadGuard::ReadGuard(const std::string& dataFile, const std::function<void()>& checkStop, int waitSeconds)
    : mFile(OpenPreferWritable(dataFile))
{
    if (!mFile.TryLock(kOpen, 1, false))
        throw engine::EngineError(AE_TABLE_IN_USE, "The table " + Shown(dataFile)
                                                       + " is open exclusively by another user and cannot be backed up.");
    if (mFile.Writable()) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(waitSeconds);
        while (!mFile.TryLock(kTable, 1, true)) {
            if (std::chrono::steady_clock::now() >= deadline)
                throw engine::EngineError(AE_TABLE_IN_USE, "The table " + Shown(dataFile)
                                                               + " stays locked by another user and cannot be "
                                                                 "backed up consistently.");
            if (checkStop)
                checkStop();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    try {
        mFile.Lock(kHeader, 1, mFile.Writable());
    } catch (const storage::StorageError& e) {
        throw engine::EngineError(e.Code(), e.what());
    }
}

ExclusiveHold::ExclusiveHold(const std::string& dataFile, const std::string& shownTable)
{
    try {
        mFile = storage::File::Open(dataFile, true);
    } catch (const storage::StorageError& e) {
        throw engine::EngineError(AE_FILE_IO, "The table " + shownTable + " cannot be replaced: " + e.what());
    }
    if (!mFile.TryLock(kOpen, 1, true))
        throw engine::EngineError(AE_TABLE_IN_USE, "The table " + shownTable
                                                       + " is in use by another connection and cannot be restored.");
}

} // namespace backup
