#include "options.h"

namespace sqlshell {
namespace {

// The value of an option that needs one, taken from the next argument.
bool TakeValue(const std::vector<std::string>& arguments, std::size_t& index, std::string& value)
{
    if (index + 1 >= arguments.size())
        return false;
    value = arguments[++index];
    return true;
}

} // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments)
{
    ParsedCommandLine parsed;
    ShellOptions& options = parsed.options;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (argument == "--help" || argument == "-h")) {
            options.help = true;
        } else if (!optionsEnded && argument == "--csv") {
            options.csv = true;
        } else if (!optionsEnded && argument == "--connect") {
            if (!TakeValue(arguments, i, options.connectTarget) || options.connectTarget.empty()) {
                parsed.error = "--connect needs a folder or a connection string";
                return parsed;
            }
        } else if (!optionsEnded && argument == "-c") {
            std::string sql;
            if (!TakeValue(arguments, i, sql)) {
                parsed.error = "-c needs an SQL text";
                return parsed;
            }
            options.inputs.push_back({ShellInput::Kind::Text, sql});
        } else if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
            parsed.error = "unknown option " + argument;
            return parsed;
        } else {
            options.inputs.push_back({ShellInput::Kind::File, argument});
        }
    }
    if (options.inputs.empty())
        options.inputs.push_back({ShellInput::Kind::StandardInput, {}});
    return parsed;
}

std::string HelpText()
{
    return R"HELP(Usage: varnel-sql [--connect <folder or connection string>] [--csv] [-c "<sql>"]... [file.sql]...

Runs SQL statements and scripts on the Varnel engine.

  --connect TARGET  Where to connect. A TARGET containing '=' is a full
                    connection string (for example "Data Source=/data;FIPS=False;");
                    anything else is a folder of free tables. Without it the
                    current folder is used.
  --csv             Print results as CSV (RFC 4180: a header line, CRLF line
                    ends, fields quoted when needed, NULL as an empty field).
  -c SQL            Run SQL. May be given several times.
  file.sql          Run the whole file.
  -h, --help        Show this text.

Each -c text and each file is sent to the engine whole, as one execution, so
a script with DECLARE, IF, WHILE and several statements runs as one. Without
-c and without a file, standard input is read: when it is not a terminal it
is sent whole as one script; on a terminal each statement (or script) ends
with a line holding only ";" or with a blank line, and end of input (Ctrl-D)
quits.

Output: a result is printed as aligned columns (names, a rule, the rows, then
"(N rows)"); a statement that yields no result prints "(no result)" (on
standard error with --csv, so that standard output stays CSV). Text from
the engine (Windows-1252) is shown as UTF-8, and SQL typed as UTF-8 is sent
in Windows-1252.

Errors: an engine error prints "error <code>: <text>" on standard error and
the next input still runs. Exit status: 0 when everything ran, 1 when any
input failed (or the connection could not be made), 2 for a bad command line.
)HELP";
}

} // namespace sqlshell
