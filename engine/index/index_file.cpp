#include "engine/index/index_file.h"

#include "engine/core/errors.h"
#include "engine/engine.h"
#include "engine/expr/lexer.h"
#include "engine/index/change_word.h"
#include "engine/index/index_pages.h"
#include "engine/storage/file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <map>

namespace indexing {

namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::string, std::weak_ptr<IndexFile>> files;
};

Registry& TheRegistry()
{
    static Registry registry;
    return registry;
}

std::string ReadWholeFile(const std::string& path)
{
    storage::File file = storage::File::Open(path, false);
    std::string bytes(size_t(file.Size()), '\0');
    file.ReadAt(0, bytes.data(), bytes.size(), "index pages");
    return bytes;
}

bool SameName(const std::string& a, const std::string& b)
{
    return expr::UpperAscii(a) == expr::UpperAscii(b);
}

// A candidate tag cannot be made over records that share a key.
void RefuseDuplicates(const Tag& tag)
{
    const EntrySet& entries = tag.Entries();
    for (auto it = entries.begin(); it != entries.end(); ++it)
        if (tag.DuplicateOf(it->key, it->recno) != 0)
            throw engine::EngineError(AE_DUPLICATE_KEY, "The candidate index " + tag.Name() + " cannot be made: records "
                                                            + std::to_string(it->recno) + " and "
                                                            + std::to_string(tag.DuplicateOf(it->key, it->recno))
                                                            + " have the same key.");
}

} // namespace

uint32_t CheckedPageSize(uint32_t requested)
{
    if (requested == 0)
        return kDefaultPageSize;
    if (requested < 512 || requested > 65536 || requested % 512 != 0)
        throw engine::EngineError(AE_INVALID_ARGUMENT, "The index page size " + std::to_string(requested)
                                                           + " is not a multiple of 512 from 512 to 65536.");
    return requested;
}

IndexFile::IndexFile(std::string utf8Path, std::string tableFile, uint32_t pageSize)
    : mPath(std::move(utf8Path)), mTableFile(std::move(tableFile)), mPageSize(pageSize)
{
}

std::vector<std::shared_ptr<IndexFile>> IndexFile::OpenFor(const std::string& tableFile)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    std::vector<std::shared_ptr<IndexFile>> files;
    for (auto it = registry.files.begin(); it != registry.files.end();) {
        std::shared_ptr<IndexFile> file = it->second.lock();
        if (!file) {
            it = registry.files.erase(it);
            continue;
        }
        if (file->mTableFile == tableFile && !file->mRemoved)
            files.push_back(std::move(file));
        ++it;
    }
    return files;
}

IndexFile::~IndexFile() = default;

std::shared_ptr<IndexFile> IndexFile::Acquire(const std::string& utf8Path, const storage::Table& table, bool create,
                                              uint32_t pageSize)
{
    Registry& registry = TheRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    std::shared_ptr<IndexFile> file = registry.files[utf8Path].lock();
    if (file && !file->mRemoved)
        return file;
    file.reset(new IndexFile(utf8Path, table.FileName(), CheckedPageSize(pageSize)));
    if (storage::FileExists(utf8Path)) {
        if (file->Load(table) && !table.IsReadOnly()) {
            IndexChangeLock changing(table);
            file->Sync(table);
            file->Save(table);
        }
    } else if (!create)
        throw engine::EngineError(AE_FILE_NOT_FOUND, "The index file " + utf8Path + " does not exist.");
    else
        file->mCovered = table.RecordCount();
    registry.files[utf8Path] = file;
    return file;
}

bool IndexFile::Load(const storage::Table& table)
{
    std::string image = ReadWholeFile(mPath);
    IndexHeader header = ReadIndexHeader(image, mPath);
    mPageSize = header.pageSize;
    mSeen = header.changeCounter;
    bool stale = header.changed || header.recordCount != table.RecordCount();
    mCovered = table.RecordCount();
    std::vector<std::shared_ptr<Tag>> read;
    for (const StoredTag& stored : header.tags) {
        std::shared_ptr<Tag> tag = FindTag(stored.definition.name);
        if (!tag) {
            tag = std::make_shared<Tag>(stored.definition, table);
            mTags.push_back(tag);
        }
        read.push_back(tag);
        bool sameDefinition = tag->Definition().expression == stored.definition.expression
            && tag->Definition().condition == stored.definition.condition;
        if ((stale || !sameDefinition) && !tag->IsCustom()) {
            tag->Rebuild(table);
            continue;
        }
        tag->SetDamaged(false);
        tag->MutableEntries().clear();
        if (tag->KeyLength() != stored.keyLength || !ReadTagEntries(image, mPageSize, stored, tag->MutableEntries()))
            tag->SetDamaged(true);
        else if (stale || !sameDefinition)
            tag->Rebuild(table); // a custom tag: its records keyed afresh
    }
    // Tags this copy has that the file does not (made here, not saved yet).
    for (const auto& tag : mTags)
        if (std::find(read.begin(), read.end(), tag) == read.end())
            tag->Rebuild(table);
    return stale;
}

void IndexFile::Sync(const storage::Table& table)
{
    if (table.IsExclusive() || mRemoved)
        return;
    std::optional<uint32_t> counter = ReadChangeCounter(mPath, kChangedByteOffset);
    if (!counter || *counter == mSeen)
        return;
    // The table is the truth: a file that was not saved clean since the
    // other user's change is rebuilt from it, and then holds changes of its own.
    if (Load(table))
        mChanged = true;
}

void IndexFile::NoteWritten(const storage::Table& table)
{
    // RecordChanged has set the changed byte already; nobody else can be
    // using the table when this open holds it exclusively.
    if (table.IsReadOnly() || table.IsExclusive() || mTags.empty())
        return;
    mSeen = (mSeen + 1) & kChangeCounterMask;
    WriteChangeWord(mPath, kChangedByteOffset, mSeen);
}

std::shared_ptr<Tag> IndexFile::FindTag(const std::string& name) const
{
    for (const auto& tag : mTags)
        if (SameName(tag->Name(), name))
            return tag;
    return nullptr;
}

std::shared_ptr<Tag> IndexFile::AddTag(TagDefinition definition, const storage::Table& table)
{
    IndexChangeLock changing(table);
    Sync(table);
    auto tag = std::make_shared<Tag>(std::move(definition), table);
    tag->Rebuild(table);
    if (tag->IsCandidate())
        RefuseDuplicates(*tag);
    std::vector<std::shared_ptr<Tag>> tags = mTags;
    auto same = std::find_if(tags.begin(), tags.end(), [&](const auto& t) { return SameName(t->Name(), tag->Name()); });
    if (same != tags.end())
        *same = tag;
    else
        tags.push_back(tag);
    SaveTags(std::move(tags), table);
    return tag;
}

void IndexFile::SaveTags(std::vector<std::shared_ptr<Tag>> tags, const storage::Table& table)
{
    // When the save fails, the file and the tags in memory stay as they were.
    std::swap(mTags, tags);
    try {
        Save(table);
    } catch (...) {
        std::swap(mTags, tags);
        throw;
    }
}

void IndexFile::RemoveTag(const std::shared_ptr<Tag>& tag, const storage::Table& table)
{
    IndexChangeLock changing(table);
    Sync(table);
    std::vector<std::shared_ptr<Tag>> tags = mTags;
    tags.erase(std::remove(tags.begin(), tags.end(), tag), tags.end());
    if (tags.empty()) {
        storage::RemoveFile(mPath);
        mTags.clear();
        mRemoved = true;
        return;
    }
    SaveTags(std::move(tags), table);
}

void IndexFile::CheckCandidates(const storage::Table& table, uint32_t recno, const uint8_t* after) const
{
    expr::TableContext context(table);
    for (const auto& tag : mTags) {
        if (!tag->IsCandidate() || tag->IsDamaged())
            continue;
        std::optional<std::string> key = tag->KeyOf(context, after, recno);
        if (!key)
            continue;
        if (uint32_t other = tag->DuplicateOf(*key, recno))
            throw engine::EngineError(AE_DUPLICATE_KEY, "The key of record " + std::to_string(recno)
                                                            + " is already held by record " + std::to_string(other)
                                                            + " in the candidate index " + tag->Name()
                                                            + "; the record was not written.");
    }
}

void IndexFile::RecordChanged(const storage::Table& table, uint32_t recno, const uint8_t* before, const uint8_t* after)
{
    if (mTags.empty())
        return;
    if (!before && recno == mCovered + 1)
        mCovered = recno;
    expr::TableContext context(table);
    if (!table.IsReadOnly())
        MarkChanged();
    for (const auto& tag : mTags) {
        if (tag->IsDamaged())
            continue;
        std::optional<std::string> oldKey;
        std::optional<std::string> newKey;
        if (tag->IsCustom()) {
            // Only the records given to it, keyed without the FOR condition.
            if (!before || !tag->Holds(context, before, recno))
                continue;
            oldKey = tag->KeyOfImage(context, before, recno);
            newKey = tag->KeyOfImage(context, after, recno);
        } else {
            oldKey = before ? tag->KeyOf(context, before, recno) : std::nullopt;
            newKey = tag->KeyOf(context, after, recno);
        }
        if (oldKey == newKey)
            continue;
        if (oldKey)
            tag->Erase(Entry{*oldKey, recno});
        if (newKey)
            tag->Insert(Entry{*newKey, recno});
    }
}

void IndexFile::RebuildAll(const storage::Table& table)
{
    IndexChangeLock changing(table);
    Sync(table);
    for (const auto& tag : mTags)
        tag->Rebuild(table);
    mCovered = table.RecordCount();
    Save(table);
}

void IndexFile::CatchUp(const storage::Table& table)
{
    Sync(table);
    uint32_t count = table.RecordCount();
    if (mTags.empty() || count <= mCovered)
        return;
    std::vector<uint8_t> image(table.RecordLength());
    for (uint32_t recno = mCovered + 1; recno <= count; ++recno) {
        table.ReadRecord(recno, image.data());
        RecordChanged(table, recno, nullptr, image.data());
    }
}

void IndexFile::MarkChanged()
{
    if (mChanged)
        return;
    mChanged = true;
    // One byte, outside the checksummed header: a writer that stops before
    // its next save leaves the mark, and the next open rebuilds from the table.
    // When even that byte cannot be written (a read-only folder), the save
    // will fail too: the file then keeps its old record coverage, which
    // makes its next open rebuild it. The change in memory stands.
    storage::TryWriteByte(mPath, kChangedByteOffset, 1);
}

void IndexFile::SaveIfChanged(const storage::Table& table)
{
    if (!mChanged || mRemoved || table.IsReadOnly())
        return;
    IndexChangeLock changing(table);
    Sync(table);
    Save(table);
}

void IndexFile::Save(const storage::Table& table)
{
    // A read-only open writes no file; a writer of the table saves later,
    // or the next open finds the file short of records and catches up.
    if (table.IsReadOnly())
        return;
    std::string image = WriteIndexImage(mPageSize, mTags, std::min(mCovered, table.RecordCount()));
    uint32_t counter = (mSeen + 1) & kChangeCounterMask;
    PutChangeCounter(image, kChangedByteOffset, counter);
    storage::ReplaceFileWith(mPath, image);
    mSeen = counter;
    mChanged = false;
}

} // namespace indexing

namespace indexing {

void IndexFile::ChangeCustomKey(const storage::Table& table, Tag& tag, uint32_t recno, bool add)
{
    IndexChangeLock changing(table);
    CatchUp(table);
    tag.RequireSound(add ? "AdsAddCustomKey" : "AdsDeleteCustomKey");
    std::vector<uint8_t> image = table.ReadRecord(recno);
    expr::TableContext context(table);
    Entry entry{tag.KeyOfImage(context, image.data(), recno), recno};
    if (add && tag.IsCandidate())
        if (uint32_t other = tag.DuplicateOf(entry.key, recno))
            throw engine::EngineError(AE_DUPLICATE_KEY, "The key of record " + std::to_string(recno)
                                                            + " is already held by record " + std::to_string(other)
                                                            + " in the candidate index " + tag.Name() + ".");
    if (add)
        tag.Insert(std::move(entry));
    else
        tag.Erase(entry);
    // Saved at once: the table cannot tell another process (or a rebuild
    // after a crash) which records a custom tag holds; only the file can.
    Save(table);
}

} // namespace indexing
