// Scripts through the engine's statement calls: preparing keeps a checked
// script, verifying checks without keeping, and faults come back as SQL
// errors in the form the data-access layer reads.
#include "test_api_support.h"

#include "engine/sql/parser.h"

#include <gtest/gtest.h>

#include <vector>

using namespace apitest;

namespace {

class SqlStatement : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_ADS_OK(AdsCreateSQLStatement(mConnection.Handle(), &mStatement)); }
    void TearDown() override { AdsCloseSQLStatement(mStatement); }

    FolderConnection mConnection;
    ADSHANDLE mStatement = 0;
};

TEST_F(SqlStatement, TheRestoreScriptPreparesAndVerifies)
{
    EXPECT_ADS_OK(AdsPrepareSQLW(mStatement, kRestoreScript));
    EXPECT_ADS_OK(AdsVerifySQLW(mStatement, kRestoreScript));
}

TEST_F(SqlStatement, FaultsComeBackAsSqlErrorsWithTheirNativeNumberAndPlace)
{
    struct Case {
        const char16_t* text;
        const char* fragment;
    } cases[] = {
        {u"DECLARE @a String;\n@b = 1;", "NativeError = 2104; Variable b is not declared at line 2, column 1"},
        {u"OPEN c", "NativeError = 2104; Cursor c is not declared at line 1, column 6"},
        {u"IF TRUE THEN", "NativeError = 2101; Expected END IF"},
        {u"SELECT '\u65E5'", "NativeError = 2101; The SQL text holds the character U+65E5"},
    };
    for (const Case& c : cases) {
        ExpectFailure(AdsPrepareSQLW(mStatement, c.text), 7200, c.fragment);
        Reported r = LastError();
        EXPECT_EQ(r.text.rfind("Error 7200:", 0), 0u) << r.text;
        ExpectFailure(AdsVerifySQLW(mStatement, c.text), 7200, c.fragment);
    }
    ExpectFailure(AdsPrepareSQLW(mStatement, nullptr), AE_INVALID_ARGUMENT, "null");
    ExpectFailure(AdsPrepareSQLW(0xBAD, kRestoreScript), AE_INVALID_STATEMENT_HANDLE, "AdsPrepareSQLW");
}

// The markers a caller finds by the data-access layer's simple rules: a
// quote character (', " or `) opens a section to the next identical one;
// "::" is no marker; ":" starts a name that is quoted or runs to the next
// CR, LF, blank, ')', ',' or ';'. Comments get no special treatment.
std::vector<std::string> LayerMarkers(const std::string& text)
{
    std::vector<std::string> names;
    for (size_t i = 0; i < text.size(); ++i) {
        char ch = text[i];
        if (ch == '\'' || ch == '"' || ch == '`') {
            size_t close = text.find(ch, i + 1);
            i = close == std::string::npos ? text.size() : close;
        } else if (ch == ':' && i + 1 < text.size() && text[i + 1] == ':') {
            ++i;
        } else if (ch == ':') {
            size_t start = i + 1;
            if (start < text.size() && (text[start] == '\'' || text[start] == '"' || text[start] == '`')) {
                size_t close = text.find(text[start], start + 1);
                size_t end = close == std::string::npos ? text.size() : close;
                names.push_back(text.substr(start + 1, end - start - 1));
                i = end;
                continue;
            }
            size_t end = text.find_first_of("\r\n ),;", start);
            end = end == std::string::npos ? text.size() : end;
            names.push_back(text.substr(start, end - start));
            i = end == text.size() ? end : end - 1;
        }
    }
    return names;
}

// After AdsGetSQLStmtParams the layer's rules find one marker per
// parameter the engine numbers, in the same order: binding by position
// then reaches the right parameter.
TEST(SqlParameterScan, TheLayerFindsTheEngineParameters)
{
    const char* texts[] = {
        "SELECT * FROM t WHERE a = :a -- was: b = :old\r\nAND c = :c",
        "SELECT [col :x], :y FROM t /* :z */",
        "SELECT :a+:b, :c||'x' FROM t",
        "SELECT ':in string', :\"a b\", a::b FROM t WHERE d = :d",
        "DECLARE @s String;\n@s = UPPER(:Source);\n@s = :Mid||'tail';\nEXECUTE PROCEDURE sp_x(:Last)",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        std::vector<std::string> engineNames;
        for (const auto& p : sql::ParseScript(text).parameters)
            engineNames.push_back(p.name);
        std::string buffer = text;
        ASSERT_ADS_OK(AdsGetSQLStmtParams(buffer.data()));
        EXPECT_EQ(buffer.size(), std::string(text).size());
        EXPECT_EQ(LayerMarkers(buffer), engineNames) << buffer;
    }
    // A text that does not lex comes back as it was; its prepare reports it.
    std::string broken = "SELECT 'open :x";
    ASSERT_ADS_OK(AdsGetSQLStmtParams(broken.data()));
    EXPECT_EQ(broken, "SELECT 'open :x");
}

} // namespace
