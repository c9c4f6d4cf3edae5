#include "engine/expr/lexer.h"

#include "engine/expr/date_text.h"
#include "engine/expr/expr_error.h"
#include "engine/expr/functions.h"

#include <array>
#include <cctype>

namespace expr {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
char Upper(char c) { return char(std::toupper(static_cast<unsigned char>(c))); }

bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i]))
            return false;
    return true;
}

struct DotWord {
    const char* text;
    Tok kind;
    const char* op;  // operator name, for Operator tokens
    int logical;     // -1 NULL, 0 false, 1 true (Literal tokens)
};

// Longest first, so ".TRUE." is tried before ".T.".
constexpr std::array<DotWord, 10> kDotWords{{
    {".FALSE.", Tok::Literal, "", 0},
    {".TRUE.", Tok::Literal, "", 1},
    {".NULL.", Tok::Literal, "", -1},
    {".AND.", Tok::Operator, "AND", 0},
    {".NOT.", Tok::Operator, "NOT", 0},
    {".OR.", Tok::Operator, "OR", 0},
    {".T.", Tok::Literal, "", 1},
    {".Y.", Tok::Literal, "", 1},
    {".F.", Tok::Literal, "", 0},
    {".N.", Tok::Literal, "", 0},
}};

// Symbols, longest first.
constexpr std::array<const char*, 19> kSymbols{
    "**", "==", "<>", "<=", ">=", "!=", "->",
    "+", "-", "*", "/", "%", "^", "=", "<", ">", "#", "!", "$"};

size_t SkipBlanks(std::string_view text, size_t pos)
{
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    return pos;
}

Value LogicalOrNull(int logical)
{
    return logical < 0 ? Value::Null() : Value::Logical(logical == 1);
}

} // namespace

bool IsWordStart(char c) { return IsLetter(c) || c == '_'; }
bool IsWordChar(char c) { return IsWordStart(c) || IsDigit(c); }

std::string UpperAscii(std::string_view text)
{
    std::string upper(text);
    for (char& c : upper)
        c = Upper(c);
    return upper;
}

void Lexer::Fail(uint32_t code, size_t pos, const std::string& problem) const
{
    throw ExpressionError(code, mText, pos + 1, problem);
}

Token Lexer::Read(size_t pos, bool operandExpected) const
{
    pos = SkipBlanks(mText, pos);
    Token token;
    token.start = token.end = pos;
    if (pos >= mText.size())
        return token;
    char c = mText[pos];
    if (c == '\'' || c == '"')
        return ReadString(pos, c);
    if (c == '[' && operandExpected)
        return ReadString(pos, ']');
    if (c == '{')
        return ReadDate(pos);
    if (IsDigit(c) || (c == '.' && pos + 1 < mText.size() && IsDigit(mText[pos + 1])))
        return ReadNumber(pos);
    if (c == '.') {
        bool found = false;
        Token word = ReadDotWord(pos, found);
        if (found)
            return word;
        Fail(kErrSyntax, pos, "Unexpected '.'");
    }
    if (IsWordStart(c))
        return ReadWord(pos);
    // A field name may begin with a letter of the code page ("Été" in Windows-1252).
    if (static_cast<unsigned char>(c) >= 0x80 && MatchField(pos, token.field, token.end)) {
        token.kind = Tok::Field;
        return token;
    }
    token.end = pos + 1;
    if (c == '(' || c == ')' || c == ',') {
        token.kind = c == '(' ? Tok::LParen : c == ')' ? Tok::RParen : Tok::Comma;
        return token;
    }
    for (const char* symbol : kSymbols) {
        std::string_view s(symbol);
        if (mText.substr(pos, s.size()) == s) {
            token.kind = Tok::Operator;
            token.word = s;
            token.end = pos + s.size();
            return token;
        }
    }
    Fail(kErrSyntax, pos, std::string("Unexpected character '") + c + "'");
}

Token Lexer::ReadDotWord(size_t pos, bool& found) const
{
    Token token;
    token.start = pos;
    for (const DotWord& w : kDotWords) {
        if (!w.text)
            continue;
        std::string_view s(w.text);
        if (EqualsIgnoreCase(mText.substr(pos, s.size()), s)) {
            found = true;
            token.kind = w.kind;
            token.end = pos + s.size();
            if (w.kind == Tok::Operator)
                token.word = w.op;
            else
                token.value = LogicalOrNull(w.logical);
            return token;
        }
    }
    found = false;
    return token;
}

Token Lexer::ReadNumber(size_t pos) const
{
    size_t i = pos;
    while (i < mText.size() && IsDigit(mText[i]))
        ++i;
    if (i < mText.size() && mText[i] == '.') {
        bool found = false;
        ReadDotWord(i, found);
        if (!found) {
            ++i;
            while (i < mText.size() && IsDigit(mText[i]))
                ++i;
        }
    }
    if (i < mText.size() && (IsWordChar(mText[i]) || mText[i] == '.'))
        Fail(kErrSyntax, pos, "Malformed number");
    Token token;
    token.kind = Tok::Literal;
    token.start = pos;
    token.end = i;
    token.value = Value::Number(std::stod(std::string(mText.substr(pos, i - pos))));
    return token;
}

Token Lexer::ReadString(size_t pos, char close) const
{
    size_t end = mText.find(close, pos + 1);
    if (end == std::string_view::npos)
        Fail(kErrSyntax, pos, "Unterminated string");
    Token token;
    token.kind = Tok::Literal;
    token.start = pos;
    token.end = end + 1;
    token.value = Value::Text(std::string(mText.substr(pos + 1, end - pos - 1)));
    return token;
}

// {^2024-02-29}, {^2024-02-29 13:05:00}, {}, {//}, {02/29/24}.
Token Lexer::ReadDate(size_t pos) const
{
    size_t close = mText.find('}', pos);
    if (close == std::string_view::npos)
        Fail(kErrSyntax, pos, "Unterminated date");
    std::string_view body = mText.substr(pos + 1, close - pos - 1);
    Token token;
    token.kind = Tok::Literal;
    token.start = pos;
    token.end = close + 1;
    if (IsBlankDateText(body)) {
        token.value = Value::Date(0);
        return token;
    }
    size_t caret = SkipBlanks(body, 0);
    if (body[caret] != '^') {
        int32_t julian = mMask.Parse(body);
        if (julian == 0)
            Fail(kErrSyntax, pos, "Invalid date");
        token.value = Value::Date(julian);
        return token;
    }
    // Strict form: year, month and day separated by - / or ., then an optional time.
    std::string_view rest = body.substr(caret + 1);
    int parts[3] = {0, 0, 0};
    size_t i = SkipBlanks(rest, 0);
    for (int k = 0; k < 3; ++k) {
        size_t start = i;
        while (i < rest.size() && IsDigit(rest[i]) && i - start < 4)
            parts[k] = parts[k] * 10 + (rest[i++] - '0');
        bool separated = i < rest.size() && std::string_view("-/.").find(rest[i]) != std::string_view::npos;
        if (i == start || (k < 2 && !separated))
            Fail(kErrSyntax, pos, "Invalid date");
        if (k < 2)
            ++i;
    }
    std::optional<int32_t> julian = CheckedJulian(parts[0], parts[1], parts[2]);
    if (!julian)
        Fail(kErrSyntax, pos, "Invalid date");
    std::string_view timeText = rest.substr(i);
    if (SkipBlanks(timeText, 0) == timeText.size()) {
        token.value = Value::Date(*julian);
        return token;
    }
    if (timeText[0] == ',')
        timeText.remove_prefix(1);
    else if (!IsBlank(timeText[0]))
        Fail(kErrSyntax, pos, "Invalid date");
    std::optional<int32_t> ms = ParseClock(timeText);
    if (!ms)
        Fail(kErrSyntax, pos, "Invalid time");
    token.value = Value::TimeStamp(*julian, *ms);
    return token;
}

bool Lexer::MatchField(size_t pos, size_t& field, size_t& end) const
{
    bool found = false;
    size_t best = 0;
    const std::vector<FieldInfo>& fields = mSchema.Fields();
    for (size_t position = 0; position < fields.size(); ++position) {
        const std::string& name = fields[position].name;
        if (name.empty() || name.size() <= best || !EqualsIgnoreCase(mText.substr(pos, name.size()), name))
            continue;
        size_t after = pos + name.size();
        if (after < mText.size() && IsWordChar(mText[after]) && IsWordChar(name.back()))
            continue;
        found = true;
        best = name.size();
        field = position;
        end = after;
    }
    return found;
}

Token Lexer::ReadWord(size_t pos) const
{
    size_t wordEnd = pos;
    while (wordEnd < mText.size() && IsWordChar(mText[wordEnd]))
        ++wordEnd;
    std::string word = UpperAscii(mText.substr(pos, wordEnd - pos));
    size_t next = SkipBlanks(mText, wordEnd);
    Token token;
    token.start = pos;
    if (next < mText.size() && mText[next] == '(' && FindFunction(word)) {
        token.kind = Tok::Function;
        token.word = word;
        token.end = wordEnd;
        return token;
    }
    if (mText.substr(next, 2) == "->")
        return ReadQualified(SkipBlanks(mText, next + 2), pos, word);
    if (wordEnd + 1 < mText.size() && mText[wordEnd] == '.' && IsWordStart(mText[wordEnd + 1])
        && !mSchema.Alias().empty() && word == UpperAscii(mSchema.Alias())) {
        bool dotWord = false;
        ReadDotWord(wordEnd, dotWord);
        if (!dotWord)
            return ReadQualified(wordEnd + 1, pos, word);
    }
    if (MatchField(pos, token.field, token.end)) {
        token.kind = Tok::Field;
        return token;
    }
    token.end = wordEnd;
    if (word == "AND" || word == "OR" || word == "NOT") {
        token.kind = Tok::Operator;
        token.word = word;
        return token;
    }
    if (word == "TRUE" || word == "FALSE" || word == "NULL") {
        token.kind = Tok::Literal;
        token.value = word == "NULL" ? Value::Null() : Value::Logical(word == "TRUE");
        return token;
    }
    if (next < mText.size() && mText[next] == '(')
        Fail(kErrUnknownFunction, pos, "Unknown function " + word);
    Fail(kErrUnknownName, pos, "Unknown identifier " + std::string(mText.substr(pos, wordEnd - pos)));
}

// alias->field, alias.field, FIELD->field, _FIELD->field: only this table.
Token Lexer::ReadQualified(size_t pos, size_t nameStart, const std::string& qualifier) const
{
    bool own = qualifier == "FIELD" || qualifier == "_FIELD"
        || (!mSchema.Alias().empty() && qualifier == UpperAscii(mSchema.Alias()));
    if (!own)
        Fail(kErrUnknownName, nameStart, "Unknown alias " + qualifier);
    Token token;
    token.start = nameStart;
    if (!MatchField(pos, token.field, token.end))
        Fail(kErrUnknownName, pos, "Unknown field after " + qualifier);
    token.kind = Tok::Field;
    return token;
}

} // namespace expr
