#include "engine/api/api_cursor.h"
#include "engine/core/connection.h"
#include "engine/core/open_table.h"
#include "engine/core/result_cursor.h"
#include "engine/core/sql_run.h"
#include "engine/core/statement.h"
#include "engine/sql/live_select.h"
#include "engine/sql/parameter_scan.h"
#include "engine/sql/parser.h"
#include "engine/sql/sql_error.h"
#include "engine/sql/text.h"

#include <algorithm>
#include <initializer_list>

using namespace engine;

namespace {

// Runs `change` on the statement's options under its lock after checking
// that `value` is one of the accepted ones.
template <class Change>
UNSIGNED32 SetStatementOption(const char* function, ADSHANDLE hStatement, bool accepted, const std::string& refusal,
                              Change change)
{
    return ApiCall(function, [&] {
        std::shared_ptr<Statement> statement = LookUp<Statement>(hStatement, function);
        if (!accepted)
            throw EngineError(AE_INVALID_ARGUMENT, std::string(function) + ": " + refusal);
        std::lock_guard<std::mutex> lock(statement->Mutex());
        change(statement->Options());
    });
}

// The script text of a W function as 8-bit text in the system code page.
std::string ScriptText(const char16_t* text, const char* function)
{
    RequireArgument(text != nullptr, function, "the SQL text is null");
    return sql::AnsiFromUtf16(std::u16string_view(text), sql::kSyntax, "The SQL text");
}

std::string NotOneOf(unsigned value, const char* choices)
{
    return std::to_string(value) + " is not one of " + choices;
}

// Sets a 16-bit option that takes one of a few values.
UNSIGNED32 SetChoice(const char* function, ADSHANDLE hStatement, UNSIGNED16 value,
                     std::initializer_list<UNSIGNED16> allowed, const char* choices,
                     uint16_t StatementOptions::*option)
{
    bool accepted = std::find(allowed.begin(), allowed.end(), value) != allowed.end();
    return SetStatementOption(function, hStatement, accepted, NotOneOf(value, choices),
                              [&](StatementOptions& o) { o.*option = value; });
}

// A failed call must not leave an older handle for the caller to close.
void ClearCursorOut(ADSHANDLE* phCursor)
{
    if (phCursor)
        *phCursor = 0;
}

void ExecuteInto(Statement& statement, ADSHANDLE* phCursor, const char* function)
{
    ADSHANDLE cursor = ExecutePrepared(statement, function);
    if (phCursor)
        *phCursor = cursor;
    else if (cursor != 0)
        CloseCursor(cursor, function);
}

} // namespace

UNSIGNED32 AdsCreateSQLStatement(ADSHANDLE hConnect, ADSHANDLE* phStatement)
{
    const char* function = "AdsCreateSQLStatement";
    return ApiCall(function, [&] {
        std::shared_ptr<Connection> connection = LookUp<Connection>(hConnect, function);
        ADSHANDLE& out = Out(phStatement, function, "the statement handle argument is null");
        auto statement = std::make_shared<Statement>(hConnect);
        statement->Options().tableType = connection->DefaultTableType();
        statement->Options().timeout = connection->SqlTimeout();
        ADSHANDLE handle = HandleRegistry::Instance().Register(statement);
        connection->Adopt(handle);
        out = handle;
    });
}

UNSIGNED32 AdsGetHandleType(ADSHANDLE hObj, UNSIGNED16* pusType)
{
    const char* function = "AdsGetHandleType";
    return ApiCall(function, [&] {
        UNSIGNED16& out = Out(pusType, function, "the type argument is null");
        std::shared_ptr<HandleObject> object = HandleRegistry::Instance().Find(hObj);
        if (!object)
            throw EngineError(AE_INVALID_HANDLE, std::string(function) + ": " + std::to_string(hObj)
                                                     + " is not an open handle");
        // A full-text index is an index handle to the caller.
        HandleKind kind = object->Kind() == HandleKind::FullTextIndex ? HandleKind::Index : object->Kind();
        out = static_cast<UNSIGNED16>(kind);
    });
}

UNSIGNED32 AdsSetSQLTimeout(ADSHANDLE hObj, UNSIGNED32 ulTimeout)
{
    const char* function = "AdsSetSQLTimeout";
    return ApiCall(function, [&] {
        std::shared_ptr<HandleObject> object = HandleRegistry::Instance().Find(hObj);
        if (object && object->Kind() == HandleKind::Connection) {
            // A connection's timeout becomes the default of its new statements.
            std::static_pointer_cast<Connection>(object)->SetSqlTimeout(ulTimeout);
            return;
        }
        std::shared_ptr<Statement> statement = LookUp<Statement>(hObj, function);
        std::lock_guard<std::mutex> lock(statement->Mutex());
        statement->Options().timeout = ulTimeout;
    });
}

// The caller scans the returned text for ":name" markers and binds them by
// position; the text comes back with the same length, rewritten so that its
// markers are exactly the parameters a prepare of the original numbers
// (none hidden in comments or quoted names). See parameter_scan.h.

UNSIGNED32 AdsGetSQLStmtParams(char* pucSQL)
{
    const char* function = "AdsGetSQLStmtParams";
    return ApiCall(function, [&] {
        RequireArgument(pucSQL != nullptr, function, "the SQL text is null");
        std::string scan = sql::ParameterScanText(pucSQL);
        std::copy(scan.begin(), scan.end(), pucSQL);
    });
}

UNSIGNED32 AdsPrepareSQLW(ADSHANDLE hStatement, const char16_t* pwcSQL)
{
    const char* function = "AdsPrepareSQLW";
    return ApiCall(function, [&] {
        std::shared_ptr<Statement> statement = LookUp<Statement>(hStatement, function);
        PrepareText(*statement, ScriptText(pwcSQL, function));
    });
}

// Checks the text as a prepare would, without keeping it.
UNSIGNED32 AdsVerifySQLW(ADSHANDLE hStatement, const char16_t* pwcSQL)
{
    const char* function = "AdsVerifySQLW";
    return ApiCall(function, [&] {
        LookUp<Statement>(hStatement, function);
        sql::ParseScript(ScriptText(pwcSQL, function));
    });
}

// The result cursor is optional: a caller that wants none may pass no
// address, and a result is then closed at once rather than left open.
UNSIGNED32 AdsExecuteSQL(ADSHANDLE hStatement, ADSHANDLE* phCursor)
{
    const char* function = "AdsExecuteSQL";
    return ApiCall(function, [&] {
        ClearCursorOut(phCursor);
        ExecuteInto(*LookUp<Statement>(hStatement, function), phCursor, function);
    });
}

UNSIGNED32 AdsExecuteSQLDirect(ADSHANDLE hStatement, const char* pucSQL, ADSHANDLE* phCursor)
{
    const char* function = "AdsExecuteSQLDirect";
    return ApiCall(function, [&] {
        ClearCursorOut(phCursor);
        std::shared_ptr<Statement> statement = LookUp<Statement>(hStatement, function);
        RequireArgument(pucSQL != nullptr, function, "the SQL text is null");
        PrepareText(*statement, pucSQL);
        ExecuteInto(*statement, phCursor, function);
    });
}

UNSIGNED32 AdsExecuteSQLDirectW(ADSHANDLE hStatement, const char16_t* pwcSQL, ADSHANDLE* phCursor)
{
    const char* function = "AdsExecuteSQLDirectW";
    return ApiCall(function, [&] {
        ClearCursorOut(phCursor);
        std::shared_ptr<Statement> statement = LookUp<Statement>(hStatement, function);
        PrepareText(*statement, ScriptText(pwcSQL, function));
        ExecuteInto(*statement, phCursor, function);
    });
}

UNSIGNED32 AdsCloseSQLStatement(ADSHANDLE hStatement)
{
    const char* function = "AdsCloseSQLStatement";
    return ApiCall(function, [&] {
        // A cache entry that never got a statement closes handle 0: nothing to do.
        if (hStatement == 0)
            return;
        std::shared_ptr<Statement> statement = LookUp<Statement>(hStatement, function);
        if (auto connection = std::dynamic_pointer_cast<Connection>(
                HandleRegistry::Instance().Find(statement->ConnectionHandle())))
            connection->Forget(hStatement);
        ReleaseAndClose(hStatement);
    });
}

// Every result this engine gives is static; a table is no SQL result.
UNSIGNED32 AdsSqlPeekStatement(ADSHANDLE hCursor, UNSIGNED16* pbLive)
{
    const char* function = "AdsSqlPeekStatement";
    return ApiCall(function, [&] {
        std::shared_ptr<HandleObject> object = HandleRegistry::Instance().Find(hCursor);
        bool live = sql::IsLiveResult(hCursor);
        if (!object || (!live && !std::dynamic_pointer_cast<ResultCursor>(object)))
            throw EngineError(AE_INVALID_HANDLE, std::string(function) + ": " + std::to_string(hCursor)
                                                     + " is not the cursor of an SQL result");
        Out(pbLive, function, "the live flag argument is null") = live ? 1 : 0;
    });
}

UNSIGNED32 AdsGetLastAutoinc(ADSHANDLE hObj, UNSIGNED32* pulAutoIncVal)
{
    const char* function = "AdsGetLastAutoinc";
    std::shared_ptr<HandleObject> object = HandleRegistry::Instance().Find(hObj);
    if (object && object->Kind() == HandleKind::Statement)
        return ApiCall(function, [&] {
            UNSIGNED32& out = Out(pulAutoIncVal, function, "the value argument is null");
            auto statement = std::static_pointer_cast<Statement>(object);
            std::lock_guard<std::mutex> lock(statement->Mutex());
            out = statement->LastAutoinc();
        });
    return WithCursor(function, hObj, [&](Cursor& c) {
        Out(pulAutoIncVal, function, "the value argument is null") = c.Table().LastAutoinc();
    });
}

UNSIGNED32 AdsGetTableCharType(ADSHANDLE hTable, UNSIGNED16* pusCharType)
{
    const char* function = "AdsGetTableCharType";
    return WithCursor(function, hTable, [&](Cursor& c) {
        Out(pusCharType, function, "the type argument is null") = static_cast<UNSIGNED16>(c.Table().GetCharType());
    });
}

// Free tables carry no collation of their own: the answer is empty.

UNSIGNED32 AdsGetTableCollation(ADSHANDLE hTable, char* pucCollation, UNSIGNED16* pusLen)
{
    const char* function = "AdsGetTableCollation";
    return WithCursor(function, hTable, [&](Cursor&) { CopyTextOut("", pucCollation, pusLen, function); });
}

UNSIGNED32 AdsStmtSetTableLockType(ADSHANDLE hStatement, UNSIGNED16 usLockType)
{
    return SetChoice("AdsStmtSetTableLockType", hStatement, usLockType,
                     {ADS_COMPATIBLE_LOCKING, ADS_PROPRIETARY_LOCKING}, "0 (compatible) and 1 (proprietary)",
                     &StatementOptions::lockType);
}

UNSIGNED32 AdsStmtSetTableCollation(ADSHANDLE hStatement, const char* pucCollation)
{
    return SetStatementOption("AdsStmtSetTableCollation", hStatement, pucCollation != nullptr,
                              "the collation is null",
                              [&](StatementOptions& o) { o.collation = pucCollation; });
}

UNSIGNED32 AdsStmtSetTableRights(ADSHANDLE hStatement, UNSIGNED16 usCheckRights)
{
    return SetChoice("AdsStmtSetTableRights", hStatement, usCheckRights, {ADS_CHECKRIGHTS, ADS_IGNORERIGHTS},
                     "1 (check) and 2 (ignore)", &StatementOptions::checkRights);
}

UNSIGNED32 AdsStmtSetTableReadOnly(ADSHANDLE hStatement, UNSIGNED16 usReadOnly)
{
    return SetChoice("AdsStmtSetTableReadOnly", hStatement, usReadOnly, {ADS_CURSOR_READONLY, ADS_CURSOR_READWRITE},
                     "1 (read-only) and 2 (live)", &StatementOptions::readOnly);
}

UNSIGNED32 AdsStmtSetTableType(ADSHANDLE hStatement, UNSIGNED16 usTableType)
{
    return SetChoice("AdsStmtSetTableType", hStatement, usTableType, {ADS_NTX, ADS_CDX, ADS_ADT, ADS_VFP},
                     "1 (NTX), 2 (CDX), 3 (ADT) and 4 (VFP)", &StatementOptions::tableType);
}

UNSIGNED32 AdsStmtSetTableCharType(ADSHANDLE hStatement, UNSIGNED16 usCharType)
{
    return SetStatementOption("AdsStmtSetTableCharType", hStatement,
                              usCharType >= ADS_ANSI && usCharType <= ADS_MAX_CHAR_TYPE,
                              NotOneOf(usCharType, "the character types 1 to 118"),
                              [&](StatementOptions& o) { o.charType = usCharType; });
}

UNSIGNED32 AdsStmtConstrainUpdates(ADSHANDLE hStatement, UNSIGNED16 usConstrain)
{
    return SetChoice("AdsStmtConstrainUpdates", hStatement, usConstrain, {ADS_CONSTRAIN, ADS_NO_CONSTRAIN},
                     "1 (constrain) and 2 (do not)", &StatementOptions::constrain);
}

UNSIGNED32 AdsStmtReadAllColumns(ADSHANDLE hStatement, UNSIGNED16 usReadColumns)
{
    return SetChoice("AdsStmtReadAllColumns", hStatement, usReadColumns,
                     {ADS_READ_ALL_COLUMNS, ADS_READ_SELECT_COLUMNS}, "1 (all columns) and 2 (selected ones)",
                     &StatementOptions::readColumns);
}

UNSIGNED32 AdsStmtEnableEncryption(ADSHANDLE /*hStatement*/, const char* /*pucPassword*/)
{
    return NotYetSupported("AdsStmtEnableEncryption");
}

UNSIGNED32 AdsStmtDisableEncryption(ADSHANDLE /*hStatement*/)
{
    return NotYetSupported("AdsStmtDisableEncryption");
}

UNSIGNED32 AdsStmtSetTablePassword(ADSHANDLE /*hStatement*/, const char* /*pucTableName*/, const char* /*pucPassword*/)
{
    return NotYetSupported("AdsStmtSetTablePassword");
}

UNSIGNED32 AdsStmtClearTablePasswords(ADSHANDLE /*hStatement*/)
{
    return NotYetSupported("AdsStmtClearTablePasswords");
}
