// CREATE/DROP TABLE and INDEX through the engine's create and index paths,
// timeouts and the SQL abort test on long statements, and the errors data
// statements report.
#include "test_dd_support.h"
#include "test_sqlstage_support.h"

#include <QFile>

#include <atomic>

namespace {

using namespace sqlstage;
using apitest::FolderConnection;

UNSIGNED16 FieldType(ADSHANDLE table, const char* field)
{
    UNSIGNED16 type = 0;
    EXPECT_ADS_OK(AdsGetFieldType(table, field, &type));
    return type;
}

TEST(StageDefinitions, CreateTableMakesTheColumnsOfEachTableType)
{
    FolderConnection connection;
    const struct {
        UNSIGNED16 tableType;
        const char* name;
        const char* file;
    } cases[] = {
        {ADS_ADT, "made", "made.adt"},
        {ADS_CDX, "made", "made.dbf"},
        {ADS_ADT, "other.dbf", "other.dbf"},
        {ADS_VFP, "fox", "fox.dbf"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(TypeName(c.tableType)) + " " + c.name);
        Runner runner(connection.Handle(), c.tableType);
        runner.Run(std::string("CREATE TABLE \"") + c.name + "\" (NAME Char(12), PRICE Numeric(8, 2), "
                   "MADE Date, OK Logical, NOTE Memo)");
        EXPECT_TRUE(QFile::exists(QString::fromStdString(connection.File(c.file))));
        runner.Run(std::string("INSERT INTO \"") + c.name + "\" VALUES ('first', 1.5, '2000-01-01', TRUE, 'n')");
        EXPECT_EQ(runner.Select(std::string("SELECT NAME, PRICE FROM \"") + c.name + "\"", {"NAME", "PRICE"}),
                  (Rows{{"first", "1.50"}}));
        ASSERT_ADS_OK(sqlexec::Prepare(runner.Handle(), "DROP TABLE \"" + std::string(c.name) + "\""));
        ASSERT_ADS_OK(runner.Execute(nullptr));
        EXPECT_FALSE(QFile::exists(QString::fromStdString(connection.File(c.file))));
    }
    Runner runner(connection.Handle(), ADS_ADT);
    runner.Run("CREATE TABLE typed (ID AutoInc, CODE CIChar(6), N Integer, D Double, T TimeStamp, B Blob)");
    ADSHANDLE table = apitest::OpenTable(connection.Handle(), "typed", ADS_ADT);
    for (auto [field, type] : {std::pair{"ID", 15}, {"CODE", 20}, {"N", 11}, {"D", 10}, {"T", 14}, {"B", 6}})
        EXPECT_EQ(FieldType(table, field), type) << field;
    ASSERT_ADS_OK(AdsCloseTable(table));
}

TEST(StageDefinitions, DefinitionsNeverDestroyATableByAccident)
{
    FolderConnection connection;
    MakePeople(connection.Handle(), ADS_ADT);
    Runner runner(connection.Handle(), ADS_ADT);
    EXPECT_EQ(runner.Try("CREATE TABLE people (X Integer)"), AE_ALREADY_EXISTS);
    EXPECT_EQ(runner.Select("SELECT COUNT(*) AS N FROM people", {"N"}), (Rows{{"3"}}));

    ADSHANDLE open = apitest::OpenTable(connection.Handle(), "people", ADS_ADT);
    EXPECT_NE(runner.Try("DROP TABLE people"), AE_SUCCESS);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(connection.File("people.adt"))));
    ASSERT_ADS_OK(AdsCloseTable(open));
    EXPECT_EQ(runner.Try("DROP TABLE nothing"), 7200u);
    EXPECT_EQ(runner.Try("CREATE TABLE bad (X Integer, Y Char)"), AE_BAD_DEFINITION) << apitest::LastError().text;
}

TEST(StageDefinitions, IndexesAreMadeAndDroppedOnTheTable)
{
    FolderConnection connection;
    MakePeople(connection.Handle(), ADS_CDX);
    Runner runner(connection.Handle(), ADS_CDX);
    runner.Run("CREATE INDEX BYSALARY ON people (SALARY)");
    runner.Run("CREATE UNIQUE INDEX BYNAME ON people (NAME, BORN)");
    EXPECT_EQ(NamesInOrder(connection.Handle(), "people", ADS_CDX, "BYSALARY"),
              (std::vector<std::string>{"Dee", "Bob", "Ann"}));
    // A unique index refuses a second row with its key.
    EXPECT_EQ(runner.Try("INSERT INTO people (NAME, BORN) VALUES ('Bob', '1990-06-15')"), AE_DUPLICATE_KEY);
    runner.Run("INSERT INTO people (NAME, BORN, SALARY) VALUES ('Bob', '1990-06-16', 1)");
    EXPECT_EQ(NamesInOrder(connection.Handle(), "people", ADS_CDX, "BYSALARY"),
              (std::vector<std::string>{"Bob", "Dee", "Bob", "Ann"}));

    runner.Run("DROP INDEX people.BYSALARY");
    ADSHANDLE table = apitest::OpenTable(connection.Handle(), "people", ADS_CDX);
    ADSHANDLE index = 0;
    EXPECT_NE(AdsGetIndexHandle(table, "BYSALARY", &index), AE_SUCCESS);
    EXPECT_ADS_OK(AdsGetIndexHandle(table, "BYNAME", &index));
    ASSERT_ADS_OK(AdsCloseTable(table));
    EXPECT_EQ(runner.Try("CREATE INDEX BYWHAT ON people (NOSUCH)"), 7200u);
    EXPECT_EQ(runner.Try("DROP INDEX people.NOSUCH"), AE_INDEX_NOT_FOUND);
}

std::vector<std::string> DictionaryTables(ADSHANDLE dictionary)
{
    std::vector<std::string> names;
    char name[260] = {};
    UNSIGNED16 length = sizeof name;
    ADSHANDLE find = 0;
    if (AdsDDFindFirstObject(dictionary, ADS_DD_TABLE_OBJECT, "", name, &length, &find) != AE_SUCCESS)
        return names;
    do {
        names.emplace_back(name, length);
        length = sizeof name;
    } while (AdsDDFindNextObject(dictionary, find, name, &length) == AE_SUCCESS);
    AdsDDFindClose(dictionary, find);
    return names;
}

TEST(StageDefinitions, ADictionaryConnectionsTablesAreMadeUsedAndDroppedByName)
{
    ddtest::Dictionary dictionary;
    Runner runner(dictionary.Admin(), ADS_ADT);
    runner.Run("CREATE TABLE clients (NAME Char(20), SINCE Date)");
    EXPECT_EQ(DictionaryTables(dictionary.Admin()), (std::vector<std::string>{"clients"}));
    runner.Run("INSERT INTO clients VALUES ('Ann', '2000-01-01')");
    runner.Run("CREATE INDEX BYNAME ON clients (NAME)");
    EXPECT_EQ(runner.Select("SELECT NAME, SINCE FROM clients", {"NAME"}), (Rows{{"Ann"}}));
    runner.Run("DROP TABLE clients");
    EXPECT_TRUE(DictionaryTables(dictionary.Admin()).empty());
    EXPECT_EQ(runner.Try("SELECT * FROM clients"), 7200u);
}

// ---- long statements ----

std::atomic<int> gAbortCalls{0};
std::atomic<int> gAbortAfter{0};

UNSIGNED32 AbortAfterSomeCalls() { return ++gAbortCalls > gAbortAfter ? 1 : 0; }

class StageLong : public ::testing::Test {
protected:
    void SetUp() override
    {
        ADSHANDLE table = apitest::CreateTable(connection.Handle(), "many", ADS_ADT, "N,Integer;NAME,Char,10;");
        for (int i = 1; i <= 2000; ++i) {
            ASSERT_ADS_OK(AdsAppendRecord(table));
            ASSERT_ADS_OK(AdsSetDouble(table, "N", i));
        }
        ASSERT_ADS_OK(AdsCloseTable(table));
    }
    void TearDown() override { AdsClearSQLAbortFunc(); }

    static constexpr const char* kLongSelect = "SELECT COUNT(*) AS N FROM many a, many b, many c";
    static constexpr const char* kLongLoop = "DECLARE @i Integer; @i = 0; WHILE 1 = 1 DO @i = @i + 1; END WHILE;";

    FolderConnection connection;
    sqlexec::ResultFolders folders;
};

TEST_F(StageLong, TheTimeoutStopsALongStatement)
{
    for (const char* text : {kLongSelect, kLongLoop}) {
        SCOPED_TRACE(text);
        Runner runner(connection.Handle(), ADS_ADT);
        ASSERT_ADS_OK(AdsSetSQLTimeout(runner.Handle(), 1));
        apitest::ExpectFailure(runner.Try(text), 7200, "NativeError = 2117");
    }
    // A connection's timeout is the default of its new statements.
    ASSERT_ADS_OK(AdsSetSQLTimeout(connection.Handle(), 1));
    Runner runner(connection.Handle(), ADS_ADT);
    apitest::ExpectFailure(runner.Try(kLongSelect), 7200, "NativeError = 2117");
    EXPECT_TRUE(folders.Left().isEmpty());
}

TEST_F(StageLong, TheAbortTestStopsALongStatementAndItsChanges)
{
    gAbortCalls = 0;
    gAbortAfter = 5;
    ASSERT_ADS_OK(AdsRegisterSQLAbortFunc(AbortAfterSomeCalls));
    Runner runner(connection.Handle(), ADS_ADT);
    apitest::ExpectFailure(runner.Try(kLongSelect), 7200, "NativeError = 2112");
    gAbortCalls = 0;
    apitest::ExpectFailure(runner.Try(kLongLoop), 7200, "NativeError = 2112");

    // Stopped anywhere in the middle, an UPDATE leaves every record as it
    // was: first count the abort tests a whole run makes.
    gAbortCalls = 0;
    gAbortAfter = 1 << 30;
    runner.Run("UPDATE many SET NAME = NAME");
    int whole = gAbortCalls;
    ASSERT_GT(whole, 4);
    for (int after : {1, whole / 2, whole - 1}) {
        SCOPED_TRACE(after);
        gAbortCalls = 0;
        gAbortAfter = after;
        apitest::ExpectFailure(runner.Try("UPDATE many SET NAME = 'changed'"), 7200, "NativeError = 2112");
        ASSERT_ADS_OK(AdsClearSQLAbortFunc());
        EXPECT_EQ(runner.Select("SELECT COUNT(*) AS N FROM many WHERE NAME = 'changed'", {"N"}), (Rows{{"0"}}));
        ASSERT_ADS_OK(AdsRegisterSQLAbortFunc(AbortAfterSomeCalls));
    }
    ASSERT_ADS_OK(AdsClearSQLAbortFunc());
    runner.Run("UPDATE many SET NAME = 'changed'");
    EXPECT_EQ(runner.RowsAffected(), 2000u);
}

// ---- errors ----

TEST(StageErrors, FaultsOfDataStatementsNameTheirKindAndPlace)
{
    FolderConnection connection;
    MakePeople(connection.Handle(), ADS_ADT);
    const struct {
        const char* text;
        UNSIGNED32 code;
        std::vector<const char*> fragments;
    } cases[] = {
        {"SELECT * FROM people WHERE", 7200, {"NativeError = 2101"}},
        {"SELECT NAME FROM people WHERE NAME = = 'x'", 7200, {"NativeError = 2101", "column 38"}},
        {"SELECT NOSUCH FROM people", 7200, {"NativeError = 2118", "NOSUCH"}},
        {"SELECT NAME FROM people\nWHERE NOFUNCTION(NAME) = 1", 7200, {"NativeError = 2118", "NOFUNCTION", "line 2"}},
        {"SELECT * FROM missing", 7200, {"NativeError = 2116", "missing"}},
        {"INSERT INTO people (AGE) VALUES ('abc')", 7200, {"NativeError = 2109", "AGE"}},
        {"UPDATE people SET BORN = 'yesterday'", 7200, {"NativeError = 2109", "BORN"}},
    };
    Runner runner(connection.Handle(), ADS_ADT);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(runner.Try(c.text), c.code);
        std::string text = apitest::LastError().text;
        for (const char* fragment : c.fragments)
            EXPECT_NE(text.find(fragment), std::string::npos) << text;
    }
    EXPECT_EQ(runner.Select("SELECT COUNT(*) AS N FROM people WHERE AGE IS NULL", {"N"}), (Rows{{"1"}}));
}

TEST(StageErrors, MalformedStatementsFailCleanlyAndChangeNothing)
{
    FolderConnection connection;
    MakePeople(connection.Handle(), ADS_ADT);
    const char* texts[] = {
        "SELECT",
        "SELECT * FROM",
        "SELECT * FROM people WHERE NAME = 'open",
        "INSERT INTO people VALUES (",
        "INSERT INTO people (NAME) VALUES ('a', 'b')",
        "UPDATE people SET",
        "UPDATE people SET NAME = NULL WHERE NOSUCH = 1",
        "DELETE FROM people WHERE (((",
        "DELETE FROM main.people",
        "SELECT * FROM \"peo\"\"ple\"",
        "SELECT load_extension('x') FROM people",
        "SELECT * FROM people p, people q, people r, people s, people t WHERE p.NAME = q.NAME + 1 +",
    };
    Runner runner(connection.Handle(), ADS_ADT);
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        EXPECT_NE(runner.Try(text), AE_SUCCESS);
        EXPECT_FALSE(apitest::LastError().text.empty());
    }
    EXPECT_EQ(runner.Select("SELECT NAME FROM people ORDER BY NAME", {"NAME"}), (Rows{{"Ann"}, {"Bob"}, {"Dee"}}));
}

} // namespace
