#include "engine/core/statement_registry.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <unistd.h>

namespace engine {

namespace {

thread_local RunningStatement* tCurrent = nullptr;

} // namespace

void RunningStatement::SetQuery(std::string text)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mRow.query = std::move(text);
}

void RunningStatement::SetTimeout(uint32_t seconds)
{
    mTimeoutSeconds = seconds;
    mTimeoutStart = std::chrono::steady_clock::now();
}

bool RunningStatement::TimedOut() const
{
    return mTimeoutSeconds != 0
        && std::chrono::steady_clock::now() - mTimeoutStart >= std::chrono::seconds(mTimeoutSeconds);
}

void RunningStatement::SetProgress(double percent, std::optional<int32_t> secondsLeft)
{
    double clamped = std::isnan(percent) ? 0.0 : std::clamp(percent, 0.0, 100.0);
    std::lock_guard<std::mutex> lock(mMutex);
    mRow.percentComplete = clamped;
    mRow.secondsUntilFinished = secondsLeft;
}

RunningStatementRow RunningStatement::Row() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mRow;
}

StatementRegistry& StatementRegistry::Instance()
{
    static StatementRegistry registry;
    return registry;
}

std::shared_ptr<RunningStatement> StatementRegistry::Begin(RunningStatementRow start)
{
    std::lock_guard<std::mutex> lock(mMutex);
    // 0 is never a query number: readers take 0 for "none found".
    if (++mLastNumber == 0)
        ++mLastNumber;
    start.queryNumber = mLastNumber;
    auto entry = std::make_shared<RunningStatement>(std::move(start));
    mEntries[entry->QueryNumber()] = entry;
    return entry;
}

void StatementRegistry::End(uint32_t queryNumber)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mEntries.erase(queryNumber);
}

std::vector<RunningStatementRow> StatementRegistry::List() const
{
    std::vector<std::shared_ptr<RunningStatement>> entries;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        for (const auto& [number, entry] : mEntries)
            entries.push_back(entry);
    }
    std::vector<RunningStatementRow> rows;
    rows.reserve(entries.size());
    for (const auto& entry : entries)
        rows.push_back(entry->Row());
    return rows;
}

RunningStatement* CurrentStatement()
{
    return tCurrent;
}

RunningEntry::RunningEntry(RunningStatementRow start, ADSHANDLE connection)
    : mStatement(StatementRegistry::Instance().Begin(std::move(start))), mOuter(tCurrent)
{
    mStatement->SetConnection(connection);
    tCurrent = mStatement.get();
}

RunningEntry::~RunningEntry()
{
    tCurrent = mOuter;
    StatementRegistry::Instance().End(mStatement->QueryNumber());
}

std::string ClientComputerName()
{
    if (const char* name = std::getenv("COMPUTERNAME"); name && *name)
        return name;
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0)
        return "localhost";
    return host;
}

int32_t MillisecondsSinceMidnight()
{
    auto now = std::chrono::system_clock::now();
    std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    ::localtime_r(&seconds, &local);
    auto sinceSecond = std::chrono::duration_cast<std::chrono::milliseconds>(
        now - std::chrono::system_clock::from_time_t(seconds));
    return ((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000
           + static_cast<int32_t>(sinceSecond.count());
}

} // namespace engine
