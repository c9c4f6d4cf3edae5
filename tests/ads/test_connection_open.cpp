// Opening and closing a connection: aliases through a real ads.ini, paths,
// events, the rules of the setters, failures on the way and the registry.
#include "tests/ads/test_connection_support.h"

#include "ads/adserror.h"
#include "framework/dberror.h"

using namespace connection_test;

namespace {

// The events of a connection, in the order they fire.
struct EventLog {
    QStringList fired;
    void Attach(TAdsConnection& c)
    {
        auto note = [this](const char* name) { return [this, name](TObject*) { fired << name; }; };
        c.BeforeConnect = note("BeforeConnect");
        c.AfterConnect = note("AfterConnect");
        c.OnConnect = note("OnConnect");
        c.BeforeDisconnect = note("BeforeDisconnect");
        c.AfterDisconnect = note("AfterDisconnect");
        c.OnDisconnect = note("OnDisconnect");
    }
};

bool Registered(const TAdsConnection* connection)
{
    bool found = false;
    ConnectionRegistry::Walk([&](TAdsConnection& c) {
        found = &c == connection;
        return !found;
    });
    return found;
}

TEST(ConnectionOpen, OpensAndClosesAFolderWithEventsInOrder)
{
    testsupport::TempFolder folder;
    EventLog log;
    TAdsConnection connection(nullptr);
    log.Attach(connection);
    connection.SetConnectPath(folder.path());
    ace::StartCallTrace();
    connection.SetIsConnected(true);
    connection.SetIsConnected(true);  // already open: nothing
    EXPECT_TRUE(connection.IsConnected());
    EXPECT_NE(connection.ConnectionHandle(), 0u);
    EXPECT_EQ(connection.ConnectionHandle(), connection.Handle());
    const uint32_t handle = connection.Handle();
    connection.SetIsConnected(false);
    connection.SetIsConnected(false);  // already closed: nothing
    const auto calls = ace::StopCallTrace();
    EXPECT_EQ(Functions(calls), QStringList({"AdsConnect101", "AdsDisconnect"})) << Dump(calls);
    EXPECT_EQ(calls[1].arguments.value(0), QString::number(handle));
    EXPECT_EQ(log.fired, QStringList({"BeforeConnect", "AfterConnect", "OnConnect", "BeforeDisconnect",
                                      "AfterDisconnect", "OnDisconnect"}));
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_EQ(connection.ConnectionHandle(), 0u);
    EXPECT_EQ(connection.Handle(), 0u);
}

TEST(ConnectionOpen, AliasesResolveThroughTheConfigurationFile)
{
    Installation installation;
    struct Case {
        const char* alias;
        QString withDD, path;
        TAdsConnectionTableTypes type;
        bool dictionary;
    } cases[] = {
        {"Plain", installation.data, installation.data, ttAdsConnectUnspecified, false},
        {"ntx", installation.ntx, installation.ntx, ttAdsConnectNTX, false},  // alias names ignore case
        {"Adt", installation.adt, installation.adt, ttAdsConnectADT, false},
        {"Dictionary", installation.dictionaryFile, installation.tmp.file("dict"), ttAdsConnectUnspecified, true},
    };
    for (const Case& c : cases) {
        TAdsConnection connection(nullptr);
        connection.SetAliasName(c.alias);
        EXPECT_EQ(connection.AliasName(), c.alias);
        EXPECT_EQ(connection.ConnectPath(), "") << c.alias;
        EXPECT_EQ(connection.GetConnectionWithDDPath(), c.withDD) << c.alias;
        EXPECT_EQ(connection.GetConnectionPath(), c.path) << c.alias;
        EXPECT_EQ(connection.GetAdsTableType(), c.type) << c.alias;
        EXPECT_EQ(connection.IsDictionaryConn(), c.dictionary) << c.alias;
        EXPECT_FALSE(connection.IsConnected()) << "assigning an alias opens nothing";
    }
    // A free-table alias opens on the real engine.
    TAdsConnection connection(nullptr);
    connection.SetAliasName("Ntx");
    connection.Connect();
    EXPECT_TRUE(connection.IsConnected());
}

TEST(ConnectionOpen, AnUnresolvedAliasFailsOnlyAtOpening)
{
    Installation installation;
    EventLog log;  // outlives the connection, whose destruction fires OnDisconnect
    TAdsConnection connection(nullptr);
    connection.SetConnectPath(installation.data);
    connection.SetAliasName("Nowhere");  // stored without error
    EXPECT_EQ(connection.AliasName(), "Nowhere");
    EXPECT_EQ(connection.ConnectPath(), installation.data) << "an alias that does not resolve leaves the path";
    log.Attach(connection);
    ace::StartCallTrace();
    ExpectRaises<AdsConnectionError>([&] { connection.Connect(); }, "TAdsConnection.AliasName is not valid");
    EXPECT_TRUE(CallsOf(ace::StopCallTrace(), "AdsConnect101").empty());
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_EQ(log.fired, QStringList({"BeforeConnect"}));

    // The alias is looked up again at the next opening: once ads.ini has it, it opens.
    installation.tmp.write("ads.ini", "[Databases]\nNowhere=" + installation.ntx.toLocal8Bit() + ";N\n");
    connection.Connect();
    EXPECT_TRUE(connection.IsConnected());
    EXPECT_EQ(connection.GetConnectionWithDDPath(), installation.ntx);
    EXPECT_EQ(connection.GetAdsTableType(), ttAdsConnectNTX);
}

TEST(ConnectionOpen, PathAndAliasReplaceEachOther)
{
    Installation installation;
    TAdsConnection connection(nullptr);
    connection.SetAliasName("Dictionary");
    connection.SetConnectPath(installation.data);
    EXPECT_EQ(connection.AliasName(), "") << "a path clears the alias";
    EXPECT_FALSE(connection.IsDictionaryConn());
    EXPECT_EQ(connection.GetAdsTableType(), ttAdsConnectUnspecified);
    EXPECT_EQ(connection.GetConnectionWithDDPath(), installation.data);

    connection.SetAliasName("");  // an empty alias keeps the path
    EXPECT_EQ(connection.ConnectPath(), installation.data);

    connection.SetAliasName("Ntx");  // a resolved alias clears the path
    EXPECT_EQ(connection.ConnectPath(), "");
    EXPECT_EQ(connection.GetConnectionWithDDPath(), installation.ntx);
    connection.SetAliasName("");
    EXPECT_EQ(connection.GetConnectionWithDDPath(), "");
    EXPECT_EQ(connection.GetAdsTableType(), ttAdsConnectUnspecified);
}

TEST(ConnectionOpen, DictionaryPathsAndTheirFolders)
{
    struct Case {
        QString path;
        bool dictionary;
        QString folder;
    } cases[] = {
        {"/db/main.add", true, "/db"},
        {"/db/MAIN.Add", true, "/db"},
        {"C:\\Data\\Base.ADD", true, "C:\\Data"},
        {"Base.add", true, QStringLiteral(".") + PathDelim},
        {"/db/sub/__rootdd", true, "/db/sub/__rootdd"},  // a dictionary, but no file name to cut
        {"/db/main.adt", false, "/db/main.adt"},
        {"/db/", false, "/db/"},
        {".add", true, ".add"},  // too short to hold a file name
    };
    for (const Case& c : cases) {
        TAdsConnection connection(nullptr);
        connection.SetConnectPath(c.path);
        EXPECT_EQ(connection.IsDictionaryConn(), c.dictionary) << c.path.toStdString();
        EXPECT_EQ(TAdsConnection::IsDictionaryPath(c.path), c.dictionary) << c.path.toStdString();
        EXPECT_EQ(connection.GetConnectionPath(), c.folder) << c.path.toStdString();
        EXPECT_EQ(connection.GetConnectionWithDDPath(), c.path) << c.path.toStdString();
    }
}

TEST(ConnectionOpen, WithoutPathOrAliasItRefusesToOpen)
{
    TAdsConnection connection(nullptr);
    ExpectRaises<AdsConnectionError>([&] { connection.Connect(); },
                                     "Must specify connection string before getting a server connection.");
    EXPECT_FALSE(connection.IsConnected());
}

TEST(ConnectionOpen, AnEngineRefusalLeavesItClosed)
{
    testsupport::TempFolder folder;
    TAdsConnection connection(nullptr);
    connection.SetConnectPath(folder.file("missing/folder"));
    EventLog log;
    log.Attach(connection);
    EXPECT_THROW(connection.Connect(), EADSDatabaseError);
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_EQ(connection.Handle(), 0u);
    EXPECT_EQ(log.fired, QStringList({"BeforeConnect"}));
}

TEST(ConnectionOpen, SettersThatRefuseAnOpenConnection)
{
    testsupport::TempFolder folder;
    auto connection = OpenOn(folder.path());
    struct Case {
        std::function<void()> assign;
        QString message;
    } cases[] = {
        {[&] { connection->SetAliasName("Other"); },
         "The TAdsConnection.AliasName may not be changed when IsConnected is TRUE"},
        {[&] { connection->SetConnectPath("/elsewhere"); },
         "The TAdsConnection.ConnectPath may not be changed when IsConnected is TRUE"},
        {[&] { connection->SetExtraConnectString("A=1;"); },
         "The TAdsConnection.ExtraConnectString may not be changed when IsConnected is TRUE"},
        {[&] { connection->SetDateFormat(""); },
         "The TAdsConnection.DateFormat may not be set to an empty string when IsConnected is TRUE"},
        {[&] { connection->EncryptionOptions()->SetDataDictionaryPassword("x"); },
         "Connection cannot be active when changing property."},
        {[&] { connection->EncryptionOptions()->SetTLSCertificate("x"); },
         "Connection cannot be active when changing property."},
        {[&] { connection->EncryptionOptions()->SetTLSCipherSuite({tlsRC4MD5}); },
         "Connection cannot be active when changing property."},
        {[&] { connection->EncryptionOptions()->SetTLSCommonName("x"); },
         "Connection cannot be active when changing property."},
        {[&] { connection->EncryptionOptions()->SetFIPSMode(true); },
         "Connection cannot be active when changing property."},
        {[&] { connection->EncryptionOptions()->SetDataEncryptionType(etAdsRC4); },
         "Connection cannot be active when changing property."},
    };
    const QString before = connection->ConnectString();
    for (const Case& c : cases)
        ExpectRaises<AdsConnectionError>(c.assign, c.message);
    EXPECT_EQ(connection->ConnectString(), before) << "a refused assignment changes nothing";
    EXPECT_EQ(connection->ConnectPath(), folder.path());
    EXPECT_TRUE(connection->IsConnected());
}

TEST(ConnectionOpen, DateFormatIsTriedOnTheEngine)
{
    testsupport::TempFolder folder;
    TAdsConnection connection(nullptr);
    connection.SetConnectPath(folder.path());

    char before[13] = {};
    UNSIGNED16 length = 12;
    ASSERT_EQ(ace::AdsGetDateFormat(before, &length), 0u);
    ExpectRaises<AdsConnectionError>([&] { connection.SetDateFormat("QQQQ"); }, "Unrecognized DateFormat String");
    EXPECT_EQ(connection.DateFormat(), "") << "a refused format is not stored";
    connection.SetDateFormat("DD.MM.CCYY");
    EXPECT_EQ(connection.DateFormat(), "DD.MM.CCYY");
    char after[13] = {};
    length = 12;
    ASSERT_EQ(ace::AdsGetDateFormat(after, &length), 0u);
    EXPECT_STREQ(after, before) << "trying a format leaves the engine's own as it was";

    connection.Connect();
    ace::StartCallTrace();
    connection.SetDateFormat("CCYY/MM/DD");
    const auto calls = ace::StopCallTrace();
    ASSERT_EQ(Functions(calls), QStringList({"AdsSetDateFormat60"})) << Dump(calls);
    EXPECT_EQ(calls[0].arguments.value(1), "\"CCYY/MM/DD\"");
    EXPECT_EQ(connection.DateFormat(), "CCYY/MM/DD");
    EXPECT_THROW(connection.SetDateFormat("QQQQ"), EADSDatabaseError);
    EXPECT_EQ(connection.DateFormat(), "CCYY/MM/DD");
}

TEST(ConnectionOpen, SqlTimeoutReachesAnOpenConnection)
{
    testsupport::TempFolder folder;
    TAdsConnection connection(nullptr);
    connection.SetConnectPath(folder.path());
    ace::StartCallTrace();
    connection.SetSQLTimeout(12);  // closed: only stored
    connection.Connect();
    connection.SetSQLTimeout(34);
    const auto calls = ace::StopCallTrace();
    const auto timeouts = CallsOf(calls, "AdsSetSQLTimeout");
    ASSERT_EQ(timeouts.size(), 1u) << Dump(calls);
    EXPECT_EQ(timeouts[0].arguments, QStringList({QString::number(connection.Handle()), "34"}));
    EXPECT_TRUE(CallsOf(calls, "AdsConnect101")[0].arguments.value(0).contains("SQLTimeout=12;"));
}

// The engine connection is taken away behind the component's back, so that
// its AdsDisconnect fails.
uint32_t TakeAwayEngineConnection(TAdsConnection& connection)
{
    const uint32_t handle = connection.Handle();
    EXPECT_EQ(ace::AdsDisconnect(handle), 0u);
    return handle;
}

TEST(ConnectionOpen, AFailedDisconnectStillClosesTheComponent)
{
    testsupport::TempFolder folder;
    EventLog log;
    auto connection = OpenOn(folder.path());
    log.Attach(*connection);
    TakeAwayEngineConnection(*connection);
    try {
        connection->Disconnect();
        ADD_FAILURE() << "the failed disconnect was not reported";
    } catch (const AdsError& error) {
        EXPECT_FALSE(error.Message().isEmpty()) << "the engine's text is carried";
    }
    EXPECT_FALSE(connection->IsConnected());
    EXPECT_EQ(connection->Handle(), 0u);
    EXPECT_EQ(log.fired, QStringList({"BeforeDisconnect", "AfterDisconnect", "OnDisconnect"}));
    connection->Connect();  // and it opens again
    EXPECT_TRUE(connection->IsConnected());
}

TEST(ConnectionOpen, RegistryHoldsEveryLiveConnection)
{
    testsupport::TempFolder folder;
    auto first = std::make_unique<TAdsConnection>(nullptr);
    auto second = OpenOn(folder.path());
    EXPECT_TRUE(Registered(first.get()));
    EXPECT_TRUE(Registered(second.get()));
    const TAdsConnection* gone = second.get();
    TakeAwayEngineConnection(*second);
    second.reset();  // destruction meets a failing disconnect
    EXPECT_FALSE(Registered(gone));
    EXPECT_TRUE(Registered(first.get()));
    EXPECT_EQ(first->ConnectionThreadID(), std::this_thread::get_id());

    // An owner destroys its connections with itself; they leave the registry.
    auto owner = std::make_unique<TComponent>(nullptr);
    owner->SetName("Form1");
    auto* owned = new TAdsConnection(owner.get());
    owned->SetConnectPath(folder.path());
    owned->Connect();
    const uint32_t handle = owned->Handle();
    owner.reset();
    EXPECT_FALSE(Registered(owned));
    UNSIGNED16 alive = 0;
    EXPECT_NE(ace::AdsIsConnectionAlive(handle, &alive), 0u) << "destruction disconnected the engine connection";
}

TEST(ConnectionOpen, LoginPromptConcernsDictionariesOnly)
{
    testsupport::TempFolder folder;
    int asked = 0;
    TAdsConnection connection(nullptr);
    connection.OnLogin = [&](TAdsConnection*, QString&, QString&) { ++asked; };
    SetLoginDialog([&](const QString&, QString&, QString&) {
        ++asked;
        return false;
    });
    connection.SetConnectPath(folder.path());
    connection.Connect();
    SetLoginDialog(nullptr);
    EXPECT_EQ(asked, 0) << "a free-table connection asks nobody";
    EXPECT_TRUE(connection.IsConnected());
}

TEST(ConnectionOpen, OnLoginGivesTheCredentialsOfADictionaryConnection)
{
    testsupport::TempFolder folder;
    TAdsConnection connection(nullptr);
    connection.SetName("Dict");
    connection.SetConnectPath(folder.file("Base.add"));
    connection.SetUsername("stored");
    connection.SetPassword("storedpw");
    QString seenUser = "?", seenPassword = "?";
    TAdsConnection* seenConnection = nullptr;
    connection.OnLogin = [&](TAdsConnection* c, QString& user, QString& password) {
        seenConnection = c;
        seenUser = user;
        seenPassword = password;
        user = "typed";
        password = "typedpw";
    };
    ace::StartCallTrace();
    try {
        connection.Connect();  // the dictionary file does not exist; what was sent counts
    } catch (const EADSDatabaseError&) {
    }
    const auto connects = CallsOf(ace::StopCallTrace(), "AdsConnect101");
    EXPECT_EQ(seenConnection, &connection);
    EXPECT_EQ(seenUser, "") << "the handler starts from empty values";
    EXPECT_EQ(seenPassword, "");
    ASSERT_EQ(connects.size(), 1u);
    EXPECT_TRUE(connects[0].arguments.value(0).contains("User ID=typed;Password=\"typedpw\";"))
        << connects[0].Text().toStdString();
    EXPECT_EQ(connection.Username(), "typed");
    EXPECT_EQ(connection.Password(), "typedpw");
}

TEST(ConnectionOpen, ACancelledLoginDialogRefusesTheConnection)
{
    testsupport::TempFolder folder;
    TAdsConnection connection(nullptr);
    connection.SetName("AdsConnectionActive");
    connection.SetConnectPath(folder.file("Base.ADD"));
    connection.SetUsername("adssys");
    connection.SetPassword("kept");
    QString shownDatabase, shownUser, shownPassword = "?";
    SetLoginDialog([&](const QString& database, QString& user, QString& password) {
        shownDatabase = database;
        shownUser = user;
        shownPassword = password;
        return false;
    });
    EventLog log;
    log.Attach(connection);
    ace::StartCallTrace();
    ExpectRaises<EDatabaseError>([&] { connection.Connect(); },
                                 "Cannot connect to database 'AdsConnectionActive'");
    const auto calls = ace::StopCallTrace();
    SetLoginDialog(nullptr);
    EXPECT_TRUE(CallsOf(calls, "AdsConnect101").empty()) << Dump(calls);
    EXPECT_EQ(shownDatabase, "AdsConnectionActive");
    EXPECT_EQ(shownUser, "adssys") << "the dialog proposes the stored user name";
    EXPECT_EQ(shownPassword, "") << "and an empty password";
    EXPECT_EQ(connection.Password(), "kept");
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_EQ(log.fired, QStringList({"BeforeConnect"}));
}

TEST(ConnectionOpen, AnAcceptedLoginDialogGivesUserAndPassword)
{
    testsupport::TempFolder folder;
    struct Case {
        bool designing;
        QString passwordAfter;
    } cases[] = {{false, "fromdialog"}, {true, "stored"}};
    for (const Case& c : cases) {
        TAdsConnection connection(nullptr);
        connection.SetConnectPath(folder.file("Base.add"));
        connection.SetPassword("stored");
        connection.SetDesigning(c.designing);
        SetLoginDialog([](const QString&, QString& user, QString& password) {
            user = "dialoguser";
            password = "fromdialog";
            return true;
        });
        ace::StartCallTrace();
        try {
            connection.Connect();
        } catch (const EADSDatabaseError&) {
        }
        const auto connects = CallsOf(ace::StopCallTrace(), "AdsConnect101");
        SetLoginDialog(nullptr);
        ASSERT_EQ(connects.size(), 1u);
        EXPECT_TRUE(connects[0].arguments.value(0).contains("User ID=dialoguser;Password=\"fromdialog\";"));
        EXPECT_EQ(connection.Username(), "dialoguser");
        EXPECT_EQ(connection.Password(), c.passwordAfter) << "designing " << c.designing;
    }
}

TEST(ConnectionOpen, WithoutLoginPromptOrDialogTheStoredCredentialsGo)
{
    testsupport::TempFolder folder;
    struct Case {
        bool loginPrompt;
    } cases[] = {{false}, {true}};
    for (const Case& c : cases) {
        TAdsConnection connection(nullptr);
        connection.SetConnectPath(folder.file("Base.add"));
        connection.SetLoginPrompt(c.loginPrompt);
        connection.SetUsername("u");
        connection.SetPassword("p");
        ace::StartCallTrace();
        try {
            connection.Connect();
        } catch (const EADSDatabaseError&) {
        }
        const auto connects = CallsOf(ace::StopCallTrace(), "AdsConnect101");
        ASSERT_EQ(connects.size(), 1u);
        EXPECT_TRUE(connects[0].arguments.value(0).contains("User ID=u;Password=\"p\";")) << c.loginPrompt;
    }
}

} // namespace
