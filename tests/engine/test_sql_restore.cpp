// The two restore scripts the tool sends, run as one text each: their
// parameters, their binding by position and their procedure calls.
#include "test_sql_support.h"

#include <gtest/gtest.h>

using namespace sqltest;

namespace {

const char* const kDeclare = "DECLARE @Source String, @Destination String, @MotDePasse String;";
const char* const kTail[] = {
    "",
    "@Destination = UPPER(:Destination);",
    "@MotDePasse = LOWER(:MotDePasse);",
    "@Source = UPPER(:Source);",
    "",
    "Open RestoreBackup;",
};

std::string Join(const std::vector<std::string>& lines, const std::string& lineBreak)
{
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i)
        text += (i ? lineBreak : "") + lines[i];
    return text;
}

std::vector<std::string> ScriptLines(const std::vector<std::string>& cursorLines)
{
    std::vector<std::string> lines{kDeclare, ""};
    lines.insert(lines.end(), cursorLines.begin(), cursorLines.end());
    lines.insert(lines.end(), std::begin(kTail), std::end(kTail));
    return lines;
}

const std::vector<std::string> kFreeTableCursor = {
    "DECLARE RestoreBackup Cursor AS EXECUTE PROCEDURE sp_RestoreFreeTables(",
    "@Source,", "@Destination,", "NULL,", "@MotDePasse );"};
const std::vector<std::string> kDictionaryCursor = {
    "DECLARE RestoreBackup Cursor AS EXECUTE PROCEDURE sp_RestoreDatabase(",
    "@Source,", "@MotDePasse,", "@Destination,", "NULL );"};

// The tool binds its three values with the wide-string setter, by position.
void BindRestoreValues(sql::ParameterValues& values)
{
    values.SetStringW(1, u"/srv/Données/cible");
    values.SetStringW(2, u"SeCreT");
    values.SetStringW(3, u"/backup/Jour 1");
}

struct RestoreCase {
    const char* label;
    const std::vector<std::string>* cursor;
    const char* procedure;
    std::vector<const char*> expectedArgs; // "NULL" for a NULL argument
    const char* lineBreak;
};

class RestoreScript : public ::testing::TestWithParam<RestoreCase> {};

TEST_P(RestoreScript, FindsBindsAndRunsToTheEnd)
{
    const RestoreCase& c = GetParam();
    std::string text = Join(ScriptLines(*c.cursor), c.lineBreak);

    sql::Script script = sql::ParseScript(text);
    ASSERT_EQ(script.parameters.size(), 3u);
    EXPECT_EQ(script.parameters[0].name, "Destination");
    EXPECT_EQ(script.parameters[1].name, "MotDePasse");
    EXPECT_EQ(script.parameters[2].name, "Source");

    RecordingProcedures procedures;
    RunResult run = RunText(text, procedures, BindRestoreValues);

    ASSERT_EQ(procedures.calls.size(), 1u);
    const Call& call = procedures.calls[0];
    EXPECT_EQ(call.procedure, c.procedure);
    ASSERT_EQ(call.args.size(), c.expectedArgs.size());
    for (size_t i = 0; i < call.args.size(); ++i) {
        EXPECT_EQ(Shown(call.args[i]), c.expectedArgs[i]) << "argument " << i + 1;
        if (std::string(c.expectedArgs[i]) == "NULL") {
            EXPECT_TRUE(call.args[i].null);
        }
    }
    // The script ends with the OPEN: its cursor is the result.
    ASSERT_NE(run.outcome.result, nullptr);
    ASSERT_EQ(run.outcome.result->rows.size(), 1u);

    // While the OPEN runs, the registry's text starts with the fixed line,
    // followed by the procedure call the cursor runs.
    ASSERT_FALSE(run.announced.empty());
    const std::string& open = run.announced.back();
    std::string firstLine = open.substr(0, open.find_first_of("\r\n"));
    EXPECT_EQ(firstLine, "Executing cursor OPEN statment in SQL script.");
    EXPECT_NE(open.find(std::string("EXECUTE PROCEDURE ") + c.procedure + "("), std::string::npos) << open;
}

// Source and destination upper-cased, the password lower-cased; the free
// table procedure gets (source, destination, NULL, password), the
// dictionary one (source, password, destination, NULL).
INSTANTIATE_TEST_SUITE_P(
    Scripts, RestoreScript,
    ::testing::Values(
        RestoreCase{"FreeTablesLf", &kFreeTableCursor, "sp_RestoreFreeTables",
                    {"/BACKUP/JOUR 1", "/SRV/DONN\xC9" "ES/CIBLE", "NULL", "secret"}, "\n"},
        RestoreCase{"FreeTablesCrLf", &kFreeTableCursor, "sp_RestoreFreeTables",
                    {"/BACKUP/JOUR 1", "/SRV/DONN\xC9" "ES/CIBLE", "NULL", "secret"}, "\r\n"},
        RestoreCase{"DictionaryLf", &kDictionaryCursor, "sp_RestoreDatabase",
                    {"/BACKUP/JOUR 1", "secret", "/SRV/DONN\xC9" "ES/CIBLE", "NULL"}, "\n"},
        RestoreCase{"DictionaryCrLf", &kDictionaryCursor, "sp_RestoreDatabase",
                    {"/BACKUP/JOUR 1", "secret", "/SRV/DONN\xC9" "ES/CIBLE", "NULL"}, "\r\n"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(RestoreScriptBinding, UnboundPositionsRunAsNullAndPositionsPastTheLastAreRefused)
{
    std::string text = Join(ScriptLines(kFreeTableCursor), "\n");
    RecordingProcedures procedures;
    RunText(text, procedures, [](sql::ParameterValues& v) { v.SetStringW(3, u"src"); });
    ASSERT_EQ(procedures.calls.size(), 1u);
    EXPECT_EQ(Shown(procedures.calls[0].args[0]), "SRC");
    EXPECT_TRUE(procedures.calls[0].args[1].null); // UPPER(NULL)
    EXPECT_TRUE(procedures.calls[0].args[3].null);

    for (uint32_t position : {0u, 4u}) {
        RecordingProcedures unused;
        try {
            RunText(text, unused, [&](sql::ParameterValues& v) { v.SetStringW(position, u"x"); });
            ADD_FAILURE() << "position " << position << " was accepted";
        } catch (const sql::SqlError& e) {
            EXPECT_EQ(e.Code(), 7200u);
            EXPECT_EQ(e.NativeNumber(), sql::kParameter);
            EXPECT_NE(std::string(e.what()).find("position " + std::to_string(position)), std::string::npos) << e.what();
        }
        EXPECT_TRUE(unused.calls.empty());
    }
}

// A character the system code page cannot hold would become '?' and name
// another folder: the binding is refused instead.
TEST(RestoreScriptBinding, WideTextOutsideTheCodePageIsRefused)
{
    sql::ParameterValues values(1);
    EXPECT_THROW(values.SetStringW(1, u"/srv/\u65E5\u672C"), sql::SqlError);
    EXPECT_TRUE(values.Get(0).null);
    values.SetStringW(1, u"/srv/caf\u00E9 \u20AC");
    EXPECT_EQ(values.Get(0).text, "/srv/caf\xE9 \x80");
}

} // namespace
