// The backup and restore procedures. Until backups are built they refuse
// every call, so that a restore script fails plainly instead of reporting
// a restore that never happened.
#include "engine/core/errors.h"
#include "engine/procedures/procedure_groups.h"

namespace engine {

namespace {

void RegisterRefusal(sql::ProcedureRegistry& registry, const std::string& name, size_t parameterCount)
{
    registry.Register({name, parameterCount, {}, [name](const std::vector<sql::Value>&) -> std::vector<std::vector<sql::Value>> {
                           ThrowNotYetSupported(name.c_str());
                       }});
}

} // namespace

void RegisterBackupProcedures(sql::ProcedureRegistry& registry)
{
    // (source, destination, options, password)
    RegisterRefusal(registry, "sp_BackupFreeTables", 4);
    // (source, destination, options, password)
    RegisterRefusal(registry, "sp_RestoreFreeTables", 4);
    // (destination, options)
    RegisterRefusal(registry, "sp_BackupDatabase", 2);
    // (source, password, destination, options)
    RegisterRefusal(registry, "sp_RestoreDatabase", 4);
}

} // namespace engine
