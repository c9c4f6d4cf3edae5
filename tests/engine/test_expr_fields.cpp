// Field references on real tables: names with blanks resolved by the longest
// match, the restore monitor's filter and Locate, every field type of the
// engine's own format and of VFP, and what NULL and blank fields
// give on each table kind.
#include "tests/engine/test_expr_support.h"

#include <gtest/gtest.h>

using namespace exprtest;
using storage::TableKind;

namespace {

// The columns of the server's statement list that the monitor reads.
const char* const kStatements =
    "Query Number,Integer;Active,Logical;Percent Complete,Double;Connection Name,Char,100;"
    "Database User,Char,100;Query,Memo;Start Time,Time;Seconds Until Finished,Integer;";

class StatementList : public ::testing::Test {
protected:
    StatementList() : table(TableKind::ADT, kStatements, "statements")
    {
        table.Append({{"Query Number", "12"}, {"Active", "T"}, {"Connection Name", "PC01"},
                      {"Query", "Executing cursor OPEN statment in SQL script.\nrest"}, {"Start Time", "10:00:00"}});
        table.Append({{"Query Number", "13"}, {"Active", "T"}, {"Connection Name", "PC02"}, {"Query", "SELECT 1"}});
        table.Append({{"Query Number", "14"}, {"Active", "F"}, {"Connection Name", "PC01"}});
        table.Append({{"Query Number", "15"}, {"Active", "T"}, {"Connection Name", ""}});
        table.Append({{"Query Number", "16"}, {"Active", "T"}, {"Connection Name", "PC01 second"}});
        table.Context().SetExact(true); // the monitor's filter comes without a wildcard
    }

    ExprTable table;
};

TEST_F(StatementList, MonitorFilterAndLocate)
{
    using R = std::vector<uint32_t>;
    EXPECT_EQ(table.Matching("Active = True AND Connection Name = 'PC01'"), R{1});
    EXPECT_EQ(table.Matching("Active = True AND Connection Name = ''"), R{4});
    EXPECT_EQ(table.Matching("(Query Number=12)"), R{1});
    EXPECT_EQ(table.Matching("(Active = True AND Connection Name = 'PC01') AND (Query Number=12)"), R{1});
    EXPECT_EQ(table.Matching("Query Number>13 AND Query Number<=15"), R({3, 4}));
    // "Query" is a field of its own, and a prefix of "Query Number".
    EXPECT_EQ(table.Matching("Query = 'SELECT 1' OR LEFT(Query, 9) == 'Executing'"), R({1, 2}));
    EXPECT_EQ(table.Matching("AT(CHR(10), Query) > 0"), R{1});
    EXPECT_EQ(table.Matching("Start Time = ctot(\"10:00:00\")"), R{1});
    EXPECT_EQ(table.Matching("EMPTY(Start Time)"), R({2, 3, 4, 5}));
    // The client's Locate with a null key value.
    EXPECT_EQ(table.Matching("(empty(Percent Complete))"), R({1, 2, 3, 4, 5}));
    // Qualified and lower-case names.
    EXPECT_EQ(table.Matching("statements->connection name = 'PC02' OR FIELD->QUERY NUMBER = 14"), R({2, 3}));
    table.Context().SetExact(false);
    EXPECT_EQ(table.Matching("Connection Name = 'PC01'"), R({1, 3, 5}));
}

// A result kept in memory in the same record layout: no table file, its own memo store.
TEST(InMemoryResult, FiltersWithoutATableFile)
{
    storage::RecordLayout layout = storage::Table::LayoutFor(TableKind::ADT, kStatements);
    std::vector<std::vector<uint8_t>> records;
    std::vector<std::string> memos;
    for (const char* name : {"PC01", "PC02"}) {
        std::vector<uint8_t> image = layout.BlankRecord();
        layout.SetText(size_t(layout.FieldIndex("Active")), image.data(), "T");
        layout.SetText(size_t(layout.FieldIndex("Connection Name")), image.data(), name);
        layout.SetText(size_t(layout.FieldIndex("Query Number")), image.data(), std::to_string(records.size() + 12));
        layout.SetMemoReference(size_t(layout.FieldIndex("Query")), image.data(), uint32_t(memos.size() + 1), 4);
        memos.push_back(std::string("Q") + name);
        records.push_back(std::move(image));
    }
    expr::TableContext context(layout, [&](size_t, const uint8_t* image) {
        const std::string& memo = memos[layout.MemoBlock(size_t(layout.FieldIndex("Query")), image) - 1];
        return std::vector<uint8_t>(memo.begin(), memo.end());
    });
    context.SetExact(true);
    expr::Expression filter = expr::Expression::Compile("Active = True AND Connection Name = 'PC02' AND Query == 'QPC02'",
                                                        context, expr::Purpose::Filter);
    context.SetRecord(records[0].data(), 1);
    EXPECT_FALSE(filter.Matches(context));
    context.SetRecord(records[1].data(), 2);
    EXPECT_TRUE(filter.Matches(context));
    EXPECT_EQ(Eval("STR(Query Number, 3) + '/' + STR(RECNO(), 1)", context), "' 13/2'");
    // Without a memo store a memo field is an error, not an empty value.
    expr::TableContext noMemos(layout, nullptr);
    noMemos.SetRecord(records[0].data(), 1);
    EXPECT_THROW(Eval("Query", noMemos), storage::StorageError);
}

// The top-level AND terms an index can answer: `subject relation constant`.
TEST_F(StatementList, FilterTermsForIndexes)
{
    static const char* const kRelations[] = {"", "=", "==", "<>", "<", "<=", ">", ">="};
    auto terms = [&](const char* filter) {
        std::vector<std::string> described;
        for (const expr::FilterTerm& t : expr::Expression::Compile(filter, table.Context(), expr::Purpose::Filter).AndTerms())
            described.push_back(t.text + " | " + (t.relation == expr::Relation::None ? "per record"
                                                  : t.subject + " " + kRelations[int(t.relation)] + " " + Render(t.constant)));
        return described;
    };
    using D = std::vector<std::string>;
    EXPECT_EQ(terms("Active = True AND Connection Name = 'PC01'"),
              D({"Active = True | Active = .T.", "Connection Name = 'PC01' | Connection Name = 'PC01'"}));
    EXPECT_EQ(terms("(Active = True AND Connection Name = 'PC01') AND (Query Number=12)"),
              D({"Active = True | Active = .T.", "Connection Name = 'PC01' | Connection Name = 'PC01'",
                 "(Query Number=12) | Query Number = 12"}));
    EXPECT_EQ(terms("UPPER(Database User) >= UPPER('ab') .AND. NOT Active .AND. 12 < Query Number"),
              D({"UPPER(Database User) >= UPPER('ab') | UPPER(Database User) >= 'AB'", "NOT Active | per record",
                 "12 < Query Number | per record"}));
    EXPECT_EQ(terms("Active OR Query Number = 1"), D({"Active OR Query Number = 1 | per record"}));
}

TEST_F(StatementList, NamesAreTranslatedBetweenLongAndShortForms)
{
    struct Translation {
        const char* longForm;
        const char* shortForm;
    };
    const Translation kTranslations[] = {
        {"Active = True AND Connection Name = 'PC01'", "Active = True AND CONNECTION = 'PC01'"},
        {"(Query Number=12)", "(QUERYNUMBE=12)"},
        {"Query = 'Connection Name' AND Percent Complete > 5", "Query = 'Connection Name' AND PERCENTCOM > 5"},
        {"UPPER(Database User)=[Seconds Until Finished]", "UPPER(DATABASEUS)=[Seconds Until Finished]"},
        {"Seconds Until Finished + Start Time", "SECONDSUNT + STARTTIME"},
        {"Query $ \"x\" .AND. 1 = 1", "Query $ \"x\" .AND. 1 = 1"},
    };
    for (const Translation& t : kTranslations) {
        EXPECT_EQ(expr::ExpressionLongToShort(t.longForm, table.Context()), t.shortForm);
        EXPECT_EQ(expr::ExpressionShortToLong(t.shortForm, table.Context()), t.longForm);
    }
    // The client strips a wildcard between the two steps; the text still comes back.
    EXPECT_EQ(expr::ExpressionShortToLong("CONNECTION = 'PC'", table.Context()), "Connection Name = 'PC'");
}

TEST(ShortNames, CollideNeitherWithFieldsNorWithEachOther)
{
    ExprTable table(TableKind::ADT,
                    "CONNECTION,Char,5;Connection Name,Char,5;Connection Names,Char,5;1st,Integer;A N D,Logical;"
                    "People Now,Logical;",
                    "PEOPLENOW");
    // Nor with keywords or the alias, which would read back as the field.
    EXPECT_EQ(expr::ShortFieldNames(table.Context()),
              std::vector<std::string>({"", "CONNECTI_1", "CONNECTI_2", "F1ST", "AND_1", "PEOPLENO_1"}));
    EXPECT_EQ(expr::ExpressionLongToShort("A N D AND People Now", table.Context()), "AND_1 AND PEOPLENO_1");
    EXPECT_EQ(expr::ExpressionShortToLong("AND_1 AND PEOPLENOW->PEOPLENO_1", table.Context()),
              "A N D AND PEOPLENOW->People Now");
    EXPECT_EQ(expr::ExpressionLongToShort("Connection Names = CONNECTION", table.Context()), "CONNECTI_2 = CONNECTION");
    // Names may begin with a letter of the code page; short forms keep only ASCII.
    ExprTable accents(TableKind::ADT, "\xC9t\xE9 Pr\xE9vu,Logical;Caf\xE9,Char,5;");
    accents.Append({{"\xC9t\xE9 Pr\xE9vu", "T"}, {"Caf\xE9", "cr\xE8me"}});
    EXPECT_EQ(Eval("\xC9t\xE9 Pr\xE9vu AND Caf\xE9 = 'cr\xE8me'", accents.At(1)), ".T.");
    EXPECT_EQ(expr::ExpressionLongToShort("\xC9t\xE9 Pr\xE9vu OR '\xE9' $ Caf\xE9 \xFF", accents.Context()),
              "TPRVU OR '\xE9' $ CAF \xFF");
    EXPECT_EQ(expr::ExpressionShortToLong("TPRVU OR '\xE9' $ CAF \xFF", accents.Context()),
              "\xC9t\xE9 Pr\xE9vu OR '\xE9' $ Caf\xE9 \xFF");
    // Tables whose names are all short come back unchanged.
    ExprTable dbf(TableKind::CDX, "NAME,Char,10;ID,Numeric,5;");
    for (const char* text : {"NAME = 'Connection Name' AND ID > 1", "upper(name)+str(id,5)"})
        EXPECT_EQ(expr::ExpressionLongToShort(text, dbf.Context()), text);
}

// Every column type of the engine's own format, read through the storage layer.
TEST(FieldTypes, EveryAdtTypeReadsAsItsExpressionType)
{
    ExprTable table(TableKind::ADT,
                    "C,Char,5;CI,CIChar,5;N,Numeric,7,2;L,Logical;D,Date;CD,CompactDate;T,Time;TS,TimeStamp;"
                    "MT,ModTime;SI,ShortInt;I,Integer;LI,LongInt;AI,AutoInc;DB,Double,2;CU,CurDouble;MO,Money;"
                    "VC,VarChar,10;NC,NChar,5;NVC,NVarChar,10;M,Memo;NM,NMemo;");
    table.Append({{"C", "abc"}, {"CI", "MiXeD"}, {"N", "-12.25"}, {"L", "T"}, {"D", "20240315"},
                  {"CD", "20240316"}, {"T", "13:45:30.500"}, {"TS", "20240315 13:45:30.500"}, {"SI", "-2"},
                  {"I", "70000"}, {"LI", "-9000000000"}, {"DB", "2.5"}, {"CU", "1.25"}, {"MO", "12.3456"},
                  {"VC", "var"}, {"NC", "wide"}, {"NVC", "wider"}, {"M", "memo text"}, {"NM", "n memo"}});
    table.Append({}); // every field NULL
    const Case kOnValues[] = {
        {"C", "'abc  '"},
        {"CI = 'mixed' AND CI == 'MIXED' AND 'mixed' = CI", ".T."},
        {"UPPER(CI) == 'mixed'", ".F."},
        {"N * 2", "-24.5"},
        {"L", ".T."},
        {"D + 1 = CD", ".T."},
        {"T = CTOT('1:45:30.5 PM')", ".T."},
        {"TS = CTOTS('03/15/2024 13:45:30.500') AND YEAR(TS) = 2024 AND DTOS(TS) = '20240315'", ".T."},
        {"MT > {^2020-01-01 00:00:00}", ".T."},
        {"SI + I + LI", "-8999930002"},
        {"AI", "1"},
        {"DB + CU + MO", "16.0956"},
        {"VC + '|' + NC + '|' + NVC + '|'", "'var|wide |wider|'"},
        {"LEN(VC) + LEN(NC) + LEN(NVC)", "13"},
        {"M + '/' + NM", "'memo text/n memo'"},
        {"CONTAINS(M, 'TEXT') AND CONTAINS(NM, 'mem*')", ".T."},
    };
    ExpectCases(kOnValues, table.At(1));
    // NULL where the format stores one; the empty value where NULL and empty share their bytes.
    const Case kOnNulls[] = {
        {"ISNULL(N) AND ISNULL(L) AND ISNULL(T) AND ISNULL(TS) AND ISNULL(SI) AND ISNULL(I)", ".T."},
        {"ISNULL(LI) AND ISNULL(DB) AND ISNULL(CU) AND ISNULL(MO) AND ISNULL(VC) AND ISNULL(NVC)", ".T."},
        {"N = 0", "NULL"},
        {"C", "'     '"},
        {"C = '' AND NC = '' AND D = CTOD('') AND CD = {} AND M == '' AND NM == ''", ".T."},
        {"EMPTY(N) AND EMPTY(L) AND EMPTY(T) AND EMPTY(TS) AND EMPTY(VC) AND EMPTY(C) AND EMPTY(M)", ".T."},
        {"IIF(L, 'yes', 'no')", "'no'"},
    };
    ExpectCases(kOnNulls, table.At(2));
}

// DBF tables have no NULL: blank fields are blanks, 0, the empty date and .F.
// VFP fields are NULL only by their null flag.
TEST(FieldTypes, BlankAndNullFieldsOnEveryKind)
{
    const char* definition = "NAME,Char,10;AMOUNT,Numeric,8,2;BIRTH,Date;ACTIVE,Logical;NOTES,Memo;";
    for (TableKind kind : kAllKinds) {
        SCOPED_TRACE(KindName(kind));
        ExprTable table(kind, definition);
        table.Append({{"NAME", std::nullopt}, {"AMOUNT", std::nullopt}, {"BIRTH", std::nullopt},
                      {"ACTIVE", std::nullopt}, {"NOTES", std::nullopt}},
                     true);
        table.Append({{"NAME", ""}, {"AMOUNT", "0"}, {"BIRTH", ""}, {"ACTIVE", "F"}, {"NOTES", ""}});
        table.Context().SetExact(true);
        bool hasNull = kind == TableKind::VFP || kind == TableKind::ADT;
        expr::TableContext& blank = table.At(1);
        EXPECT_EQ(Eval("DELETED() AND RECNO() = 1", blank), ".T.");
        EXPECT_EQ(Eval("EMPTY(NAME) AND EMPTY(AMOUNT) AND EMPTY(BIRTH) AND EMPTY(ACTIVE) AND EMPTY(NOTES)", blank), ".T.");
        EXPECT_EQ(Eval("AMOUNT = 0", blank), hasNull ? "NULL" : ".T.");
        EXPECT_EQ(Eval("ACTIVE", blank), hasNull ? "NULL" : ".F.");
        EXPECT_EQ(Eval("ISNULL(NAME)", blank), kind == TableKind::VFP ? ".T." : ".F.");
        EXPECT_EQ(Eval("BIRTH = CTOD('')", blank), kind == TableKind::VFP ? "NULL" : ".T.");
        expr::TableContext& empty = table.At(2);
        EXPECT_EQ(Eval("NAME = '' AND AMOUNT = 0 AND !ACTIVE", empty), ".T.");
        EXPECT_EQ(Eval("ISNULL(NAME) OR ISNULL(AMOUNT) OR ISNULL(ACTIVE) OR DELETED()", empty), ".F.");
        // VFP stores an empty date or memo as NULL.
        EXPECT_EQ(Eval("BIRTH = CTOD('') AND NOTES == ''", empty), kind == TableKind::VFP ? "NULL" : ".T.");
        EXPECT_EQ(table.Matching("EMPTY(AMOUNT)"), std::vector<uint32_t>({1, 2}));
    }
}

} // namespace
