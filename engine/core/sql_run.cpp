#include "engine/core/sql_run.h"

#include "engine/core/callbacks.h"
#include "engine/core/connection.h"
#include "engine/core/errors.h"
#include "engine/core/result_cursor.h"
#include "engine/core/statement_registry.h"
#include "engine/procedures/server_procedures.h"
#include "engine/sql/engine_executor.h"
#include "engine/sql/interpreter.h"
#include "engine/sql/live_select.h"
#include "engine/sql/parser.h"
#include "engine/sql/sql_error.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <cstdint>

namespace engine {

namespace {

struct RunInput {
    std::shared_ptr<PreparedScript> prepared;
    sql::ParameterValues values;
    uint32_t timeout = 0;
};

RunInput TakePrepared(Statement& statement, const char* function)
{
    std::lock_guard<std::mutex> lock(statement.Mutex());
    if (!statement.Prepared())
        throw EngineError(AE_INVALID_ARGUMENT, std::string(function) + ": the statement has no prepared SQL text.");
    statement.RowsAffected() = -1;
    return {statement.Prepared(), statement.Prepared()->parameters, statement.Options().timeout};
}

RunningStatementRow StartRow(const Connection& connection, const sql::Script& script)
{
    RunningStatementRow row;
    row.connectionName = ClientComputerName();
    row.databaseUser = connection.Settings().userName;
    row.database = connection.Path();
    row.isScript = script.statements.size() > 1;
    row.fullScript = script.text;
    row.query = script.text;
    row.startTime = MillisecondsSinceMidnight();
    return row;
}

StatementOptions OptionsOf(Statement& statement)
{
    std::lock_guard<std::mutex> lock(statement.Mutex());
    return statement.Options();
}

using Clock = std::chrono::steady_clock;

// Raises the timeout error once the statement's time (seconds, 0: none) is
// up; true when the registered abort test asks to stop.
std::function<bool()> StopTest(uint32_t timeoutSeconds)
{
    bool timed = timeoutSeconds != 0;
    Clock::time_point deadline = Clock::now() + std::chrono::seconds(timeoutSeconds);
    return [timed, deadline, timeoutSeconds] {
        if (timed && Clock::now() >= deadline)
            throw sql::SqlError(sql::kTimeout, "The statement ran longer than its timeout of "
                                                   + std::to_string(timeoutSeconds) + " seconds and was stopped");
        return SqlAbortRequested();
    };
}

sql::StageSettings StageFor(ADSHANDLE connection, const StatementOptions& options,
                            const std::function<bool()>& stopTest)
{
    sql::StageSettings settings;
    settings.connection = connection;
    settings.tableType = options.tableType;
    settings.charType = options.charType;
    settings.lockType = options.lockType;
    settings.checkRights = options.checkRights;
    settings.interrupt = [stopTest] {
        if (stopTest())
            throw sql::SqlError(sql::kAborted, "The statement was aborted");
    };
    return settings;
}

} // namespace

ADSHANDLE ExecutePrepared(Statement& statement, const char* function)
{
    std::shared_ptr<Connection> connection = LookUp<Connection>(statement.ConnectionHandle(), function);
    RunInput input = TakePrepared(statement, function);
    const sql::Script& script = input.prepared->script;

    sql::ExecutionOutcome outcome;
    StatementOptions options = OptionsOf(statement);
    std::function<bool()> stopTest = StopTest(options.timeout);
    sql::EngineExecutor executor(ServerProcedures(), StageFor(connection->Handle(), options, stopTest));
    if (options.readOnly == ADS_CURSOR_READWRITE)
        if (std::optional<std::string> table = sql::PlainSelectTable(script)) {
            ADSHANDLE live = executor.OpenNamedTable(*table, false);
            sql::MarkLiveResult(live);
            return live;
        }
    {
        RunningEntry entry(StartRow(*connection, script), connection->Handle());
        entry.Statement().SetTimeout(input.timeout);
        sql::ExecutionHooks hooks;
        hooks.statementStarted = [&entry](const std::string& text) { entry.Statement().SetQuery(text); };
        hooks.abortRequested = stopTest;
        outcome = sql::RunScript(script, input.values, executor, hooks);
    }
    {
        std::lock_guard<std::mutex> lock(statement.Mutex());
        statement.RowsAffected() = outcome.rowsAffected;
        if (executor.HasLastAutoinc())
            statement.LastAutoinc() = executor.LastAutoinc();
    }
    return outcome.result ? OpenResultCursor(*outcome.result, connection->Handle()) : 0;
}

uint32_t AffectedRows(Statement& statement, const char* function)
{
    std::lock_guard<std::mutex> lock(statement.Mutex());
    int64_t count = statement.RowsAffected();
    if (count < 0)
        throw EngineError(AE_NO_ROW_COUNT, std::string(function) + ": the last execution of the statement changed no "
                                                                 "rows it could count.");
    return static_cast<uint32_t>(std::min<int64_t>(count, UINT32_MAX));
}

void PrepareText(Statement& statement, std::string text)
{
    std::lock_guard<std::mutex> lock(statement.Mutex());
    statement.Prepared().reset();
    auto prepared = std::make_shared<PreparedScript>();
    prepared->script = sql::ParseScript(std::move(text));
    prepared->parameters = sql::ParameterValues(prepared->script.parameters.size());
    statement.Prepared() = std::move(prepared);
}

} // namespace engine
