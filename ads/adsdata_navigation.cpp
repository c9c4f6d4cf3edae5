// Navigation: fetching records into buffers under the engine's visibility
// and OnFilterRecord, the ends of the cursor, bookmarks, the record count,
// the record number and its sequenced modes, the find-record request and
// positioning on another dataset's record.
//
// End tests always ask the cursor (mlHandle); moves and visibility go
// through the order handle (the active index, or the cursor itself).
#include "ads/adsdata.h"

#include "ads/ace.h"

#include <cmath>
#include <cstring>

namespace {

// What AdsGetRecordNum, AdsGetRecordCount and AdsGetKeyNum are told.
constexpr uint16_t kRespectFilters = ADS_RESPECTFILTERS;
constexpr uint16_t kIgnoreFilters = ADS_IGNOREFILTERS;
constexpr uint16_t kRespectScopes = ADS_RESPECTSCOPES;
constexpr uint16_t kRefreshCount = ADS_REFRESHCOUNT;

// The buffer sizes the engine gets for an index condition and a scope.
constexpr uint16_t kConditionBufferSize = 510;
constexpr uint16_t kScopeBufferSize = 4082;

// Relative error allowed when a relative key position is turned back into a
// key number.
constexpr double kPositionTolerance = 1e-12;

int32_t StoredNumber(const quint8* place)
{
    int32_t number = 0;
    std::memcpy(&number, place, 4);
    return number;
}

} // namespace

void TAdsDataSet::CheckConst(uint32_t code) const
{
    // An error only reads the dataset's names and path.
    CheckAdsResult(const_cast<TAdsDataSet*>(this), code);
}

// The engine's 32-bit record bookmark held in the first four bytes; a
// shorter bookmark cannot name a record.
uint32_t TAdsDataSet::BookmarkRecord(const TBookmark& bookmark)
{
    if (bookmark.size() < 4)
        RaiseDataSetError(QString::fromLatin1(dbtexts::BookmarkNotFound));
    uint32_t record = 0;
    std::memcpy(&record, bookmark.constData(), 4);
    return record;
}

// ---------------------------------------------------------------------------
// Fetching.

TGetResult TAdsDataSet::FetchRecord(TRecordBuffer buffer, TGetMode mode, bool /*doCheck*/)
{
    if (mlHandle == -1 || State() == dsInsert)
        return grError;
    switch (mode) {
    case gmNext:
        Check(ace::AdsSkip(OrderHandle(), 1));
        break;
    case gmPrior:
        Check(ace::AdsSkip(OrderHandle(), -1));
        break;
    case gmCurrent:
        break;
    default:
        return grError;
    }
    const TGetResult result = FetchVisibleRecord(buffer, mode);
    if (result != grOK)
        return result;
    buffer[musRecInfoOfs + 4] = 0;
    WriteBufferBookmarkFlag(buffer, bfCurrent);
    const int32_t number = int32_t(CurrentSequenceNumber());
    std::memcpy(buffer + musRecInfoOfs, &number, 4);
    return grOK;
}

TGetResult TAdsDataSet::FetchVisibleRecord(TRecordBuffer buffer, TGetMode mode)
{
    const uint32_t cursor = uint32_t(mlHandle);
    const bool calcFirst = mpoAdsTableOptions->AdsCalcFieldsBeforeFilter();
    auto skipOn = [&] { Check(ace::AdsSkip(OrderHandle(), mode == gmPrior ? -1 : 1)); };
    for (;;) {
        uint16_t atEnd = 0;
        Check(ace::AdsAtEOF(cursor, &atEnd));
        if (atEnd && mode != gmPrior)
            return grEOF;
        Check(ace::AdsAtBOF(cursor, &atEnd));
        if (atEnd && mode != gmNext)
            return grBOF;
        uint16_t visible = 0;
        const uint32_t code = ace::AdsIsRecordVisible(OrderHandle(), &visible);
        if (code == AE_NO_CURRENT_RECORD)
            visible = 0;
        else
            Check(code);
        if (!visible) {
            if (mode == gmCurrent)
                return grError;
            skipOn();
            continue;
        }
        ReadEngineRecord(buffer, musRecordSize);
        if (calcFirst)
            CalculateFields(buffer);
        if (OnFilterRecord && Filtered() && !AcceptRecord(buffer)) {
            if (mode == gmCurrent)
                return grError;
            skipOn();
            continue;
        }
        if (!calcFirst)
            CalculateFields(buffer);
        return grOK;
    }
}

// The framework runs the handler in dsFilter; field reads in that state
// take the layer's filter buffer, which points at `buffer` meanwhile.
bool TAdsDataSet::AcceptRecord(TRecordBuffer buffer)
{
    const TRecordBuffer previous = mpFilterBuffer;
    mpFilterBuffer = buffer;
    try {
        const bool accepted = AcceptByFilterEvent(buffer);
        mpFilterBuffer = previous;
        return accepted;
    } catch (...) {
        mpFilterBuffer = previous;
        throw;
    }
}

// The scratch record is read like every other record (memo markers, OEM
// text in the application's character set), so that the handler sees the
// same values it sees while browsing.
bool TAdsDataSet::ScanWithFilterEvent(bool forward)
{
    if (!OnFilterRecord)
        RaiseDataSetError(QStringLiteral("Expected OnFilterRecord event."));
    TRecordBuffer scratch = NewRecordBuffer();
    try {
        const bool calcFirst = mpoAdsTableOptions->AdsCalcFieldsBeforeFilter();
        bool accepted = false;
        uint16_t atEnd = 0;
        while (!accepted && !atEnd) {
            ReadEngineRecord(scratch, musRecordSize);
            if (calcFirst)
                CalculateFields(scratch);
            accepted = AcceptRecord(scratch);
            if (accepted)
                break;
            Check(ace::AdsSkip(OrderHandle(), forward ? 1 : -1));
            if (forward)
                Check(ace::AdsAtEOF(uint32_t(mlHandle), &atEnd));
            else
                Check(ace::AdsAtBOF(uint32_t(mlHandle), &atEnd));
        }
        DisposeRecordBuffer(scratch);
        return accepted;
    } catch (...) {
        DisposeRecordBuffer(scratch);
        throw;
    }
}

// ---------------------------------------------------------------------------
// The ends and bookmarks.

void TAdsDataSet::CursorToFirst()
{
    Check(ace::AdsGotoBOF(OrderHandle()));
}

void TAdsDataSet::CursorToLast()
{
    Check(ace::AdsGotoEOF(OrderHandle()));
}

// A record that no longer exists leaves the cursor at the end: the
// framework's exact re-synchronisation then reports it.
void TAdsDataSet::CursorToBookmark(const TBookmark& bookmark)
{
    if (State() == dsInsert)
        return;
    const uint32_t code = ace::AdsGotoBookmark(uint32_t(mlHandle), BookmarkRecord(bookmark));
    if (code != AE_INVALID_RECORD_NUMBER)
        Check(code);
}

bool TAdsDataSet::HasDeletionFlag() const
{
    return meTableType == ttAdsCDX || meTableType == ttAdsNTX || meTableType == ttAdsVFP;
}

bool TAdsDataSet::BookmarkValid(const TBookmark& bookmark)
{
    if (!Active() || bookmark.size() < 4)
        return false;
    SetCurrentRecord(-1);
    uint32_t record = 0;
    std::memcpy(&record, bookmark.constData(), 4);
    if (ace::AdsGotoBookmark(uint32_t(mlHandle), record) != 0)
        return false;
    uint16_t atEnd = 1;
    if (ace::AdsAtEOF(uint32_t(mlHandle), &atEnd) != 0 || atEnd)
        return false;
    if (!HasDeletionFlag())
        return true;
    uint16_t deleted = 0;
    Check(ace::AdsIsRecordDeleted(uint32_t(mlHandle), &deleted));
    if (!deleted)
        return true;
    uint16_t shown = 0;
    Check(ace::AdsGetDeleted(&shown));
    return shown != 0;
}

// No bookmark sorts after every bookmark.
int TAdsDataSet::CompareBookmarks(const TBookmark& first, const TBookmark& second)
{
    if (first.isEmpty() || second.isEmpty())
        return int(first.isEmpty()) - int(second.isEmpty());
    BookmarkRecord(first);
    BookmarkRecord(second);
    SIGNED32 order = 0;
    Check(ace::AdsCompareBookmarks(reinterpret_cast<const UNSIGNED8*>(first.constData()),
                                   reinterpret_cast<const UNSIGNED8*>(second.constData()), &order));
    return int(order);
}

bool TAdsDataSet::GetCurrentRecord(TRecordBuffer buffer)
{
    if (ActiveRecord() >= BufferedRecordCount() || ReadBufferBookmarkFlag(ActiveBuffer()) != bfCurrent)
        return false;
    UpdateCursorPos();
    std::memcpy(buffer, ActiveBuffer(), musRecordSize);
    return true;
}

// ---------------------------------------------------------------------------
// Counting.

uint16_t TAdsDataSet::CountingOption() const
{
    if (mpoAdsTableOptions->AdsFilterOptions() == RESPECT_WHEN_COUNTING)
        return kRespectFilters;
    if (mpoAdsTableOptions->AdsScopeOptions() == RESPECT_SCOPES_WHEN_COUNTING)
        return kRespectScopes;
    return kIgnoreFilters;
}

bool TAdsDataSet::ActiveIndexHasScope() const
{
    for (uint16_t which : {uint16_t(ADS_TOP), uint16_t(ADS_BOTTOM)}) {
        char scope[kScopeBufferSize] = {};
        uint16_t length = kScopeBufferSize;
        const uint32_t code = ace::AdsGetScope(OrderHandle(), which, scope, &length);
        if (code == 0)
            return true;
        if (code != AE_NO_SCOPE)
            CheckConst(code);
    }
    return false;
}

// Counting with filters through an index counts its keys. An index that
// neither restricts its keys (condition, scope) nor may drop duplicates
// counts the same as the table, which the engine counts faster.
uint32_t TAdsDataSet::CountingHandle(uint16_t option) const
{
    const uint32_t order = OrderHandle();
    if (option != kRespectFilters || int64_t(order) == mlHandle)
        return order;
    if (meTableType != ttAdsADT) {
        uint32_t flags = 0;
        CheckConst(ace::AdsGetIndexFlags(order, &flags));
        if (flags & ADS_UNIQUE)
            return order;
    }
    char condition[kConditionBufferSize] = {};
    uint16_t length = kConditionBufferSize;
    CheckConst(ace::AdsGetIndexCondition(order, condition, &length));
    if (length == 0 && !ActiveIndexHasScope())
        return uint32_t(mlHandle);
    return order;
}

int TAdsDataSet::RecordCount() const
{
    CheckActive();
    const uint16_t option = CountingOption();
    const uint32_t handle = CountingHandle(option);
    const uint16_t asked = mpoAdsTableOptions->AdsFreshRecordCount() ? uint16_t(option + kRefreshCount) : option;
    uint32_t count = 0;
    CheckConst(ace::AdsGetRecordCount(handle, asked, &count));
    return int(count);
}

// ---------------------------------------------------------------------------
// Record numbers.

uint32_t TAdsDataSet::PhysicalRecordNumber()
{
    uint32_t number = 0;
    Check(ace::AdsGetRecordNum(uint32_t(mlHandle), kIgnoreFilters, &number));
    return number;
}

uint32_t TAdsDataSet::IndexSequenceNumber(uint32_t index)
{
    if (meSeqLevel == slExact) {
        uint32_t number = 0;
        Check(ace::AdsGetKeyNum(index, kRespectFilters, &number));
        return number;
    }
    uint32_t count = 0;
    Check(ace::AdsGetRecordCount(uint32_t(mlHandle), kIgnoreFilters, &count));
    double position = 0.0;
    const uint32_t code = ace::AdsGetRelKeyPos(index, &position);
    if (code == AE_NOT_FOUND)
        position = 0.0;
    else
        Check(code);
    // The position is k / n of the engine's n keys; multiplied back it can
    // land a hair below k, which truncation alone would turn into k - 1.
    const double number = double(count) * position;
    return uint32_t(std::trunc(number + number * kPositionTolerance));
}

uint32_t TAdsDataSet::CurrentSequenceNumber()
{
    if ((mstrIndexName.isEmpty() && mstrIndexFieldNames.isEmpty()) || !mbIsSequenced)
        return PhysicalRecordNumber();
    return IndexSequenceNumber(OrderHandle());
}

int TAdsDataSet::RecNo() const
{
    CheckActive();
    if (State() == dsCalcFields)
        return StoredNumber(CalcBuffer() + musBookmarkOfs);
    if (ActiveRecord() < BufferedRecordCount())
        return StoredNumber(ActiveBuffer() + musRecInfoOfs);
    return 0;
}

// The framework re-positions the cursor before its next buffer operation,
// also when a move below fails half-way.
void TAdsDataSet::SetRecNo(int value)
{
    CheckBrowseMode();
    DoBeforeScroll();
    SetCurrentRecord(-1);
    const uint32_t cursor = uint32_t(mlHandle);
    auto topThenSkip = [&](uint32_t handle) {
        Check(ace::AdsGotoTop(handle));
        Check(ace::AdsSkip(handle, value - 1));
    };
    if (mbIsSequenced && meSeqLevel == slExact) {
        topThenSkip(OrderHandle());
    } else if (meActiveIndexType != ndxNone) {
        uint32_t count = 0;
        Check(ace::AdsGetRecordCount(cursor, kIgnoreFilters, &count));
        double position = count == 0 ? 0.0 : double(value) / double(count);
        if (position >= 1.0)
            position = 1.0;
        Check(ace::AdsSetRelKeyPos(OrderHandle(), position));
    } else if (Filtered()) {
        topThenSkip(cursor);
    } else {
        const uint32_t code = ace::AdsGotoRecord(cursor, uint32_t(value));
        if (code == AE_INVALID_RECORD_NUMBER && mbIsSequenced)
            topThenSkip(cursor);
        else
            Check(code);
    }
    Resync({rmCenter});
    DoAfterScroll();
}

// ---------------------------------------------------------------------------
// Finding.

bool TAdsDataSet::FindRecord(bool restart, bool goForward)
{
    CheckBrowseMode();
    DoBeforeScroll();
    SetFound(false);
    UpdateCursorPos();
    SetCurrentRecord(-1);
    const bool temporaryFilter = !Filtered();
    uint16_t atBof = 0, atEof = 0;
    try {
        if (temporaryFilter)
            ActivateFilter();
        const uint32_t order = OrderHandle();
        if (goForward) {
            Check(restart ? ace::AdsGotoTop(order) : ace::AdsSkip(order, 1));
            Check(ace::AdsAtEOF(uint32_t(mlHandle), &atEof));
            if (!atEof && OnFilterRecord)
                atEof = ScanWithFilterEvent(true) ? 0 : 1;
        } else {
            Check(restart ? ace::AdsGotoBottom(order) : ace::AdsSkip(order, -1));
            Check(ace::AdsAtBOF(uint32_t(mlHandle), &atBof));
            if (!atBof && OnFilterRecord)
                atBof = ScanWithFilterEvent(false) ? 0 : 1;
        }
    } catch (...) {
        // The search's own failure is what the caller must see; a failing
        // clean-up must not replace it.
        if (temporaryFilter) {
            try {
                DeactivateFilter();
            } catch (...) {
            }
        }
        throw;
    }
    if (temporaryFilter)
        DeactivateFilter();
    if (!atBof && !atEof) {
        Resync({rmExact, rmCenter});
        SetFound(true);
        DoAfterScroll();
    }
    return Found();
}

// ---------------------------------------------------------------------------
// Positioning on another dataset's record, and the engine's own position.

// Where a dataset's table lives, as the comparison of GotoCurrent sees it.
QString TAdsDataSet::LocationText() const
{
    if (!mpoAdsConnection)
        return mstrDatabaseName;
    return mpoAdsConnection->ConnectPath().isEmpty() ? mpoAdsConnection->AliasName() : mpoAdsConnection->ConnectPath();
}

namespace {

bool SameTextLocale(const QString& first, const QString& second)
{
    return QString::localeAwareCompare(first.toUpper(), second.toUpper()) == 0;
}

} // namespace

void TAdsDataSet::GotoCurrent(TAdsDataSet* poTable)
{
    if (!poTable)
        RaiseDataSetError(QStringLiteral("GotoCurrent needs a dataset to follow."));
    CheckBrowseMode();
    poTable->CheckBrowseMode();
    if (!SameTextLocale(LocationText(), poTable->LocationText()) ||
        !SameTextLocale(mstrTableName, poTable->mstrTableName))
        DatabaseError(QStringLiteral("Tables are not the same"));
    poTable->UpdateCursorPos();
    uint32_t record = 0;
    Check(ace::AdsGetRecordNum(uint32_t(poTable->mlHandle), kIgnoreFilters, &record));
    SetCurrentRecord(-1);
    const uint32_t code = ace::AdsGotoRecord(uint32_t(mlHandle), record);
    if (code == AE_INVALID_RECORD_NUMBER) {
        Last();
        return;
    }
    Check(code);
    DoBeforeScroll();
    Resync({rmExact, rmCenter});
    DoAfterScroll();
}

uint32_t TAdsDataSet::AdsActiveRecord()
{
    CheckActive();
    if (State() == dsCalcFields)
        return 0;
    const uint32_t cursor = uint32_t(mlHandle);
    uint32_t entry = 0;
    Check(ace::AdsGetBookmark(cursor, &entry));
    SetCurrentRecord(-1);
    try {
        Check(ace::AdsGotoRecord(cursor, uint32_t(StoredNumber(ActiveBuffer() + musBookmarkOfs))));
    } catch (const EADSDatabaseError& error) {
        if (error.ACEErrorCode() != AE_INVALID_RECORD_NUMBER)
            throw;
        uint16_t atBof = 0, atEof = 0;
        const bool empty = ace::AdsAtBOF(cursor, &atBof) == 0 && ace::AdsAtEOF(cursor, &atEof) == 0 && atBof == 1 &&
                           atEof == 1;
        if (!empty)
            throw;
    }
    return entry;
}
