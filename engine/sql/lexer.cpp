#include "engine/sql/lexer.h"

#include "engine/sql/sql_error.h"

#include <cctype>

namespace sql {
namespace {

bool IsNameStart(char ch)
{
    unsigned char u = static_cast<unsigned char>(ch);
    return std::isalpha(u) || ch == '_' || u >= 0x80;
}

bool IsNameChar(char ch) { return IsNameStart(ch) || std::isdigit(static_cast<unsigned char>(ch)) || ch == '$'; }

char CloserOf(char opener) { return opener == '[' ? ']' : opener; }

class Scanner {
public:
    explicit Scanner(std::string_view script) : mText(script) {}

    std::vector<Token> Run()
    {
        while (SkipBlanksAndComments())
            mTokens.push_back(ReadToken());
        Token end;
        end.offset = mText.size();
        mTokens.push_back(end);
        return std::move(mTokens);
    }

private:
    // False at the end of the text.
    bool SkipBlanksAndComments()
    {
        while (mPos < mText.size()) {
            char ch = mText[mPos];
            if (std::isspace(static_cast<unsigned char>(ch))) {
                ++mPos;
            } else if (StartsWith("--")) {
                while (mPos < mText.size() && mText[mPos] != '\n' && mText[mPos] != '\r')
                    ++mPos;
            } else if (StartsWith("/*")) {
                size_t close = mText.find("*/", mPos + 2);
                if (close == std::string_view::npos)
                    Fail(kUnterminated, mPos, "Comment without its closing */");
                mPos = close + 2;
            } else {
                return true;
            }
        }
        return false;
    }

    Token ReadToken()
    {
        size_t start = mPos;
        char ch = mText[mPos];
        if (ch == '\'')
            return Make(TokenKind::String, start, ReadQuoted('\'', "String"));
        if (ch == '[' || ch == '"' || ch == '`')
            return Make(TokenKind::QuotedName, start, ReadQuoted(ch, "Quoted name"));
        if (ch == '@')
            return ReadPrefixedName(TokenKind::Variable, "Variable");
        if (ch == ':' && !StartsWith("::"))
            return ReadParameter();
        if (ch == '?') {
            ++mPos;
            return MakeParameter(start, "");
        }
        if (std::isdigit(static_cast<unsigned char>(ch)) ||
            (ch == '.' && mPos + 1 < mText.size() && std::isdigit(static_cast<unsigned char>(mText[mPos + 1]))))
            return ReadNumber();
        if (IsNameStart(ch)) {
            while (mPos < mText.size() && IsNameChar(mText[mPos]))
                ++mPos;
            return Make(TokenKind::Word, start, std::string(mText.substr(start, mPos - start)));
        }
        return ReadSymbol();
    }

    // The content of a quoted section starting at mPos; a doubled closer
    // stands for one.
    std::string ReadQuoted(char opener, const char* what)
    {
        size_t start = mPos;
        char closer = CloserOf(opener);
        std::string content;
        ++mPos;
        for (;;) {
            if (mPos >= mText.size())
                Fail(kUnterminated, start, std::string(what) + " without its closing " + closer);
            char ch = mText[mPos++];
            if (ch != closer) {
                content += ch;
            } else if (mPos < mText.size() && mText[mPos] == closer) {
                content += closer;
                ++mPos;
            } else {
                return content;
            }
        }
    }

    Token ReadPrefixedName(TokenKind kind, const char* what)
    {
        size_t start = mPos++;
        if (mPos < mText.size() && (mText[mPos] == '"' || mText[mPos] == '[' || mText[mPos] == '`'))
            return Make(kind, start, ReadQuoted(mText[mPos], what));
        size_t nameStart = mPos;
        while (mPos < mText.size() && IsNameChar(mText[mPos]))
            ++mPos;
        if (mPos == nameStart)
            Fail(kSyntax, start, std::string(what) + " without a name");
        return Make(kind, start, std::string(mText.substr(nameStart, mPos - nameStart)));
    }

    Token ReadParameter()
    {
        Token token = ReadPrefixedName(TokenKind::Parameter, "Parameter");
        // Callers that find parameters by scanning would read ":a:b" as one
        // name; refusing it keeps every caller's positions the same.
        if (mPos < mText.size() && mText[mPos] == ':')
            Fail(kSyntax, mPos, "A parameter name must not be followed directly by ':'");
        token.parameter = mParameters++;
        return token;
    }

    Token MakeParameter(size_t start, std::string name)
    {
        Token token = Make(TokenKind::Parameter, start, std::move(name));
        token.parameter = mParameters++;
        return token;
    }

    Token ReadNumber()
    {
        size_t start = mPos;
        bool decimal = false;
        SkipDigits();
        if (mPos < mText.size() && mText[mPos] == '.') {
            decimal = true;
            ++mPos;
            SkipDigits();
        }
        if (mPos < mText.size() && (mText[mPos] == 'e' || mText[mPos] == 'E')) {
            size_t exponent = mPos + 1;
            if (exponent < mText.size() && (mText[exponent] == '+' || mText[exponent] == '-'))
                ++exponent;
            if (exponent < mText.size() && std::isdigit(static_cast<unsigned char>(mText[exponent]))) {
                decimal = true;
                mPos = exponent;
                SkipDigits();
            }
        }
        if (mPos < mText.size() && IsNameStart(mText[mPos]))
            Fail(kSyntax, start, "Malformed number");
        return Make(decimal ? TokenKind::Decimal : TokenKind::Integer, start,
                    std::string(mText.substr(start, mPos - start)));
    }

    void SkipDigits()
    {
        while (mPos < mText.size() && std::isdigit(static_cast<unsigned char>(mText[mPos])))
            ++mPos;
    }

    Token ReadSymbol()
    {
        static const char* const kTwo[] = {"<=", ">=", "<>", "!=", "||", "::"};
        size_t start = mPos;
        for (const char* symbol : kTwo)
            if (StartsWith(symbol)) {
                mPos += 2;
                return Make(TokenKind::Symbol, start, symbol);
            }
        static const std::string_view kOne = "(),;.+-*/%=<>";
        char ch = mText[mPos];
        if (kOne.find(ch) == std::string_view::npos)
            Fail(kSyntax, start, std::string("Unexpected character '") + ch + "'");
        ++mPos;
        return Make(TokenKind::Symbol, start, std::string(1, ch));
    }

    Token Make(TokenKind kind, size_t start, std::string text)
    {
        Token token;
        token.kind = kind;
        token.text = std::move(text);
        token.offset = start;
        token.length = mPos - start;
        return token;
    }

    bool StartsWith(std::string_view prefix) const { return mText.substr(mPos, prefix.size()) == prefix; }

    // The statement of a lexing fault runs from the last ';' to the end of
    // the text.
    [[noreturn]] void Fail(uint32_t native, size_t offset, const std::string& problem) const
    {
        size_t begin = 0;
        for (auto it = mTokens.rbegin(); it != mTokens.rend(); ++it)
            if (it->IsSymbol(";")) {
                begin = it->End();
                break;
            }
        throw SqlError(native, problem, SourcePlace{mText, begin, mText.size(), offset});
    }

    std::string_view mText;
    size_t mPos = 0;
    size_t mParameters = 0;
    std::vector<Token> mTokens;
};

} // namespace

bool EqualsIgnoreCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string UpperCased(std::string_view text)
{
    std::string out(text);
    for (char& ch : out)
        if (ch >= 'a' && ch <= 'z')
            ch = static_cast<char>(ch - 'a' + 'A');
    return out;
}

bool Token::IsWord(std::string_view keyword) const
{
    return kind == TokenKind::Word && EqualsIgnoreCase(text, keyword);
}

std::vector<Token> Tokenize(std::string_view script) { return Scanner(script).Run(); }

} // namespace sql
