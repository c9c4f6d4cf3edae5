// The query component: construction and destruction, the SQL text and the
// parameter list that follows it, table type and database name, and the
// properties kept only for window definitions (the master link is in
// adstable_master.cpp).
#include "ads/adstable.h"

#include "ads/ace.h"
#include "platform/codepages.h"

TAdsQuery::TAdsQuery(TComponent* owner)
    : TAdsExtendedDataSet(owner), mSQL(std::make_unique<TStringList>()), moParams(std::make_unique<TParams>(this)),
      moDataLink(std::make_unique<TAdsQueryDataLink>(this))
{
    mSQL->OnChange = [this](TObject*) { SQLChanged(); };
}

// Closes while the query's own operations still exist, then releases the
// statement when its connection is still there to take it.
TAdsQuery::~TAdsQuery()
{
    const bool componentConnected = mpoAdsConnection && mpoAdsConnection->IsConnected();
    DataSetRegistry::Remove(this);
    CloseForDestruction();
    mSQL->OnChange = nullptr;
    moDataLink->SetDataSource(nullptr);
    if (mhStmt != -1 && ((mhConnection != 0 && mhConnection != -1) || componentConnected)) {
        const uint32_t code = ace::AdsCloseSQLStatement(uint32_t(mhStmt));
        if (code != 0 && code != 5106) {
            // A destructor cannot raise; the engine frees the statement with
            // its connection.
        }
    }
    mhStmt = -1;
}

void TAdsQuery::SetSQL(const TStrings* value)
{
    const QString newText = value ? value->Text() : QString();
    if (newText == mSQL->Text())
        return;
    Close();
    UnPrepare();
    mSQL->BeginUpdate();
    try {
        mSQL->Assign(value);
    } catch (...) {
        mSQL->EndUpdate();
        throw;
    }
    mSQL->EndUpdate();
}

void TAdsQuery::SQLChanged()
{
    QByteArray text = StringToAnsi(mSQL->Text());
    text.append('\0');
    Check(ace::AdsGetSQLStmtParams(text.data()));
    const QString scanned = AnsiToString(QByteArray(text.constData()));
    if (IsLoading())
        return;
    Close();
    UnPrepare();
    mpucSQLBinary.clear();
    if (mbParamCheck || IsDesigning()) {
        TParams fresh(this);
        fresh.ParseSQL(scanned, true);
        fresh.AssignValues(*moParams);
        moParams->Clear();
        moParams->Assign(&fresh);
    }
    DataEvent(dePropertyChange, 0);
}

void TAdsQuery::SetParams(const TParams* value)
{
    if (value)
        moParams->AssignValues(*value);
}

void TAdsQuery::InternalSetTableType(TAdsTableTypes eValue, bool bIgnoreNTXError)
{
    if (!bIgnoreNTXError && eValue == ttAdsNTX && (!mpoAdsConnection || !mpoAdsConnection->IsDictionaryConn()))
        RaiseDataSetError(QStringLiteral("The TAdsQuery component does not support the NTX table type"));
    TAdsExtendedDataSet::SetTableType(eValue);
}

void TAdsQuery::SetDatabaseName(const QString& value)
{
    const bool differs = value != mstrDatabaseName;
    TAdsExtendedDataSet::SetDatabaseName(value);
    if (differs && mhConnection != -1) {
        if (mhStmt != -1)
            Check(ace::AdsCloseSQLStatement(uint32_t(mhStmt)));
        mhConnection = -1;
        mhStmt = -1;
    }
}

void TAdsQuery::InvalidateAceHandles()
{
    UnPrepare();
    mhStmt = -1;
    mhConnection = -1;
}

void TAdsQuery::Constraints()
{
    RaiseDataSetError(QStringLiteral("The property \"Constraints\" is not supported."));
}

void TAdsQuery::UpdateObject()
{
    RaiseDataSetError(QStringLiteral("The property \"UpdateObject\" is not supported."));
}

// ---------------------------------------------------------------------------
// Record numbers of a result.

uint32_t TAdsQuery::CurrentSequenceNumber()
{
    ADSHANDLE index = 0;
    if (!mstrIndexName.isEmpty() || !mstrIndexFieldNames.isEmpty())
        index = ADSHANDLE(mlActiveHandle);
    else
        Check(ace::AdsGetIndexHandle(uint32_t(mlHandle), nullptr, &index));
    if (!mbIsSequenced || index == 0)
        return PhysicalRecordNumber();
    return IndexSequenceNumber(index);
}
