// A small in-memory dataset for the dataset framework's tests: it implements
// the cursor contract over a vector of rows, with the row's id as bookmark,
// so that the framework's ring, states, fields and links run against a real
// cursor.
//
// Rows keep their values across Close/Open, like a table. The structure comes
// from FieldDefs (or the published Structure text "Name String 20; Age
// Integer"), set while closed. Record buffer: the record image (per column a
// has-value byte, then the native value; blobs keep only the byte and hold
// their bytes beside the buffer), the calculated area, the bookmark flag, the
// 4-byte row id.
//
// Fault injection: OnStore runs before a row is stored and may throw (a
// failed post); FailOpen makes OpenEngineCursor throw after it set up.
// Calls() logs the contract operations in order ("Open(dsOpening)",
// "Close", "Store", "Delete", ...).
#pragma once

#include "framework/datasource.h"
#include "framework/dataset.h"
#include "framework/fielddefs.h"
#include "framework/fields.h"
#include "framework/streams.h"

#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class TMemoryDataSet : public TDataSet {
    VARNEL_DECLARE_CLASS(TMemoryDataSet, TDataSet)

public:
    explicit TMemoryDataSet(TComponent* owner = nullptr);
    ~TMemoryDataSet() override;

    // "Name Type [Size [Precision]]" entries separated by ';' (types by their ft names
    // without the prefix: String, Integer, Memo, ...).
    QString Structure() const { return mStructure; }
    void SetStructure(const QString& text);

    int RowCount() const { return int(mRows.size()); }
    // The stored native image of a column of row `row` (empty when null).
    QByteArray StoredValue(int row, int fieldNo) const;
    // The native bytes of the active buffer's column (has-value byte dropped).
    QByteArray ActiveImage(int fieldNo) const;

    // Removes a row behind the dataset's back, as another user would; a
    // cursor standing on it is lost until it moves.
    void DropRow(int row);
    // Gives up on the open cursor as a dataset does when it cannot rebuild
    // its buffers: inactive state, cursor closed.
    void Abandon() {
        SetState(dsInactive);
        CloseEngineCursor();
    }
    // The master link, made on first use; DataSource() is its source.
    TMasterDataLink& MasterLink();
    TDataSource* DataSource() const override { return mMaster ? mMaster->DataSource() : nullptr; }

    QStringList& Calls() { return mCalls; }
    std::function<void()> OnStore;
    bool FailOpen = false;
    bool ReadOnlyCursor = false;

    int RecNo() const override;
    int RecordCount() const override;
    bool CanModify() const override { return !ReadOnlyCursor; }
    bool BookmarkValid(const TBookmark& bookmark) override;
    int CompareBookmarks(const TBookmark& first, const TBookmark& second) override;
    bool GetCurrentRecord(TRecordBuffer buffer) override;
    std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode) override;

    // Exposed for tests of the ring.
    using TDataSet::ActiveRecordBuffer;
    using TDataSet::BufferListSize;
    using TDataSet::CalculateFields;
    using TDataSet::SetBufferListSize;

protected:
    void OpenEngineCursor() override;
    void CloseEngineCursor() override;
    bool CursorIsOpen() const override { return mOpen; }
    TRecordBuffer NewRecordBuffer() override;
    void DisposeRecordBuffer(TRecordBuffer& buffer) override;
    int RecordSize() const override { return mRecordSize; }
    void ReadBufferBookmark(TRecordBuffer buffer, quint8* data) const override;
    void WriteBufferBookmark(TRecordBuffer buffer, const quint8* data) override;
    TBookmarkFlag ReadBufferBookmarkFlag(TRecordBuffer buffer) const override;
    void WriteBufferBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
    void InitNewRecord(TRecordBuffer buffer) override;
    TGetResult FetchRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
    void CursorToFirst() override;
    void CursorToLast() override;
    void CursorToBookmark(const TBookmark& bookmark) override;
    void BeginEditRecord() override;
    void StoreRecord() override;
    void InternalAddRecord(TRecordBuffer buffer, bool append) override;
    void DeleteCurrentRecord() override;
    void CancelEditRecord() override;
    bool ReadDataFieldValue(TField* field, TRecordBuffer record, void* buffer) override;
    void WriteDataFieldValue(TField* field, TRecordBuffer record, const void* buffer) override;
    TRecordBuffer ActiveRecordBuffer() const override;

private:
    friend class TMemoryBlobStream;
    struct Row {
        qint32 id = 0;
        QByteArray image;
        std::vector<QByteArray> blobs;  // by field number - 1
    };
    struct Column {
        int offset = 0;
        int size = 0;
        bool blob = false;
    };

    void ComputeLayout();
    int IndexOfId(qint32 id) const;
    qint32 BufferId(TRecordBuffer buffer) const;
    void RowToBuffer(const Row& row, TRecordBuffer buffer);
    Row BufferToRow(TRecordBuffer buffer, qint32 id);
    std::vector<QByteArray>& BufferBlobs(TRecordBuffer buffer);
    int InsertPosition(TRecordBuffer buffer) const;
    void StoreNewRow(TRecordBuffer buffer, int position);

    QString mStructure;
    std::vector<Row> mRows;
    qint32 mNextId = 1;
    int mCursor = -1;  // -1 before the first row, RowCount() after the last
    bool mCursorLost = false;
    std::unique_ptr<TMasterDataLink> mMaster;
    bool mOpen = false;
    std::vector<Column> mColumns;
    int mRecordSize = 0;
    int mFlagOffset = 0;
    int mBookmarkOffset = 0;
    int mBufferSize = 0;
    TRecordBuffer mOldBuffer = nullptr;
    std::map<TRecordBuffer, std::vector<QByteArray>> mBlobs;
    QStringList mCalls;
};

// An open dataset of `rows` rows "ID Integer; Name String 20" with ID 1..n
// and Name "n1".."n<n>", on its first row.
std::unique_ptr<TMemoryDataSet> MakeNumbers(int rows, TComponent* owner = nullptr);
// The IDs of the rows, walking with Next from First (restores nothing).
QList<int> WalkForward(TDataSet& dataSet);

// A data link that logs its notifications ("Active 1", "Changed",
// "Scrolled 2", "Record ID", "Record", "Editing 1", "CheckBrowse").
class TRecordingLink : public TDataLink {
public:
    QStringList log;

protected:
    void ActiveChanged() override { log << QStringLiteral("Active %1").arg(Active()); }
    void DataSetChanged() override { log << QStringLiteral("Changed"); }
    void DataSetScrolled(int distance) override { log << QStringLiteral("Scrolled %1").arg(distance); }
    void RecordChanged(TField* field) override {
        log << (field ? QStringLiteral("Record ") + field->FieldName() : QStringLiteral("Record"));
    }
    void EditingChanged() override { log << QStringLiteral("Editing %1").arg(Editing()); }
    void CheckBrowseMode() override { log << QStringLiteral("CheckBrowse"); }
};

// A data source with a link asking for `buffers` records, so that the
// dataset keeps at least that many buffers.
struct RingWindow {
    TDataSource source{nullptr};
    TRecordingLink link;
    RingWindow(TDataSet* dataSet, int buffers) {
        link.SetBufferCount(buffers);
        link.SetDataSource(&source);
        source.SetDataSet(dataSet);
    }
};

// Readable test output.
inline const char* StateName(TDataSetState state) {
    static const char* const names[] = {"dsInactive", "dsBrowse",   "dsEdit",      "dsInsert",    "dsSetKey",
                                        "dsCalcFields", "dsFilter", "dsNewValue",  "dsOldValue",  "dsCurValue",
                                        "dsBlockRead",  "dsInternalCalc", "dsOpening"};
    return names[state];
}
