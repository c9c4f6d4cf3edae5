// The connection string a connection sends, piece by piece, and that the
// engine accepts it.
#include "tests/ads/test_connection_support.h"

#include "ads/adserror.h"

using namespace connection_test;

namespace {

struct StringCase {
    const char* name;
    std::function<void(TAdsConnection&)> set;
    QString tail;  // what follows "Data Source=<folder>;"
};

class ConnectStringCases : public ::testing::TestWithParam<StringCase> {};

TEST_P(ConnectStringCases, EachOptionAddsItsPieceInItsPlace)
{
    testsupport::TempFolder folder;
    TAdsConnection connection(nullptr);
    connection.SetConnectPath(folder.path());
    GetParam().set(connection);
    EXPECT_EQ(connection.ConnectString(), "Data Source=" + folder.path() + ";" + GetParam().tail);
}

const StringCase kStringCases[] = {
    {"Defaults", [](TAdsConnection&) {}, "FIPS=False;"},
    {"Fips", [](TAdsConnection& c) { c.EncryptionOptions()->SetFIPSMode(true); }, "FIPS=True;"},
    {"DictionaryPassword", [](TAdsConnection& c) { c.EncryptionOptions()->SetDataDictionaryPassword("s3cret"); },
     "FIPS=False;DDPassword=s3cret;"},
    {"Aes128", [](TAdsConnection& c) { c.EncryptionOptions()->SetDataEncryptionType(etAdsAES128); },
     "FIPS=False;EncryptionType=AES128;"},
    {"Aes256", [](TAdsConnection& c) { c.EncryptionOptions()->SetDataEncryptionType(etAdsAES256); },
     "FIPS=False;EncryptionType=AES256;"},
    {"Rc4", [](TAdsConnection& c) { c.EncryptionOptions()->SetDataEncryptionType(etAdsRC4); },
     "FIPS=False;EncryptionType=RC4;"},
    {"Certificate", [](TAdsConnection& c) { c.EncryptionOptions()->SetTLSCertificate("/etc/cert.pem"); },
     "FIPS=False;TLSCertificate=/etc/cert.pem;"},
    {"CommonName", [](TAdsConnection& c) { c.EncryptionOptions()->SetTLSCommonName("db.example"); },
     "FIPS=False;TLSCommonName=db.example;"},
    {"OneCipher", [](TAdsConnection& c) { c.EncryptionOptions()->SetTLSCipherSuite({tlsRC4MD5}); },
     "FIPS=False;TLSCiphers=RC4-MD5;"},
    {"AllCiphersInFixedOrder",
     [](TAdsConnection& c) { c.EncryptionOptions()->SetTLSCipherSuite({tlsRC4MD5, tlsAES256SHA, tlsAES128SHA}); },
     "FIPS=False;TLSCiphers=AES128-SHA:AES256-SHA:RC4-MD5;"},
    {"CommUdp", [](TAdsConnection& c) { c.SetCommunicationType(ctAdsUDPIP); }, "FIPS=False;CommType=UDP_IP;"},
    {"CommIpx", [](TAdsConnection& c) { c.SetCommunicationType(ctAdsIPX); }, "FIPS=False;CommType=IPX;"},
    {"CommTcp", [](TAdsConnection& c) { c.SetCommunicationType(ctAdsTCPIP); }, "FIPS=False;CommType=TCP_IP;"},
    {"CommTls", [](TAdsConnection& c) { c.SetCommunicationType(ctAdsTLS); }, "FIPS=False;CommType=TLS;"},
    {"CompressInternet", [](TAdsConnection& c) { c.SetCompression(ccAdsCompressInternet); },
     "FIPS=False;Compression=INTERNET;"},
    {"CompressAlways", [](TAdsConnection& c) { c.SetCompression(ccAdsCompressAlways); },
     "FIPS=False;Compression=ALWAYS;"},
    {"CompressNever", [](TAdsConnection& c) { c.SetCompression(ccAdsCompressNever); },
     "FIPS=False;Compression=NEVER;"},
    {"SqlTimeout", [](TAdsConnection& c) { c.SetSQLTimeout(90); }, "FIPS=False;SQLTimeout=90;"},
    {"MiddleTier", [](TAdsConnection& c) { c.SetMiddleTierConnection(true); },
     "FIPS=False;IncrementUserCount=TRUE;"},
    {"StoredProcedure", [](TAdsConnection& c) { c.SetStoredProcedureConnection(true); },
     "FIPS=False;StoredProcedureConnection=TRUE;"},
    {"ServerLocal", [](TAdsConnection& c) { c.SetAdsServerTypes({stADS_LOCAL}); }, "FIPS=False;ServerType=LOCAL;"},
    {"ServerRemoteAndLocal", [](TAdsConnection& c) { c.SetAdsServerTypes({stADS_REMOTE, stADS_LOCAL}); },
     "FIPS=False;ServerType=LOCAL|REMOTE;"},
    {"ServerAll", [](TAdsConnection& c) { c.SetAdsServerTypes({stADS_AIS, stADS_REMOTE, stADS_LOCAL}); },
     "FIPS=False;ServerType=LOCAL|REMOTE|INTERNET;"},
    {"DateFormat", [](TAdsConnection& c) { c.SetDateFormat("DD/MM/CCYY"); }, "FIPS=False;DateFormat=DD/MM/CCYY;"},
    {"Extra", [](TAdsConnection& c) { c.SetExtraConnectString("Custom=1;"); }, "FIPS=False;Custom=1;"},
    {"FreeTablesNeverSendCredentials",
     [](TAdsConnection& c) {
         c.SetUsername("adssys");
         c.SetPassword("pw");
     },
     "FIPS=False;"},
    {"EverythingInOrder",
     [](TAdsConnection& c) {
         c.SetExtraConnectString("X=1;");
         c.SetDateFormat("YYYY-MM-DD");
         c.SetAdsServerTypes({stADS_LOCAL});
         c.SetStoredProcedureConnection(true);
         c.SetMiddleTierConnection(true);
         c.SetSQLTimeout(5);
         c.SetCompression(ccAdsCompressNever);
         c.SetCommunicationType(ctAdsTCPIP);
         c.EncryptionOptions()->SetTLSCipherSuite({tlsAES128SHA});
         c.EncryptionOptions()->SetTLSCommonName("cn");
         c.EncryptionOptions()->SetTLSCertificate("cert");
         c.EncryptionOptions()->SetDataEncryptionType(etAdsAES256);
         c.EncryptionOptions()->SetDataDictionaryPassword("dd");
         c.EncryptionOptions()->SetFIPSMode(true);
     },
     "FIPS=True;DDPassword=dd;EncryptionType=AES256;TLSCertificate=cert;TLSCommonName=cn;TLSCiphers=AES128-SHA;"
     "CommType=TCP_IP;Compression=NEVER;SQLTimeout=5;IncrementUserCount=TRUE;StoredProcedureConnection=TRUE;"
     "ServerType=LOCAL;DateFormat=YYYY-MM-DD;X=1;"},
};

INSTANTIATE_TEST_SUITE_P(ConnectString, ConnectStringCases, ::testing::ValuesIn(kStringCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ConnectString, DictionaryWithUserAndPasswordSendsBothInTheirPlace)
{
    TAdsConnection connection(nullptr);
    connection.SetConnectPath("/db/Main.ADD");
    connection.SetUsername("adssys");
    connection.SetAdsServerTypes({stADS_REMOTE, stADS_LOCAL});
    EXPECT_EQ(connection.ConnectString(), "Data Source=/db/Main.ADD;User ID=adssys;FIPS=False;ServerType=LOCAL|REMOTE;");
    connection.SetPassword("pa;ss");
    EXPECT_EQ(connection.ConnectString(),
              "Data Source=/db/Main.ADD;User ID=adssys;Password=\"pa;ss\";FIPS=False;ServerType=LOCAL|REMOTE;");
    // A quote inside the password is doubled, so it cannot end the value.
    connection.SetPassword("a\"b");
    EXPECT_EQ(connection.ConnectString(),
              "Data Source=/db/Main.ADD;User ID=adssys;Password=\"a\"\"b\";FIPS=False;ServerType=LOCAL|REMOTE;");
    // A password without a user name is not sent either.
    connection.SetUsername("");
    EXPECT_EQ(connection.ConnectString(), "Data Source=/db/Main.ADD;FIPS=False;ServerType=LOCAL|REMOTE;");
}

TEST(ConnectString, DataSourceIsCutAt255Characters)
{
    TAdsConnection connection(nullptr);
    const QString longPath = "/" + QString(300, QLatin1Char('p'));
    connection.SetConnectPath(longPath);
    EXPECT_EQ(connection.ConnectString(), "Data Source=" + longPath.left(255) + ";FIPS=False;");
}

TEST(ConnectString, AliasTableTypeAddsItsPiece)
{
    Installation installation;
    struct Case {
        const char* alias;
        QString path;
        QString tail;
    } cases[] = {
        {"Plain", installation.data, "FIPS=False;"},
        {"Ntx", installation.ntx, "FIPS=False;TableType=NTX;"},
        {"Adt", installation.adt, "FIPS=False;TableType=ADT;"},
    };
    for (const Case& c : cases) {
        TAdsConnection connection(nullptr);
        connection.SetAliasName(c.alias);
        EXPECT_EQ(connection.ConnectString(), "Data Source=" + c.path + ";" + c.tail) << c.alias;
    }
}

// What the engine receives is the string, in the system code page, and the
// engine opens a connection with it.
TEST(ConnectString, TheEngineReceivesAndAcceptsIt)
{
    testsupport::TempFolder folder;
    TAdsConnection connection(nullptr);
    connection.SetConnectPath(folder.path());
    connection.SetAdsServerTypes({stADS_REMOTE, stADS_LOCAL});
    connection.SetSQLTimeout(30);
    connection.SetCommunicationType(ctAdsTCPIP);
    connection.SetCompression(ccAdsCompressInternet);
    connection.SetStoredProcedureConnection(true);
    connection.SetDateFormat("MM/DD/CCYY");
    connection.EncryptionOptions()->SetTLSCipherSuite({tlsAES256SHA, tlsRC4MD5});
    ace::StartCallTrace();
    connection.Connect();
    const auto calls = ace::StopCallTrace();
    const auto connects = CallsOf(calls, "AdsConnect101");
    ASSERT_EQ(connects.size(), 1u) << Dump(calls);
    EXPECT_EQ(connects[0].arguments.value(0), '"' + connection.ConnectString() + '"');
    EXPECT_EQ(connects[0].arguments.value(1), "null");
    EXPECT_EQ(connects[0].result, 0u);
    EXPECT_NE(connection.ConnectionHandle(), 0u);
    connection.Disconnect();
}

} // namespace
