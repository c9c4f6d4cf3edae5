#include "engine/index/index_tag.h"

#include "engine/core/errors.h"
#include "engine/engine.h"
#include "engine/expr/lexer.h"

#include <algorithm>
#include <cctype>

namespace indexing {

namespace {

bool IsNameChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// The longest field name that stands at `pos` of `upperText` as a whole
// word, or nullptr.
const expr::FieldInfo* FieldAt(const std::string& upperText, size_t pos, const std::vector<expr::FieldInfo>& fields)
{
    const expr::FieldInfo* best = nullptr;
    for (const expr::FieldInfo& field : fields) {
        std::string name = expr::UpperAscii(field.name);
        if (name.empty() || upperText.compare(pos, name.size(), name) != 0)
            continue;
        size_t end = pos + name.size();
        if (end < upperText.size() && IsNameChar(upperText[end]))
            continue;
        if (!best || name.size() > best->name.size())
            best = &field;
    }
    return best;
}

// The first field each ";"-separated segment of a key expression names, in
// segment order (nullptr where a segment names none). Quoted literals and
// ";" inside parentheses do not count.
std::vector<const expr::FieldInfo*> FirstFieldPerSegment(const std::string& text,
                                                         const std::vector<expr::FieldInfo>& fields)
{
    std::string upper = expr::UpperAscii(text);
    std::vector<const expr::FieldInfo*> found(1, nullptr);
    int depth = 0;
    char quote = 0;
    for (size_t i = 0; i < upper.size(); ++i) {
        char c = upper[i];
        if (quote) {
            quote = c == quote ? 0 : quote;
        } else if (c == '\'' || c == '"') {
            quote = c;
        } else if (c == '(' || c == ')') {
            depth += c == '(' ? 1 : -1;
        } else if (c == ';' && depth == 0) {
            found.push_back(nullptr);
        } else if (IsNameChar(c) && (i == 0 || !IsNameChar(upper[i - 1])) && !found.back()) {
            found.back() = FieldAt(upper, i, fields);
        }
    }
    return found;
}

} // namespace

CollationRule CollationRuleOf(const std::string& collation, codepage::CodePage page)
{
    const std::string name = expr::UpperAscii(collation);
    const std::string own = std::to_string(unsigned(page));
    const bool ansi = page == codepage::CodePage::Ansi1252;
    if (name.empty() || name == (ansi ? "ANSI" : "OEM") || name == "MACHINE_VFP_BIN_" + own)
        return {};
    if (name == "GENERAL_VFP_CI_AS_" + own)
        return {true};
    size_t cut = name.find_last_of('_');
    std::string namedPage = cut == std::string::npos ? std::string() : name.substr(cut + 1);
    std::string why = !namedPage.empty() && namedPage != own && std::isdigit(static_cast<unsigned char>(namedPage[0]))
        ? "it orders code page " + namedPage + " and the table's characters are in code page " + own
        : "its letter order is not built into this engine (for code page " + own + ": ANSI or OEM by the table, "
              "MACHINE_VFP_BIN_" + own + ", GENERAL_VFP_CI_AS_" + own + ")";
    throw engine::EngineError(AE_NOT_YET_SUPPORTED, "The collation " + collation + " cannot order this index: " + why
                                                        + ".");
}

Tag::Tag(TagDefinition definition, const storage::Table& table) : mDefinition(std::move(definition))
{
    expr::TableContext schema(table);
    mPage = schema.CharSet();
    const CollationRule collation = CollationRuleOf(mDefinition.collation, mPage);
    mKey = expr::KeyExpression::Compile(mDefinition.expression, schema);
    if (!mDefinition.condition.empty())
        mCondition = expr::Expression::Compile(mDefinition.condition, schema, expr::Purpose::Condition);
    if (!mDefinition.whileCondition.empty())
        mWhile = expr::Expression::Compile(mDefinition.whileCondition, schema, expr::Purpose::Condition);
    std::vector<const expr::FieldInfo*> fields = FirstFieldPerSegment(mDefinition.expression, schema.Fields());
    const auto& segments = mKey->Segments();
    for (size_t i = 0; i < segments.size(); ++i) {
        const expr::FieldInfo* field = i < fields.size() ? fields[i] : nullptr;
        mCodings.push_back({segments[i], (field && field->caseInsensitive) || collation.ignoreCase});
        mSegmentFields.push_back(field ? field->name : std::string());
    }
    uint32_t length = mKey->Length();
    if (length == 0 || length > 4000)
        throw engine::EngineError(AE_INVALID_KEY, "The key expression " + mDefinition.expression + " gives keys of "
                                                      + std::to_string(length)
                                                      + " bytes; an index key must have 1 to 4000.");
    mKeyLength = uint16_t(length);
    if ((mDefinition.options & ADS_BINARY_INDEX)
        && (segments.size() != 1 || segments[0].type != expr::ValueType::Logical))
        throw engine::EngineError(AE_INVALID_ARGUMENT, "The binary index " + mDefinition.name
                                                           + " needs a logical key expression; "
                                                           + mDefinition.expression + " is not one.");
}

bool Tag::Holds(expr::TableContext& context, const uint8_t* image, uint32_t recno) const
{
    return mEntries.count(Entry{KeyOfImage(context, image, recno), recno}) != 0;
}

bool Tag::IsDescending() const
{
    return (mDefinition.options & ADS_DESCENDING) != 0;
}

bool Tag::IsUnique() const
{
    return (mDefinition.options & ADS_UNIQUE) != 0;
}

bool Tag::IsCandidate() const
{
    return (mDefinition.options & ADS_CANDIDATE) != 0;
}

bool Tag::IsCustom() const
{
    return (mDefinition.options & ADS_CUSTOM) != 0;
}

uint32_t Tag::SegmentOffset(size_t segment) const
{
    uint32_t offset = 0;
    for (size_t i = 0; i < segment && i < mCodings.size(); ++i)
        offset += mCodings[i].segment.width;
    return offset;
}

std::string Tag::KeyOfImage(expr::TableContext& context, const uint8_t* image, uint32_t recno) const
{
    context.SetRecord(image, recno);
    return EncodeKey(mKey->Evaluate(context), mCodings, mPage, IsDescending());
}

std::optional<std::string> Tag::KeyOf(expr::TableContext& context, const uint8_t* image, uint32_t recno) const
{
    context.SetRecord(image, recno);
    if (mCondition && !mCondition->Matches(context))
        return std::nullopt;
    return KeyOfImage(context, image, recno);
}

const EntrySet& Tag::Entries() const
{
    return mEntries;
}

void Tag::Insert(Entry entry)
{
    mEntries.insert(std::move(entry));
}

void Tag::Erase(const Entry& entry)
{
    mEntries.erase(entry);
}

void Tag::Rebuild(const storage::Table& table)
{
    EntrySet rebuilt;
    expr::TableContext context(table);
    std::vector<uint8_t> image(table.RecordLength());
    uint32_t count = table.RecordCount();
    if (IsCustom()) {
        // The set is the user's: only its keys are made again.
        for (const Entry& entry : mEntries) {
            if (entry.recno > count)
                continue;
            table.ReadRecord(entry.recno, image.data());
            rebuilt.insert(Entry{KeyOfImage(context, image.data(), entry.recno), entry.recno});
        }
        mEntries.swap(rebuilt);
        mDamaged = false;
        return;
    }
    for (uint32_t recno = 1; recno <= count; ++recno) {
        table.ReadRecord(recno, image.data());
        if (mWhile) {
            context.SetRecord(image.data(), recno);
            if (!mWhile->Matches(context))
                break;
        }
        if (std::optional<std::string> key = KeyOf(context, image.data(), recno))
            rebuilt.insert(rebuilt.end(), Entry{std::move(*key), recno});
    }
    mEntries.swap(rebuilt);
    mDamaged = false;
}

uint32_t Tag::DuplicateOf(const std::string& key, uint32_t recno) const
{
    for (auto it = mEntries.lower_bound(Entry{key, 0}); it != mEntries.end() && it->key == key; ++it)
        if (it->recno != recno)
            return it->recno;
    return 0;
}

bool Tag::IsShadowed(EntrySet::const_iterator it) const
{
    if (!IsUnique() || it == mEntries.begin())
        return false;
    return std::prev(it)->key == it->key;
}

void Tag::SetDamaged(bool damaged)
{
    mDamaged = damaged;
    if (damaged)
        mEntries.clear();
}

void Tag::RequireSound(const char* function) const
{
    if (mDamaged)
        throw engine::EngineError(AE_INDEX_DAMAGED, std::string(function) + ": the index " + Name()
                                                        + " is damaged and cannot be used; rebuild it with AdsReindex.");
}

} // namespace indexing
