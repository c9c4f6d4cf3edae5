// What a connection does to the datasets attached to it: closing them with
// it, cancels and refreshes around a rollback, the alias table type, the
// re-linking of database names on a rename, and detaching on destruction.
#include "tests/ads/test_connection_support.h"

#include "tests/ads/test_connection_datasets.h"

using namespace connection_test;

namespace {

QString NameOf(const TDataSet& dataSet)
{
    return dataSet.FieldByName("Name")->AsString();
}

TEST(ConnectionDataSets, ClosingTheConnectionClosesItsDatasetsWhichStayAttached)
{
    testsupport::TempFolder folder;
    auto connection = OpenOn(folder.path());
    TAttachedDataSet first(nullptr, connection.get()), failing(nullptr, connection.get());
    Fill(first, 2);
    Fill(failing, 1);
    failing.failClose = true;
    connection->Disconnect();  // the failing close does not stop it
    EXPECT_FALSE(connection->IsConnected());
    EXPECT_FALSE(first.Active());
    EXPECT_EQ(first.asked, QStringList({"InvalidateAceHandles"}));
    EXPECT_EQ(failing.asked, QStringList({"InvalidateAceHandles"})) << "its handles are forgotten all the same";
    ASSERT_EQ(connection->DataSetCount(), 2);
    EXPECT_EQ(connection->DataSets(0), &first);
    EXPECT_EQ(connection->DataSets(1), &failing);
    EXPECT_THROW(connection->DataSets(2), EListError);
    failing.failClose = false;

    connection->RemoveTableFromConnectList(&first);
    connection->RemoveTableFromConnectList(&first);  // not attached any more: nothing
    ASSERT_EQ(connection->DataSetCount(), 1);
    EXPECT_EQ(connection->DataSets(0), &failing);
    connection->AddTableToConnectList(&first);
    EXPECT_EQ(connection->DataSets(1), &first) << "appended in attach order";
}

TEST(ConnectionDataSets, RollbackCancelsPendingEditsBeforeTheEngineAndRefreshesAfter)
{
    testsupport::TempFolder folder;
    auto connection = OpenOn(folder.path());
    TAttachedDataSet editing(nullptr, connection.get()), browsing(nullptr, connection.get());
    Fill(editing, 2);
    Fill(browsing, 2);
    connection->BeginTransaction();
    editing.Edit();
    editing.FieldByName("Name")->SetAsString("pending");
    QStringList seenAtCancel;
    editing.AfterCancel = [&](TDataSet*) { seenAtCancel = Functions(ace::CallTraceSoFar()); };
    browsing.Calls().clear();
    ace::StartCallTrace();
    connection->Rollback();
    const auto calls = ace::StopCallTrace();
    EXPECT_EQ(editing.State(), dsBrowse) << "the pending edit is dropped";
    EXPECT_EQ(NameOf(editing), "n1");
    EXPECT_FALSE(seenAtCancel.contains("AdsRollbackTransaction")) << "cancelled before the engine rolls back";
    EXPECT_EQ(Functions(calls).count("AdsRollbackTransaction"), 1);
    EXPECT_TRUE(browsing.Active());
    EXPECT_EQ(browsing.State(), dsBrowse);
}

TEST(ConnectionDataSets, WithoutCancelOnRollbackAPendingEditStays)
{
    testsupport::TempFolder folder;
    auto connection = OpenOn(folder.path());
    connection->SetCancelOnRollback(false);
    TAttachedDataSet editing(nullptr, connection.get());
    Fill(editing, 1);
    connection->BeginTransaction();
    editing.Edit();
    editing.FieldByName("Name")->SetAsString("pending");
    connection->Rollback();
    EXPECT_EQ(editing.State(), dsEdit);
    EXPECT_EQ(NameOf(editing), "pending");
    editing.Cancel();
}

TEST(ConnectionDataSets, AnAliasGivesItsTableTypeToTheOwnersDatasetsThatNameTheConnection)
{
    Installation installation;
    TComponent form(nullptr);
    form.SetName("Form1");
    auto* connection = new TAdsConnection(&form);
    connection->SetName("Conn");
    auto* unnamed = new TAttachedDataSet(&form, connection);
    auto* named = new TAttachedDataSet(&form, connection);
    named->SetDatabaseName("Conn");
    auto* otherCase = new TAttachedDataSet(&form, connection);
    otherCase->SetDatabaseName("CONN");  // compared exactly
    auto* notAttached = new TAttachedDataSet(&form, nullptr);
    TAttachedDataSet elsewhere(nullptr, connection);  // attached, but not the owner's

    connection->SetAliasName("Plain");  // no type letter: nothing is given
    EXPECT_FALSE(unnamed->tableType.has_value());
    connection->SetAliasName("Ntx");
    EXPECT_EQ(unnamed->tableType, ttAdsNTX);
    EXPECT_EQ(named->tableType, ttAdsNTX);
    EXPECT_FALSE(otherCase->tableType.has_value());
    EXPECT_FALSE(notAttached->tableType.has_value());
    EXPECT_FALSE(elsewhere.tableType.has_value());
    connection->SetAliasName("Adt");
    EXPECT_EQ(unnamed->tableType, ttAdsADT);
    connection->SetAliasName("Nowhere");  // unresolved: nothing changes
    EXPECT_EQ(unnamed->tableType, ttAdsADT);
    connection->RemoveTableFromConnectList(&elsewhere);
    elsewhere.DetachConnection();
}

TEST(ConnectionDataSets, RenamingRelinksTheDatabaseNamesOfQualifyingDatasets)
{
    TComponent form(nullptr);
    form.SetName("Form1");
    TComponent otherForm(nullptr);
    otherForm.SetName("Form2");
    auto* connection = new TAdsConnection(&form);
    TAdsConnection stranger(nullptr);
    struct Case {
        TComponent* owner;
        TAdsConnection* attached;
        QString before, afterFirstName, afterRename;
    } cases[] = {
        {nullptr, nullptr, "old", "old", "New"},                 // the old name, any case
        {nullptr, connection, "FORM1.OLD", "FORM1.OLD", "Form1.New"},  // owner-qualified
        {nullptr, &stranger, "Old", "Old", "Old"},               // attached elsewhere: left alone
        {&form, nullptr, "new", "new", "New"},                   // the new name, in the same owner
        {&otherForm, nullptr, "new", "new", "new"},              // the new name, in another owner
        {nullptr, nullptr, "Other", "Other", "Other"},
        {&form, nullptr, "old", "Old", "New"},                   // the first naming: only the owner rule
    };
    std::vector<std::unique_ptr<TAttachedDataSet>> dataSets;
    for (const Case& c : cases) {
        dataSets.push_back(std::make_unique<TAttachedDataSet>(c.owner, c.attached));
        dataSets.back()->SetDatabaseName(c.before);
    }
    SetDataSetRegistryWalk([&](const TDataSetRegistryVisitor& visit) {
        for (auto& dataSet : dataSets)
            visit(*dataSet);
    });
    connection->SetName("Old");
    for (size_t i = 0; i < dataSets.size(); ++i)
        EXPECT_EQ(dataSets[i]->DatabaseName(), cases[i].afterFirstName) << "case " << i;
    connection->SetName("New");
    SetDataSetRegistryWalk(nullptr);
    for (size_t i = 0; i < dataSets.size(); ++i)
        EXPECT_EQ(dataSets[i]->DatabaseName(), cases[i].afterRename) << "case " << i;
    for (auto& dataSet : dataSets)
        if (dataSet->AttachedConnection())
            dataSet->AttachedConnection()->RemoveTableFromConnectList(dataSet.get());
}

TEST(ConnectionDataSets, DestructionClosesAndDetachesItsDatasets)
{
    testsupport::TempFolder folder;
    struct Case {
        bool connected;
        bool activeAfter;
        QStringList asked;
    } cases[] = {
        {true, false, {"InvalidateAceHandles"}},
        {false, true, {}},  // a closed connection only detaches them
    };
    for (const Case& c : cases) {
        auto connection = std::make_unique<TAdsConnection>(nullptr);
        connection->SetConnectPath(folder.path());
        if (c.connected)
            connection->Connect();
        TAttachedDataSet attached(nullptr, connection.get());
        Fill(attached, 1);
        connection.reset();
        EXPECT_EQ(attached.AttachedConnection(), nullptr) << "connected " << c.connected;
        EXPECT_EQ(attached.Active(), c.activeAfter) << "connected " << c.connected;
        EXPECT_EQ(attached.asked, c.asked) << "connected " << c.connected;
    }
}

} // namespace
