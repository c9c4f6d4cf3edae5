// Running a parsed script: its statements in order, in one execution with
// one variable scope.
//
// Variables start NULL and keep their declared type: an assigned value is
// converted to it (a value that does not convert, or a text longer than a
// sized type, is a fault). A cursor runs its query when it is opened — a
// procedure call or a SELECT — and holds the rows until it is closed. The
// execution's result is the rows of the last statement that yielded some
// (an opened cursor, a procedure that returns rows, a SELECT) and that has
// not been closed since.
//
// Before each statement the hooks hear which statement runs — for an OPEN,
// kCursorOpenBanner, a line break and the text of the cursor's query — and
// are asked whether to abort; an abort ends the execution with an SqlError.
// The first fault ends the execution; statements already run keep their
// effects.
#pragma once

#include "engine/sql/ast.h"
#include "engine/sql/executor.h"
#include "engine/sql/parameters.h"

#include <functional>
#include <memory>
#include <string>

namespace sql {

// Spelled as the statement registry has always shown it; readers of the
// registry match this line exactly.
inline constexpr const char* kCursorOpenBanner = "Executing cursor OPEN statment in SQL script.";

struct ExecutionHooks {
    std::function<void(const std::string& queryText)> statementStarted;
    std::function<bool()> abortRequested;
};

struct ExecutionOutcome {
    std::shared_ptr<ResultSet> result; // nullptr: the script yields no cursor
    int64_t rowsAffected = -1;         // of the last data statement that counted
};

// `parameters` must have one position per parameter of the script.
ExecutionOutcome RunScript(const Script& script, const ParameterValues& parameters, Executor& executor,
                           const ExecutionHooks& hooks = {});

} // namespace sql
