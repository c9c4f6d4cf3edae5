// SELECT over the engine's tables of every type: values, NULLs, memos,
// joins, ordering, parameters, aggregates and the dialect the engine's own
// texts use, read back through the static result cursor.
#include "test_sqlstage_support.h"

namespace {

using namespace sqlstage;
using apitest::FolderConnection;

class StageSelect : public ::testing::TestWithParam<UNSIGNED16> {
protected:
    void SetUp() override
    {
        MakePeople(connection.Handle(), GetParam());
        ADSHANDLE pets = apitest::CreateTable(connection.Handle(), "pets", GetParam(), "OWNER,Char,20;PET,Char,10;");
        for (auto [owner, pet] : {std::pair{"Ann", "cat"}, {"Ann", "dog"}, {"Bob", "eel"}}) {
            ASSERT_ADS_OK(AdsAppendRecord(pets));
            SetText(pets, "OWNER", owner);
            SetText(pets, "PET", pet);
        }
        ASSERT_ADS_OK(AdsCloseTable(pets));
    }

    sqlexec::ResultFolders folders;
    FolderConnection connection;
};

TEST_P(StageSelect, QueriesAnswerFromTheTablesRecords)
{
    const struct {
        const char* text;
        std::vector<const char*> columns;
        Rows rows;
    } cases[] = {
        {"SELECT NAME, AGE FROM people WHERE AGE > 40", {"NAME", "AGE"}, {{"Bob", "45"}}},
        {"SELECT NAME FROM people ORDER BY NAME DESC", {"NAME"}, {{"Dee"}, {"Bob"}, {"Ann"}}},
        {"SELECT NAME FROM people WHERE AGE IS NULL", {"NAME"}, {{"Dee"}}},
        {"SELECT NAME FROM people WHERE BORN IS NULL", {"NAME"}, {{"Dee"}}},
        {"SELECT NAME FROM people WHERE ACTIVE = TRUE ORDER BY NAME", {"NAME"}, {{"Ann"}, {"Dee"}}},
        {"SELECT NAME FROM people WHERE BORN < '1995-01-01'", {"NAME"}, {{"Bob"}}},
        {"SELECT NAME FROM people WHERE SALARY BETWEEN 800 AND 1200.5 ORDER BY SALARY", {"NAME"}, {{"Bob"}, {"Ann"}}},
        {"SELECT COUNT(*) AS N, SUM(SALARY) AS TOTAL, MAX(AGE) AS OLDEST FROM people", {"N", "TOTAL", "OLDEST"},
         {{"3", "2050.75", "45"}}},
        {"SELECT ACTIVE, COUNT(*) AS N FROM people GROUP BY ACTIVE ORDER BY N", {"N"}, {{"1"}, {"2"}}},
        {"SELECT DISTINCT OWNER FROM pets ORDER BY OWNER", {"OWNER"}, {{"Ann"}, {"Bob"}}},
        {"SELECT TOP 2 NAME FROM people ORDER BY SALARY DESC", {"NAME"}, {{"Ann"}, {"Bob"}}},
        {"SELECT TOP 1 START AT 2 NAME FROM people ORDER BY NAME", {"NAME"}, {{"Bob"}}},
        {"SELECT NAME + '!' AS SHOUT FROM people WHERE NAME = 'Ann'", {"SHOUT"}, {{"Ann!"}}},
        {"SELECT TRIM(NAME) + '/' + NAME AS BOTH FROM people WHERE NAME = 'Bob'", {"BOTH"}, {{"Bob/Bob"}}},
        {"SELECT UCASE(NAME) AS U, LEFT(NAME, 2) AS L FROM people WHERE NAME LIKE 'a%'", {"U", "L"},
         {{"ANN", "An"}}},
        {"SELECT NOTE FROM people ORDER BY NAME", {"NOTE"}, {{"likes tea"}, {"<null>"}, {LongNote()}}},
        {"SELECT p.NAME, q.PET FROM people p JOIN pets q ON q.OWNER = p.NAME ORDER BY q.PET", {"NAME", "PET"},
         {{"Ann", "cat"}, {"Ann", "dog"}, {"Bob", "eel"}}},
        {"SELECT NAME FROM people WHERE NAME NOT IN (SELECT OWNER FROM pets)", {"NAME"}, {{"Dee"}}},
        {"SELECT NAME FROM \"people\" WHERE [NAME] = 'Dee'", {"NAME"}, {{"Dee"}}},
        {"SELECT NAME FROM people WHERE NAME = 'Nobody'", {"NAME"}, {}},
    };
    Runner runner(connection.Handle(), GetParam());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(runner.Select(c.text, c.columns), c.rows);
    }
    EXPECT_TRUE(folders.Left().isEmpty());
}

TEST_P(StageSelect, ParametersAndVariablesAreBoundAsValues)
{
    Runner runner(connection.Handle(), GetParam());
    runner.Prepare("SELECT NAME FROM people WHERE AGE > :youngest AND NAME <> :skipped ORDER BY NAME");
    ASSERT_ADS_OK(AdsSetDouble(runner.Handle(), ADSFIELD(1), 20));
    ASSERT_ADS_OK(AdsSetString(runner.Handle(), ADSFIELD(2), "Bob", 3));
    ADSHANDLE cursor = 0;
    ASSERT_ADS_OK(runner.Execute(&cursor));
    EXPECT_EQ(ReadRows(cursor, {"NAME"}), (Rows{{"Ann"}}));

    // A text that looks like SQL stays a value.
    runner.Prepare("SELECT COUNT(*) AS N FROM people WHERE NAME = :name");
    const char* injected = "x' OR '1' = '1";
    ASSERT_ADS_OK(AdsSetString(runner.Handle(), ADSFIELD(1), injected, UNSIGNED32(strlen(injected))));
    ASSERT_ADS_OK(runner.Execute(&cursor));
    EXPECT_EQ(ReadRows(cursor, {"N"}), (Rows{{"0"}}));

    // A number bound as text still adds to a number.
    runner.Prepare("SELECT NAME FROM people WHERE AGE = :before + 1");
    ASSERT_ADS_OK(AdsSetString(runner.Handle(), ADSFIELD(1), "44", 2));
    ASSERT_ADS_OK(runner.Execute(&cursor));
    EXPECT_EQ(ReadRows(cursor, {"NAME"}), (Rows{{"Bob"}}));

    const char* script = "DECLARE @owner Char(20); DECLARE c CURSOR AS SELECT PET FROM pets WHERE OWNER = @owner "
                         "ORDER BY PET; @owner = 'Ann'; OPEN c;";
    EXPECT_EQ(runner.Select(script, {"PET"}), (Rows{{"cat"}, {"dog"}}));
}

TEST_P(StageSelect, ResultColumnsKeepTheTableColumnsTypes)
{
    Runner runner(connection.Handle(), GetParam());
    ADSHANDLE cursor = runner.Run("SELECT NAME, AGE, SALARY, BORN, ACTIVE, NOTE, COUNT(*) OVER () AS N, "
                                  "NAME + 'x' AS LONGER FROM people");
    ASSERT_NE(cursor, 0u);
    bool integers = GetParam() == ADS_ADT || GetParam() == ADS_VFP;
    const struct {
        const char* column;
        UNSIGNED16 type;
        UNSIGNED32 length; // 0: not checked
        UNSIGNED16 decimals;
    } expected[] = {
        {"NAME", ADS_STRING, 20, 0},
        {"AGE", UNSIGNED16(integers ? ADS_INTEGER : ADS_NUMERIC), UNSIGNED32(integers ? 0 : 5), 0},
        {"SALARY", ADS_NUMERIC, 10, 2},
        {"BORN", ADS_DATE, 0, 0},
        {"ACTIVE", ADS_LOGICAL, 0, 0},
        {"NOTE", ADS_MEMO, 0, 0},
        {"N", ADS_INTEGER, 0, 0},
        {"LONGER", ADS_STRING, 0, 0},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.column);
        UNSIGNED16 type = 0;
        EXPECT_ADS_OK(AdsGetFieldType(cursor, e.column, &type));
        EXPECT_EQ(type, e.type);
        if (e.length) {
            UNSIGNED32 length = 0;
            UNSIGNED16 decimals = 0;
            EXPECT_ADS_OK(AdsGetFieldLength(cursor, e.column, &length));
            EXPECT_ADS_OK(AdsGetFieldDecimals(cursor, e.column, &decimals));
            EXPECT_EQ(length, e.length);
            EXPECT_EQ(decimals, e.decimals);
        }
    }
    EXPECT_ADS_OK(AdsCloseTable(cursor));
}

INSTANTIATE_TEST_SUITE_P(TableTypes, StageSelect, ::testing::Values(ADS_NTX, ADS_CDX, ADS_ADT, ADS_VFP),
                         [](const auto& info) { return TypeName(info.param); });

TEST(StageSelectNulls, NullsAndUnicodeOfTheEnginesOwnFormatSurvive)
{
    FolderConnection connection;
    ADSHANDLE table = apitest::CreateTable(connection.Handle(), "wide", ADS_ADT,
                                           "ID,Integer;WORD,NChar,10;STAMP,TimeStamp;AT,Time;DATA,Blob;");
    ASSERT_ADS_OK(AdsAppendRecord(table));
    ASSERT_ADS_OK(AdsSetDouble(table, "ID", 1));
    ASSERT_ADS_OK(AdsSetStringW(table, "WORD", u"\u0416\u00e9\u4e2d", 3));
    ASSERT_ADS_OK(AdsSetField(table, "AT", "10:30:00", 8));
    const UNSIGNED8 bytes[] = {0, 1, 2, 255};
    ASSERT_ADS_OK(AdsSetBinary(table, "DATA", ADS_BINARY, 4, 0, bytes, 4));
    ASSERT_ADS_OK(AdsAppendRecord(table));
    ASSERT_ADS_OK(AdsSetDouble(table, "ID", 2));
    ASSERT_ADS_OK(AdsCloseTable(table));

    Runner runner(connection.Handle(), ADS_ADT);
    EXPECT_EQ(runner.Select("SELECT ID FROM wide WHERE WORD IS NULL AND STAMP IS NULL AND DATA IS NULL", {"ID"}),
              (Rows{{"2"}}));
    EXPECT_EQ(runner.Select("SELECT LENGTH(WORD) AS L, LENGTH(DATA) AS B, AT FROM wide WHERE ID = 1",
                            {"L", "B"}),
              (Rows{{"3", "4"}}));
    ADSHANDLE cursor = runner.Run("SELECT WORD FROM wide WHERE AT > '10:00:00'");
    ASSERT_NE(cursor, 0u);
    ASSERT_ADS_OK(AdsGotoTop(cursor));
    char16_t word[16] = {};
    UNSIGNED32 length = 16;
    ASSERT_ADS_OK(AdsGetFieldW(cursor, "WORD", word, &length, ADS_TRIM));
    // The result column keeps the table column's Unicode type: every character survives.
    EXPECT_EQ(std::u16string(word, length), u"\u0416\u00e9\u4e2d");
    ASSERT_ADS_OK(AdsCloseTable(cursor));
}

} // namespace

namespace {

TEST(StageSelectNames, NamesWithBlanksAndPathsReachTheirTablesAndColumns)
{
    apitest::FolderConnection connection;
    ADSHANDLE table = apitest::CreateTable(connection.Handle(), "odd names", ADS_ADT, "Connection Name,Char,20;");
    ASSERT_ADS_OK(AdsAppendRecord(table));
    sqlstage::SetText(table, "Connection Name", "desk 1");
    ASSERT_ADS_OK(AdsCloseTable(table));

    sqlstage::Runner runner(connection.Handle(), ADS_ADT);
    std::string path = connection.File("odd names.adt");
    const std::string texts[] = {
        "SELECT [Connection Name] FROM \"odd names\"",
        "SELECT \"Connection Name\" FROM [odd names] WHERE [Connection Name] LIKE 'desk%'",
        "SELECT [Connection Name] FROM \"" + path + "\"",
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        EXPECT_EQ(runner.Select(text, {"Connection Name"}), (sqlstage::Rows{{"desk 1"}}));
    }
}

} // namespace

namespace {

UNSIGNED16 LiveFlag(ADSHANDLE cursor)
{
    UNSIGNED16 live = 9;
    EXPECT_ADS_OK(AdsSqlPeekStatement(cursor, &live));
    return live;
}

TEST(StageSelectLive, APlainSelectAskedForLiveIsTheTableItself)
{
    apitest::FolderConnection connection;
    sqlstage::MakePeople(connection.Handle(), ADS_ADT);
    sqlstage::Runner runner(connection.Handle(), ADS_ADT);
    ASSERT_ADS_OK(AdsStmtSetTableReadOnly(runner.Handle(), ADS_CURSOR_READWRITE));
    ADSHANDLE live = runner.Run("SELECT * FROM people");
    ASSERT_NE(live, 0u);
    EXPECT_EQ(LiveFlag(live), 1);
    ASSERT_ADS_OK(AdsGotoTop(live));
    sqlstage::SetText(live, "NAME", "Amy");
    ASSERT_ADS_OK(AdsWriteRecord(live));
    ASSERT_ADS_OK(AdsCloseTable(live));

    // Anything more than the plain form stays a static copy.
    ADSHANDLE filtered = runner.Run("SELECT * FROM people WHERE NAME = 'Amy'");
    ASSERT_NE(filtered, 0u);
    EXPECT_EQ(LiveFlag(filtered), 0);
    ASSERT_ADS_OK(AdsGotoTop(filtered));
    EXPECT_NE(AdsSetString(filtered, "NAME", "Zoe", 3), AE_SUCCESS);
    ASSERT_ADS_OK(AdsCloseTable(filtered));

    sqlstage::Runner staticRunner(connection.Handle(), ADS_ADT);
    ADSHANDLE copy = staticRunner.Run("SELECT * FROM people");
    EXPECT_EQ(LiveFlag(copy), 0);
    EXPECT_EQ(sqlstage::ReadRows(copy, {"NAME"}), (sqlstage::Rows{{"Amy"}, {"Bob"}, {"Dee"}}));
}

} // namespace
