// Procedure entries and links between data dictionaries.
#include "test_dd_support.h"

using apitest::ExpectFailure;
using apitest::LastError;
using ddtest::Connected;

namespace {

std::string LinkInfo(ADSHANDLE connection, UNSIGNED16 number)
{
    char buffer[664];
    UNSIGNED16 length = sizeof buffer;
    EXPECT_EQ(AdsGetActiveLinkInfo(connection, number, buffer, &length), AE_SUCCESS) << LastError().text;
    return std::string(buffer, length);
}

UNSIGNED16 LinkCount(ADSHANDLE connection)
{
    UNSIGNED16 count = 99;
    EXPECT_EQ(AdsGetNumActiveLinks(connection, &count), AE_SUCCESS) << LastError().text;
    return count;
}

} // namespace

TEST(DdObjects, ProceduresAreListedByNameUntil5137)
{
    ddtest::Dictionary dictionary;
    EXPECT_TRUE(ddtest::ObjectNames(dictionary.Admin(), ADS_DD_PROCEDURE_OBJECT).empty());
    ASSERT_ADS_OK(AdsDDAddProcedure(dictionary.Admin(), "Totals", "libtotals.so", "Totals", "sums"));
    ASSERT_ADS_OK(AdsDDAddProcedure(dictionary.Admin(), "Archive", "libarchive.so", "Run", ""));
    EXPECT_EQ(ddtest::ObjectNames(dictionary.Admin(), ADS_DD_PROCEDURE_OBJECT),
              (std::vector<std::string>{"Archive", "Totals"}));
    ExpectFailure(AdsDDAddProcedure(dictionary.Admin(), "totals", "x", "y", ""), AE_ALREADY_EXISTS, "totals");

    // A name that does not fit stays the next one.
    char small[4];
    UNSIGNED16 length = sizeof small;
    ADSHANDLE search = 0;
    EXPECT_EQ(AdsDDFindFirstObject(dictionary.Admin(), ADS_DD_PROCEDURE_OBJECT, "", small, &length, &search),
              UNSIGNED32(AE_INSUFFICIENT_BUFFER));
    EXPECT_EQ(search, 0u);
    char name[200];
    ExpectFailure(AdsDDFindFirstObject(dictionary.Admin(), 7, "", name, &length, &search), AE_NOT_YET_SUPPORTED,
                  "object type 7");
}

TEST(DdObjects, ALinkedTableOpensThroughTheLink)
{
    ddtest::Dictionary main;
    ddtest::Dictionary other("other.add");
    ddtest::MakeTableFile(other.Folder(), "prices.adt", {"cheap", "dear"});
    ASSERT_ADS_OK(AdsDDAddTable(other.Admin(), "Prices", "prices.adt", ADS_ADT, ADS_ANSI, nullptr, ""));
    ASSERT_ADS_OK(AdsDDCreateUser(other.Admin(), nullptr, "reader", "rpw", ""));

    ASSERT_ADS_OK(AdsDDCreateLink(main.Admin(), "Shop", other.Path().c_str(), "reader", "rpw", ADS_LINK_GLOBAL));
    EXPECT_EQ(LinkCount(main.Admin()), 1u);
    EXPECT_EQ(LinkInfo(main.Admin(), 1), "Shop;" + other.Path() + ";");
    ExpectFailure(AdsGetActiveLinkInfo(main.Admin(), 2, nullptr, nullptr), AE_INVALID_ARGUMENT, "link number 2");

    ADSHANDLE table = 0;
    ASSERT_ADS_OK(ddtest::OpenByName(main.Admin(), "shop.Prices", &table));
    EXPECT_EQ(ddtest::Names(table), (std::vector<std::string>{"cheap", "dear"}));
    ASSERT_ADS_OK(AdsCloseTable(table));
    // Another user of the main dictionary sees the global link too.
    ASSERT_ADS_OK(AdsDDCreateUser(main.Admin(), nullptr, "clerk", "cpw", ""));
    Connected clerk;
    ASSERT_ADS_OK(ddtest::Connect(main.ConnectString("clerk", "cpw"), clerk.Out()));
    ASSERT_ADS_OK(ddtest::OpenByName(clerk.Handle(), "Shop.Prices", &table));
    ASSERT_ADS_OK(AdsCloseTable(table));

    // When the linked user's password changes, the link stops logging in.
    ASSERT_ADS_OK(AdsDDSetUserPassword(other.Admin(), "reader", "changed"));
    ExpectFailure(ddtest::OpenByName(main.Admin(), "Shop.Prices", &table), AE_DD_LOGIN_FAILED, "Shop");
}

TEST(DdObjects, LinksCheckTheirCredentialsAndTheirOwners)
{
    ddtest::Dictionary main;
    ddtest::Dictionary other("other.add");
    ASSERT_ADS_OK(AdsDDCreateUser(main.Admin(), nullptr, "clerk", "same", ""));
    ASSERT_ADS_OK(AdsDDCreateUser(other.Admin(), nullptr, "clerk", "same", ""));
    ddtest::MakeTableFile(other.Folder(), "prices.adt", {"cheap"});
    ASSERT_ADS_OK(AdsDDAddTable(other.Admin(), "Prices", "prices.adt", ADS_ADT, ADS_ANSI, nullptr, ""));

    ExpectFailure(AdsDDCreateLink(main.Admin(), "Bad", other.Path().c_str(), "AdsSys", "wrong", 0),
                  AE_DD_LOGIN_FAILED, "not right");
    ExpectFailure(AdsDDCreateLink(main.Admin(), "Bad", (main.Folder() + "/none.add").c_str(), "", "", 0),
                  AE_FILE_NOT_FOUND, "none.add");
    ExpectFailure(AdsDDCreateLink(main.Admin(), "Bad", other.Path().c_str(), "", "", 64), AE_INVALID_ARGUMENT, "64");

    Connected clerk;
    ASSERT_ADS_OK(ddtest::Connect(main.ConnectString("clerk", "same"), clerk.Out()));
    ExpectFailure(AdsDDCreateLink(clerk.Handle(), "Global", other.Path().c_str(), "clerk", "same", ADS_LINK_GLOBAL),
                  AE_PERMISSION_DENIED, "global link");
    // A private link with the active user's own login: only its owner sees it.
    ASSERT_ADS_OK(AdsDDCreateLink(clerk.Handle(), "Mine", other.Path().c_str(), "", "",
                                  ADS_LINK_AUTH_ACTIVE_USER | ADS_LINK_PATH_IS_STATIC));
    EXPECT_EQ(LinkCount(clerk.Handle()), 1u);
    EXPECT_EQ(LinkCount(main.Admin()), 0u);
    ADSHANDLE table = 0;
    ASSERT_ADS_OK(ddtest::OpenByName(clerk.Handle(), "Mine.Prices", &table));
    ASSERT_ADS_OK(AdsCloseTable(table));
    ExpectFailure(ddtest::OpenByName(main.Admin(), "Mine.Prices", &table), AE_FILE_NOT_FOUND, "Mine.Prices");

    ASSERT_ADS_OK(AdsDDCreateLink(main.Admin(), "Shared", other.Path().c_str(), "clerk", "same", ADS_LINK_GLOBAL));
    ExpectFailure(AdsDDDropLink(main.Admin(), "Shared", 0), AE_INVALID_ARGUMENT, "global");
    ExpectFailure(AdsDDDropLink(clerk.Handle(), "Shared", 1), AE_PERMISSION_DENIED, "global link");
    ASSERT_ADS_OK(AdsDDDropLink(main.Admin(), "shared", 1));
    ASSERT_ADS_OK(AdsDDDropLink(clerk.Handle(), "MINE", 0));
    EXPECT_EQ(LinkCount(clerk.Handle()), 0u);
    ExpectFailure(AdsDDDropLink(main.Admin(), "Shared", 1), AE_DD_OBJECT_NOT_FOUND, "Shared");
}
