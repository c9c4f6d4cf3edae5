// Faults of expressions: each reported when the expression is compiled, with
// an engine error code and a text that quotes the expression and names the
// 1-based position of the fault.
#include "tests/engine/test_expr_support.h"

#include <gtest/gtest.h>

using namespace exprtest;
using storage::TableKind;

namespace {

const char* const kPeople = "NAME,Char,10;CITY,Char,10;AMOUNT,Numeric,8,2;BIRTH,Date;ACTIVE,Logical;NOTES,Memo;";

struct Fault {
    const char* expression;
    expr::Purpose purpose;
    uint32_t code;
    size_t position; // 0: the expression as a whole
};

constexpr expr::Purpose V = expr::Purpose::Value;
constexpr expr::Purpose F = expr::Purpose::Filter;

const Fault kFaults[] = {
    // Syntax.
    {"", V, expr::kErrSyntax, 0},
    {"NAME = ", V, expr::kErrSyntax, 8},
    {"NAME = 'abc", V, expr::kErrSyntax, 8},
    {"'it''s'", V, expr::kErrSyntax, 5},
    {"(NAME = 'a'", V, expr::kErrSyntax, 12},
    {"NAME = 'a')", V, expr::kErrSyntax, 11},
    {"NAME @ 'a'", V, expr::kErrSyntax, 6},
    {"1e3", V, expr::kErrSyntax, 1},
    {"AMOUNT > 1.5.2", V, expr::kErrSyntax, 10},
    {"{^2023-02-29}", V, expr::kErrSyntax, 1},
    {"BIRTH = {^2024-13-01", V, expr::kErrSyntax, 9},
    {"BIRTH = {13/45/2024}", V, expr::kErrSyntax, 9},
    {"UPPER(NAME,)", V, expr::kErrSyntax, 12},
    {"NAME;CITY", V, expr::kErrSyntax, 5},
    {"CONTAINS(NOTES, 'abc OR (x')", V, expr::kErrSyntax, 17},
    // Names.
    {"FOO = 1", V, expr::kErrUnknownName, 1},
    {"NAME2 = 'a'", V, expr::kErrUnknownName, 1},
    {"other->NAME = 'a'", V, expr::kErrUnknownName, 1},
    {"people->NOSUCH = 'a'", V, expr::kErrUnknownName, 9},
    {"ACTIVE AND FOO(1)", V, expr::kErrUnknownFunction, 12},
    {"UPPER(NAME, 1)", V, expr::kErrArgumentCount, 1},
    {"NAME = LEFT(NAME)", V, expr::kErrArgumentCount, 8},
    {"DATE(1)", V, expr::kErrArgumentCount, 1},
    // Types: found at compile time, never per record.
    {"NAME = 12", V, expr::kErrTypeMismatch, 6},
    {"UPPER(NAME) + AMOUNT", V, expr::kErrTypeMismatch, 13},
    {"'A' + 1", V, expr::kErrTypeMismatch, 5},
    {"BIRTH + BIRTH", V, expr::kErrTypeMismatch, 7},
    {"ACTIVE AND 1", V, expr::kErrTypeMismatch, 8},
    {"NOT NAME", V, expr::kErrTypeMismatch, 1},
    {"-NAME", V, expr::kErrTypeMismatch, 1},
    {"AMOUNT $ NAME", V, expr::kErrTypeMismatch, 8},
    {"a = b = c", V, expr::kErrUnknownName, 1},
    {"AMOUNT = 1 = 2", V, expr::kErrTypeMismatch, 12},
    {"UPPER(AMOUNT)", V, expr::kErrTypeMismatch, 7},
    {"LEFT(NAME, 'x')", V, expr::kErrTypeMismatch, 12},
    {"IIF(NAME, 1, 2)", V, expr::kErrTypeMismatch, 5},
    {"IIF(ACTIVE, 1, 'x')", V, expr::kErrTypeMismatch, 1},
    {"MAX(NAME, 1)", V, expr::kErrTypeMismatch, 1},
    {"DTOS(NAME)", V, expr::kErrTypeMismatch, 6},
    {"YEAR(AMOUNT)", V, expr::kErrTypeMismatch, 6},
    // A filter must be logical.
    {"NAME", F, expr::kErrNotLogical, 0},
    {"AMOUNT + 1", F, expr::kErrNotLogical, 0},
};

TEST(ExpressionFaults, CodeAndPositionOfEachFault)
{
    ExprTable table(TableKind::CDX, kPeople);
    for (const Fault& f : kFaults) {
        try {
            expr::Expression::Compile(f.expression, table.Context(), f.purpose);
            ADD_FAILURE() << "compiled: " << f.expression;
        } catch (const expr::ExpressionError& e) {
            EXPECT_EQ(e.Code(), f.code) << f.expression << ": " << e.what();
            EXPECT_EQ(e.Position(), f.position) << f.expression << ": " << e.what();
            std::string text = e.what();
            EXPECT_NE(text.find("'" + std::string(f.expression) + "'"), std::string::npos) << text;
            if (f.position > 0) {
                EXPECT_NE(text.find("at position " + std::to_string(f.position)), std::string::npos) << text;
            }
        }
    }
}

// The engine's C boundary passes a StorageError's code through unchanged.
TEST(ExpressionFaults, AreStorageErrorsWithReadableTexts)
{
    ExprTable table(TableKind::ADT, kPeople);
    try {
        expr::Expression::Compile("NAME = 12", table.Context());
        FAIL() << "compiled";
    } catch (const storage::StorageError& e) {
        EXPECT_EQ(e.Code(), expr::kErrTypeMismatch);
        EXPECT_STREQ(e.what(), "Cannot compare character and numeric with = in the expression 'NAME = 12' at position 6.");
    }
}

TEST(ExpressionFaults, LogicalCheck)
{
    ExprTable table(TableKind::NTX, kPeople);
    const std::pair<const char*, bool> kChecks[] = {
        {"ACTIVE", true}, {"NAME = 'x' .OR. EMPTY(BIRTH)", true}, {"1 = 1", true},
        {"NAME", false}, {"NAME =", false}, {"FOO", false}, {"NULL", false},
    };
    for (const auto& [text, logical] : kChecks)
        EXPECT_EQ(expr::IsLogicalExpression(text, table.Context()), logical) << text;
}

// Outside index keys a domain fault rejects the record instead of stopping
// the scan: the term is NULL.
TEST(ExpressionFaults, DivisionByZeroInAFilterRejectsTheRecord)
{
    ExprTable table(TableKind::VFP, kPeople);
    table.Append({{"AMOUNT", "0"}});
    table.Append({{"AMOUNT", "4"}});
    EXPECT_EQ(table.Matching("8 / AMOUNT = 2"), std::vector<uint32_t>{2});
    EXPECT_EQ(table.Matching("8 % AMOUNT = 0 OR .T."), std::vector<uint32_t>({1, 2}));
    EXPECT_EQ(table.Matching("NOT (8 / AMOUNT = 2)"), std::vector<uint32_t>{});
}

// Absurd input is refused with an error, never a crash or a runaway allocation.
TEST(ExpressionFaults, AbsurdInputIsRefused)
{
    ExprTable table(TableKind::ADT, kPeople);
    table.Append({{"NAME", "x"}});
    std::string parentheses = std::string(5000, '(') + "1" + std::string(5000, ')');
    std::string signs;
    for (int i = 0; i < 5000; ++i)
        signs += "- ";
    std::string chain = "NAME";
    for (int i = 0; i < 3000; ++i)
        chain += "+NAME";
    for (const std::string& text : {parentheses, signs + "1", chain}) {
        try {
            expr::Expression::Compile(text, table.Context());
            ADD_FAILURE() << "compiled " << text.substr(0, 20);
        } catch (const expr::ExpressionError& e) {
            EXPECT_EQ(e.Code(), expr::kErrSyntax);
            EXPECT_NE(std::string(e.what()).find("nested too deeply"), std::string::npos);
        }
    }
    // Constant parts fold away, so a long constant sum is no deeper than one value.
    std::string sum = "0";
    for (int i = 0; i < 3000; ++i)
        sum += "+1";
    EXPECT_EQ(Eval(sum, table.At(1)), "3000");
    EXPECT_EQ(Eval("SPACE(1000000000)", table.At(1)), "NULL");
    EXPECT_EQ(Eval("REPLICATE(NAME, 100000)", table.At(1)), "NULL");
    EXPECT_EQ(Eval("LEN(PADL(NAME, 1000000000000))", table.At(1)), "65535");
    table.Context().SetDateFormat("MM/DD");
    try {
        expr::Expression::Compile("BIRTH = {}", table.Context());
        ADD_FAILURE() << "compiled with a bad date format";
    } catch (const storage::StorageError& e) {
        EXPECT_STREQ(e.what(), "'MM/DD' is not a date format: it needs DD, MM and YY or CCYY once each.");
    }
}

} // namespace
