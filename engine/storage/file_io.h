// File access of the storage layer: an owning file descriptor with exact
// positional reads and writes, open-file-description byte-range locks, and the
// conversion of the engine's 8-bit file names to the file system's UTF-8.
//
// Every failure raises StorageError naming the file. Locks are Linux OFD
// locks: they belong to the open file description, so two File objects on the
// same file conflict even inside one process, and closing one descriptor never
// drops the locks of another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace storage {

// Offsets in the lock space of a table file. They lie far beyond any real
// file size, so locking them never blocks I/O on the data.
namespace lockspace {
constexpr uint64_t kBase = uint64_t(1) << 62;
constexpr uint64_t kOpen = kBase;        // read lock: shared open; write lock: exclusive open
constexpr uint64_t kHeader = kBase + 1;  // write lock while appending or updating headers
constexpr uint64_t kTable = kBase + 2;   // read lock: holds record locks; write lock: table lock
constexpr uint64_t kIndexes = kBase + 3; // write lock while changing the table's index files
constexpr uint64_t kRecords = kBase + 16;
inline uint64_t Record(uint32_t recno) { return kRecords + recno; }
} // namespace lockspace

class File {
public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Opens an existing file (UTF-8 name). `writable` false opens read-only.
    static File Open(const std::string& name, bool writable);
    // Creates a new file; an existing one is an error (kErrAlreadyExists).
    static File CreateNew(const std::string& name);

    bool IsOpen() const { return mFd >= 0; }
    const std::string& Name() const { return mName; }
    bool Writable() const { return mWritable; }
    int Descriptor() const { return mFd; }
    void Close();

    uint64_t Size() const;
    // Reads exactly `size` bytes at `offset`; a short read is kErrCorruptTable
    // with `what` naming the part that was cut off.
    void ReadAt(uint64_t offset, void* data, size_t size, const char* what = "data") const;
    // Reads up to `size` bytes; returns how many were there.
    size_t ReadSomeAt(uint64_t offset, void* data, size_t size) const;
    void WriteAt(uint64_t offset, const void* data, size_t size);
    void Truncate(uint64_t size);
    void Sync();

    // Byte-range locks on [offset, offset + length). TryLock returns false on
    // a conflict; Lock waits for it to go away.
    bool TryLock(uint64_t offset, uint64_t length, bool exclusive);
    void Lock(uint64_t offset, uint64_t length, bool exclusive);
    void Unlock(uint64_t offset, uint64_t length);

    // Marks the name as no longer the file's: after a rename the object keeps
    // reporting errors under the new name.
    void SetName(const std::string& name) { mName = name; }

private:
    int mFd = -1;
    bool mWritable = false;
    std::string mName;
};

// Holds a blocking lock for a scope.
class ScopedLock {
public:
    ScopedLock(File& file, uint64_t offset, bool exclusive);
    ~ScopedLock();
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

private:
    File& mFile;
    uint64_t mOffset;
};

// 8-bit Windows-1252 file name -> UTF-8 name for the file system.
std::string FileSystemName(std::string_view ansiName);

// `utf8Path` with each component replaced by the existing file or folder that
// matches it without regard to case. From the first component that matches
// nothing on, the rest is kept as written (a file about to be created). A
// path that exists as written is returned unchanged; an ambiguous match
// raises kErrFileNotFound.
std::string ResolvePathCase(const std::string& utf8Path);

bool FileExists(const std::string& utf8Path);
// Replaces `to` by `from` atomically (rename); raises kErrFileIo on failure.
void RenameFile(const std::string& from, const std::string& to);
void RemoveFile(const std::string& utf8Path); // missing file is not an error
// A second name for an existing file (hard link); raises kErrFileIo.
void LinkFile(const std::string& existing, const std::string& newName);
// A name for a temporary file in the same folder as `utf8Path`.
std::string TemporarySibling(const std::string& utf8Path);

// Replaces the file at `utf8Path` by `image` as a whole: written to a
// temporary sibling, synced, then renamed over it. On failure the old file
// is untouched and the temporary file removed; the error propagates.
void ReplaceFileWith(const std::string& utf8Path, const std::string& image);

// Writes one byte at `offset` of an existing file, as a best-effort mark (a
// "changed since saved" flag). Returns false when the byte cannot be written;
// callers whose later save would fail as well rely on that save to notice.
bool TryWriteByte(const std::string& utf8Path, uint64_t offset, char value);

} // namespace storage
