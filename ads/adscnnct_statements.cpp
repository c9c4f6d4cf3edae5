// Statements a connection runs itself: direct execution, the cache of
// prepared statements, and the application identifier.
#include "ads/adscnnct.h"
#include "ads/adscnnct_support.h"

#include "ads/ace.h"
#include "ads/adserror.h"
#include "framework/params.h"
#include "platform/codepages.h"

#include <algorithm>
#include <cstring>
#include <exception>

namespace {

// AdsGetRecordCount on a statement: the rows its execution affected.
constexpr UNSIGNED16 kAffectedRows = ADS_IGNOREFILTERS;
// The statement has no affected-row count (a procedure, a script).
constexpr UNSIGNED32 kNoAffectedRowCount = 5117;
constexpr UNSIGNED32 kApplicationIDLength = 301;

const char16_t* Utf16(const QString& text)
{
    return reinterpret_cast<const char16_t*>(text.utf16());
}

void CloseStatementChecked(uint32_t statement)
{
    CheckAdsResult(ace::AdsCloseSQLStatement(statement));
}

// Runs `work`; closes `statement` afterwards however `work` ends. A failure
// of the work wins over a failure of the closing.
template <class Work>
void ThenCloseStatement(uint32_t statement, Work work)
{
    try {
        work();
    } catch (...) {
        ace::AdsCloseSQLStatement(statement);
        throw;
    }
    CloseStatementChecked(statement);
}

} // namespace

int32_t TAdsConnection::StatementHash(const QString& text)
{
    qsizetype n = text.indexOf(QChar(0));
    if (n < 0)
        n = text.size();
    uint32_t hash = 0;
    if (n <= 15) {
        for (qsizetype i = 0; i < n; ++i)
            hash = hash * 37u + text.at(i).unicode();
    } else {
        const qsizetype step = n / 8;
        for (qsizetype i = 0; i < n; i += step)
            hash = hash * 39u + text.at(i).unicode();
    }
    return int32_t(hash);
}

const std::vector<TStmtInfo>& TAdsConnection::StatementCache() const
{
    static const std::vector<TStmtInfo> none;
    return FStmtList ? *FStmtList : none;
}

TStmtInfo& TAdsConnection::FindStmtInfo(const QString& SQL)
{
    if (!FStmtList)
        FStmtList = std::make_unique<std::vector<TStmtInfo>>();
    const int32_t hash = StatementHash(SQL);
    for (TStmtInfo& info : *FStmtList)
        if (info.HashCode == hash && info.SQLText.compare(SQL, Qt::CaseInsensitive) == 0)
            return info;
    FStmtList->push_back(TStmtInfo{hash, 0, QString()});
    return FStmtList->back();
}

// An entry whose statement could not be made is not kept: it would never
// match again and holds nothing to close.
void TAdsConnection::ForgetUnpreparedStatementInfo()
{
    if (FStmtList)
        std::erase_if(*FStmtList, [](const TStmtInfo& info) { return info.StmtHandle == 0; });
}

int32_t TAdsConnection::Execute(const QString& SQL, TParams* Params, bool Cache, uint32_t* Cursor)
{
    return ExecuteWith(nullptr, SQL, Params, Cache, Cursor);
}

int32_t TAdsConnection::Execute(const TAdsDatasetOptions& oAdsDatasetOptions, const QString& SQL, TParams* Params,
                                bool Cache, uint32_t* Cursor)
{
    return ExecuteWith(&oAdsDatasetOptions, SQL, Params, Cache, Cursor);
}

int32_t TAdsConnection::ExecuteWith(const TAdsDatasetOptions* options, const QString& SQL, TParams* Params,
                                    bool Cache, uint32_t* Cursor)
{
    if (!FConnected)
        SetIsConnected(true);
    const uint32_t statement = PrepareCachedStatement(options, SQL, Cache, Cursor);
    int32_t result = 0;
    if (Cache)
        RunPrepared(options, statement, SQL, Params, Cursor, result);
    else
        ThenCloseStatement(statement, [&] { RunPrepared(options, statement, SQL, Params, Cursor, result); });
    return result;
}

void TAdsConnection::RunPrepared(const TAdsDatasetOptions* options, uint32_t statement, const QString& SQL,
                                 TParams* Params, uint32_t* Cursor, int32_t& result)
{
    if (HasParams(Params)) {
        BindParamsByPosition(statement, *Params);
        CheckAdsResult(ace::AdsExecuteSQL(statement, Cursor));
    } else {
        CheckAdsResult(ace::AdsExecuteSQLDirectW(statement, Utf16(SQL), Cursor));
    }
    result = 0;
    if (Cursor)
        return;
    UNSIGNED32 count = 0;
    const UNSIGNED32 answer = ace::AdsGetRecordCount(statement, kAffectedRows, &count);
    if (answer == kNoAffectedRowCount && options == nullptr)
        return;
    CheckAdsResult(answer);
    result = int32_t(count);
}

uint32_t TAdsConnection::PrepareCachedStatement(const TAdsDatasetOptions* options, const QString& SQL, bool Cache,
                                                uint32_t* Cursor)
{
    if (!Cache)
        return CreatePreparedStatement(options, SQL, Cursor != nullptr);
    TStmtInfo& info = FindStmtInfo(SQL);
    if (info.StmtHandle != 0)
        return info.StmtHandle;
    uint32_t statement = 0;
    try {
        statement = CreatePreparedStatement(options, SQL, Cursor != nullptr);
    } catch (...) {
        ForgetUnpreparedStatementInfo();
        throw;
    }
    info.SQLText = SQL;
    info.StmtHandle = statement;
    return statement;
}

// A new statement with its options set and `SQL` prepared; nothing is left
// behind when a step fails.
uint32_t TAdsConnection::CreatePreparedStatement(const TAdsDatasetOptions* options, const QString& SQL, bool Cursor)
{
    ADSHANDLE statement = 0;
    CheckAdsResult(ace::AdsCreateSQLStatement(FhConnection, &statement));
    try {
        if (Cursor)
            CheckAdsResult(ace::AdsStmtSetTableReadOnly(statement, 1));
        QString collation = FAdsCollation;
        if (options) {
            CheckAdsResult(ace::AdsStmtSetTableType(statement, options->musAdsTableType));
            CheckAdsResult(ace::AdsStmtSetTableCharType(statement, options->musAdsCharType));
            CheckAdsResult(ace::AdsStmtSetTableLockType(statement, options->musAdsLockType));
            CheckAdsResult(ace::AdsStmtSetTableRights(statement, options->musAdsRightsCheck));
            collation = options->mstrCollation;
        }
        if (!collation.isEmpty())
            CheckAdsResult(ace::AdsStmtSetTableCollation(statement, StringToAnsi(collation).constData()));
        CheckAdsResult(ace::AdsPrepareSQLW(statement, Utf16(SQL)));
    } catch (...) {
        ace::AdsCloseSQLStatement(statement);
        throw;
    }
    return statement;
}

// Every cached statement is closed, in order, even when one refuses; the
// first refusal is raised once the cache is empty.
void TAdsConnection::CloseStatementCache()
{
    if (!FStmtList)
        return;
    std::vector<TStmtInfo> entries;
    entries.swap(*FStmtList);
    std::exception_ptr failure;
    for (const TStmtInfo& info : entries) {
        if (info.StmtHandle == 0)
            continue;
        try {
            CloseStatementChecked(info.StmtHandle);
        } catch (const Exception&) {
            if (!failure)
                failure = std::current_exception();
        }
    }
    if (failure)
        std::rethrow_exception(failure);
}

QString TAdsConnection::GetApplicationID()
{
    if (!FConnected)
        return FAppID;
    ADSHANDLE statement = 0;
    CheckAdsResult(ace::AdsCreateSQLStatement(FhConnection, &statement));
    QString id;
    ThenCloseStatement(statement, [&] {
        ADSHANDLE cursor = 0;
        CheckAdsResult(ace::AdsExecuteSQLDirect(statement, "execute procedure sp_getapplicationid( )", &cursor));
        char buffer[kApplicationIDLength + 1] = {};
        UNSIGNED32 length = kApplicationIDLength;
        CheckAdsResult(ace::AdsGetField(cursor, "ApplicationID", buffer, &length, ADS_TRIM));
        id = adscnnct::EngineText(buffer, kApplicationIDLength);
    });
    return id;
}

void TAdsConnection::ApplyApplicationID(const QString& value)
{
    FAppID = value;
    if (!FConnected)
        return;
    TParams params;
    TParam* id = params.CreateParam(ftString, QStringLiteral("FAppID"), ptInput);
    id->SetAsAnsiString(StringToAnsi(value));
    Execute(QStringLiteral("execute procedure sp_setapplicationid(:FAppID)"), &params, false, nullptr);
}
