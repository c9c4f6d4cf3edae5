// Shared pieces of the SQL script tests: a registry with recording test
// procedures and a one-call way to parse, bind and run a script.
#pragma once

#include "engine/sql/interpreter.h"
#include "engine/sql/parser.h"
#include "engine/sql/procedures.h"
#include "engine/sql/sql_error.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace sqltest {

struct Call {
    std::string procedure;
    std::vector<sql::Value> args;
};

// Procedures that record their calls: sp_RestoreFreeTables and
// sp_RestoreDatabase (4 arguments, one result row), sp_Nothing (no
// arguments, no cursor), sp_Rows(n) (n rows of one Integer column),
// sp_Echo(x) (records x, no cursor).
class RecordingProcedures {
public:
    RecordingProcedures()
    {
        RegisterRecorder("sp_RestoreFreeTables", 4);
        RegisterRecorder("sp_RestoreDatabase", 4);
        mRegistry.Register({"sp_Nothing", 0, {}, [this](const std::vector<sql::Value>& args) {
                                calls.push_back({"sp_Nothing", args});
                                return std::vector<std::vector<sql::Value>>{};
                            }});
        mRegistry.Register({"sp_Echo", 1, {}, [this](const std::vector<sql::Value>& args) {
                                calls.push_back({"sp_Echo", args});
                                return std::vector<std::vector<sql::Value>>{};
                            }});
        mRegistry.Register({"sp_Rows", 1, {{"N", sql::DataType::Integer}}, [this](const std::vector<sql::Value>& args) {
                                calls.push_back({"sp_Rows", args});
                                std::vector<std::vector<sql::Value>> rows;
                                for (int64_t i = 1; i <= args[0].integer; ++i)
                                    rows.push_back({sql::Value::Integer(i)});
                                return rows;
                            }});
    }

    sql::ProcedureRegistry& Registry() { return mRegistry; }
    std::vector<Call> calls;

private:
    void RegisterRecorder(const std::string& name, size_t count)
    {
        mRegistry.Register({name, count, {{"Result", sql::DataType::String, 20}},
                            [this, name](const std::vector<sql::Value>& args) {
                                calls.push_back({name, args});
                                return std::vector<std::vector<sql::Value>>{{sql::Value::String("done")}};
                            }});
    }

    sql::ProcedureRegistry mRegistry;
};

// What a run gives back besides its outcome.
struct RunResult {
    sql::ExecutionOutcome outcome;
    std::vector<std::string> announced;
};

inline RunResult RunText(const std::string& text, RecordingProcedures& procedures,
                   const std::function<void(sql::ParameterValues&)>& bind = {},
                   std::function<bool()> abort = {})
{
    sql::Script script = sql::ParseScript(text);
    sql::ParameterValues values(script.parameters.size());
    if (bind)
        bind(values);
    sql::ProcedureExecutor executor(procedures.Registry());
    RunResult run;
    sql::ExecutionHooks hooks;
    hooks.statementStarted = [&run](const std::string& t) { run.announced.push_back(t); };
    hooks.abortRequested = std::move(abort);
    run.outcome = sql::RunScript(script, values, executor, hooks);
    return run;
}

// The text form of a value, "NULL" for any NULL.
inline std::string Shown(const sql::Value& v) { return sql::TextForm(v); }

} // namespace sqltest
