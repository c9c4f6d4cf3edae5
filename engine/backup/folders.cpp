#include "engine/backup/folders.h"

#include "engine/core/errors.h"
#include "engine/engine.h"
#include "engine/storage/file_io.h"
#include "engine/storage/storage_error.h"
#include "platform/codepage/codepage.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace backup {

namespace {

[[noreturn]] void RaiseSystem(const std::string& what, const std::string& utf8Path, int error)
{
    uint32_t code = error == ENOSPC || error == EDQUOT ? AE_DISK_FULL : AE_FILE_IO;
    throw engine::EngineError(code, what + " " + Shown(utf8Path) + " failed: " + std::strerror(error));
}

} // namespace

std::string ResolveName(const std::string& ansiName)
{
    try {
        return storage::ResolvePathCase(storage::FileSystemName(ansiName));
    } catch (const storage::StorageError& e) {
        throw engine::EngineError(AE_AMBIGUOUS_PATH, e.what());
    }
}

std::string Shown(const std::string& utf8Path)
{
    return codepage::FromUtf8(codepage::CodePage::Ansi1252, utf8Path);
}

std::string JoinPath(const std::string& folder, const std::string& relative)
{
    if (folder.empty())
        return relative;
    if (relative.empty())
        return folder;
    return folder.back() == '/' ? folder + relative : folder + "/" + relative;
}

std::string ParentOf(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return {};
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string LastComponent(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsFolder(const std::string& utf8Path)
{
    struct stat info{};
    return ::stat(utf8Path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsRegularFile(const std::string& utf8Path)
{
    struct stat info{};
    return ::stat(utf8Path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

uint64_t FileSize(const std::string& utf8Path)
{
    struct stat info{};
    if (::stat(utf8Path.c_str(), &info) != 0)
        RaiseSystem("Reading the size of", utf8Path, errno);
    return static_cast<uint64_t>(info.st_size);
}

std::vector<std::string> ListFolder(const std::string& utf8Folder)
{
    DIR* dir = ::opendir(utf8Folder.c_str());
    if (!dir)
        RaiseSystem("Listing the folder", utf8Folder, errno);
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(std::move(name));
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

bool MakeFolders(const std::string& utf8Folder)
{
    if (utf8Folder.empty() || IsFolder(utf8Folder))
        return false;
    std::string parent = ParentOf(utf8Folder);
    if (!parent.empty() && parent != utf8Folder)
        MakeFolders(parent);
    if (::mkdir(utf8Folder.c_str(), 0777) != 0 && errno != EEXIST)
        RaiseSystem("Creating the folder", utf8Folder, errno);
    if (!parent.empty())
        SyncFolder(parent);
    return true;
}

void SyncFolder(const std::string& utf8Folder)
{
    int fd = ::open(utf8Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        RaiseSystem("Opening the folder", utf8Folder, errno);
    int result = ::fsync(fd);
    int error = errno;
    ::close(fd);
    if (result != 0 && error != EINVAL)
        RaiseSystem("Syncing the folder", utf8Folder, error);
}

void RemoveTree(const std::string& utf8Folder)
{
    struct stat info{};
    if (::lstat(utf8Folder.c_str(), &info) != 0)
        return;
    if (S_ISDIR(info.st_mode)) {
        for (const std::string& name : ListFolder(utf8Folder))
            RemoveTree(JoinPath(utf8Folder, name));
        if (::rmdir(utf8Folder.c_str()) != 0 && errno != ENOENT)
            RaiseSystem("Removing the folder", utf8Folder, errno);
    } else if (::unlink(utf8Folder.c_str()) != 0 && errno != ENOENT) {
        RaiseSystem("Removing", utf8Folder, errno);
    }
}

void MoveFile(const std::string& from, const std::string& to)
{
    MakeFolders(ParentOf(to));
    if (::rename(from.c_str(), to.c_str()) != 0)
        RaiseSystem("Moving " + Shown(from) + " to", to, errno);
}

} // namespace backup
