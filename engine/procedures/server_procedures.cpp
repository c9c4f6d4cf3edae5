#include "engine/procedures/server_procedures.h"

#include "engine/core/statement_registry.h"
#include "engine/procedures/procedure_groups.h"

#include <mutex>

namespace engine {

sql::ProcedureRegistry& ServerProcedures()
{
    static sql::ProcedureRegistry registry;
    static std::once_flag filled;
    std::call_once(filled, [] {
        RegisterStatementListProcedure(registry);
        RegisterApplicationIdProcedures(registry);
        RegisterBackupProcedures(registry);
        RegisterTablePropertyProcedures(registry);
    });
    return registry;
}

void RegisterServerProcedure(sql::ProcedureInfo info)
{
    ServerProcedures().Register(std::move(info));
}

void ReportProgress(double percent, std::optional<int32_t> secondsLeft)
{
    if (RunningStatement* statement = CurrentStatement())
        statement->SetProgress(percent, secondsLeft);
}

std::string FitColumn(const std::string& text, uint32_t length)
{
    return text.size() <= length ? text : text.substr(0, length);
}

} // namespace engine
