#include "engine/core/open_table.h"

#include "engine/core/connection.h"
#include "engine/core/errors.h"
#include "engine/dictionary/dictionary.h"
#include "engine/engine.h"
#include "engine/index/fts_index.h"
#include "engine/index/index_open.h"
#include "engine/storage/file_io.h"
#include "platform/codepage/codepage.h"

#include <cctype>

namespace engine {

namespace {

std::shared_ptr<Connection> OptionalConnection(ADSHANDLE hConnect, const char* function)
{
    return hConnect == 0 ? nullptr : LookUp<Connection>(hConnect, function);
}

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

void CheckCollation(const std::string& collation, uint16_t charType, const char* function)
{
    std::string name = Upper(collation);
    bool matchesCharType = name.empty() || (name == "ANSI" && charType == ADS_ANSI)
        || (name == "OEM" && charType == ADS_OEM);
    if (!matchesCharType)
        throw EngineError(AE_NOT_YET_SUPPORTED, std::string(function) + " is not yet supported by this engine "
                                                    "with the collation " + collation);
}

storage::OpenOptions OpenOptionsFor(const TableRequest& request, const char* function)
{
    constexpr uint32_t kKnown = ADS_EXCLUSIVE | ADS_READONLY;
    if ((request.options & ~kKnown) != 0)
        throw EngineError(AE_INVALID_ARGUMENT, std::string(function) + ": the open options "
                                                   + std::to_string(request.options)
                                                   + " hold bits other than 1 (exclusive) and 2 (read-only)");
    if (request.lockType > ADS_PROPRIETARY_LOCKING)
        throw EngineError(AE_INVALID_ARGUMENT, std::string(function) + ": the lock type "
                                                   + std::to_string(request.lockType) + " is not 0 or 1");
    if (request.checkRights > ADS_IGNORERIGHTS)
        throw EngineError(AE_INVALID_ARGUMENT, std::string(function) + ": the rights option "
                                                   + std::to_string(request.checkRights) + " is not 1 or 2");
    storage::OpenOptions options;
    options.exclusive = (request.options & ADS_EXCLUSIVE) != 0;
    options.readOnly = (request.options & ADS_READONLY) != 0;
    options.charType = CharTypeFor(request.charType, function);
    CheckCollation(request.collation, request.charType == 0 ? ADS_ANSI : request.charType, function);
    return options;
}

} // namespace

storage::TableKind TableKindFor(ADSHANDLE hConnect, uint16_t tableType, const char* function)
{
    if (tableType == 0) {
        std::shared_ptr<Connection> connection = OptionalConnection(hConnect, function);
        tableType = connection ? connection->DefaultTableType() : ADS_DEFAULT_TABLE_TYPE;
    }
    if (tableType < ADS_NTX || tableType > ADS_VFP)
        throw EngineError(AE_INVALID_ARGUMENT, std::string(function) + ": the table type " + std::to_string(tableType)
                                                   + " is not 1 (NTX), 2 (CDX), 3 (ADT) or 4 (VFP)");
    return static_cast<storage::TableKind>(tableType);
}

storage::CharType CharTypeFor(uint16_t charType, const char* function)
{
    if (charType == 0 || charType == ADS_ANSI)
        return storage::CharType::Ansi;
    if (charType == ADS_OEM)
        return storage::CharType::Oem;
    if (charType <= ADS_MAX_CHAR_TYPE)
        throw EngineError(AE_NOT_YET_SUPPORTED, std::string(function) + " is not yet supported by this engine "
                                                    "with the character type " + std::to_string(charType));
    throw EngineError(AE_INVALID_ARGUMENT, std::string(function) + ": the character type " + std::to_string(charType)
                                               + " does not exist (1 to 118)");
}

std::string TablePathOn(ADSHANDLE hConnect, const std::string& name, const char* function)
{
    return ResolveTableOn(hConnect, name, function).path;
}

ResolvedTable ResolveTableOn(ADSHANDLE hConnect, const std::string& name, const char* function)
{
    RequireArgument(!name.empty(), function, "the table name is empty");
    std::shared_ptr<Connection> connection = OptionalConnection(hConnect, function);
    if (connection)
        return connection->ResolveTable(name);
    if (name.front() != '/')
        throw EngineError(AE_INVALID_ARGUMENT, std::string(function) + ": without a connection the table name must "
                                                   "be a full path, not " + name);
    // The folder is matched without regard to case here, so that a table
    // can also be created in a folder named in other case than on disk.
    size_t slash = name.find_last_of('/');
    std::string folder = slash == 0 ? "/" : name.substr(0, slash);
    std::string resolved = storage::ResolvePathCase(storage::FileSystemName(folder));
    ResolvedTable table;
    table.path = JoinPath(codepage::FromUtf8(codepage::CodePage::Ansi1252, resolved), name.substr(slash + 1));
    return table;
}

ADSHANDLE AdoptTable(std::unique_ptr<storage::Table> table, ADSHANDLE hConnect)
{
    std::shared_ptr<Connection> connection =
        hConnect == 0 ? nullptr : LookUp<Connection>(hConnect, "registering a table");
    auto cursor = std::make_shared<Cursor>(HandleKind::Table, std::move(table), hConnect);
    cursor->GotoTop(); // an opened table stands on its first record, as callers read it at once
    ADSHANDLE handle = HandleRegistry::Instance().Register(cursor);
    if (connection)
        connection->Adopt(handle);
    return handle;
}

ADSHANDLE OpenTableCursor(ADSHANDLE hConnect, const TableRequest& request, const char* function)
{
    ResolvedTable resolved = ResolveTableOn(hConnect, request.name, function);
    // A dictionary knows its tables' types: they hold whatever the caller asks.
    TableRequest checked = request;
    if (resolved.tableType)
        checked.tableType = *resolved.tableType;
    if (resolved.charType)
        checked.charType = *resolved.charType;
    storage::TableKind kind = TableKindFor(hConnect, checked.tableType, function);
    storage::OpenOptions options = OpenOptionsFor(checked, function);
    ADSHANDLE handle = AdoptTable(storage::Table::Open(resolved.path, kind, options), hConnect);
    try {
        std::shared_ptr<Cursor> cursor = LookUp<Cursor>(handle, function);
        OpenDefaultIndex(cursor);
        for (const std::string& indexFile : resolved.indexFiles)
            OpenIndexOn(cursor, IndexPathFor(cursor->Table(), indexFile), false);
    } catch (...) {
        CloseCursor(handle, function);
        throw;
    }
    return handle;
}

ADSHANDLE CreateTableCursor(ADSHANDLE hConnect, const CreateRequest& request, const char* function)
{
    constexpr uint32_t kKnown = ADS_FREE_TABLE | ADS_DICTIONARY_TABLE | ADS_CACHE_READS | ADS_CACHE_WRITES;
    if ((request.table.options & ~kKnown) != 0)
        throw EngineError(AE_INVALID_ARGUMENT, std::string(function) + ": the options "
                                                   + std::to_string(request.table.options)
                                                   + " hold bits other than free table, dictionary table and the "
                                                     "cache hints");
    TableRequest checked = request.table;
    checked.options = 0;
    storage::OpenOptions open = OpenOptionsFor(checked, function);
    storage::CreateOptions options;
    options.charType = open.charType;
    options.memoBlockSize = request.memoBlockSize;
    options.open = storage::OpenOptions{true, false, open.charType};
    storage::TableKind kind = TableKindFor(hConnect, request.table.tableType, function);
    if (std::optional<DictionaryPlace> place = DictionaryPlaceFor(hConnect, request, kind, function))
        return CreateDictionaryTable(hConnect, request, *place, kind, options, function);
    std::string path = TablePathOn(hConnect, request.table.name, function);
    return AdoptTable(CreateTableFile(path, kind, request.definition, options), hConnect);
}

std::unique_ptr<storage::Table> CreateTableFile(const std::string& path, storage::TableKind kind,
                                                const std::string& definition, const storage::CreateOptions& options)
{
    std::unique_ptr<storage::Table> table = storage::Table::Create(path, kind, definition, options);
    // The indexes of a table this one replaced describe records that are gone.
    storage::RemoveFile(DefaultIndexPath(*table));
    storage::RemoveFile(fts::FtsFile::PathFor(*table));
    return table;
}

void CloseCursor(ADSHANDLE hTable, const char* function)
{
    std::shared_ptr<Cursor> cursor = LookUp<Cursor>(hTable, function);
    cursor->Close();
    HandleRegistry::Instance().Release(hTable);
    if (auto connection = std::dynamic_pointer_cast<Connection>(
            HandleRegistry::Instance().Find(cursor->ConnectionHandle())))
        connection->Forget(hTable);
}

} // namespace engine
