#include "engine/sql/procedures.h"

#include "engine/sql/lexer.h"
#include "engine/sql/sql_error.h"

#include <mutex>

namespace sql {

std::string ProcedureRegistry::Key(const std::string& name) { return UpperCased(name); }

void ProcedureRegistry::Register(ProcedureInfo info)
{
    std::string key = Key(info.name);
    auto shared = std::make_shared<const ProcedureInfo>(std::move(info));
    std::unique_lock lock(mMutex);
    mProcedures[key] = std::move(shared);
}

std::shared_ptr<const ProcedureInfo> ProcedureRegistry::Find(const std::string& name) const
{
    std::shared_lock lock(mMutex);
    auto it = mProcedures.find(Key(name));
    return it == mProcedures.end() ? nullptr : it->second;
}

std::shared_ptr<ResultSet> ProcedureRegistry::Call(const std::string& name, const std::vector<Value>& args) const
{
    // The procedure runs outside the lock: a long one (a restore) must not
    // keep others from registering or calling.
    std::shared_ptr<const ProcedureInfo> info = Find(name);
    if (!info)
        throw SqlError(kUnknownProcedure, "The procedure " + name + " does not exist");
    if (args.size() != info->parameterCount)
        throw SqlError(kArgumentCount, "The procedure " + info->name + " takes " + std::to_string(info->parameterCount) +
                                           " arguments, not " + std::to_string(args.size()));
    std::vector<std::vector<Value>> rows = info->body(args);
    if (info->columns.empty())
        return nullptr;
    auto result = std::make_shared<ResultSet>();
    result->columns = info->columns;
    for (const auto& row : rows)
        if (row.size() != info->columns.size())
            throw SqlError(kValue, "The procedure " + info->name + " returned a row of " + std::to_string(row.size()) +
                                       " values for " + std::to_string(info->columns.size()) + " columns");
    result->rows = std::move(rows);
    return result;
}

std::shared_ptr<ResultSet> ProcedureExecutor::CallProcedure(const std::string& name, const std::vector<Value>& args)
{
    return mRegistry.Call(name, args);
}

DataOutcome ProcedureExecutor::RunData(const DataStatement& statement, const std::vector<Value>&)
{
    throw SqlError(kNotSupported, statement.verb + " statements are not yet supported");
}

void ProcedureExecutor::RunDefinition(const DefinitionStatement&)
{
    throw SqlError(kNotSupported, "Table and index definitions are not yet supported");
}

} // namespace sql
