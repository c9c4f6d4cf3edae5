// The table locks a backup and a restore hold, on the lock bytes every open
// of the table takes (engine/FORMAT.md, "Writing order and sharing").
#pragma once

#include "engine/storage/file_io.h"

#include <functional>
#include <string>

namespace backup {

// Keeps writers out of a table while its files are read: the table lock
// (no record locks, so no record writes) and the append lock (no appends,
// no memo writes), beside a shared open that refuses exclusive opens.
// A file this process may not write can only hold the append lock as a
// reader, which still keeps appends and memo writes out.
class ReadGuard {
public:
    // `checkStop` is called while waiting for other users' locks to go;
    // after `waitSeconds` the table counts as in use.
    ReadGuard(const std::string& dataFile, const std::function<void()>& checkStop, int waitSeconds = 10);

private:
    storage::File mFile;
};

// An exclusive hold on a table's open lock: nobody has the table open,
// and nobody can open it while the hold lasts. Raises AE_TABLE_IN_USE
// naming the table when somebody has it open, AE_FILE_IO when the file
// cannot be opened for writing.
class ExclusiveHold {
public:
    explicit ExclusiveHold(const std::string& dataFile, const std::string& shownTable);

private:
    storage::File mFile;
};

} // namespace backup
