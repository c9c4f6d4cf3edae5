#include "engine/backup/checked_copy.h"

#include "engine/backup/folders.h"
#include "engine/core/errors.h"
#include "engine/engine.h"

#include <xxhash.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace backup {

namespace {

constexpr size_t kChunk = size_t(8) << 20;

[[noreturn]] void Raise(const std::string& what, const std::string& utf8Path, int error)
{
    uint32_t code = error == ENOSPC || error == EDQUOT ? AE_DISK_FULL
                    : error == ENOENT                  ? AE_FILE_NOT_FOUND
                                                       : AE_FILE_IO;
    std::string text = code == AE_DISK_FULL ? "The disk is full: " + what + " " + Shown(utf8Path) + " failed."
                                            : what + " " + Shown(utf8Path) + " failed: " + std::strerror(error);
    throw engine::EngineError(code, text);
}

class Descriptor {
public:
    Descriptor(const std::string& path, int flags, const char* what) : mPath(path)
    {
        mFd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
        if (mFd < 0)
            Raise(what, path, errno);
    }
    ~Descriptor()
    {
        if (mFd >= 0)
            ::close(mFd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Fd() const { return mFd; }

    void CloseChecked()
    {
        int fd = mFd;
        mFd = -1;
        if (::close(fd) != 0)
            Raise("Closing", mPath, errno);
    }

private:
    std::string mPath;
    int mFd = -1;
};

size_t ReadFully(int fd, uint64_t offset, char* data, size_t size, const std::string& path)
{
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::pread(fd, data + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            Raise("Reading", path, errno);
        if (n == 0)
            break;
        done += static_cast<size_t>(n);
    }
    return done;
}

void WriteFully(int fd, uint64_t offset, const char* data, size_t size, const std::string& path)
{
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            Raise("Writing", path, errno);
        done += static_cast<size_t>(n);
    }
}

// Moves one chunk from `in` to `out` in the kernel; 0 at the end of the
// source, -1 when the file systems cannot do it (then the caller copies
// through memory).
ssize_t CopyChunkInKernel(int in, int out, uint64_t offset, size_t size, const std::string& path)
{
    loff_t inOffset = static_cast<loff_t>(offset), outOffset = static_cast<loff_t>(offset);
    for (;;) {
        ssize_t n = ::copy_file_range(in, &inOffset, out, &outOffset, size, 0);
        if (n >= 0)
            return n;
        if (errno == EINTR)
            continue;
        if (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP || errno == EBADF)
            return -1;
        Raise("Writing", path, errno);
    }
}

struct HashState {
    HashState() : state(XXH3_createState()) { XXH3_64bits_reset(state); }
    ~HashState() { XXH3_freeState(state); }
    HashState(const HashState&) = delete;
    HashState& operator=(const HashState&) = delete;
    XXH3_state_t* state;
};

} // namespace

std::string ChecksumText(uint64_t hash)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

std::string ChecksumOf(const std::string& bytes)
{
    return ChecksumText(XXH3_64bits(bytes.data(), bytes.size()));
}

CopyResult CopyWithChecksum(const std::string& from, const std::string& to, const Advance& advance, uint64_t limit,
                            Durability durability)
{
    Descriptor in(from, O_RDONLY, "Reading");
    ::posix_fadvise(in.Fd(), 0, 0, POSIX_FADV_SEQUENTIAL);
    HashState hash;
    std::unique_ptr<char[]> buffer(new char[kChunk]);
    uint64_t offset = 0;
    try {
        Descriptor out(to, O_RDWR | O_CREAT | O_EXCL, "Creating");
        bool inKernel = true;
        while (offset < limit) {
            size_t want = static_cast<size_t>(std::min<uint64_t>(kChunk, limit - offset));
            ssize_t copied = inKernel ? CopyChunkInKernel(in.Fd(), out.Fd(), offset, want, to) : -1;
            size_t got;
            if (copied < 0) {
                inKernel = false;
                got = ReadFully(in.Fd(), offset, buffer.get(), want, from);
                WriteFully(out.Fd(), offset, buffer.get(), got, to);
            } else {
                got = static_cast<size_t>(copied);
                // Checksum what the copy holds: read it back.
                if (ReadFully(out.Fd(), offset, buffer.get(), got, to) != got)
                    Raise("Reading back", to, EIO);
            }
            if (got == 0)
                break;
            XXH3_64bits_update(hash.state, buffer.get(), got);
            // Start writing the finished part out now, so the sync at the end
            // has less left to wait for.
            ::sync_file_range(out.Fd(), static_cast<off_t>(offset), static_cast<off_t>(got), SYNC_FILE_RANGE_WRITE);
            offset += got;
            if (advance)
                advance(got);
        }
        if (durability == Durability::SyncNow && ::fsync(out.Fd()) != 0)
            Raise("Syncing", to, errno);
        out.CloseChecked();
    } catch (...) {
        ::unlink(to.c_str());
        throw;
    }
    return {offset, ChecksumText(XXH3_64bits_digest(hash.state))};
}

void SyncFile(const std::string& utf8Path)
{
    Descriptor file(utf8Path, O_RDONLY, "Opening");
    if (::fsync(file.Fd()) != 0)
        Raise("Syncing", utf8Path, errno);
}

std::string FileChecksum(const std::string& utf8Path)
{
    Descriptor in(utf8Path, O_RDONLY, "Reading");
    HashState hash;
    std::unique_ptr<char[]> buffer(new char[kChunk]);
    uint64_t offset = 0;
    for (;;) {
        size_t got = ReadFully(in.Fd(), offset, buffer.get(), kChunk, utf8Path);
        if (got == 0)
            break;
        XXH3_64bits_update(hash.state, buffer.get(), got);
        offset += got;
    }
    return ChecksumText(XXH3_64bits_digest(hash.state));
}

} // namespace backup
