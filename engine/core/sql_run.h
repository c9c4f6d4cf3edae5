// Executing a statement's prepared script on its connection.
//
// The statement's lock is held only to take the prepared script and a copy
// of its bound values and, at the end, to store the count of changed rows:
// the run itself holds no lock that another connection's statements (or a
// listing of the running statements) would wait for. While the script runs
// it is an entry of the statement registry; the entry goes when the run
// ends, whether it succeeds or fails. Failures pass through with their own
// codes and texts; a failed run leaves no result cursor open.
#pragma once

#include "engine/core/statement.h"

namespace engine {

// Runs the prepared script; returns the result cursor's handle (a child of
// the statement's connection), or 0 when the script yields none.
ADSHANDLE ExecutePrepared(Statement& statement, const char* function);

// The rows the last execution's data statement changed; AE_NO_ROW_COUNT
// when there is no such count.
uint32_t AffectedRows(Statement& statement, const char* function);

// Prepares `text` on the statement as AdsPrepareSQLW does: on failure the
// statement is left unprepared.
void PrepareText(Statement& statement, std::string text);

} // namespace engine
