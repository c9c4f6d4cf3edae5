// The command line of varnel-sql.
//
// Invariants:
// - Inputs keep the order of the command line; each is executed on its own
//   (one execution per -c text, per file, and for standard input).
// - Standard input is an input only when no -c text and no file was given.
#pragma once

#include <string>
#include <vector>

namespace sqlshell {

struct ShellInput {
    enum class Kind { Text, File, StandardInput };
    Kind kind = Kind::Text;
    std::string value; // the SQL for Text, the file name for File
};

struct ShellOptions {
    std::string connectTarget; // empty: the current folder
    bool csv = false;
    bool help = false;
    std::vector<ShellInput> inputs;
};

struct ParsedCommandLine {
    ShellOptions options;
    std::string error; // empty when the command line was understood
};

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

std::string HelpText();

} // namespace sqlshell
