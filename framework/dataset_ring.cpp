// TDataSet: the ring of record buffers and navigation over it.
#include "framework/dataset.h"

#include "framework/datasource.h"

#include <algorithm>

// ---------------------------------------------------------------------------
// Buffers.

int TDataSet::LinkBufferNeed() const {
    int need = 1;
    for (const TDataSource* source : mDataSources) {
        for (const TDataLink* link : source->mDataLinks) need = std::max(need, link->BufferCount());
    }
    return need;
}

void TDataSet::AllocateRing() {
    SetBufferCount(LinkBufferNeed());
    FetchNextRecords();
}

void TDataSet::FreeRing() {
    SetBufferListSize(0);
    mCalcBuffer = nullptr;
    mFilterBuffer = nullptr;
}

void TDataSet::UpdateBufferCount() {
    if (!mInternalOpenDone || mBuffers.empty()) return;
    int need = LinkBufferNeed();
    if (need == mBufferCount) return;
    SetBufferCount(need);
    if (mState == dsBrowse) {
        FetchNextRecords();
        FetchPriorRecords();
    }
}

void TDataSet::SetBufferCount(int count) { SetBufferListSize(std::max(count, 0) + 1); }

void TDataSet::SetBufferListSize(int total) {
    total = std::max(total, 0);
    if (int(mBuffers.size()) == total) return;
    int count = std::max(total - 1, 0);
    if (count == 0) {
        ClearBuffers();
    } else if (mRecordCount > count) {
        // Keep a window of `count` records that still holds the active one.
        int shift = std::max(0, mActiveRecord - count + 1);
        std::rotate(mBuffers.begin(), mBuffers.begin() + shift, mBuffers.end());
        mActiveRecord -= shift;
        mCurrentRecord -= shift;
        mRecordCount = std::min(mRecordCount - shift, count);
        if (mCurrentRecord < 0 || mCurrentRecord >= mRecordCount) mCurrentRecord = -1;
    }
    try {
        while (int(mBuffers.size()) > total) {
            TRecordBuffer buffer = mBuffers.back();
            mBuffers.pop_back();
            if (buffer) DisposeRecordBuffer(buffer);
        }
        while (int(mBuffers.size()) < total) mBuffers.push_back(NewRecordBuffer());
    } catch (...) {
        mBufferCount = std::max(int(mBuffers.size()) - 1, 0);
        mRecordCount = std::min(mRecordCount, mBufferCount);
        throw;
    }
    mBufferCount = count;
}

void TDataSet::ClearBuffers() {
    mRecordCount = 0;
    mActiveRecord = 0;
    mCurrentRecord = -1;
    mBof = true;
    mEof = true;
}

void TDataSet::ActivateBuffers() {
    mRecordCount = 1;
    mActiveRecord = 0;
    mCurrentRecord = 0;
    mBof = false;
    mEof = false;
}

void TDataSet::MoveBuffer(int from, int to) {
    if (from == to) return;
    TRecordBuffer buffer = mBuffers[size_t(from)];
    mBuffers.erase(mBuffers.begin() + from);
    mBuffers.insert(mBuffers.begin() + to, buffer);
}

TRecordBuffer TDataSet::ActiveBuffer() const {
    if (mBuffers.empty()) return nullptr;
    return mBuffers[size_t(mActiveRecord)];
}

TRecordBuffer TDataSet::SpareBuffer() const {
    if (mBuffers.empty()) return nullptr;
    return mBuffers[size_t(mRecordCount)];
}

TRecordBuffer TDataSet::ActiveRecordBuffer() const {
    switch (mState) {
    case dsBrowse:
    case dsBlockRead:
        return mActiveRecord < mRecordCount ? ActiveBuffer() : nullptr;
    case dsEdit:
    case dsInsert:
    case dsNewValue:
        return ActiveBuffer();
    case dsCalcFields:
    case dsInternalCalc:
        return mCalcBuffer;
    case dsFilter:
        return mFilterBuffer;
    default:
        return nullptr;
    }
}

TBookmark TDataSet::BufferBookmark(TRecordBuffer buffer) const {
    TBookmark bookmark(FBookmarkSize, '\0');
    if (FBookmarkSize > 0) ReadBufferBookmark(buffer, reinterpret_cast<quint8*>(bookmark.data()));
    return bookmark;
}

// Puts the cursor on the record of buffer `index`, as its flag says.
void TDataSet::CursorToBuffer(int index) {
    if (mCurrentRecord == index) return;
    TRecordBuffer buffer = mBuffers[size_t(index)];
    switch (ReadBufferBookmarkFlag(buffer)) {
    case bfBOF:
        CursorToFirst();
        break;
    case bfEOF:
        CursorToLast();
        break;
    default:
        CursorToBookmark(BufferBookmark(buffer));
        break;
    }
    mCurrentRecord = index;
}

void TDataSet::UpdateCursorPos() {
    if (mRecordCount > 0) CursorToBuffer(mActiveRecord);
}

// ---------------------------------------------------------------------------
// Filling the ring. FetchNext appends the record after the last buffer
// (dropping the first when the ring is full), FetchPrior puts the record
// before the first buffer in front (dropping the last); both keep
// ActiveRecord on the same record when it stays in the ring.

bool TDataSet::FetchNext() {
    if (mRecordCount > 0) CursorToBuffer(mRecordCount - 1);
    TGetMode mode = gmNext;
    if (mState == dsInsert && mCurrentRecord == mActiveRecord && ReadBufferBookmarkFlag(ActiveBuffer()) == bfCurrent) {
        mode = gmCurrent;
    }
    if (FetchRecord(mBuffers[size_t(mRecordCount)], mode, true) != grOK) {
        mCurrentRecord = -1;
        return false;
    }
    if (mRecordCount == 0) {
        ActivateBuffers();
    } else if (mRecordCount < mBufferCount) {
        ++mRecordCount;
    } else {
        MoveBuffer(0, mRecordCount);
        if (mActiveRecord > 0) --mActiveRecord;
    }
    mCurrentRecord = mRecordCount - 1;
    return true;
}

bool TDataSet::FetchPrior() {
    if (mRecordCount > 0) CursorToBuffer(0);
    if (FetchRecord(mBuffers[size_t(mRecordCount)], gmPrior, true) != grOK) {
        mCurrentRecord = -1;
        return false;
    }
    if (mRecordCount == 0) {
        ActivateBuffers();
    } else {
        MoveBuffer(mRecordCount, 0);
        if (mRecordCount < mBufferCount) ++mRecordCount;
        if (mActiveRecord < mRecordCount - 1) ++mActiveRecord;
    }
    mCurrentRecord = 0;
    return true;
}

int TDataSet::FetchNextRecords() {
    int fetched = 0;
    while (mRecordCount < mBufferCount && FetchNext()) ++fetched;
    return fetched;
}

int TDataSet::FetchPriorRecords() {
    int fetched = 0;
    while (mRecordCount < mBufferCount && FetchPrior()) ++fetched;
    return fetched;
}

// ---------------------------------------------------------------------------
// Navigation.

bool TDataSet::IsEmpty() const { return mState != dsInsert && mRecordCount == 0; }

void TDataSet::First() { JumpToEnd(true); }
void TDataSet::Last() { JumpToEnd(false); }

// Refills the ring from the first record forwards, or from the last one
// backwards; Bof (or Eof) is set even when the cursor fails on the way.
void TDataSet::JumpToEnd(bool start) {
    CheckBrowseMode();
    DoBeforeScroll();
    ClearBuffers();
    auto settle = [&] {
        if (start) mBof = true;
        else mEof = true;
        DataEvent(deDataSetChange, 0);
    };
    try {
        if (start) {
            CursorToFirst();
            FetchNext();
            FetchNextRecords();
        } else {
            CursorToLast();
            FetchPrior();
            FetchPriorRecords();
        }
    } catch (...) {
        settle();
        throw;
    }
    settle();
    DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
    CheckBrowseMode();
    int moved = 0;
    DoBeforeScroll();
    if ((distance > 0 && !mEof) || (distance < 0 && !mBof)) {
        mBof = false;
        mEof = false;
        int scrolled = 0;  // how far the records moved inside the ring
        auto notify = [&] {
            if (moved != 0 || scrolled != 0) DataEvent(deDataSetScroll, scrolled);
        };
        try {
            while (distance > 0) {
                if (mActiveRecord < mRecordCount - 1) {
                    ++mActiveRecord;
                } else {
                    bool full = mRecordCount == mBufferCount;
                    if (!FetchNext()) {
                        mEof = true;
                        break;
                    }
                    if (full) --scrolled;
                    mActiveRecord = mRecordCount - 1;
                }
                --distance;
                ++moved;
            }
            while (distance < 0) {
                if (mActiveRecord > 0) {
                    --mActiveRecord;
                } else {
                    if (!FetchPrior()) {
                        mBof = true;
                        break;
                    }
                    ++scrolled;
                    mActiveRecord = 0;
                }
                ++distance;
                --moved;
            }
        } catch (...) {
            notify();
            throw;
        }
        notify();
        DoAfterScroll();
    }
    return moved;
}

void TDataSet::Resync(TResyncMode mode) {
    TRecordBuffer spare = mBuffers[size_t(mRecordCount)];
    if (mode.Contains(rmExact)) {
        mCurrentRecord = -1;
        if (FetchRecord(spare, gmCurrent, true) != grOK) DatabaseError(QString::fromLatin1(dbtexts::RecordNotFound), this);
    } else if (FetchRecord(spare, gmCurrent, false) != grOK && FetchRecord(spare, gmNext, false) != grOK &&
               FetchRecord(spare, gmPrior, false) != grOK) {
        ClearBuffers();
        DataEvent(deDataSetChange, 0);
        return;
    }
    int before = mode.Contains(rmCenter) ? (mBufferCount - 1) / 2 : mActiveRecord;
    MoveBuffer(mRecordCount, 0);
    ActivateBuffers();
    try {
        while (before > 0 && FetchPrior()) --before;
        FetchNextRecords();
        FetchPriorRecords();
    } catch (...) {
        DataEvent(deDataSetChange, 0);
        throw;
    }
    DataEvent(deDataSetChange, 0);
}

void TDataSet::Refresh() {
    if (BeforeRefresh) BeforeRefresh(this);
    CheckBrowseMode();
    UpdateCursorPos();
    try {
        RefreshCursor();
    } catch (...) {
        Resync({});
        throw;
    }
    Resync({});
    if (AfterRefresh) AfterRefresh(this);
}
