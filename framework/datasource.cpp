// Data sources, data links and the master link of detail datasets.
#include "framework/datasource.h"

#include "framework/fields.h"
#include "framework/typinfo.h"

#include <algorithm>

VARNEL_PUBLISH(TDataSource, c) {
    c.prop("AutoEdit", &TDataSource::AutoEdit, &TDataSource::SetAutoEdit).def(true);
    c.prop("DataSet", &TDataSource::DataSet, &TDataSource::SetDataSet);
    c.prop("Enabled", &TDataSource::Enabled, &TDataSource::SetEnabled).def(true);
    c.event("OnStateChange", &TDataSource::OnStateChange);
    c.event("OnDataChange", &TDataSource::OnDataChange);
    c.event("OnUpdateData", &TDataSource::OnUpdateData);
}
VARNEL_DEFINE_CLASS(TDataLink)
VARNEL_DEFINE_CLASS(TDetailDataLink)
VARNEL_DEFINE_CLASS(TMasterDataLink)

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
    // No handler runs for a source being destroyed: its owner may be half
    // gone already.
    Destroying();
    for (TDataLink* link : std::vector<TDataLink*>(mDataLinks)) link->SetDataSource(nullptr);
    SetDataSet(nullptr);
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
    if (dataSet == mDataSet) return;
    if (dataSet && IsLinkedTo(dataSet)) DatabaseError(QString::fromLatin1(dbtexts::CircularDataLink), this);
    if (mDataSet) {
        mDataSet->RemoveDataSource(this);
        RemoveFreeNotification(mDataSet);
    }
    mDataSet = dataSet;
    if (mDataSet) {
        FreeNotification(mDataSet);
        mDataSet->AddDataSource(this);
    }
    UpdateState();
}

void TDataSource::SetEnabled(bool value) {
    if (value == mEnabled) return;
    mEnabled = value;
    UpdateState();
}

void TDataSource::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove && static_cast<TComponent*>(mDataSet) == component) {
        // The dataset is going: it no longer takes part in anything.
        mDataSet = nullptr;
        UpdateState();
    }
}

void TDataSource::Edit() {
    if (mAutoEdit && mState == dsBrowse && mDataSet) mDataSet->Edit();
}

bool TDataSource::IsLinkedTo(TDataSet* dataSet) const {
    for (const TDataLink* link : mDataLinks) {
        const auto* detail = dynamic_cast<const TDetailDataLink*>(link);
        if (!detail) continue;
        TDataSet* follower = detail->DetailDataSet();
        if (!follower) continue;
        if (follower == dataSet) return true;
        for (TDataSource* source : follower->mDataSources) {
            if (source->IsLinkedTo(dataSet)) return true;
        }
    }
    return false;
}

// A dataset still opening has no records or fields to show yet: its links
// become active once it browses.
void TDataSource::UpdateState() {
    if (mEnabled && mDataSet && mDataSet->State() != dsOpening) SetState(mDataSet->State());
    else SetState(dsInactive);
}

void TDataSource::SetState(TDataSetState state) {
    if (state == mState) return;
    TDataSetState prior = mState;
    mState = state;
    NotifyLinks(deUpdateState, 0);
    if (IsDestroying()) return;
    if (OnStateChange) OnStateChange(this);
    if (prior == dsInactive && OnDataChange) OnDataChange(this, nullptr);
}

void TDataSource::NotifyLinks(TDataEvent event, qintptr info) {
    for (TDataLink* link : std::vector<TDataLink*>(mDataLinks)) {
        if (std::find(mDataLinks.begin(), mDataLinks.end(), link) != mDataLinks.end()) link->DataEvent(event, info);
    }
}

void TDataSource::DataEvent(TDataEvent event, qintptr info) {
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (mState == dsInactive) return;
    NotifyLinks(event, info);
    switch (event) {
    case deFieldChange:
        if (OnDataChange) OnDataChange(this, reinterpret_cast<TField*>(info));
        break;
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
        if (OnDataChange) OnDataChange(this, nullptr);
        break;
    case deUpdateRecord:
        if (OnUpdateData) OnUpdateData(this);
        break;
    default:
        break;
    }
}

void TDataSource::AddDataLink(TDataLink* link) {
    mDataLinks.push_back(link);
    if (mDataSet) mDataSet->UpdateBufferCount();
}

void TDataSource::RemoveDataLink(TDataLink* link) {
    mDataLinks.erase(std::remove(mDataLinks.begin(), mDataLinks.end(), link), mDataLinks.end());
    if (mDataSet) mDataSet->UpdateBufferCount();
}

// ---------------------------------------------------------------------------
// Data links.

TDataLink::TDataLink() = default;

TDataLink::~TDataLink() {
    if (mDataSource) mDataSource->RemoveDataLink(this);
}

void TDataLink::SetDataSource(TDataSource* source) {
    if (source == mDataSource) return;
    if (mDataSource) mDataSource->RemoveDataLink(this);
    mDataSource = source;
    if (mDataSource) mDataSource->AddDataLink(this);
    UpdateState();
}

TDataSet* TDataLink::DataSet() const { return mDataSource ? mDataSource->DataSet() : nullptr; }

void TDataLink::SetBufferCount(int count) {
    count = std::max(count, 1);
    if (count == mBufferCount) return;
    mBufferCount = count;
    if (TDataSet* dataSet = DataSet()) dataSet->UpdateBufferCount();
    FollowRing(0);
}

int TDataLink::ActiveRecord() const {
    TDataSet* dataSet = DataSet();
    if (!mActive || !dataSet || mDataSource->State() == dsSetKey) return 0;
    return dataSet->ActiveRecord() - mFirstRecord;
}

void TDataLink::SetActiveRecord(int index) {
    TDataSet* dataSet = DataSet();
    if (!mActive || !dataSet) return;
    dataSet->MoveBy(index - ActiveRecord());
}

int TDataLink::RecordCount() const {
    TDataSet* dataSet = DataSet();
    if (!mActive || !dataSet) return 0;
    if (mDataSource->State() == dsSetKey) return 1;
    return std::min(dataSet->BufferedRecordCount() - mFirstRecord, mBufferCount);
}

void TDataLink::SetReadOnly(bool value) {
    if (value == mReadOnly) return;
    mReadOnly = value;
    UpdateState();
}

bool TDataLink::Edit() {
    if (!mReadOnly && mDataSource) mDataSource->Edit();
    return mEditing;
}

void TDataLink::UpdateRecord() {
    mUpdating = true;
    try {
        UpdateData();
    } catch (...) {
        mUpdating = false;
        throw;
    }
    mUpdating = false;
}

void TDataLink::UpdateState() {
    SetActive(mDataSource && mDataSource->State() != dsInactive);
    SetEditing(mDataSource && (mDataSource->State() == dsEdit || mDataSource->State() == dsInsert ||
                               mDataSource->State() == dsSetKey) &&
               !mReadOnly);
}

void TDataLink::SetActive(bool value) {
    if (value == mActive) return;
    mActive = value;
    mFirstRecord = 0;
    if (value) FollowRing(0);
    ActiveChanged();
}

void TDataLink::SetEditing(bool value) {
    if (value == mEditing) return;
    mEditing = value;
    EditingChanged();
}

// Keeps the window on the same records after the ring moved by `scrolled`
// positions, then makes it hold the active record.
void TDataLink::FollowRing(qintptr scrolled) {
    TDataSet* dataSet = DataSet();
    if (!mActive || !dataSet) return;
    int first = mFirstRecord + int(scrolled);
    int active = dataSet->ActiveRecord();
    if (active < first) first = active;
    if (active >= first + mBufferCount) first = active - mBufferCount + 1;
    int spareRows = dataSet->BufferedRecordCount() - mBufferCount;
    if (first > spareRows) first = std::max(spareRows, 0);
    if (first > active) first = active;
    mFirstRecord = std::max(first, 0);
}

void TDataLink::DataEvent(TDataEvent event, qintptr info) {
    if (event == deUpdateState) {
        UpdateState();
        return;
    }
    if (!mActive) return;
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        if (!mUpdating) RecordChanged(reinterpret_cast<TField*>(info));
        break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange: {
        // Distance: how many records the window advanced through the data
        // (the ring itself moved by `info` positions on a scroll).
        int distance = 0;
        if (mDataSource->State() != dsSetKey) {
            int shifted = event == deDataSetScroll ? int(info) : 0;
            int before = mFirstRecord;
            FollowRing(shifted);
            distance = mFirstRecord - shifted - before;
        }
        if (event == deDataSetChange) DataSetChanged();
        else if (event == deDataSetScroll) DataSetScrolled(distance);
        else LayoutChanged();
        break;
    }
    case deUpdateRecord:
        UpdateRecord();
        break;
    case deCheckBrowseMode:
        CheckBrowseMode();
        break;
    case deFocusControl:
        FocusControl(reinterpret_cast<TField*>(info));
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------
// The master link.

TMasterDataLink::TMasterDataLink(TDataSet* detail) : mDetail(detail) {}

void TMasterDataLink::SetFieldNames(const QString& names) {
    if (names == mFieldNames) return;
    mFieldNames = names;
    UpdateFields();
}

void TMasterDataLink::UpdateFields() {
    mFields.clear();
    if (Active() && DataSet()) {
        try {
            DataSet()->GetFieldList(mFields, mFieldNames);
        } catch (...) {
            mFields.clear();
            throw;
        }
    }
    if (Active() && !mFields.isEmpty()) {
        if (OnMasterChange) OnMasterChange(mDetail);
    } else if (OnMasterDisable) {
        OnMasterDisable(mDetail);
    }
}

void TMasterDataLink::ActiveChanged() { UpdateFields(); }

void TMasterDataLink::LayoutChanged() { UpdateFields(); }

void TMasterDataLink::CheckBrowseMode() {
    if (mDetail && mDetail->Active()) mDetail->CheckBrowseMode();
}

void TMasterDataLink::RecordChanged(TField* field) {
    if (!Active() || mFields.isEmpty() || DataSource()->State() == dsSetKey) return;
    if (field && !mFields.contains(field)) return;
    if (OnMasterChange) OnMasterChange(mDetail);
}
