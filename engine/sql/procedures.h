// The server procedures a script can call, by name without regard to case.
//
// The engine registers each procedure once with its parameter count and
// the columns of the rows it yields (none for a procedure that yields no
// cursor). Calling checks the argument count before the procedure runs, so
// a procedure body always gets exactly the arguments it declared. A
// registry may be filled while others read it.
#pragma once

#include "engine/sql/executor.h"

#include <functional>
#include <map>
#include <memory>
#include <shared_mutex>
#include <string>
#include <vector>

namespace sql {

// The body of a procedure: gets the arguments, returns its rows (without
// columns; the registry supplies the declared ones) or nothing.
using ProcedureBody = std::function<std::vector<std::vector<Value>>(const std::vector<Value>& args)>;

struct ProcedureInfo {
    std::string name;
    size_t parameterCount = 0;
    std::vector<ResultColumn> columns; // empty: yields no cursor
    ProcedureBody body;
};

class ProcedureRegistry {
public:
    // Replaces a procedure of the same name.
    void Register(ProcedureInfo info);
    // nullptr when none.
    std::shared_ptr<const ProcedureInfo> Find(const std::string& name) const;
    // Runs the procedure; SqlError for an unknown name or a wrong count, and
    // when the body returns a row whose width is not the declared one.
    std::shared_ptr<ResultSet> Call(const std::string& name, const std::vector<Value>& args) const;

private:
    static std::string Key(const std::string& name);

    mutable std::shared_mutex mMutex;
    std::map<std::string, std::shared_ptr<const ProcedureInfo>> mProcedures;
};

// An executor that calls procedures of a registry and refuses data
// statements and definitions as not yet supported; the engine's own
// executor extends it.
class ProcedureExecutor : public Executor {
public:
    explicit ProcedureExecutor(const ProcedureRegistry& registry) : mRegistry(registry) {}

    std::shared_ptr<ResultSet> CallProcedure(const std::string& name, const std::vector<Value>& args) override;
    DataOutcome RunData(const DataStatement& statement, const std::vector<Value>& values) override;
    void RunDefinition(const DefinitionStatement& statement) override;

private:
    const ProcedureRegistry& mRegistry;
};

} // namespace sql
