// The query's master link: a data source whose dataset feeds the query's
// parameters by name. The query is executed again whenever the master moves
// to another record or opens, so its rows always belong to the master's
// current record.
#include "ads/adstable.h"

void TAdsQuery::SetDataSource(TDataSource* value)
{
    if (value && IsLinkedTo(value))
        RaiseDataSetError(QStringLiteral("Circular Data Link"));
    moDataLink->SetDataSource(value);
}

void TAdsQuery::RefreshFromMaster()
{
    DisableControls();
    try {
        TDataSet* master = moDataLink->DataSet();
        if (master && master->Active() && master->State() != dsSetKey) {
            Close();
            Open();
        }
    } catch (...) {
        EnableControls();
        throw;
    }
    EnableControls();
}

void TAdsQuery::BindMasterParams()
{
    TDataSet* master = moDataLink->DataSet();
    if (!DataSource() || !master)
        return;
    master->UpdateFieldDefs();
    for (int i = 0; i < moParams->Count(); ++i) {
        TParam* param = moParams->Items(i);
        if (param->Bound())
            continue;
        TField* field = master->FieldByName(param->Name());
        param->AssignFieldValue(field->DataType(), field->AsVariant());
        param->SetBound(false);
    }
}

void TAdsQuery::GetDetailLinkFields(QList<TField*>& masterFields, QList<TField*>& detailFields)
{
    masterFields.clear();
    detailFields.clear();
    TDataSet* master = moDataLink->DataSet();
    if (!master)
        return;
    for (int i = 0; i < moParams->Count(); ++i) {
        const QString name = moParams->Items(i)->Name();
        if (TField* field = master->FindField(name)) {
            masterFields.append(field);
            if (TField* own = FindField(name))
                detailFields.append(own);
        }
    }
}

TDataSet* TAdsQueryDataLink::DetailDataSet() const
{
    return FQuery;
}

void TAdsQueryDataLink::ActiveChanged()
{
    if (FQuery && FQuery->Active())
        FQuery->RefreshFromMaster();
}

void TAdsQueryDataLink::RecordChanged(TField* field)
{
    if (!field && FQuery && FQuery->Active())
        FQuery->RefreshFromMaster();
}

void TAdsQueryDataLink::CheckBrowseMode()
{
    if (FQuery && FQuery->Active())
        FQuery->CheckBrowseMode();
}
