// sp_setapplicationid / sp_getapplicationid: a text each connection may
// name itself by. It lives as long as the connection: entries of closed
// connections are dropped whenever an id is set.
#include "engine/core/connection.h"
#include "engine/core/errors.h"
#include "engine/core/statement_registry.h"
#include "engine/procedures/procedure_groups.h"

#include <map>
#include <mutex>

namespace engine {

namespace {

constexpr uint32_t kIdLength = 300;

struct Entry {
    std::weak_ptr<HandleObject> connection;
    std::string id;
};

std::mutex gMutex;
std::map<ADSHANDLE, Entry> gIds;

// The connection of the statement calling the procedure.
std::shared_ptr<HandleObject> CallingConnection(const char* procedure)
{
    RunningStatement* statement = CurrentStatement();
    std::shared_ptr<HandleObject> connection =
        statement ? HandleRegistry::Instance().Find(statement->Connection()) : nullptr;
    if (!connection || connection->Kind() != HandleKind::Connection)
        throw EngineError(AE_NO_CONNECTION, std::string(procedure) + " needs the connection of a running statement.");
    return connection;
}

void DropClosedConnections()
{
    for (auto it = gIds.begin(); it != gIds.end();)
        it = it->second.connection.expired() ? gIds.erase(it) : std::next(it);
}

std::vector<std::vector<sql::Value>> SetId(const std::vector<sql::Value>& args)
{
    std::shared_ptr<HandleObject> connection = CallingConnection("sp_setapplicationid");
    std::string id = args[0].null ? std::string() : sql::ConvertTo(args[0], sql::DataType::String).text;
    if (id.size() > kIdLength)
        throw EngineError(AE_INVALID_ARGUMENT, "sp_setapplicationid: the application id is longer than "
                                                   + std::to_string(kIdLength) + " characters.");
    std::lock_guard<std::mutex> lock(gMutex);
    DropClosedConnections();
    gIds[connection->Handle()] = {connection, id};
    return {};
}

std::vector<std::vector<sql::Value>> GetId(const std::vector<sql::Value>&)
{
    std::shared_ptr<HandleObject> connection = CallingConnection("sp_getapplicationid");
    std::lock_guard<std::mutex> lock(gMutex);
    auto it = gIds.find(connection->Handle());
    bool known = it != gIds.end() && it->second.connection.lock() == connection;
    return {{sql::Value::String(known ? it->second.id : std::string())}};
}

} // namespace

void RegisterApplicationIdProcedures(sql::ProcedureRegistry& registry)
{
    registry.Register({"sp_setapplicationid", 1, {}, SetId});
    registry.Register({"sp_getapplicationid", 0, {{"ApplicationID", sql::DataType::String, kIdLength}}, GetId});
}

} // namespace engine
