// Free space checks before a backup or restore writes its copies.
#pragma once

#include <cstdint>
#include <string>

namespace backup {

// Raises AE_DISK_FULL naming the folder when it has less than `bytes` free
// (plus a small margin for the folders and the journal).
void RequireFreeSpace(const std::string& utf8Folder, uint64_t bytes);

} // namespace backup
