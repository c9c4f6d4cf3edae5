/* The client engine's C interface: every function the data-access layer calls,
 * with the types, constants and error codes it exchanges.
 *
 * Conventions that hold for every function:
 * - Every function returns a 32-bit code: 0 (AE_SUCCESS) or an error code.
 *   After a failure the calling thread's last error (AdsGetLastError) holds
 *   that code and a text naming what went wrong and on which file, table or
 *   field. A successful call leaves the last error as it was.
 * - Handles are 32-bit, typed (connection, table or cursor, index, statement,
 *   ...), and never 0 or 0xFFFFFFFF. A closed, unknown or wrong-kind handle is
 *   refused with an error code, never a crash. Handles may be used from any
 *   thread; calls on different connections do not wait for each other.
 * - Text is 8-bit, zero-terminated, in the system code page (Windows-1252),
 *   except in the functions whose names end in W, which take UTF-16
 *   (char16_t). File and folder names are converted to the file system's
 *   UTF-8 inside the engine.
 * - An output buffer comes with a length: in, the buffer's size; out, the
 *   length of the value. Text outputs are zero-terminated and the length
 *   excludes the terminator; a buffer too small for value and terminator gives
 *   AE_INSUFFICIENT_BUFFER with the needed length (terminator excluded)
 *   written back, and the buffer holds as much of the value as fits.
 * - Functions that address a column (or a statement parameter) take an
 *   ADSFIELD_ID: either a zero-terminated name or a 1-based number cast to a
 *   pointer with ADSFIELD(n). Numbers below 0x10000 are never valid
 *   addresses on the supported systems, which is what tells the two apart.
 * - Functions whose work a later version implements exist already and return
 *   AE_NOT_YET_SUPPORTED with a text naming the function.
 */
#ifndef VARNEL_ENGINE_H
#define VARNEL_ENGINE_H

#include <stdint.h>
#include <uchar.h>

#ifdef __cplusplus
#define VARNEL_ENGINE_EXTERN_C extern "C"
#else
#define VARNEL_ENGINE_EXTERN_C
#endif
#define VARNEL_ENGINE_API VARNEL_ENGINE_EXTERN_C __attribute__((visibility("default")))

typedef uint8_t UNSIGNED8;
typedef uint16_t UNSIGNED16;
typedef uint32_t UNSIGNED32;
typedef uint64_t UNSIGNED64;
typedef int16_t SIGNED16;
typedef int32_t SIGNED32;
typedef int64_t SIGNED64;
typedef double DOUBLE;
typedef uint32_t ADSHANDLE;
/* A column or parameter: a zero-terminated name, or ADSFIELD(number). */
typedef const char* ADSFIELD_ID;
#define ADSFIELD(number) ((ADSFIELD_ID)(uintptr_t)(number))
#define ADS_MAX_FIELD_NUMBER 0xFFFFu

/* Callbacks handed to the registration functions. A non-zero return asks the
 * running operation to stop. */
typedef UNSIGNED32 (*ADS_CALLBACK_FUNCTION)(UNSIGNED16 usPercent, UNSIGNED32 ulCallbackID);
typedef UNSIGNED32 (*ADS_CALLBACK_FUNCTION101)(UNSIGNED16 usPercent, UNSIGNED64 qCallbackID);
typedef UNSIGNED32 (*ADS_PROGRESS_CALLBACK)(UNSIGNED16 usPercent);
typedef UNSIGNED32 (*ADS_SQL_ABORT_FUNC)(void);

/* ---- Engine version ---------------------------------------------------- */
#define ADS_ENGINE_VERSION_MAJOR 0
#define ADS_ENGINE_VERSION_MINOR 1
#define ADS_ENGINE_VERSION_LETTER ' '
#define ADS_ENGINE_DESCRIPTION "Varnel local engine"

/* ---- Handle types (AdsGetHandleType) ----------------------------------- */
#define ADS_CONNECTION 1
#define ADS_TABLE 2
#define ADS_INDEX_ORDER 3
#define ADS_STATEMENT 4
#define ADS_CURSOR 5
#define ADS_FIND_HANDLE 6

/* ---- Table types ------------------------------------------------------- */
#define ADS_NTX 1
#define ADS_CDX 2
#define ADS_ADT 3
#define ADS_VFP 4
#define ADS_DEFAULT_TABLE_TYPE ADS_ADT

/* ---- Character types --------------------------------------------------- */
#define ADS_ANSI 1
#define ADS_OEM 2
/* 3 ... 118: the collation-specific character types. */
#define ADS_MAX_CHAR_TYPE 118

/* ---- Lock types and rights checking ------------------------------------ */
#define ADS_COMPATIBLE_LOCKING 0
#define ADS_PROPRIETARY_LOCKING 1
#define ADS_CHECKRIGHTS 1
#define ADS_IGNORERIGHTS 2

/* ---- Open options (AdsOpenTable) and open-option bits
 *      (AdsGetTableOpenOptions) ------------------------------------------ */
#define ADS_EXCLUSIVE 0x01
#define ADS_READONLY 0x02
#define ADS_UPDATE_PERMISSION 0x20
#define ADS_INSERT_PERMISSION 0x40

/* ---- Column permission bits (AdsGetColumnPermissions) ------------------ */
#define ADS_PERMISSION_READ 0x01
#define ADS_PERMISSION_UPDATE 0x02
#define ADS_PERMISSION_INSERT 0x04

/* ---- Table-creation options (AdsCreateTable90) ------------------------- */
#define ADS_FREE_TABLE 0x1000
#define ADS_DICTIONARY_TABLE 0x4000
#define ADS_CACHE_READS 0x20000000
#define ADS_CACHE_WRITES 0x40000000

/* ---- Field types ------------------------------------------------------- */
#define ADS_LOGICAL 1
#define ADS_NUMERIC 2
#define ADS_DATE 3
#define ADS_STRING 4
#define ADS_MEMO 5
#define ADS_BINARY 6
#define ADS_IMAGE 7
#define ADS_VARCHAR_MEMO 8
#define ADS_COMPACTDATE 9
#define ADS_DOUBLE 10
#define ADS_INTEGER 11
#define ADS_SHORTINT 12
#define ADS_TIME 13
#define ADS_TIMESTAMP 14
#define ADS_AUTOINC 15
#define ADS_RAW 16
#define ADS_CURDOUBLE 17
#define ADS_MONEY 18
#define ADS_CISTRING 20
#define ADS_LONGLONG 21
#define ADS_MODTIME 22
#define ADS_VARCHAR 23
#define ADS_VARBINARY 24
#define ADS_NCHAR 26
#define ADS_NVARCHAR 27
#define ADS_NMEMO 28
#define ADS_BINARY_TEXT 51
#define ADS_IMAGE_TEXT 52

/* ---- Counting and filter options --------------------------------------- */
#define ADS_RESPECTFILTERS 1
#define ADS_IGNOREFILTERS 2
#define ADS_RESPECTSCOPES 3
#define ADS_REFRESHCOUNT 4

/* ---- AdsGetField / AdsGetFieldW options -------------------------------- */
#define ADS_NONE 0
#define ADS_LTRIM 1
#define ADS_RTRIM 2
#define ADS_TRIM 3

/* ---- AdsAccessVfpSystemField options ----------------------------------- */
#define ADS_VFP_GET_NULL 1
#define ADS_VFP_SET_NULL 2
#define ADS_VFP_SET_VARLENGTH 3
#define ADS_VFP_GET_VARLENGTH 4

/* ---- AdsSetBinary binary types ----------------------------------------- */
#define ADS_BINARY_DATA 6
#define ADS_IMAGE_DATA 7

/* ---- Index options ------------------------------------------------------ */
#define ADS_BASENAME 1           /* AdsGetIndexFilename: name only */
#define ADS_BASENAMEANDEXT 2     /* name and extension */
#define ADS_FULLPATHNAME 3       /* full path */
#define ADS_UNIQUE 0x0001
#define ADS_COMPOUND 0x0002
#define ADS_CUSTOM 0x0004
#define ADS_DESCENDING 0x0008
#define ADS_USER_DEFINED 0x0010
#define ADS_CANDIDATE 0x0800
#define ADS_BINARY_INDEX 0x1000

/* ---- Filter options ----------------------------------------------------- */
#define ADS_RESOLVE_IMMEDIATE 0x0001
#define ADS_RESOLVE_DYNAMIC 0x0002
#define ADS_DYNAMIC_AOF 0x0000
#define ADS_KEYSET_AOF 0x0004
#define ADS_FIXED_AOF 0x0008
#define ADS_ENCODE_UTF16 0x2000
#define ADS_OPTIMIZED_FULL 1
#define ADS_OPTIMIZED_PART 2
#define ADS_OPTIMIZED_NONE 3

/* ---- Seeks, keys and scopes --------------------------------------------- */
#define ADS_RAWKEY 1
#define ADS_STRINGKEY 2
#define ADS_DOUBLEKEY 4
#define ADS_WSTRINGKEY 8
#define ADS_SOFTSEEK 1
#define ADS_HARDSEEK 2
#define ADS_TOP 1
#define ADS_BOTTOM 2
#define ADS_FULL_KEY 1
#define ADS_PARTIAL_KEY_UNICODE 4

/* ---- Connection types and properties ------------------------------------ */
#define ADS_LOCAL_SERVER 1
#define ADS_REMOTE_SERVER 2
#define ADS_AIS_SERVER 4
#define ADS_CONNPROP_USERNAME 0
#define ADS_CONNPROP_PASSWORD 1
#define ADS_CONNPROP_PROTOCOL 2
#define ADS_CONNPROP_ENCRYPTION_TYPE 3
#define ADS_CONNPROP_FIPS_MODE 4
#define ADS_CONNPROP_CERTIFICATE_FILE 5
#define ADS_CONNPROP_CIPHER_SUITE 6
#define ADS_CONNPROP_COMMON_NAME 7

/* ---- Statement option values --------------------------------------------- */
#define ADS_CURSOR_READONLY 1
#define ADS_CURSOR_READWRITE 2
#define ADS_CONSTRAIN 1
#define ADS_NO_CONSTRAIN 2
#define ADS_READ_ALL_COLUMNS 1
#define ADS_READ_SELECT_COLUMNS 2

/* ---- Dictionary properties and objects ----------------------------------- */
#define ADS_DD_VERSION_MAJOR 111
#define ADS_DD_VERSION_MINOR 112
#define ADS_DD_TABLE_DEFAULT_INDEX 213
#define ADS_DD_USER_GROUP_MEMBERSHIP 1102
#define ADS_DD_TABLE_OBJECT 1
#define ADS_DD_PROCEDURE_OBJECT 10
#define ADS_LINK_GLOBAL 1
#define ADS_LINK_AUTH_ACTIVE_USER 2
#define ADS_LINK_PATH_IS_STATIC 4
/* This engine's own dictionary properties (AdsDDGet/SetDatabaseProperty,
 * AdsDDGetTableProperty). */
#define ADS_DD_COMMENT 8001          /* text: the dictionary's description */
#define ADS_DD_LOGINS_REQUIRED 8002  /* 16-bit: 1 = a connection must name a user */
#define ADS_DD_TABLE_PRIMARY_KEY 8101 /* text: the index that is the table's primary key */

/* ---- Dates ------------------------------------------------------------------
 * Julian day = day number + 1721425, day 1 being 1 January of year 1
 * (proleptic Gregorian calendar). Times are milliseconds since midnight. */
#define ADS_JULIAN_OFFSET 1721425
#define ADS_DEFAULT_DATE_FORMAT "MM/DD/CCYY"
#define ADS_MAX_DATEMASK 11

/* ---- Sizes ----------------------------------------------------------------- */
#define ADS_MAX_FIELD_NAME 128
#define ADS_MAX_ERROR_LEN 600
#define ADS_BOOKMARK_LENGTH 4

/* ---- Error codes -------------------------------------------------------------
 * The 5xxx codes below are the ones callers test for; the 6xxx codes are this
 * engine's own and only promise to be distinct and stable. */
#define AE_SUCCESS 0
#define AE_INSUFFICIENT_BUFFER 5005
#define AE_INVALID_HANDLE 5018
#define AE_INVALID_RECORD_NUMBER 5022
#define AE_NO_CONNECTION 5023
#define AE_INVALID_CONNECTION_HANDLE 5024
#define AE_NO_COLLATION 5025
#define AE_NO_FILTER 5037
#define AE_NO_SCOPE 5038
#define AE_NOT_FOUND 5041
#define AE_PERMISSION_DENIED 5054
#define AE_NO_FILE_FOUND 5059
#define AE_STATIC_VIEW 5064
#define AE_NO_CURRENT_RECORD 5068
#define AE_NO_PENDING_UPDATE 5085
#define AE_TABLE_NOT_LOCKED 5087
#define AE_INVALID_STATEMENT_HANDLE 5106
#define AE_NO_ROW_COUNT 5117
#define AE_NO_OBJECT_FOUND 5137     /* a dictionary search found none, or no more */
#define AE_PROPERTY_NOT_SET 5138    /* a dictionary property without a value */
#define AE_NOT_YET_SUPPORTED 6000
#define AE_INTERNAL_ERROR 6001
#define AE_INVALID_ARGUMENT 6002      /* null pointer, option out of range */
#define AE_INVALID_CONNECT_STRING 6003
#define AE_INVALID_DATE_FORMAT 6004
#define AE_INVALID_DATE 6005
#define AE_PATH_NOT_FOUND 6006        /* folder of a connection or table missing */
#define AE_AMBIGUOUS_PATH 6007        /* several names differ only in case */
#define AE_FIELD_NOT_FOUND_API 6008   /* column number or name unknown */
#define AE_READ_ONLY_CURSOR 6009
#define AE_HANDLE_KIND 6010           /* a valid handle of the wrong kind */
/* Raised by the table files (same values as the storage layer's codes). */
#define AE_FILE_NOT_FOUND 6101
#define AE_FILE_IO 6102
#define AE_CORRUPT_TABLE 6103
#define AE_CORRUPT_MEMO 6104
#define AE_UNKNOWN_FIELD_TYPE 6105
#define AE_BAD_DEFINITION 6106
#define AE_LOCK_CONFLICT 6107
#define AE_TABLE_IN_USE 6108
#define AE_TABLE_READ_ONLY 6109
#define AE_VALUE 6110
#define AE_FIELD_NOT_FOUND 6111
#define AE_KIND_NOT_SUPPORTED 6112
#define AE_EXCLUSIVE_REQUIRED 6113
#define AE_ALREADY_EXISTS 6114
#define AE_INDEX_DAMAGED 6115      /* an index file that failed its checks */
#define AE_DUPLICATE_KEY 6116      /* a second record with a candidate key */
#define AE_INDEX_NOT_FOUND 6117    /* no index (tag) of that name */
#define AE_INVALID_KEY 6118        /* a key or key expression that cannot be used */
#define AE_TRANSACTION_ACTIVE 6119 /* a transaction is already open on the connection */
#define AE_NO_TRANSACTION 6120     /* commit or rollback without an open transaction */
#define AE_SAVEPOINT_NOT_FOUND 6121 /* no savepoint of that name in the transaction */
#define AE_ROLLBACK_INCOMPLETE 6122 /* a change could not be undone; the others were */
/* Data dictionaries. */
#define AE_DD_LOGIN_FAILED 6130     /* unknown user or wrong password */
#define AE_DD_OBJECT_NOT_FOUND 6131 /* no table, user, group, procedure or link of that name */
#define AE_DD_INVALID 6132          /* not a dictionary, or one of a newer schema */
/* Raised by backups and restores. */
#define AE_NOT_A_BACKUP 6140        /* a folder without a backup manifest */
#define AE_BACKUP_DAMAGED 6141      /* a manifest that fails its own checks */
#define AE_CHECKSUM_MISMATCH 6142   /* a backup file whose bytes are not the ones backed up */
#define AE_WRONG_PASSWORD 6143      /* the password does not match the backup's */
#define AE_DISK_FULL 6144           /* no room left for a file being written */
#define AE_BACKUP_FILE_MISSING 6145 /* a file the manifest lists is not in the backup */
#define AE_OPERATION_ABORTED 6146   /* stopped by the SQL abort function or the SQL timeout */

/* ===== 1. Errors ============================================================ */
VARNEL_ENGINE_API UNSIGNED32 AdsGetLastError(UNSIGNED32* pulErrCode, char* pucBuf, UNSIGNED16* pusBufLen);
/* Stores code and text as this thread's last error and returns the code. */
VARNEL_ENGINE_API UNSIGNED32 AdsSetLastError(UNSIGNED32 ulErrCode, const char* pucDetails);
/* No window: writes the title and the last error to the standard error. */
VARNEL_ENGINE_API UNSIGNED32 AdsShowError(const char* pucTitle);

/* ===== 2. Connections, transactions, links, catalog ========================= */
/* phConnectOptions must be null: option objects are not used. */
VARNEL_ENGINE_API UNSIGNED32 AdsConnect101(const char* pucConnectString, ADSHANDLE* phConnectOptions, ADSHANDLE* phConnect);
VARNEL_ENGINE_API UNSIGNED32 AdsConnect(const char* pucServerName, ADSHANDLE* phConnect);
VARNEL_ENGINE_API UNSIGNED32 AdsDisconnect(ADSHANDLE hConnect);
VARNEL_ENGINE_API UNSIGNED32 AdsSetDateFormat60(ADSHANDLE hConnect, const char* pucFormat);
VARNEL_ENGINE_API UNSIGNED32 AdsGetDateFormat(char* pucFormat, UNSIGNED16* pusLen);
VARNEL_ENGINE_API UNSIGNED32 AdsSetDateFormat(const char* pucFormat);
VARNEL_ENGINE_API UNSIGNED32 AdsGetConnectionPath(ADSHANDLE hConnect, char* pucPath, UNSIGNED16* pusLen);
VARNEL_ENGINE_API UNSIGNED32 AdsGetConnectionProperty(ADSHANDLE hConnect, UNSIGNED16 usPropertyID, void* pvProperty, UNSIGNED32* pulPropertyLen);
VARNEL_ENGINE_API UNSIGNED32 AdsGetConnectionType(ADSHANDLE hConnect, UNSIGNED16* pusConnectType);
VARNEL_ENGINE_API UNSIGNED32 AdsGetServerName(ADSHANDLE hConnect, char* pucName, UNSIGNED16* pusLen);
VARNEL_ENGINE_API UNSIGNED32 AdsIsConnectionAlive(ADSHANDLE hConnect, UNSIGNED16* pbConnectionIsAlive);
VARNEL_ENGINE_API UNSIGNED32 AdsGetServerTime(ADSHANDLE hConnect, char* pucDateBuf, UNSIGNED16* pusDateBufLen, SIGNED32* plTime, char* pucTimeBuf, UNSIGNED16* pusTimeBufLen);
VARNEL_ENGINE_API UNSIGNED32 AdsConvertDateToJulian(ADSHANDLE hConnect, const char* pucDate, UNSIGNED16 usLen, DOUBLE* pdJulian);
VARNEL_ENGINE_API UNSIGNED32 AdsCloseCachedTables(ADSHANDLE hConnect);
VARNEL_ENGINE_API UNSIGNED32 AdsBeginTransaction(ADSHANDLE hConnect);
VARNEL_ENGINE_API UNSIGNED32 AdsCommitTransaction(ADSHANDLE hConnect);
VARNEL_ENGINE_API UNSIGNED32 AdsRollbackTransaction(ADSHANDLE hConnect);
VARNEL_ENGINE_API UNSIGNED32 AdsRollbackTransaction80(ADSHANDLE hConnect, const char* pucSavepoint, UNSIGNED32 ulOptions);
VARNEL_ENGINE_API UNSIGNED32 AdsCreateSavepoint(ADSHANDLE hConnect, const char* pucSavepoint, UNSIGNED32 ulOptions);
VARNEL_ENGINE_API UNSIGNED32 AdsInTransaction(ADSHANDLE hConnect, UNSIGNED16* pbInTrans);
VARNEL_ENGINE_API UNSIGNED32 AdsGetTransactionCount(ADSHANDLE hConnect, UNSIGNED32* pulTransactionCount);
VARNEL_ENGINE_API UNSIGNED32 AdsGetNumActiveLinks(ADSHANDLE hConnect, UNSIGNED16* pusNumLinks);
VARNEL_ENGINE_API UNSIGNED32 AdsGetActiveLinkInfo(ADSHANDLE hConnect, UNSIGNED16 usLinkNum, char* pucLinkInfo, UNSIGNED16* pusBufferLen);
VARNEL_ENGINE_API UNSIGNED32 AdsFindFirstTable(ADSHANDLE hConnect, const char* pucFileMask, char* pucFirstFile, UNSIGNED16* pusFileLen, ADSHANDLE* phFindHandle);
VARNEL_ENGINE_API UNSIGNED32 AdsFindNextTable(ADSHANDLE hConnect, ADSHANDLE hFindHandle, char* pucFileName, UNSIGNED16* pusFileLen);
VARNEL_ENGINE_API UNSIGNED32 AdsFindFirstTable62(ADSHANDLE hConnect, const char* pucFileMask, char* pucFirstDD, UNSIGNED16* pusDDLen, char* pucFirstFile, UNSIGNED16* pusFileLen, ADSHANDLE* phFindHandle);
VARNEL_ENGINE_API UNSIGNED32 AdsFindNextTable62(ADSHANDLE hConnect, ADSHANDLE hFindHandle, char* pucDDName, UNSIGNED16* pusDDLen, char* pucFileName, UNSIGNED16* pusFileLen);
VARNEL_ENGINE_API UNSIGNED32 AdsFindClose(ADSHANDLE hConnect, ADSHANDLE hFindHandle);

/* ===== 3. SQL statements ==================================================== */
VARNEL_ENGINE_API UNSIGNED32 AdsCreateSQLStatement(ADSHANDLE hConnect, ADSHANDLE* phStatement);
VARNEL_ENGINE_API UNSIGNED32 AdsGetHandleType(ADSHANDLE hObj, UNSIGNED16* pusType);
VARNEL_ENGINE_API UNSIGNED32 AdsSetSQLTimeout(ADSHANDLE hObj, UNSIGNED32 ulTimeout);
/* The SQL text in place (in/out). */
VARNEL_ENGINE_API UNSIGNED32 AdsGetSQLStmtParams(char* pucSQL);
VARNEL_ENGINE_API UNSIGNED32 AdsPrepareSQLW(ADSHANDLE hStatement, const char16_t* pwcSQL);
VARNEL_ENGINE_API UNSIGNED32 AdsVerifySQLW(ADSHANDLE hStatement, const char16_t* pwcSQL);
/* *phCursor gets the result cursor, or 0 when the text yields none;
 * phCursor may be null. */
VARNEL_ENGINE_API UNSIGNED32 AdsExecuteSQL(ADSHANDLE hStatement, ADSHANDLE* phCursor);
VARNEL_ENGINE_API UNSIGNED32 AdsExecuteSQLDirect(ADSHANDLE hStatement, const char* pucSQL, ADSHANDLE* phCursor);
VARNEL_ENGINE_API UNSIGNED32 AdsExecuteSQLDirectW(ADSHANDLE hStatement, const char16_t* pwcSQL, ADSHANDLE* phCursor);
VARNEL_ENGINE_API UNSIGNED32 AdsCloseSQLStatement(ADSHANDLE hStatement);
VARNEL_ENGINE_API UNSIGNED32 AdsSqlPeekStatement(ADSHANDLE hCursor, UNSIGNED16* pbLive);
VARNEL_ENGINE_API UNSIGNED32 AdsGetLastAutoinc(ADSHANDLE hObj, UNSIGNED32* pulAutoIncVal);
VARNEL_ENGINE_API UNSIGNED32 AdsGetTableCharType(ADSHANDLE hTable, UNSIGNED16* pusCharType);
VARNEL_ENGINE_API UNSIGNED32 AdsGetTableCollation(ADSHANDLE hTable, char* pucCollation, UNSIGNED16* pusLen);
VARNEL_ENGINE_API UNSIGNED32 AdsStmtSetTableLockType(ADSHANDLE hStatement, UNSIGNED16 usLockType);
VARNEL_ENGINE_API UNSIGNED32 AdsStmtSetTableCollation(ADSHANDLE hStatement, const char* pucCollation);
VARNEL_ENGINE_API UNSIGNED32 AdsStmtSetTableRights(ADSHANDLE hStatement, UNSIGNED16 usCheckRights);
VARNEL_ENGINE_API UNSIGNED32 AdsStmtSetTableReadOnly(ADSHANDLE hStatement, UNSIGNED16 usReadOnly);
VARNEL_ENGINE_API UNSIGNED32 AdsStmtSetTableType(ADSHANDLE hStatement, UNSIGNED16 usTableType);
VARNEL_ENGINE_API UNSIGNED32 AdsStmtSetTableCharType(ADSHANDLE hStatement, UNSIGNED16 usCharType);
VARNEL_ENGINE_API UNSIGNED32 AdsStmtConstrainUpdates(ADSHANDLE hStatement, UNSIGNED16 usConstrain);
VARNEL_ENGINE_API UNSIGNED32 AdsStmtReadAllColumns(ADSHANDLE hStatement, UNSIGNED16 usReadColumns);
VARNEL_ENGINE_API UNSIGNED32 AdsStmtEnableEncryption(ADSHANDLE hStatement, const char* pucPassword);
VARNEL_ENGINE_API UNSIGNED32 AdsStmtDisableEncryption(ADSHANDLE hStatement);
VARNEL_ENGINE_API UNSIGNED32 AdsStmtSetTablePassword(ADSHANDLE hStatement, const char* pucTableName, const char* pucPassword);
VARNEL_ENGINE_API UNSIGNED32 AdsStmtClearTablePasswords(ADSHANDLE hStatement);

/* ===== 4. Values: statement parameters (S, position) and columns (T, column)
 *          or key segments (index handle, segment field name) =============== */
VARNEL_ENGINE_API UNSIGNED32 AdsSetEmpty(ADSHANDLE hObj, ADSFIELD_ID pucFldName);
VARNEL_ENGINE_API UNSIGNED32 AdsSetLogical(ADSHANDLE hObj, ADSFIELD_ID pucFldName, UNSIGNED16 bValue);
VARNEL_ENGINE_API UNSIGNED32 AdsSetDouble(ADSHANDLE hObj, ADSFIELD_ID pucFldName, DOUBLE dValue);
VARNEL_ENGINE_API UNSIGNED32 AdsSetJulian(ADSHANDLE hObj, ADSFIELD_ID pucFldName, SIGNED32 lDate);
VARNEL_ENGINE_API UNSIGNED32 AdsSetMilliseconds(ADSHANDLE hObj, ADSFIELD_ID pucFldName, SIGNED32 lTime);
/* 8 bytes: Julian day, then milliseconds, both signed 32-bit little-endian. */
VARNEL_ENGINE_API UNSIGNED32 AdsSetTimeStampRaw(ADSHANDLE hObj, ADSFIELD_ID pucFldName, const UNSIGNED8* pucBuf, UNSIGNED32 ulLen);
/* Writes ulLen bytes at ulOffset of a value of ulTotalLength bytes. */
VARNEL_ENGINE_API UNSIGNED32 AdsSetBinary(ADSHANDLE hObj, ADSFIELD_ID pucFldName, UNSIGNED16 usBinaryType, UNSIGNED32 ulTotalLength, UNSIGNED32 ulOffset, const UNSIGNED8* pucBuf, UNSIGNED32 ulLen);
VARNEL_ENGINE_API UNSIGNED32 AdsSetString(ADSHANDLE hObj, ADSFIELD_ID pucFldName, const char* pucBuf, UNSIGNED32 ulLen);
VARNEL_ENGINE_API UNSIGNED32 AdsSetStringW(ADSHANDLE hObj, ADSFIELD_ID pucFldName, const char16_t* pwcBuf, UNSIGNED32 ulLen);

/* ===== 5. Tables, cursors, fields, values ==================================== */
/* pucName: a name relative to the connection's folder, or a full path (with
 * hConnect 0). Without an extension the table type's own is added. */
VARNEL_ENGINE_API UNSIGNED32 AdsOpenTable(ADSHANDLE hConnect, const char* pucName, const char* pucAlias, UNSIGNED16 usTableType, UNSIGNED16 usCharType, UNSIGNED16 usLockType, UNSIGNED16 usCheckRights, UNSIGNED32 ulOptions, ADSHANDLE* phTable);
VARNEL_ENGINE_API UNSIGNED32 AdsOpenTable90(ADSHANDLE hConnect, const char* pucName, const char* pucAlias, UNSIGNED16 usTableType, UNSIGNED16 usCharType, UNSIGNED16 usLockType, UNSIGNED16 usCheckRights, UNSIGNED32 ulOptions, const char* pucCollation, ADSHANDLE* phTable);
VARNEL_ENGINE_API UNSIGNED32 AdsGetTableType(ADSHANDLE hTable, UNSIGNED16* pusType);
VARNEL_ENGINE_API UNSIGNED32 AdsGetRecordLength(ADSHANDLE hTable, UNSIGNED32* pulLength);
VARNEL_ENGINE_API UNSIGNED32 AdsGetTableOpenOptions(ADSHANDLE hTable, UNSIGNED32* pulOptions);
VARNEL_ENGINE_API UNSIGNED32 AdsGetTableConnection(ADSHANDLE hTable, ADSHANDLE* phConnect);
VARNEL_ENGINE_API UNSIGNED32 AdsCacheRecords(ADSHANDLE hTable, UNSIGNED16 usNumRecords);
VARNEL_ENGINE_API UNSIGNED32 AdsCacheOpenTables(UNSIGNED16 usOpen);
VARNEL_ENGINE_API UNSIGNED32 AdsCacheOpenCursors(UNSIGNED16 usOpen);
VARNEL_ENGINE_API UNSIGNED32 AdsCloseTable(ADSHANDLE hTable);
VARNEL_ENGINE_API UNSIGNED32 AdsRefreshRecord(ADSHANDLE hTable);
VARNEL_ENGINE_API UNSIGNED32 AdsGetNumFields(ADSHANDLE hTable, UNSIGNED16* pusCount);
VARNEL_ENGINE_API UNSIGNED32 AdsGetFieldType(ADSHANDLE hTable, ADSFIELD_ID pucFldName, UNSIGNED16* pusType);
/* Types 26 and 27 are counted in characters (UTF-16 units). */
VARNEL_ENGINE_API UNSIGNED32 AdsGetFieldLength(ADSHANDLE hTable, ADSFIELD_ID pucFldName, UNSIGNED32* pulLength);
VARNEL_ENGINE_API UNSIGNED32 AdsGetFieldDecimals(ADSHANDLE hTable, ADSFIELD_ID pucFldName, UNSIGNED16* pusDecimals);
VARNEL_ENGINE_API UNSIGNED32 AdsGetFieldName(ADSHANDLE hTable, UNSIGNED16 usFld, char* pucName, UNSIGNED16* pusBufLen);
VARNEL_ENGINE_API UNSIGNED32 AdsGetFieldOffset(ADSHANDLE hTable, ADSFIELD_ID pucFldName, UNSIGNED32* pulOffset);
VARNEL_ENGINE_API UNSIGNED32 AdsIsNullable(ADSHANDLE hTable, ADSFIELD_ID pucFldName, UNSIGNED16* pbNullable);
VARNEL_ENGINE_API UNSIGNED32 AdsGetColumnPermissions(ADSHANDLE hTable, ADSFIELD_ID pucFldName, UNSIGNED8* pucPermissions);
/* The current record's image (with any pending changes). */
VARNEL_ENGINE_API UNSIGNED32 AdsGetRecord(ADSHANDLE hTable, UNSIGNED8* pucRec, UNSIGNED32* pulLen);
VARNEL_ENGINE_API UNSIGNED32 AdsIsEmpty(ADSHANDLE hTable, ADSFIELD_ID pucFldName, UNSIGNED16* pbEmpty);
VARNEL_ENGINE_API UNSIGNED32 AdsIsNull(ADSHANDLE hTable, ADSFIELD_ID pucFldName, UNSIGNED16* pbNull);
VARNEL_ENGINE_API UNSIGNED32 AdsGetField(ADSHANDLE hTable, ADSFIELD_ID pucFldName, char* pucBuf, UNSIGNED32* pulLen, UNSIGNED16 usOption);
/* *pulLen in UTF-16 units, terminator included in, excluded out. */
VARNEL_ENGINE_API UNSIGNED32 AdsGetFieldW(ADSHANDLE hTable, ADSFIELD_ID pucFldName, char16_t* pwcBuf, UNSIGNED32* pulLen, UNSIGNED16 usOption);
VARNEL_ENGINE_API UNSIGNED32 AdsGetNullRecord(ADSHANDLE hTable, UNSIGNED8* pucBuf, UNSIGNED32 ulLen);
VARNEL_ENGINE_API UNSIGNED32 AdsClearRecordBuffer(ADSHANDLE hTable, UNSIGNED8* pucBuf, UNSIGNED32 ulLen);
/* Options 1 and 4 read a flag of the image into *pbFlag; 2 and 3 write
 * *pbFlag into the image. */
VARNEL_ENGINE_API UNSIGNED32 AdsAccessVfpSystemField(ADSHANDLE hTable, ADSFIELD_ID pucFldName, UNSIGNED8* pucRecord, UNSIGNED16 usOption, UNSIGNED16* pbFlag);
/* "YYYYMMDD" (or blanks, Julian 0) to a Julian day. */
VARNEL_ENGINE_API UNSIGNED32 AdsConvertStringToJulian(const char* pucDate, UNSIGNED16 usLen, DOUBLE* pdJulian);
/* A Julian day to "YYYYMMDD" (0 gives eight blanks). */
VARNEL_ENGINE_API UNSIGNED32 AdsConvertJulianToString(DOUBLE dJulian, char* pucDate, UNSIGNED16* pusLen);

/* ===== 6. Memo and binary ===================================================== */
VARNEL_ENGINE_API UNSIGNED32 AdsGetMemoDataType(ADSHANDLE hTable, ADSFIELD_ID pucFldName, UNSIGNED16* pusType);
/* Text length without terminator; UTF-16 units for type 28. */
VARNEL_ENGINE_API UNSIGNED32 AdsGetDataLength(ADSHANDLE hTable, ADSFIELD_ID pucFldName, UNSIGNED32 ulOptions, UNSIGNED32* pulLength);
VARNEL_ENGINE_API UNSIGNED32 AdsGetBinaryLength(ADSHANDLE hTable, ADSFIELD_ID pucFldName, UNSIGNED32* pulLength);
VARNEL_ENGINE_API UNSIGNED32 AdsGetBinary(ADSHANDLE hTable, ADSFIELD_ID pucFldName, UNSIGNED32 ulOffset, UNSIGNED8* pucBuf, UNSIGNED32* pulLen);

/* ===== 7. Navigation and bookmarks ============================================
 * The order handle is an index handle or the cursor handle itself. A bookmark
 * is the record's 32-bit number; AdsGetBookmark60 gives it as 4 bytes
 * (little-endian). At either end there is no current record and the bookmark
 * and record number are 0. */
VARNEL_ENGINE_API UNSIGNED32 AdsGotoBOF(ADSHANDLE hObj);
VARNEL_ENGINE_API UNSIGNED32 AdsGotoEOF(ADSHANDLE hObj);
VARNEL_ENGINE_API UNSIGNED32 AdsGotoTop(ADSHANDLE hObj);
VARNEL_ENGINE_API UNSIGNED32 AdsGotoBottom(ADSHANDLE hObj);
VARNEL_ENGINE_API UNSIGNED32 AdsSkip(ADSHANDLE hObj, SIGNED32 lRecs);
VARNEL_ENGINE_API UNSIGNED32 AdsAtBOF(ADSHANDLE hTable, UNSIGNED16* pbBof);
VARNEL_ENGINE_API UNSIGNED32 AdsAtEOF(ADSHANDLE hTable, UNSIGNED16* pbEof);
VARNEL_ENGINE_API UNSIGNED32 AdsIsRecordVisible(ADSHANDLE hObj, UNSIGNED16* pbVisible);
VARNEL_ENGINE_API UNSIGNED32 AdsGotoRecord(ADSHANDLE hTable, UNSIGNED32 ulRec);
VARNEL_ENGINE_API UNSIGNED32 AdsGotoBookmark(ADSHANDLE hTable, UNSIGNED32 ulBookmark);
VARNEL_ENGINE_API UNSIGNED32 AdsGetBookmark(ADSHANDLE hTable, UNSIGNED32* pulBookmark);
VARNEL_ENGINE_API UNSIGNED32 AdsGetBookmark60(ADSHANDLE hObj, UNSIGNED8* pucBookmark, UNSIGNED32* pulLength);
VARNEL_ENGINE_API UNSIGNED32 AdsGetBookmarkLength(ADSHANDLE hObj, UNSIGNED32* pulLength);
VARNEL_ENGINE_API UNSIGNED32 AdsCompareBookmarks(const UNSIGNED8* pucBookmark1, const UNSIGNED8* pucBookmark2, SIGNED32* plResult);
VARNEL_ENGINE_API UNSIGNED32 AdsGetRecordNum(ADSHANDLE hObj, UNSIGNED16 usFilterOption, UNSIGNED32* pulRec);
VARNEL_ENGINE_API UNSIGNED32 AdsGetRecordCount(ADSHANDLE hObj, UNSIGNED16 usFilterOption, UNSIGNED32* pulCount);
VARNEL_ENGINE_API UNSIGNED32 AdsGetKeyNum(ADSHANDLE hObj, UNSIGNED16 usFilterOption, UNSIGNED32* pulKey);
VARNEL_ENGINE_API UNSIGNED32 AdsGetRelKeyPos(ADSHANDLE hIndex, DOUBLE* pdPos);
VARNEL_ENGINE_API UNSIGNED32 AdsSetRelKeyPos(ADSHANDLE hIndex, DOUBLE dPos);
VARNEL_ENGINE_API UNSIGNED32 AdsIsRecordDeleted(ADSHANDLE hTable, UNSIGNED16* pbDeleted);
/* Whether deleted records are shown (process-wide; shown by default). */
VARNEL_ENGINE_API UNSIGNED32 AdsGetDeleted(UNSIGNED16* pbShowDeleted);
VARNEL_ENGINE_API UNSIGNED32 AdsSetDeleted(UNSIGNED16 bShowDeleted);

/* ===== 8. Filters, scopes, seeks =============================================== */
/* pvFilter is UTF-16 when ulOptions has ADS_ENCODE_UTF16, 8-bit otherwise. */
VARNEL_ENGINE_API UNSIGNED32 AdsSetAOF100(ADSHANDLE hTable, const void* pvFilter, UNSIGNED32 ulOptions);
VARNEL_ENGINE_API UNSIGNED32 AdsSetFilter100(ADSHANDLE hTable, const void* pvFilter, UNSIGNED32 ulOptions);
VARNEL_ENGINE_API UNSIGNED32 AdsClearAOF(ADSHANDLE hTable);
VARNEL_ENGINE_API UNSIGNED32 AdsClearFilter(ADSHANDLE hTable);
VARNEL_ENGINE_API UNSIGNED32 AdsGetAOF(ADSHANDLE hTable, char* pucFilter, UNSIGNED16* pusLen);
VARNEL_ENGINE_API UNSIGNED32 AdsGetFilter(ADSHANDLE hTable, char* pucFilter, UNSIGNED16* pusLen);
VARNEL_ENGINE_API UNSIGNED32 AdsRefreshAOF(ADSHANDLE hTable);
VARNEL_ENGINE_API UNSIGNED32 AdsGetAOFOptLevel100(ADSHANDLE hTable, UNSIGNED16* pusOptLevel, void* pvNonOpt, UNSIGNED32* pulLen, UNSIGNED32 ulOptions);
VARNEL_ENGINE_API UNSIGNED32 AdsSetExact22(ADSHANDLE hObj, UNSIGNED16 bExact);
VARNEL_ENGINE_API UNSIGNED32 AdsGetExact22(ADSHANDLE hObj, UNSIGNED16* pbExact);
/* Expressions in UTF-8; the result goes to the output buffer. */
VARNEL_ENGINE_API UNSIGNED32 AdsExpressionLongToShort90(ADSHANDLE hTable, const char* pucLongExpr, char* pucShortExpr, UNSIGNED32* pulBufLen);
VARNEL_ENGINE_API UNSIGNED32 AdsExpressionShortToLong90(ADSHANDLE hTable, const char* pucShortExpr, char* pucLongExpr, UNSIGNED32* pulBufLen);
VARNEL_ENGINE_API UNSIGNED32 AdsEvalLogicalExpr(ADSHANDLE hTable, const char* pucExpr, UNSIGNED16* pbResult);
VARNEL_ENGINE_API UNSIGNED32 AdsSetScope(ADSHANDLE hIndex, UNSIGNED16 usScopeOption, const void* pvScope, UNSIGNED16 usScopeLen, UNSIGNED16 usDataType);
VARNEL_ENGINE_API UNSIGNED32 AdsGetScope(ADSHANDLE hIndex, UNSIGNED16 usScopeOption, void* pvScope, UNSIGNED16* pusBufLen);
VARNEL_ENGINE_API UNSIGNED32 AdsClearScope(ADSHANDLE hIndex, UNSIGNED16 usScopeOption);
VARNEL_ENGINE_API UNSIGNED32 AdsClearAllScopes(ADSHANDLE hTable);
VARNEL_ENGINE_API UNSIGNED32 AdsSeek(ADSHANDLE hIndex, const UNSIGNED8* pucKey, UNSIGNED16 usKeyLen, UNSIGNED16 usDataType, UNSIGNED16 usSeekType, UNSIGNED16* pbFound);

/* ===== 9. Editing and locking ==================================================== */
/* ulRec 0 = the current record. */
VARNEL_ENGINE_API UNSIGNED32 AdsLockRecord(ADSHANDLE hTable, UNSIGNED32 ulRec);
VARNEL_ENGINE_API UNSIGNED32 AdsUnlockRecord(ADSHANDLE hTable, UNSIGNED32 ulRec);
VARNEL_ENGINE_API UNSIGNED32 AdsLockTable(ADSHANDLE hTable);
VARNEL_ENGINE_API UNSIGNED32 AdsUnlockTable(ADSHANDLE hTable);
VARNEL_ENGINE_API UNSIGNED32 AdsGetRecordCRC(ADSHANDLE hTable, UNSIGNED32* pulCRC, UNSIGNED32 ulOptions);
VARNEL_ENGINE_API UNSIGNED32 AdsAppendRecord(ADSHANDLE hTable);
VARNEL_ENGINE_API UNSIGNED32 AdsWriteRecord(ADSHANDLE hTable);
VARNEL_ENGINE_API UNSIGNED32 AdsDeleteRecord(ADSHANDLE hTable);
VARNEL_ENGINE_API UNSIGNED32 AdsRecallRecord(ADSHANDLE hTable);
VARNEL_ENGINE_API UNSIGNED32 AdsCancelUpdate(ADSHANDLE hTable);
VARNEL_ENGINE_API UNSIGNED32 AdsSetField(ADSHANDLE hObj, ADSFIELD_ID pucFldName, const char* pucBuf, UNSIGNED32 ulLen);
VARNEL_ENGINE_API UNSIGNED32 AdsSetFieldW(ADSHANDLE hObj, ADSFIELD_ID pucFldName, const char16_t* pwcBuf, UNSIGNED32 ulLen);
VARNEL_ENGINE_API UNSIGNED32 AdsSetFieldRaw(ADSHANDLE hObj, ADSFIELD_ID pucFldName, const UNSIGNED8* pucBuf, UNSIGNED32 ulLen);
VARNEL_ENGINE_API UNSIGNED32 AdsSetNull(ADSHANDLE hTable, ADSFIELD_ID pucFldName);

/* ===== 10. Indexes and keys ======================================================== */
VARNEL_ENGINE_API UNSIGNED32 AdsOpenIndex(ADSHANDLE hTable, const char* pucName, ADSHANDLE* pahIndex, UNSIGNED16* pusArrayLen);
VARNEL_ENGINE_API UNSIGNED32 AdsCloseIndex(ADSHANDLE hIndex);
VARNEL_ENGINE_API UNSIGNED32 AdsCreateIndex90(ADSHANDLE hObj, const char* pucFileName, const char* pucTag, const char* pucExpr, const char* pucCondition, const char* pucWhile, UNSIGNED32 ulOptions, UNSIGNED32 ulPageSize, const char* pucCollation, ADSHANDLE* phIndex);
VARNEL_ENGINE_API UNSIGNED32 AdsDeleteIndex(ADSHANDLE hIndex);
/* Custom indexes (ADS_CUSTOM) hold only the records given to them: the
   current record of the index's cursor gets its key, or loses it. */
VARNEL_ENGINE_API UNSIGNED32 AdsAddCustomKey(ADSHANDLE hIndex);
VARNEL_ENGINE_API UNSIGNED32 AdsDeleteCustomKey(ADSHANDLE hIndex);
/* A null or empty name gives the cursor's current index, 0 when none. */
VARNEL_ENGINE_API UNSIGNED32 AdsGetIndexHandle(ADSHANDLE hTable, const char* pucIndexOrder, ADSHANDLE* phIndex);
VARNEL_ENGINE_API UNSIGNED32 AdsGetNumIndexes(ADSHANDLE hTable, UNSIGNED16* pusNum);
VARNEL_ENGINE_API UNSIGNED32 AdsGetAllIndexes(ADSHANDLE hTable, ADSHANDLE* pahIndex, UNSIGNED16* pusArrayLen);
VARNEL_ENGINE_API UNSIGNED32 AdsGetNumFTSIndexes(ADSHANDLE hTable, UNSIGNED16* pusNum);
VARNEL_ENGINE_API UNSIGNED32 AdsGetFTSIndexes(ADSHANDLE hTable, ADSHANDLE* pahIndex, UNSIGNED16* pusArrayLen);
/* Full-text index on one character, varchar, Unicode or memo column: its
 * words (as CONTAINS cuts them) to the records that hold them, kept in the
 * table's full-text file NAME.fts beside the table. pucFileName is null,
 * empty or that file's name; pucTag names the index (an index of that name
 * is replaced). ulPageSize is 0 or a multiple of 512 from 512 to 65536 and
 * only checked. Words shorter than ulMinWordLen (0: 1) are not stored,
 * longer than ulMaxWordLen (0: 30, at most 255) are stored cut; CONTAINS
 * still answers exactly. ulOptions must be 0. AdsDeleteIndex removes it;
 * AdsGetIndexName, AdsGetIndexFilename and AdsGetIndexExpr (the column)
 * answer on its handle. */
VARNEL_ENGINE_API UNSIGNED32 AdsCreateFTSIndex(ADSHANDLE hTable, const char* pucFileName, const char* pucTag, const char* pucField, UNSIGNED32 ulPageSize, UNSIGNED32 ulMinWordLen, UNSIGNED32 ulMaxWordLen, UNSIGNED32 ulOptions, ADSHANDLE* phIndex);
VARNEL_ENGINE_API UNSIGNED32 AdsGetIndexName(ADSHANDLE hIndex, char* pucName, UNSIGNED16* pusLen);
VARNEL_ENGINE_API UNSIGNED32 AdsGetIndexFilename(ADSHANDLE hIndex, UNSIGNED16 usOption, char* pucName, UNSIGNED16* pusLen);
VARNEL_ENGINE_API UNSIGNED32 AdsGetIndexPageSize(ADSHANDLE hIndex, UNSIGNED32* pulPageSize);
VARNEL_ENGINE_API UNSIGNED32 AdsGetIndexFlags(ADSHANDLE hIndex, UNSIGNED32* pulOptions);
VARNEL_ENGINE_API UNSIGNED32 AdsGetIndexExpr(ADSHANDLE hIndex, char* pucExpr, UNSIGNED16* pusLen);
VARNEL_ENGINE_API UNSIGNED32 AdsGetIndexCondition(ADSHANDLE hIndex, char* pucExpr, UNSIGNED16* pusLen);
VARNEL_ENGINE_API UNSIGNED32 AdsIsIndexUnique(ADSHANDLE hIndex, UNSIGNED16* pbUnique);
VARNEL_ENGINE_API UNSIGNED32 AdsIsIndexDescending(ADSHANDLE hIndex, UNSIGNED16* pbDescending);
VARNEL_ENGINE_API UNSIGNED32 AdsIsIndexCandidate(ADSHANDLE hIndex, UNSIGNED16* pbCandidate);
VARNEL_ENGINE_API UNSIGNED32 AdsIsIndexPrimaryKey(ADSHANDLE hIndex, UNSIGNED16* pbPrimaryKey);
VARNEL_ENGINE_API UNSIGNED32 AdsIsIndexCustom(ADSHANDLE hIndex, UNSIGNED16* pbCustom);
VARNEL_ENGINE_API UNSIGNED32 AdsGetNumSegments(ADSHANDLE hIndex, UNSIGNED16* pusSegments);
VARNEL_ENGINE_API UNSIGNED32 AdsGetSegmentFieldname(ADSHANDLE hIndex, UNSIGNED16 usSegment, char* pucName, UNSIGNED16* pusLen);
VARNEL_ENGINE_API UNSIGNED32 AdsGetKeyLength(ADSHANDLE hIndex, UNSIGNED16* pusKeyLength);
VARNEL_ENGINE_API UNSIGNED32 AdsGetKeyCount(ADSHANDLE hIndex, UNSIGNED16 usFilterOption, UNSIGNED32* pulCount);
VARNEL_ENGINE_API UNSIGNED32 AdsInitRawKey(ADSHANDLE hIndex);
VARNEL_ENGINE_API UNSIGNED32 AdsBuildRawKey(ADSHANDLE hIndex, UNSIGNED8* pucKey, UNSIGNED16* pusKeyLen);
VARNEL_ENGINE_API UNSIGNED32 AdsBuildRawKey100(ADSHANDLE hIndex, UNSIGNED8* pucKey, UNSIGNED16* pusKeyLen, UNSIGNED32 ulOptions);
VARNEL_ENGINE_API UNSIGNED32 AdsBuildKeyFromRecord(ADSHANDLE hIndex, const UNSIGNED8* pucRecBuf, UNSIGNED32 ulRecLen, UNSIGNED8* pucKey, UNSIGNED16* pusKeyLen);
/* Moves the key in place one step forward (1) or backward (-1). */
VARNEL_ENGINE_API UNSIGNED32 AdsStepIndexKey(ADSHANDLE hIndex, UNSIGNED8* pucKey, UNSIGNED16 usLen, SIGNED16 sDirection);
/* Rebuilds every index open on the table from its records (also a damaged one). */
VARNEL_ENGINE_API UNSIGNED32 AdsReindex(ADSHANDLE hTable);

/* ===== 11. Table maintenance ========================================================= */
VARNEL_ENGINE_API UNSIGNED32 AdsCreateTable90(ADSHANDLE hConnect, const char* pucName, const char* pucDBObjName, UNSIGNED16 usTableType, UNSIGNED16 usCharType, UNSIGNED16 usLockType, UNSIGNED16 usCheckRights, UNSIGNED16 usMemoSize, const char* pucFields, UNSIGNED32 ulOptions, const char* pucCollation, ADSHANDLE* phTable);
VARNEL_ENGINE_API UNSIGNED32 AdsZapTable(ADSHANDLE hTable);
VARNEL_ENGINE_API UNSIGNED32 AdsPackTable(ADSHANDLE hTable);
/* Closes the table and removes its files. */
VARNEL_ENGINE_API UNSIGNED32 AdsDeleteTable(ADSHANDLE hTable);
VARNEL_ENGINE_API UNSIGNED32 AdsConvertTable(ADSHANDLE hObj, UNSIGNED16 usFilterOption, const char* pucFile, UNSIGNED16 usTableType);
VARNEL_ENGINE_API UNSIGNED32 AdsCopyTable(ADSHANDLE hObj, UNSIGNED16 usFilterOption, const char* pucFile);
VARNEL_ENGINE_API UNSIGNED32 AdsCopyTableContents(ADSHANDLE hObjFrom, ADSHANDLE hTableTo, UNSIGNED16 usFilterOption);
VARNEL_ENGINE_API UNSIGNED32 AdsCopyTableStructure(ADSHANDLE hTable, const char* pucFile);
VARNEL_ENGINE_API UNSIGNED32 AdsFlushFileBuffers(ADSHANDLE hTable);
VARNEL_ENGINE_API UNSIGNED32 AdsEnableEncryption(ADSHANDLE hTable, const char* pucPassword);
VARNEL_ENGINE_API UNSIGNED32 AdsDisableEncryption(ADSHANDLE hTable);
VARNEL_ENGINE_API UNSIGNED32 AdsIsTableEncrypted(ADSHANDLE hTable, UNSIGNED16* pbEncrypted);
VARNEL_ENGINE_API UNSIGNED32 AdsIsEncryptionEnabled(ADSHANDLE hTable, UNSIGNED16* pbEnabled);
VARNEL_ENGINE_API UNSIGNED32 AdsEncryptRecord(ADSHANDLE hTable);
VARNEL_ENGINE_API UNSIGNED32 AdsDecryptRecord(ADSHANDLE hTable);
VARNEL_ENGINE_API UNSIGNED32 AdsIsRecordEncrypted(ADSHANDLE hTable, UNSIGNED16* pbEncrypted);

/* ===== 12. Dictionary ================================================================== */
VARNEL_ENGINE_API UNSIGNED32 AdsDDGetTableProperty(ADSHANDLE hDictionary, const char* pucTableName, UNSIGNED16 usPropertyID, void* pvProperty, UNSIGNED16* pusPropertyLen);
VARNEL_ENGINE_API UNSIGNED32 AdsDDGetDatabaseProperty(ADSHANDLE hDictionary, UNSIGNED16 usPropertyID, void* pvProperty, UNSIGNED16* pusPropertyLen);
VARNEL_ENGINE_API UNSIGNED32 AdsDDGetUserProperty(ADSHANDLE hDictionary, const char* pucUserName, UNSIGNED16 usPropertyID, void* pvProperty, UNSIGNED16* pusPropertyLen);
VARNEL_ENGINE_API UNSIGNED32 AdsDDRenameObject(ADSHANDLE hDictionary, const char* pucObjectName, const char* pucNewObjectName, UNSIGNED16 usObjectType, UNSIGNED32 ulOptions);
VARNEL_ENGINE_API UNSIGNED32 AdsDDFindFirstObject(ADSHANDLE hDictionary, UNSIGNED16 usFindObjectType, const char* pucParentName, char* pucObjectName, UNSIGNED16* pusObjectNameLen, ADSHANDLE* phFindHandle);
VARNEL_ENGINE_API UNSIGNED32 AdsDDFindNextObject(ADSHANDLE hDictionary, ADSHANDLE hFindHandle, char* pucObjectName, UNSIGNED16* pusObjectNameLen);
VARNEL_ENGINE_API UNSIGNED32 AdsDDFindClose(ADSHANDLE hDictionary, ADSHANDLE hFindHandle);
VARNEL_ENGINE_API UNSIGNED32 AdsDDCreateLink(ADSHANDLE hDictionary, const char* pucLinkAlias, const char* pucLinkedDDPath, const char* pucUserName, const char* pucPassword, UNSIGNED32 ulOptions);
VARNEL_ENGINE_API UNSIGNED32 AdsDDDropLink(ADSHANDLE hDictionary, const char* pucLinkedDD, UNSIGNED16 usDropGlobal);

/* ===== Engine extensions: making and changing data dictionaries ==============
 * hDictionary is a connection opened on the .add file. Users, groups,
 * procedures, global links and database properties are changed only by the
 * administrator AdsSys (AE_PERMISSION_DENIED otherwise); tables by any user
 * of the connection. Every change is stored at once, whole or not at all.
 *
 * AdsDDCreate makes a new dictionary file (refused when it exists) whose
 * administrator AdsSys has pucAdminPassword (may be empty), and returns a
 * connection to it logged in as AdsSys.
 * AdsDDAddTable adds an existing table file: pucTablePath relative to the
 * dictionary's folder or absolute (stored relative when it lies inside that
 * folder); pucIndexFiles ';'-separated names of further index files opened
 * with the table (null or empty: none; the default compound file always is).
 * AdsDDRemoveTable forgets a table; with usDeleteFiles 1 it also removes the
 * table's files (refused while the table is open anywhere).
 * AdsDDCreateUser adds a user (to pucGroupName when not null or empty).
 * AdsDDSetUserPassword: the administrator for anyone, a user for themselves.
 * AdsDDAddProcedure registers a procedure entry (listed with object type 10).
 * AdsDDSetDatabaseProperty: ADS_DD_COMMENT (text, usPropertyLen bytes) and
 * ADS_DD_LOGINS_REQUIRED (16-bit). New dictionaries do not require logins.
 *
 * Logging in (AdsConnect101 with Data Source=<file.add>): User ID and
 * Password log in as that user (names ignore case, passwords do not);
 * DDPassword is the administrator's password: alone it logs in as AdsSys,
 * with a User ID it must be right as well. With neither, the connection gets
 * in without a user (no administrator rights) unless the dictionary requires
 * logins. A wrong name or password is AE_DD_LOGIN_FAILED. On a dictionary
 * connection a bare table name opens the dictionary's table of that name
 * (with its own type, character type and index files) and "link.table" a
 * table of a linked dictionary; other names are files in the .add's folder.
 * AdsFindFirstTable with an empty mask lists the dictionary's tables.
 *
 * Rules of the dictionary family above: AdsDDRenameObject renames a table's
 * entry only (its files keep their names, so nothing on disk can be left
 * half-renamed). AdsDDGetUserProperty 1102 answers the groups as "g1;g2;"
 * and 5138 for a user in no group; asked with a buffer too small it answers
 * 5005 with the length a buffer needs including the terminator. Links: a
 * link without ADS_LINK_AUTH_ACTIVE_USER logs in to the linked dictionary
 * when it is made and keeps only that user's password verifier (the link
 * stops working when that password changes); with it the connection's own
 * user and password are used. A link that is not global serves only the user
 * who made it. AdsGetActiveLinkInfo numbers the links from 1. */
VARNEL_ENGINE_API UNSIGNED32 AdsDDCreate(const char* pucDictionaryPath, const char* pucAdminPassword, const char* pucDescription, ADSHANDLE* phConnect);
VARNEL_ENGINE_API UNSIGNED32 AdsDDAddTable(ADSHANDLE hDictionary, const char* pucTableName, const char* pucTablePath, UNSIGNED16 usTableType, UNSIGNED16 usCharType, const char* pucIndexFiles, const char* pucComment);
VARNEL_ENGINE_API UNSIGNED32 AdsDDRemoveTable(ADSHANDLE hDictionary, const char* pucTableName, UNSIGNED16 usDeleteFiles);
VARNEL_ENGINE_API UNSIGNED32 AdsDDCreateUser(ADSHANDLE hDictionary, const char* pucGroupName, const char* pucUserName, const char* pucPassword, const char* pucDescription);
VARNEL_ENGINE_API UNSIGNED32 AdsDDSetUserPassword(ADSHANDLE hDictionary, const char* pucUserName, const char* pucPassword);
VARNEL_ENGINE_API UNSIGNED32 AdsDDCreateUserGroup(ADSHANDLE hDictionary, const char* pucGroupName, const char* pucDescription);
VARNEL_ENGINE_API UNSIGNED32 AdsDDAddUserToGroup(ADSHANDLE hDictionary, const char* pucGroupName, const char* pucUserName);
VARNEL_ENGINE_API UNSIGNED32 AdsDDAddProcedure(ADSHANDLE hDictionary, const char* pucName, const char* pucContainer, const char* pucProcName, const char* pucComment);
VARNEL_ENGINE_API UNSIGNED32 AdsDDSetDatabaseProperty(ADSHANDLE hDictionary, UNSIGNED16 usPropertyID, const void* pvProperty, UNSIGNED16 usPropertyLen);

/* ===== 13. Callbacks and miscellany ====================================================== */
VARNEL_ENGINE_API UNSIGNED32 AdsRegisterCallbackFunction(ADS_CALLBACK_FUNCTION pfn, UNSIGNED32 ulCallbackID);
VARNEL_ENGINE_API UNSIGNED32 AdsRegisterCallbackFunction101(ADS_CALLBACK_FUNCTION101 pfn, UNSIGNED64 qCallbackID);
VARNEL_ENGINE_API UNSIGNED32 AdsClearCallbackFunction(void);
VARNEL_ENGINE_API UNSIGNED32 AdsRegisterProgressCallback(ADS_PROGRESS_CALLBACK pfn);
VARNEL_ENGINE_API UNSIGNED32 AdsClearProgressCallback(void);
VARNEL_ENGINE_API UNSIGNED32 AdsRegisterSQLAbortFunc(ADS_SQL_ABORT_FUNC pfn);
VARNEL_ENGINE_API UNSIGNED32 AdsClearSQLAbortFunc(void);
/* Releases what the engine keeps for the calling thread (its last error). */
VARNEL_ENGINE_API UNSIGNED32 AdsThreadExit(void);
VARNEL_ENGINE_API UNSIGNED32 AdsIsServerLoaded(const char* pucServer, UNSIGNED16* pbLoaded);
VARNEL_ENGINE_API UNSIGNED32 AdsCheckExistence(ADSHANDLE hConnect, const char* pucFileName, UNSIGNED16* pbExists);
VARNEL_ENGINE_API UNSIGNED32 AdsGetVersion(UNSIGNED32* pulMajor, UNSIGNED32* pulMinor, char* pucLetter, char* pucDesc, UNSIGNED16* pusDescLen);

#endif /* VARNEL_ENGINE_H */
