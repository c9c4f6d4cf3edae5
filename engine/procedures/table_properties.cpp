// sp_ModifyTableProperty(table, property, value, validate option, fail
// table): changes a property of a dictionary table.
//
// Properties: TABLE_PRIMARY_KEY and TABLE_DEFAULT_INDEX, whose value names
// an index (tag) of the table, or is NULL/empty to clear the property.
// Checking the existing records against a new primary key is not done by
// this engine: the validate option must be NO_VALIDATE (or NULL) for the
// primary key, and the fail table must be NULL. A property that already has
// the value asked for is reported with native error 5132 (nothing changed).
#include "engine/core/connection.h"
#include "engine/core/errors.h"
#include "engine/core/open_table.h"
#include "engine/core/statement_registry.h"
#include "engine/dictionary/dictionary.h"
#include "engine/index/index_file.h"
#include "engine/index/index_order.h"
#include "engine/procedures/procedure_groups.h"
#include "engine/sql/sql_error.h"
#include "engine/storage/file_io.h"

#include <strings.h>

namespace engine {

namespace {

constexpr const char* kProcedure = "sp_ModifyTableProperty";
constexpr uint32_t kNothingChanged = 5132;

std::string TextOf(const sql::Value& value)
{
    return value.null ? std::string() : sql::ConvertTo(value, sql::DataType::String).text;
}

bool Same(const std::string& a, const std::string& b)
{
    return strcasecmp(a.c_str(), b.c_str()) == 0;
}

std::shared_ptr<Connection> CallingDictionaryConnection()
{
    RunningStatement* statement = CurrentStatement();
    std::shared_ptr<HandleObject> object =
        statement ? HandleRegistry::Instance().Find(statement->Connection()) : nullptr;
    auto connection = std::dynamic_pointer_cast<Connection>(object);
    if (!connection)
        throw EngineError(AE_NO_CONNECTION, std::string(kProcedure) + " needs the connection of a running statement.");
    connection->RequireDictionary(kProcedure);
    return connection;
}

bool HasTag(const std::vector<std::shared_ptr<indexing::IndexFile>>& files, const std::string& index)
{
    for (const auto& file : files)
        if (file->FindTag(index))
            return true;
    return false;
}

// Whether the table has an index of that name: looked up in the index files
// already open in this process (the table may be open exclusively, as right
// after it was made), else by opening the table.
bool TableHasIndex(ADSHANDLE hConnect, const dd::TableEntry& table, const std::string& index)
{
    std::string file = storage::ResolvePathCase(storage::FileSystemName(table.path));
    if (HasTag(indexing::IndexFile::OpenFor(file), index))
        return true;
    TableRequest request;
    request.name = table.name;
    request.options = ADS_READONLY;
    ADSHANDLE handle = OpenTableCursor(hConnect, request, kProcedure);
    bool found = false;
    {
        std::shared_ptr<Cursor> cursor = LookUp<Cursor>(handle, kProcedure);
        std::lock_guard<std::mutex> lock(cursor->Mutex());
        for (const auto& order : cursor->Orders())
            found = found || Same(order->SharedTag()->Name(), index);
    }
    CloseCursor(handle, kProcedure);
    return found;
}

void CheckOptions(const std::string& property, const std::string& validate, const std::string& failTable)
{
    if (!failTable.empty())
        throw EngineError(AE_NOT_YET_SUPPORTED, std::string(kProcedure) + " is not yet supported by this engine "
                                                    "with a fail table (" + failTable + ").");
    bool noValidate = validate.empty() || Same(validate, "NO_VALIDATE");
    if (!noValidate && !Same(validate, "VALIDATE") && !Same(validate, "RETURN_ERRORS") && !Same(validate, "APPEND_FAIL"))
        throw EngineError(AE_INVALID_ARGUMENT, std::string(kProcedure) + ": the validate option " + validate
                                                   + " is not NO_VALIDATE, VALIDATE, RETURN_ERRORS or APPEND_FAIL.");
    if (!noValidate && Same(property, "TABLE_PRIMARY_KEY"))
        throw EngineError(AE_NOT_YET_SUPPORTED, std::string(kProcedure) + " is not yet supported by this engine "
                                                    "with the validate option " + validate
                                                    + " for TABLE_PRIMARY_KEY; use NO_VALIDATE.");
}

std::vector<std::vector<sql::Value>> ModifyTableProperty(const std::vector<sql::Value>& args)
{
    std::shared_ptr<Connection> connection = CallingDictionaryConnection();
    std::string tableName = TextOf(args[0]);
    std::string property = TextOf(args[1]);
    std::string value = TextOf(args[2]);
    bool primaryKey = Same(property, "TABLE_PRIMARY_KEY");
    if (!primaryKey && !Same(property, "TABLE_DEFAULT_INDEX"))
        throw EngineError(AE_INVALID_ARGUMENT, std::string(kProcedure) + ": the table property \"" + property
                                                   + "\" is not known; this engine changes TABLE_PRIMARY_KEY and "
                                                     "TABLE_DEFAULT_INDEX.");
    CheckOptions(property, TextOf(args[3]), TextOf(args[4]));
    dd::Dictionary& dictionary = *connection->DataDictionary();
    dd::TableEntry table = dictionary.Table(tableName);
    const std::string& current = primaryKey ? table.primaryKey : table.defaultIndex;
    if (Same(current, value))
        throw sql::SqlError(kNothingChanged, "The property " + property + " of the table " + table.name
                                                 + " is already \"" + value + "\"; nothing was changed");
    if (!value.empty() && !TableHasIndex(connection->Handle(), table, value))
        throw EngineError(AE_INDEX_NOT_FOUND, std::string(kProcedure) + ": the table " + table.name
                                                  + " has no index named " + value + ".");
    if (primaryKey)
        dictionary.SetPrimaryKey(table.name, value);
    else
        dictionary.SetDefaultIndex(table.name, value);
    return {};
}

} // namespace

void RegisterTablePropertyProcedures(sql::ProcedureRegistry& registry)
{
    registry.Register({kProcedure, 5, {}, ModifyTableProperty});
}

} // namespace engine
