// Tables of a data dictionary: adding, opening by name, creating, listing,
// renaming, table properties, and a dictionary moved to another folder.
#include "test_dd_support.h"

#include <QDir>
#include <QFile>

using apitest::ExpectFailure;
using apitest::LastError;
using ddtest::Connected;

namespace {

std::string TableProperty(ADSHANDLE connection, const char* table, UNSIGNED16 property, UNSIGNED32* code = nullptr)
{
    char buffer[201] = {};
    UNSIGNED16 length = 200;
    UNSIGNED32 result = AdsDDGetTableProperty(connection, table, property, buffer, &length);
    if (code)
        *code = result;
    return result == AE_SUCCESS ? std::string(buffer, length) : std::string();
}

std::vector<std::string> ListedTables(ADSHANDLE connection)
{
    std::vector<std::string> names;
    char name[260];
    UNSIGNED16 length = sizeof name;
    ADSHANDLE search = 0;
    UNSIGNED32 result = AdsFindFirstTable(connection, "", name, &length, &search);
    while (result == AE_SUCCESS) {
        names.emplace_back(name, length);
        length = sizeof name;
        result = AdsFindNextTable(connection, search, name, &length);
    }
    EXPECT_EQ(result, UNSIGNED32(AE_NO_FILE_FOUND)) << LastError().text;
    if (search != 0)
        AdsFindClose(connection, search);
    return names;
}

ADSHANDLE CreateOnDictionary(ADSHANDLE connection, const char* name, UNSIGNED32 options, UNSIGNED32* code = nullptr)
{
    ADSHANDLE table = 0;
    UNSIGNED32 result = AdsCreateTable90(connection, name, nullptr, ADS_ADT, ADS_ANSI, ADS_PROPRIETARY_LOCKING,
                                         ADS_CHECKRIGHTS, 0, "NAME,Char,20;", options, "", &table);
    if (code)
        *code = result;
    else
        EXPECT_EQ(result, AE_SUCCESS) << name << ": " << LastError().text;
    return table;
}

} // namespace

TEST(DdTables, AddedTablesOpenByNameWithTheirOwnTypeAndAreListed)
{
    ddtest::Dictionary dictionary;
    ddtest::MakeTableFile(dictionary.Folder(), "cust.adt", {"ann", "bob"});
    ddtest::MakeTableFile(dictionary.Folder(), "items.dbf", {"pen"}, ADS_CDX);
    ASSERT_ADS_OK(AdsDDAddTable(dictionary.Admin(), "Customers", "cust.adt", ADS_ADT, ADS_ANSI, nullptr, "people"));
    ASSERT_ADS_OK(AdsDDAddTable(dictionary.Admin(), "Items", (dictionary.Folder() + "/items.dbf").c_str(), ADS_CDX,
                                ADS_ANSI, "", ""));

    ADSHANDLE table = 0;
    ASSERT_ADS_OK(ddtest::OpenByName(dictionary.Admin(), "customers", &table));
    EXPECT_EQ(ddtest::Names(table), (std::vector<std::string>{"ann", "bob"}));
    ASSERT_ADS_OK(AdsCloseTable(table));
    // The connection's default type is ADT; the dictionary says CDX.
    ASSERT_ADS_OK(ddtest::OpenByName(dictionary.Admin(), "Items", &table));
    UNSIGNED16 type = 0;
    ASSERT_ADS_OK(AdsGetTableType(table, &type));
    EXPECT_EQ(type, ADS_CDX);
    ASSERT_ADS_OK(AdsCloseTable(table));

    EXPECT_EQ(ListedTables(dictionary.Admin()), (std::vector<std::string>{"Customers", "Items"}));
    EXPECT_EQ(ddtest::ObjectNames(dictionary.Admin(), ADS_DD_TABLE_OBJECT),
              (std::vector<std::string>{"Customers", "Items"}));
}

TEST(DdTables, AddTableRefusesWhatCannotBeRight)
{
    ddtest::Dictionary dictionary;
    ddtest::MakeTableFile(dictionary.Folder(), "cust.adt", {"ann"});
    ASSERT_ADS_OK(AdsDDAddTable(dictionary.Admin(), "Customers", "cust.adt", ADS_ADT, ADS_ANSI, nullptr, ""));
    struct Case {
        const char* name;
        const char* path;
        UNSIGNED16 type;
        const char* indexes;
        UNSIGNED32 code;
    };
    const Case cases[] = {
        {"CUSTOMERS", "cust.adt", ADS_ADT, nullptr, AE_ALREADY_EXISTS},
        {"Missing", "nothere.adt", ADS_ADT, nullptr, AE_FILE_NOT_FOUND},
        {"Wrong", "cust.adt", 9, nullptr, AE_INVALID_ARGUMENT},
        {"Dotted.Name", "cust.adt", ADS_ADT, nullptr, AE_INVALID_ARGUMENT},
        {"NoIndex", "cust.adt", ADS_ADT, "absent.adi", AE_INVALID_ARGUMENT},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AdsDDAddTable(dictionary.Admin(), c.name, c.path, c.type, ADS_ANSI, c.indexes, ""), c.code)
            << c.name << ": " << LastError().text;
    EXPECT_EQ(ListedTables(dictionary.Admin()), (std::vector<std::string>{"Customers"}));
}

TEST(DdTables, CreateTableOnADictionaryConnectionAddsIt)
{
    ddtest::Dictionary dictionary;
    ADSHANDLE table = CreateOnDictionary(dictionary.Admin(), "orders", 0);
    apitest::AppendNames(table, {"first"});
    ASSERT_ADS_OK(AdsCloseTable(table));
    table = CreateOnDictionary(dictionary.Admin(), "lines", ADS_DICTIONARY_TABLE);
    ASSERT_ADS_OK(AdsCloseTable(table));
    table = CreateOnDictionary(dictionary.Admin(), "scratch", ADS_FREE_TABLE);
    ASSERT_ADS_OK(AdsCloseTable(table));

    EXPECT_TRUE(QFile::exists(QString::fromStdString(dictionary.Folder() + "/orders.adt")));
    EXPECT_TRUE(QFile::exists(QString::fromStdString(dictionary.Folder() + "/scratch.adt")));
    EXPECT_EQ(ListedTables(dictionary.Admin()), (std::vector<std::string>{"lines", "orders"}));
    ASSERT_ADS_OK(ddtest::OpenByName(dictionary.Admin(), "ORDERS", &table));
    EXPECT_EQ(ddtest::Names(table), (std::vector<std::string>{"first"}));
    ASSERT_ADS_OK(AdsCloseTable(table));

    // Neither a second table of that name nor a stray file of that name is replaced.
    UNSIGNED32 code = 0;
    CreateOnDictionary(dictionary.Admin(), "orders", 0, &code);
    EXPECT_EQ(code, UNSIGNED32(AE_ALREADY_EXISTS));
    CreateOnDictionary(dictionary.Admin(), "scratch", 0, &code);
    EXPECT_EQ(code, UNSIGNED32(AE_ALREADY_EXISTS));
    ASSERT_ADS_OK(ddtest::OpenByName(dictionary.Admin(), "orders", &table));
    EXPECT_EQ(ddtest::Names(table), (std::vector<std::string>{"first"}));
    ASSERT_ADS_OK(AdsCloseTable(table));

    // A dictionary table asked for on a folder connection is an error.
    apitest::FolderConnection folder;
    CreateOnDictionary(folder.Handle(), "t", ADS_DICTIONARY_TABLE, &code);
    EXPECT_EQ(code, UNSIGNED32(AE_INVALID_ARGUMENT));
}

TEST(DdTables, SqlCreateAndDropTableKeepTheDictionaryInStep)
{
    ddtest::Dictionary dictionary;
    ASSERT_ADS_OK(ddtest::RunSql(dictionary.Admin(), "CREATE TABLE stock (NAME Char(20), QTY Integer)"));
    EXPECT_EQ(ListedTables(dictionary.Admin()), (std::vector<std::string>{"stock"}));
    ASSERT_ADS_OK(ddtest::RunSql(dictionary.Admin(), "DROP TABLE stock"));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(dictionary.Folder() + "/stock.adt")));
    ADSHANDLE search = 0;
    char name[260];
    UNSIGNED16 length = sizeof name;
    EXPECT_EQ(AdsFindFirstTable(dictionary.Admin(), "", name, &length, &search), UNSIGNED32(AE_NO_FILE_FOUND));
}

TEST(DdTables, ADictionaryMovedWithItsTablesStillFindsThem)
{
    testsupport::TempFolder parent;
    std::string original = parent.path().toStdString() + "/first";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(original + "/data")));
    {
        Connected admin;
        ASSERT_ADS_OK(AdsDDCreate((original + "/db.add").c_str(), "pw", "", admin.Out()));
        ddtest::MakeTableFile(original + "/data", "cust.adt", {"ann"});
        // One given relative, one absolute inside the folder: both are stored relative.
        ASSERT_ADS_OK(AdsDDAddTable(admin.Handle(), "Rel", "data/cust.adt", ADS_ADT, ADS_ANSI, nullptr, ""));
        ASSERT_ADS_OK(AdsDDAddTable(admin.Handle(), "Abs", (original + "/data/cust.adt").c_str(), ADS_ADT, ADS_ANSI,
                                    nullptr, ""));
    }
    std::string moved = parent.path().toStdString() + "/second";
    ASSERT_TRUE(QDir().rename(QString::fromStdString(original), QString::fromStdString(moved)));

    Connected connection;
    ASSERT_ADS_OK(ddtest::Connect("Data Source=" + moved + "/db.add;User ID=AdsSys;Password=pw;", connection.Out()));
    for (const char* name : {"Rel", "Abs"}) {
        ADSHANDLE table = 0;
        ASSERT_ADS_OK(ddtest::OpenByName(connection.Handle(), name, &table));
        EXPECT_EQ(ddtest::Names(table), (std::vector<std::string>{"ann"})) << name;
        AdsCloseTable(table);
    }
}

TEST(DdTables, RenameChangesTheEntryAndKeepsTheFiles)
{
    ddtest::Dictionary dictionary;
    ASSERT_ADS_OK(AdsCloseTable(CreateOnDictionary(dictionary.Admin(), "orders", 0)));
    ASSERT_ADS_OK(AdsCloseTable(CreateOnDictionary(dictionary.Admin(), "lines", 0)));
    ASSERT_ADS_OK(AdsDDRenameObject(dictionary.Admin(), "ORDERS", "Sales", ADS_DD_TABLE_OBJECT, 0));
    EXPECT_EQ(ListedTables(dictionary.Admin()), (std::vector<std::string>{"lines", "Sales"}));
    EXPECT_TRUE(QFile::exists(QString::fromStdString(dictionary.Folder() + "/orders.adt")));
    ADSHANDLE table = 0;
    ASSERT_ADS_OK(ddtest::OpenByName(dictionary.Admin(), "sales", &table));
    ASSERT_ADS_OK(AdsCloseTable(table));

    ExpectFailure(AdsDDRenameObject(dictionary.Admin(), "Sales", "lines", ADS_DD_TABLE_OBJECT, 0), AE_ALREADY_EXISTS,
                  "lines");
    ExpectFailure(AdsDDRenameObject(dictionary.Admin(), "ghost", "x", ADS_DD_TABLE_OBJECT, 0), AE_DD_OBJECT_NOT_FOUND,
                  "ghost");
    ExpectFailure(AdsDDRenameObject(dictionary.Admin(), "Sales", "x", ADS_DD_PROCEDURE_OBJECT, 0),
                  AE_NOT_YET_SUPPORTED, "object type 10");
}

TEST(DdTables, RemoveTableForgetsItAndDeletesFilesOnlyWhenAsked)
{
    ddtest::Dictionary dictionary;
    ASSERT_ADS_OK(AdsCloseTable(CreateOnDictionary(dictionary.Admin(), "keep", 0)));
    ADSHANDLE open = CreateOnDictionary(dictionary.Admin(), "gone", 0);
    // Open tables keep their files, and their entry too.
    ExpectFailure(AdsDDRemoveTable(dictionary.Admin(), "gone", 1), AE_TABLE_IN_USE, "");
    EXPECT_EQ(ListedTables(dictionary.Admin()), (std::vector<std::string>{"gone", "keep"}));
    ASSERT_ADS_OK(AdsCloseTable(open));
    ASSERT_ADS_OK(AdsDDRemoveTable(dictionary.Admin(), "gone", 1));
    ASSERT_ADS_OK(AdsDDRemoveTable(dictionary.Admin(), "keep", 0));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(dictionary.Folder() + "/gone.adt")));
    EXPECT_TRUE(QFile::exists(QString::fromStdString(dictionary.Folder() + "/keep.adt")));
}

TEST(DdTables, DefaultIndexAndPrimaryKeyThroughTheProcedure)
{
    ddtest::Dictionary dictionary;
    ADSHANDLE admin = dictionary.Admin();
    ADSHANDLE table = CreateOnDictionary(admin, "orders", 0);
    ADSHANDLE index = 0;
    ASSERT_ADS_OK(AdsCreateIndex90(table, nullptr, "BYNAME", "NAME", "", "", ADS_COMPOUND, 0, "", &index));

    UNSIGNED32 code = 0;
    TableProperty(admin, "orders", ADS_DD_TABLE_DEFAULT_INDEX, &code);
    EXPECT_EQ(code, UNSIGNED32(AE_PROPERTY_NOT_SET));

    // As right after creating a table, while it is still open exclusively.
    ASSERT_ADS_OK(ddtest::RunSql(admin, "EXECUTE PROCEDURE sp_ModifyTableProperty( 'orders', 'TABLE_PRIMARY_KEY', "
                                        "'BYNAME', 'NO_VALIDATE', NULL )"));
    ASSERT_ADS_OK(AdsCloseTable(table));
    ASSERT_ADS_OK(ddtest::RunSql(admin, "EXECUTE PROCEDURE sp_ModifyTableProperty('Orders', 'TABLE_DEFAULT_INDEX', "
                                        "'byname', 'NO_VALIDATE', NULL)"));
    EXPECT_EQ(TableProperty(admin, "orders", ADS_DD_TABLE_DEFAULT_INDEX), "byname");
    EXPECT_EQ(TableProperty(admin, "ORDERS", ADS_DD_TABLE_PRIMARY_KEY), "BYNAME");

    struct Case {
        const char* sql;
        UNSIGNED32 code;
        const char* fragment;
    };
    const Case failures[] = {
        {"EXECUTE PROCEDURE sp_ModifyTableProperty('orders', 'TABLE_PRIMARY_KEY', 'BYNAME', 'NO_VALIDATE', NULL)",
         7200, "NativeError = 5132"},
        {"EXECUTE PROCEDURE sp_ModifyTableProperty('orders', 'TABLE_PRIMARY_KEY', 'NOPE', 'NO_VALIDATE', NULL)",
         AE_INDEX_NOT_FOUND, "NOPE"},
        {"EXECUTE PROCEDURE sp_ModifyTableProperty('orders', 'TABLE_COLOUR', 'red', 'NO_VALIDATE', NULL)",
         AE_INVALID_ARGUMENT, "TABLE_COLOUR"},
        {"EXECUTE PROCEDURE sp_ModifyTableProperty('ghost', 'TABLE_DEFAULT_INDEX', 'x', 'NO_VALIDATE', NULL)",
         AE_DD_OBJECT_NOT_FOUND, "ghost"},
        {"EXECUTE PROCEDURE sp_ModifyTableProperty('orders', 'TABLE_PRIMARY_KEY', '', 'VALIDATE', NULL)",
         AE_NOT_YET_SUPPORTED, "VALIDATE"},
    };
    for (const Case& c : failures) {
        UNSIGNED32 result = ddtest::RunSql(admin, c.sql);
        apitest::Reported error = LastError();
        EXPECT_NE(result, AE_SUCCESS) << c.sql;
        EXPECT_EQ(error.code, c.code) << c.sql << ": " << error.text;
        EXPECT_NE(error.text.find(c.fragment), std::string::npos) << c.sql << ": " << error.text;
    }
    EXPECT_EQ(TableProperty(admin, "orders", ADS_DD_TABLE_PRIMARY_KEY), "BYNAME") << "failed calls change nothing";

    // Clearing brings back "not set"; a free-table connection cannot run it.
    ASSERT_ADS_OK(ddtest::RunSql(admin, "EXECUTE PROCEDURE sp_ModifyTableProperty('orders', 'TABLE_DEFAULT_INDEX', "
                                        "NULL, 'NO_VALIDATE', NULL)"));
    TableProperty(admin, "orders", ADS_DD_TABLE_DEFAULT_INDEX, &code);
    EXPECT_EQ(code, UNSIGNED32(AE_PROPERTY_NOT_SET));
    apitest::FolderConnection folder;
    EXPECT_NE(ddtest::RunSql(folder.Handle(), "EXECUTE PROCEDURE sp_ModifyTableProperty('orders', "
                                              "'TABLE_DEFAULT_INDEX', 'x', 'NO_VALIDATE', NULL)"),
              AE_SUCCESS);
    EXPECT_NE(LastError().text.find("not a data-dictionary connection"), std::string::npos) << LastError().text;
}

TEST(DdTables, QueriesNameDictionaryTablesByTheirNames)
{
    ddtest::Dictionary dictionary;
    ddtest::MakeTableFile(dictionary.Folder(), "c_file.adt", {"ann", "bob", "cid"});
    ASSERT_ADS_OK(AdsDDAddTable(dictionary.Admin(), "Customers", "c_file.adt", ADS_ADT, ADS_ANSI, nullptr, ""));
    ADSHANDLE statement = 0;
    ASSERT_ADS_OK(AdsCreateSQLStatement(dictionary.Admin(), &statement));
    ADSHANDLE cursor = 0;
    ASSERT_ADS_OK(AdsExecuteSQLDirect(statement, "SELECT NAME FROM Customers WHERE NAME > 'ann' ORDER BY NAME",
                                      &cursor));
    EXPECT_EQ(ddtest::Names(cursor), (std::vector<std::string>{"bob", "cid"}));
    AdsCloseTable(cursor);
    AdsCloseSQLStatement(statement);
}
