// Scripts through the engine's statement calls: preparing keeps a checked
// script, verifying checks without keeping, and faults come back as SQL
// errors in the form the data-access layer reads.
#include "test_api_support.h"

#include <gtest/gtest.h>

using namespace apitest;

namespace {

const char16_t kRestoreScript[] =
    u"DECLARE @Source String, @Destination String, @MotDePasse String;\r\n"
    u"\r\n"
    u"DECLARE RestoreBackup Cursor AS EXECUTE PROCEDURE sp_RestoreFreeTables(\r\n"
    u"@Source,\r\n@Destination,\r\nNULL,\r\n@MotDePasse );\r\n"
    u"\r\n"
    u"@Destination = UPPER(:Destination);\r\n@MotDePasse = LOWER(:MotDePasse);\r\n@Source = UPPER(:Source);\r\n"
    u"\r\n"
    u"Open RestoreBackup;";

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

} // namespace
