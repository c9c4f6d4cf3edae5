// The expression language evaluated on a real record of every table kind:
// operators and their precedence, literals, string comparison with exact on
// and off, NULL and empty values, and the function library.
#include "tests/engine/test_expr_support.h"

#include <gtest/gtest.h>

using namespace exprtest;
using storage::TableKind;

namespace {

const char* const kPeople = "NAME,Char,10;CITY,Char,10;AMOUNT,Numeric,8,2;BIRTH,Date;ACTIVE,Logical;NOTES,Memo;";

const Row kSmith = {{"NAME", "Smith"}, {"CITY", "PARIS"}, {"AMOUNT", "12.5"}, {"BIRTH", "19991231"},
                    {"ACTIVE", "T"}, {"NOTES", "xyz ABCDE lightly breaded"}};

// Record 1 is Smith; the context's alias is "people", exact is off.
const Case kCases[] = {
    // Precedence and associativity.
    {"1 + 2 * 3", "7"},
    {"(1 + 2) * 3", "9"},
    {"-2^2", "4"},
    {"2^3^2", "64"},
    {"2**3 - 1", "7"},
    {"7 / 2", "3.5"},
    {"25.250 % 5.0", "0.25"},
    {"-7 % 3", "2"},
    {"7 % -3", "-2"},
    {".5 + 1", "1.5"},
    {"NOT .F. AND .F.", ".F."},
    {".T. OR .F. AND .F.", ".T."},
    {"NOT ACTIVE = .F.", ".T."},
    {"! ACTIVE", ".F."},
    {".t. AND .Y. AND .TRUE. AND true AND True AND .NOT. .n.", ".T."},
    {"ACTIVE.AND.ACTIVE.OR..F.", ".T."},
    {"1 < 2 = .T.", ".T."},
    // Short-circuit: the division by zero is never performed.
    {".F. AND (1/0 = 1)", ".F."},
    {".T. OR (1/0 = 1)", ".T."},
    {"1/0 = 1", "NULL"},
    // Strings and dates.
    {"NAME + CITY", "'Smith     PARIS     '"},
    {"NAME - CITY", "'SmithPARIS          '"},
    {"'John ' - 'Smith'", "'JohnSmith '"},
    {"'CD' $ 'ABCD'", ".T."},
    {"'cd' $ 'ABCD'", ".F."},
    {"'' $ 'ABCD'", ".F."},
    {"\"He said \"+ Chr(34) + \"hi\"", "'He said \"hi'"},
    {"[a'b\"c]", "'a'b\"c'"},
    {"\"it's\"", "'it's'"},
    {"BIRTH + 1", "{^2000-01-01}"},
    {"1 + BIRTH", "{^2000-01-01}"},
    {"{^2000-01-01} - {^1999-12-31}", "1"},
    {"{^2000-03-01} - 1", "{^2000-02-29}"},
    {"{^2016-02-28} + 1", "{^2016-02-29}"},
    {"{^2017-02-28} + 1.9", "{^2017-03-01}"},
    {"CTOD('') + 5", "{}"},
    {"{^2000-01-01 10:00:00} + 90", "{^2000-01-01 10:01:30.000}"},
    {"{^2000-01-02,00:00:00} - {^2000-01-01 23:59:00}", "60"},
    {"{^2024-02-29 1:05 PM}", "{^2024-02-29 13:05:00.000}"},
    {"{//}", "{}"},
    {"{  /  /  }", "{}"},
    {"{02/29/24}", "{^2024-02-29}"},
    {"{^2024/02/29} = {^2024.02.29}", ".T."},
    // Comparisons the client's Locate builds.
    {"(NAME=\"Smith\") AND (ACTIVE=.TRUE.) AND (AMOUNT=12.5)", ".T."},
    {"(BIRTH=ctod(\"12/31/1999\"))", ".T."},
    {"(UPPER(CITY)=UPPER(\"Paris\"))", ".T."},
    {"UPPER(CITY) == \"PARIS\"", ".F."},
    {"\"PARIS\" = UPPER(CITY)", ".F."},
    {"(empty(NAME))", ".F."},
    {"field->NAME = 'Smith' AND people->CITY = 'PARIS' AND PEOPLE.AMOUNT > 12", ".T."},
    {"BIRTH < {^2000-01-01} AND .F. < .T.", ".T."},
    // NULL: SQL logic, IIF takes the second branch, EMPTY is true.
    {"NULL = 1", "NULL"},
    {"NOT NULL", "NULL"},
    {"NULL + 1", "NULL"},
    {"NULL AND .F.", ".F."},
    {"NULL AND .T.", "NULL"},
    {".NULL. OR .T.", ".T."},
    {"NULL OR .F.", "NULL"},
    {"IIF(NULL, 1, 2)", "2"},
    {"EMPTY(NULL) AND ISNULL(.NULL.) AND !ISNULL(NAME)", ".T."},
    {"UPPER(NULL)", "NULL"},
    // Character functions.
    {"UPPER(NAME)", "'SMITH     '"},
    {"LOWER('\xC0" "Bc')", "'\xE0" "bc'"},
    {"TRIM(NAME) + '|'", "'Smith|'"},
    {"RTRIM(CITY) + LTRIM('  a ') + ALLTRIM('  b  ')", "'PARISa b'"},
    {"LEFT('ABCDEF', 2) + LEFT('AB', 5) + LEFT('AB', -1)", "'ABAB'"},
    {"RIGHT('ABCDEF', 2) + RIGHT('AB', 0) + RIGHT('AB', 9)", "'EFAB'"},
    {"SUBSTR('ABCDEF', 2, 3)", "'BCD'"},
    {"SUBSTR('ABCDEF', -3)", "'DEF'"},
    {"SUBSTR('ABCDEF', 5) + SUBSTR('ABCDEF', 7) + SUBSTR('ABCDEF', 2, 0)", "'EF'"},
    {"LEN(NAME)", "10"},
    {"LEN(NOTES)", "25"},
    {"LEN(TRIM(NAME)) + LEN('')", "5"},
    {"SPACE(3) + SPACE(-1) + '|'", "'   |'"},
    {"REPLICATE('ab', 3) + REPLICATE('x', 0)", "'ababab'"},
    {"CHR(65) + CHR(34)", "'A\"'"},
    {"CHR(256)", "NULL"},
    {"ASC('A') + ASC('')", "65"},
    {"AT('C', 'ABCDC')", "3"},
    {"AT('X', 'ABC') + AT('', 'ABC') + AT('c', 'ABC')", "0"},
    {"PADL('ab', 4) + PADR('ab', 4, '*')", "'  abab**'"},
    {"PADL('abcdef', 3) + PADL('a', 0)", "'abc'"},
    {"PADL(5, 3) + PADR(2.5, 4) + PADR(BIRTH, 12)", "'  52.5 12/31/1999  '"},
    // Conversions.
    {"STR(12345, 3)", "'***'"},
    {"STR(2.5)", "'         3'"},
    {"STR(-5, 4)", "'  -5'"},
    {"STR(3.14159, 6, 2)", "'  3.14'"},
    {"STR(AMOUNT)", "'   12.50'"},
    {"STR(123.456, 5, 2)", "'123.5'"},
    {"VAL('12A12')", "12"},
    {"VAL('A12') + VAL('')", "0"},
    {"VAL('  -3.5.1')", "-3.5"},
    {"DTOS({^2000-01-01})", "'20000101'"},
    {"DTOS(CTOD(''))", "'        '"},
    {"DTOC(BIRTH)", "'12/31/1999'"},
    {"DTOC(CTOD(''))", "'  /  /    '"},
    {"CTOD('02/30/2023')", "{}"},
    {"CTOD('2/3/24')", "{^2024-02-03}"},
    {"CTOD('  /  /  ')", "{}"},
    {"CTOT('10:00:00') < CTOT('10:00:01') AND CTOT('12:00 AM') = CTOT('00:00')", ".T."},
    {"CTOT('1:30:15.5 PM')", "T 13:30:15.500"},
    {"CTOT('')", "NULL"},
    {"CTOT('25:00')", "NULL"},
    {"CTOTS('12/31/1999 10:00:00') = {^1999-12-31 10:00:00}", ".T."},
    {"CTOTS('12/31/1999')", "{^1999-12-31 00:00:00.000}"},
    {"TTOC({^2000-01-01 10:00:00}, 1)", "'20000101100000'"},
    {"TTOC({^2000-01-01 10:00:00})", "'01/01/2000 10:00:00'"},
    // Dates, numbers, logic, the record.
    {"YEAR({^2000-01-01}) * 10000 + MONTH(BIRTH) * 100 + DAY(BIRTH)", "20001231"},
    {"YEAR(CTOD(''))", "0"},
    {"DOW({^2000-01-01})", "7"},
    {"ROUND(109.99, -1)", "110"},
    {"ROUND(2.675, 2)", "2.68"},
    {"ROUND(-2.5, 0)", "-3"},
    {"INT(-3.7) + ABS(-2)", "-1"},
    {"MAX(1, 2) + MIN(3, 4)", "5"},
    {"MIN(BIRTH, {^2000-01-01})", "{^1999-12-31}"},
    {"MAX('ABC', 'ABD')", "'ABD'"},
    {"IIF(ACTIVE, 'yes', 'no')", "'yes'"},
    {"IIF(.T., 1, 1/0)", "1"},
    {"EMPTY('  ') AND EMPTY(0) AND EMPTY(CTOD('')) AND EMPTY(.F.) AND EMPTY(CHR(9)) AND EMPTY('')", ".T."},
    {"EMPTY(NAME) OR EMPTY(AMOUNT) OR EMPTY(BIRTH) OR EMPTY(ACTIVE) OR EMPTY(NOTES)", ".F."},
    {"DELETED()", ".F."},
    {"RECNO()", "1"},
    {"DATE() > {^2020-01-01} AND LEN(TIME()) = 8 AND SUBSTR(TIME(), 3, 1) = ':'", ".T."},
    // Full-text search.
    {"CONTAINS(NOTES, 'abc*')", ".T."},
    {"CONTAINS(NOTES, 'abc')", ".F."},
    {"CONTAINS('xabc', 'abc*') OR CONTAINS('abcx', '*bcx')", ".F."},
    {"CONTAINS(NOTES, 'xabc*') OR CONTAINS(NOTES, 'bcde*')", ".F."},
    {"CONTAINS(NOTES, 'XYZ abcde')", ".T."},
    {"CONTAINS(NOTES, 'light bread*')", ".F."},
    {"CONTAINS(NOTES, '\"light bread*\"')", ".T."},
    {"CONTAINS(NOTES, '\"breaded lightly\"')", ".F."},
    {"CONTAINS(NOTES, 'xyz AND NOT zzz') AND CONTAINS(NOTES, 'zzz OR (abcde lightly)')", ".T."},
    {"CONTAINS(NAME, LOWER(NAME))", ".T."},
};

class LanguageTest : public ::testing::TestWithParam<TableKind> {};

TEST_P(LanguageTest, CasesOnARecordOfEachTableKind)
{
    ExprTable table(GetParam(), kPeople);
    table.Append(kSmith);
    ExpectCases(kCases, table.At(1));
}

// The comparison table of the language reference: "=" with exact off and on, and "==".
TEST_P(LanguageTest, StringComparisonWithExactOffAndOn)
{
    struct Comparison {
        const char* left;
        const char* right;
        const char* off;
        const char* on;
        const char* exactly;
    };
    const Comparison kComparisons[] = {
        {"'abc'", "'abc'", ".T.", ".T.", ".T."},   {"'ab'", "'abc'", ".F.", ".F.", ".F."},
        {"'abc'", "'ab'", ".T.", ".F.", ".F."},    {"'abc'", "'ab '", ".F.", ".F.", ".F."},
        {"'ab'", "'ab '", ".F.", ".T.", ".F."},    {"'ab '", "'ab'", ".T.", ".T.", ".F."},
        {"''", "'ab'", ".F.", ".F.", ".F."},       {"'ab'", "''", ".T.", ".F.", ".F."},
        {"'  '", "''", ".T.", ".T.", ".F."},       {"''", "'   '", ".F.", ".T.", ".F."},
        {"TRIM('   ')", "''", ".T.", ".T.", ".T."}, {"UPPER(CITY)", "UPPER('Paris')", ".T.", ".T.", ".F."},
        {"'PARIS'", "UPPER(CITY)", ".F.", ".T.", ".F."},
    };
    ExprTable table(GetParam(), kPeople);
    table.Append(kSmith);
    for (bool exact : {false, true}) {
        table.Context().SetExact(exact);
        expr::TableContext& context = table.At(1);
        for (const Comparison& c : kComparisons) {
            std::string equal = std::string(c.left) + " = " + c.right;
            EXPECT_EQ(Eval(equal, context), exact ? c.on : c.off) << equal << (exact ? " exact on" : " exact off");
            EXPECT_EQ(Eval("!(" + equal + ")", context), std::string(exact ? c.on : c.off) == ".T." ? ".F." : ".T.");
            std::string same = std::string(c.left) + " == " + c.right;
            EXPECT_EQ(Eval(same, context), c.exactly) << same;
        }
        // Ordering stops at the right operand's end only with exact off.
        EXPECT_EQ(Eval("'ABC' > 'AB'", context), exact ? ".T." : ".F.");
        EXPECT_EQ(Eval("'ABC' >= 'AB' AND 'AB' < 'ABC' AND 'AB ' <= 'AB'", context), ".T.");
    }
}

// A filter binds the exact setting in force when it is compiled: changing the
// setting afterwards (as a Locate does for a while) does not change it.
TEST_P(LanguageTest, FilterKeepsTheExactSettingItWasCompiledWith)
{
    ExprTable table(GetParam(), kPeople);
    table.Append(kSmith);
    table.Append({{"NAME", "Smithers"}, {"CITY", ""}});
    table.Append({{"NAME", ""}, {"CITY", ""}});
    table.Context().SetExact(false);
    expr::Expression prefix = expr::Expression::Compile("NAME = 'Smith'", table.Context(), expr::Purpose::Filter);
    expr::Expression blank = expr::Expression::Compile("NAME = ''", table.Context(), expr::Purpose::Filter);
    table.Context().SetExact(true);
    expr::Expression whole = expr::Expression::Compile("NAME = 'Smith'", table.Context(), expr::Purpose::Filter);
    EXPECT_TRUE(prefix.Matches(table.At(2)));
    EXPECT_FALSE(whole.Matches(table.At(2)));
    EXPECT_TRUE(whole.Matches(table.At(1)));
    EXPECT_TRUE(blank.Matches(table.At(1))); // anything = '' with exact off
    EXPECT_EQ(table.Matching("NAME = ''"), std::vector<uint32_t>{3});
    EXPECT_EQ(table.Matching("CITY = ''"), std::vector<uint32_t>({2, 3}));
}

INSTANTIATE_TEST_SUITE_P(EveryKind, LanguageTest, ::testing::ValuesIn(kAllKinds),
                         [](const auto& info) { return std::string(KindName(info.param)); });

// An OEM table holds its text in code page 850: literals written in the
// system code page are converted, so comparisons and UPPER see one alphabet.
TEST(LanguageCharSet, OemTableComparesWithAnsiLiterals)
{
    ExprTable table(TableKind::CDX, kPeople, "people", storage::CharType::Oem);
    table.Append({{"NAME", "M\xFCller"}, {"NOTES", "gr\xFC\xDF" "e"}}); // Müller, grüße in Windows-1252
    expr::TableContext& context = table.At(1);
    EXPECT_EQ(Eval("NAME = 'M\xFCller'", context), ".T.");
    EXPECT_EQ(Eval("UPPER(NAME) = 'M\xDCLLER'", context), ".T.");
    EXPECT_EQ(Eval("NOTES == 'gr\xFC\xDF" "e'", context), ".T.");
    EXPECT_EQ(Eval("ASC(SUBSTR(NAME, 2, 1))", context), "129"); // ü is 0x81 in code page 850
}

} // namespace
