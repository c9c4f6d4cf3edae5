// The query's engine statement: making sure one exists, sending the
// statement options, preparing, binding and executing the text, opening
// its cursor, scripts and verification, and releasing the statement.
#include "ads/adstable.h"

#include "ads/ace.h"
#include "framework/mathutil.h"
#include "platform/codepages.h"
#include "platform/paths.h"

namespace {

const char* const kNoDatabaseName = "The DatabaseName property has not been assigned a value.";
const char* const kInvalidConnection = "Internal Error: invalid connection handle.";
const char* const kNoCursor =
    "The SQL statement did not generate a cursor handle.  Use TAdsQuery.ExecSQL to execute SQL statements "
    "that are not SELECT statements";

std::u16string Utf16(const QString& text)
{
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size()));
}

uint16_t EngineTableType(TAdsTableTypes type)
{
    switch (type) {
    case ttAdsADT: return ADS_ADT;
    case ttAdsCDX: return ADS_CDX;
    case ttAdsVFP: return ADS_VFP;
    default: return ADS_NTX;
    }
}

} // namespace

void TAdsQuery::CheckNoCursor()
{
    if (mlHandle != -1)
        RaiseDataSetError(QString::fromLatin1(dbtexts::DataSetOpen));
}

void TAdsQuery::Prepare()
{
    CheckNoCursor();
    mlRowsAffected = -1;
    mbPrepared = true;
}

void TAdsQuery::UnPrepare()
{
    CheckNoCursor();
    mbPrepared = false;
}

void TAdsQuery::EnsureStatement()
{
    if (mhStmt != -1) {
        uint16_t type = 0;
        if (ace::AdsGetHandleType(uint32_t(mhStmt), &type) == 0 && type == ADS_STATEMENT)
            return;
    }
    mhStmt = -1;
    if (mstrDatabaseName.isEmpty() && !mpoAdsConnection)
        RaiseDataSetError(QString::fromLatin1(kNoDatabaseName));
    int64_t handle = -1;
    if (mhConnection == -1) {
        handle = ConnectAndGetHandle();
        if (!mpoAdsConnection)
            mhConnection = handle;
    }
    if (handle == -1 || handle == 0)
        RaiseDataSetError(QString::fromLatin1(kInvalidConnection));
    ADSHANDLE statement = 0;
    Check(ace::AdsCreateSQLStatement(uint32_t(handle), &statement));
    mhStmt = statement;
    if (FSQLTimeout != 0)
        Check(ace::AdsSetSQLTimeout(uint32_t(mhStmt), uint32_t(FSQLTimeout)));
}

void TAdsQuery::ApplyStatementOptions()
{
    const uint32_t statement = uint32_t(mhStmt);
    const TAdsTableOptions& options = *mpoAdsTableOptions;
    Check(ace::AdsStmtSetTableLockType(statement, options.AdsLockType() == Proprietary ? 1 : 0));
    Check(ace::AdsStmtSetTableCollation(statement, StringToAnsi(GetEffectiveCollation()).constData()));
    Check(ace::AdsStmtSetTableRights(statement, options.AdsRightsCheck() ? 1 : 2));
    Check(ace::AdsStmtSetTableReadOnly(statement, mbRequestLive ? 2 : 1));
    if (mpoAdsConnection && mpoAdsConnection->ReadOnly())
        Check(ace::AdsStmtSetTableReadOnly(statement, 1));
    Check(ace::AdsStmtSetTableType(statement, EngineTableType(meTableType)));
    Check(ace::AdsStmtConstrainUpdates(statement, mbConstrained ? 1 : 2));
    Check(ace::AdsStmtReadAllColumns(statement, mbReadAllColumns ? 1 : 2));
}

void TAdsQuery::CheckNotExecuting()
{
    if (IsDesigning() && Active())
        Close();
    CheckInactive();
}

int64_t TAdsQuery::ExecuteStatement()
{
    CheckNotExecuting();
    EnsureStatement();
    ApplyStatementOptions();
    Prepare();
    const std::u16string text = Utf16(mSQL->Text());
    Check(ace::AdsPrepareSQLW(uint32_t(mhStmt), text.c_str()));
    if (DataSource())
        BindMasterParams();
    BindParams();
    const uint32_t cursor = RunPreparedStatement();
    if (cursor == 0) {
        ReadRowsAffected();
        return -1;
    }
    ClosingCursorOnFailure(cursor, [&] {
        uint16_t live = 0;
        Check(ace::AdsSqlPeekStatement(cursor, &live));
        mbReadOnly = live == 0;
        if (live == 1)
            ReadTableCharType(cursor);
        ReadRowsAffected();
    });
    return int64_t(cursor);
}

// An error naming 7209 leaves the statement unusable, so it is released;
// a failure of that release must not hide the error that caused it.
uint32_t TAdsQuery::RunPreparedStatement()
{
    ADSHANDLE cursor = 0;
    try {
        Check(ace::AdsExecuteSQL(uint32_t(mhStmt), &cursor));
    } catch (const Exception& error) {
        if (error.Message().contains(QLatin1String("7209")))
            ReleaseStatementQuietly();
        throw;
    }
    return cursor;
}

void TAdsQuery::ReleaseStatementQuietly() noexcept
{
    try {
        AdsCloseSQLStatement();
    } catch (...) {
        mhStmt = -1;
        mhConnection = -1;
    }
}

void TAdsQuery::ReadRowsAffected()
{
    uint32_t rows = 0;
    const uint32_t code = ace::AdsGetRecordCount(uint32_t(mhStmt), 2, &rows);
    if (code == 5117) {
        mlRowsAffected = -1;
    } else {
        Check(code);
        mlRowsAffected = int32_t(rows);
    }
}

// A result cursor nobody will own is closed before the failure goes on.
void TAdsQuery::ClosingCursorOnFailure(uint32_t cursor, const std::function<void()>& step)
{
    try {
        step();
    } catch (...) {
        ace::AdsCloseTable(cursor);
        throw;
    }
}

void TAdsQuery::ReadTableCharType(uint32_t cursor)
{
    Check(ace::AdsGetTableCharType(cursor, &musOpenCharType));
    char collation[101] = {};
    uint16_t length = sizeof(collation);
    const uint32_t code = ace::AdsGetTableCollation(cursor, collation, &length);
    if (code != 0 && code != 5025)
        Check(code);
    if ((code == 5025 || length == 0) && musOpenCharType >= 1 && musOpenCharType <= kAdsCharTypeCount)
        mpoAdsTableOptions->AdoptEngineCharType(TAdsCharTypes(musOpenCharType - 1));
}

void TAdsQuery::ExecSQL()
{
    const int64_t cursor = ExecuteStatement();
    if (cursor != -1)
        Check(ace::AdsCloseTable(uint32_t(cursor)));
}

uint32_t TAdsQuery::CreateEngineCursor()
{
    const int64_t result = ExecuteStatement();
    if (result == -1)
        RaiseDataSetError(QString::fromLatin1(kNoCursor));
    const uint32_t cursor = uint32_t(result);
    ClosingCursorOnFailure(cursor, [&] {
        Check(ace::AdsGetTableType(cursor, &musAceTableType));
        for (const QString& entry : mpoIndexFiles) {
            const QByteArray file = StringToAnsi(GetDatabasePath() + PathDelim + entry);
            ADSHANDLE indexes[256] = {};
            uint16_t count = 256;
            Check(ace::AdsOpenIndex(cursor, file.constData(), indexes, &count));
        }
    });
    return cursor;
}

void TAdsQuery::CloseEngineCursor()
{
    TAdsExtendedDataSet::CloseEngineCursor();
    UnPrepare();
    if (!IsDesigning())
        return;
    const int64_t statement = mhStmt;
    mhStmt = -1;
    mhConnection = -1;
    if (statement != -1) {
        const uint32_t code = ace::AdsCloseSQLStatement(uint32_t(statement));
        if (code != 5106)
            Check(code);
    }
}

void TAdsQuery::AdsCloseSQLStatement()
{
    CheckNoCursor();
    if (mhStmt != -1) {
        const uint32_t code = ace::AdsCloseSQLStatement(uint32_t(mhStmt));
        if (code != 5106)
            Check(code);
    }
    mhStmt = -1;
    mhConnection = -1;
}

void TAdsQuery::SetSQLTimeout(int32_t value)
{
    if (value < 0)
        throw ERangeError(QStringLiteral("Range check error: %1 is not a valid SQL timeout").arg(value));
    FSQLTimeout = value;
    if (mhStmt != -1)
        Check(ace::AdsSetSQLTimeout(uint32_t(mhStmt), uint32_t(value)));
}

int32_t TAdsQuery::LastAutoincVal()
{
    const uint32_t handle = mlHandle != -1 ? uint32_t(mlHandle) : uint32_t(mhStmt);
    uint32_t value = 0;
    Check(ace::AdsGetLastAutoinc(handle, &value));
    return CheckedInt32(int64_t(value), "autoincrement value");
}

// ---------------------------------------------------------------------------
// Scripts and verification.

namespace {

// Blanks and control characters only: other white space (a non-breaking
// space) belongs to the line.
QString TrimBlanksAndControls(const QString& line)
{
    qsizetype first = 0;
    qsizetype last = line.size();
    while (first < last && line[first].unicode() <= 0x20)
        ++first;
    while (last > first && line[last - 1].unicode() <= 0x20)
        --last;
    return line.mid(first, last - first);
}

bool IsDirectiveLine(const QString& trimmed)
{
    return trimmed.startsWith(QLatin1Char('#')) || trimmed.startsWith(QLatin1Char('['));
}

} // namespace

void TAdsQuery::RefillText(const QStringList& lines)
{
    mSQL->Clear();
    for (const QString& line : lines)
        mSQL->Add(line);
}

// The caller's lines come back after the run whatever happens; a failure
// while putting them back never hides the failure of the run itself.
void TAdsQuery::RunScriptText(bool scriptMode)
{
    const QStringList saved = mSQL->ToStringList();
    auto restoreQuietly = [&] {
        try {
            RefillText(saved);
        } catch (...) {
        }
    };
    try {
        QStringList cleaned;
        for (const QString& line : saved) {
            const QString trimmed = TrimBlanksAndControls(line);
            cleaned << (scriptMode && IsDirectiveLine(trimmed) ? QString() : trimmed);
        }
        RefillText(cleaned);
        if (scriptMode) {
            ExecSQL();
        } else {
            const std::u16string text = Utf16(mSQL->Text());
            Check(ace::AdsVerifySQLW(uint32_t(mhStmt), text.c_str()));
        }
    } catch (const Exception& error) {
        restoreQuietly();
        throw EDatabaseError(QStringLiteral("ERROR IN SCRIPT: ") + error.Message());
    } catch (...) {
        restoreQuietly();
        throw;
    }
    RefillText(saved);
}

void TAdsQuery::ExecSQLScript()
{
    RunScriptText(true);
}

void TAdsQuery::VerifySQL()
{
    EnsureStatement();
    ApplyStatementOptions();
    RunScriptText(false);
}

// ---------------------------------------------------------------------------
// Encryption and table passwords of the statement.

void TAdsQuery::AdsStmtEnableEncryption(const QString& strPassword)
{
    EnsureStatement();
    Check(ace::AdsStmtEnableEncryption(uint32_t(mhStmt), StringToAnsi(strPassword).constData()));
}

void TAdsQuery::AdsStmtDisableEncryption()
{
    EnsureStatement();
    Check(ace::AdsStmtDisableEncryption(uint32_t(mhStmt)));
}

void TAdsQuery::AdsStmtSetTablePassword(const QString& strTableName, const QString& strPassword)
{
    EnsureStatement();
    Check(ace::AdsStmtSetTablePassword(uint32_t(mhStmt), StringToAnsi(strTableName).constData(),
                                       StringToAnsi(strPassword).constData()));
}

void TAdsQuery::AdsStmtClearTablePasswords()
{
    EnsureStatement();
    Check(ace::AdsStmtClearTablePasswords(uint32_t(mhStmt)));
}
