// Connections to real data dictionaries made by the engine in the test:
// login, user groups, versions, procedures, tables and links.
#include "tests/ads/test_connection_support.h"

#include "ads/adserror.h"
#include "tests/ads/test_connection_datasets.h"

#include <dlfcn.h>

using namespace connection_test;

namespace {

// The engine's own functions that make dictionaries, which the layer never
// calls, looked up in the library the layer has loaded.
template <class F>
F EngineFunction(const char* name)
{
    ace::AdsThreadExit();  // loads the library if it is not yet
    // The loader takes the environment's choice, else the file beside the
    // test program.
    QByteArray file = qgetenv("VARNEL_ENGINE_LIBRARY");
    if (file.isEmpty())
        file = VARNEL_BIN_DIR "/" VARNEL_ENGINE_FILE;
    void* library = dlopen(file.constData(), RTLD_NOW | RTLD_NOLOAD);
    EXPECT_NE(library, nullptr) << "the engine library is not loaded";
    auto* function = reinterpret_cast<F>(library ? dlsym(library, name) : nullptr);
    EXPECT_NE(function, nullptr) << name;
    return function;
}

using DDCreate = UNSIGNED32 (*)(const char*, const char*, const char*, ADSHANDLE*);
using DDCreateUserGroup = UNSIGNED32 (*)(ADSHANDLE, const char*, const char*);
using DDCreateUser = UNSIGNED32 (*)(ADSHANDLE, const char*, const char*, const char*, const char*);
using DDAddUserToGroup = UNSIGNED32 (*)(ADSHANDLE, const char*, const char*);
using DDAddProcedure = UNSIGNED32 (*)(ADSHANDLE, const char*, const char*, const char*, const char*);
using DDAddTable = UNSIGNED32 (*)(ADSHANDLE, const char*, const char*, UNSIGNED16, UNSIGNED16, const char*,
                                  const char*);

// A dictionary Base.add in the installation's dict folder with a user "ann"
// (password "pw") in groups Readers and Writers, a procedure and a table.
void MakeDictionary(const QString& file, bool withUser = true)
{
    ADSHANDLE admin = 0;
    const QByteArray path = file.toLocal8Bit();
    ASSERT_EQ(EngineFunction<DDCreate>("AdsDDCreate")(path.constData(), "admin", "test dictionary", &admin), 0u);
    if (withUser) {
        ASSERT_EQ(EngineFunction<DDCreateUserGroup>("AdsDDCreateUserGroup")(admin, "Readers", ""), 0u);
        ASSERT_EQ(EngineFunction<DDCreateUserGroup>("AdsDDCreateUserGroup")(admin, "Writers", ""), 0u);
        ASSERT_EQ(EngineFunction<DDCreateUser>("AdsDDCreateUser")(admin, "Readers", "ann", "pw", ""), 0u);
        ASSERT_EQ(EngineFunction<DDAddUserToGroup>("AdsDDAddUserToGroup")(admin, "Writers", "ann"), 0u);
        ASSERT_EQ(EngineFunction<DDAddProcedure>("AdsDDAddProcedure")(admin, "Archive", "lib.so", "archive", ""), 0u);
        ADSHANDLE table = 0;
        ASSERT_EQ(ace::AdsCreateTable90(admin, "people", nullptr, ADS_ADT, ADS_ANSI, 1, 1, 0, "NAME,Char,10;", 0,
                                        "", &table),
                  0u);
        ace::AdsCloseTable(table);
    }
    ace::AdsDisconnect(admin);
}

std::unique_ptr<TAdsConnection> LoggedInAsAnn(const char* alias = "Dictionary")
{
    auto connection = std::make_unique<TAdsConnection>(nullptr);
    connection->SetAliasName(alias);
    connection->OnLogin = [](TAdsConnection*, QString& user, QString& password) {
        user = "ann";
        password = "pw";
    };
    connection->Connect();
    return connection;
}

TEST(ConnectionDictionary, ADictionaryAliasLogsInWithTheGivenCredentials)
{
    Installation installation;
    MakeDictionary(installation.dictionaryFile);
    auto connection = LoggedInAsAnn();
    EXPECT_TRUE(connection->IsConnected());
    EXPECT_TRUE(connection->IsDictionaryConn());
    EXPECT_EQ(connection->Username(), "ann");
    char path[260] = {};
    UNSIGNED16 length = 259;
    ASSERT_EQ(ace::AdsGetConnectionPath(connection->Handle(), path, &length), 0u);
    EXPECT_TRUE(TAdsConnection::IsDictionaryPath(QString::fromLocal8Bit(path))) << path;

    // A wrong password is the engine's refusal, and the connection stays closed.
    TAdsConnection wrong(nullptr);
    wrong.SetAliasName("Dictionary");
    wrong.SetLoginPrompt(false);
    wrong.SetUsername("ann");
    wrong.SetPassword("nope");
    EXPECT_THROW(wrong.Connect(), EADSDatabaseError);
    EXPECT_FALSE(wrong.IsConnected());
}

TEST(ConnectionDictionary, OpeningADictionaryUpdatesTheDefaultIndexOfItsDatasets)
{
    Installation installation;
    MakeDictionary(installation.dictionaryFile);
    testsupport::TempFolder folder;
    for (bool dictionary : {true, false}) {
        TAdsConnection connection(nullptr);
        TAttachedDataSet first(nullptr, &connection), second(nullptr, &connection);
        if (dictionary) {
            connection.SetAliasName("Dictionary");
            connection.SetLoginPrompt(false);
            connection.SetUsername("ann");
            connection.SetPassword("pw");
        } else {
            connection.SetConnectPath(folder.path());
        }
        connection.Connect();
        const QStringList expected = dictionary ? QStringList({"UpdateDefaultIndex"}) : QStringList();
        EXPECT_EQ(first.asked, expected) << "dictionary " << dictionary;
        EXPECT_EQ(second.asked, expected) << "dictionary " << dictionary;
        connection.Disconnect();
    }
}

TEST(ConnectionDictionary, UserGroupsAreReadOnceAndAgainAfterReopening)
{
    Installation installation;
    MakeDictionary(installation.dictionaryFile);
    auto connection = LoggedInAsAnn();
    ace::StartCallTrace();
    QStringList groups = connection->UserGroups()->ToStringList();
    groups.sort();
    EXPECT_EQ(groups, QStringList({"Readers", "Writers"}));
    EXPECT_TRUE(connection->UserGroupsString().contains("Readers"));
    (void)connection->UserGroups();
    auto calls = ace::StopCallTrace();
    const auto asked = CallsOf(calls, "AdsDDGetUserProperty");
    ASSERT_EQ(asked.size(), 2u) << "length, then value; then kept: " << Dump(calls);
    EXPECT_EQ(asked[0].arguments.value(1), "\"ann\"");
    EXPECT_EQ(asked[0].arguments.value(2), "1102");

    connection->Disconnect();
    connection->Connect();
    ace::StartCallTrace();
    (void)connection->UserGroupsString();
    EXPECT_EQ(CallsOf(ace::StopCallTrace(), "AdsDDGetUserProperty").size(), 2u) << "read again after reopening";
}

TEST(ConnectionDictionary, VersionsProceduresAndTables)
{
    Installation installation;
    MakeDictionary(installation.dictionaryFile);
    auto connection = LoggedInAsAnn();
    EXPECT_GE(connection->DDVersionMajor(), 1);
    EXPECT_GE(connection->DDVersionMinor(), 0);

    TStringList procedures;
    connection->GetProcedureNames(&procedures);
    EXPECT_EQ(procedures.ToStringList(), QStringList({"Archive"}));

    TStringList tables;
    ace::StartCallTrace();
    connection->GetTableNames(&tables, "*.dbf");
    const auto calls = ace::StopCallTrace();
    EXPECT_EQ(CallsOf(calls, "AdsFindFirstTable")[0].arguments.value(1), "\"\"") << "a dictionary lists its own";
    EXPECT_EQ(tables.ToStringList(), QStringList({"people"}));
}

TEST(ConnectionDictionary, LinksToAnotherDictionary)
{
    Installation installation;
    MakeDictionary(installation.dictionaryFile);
    const QString otherFile = installation.Folder("other") + "/Other.add";
    MakeDictionary(otherFile, false);
    auto connection = LoggedInAsAnn();
    EXPECT_EQ(connection->GetNumActiveDDLinks(), 0);
    connection->CreateDDLink("OtherLink", otherFile, "adssys", "admin", {loAuthenticateActiveUser});
    ace::StartCallTrace();
    connection->CreateDDLink("Second", otherFile, "adssys", "admin", {loPathIsStatic});
    const auto calls = ace::StopCallTrace();
    ASSERT_EQ(Functions(calls), QStringList({"AdsDDCreateLink"})) << Dump(calls);
    EXPECT_EQ(calls[0].arguments.value(5), "4") << "a static path";
    EXPECT_THROW(connection->CreateDDLink("Global", otherFile, "adssys", "admin", {loGlobal}), EADSDatabaseError)
        << "only the administrator makes global links";
    connection->DropDDLink("Second", false);
    // Active links are those a statement or table has used; listing asks the engine.
    const int active = connection->GetNumActiveDDLinks();
    for (int i = 1; i <= active; ++i) {
        TStringList parts;
        connection->GetActiveDDLinkInfo(i, &parts);
        EXPECT_GT(parts.Count(), 0);
    }
    EXPECT_THROW(connection->DropDDLink("NoSuchLink", false), EADSDatabaseError);
}

} // namespace
