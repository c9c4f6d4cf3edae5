#include "engine/backup/space.h"

#include "engine/backup/folders.h"
#include "engine/core/errors.h"
#include "engine/engine.h"

#include <sys/statvfs.h>

namespace backup {

void RequireFreeSpace(const std::string& utf8Folder, uint64_t bytes)
{
    struct statvfs info{};
    if (::statvfs(utf8Folder.c_str(), &info) != 0)
        return; // unknown: the writes themselves report a full disk
    uint64_t available = static_cast<uint64_t>(info.f_bavail) * info.f_frsize;
    uint64_t needed = bytes + (uint64_t(1) << 20);
    if (available < needed)
        throw engine::EngineError(AE_DISK_FULL, "The disk is full: " + Shown(utf8Folder) + " has "
                                                    + std::to_string(available) + " bytes free, "
                                                    + std::to_string(needed) + " are needed.");
}

} // namespace backup
