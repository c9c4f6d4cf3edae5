// Index orders through the C interface, for every table type: creation on
// filled and empty tables, upkeep through appends, edits, deletes, pack and
// zap, descending and FOR-limited orders, unique and candidate keys.
#include "tests/engine/test_index_support.h"

#include <algorithm>
#include <random>

using namespace apitest;
using namespace indextest;

namespace {

class IndexOrders : public ::testing::TestWithParam<UNSIGNED16> {
protected:
    ADSHANDLE NewTable(const std::vector<std::string>& names)
    {
        ADSHANDLE table = CreateTable(mConnection.Handle(), "people", GetParam(), kFields);
        double amount = 1;
        for (const std::string& name : names)
            AppendRow(table, name, amount++);
        return table;
    }
    ADSHANDLE Reopen(ADSHANDLE table, UNSIGNED32 options = 0)
    {
        EXPECT_ADS_OK(AdsCloseTable(table));
        return OpenTable(mConnection.Handle(), "people", GetParam(), options);
    }
    ADSHANDLE Tag(ADSHANDLE table, const char* name)
    {
        ADSHANDLE index = 0;
        EXPECT_ADS_OK(AdsGetIndexHandle(table, name, &index));
        return index;
    }

    FolderConnection mConnection;
};

TEST_P(IndexOrders, KeepsOrderThroughEveryKindOfChange)
{
    // An index made on a filled table, and one made while it was empty.
    ADSHANDLE table = CreateTable(mConnection.Handle(), "people", GetParam(), kFields);
    ADSHANDLE early = CreateIndex(table, "EARLY", "NAME");
    for (const char* name : {"pear", "apple", "fig", "kiwi"})
        AppendRow(table, name, 1);
    ADSHANDLE late = CreateIndex(table, "LATE", "NAME");
    std::vector<std::string> sorted{"apple", "fig", "kiwi", "pear"};
    EXPECT_EQ(Walk(table, early), sorted);
    EXPECT_EQ(Walk(table, late), sorted);

    // An edit that moves a key, an append, a delete hidden from view.
    ASSERT_ADS_OK(AdsGotoTop(late)); // apple
    SetName(table, "zucchini");
    AppendRow(table, "banana", 2);
    EXPECT_EQ(Walk(table, early), (std::vector<std::string>{"banana", "fig", "kiwi", "pear", "zucchini"}));
    ASSERT_ADS_OK(AdsGotoTop(early)); // banana
    ASSERT_ADS_OK(AdsDeleteRecord(table));
    ASSERT_ADS_OK(AdsWriteRecord(table));
    AdsSetDeleted(0);
    EXPECT_EQ(Walk(table, late), (std::vector<std::string>{"fig", "kiwi", "pear", "zucchini"}));
    AdsSetDeleted(1);

    // The index survives closing and opening with the table.
    table = Reopen(table, ADS_EXCLUSIVE);
    late = Tag(table, "LATE");
    EXPECT_EQ(Walk(table, late), (std::vector<std::string>{"banana", "fig", "kiwi", "pear", "zucchini"}));
    ASSERT_ADS_OK(AdsPackTable(table));
    EXPECT_EQ(Walk(table, late), (std::vector<std::string>{"fig", "kiwi", "pear", "zucchini"}));
    ASSERT_ADS_OK(AdsZapTable(table));
    EXPECT_TRUE(Walk(table, late).empty());
    AppendRow(table, "plum", 1);
    EXPECT_EQ(Walk(table, Tag(table, "EARLY")), (std::vector<std::string>{"plum"}));
    AdsCloseTable(table);
}

TEST_P(IndexOrders, DescendingNumericAndConditionalOrders)
{
    ADSHANDLE table = NewTable({"d", "a", "c", "b"}); // amounts 1..4
    ADSHANDLE down = CreateIndex(table, "DOWN", "AMOUNT", ADS_DESCENDING);
    ADSHANDLE some = CreateIndex(table, "SOME", "NAME", 0, "AMOUNT > 2");
    EXPECT_EQ(Walk(table, down), (std::vector<std::string>{"b", "c", "a", "d"}));
    EXPECT_EQ(Walk(table, some), (std::vector<std::string>{"b", "c"}));
    AppendRow(table, "e", 0.5); // below the condition
    AppendRow(table, "aa", 9);
    EXPECT_EQ(Walk(table, some), (std::vector<std::string>{"aa", "b", "c"}));
    EXPECT_EQ(Walk(table, down), (std::vector<std::string>{"aa", "b", "c", "a", "d", "e"}));
    UNSIGNED32 count = 0;
    ASSERT_ADS_OK(AdsGetRecordCount(some, ADS_RESPECTFILTERS, &count));
    EXPECT_EQ(count, 3u);
    UNSIGNED16 flag = 0;
    ASSERT_ADS_OK(AdsIsIndexDescending(down, &flag));
    EXPECT_EQ(flag, 1);
    char text[64];
    UNSIGNED16 length = sizeof text;
    ASSERT_ADS_OK(AdsGetIndexCondition(some, text, &length));
    EXPECT_EQ(std::string(text, length), "AMOUNT > 2");
    AdsCloseTable(table);
}

TEST_P(IndexOrders, UniqueKeepsTheOldestRecordAndCandidateRefusesDuplicates)
{
    ADSHANDLE table = NewTable({"b", "a", "b", "c"});
    ADSHANDLE unique = CreateIndex(table, "UNIQ", "NAME", ADS_UNIQUE);
    EXPECT_EQ(Walk(table, unique), (std::vector<std::string>{"a", "b", "c"}));
    ASSERT_ADS_OK(AdsGotoTop(unique));
    ASSERT_ADS_OK(AdsSkip(unique, 1));
    EXPECT_EQ(RecordNumber(table), 1u) << "the first record with the key wins";
    SetName(table, "x"); // the winner leaves: record 3 takes its place
    ASSERT_ADS_OK(AdsGotoTop(unique));
    ASSERT_ADS_OK(AdsSkip(unique, 1));
    EXPECT_EQ(RecordNumber(table), 3u);

    // A candidate index cannot be made over duplicates, and refuses new ones.
    ASSERT_ADS_OK(AdsGotoRecord(table, 1));
    SetName(table, "b");
    ADSHANDLE candidate = 0;
    ExpectFailure(AdsCreateIndex90(table, "", "CAND", "NAME", "", "", ADS_CANDIDATE | ADS_COMPOUND, 0, "", &candidate),
                  AE_DUPLICATE_KEY, "candidate");
    ASSERT_ADS_OK(AdsGotoRecord(table, 3));
    SetName(table, "y");
    candidate = CreateIndex(table, "CAND", "NAME", ADS_CANDIDATE);
    ASSERT_ADS_OK(AdsGotoRecord(table, 4));
    ASSERT_ADS_OK(AdsSetField(table, "NAME", "a", 1));
    ExpectFailure(AdsWriteRecord(table), AE_DUPLICATE_KEY, "record 2");
    ASSERT_ADS_OK(AdsCancelUpdate(table));
    EXPECT_EQ(FieldText(table, "NAME"), "c") << "nothing of the refused write is stored";
    EXPECT_EQ(Walk(table, candidate), (std::vector<std::string>{"a", "b", "c", "y"}));
    AdsCloseTable(table);
}

TEST_P(IndexOrders, SeeksAndScopesWithPartialKeys)
{
    ADSHANDLE table = NewTable({"smith", "jones", "smyth", "brown", "smit", "taylor"});
    ADSHANDLE order = CreateIndex(table, "NAMES", "NAME");
    struct Case {
        const char* key;
        UNSIGNED16 type;
        UNSIGNED16 found;
        const char* landsOn; // "" = at the end
    };
    for (const Case& c : {Case{"smith", ADS_HARDSEEK, 1, "smith"}, Case{"smi", ADS_HARDSEEK, 1, "smit"},
                          Case{"sn", ADS_HARDSEEK, 0, ""}, Case{"sn", ADS_SOFTSEEK, 0, "taylor"},
                          Case{"sm", ADS_SOFTSEEK, 1, "smit"}, Case{"z", ADS_SOFTSEEK, 0, ""}}) {
        UNSIGNED16 found = 9, eof = 0;
        ASSERT_ADS_OK(AdsSeek(order, reinterpret_cast<const UNSIGNED8*>(c.key), UNSIGNED16(strlen(c.key)), ADS_RAWKEY,
                              c.type, &found));
        EXPECT_EQ(found, c.found) << c.key;
        AdsAtEOF(table, &eof);
        EXPECT_EQ(eof ? std::string() : FieldText(table, "NAME"), c.landsOn) << c.key;
    }

    // A scope as UTF-16 text on both ends, with counts and positions.
    std::u16string top = u"j", bottom = u"sm";
    ASSERT_ADS_OK(AdsSetScope(order, ADS_TOP, top.data(), UNSIGNED16(top.size() * 2), ADS_WSTRINGKEY));
    ASSERT_ADS_OK(AdsSetScope(order, ADS_BOTTOM, bottom.data(), UNSIGNED16(bottom.size() * 2), ADS_WSTRINGKEY));
    EXPECT_EQ(Walk(table, order), (std::vector<std::string>{"jones", "smit", "smith", "smyth"}));
    UNSIGNED32 count = 0;
    ASSERT_ADS_OK(AdsGetRecordCount(order, ADS_RESPECTSCOPES, &count));
    EXPECT_EQ(count, 4u);
    // Key k of n stands at k / n: count x position gives k back.
    struct Position {
        double set;
        const char* name;
        double reported;
    };
    for (const Position& p : {Position{0.0, "jones", 0.25}, Position{0.5, "smit", 0.5}, Position{0.6, "smith", 0.75},
                              Position{1.0, "smyth", 1.0}}) {
        ASSERT_ADS_OK(AdsSetRelKeyPos(order, p.set));
        EXPECT_EQ(FieldText(table, "NAME"), p.name) << p.set;
        double back = -1;
        ASSERT_ADS_OK(AdsGetRelKeyPos(order, &back));
        EXPECT_DOUBLE_EQ(back, p.reported) << p.name;
    }
    UNSIGNED32 keyNumber = 0;
    ASSERT_ADS_OK(AdsGetKeyNum(order, ADS_RESPECTFILTERS, &keyNumber));
    EXPECT_EQ(keyNumber, 4u);
    UNSIGNED8 buffer[64];
    UNSIGNED16 length = sizeof buffer;
    ASSERT_ADS_OK(AdsGetScope(order, ADS_BOTTOM, buffer, &length));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), length), "sm");
    ASSERT_ADS_OK(AdsClearAllScopes(table));
    length = sizeof buffer;
    ExpectFailure(AdsGetScope(order, ADS_TOP, buffer, &length), AE_NO_SCOPE, "scope");
    EXPECT_EQ(Walk(table, order).size(), 6u);
    AdsCloseTable(table);
}

TEST_P(IndexOrders, KeysBuiltFromSegmentValuesFindTheirRecords)
{
    ADSHANDLE table = NewTable({"smith", "jones"});
    ADSHANDLE order = CreateIndex(table, "BOTH", GetParam() == ADS_ADT ? "NAME;AMOUNT" : "NAME+STR(AMOUNT,10,2)");
    UNSIGNED16 segments = 0;
    ASSERT_ADS_OK(AdsGetNumSegments(order, &segments));
    char name[129];
    UNSIGNED16 nameLength = sizeof name;
    ASSERT_ADS_OK(AdsGetSegmentFieldname(order, 0, name, &nameLength));
    EXPECT_EQ(std::string(name, nameLength), "NAME");
    nameLength = sizeof name;
    EXPECT_NE(AdsGetSegmentFieldname(order, segments, name, &nameLength), AE_SUCCESS) << "past the last segment";

    // Reading a field through the index handle reads the record, and builds nothing.
    ASSERT_ADS_OK(AdsGotoTop(order));
    EXPECT_EQ(FieldText(order, "NAME"), "jones");
    ASSERT_ADS_OK(AdsInitRawKey(order));
    ASSERT_ADS_OK(AdsSetField(order, "NAME", "jo", 2));
    EXPECT_EQ(FieldText(order, "NAME"), "jones");
    UNSIGNED8 key[4083];
    UNSIGNED16 length = sizeof key;
    ASSERT_ADS_OK(AdsBuildRawKey(order, key, &length));
    EXPECT_EQ(length, 2u) << "a partial key ends after the characters given";
    UNSIGNED16 found = 0;
    ASSERT_ADS_OK(AdsSeek(order, key, length, ADS_RAWKEY, ADS_HARDSEEK, &found));
    EXPECT_EQ(found, 1);
    EXPECT_EQ(FieldText(table, "NAME"), "jones");

    UNSIGNED16 keyLength = 0;
    ASSERT_ADS_OK(AdsGetKeyLength(order, &keyLength));
    std::vector<UNSIGNED8> record(512);
    UNSIGNED32 recordLength = 0;
    ASSERT_ADS_OK(AdsGetRecordLength(table, &recordLength));
    record.resize(recordLength);
    UNSIGNED32 got = recordLength;
    ASSERT_ADS_OK(AdsGetRecord(table, record.data(), &got));
    length = sizeof key;
    ASSERT_ADS_OK(AdsBuildKeyFromRecord(order, record.data(), recordLength, key, &length));
    EXPECT_EQ(length, keyLength);
    ASSERT_ADS_OK(AdsGotoTop(order));
    ASSERT_ADS_OK(AdsSeek(order, key, length, ADS_RAWKEY, ADS_HARDSEEK, &found));
    EXPECT_EQ(found, 1);
    EXPECT_EQ(FieldText(table, "NAME"), "jones");
    AdsCloseTable(table);
}

INSTANTIATE_TEST_SUITE_P(EveryTableType, IndexOrders, ::testing::Values(ADS_NTX, ADS_CDX, ADS_ADT, ADS_VFP),
                         [](const auto& info) { return std::string(TypeName(info.param)); });

} // namespace

namespace {

TEST(IndexOrdersText, CaseInsensitiveColumnsOrderAndSeekWithoutRegardToCase)
{
    FolderConnection connection;
    ADSHANDLE table = CreateTable(connection.Handle(), "words", ADS_ADT, "NAME,CIChar,10;");
    for (const char* name : {"cherry", "Banana", "apple", "BANANA", "Apricot"}) {
        ASSERT_ADS_OK(AdsAppendRecord(table));
        ASSERT_ADS_OK(AdsSetField(table, "NAME", name, UNSIGNED32(strlen(name))));
        ASSERT_ADS_OK(AdsWriteRecord(table));
    }
    ADSHANDLE order = CreateIndex(table, "NAMES", "NAME");
    EXPECT_EQ(Walk(table, order), (std::vector<std::string>{"apple", "Apricot", "Banana", "BANANA", "cherry"}));
    std::u16string top = u"ban";
    ASSERT_ADS_OK(AdsSetScope(order, ADS_TOP, top.data(), UNSIGNED16(top.size() * 2), ADS_WSTRINGKEY));
    ASSERT_ADS_OK(AdsSetScope(order, ADS_BOTTOM, top.data(), UNSIGNED16(top.size() * 2), ADS_WSTRINGKEY));
    EXPECT_EQ(Walk(table, order), (std::vector<std::string>{"Banana", "BANANA"}));
    AdsCloseTable(table);
}

} // namespace

namespace {

TEST(IndexOrdersText, BadIndexRequestsAreRefusedAndLeaveNoIndex)
{
    FolderConnection connection;
    ADSHANDLE table = CreateTable(connection.Handle(), "things", ADS_ADT, kFields);
    AppendRow(table, "a", 1);
    struct Case {
        const char* expression;
        const char* condition;
        const char* whileExpression;
        UNSIGNED32 options;
        UNSIGNED32 pageSize;
        UNSIGNED32 code;
    };
    for (const Case& c : {Case{"NOSUCH", "", "", ADS_COMPOUND, 0, 6202}, Case{"NAME", "AMOUNT", "", ADS_COMPOUND, 0, 6206},
                          Case{"NAME", "", "", ADS_COMPOUND, 700, AE_INVALID_ARGUMENT},
                          Case{"NAME", "", "AMOUNT", ADS_COMPOUND, 0, 6206},
                          Case{"NAME", "", "", ADS_COMPOUND | ADS_BINARY_INDEX, 0, AE_INVALID_ARGUMENT},
                          Case{"NAME", "", "", ADS_COMPOUND | 0x20, 0, AE_INVALID_ARGUMENT},
                          Case{"", "", "", ADS_COMPOUND, 0, AE_INVALID_ARGUMENT}}) {
        ADSHANDLE index = 0;
        EXPECT_EQ(AdsCreateIndex90(table, "", "BAD", c.expression, c.condition, c.whileExpression, c.options,
                                   c.pageSize, "", &index),
                  c.code)
            << c.expression << " / " << c.condition << ": " << LastError().text;
    }
    UNSIGNED16 count = 9;
    ASSERT_ADS_OK(AdsGetNumIndexes(table, &count));
    EXPECT_EQ(count, 0);

    // Stepping a key moves a range bound past every key equal to it.
    ADSHANDLE order = CreateIndex(table, "NAMES", "NAME");
    AppendRow(table, "b", 2);
    UNSIGNED16 length = 0;
    ASSERT_ADS_OK(AdsGetKeyLength(order, &length));
    std::string key = std::string("a").append(length - 1, ' ');
    ASSERT_ADS_OK(AdsStepIndexKey(order, reinterpret_cast<UNSIGNED8*>(key.data()), length, 1));
    UNSIGNED16 found = 9;
    ASSERT_ADS_OK(AdsSeek(order, reinterpret_cast<const UNSIGNED8*>(key.data()), length, ADS_RAWKEY, ADS_SOFTSEEK,
                          &found));
    EXPECT_EQ(found, 0);
    EXPECT_EQ(FieldText(table, "NAME"), "b");
    std::string top(length, '\xFF');
    ExpectFailure(AdsStepIndexKey(order, reinterpret_cast<UNSIGNED8*>(top.data()), length, 1), AE_INVALID_KEY, "next");
    AdsCloseTable(table);
}

} // namespace
