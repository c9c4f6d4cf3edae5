// Index-key expressions: the type and width each key gets from its text,
// segment lists, the values a record gives, and what cannot be a key.
#include "tests/engine/test_expr_support.h"

#include <gtest/gtest.h>

using namespace exprtest;
using storage::TableKind;

namespace {

const char* const kPersons =
    "LASTNAME,Char,20;FIRSTNAME,Char,15;BIRTHDATE,Date;ID,Numeric,6;ACTIVE,Logical;NOTES,Memo;";

std::string Shape(const expr::KeyExpression& key)
{
    std::string text;
    for (const expr::KeySegment& s : key.Segments())
        text += (text.empty() ? "" : ";") + std::string(1, expr::TypeLetter(s.type)) + std::to_string(s.width);
    return text;
}

TEST(IndexKeys, TypeAndWidthComeFromTheExpression)
{
    const std::pair<const char*, const char*> kShapes[] = {
        {"UPPER(LASTNAME)+FIRSTNAME", "C35"},
        {"DTOS(BIRTHDATE)+STR(ID,6)", "C14"},
        {"LASTNAME", "C20"},
        {"TRIM(LASTNAME)", "C20"},
        {"LEFT(NOTES, 10)", "C10"},
        {"PADR(NOTES, 30) + PADL(ID, 4)", "C34"},
        {"SUBSTR(LASTNAME, 3)", "C18"},
        {"SUBSTR(LASTNAME, 3, 4) + RIGHT(FIRSTNAME, 2)", "C6"},
        {"IIF(ACTIVE, LASTNAME, FIRSTNAME)", "C20"},
        {"REPLICATE('ab', 3) + CHR(65) + SPACE(2)", "C9"},
        {"STR(ID)", "C6"},
        {"STR(ID * 2)", "C10"},
        {"DTOC(BIRTHDATE) + TTOC(CTOTS(''), 1)", "C24"},
        {"LASTNAME - FIRSTNAME", "C35"},
        {"ID", "N8"},
        {"ID * 2 + 1", "N8"},
        {"BIRTHDATE", "D8"},
        {"CTOTS(DTOC(BIRTHDATE))", "S8"},
        {"ACTIVE", "L1"},
        {"!DELETED()", "L1"},
        {"LASTNAME;ID", "C20;N8"},
        {"UPPER(LASTNAME);BIRTHDATE;ACTIVE", "C20;D8;L1"},
        {"IIF(ID > 0, 'a;b', 'c');ID", "C3;N8"},
    };
    ExprTable table(TableKind::CDX, kPersons);
    for (const auto& [text, shape] : kShapes) {
        expr::KeyExpression key = expr::KeyExpression::Compile(text, table.Context());
        EXPECT_EQ(Shape(key), shape) << text;
    }
    EXPECT_EQ(expr::KeyExpression::Compile("LASTNAME;ID", table.Context()).Length(), 28u);
}

TEST(IndexKeys, ValuesArePaddedOrCutToTheKeyWidth)
{
    ExprTable table(TableKind::ADT, kPersons);
    table.Append({{"LASTNAME", "Durand"}, {"FIRSTNAME", "Anne"}, {"BIRTHDATE", "19700101"}, {"ID", "42"},
                  {"NOTES", "a memo longer than ten bytes"}});
    expr::TableContext& record = table.At(1);
    auto values = [&](const char* text) {
        std::vector<std::string> rendered;
        for (const expr::Value& v : expr::KeyExpression::Compile(text, table.Context()).Evaluate(record))
            rendered.push_back(Render(v));
        return rendered;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(values("UPPER(LASTNAME)+FIRSTNAME"), V{"'DURAND              Anne           '"});
    EXPECT_EQ(values("TRIM(LASTNAME)+'|'"), V{"'Durand|              '"});
    EXPECT_EQ(values("DTOS(BIRTHDATE)+STR(ID,6)"), V{"'19700101    42'"});
    EXPECT_EQ(values("LEFT(NOTES, 10)"), V{"'a memo lon'"});
    EXPECT_EQ(values("IIF(ID > 50, LASTNAME, FIRSTNAME)"), V{"'Anne                '"});
    EXPECT_EQ(values("LASTNAME;ID;BIRTHDATE"), V({"'Durand              '", "42", "{^1970-01-01}"}));
}

TEST(IndexKeys, WhatCannotBeAKey)
{
    const std::pair<const char*, uint32_t> kRefused[] = {
        {"UPPER(LASTNAME)+ID", expr::kErrTypeMismatch},  // mixed types are never guessed
        {"NOTES", expr::kErrInvalidKey},                 // a memo alone
        {"UPPER(NOTES)", expr::kErrInvalidKey},          // of unknown width
        {"LEFT(LASTNAME, ID)", expr::kErrInvalidKey},    // a length that is not constant
        {"TRIM(LASTNAME) + TRIM(NOTES)", expr::kErrInvalidKey},
        {"DTOS(DATE())", expr::kErrInvalidKey},          // drifts with the clock
        {"LASTNAME + TIME()", expr::kErrInvalidKey},
        {"NULL", expr::kErrInvalidKey},
        {"''", expr::kErrInvalidKey},
        {"LASTNAME;", expr::kErrSyntax},
        {"LASTNAME = ", expr::kErrSyntax},
    };
    ExprTable table(TableKind::NTX, kPersons);
    for (const auto& [text, code] : kRefused) {
        try {
            expr::KeyExpression::Compile(text, table.Context());
            ADD_FAILURE() << "compiled: " << text;
        } catch (const expr::ExpressionError& e) {
            EXPECT_EQ(e.Code(), code) << text << ": " << e.what();
        }
    }
    // A fault in a later segment is placed in the whole list.
    try {
        expr::KeyExpression::Compile("LASTNAME;UPPER(ID)", table.Context());
        ADD_FAILURE() << "compiled";
    } catch (const expr::ExpressionError& e) {
        EXPECT_EQ(e.Position(), 16u) << e.what();
        EXPECT_NE(std::string(e.what()).find("'LASTNAME;UPPER(ID)' at position 16"), std::string::npos) << e.what();
    }
    // A FOR condition is logical and stable too.
    EXPECT_THROW(expr::Expression::Compile("BIRTHDATE < DATE()", table.Context(), expr::Purpose::Condition),
                 expr::ExpressionError);
    EXPECT_NO_THROW(expr::Expression::Compile("!DELETED() AND ID > 0", table.Context(), expr::Purpose::Condition));
}

// In a key a domain fault is an error: a key cannot be left out silently.
TEST(IndexKeys, FaultsRaiseWhenTheKeyIsEvaluated)
{
    ExprTable table(TableKind::VFP, kPersons);
    table.Append({{"ID", "0"}});
    expr::KeyExpression key = expr::KeyExpression::Compile("STR(100 / ID, 10)", table.Context());
    try {
        key.Evaluate(table.At(1));
        FAIL() << "evaluated";
    } catch (const expr::ExpressionError& e) {
        EXPECT_EQ(e.Code(), expr::kErrValue);
        EXPECT_EQ(e.Position(), 9u);
    }
    EXPECT_THROW(expr::KeyExpression::Compile("STR(1 / 0, 10)", table.Context()), expr::ExpressionError);
    EXPECT_THROW(expr::KeyExpression::Compile("CHR(300)", table.Context()), expr::ExpressionError);
}

} // namespace
