// TDataSet: the generic dataset of the framework. A concrete dataset (the
// data-access layer's, or a test's in-memory one) supplies a cursor through
// the protected contract operations; the framework keeps a ring of record
// buffers over that cursor, the dataset state, the field objects and the data
// links that show the records.
//
// The buffer ring. Buffers(0 .. BufferCount()) exist while the dataset is
// open: BufferCount() buffers for records plus one spare at the end. The
// first BufferedRecordCount() of them hold consecutive records of the cursor
// in order; ActiveRecord() (< BufferedRecordCount(), or 0 when empty) is the
// one the fields show. CurrentRecord() is the buffer the engine cursor stands
// on, or -1 when the cursor may be anywhere: every operation that moves the
// cursor relative to the buffers first puts it back on a buffer's bookmark
// through CursorToBookmark.
//
// States. State() is dsInactive while closed, dsOpening while the cursor is
// being opened, dsBrowse while browsing, dsEdit/dsInsert while a record is
// edited; the other states are entered for one step with SetTempState and
// left with RestoreState on every way out.
//
// Errors are EDatabaseError; a failed operation leaves the state and the
// buffers as they were before it (a failed Post stays in dsEdit/dsInsert with
// the values entered).
#pragma once

#include "framework/classes.h"
#include "framework/dberror.h"
#include "framework/fieldtypes.h"
#include "framework/tset.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class TDataSet;
class TDataSource;
class TDataLink;
class TField;
class TFields;
class TFieldDefs;
class TIndexDef;
class TParams;
class TStream;
class Variant;

enum TDataSetState {
    dsInactive,
    dsBrowse,
    dsEdit,
    dsInsert,
    dsSetKey,
    dsCalcFields,
    dsFilter,
    dsNewValue,
    dsOldValue,
    dsCurValue,
    dsBlockRead,
    dsInternalCalc,
    dsOpening,
};

// Notifications sent through DataEvent to the data sources and their links.
// Info: the field for deFieldChange, deFocusControl; the distance moved for
// deDataSetScroll; 0 otherwise.
enum TDataEvent {
    deFieldChange,
    deRecordChange,
    deDataSetChange,
    deDataSetScroll,
    deLayoutChange,
    deUpdateRecord,
    deUpdateState,
    deCheckBrowseMode,
    dePropertyChange,
    deFieldListChange,
    deFocusControl,
    deParentScroll,
    deConnectChange,
    deReconcileError,
    deDisabledStateChange,
};

// FetchRecord: which record to read into the buffer, and what came of it.
enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };

enum TResyncModeFlag { rmExact, rmCenter };
using TResyncMode = TSet<TResyncModeFlag>;

// The per-buffer bookmark flag: bfCurrent for a record read from the cursor,
// bfInserted for a record initialised for an insert (and, for the layer, one
// already appended).
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };

enum TLocateOption { loCaseInsensitive, loPartialKey };
using TLocateOptions = TSet<TLocateOption>;

enum TFilterOption { foCaseInsensitive, foNoPartialCompare };
using TFilterOptions = TSet<TFilterOption>;

enum TDataAction { daFail, daAbort, daRetry };

enum TUpdateStatus { usUnmodified, usModified, usInserted, usDeleted };

// Provider updates: what kind of change a delta record carries, what the
// update handler made of it, and how a resolver finds the record.
enum TUpdateKind { ukModify, ukInsert, ukDelete };
enum TUpdateAction { uaFail, uaAbort, uaSkip, uaRetry, uaApplied };
enum TUpdateMode { upWhereAll, upWhereChanged, upWhereKeyOnly };

// A record buffer: a block made by NewRecordBuffer, laid out by the dataset.
using TRecordBuffer = quint8*;
// A bookmark: a copy of a buffer's bookmark bytes; empty means "none".
using TBookmark = QByteArray;
// The class a field object is created from (its class record).
using TFieldClass = TMetaClass*;

using TDataSetNotifyEvent = std::function<void(TDataSet* DataSet)>;
using TDataSetErrorEvent = std::function<void(TDataSet* DataSet, EDatabaseError& E, TDataAction& Action)>;
using TFilterRecordEvent = std::function<void(TDataSet* DataSet, bool& Accept)>;

class TDataSet : public TComponent {
    VARNEL_DECLARE_CLASS(TDataSet, TComponent)

public:
    explicit TDataSet(TComponent* owner);
    // A derived class calls CloseForDestruction() in its own destructor,
    // after freeing what it owns (the contract operations are its own and
    // are gone once this destructor runs); this destructor only frees what
    // is left.
    ~TDataSet() override;

    // --- opening and closing -------------------------------------------
    // Active is published. Setting it while the component is loading only
    // remembers the value; Loaded() opens then.
    bool Active() const { return mState != dsInactive; }
    void SetActive(bool value);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    TDataSetState State() const { return mState; }

    // Raise "Cannot perform this operation on a closed dataset" (CheckActive)
    // or "Cannot perform this operation on an open dataset" (CheckInactive).
    void CheckActive() const;
    void CheckInactive() const;

    // --- navigation -------------------------------------------------------
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    // Moves by `distance` records; returns how far it moved.
    int MoveBy(int distance);
    bool Bof() const { return mBof; }
    bool Eof() const { return mEof; }
    bool IsEmpty() const;

    // Rebuilds the ring around the cursor's current record. rmExact: fail
    // with "Record not found" when that record is gone; rmCenter: put it in
    // the middle of the ring rather than keep its row.
    virtual void Resync(TResyncMode mode);
    // Puts the cursor on the active record (when CurrentRecord is not it).
    void UpdateCursorPos();
    // Posts a pending edit or insert (after telling the links), and checks
    // that the dataset is open.
    void CheckBrowseMode();
    // Re-reads the records from the cursor (RefreshCursor first); the
    // active record stays when it still exists.
    void Refresh();

    // --- editing ----------------------------------------------------------
    void Edit();
    void Insert();
    void Append();
    virtual void Post();
    virtual void Cancel();
    void Delete();
    void InsertRecord(const QList<Variant>& values);
    void AppendRecord(const QList<Variant>& values);
    void ClearFields();
    // Asks the links to write pending values into the fields
    // (deUpdateRecord); "Dataset not in edit or insert mode" outside the
    // writable states.
    void UpdateRecord();
    // True once a field was written since the edit began.
    bool Modified() const { return mModified; }
    void SetModified(bool value) { mModified = value; }
    virtual bool CanModify() const { return true; }

    // --- bookmarks, finding -----------------------------------------------
    virtual TBookmark GetBookmark() const;
    void GotoBookmark(const TBookmark& bookmark);
    virtual bool BookmarkValid(const TBookmark& bookmark);
    // <0, 0, >0 as the first is before, at, after the second (empty first).
    virtual int CompareBookmarks(const TBookmark& first, const TBookmark& second);
    // Fills `buffer` with the cursor's record; false when it has none.
    virtual bool GetCurrentRecord(TRecordBuffer buffer);

    bool FindFirst() { return FindRecord(true, true); }
    bool FindLast() { return FindRecord(true, false); }
    bool FindNext() { return FindRecord(false, true); }
    bool FindPrior() { return FindRecord(false, false); }
    // The find request behind the four above: the next record (from the
    // start or end when `restart`) that OnFilterRecord accepts, whether or
    // not the dataset is Filtered; sets Found. The base scans the cursor.
    virtual bool FindRecord(bool restart, bool goForward);
    bool Found() const { return mFound; }
    void SetFound(bool value) { mFound = value; }

    // The first record whose ';'-separated key fields equal `keyValues` (one
    // value, or an array for several fields). Locate makes it the active
    // record; Lookup only reads `resultFields` of it (Null when none) and
    // leaves the active record alone. The base scans the cursor.
    virtual bool Locate(const QString& keyFields, const Variant& keyValues, TLocateOptions options);
    virtual Variant Lookup(const QString& keyFields, const Variant& keyValues, const QString& resultFields);

    virtual int RecNo() const { return -1; }
    virtual void SetRecNo(int /*value*/) {}
    virtual int RecordCount() const { return -1; }
    virtual bool IsSequenced() const { return true; }
    virtual TUpdateStatus UpdateStatus() const;

    // --- filters ----------------------------------------------------------
    const QString& Filter() const { return mFilterText; }
    virtual void SetFilter(const QString& text);
    bool Filtered() const { return mFiltered; }
    virtual void SetFiltered(bool value);
    TFilterOptions FilterOptions() const { return mFilterOptions; }
    virtual void SetFilterOptions(TFilterOptions options);

    // --- fields -----------------------------------------------------------
    TFields* Fields() const { return mFields.get(); }
    TFieldDefs* FieldDefs() const { return mFieldDefs.get(); }
    int FieldCount() const;
    TField* FindField(const QString& name) const;        // nullptr when none
    TField* FieldByName(const QString& name) const;      // "Field 'X' not found"
    // The fields named in a ';'-separated list, in order (raises for an
    // unknown name).
    void GetFieldList(QList<TField*>& list, const QString& fieldNames) const;
    // One value, or an array of values for several ';'-separated names.
    Variant FieldValues(const QString& fieldNames) const;
    void SetFieldValues(const QString& fieldNames, const Variant& values);
    // True while the field objects were made from the field definitions
    // at open (no persistent fields).
    bool DefaultFields() const { return mDefaultFields; }
    // Brings FieldDefs up to date (RefreshFieldDefs when not Updated); also
    // on a closed dataset.
    void UpdateFieldDefs();
    // Marks FieldDefs out of date, so that the next UpdateFieldDefs reads
    // them again.
    void FieldDefsChanged();
    // Reading and writing a field's value in native format, by the
    // dataset's state (see ActiveRecordBuffer). `buffer` nullptr on read:
    // only the null test; on write: write null.
    virtual bool GetFieldData(TField* field, void* buffer);
    virtual void PutFieldData(TField* field, const void* buffer);
    // Blob access: a stream over the field's content, owned by the caller.
    virtual std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode);
    virtual void CloseBlob(TField* /*field*/) {}
    // The class a default field of `type` is made of (nullptr: no field
    // object for that type).
    virtual TFieldClass FieldClassFor(TFieldType type) const;
    // May `field` be written in dsSetKey?
    virtual bool IsIndexField(TField* /*field*/) const { return false; }
    // Master and detail key fields of a linked dataset.
    virtual void GetDetailLinkFields(QList<TField*>& masterFields, QList<TField*>& detailFields);

    // Size of the calculated area after the record image (RecordSize()),
    // and the number of blob fields; both fixed once the fields are bound.
    int CalcFieldsSize() const { return mCalcFieldsSize; }
    int BlobFieldCount() const { return mBlobFieldCount; }
    bool AutoCalcFields() const { return mAutoCalcFields; }
    void SetAutoCalcFields(bool value) { mAutoCalcFields = value; }

    // --- data sources and links ------------------------------------------
    virtual void DataEvent(TDataEvent event, qintptr info);
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return mDisableCount != 0; }
    // The data source this dataset is a detail of (none in the base).
    virtual TDataSource* DataSource() const { return nullptr; }
    // True when this dataset, or one it is a detail of, shows through
    // `source` (the test behind "Circular Data Link").
    bool IsLinkedTo(TDataSource* source) const;

    // --- provider support ---------------------------------------------------
    // What a data provider asks of a dataset. The base answers as a dataset
    // without SQL, transactions or statements.
    virtual bool PSIsSQLSupported() const { return false; }
    virtual bool PSIsSQLBased() const { return false; }
    virtual QString PSGetQuoteChar() const { return QStringLiteral("\""); }
    virtual bool PSInTransaction() const { return false; }
    virtual void PSStartTransaction() {}
    virtual void PSEndTransaction(bool /*commit*/) {}
    // Back to the first record (posting a pending edit) when open.
    virtual void PSReset();
    // Runs `sql`; with `resultSet` a dataset of the rows is made (owned by
    // the caller). Returns the rows affected. The base cannot.
    virtual int PSExecuteStatement(const QString& sql, TParams* params, TDataSet** resultSet);
    // Applies one delta record; true when handled. The base handles none.
    virtual bool PSUpdateRecord(TUpdateKind /*kind*/, TDataSet* /*delta*/) { return false; }
    virtual TIndexDef* PSGetDefaultOrder() { return nullptr; }
    virtual TParams* PSGetParams() { return nullptr; }
    virtual void PSSetParams(TParams* /*params*/) {}
    virtual void PSSetCommandText(const QString& /*text*/) {}
    virtual QString PSGetTableName() { return QString(); }
    virtual void PSExecute();

    // --- events (published) ------------------------------------------------
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent BeforeRefresh, AfterRefresh;
    TDataSetNotifyEvent OnCalcFields, OnNewRecord;
    TFilterRecordEvent OnFilterRecord;
    TDataSetErrorEvent OnEditError, OnPostError, OnDeleteError;

    // --- the ring, readable by the subclass and the links -------------------
    int BufferCount() const { return mBufferCount; }
    int BufferedRecordCount() const { return mRecordCount; }
    int ActiveRecord() const { return mActiveRecord; }
    int CurrentRecord() const { return mCurrentRecord; }
    void SetCurrentRecord(int index) { mCurrentRecord = index; }
    TRecordBuffer Buffers(int index) const { return mBuffers[size_t(index)]; }
    TRecordBuffer ActiveBuffer() const;
    TRecordBuffer CalcBuffer() const { return mCalcBuffer; }
    // The buffer after the last buffered record (scratch).
    TRecordBuffer SpareBuffer() const;
    int BookmarkSize() const { return FBookmarkSize; }

    // Enters `state` for one step; RestoreState puts the returned one back.
    TDataSetState SetTempState(TDataSetState state);
    void RestoreState(TDataSetState previous);

protected:
    // --- the contract: what a concrete dataset supplies ---------------------
    virtual void OpenEngineCursor() = 0;
    virtual void CloseEngineCursor() = 0;
    virtual bool CursorIsOpen() const = 0;
    virtual void LoadFieldDefs() {}
    // Field definitions from the cursor, also while closed; default LoadFieldDefs.
    virtual void RefreshFieldDefs() { LoadFieldDefs(); }
    virtual void UpdateIndexDefs() {}

    virtual TRecordBuffer NewRecordBuffer() = 0;
    virtual void DisposeRecordBuffer(TRecordBuffer& buffer) = 0;
    virtual int RecordSize() const = 0;
    virtual void ReadBufferBookmark(TRecordBuffer buffer, quint8* data) const = 0;
    virtual void WriteBufferBookmark(TRecordBuffer buffer, const quint8* data) = 0;
    virtual TBookmarkFlag ReadBufferBookmarkFlag(TRecordBuffer buffer) const = 0;
    virtual void WriteBufferBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) = 0;
    // The framework's record initialisation: InitNewRecord, a cleared
    // calculated area, flag bfInserted.
    virtual void ResetRecordBuffer(TRecordBuffer buffer);
    virtual void InitNewRecord(TRecordBuffer buffer) = 0;
    // Zero-fills the calculated area of `buffer`.
    virtual void ClearCalculatedArea(TRecordBuffer buffer);

    // Reads the record at, after or before the cursor into `buffer`.
    virtual TGetResult FetchRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) = 0;
    virtual void CursorToFirst() = 0;   // before the first record
    virtual void CursorToLast() = 0;    // after the last record
    virtual void CursorToBookmark(const TBookmark& bookmark) = 0;
    // Asks the cursor to refresh what it holds (Refresh re-reads after it).
    virtual void RefreshCursor() {}

    virtual void BeginEditRecord() {}
    virtual void PrepareInsert() {}
    virtual void StoreRecord() = 0;
    virtual void InternalAddRecord(TRecordBuffer buffer, bool append) = 0;
    virtual void DeleteCurrentRecord() = 0;
    virtual void CancelEditRecord() {}
    // Runs when a new record is initialised for an insert: fires OnNewRecord.
    virtual void NotifyNewRecord();
    // After-open handling: fires AfterOpen.
    virtual void DoAfterOpen();

    // --- services for the subclass ------------------------------------------
    // Changes the state and tells the links. dsInactive also frees the ring
    // (a subclass that gives up on its cursor sets it, then closes the
    // cursor itself).
    void SetState(TDataSetState state);
    void SetBof(bool value) { mBof = value; }
    void SetEof(bool value) { mEof = value; }
    void DoBeforeScroll();
    void DoAfterScroll();
    // Computes the calculated and lookup fields of `buffer` (OnCalcFields
    // runs in dsCalcFields); true when the dataset has any.
    bool CalculateFields(TRecordBuffer buffer);
    // Empties the ring (records only; the buffers stay allocated).
    void ClearBuffers();
    // Resizes the ring to `count` record buffers (plus the spare).
    void SetBufferCount(int count);
    // The same by the number of buffers including the spare: 0 frees them
    // all (so that a new buffer layout can take effect), n makes n - 1
    // record buffers and the spare.
    void SetBufferListSize(int total);
    int BufferListSize() const { return int(mBuffers.size()); }
    // A copy of the bookmark bytes of `buffer` (BookmarkSize() bytes).
    TBookmark BufferBookmark(TRecordBuffer buffer) const;
    // Raises the required-field error for the first required field without
    // value.
    void CheckRequiredFields();
    // Value hooks of the framework's GetFieldData/PutFieldData for data
    // fields (FieldNo() > 0) in a record buffer; a dataset that replaces
    // those two operations needs neither. The base reads no value and
    // refuses writes.
    virtual bool ReadDataFieldValue(TField* field, TRecordBuffer record, void* buffer);
    virtual void WriteDataFieldValue(TField* field, TRecordBuffer record, const void* buffer);
    // The calculated-area entry of a calculated or lookup field in `buffer`:
    // a has-value byte, then the field's DataSize bytes.
    quint8* CalculatedEntry(TField* field, TRecordBuffer buffer) const;
    bool ReadCalculatedValue(TField* field, TRecordBuffer buffer, void* dest) const;
    void WriteCalculatedValue(TField* field, TRecordBuffer buffer, const void* source);
    // The record buffer field access uses in the current state: the active
    // buffer while browsing (none when empty) or editing, the calculation
    // buffer in dsCalcFields, the filter buffer in dsFilter (set by the
    // subclass), none otherwise. A subclass with more states overrides it.
    virtual TRecordBuffer ActiveRecordBuffer() const;
    void SetFilterBuffer(TRecordBuffer buffer) { mFilterBuffer = buffer; }
    // For a dataset whose cursor does the filtering: the settings stored
    // without the framework's re-positioning, which that dataset does itself
    // once its cursor has the new filter.
    void StoreFilterText(const QString& text) { mFilterText = text; }
    void StoreFiltered(bool value) { mFiltered = value; }
    // Runs OnFilterRecord in dsFilter on `buffer`; an exception from the
    // handler goes to the application handler when one is installed.
    bool AcceptByFilterEvent(TRecordBuffer buffer);

    // Field objects: made from the definitions, bound by name at open.
    void CreateFields();
    void DestroyFields();
    void BindFields(bool binding);

    // The part of destruction that needs the derived class: closes the
    // dataset (running the contract close) and detaches the data sources.
    void CloseForDestruction();

    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void DefineProperties(TFiler& filer) override;

    // Set by the subclass when its cursor is open and after an index change.
    int FBookmarkSize = 0;

private:
    friend class TField;
    friend class TFields;
    friend class TDataSource;
    friend class TDataLink;

    void OpenCursor();
    void CloseCursor();
    void DoInternalOpen();
    void DoInternalClose();
    void AllocateRing();
    void FreeRing();
    int LinkBufferNeed() const;
    bool FetchNext();
    bool FetchPrior();
    int FetchNextRecords();
    int FetchPriorRecords();
    void CursorToBuffer(int index);
    void JumpToEnd(bool start);
    void MoveBuffer(int from, int to);
    void ActivateBuffers();
    void DistributeEvent(TDataEvent event, qintptr info);
    void BeginInsertAppend();
    void EndInsertAppend();
    bool ScanRecords(bool fromStart, bool forward, const std::function<bool(TRecordBuffer)>& matches,
                     TBookmark& found);
    bool ScanForKeys(const QString& keyFields, const Variant& keyValues, TLocateOptions options, TBookmark& found,
                     const QString& resultFields, Variant* result);
    void AddRecord(const QList<Variant>& values, bool append);
    void CheckOperation(const std::function<void()>& operation, const TDataSetErrorEvent& handler);
    void CheckCanModify() const;
    void AddDataSource(TDataSource* source);
    void RemoveDataSource(TDataSource* source);
    void UpdateBufferCount();
    void FieldChanged(TField* field);

    TDataSetState mState = dsInactive;
    std::vector<TRecordBuffer> mBuffers;
    int mBufferCount = 0;
    int mRecordCount = 0;
    int mActiveRecord = 0;
    int mCurrentRecord = -1;
    TRecordBuffer mCalcBuffer = nullptr;
    TRecordBuffer mFilterBuffer = nullptr;
    bool mBof = true;
    bool mEof = true;
    bool mModified = false;
    bool mFound = false;
    bool mStreamedActive = false;
    bool mAutoCalcFields = true;
    bool mDefaultFields = true;
    bool mFiltered = false;
    bool mInternalOpenDone = false;
    QString mFilterText;
    TFilterOptions mFilterOptions;
    int mCalcFieldsSize = 0;
    int mBlobFieldCount = 0;
    bool mHasCalcFields = false;
    int mDisableCount = 0;
    TDataSetState mDisableState = dsInactive;
    TDataEvent mEnableEvent = deDataSetChange;
    std::unique_ptr<TFields> mFields;
    std::unique_ptr<TFieldDefs> mFieldDefs;
    std::vector<TDataSource*> mDataSources;
};

// The states in which fields accept values: dsEdit, dsInsert, dsSetKey,
// dsCalcFields, dsFilter, dsNewValue, dsInternalCalc.
bool IsWritableState(TDataSetState state);

// The silent exception: an operation given up on purpose (an error event
// answering daAbort); the application shows no message for it.
class EAbort : public Exception {
public:
    using Exception::Exception;
    std::shared_ptr<Exception> Clone() const override { return std::make_shared<EAbort>(*this); }
};
[[noreturn]] void Abort();

// The application's handler for an exception that an event handler let
// escape where the framework must go on (OnFilterRecord). The window
// toolkit installs it; without one the exception propagates.
using TApplicationExceptionHandler = std::function<void(const Exception& E)>;
void SetApplicationExceptionHandler(TApplicationExceptionHandler handler);
const TApplicationExceptionHandler& ApplicationExceptionHandler();

// The framework's error texts, shared by the framework and the layer.
namespace dbtexts {
inline const char* const NotEditing = "Dataset not in edit or insert mode";
inline const char* const DataSetClosed = "Cannot perform this operation on a closed dataset";
inline const char* const DataSetOpen = "Cannot perform this operation on an open dataset";
inline const char* const FieldNotFound = "Field '%1' not found";
inline const char* const FieldReadOnly = "Field '%1' cannot be modified";
inline const char* const NotIndexField = "Field '%1' is not indexed and cannot be modified";
inline const char* const FieldRequired = "Field '%1' must have a value";
inline const char* const DataSetReadOnly = "Cannot modify a read-only dataset";
inline const char* const DataSetEmpty = "Cannot perform this operation on an empty dataset";
inline const char* const RecordNotFound = "Record not found";
inline const char* const BookmarkNotFound = "Record not found";
inline const char* const CircularDataLink = "Circular datalinks are not allowed";
inline const char* const NoDataSet = "Missing DataSet property";
inline const char* const NotBrowsing = "Dataset not in browse mode";
}  // namespace dbtexts

// Raises EDatabaseError with `text` (its %1 replaced by `argument`), naming
// the component when it has a name: "Name: text".
[[noreturn]] void DatabaseError(const QString& text, const TComponent* component = nullptr);
[[noreturn]] void DatabaseErrorFmt(const char* text, const QString& argument, const TComponent* component = nullptr);
