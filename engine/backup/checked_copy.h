// Copying a file while taking its checksum, and checksums of files.
//
// The checksum is XXH3 (64 bits) of the file's bytes, written as 16
// lower-case hexadecimal digits. A copy is taken of the bytes as they were
// written to the new file (read back from it), so a matching checksum vouches
// for the copy itself, not only for the source. The copy is a new file
// (never an existing one), synced to disk before the call returns; on any
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

// Copies at most `limit` bytes (all of the file when it is shorter).
CopyResult CopyWithChecksum(const std::string& from, const std::string& to, const Advance& advance,
                            uint64_t limit = UINT64_MAX);
std::string FileChecksum(const std::string& utf8Path);
std::string ChecksumText(uint64_t hash);
std::string ChecksumOf(const std::string& bytes);

} // namespace backup
