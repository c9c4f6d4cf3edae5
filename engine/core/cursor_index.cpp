// The cursor's index orders: navigation by a tag, seeks, key positions, and
// keeping the open index files up to date with every record change.
#include "engine/core/cursor.h"

#include "engine/core/errors.h"
#include "engine/index/change_word.h"
#include "engine/index/fts_index.h"
#include "engine/index/index_file.h"
#include "engine/index/index_order.h"

#include <algorithm>

namespace engine {

namespace {

// Holds the mutexes of several index files, taken in address order so that
// two cursors locking the same files never wait for each other in a circle.
class FileLocks {
public:
    explicit FileLocks(std::vector<std::shared_ptr<indexing::IndexFile>> files) : mFiles(std::move(files))
    {
        std::sort(mFiles.begin(), mFiles.end());
        for (const auto& file : mFiles)
            mLocks.emplace_back(file->Mutex());
    }
    const std::vector<std::shared_ptr<indexing::IndexFile>>& Files() const { return mFiles; }

private:
    std::vector<std::shared_ptr<indexing::IndexFile>> mFiles;
    std::vector<std::unique_lock<std::recursive_mutex>> mLocks;
};

// The table's full-text file (when it has one), locked for one change.
class FullTextLock {
public:
    explicit FullTextLock(const storage::Table& table) : mFile(fts::FtsFile::ForTable(table))
    {
        if (mFile)
            mLock = std::unique_lock<std::recursive_mutex>(mFile->Mutex());
    }
    explicit operator bool() const { return mFile != nullptr; }
    fts::FtsFile* operator->() const { return mFile.get(); }

private:
    std::shared_ptr<fts::FtsFile> mFile;
    std::unique_lock<std::recursive_mutex> mLock;
};

} // namespace

void Cursor::AddOrder(std::shared_ptr<IndexOrder> order)
{
    mOrders.push_back(std::move(order));
}

void Cursor::DropOrders(const indexing::IndexFile* file, const indexing::Tag* tag)
{
    auto dropped = [&](const std::shared_ptr<IndexOrder>& order) {
        return (!file || &order->File() == file) && (!tag || &order->Tag() == tag);
    };
    for (const auto& order : mOrders)
        if (dropped(order)) {
            if (mCallOrder == order.get())
                mCallOrder = nullptr;
            HandleRegistry::Instance().Release(order->Handle());
        }
    mOrders.erase(std::remove_if(mOrders.begin(), mOrders.end(), dropped), mOrders.end());
    mOrderTag = nullptr;
}

std::vector<std::shared_ptr<indexing::IndexFile>> Cursor::IndexFiles() const
{
    if (!mTable)
        return {};
    std::vector<std::shared_ptr<indexing::IndexFile>> files = indexing::IndexFile::OpenFor(mTable->FileName());
    for (const auto& order : mOrders)
        if (std::find(files.begin(), files.end(), order->SharedFile()) == files.end())
            files.push_back(order->SharedFile());
    return files;
}

void Cursor::SaveIndexes()
{
    // A save that fails leaves the file marked as changed; its next open
    // rebuilds it from the table, which is already written.
    FileLocks locks(IndexFiles());
    for (const auto& file : locks.Files()) {
        try {
            file->SaveIfChanged(*mTable);
        } catch (...) {
        }
    }
    try {
        fts::FtsFile::SaveAndForget(*mTable);
    } catch (...) {
    }
}

void Cursor::RebuildIndexes()
{
    FileLocks locks(IndexFiles());
    for (const auto& file : locks.Files())
        file->RebuildAll(*mTable);
    if (FullTextLock words{*mTable})
        words->RebuildAll(*mTable);
    mOrderTag = nullptr;
}

// ---- Keeping the indexes -----------------------------------------------------

void Cursor::ChangeIndexed(uint32_t recno, const uint8_t* candidate, const std::function<void()>& change)
{
    FileLocks locks(IndexFiles());
    FullTextLock words(*mTable);
    if (locks.Files().empty() && !words)
        return change();
    indexing::IndexChangeLock changing(*mTable);
    for (const auto& file : locks.Files())
        file->CatchUp(*mTable);
    if (words)
        words->CatchUp(*mTable);
    std::vector<uint8_t> before = mTable->ReadRecord(recno);
    if (candidate)
        for (const auto& file : locks.Files())
            file->CheckCandidates(*mTable, recno, candidate);
    change();
    std::vector<uint8_t> after = mTable->ReadRecord(recno);
    for (const auto& file : locks.Files()) {
        file->RecordChanged(*mTable, recno, before.data(), after.data());
        file->NoteWritten(*mTable);
    }
    if (words) {
        words->RecordChanged(*mTable, recno, before.data(), after.data());
        words->NoteWritten(*mTable);
    }
    mOrderTag = nullptr;
}

uint32_t Cursor::AppendIndexed(const uint8_t* image)
{
    FileLocks locks(IndexFiles());
    FullTextLock words(*mTable);
    if (locks.Files().empty() && !words)
        return mTable->AppendRecord(image);
    indexing::IndexChangeLock changing(*mTable);
    for (const auto& file : locks.Files())
        file->CatchUp(*mTable);
    if (words)
        words->CatchUp(*mTable);
    uint32_t recno = mTable->AppendRecord(image);
    std::vector<uint8_t> after = mTable->ReadRecord(recno);
    for (const auto& file : locks.Files()) {
        file->RecordChanged(*mTable, recno, nullptr, after.data());
        file->NoteWritten(*mTable);
    }
    if (words) {
        words->RecordChanged(*mTable, recno, nullptr, after.data());
        words->NoteWritten(*mTable);
    }
    return recno;
}

// ---- Navigation by a tag ------------------------------------------------------

std::unique_lock<std::recursive_mutex> Cursor::LockOrder(const char* function) const
{
    std::unique_lock<std::recursive_mutex> lock(mCallOrder->File().Mutex());
    // Another user's reindex may have mended a damaged tag: look first.
    mCallOrder->File().CatchUp(*mTable);
    mCallOrder->Tag().RequireSound(function);
    return lock;
}

bool Cursor::OrderAccepts(EntryIt it, OrderView view) const
{
    const indexing::Tag& tag = mCallOrder->Tag();
    if (tag.IsShadowed(it))
        return false;
    if (view.scopes && !mCallOrder->InScope(it->key))
        return false;
    return !view.filters || IsVisible(it->recno);
}

Cursor::EntryIt Cursor::OrderEnd() const
{
    return mCallOrder->Tag().Entries().end();
}

Cursor::EntryIt Cursor::SeekForward(EntryIt it, OrderView view) const
{
    for (; it != OrderEnd(); ++it) {
        if (view.scopes && mCallOrder->IsAboveBottom(it->key))
            return OrderEnd();
        if (OrderAccepts(it, view))
            return it;
    }
    return OrderEnd();
}

Cursor::EntryIt Cursor::SeekBackward(EntryIt it, OrderView view) const
{
    const auto& entries = mCallOrder->Tag().Entries();
    while (it != entries.begin()) {
        --it;
        if (view.scopes && mCallOrder->IsBelowTop(it->key))
            return OrderEnd();
        if (OrderAccepts(it, view))
            return it;
    }
    return OrderEnd();
}

Cursor::EntryIt Cursor::OrderLowest() const
{
    return mCallOrder->Tag().Entries().lower_bound(indexing::Entry{mCallOrder->LowestKey(), 0});
}

Cursor::EntryIt Cursor::OrderHighest() const
{
    return mCallOrder->Tag().Entries().upper_bound(indexing::Entry{mCallOrder->HighestKey(), UINT32_MAX});
}

Cursor::EntryIt Cursor::CurrentInOrder() const
{
    const indexing::Tag& tag = mCallOrder->Tag();
    std::string key;
    if (mOrderTag == &tag) {
        key = mOrderKey;
    } else {
        expr::TableContext context(*mTable);
        key = tag.KeyOfImage(context, mImage.data(), mRecno);
    }
    return tag.Entries().lower_bound(indexing::Entry{key, mRecno});
}

void Cursor::ArriveInOrder(EntryIt it)
{
    std::string key = it->key;
    Arrive(it->recno);
    mOrderTag = &mCallOrder->Tag();
    mOrderKey = std::move(key);
}

bool Cursor::AnyVisibleInOrder() const
{
    auto lock = LockOrder("navigating an index");
    return SeekForward(OrderLowest()) != OrderEnd();
}

bool Cursor::OrderedTop()
{
    auto lock = LockOrder("AdsGotoTop");
    EntryIt it = SeekForward(OrderLowest());
    if (it == OrderEnd())
        return false;
    ArriveInOrder(it);
    return true;
}

bool Cursor::OrderedBottom()
{
    auto lock = LockOrder("AdsGotoBottom");
    EntryIt it = SeekBackward(OrderHighest());
    if (it == OrderEnd())
        return false;
    ArriveInOrder(it);
    return true;
}

void Cursor::OrderedSkip(int32_t count)
{
    auto lock = LockOrder("AdsSkip");
    const bool forward = count > 0;
    const Position end = forward ? Position::AfterLast : Position::BeforeFirst;
    EntryIt it;
    if (mPosition == Position::OnRecord) {
        EntryIt here = CurrentInOrder();
        bool onEntry = here != OrderEnd() && here->recno == mRecno;
        it = forward ? SeekForward(onEntry ? std::next(here) : here) : SeekBackward(here);
    } else if (mPosition == end) {
        return StandAtEnd(end);
    } else {
        it = forward ? SeekForward(OrderLowest()) : SeekBackward(OrderHighest());
    }
    for (int64_t remaining = forward ? int64_t(count) : -int64_t(count); it != OrderEnd() && --remaining > 0;)
        it = forward ? SeekForward(std::next(it)) : SeekBackward(it);
    if (it == OrderEnd())
        return StandAtEnd(end);
    ArriveInOrder(it);
}

bool Cursor::Seek(const std::string& key, bool soft)
{
    StorePending();
    auto lock = LockOrder("AdsSeek");
    indexing::Tag& tag = mCallOrder->Tag();
    EntryIt it = tag.Entries().lower_bound(indexing::Entry{key, 0});
    if (mCallOrder->IsBelowTop(key))
        it = OrderLowest();
    it = SeekForward(it);
    bool found = it != OrderEnd() && indexing::ComparePrefix(it->key, key) == 0;
    if (found || (soft && it != OrderEnd()))
        ArriveInOrder(it);
    else
        StandAtEnd(Position::AfterLast);
    return found;
}

uint32_t Cursor::CountKeys(bool respectFilters, bool respectScopes) const
{
    auto lock = LockOrder("counting keys");
    OrderView view{respectFilters, respectScopes};
    uint32_t count = 0;
    EntryIt start = respectScopes ? OrderLowest() : mCallOrder->Tag().Entries().begin();
    for (EntryIt it = SeekForward(start, view); it != OrderEnd(); it = SeekForward(std::next(it), view))
        ++count;
    return count;
}

uint32_t Cursor::KeyPosition(bool respectFilters, bool respectScopes) const
{
    RequireRecord("AdsGetKeyNum");
    auto lock = LockOrder("AdsGetKeyNum");
    OrderView view{respectFilters, respectScopes};
    EntryIt here = CurrentInOrder();
    uint32_t position = 0;
    EntryIt start = respectScopes ? OrderLowest() : mCallOrder->Tag().Entries().begin();
    for (EntryIt it = SeekForward(start, view); it != OrderEnd(); it = SeekForward(std::next(it), view)) {
        ++position;
        if (it == here)
            return position;
        if (here != OrderEnd() && *here < *it)
            break;
    }
    // The record is not a key of this order (FOR condition, scope): it
    // stands where its key would go.
    return position;
}

void Cursor::GotoKeyPosition(uint32_t position)
{
    StorePending();
    auto lock = LockOrder("AdsSetRelKeyPos");
    EntryIt last = OrderEnd();
    uint32_t seen = 0;
    for (EntryIt it = SeekForward(OrderLowest()); it != OrderEnd(); it = SeekForward(std::next(it))) {
        last = it;
        if (++seen >= position)
            break;
    }
    if (last == OrderEnd())
        return StandAtEnd(Position::AfterLast);
    ArriveInOrder(last);
}

} // namespace engine
