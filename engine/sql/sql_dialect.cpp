#include "engine/sql/sql_dialect.h"

#include "engine/sql/lexer.h"
#include "engine/sql/sqlite_values.h"

#include <algorithm>
#include <map>

namespace sql {

namespace {

const std::set<std::string> kTextFunctions = {"TRIM",  "LTRIM", "RTRIM", "UPPER",  "LOWER",   "UCASE",
                                              "LCASE", "LEFT",  "RIGHT", "SUBSTR", "SUBSTRING", "CONCAT",
                                              "REPLACE", "CHAR"};

class Rewriter {
public:
    Rewriter(const DataStatement& statement, const std::vector<Value>& values, const std::set<std::string>& textColumns)
        : mStatement(statement), mValues(values), mTextColumns(textColumns), mTokens(Tokenize(statement.text))
    {
        for (size_t i = 0; i < statement.references.size(); ++i)
            mReferenceAt[statement.references[i].offset] = i;
    }

    StageText Run()
    {
        size_t copied = 0; // original text consumed so far
        FindTop();
        for (size_t i = 0; i + 1 < mTokens.size(); ++i) {
            const Token& token = mTokens[i];
            Emit(mStatement.text.substr(copied, token.offset - copied), copied);
            copied = token.End();
            if (i >= mTopBegin && i < mTopEnd)
                continue;
            Emit(Replacement(i), token.offset);
        }
        Emit(mStatement.text.substr(copied), copied);
        if (!mLimit.empty())
            Emit(mLimit, mStatement.text.size());
        return std::move(mOut);
    }

private:
    void Emit(const std::string& ansi, size_t original)
    {
        mOut.anchors.emplace_back(mOut.text.size(), original);
        mOut.text += Utf8Of(ansi);
    }

    std::string Source(const Token& token) const { return mStatement.text.substr(token.offset, token.length); }

    std::string Replacement(size_t i) const
    {
        const Token& token = mTokens[i];
        if (token.kind == TokenKind::Parameter || token.kind == TokenKind::Variable) {
            auto it = mReferenceAt.find(token.offset);
            if (it != mReferenceAt.end())
                return "?" + std::to_string(it->second + 1);
        }
        if (token.IsSymbol("+") && (IsTextBefore(i) || IsTextAfter(i)) && !IsNumberNextTo(i))
            return "||";
        if (token.kind == TokenKind::Word && mTokens[i + 1].IsSymbol("(")) {
            std::string upper = UpperCased(token.text);
            std::string stage = StageFunctionName(upper);
            if (stage != upper)
                return stage;
        }
        return Source(token);
    }

    bool IsTextToken(const Token& token) const
    {
        if (token.kind == TokenKind::String)
            return true;
        if (token.kind == TokenKind::Parameter || token.kind == TokenKind::Variable) {
            auto it = mReferenceAt.find(token.offset);
            return it != mReferenceAt.end() && it->second < mValues.size()
                && mValues[it->second].type == DataType::String;
        }
        if (token.kind == TokenKind::Word || token.kind == TokenKind::QuotedName)
            return mTextColumns.count(UpperCased(token.text)) != 0;
        return false;
    }

    // A number literal next to "+" makes it an addition, whatever the other side is.
    bool IsNumberNextTo(size_t i) const
    {
        auto isNumber = [](const Token& t) { return t.kind == TokenKind::Integer || t.kind == TokenKind::Decimal; };
        return (i > 0 && isNumber(mTokens[i - 1])) || isNumber(mTokens[i + 1]);
    }

    bool IsTextBefore(size_t i) const
    {
        if (i == 0)
            return false;
        const Token& before = mTokens[i - 1];
        if (!before.IsSymbol(")"))
            return IsTextToken(before);
        // A call's closing parenthesis: the function before its opening one.
        int depth = 0;
        for (size_t j = i - 1; j > 0; --j) {
            if (mTokens[j].IsSymbol(")"))
                ++depth;
            else if (mTokens[j].IsSymbol("(") && --depth == 0)
                return mTokens[j - 1].kind == TokenKind::Word && kTextFunctions.count(UpperCased(mTokens[j - 1].text));
        }
        return false;
    }

    bool IsTextAfter(size_t i) const
    {
        const Token& after = mTokens[i + 1];
        if (after.kind == TokenKind::Word && mTokens[i + 2 < mTokens.size() ? i + 2 : i + 1].IsSymbol("("))
            return kTextFunctions.count(UpperCased(after.text)) != 0;
        return IsTextToken(after);
    }

    // TOP n [START AT m] after the leading SELECT [DISTINCT|ALL].
    void FindTop()
    {
        size_t i = 0;
        if (!mTokens[i].IsWord("SELECT"))
            return;
        ++i;
        if (mTokens[i].IsWord("DISTINCT") || mTokens[i].IsWord("ALL"))
            ++i;
        if (!mTokens[i].IsWord("TOP") || mTokens[i + 1].kind != TokenKind::Integer)
            return;
        mTopBegin = i;
        mLimit = " LIMIT " + mTokens[i + 1].text;
        mTopEnd = i + 2;
        if (mTokens[mTopEnd].IsWord("START") && mTokens[mTopEnd + 1].IsWord("AT")
            && mTokens[mTopEnd + 2].kind == TokenKind::Integer) {
            long long start = std::stoll(mTokens[mTopEnd + 2].text.substr(0, 18));
            mLimit += " OFFSET " + std::to_string(std::max(0LL, start - 1));
            mTopEnd += 3;
        }
    }

    const DataStatement& mStatement;
    const std::vector<Value>& mValues;
    const std::set<std::string>& mTextColumns;
    std::vector<Token> mTokens;
    std::map<size_t, size_t> mReferenceAt;
    size_t mTopBegin = 0;
    size_t mTopEnd = 0;
    std::string mLimit;
    StageText mOut;
};

} // namespace

std::string StageFunctionName(const std::string& upperName)
{
    if (upperName == "LEFT" || upperName == "RIGHT")
        return "TEXT_" + upperName;
    return upperName;
}

size_t StageText::OriginalOffset(size_t offset) const
{
    size_t original = 0;
    for (const auto& [at, from] : anchors) {
        if (at > offset)
            break;
        original = from + (offset - at);
    }
    return original;
}

StageText RewriteForStage(const DataStatement& statement, const std::vector<Value>& values,
                          const std::set<std::string>& textColumns)
{
    return Rewriter(statement, values, textColumns).Run();
}

} // namespace sql
