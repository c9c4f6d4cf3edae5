// Opening and closing the engine cursor, the record-buffer layout and the
// key buffers.
#include "ads/adsdata.h"

#include "ads/ace.h"

#include <cstring>

namespace {

// The header of a key buffer: Modified, Exclusive, FieldCount, BufferSize.
constexpr int kKeyBufferHeader = 12;

} // namespace

uint32_t TAdsDataSet::OrderHandle() const
{
    return (mlActiveHandle == -1 || mlActiveHandle == 0) ? uint32_t(mlHandle) : uint32_t(mlActiveHandle);
}

void TAdsDataSet::OpenEngineCursor()
{
    if (mlHandle != -1)
        RaiseDataSetError(QStringLiteral("Table is already open."));
    if (mlActiveHandle == -1) {
        mlHandle = CreateEngineCursor();
    } else {
        mlHandle = mlActiveHandle;
        Check(ace::AdsGetTableType(uint32_t(mlHandle), &musAceTableType));
    }
    const uint32_t cursor = uint32_t(mlHandle);
    uint32_t length = 0;
    Check(ace::AdsGetRecordLength(cursor, &length));
    Check(ace::AdsGetTableOpenOptions(cursor, &mulTableOptions));
    mbCanModify = (mulTableOptions & ADS_READONLY) == 0;
    uint16_t live = 0;
    mbExclusive = false;
    if (mbCanModify && (mulTableOptions & ADS_EXCLUSIVE) && ace::AdsSqlPeekStatement(cursor, &live) == 0 && live == 0)
        mbExclusive = true;
    const TAdsRecordCacheTypes cache = mpoAdsTableOptions->AdsRecordCache();
    if (cache != rcStandard)
        Check(ace::AdsCacheRecords(cursor, uint16_t(TAdsTableOptions::CacheRecordCount(cache))));
    ReadIndexPageSize();
    if (length > 0xFFFF)
        RaiseDataSetError(QStringLiteral("The record length %1 exceeds the largest record buffer.").arg(length));
    musRecordSize = musRecBufSize = uint16_t(length);
    uint32_t bookmarkLength = 0;
    Check(ace::AdsGetBookmarkLength(OrderHandle(), &bookmarkLength));
    FBookmarkSize = int(bookmarkLength);
    AllocateKeyBuffers();
    FieldDefs()->SetUpdated(false);
    UpdateFieldDefs();
    if (DefaultFields())
        CreateFields();
    ApplyFieldClassRules();
    BindFields(true);
    ComputeBufferLayout();
    if (mlHandle != 0 && (!mstrIndexName.isEmpty() || !mstrIndexFieldNames.isEmpty()))
        RaiseDataSetError(QStringLiteral("Index orders are not available on this dataset yet."));
    if (Scoped())
        ActivateScope();
    if (Filtered())
        ActivateFilter();
    if (mlHandle != 0)
        CursorToFirst();
}

// Failures leave the page size at 0; they never stop the opening.
void TAdsDataSet::ReadIndexPageSize()
{
    ADSHANDLE indexes[1] = {0};
    uint16_t count = 1;
    const uint32_t code = ace::AdsGetAllIndexes(uint32_t(mlHandle), indexes, &count);
    uint32_t pageSize = 0;
    if ((code == 0 || code == 5005) && count > 0 && ace::AdsGetIndexPageSize(indexes[0], &pageSize) == 0 &&
        pageSize <= 8192) {
        mpoAdsTableOptions->SetAdsIndexPageSize(uint16_t(pageSize));
        return;
    }
    mpoAdsTableOptions->SetAdsIndexPageSize(0);
}

void TAdsDataSet::AllocateKeyBuffers()
{
    uint16_t columns = 0;
    Check(ace::AdsGetNumFields(uint32_t(mlHandle), &columns));
    const int size = kKeyBufferHeader + musRecordSize + 2 * columns;
    try {
        for (QByteArray& key : mapKeyBuffers) {
            key = QByteArray(size, '\0');
            const uint32_t bufferSize = uint32_t(size);
            std::memcpy(key.data() + 8, &bufferSize, 4);
            Check(ace::AdsGetNullRecord(uint32_t(mlHandle), reinterpret_cast<UNSIGNED8*>(key.data() + kKeyBufferHeader),
                                        musRecordSize));
            std::memset(key.data() + kKeyBufferHeader + musRecordSize, 0xFF, size_t(2 * columns));
        }
    } catch (...) {
        FreeKeyBuffers();
        throw;
    }
}

void TAdsDataSet::FreeKeyBuffers()
{
    for (QByteArray& key : mapKeyBuffers)
        key.clear();
    mpstKeyBuffer = -1;
}

// The offsets are 16-bit: the sum is formed wide and a record too large for
// them refuses the open, instead of wrapping round to a buffer smaller than
// the record the engine copies into it.
void TAdsDataSet::ComputeBufferLayout()
{
    uint32_t bookmarkLength = 0;
    Check(ace::AdsGetBookmarkLength(OrderHandle(), &bookmarkLength));
    const uint64_t blobCacheOfs = uint64_t(musRecordSize) + uint64_t(qMax(CalcFieldsSize(), 0));
    const uint64_t recInfoOfs = blobCacheOfs + 4 * uint64_t(qMax(BlobFieldCount(), 0));
    const uint64_t bookmarkOfs = recInfoOfs + 8;
    const uint64_t total = bookmarkOfs + bookmarkLength;
    if (total > 0xFFFF)
        RaiseDataSetError(QStringLiteral("The record buffer of %1 bytes exceeds the largest record buffer (65535 bytes).")
                              .arg(total));
    musBlobCacheOfs = uint16_t(blobCacheOfs);
    musRecInfoOfs = uint16_t(recInfoOfs);
    musBookmarkOfs = uint16_t(bookmarkOfs);
    FBookmarkSize = int(bookmarkLength);
    musRecBufSize = uint16_t(total);
}

void TAdsDataSet::CloseEngineCursor()
{
    if (IsDesigning()) {
        Check(ace::AdsCacheOpenTables(0));
        Check(ace::AdsCacheOpenCursors(0));
    }
    BindFields(false);
    if (DefaultFields())
        DestroyFields();
    FreeKeyBuffers();
    FOldRecordBuffer.clear();
    if (mlHandle != -1) {
        try {
            Check(ace::AdsCloseTable(uint32_t(mlHandle)));
        } catch (const Exception&) {
            // The handle is forgotten all the same: the engine keeps nothing
            // the dataset could still release.
        }
    }
    mlHandle = -1;
    mlActiveHandle = -1;
    mbCanModify = false;
}

uint32_t TAdsDataSet::GetAceConnectionHandle()
{
    ADSHANDLE connection = 0;
    const uint32_t code = ace::AdsGetTableConnection(uint32_t(mlHandle), &connection);
    if (code == 5023)
        return 0;
    Check(code);
    return connection;
}
