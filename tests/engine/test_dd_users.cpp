// Users and groups of a data dictionary (user property 1102).
#include "test_dd_support.h"

#include <QFile>

using apitest::ExpectFailure;
using apitest::LastError;

namespace {

// The two-step read of the group list: a length query, then the fetch into
// a buffer of exactly the length answered.
std::string GroupsInTwoSteps(ADSHANDLE connection, const char* user)
{
    UNSIGNED16 length = 0;
    UNSIGNED32 first = AdsDDGetUserProperty(connection, user, ADS_DD_USER_GROUP_MEMBERSHIP, nullptr, &length);
    if (first == AE_PROPERTY_NOT_SET)
        return "<not set>";
    EXPECT_EQ(first, UNSIGNED32(AE_INSUFFICIENT_BUFFER)) << LastError().text;
    std::string buffer(length, '\0');
    EXPECT_EQ(AdsDDGetUserProperty(connection, user, ADS_DD_USER_GROUP_MEMBERSHIP, buffer.data(), &length),
              AE_SUCCESS)
        << LastError().text;
    return buffer.substr(0, length);
}

} // namespace

TEST(DdUsers, GroupListAnswersTheLengthQueryAndTheFetch)
{
    ddtest::Dictionary dictionary;
    ADSHANDLE admin = dictionary.Admin();
    ASSERT_ADS_OK(AdsDDCreateUserGroup(admin, "Sales", "sales people"));
    ASSERT_ADS_OK(AdsDDCreateUserGroup(admin, "Accounting", ""));
    ASSERT_ADS_OK(AdsDDCreateUser(admin, "Sales", "ann", "pw", ""));
    ASSERT_ADS_OK(AdsDDAddUserToGroup(admin, "accounting", "ANN")); // names ignore case, keep their own
    ASSERT_ADS_OK(AdsDDAddUserToGroup(admin, "Sales", "ann"));      // twice is once
    ASSERT_ADS_OK(AdsDDCreateUser(admin, nullptr, "bob", "pw", ""));

    struct Case {
        const char* user;
        std::string groups;
    };
    for (const Case& c : {Case{"ann", "Accounting;Sales;"}, Case{"Bob", "<not set>"}})
        EXPECT_EQ(GroupsInTwoSteps(admin, c.user), c.groups) << c.user;

    // Another user's connection reads the same.
    ddtest::Connected ann;
    ASSERT_ADS_OK(ddtest::Connect(dictionary.ConnectString("ann", "pw"), ann.Out()));
    EXPECT_EQ(GroupsInTwoSteps(ann.Handle(), "ann"), "Accounting;Sales;");
}

TEST(DdUsers, UnknownNamesAndBadNamesAreRefused)
{
    ddtest::Dictionary dictionary;
    ADSHANDLE admin = dictionary.Admin();
    ASSERT_ADS_OK(AdsDDCreateUserGroup(admin, "Sales", ""));
    char buffer[100];
    UNSIGNED16 length = sizeof buffer;
    ExpectFailure(AdsDDGetUserProperty(admin, "ghost", ADS_DD_USER_GROUP_MEMBERSHIP, buffer, &length),
                  AE_DD_OBJECT_NOT_FOUND, "ghost");
    ExpectFailure(AdsDDGetUserProperty(admin, "AdsSys", 4242, buffer, &length), AE_INVALID_ARGUMENT, "4242");
    ExpectFailure(AdsDDCreateUser(admin, "NoSuchGroup", "carl", "pw", ""), AE_DD_OBJECT_NOT_FOUND, "NoSuchGroup");
    EXPECT_EQ(ddtest::Connect(dictionary.ConnectString("carl", "pw"), ddtest::Connected().Out()),
              UNSIGNED32(AE_DD_LOGIN_FAILED))
        << "a user refused for a missing group is not left behind";
    ExpectFailure(AdsDDAddUserToGroup(admin, "Sales", "ghost"), AE_DD_OBJECT_NOT_FOUND, "ghost");
    ExpectFailure(AdsDDCreateUser(admin, nullptr, "sales", "pw", ""), AE_ALREADY_EXISTS, "sales");
    ExpectFailure(AdsDDCreateUser(admin, nullptr, "adssys", "pw", ""), AE_ALREADY_EXISTS, "adssys");
    for (const char* bad : {"", "a;b", "a.b"})
        ExpectFailure(AdsDDCreateUser(admin, nullptr, bad, "pw", ""), AE_INVALID_ARGUMENT, "name");
}

TEST(DdUsers, PasswordsAreNotStoredAsWritten)
{
    ddtest::Dictionary dictionary;
    const char* password = "VerySpecialPassword123";
    ASSERT_ADS_OK(AdsDDCreateUser(dictionary.Admin(), nullptr, "ann", password, ""));
    ASSERT_ADS_OK(AdsDDCreateUser(dictionary.Admin(), nullptr, "bob", password, ""));
    QFile file(QString::fromStdString(dictionary.Path()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray content = file.readAll();
    EXPECT_FALSE(content.contains(password));
    EXPECT_FALSE(content.contains(ddtest::kAdminPassword));
}
