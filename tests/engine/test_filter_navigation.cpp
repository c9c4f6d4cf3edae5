// Moving under a filter: top, bottom, skips past both ends, an empty result,
// visibility of the current record, counts with each option, the deletion
// rule, and index orders.
#include "tests/engine/test_filter_support.h"

using namespace filtertest;

namespace {

using Names = std::vector<std::string>;

struct Step {
    const char* what;
    UNSIGNED32 (*move)(ADSHANDLE);
    const char* expected;
};

UNSIGNED32 Forward(ADSHANDLE t) { return AdsSkip(t, 1); }
UNSIGNED32 Back(ADSHANDLE t) { return AdsSkip(t, -1); }
UNSIGNED32 ForwardTwo(ADSHANDLE t) { return AdsSkip(t, 2); }

void RunSteps(ADSHANDLE order, ADSHANDLE table, const std::vector<Step>& steps)
{
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        ASSERT_ADS_OK(step.move(order));
        EXPECT_EQ(Where(table), step.expected);
    }
}

// The filter keeps BOB, CARL and ANDREW (records 2 to 4).
const char* const kMiddle = "AMOUNT > 15 AND AMOUNT < 45";

TEST(FilterNavigation, MovesStopAtTheFirstAndLastVisibleRecords)
{
    const std::vector<Step> steps = {
        {"top", AdsGotoTop, "BOB"},         {"back from the top", Back, "BOF"},
        {"forward from BOF", Forward, "BOB"}, {"bottom", AdsGotoBottom, "ANDREW"},
        {"past the bottom", Forward, "EOF"}, {"back from EOF", Back, "ANDREW"},
        {"GotoBOF", AdsGotoBOF, "BOF"},      {"forward after GotoBOF", Forward, "BOB"},
        {"two forward", ForwardTwo, "ANDREW"}, {"GotoEOF", AdsGotoEOF, "EOF"},
        {"back after GotoEOF", Back, "ANDREW"},
    };
    for (UNSIGNED16 type : kAllTypes) {
        SCOPED_TRACE(TypeName(type));
        PeopleTable people(type);
        ADSHANDLE table = people.Handle();
        for (bool optimized : {true, false}) {
            SCOPED_TRACE(optimized ? "optimized" : "plain");
            ASSERT_ADS_OK(optimized ? SetAof(table, kMiddle) : SetFilter(table, kMiddle));
            RunSteps(table, table, steps);
            ASSERT_ADS_OK(optimized ? AdsClearAOF(table) : AdsClearFilter(table));
        }
    }
}

TEST(FilterNavigation, AnEmptyResultStandsAtBothEnds)
{
    const std::vector<Step> steps = {
        {"top", AdsGotoTop, "BOF+EOF"},    {"bottom", AdsGotoBottom, "BOF+EOF"},
        {"forward", Forward, "BOF+EOF"},   {"back", Back, "BOF+EOF"},
        {"GotoBOF", AdsGotoBOF, "BOF+EOF"}, {"GotoEOF", AdsGotoEOF, "BOF+EOF"},
    };
    for (UNSIGNED16 type : kAllTypes) {
        SCOPED_TRACE(TypeName(type));
        PeopleTable people(type);
        ADSHANDLE table = people.Handle();
        ASSERT_ADS_OK(SetAof(table, "AMOUNT > 1000"));
        RunSteps(table, table, steps);
        UNSIGNED16 visible = 9;
        EXPECT_EQ(AdsIsRecordVisible(table, &visible), AE_NO_CURRENT_RECORD);
        EXPECT_EQ(Count(table, ADS_RESPECTFILTERS), 0u);
    }
}

TEST(FilterNavigation, VisibilityOfTheCurrentRecordFollowsTheFilterAndItsEdit)
{
    PeopleTable people(ADS_ADT);
    ADSHANDLE table = people.Handle();
    ASSERT_ADS_OK(SetAof(table, kMiddle));
    const struct {
        UNSIGNED32 recno;
        UNSIGNED16 visible;
    } cases[] = {{1, 0}, {2, 1}, {4, 1}, {5, 0}};
    for (const auto& c : cases) {
        ASSERT_ADS_OK(AdsGotoRecord(table, c.recno));
        UNSIGNED16 visible = 9;
        ASSERT_ADS_OK(AdsIsRecordVisible(table, &visible));
        EXPECT_EQ(visible, c.visible) << "record " << c.recno;
    }
    // A pending change that leaves the filter's range makes the record invisible.
    ASSERT_ADS_OK(AdsGotoRecord(table, 2));
    ASSERT_ADS_OK(AdsSetDouble(table, "AMOUNT", 99));
    UNSIGNED16 visible = 9;
    ASSERT_ADS_OK(AdsIsRecordVisible(table, &visible));
    EXPECT_EQ(visible, 0);
    ASSERT_ADS_OK(AdsWriteRecord(table));
    EXPECT_EQ(Walk(table, table), (Names{"CARL", "ANDREW"}));
}

TEST(FilterNavigation, CountsWithEachOptionAndTheDeletionRule)
{
    for (UNSIGNED16 type : kAllTypes) {
        SCOPED_TRACE(TypeName(type));
        PeopleTable people(type);
        ADSHANDLE table = people.Handle();
        ASSERT_ADS_OK(SetFilter(table, kMiddle));
        EXPECT_EQ(Count(table, ADS_RESPECTFILTERS), 3u);
        EXPECT_EQ(Count(table, ADS_IGNOREFILTERS), 5u);
        EXPECT_EQ(Count(table, ADS_RESPECTSCOPES), 5u);
        ASSERT_ADS_OK(AdsGotoRecord(table, 3)); // CARL
        ASSERT_ADS_OK(AdsDeleteRecord(table));
        {
            ShownDeleted hidden(false);
            EXPECT_EQ(Count(table, ADS_RESPECTFILTERS), 2u);
            EXPECT_EQ(Walk(table, table), (Names{"BOB", "ANDREW"}));
        }
        EXPECT_EQ(Count(table, ADS_RESPECTFILTERS), 3u) << "deleted records shown again";
    }
}

TEST(FilterNavigation, IndexOrdersHonourTheFilters)
{
    for (UNSIGNED16 type : kAllTypes) {
        SCOPED_TRACE(TypeName(type));
        PeopleTable people(type);
        ADSHANDLE table = people.Handle();
        ADSHANDLE byName = indextest::CreateIndex(table, "BYNAME", "NAME");
        ASSERT_ADS_OK(SetAof(table, kMiddle));
        EXPECT_EQ(Walk(table, byName), (Names{"ANDREW", "BOB", "CARL"}));
        ASSERT_ADS_OK(SetFilter(table, "ACTIVE"));
        EXPECT_EQ(Walk(table, byName), (Names{"CARL"}));
        EXPECT_EQ(Count(byName, ADS_RESPECTFILTERS), 1u);
        EXPECT_EQ(Count(byName, ADS_RESPECTSCOPES), 5u);
        ASSERT_ADS_OK(AdsGotoRecord(table, 1));
        UNSIGNED16 visible = 9;
        ASSERT_ADS_OK(AdsIsRecordVisible(byName, &visible));
        EXPECT_EQ(visible, 0);
    }
}

} // namespace
