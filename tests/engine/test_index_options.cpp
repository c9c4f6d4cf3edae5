// Index options beyond the plain order: a WHILE condition at build time,
// custom indexes whose records are given one by one, binary and
// user-defined indexes, and the collations an index can be made with.
#include "tests/engine/test_index_support.h"

using namespace apitest;
using namespace indextest;

namespace {

struct Row {
    const char* name;
    double amount;
};

ADSHANDLE TableOf(const FolderConnection& connection, UNSIGNED16 type, const std::vector<Row>& rows)
{
    ADSHANDLE table = CreateTable(connection.Handle(), "options", type, kFields);
    for (const Row& row : rows)
        AppendRow(table, row.name, row.amount);
    return table;
}

ADSHANDLE MakeIndex(ADSHANDLE table, const char* tag, const char* expression, UNSIGNED32 options,
                    const char* whileCondition = "", const char* collation = "")
{
    ADSHANDLE index = 0;
    EXPECT_EQ(AdsCreateIndex90(table, "", tag, expression, "", whileCondition, options | ADS_COMPOUND, 0, collation,
                               &index),
              AE_SUCCESS)
        << expression << ": " << LastError().text;
    return index;
}

class IndexOptions : public ::testing::TestWithParam<UNSIGNED16> {};

TEST_P(IndexOptions, AWhileConditionEndsTheBuildAtTheFirstRecordItRejects)
{
    FolderConnection connection;
    ADSHANDLE table = TableOf(connection, GetParam(), {{"d", 1}, {"b", 2}, {"c", 3}, {"a", -1}, {"e", 5}});
    ADSHANDLE order = MakeIndex(table, "LEAD", "NAME", 0, "AMOUNT > 0");
    EXPECT_EQ(Walk(table, order), (std::vector<std::string>{"b", "c", "d"})) << "records 1-3; the build stops at 4";
    AppendRow(table, "f", 6);
    EXPECT_EQ(Walk(table, order), (std::vector<std::string>{"b", "c", "d", "f"})) << "later records are kept";
    ASSERT_ADS_OK(AdsCloseTable(table));

    // The condition is stored with the tag: a rebuild makes the same cut.
    table = OpenTable(connection.Handle(), "options", GetParam());
    ASSERT_ADS_OK(AdsGetIndexHandle(table, "LEAD", &order));
    EXPECT_EQ(Walk(table, order), (std::vector<std::string>{"b", "c", "d", "f"}));
    ASSERT_ADS_OK(AdsReindex(table));
    EXPECT_EQ(Walk(table, order), (std::vector<std::string>{"b", "c", "d"}));
    ASSERT_ADS_OK(AdsCloseTable(table));
}

TEST_P(IndexOptions, ACustomIndexHoldsTheRecordsGivenToItAndFollowsTheirEdits)
{
    FolderConnection connection;
    ADSHANDLE table = TableOf(connection, GetParam(), {{"m", 1}, {"k", 2}, {"x", 3}});
    ADSHANDLE picked = MakeIndex(table, "PICKED", "NAME", ADS_CUSTOM);
    ADSHANDLE plain = MakeIndex(table, "PLAIN", "NAME", 0);
    UNSIGNED16 custom = 0;
    ASSERT_ADS_OK(AdsIsIndexCustom(picked, &custom));
    EXPECT_EQ(custom, 1);
    EXPECT_TRUE(Walk(table, picked).empty()) << "made empty";

    for (UNSIGNED32 recno : {3u, 1u}) {
        ASSERT_ADS_OK(AdsGotoRecord(table, recno));
        ASSERT_ADS_OK(AdsAddCustomKey(picked));
    }
    EXPECT_EQ(Walk(table, picked), (std::vector<std::string>{"m", "x"}));
    AppendRow(table, "a", 4);
    EXPECT_EQ(Walk(table, picked), (std::vector<std::string>{"m", "x"})) << "an append does not join";
    ASSERT_ADS_OK(AdsGotoRecord(table, 3));
    SetName(table, "b");
    EXPECT_EQ(Walk(table, picked), (std::vector<std::string>{"b", "m"})) << "an edit moves the key it holds";
    ASSERT_ADS_OK(AdsGotoRecord(table, 2));
    SetName(table, "c");
    EXPECT_EQ(Walk(table, picked), (std::vector<std::string>{"b", "m"})) << "an edit of another record adds nothing";

    ASSERT_ADS_OK(AdsGotoRecord(table, 1));
    ASSERT_ADS_OK(AdsDeleteCustomKey(picked));
    EXPECT_EQ(Walk(table, picked), (std::vector<std::string>{"b"}));
    ExpectFailure(AdsAddCustomKey(plain), AE_INVALID_ARGUMENT, "not a custom index");
    ASSERT_ADS_OK(AdsCloseTable(table));

    table = OpenTable(connection.Handle(), "options", GetParam());
    ASSERT_ADS_OK(AdsGetIndexHandle(table, "PICKED", &picked));
    EXPECT_EQ(Walk(table, picked), (std::vector<std::string>{"b"})) << "saved with the file";
    ASSERT_ADS_OK(AdsReindex(table));
    EXPECT_EQ(Walk(table, picked), (std::vector<std::string>{"b"})) << "a rebuild keeps the set";
    ASSERT_ADS_OK(AdsCloseTable(table));
}

TEST_P(IndexOptions, BinaryAndUserDefinedIndexesOrderAndReportTheirFlags)
{
    FolderConnection connection;
    ADSHANDLE table = TableOf(connection, GetParam(), {{"p", 5}, {"n", -2}, {"q", 1}, {"o", -7}});
    ADSHANDLE positive = MakeIndex(table, "POSITIVE", "AMOUNT > 0", ADS_BINARY_INDEX);
    EXPECT_EQ(Walk(table, positive), (std::vector<std::string>{"n", "o", "p", "q"})) << "false first, then by record";
    ADSHANDLE named = MakeIndex(table, "NAMED", "NAME", ADS_USER_DEFINED);
    EXPECT_EQ(Walk(table, named), (std::vector<std::string>{"n", "o", "p", "q"}));
    UNSIGNED32 flags = 0;
    ASSERT_ADS_OK(AdsGetIndexFlags(positive, &flags));
    EXPECT_EQ(flags & ADS_BINARY_INDEX, UNSIGNED32(ADS_BINARY_INDEX));
    ASSERT_ADS_OK(AdsGetIndexFlags(named, &flags));
    EXPECT_EQ(flags & ADS_USER_DEFINED, UNSIGNED32(ADS_USER_DEFINED));
    ASSERT_ADS_OK(AdsCloseTable(table));
}

TEST_P(IndexOptions, CollationsOfTheTableCodePageOrderKeysAndOthersAreRefusedByName)
{
    FolderConnection connection;
    ADSHANDLE table = TableOf(connection, GetParam(), {{"cherry", 1}, {"Banana", 2}, {"apple", 3}});
    struct Case {
        const char* collation;
        std::vector<std::string> order; // empty: refused
        const char* refusal;
    } cases[] = {
        {"ANSI", {"Banana", "apple", "cherry"}, ""},
        {"machine_vfp_bin_1252", {"Banana", "apple", "cherry"}, ""},
        {"GENERAL_VFP_CI_AS_1252", {"apple", "Banana", "cherry"}, ""},
        {"GERMAN_VFP_CI_AS_1252", {}, "letter order"},
        {"RUSSIAN_VFP_CI_AS_1251", {}, "code page 1251"},
        {"ENGL(UK)_ADS_CS_AS_1252", {}, "ENGL(UK)_ADS_CS_AS_1252"},
        {"OEM", {}, "OEM"},
    };
    for (const Case& c : cases) {
        ADSHANDLE index = 0;
        UNSIGNED32 result =
            AdsCreateIndex90(table, "", "BYNAME", "NAME", "", "", ADS_COMPOUND, 0, c.collation, &index);
        if (c.order.empty()) {
            ExpectFailure(result, AE_NOT_YET_SUPPORTED, c.refusal);
            EXPECT_NE(LastError().text.find(c.collation), std::string::npos) << "the refusal names the collation";
            continue;
        }
        ASSERT_EQ(result, AE_SUCCESS) << c.collation << ": " << LastError().text;
        EXPECT_EQ(Walk(table, index), c.order) << c.collation;
        UNSIGNED16 found = 0;
        ASSERT_ADS_OK(AdsSeek(index, reinterpret_cast<const UNSIGNED8*>("apple"), 5, ADS_STRINGKEY, ADS_HARDSEEK,
                              &found));
        EXPECT_TRUE(found) << c.collation;
        EXPECT_EQ(FieldText(table, "NAME"), "apple") << c.collation;
    }
    ASSERT_ADS_OK(AdsCloseTable(table));
}

INSTANTIATE_TEST_SUITE_P(EveryTableType, IndexOptions, ::testing::Values(ADS_NTX, ADS_CDX, ADS_ADT, ADS_VFP),
                         [](const auto& info) { return std::string(TypeName(info.param)); });

} // namespace
