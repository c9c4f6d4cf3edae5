#include "engine/expr/contains.h"

#include <cctype>

namespace expr {

namespace {

bool IsWordByte(codepage::CodePage page, unsigned char c)
{
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
        return true;
    return c >= 0x80 && codepage::UpperCase(page, c) != codepage::LowerCase(page, c);
}

std::vector<std::string> Words(codepage::CodePage page, std::string_view text)
{
    std::vector<std::string> words;
    std::string current;
    for (char ch : text) {
        if (IsWordByte(page, static_cast<unsigned char>(ch))) {
            current += char(codepage::UpperCase(page, static_cast<unsigned char>(ch)));
        } else if (!current.empty()) {
            words.push_back(std::move(current));
            current.clear();
        }
    }
    if (!current.empty())
        words.push_back(std::move(current));
    return words;
}

class QueryParser {
public:
    QueryParser(codepage::CodePage page, std::string_view text) : mPage(page), mText(text) {}

    std::unique_ptr<ContainsQuery> Parse(std::string& problem)
    {
        auto query = ParseOr();
        SkipBlanks();
        if (!mProblem.empty() || mPos < mText.size()) {
            problem = !mProblem.empty() ? mProblem
                                        : "unexpected '" + std::string(1, mText[mPos]) + "' in the search condition";
            return nullptr;
        }
        return query;
    }

private:
    using Ptr = std::unique_ptr<ContainsQuery>;

    void SkipBlanks()
    {
        while (mPos < mText.size() && (mText[mPos] == ' ' || mText[mPos] == '\t'))
            ++mPos;
    }

    // The next bare word if it is the keyword `word` (any case).
    bool TakeKeyword(const char* word)
    {
        SkipBlanks();
        std::string_view w(word);
        if (mText.size() - mPos < w.size())
            return false;
        for (size_t i = 0; i < w.size(); ++i)
            if (char(std::toupper(static_cast<unsigned char>(mText[mPos + i]))) != w[i])
                return false;
        size_t after = mPos + w.size();
        if (after < mText.size() && mText[after] != ' ' && mText[after] != '(' && mText[after] != '\t')
            return false;
        mPos = after;
        return true;
    }

    Ptr Combine(ContainsQuery::Kind kind, Ptr left, Ptr right)
    {
        auto node = std::make_unique<ContainsQuery>();
        node->kind = kind;
        node->parts.push_back(std::move(left));
        node->parts.push_back(std::move(right));
        return node;
    }

    bool AtOperand()
    {
        SkipBlanks();
        return mPos < mText.size() && mText[mPos] != ')';
    }

    Ptr ParseOr()
    {
        Ptr left = ParseAnd();
        while (mProblem.empty() && TakeKeyword("OR"))
            left = Combine(ContainsQuery::Kind::Or, std::move(left), ParseAnd());
        return left;
    }

    Ptr ParseAnd()
    {
        Ptr left = ParseUnary();
        for (;;) {
            size_t before = mPos;
            if (!mProblem.empty() || !AtOperand() || TakeKeyword("OR")) {
                mPos = before;
                return left;
            }
            TakeKeyword("AND");
            left = Combine(ContainsQuery::Kind::And, std::move(left), ParseUnary());
        }
    }

    Ptr ParseUnary()
    {
        if (TakeKeyword("NOT")) {
            auto node = std::make_unique<ContainsQuery>();
            node->kind = ContainsQuery::Kind::Not;
            node->parts.push_back(ParseUnary());
            return node;
        }
        SkipBlanks();
        if (mPos < mText.size() && mText[mPos] == '(') {
            ++mPos;
            Ptr inner = ParseOr();
            SkipBlanks();
            if (mPos >= mText.size() || mText[mPos] != ')')
                Problem("a '(' without its ')' in the search condition");
            else
                ++mPos;
            return inner;
        }
        return ParsePhrase();
    }

    Ptr ParsePhrase()
    {
        SkipBlanks();
        size_t start = mPos, end;
        if (mPos < mText.size() && mText[mPos] == '"') {
            end = mText.find('"', mPos + 1);
            if (end == std::string_view::npos) {
                Problem("an unterminated phrase in the search condition");
                return std::make_unique<ContainsQuery>();
            }
            ++start;
            mPos = end + 1;
        } else {
            while (mPos < mText.size() && mText[mPos] != ' ' && mText[mPos] != '\t' && mText[mPos] != '('
                   && mText[mPos] != ')')
                ++mPos;
            end = mPos;
        }
        std::string_view term = mText.substr(start, end - start);
        auto node = std::make_unique<ContainsQuery>();
        while (!term.empty() && (term.back() == ' ' || term.back() == '\t'))
            term.remove_suffix(1);
        node->prefix = !term.empty() && term.back() == '*';
        node->words = Words(mPage, term);
        if (node->words.empty())
            Problem("a search term without letters or digits");
        return node;
    }

    void Problem(const std::string& text)
    {
        if (mProblem.empty())
            mProblem = text;
    }

    codepage::CodePage mPage;
    std::string_view mText;
    size_t mPos = 0;
    std::string mProblem;
};

bool WordMatches(const std::string& word, const std::string& term, bool prefix)
{
    return prefix ? word.compare(0, term.size(), term) == 0 : word == term;
}

bool Evaluate(const ContainsQuery& q, const std::vector<std::string>& words)
{
    switch (q.kind) {
    case ContainsQuery::Kind::And: return Evaluate(*q.parts[0], words) && Evaluate(*q.parts[1], words);
    case ContainsQuery::Kind::Or: return Evaluate(*q.parts[0], words) || Evaluate(*q.parts[1], words);
    case ContainsQuery::Kind::Not: return !Evaluate(*q.parts[0], words);
    case ContainsQuery::Kind::Phrase: break;
    }
    for (size_t start = 0; start + q.words.size() <= words.size(); ++start) {
        size_t i = 0;
        while (i < q.words.size() && WordMatches(words[start + i], q.words[i], q.prefix))
            ++i;
        if (i == q.words.size())
            return true;
    }
    return false;
}

} // namespace

std::unique_ptr<ContainsQuery> ContainsQuery::Parse(codepage::CodePage page, std::string_view condition,
                                                    std::string& problem)
{
    if (condition.find_first_not_of(" \t") == std::string_view::npos) {
        problem = "the search condition is empty";
        return nullptr;
    }
    return QueryParser(page, condition).Parse(problem);
}

bool ContainsQuery::Matches(codepage::CodePage page, std::string_view text) const
{
    return Evaluate(*this, Words(page, text));
}

} // namespace expr
