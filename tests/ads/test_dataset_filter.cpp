// Filters and scopes of the dataset on real engine cursors: the wildcard
// rule of the filter text, the engine calls that set and remove a filter,
// the records the filtered dataset shows, and scopes on an index.
#include "tests/ads/test_dataset_support.h"

using namespace dataset_test;

namespace {

// A table of a few people; NAME is indexed on its own.
QString PeopleFolder(testsupport::TempFolder& folder, TAdsTableTypes type = ttAdsADT)
{
    RunSql(folder.path(), "CREATE TABLE people (NAME Char(10), CITY Char(10), N Integer)", type);
    RunSql(folder.path(),
           "INSERT INTO people VALUES ('ABC', 'Lyon', 1), ('ABD', 'Paris', 2), ('AB', 'Lyon', 3), "
           "('XYZ', 'Nice', 4), ('A*B', 'Paris', 5)",
           type);
    return folder.path();
}

// The values of one column over the records the dataset shows, "a,b,c".
std::string Column(TDataSet& dataSet, const QString& name)
{
    QStringList values;
    dataSet.First();
    while (!dataSet.Eof()) {
        values << dataSet.FieldByName(name)->AsString().trimmed();
        dataSet.Next();
    }
    return values.join(QLatin1Char(',')).toStdString();
}

// The filter-setting calls of a trace, as "Function(arguments)" lines
// without the cursor handle.
std::string FilterCalls(const std::vector<ace::TracedCall>& calls)
{
    static const QStringList kFunctions = {"AdsExpressionLongToShort90", "AdsExpressionShortToLong90",
                                           "AdsSetExact22",              "AdsSetAOF100",
                                           "AdsSetFilter100",            "AdsClearAOF",
                                           "AdsClearFilter"};
    QStringList lines;
    for (const ace::TracedCall& call : calls)
        if (kFunctions.contains(call.function))
            lines << call.function + "(" + call.arguments.mid(1).join(", ") + ")";
    return lines.join(QLatin1Char('\n')).toStdString();
}

std::string Lines(const QStringList& lines)
{
    return lines.join(QLatin1Char('\n')).toStdString();
}

// Gives the test access to the index order of an open dataset until index
// selection is part of the dataset itself.
class IndexedQuery : public TAdsQuery {
public:
    using TAdsQuery::TAdsQuery;
    void UseIndex(uint32_t index) { mlActiveHandle = index; }
};

// The people table with an index on NAME, open as the dataset's cursor
// (with the engine's open options `openOptions`), no index active yet.
struct PeopleWithNameIndex {
    explicit PeopleWithNameIndex(UNSIGNED32 openOptions = 0)
    {
        PeopleFolder(folder);
        RunSql(folder.path(), "CREATE INDEX byname ON people (NAME)");
        connection = OpenOn(folder.path());
        query.SetAdsConnection(connection.get());
        ADSHANDLE cursor = 0;
        EXPECT_EQ(ace::AdsOpenTable(connection->ConnectionHandle(), "people", nullptr, ADS_ADT, ADS_ANSI,
                                    ADS_PROPRIETARY_LOCKING, ADS_CHECKRIGHTS, openOptions, &cursor),
                  0u);
        query.SetCursorHandleForOpen(cursor);
        query.Open();
    }
    // Makes the NAME index the active one and returns it.
    ADSHANDLE UseNameIndex()
    {
        ADSHANDLE index = 0;
        EXPECT_EQ(ace::AdsGetIndexHandle(query.Handle(), "byname", &index), 0u);
        query.UseIndex(index);
        return index;
    }

    testsupport::TempFolder folder;
    std::unique_ptr<TAdsConnection> connection;
    IndexedQuery query{nullptr};
};

} // namespace

TEST(DataSetFilter, WildcardRuleOfTheFilterText)
{
    struct Case {
        const char* text;
        const char* engineText;
        bool exact;
    };
    const Case cases[] = {
        {"Name = 'AB*'", "Name = 'AB'", false},
        {"Name = \"AB*\"", "Name = \"AB\"", false},
        {"Name = '*'", "Name = '*'", true},
        {"Name = '**'", "Name = '**'", true},
        {"Name = 'A*B'", "Name = 'A*B'", true},
        {"Name = 'AB**'", "Name = 'AB*'", false},
        {"A = 'x*' AND B = 'y*z'", "A = 'x' AND B = 'y*z'", false},
        {"A = \"it's*\"", "A = \"it's\"", false},
        {"A = 'say \"x*\"'", "A = 'say \"x*\"'", true},
        {"CONTAINS(Memo, 'abc*')", "CONTAINS(Memo, 'abc*')", true},
        {"contains (Memo, 'abc*') AND N = 'q*'", "contains (Memo, 'abc*') AND N = 'q'", false},
        {"CONTAINS(Memo, '(x' + [a)*'] + 'b*') OR N = 'c*'", "CONTAINS(Memo, '(x' + [a)*'] + 'b*') OR N = 'c'", false},
        {"CONTAINS(Memo, 'abc*'", "CONTAINS(Memo, 'abc'", false},
        {"N = 'CONTAINS*'", "N = 'CONTAINS'", false},
        {"N = 'ab*", "N = 'ab*", true},
        {"", "", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        bool exact = true;
        EXPECT_EQ(TAdsDataSet::StripFilterWildcards(c.text, exact), QByteArray(c.engineText));
        EXPECT_EQ(exact, c.exact);
    }
}

TEST(DataSetFilter, FilterReachesTheEngineAsAnOptimizedFilter)
{
    testsupport::TempFolder folder;
    auto query = QueryOn(PeopleFolder(folder), "SELECT * FROM people");
    query->Open();
    ace::StartCallTrace();
    query->SetFilter("NAME = 'AB*'");
    EXPECT_EQ(FilterCalls(ace::CallTraceSoFar()), "") << "not filtered yet: only stored";
    query->SetFiltered(true);
    const auto calls = ace::StopCallTrace();
    EXPECT_EQ(FilterCalls(calls), Lines({"AdsExpressionLongToShort90(\"NAME = 'AB*'\", buffer, &12)",
                                         "AdsExpressionShortToLong90(\"NAME = 'AB'\", buffer, &11)",
                                         "AdsSetExact22(0)", "AdsSetAOF100(\"NAME = 'AB'\", 8194)"}))
        << Dump(calls);
    EXPECT_EQ(Column(*query, "NAME"), "ABC,ABD,AB");

    // Writing the text of a filtered open dataset applies it at once.
    query->SetFilter("CITY = 'Lyon'");
    EXPECT_EQ(Column(*query, "NAME"), "ABC,AB");
    query->SetFilter("NAME = 'AB'");
    EXPECT_EQ(Column(*query, "NAME"), "AB") << "exact comparison is on again";

    ace::StartCallTrace();
    query->SetFiltered(false);
    EXPECT_EQ(FilterCalls(ace::StopCallTrace()), "AdsClearAOF()");
    EXPECT_EQ(Column(*query, "NAME"), "ABC,ABD,AB,XYZ,A*B");
}

TEST(DataSetFilter, OptionsChooseTheKindOfEngineFilter)
{
    struct Case {
        bool optimized;
        TAdsAOFTypes aofType;
        bool resolveImmediate;
        const char* setCall;
        const char* clearCall;
    };
    const Case cases[] = {
        {true, atDynamic, false, "AdsSetAOF100(\"N > 2\", 8194)", "AdsClearAOF()"},
        {true, atKeySet, true, "AdsSetAOF100(\"N > 2\", 8197)", "AdsClearAOF()"},
        {true, atFixed, false, "AdsSetAOF100(\"N > 2\", 8202)", "AdsClearAOF()"},
        {false, atFixed, true, "AdsSetFilter100(\"N > 2\", 8192)", "AdsClearFilter()"},
    };
    testsupport::TempFolder folder;
    RunSql(folder.path(), "CREATE TABLE people (N Numeric(5, 0))", ttAdsCDX);
    RunSql(folder.path(), "INSERT INTO people VALUES (1), (2), (3), (4), (5)", ttAdsCDX);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.setCall);
        auto query = QueryOn(folder.path(), "SELECT * FROM people", ttAdsCDX);
        query->AdsTableOptions()->SetAdsOptimizedFilters(c.optimized);
        query->AdsTableOptions()->SetAdsAOFType(c.aofType);
        query->AdsTableOptions()->SetAdsAOFResolveImmediate(c.resolveImmediate);
        query->SetFilter("N > 2");
        query->SetFiltered(true);
        ace::StartCallTrace();
        query->Open();
        auto calls = ace::StopCallTrace();
        // No long/short translation outside ADT tables.
        EXPECT_EQ(FilterCalls(calls), Lines({"AdsSetExact22(1)", c.setCall})) << Dump(calls);
        EXPECT_EQ(Column(*query, "N"), "3,4,5");
        ace::StartCallTrace();
        query->SetFiltered(false);
        query->SetFiltered(false);
        calls = ace::StopCallTrace();
        // The second removal finds no filter; the engine's "no filter" is no error.
        EXPECT_EQ(FilterCalls(calls), Lines({c.clearCall, c.clearCall})) << Dump(calls);
        EXPECT_EQ(CallsOf(calls, c.optimized ? "AdsClearAOF" : "AdsClearFilter").back().result, 5037u);
    }
}

TEST(DataSetFilter, SwitchingOptimizedFiltersMovesTheFilter)
{
    testsupport::TempFolder folder;
    auto query = QueryOn(PeopleFolder(folder), "SELECT * FROM people");
    query->SetFilter("N < 3");
    query->SetFiltered(true);
    query->Open();
    ace::StartCallTrace();
    query->AdsTableOptions()->SetAdsOptimizedFilters(false);
    const auto calls = ace::StopCallTrace();
    EXPECT_EQ(Lines(Only(calls, {"AdsClearAOF", "AdsSetFilter100"})), Lines({"AdsClearAOF", "AdsSetFilter100"}));
    EXPECT_EQ(Column(*query, "N"), "1,2");
}

TEST(DataSetFilter, AnInvalidFilterIsReportedAndTheFlagKept)
{
    testsupport::TempFolder folder;
    auto query = QueryOn(PeopleFolder(folder), "SELECT * FROM people");
    query->Open();
    query->SetFilter("NOSUCHFIELD = 1 AND");
    EXPECT_THROW(query->SetFiltered(true), EADSDatabaseError);
    EXPECT_TRUE(query->Filtered());
    EXPECT_TRUE(query->Active());
    query->SetFilter("N = 4");
    EXPECT_EQ(Column(*query, "NAME"), "XYZ");
    // Closed, the flag only stores; an empty text removes the filter.
    query->Close();
    query->SetFilter("");
    query->Open();
    EXPECT_EQ(Column(*query, "N"), "1,2,3,4,5");
}

TEST(DataSetFilter, ScopeTextsAreLengthChecked)
{
    TAdsQuery query(nullptr);
    query.SetScopeBegin(QString(4083, 'a'));
    query.SetScopeEnd(QString(4083, 'z'));
    EXPECT_EQ(query.ScopeBegin().size(), 4083);
    ExpectDataSetError([&] { query.SetScopeBegin(QString(4084, 'a')); }, "Scope text length exceeded 4082");
    ExpectDataSetError([&] { query.SetScopeEnd(QString(4084, 'a')); }, "Scope text length exceeded 4082");
    EXPECT_EQ(query.ScopeBegin().size(), 4083) << "a refused text leaves the old one";
    query.SetScoped(true);
    EXPECT_TRUE(query.Scoped()) << "closed: only stored";
}

TEST(DataSetFilter, ScopedNeedsAnIndexWithoutRange)
{
    PeopleWithNameIndex people;
    IndexedQuery& query = people.query;
    ExpectDataSetError([&] { query.SetScoped(true); }, "Cannot activate scope when there is no active index.");
    EXPECT_FALSE(query.Scoped());

    const ADSHANDLE index = people.UseNameIndex();
    const char16_t top[] = u"X";
    ASSERT_EQ(ace::AdsSetScope(index, 1, top, 2, 8), 0u);
    ExpectDataSetError([&] { query.SetScoped(true); }, "Cannot activate scope when there is an active range.");
    ASSERT_EQ(ace::AdsClearScope(index, 1), 0u);

    query.SetScopeBegin("AB");
    query.SetScopeEnd("ABD");
    query.Last();
    ace::StartCallTrace();
    query.SetScoped(true);
    auto calls = ace::StopCallTrace();
    const auto sets = CallsOf(calls, "AdsSetScope");
    ASSERT_EQ(sets.size(), 2u) << Dump(calls);
    EXPECT_EQ(Lines(sets[0].arguments.mid(1)), Lines({"1", "x'41004200'", "4", "8"})) << Dump(calls);
    EXPECT_EQ(Lines(sets[1].arguments.mid(1)), Lines({"2", "x'410042004400'", "6", "8"})) << Dump(calls);
    EXPECT_TRUE(query.Scoped());
    EXPECT_EQ(Column(query, "NAME"), "AB,ABC,ABD");

    query.Last();
    ace::StartCallTrace();
    query.SetScoped(false);
    calls = ace::StopCallTrace();
    EXPECT_EQ(Lines(Only(calls, {"AdsClearScope", "AdsGotoRecord"})),
              Lines({"AdsClearScope", "AdsClearScope", "AdsGotoRecord"}));
    EXPECT_EQ(query.FieldByName("NAME")->AsString().trimmed(), "ABD") << "the record shown stays";
    EXPECT_EQ(Column(query, "NAME"), "A*B,AB,ABC,ABD,XYZ");
}

// Switching the scope keeps the record shown when it still can: a record
// inside the new scope is resynchronised in place, and a record that no
// longer exists once the scope is gone gives way to the next one.
TEST(DataSetFilter, ScopedSwitchKeepsTheRecordShownWhenItCan)
{
    // Exclusive, so that the records deleted below can be packed away.
    PeopleWithNameIndex people(ADS_EXCLUSIVE);
    IndexedQuery& query = people.query;
    people.UseNameIndex();

    // ABC lies inside AB .. ABD: scoping leaves it shown, without moving to the top.
    query.SetScopeBegin("AB");
    query.SetScopeEnd("ABD");
    ASSERT_TRUE(query.Locate("NAME", Variant("ABC"), {}));
    ace::StartCallTrace();
    query.SetScoped(true);
    auto calls = ace::StopCallTrace();
    EXPECT_TRUE(CallsOf(calls, "AdsGotoTop").empty()) << Dump(calls);
    EXPECT_EQ(query.FieldByName("NAME")->AsString().trimmed(), "ABC");
    query.SetScoped(false);

    // XYZ (record 4) shown in its scope; two records before it are packed
    // away, so record 4 is gone when the scope is switched off.
    for (UNSIGNED32 record : {1u, 2u}) {
        ASSERT_EQ(ace::AdsGotoRecord(query.Handle(), record), 0u);
        ASSERT_EQ(ace::AdsDeleteRecord(query.Handle()), 0u);
    }
    query.SetScopeBegin("X");
    query.SetScopeEnd("XYZ");
    query.SetScoped(true);
    ASSERT_EQ(query.FieldByName("NAME")->AsString().trimmed(), "XYZ");
    ASSERT_EQ(ace::AdsPackTable(query.Handle()), 0u);
    ace::StartCallTrace();
    EXPECT_NO_THROW(query.SetScoped(false));
    calls = ace::StopCallTrace();
    const auto gotos = CallsOf(calls, "AdsGotoRecord");
    ASSERT_EQ(gotos.size(), 1u) << Dump(calls);
    EXPECT_EQ(gotos[0].result.value_or(0), 5022u) << Dump(calls);
    EXPECT_FALSE(query.Scoped());
    EXPECT_EQ(Column(query, "NAME"), "A*B,AB,XYZ");
}
