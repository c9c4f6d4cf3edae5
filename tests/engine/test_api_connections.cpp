// Connections on folders of free tables, the connection string, handle
// validation and the date settings, through the C interface.
#include "tests/engine/test_api_support.h"

#include <QDir>

#include <algorithm>
#include <set>
#include <thread>
#include <vector>

using namespace apitest;

namespace {

std::string ConnectionPath(ADSHANDLE connection)
{
    char path[260] = {};
    UNSIGNED16 length = 259;
    EXPECT_EQ(AdsGetConnectionPath(connection, path, &length), AE_SUCCESS) << LastError().text;
    return std::string(path, length);
}

TEST(ApiConnections, ConnectsOnAFolderAndReportsItsPathAndType)
{
    testsupport::TempFolder folder;
    std::string path = folder.path().toStdString();
    ADSHANDLE connection = 0;
    ASSERT_ADS_OK(AdsConnect(path.c_str(), &connection));
    EXPECT_NE(connection, 0u);
    EXPECT_NE(connection, 0xFFFFFFFFu);
    EXPECT_EQ(ConnectionPath(connection), path);

    UNSIGNED16 type = 0, alive = 0;
    EXPECT_ADS_OK(AdsGetConnectionType(connection, &type));
    EXPECT_EQ(type, ADS_LOCAL_SERVER);
    EXPECT_ADS_OK(AdsIsConnectionAlive(connection, &alive));
    EXPECT_EQ(alive, 1);

    ASSERT_ADS_OK(AdsDisconnect(connection));
    ExpectFailure(AdsDisconnect(connection), AE_INVALID_CONNECTION_HANDLE, std::to_string(connection));
}

TEST(ApiConnections, FolderNamesAreMatchedWithoutRegardToCase)
{
    testsupport::TempFolder folder;
    ASSERT_TRUE(QDir(folder.path()).mkpath("Backup/Daily"));
    std::string upper = folder.path().toStdString() + "/BACKUP/daily";
    ADSHANDLE connection = 0;
    ASSERT_ADS_OK(AdsConnect(upper.c_str(), &connection));
    AdsDisconnect(connection);

    ASSERT_TRUE(QDir(folder.path()).mkpath("backup/Daily"));
    ExpectFailure(AdsConnect(upper.c_str(), &connection), AE_FILE_NOT_FOUND, "differ only in case");
}

TEST(ApiConnections, MissingFolderIsRefusedNamingIt)
{
    testsupport::TempFolder folder;
    std::string missing = folder.path().toStdString() + "/nowhere";
    ADSHANDLE connection = 0;
    ExpectFailure(AdsConnect(missing.c_str(), &connection), AE_PATH_NOT_FOUND, missing);
    EXPECT_EQ(connection, 0u) << "nothing is handed out on failure";

    std::string file = folder.write("plain.txt", "x").toStdString();
    ExpectFailure(AdsConnect(file.c_str(), &connection), AE_PATH_NOT_FOUND, file);
}

TEST(ApiConnections, ConnectionStringsAreReadOrRefusedWithTheReason)
{
    testsupport::TempFolder folder;
    const std::string source = "Data Source=" + folder.path().toStdString() + ";";
    struct Case {
        std::string tail;
        UNSIGNED32 code;
        std::string fragment; // in the error text
    };
    const Case cases[] = {
        {"FIPS=False;", AE_SUCCESS, ""},
        {"FIPS=False;ServerType=LOCAL|REMOTE;TableType=CDX;", AE_SUCCESS, ""},
        {"User ID=adssys;Password=\"a;b\"\"c\";FIPS=True;DateFormat=DD.MM.CCYY;", AE_SUCCESS, ""},
        {"EncryptionType=AES256;CommType=TCP_IP;Compression=NEVER;SQLTimeout=30;"
         "IncrementUserCount=TRUE;StoredProcedureConnection=TRUE;TLSCiphers=AES128-SHA:RC4-MD5;",
         AE_SUCCESS, ""},
        {"Colour=Blue;", AE_INVALID_CONNECT_STRING, "unknown key 'Colour'"},
        {"TableType=DBF;", AE_INVALID_CONNECT_STRING, "TableType"},
        {"FIPS=Maybe;", AE_INVALID_CONNECT_STRING, "FIPS"},
        {"ServerType=REMOTE;", AE_INVALID_CONNECT_STRING, "local server"},
        {"SQLTimeout=soon;", AE_INVALID_CONNECT_STRING, "SQLTimeout"},
        {"Password=\"open;", AE_INVALID_CONNECT_STRING, "closing quote"},
        {"DateFormat=QQ/MM/YY;", AE_INVALID_DATE_FORMAT, "QQ/MM/YY"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tail);
        std::string text = source + c.tail;
        ADSHANDLE connection = 0;
        UNSIGNED32 result = AdsConnect101(text.c_str(), nullptr, &connection);
        if (c.code == AE_SUCCESS) {
            EXPECT_EQ(result, AE_SUCCESS) << LastError().text;
            AdsDisconnect(connection);
        } else {
            ExpectFailure(result, c.code, c.fragment);
        }
    }
    ADSHANDLE connection = 0;
    ExpectFailure(AdsConnect101("FIPS=False;", nullptr, &connection), AE_INVALID_CONNECT_STRING, "Data Source");
}

TEST(ApiConnections, ConnectionPropertiesComeFromTheString)
{
    testsupport::TempFolder folder;
    std::string text = "Data Source=" + folder.path().toStdString()
        + ";User ID=operator;Password=\"se;cret\";FIPS=True;EncryptionType=AES128;CommType=TLS;";
    ADSHANDLE connection = 0;
    ASSERT_ADS_OK(AdsConnect101(text.c_str(), nullptr, &connection));
    char buffer[260];
    UNSIGNED32 length = sizeof buffer;
    ASSERT_ADS_OK(AdsGetConnectionProperty(connection, ADS_CONNPROP_USERNAME, buffer, &length));
    EXPECT_EQ(std::string(buffer, length), "operator");
    length = sizeof buffer;
    ASSERT_ADS_OK(AdsGetConnectionProperty(connection, ADS_CONNPROP_PASSWORD, buffer, &length));
    EXPECT_EQ(std::string(buffer, length), "se;cret");
    length = sizeof buffer;
    ASSERT_ADS_OK(AdsGetConnectionProperty(connection, ADS_CONNPROP_ENCRYPTION_TYPE, buffer, &length));
    EXPECT_EQ(std::string(buffer, length), "AES128");
    UNSIGNED32 protocol = 0;
    length = 4;
    ASSERT_ADS_OK(AdsGetConnectionProperty(connection, ADS_CONNPROP_PROTOCOL, &protocol, &length));
    EXPECT_EQ(protocol, 5u);
    UNSIGNED16 fips = 0;
    length = 2;
    ASSERT_ADS_OK(AdsGetConnectionProperty(connection, ADS_CONNPROP_FIPS_MODE, &fips, &length));
    EXPECT_EQ(fips, 1);
    length = sizeof buffer;
    ExpectFailure(AdsGetConnectionProperty(connection, 99, buffer, &length), AE_INVALID_ARGUMENT, "99");
    AdsDisconnect(connection);
}

TEST(ApiConnections, AMissingDictionaryFileIsReportedAsMissing)
{
    testsupport::TempFolder folder;
    std::string text = "Data Source=" + folder.path().toStdString() + "/sales.add;FIPS=False;";
    ADSHANDLE connection = 0;
    ExpectFailure(AdsConnect101(text.c_str(), nullptr, &connection), AE_FILE_NOT_FOUND, "sales.add does not exist");
    EXPECT_EQ(connection, 0u);
}

TEST(ApiConnections, BadHandlesAreRefusedNeverFollowed)
{
    FolderConnection good;
    UNSIGNED16 type = 0;
    // A handle of another kind is refused as well as unknown values.
    ADSHANDLE statement = 0;
    ASSERT_ADS_OK(AdsCreateSQLStatement(good.Handle(), &statement));
    for (ADSHANDLE bad : {ADSHANDLE(0), ADSHANDLE(0xFFFFFFFF), ADSHANDLE(good.Handle() + 100000), statement}) {
        SCOPED_TRACE(bad);
        ExpectFailure(AdsGetConnectionType(bad, &type), AE_INVALID_CONNECTION_HANDLE, std::to_string(bad));
        char path[10];
        UNSIGNED16 length = sizeof path;
        ExpectFailure(AdsGetConnectionPath(bad, path, &length), AE_INVALID_CONNECTION_HANDLE, "connection");
    }
    EXPECT_ADS_OK(AdsCloseSQLStatement(statement));
}

TEST(ApiConnections, DisconnectReleasesEverythingTheConnectionHolds)
{
    FolderConnection connection;
    ADSHANDLE statement = 0;
    ASSERT_ADS_OK(AdsCreateSQLStatement(connection.Handle(), &statement));
    UNSIGNED16 type = 0;
    ASSERT_ADS_OK(AdsGetHandleType(statement, &type));
    EXPECT_EQ(type, ADS_STATEMENT);
    ASSERT_ADS_OK(AdsDisconnect(connection.Handle()));
    connection.Forget();
    EXPECT_NE(AdsGetHandleType(statement, &type), AE_SUCCESS);
    ExpectFailure(AdsCloseSQLStatement(statement), AE_INVALID_STATEMENT_HANDLE, std::to_string(statement));
}

TEST(ApiConnections, ManyThreadsConnectAtOnceWithDistinctHandles)
{
    testsupport::TempFolder folder;
    std::string path = folder.path().toStdString();
    constexpr int kThreads = 8, kPerThread = 50;
    std::vector<std::vector<ADSHANDLE>> handles(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kPerThread; ++i) {
                ADSHANDLE connection = 0;
                if (AdsConnect(path.c_str(), &connection) == AE_SUCCESS)
                    handles[t].push_back(connection);
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    std::set<ADSHANDLE> distinct;
    for (const auto& list : handles)
        distinct.insert(list.begin(), list.end());
    EXPECT_EQ(distinct.size(), size_t(kThreads * kPerThread));
    EXPECT_EQ(distinct.count(0), 0u);
    EXPECT_EQ(distinct.count(0xFFFFFFFF), 0u);
    for (ADSHANDLE connection : distinct)
        EXPECT_EQ(AdsDisconnect(connection), AE_SUCCESS);
}

TEST(ApiConnections, DateFormatsAreCheckedAndUsed)
{
    char saved[12];
    UNSIGNED16 length = sizeof saved;
    ASSERT_ADS_OK(AdsGetDateFormat(saved, &length));
    EXPECT_STREQ(saved, ADS_DEFAULT_DATE_FORMAT);

    for (const char* bad : {"", "DD/MM", "XX/MM/YYYY", "DD/DD/YYYY", "CCYY-MM-DD-HH"}) {
        SCOPED_TRACE(bad);
        ExpectFailure(AdsSetDateFormat(bad), AE_INVALID_DATE_FORMAT, "is not a date format");
    }
    length = sizeof saved;
    ASSERT_ADS_OK(AdsGetDateFormat(saved, &length));
    EXPECT_STREQ(saved, ADS_DEFAULT_DATE_FORMAT) << "a refused format leaves the old one";

    FolderConnection connection;
    struct Case {
        const char* format;
        const char* text;
        double julian;
    };
    const Case cases[] = {
        {"MM/DD/CCYY", "12/31/1999", 2451544},
        {"DD.MM.YYYY", "01.01.2000", 2451545},
        {"CCYY-MM-DD", "1899-12-30", 2415019},
        {"dd/mm/yy", "29/02/24", 2460370},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        ASSERT_ADS_OK(AdsSetDateFormat60(connection.Handle(), c.format));
        DOUBLE julian = 0;
        ASSERT_ADS_OK(AdsConvertDateToJulian(connection.Handle(), c.text, UNSIGNED16(strlen(c.text)), &julian));
        EXPECT_EQ(julian, c.julian);
    }
    DOUBLE julian = 0;
    ExpectFailure(AdsConvertDateToJulian(connection.Handle(), "31/02/24", 8, &julian), AE_INVALID_DATE, "31/02/24");
}

} // namespace
