// TAdsQuery: the SQL query component. It holds the SQL text and its named
// parameters, owns at most one engine statement, and runs the text either
// for its effect (ExecSQL, any resulting cursor closed at once) or as the
// dataset's rows (opening keeps the cursor).
//
// Invariants:
// - mhStmt is -1 or a statement created by EnsureStatement; it survives
//   closing and failed executions (except an error naming 7209), so the
//   next execution reuses it.
// - mhConnection caches the implicit connection of a query without a
//   connection component; the connection belongs to GlobalDynamicConnList.
// - The parameter list follows the text (ParamCheck), keeping the values of
//   parameters whose names survive a change.
// - Every execution prepares the whole text in one engine call and binds the
//   parameters by position, in collection order.
#pragma once

#include "ads/adsfunc.h"
#include "framework/datasource.h"
#include "framework/params.h"

#include <functional>
#include <memory>

class TAdsQuery;

// TUpdateMode comes with the framework; its names are published here.
VARNEL_ENUM_NAMES(TUpdateMode, "upWhereAll", "upWhereChanged", "upWhereKeyOnly");

// The link to the master data source whose fields feed the parameters.
class TAdsQueryDataLink : public TDetailDataLink {
    VARNEL_DECLARE_CLASS(TAdsQueryDataLink, TDetailDataLink)
public:
    explicit TAdsQueryDataLink(TAdsQuery* query = nullptr) : FQuery(query) {}
    TDataSet* DetailDataSet() const override;

protected:
    void ActiveChanged() override;
    void RecordChanged(TField* field) override;
    void CheckBrowseMode() override;

private:
    TAdsQuery* FQuery;
};

class TAdsQuery : public TAdsExtendedDataSet {
    VARNEL_DECLARE_CLASS(TAdsQuery, TAdsExtendedDataSet)
public:
    explicit TAdsQuery(TComponent* owner);
    ~TAdsQuery() override;

    // --- the text and its parameters
    TStrings* SQL() const { return mSQL.get(); }
    void SetSQL(const TStrings* value);
    QString Text() const { return mSQL->Text(); }
    TParams* Params() const { return moParams.get(); }
    void SetParams(const TParams* value);
    uint16_t ParamCount() const { return uint16_t(moParams->Count()); }
    TParam* ParamByName(const QString& Value) const { return moParams->ParamByName(Value); }
    bool ParamCheck() const { return mbParamCheck; }
    void SetParamCheck(bool value) { mbParamCheck = value; }

    // --- execution
    void ExecSQL();
    void ExecSQLScript();
    void VerifySQL();
    void Prepare();
    void UnPrepare();
    bool Prepared() const { return mbPrepared; }
    void SetPrepared(bool value) { value ? Prepare() : UnPrepare(); }
    int32_t RowsAffected() const { return mlRowsAffected; }
    uint32_t StmtHandle() const { return uint32_t(mhStmt); }
    int64_t StatementHandleValue() const { return mhStmt; }
    int64_t CachedConnectionHandle() const { return mhConnection; }
    int32_t SQLTimeout() const { return FSQLTimeout; }
    void SetSQLTimeout(int32_t value);
    int32_t LastAutoincVal();
    void AdsCloseSQLStatement();
    void AdsStmtEnableEncryption(const QString& strPassword);
    void AdsStmtDisableEncryption();
    void AdsStmtSetTablePassword(const QString& strTableName, const QString& strPassword);
    void AdsStmtClearTablePasswords();

    // --- statement options
    bool RequestLive() const { return mbRequestLive; }
    void SetRequestLive(bool value) { mbRequestLive = value; }
    bool Constrained() const { return mbConstrained; }
    void SetConstrained(bool value) { mbConstrained = value; }
    bool ReadAllColumns() const { return mbReadAllColumns; }
    void SetReadAllColumns(bool value) { mbReadAllColumns = value; }
    TAdsTableTypes SourceTableType() const { return meTableType; }
    void SetSourceTableType(TAdsTableTypes value) { SetTableType(value); }
    void SetTableType(TAdsTableTypes eValue) override { InternalSetTableType(eValue, false); }
    // A query on a connection whose alias names NTX tables still runs its
    // SQL there: the alias's type is taken without the NTX refusal, which
    // is only for a type set on the query itself.
    void TakeAliasTableType(TAdsTableTypes eValue) override { InternalSetTableType(eValue, true); }
    void InternalSetTableType(TAdsTableTypes eValue, bool bIgnoreNTXError);
    void SetDatabaseName(const QString& value) override;

    // --- stored-only properties
    const QByteArray& SQLBinary() const { return mpucSQLBinary; }
    int WaitCursor() const { return 0; }
    void SetWaitCursor(int) {}
    TUpdateMode UpdateMode() const { return moUpdateMode; }
    void SetUpdateMode(TUpdateMode value) { moUpdateMode = value; }
    bool UniDirectional() const { return mbUniDirectional; }
    void SetUniDirectional(bool value) { mbUniDirectional = value; }
    bool Local() const { return false; }
    [[noreturn]] void Constraints();
    [[noreturn]] void UpdateObject();

    // --- master link
    TDataSource* DataSource() const override { return moDataLink->DataSource(); }
    void SetDataSource(TDataSource* value);
    void GetDetailLinkFields(QList<TField*>& masterFields, QList<TField*>& detailFields) override;
    void RefreshFromMaster();

    void InvalidateAceHandles() override;

    // --- provider support: the SQL text is the command, its parameters the
    // provider's parameters
    TIndexDef* PSGetDefaultOrder() override;
    TParams* PSGetParams() override { return moParams.get(); }
    QString PSGetTableName() override;
    void PSExecute() override { ExecSQL(); }
    void PSSetParams(TParams* params) override;
    void PSSetCommandText(const QString& text) override;

    // --- filters, scopes and Locate: the result's own order comes first
    int64_t PreferredIndexHandle() override;

protected:
    void OrderIndexCandidates(uint32_t* candidates, uint16_t count) override;
    // The cursor's current index, 0 when it has none.
    uint32_t CursorCurrentIndex();
    // --- end of filters, scopes and Locate
    uint32_t CreateEngineCursor() override;
    void CloseEngineCursor() override;
    // A result is numbered through the index named on the query, or else
    // through the cursor's own current index.
    uint32_t CurrentSequenceNumber() override;
    void DefineProperties(TFiler& filer) override;

private:
    friend class TAdsQueryDataLink;

    void SQLChanged();
    void EnsureStatement();
    void ApplyStatementOptions();
    int64_t ExecuteStatement();
    uint32_t RunPreparedStatement();
    void ReleaseStatementQuietly() noexcept;
    void ReadRowsAffected();
    void ClosingCursorOnFailure(uint32_t cursor, const std::function<void()>& step);
    void RefillText(const QStringList& lines);
    void ReadTableCharType(uint32_t cursor);
    void RunScriptText(bool scriptMode);
    void BindMasterParams();
    void BindParams();
    void BindParam(uint16_t position, const TParam& param);
    void CheckNoCursor();
    void CheckNotExecuting();

    std::unique_ptr<TStringList> mSQL;
    bool mbPrepared = false;
    bool mbReadAllColumns = false;
    std::unique_ptr<TParams> moParams;
    bool mbRequestLive = false;
    bool mbConstrained = false;
    bool mbParamCheck = true;
    std::unique_ptr<TAdsQueryDataLink> moDataLink;
    int64_t mhStmt = -1;
    int64_t mhConnection = -1;
    int32_t mlRowsAffected = -1;
    QByteArray mpucSQLBinary;
    int32_t FSQLTimeout = 0;
    TUpdateMode moUpdateMode = upWhereAll;
    bool mbUniDirectional = false;
};
