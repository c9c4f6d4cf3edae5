// Executing prepared statements through the C interface: parameters bound
// by position, the restore scripts against the still-refusing restore
// procedures, scripts without a result, the application id.
#include "test_sqlexec_support.h"

#include "engine/sql/value.h"

#include <cstring>
#include <functional>

using namespace apitest;
using namespace sqlexec;

namespace {

// sp_TestShow(x): one row, the text form of x ("NULL" when x is NULL) and
// its type name, so that a test sees what a parameter was bound as.
void RegisterShowProcedure()
{
    engine::RegisterServerProcedure(
        {"sp_TestShow", 1, {{"Shown", sql::DataType::String, 80}, {"Type", sql::DataType::String, 20}},
         [](const std::vector<sql::Value>& args) {
             const sql::Value& v = args[0];
             std::string shown = v.null ? "NULL" : sql::TextForm(v);
             return std::vector<std::vector<sql::Value>>{
                 {sql::Value::String(shown), sql::Value::String(v.null ? "NULL" : sql::TypeName(v.type))}};
         }});
}

class SqlExec : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterShowProcedure(); }

    ResultFolders folders;
    FolderConnection connection;
};

// What one setter call binds at position 1 of "sp_TestShow(:x)".
struct BindCase {
    const char* label;
    std::function<UNSIGNED32(ADSHANDLE)> bind; // nullptr: left unbound
    const char* shown;
};

const uint8_t kStamp[8] = {0x59, 0x68, 0x25, 0x00, 0x40, 0x66, 0x38, 0x00}; // 2451545, 3696192 ms

const BindCase kBindCases[] = {
    {"unbound", nullptr, "NULL"},
    {"empty", [](ADSHANDLE s) { return AdsSetEmpty(s, ADSFIELD(1)); }, "NULL"},
    {"string", [](ADSHANDLE s) { return AdsSetString(s, ADSFIELD(1), "abc def", 3); }, "abc"},
    {"wide string", [](ADSHANDLE s) { return AdsSetStringW(s, ADSFIELD(1), u"Donn\u00e9es", 7); }, "Donn\xe9" "es"},
    {"double", [](ADSHANDLE s) { return AdsSetDouble(s, ADSFIELD(1), 2.5); }, "2.5"},
    {"logical", [](ADSHANDLE s) { return AdsSetLogical(s, ADSFIELD(1), 1); }, "TRUE"},
    {"julian", [](ADSHANDLE s) { return AdsSetJulian(s, ADSFIELD(1), 2451545); }, "2000-01-01"},
    {"milliseconds", [](ADSHANDLE s) { return AdsSetMilliseconds(s, ADSFIELD(1), 3723000); }, "01:02:03"},
    {"time stamp", [](ADSHANDLE s) { return AdsSetTimeStampRaw(s, ADSFIELD(1), kStamp, 8); },
     "2000-01-01 01:01:36.192"},
    {"binary", [](ADSHANDLE s) { return AdsSetBinary(s, ADSFIELD(1), ADS_BINARY_DATA, 3, 0, (const UNSIGNED8*)"xyz", 3); },
     "xyz"},
};

TEST_F(SqlExec, SettersBindByPositionAndUnboundReadsAsNull)
{
    for (const BindCase& c : kBindCases) {
        SCOPED_TRACE(c.label);
        StatementOn statement(connection.Handle());
        ASSERT_ADS_OK(Prepare(statement.Handle(), "EXECUTE PROCEDURE sp_TestShow(:x)"));
        if (c.bind)
            ASSERT_ADS_OK(c.bind(statement.Handle()));
        ADSHANDLE cursor = 0;
        ASSERT_ADS_OK(AdsExecuteSQL(statement.Handle(), &cursor));
        ASSERT_NE(cursor, 0u);
        ASSERT_ADS_OK(AdsGotoTop(cursor));
        EXPECT_EQ(Text(cursor, "Shown"), c.shown);
        EXPECT_ADS_OK(AdsCloseTable(cursor));
    }
}

TEST_F(SqlExec, ParameterBindingRefusals)
{
    StatementOn statement(connection.Handle());
    // Before any prepare there are no parameters to bind.
    EXPECT_NE(AdsSetStringW(statement.Handle(), ADSFIELD(1), u"a", 1), AE_SUCCESS);
    ASSERT_ADS_OK(Prepare(statement.Handle(), "EXECUTE PROCEDURE sp_TestShow(:x)"));

    struct Refusal {
        const char* label;
        std::function<UNSIGNED32()> call;
        UNSIGNED32 code;
        const char* fragment;
    };
    ADSHANDLE s = statement.Handle();
    const Refusal refusals[] = {
        {"past the last", [&] { return AdsSetStringW(s, ADSFIELD(2), u"a", 1); }, 7200, "NativeError = 2110"},
        {"far past", [&] { return AdsSetDouble(s, ADSFIELD(400), 1.0); }, 7200, "NativeError = 2110"},
        {"position 0", [&] { return AdsSetLogical(s, ADSFIELD(0), 1); }, AE_INVALID_ARGUMENT, "position"},
        {"by name", [&] { return AdsSetString(s, "x", "a", 1); }, AE_INVALID_ARGUMENT, "position"},
        {"time outside a day", [&] { return AdsSetMilliseconds(s, ADSFIELD(1), 86400000); }, AE_INVALID_ARGUMENT, "day"},
        {"short time stamp", [&] { return AdsSetTimeStampRaw(s, ADSFIELD(1), kStamp, 4); }, AE_INVALID_ARGUMENT, "8 bytes"},
        {"binary piece", [&] { return AdsSetBinary(s, ADSFIELD(1), ADS_BINARY_DATA, 6, 0, (const UNSIGNED8*)"xyz", 3); },
         AE_INVALID_ARGUMENT, "one piece"},
        {"null text", [&] { return AdsSetString(s, ADSFIELD(1), nullptr, 2); }, AE_INVALID_ARGUMENT, "null"},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.label);
        ExpectFailure(r.call(), r.code, r.fragment);
    }
    // The refused bindings changed nothing: the parameter still reads NULL.
    ADSHANDLE cursor = 0;
    ASSERT_ADS_OK(AdsExecuteSQL(s, &cursor));
    ASSERT_ADS_OK(AdsGotoTop(cursor));
    EXPECT_EQ(Text(cursor, "Shown"), "NULL");
    EXPECT_ADS_OK(AdsCloseTable(cursor));
}

TEST_F(SqlExec, ExecutingWithoutPreparedTextIsRefused)
{
    StatementOn statement(connection.Handle());
    ADSHANDLE cursor = 77;
    ExpectFailure(AdsExecuteSQL(statement.Handle(), &cursor), AE_INVALID_ARGUMENT, "no prepared");
    // A prepare that fails leaves nothing to run, not the older text.
    ASSERT_ADS_OK(Prepare(statement.Handle(), "EXECUTE PROCEDURE sp_getapplicationid()"));
    EXPECT_NE(Prepare(statement.Handle(), "EXECUTE PROCEDURE ("), AE_SUCCESS);
    ExpectFailure(AdsExecuteSQL(statement.Handle(), &cursor), AE_INVALID_ARGUMENT, "no prepared");
}

// The tool's two restore scripts, lines joined with line breaks.
std::string RestoreScript(const std::vector<std::string>& cursorLines)
{
    std::vector<std::string> lines{"DECLARE @Source String, @Destination String, @MotDePasse String;", ""};
    lines.insert(lines.end(), cursorLines.begin(), cursorLines.end());
    for (const char* tail : {"", "@Destination = UPPER(:Destination);", "@MotDePasse = LOWER(:MotDePasse);",
                             "@Source = UPPER(:Source);", "", "Open RestoreBackup;"})
        lines.push_back(tail);
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i)
        text += (i ? "\r\n" : "") + lines[i];
    return text;
}

// How many statements the registry lists, the listing included.
UNSIGNED32 RunningStatements(ADSHANDLE connection)
{
    StatementOn statement(connection);
    ADSHANDLE cursor = 0;
    EXPECT_EQ(AdsExecuteSQLDirect(statement.Handle(), "EXECUTE PROCEDURE sp_GetSQLStatements()", &cursor), AE_SUCCESS)
        << LastError().text;
    UNSIGNED32 count = RecordCount(cursor);
    AdsCloseTable(cursor);
    return count;
}

TEST_F(SqlExec, RestoreScriptsFailCleanlyWhenTheRestoreIsRefused)
{
    // The backup folder does not exist.
    const struct {
        const char* procedure;
        std::vector<std::string> cursor;
        UNSIGNED32 code;
        const char* fragment;
    } scripts[] = {
        {"sp_RestoreFreeTables",
         {"DECLARE RestoreBackup Cursor AS EXECUTE PROCEDURE sp_RestoreFreeTables(", "@Source,", "@Destination,",
          "NULL,", "@MotDePasse );"},
         AE_PATH_NOT_FOUND, "/BACKUP/JOUR"},
        {"sp_RestoreDatabase",
         {"DECLARE RestoreBackup Cursor AS EXECUTE PROCEDURE sp_RestoreDatabase(", "@Source,", "@MotDePasse,",
          "@Destination,", "NULL );"},
         AE_PATH_NOT_FOUND, "/BACKUP"},
    };
    for (const auto& script : scripts) {
        SCOPED_TRACE(script.procedure);
        StatementOn statement(connection.Handle());
        ASSERT_ADS_OK(Prepare(statement.Handle(), RestoreScript(script.cursor)));
        ASSERT_ADS_OK(AdsSetStringW(statement.Handle(), ADSFIELD(1), u"/srv/cible", 10));
        ASSERT_ADS_OK(AdsSetStringW(statement.Handle(), ADSFIELD(2), u"SeCreT", 6));
        ASSERT_ADS_OK(AdsSetStringW(statement.Handle(), ADSFIELD(3), u"/backup/jour", 12));
        ExpectFailure(AdsSetStringW(statement.Handle(), ADSFIELD(4), u"x", 1), 7200, "NativeError = 2110");

        ADSHANDLE cursor = 0;
        ExpectFailure(AdsExecuteSQL(statement.Handle(), &cursor), script.code, script.fragment);
        EXPECT_EQ(cursor, 0u);
        UNSIGNED32 count = 0;
        EXPECT_EQ(AdsGetRecordCount(statement.Handle(), ADS_IGNOREFILTERS, &count), AE_NO_ROW_COUNT);
        EXPECT_TRUE(folders.Left().isEmpty()) << folders.Left().join(",").toStdString();
        EXPECT_EQ(RunningStatements(connection.Handle()), 1u) << "only the listing itself should be running";
        // The statement stays usable: the layer prepares it again and reruns.
        UNSIGNED16 type = 0;
        ASSERT_ADS_OK(AdsGetHandleType(statement.Handle(), &type));
        EXPECT_EQ(type, ADS_STATEMENT);
    }
}

TEST_F(SqlExec, ScriptWithoutResultGivesCursorZeroAndNoRowCount)
{
    StatementOn statement(connection.Handle());
    ASSERT_ADS_OK(Prepare(statement.Handle(), "execute procedure sp_setapplicationid(:FAppID)"));
    ASSERT_ADS_OK(AdsSetStringW(statement.Handle(), ADSFIELD(1), u"Varnel restore", 14));
    ADSHANDLE cursor = 99;
    ASSERT_ADS_OK(AdsExecuteSQL(statement.Handle(), &cursor));
    EXPECT_EQ(cursor, 0u);
    UNSIGNED32 count = 0;
    ExpectFailure(AdsGetRecordCount(statement.Handle(), ADS_IGNOREFILTERS, &count), AE_NO_ROW_COUNT, "AdsGetRecordCount");
    EXPECT_TRUE(folders.Left().isEmpty());
}

std::string ApplicationIdOf(ADSHANDLE connection)
{
    StatementOn statement(connection);
    ADSHANDLE cursor = 0;
    EXPECT_EQ(AdsExecuteSQLDirect(statement.Handle(), "execute procedure sp_getapplicationid( )", &cursor),
              AE_SUCCESS) << LastError().text;
    if (cursor == 0)
        return "<no cursor>";
    char buffer[301] = {};
    UNSIGNED32 length = 301;
    EXPECT_ADS_OK(AdsGotoTop(cursor));
    EXPECT_ADS_OK(AdsGetField(cursor, "ApplicationID", buffer, &length, ADS_TRIM));
    AdsCloseTable(cursor);
    return std::string(buffer, length);
}

TEST_F(SqlExec, ApplicationIdIsKeptPerConnection)
{
    FolderConnection other;
    {
        StatementOn statement(connection.Handle());
        ASSERT_ADS_OK(Prepare(statement.Handle(), "execute procedure sp_setapplicationid(:FAppID)"));
        ASSERT_ADS_OK(AdsSetStringW(statement.Handle(), ADSFIELD(1), u"Varnel restore", 14));
        ADSHANDLE cursor = 0;
        ASSERT_ADS_OK(AdsExecuteSQL(statement.Handle(), &cursor));
    }
    EXPECT_EQ(ApplicationIdOf(connection.Handle()), "Varnel restore");
    EXPECT_EQ(ApplicationIdOf(other.Handle()), "");

    // Direct execution on a statement prepared with the same text, as the
    // connection's Execute does; a later id replaces the first.
    StatementOn statement(connection.Handle());
    const char16_t* text = u"execute procedure sp_setapplicationid('second')";
    ASSERT_ADS_OK(AdsPrepareSQLW(statement.Handle(), text));
    ASSERT_ADS_OK(AdsExecuteSQLDirectW(statement.Handle(), text, nullptr));
    EXPECT_EQ(ApplicationIdOf(connection.Handle()), "second");
}

TEST_F(SqlExec, ErrorsOfTheScriptPassThroughWithTheirCodes)
{
    const struct {
        const char* text;
        UNSIGNED32 code;
        const char* fragment;
    } cases[] = {
        {"EXECUTE PROCEDURE sp_NoSuchThing()", 7200, "NativeError = 2108"},
        {"EXECUTE PROCEDURE sp_getapplicationid(1)", 7200, "NativeError = 2107"},
        {"EXECUTE PROCEDURE sp_BackupDatabase('a', NULL)", AE_INVALID_ARGUMENT, "sp_BackupDatabase"},
        {"EXECUTE PROCEDURE sp_BackupFreeTables('/no/such/folder', NULL, 'b', NULL, 'c')", AE_PATH_NOT_FOUND,
         "/no/such/folder"},
        {"SELECT * FROM missing", 7200, "NativeError = 2116"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        StatementOn statement(connection.Handle());
        ADSHANDLE cursor = 5;
        ExpectFailure(AdsExecuteSQLDirect(statement.Handle(), c.text, &cursor), c.code, c.fragment);
        EXPECT_EQ(cursor, 0u);
    }
    EXPECT_TRUE(folders.Left().isEmpty());
}

} // namespace
