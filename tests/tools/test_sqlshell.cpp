// varnel-sql run as a user runs it: the built program as a subprocess on a
// temporary folder of free tables, its output and exit status read back.
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <QProcess>

#include <string>

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
    const ShellRun run = RunShell(Connected({"-c", "EXECUTE PROCEDURE sp_setapplicationid('Caf\xc3\xa9 r\xc3\xa9seau')",
                                             "-c", "EXECUTE PROCEDURE sp_getapplicationid()"}));
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
    EXPECT_NE(run.err.find("\nerror 6000: "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("cannot read " + folder.file("missing.sql").toStdString()), std::string::npos)
        << run.err;
    EXPECT_NE(run.out.find("ApplicationID"), std::string::npos) << run.out;
}

TEST_F(SqlShell, BadConnectionsAndCommandLinesAreRefused)
{
    const ShellRun missingFolder =
        RunShell({"--connect", folder.file("no/such/folder"), "-c", "EXECUTE PROCEDURE sp_getapplicationid()"});
    EXPECT_EQ(missingFolder.exitCode, 1);
    EXPECT_EQ(missingFolder.err.rfind("error ", 0), 0u) << missingFolder.err;
    EXPECT_EQ(missingFolder.out, "");

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
