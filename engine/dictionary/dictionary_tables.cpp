// The tables of a dictionary: their entries, properties and files.
#include "engine/dictionary/dictionary_internal.h"

#include "engine/core/errors.h"
#include "engine/dictionary/sqlite_db.h"
#include "engine/engine.h"
#include "engine/storage/file_io.h"
#include "engine/storage/table_format.h"
#include "platform/codepage/codepage.h"

namespace engine::dd {

namespace {

void CheckTableType(uint16_t tableType, uint16_t charType)
{
    if (tableType < ADS_NTX || tableType > ADS_VFP)
        throw EngineError(AE_INVALID_ARGUMENT, "The table type " + std::to_string(tableType)
                                                   + " is not 1 (NTX), 2 (CDX), 3 (ADT) or 4 (VFP).");
    if (charType != ADS_ANSI && charType != ADS_OEM)
        throw EngineError(AE_INVALID_ARGUMENT, "The character type " + std::to_string(charType)
                                                   + " of a dictionary table is not 1 (ANSI) or 2 (OEM).");
}

const char* TableExtension(uint16_t tableType)
{
    return tableType == ADS_ADT ? ".adt" : ".dbf";
}

const char* IndexExtensionFor(uint16_t tableType)
{
    return tableType == ADS_ADT ? ".adi" : tableType == ADS_NTX ? ".ntx" : ".cdx";
}

storage::MemoKind MemoKindFor(uint16_t tableType)
{
    return tableType == ADS_ADT ? storage::MemoKind::Adm
        : tableType == ADS_NTX  ? storage::MemoKind::Dbt
                                : storage::MemoKind::Fpt;
}

std::string WithoutExtension(const std::string& path)
{
    return HasExtension(path) ? path.substr(0, path.find_last_of('.')) : path;
}

constexpr const char* kSelectTables =
    "SELECT name, path, table_type, char_type, default_index, primary_key, comment FROM dd_tables";

} // namespace

std::vector<TableEntry> Dictionary::Tables() const
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    std::vector<TableEntry> tables;
    Statement query(mDb, (std::string(kSelectTables) + " ORDER BY name").c_str());
    while (query.Step()) {
        TableEntry entry;
        entry.name = query.Text(0);
        entry.storedPath = query.Text(1);
        entry.path = Resolve(entry.storedPath);
        entry.tableType = static_cast<uint16_t>(query.Number(2));
        entry.charType = static_cast<uint16_t>(query.Number(3));
        entry.defaultIndex = query.Text(4);
        entry.primaryKey = query.Text(5);
        entry.comment = query.Text(6);
        tables.push_back(std::move(entry));
    }
    for (TableEntry& entry : tables) {
        Statement files(mDb, "SELECT path FROM dd_index_files WHERE table_name = ? ORDER BY position");
        files.Bind(entry.name);
        while (files.Step())
            entry.indexFiles.push_back(Resolve(files.Text(0)));
    }
    return tables;
}

std::optional<TableEntry> Dictionary::FindTable(const std::string& name) const
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    Statement query(mDb, "SELECT name FROM dd_tables WHERE name = ?");
    query.Bind(name);
    if (!query.Step())
        return std::nullopt;
    std::string stored = query.Text(0);
    for (TableEntry& entry : Tables())
        if (entry.name == stored)
            return std::move(entry);
    return std::nullopt;
}

TableEntry Dictionary::Table(const std::string& name) const
{
    std::optional<TableEntry> entry = FindTable(name);
    if (!entry)
        ThrowNotFound("table", name, mPath);
    return *entry;
}

void Dictionary::AddTable(const NewTable& table)
{
    CheckObjectName(table.name, "table");
    CheckTableType(table.tableType, table.charType);
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    Transaction transaction(mDb);
    if (FindTable(table.name))
        throw EngineError(AE_ALREADY_EXISTS, "The data dictionary " + mPath + " has a table named \"" + table.name
                                                 + "\" already.");
    Statement(mDb, "INSERT INTO dd_tables(name, path, table_type, char_type, comment) VALUES(?, ?, ?, ?, ?)")
        .Bind(table.name)
        .Bind(StoredForm(table.path, TableExtension(table.tableType)))
        .Bind(int64_t(table.tableType))
        .Bind(int64_t(table.charType))
        .Bind(table.comment)
        .Run();
    int64_t position = 0;
    for (const std::string& file : table.indexFiles)
        Statement(mDb, "INSERT INTO dd_index_files(table_name, position, path) VALUES(?, ?, ?)")
            .Bind(table.name)
            .Bind(position++)
            .Bind(StoredForm(file, IndexExtensionFor(table.tableType)))
            .Run();
    transaction.Commit();
}

void Dictionary::RemoveTable(const std::string& name)
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    Transaction transaction(mDb);
    Statement remove(mDb, "DELETE FROM dd_tables WHERE name = ?");
    remove.Bind(name).Run();
    if (remove.Changes() == 0)
        ThrowNotFound("table", name, mPath);
    transaction.Commit();
}

void Dictionary::RenameTable(const std::string& name, const std::string& newName)
{
    CheckObjectName(newName, "table");
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    Transaction transaction(mDb);
    TableEntry entry = Table(name);
    std::optional<TableEntry> other = FindTable(newName);
    if (other && other->name != entry.name)
        throw EngineError(AE_ALREADY_EXISTS, "The data dictionary " + mPath + " has a table named \"" + newName
                                                 + "\" already.");
    Statement(mDb, "UPDATE dd_tables SET name = ? WHERE name = ?").Bind(newName).Bind(entry.name).Run();
    transaction.Commit();
}

void Dictionary::AddIndexFile(const std::string& table, const std::string& indexFile)
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    Transaction transaction(mDb);
    TableEntry entry = Table(table);
    std::string stored = StoredForm(indexFile, IndexExtensionFor(entry.tableType));
    if (Resolve(stored) != WithoutExtension(entry.path) + IndexExtensionFor(entry.tableType)) {
        bool listed = false;
        for (const std::string& file : entry.indexFiles)
            listed = listed || file == Resolve(stored);
        if (!listed)
            Statement(mDb, "INSERT INTO dd_index_files(table_name, position, path) "
                           "VALUES(?, (SELECT COUNT(*) FROM dd_index_files WHERE table_name = ?), ?)")
                .Bind(entry.name)
                .Bind(entry.name)
                .Bind(stored)
                .Run();
    }
    transaction.Commit();
}

void Dictionary::SetDefaultIndex(const std::string& table, const std::string& index)
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    Transaction transaction(mDb);
    TableEntry entry = Table(table);
    Statement(mDb, "UPDATE dd_tables SET default_index = ? WHERE name = ?").Bind(index).Bind(entry.name).Run();
    transaction.Commit();
}

void Dictionary::SetPrimaryKey(const std::string& table, const std::string& index)
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    Transaction transaction(mDb);
    TableEntry entry = Table(table);
    Statement(mDb, "UPDATE dd_tables SET primary_key = ? WHERE name = ?").Bind(index).Bind(entry.name).Run();
    transaction.Commit();
}

std::vector<std::string> Dictionary::TableFiles(const TableEntry& table) const
{
    auto utf8 = [](const std::string& ansi) { return storage::ResolvePathCase(storage::FileSystemName(ansi)); };
    std::string tableFile = utf8(table.path);
    std::vector<std::string> candidates = {
        tableFile,
        storage::ResolvePathCase(storage::MemoFileNameFor(tableFile, MemoKindFor(table.tableType))),
        storage::ResolvePathCase(WithoutExtension(tableFile) + IndexExtensionFor(table.tableType)),
    };
    for (const std::string& index : table.indexFiles)
        candidates.push_back(utf8(index));
    candidates.push_back(storage::ResolvePathCase(WithoutExtension(tableFile) + ".fts"));
    std::vector<std::string> files;
    for (const std::string& file : candidates) {
        bool seen = false;
        for (const std::string& known : files)
            seen = seen || known == file;
        if (!seen && storage::FileExists(file))
            files.push_back(file);
    }
    return files;
}

} // namespace engine::dd
