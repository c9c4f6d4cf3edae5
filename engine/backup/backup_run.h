// Writing a backup folder and restoring one: the work behind the backup and
// restore procedures, for free tables and data dictionaries alike.
//
// A backup copies every file of every table (and the dictionary file) into
// a staging folder inside the destination under the table's read guard,
// checksums the copies, writes the manifest, then replaces any older backup
// in the destination in one commit (staging.h). A restore checks the
// manifest, the password and every file's presence and size before it
// writes anything; refuses when a destination table is open anywhere;
// copies every file into a staging folder inside the destination while
// checking its checksum; and only then moves the tables into place, one
// table at a time, each entirely old or entirely new whatever happens.
// Failures raise engine::EngineError naming the file; a failed, aborted or
// timed-out run leaves the destination as it was.
#pragma once

#include "engine/backup/manifest.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace backup {

// One table to back up: its files relative to the source root.
struct SourceTable {
    std::string name;                   // relative path without extension
    std::vector<std::string> files;     // relative paths, data files first
    std::vector<std::string> dataFiles; // the files whose locks guard the table
};

struct BackupRequest {
    BackupKind kind = BackupKind::FreeTables;
    std::string sourceRoot;  // UTF-8 folder the relative names start from
    std::string sourceShown; // as the caller named it
    std::vector<SourceTable> tables;
    std::string dictionary;  // relative name of the dictionary file (Dictionary kind)
    std::string destination; // UTF-8 folder, created when missing
    std::string password;    // empty: none
};

struct RestoreRequest {
    BackupKind expected = BackupKind::FreeTables;
    std::string source;      // UTF-8 backup folder
    std::string destination; // UTF-8 folder, created when missing
    std::string password;
    // When set, checks the password instead of the manifest's verifier
    // (before anything is written); raises to refuse.
    std::function<void(const Manifest&)> passwordCheck;
    // Backed-up files restored under another name (relative names).
    std::map<std::string, std::string> renames;
};

// What was done, one row per table.
struct TableSummary {
    std::string table;
    uint32_t files = 0;
    uint64_t bytes = 0;
};

std::vector<TableSummary> WriteBackup(const BackupRequest& request);
std::vector<TableSummary> RestoreBackup(const RestoreRequest& request);

} // namespace backup
