// Malformed scripts and scripts that fail while running: each gives an SQL
// error with its native number, the line and column of the fault and the
// statement quoted, and nothing crashes.
#include "test_sql_support.h"

#include <gtest/gtest.h>

#include <fstream>
#include <filesystem>
#include <sstream>

using namespace sqltest;

namespace {

struct FaultCase {
    const char* script;
    uint32_t native;
    size_t line;
    size_t column;
    const char* quoted; // a piece of the statement the message must quote
};

void ExpectFault(const sql::SqlError& e, const FaultCase& c)
{
    std::string text = e.what();
    EXPECT_EQ(e.Code(), 7200u) << text;
    EXPECT_EQ(e.NativeNumber(), c.native) << text;
    EXPECT_EQ(e.Line(), c.line) << text;
    EXPECT_EQ(e.Column(), c.column) << text;
    // The form the data-access layer reads the native number from.
    EXPECT_EQ(text.rfind("Error 7200:", 0), 0u) << text;
    EXPECT_NE(text.find("NativeError = " + std::to_string(c.native) + ";"), std::string::npos) << text;
    std::string place = "line " + std::to_string(c.line) + ", column " + std::to_string(c.column);
    EXPECT_NE(text.find(place), std::string::npos) << text;
    EXPECT_NE(text.find(std::string("in statement: ") + c.quoted), std::string::npos) << text;
}

// `attempt` must fail with the case's fault.
void ExpectRefused(const std::function<void()>& attempt, const FaultCase& c)
{
    try {
        attempt();
        ADD_FAILURE() << "accepted: " << c.script;
    } catch (const sql::SqlError& e) {
        ExpectFault(e, c);
    }
}

class MalformedScript : public ::testing::TestWithParam<FaultCase> {};

TEST_P(MalformedScript, IsRefusedWithItsPlace)
{
    ExpectRefused([&] { sql::ParseScript(GetParam().script); }, GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Parsing, MalformedScript,
    ::testing::Values(
        FaultCase{"DECLARE @a String;\n@a = 'abc;", sql::kUnterminated, 2, 6, "@a = 'abc;"},
        FaultCase{"/* never closed\nDECLARE @a String;", sql::kUnterminated, 1, 1, "/* never closed"},
        FaultCase{"DECLARE [open String;", sql::kUnterminated, 1, 9, "DECLARE [open"},
        FaultCase{"DECLARE @a String;\nSELEKT * FROM t;", sql::kUnknownStatement, 2, 1, "SELEKT * FROM t"},
        FaultCase{"DECLARE @a Integer;\nIF @a IS NULL THEN\n  @a = 1;\n", sql::kSyntax, 4, 1, "IF @a IS NULL THEN"},
        FaultCase{"DECLARE @i Integer;\nWHILE @i < 3 DO\n  @i = @i + 1;", sql::kSyntax, 3, 15, "WHILE @i < 3 DO"},
        FaultCase{"IF TRUE THEN\nELSE\nEND WHILE;", sql::kSyntax, 3, 5, "IF TRUE THEN ELSE END WHILE"},
        FaultCase{"DECLARE @a String;\n@b = 'x';", sql::kUndeclared, 2, 1, "@b = 'x'"},
        FaultCase{"DECLARE @a String;\n@a = UPPER(b);", sql::kUndeclared, 2, 12, "@a = UPPER(b)"},
        FaultCase{"DECLARE @a String, @A Integer;", sql::kDuplicate, 1, 20, "DECLARE @a String, @A Integer"},
        FaultCase{"DECLARE c CURSOR AS EXECUTE PROCEDURE sp_Nothing();\nDECLARE @C String;", sql::kDuplicate, 2, 9,
                  "DECLARE @C String"},
        FaultCase{"DECLARE @a String;\nOPEN RestoreBackup;", sql::kUndeclared, 2, 6, "OPEN RestoreBackup"},
        FaultCase{"DECLARE @a String;\nCLOSE @a;", sql::kSyntax, 2, 7, "CLOSE @a"},
        FaultCase{"DECLARE @a String;\n@a = UPPER(@a, 2);", sql::kArgumentCount, 2, 6, "@a = UPPER(@a, 2)"},
        FaultCase{"DECLARE @a String;\n@a = SHOUT(@a);", sql::kUnknownFunction, 2, 6, "@a = SHOUT(@a)"},
        FaultCase{"DECLARE @a Strin;", sql::kSyntax, 1, 12, "DECLARE @a Strin"},
        FaultCase{"DECLARE @a Integer @b Integer;", sql::kSyntax, 1, 20, "DECLARE @a Integer @b"},
        FaultCase{"DECLARE @a Integer;\n@a = (1 + 2;", sql::kSyntax, 2, 12, "@a = (1 + 2"},
        FaultCase{"DECLARE @a Integer;\nIF @a = THEN END IF;", sql::kSyntax, 2, 9, "IF @a = THEN END IF"},
        FaultCase{"DECLARE c CURSOR AS DELETE FROM t;", sql::kSyntax, 1, 21, "DECLARE c CURSOR AS DELETE"},
        FaultCase{"EXECUTE PROCEDURE sp_Nothing(;", sql::kSyntax, 1, 30, "EXECUTE PROCEDURE sp_Nothing("},
        FaultCase{"CREATE TABLE t (a Integer, A Char(3));", sql::kDuplicate, 1, 28, "CREATE TABLE t"},
        FaultCase{"DROP INDEX byname;", sql::kSyntax, 1, 18, "DROP INDEX byname"},
        FaultCase{"SELECT (1 FROM t;", sql::kSyntax, 1, 18, "SELECT (1 FROM t"},
        FaultCase{"DECLARE @a Integer;\n@a = 1 # 2;", sql::kSyntax, 2, 8, "@a = 1 #"},
        FaultCase{"DECLARE @a Integer;\n@a = 1 2;", sql::kSyntax, 2, 8, "@a = 1 2"},
        FaultCase{"SELECT :a:b FROM t", sql::kSyntax, 1, 10, "SELECT :a:b FROM t"}));

class FailingScript : public ::testing::TestWithParam<FaultCase> {};

TEST_P(FailingScript, StopsWithItsPlace)
{
    RecordingProcedures procedures;
    ExpectRefused([&] { RunText(GetParam().script, procedures); }, GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Running, FailingScript,
    ::testing::Values(
        FaultCase{"DECLARE @a Integer;\nEXECUTE PROCEDURE sp_Nothing(@a);", sql::kArgumentCount, 2, 1,
                  "EXECUTE PROCEDURE sp_Nothing(@a)"},
        FaultCase{"DECLARE c CURSOR AS EXECUTE PROCEDURE sp_RestoreDatabase(1, 2);\nOPEN c;", sql::kArgumentCount, 1,
                  1, "DECLARE c CURSOR AS EXECUTE PROCEDURE sp_RestoreDatabase(1, 2)"},
        FaultCase{"EXECUTE PROCEDURE sp_Missing();", sql::kUnknownProcedure, 1, 1, "EXECUTE PROCEDURE sp_Missing()"},
        FaultCase{"DECLARE c CURSOR AS EXECUTE PROCEDURE sp_Rows(1);\nOPEN c;\nOPEN c;", sql::kCursorState, 3, 1,
                  "OPEN c"},
        FaultCase{"DECLARE c CURSOR AS EXECUTE PROCEDURE sp_Rows(1);\nFETCH c;", sql::kCursorState, 2, 1, "FETCH c"},
        FaultCase{"DECLARE c CURSOR AS EXECUTE PROCEDURE sp_Rows(1);\nOPEN c;\nCLOSE c;\nCLOSE c;",
                  sql::kCursorState, 4, 1, "CLOSE c"},
        FaultCase{"IF FALSE THEN\n  DECLARE c CURSOR AS EXECUTE PROCEDURE sp_Rows(1);\nEND IF;\nOPEN c;",
                  sql::kCursorState, 4, 1, "OPEN c"},
        FaultCase{"DECLARE @i Integer;\n@i = 0;\n@i = 7 / @i;", sql::kValue, 3, 6, "@i = 7 / @i"},
        FaultCase{"DECLARE @i Integer;\n@i = 9223372036854775807 + 1;", sql::kValue, 2, 6, "@i = 9223372036854775807 + 1"},
        FaultCase{"DECLARE @i Integer;\n@i = 'twelve';", sql::kTypeMismatch, 2, 6, "@i = 'twelve'"},
        FaultCase{"DECLARE @s Char(3);\n@s = 'abcd';", sql::kValue, 2, 6, "@s = 'abcd'"},
        FaultCase{"DECLARE @i Integer;\n@i = 'a' + 1;", sql::kTypeMismatch, 2, 6, "@i = 'a' + 1"},
        FaultCase{"IF 'yes' THEN\nEND IF;", sql::kTypeMismatch, 1, 4, "IF 'yes' THEN END IF"},
        FaultCase{"DECLARE @d Date;\n@d = CURDATE();\nIF @d = 'today' THEN\nEND IF;", sql::kTypeMismatch, 3, 4,
                  "IF @d = 'today' THEN END IF"},
        FaultCase{"DECLARE @d Date;\n@d = CAST('2024-02-30' AS Date);", sql::kTypeMismatch, 2, 6,
                  "@d = CAST('2024-02-30' AS Date)"},
        FaultCase{"DECLARE @s String;\n@s = SUBSTRING('abc', 1, -1);", sql::kValue, 2, 6, "@s = SUBSTRING"}));

// Nesting beyond what the parser accepts is refused, not a stack overflow.
TEST(HostileScript, DeepNestingIsRefused)
{
    const std::string deepParens = "DECLARE @a Integer;\n@a = " + std::string(5000, '(') + "1" + std::string(5000, ')') + ";";
    std::string deepIfs = "DECLARE @a Integer;\n";
    for (int i = 0; i < 5000; ++i)
        deepIfs += "IF TRUE THEN ";
    std::string deepMinus = "DECLARE @a Integer;\n@a = ";
    for (int i = 0; i < 5000; ++i)
        deepMinus += "- "; // "--" would open a comment
    deepMinus += "1;";
    std::string deepNot = "DECLARE @a Logical;\n@a = ";
    for (int i = 0; i < 5000; ++i)
        deepNot += "NOT ";
    deepNot += "TRUE;";
    for (const std::string& text : {deepParens, deepIfs, deepMinus, deepNot}) {
        try {
            sql::ParseScript(text);
            ADD_FAILURE() << "parsed " << text.substr(0, 40);
        } catch (const sql::SqlError& e) {
            EXPECT_EQ(e.NativeNumber(), sql::kTooComplex) << e.what();
            EXPECT_EQ(e.Line(), 2u);
        }
    }
}

// Inputs kept from fuzzing and hand-made hostile texts: each either parses
// or is refused with an SQL error; none crashes or hangs.
TEST(HostileScript, CorpusParsesOrIsRefused)
{
    namespace fs = std::filesystem;
    fs::path folder = fs::path(VARNEL_TEST_DATA) / "sql";
    size_t seen = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        ++seen;
        try {
            sql::Script script = sql::ParseScript(content.str());
            RecordingProcedures procedures;
            sql::ParameterValues values(script.parameters.size());
            sql::ProcedureExecutor executor(procedures.Registry());
            int budget = 10000;
            sql::ExecutionHooks hooks;
            hooks.abortRequested = [&budget] { return --budget < 0; };
            sql::RunScript(script, values, executor, hooks);
        } catch (const sql::SqlError&) {
        }
    }
    EXPECT_GT(seen, 0u) << folder;
}

} // namespace
