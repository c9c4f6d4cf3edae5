#include "engine/api/api_cursor.h"
#include "engine/index/fts_index.h"
#include "engine/index/index_open.h"
#include "engine/storage/file_io.h"
#include "engine/core/open_table.h"
#include "platform/codepage/codepage.h"

using namespace engine;

namespace {

bool IncludeDeleted(UNSIGNED16 filterOption, const char* function)
{
    UNSIGNED16 base = filterOption & ~ADS_REFRESHCOUNT;
    if (base < ADS_RESPECTFILTERS || base > ADS_RESPECTSCOPES)
        throw EngineError(AE_INVALID_ARGUMENT, std::string(function) + ": the filter option "
                                                   + std::to_string(filterOption) + " is not 1, 2 or 3");
    // Hiding deleted records is a filter: only "respect filters" applies it.
    return base != ADS_RESPECTFILTERS || ShowDeleted();
}

// Copies the cursor's table into a new table `file` of `kind`.
void CopyInto(Cursor& cursor, const char* file, storage::TableKind kind, UNSIGNED16 filterOption, bool withContents,
              const char* function)
{
    bool includeDeleted = withContents && IncludeDeleted(filterOption, function);
    std::string path = TablePathOn(cursor.ConnectionHandle(), TextArgument(file, function, "the file name is null"),
                                   function);
    cursor.WriteRecord();
    std::unique_ptr<storage::Table> copy = cursor.Table().CopyStructure(path, kind);
    if (withContents)
        cursor.Table().CopyContentsTo(*copy, includeDeleted);
    copy->Close();
}

} // namespace

UNSIGNED32 AdsCreateTable90(ADSHANDLE hConnect, const char* pucName, const char* pucDBObjName, UNSIGNED16 usTableType, UNSIGNED16 usCharType, UNSIGNED16 usLockType, UNSIGNED16 usCheckRights, UNSIGNED16 usMemoSize, const char* pucFields, UNSIGNED32 ulOptions, const char* pucCollation, ADSHANDLE* phTable)
{
    const char* function = "AdsCreateTable90";
    return ApiCall(function, [&] {
        ADSHANDLE& out = Out(phTable, function, "the table handle argument is null");
        CreateRequest request;
        request.table.name = TextArgument(pucName, function, "the table name is null");
        request.table.tableType = usTableType;
        request.table.charType = usCharType;
        request.table.lockType = usLockType;
        request.table.checkRights = usCheckRights;
        request.table.options = ulOptions;
        request.table.collation = pucCollation ? pucCollation : "";
        request.definition = TextArgument(pucFields, function, "the field definitions are null");
        request.memoBlockSize = usMemoSize;
        request.dictionaryName = pucDBObjName ? pucDBObjName : "";
        out = CreateTableCursor(hConnect, request, function);
    });
}

UNSIGNED32 AdsZapTable(ADSHANDLE hTable)
{
    return WithCursor("AdsZapTable", hTable, [&](Cursor& c) {
        RefuseInTransaction(c.ConnectionHandle(), "AdsZapTable");
        c.WriteRecord();
        c.Table().Zap();
        c.RebuildIndexes();
        c.GotoTop();
    });
}

UNSIGNED32 AdsPackTable(ADSHANDLE hTable)
{
    return WithCursor("AdsPackTable", hTable, [&](Cursor& c) {
        RefuseInTransaction(c.ConnectionHandle(), "AdsPackTable");
        c.WriteRecord();
        c.Table().Pack();
        c.RebuildIndexes();
        c.GotoTop();
    });
}

UNSIGNED32 AdsDeleteTable(ADSHANDLE hTable)
{
    const char* function = "AdsDeleteTable";
    return ApiCall(function, [&] {
        std::shared_ptr<Cursor> cursor = LookUp<Cursor>(hTable, function);
        std::string path;
        std::string indexPath;
        std::string wordsPath;
        storage::TableKind kind;
        std::string tableFile;
        {
            std::lock_guard<std::mutex> lock(cursor->Mutex());
            tableFile = cursor->Table().FileName();
            path = codepage::FromUtf8(codepage::CodePage::Ansi1252, tableFile);
            indexPath = DefaultIndexPath(cursor->Table());
            wordsPath = fts::FtsFile::PathFor(cursor->Table());
            kind = cursor->Table().Kind();
        }
        CloseCursor(hTable, function);
        storage::Table::Delete(path, kind);
        // Its default index describes records that are gone; left behind, it
        // would be opened with the next table of that name.
        storage::RemoveFile(indexPath);
        storage::RemoveFile(wordsPath);
        // A dictionary table that is gone is no longer the dictionary's.
        ForgetDeletedTable(cursor->ConnectionHandle(), tableFile);
    });
}

UNSIGNED32 AdsConvertTable(ADSHANDLE hObj, UNSIGNED16 usFilterOption, const char* pucFile, UNSIGNED16 usTableType)
{
    const char* function = "AdsConvertTable";
    return WithCursor(function, hObj, [&](Cursor& c) {
        RequireArgument(usTableType >= ADS_NTX && usTableType <= ADS_VFP, function,
                        "the table type is not 1 (NTX), 2 (CDX), 3 (ADT) or 4 (VFP)");
        CopyInto(c, pucFile, static_cast<storage::TableKind>(usTableType), usFilterOption, true, function);
    });
}

UNSIGNED32 AdsCopyTable(ADSHANDLE hObj, UNSIGNED16 usFilterOption, const char* pucFile)
{
    const char* function = "AdsCopyTable";
    return WithCursor(function, hObj, [&](Cursor& c) {
        CopyInto(c, pucFile, c.Table().Kind(), usFilterOption, true, function);
    });
}

UNSIGNED32 AdsCopyTableContents(ADSHANDLE hObjFrom, ADSHANDLE hTableTo, UNSIGNED16 usFilterOption)
{
    const char* function = "AdsCopyTableContents";
    return ApiCall(function, [&] {
        std::shared_ptr<Cursor> from = LookUp<Cursor>(hObjFrom, function);
        std::shared_ptr<Cursor> to = LookUp<Cursor>(hTableTo, function);
        RequireArgument(from != to, function, "a table cannot be copied into itself");
        std::scoped_lock lock(from->Mutex(), to->Mutex());
        bool includeDeleted = IncludeDeleted(usFilterOption, function);
        RefuseInTransaction(to->ConnectionHandle(), function);
        from->WriteRecord();
        to->WriteRecord();
        from->Table().CopyContentsTo(to->Table(), includeDeleted);
    });
}

UNSIGNED32 AdsCopyTableStructure(ADSHANDLE hTable, const char* pucFile)
{
    const char* function = "AdsCopyTableStructure";
    return WithCursor(function, hTable, [&](Cursor& c) {
        CopyInto(c, pucFile, c.Table().Kind(), ADS_IGNOREFILTERS, false, function);
    });
}

UNSIGNED32 AdsFlushFileBuffers(ADSHANDLE hTable)
{
    return WithCursor("AdsFlushFileBuffers", hTable, [&](Cursor& c) {
        c.WriteRecord();
        c.Table().Flush();
    });
}

UNSIGNED32 AdsEnableEncryption(ADSHANDLE /*hTable*/, const char* /*pucPassword*/)
{
    return NotYetSupported("AdsEnableEncryption");
}

UNSIGNED32 AdsDisableEncryption(ADSHANDLE /*hTable*/)
{
    return NotYetSupported("AdsDisableEncryption");
}

UNSIGNED32 AdsIsTableEncrypted(ADSHANDLE hTable, UNSIGNED16* pbEncrypted)
{
    const char* function = "AdsIsTableEncrypted";
    // Tables cannot be encrypted yet, so none is.
    return WithCursor(function, hTable, [&](Cursor&) { Out(pbEncrypted, function, "the flag argument is null") = 0; });
}

UNSIGNED32 AdsIsEncryptionEnabled(ADSHANDLE hTable, UNSIGNED16* pbEnabled)
{
    const char* function = "AdsIsEncryptionEnabled";
    return WithCursor(function, hTable, [&](Cursor&) { Out(pbEnabled, function, "the flag argument is null") = 0; });
}

UNSIGNED32 AdsEncryptRecord(ADSHANDLE /*hTable*/)
{
    return NotYetSupported("AdsEncryptRecord");
}

UNSIGNED32 AdsDecryptRecord(ADSHANDLE /*hTable*/)
{
    return NotYetSupported("AdsDecryptRecord");
}

UNSIGNED32 AdsIsRecordEncrypted(ADSHANDLE hTable, UNSIGNED16* pbEncrypted)
{
    const char* function = "AdsIsRecordEncrypted";
    return WithCursor(function, hTable, [&](Cursor& cursor) {
        UNSIGNED16& out = Out(pbEncrypted, function, "the flag argument is null");
        cursor.CurrentImage(); // there must be a record to ask about
        out = 0;
    });
}
