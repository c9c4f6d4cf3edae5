// Tag: one ordering of a table's records by a key expression, with an
// optional FOR condition, as held in an index file.
//
// Invariants:
// - Entries are (key, record number) pairs, ordered by key bytes and then by
//   record number, one entry per record that the FOR condition accepts
//   (deleted records included: deletion only hides them). Every key has the
//   tag's key length.
// - Unique tags keep an entry for every record too, but only the first
//   entry of each run of equal keys (the lowest record number) counts as a
//   key of the order; the others are shadowed. So the winner is always the
//   oldest record with that key, and a shadowed record takes its place when
//   the winner's key changes. Candidate tags refuse a second record with a
//   key already present (DuplicateOf), before anything is written.
// - A custom tag holds the records given to it (AddCustomKey) and no others:
//   appends do not join it, an edit moves the key of a record it holds, a
//   rebuild keys its records afresh but keeps the set. A tag with a WHILE
//   condition is built from the first record up to the first the condition
//   rejects; later changes follow the FOR condition alone, as in any tag.
// - A binary tag has a logical key (one byte, 'F' or 'T'); a user-defined
//   tag is a plain tag that carries the flag.
// - A damaged tag (its pages failed their checks) has no entries and
//   refuses every use until it is rebuilt from the table.
// - A Tag is not thread-safe; its IndexFile's mutex guards it.
#pragma once

#include "engine/expr/expression.h"
#include "engine/expr/table_context.h"
#include "engine/index/key_codec.h"
#include "engine/storage/table.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace indexing {

struct TagDefinition {
    std::string name;       // as given; compared without regard to case
    std::string expression;
    std::string condition;  // FOR condition, "" for none
    uint32_t options = 0;   // ADS_UNIQUE, ADS_DESCENDING, ADS_CANDIDATE, ADS_CUSTOM, ...
    std::string collation;
    // WHILE condition, "" for none: a build takes records in record order
    // from the first and stops at the first one it rejects.
    std::string whileCondition;
};

struct Entry {
    std::string key;
    uint32_t recno = 0;
    bool operator<(const Entry& other) const
    {
        int order = key.compare(other.key);
        return order != 0 ? order < 0 : recno < other.recno;
    }
};

using EntrySet = std::set<Entry>;

// How a collation named for an index orders its character keys. Only the
// collations of the table's own code page can be honoured: "ANSI" / "OEM"
// and MACHINE_VFP_BIN_<page> keep the bytes, GENERAL_VFP_CI_AS_<page>
// compares them upper-cased; any other raises AE_NOT_YET_SUPPORTED naming it.
struct CollationRule {
    bool ignoreCase = false;
};
CollationRule CollationRuleOf(const std::string& collation, codepage::CodePage page);

class Tag {
public:
    // Compiles the key and condition against `table`; an expression that
    // cannot be a key raises ExpressionError.
    Tag(TagDefinition definition, const storage::Table& table);

    const TagDefinition& Definition() const { return mDefinition; }
    const std::string& Name() const { return mDefinition.name; }
    uint16_t KeyLength() const { return mKeyLength; }
    bool IsDescending() const;
    bool IsUnique() const;
    bool IsCandidate() const;
    bool IsCustom() const;
    // Whether record `recno` has an entry (its key computed from `image`).
    bool Holds(expr::TableContext& context, const uint8_t* image, uint32_t recno) const;
    size_t SegmentCount() const { return mCodings.size(); }
    // The field a segment is made of ("" when its expression names none).
    const std::string& SegmentField(size_t segment) const { return mSegmentFields.at(segment); }
    const std::vector<indexing::SegmentCoding>& Codings() const { return mCodings; }
    uint32_t SegmentOffset(size_t segment) const;

    // The record's key, or nullopt when the FOR condition rejects it.
    // `context` is a TableContext of the table the record belongs to.
    std::optional<std::string> KeyOf(expr::TableContext& context, const uint8_t* image, uint32_t recno) const;
    // The key of a record as the key builder sees it: no FOR condition.
    std::string KeyOfImage(expr::TableContext& context, const uint8_t* image, uint32_t recno) const;

    const EntrySet& Entries() const;
    void Insert(Entry entry);
    void Erase(const Entry& entry);
    void Clear() { mEntries.clear(); }
    // Every record of the table, read afresh.
    void Rebuild(const storage::Table& table);
    // The record other than `recno` that already holds `key`, or 0.
    uint32_t DuplicateOf(const std::string& key, uint32_t recno) const;
    // Whether the entry is hidden behind an earlier one with the same key.
    bool IsShadowed(EntrySet::const_iterator it) const;

    bool IsDamaged() const { return mDamaged; }
    void SetDamaged(bool damaged);
    // Raises the engine's "damaged index" error when the tag is damaged.
    void RequireSound(const char* function) const;
    // Entries as loaded from a file; bypasses checks the loader made.
    EntrySet& MutableEntries() { return mEntries; }

private:
    TagDefinition mDefinition;
    std::optional<expr::KeyExpression> mKey;
    std::optional<expr::Expression> mCondition;
    std::optional<expr::Expression> mWhile;
    std::vector<SegmentCoding> mCodings;
    std::vector<std::string> mSegmentFields;
    codepage::CodePage mPage;
    uint16_t mKeyLength = 0;
    EntrySet mEntries;
    bool mDamaged = false;
};

} // namespace indexing
