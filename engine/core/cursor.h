// A cursor: one open table (or, later, a query result) with a current
// position, a pending edit and the per-cursor settings.
//
// Position invariants:
// - The cursor is on a record (RecordNumber() in 1..count), before the first
//   visible record (AtBOF) or after the last (AtEOF). At either end there is
//   no current record and RecordNumber() is 0.
// - AtBOF and AtEOF are both true exactly when the end was reached on a
//   table with no visible record.
// - Visible means not deleted, or deleted while deleted records are shown
//   (ShowDeleted, process-wide), and passing the record filters that are
//   set (Filters()). GotoRecord may stand on an invisible record.
// - After GotoBOF, Skip(1) lands on the first visible record; after GotoEOF,
//   Skip(-1) on the last; skipping past either end stops there.
//
// Edit invariants:
// - The current record's image is read when the cursor arrives on it (and on
//   Refresh). Field writes change a pending copy; WriteRecord stores it. Any
//   move, refresh or close stores a pending edit first, so no change is lost;
//   when that store fails the move does not happen and the edit stays.
// - Every store takes the record lock for the time of the write unless the
//   cursor already holds it or the table lock, so a record another user has
//   locked is never overwritten.
// - AppendRecord adds a blank record at once (so its number and
//   autoincrement value are known) and stands on it with a pending edit;
//   cancelling before the first store marks that record deleted.
//
// Order invariants:
// - A cursor may hold index orders (IndexOrder handles, one per tag of each
//   index file it opened). A call made through an index handle runs with
//   that order as the call's order (UseOrder); navigation, counting, key
//   positions and seeks then go by the tag's entries, skipping shadowed
//   entries of a unique tag, entries outside the order's scopes and, as in
//   record order, invisible records. The position itself is still the
//   record: switching orders keeps the current record.
// - Every change of a record (append, write, delete, recall, the cancel of
//   an append) writes the table first and then brings every tag of every
//   open index file up to date, under the files' mutexes. A write that
//   would give a candidate tag a second record with one key is refused
//   before anything is written. Pack and Zap rebuild the indexes.
//
// A cursor is used under its Mutex(): every exported function holds it for
// the whole call.
#pragma once

#include "engine/core/cursor_filter.h"
#include "engine/core/handles.h"
#include "engine/core/transaction.h"
#include "engine/index/index_tag.h"
#include "engine/storage/table.h"

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace indexing {
class IndexFile;
} // namespace indexing

namespace engine {

class IndexOrder;

// What ordered navigation honours: record visibility (deleted records
// hidden) and the order's scopes.
struct OrderView {
    bool filters = true;
    bool scopes = true;
};

bool ShowDeleted();
void SetShowDeleted(bool shown);

class Cursor : public HandleObject {
public:
    static constexpr HandleKind kPrimaryKind = HandleKind::Table;
    static bool Accepts(HandleKind kind) { return kind == HandleKind::Table || kind == HandleKind::Cursor; }
    HandleKind Kind() const override { return mKind; }

    Cursor(HandleKind kind, std::unique_ptr<storage::Table> table, ADSHANDLE connection);
    ~Cursor() override;

    std::mutex& Mutex() { return mMutex; }
    storage::Table& Table();
    const storage::RecordLayout& Layout() const { return mTable->Layout(); }
    ADSHANDLE ConnectionHandle() const { return mConnection; }
    // The table's file name without its folder, for messages.
    std::string TableName() const;

    // Navigation.
    void GotoTop();
    void GotoBottom();
    void GotoBOF();
    void GotoEOF();
    void Skip(int32_t count);
    // Raises AE_INVALID_RECORD_NUMBER (and stands at the end) for a number
    // that is not a record.
    void GotoRecord(uint32_t recno);
    bool AtBOF() const { return mBof; }
    bool AtEOF() const { return mEof; }
    bool HasCurrentRecord() const { return mPosition == Position::OnRecord; }
    uint32_t RecordNumber() const { return HasCurrentRecord() ? mRecno : 0; }
    bool IsCurrentVisible();
    // Counts records; respectFilters hides deleted records when they are not shown.
    uint32_t CountRecords(bool respectFilters) const;
    // 1-based position of the current record among the visible ones.
    uint32_t VisiblePosition() const;

    // The current record's image (with the pending edit); AE_NO_CURRENT_RECORD
    // at either end.
    const uint8_t* CurrentImage() const;
    // The pending copy, started from the current image when needed. In a
    // call through an index handle: the image of that index's key builder.
    uint8_t* EditImage(const char* function);
    bool HasPendingEdit() const { return mPending; }
    void Refresh();

    // Editing.
    void WriteRecord();
    void CancelUpdate();
    void AppendRecord();
    void DeleteRecord();
    void RecallRecord();

    // Transaction undo (cursor_tx.cpp), under Mutex(). BeforeImage reads a
    // record as the journal keeps it; RestoreBeforeImage writes it back and
    // UndoAppend marks an appended record deleted, both through the indexed
    // write path so that every open index follows.
    RecordBeforeImage BeforeImage(uint32_t recno) const;
    void RestoreBeforeImage(uint32_t recno, const RecordBeforeImage& before);
    void UndoAppend(uint32_t recno);
    // Forgets a pending edit without storing it (a rolled-back transaction).
    void DropPendingEdit();
    void ReleaseRecordLock(uint32_t recno);

    // Field resolution: a 1-based number (cast into the pointer) or a name.
    size_t FieldIndex(const char* field, const char* function) const;

    // Collected chunks of an AdsSetBinary value, per field.
    std::vector<uint8_t>& BinaryChunks(size_t field) { return mBinaryChunks[field]; }
    void DropBinaryChunks(size_t field) { mBinaryChunks.erase(field); }

    bool ExactComparison() const { return mExact; }
    // The plain and optimized record filters (cursor_filter.h).
    CursorFilters& Filters() { return mFilters; }
    void SetExactComparison(bool exact) { mExact = exact; }
    void SetCacheSize(uint16_t records) { mCacheSize = records; }

    // Index orders (cursor_index.cpp).
    void UseOrder(IndexOrder* order) { mCallOrder = order; }
    IndexOrder* CallOrder() const { return mCallOrder; }
    const std::vector<std::shared_ptr<IndexOrder>>& Orders() const { return mOrders; }
    void AddOrder(std::shared_ptr<IndexOrder> order);
    // Forgets the orders of `file` (all when null) and releases their
    // handles; with `tag`, only the order of that tag.
    void DropOrders(const indexing::IndexFile* file, const indexing::Tag* tag = nullptr);
    std::vector<std::shared_ptr<indexing::IndexFile>> IndexFiles() const;
    // Writes index files holding unsaved changes.
    void SaveIndexes();
    // Rebuilds every open index from the table (pack, zap, reindex).
    void RebuildIndexes();
    // Seeks `key` (possibly partial) in the call's order; true when a key
    // starts with it. Soft: without a match the cursor goes to the next
    // greater key; exact: to the end.
    bool Seek(const std::string& key, bool soft);
    // 1-based position of the current record in the call's order.
    uint32_t KeyPosition(bool respectFilters, bool respectScopes) const;
    uint32_t CountKeys(bool respectFilters, bool respectScopes) const;
    // Goes to the key at 1-based `position` of the call's order (the last
    // one when past the end).
    void GotoKeyPosition(uint32_t position);

    // Stores a pending edit and closes the table, under Mutex() (do not hold
    // it when calling). The pending store failing leaves the cursor open and
    // raises.
    void Close() override;
    bool IsClosed() const { return mTable == nullptr; }

private:
    enum class Position { BeforeFirst, OnRecord, AfterLast };

    bool IsVisible(uint32_t recno) const;
    // The nearest visible record from `from` going in `step` (+1/-1), or 0.
    uint32_t NextVisible(int64_t from, int step) const;
    bool AnyVisible() const;
    void Arrive(uint32_t recno);
    void StandAtEnd(Position end);
    void StorePending();
    template <class Write>
    void WriteLocked(uint32_t recno, Write write);
    void RequireRecord(const char* function) const;
    void RequireWritable(const char* function) const;

    // Ordered navigation (cursor_index.cpp).
    using EntryIt = indexing::EntrySet::const_iterator;
    // Holds the order's file for an ordered operation, after checking the
    // tag is sound and bringing it up to the table's last record.
    std::unique_lock<std::recursive_mutex> LockOrder(const char* function) const;
    bool OrderAccepts(EntryIt it, OrderView view) const;
    EntryIt SeekForward(EntryIt it, OrderView view = {}) const;
    EntryIt SeekBackward(EntryIt it, OrderView view = {}) const;
    EntryIt OrderEnd() const;
    EntryIt OrderLowest() const;
    EntryIt OrderHighest() const;
    EntryIt CurrentInOrder() const;
    void ArriveInOrder(EntryIt it);
    bool OrderedTop();
    bool OrderedBottom();
    void OrderedSkip(int32_t count);
    bool AnyVisibleInOrder() const;
    // Applies `change` to record `recno` and keeps the indexes with it;
    // `candidate` is the image to check candidate keys against (or null).
    void ChangeIndexed(uint32_t recno, const uint8_t* candidate, const std::function<void()>& change);
    uint32_t AppendIndexed(const uint8_t* image);

    HandleKind mKind;
    std::unique_ptr<storage::Table> mTable;
    ADSHANDLE mConnection;
    std::mutex mMutex;

    Position mPosition = Position::BeforeFirst;
    uint32_t mRecno = 0;
    bool mBof = true;
    bool mEof = false;
    std::vector<uint8_t> mImage;
    std::vector<uint8_t> mEdit;
    bool mPending = false;
    bool mAppendedUnwritten = false;
    std::map<size_t, std::vector<uint8_t>> mBinaryChunks;
    bool mExact = false;
    uint16_t mCacheSize = 0;
    CursorFilters mFilters;

    std::vector<std::shared_ptr<IndexOrder>> mOrders;
    IndexOrder* mCallOrder = nullptr;
    // The entry the cursor last arrived at in an order, so that the next skip
    // need not compute the record's key again; empty after any other move.
    const indexing::Tag* mOrderTag = nullptr;
    std::string mOrderKey;
};

} // namespace engine
