// varnel-sql run as a user runs it: the built program as a subprocess on a
// temporary folder of free tables, its output and exit status read back.
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

struct ShellRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

ShellRun RunShell(const QStringList& arguments, const QByteArray& standardInput = {})
{
    QProcess process;
    process.setProgram(QStringLiteral(VARNEL_BIN_DIR "/varnel-sql"));
    process.setArguments(arguments);
    process.start();
    EXPECT_TRUE(process.waitForStarted()) << process.errorString().toStdString();
    process.write(standardInput);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    return {process.exitCode(), process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
}

// Runs the program on a pseudo-terminal, as a person typing would: `typed`
// is the keyboard, the terminal output comes back. Echo and output
// translation are off so that the text is exactly what the program wrote.
ShellRun RunOnTerminal(const std::vector<std::string>& arguments, const std::string& typed)
{
    termios settings{};
    cfmakeraw(&settings);
    settings.c_lflag |= ICANON; // line editing, and Ctrl-D as end of input
    settings.c_cc[VEOF] = 4;
    settings.c_cc[VMIN] = 1;
    int terminal = -1;
    const pid_t child = forkpty(&terminal, nullptr, &settings, nullptr);
    if (child == 0) {
        std::vector<char*> argv{const_cast<char*>(VARNEL_BIN_DIR "/varnel-sql")};
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    ShellRun run;
    if (child < 0) {
        ADD_FAILURE() << "no pseudo-terminal";
        return run;
    }
    EXPECT_EQ(write(terminal, typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
    char buffer[4096];
    for (ssize_t n; (n = read(terminal, buffer, sizeof buffer)) > 0;) // ends with EIO once the program exits
        run.out.append(buffer, static_cast<std::size_t>(n));
    int status = 0;
    waitpid(child, &status, 0);
    close(terminal);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class SqlShell : public ::testing::Test {
protected:
    QStringList Connected(const QStringList& rest) const
    {
        return QStringList{"--connect", folder.path()} + rest;
    }

    testsupport::TempFolder folder;
};

TEST_F(SqlShell, ProcedureResultsPrintAsAlignedText)
{
    // A folder, and a full connection string as the data-access layer sends it.
    for (const QString& target : {folder.path(), "Data Source=" + folder.path() + ";FIPS=False;ServerType=LOCAL|REMOTE;"}) {
        SCOPED_TRACE(target.toStdString());
        const ShellRun run = RunShell({"--connect", target, "-c",
                                       "EXECUTE PROCEDURE sp_setapplicationid('Caf\xc3\xa9 r\xc3\xa9seau')", "-c",
                                       "EXECUTE PROCEDURE sp_getapplicationid()"});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "");
        // Separate -c texts are separate executions on one connection, and the
        // Windows-1252 value comes back to the terminal as UTF-8.
        EXPECT_EQ(run.out, "(no result)\n"
                           "ApplicationID\n"
                           "-------------\n"
                           "Caf\xc3\xa9 r\xc3\xa9seau\n"
                           "(1 row)\n");
    }
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

TEST_F(SqlShell, ColumnsLineUpUnderTheirNames)
{
    // The statement list has many columns: numbers right-aligned, NULL shown.
    const ShellRun run = RunShell(Connected({"-c", "EXECUTE PROCEDURE sp_GetSQLStatements()"}));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    ASSERT_EQ(lines.size(), 4u) << run.out;
    EXPECT_EQ(lines[0].rfind("Query Number | Active | Percent Complete | ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[2].rfind("           1 | T      |                0 | ", 0), 0u) << lines[2];
    EXPECT_EQ(lines[2].substr(lines[2].size() - 4), "NULL");
    EXPECT_EQ(lines[3], "(1 row)");
    for (std::size_t at = 0; (at = lines[0].find(" | ", at)) != std::string::npos; ++at) {
        EXPECT_EQ(lines[1].substr(at, 3), "-+-") << at;
        EXPECT_EQ(lines[2].substr(at, 3), " | ") << at;
    }

    // A value longer than a first read takes, with two-byte characters:
    // widths count characters, not bytes.
    std::string value;
    for (int i = 0; i < 150; ++i)
        value += "\xc3\xa9x";
    const ShellRun longValue = RunShell(Connected(
        {"-c", QString::fromStdString("EXECUTE PROCEDURE sp_setapplicationid('" + value + "')"), "-c",
         "EXECUTE PROCEDURE sp_getapplicationid()"}));
    EXPECT_EQ(longValue.exitCode, 0) << longValue.err;
    EXPECT_EQ(longValue.out, "(no result)\nApplicationID\n" + std::string(300, '-') + "\n" + value + "\n(1 row)\n");
}

TEST_F(SqlShell, ScriptsRunWholeFromStandardInputAndFromFiles)
{
    const QByteArray script = "DECLARE @Name String;\n"
                              "SET @Name = 'from script';\n"
                              "IF @Name = 'from script' THEN\n"
                              "  EXECUTE PROCEDURE sp_setapplicationid(@Name);\n"
                              "END IF;\n";
    const ShellRun fromStdin = RunShell(Connected({}), script + "EXECUTE PROCEDURE sp_getapplicationid();\n");
    EXPECT_EQ(fromStdin.exitCode, 0) << fromStdin.err;
    EXPECT_NE(fromStdin.out.find("from script"), std::string::npos) << fromStdin.out;

    const QString file = folder.write("script.sql", script);
    const ShellRun fromFile = RunShell(Connected({file, "-c", "EXECUTE PROCEDURE sp_getapplicationid()"}));
    EXPECT_EQ(fromFile.exitCode, 0) << fromFile.err;
    EXPECT_EQ(fromFile.out, "(no result)\nApplicationID\n-------------\nfrom script\n(1 row)\n");
}

TEST_F(SqlShell, OnATerminalALoneSemicolonOrABlankLineEndsAStatement)
{
    const std::string typed = "EXECUTE PROCEDURE sp_setapplicationid('one');\n"
                              "  ;\n"
                              "DECLARE @Name String;\n"
                              "SET @Name = 'two';\n"
                              "EXECUTE PROCEDURE sp_setapplicationid(@Name);\n"
                              "\n"
                              "\n"
                              "EXECUTE PROCEDURE sp_getapplicationid()\n"
                              "\x04";
    const ShellRun run = RunOnTerminal({"--connect", folder.path().toStdString()}, typed);
    EXPECT_EQ(run.exitCode, 0) << run.out;
    // The script's own semicolons do not end it; a second blank line runs
    // nothing; what is left at end of input still runs.
    EXPECT_EQ(run.out, "varnel-sql>         ... (no result)\n"
                       "varnel-sql>         ...         ...         ... (no result)\n"
                       "varnel-sql> varnel-sql>         ... \n"
                       "ApplicationID\n-------------\ntwo\n(1 row)\n");
}

TEST_F(SqlShell, CsvQuotesWhatNeedsQuoting)
{
    const struct {
        const char* value;
        const char* field;
    } cases[] = {
        {"plain", "plain"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        const std::string set = std::string("EXECUTE PROCEDURE sp_setapplicationid('") + c.value + "')";
        const ShellRun run = RunShell(Connected({"--csv", "-c", QString::fromStdString(set), "-c",
                                                 "EXECUTE PROCEDURE sp_getapplicationid()"}));
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, std::string("ApplicationID\r\n") + c.field + "\r\n");
        EXPECT_EQ(run.err, "(no result)\n"); // kept off standard output
    }
}

TEST_F(SqlShell, FailuresAreReportedAndTheNextInputStillRuns)
{
    const ShellRun run = RunShell(Connected({"-c", "EXECUTE PROCEDURE sp_NoSuchThing()", "-c",
                                             "EXECUTE PROCEDURE sp_getapplicationid()", "-c",
                                             "EXECUTE PROCEDURE sp_BackupDatabase('a', 'b')",
                                             folder.file("missing.sql")}));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err.rfind("error 7200: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find("NativeError = 2108"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("\nerror 6002: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("cannot read " + folder.file("missing.sql").toStdString()), std::string::npos)
        << run.err;
    EXPECT_NE(run.out.find("ApplicationID"), std::string::npos) << run.out;
}

TEST_F(SqlShell, BadConnectionsAndCommandLinesAreRefused)
{
    const QString missing = folder.file("no/such/folder");
    for (const QString& target : {missing, "Data Source=" + missing + ";FIPS=False;"}) {
        SCOPED_TRACE(target.toStdString());
        const ShellRun run = RunShell({"--connect", target, "-c", "EXECUTE PROCEDURE sp_getapplicationid()"});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.err.rfind("error 6006: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(missing.toStdString()), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }

    const struct {
        QStringList arguments;
        const char* message;
    } usage[] = {
        {{"--connect"}, "--connect needs"},
        {{"-c"}, "-c needs"},
        {{"--frobnicate"}, "unknown option --frobnicate"},
    };
    for (const auto& c : usage) {
        SCOPED_TRACE(c.message);
        const ShellRun run = RunShell(c.arguments);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }

    const ShellRun help = RunShell({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("error <code>: <text>"), std::string::npos);
}

} // namespace
