// INSERT, UPDATE and DELETE through the engine's write paths: indexes kept
// up to date, autoincrement values, rows affected, record locks, the
// connection's transactions, and statements that fail applying nothing.
#include "test_sqlstage_support.h"

namespace {

using namespace sqlstage;
using apitest::FolderConnection;

class StageWrite : public ::testing::TestWithParam<UNSIGNED16> {
protected:
    void SetUp() override
    {
        MakePeople(connection.Handle(), GetParam());
        ADSHANDLE table = apitest::OpenTable(connection.Handle(), "people", GetParam());
        ADSHANDLE index = 0;
        ASSERT_ADS_OK(AdsCreateIndex90(table, nullptr, "BYNAME", "NAME", "", "", ADS_COMPOUND | ADS_CANDIDATE, 0, "",
                                       &index));
        ASSERT_ADS_OK(AdsCloseTable(table));
    }
    std::vector<std::string> ByName() { return NamesInOrder(connection.Handle(), "people", GetParam(), "BYNAME"); }

    FolderConnection connection;
};

TEST_P(StageWrite, ChangesGoThroughTheIndexesAndCountTheirRows)
{
    Runner runner(connection.Handle(), GetParam());
    const struct {
        const char* text;
        UNSIGNED32 affected;
        std::vector<std::string> byName;
    } steps[] = {
        {"INSERT INTO people (NAME, AGE, SALARY) VALUES ('Cat', 20, 10), ('Abe', 70, 20)", 2,
         {"Abe", "Ann", "Bob", "Cat", "Dee"}},
        {"UPDATE people SET NAME = 'Zed', SALARY = SALARY * 2 WHERE NAME = 'Abe'", 1,
         {"Ann", "Bob", "Cat", "Dee", "Zed"}},
        {"UPDATE people SET AGE = AGE + 1 WHERE AGE IS NOT NULL", 4, {"Ann", "Bob", "Cat", "Dee", "Zed"}},
        {"DELETE FROM people WHERE SALARY < 20", 1, {"Ann", "Bob", "Dee", "Zed"}},
        {"UPDATE people SET NAME = 'Nobody' WHERE 1 = 0", 0, {"Ann", "Bob", "Dee", "Zed"}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.text);
        EXPECT_EQ(runner.Run(step.text), 0u);
        EXPECT_EQ(runner.RowsAffected(), step.affected);
        EXPECT_EQ(ByName(), step.byName);
    }
    EXPECT_EQ(runner.Select("SELECT NAME, AGE, SALARY FROM people ORDER BY NAME", {"NAME", "AGE", "SALARY"}),
              (Rows{{"Ann", "32", "1200.50"}, {"Bob", "46", "800.00"}, {"Dee", "<null>", "50.25"},
                    {"Zed", "71", "40.00"}}));
    // The index finds the new key and no longer the old one.
    ADSHANDLE table = apitest::OpenTable(connection.Handle(), "people", GetParam());
    ADSHANDLE index = 0;
    ASSERT_ADS_OK(AdsGetIndexHandle(table, "BYNAME", &index));
    for (auto [key, found] : {std::pair{"Zed", 1}, {"Abe", 0}}) {
        UNSIGNED16 isFound = 9;
        ASSERT_ADS_OK(AdsSeek(index, reinterpret_cast<const UNSIGNED8*>(key), 3, ADS_STRINGKEY, ADS_HARDSEEK, &isFound));
        EXPECT_EQ(isFound, found) << key;
    }
    ASSERT_ADS_OK(AdsCloseTable(table));
}

TEST_P(StageWrite, AFailingStatementAppliesNothing)
{
    Runner runner(connection.Handle(), GetParam());
    const struct {
        const char* text;
        UNSIGNED32 code;
    } cases[] = {
        // The second row would repeat the first one's key.
        {"UPDATE people SET NAME = 'Same'", AE_DUPLICATE_KEY},
        {"INSERT INTO people (NAME) VALUES ('New'), ('Ann')", AE_DUPLICATE_KEY},
        {"INSERT INTO people (NAME, BORN) SELECT NAME || '2', 'not a date' FROM people", 7200},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(runner.Try(c.text), c.code) << apitest::LastError().text;
        EXPECT_EQ(ByName(), (std::vector<std::string>{"Ann", "Bob", "Dee"}));
        EXPECT_EQ(runner.Select("SELECT COUNT(*) AS N FROM people", {"N"}), (Rows{{"3"}}));
    }
}

TEST_P(StageWrite, ARecordLockedElsewhereStopsTheStatementWhole)
{
    ADSHANDLE second = 0;
    ASSERT_ADS_OK(AdsConnect(connection.Folder().c_str(), &second));
    ADSHANDLE locked = apitest::OpenTable(second, "people", GetParam());
    ASSERT_ADS_OK(AdsLockRecord(locked, 2));

    Runner runner(connection.Handle(), GetParam());
    EXPECT_EQ(runner.Try("UPDATE people SET SALARY = 1"), AE_LOCK_CONFLICT) << apitest::LastError().text;
    EXPECT_EQ(runner.Select("SELECT SALARY FROM people ORDER BY NAME", {"SALARY"}),
              (Rows{{"1200.50"}, {"800.00"}, {"50.25"}}));
    AdsDisconnect(second);
    EXPECT_EQ(runner.Run("UPDATE people SET SALARY = 1"), 0u);
    EXPECT_EQ(runner.RowsAffected(), 3u);
}

TEST_P(StageWrite, AnUpdateInATransactionRollsBackWithIt)
{
    Runner runner(connection.Handle(), GetParam());
    ASSERT_ADS_OK(AdsBeginTransaction(connection.Handle()));
    runner.Run("UPDATE people SET NAME = 'Ann2' WHERE NAME = 'Ann'");
    runner.Run("INSERT INTO people (NAME) VALUES ('Eve')");
    // A failing statement inside the transaction undoes only itself.
    EXPECT_EQ(runner.Try("UPDATE people SET NAME = 'Same'"), AE_DUPLICATE_KEY);
    EXPECT_EQ(runner.Select("SELECT NAME FROM people ORDER BY NAME", {"NAME"}),
              (Rows{{"Ann2"}, {"Bob"}, {"Dee"}, {"Eve"}}));
    ASSERT_ADS_OK(AdsRollbackTransaction(connection.Handle()));
    EXPECT_EQ(runner.Select("SELECT NAME FROM people ORDER BY NAME", {"NAME"}), (Rows{{"Ann"}, {"Bob"}, {"Dee"}}));
    EXPECT_EQ(ByName(), (std::vector<std::string>{"Ann", "Bob", "Dee"}));

    ASSERT_ADS_OK(AdsBeginTransaction(connection.Handle()));
    runner.Run("DELETE FROM people WHERE NAME = 'Bob'");
    ASSERT_ADS_OK(AdsCommitTransaction(connection.Handle()));
    EXPECT_EQ(ByName(), (std::vector<std::string>{"Ann", "Dee"}));
}

INSTANTIATE_TEST_SUITE_P(TableTypes, StageWrite, ::testing::Values(ADS_NTX, ADS_CDX, ADS_ADT, ADS_VFP),
                         [](const auto& info) { return TypeName(info.param); });

TEST(StageWriteValues, EveryColumnTypeIsWrittenAsTheEngineReadsIt)
{
    FolderConnection connection;
    ADSHANDLE table = apitest::CreateTable(connection.Handle(), "items", ADS_ADT,
                                           "ID,AutoInc;CODE,Char,8;QTY,Integer;PRICE,Numeric,8,2;SOLD,Date;"
                                           "OK,Logical;AT,Time;NOTE,Memo;WORD,NChar,5;");
    ASSERT_ADS_OK(AdsCloseTable(table));
    Runner runner(connection.Handle(), ADS_ADT);
    runner.Prepare("INSERT INTO items (CODE, QTY, PRICE, SOLD, OK, AT, NOTE, WORD) "
                   "VALUES (:code, :qty, :price, :sold, :ok, '12:34:56', :note, :word)");
    ASSERT_ADS_OK(AdsSetString(runner.Handle(), ADSFIELD(1), "A-1", 3));
    ASSERT_ADS_OK(AdsSetDouble(runner.Handle(), ADSFIELD(2), 7));
    ASSERT_ADS_OK(AdsSetDouble(runner.Handle(), ADSFIELD(3), 19.99));
    ASSERT_ADS_OK(AdsSetJulian(runner.Handle(), ADSFIELD(4), kJan1st2000));
    ASSERT_ADS_OK(AdsSetLogical(runner.Handle(), ADSFIELD(5), 1));
    std::string note = LongNote();
    ASSERT_ADS_OK(AdsSetString(runner.Handle(), ADSFIELD(6), note.c_str(), UNSIGNED32(note.size())));
    ASSERT_ADS_OK(AdsSetString(runner.Handle(), ADSFIELD(7), "W\xe9rt", 4));
    for (int i = 0; i < 2; ++i) {
        ADSHANDLE cursor = 9;
        ASSERT_ADS_OK(runner.Execute(&cursor));
        EXPECT_EQ(cursor, 0u);
        EXPECT_EQ(runner.RowsAffected(), 1u);
        UNSIGNED32 autoinc = 0;
        ASSERT_ADS_OK(AdsGetLastAutoinc(runner.Handle(), &autoinc));
        EXPECT_EQ(autoinc, UNSIGNED32(i + 1));
    }
    runner.Run("INSERT INTO items (CODE) VALUES (NULL)");
    table = apitest::OpenTable(connection.Handle(), "items", ADS_ADT);
    ASSERT_ADS_OK(AdsGotoTop(table));
    for (auto [field, text] : {std::pair{"ID", "1"}, {"CODE", "A-1"}, {"QTY", "7"}, {"PRICE", "19.99"},
                              {"OK", "T"}, {"WORD", "W\xe9rt"}})
        EXPECT_EQ(apitest::FieldText(table, field), text) << field;
    EXPECT_EQ(apitest::FieldText(table, "NOTE"), note);
    EXPECT_EQ(runner.Select("SELECT SOLD, AT FROM items WHERE ID = 2", {"SOLD", "AT"}),
              runner.Select("SELECT SOLD, AT FROM items WHERE ID = 1", {"SOLD", "AT"}));
    EXPECT_EQ(runner.Select("SELECT COUNT(*) AS N FROM items WHERE SOLD = '2000-01-01' AND AT = '12:34:56'", {"N"}),
              (Rows{{"2"}}));
    EXPECT_EQ(runner.Select("SELECT ID FROM items WHERE CODE IS NULL AND QTY IS NULL", {"ID"}), (Rows{{"3"}}));
    ASSERT_ADS_OK(AdsCloseTable(table));
}

} // namespace
