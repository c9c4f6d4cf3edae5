// varnel-sql: a command-line companion that runs SQL on the engine.
#include "options.h"
#include "shell.h"

#include <iostream>

int main(int argc, char** argv)
{
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const sqlshell::ParsedCommandLine parsed = sqlshell::ParseCommandLine(arguments);
    if (!parsed.error.empty()) {
        std::cerr << "varnel-sql: " << parsed.error << "\n"
                  << "Try 'varnel-sql --help' for more information.\n";
        return 2;
    }
    if (parsed.options.help) {
        std::cout << sqlshell::HelpText();
        return 0;
    }
    sqlshell::Shell shell(parsed.options, std::cout, std::cerr);
    return shell.Run();
}
