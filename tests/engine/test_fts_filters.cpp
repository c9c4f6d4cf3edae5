// Optimized filters with CONTAINS: a full-text index on the column answers
// the term, and the records shown are the same with and without it.
#include "tests/engine/test_filter_support.h"

using namespace apitest;
using namespace filtertest;

namespace {

std::vector<UNSIGNED32> Shown(ADSHANDLE table)
{
    std::vector<UNSIGNED32> records;
    UNSIGNED16 eof = 0;
    EXPECT_ADS_OK(AdsGotoTop(table));
    for (AdsAtEOF(table, &eof); !eof; AdsSkip(table, 1), AdsAtEOF(table, &eof))
        records.push_back(RecordNumber(table));
    return records;
}

UNSIGNED16 OptimizationLevel(ADSHANDLE table)
{
    UNSIGNED16 level = 99;
    char text[200] = {};
    UNSIGNED32 length = sizeof text;
    EXPECT_ADS_OK(AdsGetAOFOptLevel100(table, &level, text, &length, 0));
    return level;
}

void Append(ADSHANDLE table, const char* title, int qty)
{
    ASSERT_ADS_OK(AdsAppendRecord(table));
    ASSERT_ADS_OK(AdsSetString(table, "TITLE", title, UNSIGNED32(strlen(title))));
    ASSERT_ADS_OK(AdsSetDouble(table, "QTY", qty));
    ASSERT_ADS_OK(AdsWriteRecord(table));
}

TEST(FullTextFilters, ContainsTermsAreAnsweredByTheIndexWithTheSameRecords)
{
    FolderConnection connection;
    ADSHANDLE table = CreateTable(connection.Handle(), "pets", ADS_CDX, "TITLE,Char,30;QTY,Numeric,4,0;");
    Append(table, "quick brown fox", 1);
    Append(table, "lazy dog", 2);
    Append(table, "foxes and hounds", 3);
    Append(table, "Fox terrier", 4);
    Append(table, "", 5);
    ASSERT_ADS_OK(AdsGotoRecord(table, 4));
    ASSERT_ADS_OK(AdsDeleteRecord(table));
    ShownDeleted hidden(false);

    struct Case {
        const char* filter;
        UNSIGNED16 indexedLevel;
        std::vector<UNSIGNED32> records;
    } cases[] = {
        {"CONTAINS(TITLE, 'fox*')", ADS_OPTIMIZED_FULL, {1, 3}},
        {"contains( title , \"fox* AND NOT quick\" ) AND QTY > 1", ADS_OPTIMIZED_PART, {3}},
        {"CONTAINS(TITLE, 'NOT fox*')", ADS_OPTIMIZED_FULL, {2, 5}},
        // An OR is answered only when every part of it is.
        {"CONTAINS(TITLE, 'dog') OR QTY = 3", ADS_OPTIMIZED_NONE, {2, 3}},
        {"CONTAINS(TITLE, 'dog') .OR. CONTAINS(TITLE, 'hounds')", ADS_OPTIMIZED_FULL, {2, 3}},
        {"(CONTAINS(TITLE, 'lazy') OR CONTAINS(TITLE, 'quick')) AND QTY < 2", ADS_OPTIMIZED_PART, {1}},
        {"CONTAINS(TITLE, 'cat') OR (CONTAINS(TITLE, 'fox*') AND CONTAINS(TITLE, 'and'))", ADS_OPTIMIZED_FULL, {3}},
        {"CONTAINS(TITLE, 'terrier') OR CONTAINS(TITLE, 'dog*')", ADS_OPTIMIZED_FULL, {2}},
    };
    for (const Case& c : cases) {
        ASSERT_ADS_OK(SetAof(table, c.filter));
        EXPECT_EQ(OptimizationLevel(table), ADS_OPTIMIZED_NONE) << c.filter << ": no full-text index yet";
        EXPECT_EQ(Shown(table), c.records) << c.filter;
        ASSERT_ADS_OK(AdsClearAOF(table));
    }
    ADSHANDLE index = 0;
    ASSERT_ADS_OK(AdsCreateFTSIndex(table, "", "WORDS", "TITLE", 0, 0, 0, 0, &index));
    for (const Case& c : cases) {
        ASSERT_ADS_OK(SetAof(table, c.filter));
        EXPECT_EQ(OptimizationLevel(table), c.indexedLevel) << c.filter;
        EXPECT_EQ(Shown(table), c.records) << c.filter;
        ASSERT_ADS_OK(AdsClearAOF(table));
    }

    // With an index on the other part as well, the OR of both is answered.
    ADSHANDLE byQty = 0;
    ASSERT_ADS_OK(AdsCreateIndex90(table, "", "QTY", "QTY", "", "", ADS_COMPOUND, 0, "", &byQty));
    ASSERT_ADS_OK(SetAof(table, "CONTAINS(TITLE, 'dog') OR QTY = 3"));
    EXPECT_EQ(OptimizationLevel(table), ADS_OPTIMIZED_FULL);
    EXPECT_EQ(Shown(table), (std::vector<UNSIGNED32>{2, 3}));
    ASSERT_ADS_OK(AdsClearAOF(table));

    // A dynamic filter reads the index again: a record written later joins.
    ASSERT_ADS_OK(SetAof(table, "CONTAINS(TITLE, 'fox*')"));
    Append(table, "a fox again", 6);
    EXPECT_EQ(Shown(table), (std::vector<UNSIGNED32>{1, 3, 6}));
    // An index deleted meanwhile no longer narrows; the records stay right.
    ASSERT_ADS_OK(AdsDeleteIndex(index));
    EXPECT_EQ(Shown(table), (std::vector<UNSIGNED32>{1, 3, 6}));
    ASSERT_ADS_OK(AdsCloseTable(table));
}

} // namespace
