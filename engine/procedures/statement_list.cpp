// sp_GetSQLStatements: the statement registry as rows, one per running
// statement in start order (the listing statement itself included: it is
// running too).
#include "engine/core/statement_registry.h"
#include "engine/procedures/procedure_groups.h"

namespace engine {

namespace {

using sql::DataType;
using sql::Value;

constexpr uint32_t kNameLength = 100;
constexpr uint32_t kDatabaseLength = 255;

std::vector<sql::ResultColumn> Columns()
{
    return {
        {"Query Number", DataType::Integer},
        {"Active", DataType::Logical},
        {"Percent Complete", DataType::Double, 0, 2},
        {"Connection Name", DataType::String, kNameLength},
        {"Database User", DataType::String, kNameLength},
        {"Query", DataType::String},       // memo
        {"Database", DataType::String, kDatabaseLength},
        {"Is Script", DataType::Logical},
        {"Full Script", DataType::String}, // memo
        {"Start Time", DataType::Time},
        {"Seconds Until Finished", DataType::Integer},
    };
}

std::vector<Value> RowOf(const RunningStatementRow& s)
{
    return {
        Value::Integer(s.queryNumber),
        Value::Logical(s.active),
        Value::Double(s.percentComplete),
        Value::String(FitColumn(s.connectionName, kNameLength)),
        Value::String(FitColumn(s.databaseUser, kNameLength)),
        Value::String(s.query),
        Value::String(FitColumn(s.database, kDatabaseLength)),
        Value::Logical(s.isScript),
        Value::String(s.fullScript),
        Value::Time(s.startTime),
        s.secondsUntilFinished ? Value::Integer(*s.secondsUntilFinished) : Value::Null(DataType::Integer),
    };
}

} // namespace

void RegisterStatementListProcedure(sql::ProcedureRegistry& registry)
{
    registry.Register({"sp_GetSQLStatements", 0, Columns(), [](const std::vector<Value>&) {
                           std::vector<std::vector<Value>> rows;
                           for (const RunningStatementRow& statement : StatementRegistry::Instance().List())
                               rows.push_back(RowOf(statement));
                           return rows;
                       }});
}

} // namespace engine
