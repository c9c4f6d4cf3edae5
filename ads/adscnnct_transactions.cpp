// Transactions and savepoints of a connection.
#include "ads/adscnnct.h"

#include "ads/ace.h"
#include "ads/adserror.h"
#include "platform/codepages.h"

namespace {

void Fire(const TNotifyEvent& event, TObject* sender)
{
    if (event)
        event(sender);
}

// The transaction calls whose failures carry only the engine's text.
void CheckTransactionCall(UNSIGNED32 result)
{
    if (result != AE_SUCCESS)
        throw AdsError(result, false);
}

} // namespace

void TAdsConnection::CheckConnectedToServer() const
{
    if (!FConnected)
        throw AdsConnectionError(QStringLiteral("No connection to database server."));
}

void TAdsConnection::BeginTransaction()
{
    CheckConnectedToServer();
    CheckTransactionCall(ace::AdsBeginTransaction(FhConnection));
}

void TAdsConnection::Commit()
{
    CheckConnectedToServer();
    Fire(BeforeCommit, this);
    CloseStatementCache();
    CheckTransactionCall(ace::AdsCommitTransaction(FhConnection));
    Fire(AfterCommit, this);
}

void TAdsConnection::Rollback()
{
    CheckConnectedToServer();
    Fire(BeforeRollback, this);
    CloseStatementCache();
    if (FCancelOnRollback)
        CancelDataSets();  // pending edits are dropped before the engine undoes the records
    CheckTransactionCall(ace::AdsRollbackTransaction(FhConnection));
    RefreshBrowsingDataSets();
    Fire(AfterRollback, this);
}

void TAdsConnection::Rollback(const QString& strSavepoint)
{
    CheckConnectedToServer();
    if (strSavepoint.isEmpty()) {
        Rollback();
        return;
    }
    CheckAdsResult(ace::AdsRollbackTransaction80(FhConnection, StringToAnsi(strSavepoint).constData(), 0));
}

void TAdsConnection::CreateSavepoint(const QString& strSavepoint)
{
    CheckConnectedToServer();
    CheckAdsResult(ace::AdsCreateSavepoint(FhConnection, StringToAnsi(strSavepoint).constData(), 0));
}

bool TAdsConnection::TransactionActive() const
{
    CheckConnectedToServer();
    UNSIGNED16 active = 0;
    CheckAdsResult(ace::AdsInTransaction(FhConnection, &active));
    return active == 1;
}

int32_t TAdsConnection::TransactionCount() const
{
    CheckConnectedToServer();
    UNSIGNED32 count = 0;
    CheckAdsResult(ace::AdsGetTransactionCount(FhConnection, &count));
    return int32_t(count);
}
