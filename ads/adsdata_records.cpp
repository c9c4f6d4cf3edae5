// Record buffers: allocation, bookmarks and flags, reading the engine's
// current record (memo markers, OEM re-reads), the buffer field access
// uses, and refreshing the cursor's record.
#include "ads/adsdata.h"

#include "ads/ace.h"

#include <cstring>

namespace {

bool IsMemoLike(uint16_t type)
{
    return type == ADS_MEMO || type == ADS_BINARY || type == ADS_IMAGE || type == ADS_VARCHAR_MEMO ||
           type == ADS_NMEMO;
}

bool IsRereadText(uint16_t type)
{
    return type == ADS_STRING || type == ADS_CISTRING || type == ADS_VARCHAR || type == ADS_NCHAR ||
           type == ADS_NVARCHAR;
}

} // namespace

TRecordBuffer TAdsDataSet::NewRecordBuffer()
{
    auto* buffer = new quint8[musRecBufSize];
    std::memset(buffer, 0, musRecBufSize);
    try {
        CreateBlobCaches(buffer);
    } catch (...) {
        delete[] buffer;
        throw;
    }
    return buffer;
}

void TAdsDataSet::DisposeRecordBuffer(TRecordBuffer& buffer)
{
    DestroyBlobCaches(buffer);
    delete[] buffer;
    buffer = nullptr;
}

void TAdsDataSet::ReadBufferBookmark(TRecordBuffer buffer, quint8* data) const
{
    std::memcpy(data, buffer + musBookmarkOfs, size_t(FBookmarkSize));
}

void TAdsDataSet::WriteBufferBookmark(TRecordBuffer buffer, const quint8* data)
{
    std::memcpy(buffer + musBookmarkOfs, data, size_t(FBookmarkSize));
}

TBookmarkFlag TAdsDataSet::ReadBufferBookmarkFlag(TRecordBuffer buffer) const
{
    return TBookmarkFlag(buffer[musRecInfoOfs + 5]);
}

void TAdsDataSet::WriteBufferBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag)
{
    buffer[musRecInfoOfs + 5] = quint8(flag);
}

void TAdsDataSet::ResetRecordBuffer(TRecordBuffer buffer)
{
    TDataSet::ResetRecordBuffer(buffer);
    buffer[musRecInfoOfs + 4] = 0;
    buffer[musRecInfoOfs + 5] = 0;
    const int32_t none = -1;
    std::memcpy(buffer + musRecInfoOfs, &none, 4);
    std::memset(buffer + musBookmarkOfs, 0, size_t(qMin(FBookmarkSize, 4)));
}

void TAdsDataSet::ClearCalculatedArea(TRecordBuffer buffer)
{
    if (CalcFieldsSize() > 0)
        std::memset(buffer + musRecordSize, 0, size_t(CalcFieldsSize()));
}

TRecordBuffer TAdsDataSet::ActiveRecordBuffer() const
{
    switch (State()) {
    case dsBrowse:
    case dsBlockRead:
        return ActiveRecord() < BufferedRecordCount() ? ActiveBuffer() : nullptr;
    case dsEdit:
    case dsInsert:
    case dsNewValue:
        return ActiveBuffer();
    case dsSetKey:
        return mpstKeyBuffer >= 0 && !mapKeyBuffers[size_t(mpstKeyBuffer)].isEmpty()
                   ? reinterpret_cast<TRecordBuffer>(mapKeyBuffers[size_t(mpstKeyBuffer)].data() + 12)
                   : nullptr;
    case dsCalcFields:
        return CalcBuffer();
    case dsFilter:
        return mpFilterBuffer;
    case dsOldValue:
        return FOldRecordBuffer.isEmpty() ? nullptr
                                          : reinterpret_cast<TRecordBuffer>(const_cast<char*>(FOldRecordBuffer.constData()));
    default:
        return nullptr;
    }
}

void TAdsDataSet::ReadEngineRecord(TRecordBuffer buffer, uint32_t length)
{
    const uint32_t cursor = uint32_t(mlHandle);
    uint16_t columns = 0;
    Check(ace::AdsGetNumFields(cursor, &columns));
    Check(ace::AdsGetRecord(cursor, buffer, &length));
    uint32_t bookmarkLength = uint32_t(FBookmarkSize);
    Check(ace::AdsGetBookmark60(OrderHandle(), buffer + musBookmarkOfs, &bookmarkLength));
    if (BlobFieldCount() > 0) {
        ClearMemoMarkers(buffer);
        ClearBlobCaches(buffer);
    }
    if (musOpenCharType == ADS_OEM)
        RereadOemColumns(buffer);
}

// The engine's bytes of a memo-like column are replaced by a marker:
// 0 for an empty or null value, all bits set for one with content.
void TAdsDataSet::ClearMemoMarkers(TRecordBuffer buffer)
{
    const uint32_t cursor = uint32_t(mlHandle);
    for (int i = 0; i < FACEFieldDefs->Count(); ++i) {
        const TACEFieldDef* def = FACEFieldDefs->Items(i);
        if (!IsMemoLike(def->FType))
            continue;
        uint16_t empty = 0, null = 0;
        Check(ace::AdsIsEmpty(cursor, ADSFIELD(def->FNumber), &empty));
        Check(ace::AdsIsNull(cursor, ADSFIELD(def->FNumber), &null));
        const int32_t marker = (empty || null) ? 0 : -1;
        std::memcpy(buffer + def->FOffset, &marker, 4);
    }
}

// OEM tables: text columns are read again so that the image holds them in
// the application's character set. The engine writes a terminator after the
// value; the bytes it overwrites beyond the column are put back.
void TAdsDataSet::RereadOemColumns(TRecordBuffer buffer)
{
    const uint32_t cursor = uint32_t(mlHandle);
    for (int i = 0; i < FACEFieldDefs->Count(); ++i) {
        const TACEFieldDef* def = FACEFieldDefs->Items(i);
        if (!IsRereadText(def->FType))
            continue;
        const bool wide = def->FType == ADS_NCHAR || def->FType == ADS_NVARCHAR;
        quint8* place = buffer + def->FOffset;
        const size_t saved = wide ? 2 : 1;
        quint8 after[2] = {0, 0};
        // The spare bytes of the buffer always follow the record image, so
        // the terminator never leaves the block.
        std::memcpy(after, place + def->FLength, saved);
        uint32_t code = 0;
        if (wide) {
            uint32_t chars = (def->FLength + 2) / 2;
            code = ace::AdsGetFieldW(cursor, ADSFIELD(def->FNumber), reinterpret_cast<char16_t*>(place), &chars, 0);
        } else {
            uint32_t bytes = def->FLength + 1;
            code = ace::AdsGetField(cursor, ADSFIELD(def->FNumber), reinterpret_cast<char*>(place), &bytes, 0);
        }
        std::memcpy(place + def->FLength, after, saved);
        Check(code);
    }
}

// ---------------------------------------------------------------------------
// Refreshing the cursor's record.

void TAdsDataSet::RefreshCursor()
{
    const uint32_t code = ace::AdsRefreshRecord(uint32_t(mlHandle));
    if (code != 5068)
        Check(code);
}

// ---------------------------------------------------------------------------
// Editing is not available yet: every write is refused before it reaches
// the engine, so no record is changed half-way.

void TAdsDataSet::StoreRecord()
{
    RaiseDataSetError(QStringLiteral("Editing records is not available on this dataset yet."));
}

void TAdsDataSet::InternalAddRecord(TRecordBuffer, bool)
{
    RaiseDataSetError(QStringLiteral("Editing records is not available on this dataset yet."));
}

void TAdsDataSet::DeleteCurrentRecord()
{
    RaiseDataSetError(QStringLiteral("Editing records is not available on this dataset yet."));
}
