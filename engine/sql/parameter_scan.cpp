#include "engine/sql/parameter_scan.h"

#include "engine/sql/lexer.h"
#include "engine/sql/sql_error.h"

namespace sql {
namespace {

bool EndsLayerName(char ch) { return ch == '\r' || ch == '\n' || ch == ' ' || ch == ')' || ch == ',' || ch == ';'; }

bool IsLineBreak(char ch) { return ch == '\r' || ch == '\n'; }

void Blank(std::string& text, size_t begin, size_t end)
{
    for (size_t i = begin; i < end; ++i)
        if (!IsLineBreak(text[i]))
            text[i] = ' ';
}

} // namespace

std::string ParameterScanText(std::string_view script)
{
    std::vector<Token> tokens;
    try {
        tokens = Tokenize(script);
    } catch (const SqlError&) {
        return std::string(script);
    }
    std::string scan(script);
    size_t kept = 0; // end of the last token kept
    for (const Token& token : tokens) {
        Blank(scan, kept, token.offset); // blanks and comments between tokens
        kept = token.End();
        if (token.kind == TokenKind::String || token.kind == TokenKind::QuotedName)
            Blank(scan, token.offset, token.End());
        bool namedParameter = token.kind == TokenKind::Parameter && script[token.offset] == ':';
        if (namedParameter && token.End() < scan.size() && !EndsLayerName(scan[token.End()])) {
            // The next token starts here; its first character only separates
            // for the layer, so the token keeps no meaning in the scan text.
            scan[token.End()] = ' ';
        }
    }
    return scan;
}

} // namespace sql
