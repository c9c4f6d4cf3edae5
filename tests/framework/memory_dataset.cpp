#include "memory_dataset.h"

#include "framework/fielddefs.h"
#include "framework/typinfo.h"

#include <cstring>

VARNEL_PUBLISH(TMemoryDataSet, c) {
    c.prop("Structure", &TMemoryDataSet::Structure, &TMemoryDataSet::SetStructure);
}

namespace {

constexpr int kBookmarkSize = 4;

TFieldType ParseType(const QString& name) {
    for (int t = 0; t < FieldTypeCount; ++t) {
        if (FieldTypeName(TFieldType(t)).mid(2).compare(name, Qt::CaseInsensitive) == 0) return TFieldType(t);
    }
    throw EDatabaseError(QStringLiteral("Unknown type '%1'").arg(name));
}

}  // namespace

// A blob stream over the bytes a record buffer holds for one blob field;
// what was written goes back into the buffer when the stream is destroyed.
class TMemoryBlobStream : public TMemoryStream {
public:
    TMemoryBlobStream(TMemoryDataSet* dataSet, TField* field, TRecordBuffer buffer, TBlobStreamMode mode)
        : mDataSet(dataSet), mField(field), mBuffer(buffer), mMode(mode) {
        if (mode != bmWrite && buffer) SetBytes(dataSet->BufferBlobs(buffer)[size_t(field->FieldNo() - 1)]);
    }
    ~TMemoryBlobStream() override {
        if (!mWritten || !mBuffer) return;
        // A destructor cannot report a failing change handler; the value
        // is in the buffer all the same.
        try {
            Commit();
        } catch (...) {
        }
    }
    void Commit() {
        mDataSet->BufferBlobs(mBuffer)[size_t(mField->FieldNo() - 1)] = Bytes();
        mBuffer[mDataSet->mColumns[size_t(mField->FieldNo() - 1)].offset] = 1;
        if (auto* blob = dynamic_cast<TBlobField*>(mField)) blob->SetModified(true);
        mDataSet->DataEvent(deFieldChange, reinterpret_cast<qintptr>(mField));
    }
    int64_t Write(const void* buffer, int64_t count) override {
        if (mMode == bmRead) throw EStreamError(QStringLiteral("The blob stream is read-only"));
        mWritten = true;
        return TMemoryStream::Write(buffer, count);
    }

private:
    TMemoryDataSet* mDataSet;
    TField* mField;
    TRecordBuffer mBuffer;
    TBlobStreamMode mMode;
    bool mWritten = false;
};

TMemoryDataSet::TMemoryDataSet(TComponent* owner) : TDataSet(owner) {}

TMemoryDataSet::~TMemoryDataSet() { CloseForDestruction(); }

void TMemoryDataSet::SetStructure(const QString& text) {
    CheckInactive();
    mStructure = text;
    FieldDefs()->Clear();
    for (const QString& entry : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        QStringList parts = entry.simplified().split(QLatin1Char(' '));
        if (parts.size() < 2) continue;
        TFieldDef* def = FieldDefs()->Add(parts[0], ParseType(parts[1]), parts.size() > 2 ? parts[2].toInt() : 0);
        if (parts.size() > 3) def->SetPrecision(parts[3].toInt());
    }
}

// ---------------------------------------------------------------------------
// Opening and layout.

void TMemoryDataSet::ComputeLayout() {
    mColumns.clear();
    int offset = 0;
    for (int i = 0; i < FieldDefs()->Count(); ++i) {
        const TFieldDef* def = FieldDefs()->Items(i);
        Column column;
        column.offset = offset;
        column.blob = IsBlobType(def->DataType());
        column.size = column.blob ? 0 : NativeDataSize(def->DataType(), def->Size());
        offset += 1 + column.size;
        mColumns.push_back(column);
    }
    mRecordSize = offset;
}

void TMemoryDataSet::OpenEngineCursor() {
    mCalls << QStringLiteral("Open(%1)").arg(QLatin1String(StateName(State())));
    ComputeLayout();
    FBookmarkSize = kBookmarkSize;
    if (DefaultFields()) CreateFields();
    BindFields(true);
    mFlagOffset = mRecordSize + CalcFieldsSize();
    mBookmarkOffset = mFlagOffset + 1;
    mBufferSize = mBookmarkOffset + kBookmarkSize;
    mOpen = true;
    mCursor = -1;
    mOldBuffer = NewRecordBuffer();
    if (FailOpen) throw EDatabaseError(QStringLiteral("The cursor cannot be opened"));
    for (Row& row : mRows) row.blobs.resize(mColumns.size());
    for (Row& row : mRows) row.image.resize(mRecordSize);
}

void TMemoryDataSet::CloseEngineCursor() {
    mCalls << QStringLiteral("Close");
    BindFields(false);
    if (DefaultFields()) DestroyFields();
    if (mOldBuffer) DisposeRecordBuffer(mOldBuffer);
    mOpen = false;
}

TRecordBuffer TMemoryDataSet::NewRecordBuffer() {
    auto* buffer = new quint8[size_t(mBufferSize)]();
    mBlobs[buffer].resize(mColumns.size());
    return buffer;
}

void TMemoryDataSet::DisposeRecordBuffer(TRecordBuffer& buffer) {
    mBlobs.erase(buffer);
    delete[] buffer;
    buffer = nullptr;
}

std::vector<QByteArray>& TMemoryDataSet::BufferBlobs(TRecordBuffer buffer) {
    std::vector<QByteArray>& blobs = mBlobs[buffer];
    blobs.resize(mColumns.size());
    return blobs;
}

void TMemoryDataSet::ReadBufferBookmark(TRecordBuffer buffer, quint8* data) const {
    std::memcpy(data, buffer + mBookmarkOffset, kBookmarkSize);
}

void TMemoryDataSet::WriteBufferBookmark(TRecordBuffer buffer, const quint8* data) {
    std::memcpy(buffer + mBookmarkOffset, data, kBookmarkSize);
}

TBookmarkFlag TMemoryDataSet::ReadBufferBookmarkFlag(TRecordBuffer buffer) const {
    return TBookmarkFlag(buffer[mFlagOffset]);
}

void TMemoryDataSet::WriteBufferBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) {
    buffer[mFlagOffset] = quint8(flag);
}

void TMemoryDataSet::InitNewRecord(TRecordBuffer buffer) {
    std::memset(buffer, 0, size_t(mRecordSize));
    for (QByteArray& blob : BufferBlobs(buffer)) blob.clear();
}

qint32 TMemoryDataSet::BufferId(TRecordBuffer buffer) const {
    qint32 id;
    std::memcpy(&id, buffer + mBookmarkOffset, sizeof id);
    return id;
}

int TMemoryDataSet::IndexOfId(qint32 id) const {
    for (size_t i = 0; i < mRows.size(); ++i) {
        if (mRows[i].id == id) return int(i);
    }
    return -1;
}

void TMemoryDataSet::RowToBuffer(const Row& row, TRecordBuffer buffer) {
    std::memcpy(buffer, row.image.constData(), size_t(mRecordSize));
    BufferBlobs(buffer) = row.blobs;
    std::memcpy(buffer + mBookmarkOffset, &row.id, sizeof row.id);
    buffer[mFlagOffset] = bfCurrent;
}

TMemoryDataSet::Row TMemoryDataSet::BufferToRow(TRecordBuffer buffer, qint32 id) {
    Row row;
    row.id = id;
    row.image = QByteArray(reinterpret_cast<const char*>(buffer), mRecordSize);
    row.blobs = BufferBlobs(buffer);
    return row;
}

// ---------------------------------------------------------------------------
// The cursor.

TGetResult TMemoryDataSet::FetchRecord(TRecordBuffer buffer, TGetMode mode, bool /*doCheck*/) {
    if (!mOpen) return grError;
    for (;;) {
        int position = mode == gmNext ? mCursor + 1 : (mode == gmPrior ? mCursor - 1 : mCursor);
        if (mCursorLost) {
            // The row under the cursor is gone: the next one took its place.
            if (mode == gmCurrent) return grError;
            mCursorLost = false;
            if (mode == gmNext) position = mCursor;
        }
        if (position >= RowCount()) {
            mCursor = RowCount();
            return grEOF;
        }
        if (position < 0) {
            mCursor = -1;
            return grBOF;
        }
        mCursor = position;
        RowToBuffer(mRows[size_t(position)], buffer);
        CalculateFields(buffer);
        if (!Filtered() || AcceptByFilterEvent(buffer)) return grOK;
        if (mode == gmCurrent) return grError;
    }
}

void TMemoryDataSet::CursorToFirst() {
    mCursor = -1;
    mCursorLost = false;
}

void TMemoryDataSet::CursorToLast() {
    mCursor = RowCount();
    mCursorLost = false;
}

void TMemoryDataSet::CursorToBookmark(const TBookmark& bookmark) {
    qint32 id = 0;
    if (bookmark.size() == kBookmarkSize) std::memcpy(&id, bookmark.constData(), sizeof id);
    int index = IndexOfId(id);
    if (index < 0) DatabaseError(QStringLiteral("Record not found"), this);
    mCursor = index;
    mCursorLost = false;
}

void TMemoryDataSet::BeginEditRecord() {
    mCalls << QStringLiteral("Edit");
    std::memcpy(mOldBuffer, ActiveBuffer(), size_t(mBufferSize));
    BufferBlobs(mOldBuffer) = BufferBlobs(ActiveBuffer());
}

int TMemoryDataSet::InsertPosition(TRecordBuffer buffer) const {
    switch (ReadBufferBookmarkFlag(buffer)) {
    case bfEOF: return RowCount();
    case bfBOF: return 0;
    default: {
        int index = IndexOfId(BufferId(buffer));
        return index < 0 ? RowCount() : index;
    }
    }
}

void TMemoryDataSet::StoreNewRow(TRecordBuffer buffer, int position) {
    qint32 id = mNextId++;
    mRows.insert(mRows.begin() + position, BufferToRow(buffer, id));
    mCursor = position;
}

void TMemoryDataSet::StoreRecord() {
    mCalls << QStringLiteral("Store");
    if (OnStore) OnStore();
    TRecordBuffer buffer = ActiveBuffer();
    if (State() == dsInsert) {
        StoreNewRow(buffer, InsertPosition(buffer));
        return;
    }
    int index = IndexOfId(BufferId(buffer));
    if (index < 0) DatabaseError(QStringLiteral("Record not found"), this);
    mRows[size_t(index)] = BufferToRow(buffer, BufferId(buffer));
    mCursor = index;
}

void TMemoryDataSet::InternalAddRecord(TRecordBuffer buffer, bool append) {
    mCalls << (append ? QStringLiteral("Add(append)") : QStringLiteral("Add(insert)"));
    if (OnStore) OnStore();
    int position = append ? RowCount() : std::clamp(mCursor, 0, RowCount());
    StoreNewRow(buffer, position);
}

void TMemoryDataSet::DeleteCurrentRecord() {
    mCalls << QStringLiteral("Delete");
    if (mCursor < 0 || mCursor >= RowCount()) DatabaseError(QStringLiteral("No current record"), this);
    mRows.erase(mRows.begin() + mCursor);
}

void TMemoryDataSet::CancelEditRecord() { mCalls << QStringLiteral("Cancel(%1)").arg(QLatin1String(StateName(State()))); }

// ---------------------------------------------------------------------------
// Values.

TRecordBuffer TMemoryDataSet::ActiveRecordBuffer() const {
    if (State() == dsOldValue) return mOldBuffer;
    return TDataSet::ActiveRecordBuffer();
}

bool TMemoryDataSet::ReadDataFieldValue(TField* field, TRecordBuffer record, void* buffer) {
    const Column& column = mColumns[size_t(field->FieldNo() - 1)];
    if (record[column.offset] == 0) return false;
    if (buffer && !column.blob) std::memcpy(buffer, record + column.offset + 1, size_t(column.size));
    return true;
}

void TMemoryDataSet::WriteDataFieldValue(TField* field, TRecordBuffer record, const void* buffer) {
    const Column& column = mColumns[size_t(field->FieldNo() - 1)];
    record[column.offset] = buffer ? 1 : 0;
    if (column.blob) {
        if (!buffer) BufferBlobs(record)[size_t(field->FieldNo() - 1)].clear();
        return;
    }
    if (buffer) std::memcpy(record + column.offset + 1, buffer, size_t(column.size));
    else std::memset(record + column.offset + 1, 0, size_t(column.size));
}

std::unique_ptr<TStream> TMemoryDataSet::CreateBlobStream(TField* field, TBlobStreamMode mode) {
    if (mode != bmRead && State() != dsEdit && State() != dsInsert) {
        DatabaseError(QString::fromLatin1(dbtexts::NotEditing), this);
    }
    return std::make_unique<TMemoryBlobStream>(this, field, ActiveRecordBuffer(), mode);
}

void TMemoryDataSet::DropRow(int row) {
    mRows.erase(mRows.begin() + row);
    if (mCursor == row) mCursorLost = true;
    else if (mCursor > row) --mCursor;
}

TMasterDataLink& TMemoryDataSet::MasterLink() {
    if (!mMaster) mMaster = std::make_unique<TMasterDataLink>(this);
    return *mMaster;
}

std::unique_ptr<TMemoryDataSet> MakeNumbers(int rows, TComponent* owner) {
    auto dataSet = std::make_unique<TMemoryDataSet>(owner);
    dataSet->SetStructure(QStringLiteral("ID Integer; Name String 20"));
    dataSet->Open();
    for (int i = 1; i <= rows; ++i) dataSet->AppendRecord({Variant(i), Variant(QStringLiteral("n%1").arg(i))});
    dataSet->Calls().clear();
    dataSet->First();
    return dataSet;
}

QList<int> WalkForward(TDataSet& dataSet) {
    QList<int> ids;
    dataSet.First();
    while (!dataSet.Eof()) {
        ids << dataSet.FieldByName(QStringLiteral("ID"))->AsInteger();
        dataSet.Next();
    }
    return ids;
}

QByteArray TMemoryDataSet::StoredValue(int row, int fieldNo) const {
    const Column& column = mColumns[size_t(fieldNo - 1)];
    const QByteArray& image = mRows[size_t(row)].image;
    if (image[column.offset] == 0) return {};
    if (column.blob) return mRows[size_t(row)].blobs[size_t(fieldNo - 1)];
    return image.mid(column.offset + 1, column.size);
}

QByteArray TMemoryDataSet::ActiveImage(int fieldNo) const {
    const Column& column = mColumns[size_t(fieldNo - 1)];
    TRecordBuffer record = ActiveBuffer();
    if (record[column.offset] == 0) return {};
    return QByteArray(reinterpret_cast<const char*>(record + column.offset + 1), column.size);
}

// ---------------------------------------------------------------------------
// Positions.

int TMemoryDataSet::RecNo() const {
    CheckActive();
    if (State() != dsBrowse && State() != dsEdit) return -1;
    if (BufferedRecordCount() == 0) return -1;
    return IndexOfId(BufferId(ActiveBuffer())) + 1;
}

int TMemoryDataSet::RecordCount() const {
    CheckActive();
    return RowCount();
}

bool TMemoryDataSet::BookmarkValid(const TBookmark& bookmark) {
    if (bookmark.size() != kBookmarkSize) return false;
    qint32 id;
    std::memcpy(&id, bookmark.constData(), sizeof id);
    return IndexOfId(id) >= 0;
}

int TMemoryDataSet::CompareBookmarks(const TBookmark& first, const TBookmark& second) {
    auto position = [this](const TBookmark& bookmark) {
        if (bookmark.size() != kBookmarkSize) return -1;
        qint32 id;
        std::memcpy(&id, bookmark.constData(), sizeof id);
        return IndexOfId(id);
    };
    int a = position(first);
    int b = position(second);
    return a < b ? -1 : (a > b ? 1 : 0);
}

bool TMemoryDataSet::GetCurrentRecord(TRecordBuffer buffer) {
    if (BufferedRecordCount() == 0 || ReadBufferBookmarkFlag(ActiveBuffer()) != bfCurrent) return false;
    UpdateCursorPos();
    if (FetchRecord(buffer, gmCurrent, false) != grOK) return false;
    return true;
}
