#include "engine/sql/engine_executor.h"

#include "engine/sql/stage_cache.h"

namespace sql {

DataOutcome EngineExecutor::RunData(const DataStatement& statement, const std::vector<Value>& values)
{
    StageOutcome outcome = RunOnStage(statement, values, mSettings);
    if (outcome.appendedAutoinc) {
        mHasLastAutoinc = true;
        mLastAutoinc = outcome.lastAutoinc;
    }
    return outcome.data;
}

void EngineExecutor::RunDefinition(const DefinitionStatement& statement)
{
    using Verb = DefinitionStatement::Verb;
    // Tables an ended transaction's statements kept open would stand in the way.
    ReleaseKeptTables(mSettings.connection);
    switch (statement.verb) {
    case Verb::CreateTable: CreateTable(statement); break;
    case Verb::DropTable: DropTable(statement); break;
    case Verb::CreateIndex: CreateIndex(statement); break;
    case Verb::DropIndex: DropIndex(statement); break;
    }
}

} // namespace sql
