// TDataSet: construction, opening and closing, states, data events and the
// data sources, the framework's errors.
#include "framework/dataset.h"

#include "framework/datasource.h"
#include "framework/fielddefs.h"
#include "framework/fields.h"
#include "framework/typinfo.h"

#include <algorithm>

VARNEL_PUBLISH(TDataSet, c) {
    c.prop("Active", &TDataSet::Active, &TDataSet::SetActive).def(false);
    c.prop("AutoCalcFields", &TDataSet::AutoCalcFields, &TDataSet::SetAutoCalcFields).def(true);
    c.prop("Filter", &TDataSet::Filter, &TDataSet::SetFilter);
    c.prop("Filtered", &TDataSet::Filtered, &TDataSet::SetFiltered).def(false);
    c.event("BeforeOpen", &TDataSet::BeforeOpen);
    c.event("AfterOpen", &TDataSet::AfterOpen);
    c.event("BeforeClose", &TDataSet::BeforeClose);
    c.event("AfterClose", &TDataSet::AfterClose);
    c.event("BeforeInsert", &TDataSet::BeforeInsert);
    c.event("AfterInsert", &TDataSet::AfterInsert);
    c.event("BeforeEdit", &TDataSet::BeforeEdit);
    c.event("AfterEdit", &TDataSet::AfterEdit);
    c.event("BeforePost", &TDataSet::BeforePost);
    c.event("AfterPost", &TDataSet::AfterPost);
    c.event("BeforeCancel", &TDataSet::BeforeCancel);
    c.event("AfterCancel", &TDataSet::AfterCancel);
    c.event("BeforeDelete", &TDataSet::BeforeDelete);
    c.event("AfterDelete", &TDataSet::AfterDelete);
    c.event("BeforeScroll", &TDataSet::BeforeScroll);
    c.event("AfterScroll", &TDataSet::AfterScroll);
    c.event("BeforeRefresh", &TDataSet::BeforeRefresh);
    c.event("AfterRefresh", &TDataSet::AfterRefresh);
    c.event("OnCalcFields", &TDataSet::OnCalcFields);
    c.event("OnDeleteError", &TDataSet::OnDeleteError);
    c.event("OnEditError", &TDataSet::OnEditError);
    c.event("OnFilterRecord", &TDataSet::OnFilterRecord);
    c.event("OnNewRecord", &TDataSet::OnNewRecord);
    c.event("OnPostError", &TDataSet::OnPostError);
}

namespace {

TApplicationExceptionHandler& HandlerSlot() {
    static TApplicationExceptionHandler handler;
    return handler;
}

void Fire(const TDataSetNotifyEvent& event, TDataSet* dataSet) {
    if (event) event(dataSet);
}

}  // namespace

void Abort() { throw EAbort(QStringLiteral("Operation aborted")); }

void SetApplicationExceptionHandler(TApplicationExceptionHandler handler) { HandlerSlot() = std::move(handler); }
const TApplicationExceptionHandler& ApplicationExceptionHandler() { return HandlerSlot(); }

void DatabaseError(const QString& text, const TComponent* component) {
    if (component && !component->Name().isEmpty()) throw EDatabaseError(component->Name() + QStringLiteral(": ") + text);
    throw EDatabaseError(text);
}

void DatabaseErrorFmt(const char* text, const QString& argument, const TComponent* component) {
    DatabaseError(QString::fromLatin1(text).arg(argument), component);
}

// ---------------------------------------------------------------------------

TDataSet::TDataSet(TComponent* owner)
    : TComponent(owner), mFields(std::make_unique<TFields>(this)), mFieldDefs(std::make_unique<TFieldDefs>(this)) {
    mFieldDefs->OnUpdate = [this] { RefreshFieldDefs(); };
}

TDataSet::~TDataSet() {
    // The derived part is gone: whatever it did not close cannot be closed
    // through the contract any more, so only the framework's own parts go.
    for (TDataSource* source : std::vector<TDataSource*>(mDataSources)) source->SetDataSet(nullptr);
    // Persistent fields outlive their dataset only detached from it; the
    // default ones go with the owned components.
    for (TField* field : *mFields) field->mDataSet = nullptr;
    mFields->Clear();
    DestroyComponents();
}

void TDataSet::CloseForDestruction() {
    Destroying();
    try {
        SetActive(false);
    } catch (...) {
        // A close that fails while the dataset is destroyed cannot be
        // reported to anyone; the handles are forgotten all the same.
    }
    for (TDataSource* source : std::vector<TDataSource*>(mDataSources)) source->SetDataSet(nullptr);
}

void TDataSet::SetActive(bool value) {
    if (IsLoading()) {
        mStreamedActive = value;
        return;
    }
    if (Active() == value) return;
    if (value) {
        Fire(BeforeOpen, this);
        OpenCursor();
        SetState(dsBrowse);
        DoAfterOpen();
        if (!IsEmpty()) DoAfterScroll();
    } else {
        if (!IsDestroying()) Fire(BeforeClose, this);
        SetState(dsInactive);
        CloseCursor();
        if (!IsDestroying()) Fire(AfterClose, this);
    }
}

void TDataSet::Loaded() {
    TComponent::Loaded();
    if (mStreamedActive) {
        mStreamedActive = false;
        SetActive(true);
    }
}

void TDataSet::OpenCursor() {
    CheckInactive();
    SetState(dsOpening);
    try {
        DoInternalOpen();
    } catch (...) {
        SetState(dsInactive);
        try {
            CloseCursor();
        } catch (...) {
            // The opening error is the one to report.
        }
        throw;
    }
}

void TDataSet::DoInternalOpen() {
    mDefaultFields = mFields->Count() == 0;
    OpenEngineCursor();
    mInternalOpenDone = true;
    mBof = true;
    AllocateRing();
}

void TDataSet::CloseCursor() {
    mInternalOpenDone = false;
    ClearBuffers();
    FreeRing();
    DoInternalClose();
}

void TDataSet::DoInternalClose() {
    CloseEngineCursor();
    mDefaultFields = false;
}

void TDataSet::DoAfterOpen() { Fire(AfterOpen, this); }

void TDataSet::CheckActive() const {
    if (mState == dsInactive) DatabaseError(QString::fromLatin1(dbtexts::DataSetClosed), this);
}

void TDataSet::CheckInactive() const {
    if (mState != dsInactive && mState != dsOpening) {
        DatabaseError(QString::fromLatin1(dbtexts::DataSetOpen), this);
    }
}

// ---------------------------------------------------------------------------
// States.

void TDataSet::SetState(TDataSetState state) {
    if (mState == state) return;
    if (state == dsInactive) {
        // Whoever ends the open state (Close, or a subclass giving up on a
        // broken cursor) leaves no buffers of the old layout behind.
        mInternalOpenDone = false;
        ClearBuffers();
        FreeRing();
    }
    mState = state;
    mModified = false;
    DataEvent(deUpdateState, 0);
}

TDataSetState TDataSet::SetTempState(TDataSetState state) {
    TDataSetState previous = mState;
    mState = state;
    ++mDisableCount;
    return previous;
}

void TDataSet::RestoreState(TDataSetState previous) {
    mState = previous;
    --mDisableCount;
}

void TDataSet::DoBeforeScroll() { Fire(BeforeScroll, this); }
void TDataSet::DoAfterScroll() { Fire(AfterScroll, this); }

// ---------------------------------------------------------------------------
// Data events and data sources.

void TDataSet::DataEvent(TDataEvent event, qintptr info) {
    bool notify = !(ControlsDisabled() || mState == dsBlockRead);
    switch (event) {
    case deFieldChange:
        FieldChanged(reinterpret_cast<TField*>(info));
        break;
    case dePropertyChange:
        mFieldDefs->SetUpdated(false);
        break;
    case deLayoutChange:
        if (ControlsDisabled()) mEnableEvent = deLayoutChange;
        break;
    case deUpdateState:
        if (ControlsDisabled()) {
            event = deDisabledStateChange;
            info = qintptr(mState != dsInactive);
            notify = true;
            mEnableEvent = deLayoutChange;
        }
        break;
    default:
        break;
    }
    if (notify) DistributeEvent(event, info);
}

void TDataSet::FieldChanged(TField* field) {
    if (!field) return;
    if (field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc) mModified = true;
    if (field->FieldKind() == fkData && mAutoCalcFields && mHasCalcFields &&
        (mState == dsEdit || mState == dsInsert)) {
        CalculateFields(ActiveBuffer());
    }
    field->Change();
}

void TDataSet::DistributeEvent(TDataEvent event, qintptr info) {
    // A handler may detach a source while the event travels.
    for (TDataSource* source : std::vector<TDataSource*>(mDataSources)) {
        if (std::find(mDataSources.begin(), mDataSources.end(), source) != mDataSources.end()) {
            source->DataEvent(event, info);
        }
    }
}

void TDataSet::DisableControls() {
    if (mDisableCount == 0) {
        mDisableState = mState;
        mEnableEvent = deDataSetChange;
    }
    ++mDisableCount;
}

void TDataSet::EnableControls() {
    if (mDisableCount == 0) return;
    if (--mDisableCount != 0) return;
    if (mDisableState != mState) DataEvent(deUpdateState, 0);
    if (mDisableState != dsInactive && mState != dsInactive) DataEvent(mEnableEvent, 0);
}

bool TDataSet::IsLinkedTo(TDataSource* source) const {
    for (int depth = 0; source && depth < 1000; ++depth) {
        TDataSet* dataSet = source->DataSet();
        if (!dataSet) break;
        if (dataSet == this) return true;
        source = dataSet->DataSource();
    }
    return false;
}

void TDataSet::AddDataSource(TDataSource* source) {
    mDataSources.push_back(source);
    UpdateBufferCount();
}

void TDataSet::RemoveDataSource(TDataSource* source) {
    mDataSources.erase(std::remove(mDataSources.begin(), mDataSources.end(), source), mDataSources.end());
    UpdateBufferCount();
}

void TDataSet::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
}

void TDataSet::DefineProperties(TFiler& filer) { TComponent::DefineProperties(filer); }

TUpdateStatus TDataSet::UpdateStatus() const { return usUnmodified; }

void TDataSet::GetDetailLinkFields(QList<TField*>& masterFields, QList<TField*>& detailFields) {
    masterFields.clear();
    detailFields.clear();
}

// ---------------------------------------------------------------------------
// Provider support.

void TDataSet::PSReset() {
    if (!Active()) return;
    CheckBrowseMode();
    First();
}

int TDataSet::PSExecuteStatement(const QString& /*sql*/, TParams* /*params*/, TDataSet** resultSet) {
    if (resultSet) *resultSet = nullptr;
    DatabaseError(QStringLiteral("This dataset cannot execute statements"), this);
}

void TDataSet::PSExecute() { DatabaseError(QStringLiteral("This dataset cannot execute statements"), this); }
