// Restoring a backup folder (backup_run.h).
#include "engine/backup/backup_run.h"

#include "engine/backup/checked_copy.h"
#include "engine/backup/folders.h"
#include "engine/backup/password.h"
#include "engine/backup/progress.h"
#include "engine/backup/space.h"
#include "engine/backup/staging.h"
#include "engine/backup/table_files.h"
#include "engine/backup/table_guard.h"
#include "engine/core/errors.h"
#include "engine/engine.h"

#include <climits>
#include <cstdlib>
#include <memory>
#include <set>
#include <unistd.h>

namespace backup {

namespace {

const char* KindText(BackupKind kind)
{
    return kind == BackupKind::Dictionary ? "a data dictionary" : "free tables";
}

void CheckKindAndPassword(const RestoreRequest& request, const Manifest& manifest)
{
    if (manifest.kind != request.expected)
        throw engine::EngineError(AE_NOT_A_BACKUP, "The folder " + Shown(request.source) + " holds a backup of "
                                                       + KindText(manifest.kind) + ", not of "
                                                       + KindText(request.expected) + ".");
    if (request.passwordCheck) {
        request.passwordCheck(manifest);
        return;
    }
    if (!PasswordMatches(manifest.passwordVerifier, request.password,
                         Shown(JoinPath(request.source, kManifestName))))
        throw engine::EngineError(AE_WRONG_PASSWORD, "The password does not match the password of the backup in "
                                                         + Shown(request.source) + ".");
}

// Every file there with the size the manifest gives, before anything is written.
void CheckFilesPresent(const RestoreRequest& request, const Manifest& manifest)
{
    for (const ManifestFile& file : manifest.AllFiles()) {
        std::string path = JoinPath(request.source, file.path);
        if (!IsRegularFile(path))
            throw engine::EngineError(AE_BACKUP_FILE_MISSING, "The backup file " + Shown(path)
                                                                  + " is missing; nothing was restored.");
        uint64_t size = FileSize(path);
        if (size != file.size)
            throw engine::EngineError(AE_CHECKSUM_MISMATCH, "The backup file " + Shown(path) + " is damaged: it holds "
                                                                + std::to_string(size) + " bytes instead of "
                                                                + std::to_string(file.size)
                                                                + "; nothing was restored.");
    }
}

std::string TargetName(const RestoreRequest& request, const std::string& backedUp)
{
    auto renamed = request.renames.find(backedUp);
    return renamed == request.renames.end() ? backedUp : renamed->second;
}

std::string Within(const std::string& folder, const std::string& name)
{
    return folder.empty() ? name : JoinPath(folder, name);
}

// The files of the destination a table's restore replaces: every file of
// the table of the same name (its data file's), and whatever has the name
// of one of the new files, matched without regard to case.
FileSwap SwapFor(const RestoreRequest& request, const ManifestTable& table)
{
    FileSwap swap;
    std::set<std::string> olds;
    for (const ManifestFile& file : table.files) {
        std::string target = TargetName(request, file.path);
        swap.newFiles.push_back(target);
        std::string folder = ParentOf(target);
        std::string name = LastComponent(target);
        std::vector<std::string> existing = IsDataFileName(name)
                                                ? ExistingTableFiles(JoinPath(request.destination, folder), BaseName(name))
                                                : ExistingNamed(JoinPath(request.destination, folder), name);
        for (const std::string& old : existing)
            olds.insert(Within(folder, old));
    }
    swap.oldFiles.assign(olds.begin(), olds.end());
    return swap;
}

// Holds every table of the destination that the restore replaces, so that
// nobody has them open, or opens them, until the restore has ended.
std::vector<std::unique_ptr<ExclusiveHold>> HoldTables(const std::string& root, const std::vector<FileSwap>& swaps,
                                                       bool oldSide)
{
    std::vector<std::unique_ptr<ExclusiveHold>> holds;
    for (const FileSwap& swap : swaps)
        for (const std::string& file : oldSide ? swap.oldFiles : swap.newFiles)
            if (IsDataFileName(file)) {
                std::string path = JoinPath(root, file);
                holds.push_back(std::make_unique<ExclusiveHold>(path, Shown(JoinPath(root, file))));
            }
    return holds;
}

// Removes the destination folder again when the restore created it and
// failed before anything was moved in.
class CreatedFolder {
public:
    CreatedFolder(std::string folder, bool created) : mFolder(std::move(folder)), mCreated(created) {}
    ~CreatedFolder()
    {
        if (mCreated)
            ::rmdir(mFolder.c_str()); // only when empty
    }
    void Keep() { mCreated = false; }

private:
    std::string mFolder;
    bool mCreated;
};

void CopyVerified(const RestoreRequest& request, const ManifestFile& file, StagingArea& staging, ProgressMeter& meter)
{
    std::string from = JoinPath(request.source, file.path);
    CopyResult copy = CopyWithChecksum(from, staging.NewPath(TargetName(request, file.path)),
                                       [&meter](uint64_t bytes) { meter.Advance(bytes); }, file.size + 1,
                                       Durability::SyncLater);
    if (copy.size != file.size || copy.checksum != file.checksum)
        throw engine::EngineError(AE_CHECKSUM_MISMATCH, "The backup file " + Shown(from)
                                                            + " is damaged: its checksum does not match the "
                                                              "manifest; nothing was restored.");
}

} // namespace

std::vector<TableSummary> RestoreBackup(const RestoreRequest& request)
{
    if (!IsFolder(request.source))
        throw engine::EngineError(AE_PATH_NOT_FOUND, "The backup folder " + Shown(request.source) + " does not exist.");
    RecoverInterrupted(request.source);
    Manifest manifest = ReadManifest(request.source);
    CheckKindAndPassword(request, manifest);
    CheckFilesPresent(request, manifest);

    std::string operation = "The restore of " + Shown(request.source);
    bool created = false;
    try {
        created = MakeFolders(request.destination);
    } catch (const engine::EngineError& e) {
        throw engine::EngineError(e.Code(), "The destination folder " + Shown(request.destination)
                                                + " cannot be created: " + e.what());
    }
    CreatedFolder createdFolder(request.destination, created);
    char sourceReal[PATH_MAX], destinationReal[PATH_MAX];
    if (::realpath(request.source.c_str(), sourceReal) && ::realpath(request.destination.c_str(), destinationReal)
        && std::string(sourceReal) == destinationReal)
        throw engine::EngineError(AE_INVALID_ARGUMENT, "The destination " + Shown(request.destination)
                                                           + " is the backup folder itself.");
    RecoverInterrupted(request.destination);
    RequireFreeSpace(request.destination, manifest.TotalBytes());

    std::vector<FileSwap> swaps;
    for (const ManifestTable& table : manifest.tables)
        swaps.push_back(SwapFor(request, table));
    auto oldHolds = HoldTables(request.destination, swaps, true);

    StagingArea staging(request.destination);
    ProgressMeter meter(manifest.TotalBytes(), operation);
    for (const ManifestFile& file : manifest.AllFiles())
        CopyVerified(request, file, staging, meter);
    // Synced after all are copied: their write-out overlapped the copying.
    for (const ManifestFile& file : manifest.AllFiles())
        SyncFile(staging.NewPath(TargetName(request, file.path)));
    auto newHolds = HoldTables(JoinPath(staging.Folder(), "new"), swaps, false);
    meter.CheckStop();
    staging.Commit(swaps);
    createdFolder.Keep();
    meter.Finish();

    std::vector<TableSummary> summary;
    for (const ManifestTable& table : manifest.tables) {
        TableSummary row{table.name, static_cast<uint32_t>(table.files.size()), 0};
        for (const ManifestFile& file : table.files)
            row.bytes += file.size;
        summary.push_back(row);
    }
    return summary;
}

} // namespace backup
