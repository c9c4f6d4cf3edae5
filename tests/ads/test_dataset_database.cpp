// Where a dataset's data lives: connection components found by name in four
// passes, aliases and their table types, database paths, and the implicit
// connections shared by path.
#include "tests/ads/test_dataset_support.h"

#include <thread>

using namespace dataset_test;

namespace {

// A form: a named owner component.
std::unique_ptr<TComponent> Form(const QString& name)
{
    auto form = std::make_unique<TComponent>(nullptr);
    form->SetName(name);
    return form;
}

TAdsConnection* NamedConnection(TComponent* owner, const QString& name)
{
    auto* connection = new TAdsConnection(owner);
    connection->SetName(name);
    return connection;
}

} // namespace

TEST(DataSetDatabase, ImplicitConnectionsAreSharedByPathWithoutRegardToCase)
{
    testsupport::TempFolder folder;
    QDir().mkpath(folder.file("data"));
    TDynamicConnList list;
    const uint32_t handle = list.Add(folder.path() + "/data");
    EXPECT_NE(handle, 0u);
    EXPECT_EQ(list.FindSameDatabasename(folder.path() + "/DATA"), handle);
    EXPECT_EQ(list.FindSameDatabasename((folder.path() + "/data").toUpper()), handle);
    EXPECT_EQ(list.FindSameDatabasename(folder.path() + "/other"), 0u);
    EXPECT_EQ(list.Count(), 1);
    list.Destroy();
    EXPECT_EQ(list.Count(), 0);

    // Two queries naming the same folder, once with a trailing separator,
    // share one.
    RunSql(folder.path(), "CREATE TABLE t (A Integer)");
    auto first = QueryOn(folder.path(), "SELECT * FROM t");
    auto second = QueryOn(folder.path() + "/", "SELECT * FROM t");
    first->Open();
    second->Open();
    EXPECT_EQ(first->GetAceConnectionHandle(), second->GetAceConnectionHandle());
    EXPECT_EQ(second->GetDatabasePath(), folder.path()) << "one trailing separator is dropped";

    // Names that differ only by letter case share it too: the folder exists
    // only in lower case, and the upper-case name still reaches its table.
    RunSql(folder.path() + "/data", "CREATE TABLE u (A Integer); INSERT INTO u VALUES (7);");
    auto lower = QueryOn(folder.path() + "/data", "SELECT * FROM u");
    auto upper = QueryOn(folder.path() + "/DATA", "SELECT * FROM u");
    lower->Open();
    upper->Open();
    EXPECT_EQ(upper->GetAceConnectionHandle(), lower->GetAceConnectionHandle());
    EXPECT_EQ(upper->FieldByName("A")->AsInteger(), 7);
}

TEST(DataSetDatabase, ARefusedImplicitConnectionRegistersNothing)
{
    TDynamicConnList list;
    EXPECT_THROW(list.Add(""), EADSDatabaseError);
    EXPECT_EQ(list.Count(), 0);
}

TEST(DataSetDatabase, DatabaseNameFindsConnectionsInFourPasses)
{
    testsupport::TempFolder folder;
    auto formA = Form("FormA");
    auto formB = Form("FormB");
    TAdsConnection* onB = NamedConnection(formB.get(), "Shared");
    // A dataset on form A: the connection on form B is found by name alone
    // (another owner, same thread).
    auto* query = new TAdsQuery(formA.get());
    query->SetDatabaseName("shared");
    EXPECT_EQ(query->AdsConnection(), onB);
    // One of the same name on its own form, made by the same thread, wins.
    TAdsConnection* onA = NamedConnection(formA.get(), "Shared");
    query->SetDatabaseName("Shared");
    EXPECT_EQ(query->AdsConnection(), onA);
    EXPECT_EQ(onA->DataSetCount(), 1);
    EXPECT_EQ(onB->DataSetCount(), 0);
    // Owner.Name reaches the other form's connection.
    query->SetDatabaseName("formb.shared");
    EXPECT_EQ(query->AdsConnection(), onB);
    EXPECT_EQ(query->DatabaseName(), "formb.shared");

    // A connection made on another thread loses against one of this thread,
    // even on the dataset's own form.
    auto formC = Form("FormC");
    TAdsConnection* fromWorker = nullptr;
    std::thread([&] { fromWorker = NamedConnection(formC.get(), "Worker"); }).join();
    auto formD = Form("FormD");
    TAdsConnection* mine = NamedConnection(formD.get(), "Worker");
    auto* onC = new TAdsQuery(formC.get());
    onC->SetDatabaseName("Worker");
    EXPECT_EQ(onC->AdsConnection(), mine) << "pass 2 (same thread) before pass 3 (same owner)";
    EXPECT_NE(fromWorker, nullptr);
    onC->SetDatabaseName("");
    EXPECT_EQ(onC->AdsConnection(), nullptr);

    // With none of this thread, one on the dataset's own form wins over an
    // earlier one of another form, both made by another thread.
    auto formE = Form("FormE");
    auto formF = Form("FormF");
    TAdsConnection* earlierElsewhere = nullptr;
    TAdsConnection* laterOnItsForm = nullptr;
    std::thread([&] {
        earlierElsewhere = NamedConnection(formF.get(), "Remote");
        laterOnItsForm = NamedConnection(formE.get(), "Remote");
    }).join();
    auto* onE = new TAdsQuery(formE.get());
    onE->SetDatabaseName("remote");
    EXPECT_EQ(onE->AdsConnection(), laterOnItsForm) << "pass 3 (same owner) before pass 4 (name alone)";
    EXPECT_EQ(laterOnItsForm->DataSetCount(), 1);
    EXPECT_EQ(earlierElsewhere->DataSetCount(), 0);
    auto* onNeither = new TAdsQuery(formA.get());
    onNeither->SetDatabaseName("Remote");
    EXPECT_EQ(onNeither->AdsConnection(), earlierElsewhere) << "by name alone the first one made";
}

TEST(DataSetDatabase, AliasesGiveTheirPathAndTableType)
{
    Installation install;
    auto query = std::make_unique<TAdsQuery>(nullptr);
    query->SetDatabaseName("Adt");
    EXPECT_EQ(query->AliasPath(), install.adt);
    EXPECT_EQ(query->GetDatabasePath(), install.adt);
    EXPECT_EQ(query->TableType(), ttAdsADT);

    // A query cannot take the NTX type of the alias; the name stays, and the
    // alias keeps any other type out as well.
    TAdsQuery ntx(nullptr);
    ExpectDataSetError([&] { ntx.SetDatabaseName("Ntx"); },
                       "The TAdsQuery component does not support the NTX table type");
    EXPECT_EQ(ntx.DatabaseName(), "Ntx");
    ExpectDataSetError([&] { ntx.InternalSetTableType(ttAdsADT, true); },
                       "The table type must remain identical to the table type associated with the alias.");
    EXPECT_EQ(ntx.TableType(), ttAdsADT);
    ntx.InternalSetTableType(ttAdsNTX, true);
    EXPECT_EQ(ntx.OpenTableType(), ADS_NTX);

    TAdsQuery path(nullptr);
    path.SetDatabaseName(install.data + "/");
    EXPECT_TRUE(path.AliasPath().isEmpty());
    EXPECT_EQ(path.GetDatabasePath(), install.data);
    path.SetTableType(ttAdsCDX);
    EXPECT_EQ(path.OpenTableType(), ADS_CDX);
}

TEST(DataSetDatabase, TheConnectionsTableTypeRules)
{
    Installation install;
    TAdsConnection connection(nullptr);
    connection.SetAliasName("Adt");
    TAdsQuery query(nullptr);
    query.SetAdsConnection(&connection);
    query.GetDatabasePath();
    EXPECT_EQ(query.TableType(), ttAdsADT);
    ExpectDataSetError([&] { query.InternalSetTableType(ttAdsCDX, true); },
                       "The table type must remain identical to the table type associated with the alias.");
    query.SetAdsConnection(nullptr);
}

TEST(DataSetDatabase, NoChangesWhileOpen)
{
    testsupport::TempFolder folder;
    RunSql(folder.path(), "CREATE TABLE t (A Integer)");
    auto query = QueryOn(folder.path(), "SELECT * FROM t");
    query->Open();
    ExpectDataSetError([&] { query->SetDatabaseName("other"); }, "Table must not be Active.");
    ExpectDataSetError([&] { query->SetAdsConnection(nullptr); }, "Table must not be Active.");
    ExpectDataSetError([&] { query->SetTableType(ttAdsCDX); }, "Cannot perform this operation on an open dataset");
    EXPECT_EQ(query->DatabaseName(), folder.path());
}

TEST(DataSetDatabase, ConnectionComponentsAreOpenedOnFirstUse)
{
    testsupport::TempFolder folder;
    RunSql(folder.path(), "CREATE TABLE t (A Integer); INSERT INTO t VALUES (1);");
    TAdsConnection connection(nullptr);
    connection.SetConnectPath(folder.path());
    TAdsQuery query(nullptr);
    query.SetAdsConnection(&connection);
    query.SQL()->SetText("SELECT * FROM t");
    query.Open();
    EXPECT_TRUE(connection.IsConnected());
    EXPECT_EQ(query.GetAceConnectionHandle(), connection.ConnectionHandle());
    connection.Disconnect();
    EXPECT_FALSE(query.Active()) << "closed with its connection";
    EXPECT_EQ(query.StatementHandleValue(), -1) << "handles forgotten";
    query.Open();
    EXPECT_TRUE(query.Active());
}

TEST(DataSetDatabase, RenamingAConnectionRenamesTheDatabaseNamesThatNameIt)
{
    auto form = Form("FormA");
    TAdsConnection* connection = NamedConnection(form.get(), "Conn1");
    auto* query = new TAdsQuery(form.get());
    query->SetDatabaseName("Conn1");
    ASSERT_EQ(query->AdsConnection(), connection);
    connection->SetName("Conn2");
    EXPECT_EQ(query->DatabaseName(), "Conn2");
    EXPECT_EQ(query->AdsConnection(), connection);
}

TEST(DataSetDatabase, ADestroyedQueryReleasesItsStatement)
{
    testsupport::TempFolder folder;
    RunSql(folder.path(), "CREATE TABLE t (A Integer)");
    auto query = QueryOn(folder.path(), "SELECT * FROM t");
    query->ExecSQL();
    const QString statement = QString::number(query->StatementHandleValue());
    ace::StartCallTrace();
    query.reset();
    const auto closed = CallsOf(ace::StopCallTrace(), "AdsCloseSQLStatement");
    ASSERT_EQ(closed.size(), 1u);
    EXPECT_EQ(closed[0].arguments.value(0), statement);
}
