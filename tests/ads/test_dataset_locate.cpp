// Locate and Lookup on real engine tables: which searches seek in an index
// and which filter with an expression (call trace), the expressions
// generated for each kind of key, and the position of the dataset after a
// search that finds nothing and after a Lookup.
#include "tests/ads/test_dataset_support.h"

#include "framework/formatsettings.h"
#include "framework/variant.h"

using namespace dataset_test;

namespace {

// People in natural order (N = 1 .. 5), with indexes on NAME, on CITY then
// NAME, on CITY then N, on the Unicode column W, and on W then N.
void CreatePeople(const QString& folder)
{
    RunSql(folder, "CREATE TABLE people (NAME Char(10), CITY Char(10), N Integer, W NChar(6), L Logical, "
                   "D Double, BORN Date)");
    RunSql(folder, "INSERT INTO people VALUES "
                   "('ABC', 'Lyon', 1, 'Alpha', TRUE, 1.5, '2020-01-31'), "
                   "('ABD', 'Paris', 2, 'beta', FALSE, 3.5, '2021-06-15'), "
                   "('AB', 'Lyon', 3, 'Gamma', TRUE, 2.25, '2019-12-01'), "
                   "('XYZ', 'Nice', 4, 'delta', FALSE, NULL, NULL), "
                   "('A\"B', 'Paris', 5, 'eps', TRUE, 4, '2022-02-02')");
    RunSql(folder, "CREATE INDEX byname ON people (NAME)");
    RunSql(folder, "CREATE INDEX bycityname ON people (CITY, NAME)");
    RunSql(folder, "CREATE INDEX bycityn ON people (CITY, N)");
    RunSql(folder, "CREATE INDEX byw ON people (W)");
    RunSql(folder, "CREATE INDEX bywn ON people (W, N)");
}

// Gives the test the index order of an open dataset until index selection
// is part of the dataset itself.
class PeopleQuery : public TAdsQuery {
public:
    using TAdsQuery::TAdsQuery;
    ADSHANDLE IndexHandle(const char* name)
    {
        ADSHANDLE index = 0;
        EXPECT_EQ(ace::AdsGetIndexHandle(Handle(), name, &index), 0u) << name;
        return index;
    }
    void UseIndex(const char* name) { mlActiveHandle = *name ? IndexHandle(name) : -1; }
};

// The table itself as the dataset's cursor, so that its indexes are there.
struct People {
    testsupport::TempFolder folder;
    std::unique_ptr<TAdsConnection> connection;
    PeopleQuery query{nullptr};

    People()
    {
        CreatePeople(folder.path());
        connection = OpenOn(folder.path());
        query.SetAdsConnection(connection.get());
        query.SetCursorHandleForOpen(OpenTableCursor(*connection, "people", ADS_ADT));
        query.Open();
    }

    int N() const { return query.FieldByName("N")->AsInteger(); }
};

Variant Keys(std::vector<Variant> values)
{
    return Variant::Array(std::move(values));
}

// The text of the temporary filter a Locate set, or "" when it set none.
QString LocateExpression(const std::vector<ace::TracedCall>& calls)
{
    for (const char* function : {"AdsSetAOF100", "AdsSetFilter100"}) {
        const auto set = CallsOf(calls, function);
        if (!set.empty()) {
            QString text = set.front().arguments.value(1);
            return text.mid(1, text.size() - 2);
        }
    }
    return QString();
}

} // namespace

TEST(DataSetLocate, OptionsChooseSeekOrExpression)
{
    struct Case {
        const char* keyFields;
        Variant keyValues;
        TLocateOptions options;
        const char* keyBuild;    // the raw-key call of a seek, "" for none
        int keyBuildOption;      // AdsBuildRawKey100's option, 0 for AdsBuildRawKey
        const char* expression;  // the expression of the expression path, "" for none
        int foundN;              // N of the record found, 0 for none
    };
    const Case cases[] = {
        {"NAME", Variant("ABD"), {}, "AdsBuildRawKey100", 1, "", 2},
        {"name", Variant("ABD"), {}, "AdsBuildRawKey100", 1, "", 2},
        {"NAME", Variant("AB"), {loPartialKey}, "AdsBuildRawKey", 0, "", 3},
        {"NAME", Variant("abd"), {loCaseInsensitive}, "", 0, "(UPPER(NAME)=UPPER(\"abd\"))", 2},
        {"NAME", Variant("ab"), {loCaseInsensitive, loPartialKey}, "", 0, "(UPPER(NAME)=UPPER(\"ab\"))", 1},
        // A leading segment of a longer index: the key ends after it.
        {"CITY", Variant("Paris"), {}, "AdsBuildRawKey", 0, "", 5},
        {"N", Variant(3), {}, "", 0, "(N=3)", 3},  // second segment only
        {"NAME;CITY", Keys({Variant("ABD"), Variant("Paris")}), {}, "AdsBuildRawKey100", 1, "", 2},
        {"N", Variant(4), {}, "", 0, "(N=4)", 4},
        {"N", Variant(4), {loCaseInsensitive}, "", 0, "(N=4)", 4},
        {"W", Variant("beta"), {}, "AdsBuildRawKey100", 1, "", 2},
        {"W", Variant("Gam"), {loPartialKey}, "", 0, "(W=\"Gam\")", 3},
        // byw compares with case: the seek finds the written case, and a
        // seek that misses is followed by the expression, which does not.
        {"W", Variant("Gam"), {loPartialKey, loCaseInsensitive}, "AdsBuildRawKey100", 4, "", 3},
        {"W", Variant("gam"), {loPartialKey, loCaseInsensitive}, "AdsBuildRawKey100", 4, "(UPPER(W)=UPPER(\"gam\"))",
         3},
        {"W", Variant("zz"), {loPartialKey, loCaseInsensitive}, "AdsBuildRawKey100", 4, "(UPPER(W)=UPPER(\"zz\"))", 0},
        // A partial Unicode key of two fields never seeks, although bywn covers it.
        {"W;N", Keys({Variant("gam"), Variant(3)}), {loPartialKey, loCaseInsensitive}, "", 0,
         "(UPPER(W)=UPPER(\"gam\")) AND (N=3)", 3},
        {"NAME", Variant("NOPE"), {}, "AdsBuildRawKey100", 1, "", 0},
        {"N", Variant(99), {}, "", 0, "(N=99)", 0},
    };
    People people;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.keyFields) + " = " +
                     (c.keyValues.IsArray() ? std::string("array") : c.keyValues.AsString().toStdString()));
        people.query.First();
        people.query.Next();
        UNSIGNED32 engineBefore = 0, engineAfter = 0;
        ASSERT_EQ(ace::AdsGetBookmark(people.query.Handle(), &engineBefore), 0u);
        ace::StartCallTrace();
        const bool found = people.query.Locate(c.keyFields, c.keyValues, c.options);
        const auto calls = ace::StopCallTrace();
        EXPECT_EQ(found, c.foundN != 0) << Dump(calls);
        EXPECT_EQ(people.N(), c.foundN ? c.foundN : 2) << "a failed search stays on the record shown";
        ASSERT_EQ(ace::AdsGetBookmark(people.query.Handle(), &engineAfter), 0u);
        if (!found) {
            EXPECT_EQ(engineAfter, engineBefore) << "and the engine cursor is back where it stood";
        }
        if (*c.keyBuild) {
            ASSERT_EQ(CallsOf(calls, "AdsSeek").size(), 1u) << Dump(calls);
            const auto build = CallsOf(calls, c.keyBuild);
            ASSERT_EQ(build.size(), 1u) << Dump(calls);
            if (c.keyBuildOption) {
                EXPECT_EQ(build[0].arguments.value(3), QString::number(c.keyBuildOption)) << Dump(calls);
            }
        } else {
            EXPECT_TRUE(CallsOf(calls, "AdsSeek").empty()) << Dump(calls);
        }
        EXPECT_EQ(LocateExpression(calls), c.expression) << Dump(calls);
        if (*c.expression) {
            // The temporary filter is gone and exact comparison is back.
            EXPECT_EQ(Only(calls, {"AdsClearAOF"}), QStringList({"AdsClearAOF"})) << Dump(calls);
            EXPECT_EQ("&" + CallsOf(calls, "AdsSetExact22").back().arguments.value(1),
                      CallsOf(calls, "AdsGetExact22").front().arguments.value(1))
                << Dump(calls);
        }
        if (!found) {
            EXPECT_EQ(CallsOf(calls, "AdsGotoBookmark").size(), 1u) << Dump(calls);
        }
    }
}

// The active index is preferred when it covers the key; restricted by a
// scope it is the only one tried. A partial key ends at the last letter
// of its last segment.
TEST(DataSetLocate, ActiveIndexChoosesTheSeek)
{
    struct Case {
        const char* activeIndex;
        const char* scope;  // ScopeBegin and ScopeEnd, "" for none
        const char* keyFields;
        Variant keyValues;
        TLocateOptions options;
        const char* seekIndex;  // "" for the expression path
        QStringList keyLengths; // field:length given to AdsSetField
        int foundN;
    };
    const Case cases[] = {
        {"bycityname", "", "CITY;NAME", Keys({Variant("Lyon"), Variant("AB  ")}), {loPartialKey}, "bycityname",
         {"CITY:10", "NAME:2"}, 3},
        {"bycityn", "", "CITY", Variant("Ly"), {loPartialKey}, "bycityn", {"CITY:2"}, 1},
        {"byname", "", "CITY", Variant("Paris"), {}, "bycityname", {"CITY:10"}, 5},
        {"byname", "A", "CITY", Variant("Paris"), {}, "", {}, 5},
        {"byname", "A", "NAME", Variant("ABD"), {}, "byname", {"NAME:10"}, 2},
    };
    People people;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.activeIndex) + " scope " + c.scope + " key " + c.keyFields);
        people.query.SetScoped(false);
        people.query.UseIndex(c.activeIndex);
        if (*c.scope) {
            people.query.SetScopeBegin(c.scope);
            people.query.SetScopeEnd("ABD");
            people.query.SetScoped(true);
        }
        people.query.First();
        ace::StartCallTrace();
        const bool found = people.query.Locate(c.keyFields, c.keyValues, c.options);
        const auto calls = ace::StopCallTrace();
        EXPECT_TRUE(found) << Dump(calls);
        EXPECT_EQ(people.N(), c.foundN) << Dump(calls);
        const auto seeks = CallsOf(calls, "AdsSeek");
        QStringList lengths;
        for (const auto& set : CallsOf(calls, "AdsSetField"))
            lengths << set.arguments.value(1).remove('"') + ":" + set.arguments.value(3);
        EXPECT_EQ(lengths, c.keyLengths) << Dump(calls);
        if (*c.seekIndex) {
            ASSERT_EQ(seeks.size(), 1u) << Dump(calls);
            EXPECT_EQ(seeks[0].arguments.value(0), QString::number(people.query.IndexHandle(c.seekIndex)));
        } else {
            EXPECT_TRUE(seeks.empty()) << Dump(calls);
            EXPECT_TRUE(CallsOf(calls, "AdsGetNumIndexes").empty()) << "no other index is tried";
        }
    }
}

// Only the positions 1 .. p of an index, all taken, let a seek use it.
TEST(DataSetLocate, IndexCoverage)
{
    struct Case {
        const char* indexFields;
        const char* keyFields;
        bool covers;
        const char* lastSegment;
    };
    const Case cases[] = {
        {"NAME", "NAME", true, "NAME"},
        {"City;Name", "name", false, ""},
        {"City;Name", "NAME;CITY", true, "NAME"},
        {"City;Name;N", "city", true, "CITY"},
        {"City;Name;N", "N;City", false, ""},
        {"Connection Name", "connection name", true, "CONNECTION NAME"},
        {"NAME", "NAM", false, ""},
        {"", "NAME", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.indexFields) + " / " + c.keyFields);
        QString last;
        EXPECT_EQ(TAdsDataSet::IndexCoversFields(c.indexFields, c.keyFields, &last), c.covers);
        EXPECT_EQ(last, QString::fromLatin1(c.lastSegment));
    }
    QStringList hundred;
    for (int i = 1; i <= 101; ++i)
        hundred << QStringLiteral("F%1").arg(i);
    EXPECT_TRUE(TAdsDataSet::IndexCoversFields(hundred.join(';'), hundred.mid(0, 100).join(';')));
    EXPECT_FALSE(TAdsDataSet::IndexCoversFields(hundred.join(';'), hundred.join(';')));
}

TEST(DataSetLocate, ExpressionsForEveryKindOfKey)
{
    struct Case {
        const char* keyFields;
        Variant keyValues;
        const char* expression;
        int foundN;
    };
    const Case cases[] = {
        {"L", Variant(false), "(L=.FALSE.)", 2},
        {"D", Variant(3.5), "(D=3.5)", 2},
        {"D", Variant::Null(), "(empty(D))", 4},
        {"BORN", Variant::Null(), "(empty(BORN))", 4},
        {"N;L", Keys({Variant(3), Variant(true)}), "(N=3) AND (L=.TRUE.)", 3},
        {"NAME;N", Keys({Variant("A\"B"), Variant(5)}), "(NAME=\"A\"+ Chr(34) + \"B\") AND (N=5)", 5},
    };
    People people;
    // A comma decimal separator never reaches the engine.
    TFormatSettingsGuard guard;
    FormatSettings().DecimalSeparator = QLatin1Char(',');
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expression);
        people.query.First();
        ace::StartCallTrace();
        // Case-insensitive without partial keys always takes the expression path.
        const bool found = people.query.Locate(c.keyFields, c.keyValues, {loCaseInsensitive});
        const auto calls = ace::StopCallTrace();
        QString expected = QString::fromUtf8(c.expression);
        expected.replace("(NAME=\"A\"+ Chr(34) + \"B\")", "(UPPER(NAME)=UPPER(\"A\"+ Chr(34) + \"B\"))");
        EXPECT_EQ(LocateExpression(calls), expected) << Dump(calls);
        EXPECT_TRUE(found);
        EXPECT_EQ(people.N(), c.foundN);
    }
}

TEST(DataSetLocate, DateKeysAreWrittenAsEngineDateTexts)
{
    People people;
    // The date goes into ctod() as the framework's date text; the engine
    // reads it with the connection's date format, which both share here.
    TFormatSettingsGuard guard;
    FormatSettings().ShortDateFormat = QStringLiteral("mm/dd/yyyy");
    FormatSettings().DateSeparator = QLatin1Char('/');
    people.query.First();
    ace::StartCallTrace();
    const bool found = people.query.Locate("BORN", Variant::FromDateTime(EncodeDate(2021, 6, 15)), {loCaseInsensitive});
    const auto calls = ace::StopCallTrace();
    EXPECT_TRUE(LocateExpression(calls).startsWith("(BORN=ctod(\"")) << Dump(calls);
    EXPECT_TRUE(found) << Dump(calls);
    EXPECT_EQ(people.N(), 2);
}

// The dataset's own filter stays in place: the search is a plain filter
// over it (optimized filter) or is evaluated record by record (both kinds).
TEST(DataSetLocate, SearchesInsideTheDatasetsFilter)
{
    People people;
    people.query.SetFilter("CITY = 'Paris'");
    people.query.SetFiltered(true);
    ace::StartCallTrace();
    EXPECT_FALSE(people.query.Locate("N", Variant(1), {}));
    EXPECT_TRUE(people.query.Locate("N", Variant(5), {}));
    auto calls = ace::StopCallTrace();
    EXPECT_EQ(people.N(), 5);
    EXPECT_EQ(Only(calls, {"AdsSetFilter100", "AdsClearFilter", "AdsSetAOF100", "AdsClearAOF"}),
              QStringList({"AdsSetFilter100", "AdsClearFilter", "AdsSetFilter100", "AdsClearFilter"}));
    char text[100] = {};
    UNSIGNED16 length = sizeof(text);
    EXPECT_EQ(ace::AdsGetAOF(people.query.Handle(), text, &length), 0u) << "the dataset's filter is kept";

    ASSERT_EQ(ace::AdsSetFilter100(people.query.Handle(), u"N > 1", 0x2000), 0u);
    ace::StartCallTrace();
    EXPECT_TRUE(people.query.Locate("N", Variant(2), {}));
    calls = ace::StopCallTrace();
    EXPECT_EQ(people.N(), 2);
    EXPECT_FALSE(CallsOf(calls, "AdsEvalLogicalExpr").empty()) << Dump(calls);
    EXPECT_TRUE(CallsOf(calls, "AdsSetFilter100").empty()) << Dump(calls);
    EXPECT_TRUE(CallsOf(calls, "AdsClearFilter").empty()) << Dump(calls);
}

// Whatever the options would allow, a seek could land on a record the
// handler rejects: the search filters and asks the handler instead.
TEST(DataSetLocate, OnFilterRecordKeepsTheSearchOffTheIndexes)
{
    struct Case {
        const char* keyFields;
        const char* keyValue;
        TLocateOptions options;
        int foundN;  // 0 for none
    };
    const Case cases[] = {
        {"NAME", "AB", {loPartialKey}, 1},  // the handler rejects AB, the first match it accepts is ABC
        {"W", "Gam", {loPartialKey, loCaseInsensitive}, 0},  // only Gamma matches, and it is rejected
        {"W", "al", {loPartialKey, loCaseInsensitive}, 1},
    };
    People people;
    people.query.OnFilterRecord = [](TDataSet* dataSet, bool& accept) {
        accept = dataSet->FieldByName("N")->AsInteger() != 3;
    };
    people.query.SetFiltered(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.keyFields) + " = " + c.keyValue);
        people.query.First();
        people.query.Next();
        ace::StartCallTrace();
        bool found = false;
        EXPECT_NO_THROW(found = people.query.Locate(c.keyFields, Variant(c.keyValue), c.options));
        const auto calls = ace::StopCallTrace();
        EXPECT_TRUE(CallsOf(calls, "AdsSeek").empty()) << Dump(calls);
        EXPECT_EQ(found, c.foundN != 0);
        EXPECT_EQ(people.N(), c.foundN ? c.foundN : 2);
    }
}

TEST(DataSetLocate, LookupReadsWithoutMoving)
{
    People people;
    people.query.First();
    people.query.Next();
    const TBookmark before = people.query.GetBookmark();
    EXPECT_EQ(people.query.Lookup("NAME", Variant("XYZ"), "CITY").AsString().trimmed(), "Nice");
    const Variant both = people.query.Lookup("N", Variant(5), "NAME;L");
    ASSERT_TRUE(both.IsArray());
    EXPECT_EQ(both.Element(0).AsString().trimmed(), "A\"B");
    EXPECT_TRUE(both.Element(1).AsBoolean());
    EXPECT_TRUE(people.query.Lookup("NAME", Variant("NOPE"), "CITY").IsNull());
    EXPECT_EQ(people.N(), 2);
    EXPECT_EQ(people.query.GetBookmark(), before);
    people.query.Next();
    EXPECT_EQ(people.N(), 3) << "the framework puts the cursor back on its record before moving";

    ace::StartCallTrace();
    EXPECT_TRUE(people.query.Lookup("NAME", Variant::Null(), "CITY").IsNull());
    EXPECT_TRUE(ace::StopCallTrace().empty()) << "a null key asks nothing of the engine";
}

TEST(DataSetLocate, ErrorsLeaveTheDatasetUsable)
{
    People people;
    people.query.First();
    people.query.Next();
    EXPECT_THROW(people.query.Locate("NOSUCH", Variant(1), {}), EDatabaseError);
    ExpectDataSetError([&] { people.query.Locate("N;L", Variant(1), {}); }, "Locate needs an array of 2 key values.");
    EXPECT_EQ(people.query.State(), dsBrowse);
    EXPECT_EQ(people.N(), 2);
    EXPECT_TRUE(people.query.Locate("N", Variant(4), {}));
    EXPECT_EQ(people.N(), 4);
    // Outside a search there is no key buffer to build an expression from.
    QList<TField*> fields{people.query.FieldByName("N")};
    ExpectDataSetError([&] { people.query.BuildLocateExpression(fields, false); },
                       "Internal Error, << BuildFilterString >>");
}
