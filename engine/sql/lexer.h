// The tokens of an SQL script, read all at once.
//
// Blanks, line breaks, "--" line comments and "/* */" comments separate
// tokens and are dropped. Strings are in single quotes with a doubled quote
// for a quote inside; names may be quoted as [a b], "a b" or `a b`. A
// parameter is ":name", ':"quoted name"' or "?"; "::" is no parameter, and
// a parameter directly followed by ':' is refused (scanners that split
// names only at blanks and punctuation would read one name there).
// Parameters are numbered 0, 1, 2 ... in order of appearance — every
// occurrence is its own parameter, also when a name repeats, so that a
// caller binding by 1-based position reaches each one. Offsets are 0-based
// into the text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sql {

enum class TokenKind : uint8_t {
    End,
    Word,       // identifier or keyword as written
    QuotedName, // [a b], "a b" or `a b`: never a keyword
    Variable,   // @name (text without the @)
    Parameter,  // :name or ?; text is the name ("" for ?)
    Integer,
    Decimal,
    String,     // text is the content with doubled quotes undone
    Symbol,     // ( ) , ; . + - * / % = < > <= >= <> != || ::
};

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;
    size_t offset = 0;
    size_t length = 0;
    size_t parameter = 0; // Parameter: its 0-based number

    size_t End() const { return offset + length; }
    bool IsSymbol(std::string_view symbol) const { return kind == TokenKind::Symbol && text == symbol; }
    // A plain word equal to `keyword` without regard to case.
    bool IsWord(std::string_view keyword) const;
};

// The tokens of `script`, ending with one End token. Throws SqlError for an
// unterminated string, quoted name or comment and for a character that
// starts no token.
std::vector<Token> Tokenize(std::string_view script);

bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// ASCII letters upper-cased (keywords, names compared without case).
std::string UpperCased(std::string_view text);

} // namespace sql
