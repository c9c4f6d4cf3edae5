// The groups of the engine's own procedures, each registered by its file.
#pragma once

#include "engine/sql/procedures.h"

#include <string>

namespace engine {

void RegisterStatementListProcedure(sql::ProcedureRegistry& registry);
void RegisterApplicationIdProcedures(sql::ProcedureRegistry& registry);
void RegisterBackupProcedures(sql::ProcedureRegistry& registry);
void RegisterTablePropertyProcedures(sql::ProcedureRegistry& registry);

// A text cut to a column's length, so that an over-long value (a deep
// folder path) narrows one cell instead of failing the whole result.
std::string FitColumn(const std::string& text, uint32_t length);

} // namespace engine
