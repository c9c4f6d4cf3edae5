// Gathers the lines typed on a terminal into statements.
//
// A statement (or a whole script) ends with a line that holds only ";" or
// with a blank line; both ignore surrounding blanks. The terminating line is
// not part of the statement, so a script's own semicolons at the ends of its
// lines never cut it short.
//
// Invariants:
// - Lines are kept exactly, joined with "\n".
// - A statement that is only blanks is never produced.
#pragma once

#include <optional>
#include <string>

namespace sqlshell {

class StatementSplitter {
public:
    // The finished statement when `line` terminates one.
    std::optional<std::string> AddLine(const std::string& line);

    // What is left at end of input, if it holds more than blanks.
    std::optional<std::string> Finish();

    // True while lines are gathered for an unfinished statement.
    bool Pending() const { return !mPending.empty(); }

private:
    std::optional<std::string> TakePending();

    std::string mPending;
};

} // namespace sqlshell
