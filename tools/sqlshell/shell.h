// Runs the inputs of a command line on one engine session and prints what
// they give.
//
// Invariants:
// - Results go to standard output, errors to standard error.
// - A failed input never stops the ones after it; it only makes the exit
//   status 1.
#pragma once

#include "engine_session.h"
#include "options.h"

#include <istream>
#include <ostream>

namespace sqlshell {

class Shell {
public:
    Shell(const ShellOptions& options, std::ostream& out, std::ostream& err);

    // Connects and runs every input; returns the exit status.
    int Run();

private:
    void RunInput(const ShellInput& input);
    void RunFile(const std::string& fileName);
    void RunStandardInput();
    void RunInteractive();
    void RunText(const std::string& sql);
    void ReportError(const EngineError& error);
    void ReportFailure(const std::string& message);

    const ShellOptions& mOptions;
    std::ostream& mOut;
    std::ostream& mErr;
    EngineSession mSession;
    bool mAnyFailed = false;
};

} // namespace sqlshell
