// Copying a file while taking its checksum, and checksums of files.
//
// The checksum is XXH3 (64 bits) of the file's bytes, written as 16
// lower-case hexadecimal digits. A copy is taken of the bytes as they were
// written to the new file (read back from it), so a matching checksum vouches
// for the copy itself, not only for the source. The copy is a new file
// (never an existing one), synced to disk before the call returns unless
// the caller syncs it later; on any
// failure it is removed.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace backup {

// Called with the bytes done since the last call; may throw to stop.
using Advance = std::function<void(uint64_t bytes)>;

struct CopyResult {
    uint64_t size = 0;
    std::string checksum;
};

enum class Durability { SyncNow, SyncLater };

// Copies at most `limit` bytes (all of the file when it is shorter). With
// SyncLater the copy's write-out is only started; the caller syncs it with
// SyncFile before relying on it (so that the disk works while later files
// are copied).
CopyResult CopyWithChecksum(const std::string& from, const std::string& to, const Advance& advance,
                            uint64_t limit = UINT64_MAX, Durability durability = Durability::SyncNow);
// Forces a file's data to disk.
void SyncFile(const std::string& utf8Path);
std::string FileChecksum(const std::string& utf8Path);
std::string ChecksumText(uint64_t hash);
std::string ChecksumOf(const std::string& bytes);

} // namespace backup
