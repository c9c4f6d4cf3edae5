// Translation of field names between their long and short forms.
#include "engine/expr/date_text.h"
#include "engine/expr/expression.h"
#include "engine/expr/functions.h"
#include "engine/expr/lexer.h"

#include <algorithm>
#include <set>

namespace expr {

namespace {

constexpr size_t kShortLength = 10;

bool IsShortName(std::string_view name)
{
    if (name.empty() || name.size() > kShortLength || !IsWordStart(name[0]) || name[0] == '_')
        return false;
    for (char c : name)
        if (!IsWordChar(c))
            return false;
    return true;
}

// The letters, digits and "_" of a long name, upper-cased, starting with a letter.
std::string ShortBase(std::string_view name)
{
    std::string base;
    for (char c : name)
        if (IsWordChar(c))
            base += c;
    base = UpperAscii(base);
    if (base.empty() || !IsWordStart(base[0]) || base[0] == '_')
        base.insert(0, "F");
    return base;
}

enum class Direction { ToShort, ToLong };

class Translator {
public:
    Translator(std::string_view text, const RecordContext& schema, Direction direction)
        : mText(text), mSchema(schema), mDirection(direction), mMask("MM/DD/CCYY"), mLexer(text, schema, mMask),
          mShort(ShortFieldNames(schema))
    {
    }

    std::string Run()
    {
        std::string out;
        size_t i = 0;
        while (i < mText.size()) {
            char c = mText[i];
            size_t skip = LiteralEnd(i);
            if (skip > i) {
                out.append(mText.substr(i, skip - i));
                i = skip;
            } else if ((IsWordStart(c) || static_cast<unsigned char>(c) >= 0x80)
                       && (i == 0 || !IsWordChar(mText[i - 1]))) {
                i = Word(i, out);
            } else {
                out += c;
                if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
                    mOperandExpected = c != ')';
                ++i;
            }
        }
        return out;
    }

private:
    // One past a literal starting at `i`, or `i` when none starts there.
    size_t LiteralEnd(size_t i) const
    {
        char c = mText[i];
        char close = c == '\'' || c == '"' ? c : c == '[' && mOperandExpected ? ']' : c == '{' ? '}' : 0;
        if (!close)
            return i;
        size_t end = mText.find(close, i + 1);
        return end == std::string_view::npos ? mText.size() : end + 1;
    }

    size_t Word(size_t i, std::string& out)
    {
        mOperandExpected = false;
        size_t wordEnd = i;
        while (wordEnd < mText.size() && IsWordChar(mText[wordEnd]))
            ++wordEnd;
        std::string_view word = mText.substr(i, wordEnd - i);
        size_t next = wordEnd;
        while (next < mText.size() && mText[next] == ' ')
            ++next;
        if (next < mText.size() && mText[next] == '(' && FindFunction(word)) {
            out.append(word);
            mOperandExpected = true;
            return wordEnd;
        }
        size_t field = 0, end = 0;
        bool matched = mLexer.MatchField(i, field, end);
        if (mDirection == Direction::ToShort) {
            if (matched && !mShort[field].empty()) {
                out += mShort[field];
                return end;
            }
        } else if (!(matched && end > wordEnd)) {
            std::string upper = UpperAscii(word);
            for (size_t f = 0; f < mShort.size(); ++f)
                if (!mShort[f].empty() && mShort[f] == upper) {
                    out += mSchema.Fields()[f].name;
                    return wordEnd;
                }
        }
        size_t copyEnd = matched ? end : std::max(wordEnd, i + 1); // always move on
        out.append(mText.substr(i, copyEnd - i));
        std::string upper = UpperAscii(word);
        if (!matched && (upper == "AND" || upper == "OR" || upper == "NOT"))
            mOperandExpected = true;
        return copyEnd;
    }

    std::string_view mText;
    const RecordContext& mSchema;
    Direction mDirection;
    DateMask mMask;
    Lexer mLexer;
    std::vector<std::string> mShort;
    bool mOperandExpected = true;
};

} // namespace

std::vector<std::string> ShortFieldNames(const RecordContext& schema)
{
    const std::vector<FieldInfo>& fields = schema.Fields();
    // A short name must read back as nothing but its field: not as another
    // field, a keyword, or the table's alias.
    std::set<std::string> taken{"AND", "OR", "NOT", "TRUE", "FALSE", "NULL", "FIELD", "_FIELD"};
    taken.insert(UpperAscii(schema.Alias()));
    for (const FieldInfo& f : fields)
        taken.insert(UpperAscii(f.name));
    std::vector<std::string> shortNames(fields.size());
    for (size_t i = 0; i < fields.size(); ++i) {
        if (IsShortName(fields[i].name))
            continue;
        std::string base = ShortBase(fields[i].name);
        std::string candidate = base.substr(0, kShortLength);
        for (int n = 1; taken.count(candidate); ++n) {
            std::string suffix = "_" + std::to_string(n);
            candidate = base.substr(0, kShortLength - suffix.size()) + suffix;
        }
        taken.insert(candidate);
        shortNames[i] = candidate;
    }
    return shortNames;
}

std::string ExpressionLongToShort(std::string_view text, const RecordContext& schema)
{
    return Translator(text, schema, Direction::ToShort).Run();
}

std::string ExpressionShortToLong(std::string_view text, const RecordContext& schema)
{
    return Translator(text, schema, Direction::ToLong).Run();
}

} // namespace expr
