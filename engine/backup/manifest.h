// The manifest of a backup folder: what was backed up, from where, when,
// every file with its size and checksum, and the password verifier.
//
// It is a text file (kManifestName) of lines "key value"; the last line,
// "end <checksum>", holds the checksum of every byte before it, so a
// manifest that was cut short or changed is recognised as damaged. Paths
// are relative to the backup folder, with '/' between components. The
// format is described in engine/FORMAT.md.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace backup {

inline constexpr const char* kManifestName = "varnel-backup.manifest";
inline constexpr int kManifestVersion = 1;

struct ManifestFile {
    std::string path; // relative, UTF-8
    uint64_t size = 0;
    std::string checksum;
};

// The files of one table (data, memo, indexes), restored together.
struct ManifestTable {
    std::string name; // relative path of the table without extension
    std::vector<ManifestFile> files;
};

enum class BackupKind { FreeTables, Dictionary };

struct Manifest {
    BackupKind kind = BackupKind::FreeTables;
    std::string created; // UTC, ISO 8601
    std::string source;  // the folder or dictionary backed up, 8-bit as given
    std::string passwordVerifier;
    std::string dictionary; // the dictionary file (Dictionary kind), relative
    std::vector<ManifestTable> tables;

    uint64_t TotalBytes() const;
    std::vector<ManifestFile> AllFiles() const;
};

std::string ManifestText(const Manifest& manifest);
// Raises AE_BACKUP_DAMAGED naming `shownName` for a text that is not a
// complete, unchanged manifest of a known version.
Manifest ParseManifest(const std::string& text, const std::string& shownName);

// Reads the manifest of a backup folder (UTF-8): AE_NOT_A_BACKUP when the
// folder has none.
Manifest ReadManifest(const std::string& folder);

} // namespace backup
