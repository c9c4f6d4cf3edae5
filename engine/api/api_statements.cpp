#include "engine/api/api.h"

using namespace engine;

UNSIGNED32 AdsCreateSQLStatement(ADSHANDLE /*hConnect*/, ADSHANDLE* /*phStatement*/)
{
    return NotYetSupported("AdsCreateSQLStatement");
}

UNSIGNED32 AdsGetHandleType(ADSHANDLE /*hObj*/, UNSIGNED16* /*pusType*/)
{
    return NotYetSupported("AdsGetHandleType");
}

UNSIGNED32 AdsSetSQLTimeout(ADSHANDLE /*hObj*/, UNSIGNED32 /*ulTimeout*/)
{
    return NotYetSupported("AdsSetSQLTimeout");
}

UNSIGNED32 AdsGetSQLStmtParams(char* /*pucSQL*/)
{
    return NotYetSupported("AdsGetSQLStmtParams");
}

UNSIGNED32 AdsPrepareSQLW(ADSHANDLE /*hStatement*/, const char16_t* /*pwcSQL*/)
{
    return NotYetSupported("AdsPrepareSQLW");
}

UNSIGNED32 AdsVerifySQLW(ADSHANDLE /*hStatement*/, const char16_t* /*pwcSQL*/)
{
    return NotYetSupported("AdsVerifySQLW");
}

UNSIGNED32 AdsExecuteSQL(ADSHANDLE /*hStatement*/, ADSHANDLE* /*phCursor*/)
{
    return NotYetSupported("AdsExecuteSQL");
}

UNSIGNED32 AdsExecuteSQLDirect(ADSHANDLE /*hStatement*/, const char* /*pucSQL*/, ADSHANDLE* /*phCursor*/)
{
    return NotYetSupported("AdsExecuteSQLDirect");
}

UNSIGNED32 AdsExecuteSQLDirectW(ADSHANDLE /*hStatement*/, const char16_t* /*pwcSQL*/, ADSHANDLE* /*phCursor*/)
{
    return NotYetSupported("AdsExecuteSQLDirectW");
}

UNSIGNED32 AdsCloseSQLStatement(ADSHANDLE /*hStatement*/)
{
    return NotYetSupported("AdsCloseSQLStatement");
}

UNSIGNED32 AdsSqlPeekStatement(ADSHANDLE /*hCursor*/, UNSIGNED16* /*pbLive*/)
{
    return NotYetSupported("AdsSqlPeekStatement");
}

UNSIGNED32 AdsGetLastAutoinc(ADSHANDLE /*hObj*/, UNSIGNED32* /*pulAutoIncVal*/)
{
    return NotYetSupported("AdsGetLastAutoinc");
}

UNSIGNED32 AdsGetTableCharType(ADSHANDLE /*hTable*/, UNSIGNED16* /*pusCharType*/)
{
    return NotYetSupported("AdsGetTableCharType");
}

UNSIGNED32 AdsGetTableCollation(ADSHANDLE /*hTable*/, char* /*pucCollation*/, UNSIGNED16* /*pusLen*/)
{
    return NotYetSupported("AdsGetTableCollation");
}

UNSIGNED32 AdsStmtSetTableLockType(ADSHANDLE /*hStatement*/, UNSIGNED16 /*usLockType*/)
{
    return NotYetSupported("AdsStmtSetTableLockType");
}

UNSIGNED32 AdsStmtSetTableCollation(ADSHANDLE /*hStatement*/, const char* /*pucCollation*/)
{
    return NotYetSupported("AdsStmtSetTableCollation");
}

UNSIGNED32 AdsStmtSetTableRights(ADSHANDLE /*hStatement*/, UNSIGNED16 /*usCheckRights*/)
{
    return NotYetSupported("AdsStmtSetTableRights");
}

UNSIGNED32 AdsStmtSetTableReadOnly(ADSHANDLE /*hStatement*/, UNSIGNED16 /*usReadOnly*/)
{
    return NotYetSupported("AdsStmtSetTableReadOnly");
}

UNSIGNED32 AdsStmtSetTableType(ADSHANDLE /*hStatement*/, UNSIGNED16 /*usTableType*/)
{
    return NotYetSupported("AdsStmtSetTableType");
}

UNSIGNED32 AdsStmtSetTableCharType(ADSHANDLE /*hStatement*/, UNSIGNED16 /*usCharType*/)
{
    return NotYetSupported("AdsStmtSetTableCharType");
}

UNSIGNED32 AdsStmtConstrainUpdates(ADSHANDLE /*hStatement*/, UNSIGNED16 /*usConstrain*/)
{
    return NotYetSupported("AdsStmtConstrainUpdates");
}

UNSIGNED32 AdsStmtReadAllColumns(ADSHANDLE /*hStatement*/, UNSIGNED16 /*usReadColumns*/)
{
    return NotYetSupported("AdsStmtReadAllColumns");
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
