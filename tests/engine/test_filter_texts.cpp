// What record filters and optimized filters select, on every table type:
// filter texts, the restore monitor's filter with its temporary Locate
// filter, both filters at once, refused texts, the presence probes, and the
// expression calls beside them.
#include "tests/engine/test_filter_support.h"
#include "tests/engine/test_sqlexec_support.h"

#include <algorithm>

using namespace filtertest;

namespace {

using Names = std::vector<std::string>;

struct FilterCase {
    const char* text;
    bool exact;
    Names visible; // in record order
};

const FilterCase kCases[] = {
    {"AMOUNT > 25", false, {"CARL", "ANDREW", "DORA"}},
    {"ACTIVE", false, {"ANNA", "CARL", "DORA"}},
    {".NOT. ACTIVE", false, {"BOB", "ANDREW"}},
    {"ACTIVE = .T. AND AMOUNT < 40", false, {"ANNA", "CARL"}},
    {"NAME = 'AN'", false, {"ANNA", "ANDREW"}},
    {"NAME = 'AN'", true, {}},
    {"NAME = 'ANNA'", true, {"ANNA"}},
    {"AMOUNT = 20 OR NAME = 'DORA'", false, {"BOB", "DORA"}},
    {"(AMOUNT < 15 OR AMOUNT > 45) AND ACTIVE", false, {"ANNA", "DORA"}},
    {"LOWER(NAME) = 'bob'", false, {"BOB"}},
    {"'AR' $ NAME", false, {"CARL"}},
    {"AMOUNT > 1000", false, {}},
    {"RECNO() = 2 .OR. RECNO() = 4", false, {"BOB", "ANDREW"}},
};

TEST(FilterTexts, PlainAndOptimizedFiltersSelectTheSameRecordsOnEveryTableType)
{
    for (UNSIGNED16 type : kAllTypes) {
        PeopleTable people(type);
        ADSHANDLE table = people.Handle();
        for (const FilterCase& c : kCases) {
            SCOPED_TRACE(std::string(TypeName(type)) + ": " + c.text + (c.exact ? " (exact)" : ""));
            ASSERT_ADS_OK(AdsSetExact22(table, c.exact ? 1 : 0));
            ASSERT_ADS_OK(SetAof(table, c.text));
            EXPECT_EQ(Walk(table, table), c.visible);
            EXPECT_EQ(Count(table, ADS_RESPECTFILTERS), c.visible.size());
            ASSERT_ADS_OK(AdsClearAOF(table));

            ASSERT_ADS_OK(SetFilter(table, c.text));
            EXPECT_EQ(Walk(table, table), c.visible);
            ASSERT_ADS_OK(AdsClearFilter(table));
            EXPECT_EQ(Walk(table, table).size(), 5u) << "nothing is filtered after clearing";
        }
    }
}

TEST(FilterTexts, EightBitTextWithoutTheUtf16Option)
{
    PeopleTable people(ADS_CDX);
    ADSHANDLE table = people.Handle();
    ASSERT_ADS_OK(AdsSetAOF100(table, "AMOUNT >= 40", ADS_RESOLVE_DYNAMIC));
    EXPECT_EQ(Walk(table, table), (Names{"ANDREW", "DORA"}));
    ASSERT_ADS_OK(AdsSetFilter100(table, "NAME = 'D'", 0));
    EXPECT_EQ(Walk(table, table), (Names{"DORA"}));
}

TEST(FilterTexts, TextsMeetTheValuesOfAnOemTableInItsOwnCharacterSet)
{
    apitest::FolderConnection connection;
    ADSHANDLE table = apitest::CreateTable(connection.Handle(), "oem", ADS_CDX, "NAME,Char,10;", ADS_OEM);
    apitest::AppendNames(table, {"\xC4RGER", "ARGER", "\xD6L"}); // ÄRGER, ARGER, ÖL in the system code page
    const std::u16string utf16 = u"NAME = '\u00C4'";
    ASSERT_ADS_OK(AdsSetAOF100(table, utf16.c_str(), kDefaultAof));
    EXPECT_EQ(Walk(table, table), (Names{"\xC4RGER"}));
    ASSERT_ADS_OK(AdsSetFilter100(table, "NAME <> '\xD6L'", 0));
    EXPECT_EQ(Walk(table, table), (Names{"\xC4RGER"}));
    char text[32] = {};
    UNSIGNED16 length = sizeof text;
    ASSERT_ADS_OK(AdsGetFilter(table, text, &length));
    EXPECT_EQ(std::string(text, length), "NAME <> '\xD6L'") << "handed back in the system code page";
}

// The statement list the restore monitor filters: long column names with
// blanks, unquoted in the filter text.
class StatementList {
public:
    StatementList()
    {
        mTable = apitest::CreateTable(mConnection.Handle(), "statements", ADS_ADT,
                                      "Query Number,Integer;Active,Logical;Connection Name,Char,100;Query,Memo;");
        Append(11, true, "PC01");
        Append(12, true, "PC01");
        Append(13, true, "PC02");
        Append(14, false, "PC01");
        Append(15, true, "");
    }
    ADSHANDLE Handle() const { return mTable; }

    // Query numbers visible from the top.
    std::vector<int> Visible() const
    {
        std::vector<int> numbers;
        EXPECT_ADS_OK(AdsGotoTop(mTable));
        while (!PastEnd(mTable)) {
            numbers.push_back(std::stoi(FieldText(mTable, "Query Number")));
            if (AdsSkip(mTable, 1) != AE_SUCCESS)
                break;
        }
        return numbers;
    }

private:
    void Append(int number, bool active, const char* computer)
    {
        ASSERT_ADS_OK(AdsAppendRecord(mTable));
        ASSERT_ADS_OK(AdsSetDouble(mTable, "Query Number", number));
        ASSERT_ADS_OK(AdsSetLogical(mTable, "Active", active ? 1 : 0));
        ASSERT_ADS_OK(AdsSetField(mTable, "Connection Name", computer, UNSIGNED32(strlen(computer))));
        ASSERT_ADS_OK(AdsWriteRecord(mTable));
    }

    apitest::FolderConnection mConnection;
    ADSHANDLE mTable = 0;
};

// The layer's preparation of a filter on an ADT open type: long names to
// short ones and back, in UTF-8.
std::string ThroughShortNames(ADSHANDLE table, const std::string& text)
{
    char shortText[1024] = {}, longText[1024] = {};
    UNSIGNED32 length = sizeof shortText;
    EXPECT_ADS_OK(AdsExpressionLongToShort90(table, text.c_str(), shortText, &length));
    length = sizeof longText;
    EXPECT_ADS_OK(AdsExpressionShortToLong90(table, shortText, longText, &length));
    return std::string(longText, length);
}

TEST(FilterTexts, TheMonitorsFilterWithItsLocateFilterOnTop)
{
    StatementList list;
    ADSHANDLE table = list.Handle();
    const struct {
        std::string computer;
        std::vector<int> visible;
    } cases[] = {{"PC01", {11, 12}}, {"PC02", {13}}, {"", {15}}, {"PC0", {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE("computer '" + c.computer + "'");
        std::string filter = "Active = True AND Connection Name = '" + c.computer + "'";
        EXPECT_EQ(ThroughShortNames(table, filter), filter);
        ASSERT_ADS_OK(AdsSetExact22(table, 1));
        ASSERT_ADS_OK(SetAof(table, filter));
        EXPECT_EQ(list.Visible(), c.visible);

        for (int number : {11, 12, 13, 14, 15}) {
            ASSERT_ADS_OK(SetFilter(table, "(Query Number=" + std::to_string(number) + ")"));
            UNSIGNED16 eof = 0;
            ASSERT_ADS_OK(AdsGotoTop(table));
            ASSERT_ADS_OK(AdsAtEOF(table, &eof));
            bool expected = std::find(c.visible.begin(), c.visible.end(), number) != c.visible.end();
            EXPECT_EQ(!eof, expected) << "Locate of " << number;
            if (!eof) {
                EXPECT_EQ(FieldText(table, "Query Number"), std::to_string(number));
            }
            ASSERT_ADS_OK(AdsClearFilter(table));
        }
        EXPECT_EQ(list.Visible(), c.visible) << "the optimized filter outlives the Locate filter";
    }
}

TEST(FilterTexts, TheMonitorsFilterOnTheStatementListItself)
{
    testsupport::EnvGuard computer("COMPUTERNAME", QByteArray("FILTER-PC"));
    apitest::FolderConnection connection;
    sqlexec::StatementOn statement(connection.Handle());
    ADSHANDLE cursor = 0;
    ASSERT_ADS_OK(AdsExecuteSQLDirect(statement.Handle(), "EXECUTE PROCEDURE sp_GetSQLStatements()", &cursor));
    ASSERT_NE(cursor, 0u);
    const std::string filter = "Active = True AND Connection Name = 'FILTER-PC'";
    EXPECT_EQ(ThroughShortNames(cursor, filter), filter);
    ASSERT_ADS_OK(AdsSetExact22(cursor, 1));
    ASSERT_ADS_OK(SetAof(cursor, filter));
    UNSIGNED32 shown = Count(cursor, ADS_RESPECTFILTERS);
    EXPECT_LE(shown, Count(cursor, ADS_IGNOREFILTERS));
    ASSERT_ADS_OK(AdsGotoTop(cursor));
    for (UNSIGNED32 i = 0; i < shown; ++i) {
        EXPECT_EQ(FieldText(cursor, "Connection Name"), "FILTER-PC");
        ASSERT_ADS_OK(AdsSkip(cursor, 1));
    }
    EXPECT_TRUE(PastEnd(cursor));
    ASSERT_ADS_OK(SetFilter(cursor, "(Query Number=0)"));
    ASSERT_ADS_OK(AdsGotoTop(cursor));
    EXPECT_TRUE(PastEnd(cursor)) << "no statement has number 0";
    ASSERT_ADS_OK(AdsClearFilter(cursor));
    ASSERT_ADS_OK(AdsClearAOF(cursor));
    ASSERT_ADS_OK(AdsCloseTable(cursor));
}

TEST(FilterTexts, BothFiltersMustAcceptARecord)
{
    PeopleTable people(ADS_ADT);
    ADSHANDLE table = people.Handle();
    ASSERT_ADS_OK(SetAof(table, "ACTIVE"));
    ASSERT_ADS_OK(SetFilter(table, "AMOUNT > 20"));
    EXPECT_EQ(Walk(table, table), (Names{"CARL", "DORA"}));
    EXPECT_EQ(Count(table, ADS_RESPECTFILTERS), 2u);
    ASSERT_ADS_OK(AdsClearFilter(table));
    EXPECT_EQ(Walk(table, table), (Names{"ANNA", "CARL", "DORA"}));
    ASSERT_ADS_OK(SetFilter(table, "AMOUNT > 20"));
    ASSERT_ADS_OK(AdsClearAOF(table));
    EXPECT_EQ(Walk(table, table), (Names{"CARL", "ANDREW", "DORA"}));
}

TEST(FilterTexts, ATextThatDoesNotCompileIsRefusedAndThePreviousFilterStays)
{
    const struct {
        const char* text;
        UNSIGNED32 code;
        const char* fragment;
    } bad[] = {
        {"AMOUNT >", 6201, "AMOUNT >"},
        {"(AMOUNT > 1", 6201, "(AMOUNT > 1"},
        {"NOSUCH = 1", 6202, "NOSUCH"},
        {"AMOUNT + 1", 6206, "not logical"},
        {"NAME = 1", 6205, "NAME = 1"},
        {"", 6201, ""},
    };
    PeopleTable people(ADS_VFP);
    ADSHANDLE table = people.Handle();
    ASSERT_ADS_OK(SetAof(table, "ACTIVE"));
    ASSERT_ADS_OK(SetFilter(table, "AMOUNT < 40"));
    for (const auto& b : bad) {
        SCOPED_TRACE(b.text);
        apitest::ExpectFailure(SetAof(table, b.text), b.code, b.fragment);
        apitest::ExpectFailure(SetFilter(table, b.text), b.code, b.fragment);
        EXPECT_EQ(Walk(table, table), (Names{"ANNA", "CARL"}));
        char text[64] = {};
        UNSIGNED16 length = sizeof text;
        ASSERT_ADS_OK(AdsGetAOF(table, text, &length));
        EXPECT_EQ(std::string(text, length), "ACTIVE");
        length = sizeof text;
        ASSERT_ADS_OK(AdsGetFilter(table, text, &length));
        EXPECT_EQ(std::string(text, length), "AMOUNT < 40");
    }
    apitest::ExpectFailure(AdsSetAOF100(table, nullptr, kDefaultAof), AE_INVALID_ARGUMENT, "null");
    apitest::ExpectFailure(SetAof(table, "ACTIVE", ADS_ENCODE_UTF16 | ADS_KEYSET_AOF | ADS_FIXED_AOF),
                           AE_INVALID_ARGUMENT, "options");
    apitest::ExpectFailure(SetAof(table, "ACTIVE", ADS_ENCODE_UTF16 | 0x0100), AE_INVALID_ARGUMENT, "options");
}

TEST(FilterTexts, ZeroLengthProbesTellWhetherAFilterIsSet)
{
    PeopleTable people(ADS_NTX);
    ADSHANDLE table = people.Handle();
    using Getter = UNSIGNED32 (*)(ADSHANDLE, char*, UNSIGNED16*);
    using Clearer = UNSIGNED32 (*)(ADSHANDLE);
    const struct {
        const char* what;
        Getter get;
        Clearer clear;
        UNSIGNED32 (*set)(ADSHANDLE, const std::string&);
    } kinds[] = {
        {"optimized", AdsGetAOF, AdsClearAOF, [](ADSHANDLE t, const std::string& s) { return SetAof(t, s); }},
        {"plain", AdsGetFilter, AdsClearFilter, SetFilter},
    };
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.what);
        UNSIGNED16 length = 0;
        apitest::ExpectFailure(k.get(table, nullptr, &length), AE_NO_FILTER, "no");
        apitest::ExpectFailure(k.clear(table), AE_NO_FILTER, "no");
        ASSERT_ADS_OK(k.set(table, "AMOUNT > 25"));
        length = 0;
        apitest::ExpectFailure(k.get(table, nullptr, &length), AE_INSUFFICIENT_BUFFER, "");
        EXPECT_EQ(length, strlen("AMOUNT > 25"));
        char small[6] = {};
        length = sizeof small;
        EXPECT_EQ(k.get(table, small, &length), AE_INSUFFICIENT_BUFFER);
        EXPECT_STREQ(small, "AMOUN");
        ASSERT_ADS_OK(k.clear(table));
        apitest::ExpectFailure(k.clear(table), AE_NO_FILTER, "no");
    }
    UNSIGNED16 level = 0;
    UNSIGNED32 length = 0;
    apitest::ExpectFailure(AdsGetAOFOptLevel100(table, &level, nullptr, &length, ADS_ENCODE_UTF16), AE_NO_FILTER,
                           "no optimized filter");
    apitest::ExpectFailure(AdsRefreshAOF(table), AE_NO_FILTER, "no optimized filter");
}

TEST(FilterTexts, AFilterKeepsTheExactSettingItWasSetWith)
{
    PeopleTable people(ADS_CDX);
    ADSHANDLE table = people.Handle();
    UNSIGNED16 exact = 9;
    ASSERT_ADS_OK(AdsSetExact22(table, 1));
    ASSERT_ADS_OK(AdsGetExact22(table, &exact));
    EXPECT_EQ(exact, 1);
    ASSERT_ADS_OK(SetFilter(table, "NAME = 'AN'"));
    ASSERT_ADS_OK(AdsSetExact22(table, 0));
    ASSERT_ADS_OK(AdsGetExact22(table, &exact));
    EXPECT_EQ(exact, 0);
    EXPECT_EQ(Walk(table, table), Names{});
    ASSERT_ADS_OK(SetFilter(table, "NAME = 'AN'"));
    EXPECT_EQ(Walk(table, table), (Names{"ANNA", "ANDREW"}));
}

TEST(FilterTexts, EvalLogicalExprJudgesTheCurrentRecord)
{
    PeopleTable people(ADS_ADT);
    ADSHANDLE table = people.Handle();
    ASSERT_ADS_OK(AdsGotoRecord(table, 3)); // CARL, 30, active
    const struct {
        const char* text;
        bool exact;
        UNSIGNED16 result;
    } cases[] = {
        {"(AMOUNT=30)", true, 1},
        {"(NAME=\"CARL\") AND (ACTIVE=.TRUE.)", true, 1},
        {"(UPPER(NAME)=UPPER(\"carl\"))", true, 1},
        {"(NAME=\"CA\")", true, 0},
        {"(NAME=\"CA\")", false, 1},
        {"(empty(NAME))", true, 0},
        {"AMOUNT > 100", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_ADS_OK(AdsSetExact22(table, c.exact ? 1 : 0));
        UNSIGNED16 result = 9;
        ASSERT_ADS_OK(AdsEvalLogicalExpr(table, c.text, &result));
        EXPECT_EQ(result, c.result);
    }
    UNSIGNED16 result = 9;
    apitest::ExpectFailure(AdsEvalLogicalExpr(table, "AMOUNT * 2", &result), 6206, "not logical");
    apitest::ExpectFailure(AdsEvalLogicalExpr(table, "NOSUCH", &result), 6202, "NOSUCH");
    ASSERT_ADS_OK(AdsGotoEOF(table));
    apitest::ExpectFailure(AdsEvalLogicalExpr(table, "ACTIVE", &result), AE_NO_CURRENT_RECORD, "no current record");
}

std::string Translated(UNSIGNED32 (*translate)(ADSHANDLE, const char*, char*, UNSIGNED32*), ADSHANDLE table,
                       const std::string& text)
{
    char out[256] = {};
    UNSIGNED32 length = sizeof out;
    EXPECT_ADS_OK(translate(table, text.c_str(), out, &length));
    return std::string(out, length);
}

TEST(FilterTexts, NameTranslationTouchesOnlyLongFieldNames)
{
    StatementList list;
    PeopleTable people(ADS_ADT);
    const std::string shortOnly = "NAME = 'Connection Name' AND AMOUNT > 2";
    EXPECT_EQ(Translated(AdsExpressionLongToShort90, people.Handle(), shortOnly), shortOnly);
    EXPECT_EQ(Translated(AdsExpressionShortToLong90, people.Handle(), shortOnly), shortOnly);

    const std::string withLong = "Query Number = 3 AND Query = 'Connection Name' AND Connection Name = 'x'";
    std::string shortForm = Translated(AdsExpressionLongToShort90, list.Handle(), withLong);
    EXPECT_EQ(shortForm.find("Query Number"), std::string::npos) << shortForm;
    EXPECT_EQ(shortForm.find("Name = 'x'"), std::string::npos) << shortForm;
    EXPECT_NE(shortForm.find("'Connection Name'"), std::string::npos) << "literals stay: " << shortForm;
    EXPECT_EQ(Translated(AdsExpressionShortToLong90, list.Handle(), shortForm), withLong);

    char tiny[4] = {};
    UNSIGNED32 length = sizeof tiny;
    EXPECT_EQ(AdsExpressionLongToShort90(list.Handle(), "Connection Name = 'x'", tiny, &length),
              AE_INSUFFICIENT_BUFFER);
    EXPECT_GT(length, 4u);
}

} // namespace
