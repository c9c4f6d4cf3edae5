// Compiled xBase expressions: index keys, record filters, FOR conditions,
// Locate expressions.
//
// Compile parses the text once into a tree, resolves every field (by the
// longest field name that matches at its place, so names may hold blanks)
// and function, checks arity and types, folds constant parts, and binds the
// exact setting and date format of the context it is compiled against.
// Evaluate then walks that tree for any number of records without parsing
// again. A compiled Expression is immutable: one may be evaluated from
// several threads at once, each with its own RecordContext, as long as every
// context describes a table with the field list it was compiled against.
//
// Faults are ExpressionError (expr_error.h): at compile time for syntax,
// names, arity and types; at evaluation only for keys (see Purpose).
#pragma once

#include "engine/expr/expr_error.h"
#include "engine/expr/record_context.h"
#include "engine/expr/value.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace expr {

struct Node;
class DateMask;

enum class Purpose : uint8_t {
    Value,     // any result type; domain faults give NULL
    Filter,    // logical result; domain faults give NULL (the record is rejected)
    Condition, // an index FOR condition: logical, no DATE()/TIME(), no other table
    Key,       // an index key: C, N, D, T, S or L of known width; faults raise
};

// A top-level AND term of a filter. When it has the form
// `subject relation constant` (the constant on the right, as the client
// writes it), an index whose key expression is `subject` can answer it; with
// exact off, "=" on character values is then a prefix range.
enum class Relation : uint8_t {
    None, // any other term: evaluated record by record
    Equal, ExactEqual, NotEqual, Less, LessEqual, Greater, GreaterEqual,
};

struct FilterTerm {
    std::string text;    // the term as written, parentheses included
    Relation relation = Relation::None;
    std::string subject; // the left side as written
    Value constant;      // the right side's value
};

class Expression {
public:
    static Expression Compile(std::string_view text, const RecordContext& schema,
                              Purpose purpose = Purpose::Value);

    Value Evaluate(const RecordContext& record) const;
    // True only when the value is .T.; .F. and NULL reject.
    bool Matches(const RecordContext& record) const { return Evaluate(record).IsTrue(); }

    ValueType Type() const;
    // Width of a character result in bytes when the expression fixes one,
    // else -1 (memo fields, TRIM of a computed value of unknown width, …).
    int32_t Width() const;
    bool Exact() const { return mExact; }
    bool IsConstant() const;
    const std::string& Text() const { return mText; }
    // The terms that AND joins at the top level, in order (one term when the
    // expression has no top-level AND).
    std::vector<FilterTerm> AndTerms() const;

private:
    Expression() = default;
    friend class KeyExpression;

    std::shared_ptr<const Node> mRoot;
    std::string mText;
    std::shared_ptr<const DateMask> mMask;
    Purpose mPurpose = Purpose::Value;
    bool mExact = false;
};

// Whether `text` compiles against `schema` to a logical expression.
bool IsLogicalExpression(std::string_view text, const RecordContext& schema);

// An index key: one expression, or for the engine's own tables a list of
// segments separated by ";" ("LAST;FIRST", "UPPER(NAME);ID"), each with its
// own type and width. Character segments have the width the expression
// fixes (section widths: field width, LEFT(x, 5) 5, a + b the sum, …); the
// index pads or cuts each key to it. Numbers, dates, times and timestamps
// take 8 bytes, logicals 1.
struct KeySegment {
    ValueType type = ValueType::Character;
    uint32_t width = 0;
};

class KeyExpression {
public:
    static KeyExpression Compile(std::string_view text, const RecordContext& schema);

    const std::vector<KeySegment>& Segments() const { return mSegments; }
    // Bytes of the whole key: the sum of the segment widths.
    uint32_t Length() const;
    // One value per segment; character values padded with blanks or cut to
    // their segment width. A fault raises ExpressionError.
    std::vector<Value> Evaluate(const RecordContext& record) const;

private:
    std::vector<Expression> mParts;
    std::vector<KeySegment> mSegments;
};

// Field names of an expression between their long form (as the table names
// them: "Connection Name") and a short form of at most 10 characters that
// holds only letters, digits and "_" ("CONNECTION"). Only field names are
// touched; literals and everything else stay byte for byte, so an expression
// without long names comes back unchanged and ShortToLong(LongToShort(x)) is
// x. The text and the schema's names must be in the same encoding (8-bit or
// UTF-8: only ASCII bytes have a meaning to the scan).
std::string ExpressionLongToShort(std::string_view text, const RecordContext& schema);
std::string ExpressionShortToLong(std::string_view text, const RecordContext& schema);
// The short name of each field, in field order ("" when the name is short).
std::vector<std::string> ShortFieldNames(const RecordContext& schema);

} // namespace expr
