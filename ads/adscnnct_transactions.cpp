// Transactions and savepoints of a connection.
#include "ads/adscnnct.h"
#include "ads/adscnnct_support.h"

#include "ads/ace.h"
#include "ads/adserror.h"
#include "platform/codepages.h"

void TAdsConnection::CheckConnectedToServer() const
{
    if (!FConnected)
        throw AdsConnectionError(QStringLiteral("No connection to database server."));
}

void TAdsConnection::BeginTransaction()
{
    CheckConnectedToServer();
    adscnnct::CheckConnectionCall(ace::AdsBeginTransaction(FhConnection));
}

void TAdsConnection::Commit()
{
    CheckConnectedToServer();
    adscnnct::Fire(BeforeCommit, this);
    CloseStatementCache();
    adscnnct::CheckConnectionCall(ace::AdsCommitTransaction(FhConnection));
    adscnnct::Fire(AfterCommit, this);
}

void TAdsConnection::Rollback()
{
    CheckConnectedToServer();
    adscnnct::Fire(BeforeRollback, this);
    CloseStatementCache();
    if (FCancelOnRollback)
        CancelDataSets();  // pending edits are dropped before the engine undoes the records
    adscnnct::CheckConnectionCall(ace::AdsRollbackTransaction(FhConnection));
    RefreshBrowsingDataSets();
    adscnnct::Fire(AfterRollback, this);
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
