// Data sources and data links: how a dataset's records and state reach the
// things that show them or follow them.
//
// A TDataSource shows one dataset (or none) and has the links attached to
// it. The dataset sends its data events to each of its data sources; a
// source passes them on to its links (unless it is disabled) and fires its
// own OnDataChange / OnStateChange. A link sees the dataset's buffer ring
// through a window of BufferCount() records: ActiveRecord() is the active
// record's position in that window, and the dataset keeps at least as many
// buffers as its largest link asks for.
//
// TDetailDataLink is the base of links that make a dataset follow another
// (its DetailDataSet); TMasterDataLink, owned by a detail dataset, resolves
// the master's key fields by name and reports master changes and the
// master going inactive.
#pragma once

#include "framework/classes.h"
#include "framework/dataset.h"

#include <QList>
#include <QString>
#include <functional>
#include <vector>

class TField;

using TDataChangeEvent = std::function<void(TObject* Sender, TField* Field)>;

class TDataSource : public TComponent {
    VARNEL_DECLARE_CLASS(TDataSource, TComponent)

public:
    explicit TDataSource(TComponent* owner);
    ~TDataSource() override;

    TDataSet* DataSet() const { return mDataSet; }
    // Raises "Circular datalinks are not allowed" when `dataSet` is linked
    // (as a detail, at any depth) to this source.
    void SetDataSet(TDataSet* dataSet);
    bool Enabled() const { return mEnabled; }
    void SetEnabled(bool value);
    bool AutoEdit() const { return mAutoEdit; }
    void SetAutoEdit(bool value) { mAutoEdit = value; }
    // The dataset's state while enabled, dsInactive otherwise.
    TDataSetState State() const { return mState; }
    // Puts the dataset into dsEdit when AutoEdit allows it.
    void Edit();
    bool IsLinkedTo(TDataSet* dataSet) const;
    int DataLinkCount() const { return int(mDataLinks.size()); }

    TNotifyEvent OnStateChange;
    TDataChangeEvent OnDataChange;
    TNotifyEvent OnUpdateData;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TDataSet;
    friend class TDataLink;
    void DataEvent(TDataEvent event, qintptr info);
    void NotifyLinks(TDataEvent event, qintptr info);
    void UpdateState();
    void SetState(TDataSetState state);
    void AddDataLink(TDataLink* link);
    void RemoveDataLink(TDataLink* link);

    TDataSet* mDataSet = nullptr;
    bool mEnabled = true;
    bool mAutoEdit = true;
    TDataSetState mState = dsInactive;
    std::vector<TDataLink*> mDataLinks;
};

class TDataLink : public TPersistent {
    VARNEL_DECLARE_CLASS(TDataLink, TPersistent)

public:
    TDataLink();
    ~TDataLink() override;  // leaves its data source

    TDataSource* DataSource() const { return mDataSource; }
    void SetDataSource(TDataSource* source);
    TDataSet* DataSet() const;
    // True while the source shows an open dataset.
    bool Active() const { return mActive; }
    // Records in this link's window (at least 1); the dataset grows its
    // ring to the largest window of its links.
    int BufferCount() const { return mBufferCount; }
    void SetBufferCount(int count);
    // The active record's position in the window; SetActiveRecord moves
    // the dataset by the difference.
    int ActiveRecord() const;
    void SetActiveRecord(int index);
    // Records the window holds now (<= BufferCount).
    int RecordCount() const;
    bool Editing() const { return mEditing; }
    bool ReadOnly() const { return mReadOnly; }
    void SetReadOnly(bool value);
    // Puts the dataset into dsEdit through the source (AutoEdit); true when
    // it is editing afterwards.
    bool Edit();
    // Asks the link to write pending values into its fields
    // (deUpdateRecord).
    void UpdateRecord();

protected:
    // Notifications; the base does nothing.
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int /*distance*/) { DataSetChanged(); }
    virtual void EditingChanged() {}
    virtual void FocusControl(TField* /*field*/) {}
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void RecordChanged(TField* /*field*/) {}
    virtual void UpdateData() {}
    virtual void DataEvent(TDataEvent event, qintptr info);

private:
    friend class TDataSource;
    friend class TDataSet;
    void UpdateState();
    void SetActive(bool value);
    void SetEditing(bool value);
    void FollowRing(qintptr scrolled);

    TDataSource* mDataSource = nullptr;
    bool mActive = false;
    bool mEditing = false;
    bool mReadOnly = false;
    bool mUpdating = false;
    int mBufferCount = 1;
    int mFirstRecord = 0;
};

// A link by which a dataset follows another.
class TDetailDataLink : public TDataLink {
    VARNEL_DECLARE_CLASS(TDetailDataLink, TDataLink)

public:
    virtual TDataSet* DetailDataSet() const { return nullptr; }
};

// The master link of a detail dataset: the master's data source and the
// ';'-separated names of its key fields. Fields() holds the master's key
// fields, resolved while the master is open (an unknown name raises the
// master's "Field 'X' not found"). OnMasterChange runs when the master's
// record changes (or it opens), OnMasterDisable when it closes or the
// link loses its fields.
class TMasterDataLink : public TDetailDataLink {
    VARNEL_DECLARE_CLASS(TMasterDataLink, TDetailDataLink)

public:
    explicit TMasterDataLink(TDataSet* detail);

    TDataSet* DetailDataSet() const override { return mDetail; }
    const QString& FieldNames() const { return mFieldNames; }
    void SetFieldNames(const QString& names);
    const QList<TField*>& Fields() const { return mFields; }
    bool HasFields() const { return !mFields.isEmpty(); }

    TNotifyEvent OnMasterChange;
    TNotifyEvent OnMasterDisable;

protected:
    void ActiveChanged() override;
    void CheckBrowseMode() override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;

private:
    void UpdateFields();

    TDataSet* mDetail;
    QString mFieldNames;
    QList<TField*> mFields;
};
