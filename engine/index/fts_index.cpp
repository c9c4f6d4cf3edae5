// One full-text index: cutting a column into words, keeping the postings,
// and answering CONTAINS conditions from them.
#include "engine/index/fts_index.h"

#include "engine/core/errors.h"
#include "engine/engine.h"
#include "engine/expr/lexer.h"
#include "engine/expr/table_context.h"

#include <algorithm>
#include <iterator>

namespace fts {

namespace {

// The same rule as CONTAINS: ASCII letters and digits, and the bytes above
// 0x7F that have a case in the code page.
bool IsWordByte(codepage::CodePage page, unsigned char c)
{
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
        return true;
    return c >= 0x80 && codepage::UpperCase(page, c) != codepage::LowerCase(page, c);
}

RecordSet Intersection(const RecordSet& a, const RecordSet& b)
{
    RecordSet out;
    std::set_intersection(a.begin(), a.end(), b.begin(), b.end(), std::inserter(out, out.end()));
    return out;
}

RecordSet Union(const RecordSet& a, const RecordSet& b)
{
    RecordSet out;
    std::set_union(a.begin(), a.end(), b.begin(), b.end(), std::inserter(out, out.end()));
    return out;
}

RecordSet Difference(const RecordSet& a, const RecordSet& b)
{
    RecordSet out;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::inserter(out, out.end()));
    return out;
}

bool HoldsText(expr::ValueType type)
{
    return type == expr::ValueType::Character || type == expr::ValueType::Memo;
}

} // namespace

std::vector<std::string> WordsOf(codepage::CodePage page, const std::string& text)
{
    std::vector<std::string> words;
    std::set<std::string> seen;
    std::string current;
    auto finish = [&] {
        if (!current.empty() && seen.insert(current).second)
            words.push_back(current);
        current.clear();
    };
    for (char ch : text) {
        auto c = static_cast<unsigned char>(ch);
        if (IsWordByte(page, c))
            current += char(codepage::UpperCase(page, c));
        else
            finish();
    }
    finish();
    return words;
}

struct FtsIndex::Bounds {
    RecordSet sure;
    RecordSet possible; // always holds `sure`
};

FtsIndex::FtsIndex(FtsDefinition definition, const storage::Table& table) : mDefinition(std::move(definition))
{
    expr::TableContext context(table);
    mPage = context.CharSet();
    const auto& fields = context.Fields();
    auto field = std::find_if(fields.begin(), fields.end(), [&](const expr::FieldInfo& f) {
        return expr::UpperAscii(f.name) == expr::UpperAscii(mDefinition.field);
    });
    if (field == fields.end())
        throw engine::EngineError(AE_FIELD_NOT_FOUND, "The full-text index " + mDefinition.name + " names the column "
                                                          + mDefinition.field + ", which the table does not have.");
    if (!HoldsText(field->type) || (field->engineType == ADS_RAW || field->engineType == ADS_VARBINARY
                                    || field->engineType == ADS_BINARY || field->engineType == ADS_IMAGE))
        throw engine::EngineError(AE_INVALID_ARGUMENT, "A full-text index needs a character, varchar, Unicode or memo "
                                                       "column; "
                                                           + field->name + " holds no text.");
    if (mDefinition.minWordLength == 0 || mDefinition.maxWordLength < mDefinition.minWordLength
        || mDefinition.maxWordLength > kLongestWordLimit)
        throw engine::EngineError(AE_INVALID_ARGUMENT,
                                  "The word lengths of a full-text index run from 1 to "
                                      + std::to_string(kLongestWordLimit) + ", the minimum not above the maximum ("
                                      + std::to_string(mDefinition.minWordLength) + " to "
                                      + std::to_string(mDefinition.maxWordLength) + " given).");
    mFieldIndex = field->index;
    mDefinition.field = field->name;
}

std::optional<std::string> FtsIndex::TextOf(const storage::Table& table, const uint8_t* image, uint32_t recno) const
{
    expr::TableContext context(table);
    context.SetRecord(image, recno);
    expr::Value value = context.FieldValue(mFieldIndex);
    return value.null ? std::nullopt : std::optional<std::string>(value.text);
}

std::string FtsIndex::Stored(const std::string& word) const
{
    return word.substr(0, mDefinition.maxWordLength);
}

std::set<std::string> FtsIndex::StoredWords(const storage::Table& table, const uint8_t* image, uint32_t recno) const
{
    std::optional<std::string> text = TextOf(table, image, recno);
    if (!text)
        return {kNullMark};
    std::set<std::string> stored;
    for (const std::string& word : WordsOf(mPage, *text))
        if (word.size() >= mDefinition.minWordLength)
            stored.insert(Stored(word));
    return stored;
}

void FtsIndex::RecordChanged(const storage::Table& table, uint32_t recno, const uint8_t* before, const uint8_t* after)
{
    std::set<std::string> old = before ? StoredWords(table, before, recno) : std::set<std::string>();
    std::set<std::string> now = StoredWords(table, after, recno);
    for (const std::string& word : old)
        if (!now.count(word)) {
            auto it = mPostings.find(word);
            if (it != mPostings.end() && it->second.erase(recno) && it->second.empty())
                mPostings.erase(it);
        }
    for (const std::string& word : now)
        if (!old.count(word))
            mPostings[word].insert(recno);
}

void FtsIndex::Rebuild(const storage::Table& table)
{
    std::map<std::string, RecordSet> rebuilt;
    std::vector<uint8_t> image(table.RecordLength());
    uint32_t count = table.RecordCount();
    for (uint32_t recno = 1; recno <= count; ++recno) {
        table.ReadRecord(recno, image.data());
        for (const std::string& word : StoredWords(table, image.data(), recno))
            rebuilt[word].insert(rebuilt[word].end(), recno);
    }
    mPostings.swap(rebuilt);
    mDamaged = false;
}

void FtsIndex::SetDamaged(bool damaged)
{
    mDamaged = damaged;
    if (damaged)
        mPostings.clear();
}

FtsIndex::Bounds FtsIndex::AnswerTerm(const std::string& word, bool prefix, const RecordSet& all) const
{
    // A stored word of the maximum length may have been cut from a longer
    // one, so it only says "begins with": a whole-word term that long, and a
    // prefix longer than the cut, find candidates, not matches.
    const size_t maxLength = mDefinition.maxWordLength;
    const bool certain = prefix ? word.size() <= maxLength : word.size() < maxLength;
    const std::string key = Stored(word);
    RecordSet found;
    if (prefix && certain) {
        for (auto it = mPostings.lower_bound(key); it != mPostings.end() && it->first.compare(0, key.size(), key) == 0;
             ++it)
            found.insert(it->second.begin(), it->second.end());
    } else if (auto it = mPostings.find(key); it != mPostings.end()) {
        found = it->second;
    }
    Bounds bounds{certain ? found : RecordSet(), found};
    // Words shorter than the minimum are not stored: a term that such a
    // word could satisfy may match any record.
    if (word.size() < mDefinition.minWordLength)
        bounds.possible = all;
    return bounds;
}

FtsIndex::Bounds FtsIndex::Answer(const expr::ContainsQuery& query, const RecordSet& all) const
{
    using Kind = expr::ContainsQuery::Kind;
    if (query.kind == Kind::Not) {
        Bounds inner = Answer(*query.parts[0], all);
        return Bounds{Difference(all, inner.possible), Difference(all, inner.sure)};
    }
    if (query.kind == Kind::And || query.kind == Kind::Or) {
        Bounds left = Answer(*query.parts[0], all), right = Answer(*query.parts[1], all);
        if (query.kind == Kind::And)
            return Bounds{Intersection(left.sure, right.sure), Intersection(left.possible, right.possible)};
        return Bounds{Union(left.sure, right.sure), Union(left.possible, right.possible)};
    }
    // A phrase: every word must occur; whether they stand in a row only the
    // text can tell.
    Bounds bounds = AnswerTerm(query.words.front(), query.prefix, all);
    for (size_t i = 1; i < query.words.size(); ++i) {
        Bounds next = AnswerTerm(query.words[i], query.prefix, all);
        bounds.possible = Intersection(bounds.possible, next.possible);
    }
    if (query.words.size() > 1)
        bounds.sure.clear();
    return bounds;
}

std::vector<uint32_t> FtsIndex::Lookup(const storage::Table& table, const std::string& condition) const
{
    if (mDamaged)
        throw engine::EngineError(AE_INDEX_DAMAGED, "The full-text index " + mDefinition.name
                                                        + " is damaged; AdsReindex rebuilds it.");
    std::string problem;
    std::unique_ptr<expr::ContainsQuery> query = expr::ContainsQuery::Parse(mPage, condition, problem);
    if (!query)
        throw engine::EngineError(AE_INVALID_ARGUMENT, "CONTAINS: " + problem);
    // CONTAINS of a NULL value is never true, not even for NOT.
    RecordSet all;
    auto nulls = mPostings.find(kNullMark);
    for (uint32_t recno = 1, count = table.RecordCount(); recno <= count; ++recno)
        if (nulls == mPostings.end() || !nulls->second.count(recno))
            all.insert(all.end(), recno);
    Bounds bounds = Answer(*query, all);
    RecordSet matches = bounds.sure;
    std::vector<uint8_t> image(table.RecordLength());
    for (uint32_t recno : Difference(bounds.possible, bounds.sure)) {
        table.ReadRecord(recno, image.data());
        std::optional<std::string> text = TextOf(table, image.data(), recno);
        if (text && query->Matches(mPage, *text))
            matches.insert(recno);
    }
    return std::vector<uint32_t>(matches.begin(), matches.end());
}

} // namespace fts
