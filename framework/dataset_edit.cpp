// TDataSet: the edit cycle (edit, insert, append, post, cancel, delete) and
// the record initialisation around it.
#include "framework/dataset.h"

#include "framework/fields.h"

#include <cstring>

namespace {

void Fire(const TDataSetNotifyEvent& event, TDataSet* dataSet) {
    if (event) event(dataSet);
}

bool IsEditing(TDataSetState state) { return state == dsEdit || state == dsInsert; }

}  // namespace

void TDataSet::CheckBrowseMode() {
    CheckActive();
    DataEvent(deCheckBrowseMode, 0);
    switch (mState) {
    case dsEdit:
    case dsInsert:
        UpdateRecord();
        if (mModified) Post();
        else Cancel();
        break;
    case dsSetKey:
        Post();
        break;
    default:
        break;
    }
}

void TDataSet::UpdateRecord() {
    if (!IsWritableState(mState)) DatabaseError(QString::fromLatin1(dbtexts::NotEditing), this);
    DataEvent(deUpdateRecord, 0);
}

void TDataSet::CheckCanModify() const {
    if (!CanModify()) DatabaseError(QString::fromLatin1(dbtexts::DataSetReadOnly), this);
}

void TDataSet::CheckOperation(const std::function<void()>& operation, const TDataSetErrorEvent& handler) {
    for (;;) {
        try {
            UpdateCursorPos();
            operation();
            return;
        } catch (EDatabaseError& e) {
            TDataAction action = daFail;
            if (handler) handler(this, e, action);
            if (action == daFail) throw;
            if (action == daAbort) Abort();
        }
    }
}

void TDataSet::ResetRecordBuffer(TRecordBuffer buffer) {
    InitNewRecord(buffer);
    ClearCalculatedArea(buffer);
    WriteBufferBookmarkFlag(buffer, bfInserted);
}

void TDataSet::ClearCalculatedArea(TRecordBuffer buffer) {
    if (buffer && mCalcFieldsSize > 0) std::memset(buffer + RecordSize(), 0, size_t(mCalcFieldsSize));
}

void TDataSet::NotifyNewRecord() {
    if (OnNewRecord) OnNewRecord(this);
}

void TDataSet::CheckRequiredFields() {
    for (TField* field : *mFields) {
        if (field->Required() && !field->ReadOnly() && field->FieldKind() == fkData && field->IsNull()) {
            DatabaseErrorFmt(dbtexts::FieldRequired, field->DisplayName(), this);
        }
    }
}

// ---------------------------------------------------------------------------

void TDataSet::Edit() {
    if (IsEditing(mState)) return;
    if (mRecordCount == 0) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModify();
    Fire(BeforeEdit, this);
    CheckOperation([this] { BeginEditRecord(); }, OnEditError);
    CalculateFields(ActiveBuffer());
    SetState(dsEdit);
    DataEvent(deRecordChange, 0);
    Fire(AfterEdit, this);
}

void TDataSet::BeginInsertAppend() {
    CheckBrowseMode();
    CheckCanModify();
    Fire(BeforeInsert, this);
    DoBeforeScroll();
}

void TDataSet::Insert() {
    BeginInsertAppend();
    TBookmark current = mRecordCount > 0 ? BufferBookmark(ActiveBuffer()) : TBookmark();
    // The spare buffer takes the active row; the rows from there on move
    // down, the last one falling out when the ring is full.
    MoveBuffer(mRecordCount, mActiveRecord);
    mCurrentRecord = -1;
    TRecordBuffer buffer = ActiveBuffer();
    ResetRecordBuffer(buffer);
    if (mRecordCount == 0) WriteBufferBookmarkFlag(buffer, bfBOF);
    else WriteBufferBookmark(buffer, reinterpret_cast<const quint8*>(current.constData()));
    if (mRecordCount < mBufferCount) ++mRecordCount;
    PrepareInsert();
    EndInsertAppend();
}

void TDataSet::Append() {
    BeginInsertAppend();
    ClearBuffers();
    TRecordBuffer buffer = mBuffers[0];
    ResetRecordBuffer(buffer);
    WriteBufferBookmarkFlag(buffer, bfEOF);
    mRecordCount = 1;
    mBof = false;
    FetchPriorRecords();
    PrepareInsert();
    EndInsertAppend();
}

void TDataSet::EndInsertAppend() {
    SetState(dsInsert);
    try {
        NotifyNewRecord();
    } catch (...) {
        UpdateCursorPos();
        SetState(dsBrowse);
        Resync({});
        throw;
    }
    mModified = false;
    DataEvent(deDataSetChange, 0);
    Fire(AfterInsert, this);
    DoAfterScroll();
}

void TDataSet::Post() {
    UpdateRecord();
    if (!IsEditing(mState)) return;
    DataEvent(deCheckBrowseMode, 0);
    Fire(BeforePost, this);
    CheckOperation(
        [this] {
            CheckRequiredFields();
            StoreRecord();
        },
        OnPostError);
    SetState(dsBrowse);
    Resync({});
    Fire(AfterPost, this);
}

void TDataSet::Cancel() {
    if (!IsEditing(mState)) return;
    DataEvent(deCheckBrowseMode, 0);
    Fire(BeforeCancel, this);
    bool scrolls = mState == dsInsert;
    if (scrolls) DoBeforeScroll();
    UpdateCursorPos();
    CancelEditRecord();
    SetState(dsBrowse);
    Resync({});
    Fire(AfterCancel, this);
    if (scrolls) DoAfterScroll();
}

void TDataSet::Delete() {
    CheckActive();
    if (mState == dsInsert || mState == dsSetKey) {
        Cancel();
        return;
    }
    if (mRecordCount == 0) DatabaseError(QString::fromLatin1(dbtexts::DataSetEmpty), this);
    DataEvent(deCheckBrowseMode, 0);
    Fire(BeforeDelete, this);
    DoBeforeScroll();
    CheckOperation([this] { DeleteCurrentRecord(); }, OnDeleteError);
    SetState(dsBrowse);
    Resync({});
    Fire(AfterDelete, this);
    DoAfterScroll();
}

void TDataSet::InsertRecord(const QList<Variant>& values) { AddRecord(values, false); }
void TDataSet::AppendRecord(const QList<Variant>& values) { AddRecord(values, true); }

void TDataSet::AddRecord(const QList<Variant>& values, bool append) {
    BeginInsertAppend();
    if (!append) UpdateCursorPos();
    DisableControls();
    try {
        MoveBuffer(mRecordCount, mActiveRecord);
        TRecordBuffer buffer = ActiveBuffer();
        try {
            ResetRecordBuffer(buffer);
            mState = dsInsert;
            try {
                NotifyNewRecord();
                Fire(AfterInsert, this);
                for (int i = 0; i < values.size(); ++i) {
                    if (values[i].IsEmpty()) continue;
                    (*mFields)[i]->SetAsVariant(values[i]);
                }
                Fire(BeforePost, this);
                CheckRequiredFields();
                InternalAddRecord(buffer, append);
            } catch (...) {
                mState = dsBrowse;
                mModified = false;
                throw;
            }
            mState = dsBrowse;
            mModified = false;
        } catch (...) {
            MoveBuffer(mActiveRecord, mRecordCount);
            mCurrentRecord = -1;
            throw;
        }
    } catch (...) {
        EnableControls();
        throw;
    }
    mCurrentRecord = -1;
    EnableControls();
    Resync({});
    Fire(AfterPost, this);
}

void TDataSet::ClearFields() {
    if (!IsWritableState(mState)) DatabaseError(QString::fromLatin1(dbtexts::NotEditing), this);
    DataEvent(deCheckBrowseMode, 0);
    InitNewRecord(ActiveBuffer());
    if (mState != dsSetKey) CalculateFields(ActiveBuffer());
    DataEvent(deRecordChange, 0);
}
