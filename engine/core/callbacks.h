// The callbacks a caller registers for long operations: a progress callback
// with an identifier (two widths), a bare progress callback and an abort
// test for SQL. Registration is process-wide; registering again replaces,
// clearing removes. ReportProgress is how a long operation reports: it calls
// whichever is registered and says whether to stop.
#pragma once

#include "engine/engine.h"

namespace engine {

void RegisterCallback(ADS_CALLBACK_FUNCTION callback, UNSIGNED32 id);
void RegisterCallback101(ADS_CALLBACK_FUNCTION101 callback, UNSIGNED64 id);
void ClearCallback();
void RegisterProgressCallback(ADS_PROGRESS_CALLBACK callback);
void ClearProgressCallback();
void RegisterSqlAbort(ADS_SQL_ABORT_FUNC callback);
void ClearSqlAbort();

// Calls the registered progress callbacks with `percent` (0..100); true
// when one of them asks to stop.
bool ReportProgress(UNSIGNED16 percent);
// True when the registered SQL abort test asks to stop.
bool SqlAbortRequested();

} // namespace engine
