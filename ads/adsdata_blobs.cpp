// Memo and binary fields: the per-buffer blob caches, the blob streams the
// framework's blob fields read and write through, and the dataset's side of
// both (CreateBlobStream, the cache slots of a record buffer, binary memos).
#include "ads/adsdata.h"

#include "ads/ace.h"

#include <cstring>

VARNEL_DEFINE_CLASS(TAdsBlobCache)
VARNEL_DEFINE_CLASS(TAdsBlobStream)

namespace {

enum class TBlobContent { Binary, Text, WideText };

// What a column holds, as the engine describes it now: the type is asked
// afresh each time, a memo's data type decides between text and binary.
TBlobContent ContentOf(uint32_t cursor, uint32_t column)
{
    uint16_t type = 0;
    CheckAdsResult(ace::AdsGetFieldType(cursor, ADSFIELD(column), &type));
    switch (type) {
    case ADS_MEMO: {
        uint16_t memoType = 0;
        CheckAdsResult(ace::AdsGetMemoDataType(cursor, ADSFIELD(column), &memoType));
        return memoType == ADS_MEMO ? TBlobContent::Text : TBlobContent::Binary;
    }
    case ADS_BINARY:
    case ADS_IMAGE:
        return TBlobContent::Binary;
    case ADS_NMEMO:
        return TBlobContent::WideText;
    default:
        return TBlobContent::Text;
    }
}

bool IsBlobEngineType(uint16_t type)
{
    return (type >= ADS_MEMO && type <= ADS_VARCHAR_MEMO) || type == ADS_NMEMO || type == ADS_BINARY_TEXT ||
           type == ADS_IMAGE_TEXT;
}

// A refresh that meets a record that is not there any more yields empty
// content rather than an error.
bool IsToleratedRefreshError(uint32_t code)
{
    return code == AE_NO_CURRENT_RECORD || code == AE_INVALID_RECORD_NUMBER;
}

[[noreturn]] void RaiseStreamError(const char* message)
{
    throw EADSDatabaseError(nullptr, kAdsDataSetErrorCode, QString::fromLatin1(message));
}

} // namespace

// ---------------------------------------------------------------------------
// TAdsBlobCache.

void TAdsBlobCache::RefreshCache(uint32_t hAdsTable, uint32_t ulFieldNo, uint32_t ulRecNo, bool bForceReread)
{
    if (!bForceReread && mhAdsTable == int64_t(hAdsTable) && mulRecNum == ulRecNo && mulFieldNo == ulFieldNo) {
        SetPosition(0);
        return;
    }
    Clear();
    mhAdsTable = hAdsTable;
    mulFieldNo = ulFieldNo;
    mulRecNum = ulRecNo;
    mbBlobModified = false;
    if (ulRecNo == 0)
        return;
    try {
        ReadFromEngine(hAdsTable, ulFieldNo, ulRecNo);
    } catch (const EADSDatabaseError& error) {
        // Never leave a partly read content behind.
        mulRecNum = 0;
        Clear();
        if (!IsToleratedRefreshError(error.ACEErrorCode()))
            throw;
    }
}

void TAdsBlobCache::ReadFromEngine(uint32_t hAdsTable, uint32_t ulFieldNo, uint32_t ulRecNo)
{
    const ADSFIELD_ID column = ADSFIELD(ulFieldNo);
    uint32_t current = 0;
    CheckAdsResult(ace::AdsGetRecordNum(hAdsTable, ADS_IGNOREFILTERS, &current));
    // The cursor is left where the read put it; the dataset repositions.
    if (current != ulRecNo)
        CheckAdsResult(ace::AdsGotoRecord(hAdsTable, ulRecNo));
    const TBlobContent content = ContentOf(hAdsTable, ulFieldNo);

    uint32_t length = 0;
    const uint32_t code = content == TBlobContent::Binary ? ace::AdsGetBinaryLength(hAdsTable, column, &length)
                                                          : ace::AdsGetDataLength(hAdsTable, column, 0, &length);
    if (code == AE_NO_CURRENT_RECORD) {
        mulRecNum = 0;
        return;
    }
    CheckAdsResult(code);
    if (content != TBlobContent::Binary)
        ++length;  // room for the terminator the engine writes
    if (content == TBlobContent::WideText)
        length *= 2;
    SetSize(length);

    switch (content) {
    case TBlobContent::Binary:
        CheckAdsResult(ace::AdsGetBinary(hAdsTable, column, 0, reinterpret_cast<UNSIGNED8*>(Memory()), &length));
        break;
    case TBlobContent::WideText: {
        uint32_t units = length / 2;
        CheckAdsResult(ace::AdsGetFieldW(hAdsTable, column, reinterpret_cast<char16_t*>(Memory()), &units, ADS_NONE));
        length = 2 * units;
        break;
    }
    case TBlobContent::Text:
        CheckAdsResult(ace::AdsGetField(hAdsTable, column, Memory(), &length, ADS_NONE));
        break;
    }
    // The reported length leaves out the terminator.
    if (Size() != int64_t(length))
        SetSize(length);
    SetPosition(0);
}

int64_t TAdsBlobCache::Write(const void* buffer, int64_t count)
{
    const int64_t written = TMemoryStream::Write(buffer, count);
    mbBlobModified = true;
    return written;
}

void TAdsBlobCache::Truncate()
{
    Clear();
    mbBlobModified = true;
}

void TAdsBlobCache::ClearCache()
{
    Clear();
    mhAdsTable = -1;
    mulFieldNo = 0;
    mulRecNum = 0;
    mbBlobModified = false;
}

void TAdsBlobCache::Flush()
{
    if (!mbBlobModified)
        return;
    const uint32_t cursor = uint32_t(mhAdsTable);
    uint16_t type = 0;
    CheckAdsResult(ace::AdsGetFieldType(cursor, ADSFIELD(mulFieldNo), &type));
    if (type == ADS_NMEMO)
        CheckAdsResult(ace::AdsSetFieldW(cursor, ADSFIELD(mulFieldNo), reinterpret_cast<const char16_t*>(Memory()),
                                         uint32_t(Size() / 2)));
    else
        CheckAdsResult(ace::AdsSetField(cursor, ADSFIELD(mulFieldNo), Memory(), uint32_t(Size())));
    mbBlobModified = false;
}

// ---------------------------------------------------------------------------
// TAdsBlobStream.

TAdsBlobStream::TAdsBlobStream(TField* Field, TBlobStreamMode Mode) : moField(Field), moMode(Mode)
{
    auto* dataSet = dynamic_cast<TAdsDataSet*>(Field->DataSet());
    if (!dataSet)
        throw EConvertError(QStringLiteral("Invalid class typecast: the dataset of field '%1' is not a TAdsDataSet")
                                .arg(Field->DisplayName()));
    moAdsBlobCach = dataSet->OpenBlobCache(Field, Mode);
    if (moAdsBlobCach && Mode == bmWrite)
        mbModified = true;
    mpoDataSet = dataSet;
    dataSet->mpoOpenBlobStreams.items.push_back(this);
}

TAdsBlobStream::~TAdsBlobStream()
{
    if (!mpoDataSet)
        return;
    std::erase(mpoDataSet->mpoOpenBlobStreams.items, this);
    if (!mbModified)
        return;
    if (auto* blob = dynamic_cast<TBlobField*>(moField))
        blob->SetModified(true);
    // A destructor cannot pass an exception on: what the field-change
    // handlers raise goes to the application's handler when there is one.
    try {
        mpoDataSet->DataEvent(deFieldChange, reinterpret_cast<qintptr>(moField));
    } catch (const Exception& error) {
        if (const TApplicationExceptionHandler& handler = ApplicationExceptionHandler())
            handler(error);
    } catch (...) {
    }
}

void TAdsBlobStream::DetachDataSet()
{
    mpoDataSet = nullptr;
    moField = nullptr;
    moAdsBlobCach = nullptr;
}

int64_t TAdsBlobStream::Read(void* buffer, int64_t count)
{
    return moAdsBlobCach ? moAdsBlobCach->Read(buffer, count) : 0;
}

int64_t TAdsBlobStream::Seek(int64_t offset, TSeekOrigin origin)
{
    return moAdsBlobCach ? moAdsBlobCach->Seek(offset, origin) : 0;
}

int64_t TAdsBlobStream::Size()
{
    return moAdsBlobCach ? moAdsBlobCach->Size() : 0;
}

void TAdsBlobStream::CheckWritable() const
{
    if (moMode == bmRead)
        RaiseStreamError("Error modifying read only blob.");
    if (!moAdsBlobCach)
        RaiseStreamError("Cannot write to blob in current state.");
}

int64_t TAdsBlobStream::Write(const void* buffer, int64_t count)
{
    CheckWritable();
    const int64_t written = moAdsBlobCach->Write(buffer, count);
    mbModified = true;
    return written;
}

void TAdsBlobStream::Truncate()
{
    CheckWritable();
    moAdsBlobCach->Truncate();
    mbModified = true;
}

// ---------------------------------------------------------------------------
// The dataset's side.

std::unique_ptr<TStream> TAdsDataSet::CreateBlobStream(TField* field, TBlobStreamMode mode)
{
    if (auto* blob = dynamic_cast<TBlobField*>(field)) {
        const bool namedBinary =
            !strBinaryFieldName.isEmpty() && field->FieldName().compare(strBinaryFieldName, Qt::CaseInsensitive) == 0;
        if (blob->DataType() == ftBlob || namedBinary)
            blob->SetBlobType(ftBlob);
    }
    if ((mode == bmWrite || mode == bmReadWrite) && State() != dsEdit && State() != dsInsert)
        RaiseDataSetError(QStringLiteral("Table must be in Edit or Insert state to open blob stream in Write Mode."));
    return std::make_unique<TAdsBlobStream>(field, mode);
}

TAdsBlobCache* TAdsDataSet::OpenBlobCache(TField* field, TBlobStreamMode mode)
{
    const TDataSetState state = State();
    if (state != dsBrowse && state != dsEdit && state != dsInsert && state != dsCalcFields && state != dsNewValue)
        return nullptr;
    TRecordBuffer buffer = ActiveRecordBuffer();
    if (!buffer)
        return nullptr;
    // The cache may move the engine cursor to its record: whatever happens,
    // the framework puts the cursor back before its next engine access.
    struct CursorInvalidation {
        TAdsDataSet& dataSet;
        ~CursorInvalidation() { dataSet.SetCurrentRecord(-1); }
    } invalidate{*this};

    uint16_t type = 0;
    Check(ace::AdsGetFieldType(uint32_t(mlHandle), ADSFIELD(field->FieldNo()), &type));
    if (!IsBlobEngineType(type))
        RaiseDataSetError(QStringLiteral("Invalid blob open on non-blob field."));
    TAdsBlobCache* cache = BlobCacheOf(buffer, field);
    if (!cache)
        RaiseDataSetError(QStringLiteral("Field '%1' has no blob cache in this record buffer.").arg(field->DisplayName()));
    uint32_t recordNumber = 0;
    std::memcpy(&recordNumber, buffer + musBookmarkOfs, qMin<size_t>(4, size_t(qMax(FBookmarkSize, 0))));
    const bool force = (state == dsEdit || state == dsInsert) && mode == bmReadWrite && !cache->IsCacheModified();
    cache->RefreshCache(uint32_t(mlHandle), uint32_t(field->FieldNo()), recordNumber, force);
    if (mode == bmWrite)
        cache->Truncate();
    return cache;
}

void TAdsDataSet::ADSSetFieldToBinary(const QString& strFieldName)
{
    if (!Active())
        RaiseDataSetError(QStringLiteral("Table must be Active."));
    const TFieldDef* def = FieldDefs()->FindDef(strFieldName);
    if (!def)
        RaiseDataSetError(QStringLiteral("Invalid field name for the given table"));
    if (def->DataType() != ftBlob && def->DataType() != ftMemo)
        RaiseDataSetError(QStringLiteral("Invalid field type to begin with to change to binary"));
    strBinaryFieldName = strFieldName;
    UpdateFieldDefs();
}

// ---------------------------------------------------------------------------
// Cache slots. A slot is four bytes, too small for an address on every
// platform, so it holds the id of a cache the dataset owns.

namespace {

uint32_t SlotId(const quint8* slot)
{
    uint32_t id = 0;
    std::memcpy(&id, slot, 4);
    return id;
}

void SetSlotId(quint8* slot, uint32_t id)
{
    std::memcpy(slot, &id, 4);
}

} // namespace

TAdsBlobCache* TAdsDataSet::BlobCacheOf(TRecordBuffer buffer, const TField* field) const
{
    if (!buffer || !field || !field->IsBlob() || field->Offset() < 0 || field->Offset() >= BlobFieldCount())
        return nullptr;
    const uint32_t id = SlotId(buffer + musBlobCacheOfs + 4 * field->Offset());
    return id >= 1 && id <= mpoBlobCaches.size() ? mpoBlobCaches[id - 1].get() : nullptr;
}

void TAdsDataSet::ClearBlobCaches(TRecordBuffer buffer)
{
    const TDataSetState state = State();
    if (BlobFieldCount() == 0 || !buffer ||
        (state != dsBrowse && state != dsEdit && state != dsInsert && state != dsCalcFields && state != dsNewValue))
        return;
    for (int slot = 0; slot < BlobFieldCount(); ++slot) {
        const uint32_t id = SlotId(buffer + musBlobCacheOfs + 4 * slot);
        if (id >= 1 && id <= mpoBlobCaches.size() && mpoBlobCaches[id - 1])
            mpoBlobCaches[id - 1]->ClearCache();
    }
}

void TAdsDataSet::CreateBlobCaches(TRecordBuffer buffer)
{
    // A buffer laid out before the fields were bound has no slots.
    if (musBlobCacheOfs + 4 * BlobFieldCount() > musRecInfoOfs)
        return;
    for (int slot = 0; slot < BlobFieldCount(); ++slot) {
        uint32_t id = 0;
        if (!mFreeBlobCacheIds.empty()) {
            id = mFreeBlobCacheIds.back();
            mpoBlobCaches[id - 1] = std::make_unique<TAdsBlobCache>();
            mFreeBlobCacheIds.pop_back();
        } else {
            mpoBlobCaches.push_back(std::make_unique<TAdsBlobCache>());
            id = uint32_t(mpoBlobCaches.size());
        }
        SetSlotId(buffer + musBlobCacheOfs + 4 * slot, id);
    }
}

void TAdsDataSet::DestroyBlobCaches(TRecordBuffer buffer)
{
    if (!buffer || musBlobCacheOfs + 4 * BlobFieldCount() > musRecInfoOfs)
        return;
    for (int slot = 0; slot < BlobFieldCount(); ++slot) {
        quint8* place = buffer + musBlobCacheOfs + 4 * slot;
        const uint32_t id = SlotId(place);
        if (id >= 1 && id <= mpoBlobCaches.size() && mpoBlobCaches[id - 1]) {
            // A stream kept past its buffer reads nothing rather than freed memory.
            for (TAdsBlobStream* stream : mpoOpenBlobStreams.items)
                if (stream->Cache() == mpoBlobCaches[id - 1].get())
                    stream->DetachCache();
            mpoBlobCaches[id - 1].reset();
            mFreeBlobCacheIds.push_back(id);
        }
        SetSlotId(place, 0);
    }
}

TAdsDataSet::TOpenBlobStreams::~TOpenBlobStreams()
{
    for (TAdsBlobStream* stream : items)
        stream->DetachDataSet();
}
