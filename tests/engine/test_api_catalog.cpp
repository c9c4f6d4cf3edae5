// Listing, copying, converting and deleting tables of a folder through the C
// interface.
#include "tests/engine/test_api_support.h"

#include <QDir>
#include <QFile>

#include <functional>

#include <vector>

using namespace apitest;

namespace {

std::vector<std::string> ListTables(ADSHANDLE connection, const std::string& mask)
{
    std::vector<std::string> names;
    char name[260];
    UNSIGNED16 length = sizeof name;
    ADSHANDLE search = 0;
    UNSIGNED32 result = AdsFindFirstTable(connection, mask.c_str(), name, &length, &search);
    while (result == AE_SUCCESS) {
        names.emplace_back(name, length);
        length = sizeof name;
        result = AdsFindNextTable(connection, search, name, &length);
    }
    EXPECT_EQ(result, AE_NO_FILE_FOUND) << LastError().text;
    if (search != 0) {
        EXPECT_EQ(AdsFindClose(connection, search), AE_SUCCESS);
    }
    return names;
}

TEST(ApiCatalog, FindsTheTablesOfAFolderByMask)
{
    FolderConnection connection;
    for (const char* name : {"Orders", "clients"})
        AdsCloseTable(CreateTable(connection.Handle(), name, ADS_ADT, "ID,Integer;"));
    AdsCloseTable(CreateTable(connection.Handle(), "legacy", ADS_NTX, "ID,Num,5,0;"));
    ASSERT_TRUE(QDir(QString::fromStdString(connection.Folder())).mkpath("Sub"));
    struct Case {
        std::string mask;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"*.adt", {"Orders.adt", "clients.adt"}},
        {"*.ADT", {"Orders.adt", "clients.adt"}},
        {connection.Folder() + "/*.dbf", {"legacy.dbf"}},
        {"c*.*", {"clients.adt"}},
        {"", {"Orders.adt", "clients.adt"}},
        {"*", {"Orders.adt", "clients.adt", "legacy.dbf"}}, // files only, not the folder Sub
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mask);
        EXPECT_EQ(ListTables(connection.Handle(), c.mask), c.names);
    }
    char name[260];
    UNSIGNED16 length = sizeof name;
    ADSHANDLE search = 0;
    ExpectFailure(AdsFindFirstTable(connection.Handle(), "*.vfp", name, &length, &search), AE_NO_FILE_FOUND, "*.vfp");
    EXPECT_EQ(search, 0u);
}

TEST(ApiCatalog, ANameTooLongForTheBufferStaysTheNextOne)
{
    FolderConnection connection;
    AdsCloseTable(CreateTable(connection.Handle(), "averylongname", ADS_ADT, "ID,Integer;"));
    AdsCloseTable(CreateTable(connection.Handle(), "b", ADS_ADT, "ID,Integer;"));
    char name[260];
    UNSIGNED16 length = 5;
    ADSHANDLE search = 0;
    ExpectFailure(AdsFindFirstTable(connection.Handle(), "*.adt", name, &length, &search), AE_INSUFFICIENT_BUFFER,
                  "too small");
    EXPECT_EQ(search, 0u);
    length = sizeof name;
    ASSERT_ADS_OK(AdsFindFirstTable(connection.Handle(), "*.adt", name, &length, &search));
    EXPECT_STREQ(name, "averylongname.adt");
    length = 1;
    EXPECT_EQ(AdsFindNextTable(connection.Handle(), search, name, &length), AE_INSUFFICIENT_BUFFER);
    length = sizeof name;
    ASSERT_ADS_OK(AdsFindNextTable(connection.Handle(), search, name, &length));
    EXPECT_STREQ(name, "b.adt");
    // The search is released with its connection.
    ASSERT_ADS_OK(AdsDisconnect(connection.Handle()));
    connection.Forget();
    UNSIGNED16 type = 0;
    EXPECT_NE(AdsGetHandleType(search, &type), AE_SUCCESS);
}

TEST(ApiCatalog, ExistenceIsCheckedWithoutRegardToCase)
{
    FolderConnection connection;
    AdsCloseTable(CreateTable(connection.Handle(), "present", ADS_ADT, "ID,Integer;"));
    struct Case {
        ADSHANDLE connection;
        std::string name;
        UNSIGNED16 exists;
    };
    const Case cases[] = {
        {connection.Handle(), "present.adt", 1},
        {connection.Handle(), "PRESENT.ADT", 1},
        {0, connection.File("Present.Adt"), 1},
        {connection.Handle(), "absent.adt", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UNSIGNED16 exists = 9;
        ASSERT_ADS_OK(AdsCheckExistence(c.connection, c.name.c_str(), &exists));
        EXPECT_EQ(exists, c.exists);
    }
}

TEST(ApiCatalog, CopiesAndConversionsCarryTheVisibleRecords)
{
    FolderConnection connection;
    ADSHANDLE table = CreateTable(connection.Handle(), "source", ADS_ADT, "NAME,Char,8;");
    AppendNames(table, {"a", "b", "c"});
    ASSERT_ADS_OK(AdsGotoRecord(table, 2));
    ASSERT_ADS_OK(AdsDeleteRecord(table));
    UNSIGNED16 saved = 1;
    AdsGetDeleted(&saved);
    AdsSetDeleted(0);
    struct Case {
        const char* what;
        std::function<UNSIGNED32()> copy;
        const char* file;
        UNSIGNED16 type;
        UNSIGNED32 records;
    };
    const Case cases[] = {
        {"copy respecting filters", [&] { return AdsCopyTable(table, ADS_RESPECTFILTERS, "copy1"); }, "copy1", ADS_ADT, 2},
        {"copy ignoring filters", [&] { return AdsCopyTable(table, ADS_IGNOREFILTERS, "copy2"); }, "copy2", ADS_ADT, 3},
        {"convert to VFP", [&] { return AdsConvertTable(table, ADS_RESPECTFILTERS, "conv", ADS_VFP); }, "conv", ADS_VFP, 2},
        {"structure only", [&] { return AdsCopyTableStructure(table, "empty"); }, "empty", ADS_ADT, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(c.copy(), AE_SUCCESS) << LastError().text;
        ADSHANDLE copy = OpenTable(connection.Handle(), c.file, c.type);
        UNSIGNED32 count = 0;
        ASSERT_ADS_OK(AdsGetRecordCount(copy, ADS_IGNOREFILTERS, &count));
        EXPECT_EQ(count, c.records);
        if (c.records > 0) {
            ASSERT_ADS_OK(AdsGotoBottom(copy));
            EXPECT_EQ(FieldText(copy, "NAME"), "c");
        }
        AdsCloseTable(copy);
    }
    ADSHANDLE target = OpenTable(connection.Handle(), "empty", ADS_ADT);
    ASSERT_ADS_OK(AdsCopyTableContents(table, target, ADS_RESPECTFILTERS));
    UNSIGNED32 count = 0;
    ASSERT_ADS_OK(AdsGetRecordCount(target, ADS_IGNOREFILTERS, &count));
    EXPECT_EQ(count, 2u);
    ExpectFailure(AdsCopyTableContents(table, table, ADS_RESPECTFILTERS), AE_INVALID_ARGUMENT, "into itself");
    AdsCloseTable(target);
    AdsSetDeleted(saved);
    AdsCloseTable(table);
}

TEST(ApiCatalog, DeleteTableRemovesItsFilesAndItsHandle)
{
    FolderConnection connection;
    ADSHANDLE table = CreateTable(connection.Handle(), "doomed", ADS_CDX, "NAME,Char,8;NOTE,Memo;");
    AppendNames(table, {"a"});
    EXPECT_TRUE(QFile::exists(QString::fromStdString(connection.File("doomed.fpt"))));
    ASSERT_ADS_OK(AdsDeleteTable(table));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(connection.File("doomed.dbf"))));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(connection.File("doomed.fpt"))));
    UNSIGNED16 type = 0;
    EXPECT_NE(AdsGetHandleType(table, &type), AE_SUCCESS);
}

TEST(ApiCatalog, HandleTypesNameTheirKind)
{
    FolderConnection connection;
    ADSHANDLE table = CreateTable(connection.Handle(), "kinds", ADS_ADT, "ID,Integer;");
    ADSHANDLE statement = 0;
    ASSERT_ADS_OK(AdsCreateSQLStatement(connection.Handle(), &statement));
    struct Case {
        ADSHANDLE handle;
        UNSIGNED16 type;
    };
    for (const Case& c : {Case{connection.Handle(), ADS_CONNECTION}, Case{table, ADS_TABLE}, Case{statement, ADS_STATEMENT}}) {
        UNSIGNED16 type = 0;
        ASSERT_ADS_OK(AdsGetHandleType(c.handle, &type));
        EXPECT_EQ(type, c.type);
    }
    ASSERT_ADS_OK(AdsCloseSQLStatement(statement));
    UNSIGNED16 type = 0;
    ExpectFailure(AdsGetHandleType(statement, &type), AE_INVALID_HANDLE, std::to_string(statement));
    EXPECT_ADS_OK(AdsCloseSQLStatement(0)); // a statement cache entry that never got one
    ExpectFailure(AdsCloseSQLStatement(statement), AE_INVALID_STATEMENT_HANDLE, "statement");
}

} // namespace
