// The tokens of an expression, read one at a time from a position.
//
// Reading depends on two things the grammar knows: whether an operand is
// expected (only then does "[" open a string) and the schema (a word is a
// field when the longest field name matching at that place ends there; field
// names may hold blanks). Keywords come after fields, so a field named like
// a keyword wins. Positions are 0-based offsets into the text; errors report
// them 1-based.
#pragma once

#include "engine/expr/record_context.h"
#include "engine/expr/value.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace expr {

class DateMask;

enum class Tok : uint8_t {
    End,
    Literal,   // value holds the string, number, logical, date, timestamp or NULL
    Field,     // field holds the index into the schema's field list
    Function,  // word followed by "(": the name is in `word`
    Operator,  // symbol or keyword operator, upper-cased in `word` (".AND." is "AND")
    Comma, LParen, RParen,
};

struct Token {
    Tok kind = Tok::End;
    size_t start = 0; // first character
    size_t end = 0;   // one past the last character
    std::string word;
    Value value;
    size_t field = 0; // Field: position in the schema's field list
};

class Lexer {
public:
    Lexer(std::string_view text, const RecordContext& schema, const DateMask& mask)
        : mText(text), mSchema(schema), mMask(mask) {}

    // The token that starts at or after `pos` (blanks skipped).
    Token Read(size_t pos, bool operandExpected) const;
    // The longest field whose name matches the text at `pos` as a whole word
    // (its position in the field list, and the end of the match); false when
    // none does. Used for field references and name translation.
    bool MatchField(size_t pos, size_t& field, size_t& end) const;
    std::string_view Text() const { return mText; }

private:
    Token ReadWord(size_t pos) const;
    Token ReadNumber(size_t pos) const;
    Token ReadString(size_t pos, char close) const;
    Token ReadDate(size_t pos) const;
    Token ReadDotWord(size_t pos, bool& found) const;
    Token ReadQualified(size_t pos, size_t nameStart, const std::string& qualifier) const;
    [[noreturn]] void Fail(uint32_t code, size_t pos, const std::string& problem) const;

    std::string_view mText;
    const RecordContext& mSchema;
    const DateMask& mMask;
};

bool IsWordStart(char c);
bool IsWordChar(char c);
std::string UpperAscii(std::string_view text);

} // namespace expr
