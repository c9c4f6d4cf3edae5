// The statements running on this engine in this process, as the statement
// list procedure shows them to any connection.
//
// Invariants:
// - An entry exists exactly while its statement executes: Begin adds it,
//   the RunningEntry guard removes it however the execution ends.
// - A query number is handed out once per process (a rising counter from 1)
//   and stays the entry's number for its whole run.
// - The registry has its own lock, held only to add, remove or copy
//   entries; each entry's changing state (current query, progress) has a
//   lock of its own held only for the copy. Listing therefore never waits
//   for a running statement's work, only for another list or update.
// - Percent complete is kept within 0..100; seconds left is absent when the
//   running work gives no estimate.
#pragma once

#include "engine/engine.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace engine {

// What a listing shows of one running statement, copied at the time of the
// listing.
struct RunningStatementRow {
    uint32_t queryNumber = 0;
    bool active = true;
    double percentComplete = 0;
    std::optional<int32_t> secondsUntilFinished;
    std::string connectionName;
    std::string databaseUser;
    std::string query;
    std::string database;
    bool isScript = false;
    std::string fullScript;
    int32_t startTime = 0; // ms since midnight, local time
};

class RunningStatement {
public:
    explicit RunningStatement(RunningStatementRow start) : mRow(std::move(start)) {}

    uint32_t QueryNumber() const { return mRow.queryNumber; }
    ADSHANDLE Connection() const { return mConnection; }
    void SetConnection(ADSHANDLE connection) { mConnection = connection; }

    void SetQuery(std::string text);
    // The SQL timeout the statement runs under (0: none), counted from now.
    void SetTimeout(uint32_t seconds);
    // True once the statement has run longer than its SQL timeout.
    bool TimedOut() const;
    uint32_t TimeoutSeconds() const { return mTimeoutSeconds; }
    // Clamps `percent` into 0..100; a NaN reads as 0.
    void SetProgress(double percent, std::optional<int32_t> secondsLeft);
    RunningStatementRow Row() const;

private:
    mutable std::mutex mMutex;
    RunningStatementRow mRow;
    ADSHANDLE mConnection = 0;
    uint32_t mTimeoutSeconds = 0;
    std::chrono::steady_clock::time_point mTimeoutStart;
};

class StatementRegistry {
public:
    static StatementRegistry& Instance();

    // Adds an entry for `start` with a fresh query number.
    std::shared_ptr<RunningStatement> Begin(RunningStatementRow start);
    void End(uint32_t queryNumber);
    // The running statements in start order.
    std::vector<RunningStatementRow> List() const;

private:
    StatementRegistry() = default;

    mutable std::mutex mMutex;
    uint32_t mLastNumber = 0;
    std::map<uint32_t, std::shared_ptr<RunningStatement>> mEntries;
};

// The running statement of the calling thread while it executes one (the
// procedures it calls report progress and find their connection through
// it); null otherwise.
RunningStatement* CurrentStatement();

// Registers a statement for the lifetime of the guard and makes it the
// calling thread's current statement.
class RunningEntry {
public:
    RunningEntry(RunningStatementRow start, ADSHANDLE connection);
    ~RunningEntry();
    RunningEntry(const RunningEntry&) = delete;
    RunningEntry& operator=(const RunningEntry&) = delete;

    RunningStatement& Statement() { return *mStatement; }

private:
    std::shared_ptr<RunningStatement> mStatement;
    RunningStatement* mOuter;
};

// The client computer's name: COMPUTERNAME when set, else the host name.
std::string ClientComputerName();
// Local time of day in milliseconds.
int32_t MillisecondsSinceMidnight();

} // namespace engine
