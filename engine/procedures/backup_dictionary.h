// Backups and restores of data dictionaries: the dictionary file and its
// tables, kept in their layout relative to the dictionary.
#pragma once

#include "engine/backup/backup_run.h"

#include <string>
#include <vector>

namespace engine {

// Backs up the dictionary of the calling statement's connection into
// `destinationFolder` (8-bit text).
std::vector<backup::TableSummary> BackupCallingDictionary(const std::string& destinationFolder);
// Restores the backup whose dictionary file is `sourceDictionary` into the
// dictionary file `destinationDictionary` (8-bit texts, full file names).
std::vector<backup::TableSummary> RestoreDictionary(const std::string& sourceDictionary, const std::string& password,
                                                    const std::string& destinationDictionary);

} // namespace engine
