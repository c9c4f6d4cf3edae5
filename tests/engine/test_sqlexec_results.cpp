// Result cursors: rows a procedure yields, as a static read-only cursor that
// every cursor call works on, removed with its cursor or its connection.
#include "test_sqlexec_support.h"

#include "engine/sql/value.h"

#include <cstring>

using namespace apitest;
using namespace sqlexec;

namespace {

using sql::DataType;
using sql::Value;

// sp_TestRows(n): n rows of every column type; row i has the values below,
// and NULLs in every column of row 2.
void RegisterRowsProcedure()
{
    engine::RegisterServerProcedure(
        {"sp_TestRows",
         1,
         {{"Number", DataType::Integer},
          {"Name", DataType::String, 12},
          {"Notes", DataType::String},
          {"Ratio", DataType::Double, 0, 2},
          {"Flag", DataType::Logical},
          {"Day", DataType::Date},
          {"At", DataType::Time}},
         [](const std::vector<Value>& args) {
             std::vector<std::vector<Value>> rows;
             for (int64_t i = 1; i <= args[0].integer; ++i) {
                 if (i == 2) {
                     rows.push_back({Value::Null(DataType::Integer), Value::Null(DataType::String),
                                     Value::Null(DataType::String), Value::Null(DataType::Double),
                                     Value::Null(DataType::Logical), Value::Null(DataType::Date),
                                     Value::Null(DataType::Time)});
                     continue;
                 }
                 rows.push_back({Value::Integer(i * 10), Value::String("row " + std::to_string(i)),
                                 Value::String("first line\r\nsecond line of " + std::to_string(i)),
                                 Value::Double(i + 0.25), Value::Logical(i % 2 == 1), Value::Date(2451545 + int32_t(i)),
                                 Value::Time(int32_t(i) * 1000)});
             }
             return rows;
         }});
    engine::RegisterServerProcedure({"sp_TestHuge", 0, {{"Number", DataType::Integer}}, [](const std::vector<Value>&) {
                                         return std::vector<std::vector<Value>>{{Value::Integer(int64_t(1) << 40)}};
                                     }});
}

class ResultCursors : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterRowsProcedure(); }

    ADSHANDLE Run(const std::string& text)
    {
        ADSHANDLE cursor = 0;
        EXPECT_EQ(AdsExecuteSQLDirect(statement.Handle(), text.c_str(), &cursor), AE_SUCCESS) << LastError().text;
        return cursor;
    }

    ResultFolders folders;
    FolderConnection connection;
    StatementOn statement{connection.Handle()};
};

TEST_F(ResultCursors, RowsReadBackThroughTheCursorCalls)
{
    ADSHANDLE cursor = Run("EXECUTE PROCEDURE sp_TestRows(3)");
    ASSERT_NE(cursor, 0u);
    UNSIGNED16 type = 0;
    ASSERT_ADS_OK(AdsGetHandleType(cursor, &type));
    EXPECT_EQ(type, ADS_CURSOR);
    EXPECT_EQ(RecordCount(cursor), 3u);

    const struct {
        UNSIGNED32 record;
        const char* column;
        const char* text;
    } cells[] = {
        {1, "Number", "10"},       {1, "Name", "row 1"}, {1, "Notes", "first line\r\nsecond line of 1"},
        {1, "Ratio", "1.25"},      {1, "Flag", "T"},     {1, "At", "00:00:01"},
        {2, "Number", "<null>"},   {2, "Name", "<null>"}, {2, "Notes", "<null>"},
        {2, "Flag", "<null>"},     {3, "Number", "30"},  {3, "Flag", "T"},
        {3, "Notes", "first line\r\nsecond line of 3"},
    };
    for (const auto& cell : cells) {
        SCOPED_TRACE(std::string(cell.column) + " of " + std::to_string(cell.record));
        ASSERT_ADS_OK(AdsGotoRecord(cursor, cell.record));
        std::string text = Text(cursor, cell.column);
        if (std::string(cell.column) == "At" || std::string(cell.column) == "Ratio")
            EXPECT_EQ(text.substr(0, std::strlen(cell.text)), cell.text);
        else
            EXPECT_EQ(text, cell.text);
    }

    // Record numbers, bookmarks and skips agree, and stay while it is open.
    ASSERT_ADS_OK(AdsGotoBottom(cursor));
    UNSIGNED32 bookmark = 0, recno = 0;
    ASSERT_ADS_OK(AdsGetBookmark(cursor, &bookmark));
    ASSERT_ADS_OK(AdsGetRecordNum(cursor, ADS_IGNOREFILTERS, &recno));
    EXPECT_EQ(bookmark, 3u);
    EXPECT_EQ(recno, 3u);
    ASSERT_ADS_OK(AdsSkip(cursor, -2));
    EXPECT_EQ(Text(cursor, "Number"), "10");
    ASSERT_ADS_OK(AdsGotoBookmark(cursor, bookmark));
    EXPECT_EQ(Text(cursor, "Name"), "row 3");
    ASSERT_ADS_OK(AdsSkip(cursor, 1));
    UNSIGNED16 eof = 0;
    ASSERT_ADS_OK(AdsAtEOF(cursor, &eof));
    EXPECT_EQ(eof, 1);

    UNSIGNED16 live = 7;
    ASSERT_ADS_OK(AdsSqlPeekStatement(cursor, &live));
    EXPECT_EQ(live, 0);
    ASSERT_ADS_OK(AdsCloseTable(cursor));
}

// The calls a query makes on every result it opens and fetches from.
TEST_F(ResultCursors, AnswersTheQuerysOpenAndFetchCalls)
{
    ADSHANDLE cursor = Run("EXECUTE PROCEDURE sp_TestRows(2)");
    ASSERT_NE(cursor, 0u);
    UNSIGNED16 tableType = 0, indexes = 9;
    ASSERT_ADS_OK(AdsGetTableType(cursor, &tableType));
    EXPECT_EQ(tableType, ADS_ADT);
    ASSERT_ADS_OK(AdsGetNumIndexes(cursor, &indexes));
    EXPECT_EQ(indexes, 0);
    UNSIGNED32 length = 0;
    ASSERT_ADS_OK(AdsGetRecordLength(cursor, &length));
    std::vector<UNSIGNED8> image(length);
    ASSERT_ADS_OK(AdsGetNullRecord(cursor, image.data(), length));

    ASSERT_ADS_OK(AdsGotoBOF(cursor));
    ASSERT_ADS_OK(AdsSkip(cursor, 1));
    UNSIGNED16 visible = 0;
    ASSERT_ADS_OK(AdsIsRecordVisible(cursor, &visible));
    EXPECT_EQ(visible, 1);
    ADSHANDLE index = 5;
    ASSERT_ADS_OK(AdsGetIndexHandle(cursor, nullptr, &index));
    EXPECT_EQ(index, 0u);
    UNSIGNED32 recno = 0;
    ASSERT_ADS_OK(AdsGetRecordNum(cursor, ADS_IGNOREFILTERS, &recno));
    EXPECT_EQ(recno, 1u);
    ASSERT_ADS_OK(AdsGetRecord(cursor, image.data(), &length));
    ASSERT_ADS_OK(AdsRefreshRecord(cursor));
    EXPECT_EQ(Text(cursor, "Name"), "row 1");
    ASSERT_ADS_OK(AdsCloseTable(cursor));
}

TEST_F(ResultCursors, ResultIsReadOnly)
{
    ADSHANDLE cursor = Run("EXECUTE PROCEDURE sp_TestRows(1)");
    ASSERT_NE(cursor, 0u);
    UNSIGNED32 options = 0;
    ASSERT_ADS_OK(AdsGetTableOpenOptions(cursor, &options));
    EXPECT_EQ(options & (ADS_READONLY | ADS_EXCLUSIVE), UNSIGNED32(ADS_READONLY));
    ASSERT_ADS_OK(AdsGotoTop(cursor));
    EXPECT_NE(AdsSetString(cursor, "Name", "changed", 7), AE_SUCCESS);
    EXPECT_NE(AdsAppendRecord(cursor), AE_SUCCESS);
    EXPECT_NE(AdsDeleteRecord(cursor), AE_SUCCESS);
    ASSERT_ADS_OK(AdsGotoTop(cursor));
    EXPECT_EQ(Text(cursor, "Name"), "row 1");
    ASSERT_ADS_OK(AdsCloseTable(cursor));
}

TEST_F(ResultCursors, FolderGoesWithTheCursorOrTheConnection)
{
    ADSHANDLE first = Run("EXECUTE PROCEDURE sp_TestRows(2)");
    ADSHANDLE second = Run("EXECUTE PROCEDURE sp_TestRows(0)");
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, 0u);
    EXPECT_EQ(RecordCount(second), 0u);
    EXPECT_EQ(folders.Left().size(), 2);

    ASSERT_ADS_OK(AdsCloseTable(first));
    EXPECT_EQ(folders.Left().size(), 1);
    UNSIGNED16 type = 0;
    EXPECT_NE(AdsGetHandleType(first, &type), AE_SUCCESS);

    // Disconnecting without closing the cursor or the statement releases both.
    ASSERT_ADS_OK(AdsDisconnect(connection.Handle()));
    connection.Forget();
    EXPECT_TRUE(folders.Left().isEmpty());
    EXPECT_NE(AdsGetHandleType(second, &type), AE_SUCCESS);
}

TEST_F(ResultCursors, ValuesTheResultCannotHoldAreRefused)
{
    ADSHANDLE cursor = 0;
    ExpectFailure(AdsExecuteSQLDirect(statement.Handle(), "EXECUTE PROCEDURE sp_TestHuge()", &cursor), AE_VALUE,
                  "32-bit");
    EXPECT_EQ(cursor, 0u);
    EXPECT_TRUE(folders.Left().isEmpty());
}

TEST_F(ResultCursors, PeekRefusesATable)
{
    ADSHANDLE table = CreateTable(connection.Handle(), "plain.adt", ADS_ADT, "ID,Integer;");
    UNSIGNED16 live = 0;
    EXPECT_NE(AdsSqlPeekStatement(table, &live), AE_SUCCESS);
    AdsCloseTable(table);
}

} // namespace
