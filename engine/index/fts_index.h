// Full-text indexes: for one character, varchar, Unicode or memo column of a
// table, every word of the column → the ascending record numbers that hold
// it. A table's full-text indexes live together in one file beside the
// table (NAME.fts, layout in engine/FORMAT.md), shared by every cursor of
// the process.
//
// Invariants:
// - Words are cut and upper-cased exactly as CONTAINS cuts them (letters and
//   digits of the table's code page), so a lookup answers a CONTAINS
//   condition with the same records as evaluating it record by record.
//   Words shorter than the minimum length are not stored; longer ones are
//   stored cut to the maximum. Where that leaves the index unsure (a short
//   term, a long word, a phrase of several words) the lookup checks the
//   unsure records against the condition itself, so the answer stays exact.
// - Every record is indexed, deleted ones included (deletion only hides);
//   a NULL value is stored under kNullMark, since CONTAINS never accepts
//   NULL, not even with NOT.
// - The file is written whole to a temporary sibling and renamed into place.
//   Between saves the changes live in memory, and the first one sets the
//   file's "changed" byte; a set byte, or a record count other than the
//   table's, makes the next open rebuild every index from the table. A bad
//   header is a damaged file (6115, see Damage()); a bad postings checksum
//   marks that index damaged, refusing lookups until AdsReindex.
// - An FtsFile is guarded by its Mutex(); take it after the cursor's lock
//   and after any index file's lock.
#pragma once

#include "engine/expr/contains.h"
#include "engine/storage/table.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace fts {

constexpr uint16_t kDefaultMinWordLength = 1;
constexpr uint16_t kDefaultMaxWordLength = 30;
constexpr uint16_t kLongestWordLimit = 255;

struct FtsDefinition {
    std::string name;  // compared without regard to case
    std::string field; // the column, as the table names it
    uint16_t minWordLength = kDefaultMinWordLength;
    uint16_t maxWordLength = kDefaultMaxWordLength;
    uint32_t options = 0; // no option bits are defined yet
};

using RecordSet = std::set<uint32_t>;

// The stored "word" of the records whose column is NULL: no term is empty,
// so it never meets one.
inline const std::string kNullMark;

// The distinct words of `text` in CONTAINS's sense: upper-cased, in order of
// first appearance.
std::vector<std::string> WordsOf(codepage::CodePage page, const std::string& text);

class FtsIndex {
public:
    // Raises AE_FIELD_NOT_FOUND / AE_INVALID_ARGUMENT for a column that is
    // missing or holds no text, or word lengths out of order.
    FtsIndex(FtsDefinition definition, const storage::Table& table);

    const FtsDefinition& Definition() const { return mDefinition; }
    const std::string& Name() const { return mDefinition.name; }
    const std::map<std::string, RecordSet>& Postings() const { return mPostings; }
    std::map<std::string, RecordSet>& MutablePostings() { return mPostings; }

    // The stored words of record image `image` (kNullMark alone for NULL).
    std::set<std::string> StoredWords(const storage::Table& table, const uint8_t* image, uint32_t recno) const;
    void RecordChanged(const storage::Table& table, uint32_t recno, const uint8_t* before, const uint8_t* after);
    void Rebuild(const storage::Table& table);

    // The records whose column satisfies the CONTAINS condition, ascending.
    // Raises AE_INDEX_DAMAGED when damaged, AE_INVALID_ARGUMENT for a
    // malformed condition.
    std::vector<uint32_t> Lookup(const storage::Table& table, const std::string& condition) const;

    bool IsDamaged() const { return mDamaged; }
    void SetDamaged(bool damaged);

private:
    struct Bounds; // records sure to match, records that may match
    Bounds Answer(const expr::ContainsQuery& query, const RecordSet& all) const;
    Bounds AnswerTerm(const std::string& word, bool prefix, const RecordSet& all) const;
    std::optional<std::string> TextOf(const storage::Table& table, const uint8_t* image, uint32_t recno) const;
    std::string Stored(const std::string& word) const;

    FtsDefinition mDefinition;
    size_t mFieldIndex = 0;
    codepage::CodePage mPage;
    std::map<std::string, RecordSet> mPostings;
    bool mDamaged = false;
};

class FtsFile {
public:
    // The table's full-text file when it exists (or `create`), shared by the
    // process and brought up to date with the table (records appended by
    // someone who did not keep it join first).
    static std::shared_ptr<FtsFile> ForTable(const storage::Table& table, bool create = false);
    static std::string PathFor(const storage::Table& table);
    // Saves the table's file if it holds changes and lets the process forget
    // it, so that the next use reads it afresh (a cursor closes: whoever
    // writes the file next may be another process). A cursor still changing
    // the forgotten copy marks the file changed on disk, which makes that
    // next read rebuild it.
    static void SaveAndForget(const storage::Table& table);

    std::recursive_mutex& Mutex() { return mMutex; }
    const std::string& Path() const { return mPath; }
    const std::vector<std::shared_ptr<FtsIndex>>& Indexes() const { return mIndexes; }
    std::shared_ptr<FtsIndex> Find(const std::string& name) const;
    // The sound index on column `field`, or null.
    std::shared_ptr<FtsIndex> OnField(const std::string& field) const;

    std::shared_ptr<FtsIndex> Add(FtsDefinition definition, const storage::Table& table);
    // The file itself goes with its last index.
    void Remove(const std::shared_ptr<FtsIndex>& index, const storage::Table& table);

    void RecordChanged(const storage::Table& table, uint32_t recno, const uint8_t* before, const uint8_t* after);
    // Takes in what other users changed (Sync), then the records appended
    // by code that did not keep the file.
    void CatchUp(const storage::Table& table);
    // Between processes the file's change counter works as for index files
    // (change_word.h): a copy whose counter differs from the file's reads
    // the file again before its next use; every indexed write bumps it
    // (NoteWritten, under IndexChangeLock) and every save stores a new one.
    void Sync(const storage::Table& table);
    void NoteWritten(const storage::Table& table);
    void RebuildAll(const storage::Table& table);
    void SaveIfChanged(const storage::Table& table);
    // Writes the file; the caller holds IndexChangeLock.
    void Save(const storage::Table& table);
    bool IsRemoved() const { return mRemoved; }
    // A file whose header is damaged has no indexes, takes no changes and is
    // never overwritten; calls that list or make full-text indexes report
    // it (RequireSound), CONTAINS is judged record by record, and RebuildAll
    // makes it again from the definitions it still holds, or moves it aside
    // when none can be read (raising the damage).
    const std::string& Damage() const { return mDamage; }
    void RequireSound(const char* function) const;

private:
    FtsFile(std::string path, std::string tableFile);
    // Reads the file afresh; true when it was stale (rebuilt from the table).
    bool Load(const storage::Table& table);
    bool LoadImage(const std::string& bytes, const storage::Table& table);
    std::vector<std::shared_ptr<FtsIndex>> SalvagedIndexes(const storage::Table& table) const;
    void RemakeDamaged(const storage::Table& table);
    void MarkChanged();
    void SaveIndexes(std::vector<std::shared_ptr<FtsIndex>> indexes, const storage::Table& table);

    std::recursive_mutex mMutex;
    std::string mPath;
    std::string mTableFile;
    std::vector<std::shared_ptr<FtsIndex>> mIndexes;
    uint32_t mCovered = 0;
    bool mChanged = false;
    bool mRemoved = false;
    std::string mDamage; // why the header cannot be trusted; "" when sound
    uint32_t mSeen = 0;  // the file's change counter as last read or written
};

// A filter term of the form CONTAINS(column, 'search text') (any case,
// blanks around the parts, either quote): the column as written and the
// search text. Anything else, including a computed first argument, gives
// nullopt.
struct ContainsTerm {
    std::string field;
    std::string condition;
};
std::optional<ContainsTerm> ContainsTermOf(std::string_view text);

// The records of `table` whose column `field` satisfies `condition`, read
// from a full-text index on that column; nullopt when the table has none.
std::optional<std::vector<uint32_t>> LookupContains(const storage::Table& table, const std::string& field,
                                                    const std::string& condition);
// Whether the table has a sound full-text index on column `field`.
bool HasIndexOn(const storage::Table& table, const std::string& field);

} // namespace fts
