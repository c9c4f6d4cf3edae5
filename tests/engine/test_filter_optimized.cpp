// Optimized filters: what the indexes answer (the level and the part left
// over), the three filter kinds after records change, refresh, and a large
// random comparison of what filters select against what the test computes.
#include "tests/engine/test_filter_support.h"

#include <algorithm>
#include <random>
#include <set>

using namespace filtertest;

namespace {

using Names = std::vector<std::string>;

struct Level {
    UNSIGNED16 level = 0;
    std::string unoptimized;
};

// The layer's two calls: the length first, then the text.
Level OptLevel(ADSHANDLE table)
{
    Level result;
    UNSIGNED32 length = 0;
    UNSIGNED32 code = AdsGetAOFOptLevel100(table, &result.level, nullptr, &length, ADS_ENCODE_UTF16);
    if (code == AE_INSUFFICIENT_BUFFER) {
        std::u16string text(length, u'\0');
        EXPECT_ADS_OK(AdsGetAOFOptLevel100(table, &result.level, text.data(), &length, ADS_ENCODE_UTF16));
        result.unoptimized.assign(text.begin(), text.begin() + length);
    } else {
        EXPECT_EQ(code, AE_SUCCESS) << LastError().text;
        EXPECT_EQ(length, 0u);
    }
    return result;
}

TEST(FilterOptimized, LevelsAndTheUnoptimizedPartWithAndWithoutIndexes)
{
    const struct {
        const char* text;
        bool exact;
        UNSIGNED16 level;
        const char* unoptimized;
        Names visible;
    } cases[] = {
        {"AMOUNT > 25", false, ADS_OPTIMIZED_FULL, "", {"CARL", "ANDREW", "DORA"}},
        {"AMOUNT >= 30 AND AMOUNT <= 40", false, ADS_OPTIMIZED_FULL, "", {"CARL", "ANDREW"}},
        {"AMOUNT > 25 AND ACTIVE", false, ADS_OPTIMIZED_PART, "ACTIVE", {"CARL", "DORA"}},
        {"(AMOUNT = 10 OR AMOUNT = 50) AND ACTIVE", false, ADS_OPTIMIZED_PART, "ACTIVE", {"ANNA", "DORA"}},
        {"AMOUNT = 20 OR NAME = 'DO'", false, ADS_OPTIMIZED_FULL, "", {"BOB", "DORA"}},
        {"AMOUNT = 20 OR ACTIVE", false, ADS_OPTIMIZED_NONE, "AMOUNT = 20 OR ACTIVE", {"ANNA", "BOB", "CARL", "DORA"}},
        {"NAME = 'AN'", false, ADS_OPTIMIZED_FULL, "", {"ANNA", "ANDREW"}},
        {"NAME = 'AN'", true, ADS_OPTIMIZED_FULL, "", {}},
        {"NAME < 'B' .AND. AMOUNT <> 40", false, ADS_OPTIMIZED_PART, "AMOUNT <> 40", {"ANNA"}},
        {"UPPER(NAME) = 'CARL'", true, ADS_OPTIMIZED_FULL, "", {"CARL"}},
        {"'AR' $ NAME", false, ADS_OPTIMIZED_NONE, "'AR' $ NAME", {"CARL"}},
    };
    for (UNSIGNED16 type : kAllTypes) {
        SCOPED_TRACE(TypeName(type));
        PeopleTable people(type);
        ADSHANDLE table = people.Handle();
        // Without an index nothing is optimised; the selection is the same.
        for (const auto& c : cases) {
            SCOPED_TRACE(c.text);
            ASSERT_ADS_OK(AdsSetExact22(table, c.exact ? 1 : 0));
            ASSERT_ADS_OK(SetAof(table, c.text));
            Level level = OptLevel(table);
            EXPECT_EQ(level.level, ADS_OPTIMIZED_NONE);
            EXPECT_EQ(level.unoptimized, c.text);
            EXPECT_EQ(Walk(table, table), c.visible);
        }
        indextest::CreateIndex(table, "BYAMOUNT", "AMOUNT");
        indextest::CreateIndex(table, "BYNAME", "NAME");
        indextest::CreateIndex(table, "BYUPPER", "UPPER(NAME)");
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string("indexed: ") + c.text);
            ASSERT_ADS_OK(AdsSetExact22(table, c.exact ? 1 : 0));
            ASSERT_ADS_OK(SetAof(table, c.text));
            Level level = OptLevel(table);
            EXPECT_EQ(level.level, c.level);
            EXPECT_EQ(level.unoptimized, c.unoptimized);
            EXPECT_EQ(Walk(table, table), c.visible);
        }
    }
}

TEST(FilterOptimized, AnUnoptimizedPartInEightBitTextAndTooSmallBuffers)
{
    PeopleTable people(ADS_ADT);
    ADSHANDLE table = people.Handle();
    indextest::CreateIndex(table, "BYAMOUNT", "AMOUNT");
    ASSERT_ADS_OK(SetAof(table, "AMOUNT > 25 AND ACTIVE"));
    UNSIGNED16 level = 0;
    char text[7] = {};
    UNSIGNED32 length = 3;
    EXPECT_EQ(AdsGetAOFOptLevel100(table, &level, text, &length, 0), AE_INSUFFICIENT_BUFFER);
    EXPECT_EQ(length, 6u);
    length = sizeof text;
    ASSERT_ADS_OK(AdsGetAOFOptLevel100(table, &level, text, &length, 0));
    EXPECT_EQ(level, ADS_OPTIMIZED_PART);
    EXPECT_STREQ(text, "ACTIVE");
}

// Moves record `recno` to `amount` through a second cursor of the table,
// as another user would.
void ChangeAmount(ADSHANDLE other, UNSIGNED32 recno, double amount)
{
    ASSERT_ADS_OK(AdsGotoRecord(other, recno));
    ASSERT_ADS_OK(AdsSetDouble(other, "AMOUNT", amount));
    ASSERT_ADS_OK(AdsWriteRecord(other));
}

TEST(FilterOptimized, TheThreeKindsAfterRecordsChangeAndAfterRefresh)
{
    const struct {
        const char* kind;
        UNSIGNED32 options;
        Names afterChange;
        Names afterRefresh;
    } kinds[] = {
        // BOB (20) rises to 99 and joins; CARL (30) falls to 1 and leaves.
        {"dynamic", ADS_ENCODE_UTF16 | ADS_DYNAMIC_AOF | ADS_RESOLVE_DYNAMIC, {"BOB", "ANDREW", "DORA"},
         {"BOB", "ANDREW", "DORA"}},
        {"key set", ADS_ENCODE_UTF16 | ADS_KEYSET_AOF | ADS_RESOLVE_IMMEDIATE, {"ANDREW", "DORA"},
         {"BOB", "ANDREW", "DORA"}},
        {"fixed", ADS_ENCODE_UTF16 | ADS_FIXED_AOF | ADS_RESOLVE_IMMEDIATE, {"CARL", "ANDREW", "DORA"},
         {"BOB", "ANDREW", "DORA"}},
    };
    for (bool indexed : {false, true}) {
        for (const auto& k : kinds) {
            SCOPED_TRACE(std::string(k.kind) + (indexed ? ", indexed" : ""));
            apitest::FolderConnection connection;
            ADSHANDLE table = apitest::CreateTable(connection.Handle(), "people", ADS_CDX,
                                                   "NAME,Char,10;AMOUNT,Numeric,10,2;ACTIVE,Logical;");
            for (const Row& row : People())
                AppendRow(table, row);
            if (indexed)
                indextest::CreateIndex(table, "BYAMOUNT", "AMOUNT");
            ASSERT_ADS_OK(AdsCloseTable(table)); // created exclusive; reopened shared
            table = apitest::OpenTable(connection.Handle(), "people", ADS_CDX);
            ADSHANDLE other = apitest::OpenTable(connection.Handle(), "people", ADS_CDX);
            ASSERT_ADS_OK(SetAof(table, "AMOUNT > 25", k.options));
            EXPECT_EQ(OptLevel(table).level, indexed ? ADS_OPTIMIZED_FULL : ADS_OPTIMIZED_NONE);
            EXPECT_EQ(Walk(table, table), (Names{"CARL", "ANDREW", "DORA"}));
            ChangeAmount(other, 2, 99);
            ChangeAmount(other, 3, 1);
            EXPECT_EQ(Walk(table, table), k.afterChange);
            ASSERT_ADS_OK(AdsRefreshAOF(table));
            EXPECT_EQ(Walk(table, table), k.afterRefresh);
            AppendRow(other, {"EVA", 77, true});
            Names appended = k.afterRefresh;
            if (std::string(k.kind) == "dynamic")
                appended.push_back("EVA");
            EXPECT_EQ(Walk(table, table), appended) << "a record appended later joins only a dynamic filter";
        }
    }
}

TEST(FilterOptimized, AnIndexGoneAfterTheFilterWasSetNoLongerNarrowsIt)
{
    for (bool deleteIt : {false, true}) {
        SCOPED_TRACE(deleteIt ? "deleted" : "closed");
        PeopleTable people(ADS_ADT);
        ADSHANDLE table = people.Handle();
        ADSHANDLE byAmount = indextest::CreateIndex(table, "BYAMOUNT", "AMOUNT");
        ASSERT_ADS_OK(SetAof(table, "AMOUNT > 25"));
        ASSERT_EQ(OptLevel(table).level, ADS_OPTIMIZED_FULL);
        ASSERT_ADS_OK(deleteIt ? AdsDeleteIndex(byAmount) : AdsCloseIndex(byAmount));
        ChangeAmount(table, 2, 99); // BOB joins
        ChangeAmount(table, 3, 1);  // CARL leaves
        EXPECT_EQ(Walk(table, table), (Names{"BOB", "ANDREW", "DORA"}));
    }
}

// ---- Random agreement ---------------------------------------------------------

struct Record {
    std::string name; // one to four letters of "ABC"
    int amount = 0;   // 0 to 99
    bool active = false;
    bool deleted = false;
};

// A random filter, with the test's own verdict for a record.
class RandomFilter {
public:
    RandomFilter(std::mt19937& random, bool exact) : mRandom(random), mExact(exact) { mText = Build(2); }
    const std::string& Text() const { return mText; }
    bool Accepts(const Record& r) const { return Judge(mTree, r); }

private:
    struct Node {
        enum Kind { Amount, Name, Active, And, Or } kind = Active;
        std::string relation;
        int number = 0;
        std::string text;
        std::vector<Node> parts;
    };

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(mRandom); }

    std::string Build(int depth)
    {
        mTree = Make(depth);
        return Write(mTree);
    }

    Node Make(int depth)
    {
        static const char* const kRelations[] = {"=", "<", "<=", ">", ">=", "<>"};
        Node node;
        int choice = Pick(depth > 0 ? 5 : 3);
        if (choice == 0) {
            node.kind = Node::Amount;
            node.relation = kRelations[Pick(6)];
            node.number = Pick(100);
        } else if (choice == 1) {
            node.kind = Node::Name;
            node.relation = kRelations[Pick(5)];
            for (int i = Pick(3); i >= 0; --i)
                node.text += char('A' + Pick(3));
        } else if (choice == 2) {
            node.kind = Node::Active;
            node.number = Pick(2); // 1: negated
        } else {
            node.kind = choice == 3 ? Node::And : Node::Or;
            for (int i = 0; i < 2 + Pick(2); ++i)
                node.parts.push_back(Make(depth - 1));
        }
        return node;
    }

    static std::string Write(const Node& node)
    {
        switch (node.kind) {
        case Node::Amount: return "AMOUNT " + node.relation + " " + std::to_string(node.number);
        case Node::Name: return "NAME " + node.relation + " '" + node.text + "'";
        case Node::Active: return node.number ? ".NOT. ACTIVE" : "ACTIVE";
        default: {
            std::string text;
            for (const Node& part : node.parts)
                text += (text.empty() ? "" : node.kind == Node::And ? " AND " : " OR ") + ("(" + Write(part) + ")");
            return text;
        }
        }
    }

    static bool Holds(const std::string& relation, int order)
    {
        if (relation == "=")
            return order == 0;
        if (relation == "<")
            return order < 0;
        if (relation == "<=")
            return order <= 0;
        if (relation == ">")
            return order > 0;
        if (relation == ">=")
            return order >= 0;
        return order != 0;
    }

    // Character comparison: exact off compares as far as the constant goes;
    // exact on ignores trailing blanks (the names have none of their own).
    int CompareName(const std::string& name, const std::string& constant) const
    {
        std::string left = mExact ? name : (name + std::string(10 - name.size(), ' ')).substr(0, constant.size());
        return left.compare(constant);
    }

    bool Judge(const Node& node, const Record& r) const
    {
        switch (node.kind) {
        case Node::Amount: return Holds(node.relation, (r.amount > node.number) - (r.amount < node.number));
        case Node::Name: return Holds(node.relation, CompareName(r.name, node.text));
        case Node::Active: return node.number ? !r.active : r.active;
        case Node::And:
            return std::all_of(node.parts.begin(), node.parts.end(), [&](const Node& p) { return Judge(p, r); });
        default:
            return std::any_of(node.parts.begin(), node.parts.end(), [&](const Node& p) { return Judge(p, r); });
        }
    }

    std::mt19937& mRandom;
    bool mExact;
    Node mTree;
    std::string mText;
};

std::set<UNSIGNED32> VisibleRecords(ADSHANDLE table)
{
    std::set<UNSIGNED32> visible;
    EXPECT_ADS_OK(AdsGotoTop(table));
    while (!PastEnd(table)) {
        visible.insert(apitest::RecordNumber(table));
        if (AdsSkip(table, 1) != AE_SUCCESS)
            break;
    }
    return visible;
}

TEST(FilterOptimized, RandomFiltersOverManyRecordsSelectWhatTheTestComputes)
{
    std::mt19937 random(20261210);
    std::vector<Record> records(10000);
    for (Record& r : records) {
        for (int i = std::uniform_int_distribution<int>(0, 3)(random); i >= 0; --i)
            r.name += char('A' + std::uniform_int_distribution<int>(0, 2)(random));
        r.amount = std::uniform_int_distribution<int>(0, 99)(random);
        r.active = random() % 2 == 0;
        r.deleted = random() % 20 == 0;
    }
    apitest::FolderConnection connection;
    ADSHANDLE table = apitest::CreateTable(connection.Handle(), "many", ADS_ADT,
                                           "NAME,Char,10;AMOUNT,Numeric,10,2;ACTIVE,Logical;");
    ASSERT_ADS_OK(AdsLockTable(table));
    for (const Record& r : records) {
        AppendRow(table, {r.name, double(r.amount), r.active});
        if (r.deleted)
            ASSERT_ADS_OK(AdsDeleteRecord(table));
    }
    ASSERT_ADS_OK(AdsUnlockTable(table));
    indextest::CreateIndex(table, "BYAMOUNT", "AMOUNT");
    indextest::CreateIndex(table, "BYNAME", "NAME");
    ShownDeleted hidden(false);
    for (int round = 0; round < 40; ++round) {
        bool exact = round % 2 == 1;
        RandomFilter filter(random, exact);
        SCOPED_TRACE(filter.Text() + (exact ? " (exact)" : ""));
        std::set<UNSIGNED32> expected;
        for (size_t i = 0; i < records.size(); ++i)
            if (!records[i].deleted && filter.Accepts(records[i]))
                expected.insert(UNSIGNED32(i + 1));
        ASSERT_ADS_OK(AdsSetExact22(table, exact ? 1 : 0));
        // Rounds alternate plain filters and the three kinds of optimized ones,
        // which agree on a table that does not change.
        static const UNSIGNED32 kKinds[] = {ADS_DYNAMIC_AOF, ADS_KEYSET_AOF, ADS_FIXED_AOF};
        bool optimized = round % 4 < 2;
        UNSIGNED32 options = ADS_ENCODE_UTF16 | ADS_RESOLVE_IMMEDIATE | kKinds[round % 3];
        ASSERT_ADS_OK(optimized ? SetAof(table, filter.Text(), options) : SetFilter(table, filter.Text()));
        EXPECT_EQ(VisibleRecords(table), expected);
        EXPECT_EQ(Count(table, ADS_RESPECTFILTERS), expected.size());
        ASSERT_ADS_OK(optimized ? AdsClearAOF(table) : AdsClearFilter(table));
    }
}

} // namespace
