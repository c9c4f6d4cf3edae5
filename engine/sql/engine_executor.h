// The executor of scripts run by the engine's statements: procedures from
// the registry, data statements on the SQLite stage, and table and index
// definitions through the engine's own create, open and index paths, all on
// the statement's connection with the statement's table options.
//
// Definitions never destroy data by accident: CREATE TABLE refuses a name
// whose table file already exists, DROP TABLE and DROP INDEX first open the
// table exclusively, so a table another user has open stays as it is.
#pragma once

#include "engine/sql/procedures.h"
#include "engine/sql/sqlite_stage.h"

namespace sql {

class EngineExecutor : public ProcedureExecutor {
public:
    EngineExecutor(const ProcedureRegistry& registry, StageSettings settings)
        : ProcedureExecutor(registry), mSettings(std::move(settings))
    {
    }

    DataOutcome RunData(const DataStatement& statement, const std::vector<Value>& values) override;
    void RunDefinition(const DefinitionStatement& statement) override;

    // The autoincrement value of the last record an INSERT of this
    // execution appended; false when none did.
    bool HasLastAutoinc() const { return mHasLastAutoinc; }
    uint32_t LastAutoinc() const { return mLastAutoinc; }

    // Opens a table the script names with the statement's table options, as
    // a cursor of the connection; a table that does not exist is an SqlError.
    ADSHANDLE OpenNamedTable(const std::string& table, bool exclusive) const;

private:
    // engine_definitions.cpp
    void CreateTable(const DefinitionStatement& statement);
    void DropTable(const DefinitionStatement& statement);
    void CreateIndex(const DefinitionStatement& statement);
    void DropIndex(const DefinitionStatement& statement);

    StageSettings mSettings;
    bool mHasLastAutoinc = false;
    uint32_t mLastAutoinc = 0;
};

} // namespace sql
