// Writing a backup folder (backup_run.h).
#include "engine/backup/backup_run.h"

#include "engine/backup/checked_copy.h"
#include "engine/backup/dictionary_guard.h"
#include "engine/backup/folders.h"
#include "engine/backup/password.h"
#include "engine/backup/progress.h"
#include "engine/backup/space.h"
#include "engine/backup/staging.h"
#include "engine/backup/table_guard.h"
#include "engine/core/errors.h"
#include "engine/engine.h"

#include <chrono>
#include <ctime>
#include <memory>
#include <set>

namespace backup {

namespace {

std::string UtcNow()
{
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

uint64_t SourceBytes(const BackupRequest& request)
{
    uint64_t total = 0;
    for (const SourceTable& table : request.tables)
        for (const std::string& file : table.files)
            total += FileSize(JoinPath(request.sourceRoot, file));
    if (!request.dictionary.empty())
        total += FileSize(JoinPath(request.sourceRoot, request.dictionary));
    return total;
}

// Copies the files of one table into the staging folder while its guards
// keep writers out.
ManifestTable CopyTable(const BackupRequest& request, const SourceTable& table, StagingArea& staging,
                        ProgressMeter& meter)
{
    std::vector<std::unique_ptr<ReadGuard>> guards;
    for (const std::string& data : table.dataFiles)
        guards.push_back(std::make_unique<ReadGuard>(JoinPath(request.sourceRoot, data),
                                                     [&meter] { meter.CheckStop(); }));
    ManifestTable entry{table.name, {}};
    for (const std::string& file : table.files) {
        CopyResult copy = CopyWithChecksum(JoinPath(request.sourceRoot, file), staging.NewPath(file),
                                           [&meter](uint64_t bytes) { meter.Advance(bytes); }, UINT64_MAX,
                                           Durability::SyncLater);
        entry.files.push_back({file, copy.size, copy.checksum});
    }
    return entry;
}

void WriteManifestFile(const std::string& path, const std::string& text)
{
    std::string temporary = path + ".part";
    storage::File file = storage::File::CreateNew(temporary);
    file.WriteAt(0, text.data(), text.size());
    file.Sync();
    file.Close();
    MoveFile(temporary, path);
}

// The files of the backup now in the destination, which the new one replaces.
std::vector<std::string> ReplacedFiles(const std::string& destination, const std::vector<std::string>& newFiles)
{
    std::set<std::string> old;
    try {
        for (const ManifestFile& file : ReadManifest(destination).AllFiles())
            old.insert(file.path);
        Manifest previous = ReadManifest(destination);
        if (!previous.dictionary.empty())
            old.insert(previous.dictionary);
    } catch (const engine::EngineError&) {
        // No backup there yet, or a damaged one: only same-named files go.
    }
    old.insert(newFiles.begin(), newFiles.end());
    std::vector<std::string> existing;
    // The manifest goes first: the old backup stops being one before its files move.
    if (IsRegularFile(JoinPath(destination, kManifestName)))
        existing.push_back(kManifestName);
    for (const std::string& file : old)
        if (file != kManifestName && IsRegularFile(JoinPath(destination, file)))
            existing.push_back(file);
    return existing;
}

} // namespace

std::vector<TableSummary> WriteBackup(const BackupRequest& request)
{
    std::string operation = "The backup of " + request.sourceShown;
    MakeFolders(request.destination);
    RecoverInterrupted(request.destination);
    uint64_t total = SourceBytes(request);
    RequireFreeSpace(request.destination, total);

    StagingArea staging(request.destination);
    ProgressMeter meter(total, operation);
    Manifest manifest;
    manifest.kind = request.kind;
    manifest.created = UtcNow();
    manifest.source = request.sourceShown;
    manifest.passwordVerifier = MakeVerifier(request.password);
    manifest.dictionary = request.dictionary;

    std::vector<std::string> newFiles;
    std::vector<TableSummary> summary;
    if (!request.dictionary.empty()) {
        DictionaryReadGuard guard(JoinPath(request.sourceRoot, request.dictionary));
        CopyResult copy = CopyWithChecksum(JoinPath(request.sourceRoot, request.dictionary),
                                           staging.NewPath(request.dictionary),
                                           [&meter](uint64_t bytes) { meter.Advance(bytes); });
        manifest.tables.push_back({request.dictionary, {{request.dictionary, copy.size, copy.checksum}}});
        newFiles.push_back(request.dictionary);
    }
    for (const SourceTable& table : request.tables) {
        ManifestTable entry = CopyTable(request, table, staging, meter);
        TableSummary row{table.name, static_cast<uint32_t>(entry.files.size()), 0};
        for (const ManifestFile& file : entry.files) {
            row.bytes += file.size;
            newFiles.push_back(file.path);
        }
        summary.push_back(row);
        manifest.tables.push_back(std::move(entry));
    }
    // Synced after all are copied: their write-out overlapped the copying.
    for (const std::string& file : newFiles)
        SyncFile(staging.NewPath(file));
    meter.CheckStop();
    WriteManifestFile(staging.NewPath(kManifestName), ManifestText(manifest));

    FileSwap swap;
    swap.oldFiles = ReplacedFiles(request.destination, newFiles);
    swap.newFiles = newFiles;
    swap.newFiles.push_back(kManifestName); // last: the new backup is one only when complete
    staging.Commit({swap});
    meter.Finish();
    return summary;
}

} // namespace backup
