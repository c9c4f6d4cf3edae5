#include "engine/storage/file_io.h"

#include "engine/storage/storage_error.h"
#include "platform/codepage/codepage.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace storage {

namespace {

std::string SystemText(int error) { return std::strerror(error); }

[[noreturn]] void RaiseIo(const std::string& what, const std::string& name, int error)
{
    throw StorageError(kErrFileIo, what + " " + name + " failed: " + SystemText(error));
}

} // namespace

File::~File() { Close(); }

File::File(File&& other) noexcept
    : mFd(other.mFd), mWritable(other.mWritable), mName(std::move(other.mName))
{
    other.mFd = -1;
}

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        Close();
        mFd = other.mFd;
        mWritable = other.mWritable;
        mName = std::move(other.mName);
        other.mFd = -1;
    }
    return *this;
}

File File::Open(const std::string& name, bool writable)
{
    File file;
    file.mName = name;
    file.mWritable = writable;
    file.mFd = ::open(name.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (file.mFd < 0) {
        int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            throw StorageError(kErrFileNotFound, "The file " + name + " does not exist.");
        RaiseIo("Opening", name, error);
    }
    struct stat info{};
    if (::fstat(file.mFd, &info) == 0 && S_ISDIR(info.st_mode))
        throw StorageError(kErrFileNotFound, name + " is a folder, not a table file.");
    return file;
}

File File::CreateNew(const std::string& name)
{
    File file;
    file.mName = name;
    file.mWritable = true;
    file.mFd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (file.mFd < 0) {
        int error = errno;
        if (error == EEXIST)
            throw StorageError(kErrAlreadyExists, "The file " + name + " already exists.");
        RaiseIo("Creating", name, error);
    }
    return file;
}

void File::Close()
{
    if (mFd >= 0) {
        ::close(mFd);
        mFd = -1;
    }
}

uint64_t File::Size() const
{
    struct stat info{};
    if (::fstat(mFd, &info) != 0)
        RaiseIo("Reading the size of", mName, errno);
    return uint64_t(info.st_size);
}

size_t File::ReadSomeAt(uint64_t offset, void* data, size_t size) const
{
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::pread(mFd, static_cast<char*>(data) + done, size - done, off_t(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            RaiseIo("Reading", mName, errno);
        }
        if (n == 0)
            break;
        done += size_t(n);
    }
    return done;
}

void File::ReadAt(uint64_t offset, void* data, size_t size, const char* what) const
{
    if (ReadSomeAt(offset, data, size) != size)
        throw StorageError(kErrCorruptTable, "The file " + mName + " is truncated: it ends inside its "
                                                 + what + ".");
}

void File::WriteAt(uint64_t offset, const void* data, size_t size)
{
    if (!mWritable)
        throw StorageError(kErrReadOnly, "The file " + mName + " is open read-only.");
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::pwrite(mFd, static_cast<const char*>(data) + done, size - done, off_t(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            RaiseIo("Writing", mName, errno);
        }
        done += size_t(n);
    }
}

void File::Truncate(uint64_t size)
{
    if (::ftruncate(mFd, off_t(size)) != 0)
        RaiseIo("Truncating", mName, errno);
}

void File::Sync()
{
    if (mWritable && ::fsync(mFd) != 0)
        RaiseIo("Flushing", mName, errno);
}

namespace {

struct flock LockRequest(short type, uint64_t offset, uint64_t length)
{
    struct flock request{};
    request.l_type = type;
    request.l_whence = SEEK_SET;
    request.l_start = off_t(offset);
    request.l_len = off_t(length);
    request.l_pid = 0; // required for OFD locks
    return request;
}

// A read-only descriptor cannot hold write locks; such opens take read locks
// where they would take write locks (they never write anyway).
short LockType(const File& file, bool exclusive)
{
    return exclusive && file.Writable() ? F_WRLCK : F_RDLCK;
}

} // namespace

bool File::TryLock(uint64_t offset, uint64_t length, bool exclusive)
{
    struct flock request = LockRequest(LockType(*this, exclusive), offset, length);
    if (::fcntl(mFd, F_OFD_SETLK, &request) == 0)
        return true;
    if (errno == EAGAIN || errno == EACCES)
        return false;
    RaiseIo("Locking", mName, errno);
}

void File::Lock(uint64_t offset, uint64_t length, bool exclusive)
{
    struct flock request = LockRequest(LockType(*this, exclusive), offset, length);
    while (::fcntl(mFd, F_OFD_SETLKW, &request) != 0) {
        if (errno != EINTR)
            RaiseIo("Locking", mName, errno);
    }
}

void File::Unlock(uint64_t offset, uint64_t length)
{
    struct flock request = LockRequest(F_UNLCK, offset, length);
    if (::fcntl(mFd, F_OFD_SETLK, &request) != 0)
        RaiseIo("Unlocking", mName, errno);
}

ScopedLock::ScopedLock(File& file, uint64_t offset, bool exclusive) : mFile(file), mOffset(offset)
{
    mFile.Lock(offset, 1, exclusive);
}

ScopedLock::~ScopedLock()
{
    try {
        mFile.Unlock(mOffset, 1);
    } catch (const StorageError&) {
        // The descriptor is going away with its locks in that case.
    }
}

std::string FileSystemName(std::string_view ansiName)
{
    return codepage::ToUtf8(codepage::CodePage::Ansi1252, ansiName);
}

bool FileExists(const std::string& utf8Path)
{
    struct stat info{};
    return ::stat(utf8Path.c_str(), &info) == 0;
}

namespace {

bool EqualIgnoringAsciiAndLatinCase(const std::string& a, const std::string& b)
{
    // Compare through Windows-1252 so that accented letters fold as well.
    std::string fa = codepage::UpperCase(codepage::CodePage::Ansi1252,
                                         codepage::FromUtf8(codepage::CodePage::Ansi1252, a));
    std::string fb = codepage::UpperCase(codepage::CodePage::Ansi1252,
                                         codepage::FromUtf8(codepage::CodePage::Ansi1252, b));
    return fa == fb;
}

// The entry of `folder` that matches `component` without regard to case, or
// "" when none does.
std::string MatchInFolder(const std::string& folder, const std::string& component)
{
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return {};
    std::string found;
    int matches = 0;
    while (dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name == component) {
            found = name;
            matches = 1;
            break;
        }
        if (EqualIgnoringAsciiAndLatinCase(name, component)) {
            found = name;
            ++matches;
        }
    }
    ::closedir(dir);
    if (matches > 1)
        throw StorageError(kErrFileNotFound, "The name " + component + " in " + folder
                                                 + " matches several files that differ only in case.");
    return found;
}

} // namespace

std::string ResolvePathCase(const std::string& utf8Path)
{
    if (utf8Path.empty() || FileExists(utf8Path))
        return utf8Path;
    std::string resolved = utf8Path[0] == '/' ? "/" : "";
    size_t pos = utf8Path[0] == '/' ? 1 : 0;
    while (pos <= utf8Path.size()) {
        size_t end = utf8Path.find('/', pos);
        if (end == std::string::npos)
            end = utf8Path.size();
        std::string component = utf8Path.substr(pos, end - pos);
        pos = end + 1;
        if (component.empty() || component == "." || component == "..") {
            if (!component.empty())
                resolved += component + (end < utf8Path.size() ? "/" : "");
            continue;
        }
        std::string candidate = resolved + component;
        if (!FileExists(candidate)) {
            std::string match = MatchInFolder(resolved, component);
            if (match.empty()) {
                // The rest does not exist yet (a table about to be created):
                // keep what was found and the remaining components as written.
                return resolved + utf8Path.substr(end - component.size());
            }
            candidate = resolved + match;
        }
        resolved = candidate + (end < utf8Path.size() ? "/" : "");
    }
    return resolved;
}

void RenameFile(const std::string& from, const std::string& to)
{
    if (::rename(from.c_str(), to.c_str()) != 0)
        RaiseIo("Renaming " + from + " to", to, errno);
}

void RemoveFile(const std::string& utf8Path)
{
    if (::unlink(utf8Path.c_str()) != 0 && errno != ENOENT)
        RaiseIo("Removing", utf8Path, errno);
}

void LinkFile(const std::string& existing, const std::string& newName)
{
    if (::link(existing.c_str(), newName.c_str()) != 0)
        RaiseIo("Linking " + existing + " as", newName, errno);
}

std::string TemporarySibling(const std::string& utf8Path)
{
    static std::atomic<unsigned> counter{0};
    return utf8Path + ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter++);
}

void ReplaceFileWith(const std::string& utf8Path, const std::string& image)
{
    const std::string temporary = TemporarySibling(utf8Path);
    try {
        File file = File::CreateNew(temporary);
        file.WriteAt(0, image.data(), image.size());
        file.Sync();
        file.Close();
        RenameFile(temporary, utf8Path);
    } catch (...) {
        RemoveFile(temporary);
        throw;
    }
}

bool TryWriteByte(const std::string& utf8Path, uint64_t offset, char value)
{
    try {
        File file = File::Open(utf8Path, true);
        file.WriteAt(offset, &value, 1);
        return true;
    } catch (const StorageError&) {
        return false;
    }
}

} // namespace storage
