// The main window's definition as the tool loads it: the three connections,
// the two restore queries with their scripts and parameters, and the query
// of the server's statement list with its options and persistent fields.
#include "ads/adscnnct.h"
#include "ads/adstable.h"
#include "app/UmenuPrinc.h"
#include "app/program.h"
#include "framework/fields.h"
#include "framework/params.h"
#include "tests/app/tool_test_support.h"
#include "tests/support/restore_scripts.h"

#include <gtest/gtest.h>

namespace {

using testsupport::TempFolder;

QStringList LinesOf(TAdsQuery& query)
{
    QStringList lines;
    for (int i = 0; i < query.SQL()->Count(); ++i)
        lines << query.SQL()->Strings(i);
    return lines;
}

class WindowDefinitionTest : public ::testing::Test {
protected:
    WindowDefinitionTest()
    {
        mConfig.write("ads.ini", "[Databases]\nDATA=" + mWork.path().toLocal8Bit() + "\n");
        int argc = 0;
        CreateApplicationWindows(argc, nullptr);
    }
    ~WindowDefinitionTest() override { DestroyApplicationWindows(); }

    TFPrincipal& Window() { return *FPrincipal; }

    TempFolder mConfig;
    TempFolder mWork;
    tooltest::ToolSurroundings<> mSurroundings{mConfig.path(), mWork.path()};
};

TEST_F(WindowDefinitionTest, ConnectionsAreSetUpClosedWithTheirLoginAndStoreSettings)
{
    const struct {
        TAdsConnection* connection;
        bool loginPrompt;
        bool storeConnected;
    } cases[] = {
        {Window().AdsConnectionRestore, false, false},
        {Window().AdsConnectionActive, true, true},
        {Window().AdsConnectionFree, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.connection->Name().toStdString());
        EXPECT_EQ(c.connection->AdsServerTypes(), (TAdsServerTypes{stADS_REMOTE, stADS_LOCAL}));
        EXPECT_EQ(c.connection->LoginPrompt(), c.loginPrompt);
        EXPECT_EQ(c.connection->StoreConnected(), c.storeConnected);
        EXPECT_FALSE(c.connection->IsConnected()) << "opened only by its query, on first use";
    }
}

TEST_F(WindowDefinitionTest, RestoreQueriesHoldTheirScriptsAndThreeUntypedParameters)
{
    const struct {
        TAdsQuery* query;
        TAdsConnection* connection;
        QStringList lines;
    } cases[] = {
        {Window().QRestore, Window().AdsConnectionRestore,
         testsupport::FreeTablesRestoreScript()},
        {Window().QRestoreDict, Window().AdsConnectionFree,
         testsupport::DictionaryRestoreScript()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.query->Name().toStdString());
        EXPECT_EQ(c.query->AdsConnection(), c.connection);
        EXPECT_EQ(c.query->DatabaseName(), c.connection->Name());
        EXPECT_FALSE(c.query->StoreActive());
        EXPECT_EQ(LinesOf(*c.query), c.lines);
        ASSERT_EQ(c.query->Params()->Count(), 3);
        QStringList names;
        for (int i = 0; i < 3; ++i) {
            TParam* param = c.query->Params()->Items(i);
            names << param->Name();
            EXPECT_EQ(param->DataType(), ftUnknown) << param->Name().toStdString();
            EXPECT_EQ(param->ParamType(), ptUnknown) << param->Name().toStdString();
        }
        EXPECT_EQ(names, (QStringList{"Destination", "MotDePasse", "Source"}));
    }
}

TEST_F(WindowDefinitionTest, TheStatementListQueryWithItsOptionsAndElevenFields)
{
    TAdsQuery& list = *Window().ActiveQueries;
    EXPECT_EQ(list.AdsConnection(), Window().AdsConnectionActive);
    EXPECT_EQ(list.DatabaseName(), "AdsConnectionActive");
    EXPECT_FALSE(list.StoreActive());
    EXPECT_EQ(LinesOf(list), QStringList{"EXECUTE PROCEDURE sp_GetSQLStatements()"});
    EXPECT_EQ(list.Params()->Count(), 0);
    EXPECT_TRUE(list.Filtered());
    EXPECT_EQ(list.AdsTableOptions()->AdsFilterOptions(), RESPECT_WHEN_COUNTING);
    EXPECT_TRUE(list.AdsTableOptions()->AdsFreshRecordCount());
    EXPECT_EQ(list.AdsTableOptions()->AdsScopeOptions(), RESPECT_SCOPES_WHEN_COUNTING);

    const struct {
        TField* field;
        const char* column;
        TFieldType type;
        int size;
    } fields[] = {
        {Window().ActiveQueriesQueryNumber, "Query Number", ftInteger, 0},
        {Window().ActiveQueriesActive, "Active", ftBoolean, 0},
        {Window().ActiveQueriesPercentComplete, "Percent Complete", ftFloat, 0},
        {Window().ActiveQueriesConnectionName, "Connection Name", ftString, 100},
        {Window().ActiveQueriesDatabaseUser, "Database User", ftString, 100},
        {Window().ActiveQueriesQuery, "Query", ftMemo, 1},
        {Window().ActiveQueriesDatabase, "Database", ftString, 255},
        {Window().ActiveQueriesIsScript, "Is Script", ftBoolean, 0},
        {Window().ActiveQueriesFullScript, "Full Script", ftMemo, 1},
        {Window().ActiveQueriesStartTime, "Start Time", ftTime, 0},
        {Window().ActiveQueriesSecondsUntilFinished, "Seconds Until Finished", ftInteger, 0},
    };
    ASSERT_EQ(list.Fields()->Count(), int(std::size(fields)));
    for (int i = 0; i < int(std::size(fields)); ++i) {
        SCOPED_TRACE(fields[i].column);
        ASSERT_NE(fields[i].field, nullptr);
        EXPECT_EQ(list.Fields()->Fields(i), fields[i].field) << "in the order of the definition";
        EXPECT_EQ(fields[i].field->FieldName(), fields[i].column);
        EXPECT_EQ(fields[i].field->DataType(), fields[i].type);
        EXPECT_EQ(fields[i].field->Size(), fields[i].size);
        EXPECT_EQ(fields[i].field->DataSet(), &list);
    }
    EXPECT_EQ(Window().ActiveQueriesPercentComplete->DisplayFormat(), "###.##");
}

} // namespace
