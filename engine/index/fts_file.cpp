// The table's full-text file: the process-wide registry, the file layout
// (engine/FORMAT.md) and its safe saving.
#include "engine/index/fts_index.h"

#include "engine/core/errors.h"
#include "engine/engine.h"
#include "engine/expr/lexer.h"
#include "engine/index/change_word.h"
#include "engine/storage/file_io.h"
#include "engine/storage/storage_error.h"

#include <xxhash.h>

#include <algorithm>
#include <cstring>

namespace fts {

namespace {

constexpr char kMagic[8] = {'V', 'N', 'L', 'F', 'T', 'S', '1', '\0'};
// Version 2 added the change counter after the changed mark (bytes 13-15);
// version 1 files have zeros there and are read alike.
constexpr uint16_t kVersion = 2;
constexpr size_t kChangedByte = 12;
constexpr size_t kFixedHeader = 24;

struct Registry {
    std::mutex mutex;
    std::map<std::string, std::shared_ptr<FtsFile>> files;
};

Registry& TheRegistry()
{
    static Registry registry;
    return registry;
}

// ---- Little-endian writing and checked reading ----

void Put16(std::string& out, uint16_t v)
{
    out += char(v & 0xFF);
    out += char(v >> 8);
}

void Put32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out += char((v >> (8 * i)) & 0xFF);
}

void Put64(std::string& out, uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        out += char((v >> (8 * i)) & 0xFF);
}

void PutText(std::string& out, const std::string& text)
{
    Put16(out, uint16_t(text.size()));
    out += text;
}

class Reader {
public:
    Reader(const std::string& bytes, size_t from, size_t to) : mBytes(bytes), mPos(from), mEnd(to) {}
    bool Ok() const { return mOk; }
    size_t Pos() const { return mPos; }
    uint64_t Number(size_t size)
    {
        if (!Need(size))
            return 0;
        uint64_t v = 0;
        for (size_t i = 0; i < size; ++i)
            v |= uint64_t(static_cast<unsigned char>(mBytes[mPos + i])) << (8 * i);
        mPos += size;
        return v;
    }
    std::string Text(size_t size)
    {
        if (!Need(size))
            return {};
        std::string text = mBytes.substr(mPos, size);
        mPos += size;
        return text;
    }

private:
    bool Need(size_t size)
    {
        mOk = mOk && mEnd - mPos >= size;
        return mOk;
    }
    const std::string& mBytes;
    size_t mPos;
    size_t mEnd;
    bool mOk = true;
};

uint64_t ChecksumOf(std::string bytes)
{
    // The change word (the mark and the counter) is rewritten in place.
    for (size_t i = kChangedByte; i < kChangedByte + 4 && i < bytes.size(); ++i)
        bytes[i] = 0;
    return XXH64(bytes.data(), bytes.size(), 0);
}

std::string PostingsImage(const FtsIndex& index)
{
    std::string out;
    Put32(out, uint32_t(index.Postings().size()));
    for (const auto& [word, records] : index.Postings()) {
        out += char(uint8_t(word.size()));
        out += word;
        Put32(out, uint32_t(records.size()));
        for (uint32_t recno : records)
            Put32(out, recno);
    }
    Put64(out, XXH64(out.data(), out.size(), 0));
    return out;
}

std::string FileImage(const std::vector<std::shared_ptr<FtsIndex>>& indexes, uint32_t covered)
{
    std::vector<std::string> postings;
    std::string definitions;
    Put16(definitions, uint16_t(indexes.size()));
    for (const auto& index : indexes) {
        const FtsDefinition& d = index->Definition();
        postings.push_back(PostingsImage(*index));
        PutText(definitions, d.name);
        PutText(definitions, d.field);
        Put16(definitions, d.minWordLength);
        Put16(definitions, d.maxWordLength);
        Put32(definitions, d.options);
        Put32(definitions, uint32_t(postings.back().size()));
    }
    std::string out(kMagic, sizeof kMagic);
    Put16(out, kVersion);
    Put16(out, 0);
    Put32(out, 0); // the change word: changed mark and change counter
    Put32(out, covered);
    Put32(out, uint32_t(definitions.size()));
    out += definitions;
    Put64(out, ChecksumOf(out));
    for (const std::string& p : postings)
        out += p;
    return out;
}

bool ReadPostings(const std::string& bytes, size_t from, size_t length, FtsIndex& index)
{
    if (length < 12 || bytes.size() - from < length)
        return false;
    Reader checksum(bytes, from + length - 8, from + length);
    if (XXH64(bytes.data() + from, length - 8, 0) != checksum.Number(8))
        return false;
    Reader r(bytes, from, from + length - 8);
    auto& postings = index.MutablePostings();
    for (uint32_t words = uint32_t(r.Number(4)); r.Ok() && words > 0; --words) {
        std::string word = r.Text(size_t(r.Number(1)));
        RecordSet& records = postings[word];
        for (uint32_t n = uint32_t(r.Number(4)); r.Ok() && n > 0; --n)
            records.insert(records.end(), uint32_t(r.Number(4)));
    }
    return r.Ok() && r.Pos() == from + length - 8;
}

[[noreturn]] void Damaged(const std::string& path, const std::string& what)
{
    throw engine::EngineError(AE_INDEX_DAMAGED, "The full-text index file " + path + " is damaged: " + what + ".");
}

std::string WithoutExtension(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash) ? path.substr(0, dot) : path;
}

} // namespace

std::string FtsFile::PathFor(const storage::Table& table)
{
    return WithoutExtension(table.FileName()) + ".fts";
}

FtsFile::FtsFile(std::string path, std::string tableFile) : mPath(std::move(path)), mTableFile(std::move(tableFile)) {}

std::shared_ptr<FtsFile> FtsFile::ForTable(const storage::Table& table, bool create)
{
    const std::string path = PathFor(table);
    Registry& registry = TheRegistry();
    std::shared_ptr<FtsFile> file;
    {
        std::lock_guard<std::mutex> lock(registry.mutex);
        auto it = registry.files.find(path);
        // A file removed behind the process's back (or with its last index)
        // is forgotten; one that exists again is read afresh.
        bool exists = storage::FileExists(path);
        if (it != registry.files.end() && (it->second->mRemoved || (!exists && !it->second->mChanged)))
            registry.files.erase(it), it = registry.files.end();
        if (it != registry.files.end()) {
            file = it->second;
        } else {
            if (!exists && !create)
                return nullptr;
            file.reset(new FtsFile(path, table.FileName()));
            if (exists && file->Load(table) && !table.IsReadOnly()) {
                indexing::IndexChangeLock changing(table);
                file->Sync(table);
                file->Save(table);
            } else if (!exists)
                file->mCovered = table.RecordCount();
            registry.files[path] = file;
        }
    }
    std::lock_guard<std::recursive_mutex> lock(file->Mutex());
    file->CatchUp(table);
    return file;
}

void FtsFile::SaveAndForget(const storage::Table& table)
{
    Registry& registry = TheRegistry();
    std::shared_ptr<FtsFile> file;
    {
        std::lock_guard<std::mutex> lock(registry.mutex);
        auto it = registry.files.find(PathFor(table));
        if (it == registry.files.end())
            return;
        file = it->second;
    }
    std::lock_guard<std::recursive_mutex> fileLock(file->Mutex());
    file->SaveIfChanged(table);
    std::lock_guard<std::mutex> lock(registry.mutex);
    auto it = registry.files.find(file->mPath);
    if (it != registry.files.end() && it->second == file && !file->mChanged)
        registry.files.erase(it);
}

namespace {

using StoredDefinitions = std::vector<std::pair<FtsDefinition, size_t>>;

std::string WholeFile(const std::string& path)
{
    storage::File in = storage::File::Open(path, false);
    std::string bytes(size_t(in.Size()), '\0');
    in.ReadAt(0, bytes.data(), bytes.size(), "full-text index");
    return bytes;
}

// The definitions at `from` up to `end`, and whether they read cleanly.
bool ParseDefinitions(const std::string& bytes, size_t from, size_t end, StoredDefinitions& definitions)
{
    Reader r(bytes, from, end);
    for (uint16_t n = uint16_t(r.Number(2)); r.Ok() && n > 0; --n) {
        FtsDefinition d;
        d.name = r.Text(size_t(r.Number(2)));
        d.field = r.Text(size_t(r.Number(2)));
        d.minWordLength = uint16_t(r.Number(2));
        d.maxWordLength = uint16_t(r.Number(2));
        d.options = uint32_t(r.Number(4));
        definitions.emplace_back(std::move(d), size_t(r.Number(4)));
    }
    return r.Ok();
}

} // namespace

bool FtsFile::Load(const storage::Table& table)
{
    mIndexes.clear();
    mDamage.clear();
    const std::string bytes = WholeFile(mPath);
    try {
        return LoadImage(bytes, table);
    } catch (const engine::EngineError& error) {
        if (error.Code() != AE_INDEX_DAMAGED)
            throw;
        // The definitions are not to be trusted: the file answers nothing
        // and takes no changes (the table is written all the same), until a
        // reindex makes it again from the table.
        mIndexes.clear();
        mDamage = error.what();
        mSeen = bytes.size() >= kChangedByte + 4 ? indexing::ChangeCounterOf(bytes, kChangedByte) : 0;
        return false;
    }
}

void FtsFile::Sync(const storage::Table& table)
{
    if (table.IsExclusive() || mRemoved)
        return;
    std::optional<uint32_t> counter = indexing::ReadChangeCounter(mPath, kChangedByte);
    if (!counter || *counter == mSeen)
        return;
    // Another user changed the table and this file since this copy last
    // looked: read it again (rebuilt from the table when not saved clean).
    if (Load(table))
        mChanged = true;
}

void FtsFile::NoteWritten(const storage::Table& table)
{
    if (table.IsReadOnly() || table.IsExclusive() || mIndexes.empty() || !mDamage.empty())
        return;
    mSeen = (mSeen + 1) & indexing::kChangeCounterMask;
    indexing::WriteChangeWord(mPath, kChangedByte, mSeen);
}

bool FtsFile::LoadImage(const std::string& bytes, const storage::Table& table)
{
    if (bytes.size() < kFixedHeader + 10 || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0)
        Damaged(mPath, "it does not begin like a full-text index file");
    Reader fixed(bytes, 8, kFixedHeader);
    uint16_t version = uint16_t(fixed.Number(2));
    fixed.Number(2);
    bool changed = (fixed.Number(4) & 0xFF) != 0;
    uint32_t covered = uint32_t(fixed.Number(4));
    size_t definitionsLength = size_t(fixed.Number(4));
    if (version != kVersion && version != 1)
        Damaged(mPath, "version " + std::to_string(version) + " is unknown");
    if (bytes.size() - kFixedHeader < definitionsLength + 8)
        Damaged(mPath, "the index definitions are cut short");
    size_t headerEnd = kFixedHeader + definitionsLength;
    if (ChecksumOf(bytes.substr(0, headerEnd)) != Reader(bytes, headerEnd, headerEnd + 8).Number(8))
        Damaged(mPath, "the index definitions fail their checksum");
    StoredDefinitions definitions;
    if (!ParseDefinitions(bytes, kFixedHeader, headerEnd, definitions))
        Damaged(mPath, "the index definitions are malformed");
    const bool stale = changed || covered != table.RecordCount();
    mSeen = indexing::ChangeCounterOf(bytes, kChangedByte);
    size_t at = headerEnd + 8;
    for (auto& [definition, length] : definitions) {
        auto index = std::make_shared<FtsIndex>(definition, table);
        if (stale)
            index->Rebuild(table);
        else if (!ReadPostings(bytes, at, length, *index))
            index->SetDamaged(true);
        at += length;
        mIndexes.push_back(std::move(index));
    }
    mCovered = table.RecordCount();
    return stale;
}

void FtsFile::RequireSound(const char* function) const
{
    if (!mDamage.empty())
        throw engine::EngineError(AE_INDEX_DAMAGED, std::string(function) + ": " + mDamage
                                                        + " AdsReindex makes it again from the table.");
}

std::vector<std::shared_ptr<FtsIndex>> FtsFile::SalvagedIndexes(const storage::Table& table) const
{
    std::string bytes;
    try {
        bytes = WholeFile(mPath);
    } catch (const storage::StorageError&) {
        return {};
    }
    // Only the magic is required: the definitions are read as far as they
    // make sense, and each must still name a text column of the table.
    if (bytes.size() < kFixedHeader + 2 || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0)
        return {};
    size_t end = std::min(bytes.size(), kFixedHeader + size_t(Reader(bytes, 20, 24).Number(4)));
    StoredDefinitions definitions;
    if (!ParseDefinitions(bytes, kFixedHeader, end, definitions) || definitions.empty())
        return {};
    std::vector<std::shared_ptr<FtsIndex>> indexes;
    try {
        for (auto& stored : definitions)
            indexes.push_back(std::make_shared<FtsIndex>(stored.first, table));
    } catch (const engine::EngineError&) {
        return {};
    }
    return indexes;
}

void FtsFile::RemakeDamaged(const storage::Table& table)
{
    std::vector<std::shared_ptr<FtsIndex>> indexes = SalvagedIndexes(table);
    if (indexes.empty()) {
        // Nothing to make the indexes from: the file goes aside, kept for
        // whoever wants to look at it, and the table has no full-text
        // indexes until they are created again.
        std::string aside = mPath + ".damaged";
        storage::RenameFile(mPath, aside);
        mRemoved = true;
        throw engine::EngineError(AE_INDEX_DAMAGED, mDamage + " Its index definitions cannot be recovered: it was "
                                                        "moved to " + aside
                                                        + "; create the full-text indexes again.");
    }
    mIndexes = std::move(indexes);
    mDamage.clear();
}

std::shared_ptr<FtsIndex> FtsFile::Find(const std::string& name) const
{
    for (const auto& index : mIndexes)
        if (expr::UpperAscii(index->Name()) == expr::UpperAscii(name))
            return index;
    return nullptr;
}

std::shared_ptr<FtsIndex> FtsFile::OnField(const std::string& field) const
{
    for (const auto& index : mIndexes)
        if (!index->IsDamaged() && expr::UpperAscii(index->Definition().field) == expr::UpperAscii(field))
            return index;
    return nullptr;
}

std::shared_ptr<FtsIndex> FtsFile::Add(FtsDefinition definition, const storage::Table& table)
{
    indexing::IndexChangeLock changing(table);
    Sync(table);
    RequireSound("AdsCreateFTSIndex");
    auto index = std::make_shared<FtsIndex>(std::move(definition), table);
    index->Rebuild(table);
    std::vector<std::shared_ptr<FtsIndex>> indexes = mIndexes;
    auto same = std::find_if(indexes.begin(), indexes.end(), [&](const auto& other) {
        return expr::UpperAscii(other->Name()) == expr::UpperAscii(index->Name());
    });
    if (same != indexes.end())
        *same = index;
    else
        indexes.push_back(index);
    mCovered = table.RecordCount();
    SaveIndexes(std::move(indexes), table);
    return index;
}

void FtsFile::Remove(const std::shared_ptr<FtsIndex>& index, const storage::Table& table)
{
    indexing::IndexChangeLock changing(table);
    const std::string name = expr::UpperAscii(index->Name());
    Sync(table); // may read the indexes afresh: they go by name
    std::vector<std::shared_ptr<FtsIndex>> indexes = mIndexes;
    indexes.erase(std::remove_if(indexes.begin(), indexes.end(),
                                 [&](const auto& other) { return expr::UpperAscii(other->Name()) == name; }),
                  indexes.end());
    if (indexes.empty()) {
        storage::RemoveFile(mPath);
        mIndexes.clear();
        mRemoved = true;
        return;
    }
    SaveIndexes(std::move(indexes), table);
}

void FtsFile::SaveIndexes(std::vector<std::shared_ptr<FtsIndex>> indexes, const storage::Table& table)
{
    // When the save fails, the file and the indexes in memory stay as they were.
    std::swap(mIndexes, indexes);
    try {
        Save(table);
    } catch (...) {
        std::swap(mIndexes, indexes);
        throw;
    }
}

void FtsFile::RecordChanged(const storage::Table& table, uint32_t recno, const uint8_t* before, const uint8_t* after)
{
    if (mIndexes.empty())
        return;
    if (!before && recno == mCovered + 1)
        mCovered = recno;
    if (!table.IsReadOnly())
        MarkChanged();
    for (const auto& index : mIndexes)
        if (!index->IsDamaged())
            index->RecordChanged(table, recno, before, after);
}

void FtsFile::CatchUp(const storage::Table& table)
{
    Sync(table);
    uint32_t count = table.RecordCount();
    if (count < mCovered) {
        // Fewer records than known: the table was packed or zapped elsewhere.
        // Saved later, under the index lock, like any change.
        for (const auto& index : mIndexes)
            index->Rebuild(table);
        mCovered = count;
        if (!table.IsReadOnly() && !mIndexes.empty())
            MarkChanged();
        return;
    }
    std::vector<uint8_t> image(table.RecordLength());
    for (uint32_t recno = mCovered + 1; recno <= count; ++recno) {
        table.ReadRecord(recno, image.data());
        RecordChanged(table, recno, nullptr, image.data());
    }
    mCovered = count;
}

void FtsFile::RebuildAll(const storage::Table& table)
{
    indexing::IndexChangeLock changing(table);
    Sync(table);
    if (!mDamage.empty() && !table.IsReadOnly())
        RemakeDamaged(table);
    for (const auto& index : mIndexes)
        index->Rebuild(table);
    mCovered = table.RecordCount();
    Save(table);
}

void FtsFile::MarkChanged()
{
    if (mChanged)
        return;
    mChanged = true;
    // One byte outside the checksums: a writer that stops before saving
    // leaves it set, and the next open rebuilds from the table.
    storage::TryWriteByte(mPath, kChangedByte, 1);
}

void FtsFile::SaveIfChanged(const storage::Table& table)
{
    if (!mChanged || mRemoved || table.IsReadOnly())
        return;
    indexing::IndexChangeLock changing(table);
    Sync(table);
    Save(table);
}

void FtsFile::Save(const storage::Table& table)
{
    // A damaged file is never overwritten with the nothing this copy knows.
    if (table.IsReadOnly() || mRemoved || !mDamage.empty())
        return;
    std::string image = FileImage(mIndexes, std::min(mCovered, table.RecordCount()));
    uint32_t counter = (mSeen + 1) & indexing::kChangeCounterMask;
    indexing::PutChangeCounter(image, kChangedByte, counter);
    storage::ReplaceFileWith(mPath, image);
    mSeen = counter;
    mChanged = false;
}

} // namespace fts
