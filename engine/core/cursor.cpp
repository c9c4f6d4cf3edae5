#include "engine/core/cursor.h"

#include "engine/core/errors.h"
#include "engine/index/index_order.h"
#include "engine/engine.h"

#include <atomic>
#include <cstdint>

namespace engine {

namespace {

std::atomic<bool> gShowDeleted{true};

} // namespace

bool ShowDeleted()
{
    return gShowDeleted.load();
}

void SetShowDeleted(bool shown)
{
    gShowDeleted.store(shown);
}

Cursor::Cursor(HandleKind kind, std::unique_ptr<storage::Table> table, ADSHANDLE connection)
    : mKind(kind), mTable(std::move(table)), mConnection(connection)
{
    StandAtEnd(Position::BeforeFirst);
}

Cursor::~Cursor()
{
    // Close() normally ran when the handle was released; this only makes
    // sure the files and locks go with the object in any case. A destructor
    // must not throw, and there is nobody left to tell.
    if (mTable) {
        try {
            mTable->Close();
        } catch (...) {
        }
    }
}

storage::Table& Cursor::Table()
{
    if (!mTable)
        throw EngineError(AE_INVALID_HANDLE, "The table of handle " + std::to_string(Handle()) + " is closed.");
    return *mTable;
}

std::string Cursor::TableName() const
{
    if (!mTable)
        return "(closed table)";
    const std::string& file = mTable->FileName();
    size_t slash = file.find_last_of('/');
    return slash == std::string::npos ? file : file.substr(slash + 1);
}

// ---- Navigation ------------------------------------------------------------

bool Cursor::IsVisible(uint32_t recno) const
{
    return (ShowDeleted() || !mTable->IsRecordDeleted(recno)) && mFilters.Accepts(*mTable, recno);
}

uint32_t Cursor::NextVisible(int64_t from, int step) const
{
    int64_t count = mTable->RecordCount();
    for (int64_t recno = from; recno >= 1 && recno <= count; recno += step)
        if (IsVisible(static_cast<uint32_t>(recno)))
            return static_cast<uint32_t>(recno);
    return 0;
}

bool Cursor::AnyVisible() const
{
    return NextVisible(1, +1) != 0;
}

void Cursor::Arrive(uint32_t recno)
{
    mOrderTag = nullptr;
    mImage = mTable->ReadRecord(recno);
    mPosition = Position::OnRecord;
    mRecno = recno;
    mBof = mEof = false;
}

void Cursor::StandAtEnd(Position end)
{
    bool empty = mCallOrder ? !AnyVisibleInOrder() : !AnyVisible();
    mOrderTag = nullptr;
    mPosition = end;
    mRecno = 0;
    mImage.clear();
    mBof = end == Position::BeforeFirst || empty;
    mEof = end == Position::AfterLast || empty;
}

void Cursor::GotoTop()
{
    StorePending();
    mFilters.CatchUp();
    if (mCallOrder) {
        if (!OrderedTop())
            StandAtEnd(Position::AfterLast);
        return;
    }
    uint32_t first = NextVisible(1, +1);
    first ? Arrive(first) : StandAtEnd(Position::AfterLast);
}

void Cursor::GotoBottom()
{
    StorePending();
    mFilters.CatchUp();
    if (mCallOrder) {
        if (!OrderedBottom())
            StandAtEnd(Position::BeforeFirst);
        return;
    }
    uint32_t last = NextVisible(Table().RecordCount(), -1);
    last ? Arrive(last) : StandAtEnd(Position::BeforeFirst);
}

void Cursor::GotoBOF()
{
    StorePending();
    StandAtEnd(Position::BeforeFirst);
}

void Cursor::GotoEOF()
{
    StorePending();
    StandAtEnd(Position::AfterLast);
}

void Cursor::Skip(int32_t count)
{
    StorePending();
    if (count == 0) {
        if (HasCurrentRecord())
            Arrive(mRecno);
        return;
    }
    if (mCallOrder)
        return OrderedSkip(count);
    int step = count > 0 ? +1 : -1;
    Position end = step > 0 ? Position::AfterLast : Position::BeforeFirst;
    int64_t recno;
    if (mPosition == Position::OnRecord)
        recno = int64_t(mRecno) + step;
    else if (mPosition == end)
        return StandAtEnd(end); // already past this end
    else
        recno = step > 0 ? 1 : int64_t(Table().RecordCount());
    for (int64_t remaining = count > 0 ? int64_t(count) : -int64_t(count);;) {
        uint32_t found = NextVisible(recno, step);
        if (found == 0)
            return StandAtEnd(end);
        if (--remaining == 0)
            return Arrive(found);
        recno = int64_t(found) + step;
    }
}

void Cursor::GotoRecord(uint32_t recno)
{
    StorePending();
    uint32_t count = Table().RecordCount();
    if (recno == 0 || recno > count) {
        StandAtEnd(Position::AfterLast);
        throw EngineError(AE_INVALID_RECORD_NUMBER, "Record " + std::to_string(recno) + " does not exist in "
                                                        + TableName() + ", which has " + std::to_string(count)
                                                        + " records.");
    }
    Arrive(recno);
}

bool Cursor::IsCurrentVisible()
{
    RequireRecord("AdsIsRecordVisible");
    bool visible = (ShowDeleted() || !storage::RecordLayout::IsDeleted(CurrentImage()))
        && mFilters.AcceptsImage(mRecno, CurrentImage());
    if (visible && mCallOrder) {
        auto lock = LockOrder("AdsIsRecordVisible");
        EntryIt it = CurrentInOrder();
        visible = it != OrderEnd() && it->recno == mRecno && OrderAccepts(it, {});
    }
    return visible;
}

uint32_t Cursor::CountRecords(bool respectFilters) const
{
    uint32_t count = mTable->RecordCount();
    if (!respectFilters || (ShowDeleted() && !mFilters.Active()))
        return count;
    uint32_t visible = 0;
    for (uint32_t recno = 1; recno <= count; ++recno)
        visible += IsVisible(recno) ? 1 : 0;
    return visible;
}

uint32_t Cursor::VisiblePosition() const
{
    RequireRecord("AdsGetKeyNum");
    uint32_t position = 0;
    for (uint32_t recno = 1; recno <= mRecno; ++recno)
        position += IsVisible(recno) ? 1 : 0;
    return position;
}

// ---- Records and edits -------------------------------------------------------

void Cursor::RequireRecord(const char* function) const
{
    if (!mTable)
        throw EngineError(AE_INVALID_HANDLE, std::string(function) + ": the table is closed.");
    if (mPosition != Position::OnRecord)
        throw EngineError(AE_NO_CURRENT_RECORD, std::string(function) + ": there is no current record in "
                                                    + TableName() + " (the cursor is at "
                                                    + (mPosition == Position::AfterLast ? "the end" : "the start")
                                                    + ").");
}

void Cursor::RequireWritable(const char* function) const
{
    if (mTable->IsReadOnly())
        throw EngineError(AE_TABLE_READ_ONLY, std::string(function) + ": " + TableName()
                                                  + " is open read-only and cannot be changed.");
}

const uint8_t* Cursor::CurrentImage() const
{
    RequireRecord("reading the current record");
    return mPending ? mEdit.data() : mImage.data();
}

uint8_t* Cursor::EditImage(const char* function)
{
    // Field setters called through an index handle build that index's key.
    if (mCallOrder)
        return mCallOrder->KeyImageForWrite(Layout());
    RequireRecord(function);
    RequireWritable(function);
    if (!mPending) {
        mEdit = mImage;
        mPending = true;
    }
    return mEdit.data();
}

void Cursor::Refresh()
{
    RequireRecord("AdsRefreshRecord");
    StorePending();
    Arrive(mRecno);
}

template <class Write>
void Cursor::WriteLocked(uint32_t recno, Write write)
{
    storage::Table& table = Table();
    bool lockHere = !table.IsExclusive() && !table.IsReadOnly() && !table.IsTableLocked()
        && !table.IsRecordLocked(recno);
    if (lockHere)
        table.LockRecord(recno);
    // Inside a transaction the lock outlives the write: the journal may put
    // the old image back, so nobody else may change the record meanwhile.
    bool keepLock = false;
    try {
        keepLock = JournalChange(*this, recno) && lockHere;
        if (keepLock)
            KeepLockUntilEnd(*this, recno);
        write(table);
    } catch (...) {
        if (lockHere && !keepLock)
            table.UnlockRecord(recno);
        throw;
    }
    if (lockHere && !keepLock)
        table.UnlockRecord(recno);
}

void Cursor::StorePending()
{
    if (!mPending)
        return;
    WriteLocked(mRecno, [&](storage::Table& table) {
        ChangeIndexed(mRecno, mEdit.data(), [&] { table.WriteRecord(mRecno, mEdit.data()); });
    });
    mPending = false;
    mAppendedUnwritten = false;
    mEdit.clear();
    mBinaryChunks.clear();
    // Re-read: the table fills in what it maintains (modification times).
    mImage = mTable->ReadRecord(mRecno);
}

void Cursor::WriteRecord()
{
    StorePending();
}

void Cursor::CancelUpdate()
{
    RequireRecord("AdsCancelUpdate");
    if (!mPending)
        throw EngineError(AE_NO_PENDING_UPDATE, "AdsCancelUpdate: there is no pending change on record "
                                                    + std::to_string(mRecno) + " of " + TableName() + ".");
    bool dropAppended = mAppendedUnwritten;
    mPending = false;
    mAppendedUnwritten = false;
    mEdit.clear();
    mBinaryChunks.clear();
    if (dropAppended)
        WriteLocked(mRecno, [&](storage::Table& table) {
            ChangeIndexed(mRecno, nullptr, [&] { table.DeleteRecord(mRecno); });
        });
    Arrive(mRecno);
}

void Cursor::AppendRecord()
{
    RequireWritable("AdsAppendRecord");
    StorePending();
    std::vector<uint8_t> blank = Layout().BlankRecord();
    uint32_t recno = AppendIndexed(blank.data());
    if (JournalAppend(*this, recno) && !mTable->IsExclusive() && !mTable->IsTableLocked()) {
        mTable->LockRecord(recno);
        KeepLockUntilEnd(*this, recno);
    }
    Arrive(recno);
    mEdit = mImage;
    mPending = true;
    mAppendedUnwritten = true;
}

void Cursor::DeleteRecord()
{
    RequireRecord("AdsDeleteRecord");
    RequireWritable("AdsDeleteRecord");
    StorePending();
    WriteLocked(mRecno, [&](storage::Table& table) {
        ChangeIndexed(mRecno, nullptr, [&] { table.DeleteRecord(mRecno); });
    });
    Arrive(mRecno);
}

void Cursor::RecallRecord()
{
    RequireRecord("AdsRecallRecord");
    RequireWritable("AdsRecallRecord");
    StorePending();
    WriteLocked(mRecno, [&](storage::Table& table) {
        ChangeIndexed(mRecno, nullptr, [&] { table.RecallRecord(mRecno); });
    });
    Arrive(mRecno);
}

size_t Cursor::FieldIndex(const char* field, const char* function) const
{
    RequireArgument(field != nullptr, function, "the column is null");
    const auto& fields = mTable->Fields();
    uintptr_t number = reinterpret_cast<uintptr_t>(field);
    if (number <= ADS_MAX_FIELD_NUMBER) {
        if (number > fields.size())
            throw EngineError(AE_FIELD_NOT_FOUND_API, std::string(function) + ": column " + std::to_string(number)
                                                          + " does not exist in " + TableName() + ", which has "
                                                          + std::to_string(fields.size()) + " columns.");
        return number - 1;
    }
    int index = mTable->Layout().FieldIndex(field);
    if (index < 0)
        throw EngineError(AE_FIELD_NOT_FOUND_API, std::string(function) + ": there is no column " + field + " in "
                                                      + TableName() + ".");
    return static_cast<size_t>(index);
}

void Cursor::Close()
{
    std::lock_guard<std::mutex> lock(mMutex);
    if (!mTable)
        return;
    StorePending();
    SaveIndexes();
    if (DeferClose(*this))
        return;
    DropOrders(nullptr);
    mTable->Close();
    mTable.reset();
}

} // namespace engine
