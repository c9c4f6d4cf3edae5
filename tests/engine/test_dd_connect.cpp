// Making data dictionaries and logging in to them.
#include "test_dd_support.h"

#include <QFile>

#include <atomic>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

using apitest::ExpectFailure;
using apitest::LastError;
using ddtest::Connect;
using ddtest::Connected;

namespace {

UNSIGNED16 DatabaseProperty16(ADSHANDLE connection, UNSIGNED16 property)
{
    UNSIGNED16 value = 0xffff, length = sizeof value;
    EXPECT_EQ(AdsDDGetDatabaseProperty(connection, property, &value, &length), AE_SUCCESS) << LastError().text;
    EXPECT_EQ(length, 2u);
    return value;
}

} // namespace

TEST(DdConnect, NewDictionaryAnswersItsPathTypeAndSchemaVersion)
{
    ddtest::Dictionary dictionary;
    ASSERT_NE(dictionary.Admin(), 0u);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(dictionary.Path())));

    char path[260];
    UNSIGNED16 length = sizeof path;
    ASSERT_ADS_OK(AdsGetConnectionPath(dictionary.Admin(), path, &length));
    EXPECT_EQ(std::string(path, length), dictionary.Path());
    UNSIGNED16 type = 0;
    ASSERT_ADS_OK(AdsGetConnectionType(dictionary.Admin(), &type));
    EXPECT_EQ(type, ADS_LOCAL_SERVER);

    EXPECT_EQ(DatabaseProperty16(dictionary.Admin(), ADS_DD_VERSION_MAJOR), 1u);
    EXPECT_EQ(DatabaseProperty16(dictionary.Admin(), ADS_DD_VERSION_MINOR), 0u);
    // A two-byte property asked for with no room is the usual 5005.
    UNSIGNED16 value = 0, tooShort = 1;
    EXPECT_EQ(AdsDDGetDatabaseProperty(dictionary.Admin(), ADS_DD_VERSION_MAJOR, &value, &tooShort),
              UNSIGNED32(AE_INSUFFICIENT_BUFFER));
    EXPECT_EQ(tooShort, 2u);
}

TEST(DdConnect, CreateRefusesAnExistingFileAndNamesThatAreNoDictionary)
{
    ddtest::Dictionary dictionary;
    QByteArray before;
    {
        QFile file(QString::fromStdString(dictionary.Path()));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        before = file.readAll();
    }
    ADSHANDLE second = 0;
    ExpectFailure(AdsDDCreate(dictionary.Path().c_str(), "other", "", &second), AE_ALREADY_EXISTS, "exists already");
    EXPECT_EQ(second, 0u);
    QFile file(QString::fromStdString(dictionary.Path()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before) << "the existing dictionary is left as it was";

    std::string wrongName = dictionary.Folder() + "/base.dat";
    ExpectFailure(AdsDDCreate(wrongName.c_str(), "x", "", &second), AE_INVALID_ARGUMENT, ".add");
}

TEST(DdConnect, LoginsAreCheckedAgainstTheStoredUsers)
{
    ddtest::Dictionary dictionary;
    ASSERT_ADS_OK(AdsDDCreateUser(dictionary.Admin(), nullptr, "clerk", "pa;ss\"word", "a clerk"));
    const std::string& add = dictionary.Path();
    struct Case {
        std::string connectString;
        UNSIGNED32 expected;
    };
    const Case cases[] = {
        {dictionary.ConnectString("AdsSys", ddtest::kAdminPassword), AE_SUCCESS},
        {dictionary.ConnectString("adssys", ddtest::kAdminPassword), AE_SUCCESS}, // user names ignore case
        {"Data Source=" + add + ";User ID=clerk;Password=\"pa;ss\"\"word\";", AE_SUCCESS},
        {"Data Source=" + add + ";User ID=clerk;Password=\"PA;SS\"\"WORD\";", AE_DD_LOGIN_FAILED},
        {"Data Source=" + add + ";User ID=clerk;", AE_DD_LOGIN_FAILED},
        {dictionary.ConnectString("AdsSys", "wrong"), AE_DD_LOGIN_FAILED},
        {dictionary.ConnectString("nobody", ddtest::kAdminPassword), AE_DD_LOGIN_FAILED},
        {"Data Source=" + add + ";DDPassword=" + ddtest::kAdminPassword + ";", AE_SUCCESS},
        {"Data Source=" + add + ";DDPassword=wrong;", AE_DD_LOGIN_FAILED},
        {"Data Source=" + add + ";FIPS=False;ServerType=LOCAL|REMOTE;", AE_SUCCESS}, // logins not required
        {"Data Source=" + dictionary.Folder() + "/missing.add;", AE_FILE_NOT_FOUND},
    };
    for (const Case& c : cases) {
        Connected connection;
        UNSIGNED32 result = Connect(c.connectString, connection.Out());
        EXPECT_EQ(result, c.expected) << c.connectString << ": " << LastError().text;
        if (c.expected == AE_DD_LOGIN_FAILED) {
            EXPECT_NE(LastError().text.find("not right"), std::string::npos) << LastError().text;
        }
        EXPECT_EQ(connection.Handle() != 0, c.expected == AE_SUCCESS) << c.connectString;
    }
}

TEST(DdConnect, RequiredLoginsRefuseAConnectionWithoutUser)
{
    ddtest::Dictionary dictionary;
    UNSIGNED16 on = 1;
    ASSERT_ADS_OK(AdsDDSetDatabaseProperty(dictionary.Admin(), ADS_DD_LOGINS_REQUIRED, &on, sizeof on));
    Connected anonymous;
    ExpectFailure(Connect("Data Source=" + dictionary.Path() + ";", anonymous.Out()), AE_DD_LOGIN_FAILED,
                  "requires a user name");
    Connected admin;
    EXPECT_ADS_OK(Connect(dictionary.ConnectString("AdsSys", ddtest::kAdminPassword), admin.Out()));
}

TEST(DdConnect, OnlyTheAdministratorChangesUsersAndSettings)
{
    ddtest::Dictionary dictionary;
    ASSERT_ADS_OK(AdsDDCreateUser(dictionary.Admin(), nullptr, "clerk", "pw", ""));
    Connected clerk;
    ASSERT_ADS_OK(Connect(dictionary.ConnectString("clerk", "pw"), clerk.Out()));
    ExpectFailure(AdsDDCreateUser(clerk.Handle(), nullptr, "other", "pw", ""), AE_PERMISSION_DENIED, "AdsSys");
    ExpectFailure(AdsDDCreateUserGroup(clerk.Handle(), "staff", ""), AE_PERMISSION_DENIED, "AdsSys");
    UNSIGNED16 on = 1;
    ExpectFailure(AdsDDSetDatabaseProperty(clerk.Handle(), ADS_DD_LOGINS_REQUIRED, &on, sizeof on),
                  AE_PERMISSION_DENIED, "AdsSys");
    ExpectFailure(AdsDDSetUserPassword(clerk.Handle(), "AdsSys", "taken"), AE_PERMISSION_DENIED, "AdsSys");
    // A user changes their own password; the old one stops working.
    ASSERT_ADS_OK(AdsDDSetUserPassword(clerk.Handle(), "clerk", "new"));
    Connected again;
    EXPECT_EQ(Connect(dictionary.ConnectString("clerk", "pw"), again.Out()), UNSIGNED32(AE_DD_LOGIN_FAILED));
    Connected renewed;
    EXPECT_ADS_OK(Connect(dictionary.ConnectString("clerk", "new"), renewed.Out()));
}

TEST(DdConnect, AFileThatIsNoDictionaryIsRefusedClearly)
{
    testsupport::TempFolder folder;
    std::string path = folder.write("fake.add", QByteArray("this is not a dictionary at all, just text\n", 44))
                           .toStdString();
    Connected connection;
    ExpectFailure(Connect("Data Source=" + path + ";", connection.Out()), AE_DD_INVALID, "fake.add");
    EXPECT_EQ(connection.Handle(), 0u);
}

TEST(DdConnect, DictionaryFamilyRefusesAFolderConnection)
{
    apitest::FolderConnection folder;
    UNSIGNED16 value = 0, length = sizeof value;
    ExpectFailure(AdsDDGetDatabaseProperty(folder.Handle(), ADS_DD_VERSION_MAJOR, &value, &length),
                  AE_INVALID_ARGUMENT, "not a data-dictionary connection");
    UNSIGNED16 links = 9;
    ASSERT_ADS_OK(AdsGetNumActiveLinks(folder.Handle(), &links));
    EXPECT_EQ(links, 0u);
}

TEST(DdConnect, TwoThreadsLogInAtOnceWhileUsersAreAdded)
{
    ddtest::Dictionary dictionary;
    ASSERT_ADS_OK(AdsDDCreateUser(dictionary.Admin(), nullptr, "clerk", "pw", ""));
    std::atomic<int> failures{0};
    auto logins = [&](const std::string& user, const std::string& password) {
        for (int i = 0; i < 15; ++i) {
            ADSHANDLE connection = 0;
            if (Connect(dictionary.ConnectString(user, password), &connection) != AE_SUCCESS)
                ++failures;
            UNSIGNED16 major = 0, length = 2;
            if (AdsDDGetDatabaseProperty(connection, ADS_DD_VERSION_MAJOR, &major, &length) != AE_SUCCESS || major != 1)
                ++failures;
            AdsDisconnect(connection);
        }
    };
    std::thread first(logins, "clerk", "pw");
    std::thread second(logins, "AdsSys", ddtest::kAdminPassword);
    // Writes on a third connection meanwhile must neither fail nor be seen half-done.
    for (int i = 0; i < 10; ++i)
        EXPECT_ADS_OK(AdsDDCreateUser(dictionary.Admin(), nullptr, ("user" + std::to_string(i)).c_str(), "x", ""));
    first.join();
    second.join();
    EXPECT_EQ(failures.load(), 0);
}

TEST(DdConnect, TwoProcessesChangeOneDictionaryWithoutLosingAChange)
{
    ddtest::Dictionary dictionary;
    auto addUsers = [&](const std::string& prefix) {
        ADSHANDLE connection = 0;
        if (Connect(dictionary.ConnectString("AdsSys", ddtest::kAdminPassword), &connection) != AE_SUCCESS)
            return false;
        bool ok = true;
        for (int i = 0; i < 8; ++i)
            ok = ok && AdsDDCreateUser(connection, nullptr, (prefix + std::to_string(i)).c_str(), "pw", "") == AE_SUCCESS;
        AdsDisconnect(connection);
        return ok;
    };
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        ::_exit(addUsers("child") ? 0 : 1);
    bool parentOk = addUsers("parent");
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the other process's changes all succeeded";
    EXPECT_TRUE(parentOk);
    for (const char* prefix : {"child", "parent"})
        for (int i = 0; i < 8; ++i) {
            Connected user;
            EXPECT_ADS_OK(Connect(dictionary.ConnectString(prefix + std::to_string(i), "pw"), user.Out()));
        }
}
