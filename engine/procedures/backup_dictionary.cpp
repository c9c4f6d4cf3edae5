// Dictionary backups need the dictionary's list of tables and files, which
// this engine does not read yet: both procedures refuse plainly, before
// anything is written, instead of copying a dictionary without its tables.
#include "engine/procedures/backup_dictionary.h"

#include "engine/core/errors.h"

namespace engine {

std::vector<backup::TableSummary> BackupCallingDictionary(const std::string&)
{
    ThrowNotYetSupported("sp_BackupDatabase", "for data dictionaries");
}

std::vector<backup::TableSummary> RestoreDictionary(const std::string&, const std::string&, const std::string&)
{
    ThrowNotYetSupported("sp_RestoreDatabase", "for data dictionaries");
}

} // namespace engine
