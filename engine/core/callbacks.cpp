#include "engine/core/callbacks.h"

#include <mutex>

namespace engine {

namespace {

struct Registered {
    ADS_CALLBACK_FUNCTION callback = nullptr;
    UNSIGNED32 id = 0;
    ADS_CALLBACK_FUNCTION101 callback101 = nullptr;
    UNSIGNED64 id101 = 0;
    ADS_PROGRESS_CALLBACK progress = nullptr;
    ADS_SQL_ABORT_FUNC sqlAbort = nullptr;
};

std::mutex gMutex;
Registered gRegistered;

Registered Snapshot()
{
    std::lock_guard<std::mutex> lock(gMutex);
    return gRegistered;
}

} // namespace

void RegisterCallback(ADS_CALLBACK_FUNCTION callback, UNSIGNED32 id)
{
    std::lock_guard<std::mutex> lock(gMutex);
    gRegistered.callback = callback;
    gRegistered.id = id;
    gRegistered.callback101 = nullptr;
}

void RegisterCallback101(ADS_CALLBACK_FUNCTION101 callback, UNSIGNED64 id)
{
    std::lock_guard<std::mutex> lock(gMutex);
    gRegistered.callback101 = callback;
    gRegistered.id101 = id;
    gRegistered.callback = nullptr;
}

void ClearCallback()
{
    std::lock_guard<std::mutex> lock(gMutex);
    gRegistered.callback = nullptr;
    gRegistered.callback101 = nullptr;
}

void RegisterProgressCallback(ADS_PROGRESS_CALLBACK callback)
{
    std::lock_guard<std::mutex> lock(gMutex);
    gRegistered.progress = callback;
}

void ClearProgressCallback()
{
    std::lock_guard<std::mutex> lock(gMutex);
    gRegistered.progress = nullptr;
}

void RegisterSqlAbort(ADS_SQL_ABORT_FUNC callback)
{
    std::lock_guard<std::mutex> lock(gMutex);
    gRegistered.sqlAbort = callback;
}

void ClearSqlAbort()
{
    std::lock_guard<std::mutex> lock(gMutex);
    gRegistered.sqlAbort = nullptr;
}

bool ReportProgress(UNSIGNED16 percent)
{
    // Called outside the lock: a callback may register or clear callbacks.
    Registered now = Snapshot();
    bool stop = false;
    if (now.callback)
        stop |= now.callback(percent, now.id) != 0;
    if (now.callback101)
        stop |= now.callback101(percent, now.id101) != 0;
    if (now.progress)
        stop |= now.progress(percent) != 0;
    return stop;
}

bool SqlAbortRequested()
{
    Registered now = Snapshot();
    return now.sqlAbort && now.sqlAbort() != 0;
}

} // namespace engine
