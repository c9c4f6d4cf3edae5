#include "engine/backup/staging.h"

#include "engine/backup/folders.h"
#include "engine/core/errors.h"
#include "engine/engine.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace backup {

namespace {

constexpr const char* kJournalName = "journal";

std::string Staged(const std::string& staging, const char* side, const std::string& relative)
{
    return JoinPath(JoinPath(staging, side), relative);
}

bool Exists(const std::string& path)
{
    struct stat info{};
    return ::lstat(path.c_str(), &info) == 0;
}

bool LockJournal(int fd)
{
    struct flock request{};
    request.l_type = F_WRLCK;
    request.l_whence = SEEK_SET;
    request.l_start = 0;
    request.l_len = 1;
    return ::fcntl(fd, F_OFD_SETLK, &request) == 0;
}

// The folders a swap touches, to be synced once its renames are done.
std::set<std::string> FoldersOf(const std::string& target, const std::string& staging, const FileSwap& swap)
{
    std::set<std::string> folders;
    for (const std::string& file : swap.oldFiles) {
        folders.insert(ParentOf(JoinPath(target, file)));
        folders.insert(ParentOf(Staged(staging, "old", file)));
    }
    for (const std::string& file : swap.newFiles) {
        folders.insert(ParentOf(JoinPath(target, file)));
        folders.insert(ParentOf(Staged(staging, "new", file)));
    }
    return folders;
}

void SyncFolders(const std::set<std::string>& folders)
{
    for (const std::string& folder : folders)
        if (IsFolder(folder))
            SyncFolder(folder);
}

void Apply(const std::string& target, const std::string& staging, const FileSwap& swap)
{
    for (const std::string& file : swap.oldFiles)
        MoveFile(JoinPath(target, file), Staged(staging, "old", file));
    for (const std::string& file : swap.newFiles)
        MoveFile(Staged(staging, "new", file), JoinPath(target, file));
    SyncFolders(FoldersOf(target, staging, swap));
}

// Puts the old files of a begun swap back and removes its new ones; each
// step checks where the file is, so running it twice is harmless.
void Undo(const std::string& target, const std::string& staging, const FileSwap& swap)
{
    std::set<std::string> olds(swap.oldFiles.begin(), swap.oldFiles.end());
    for (const std::string& file : swap.oldFiles) {
        std::string aside = Staged(staging, "old", file);
        if (Exists(aside))
            MoveFile(aside, JoinPath(target, file));
    }
    for (const std::string& file : swap.newFiles) {
        if (olds.count(file))
            continue;
        std::string placed = JoinPath(target, file);
        if (!Exists(Staged(staging, "new", file)) && Exists(placed) && ::unlink(placed.c_str()) != 0)
            throw engine::EngineError(AE_FILE_IO, "Removing " + Shown(placed) + " failed: " + std::strerror(errno));
    }
    SyncFolders(FoldersOf(target, staging, swap));
}

std::string PlanText(const std::vector<FileSwap>& swaps)
{
    std::ostringstream out;
    for (size_t i = 0; i < swaps.size(); ++i) {
        for (const std::string& file : swaps[i].oldFiles)
            out << "old " << i << ' ' << file << '\n';
        for (const std::string& file : swaps[i].newFiles)
            out << "new " << i << ' ' << file << '\n';
    }
    out << "planned " << swaps.size() << '\n';
    return out.str();
}

struct JournalState {
    bool planned = false;
    bool committed = false;
    std::vector<FileSwap> swaps;
    std::vector<size_t> begun;
};

// Only complete lines count: a line cut by a crash was never acted on.
JournalState ReadJournal(const std::string& path)
{
    JournalState state;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::string all = text.str();
    all = all.substr(0, all.rfind('\n') == std::string::npos ? 0 : all.rfind('\n') + 1);
    std::istringstream lines(all);
    std::string line;
    std::map<size_t, FileSwap> swaps;
    size_t count = 0;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string key;
        size_t index = 0;
        fields >> key >> index;
        std::string rest;
        fields.get();
        std::getline(fields, rest);
        if (key == "old" && !state.planned)
            swaps[index].oldFiles.push_back(rest);
        else if (key == "new" && !state.planned)
            swaps[index].newFiles.push_back(rest);
        else if (key == "planned") {
            state.planned = true;
            count = index;
        } else if (key == "begin" && state.planned && index < count)
            state.begun.push_back(index);
        else if (key == "commit" && state.planned)
            state.committed = true;
    }
    state.swaps.resize(count);
    for (auto& [index, swap] : swaps)
        if (index < count)
            state.swaps[index] = std::move(swap);
    return state;
}

// The journal goes last: until it is gone, a recovery knows what the folder
// held.
void RemoveStaging(const std::string& staging)
{
    for (const std::string& name : ListFolder(staging))
        if (name != kJournalName)
            RemoveTree(JoinPath(staging, name));
    RemoveTree(staging);
}

void UndoBegun(const std::string& target, const std::string& staging, const std::vector<FileSwap>& swaps,
               const std::vector<size_t>& begun)
{
    for (auto it = begun.rbegin(); it != begun.rend(); ++it)
        Undo(target, staging, swaps[*it]);
}

void RecoverOne(const std::string& target, const std::string& staging)
{
    std::string journal = JoinPath(staging, kJournalName);
    int fd = ::open(journal.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return; // still being set up, or not ours to touch
    if (!LockJournal(fd)) {
        ::close(fd); // its owner is running
        return;
    }
    try {
        JournalState state = ReadJournal(journal);
        if (state.planned && !state.committed)
            UndoBegun(target, staging, state.swaps, state.begun);
        RemoveStaging(staging);
        SyncFolder(target);
    } catch (const std::exception&) {
        // Left for a later attempt; the lock goes with the descriptor.
    }
    ::close(fd);
}

} // namespace

StagingArea::StagingArea(const std::string& targetFolder) : mTarget(targetFolder)
{
    static std::atomic<unsigned> counter{0};
    mFolder = JoinPath(targetFolder, std::string(kStagingPrefix) + std::to_string(::getpid()) + "-"
                                         + std::to_string(counter++));
    if (::mkdir(mFolder.c_str(), 0777) != 0)
        throw engine::EngineError(errno == ENOSPC ? AE_DISK_FULL : AE_FILE_IO,
                                  "The folder " + Shown(targetFolder) + " is not writable: creating "
                                      + Shown(mFolder) + " failed: " + std::strerror(errno));
    std::string journal = JoinPath(mFolder, kJournalName);
    mJournal = ::open(journal.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_APPEND, 0666);
    if (mJournal < 0 || !LockJournal(mJournal)) {
        int error = errno;
        Remove();
        throw engine::EngineError(AE_FILE_IO, "Creating " + Shown(journal) + " failed: " + std::strerror(error));
    }
}

StagingArea::~StagingArea()
{
    Remove();
}

std::string StagingArea::NewPath(const std::string& relative) const
{
    std::string path = Staged(mFolder, "new", relative);
    MakeFolders(ParentOf(path));
    return path;
}

void StagingArea::AppendJournal(const std::string& lines)
{
    const char* data = lines.data();
    size_t left = lines.size();
    while (left > 0) {
        ssize_t n = ::write(mJournal, data, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw engine::EngineError(errno == ENOSPC ? AE_DISK_FULL : AE_FILE_IO,
                                      "Writing the restore journal in " + Shown(mFolder) + " failed: "
                                          + std::strerror(errno));
        data += n;
        left -= static_cast<size_t>(n);
    }
    if (::fdatasync(mJournal) != 0)
        throw engine::EngineError(AE_FILE_IO, "Syncing the restore journal in " + Shown(mFolder)
                                                  + " failed: " + std::strerror(errno));
}

void StagingArea::Commit(const std::vector<FileSwap>& swaps)
{
    SyncFolders({JoinPath(mFolder, "new")});
    AppendJournal(PlanText(swaps));
    SyncFolder(mFolder);
    std::vector<size_t> begun;
    try {
        for (size_t i = 0; i < swaps.size(); ++i) {
            AppendJournal("begin " + std::to_string(i) + "\n");
            begun.push_back(i);
            Apply(mTarget, mFolder, swaps[i]);
        }
        AppendJournal("commit\n");
    } catch (const engine::EngineError& e) {
        try {
            UndoBegun(mTarget, mFolder, swaps, begun);
        } catch (const std::exception& undo) {
            // Keep the journal: the next restore or open of the folder undoes the rest.
            ::close(mJournal);
            mJournal = -1;
            throw engine::EngineError(e.Code(), std::string(e.what()) + " Undoing the files moved so far failed too ("
                                                    + undo.what() + "); the next open of " + Shown(mTarget)
                                                    + " finishes undoing them.");
        }
        throw;
    }
}

void StagingArea::Remove() noexcept
{
    try {
        if (mJournal >= 0 && !mFolder.empty())
            RemoveStaging(mFolder);
        if (!mTarget.empty() && IsFolder(mTarget))
            SyncFolder(mTarget);
    } catch (const std::exception&) {
        // A leftover staging folder is recovered (removed) at the next open.
    }
    if (mJournal >= 0)
        ::close(mJournal);
    mJournal = -1;
}

void RecoverInterrupted(const std::string& targetFolder) noexcept
{
    try {
        if (!IsFolder(targetFolder))
            return;
        for (const std::string& name : ListFolder(targetFolder))
            if (name.rfind(kStagingPrefix, 0) == 0 && IsFolder(JoinPath(targetFolder, name)))
                RecoverOne(targetFolder, JoinPath(targetFolder, name));
    } catch (const std::exception&) {
        // Nothing to recover where nothing can be listed.
    }
}

void RecoverBeforeOpen(const std::string& ansiPath) noexcept
{
    try {
        std::string path = ResolveName(ansiPath);
        RecoverInterrupted(IsFolder(path) ? path : ParentOf(path));
    } catch (const std::exception&) {
        // The open itself reports a path it cannot use.
    }
}

} // namespace backup
