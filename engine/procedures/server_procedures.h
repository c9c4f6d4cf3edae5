// The server procedures scripts call with EXECUTE PROCEDURE: the engine's
// own ones, registered once on first use, and any added later.
//
// Procedures run on the thread that executes the statement; the running
// statement of that thread (statement_registry.h) tells them their
// connection and takes their progress.
#pragma once

#include "engine/sql/procedures.h"

#include <cstdint>
#include <optional>

namespace engine {

// The process's procedure registry, holding the engine's procedures.
sql::ProcedureRegistry& ServerProcedures();
// Adds or replaces a procedure (for the engine's own tests; not exported).
void RegisterServerProcedure(sql::ProcedureInfo info);
// Reports the progress of the calling thread's running statement (percent
// 0..100, seconds left when known); does nothing outside a statement.
void ReportProgress(double percent, std::optional<int32_t> secondsLeft);

} // namespace engine
