// IndexFile: one index file (a compound file of named tags, or a file of a
// single tag) and the process-wide registry that shares it between every
// cursor of the process that has it open.
//
// Invariants:
// - The file on disk is written whole (page format in engine/FORMAT.md) to
//   a temporary sibling and renamed over the old one, so a failed save leaves
//   the previous file intact. Between saves the changes live in memory; the
//   first change after a save sets the file's "changed" byte, a single byte
//   outside the checksummed header, and a save clears it.
// - Opening checks everything: the header checksum (a bad header is the
//   engine's "damaged index" error, since the tag definitions are gone), then
//   every page of every tag. A tag whose pages fail is marked damaged and
//   refuses use until AdsReindex rebuilds it. A file whose "changed" byte is
//   set (its writer stopped before saving) or that describes another record
//   count than the table's is stale, not damaged: its tags are rebuilt from
//   the table at once. The table is always the truth; an index is derived.
// - One IndexFile object per file name in the process: opens of the same
//   file share it (Acquire), so a change through one cursor is seen by all,
//   and every cursor of the table keeps every such file up to date
//   (OpenFor), even one another cursor opened or created after it.
//   Its Mutex() guards the tags; a cursor takes it after its own lock.
// - Between processes the change counter of the file's header tells who is
//   out of date (change_word.h): every indexed write bumps it under the
//   table's index lock, every save stores a new one, and a copy whose counter
//   differs from the file's reloads (Sync) before its next use, rebuilding
//   from the table unless the file was saved clean. A change, a save and
//   the check before them run under that lock, so no change made elsewhere
//   is overwritten by a save of a copy that never saw it.
#pragma once

#include "engine/index/index_tag.h"
#include "engine/storage/table.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace indexing {

constexpr uint32_t kDefaultPageSize = 1024;

class IndexFile {
public:
    // The shared object of the file `utf8Path`, opened (checked, rebuilt when
    // stale) on the first acquire. `create` makes a new empty file when none
    // exists; without it a missing file is kErrFileNotFound.
    static std::shared_ptr<IndexFile> Acquire(const std::string& utf8Path, const storage::Table& table,
                                              bool create, uint32_t pageSize = 0);

    // Every index file of the table `tableFile` (its UTF-8 name) that is
    // open in this process, whoever opened it: a change through any cursor
    // of the table must reach them all.
    static std::vector<std::shared_ptr<IndexFile>> OpenFor(const std::string& tableFile);

    ~IndexFile();
    IndexFile(const IndexFile&) = delete;
    IndexFile& operator=(const IndexFile&) = delete;

    // Recursive: ordered navigation holds it across calls that take it again.
    std::recursive_mutex& Mutex() { return mMutex; }
    const std::string& Path() const { return mPath; }
    uint32_t PageSize() const { return mPageSize; }
    const std::vector<std::shared_ptr<Tag>>& Tags() const { return mTags; }
    std::shared_ptr<Tag> FindTag(const std::string& name) const;

    // Adds a tag built from the table's records and saves the file. A tag of
    // the same name is replaced.
    std::shared_ptr<Tag> AddTag(TagDefinition definition, const storage::Table& table);
    // Removes the tag and saves; the file itself goes when its last tag does.
    void RemoveTag(const std::shared_ptr<Tag>& tag, const storage::Table& table);

    // The table's record `recno` changed from `before` (null: it is new) to
    // `after`; every tag is brought up to date. Call after the table write.
    void RecordChanged(const storage::Table& table, uint32_t recno, const uint8_t* before, const uint8_t* after);
    // Raises AE_DUPLICATE_KEY when `after` would give record `recno` a key
    // that another record holds in a candidate tag.
    void CheckCandidates(const storage::Table& table, uint32_t recno, const uint8_t* after) const;

    // Gives record `recno` its key in the custom tag, or takes it away, and
    // saves the file.
    void ChangeCustomKey(const storage::Table& table, Tag& tag, uint32_t recno, bool add);

    void RebuildAll(const storage::Table& table);
    // Takes in what other users changed since this copy last looked (Sync),
    // then adds the records appended to the table since the tags last
    // covered it (by code that wrote the table directly).
    void CatchUp(const storage::Table& table);
    // Reloads the copy when the file's change counter says another user
    // changed it since this copy last read or wrote it.
    void Sync(const storage::Table& table);
    // After an indexed write of the table, made under IndexChangeLock: bumps
    // the file's change counter so that every other copy reloads.
    void NoteWritten(const storage::Table& table);
    // Writes the file when it holds changes not yet saved. Through a table
    // opened read-only nothing is written (Save does nothing either).
    void SaveIfChanged(const storage::Table& table);
    // Writes the file; the caller holds IndexChangeLock and has synced.
    void Save(const storage::Table& table);
    bool IsRemoved() const { return mRemoved; }

private:
    IndexFile(std::string utf8Path, std::string tableFile, uint32_t pageSize);
    // Reads the file into this copy: tags it names join, tags of this copy
    // keep their objects (orders point at them). Returns whether the file
    // was stale (its tags were rebuilt from the table instead).
    bool Load(const storage::Table& table);
    void MarkChanged();
    // Makes `tags` the file's tags and saves them.
    void SaveTags(std::vector<std::shared_ptr<Tag>> tags, const storage::Table& table);

    std::recursive_mutex mMutex;
    std::string mPath;
    std::string mTableFile;
    uint32_t mPageSize;
    std::vector<std::shared_ptr<Tag>> mTags;
    bool mChanged = false;
    bool mRemoved = false;
    // Records 1..mCovered are known to the tags: set when they are built,
    // advanced by appends made here. An append by another process leaves a
    // gap, and the saved file then covers fewer records than the table has,
    // so its next open rebuilds it instead of trusting it.
    uint32_t mCovered = 0;
    // The file's change counter as this copy last read or wrote it.
    uint32_t mSeen = 0;
};

// The page size for `requested` (0: the default), checked.
uint32_t CheckedPageSize(uint32_t requested);

} // namespace indexing
