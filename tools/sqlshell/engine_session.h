// One connection to the engine and the execution of SQL texts on it.
//
// Invariants:
// - The session talks to the engine only through its C interface.
// - Texts cross the boundary in the engine's code page (Windows-1252): SQL
//   is converted from UTF-8 on the way in, names, values and error texts
//   back to UTF-8 on the way out.
// - Every handle the session opens (connection, statement, cursor) is
//   closed again, whether the execution succeeded or not.
// - A failure is described by the code and text of the engine's last error,
//   taken right after the failing call.
#pragma once

#include "result_format.h"

#include "engine/engine.h"

#include <optional>
#include <string>

namespace sqlshell {

struct EngineError {
    UNSIGNED32 code = 0;
    std::string text; // UTF-8
};

// What one execution gave: a result set, no cursor at all, or an error.
struct ExecutionOutcome {
    std::optional<ResultSet> result;
    std::optional<EngineError> error;
};

class EngineSession {
public:
    EngineSession() = default;
    ~EngineSession();
    EngineSession(const EngineSession&) = delete;
    EngineSession& operator=(const EngineSession&) = delete;

    // A target with '=' in it is a full connection string; anything else is
    // a folder of free tables.
    std::optional<EngineError> Connect(const std::string& target);

    // Sends `sqlUtf8` whole, as one execution (a script may hold several
    // statements), and reads every row of the cursor it yields.
    ExecutionOutcome Execute(const std::string& sqlUtf8);

private:
    ADSHANDLE mConnection = 0;
};

// The engine's last error, its text converted to UTF-8.
EngineError LastEngineError(UNSIGNED32 failedCode);

} // namespace sqlshell
