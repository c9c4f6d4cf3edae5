// The backup and restore procedures: arguments as the scripts pass them
// (8-bit text, folders possibly upper-cased), checked and handed to the
// backup module; each yields one row per table it copied.
#include "engine/backup/backup_run.h"
#include "engine/backup/folders.h"
#include "engine/backup/table_files.h"
#include "engine/core/errors.h"
#include "engine/engine.h"
#include "engine/procedures/backup_dictionary.h"
#include "engine/procedures/procedure_groups.h"

namespace engine {

namespace {

using sql::DataType;
using sql::Value;

std::vector<sql::ResultColumn> SummaryColumns()
{
    return {{"Table Name", DataType::String, 255}, {"Files", DataType::Integer}, {"Bytes", DataType::Double, 0, 0}};
}

std::vector<std::vector<Value>> SummaryRows(const std::vector<backup::TableSummary>& summary)
{
    std::vector<std::vector<Value>> rows;
    for (const backup::TableSummary& row : summary)
        rows.push_back({Value::String(FitColumn(backup::Shown(row.table), 255)), Value::Integer(row.files),
                        Value::Double(static_cast<double>(row.bytes))});
    return rows;
}

std::string Text(const Value& value)
{
    return value.null ? std::string() : sql::ConvertTo(value, DataType::String).text;
}

std::string RequiredText(const Value& value, const char* procedure, const char* what)
{
    std::string text = Text(value);
    if (text.empty())
        throw EngineError(AE_INVALID_ARGUMENT, std::string(procedure) + ": the " + what + " is missing.");
    return text;
}

// No options are defined yet: anything but NULL or an empty text is refused
// rather than silently ignored.
void RequireNoOptions(const Value& value, const char* procedure)
{
    std::string options = Text(value);
    if (options.find_first_not_of(" \t") != std::string::npos)
        throw EngineError(AE_INVALID_ARGUMENT, std::string(procedure) + ": unknown options \"" + options + "\".");
}

std::vector<std::vector<Value>> BackupFreeTables(const std::vector<Value>& args)
{
    const char* name = "sp_BackupFreeTables";
    std::string source = RequiredText(args[0], name, "source folder");
    std::string mask = Text(args[1]);
    std::string destination = RequiredText(args[2], name, "destination folder");
    RequireNoOptions(args[3], name);

    backup::BackupRequest request;
    request.sourceRoot = backup::ResolveName(source);
    request.sourceShown = source;
    if (!backup::IsFolder(request.sourceRoot))
        throw EngineError(AE_PATH_NOT_FOUND, std::string(name) + ": the folder " + source + " does not exist.");
    for (const backup::TableFileSet& set : backup::FindTables(request.sourceRoot, mask))
        request.tables.push_back({set.name, set.files, set.dataFiles});
    request.destination = backup::ResolveName(destination);
    request.password = Text(args[4]);
    return SummaryRows(backup::WriteBackup(request));
}

std::vector<std::vector<Value>> RestoreFreeTables(const std::vector<Value>& args)
{
    const char* name = "sp_RestoreFreeTables";
    backup::RestoreRequest request;
    request.source = backup::ResolveName(RequiredText(args[0], name, "backup folder"));
    request.destination = backup::ResolveName(RequiredText(args[1], name, "destination folder"));
    RequireNoOptions(args[2], name);
    request.password = Text(args[3]);
    return SummaryRows(backup::RestoreBackup(request));
}

std::vector<std::vector<Value>> BackupDatabase(const std::vector<Value>& args)
{
    const char* name = "sp_BackupDatabase";
    std::string destination = RequiredText(args[0], name, "destination folder");
    RequireNoOptions(args[1], name);
    return SummaryRows(BackupCallingDictionary(destination));
}

std::vector<std::vector<Value>> RestoreDatabase(const std::vector<Value>& args)
{
    const char* name = "sp_RestoreDatabase";
    std::string source = RequiredText(args[0], name, "backup dictionary");
    std::string password = Text(args[1]);
    std::string destination = RequiredText(args[2], name, "destination dictionary");
    RequireNoOptions(args[3], name);
    return SummaryRows(RestoreDictionary(source, password, destination));
}

} // namespace

void RegisterBackupProcedures(sql::ProcedureRegistry& registry)
{
    // (source folder, file mask, destination folder, options, password)
    registry.Register({"sp_BackupFreeTables", 5, SummaryColumns(), BackupFreeTables});
    // (backup folder, destination folder, options, password)
    registry.Register({"sp_RestoreFreeTables", 4, SummaryColumns(), RestoreFreeTables});
    // (destination folder, options): the dictionary of the calling connection
    registry.Register({"sp_BackupDatabase", 2, SummaryColumns(), BackupDatabase});
    // (backup dictionary, password, destination dictionary, options)
    registry.Register({"sp_RestoreDatabase", 4, SummaryColumns(), RestoreDatabase});
}

} // namespace engine
