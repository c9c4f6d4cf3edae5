// Executing queries on the real engine: scripts with parameters, cursors
// closed by ExecSQL, texts that yield no cursor, affected rows, the
// statement's life, the statement options in order, and script mode.
#include "tests/ads/test_dataset_support.h"
#include "tests/support/restore_scripts.h"

#include "framework/params.h"

using namespace dataset_test;

namespace {

const QStringList kOptionCalls = {"AdsStmtSetTableLockType", "AdsStmtSetTableCollation", "AdsStmtSetTableRights",
                                  "AdsStmtSetTableReadOnly", "AdsStmtSetTableType", "AdsStmtConstrainUpdates",
                                  "AdsStmtReadAllColumns"};

struct People {
    testsupport::TempFolder folder;
    People()
    {
        RunSql(folder.path(), "CREATE TABLE people (NAME Char(10), AGE Integer);"
                           "INSERT INTO people VALUES ('ann', 30);"
                           "INSERT INTO people VALUES ('bob', 40);"
                           "INSERT INTO people VALUES ('cid', 50);");
    }
};

int CountOf(const std::vector<ace::TracedCall>& calls, const QString& function)
{
    return int(CallsOf(calls, function).size());
}

// A script or verification failure: the plain database error with the
// script prefix, never the layer's own error class.
template <class Action>
void ExpectScriptError(Action action)
{
    try {
        action();
        ADD_FAILURE() << "the script must fail";
    } catch (const EADSDatabaseError& error) {
        ADD_FAILURE() << "a script error is a plain database error: " << error.Message().toStdString();
    } catch (const EDatabaseError& error) {
        EXPECT_TRUE(error.Message().startsWith("ERROR IN SCRIPT: ")) << error.Message().toStdString();
        EXPECT_GT(error.Message().size(), QString("ERROR IN SCRIPT: ").size()) << "the cause follows";
    }
}

} // namespace

TEST(QueryExec, RestoreScriptsBindTheirThreeParametersAndKeepTheStatement)
{
    struct Case {
        QStringList script;
        uint32_t code;    // the engine's refusal: the bound folders are wrong
        QString refusal;  // names the folder the script was given
    };
    const Case cases[] = {
        {testsupport::FreeTablesRestoreScript(), 6006, "MISSING-BACKUP does not exist"},
        {testsupport::DictionaryRestoreScript(), 6002, "RESTORED does not name a dictionary file"},
    };
    for (const Case& c : cases) {
        const QStringList& script = c.script;
        SCOPED_TRACE(script[2].toStdString());
        testsupport::TempFolder folder;
        auto query = QueryOn(folder.path(), script.join("\n"));
        ASSERT_EQ(query->ParamCount(), 3);
        EXPECT_EQ(query->Params()->Items(0)->Name(), "Destination");
        EXPECT_EQ(query->Params()->Items(1)->Name(), "MotDePasse");
        EXPECT_EQ(query->Params()->Items(2)->Name(), "Source");
        query->ParamByName("Destination")->SetValue(Variant(folder.file("restored")));
        query->ParamByName("MotDePasse")->SetValue(Variant(QStringLiteral("DUX4827")));
        query->ParamByName("Source")->SetValue(Variant(folder.file("missing-backup")));
        for (int run = 0; run < 2; ++run) {
            ace::StartCallTrace();
            try {
                query->ExecSQL();
                ADD_FAILURE() << "the engine must refuse, run " << run;
            } catch (const EADSDatabaseError& error) {
                EXPECT_EQ(error.ACEErrorCode(), c.code);
                EXPECT_TRUE(error.Message().contains(c.refusal)) << error.Message().toStdString();
            }
            const auto calls = ace::StopCallTrace();
            EXPECT_EQ(CountOf(calls, "AdsCreateSQLStatement"), run == 0 ? 1 : 0) << Dump(calls);
            EXPECT_EQ(CountOf(calls, "AdsSetStringW"), 3) << Dump(calls);
            const auto prepared = CallsOf(calls, "AdsPrepareSQLW");
            ASSERT_EQ(prepared.size(), 1u);
            EXPECT_TRUE(prepared[0].arguments.value(1).contains("Open RestoreBackup;"));
            EXPECT_NE(query->StatementHandleValue(), -1) << "kept after a failure";
        }
    }
}

TEST(QueryExec, AScriptEndingOnAnOpenCursorHasItClosed)
{
    People p;
    auto query = QueryOn(p.folder.path(), "DECLARE c Cursor AS SELECT * FROM people;\nOPEN c;");
    ace::StartCallTrace();
    query->ExecSQL();
    const auto calls = ace::StopCallTrace();
    const auto executed = CallsOf(calls, "AdsExecuteSQL");
    ASSERT_EQ(executed.size(), 1u);
    const QString cursor = executed[0].arguments.value(1).mid(1);
    ASSERT_NE(cursor, "0") << "the script's cursor";
    const auto closed = CallsOf(calls, "AdsCloseTable");
    ASSERT_EQ(closed.size(), 1u) << Dump(calls);
    EXPECT_EQ(closed[0].arguments.value(0), cursor);
    EXPECT_FALSE(query->Active());
}

TEST(QueryExec, AnUpdateOpenedAsAQueryRunsAndThenRefuses)
{
    People p;
    auto update = QueryOn(p.folder.path(), "UPDATE people SET AGE = AGE + 1");
    ExpectDataSetError([&] { update->Open(); },
                       "The SQL statement did not generate a cursor handle.  Use TAdsQuery.ExecSQL to execute SQL "
                       "statements that are not SELECT statements");
    EXPECT_FALSE(update->Active());
    auto check = QueryOn(p.folder.path(), "SELECT * FROM people WHERE AGE = 31");
    check->Open();
    EXPECT_FALSE(check->IsEmpty()) << "the update ran";
}

TEST(QueryExec, RowsAffectedByEachKindOfText)
{
    struct Case {
        const char* sql;
        int32_t rows;
    };
    const Case cases[] = {
        {"UPDATE people SET AGE = 1 WHERE AGE >= 40", 2},
        {"DELETE FROM people WHERE NAME = 'ann'", 1},
        {"INSERT INTO people VALUES ('dan', 60)", 1},
        {"SELECT * FROM people", -1},
        {"DECLARE c Cursor AS SELECT * FROM people;\nOPEN c;", -1},
    };
    for (const Case& c : cases) {
        People p;
        auto query = QueryOn(p.folder.path(), c.sql);
        EXPECT_EQ(query->RowsAffected(), -1);
        ace::StartCallTrace();
        query->ExecSQL();
        const auto calls = ace::StopCallTrace();
        EXPECT_EQ(query->RowsAffected(), c.rows) << c.sql;
        const auto counted = CallsOf(calls, "AdsGetRecordCount");
        ASSERT_EQ(counted.size(), 1u) << Dump(calls);
        // A text yielding a cursor has no count: the engine answers 5117.
        EXPECT_EQ(counted[0].result.value_or(0), c.rows == -1 ? 5117u : 0u) << c.sql;
    }
}

TEST(QueryExec, TheStatementLivesAcrossExecutionsUntilClosed)
{
    People p;
    auto query = QueryOn(p.folder.path(), "UPDATE people SET AGE = AGE + 1");
    query->AdsCloseSQLStatement();  // never ran: nothing happens
    ace::StartCallTrace();
    query->ExecSQL();
    query->ExecSQL();
    auto calls = ace::StopCallTrace();
    EXPECT_EQ(CountOf(calls, "AdsCreateSQLStatement"), 1) << Dump(calls);
    EXPECT_EQ(CountOf(calls, "AdsConnect"), 0) << "the implicit connection exists already";
    const int64_t statement = query->StatementHandleValue();
    query->AdsCloseSQLStatement();
    EXPECT_EQ(query->StatementHandleValue(), -1);
    EXPECT_EQ(query->CachedConnectionHandle(), -1);
    ace::StartCallTrace();
    query->ExecSQL();
    calls = ace::StopCallTrace();
    EXPECT_EQ(CountOf(calls, "AdsCreateSQLStatement"), 1);
    EXPECT_NE(query->StatementHandleValue(), -1);
    (void)statement;

    // Closing and opening a query executes its statement again.
    auto select = QueryOn(p.folder.path(), "SELECT * FROM people");
    select->Open();
    select->Close();
    ace::StartCallTrace();
    select->Open();
    calls = ace::StopCallTrace();
    EXPECT_EQ(CountOf(calls, "AdsExecuteSQL"), 1);
    EXPECT_EQ(CountOf(calls, "AdsCreateSQLStatement"), 0);
    ExpectDataSetError([&] { select->AdsCloseSQLStatement(); }, "Cannot perform this operation on an open dataset");
    ExpectDataSetError([&] { select->Prepare(); }, "Cannot perform this operation on an open dataset");
    EXPECT_THROW(select->ExecSQL(), EDatabaseError);
}

TEST(QueryExec, StatementOptionsAreSentInOrderBeforeEachExecution)
{
    struct Case {
        TAdsTableTypes tableType;
        bool requestLive;
        bool connectionReadOnly;
        QStringList readOnly;  // arguments of AdsStmtSetTableReadOnly
        QString tableTypeArgument;
    };
    const Case cases[] = {
        {ttAdsADT, false, false, {"1"}, "3"},
        {ttAdsADT, true, false, {"2"}, "3"},
        {ttAdsADT, false, true, {"1", "1"}, "3"},
        {ttAdsDefault, false, false, {"1"}, "1"},
        {ttAdsCDX, false, false, {"1"}, "2"},
        {ttAdsVFP, false, false, {"1"}, "4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.tableType));
        People p;
        TAdsConnection connection(nullptr);
        connection.SetConnectPath(p.folder.path());
        connection.SetReadOnly(c.connectionReadOnly);
        TAdsQuery query(nullptr);
        query.SetAdsConnection(&connection);
        query.InternalSetTableType(c.tableType, true);
        query.SetRequestLive(c.requestLive);
        query.SQL()->SetText("SELECT * FROM people");
        ace::StartCallTrace();
        query.ExecSQL();
        const auto calls = ace::StopCallTrace();
        QStringList expected = kOptionCalls;
        if (c.readOnly.size() == 2)
            expected.insert(4, "AdsStmtSetTableReadOnly");
        EXPECT_EQ(Only(calls, kOptionCalls), expected) << Dump(calls);
        QStringList readOnly;
        for (const auto& call : CallsOf(calls, "AdsStmtSetTableReadOnly"))
            readOnly << call.arguments.value(1);
        EXPECT_EQ(readOnly, c.readOnly);
        EXPECT_EQ(CallsOf(calls, "AdsStmtSetTableType")[0].arguments.value(1), c.tableTypeArgument);
        EXPECT_EQ(CallsOf(calls, "AdsStmtSetTableCollation")[0].arguments.value(1), "\"ANSI\"");
        EXPECT_EQ(CallsOf(calls, "AdsStmtSetTableLockType")[0].arguments.value(1), "1");
        EXPECT_EQ(CallsOf(calls, "AdsStmtSetTableRights")[0].arguments.value(1), "1");
        EXPECT_EQ(CallsOf(calls, "AdsStmtConstrainUpdates")[0].arguments.value(1), "2");
        EXPECT_EQ(CallsOf(calls, "AdsStmtReadAllColumns")[0].arguments.value(1), "2");
        EXPECT_LT(Only(calls, {"AdsStmtReadAllColumns", "AdsPrepareSQLW"}).indexOf("AdsStmtReadAllColumns"),
                  Only(calls, {"AdsStmtReadAllColumns", "AdsPrepareSQLW"}).indexOf("AdsPrepareSQLW"));
    }
}

TEST(QueryExec, ScriptModeEmptiesDirectiveLinesAndRestoresTheText)
{
    People p;
    const QStringList lines = {"# a comment line", "  [section]", "UPDATE people SET AGE = 2", "  WHERE NAME = 'ann'"};
    auto query = QueryOn(p.folder.path(), lines.join("\n"));
    ace::StartCallTrace();
    query->ExecSQLScript();
    const auto calls = ace::StopCallTrace();
    const auto prepared = CallsOf(calls, "AdsPrepareSQLW");
    ASSERT_EQ(prepared.size(), 1u);
    EXPECT_EQ(prepared[0].arguments.value(1), "\"\n\nUPDATE people SET AGE = 2\nWHERE NAME = 'ann'\n\"");
    EXPECT_EQ(query->SQL()->ToStringList(), lines);
    EXPECT_EQ(query->RowsAffected(), 1);

    // A failing run gives the caller its own lines back, directive and
    // indented ones included, and reports a plain database error.
    const QStringList brokenLines = {"# restore step", "  UPDATE nowhere SET X = 1"};
    auto broken = QueryOn(p.folder.path(), brokenLines.join("\n"));
    ExpectScriptError([&] { broken->ExecSQLScript(); });
    EXPECT_EQ(broken->SQL()->ToStringList(), brokenLines);

    auto verified = QueryOn(p.folder.path(), "SELECT * FROM people");
    verified->VerifySQL();
    const QStringList wrongLines = {"  SELEC nothing", "\tFROM people"};
    auto wrong = QueryOn(p.folder.path(), wrongLines.join("\n"));
    ExpectScriptError([&] { wrong->VerifySQL(); });
    EXPECT_EQ(wrong->SQL()->ToStringList(), wrongLines);
}

TEST(QueryExec, ScriptLinesLoseOnlyBlanksAndControlCharacters)
{
    struct Case {
        QString line;
        QString sent;  // the line as prepared
    };
    const Case cases[] = {
        {QStringLiteral("\x1A# end of file mark"), QString()},
        {QStringLiteral("\t[section]\r"), QString()},
        {QStringLiteral("UPDATE people SET NAME = 'x\u00A0'"), QStringLiteral("UPDATE people SET NAME = 'x\u00A0'")},
        {QStringLiteral("\u00A0# kept: not a blank"), QStringLiteral("\u00A0# kept: not a blank")},
    };
    People p;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.toStdString());
        auto query = QueryOn(p.folder.path(), "SELECT * FROM people");
        query->SQL()->Clear();
        query->SQL()->Add(c.line);
        query->SQL()->Add(QStringLiteral("UPDATE people SET AGE = 3 WHERE NAME = 'bob'"));
        ace::StartCallTrace();
        try {
            query->ExecSQLScript();
        } catch (const EDatabaseError&) {
            // A kept non-breaking space is no SQL; the text sent is what counts.
        }
        const auto calls = ace::StopCallTrace();
        const auto prepared = CallsOf(calls, "AdsPrepareSQLW");
        ASSERT_EQ(prepared.size(), 1u) << Dump(calls);
        const QString expected = "\"" + c.sent + "\nUPDATE people SET AGE = 3 WHERE NAME = 'bob'\n\"";
        EXPECT_EQ(prepared[0].arguments.value(1), expected);
    }
}

TEST(QueryExec, ChangingTheTextKeepsSurvivingParameterValues)
{
    People p;
    auto query = QueryOn(p.folder.path(), "SELECT * FROM people WHERE NAME = :name AND AGE > :age");
    query->ParamByName("name")->SetAsString("bob");
    query->ParamByName("age")->SetAsInteger(1);
    query->Open();
    EXPECT_FALSE(query->IsEmpty());

    TStringList same;
    same.SetText(query->SQL()->Text());
    query->SetSQL(&same);
    EXPECT_TRUE(query->Active()) << "the same text changes nothing";

    TStringList other;
    other.SetText("SELECT * FROM people WHERE NAME = :name");
    query->SetSQL(&other);
    EXPECT_FALSE(query->Active());
    ASSERT_EQ(query->ParamCount(), 1);
    EXPECT_EQ(query->ParamByName("name")->AsString(), "bob");
    EXPECT_THROW(query->ParamByName("age"), EDatabaseError);
}

TEST(QueryExec, ParametersBindByTheirTypes)
{
    struct Case {
        std::function<void(TParam&)> assign;
        const char* call;  // the engine call for the parameter, or nullptr
    };
    const Case cases[] = {
        {[](TParam&) {}, "AdsSetEmpty"},
        {[](TParam& p) { p.SetAsBoolean(true); }, "AdsSetLogical"},
        {[](TParam& p) { p.SetAsFloat(1.5); }, "AdsSetDouble"},
        {[](TParam& p) { p.SetAsDate(0); }, "AdsSetJulian"},
        {[](TParam& p) { p.SetAsTime(0.5); }, "AdsSetMilliseconds"},
        {[](TParam& p) { p.SetAsDateTime(0.5); }, "AdsSetTimeStampRaw"},
        {[](TParam& p) { p.SetAsString("x"); }, "AdsSetStringW"},
        {[](TParam& p) { p.SetAsInteger(7); }, "AdsSetString"},
        {[](TParam& p) { p.SetAsBytes("ab"); }, "AdsSetBinary"},
        {[](TParam& p) { p.SetValue(Variant(float(1.0f))); }, nullptr},
        {[](TParam& p) { p.SetAsFMTBCD(IntegerToBcd(3)); }, nullptr},
    };
    const QStringList setters = {"AdsSetEmpty", "AdsSetLogical", "AdsSetDouble", "AdsSetJulian",
                                 "AdsSetMilliseconds", "AdsSetTimeStampRaw", "AdsSetStringW", "AdsSetString",
                                 "AdsSetBinary"};
    People p;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call ? c.call : "no call");
        auto query = QueryOn(p.folder.path(), "SELECT * FROM people WHERE :v IS NULL OR TRUE");
        c.assign(*query->Params()->Items(0));
        ace::StartCallTrace();
        try {
            query->ExecSQL();
        } catch (const EADSDatabaseError&) {
            // An unbound parameter may be refused by the engine; the binding
            // calls are what is looked at.
        }
        const auto calls = ace::StopCallTrace();
        EXPECT_EQ(Only(calls, setters), c.call ? QStringList{c.call} : QStringList{}) << Dump(calls);
        if (c.call && QString(c.call) == "AdsSetJulian") {
            EXPECT_EQ(CallsOf(calls, c.call)[0].arguments.value(2), "2415019");
        }
        if (c.call && QString(c.call) == "AdsSetMilliseconds") {
            EXPECT_EQ(CallsOf(calls, c.call)[0].arguments.value(2), "43200000");
        }
    }
    auto unknown = QueryOn(p.folder.path(), "SELECT * FROM people WHERE NAME = :who");
    unknown->Params()->Items(0)->SetValue(Variant(QStringLiteral("x")));
    unknown->Params()->Items(0)->SetDataType(ftUnknown);
    ExpectDataSetError([&] { unknown->ExecSQL(); },
                       "The field named: 'who' has the DataType of ftUnknown, which is invalid.");
    unknown->Params()->Items(0)->SetDataType(ftCursor);
    ExpectDataSetError([&] { unknown->ExecSQL(); }, "The field named: 'who' has a DataType that is not supported.");
}

TEST(QueryExec, MessagesOfTheQueryComponent)
{
    TAdsQuery query(nullptr);
    query.SQL()->SetText("SELECT 1 FROM system.iota");
    ExpectDataSetError([&] { query.ExecSQL(); }, "The DatabaseName property has not been assigned a value.");
    ExpectDataSetError([&] { query.SetTableType(ttAdsNTX); }, "The TAdsQuery component does not support the NTX table type");
    ExpectDataSetError([&] { query.Constraints(); }, "The property \"Constraints\" is not supported.");
    ExpectDataSetError([&] { query.UpdateObject(); }, "The property \"UpdateObject\" is not supported.");
    EXPECT_EQ(query.WaitCursor(), 0);
    EXPECT_FALSE(query.Local());
}

TEST(QueryExec, TimeoutAndLastAutoincrementValue)
{
    testsupport::TempFolder folder;
    RunSql(folder.path(), "CREATE TABLE counted (ID AutoInc, NAME Char(4))");
    auto query = QueryOn(folder.path(), "INSERT INTO counted (NAME) VALUES ('a'); INSERT INTO counted (NAME) VALUES ('b');");
    query->SetSQLTimeout(30);
    ace::StartCallTrace();
    query->ExecSQL();
    auto calls = ace::StopCallTrace();
    const auto timeouts = CallsOf(calls, "AdsSetSQLTimeout");
    ASSERT_EQ(timeouts.size(), 1u) << "given to the statement when it is made";
    EXPECT_EQ(timeouts[0].arguments.value(1), "30");
    EXPECT_EQ(query->LastAutoincVal(), 2);
    ace::StartCallTrace();
    query->SetSQLTimeout(5);
    calls = ace::StopCallTrace();
    ASSERT_EQ(CallsOf(calls, "AdsSetSQLTimeout").size(), 1u) << "and to the existing statement at once";
    EXPECT_THROW(query->SetSQLTimeout(-1), ERangeError);
    EXPECT_EQ(query->SQLTimeout(), 5) << "refused before it is stored";
}

TEST(QueryExec, RefreshShowsTheSameRowsAndReopeningShowsNewOnes)
{
    People p;
    auto query = QueryOn(p.folder.path(), "SELECT * FROM people");
    auto rows = [&] {
        int count = 0;
        for (query->First(); !query->Eof(); query->Next())
            ++count;
        return count;
    };
    query->Open();
    EXPECT_EQ(rows(), 3);
    RunSql(p.folder.path(), "INSERT INTO people VALUES ('dan', 60)");
    query->Refresh();
    EXPECT_EQ(rows(), 3) << "a static result";
    query->Close();
    query->Open();
    EXPECT_EQ(rows(), 4);
}

TEST(QueryExec, ADisconnectGoesOnWhenAnOpenQueryRefusesToClose)
{
    People p;
    TAdsConnection connection(nullptr);
    connection.SetConnectPath(p.folder.path());
    TAdsQuery query(nullptr);
    query.SetAdsConnection(&connection);
    query.SQL()->SetText("SELECT * FROM people");
    query.Open();
    ASSERT_TRUE(query.Prepared());
    query.BeforeClose = [](TDataSet*) { throw EDatabaseError(QStringLiteral("not now")); };
    connection.SetIsConnected(false);
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_FALSE(query.Prepared());
    EXPECT_EQ(query.StatementHandleValue(), -1) << "forgotten with the connection";
    EXPECT_EQ(query.CachedConnectionHandle(), -1);
    query.BeforeClose = nullptr;
}

TEST(QueryExec, ClosingAtDesignTimeReleasesTheStatement)
{
    People p;
    auto query = QueryOn(p.folder.path(), "SELECT * FROM people");
    query->SetDesigning(true);
    query->Open();
    const QString statement = QString::number(query->StatementHandleValue());
    ace::StartCallTrace();
    query->Close();
    const auto calls = ace::StopCallTrace();
    const auto released = CallsOf(calls, "AdsCloseSQLStatement");
    ASSERT_EQ(released.size(), 1u) << Dump(calls);
    EXPECT_EQ(released[0].arguments.value(0), statement);
    EXPECT_EQ(query->StatementHandleValue(), -1);
    EXPECT_EQ(query->CachedConnectionHandle(), -1);
    EXPECT_FALSE(query->Prepared());
}

TEST(QueryExec, ProviderSupportWorksOnTheTextAndTheParameters)
{
    People p;
    struct Case {
        const char* sql;
        const char* table;  // PSGetTableName: the one table read, else empty
    };
    const Case cases[] = {
        {"SELECT * FROM people ORDER BY NAME", "people"},
        {"SELECT * FROM \"people\" p WHERE AGE > 1", "people"},
        {"select * from people as p", "people"},
        {"SELECT * FROM people a, people b", ""},
        {"SELECT * FROM people a JOIN people b ON a.NAME = b.NAME", ""},
        {"SELECT * FROM people LEFT OUTER JOIN people b ON TRUE", ""},
        {"SELECT 'FROM x' AS t FROM people", "people"},
        {"UPDATE people SET AGE = 1", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        auto query = QueryOn(p.folder.path(), c.sql);
        EXPECT_EQ(query->PSGetTableName(), QString(c.table));
        EXPECT_EQ(query->PSGetParams(), query->Params());
        // No index definitions are known for a result, so no order is offered.
        EXPECT_EQ(query->PSGetDefaultOrder(), nullptr);
    }

    auto query = QueryOn(p.folder.path(), "SELECT * FROM people WHERE NAME = :who");
    query->Open();
    TParams empty;
    query->PSSetParams(&empty);
    EXPECT_TRUE(query->Active()) << "an empty list changes nothing";
    TParams given;
    given.CreateParam(ftString, "who", ptInput)->SetAsString("bob");
    query->PSSetParams(&given);
    EXPECT_FALSE(query->Active());
    EXPECT_EQ(query->ParamByName("who")->AsString(), "bob");
    query->PSSetCommandText("");
    EXPECT_EQ(query->Text(), "SELECT * FROM people WHERE NAME = :who\n");
    query->PSSetCommandText("UPDATE people SET AGE = 9 WHERE NAME = :who");
    EXPECT_EQ(query->ParamCount(), 1);
    query->ParamByName("who")->SetAsString("bob");
    query->PSExecute();
    EXPECT_EQ(query->RowsAffected(), 1) << "executed as ExecSQL";
}
