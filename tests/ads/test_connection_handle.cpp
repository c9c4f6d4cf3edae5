// Taking over an engine handle opened elsewhere, and what a connection tells
// of its server and user.
#include "tests/ads/test_connection_support.h"

#include "ads/adserror.h"
#include "platform/codepages.h"

using namespace connection_test;

namespace {

// An engine connection opened directly, as other code would.
class ForeignHandle {
public:
    explicit ForeignHandle(const QString& connectString)
    {
        EXPECT_EQ(ace::AdsConnect101(StringToAnsi(connectString).constData(), nullptr, &handle), 0u)
            << connectString.toStdString();
    }
    ~ForeignHandle()
    {
        if (Alive())
            ace::AdsDisconnect(handle);
    }
    bool Alive() const
    {
        UNSIGNED16 alive = 0;
        return ace::AdsIsConnectionAlive(handle, &alive) == 0 && alive != 0;
    }
    ADSHANDLE handle = 0;
};

TEST(ConnectionHandle, CreateWithHandleSharesTheHandleUntilClearHandle)
{
    testsupport::TempFolder folder;
    ForeignHandle foreign("Data Source=" + folder.path() + ";ServerType=LOCAL;");
    std::unique_ptr<TAdsConnection> connection(TAdsConnection::CreateWithHandle(nullptr, foreign.handle));
    EXPECT_TRUE(connection->IsConnected());
    EXPECT_EQ(connection->Handle(), foreign.handle) << "the very handle";
    EXPECT_EQ(connection->ConnectPath(), folder.path());
    EXPECT_EQ(connection->AdsServerTypes(), TAdsServerTypes({stADS_LOCAL}));

    ace::StartCallTrace();
    connection->Disconnect();
    EXPECT_TRUE(CallsOf(ace::StopCallTrace(), "AdsDisconnect").empty());
    EXPECT_TRUE(foreign.Alive()) << "closing leaves a shared handle open";
    connection->Connect();
    EXPECT_EQ(connection->Handle(), foreign.handle) << "and opening takes it again";

    connection->ClearHandle();
    connection->Disconnect();
    EXPECT_FALSE(foreign.Alive()) << "after ClearHandle, closing disconnects it";
}

TEST(ConnectionHandle, CreateFromHandleOpensATwinWithItsSettings)
{
    testsupport::TempFolder folder;
    ForeignHandle foreign("Data Source=" + folder.path() + ";User ID=adssys;Password=\"pw\";FIPS=True;"
                          "TLSCiphers=aes256-sha:rc4-md5;TLSCommonName=cn;TLSCertificate=cert.pem;"
                          "EncryptionType=aes128;CommType=TCP_IP;");
    auto owner = std::make_unique<TComponent>(nullptr);
    owner->SetName("Form1");
    TAdsConnection* twin = TAdsConnection::CreateFromHandle(owner.get(), foreign.handle, "Twin");
    EXPECT_EQ(twin->Owner(), owner.get());
    EXPECT_EQ(twin->Name(), "Twin");
    EXPECT_TRUE(twin->IsConnected());
    EXPECT_NE(twin->Handle(), foreign.handle) << "a connection of its own";
    EXPECT_FALSE(twin->LoginPrompt());
    EXPECT_EQ(twin->Username(), "adssys");
    EXPECT_EQ(twin->Password(), "pw");
    const TAdsEncryptionOptions& options = *twin->EncryptionOptions();
    EXPECT_TRUE(options.FIPSMode());
    EXPECT_EQ(options.TLSCipherSuite(), TAdsTLSCipherSuites({tlsAES256SHA, tlsRC4MD5}));
    EXPECT_EQ(options.TLSCommonName(), "cn");
    EXPECT_EQ(options.TLSCertificate(), "cert.pem");
    EXPECT_EQ(options.DataEncryptionType(), etAdsAES128);
    EXPECT_EQ(twin->CommunicationType(), ctAdsTCPIP);
    char path[260] = {};
    UNSIGNED16 length = 259;
    ASSERT_EQ(ace::AdsGetConnectionPath(twin->Handle(), path, &length), 0u);
    EXPECT_EQ(QString::fromLocal8Bit(path), folder.path());

    const uint32_t twinHandle = twin->Handle();
    owner.reset();  // the twin goes with its owner and disconnects its own handle only
    UNSIGNED16 alive = 0;
    EXPECT_NE(ace::AdsIsConnectionAlive(twinHandle, &alive), 0u);
    EXPECT_TRUE(foreign.Alive());
}

TEST(ConnectionHandle, SetHandleRefusals)
{
    testsupport::TempFolder folder;
    ForeignHandle foreign("Data Source=" + folder.path() + ";");
    auto open = OpenOn(folder.path());
    ExpectRaises<AdsConnectionError>([&] { open->SetHandle(foreign.handle, true); },
                                     "TAdsConnection already has a working connection");

    TAdsConnection closed(nullptr);
    ExpectRaises<AdsConnectionError>(
        [&] { closed.SetHandle(0x0BADF00D, true); },
        "TAdsConnection cannot resolve the connection path from the given connection handle.");
    EXPECT_FALSE(closed.IsConnected());

    const size_t before = size_t(ConnectionRegistry::Count());
    EXPECT_THROW(TAdsConnection::CreateWithHandle(nullptr, 0x0BADF00D), AdsConnectionError);
    EXPECT_EQ(size_t(ConnectionRegistry::Count()), before) << "a failed construction leaves nothing behind";
}

TEST(ConnectionHandle, ServerInformationOfAnOpenAndAClosedConnection)
{
    testsupport::TempFolder folder;
    TAdsConnection connection(nullptr);
    connection.SetConnectPath(folder.path());
    ace::StartCallTrace();
    ExpectRaises<AdsConnectionError>([&] { (void)connection.ServerName(); },
                                     "Must be connected to get database server name.");
    EXPECT_EQ(connection.ConnectionType(), "");
    EXPECT_FALSE(connection.IsConnectionAlive());
    EXPECT_EQ(connection.DDVersionMajor(), 0);
    EXPECT_EQ(connection.DDVersionMinor(), 0);
    EXPECT_EQ(connection.UserGroups()->Count(), 0);
    EXPECT_EQ(connection.UserGroupsString(), "");
    EXPECT_TRUE(ace::StopCallTrace().empty()) << "a closed connection asks the engine nothing";
    connection.SetDesigning(true);
    EXPECT_EQ(connection.ServerName(), "") << "the designer reads it empty";
    connection.SetDesigning(false);

    connection.Connect();
    EXPECT_FALSE(connection.ServerName().isEmpty());
    EXPECT_EQ(connection.ConnectionType(), "Local");
    EXPECT_TRUE(connection.IsConnectionAlive());
    ace::StartCallTrace();
    EXPECT_EQ(connection.DDVersionMajor(), 0) << "not a dictionary";
    EXPECT_EQ(connection.UserGroups()->Count(), 0);
    EXPECT_TRUE(ace::StopCallTrace().empty()) << "a free-table connection has no dictionary to ask";

    // The engine connection gone: the information calls report it.
    ace::AdsDisconnect(connection.Handle());
    EXPECT_THROW((void)connection.ServerName(), AdsError);
    EXPECT_THROW((void)connection.ConnectionType(), AdsError);
    EXPECT_THROW((void)connection.IsConnectionAlive(), AdsError);
    EXPECT_THROW(connection.Disconnect(), AdsError);
}

} // namespace
