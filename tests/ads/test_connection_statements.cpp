// Statements a connection runs itself: direct execution with and without
// parameters, the statement cache, the application identifier.
#include "tests/ads/test_connection_support.h"

#include "ads/adserror.h"
#include "framework/params.h"

using namespace connection_test;

namespace {

const QString kStatements = QStringLiteral("EXECUTE PROCEDURE sp_GetSQLStatements()");
const QString kScript = QStringLiteral("DECLARE @x Integer;\n@x = 1;");

const QStringList kStatementCalls = {"AdsCreateSQLStatement", "AdsPrepareSQLW", "AdsExecuteSQLDirectW",
                                     "AdsExecuteSQL", "AdsCloseSQLStatement", "AdsStmtSetTableReadOnly",
                                     "AdsStmtSetTableCollation", "AdsStmtSetTableType",
                                     "AdsStmtSetTableCharType", "AdsStmtSetTableLockType",
                                     "AdsStmtSetTableRights", "AdsGetRecordCount"};

struct Fixture {
    testsupport::TempFolder folder;
    std::unique_ptr<TAdsConnection> connection = OpenOn(folder.path());
};

TEST(ConnectionStatements, ExecuteOpensAClosedConnection)
{
    testsupport::TempFolder folder;
    TAdsConnection connection(nullptr);
    connection.SetConnectPath(folder.path());
    EXPECT_EQ(connection.Execute(kScript, nullptr, false, nullptr), 0);
    EXPECT_TRUE(connection.IsConnected());
}

TEST(ConnectionStatements, UncachedExecutionPreparesRunsAndCloses)
{
    Fixture f;
    ace::StartCallTrace();
    EXPECT_EQ(f.connection->Execute(kScript, nullptr, false, nullptr), 0) << "a script has no affected-row count";
    const auto calls = ace::StopCallTrace();
    EXPECT_EQ(Only(calls, kStatementCalls),
              QStringList({"AdsCreateSQLStatement", "AdsPrepareSQLW", "AdsExecuteSQLDirectW", "AdsGetRecordCount",
                           "AdsCloseSQLStatement"}))
        << Dump(calls);
    EXPECT_EQ(CallsOf(calls, "AdsGetRecordCount")[0].arguments.value(1), "2");
    EXPECT_TRUE(f.connection->StatementCache().empty());
}

TEST(ConnectionStatements, ACursorIsLeftToTheCaller)
{
    Fixture f;
    f.connection->SetAdsCollation("GERMAN_VFP_CI_AS_1252");
    uint32_t cursor = 0;
    ace::StartCallTrace();
    EXPECT_EQ(f.connection->Execute(kStatements, nullptr, false, &cursor), 0);
    const auto calls = ace::StopCallTrace();
    EXPECT_EQ(Only(calls, kStatementCalls),
              QStringList({"AdsCreateSQLStatement", "AdsStmtSetTableReadOnly", "AdsStmtSetTableCollation",
                           "AdsPrepareSQLW", "AdsExecuteSQLDirectW", "AdsCloseSQLStatement"}))
        << Dump(calls);
    EXPECT_EQ(CallsOf(calls, "AdsStmtSetTableReadOnly")[0].arguments.value(1), "1");
    EXPECT_EQ(CallsOf(calls, "AdsStmtSetTableCollation")[0].arguments.value(1), "\"GERMAN_VFP_CI_AS_1252\"");
    EXPECT_NE(cursor, 0u) << "the procedure's result cursor";
}

TEST(ConnectionStatements, TheOptionsFormSetsTheStatementOptionsInOrder)
{
    Fixture f;
    f.connection->Execute("CREATE TABLE people (NAME Char(10))", nullptr, false, nullptr);
    TAdsDatasetOptions options;
    options.musAdsTableType = 3;
    options.musAdsCharType = 1;
    options.musAdsLockType = 1;
    options.musAdsRightsCheck = 2;
    ace::StartCallTrace();
    EXPECT_EQ(f.connection->Execute(options, "INSERT INTO people (NAME) VALUES ('Ann')", nullptr, false, nullptr), 1)
        << "the affected-row count";
    auto calls = ace::StopCallTrace();
    EXPECT_EQ(Only(calls, kStatementCalls),
              QStringList({"AdsCreateSQLStatement", "AdsStmtSetTableType", "AdsStmtSetTableCharType",
                           "AdsStmtSetTableLockType", "AdsStmtSetTableRights", "AdsPrepareSQLW",
                           "AdsExecuteSQLDirectW", "AdsGetRecordCount", "AdsCloseSQLStatement"}))
        << Dump(calls);
    EXPECT_EQ(CallsOf(calls, "AdsStmtSetTableType")[0].arguments.value(1), "3");
    EXPECT_EQ(CallsOf(calls, "AdsStmtSetTableRights")[0].arguments.value(1), "2");

    // The record's collation, when it has one, comes after them, and the
    // connection's own is not used.
    f.connection->SetAdsCollation("GERMAN_VFP_CI_AS_1252");
    options.mstrCollation = "ansi";
    ace::StartCallTrace();
    EXPECT_EQ(f.connection->Execute(options, "UPDATE people SET NAME = 'Bob'", nullptr, false, nullptr), 1);
    calls = ace::StopCallTrace();
    EXPECT_EQ(Only(calls, {"AdsStmtSetTableRights", "AdsStmtSetTableCollation", "AdsPrepareSQLW"}),
              QStringList({"AdsStmtSetTableRights", "AdsStmtSetTableCollation", "AdsPrepareSQLW"}));
    EXPECT_EQ(CallsOf(calls, "AdsStmtSetTableCollation")[0].arguments.value(1), "\"ansi\"");
}

TEST(ConnectionStatements, TheFirstFormGivesTheAffectedRows)
{
    Fixture f;
    f.connection->Execute("CREATE TABLE people (NAME Char(10))", nullptr, false, nullptr);
    EXPECT_EQ(f.connection->Execute("INSERT INTO people (NAME) VALUES ('Ann')", nullptr, false, nullptr), 1);
    EXPECT_EQ(f.connection->Execute("INSERT INTO people (NAME) VALUES ('Bob')", nullptr, true, nullptr), 1);
    EXPECT_EQ(f.connection->Execute("UPDATE people SET NAME = 'Cy'", nullptr, false, nullptr), 2);
    EXPECT_EQ(f.connection->Execute("DELETE FROM people", nullptr, false, nullptr), 2);
}

TEST(ConnectionStatements, TheOptionsFormChecksAMissingAffectedRowCount)
{
    Fixture f;
    try {
        f.connection->Execute(TAdsDatasetOptions{1, 1, 2, 3, {}}, kScript, nullptr, false, nullptr);
        ADD_FAILURE() << "the count answer was accepted";
    } catch (const EADSDatabaseError& error) {
        EXPECT_EQ(error.ACEErrorCode(), 5117u);
    }
}

TEST(ConnectionStatements, CachedStatementsAreReusedAndClosedAtCommit)
{
    Fixture f;
    ace::StartCallTrace();
    f.connection->Execute(kScript, nullptr, true, nullptr);
    f.connection->Execute(kScript, nullptr, true, nullptr);
    f.connection->Execute(kScript.toUpper(), nullptr, true, nullptr);  // other case, other hash: its own entry
    auto calls = ace::StopCallTrace();
    EXPECT_EQ(Only(calls, kStatementCalls),
              QStringList({"AdsCreateSQLStatement", "AdsPrepareSQLW", "AdsExecuteSQLDirectW", "AdsGetRecordCount",
                           "AdsExecuteSQLDirectW", "AdsGetRecordCount", "AdsCreateSQLStatement", "AdsPrepareSQLW",
                           "AdsExecuteSQLDirectW", "AdsGetRecordCount"}))
        << Dump(calls);
    const auto cache = f.connection->StatementCache();
    ASSERT_EQ(cache.size(), 2u);
    EXPECT_EQ(cache[0].SQLText, kScript);
    EXPECT_EQ(cache[0].HashCode, TAdsConnection::StatementHash(kScript));
    EXPECT_NE(cache[0].StmtHandle, cache[1].StmtHandle);

    f.connection->BeginTransaction();
    ace::StartCallTrace();
    f.connection->Commit();
    calls = ace::StopCallTrace();
    EXPECT_EQ(Functions(calls),
              QStringList({"AdsCloseSQLStatement", "AdsCloseSQLStatement", "AdsCommitTransaction"}))
        << Dump(calls);
    EXPECT_EQ(calls[0].arguments.value(0), QString::number(cache[0].StmtHandle));
    EXPECT_EQ(calls[1].arguments.value(0), QString::number(cache[1].StmtHandle));
    EXPECT_TRUE(f.connection->StatementCache().empty());
}

TEST(ConnectionStatements, TextsThatDifferOnlyInCaseShareAnEntryWhenTheyHashEqual)
{
    Fixture f;
    // Longer than 15 characters: only every (length / 8)th character is
    // hashed, and here the sampled ones are digits, which have no case.
    const QString lower = "0x1x2x3x4x5x6x7x8x9x";
    const QString upper = "0X1X2X3X4X5X6X7X8X9X";
    ASSERT_EQ(TAdsConnection::StatementHash(lower), TAdsConnection::StatementHash(upper));
    ace::StartCallTrace();
    for (const QString& text : {lower, upper})
        EXPECT_THROW(f.connection->Execute(text, nullptr, true, nullptr), EADSDatabaseError);
    const auto calls = ace::StopCallTrace();
    // Neither text is SQL: the preparation fails and no entry stays behind.
    EXPECT_EQ(CallsOf(calls, "AdsCreateSQLStatement").size(), 2u);
    EXPECT_EQ(CallsOf(calls, "AdsCloseSQLStatement").size(), 2u) << "a failed preparation leaves no statement";
    EXPECT_TRUE(f.connection->StatementCache().empty());

    const QString a = "EXECUTE PROCEDURE sp_getapplicationid( ) ";
    const QString b = a.toLower();
    if (TAdsConnection::StatementHash(a) == TAdsConnection::StatementHash(b)) {
        f.connection->Execute(a, nullptr, true, nullptr);
        f.connection->Execute(b, nullptr, true, nullptr);
        EXPECT_EQ(f.connection->StatementCache().size(), 1u);
    }
}

TEST(ConnectionStatements, StatementHashSamplesLongTexts)
{
    struct Case {
        QString text;
        int32_t hash;
    } cases[] = {
        {"", 0},
        {"A", 65},
        {"AB", 65 * 37 + 66},
        {QString(15, QLatin1Char('a')), [] {
             uint32_t h = 0;
             for (int i = 0; i < 15; ++i) h = h * 37u + 97u;
             return int32_t(h);
         }()},
        // 16 characters: step 2, positions 0, 2, ..., 14 — the odd ones do not count.
        {"a1b2c3d4e5f6g7h8", [] {
             uint32_t h = 0;
             for (char c : QByteArray("abcdefgh")) h = h * 39u + uint8_t(c);
             return int32_t(h);
         }()},
        {"a9b9c9d9e9f9g9h9", TAdsConnection::StatementHash("a1b2c3d4e5f6g7h8")},
        // Characters after a zero do not count.
        {QString("AB") + QChar(0) + "CD", 65 * 37 + 66},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TAdsConnection::StatementHash(c.text), c.hash) << c.text.toStdString();
}

TEST(ConnectionStatements, AFailedUncachedExecutionStillClosesItsStatement)
{
    Fixture f;
    ace::StartCallTrace();
    EXPECT_THROW(f.connection->Execute("EXECUTE PROCEDURE sp_NoSuchProcedure()", nullptr, false, nullptr),
                 EADSDatabaseError);
    const auto calls = ace::StopCallTrace();
    const auto created = CallsOf(calls, "AdsCreateSQLStatement");
    const auto closed = CallsOf(calls, "AdsCloseSQLStatement");
    ASSERT_EQ(created.size(), 1u) << Dump(calls);
    ASSERT_EQ(closed.size(), 1u) << Dump(calls);
    EXPECT_EQ(closed[0].arguments.value(0), created[0].arguments.value(1).mid(1)) << "the statement it created";
}

TEST(ConnectionStatements, ParametersAreBoundByPosition)
{
    Fixture f;
    TParams params;
    params.CreateParam(ftUnknown, "never", ptInput);  // null: bound empty, no ftUnknown error
    params.CreateParam(ftString, "ansi", ptInput)->SetAsAnsiString("abc");
    params.CreateParam(ftUnknown, "wide", ptInput)->SetAsString(QStringLiteral("d\u00e9f"));
    params.CreateParam(ftInteger, "number", ptInput)->SetAsInteger(42);
    params.CreateParam(ftBoolean, "flag", ptInput)->SetAsBoolean(true);
    params.CreateParam(ftFloat, "real", ptInput)->SetAsFloat(2.5);
    params.CreateParam(ftDate, "day", ptInput)->SetAsDate(0);  // 30 December 1899
    params.CreateParam(ftTime, "noon", ptInput)->SetAsTime(0.5);
    TParam* guid = params.CreateParam(ftGuid, "guid", ptInput);  // not bound at all
    guid->SetValue(Variant(QStringLiteral("{00000000-0000-0000-0000-000000000000}")));
    const QString sql = "DECLARE @a String, @b String, @c String, @d Integer, @e Logical, @f Double, @g Date, "
                        "@h Time, @i String;\n"
                        "@a = :never; @b = :ansi; @c = :wide; @d = :number; @e = :flag; @f = :real; @g = :day; "
                        "@h = :noon; @i = :guid;";
    ace::StartCallTrace();
    f.connection->Execute(sql, &params, false, nullptr);
    const auto calls = ace::StopCallTrace();
    const QStringList binders = {"AdsSetEmpty", "AdsSetString", "AdsSetStringW", "AdsSetLogical", "AdsSetDouble",
                                 "AdsSetJulian", "AdsSetMilliseconds", "AdsExecuteSQL", "AdsExecuteSQLDirectW"};
    EXPECT_EQ(Only(calls, binders),
              QStringList({"AdsSetEmpty", "AdsSetString", "AdsSetStringW", "AdsSetString", "AdsSetLogical",
                           "AdsSetDouble", "AdsSetJulian", "AdsSetMilliseconds", "AdsExecuteSQL"}))
        << Dump(calls);
    QStringList positions;
    QStringList values;
    for (const auto& call : calls)
        if (binders.contains(call.function) && call.function.startsWith("AdsSet")) {
            positions << call.arguments.value(1);
            values << call.arguments.value(2);
        }
    EXPECT_EQ(positions, QStringList({"1", "2", "3", "4", "5", "6", "7", "8"}));
    EXPECT_EQ(values.mid(1), QStringList({"\"abc\"", "\"déf\"", "\"42\"", "1", "2.5", "2415019", "43200000"}));
}

TEST(ConnectionStatements, RefusedParameterTypesStopBeforeExecution)
{
    Fixture f;
    struct Case {
        TFieldType type;
        QString message;
    } cases[] = {
        {ftUnknown, "The field named: 'p' has the DataType of ftUnknown, which is invalid."},
        {ftADT, "The field named: 'p' has a DataType that is not supported."},
        {ftCursor, "The field named: 'p' has a DataType that is not supported."},
        {ftTypedBinary, "The field named: 'p' has a DataType that is not supported."},
    };
    for (const Case& c : cases) {
        TParams params;
        TParam* p = params.CreateParam(c.type, "p", ptInput);
        p->SetValue(Variant(1));
        ASSERT_FALSE(p->IsNull());
        p->SetDataType(c.type);
        ace::StartCallTrace();
        try {
            f.connection->Execute("DECLARE @x Integer; @x = :p;", &params, false, nullptr);
            ADD_FAILURE() << "type " << int(c.type) << " was bound";
        } catch (const EADSDatabaseError& error) {
            EXPECT_EQ(error.Message(), c.message);
            EXPECT_EQ(error.ACEErrorCode(), 5121u);
            EXPECT_EQ(error.DataSetInstanceName(), "");
        }
        const auto calls = ace::StopCallTrace();
        EXPECT_TRUE(CallsOf(calls, "AdsExecuteSQL").empty()) << Dump(calls);
        EXPECT_EQ(CallsOf(calls, "AdsCloseSQLStatement").size(), 1u) << "the uncached statement is closed";
    }
}

TEST(ConnectionStatements, ACachedStatementStaysPreparedWhenItsRunFails)
{
    Fixture f;
    const QString sql = "DECLARE @x Integer; @x = :p;";
    TParams params;
    TParam* p = params.CreateParam(ftInteger, "p", ptInput);
    p->SetAsInteger(1);
    p->SetDataType(ftUnknown);  // refused by the binder, after the preparation
    EXPECT_THROW(f.connection->Execute(sql, &params, true, nullptr), EADSDatabaseError);
    ASSERT_EQ(f.connection->StatementCache().size(), 1u);
    const uint32_t prepared = f.connection->StatementCache()[0].StmtHandle;
    EXPECT_NE(prepared, 0u);

    p->SetDataType(ftInteger);
    p->SetAsInteger(2);
    ace::StartCallTrace();
    f.connection->Execute(sql, &params, true, nullptr);
    const auto calls = ace::StopCallTrace();
    EXPECT_TRUE(CallsOf(calls, "AdsCreateSQLStatement").empty()) << Dump(calls);
    EXPECT_EQ(CallsOf(calls, "AdsExecuteSQL")[0].arguments.value(0), QString::number(prepared));

    // Closing the connection closes the cache.
    ace::StartCallTrace();
    f.connection->Disconnect();
    EXPECT_EQ(Functions(ace::StopCallTrace()), QStringList({"AdsCloseSQLStatement", "AdsDisconnect"}));
    EXPECT_TRUE(f.connection->StatementCache().empty());
}

TEST(ConnectionStatements, ApplicationIdGoesToTheServer)
{
    Fixture f;
    EXPECT_EQ(f.connection->GetApplicationID(), "") << "the engine's own, before any is set";
    ace::StartCallTrace();
    f.connection->SetApplicationID("Varnel restore");
    f.connection->SetApplicationID("Varnel restore");  // the same value: nothing
    const auto calls = ace::StopCallTrace();
    const auto prepared = CallsOf(calls, "AdsPrepareSQLW");
    ASSERT_EQ(prepared.size(), 1u) << Dump(calls);
    EXPECT_EQ(prepared[0].arguments.value(1), "\"execute procedure sp_setapplicationid(:FAppID)\"");
    EXPECT_EQ(CallsOf(calls, "AdsSetString")[0].arguments.value(2), "\"Varnel restore\"");
    EXPECT_EQ(f.connection->ApplicationID(), "Varnel restore");
    EXPECT_EQ(f.connection->GetApplicationID(), "Varnel restore");

    // Set while closed, it is only stored, and applied at the next opening.
    f.connection->Disconnect();
    f.connection->SetApplicationID("Second");
    EXPECT_EQ(f.connection->GetApplicationID(), "Second");
    f.connection->Connect();
    EXPECT_EQ(f.connection->GetApplicationID(), "Second");
}

} // namespace
