// CREATE/DROP TABLE and CREATE/DROP INDEX of the engine's executor.
#include "engine/sql/engine_executor.h"

#include "engine/core/cursor.h"
#include "engine/core/errors.h"
#include "engine/core/open_table.h"
#include "engine/engine.h"
#include "engine/sql/lexer.h"
#include "engine/sql/sql_error.h"
#include "engine/sql/sqlite_values.h"
#include "engine/sql/vtab.h"
#include "engine/storage/file_io.h"

#include <map>
#include <utility>

namespace sql {

namespace {

constexpr const char* kFunction = "a table definition";

// SQL type names and the table-definition type each one makes.
const std::map<std::string, std::string>& DefinitionTypes()
{
    static const std::map<std::string, std::string> kTypes = {
        {"STRING", "Char"},       {"CHAR", "Char"},         {"CHARACTER", "Char"},   {"VARCHAR", "VarChar"},
        {"CICHAR", "CIChar"},     {"NCHAR", "NChar"},       {"NVARCHAR", "NVarChar"}, {"MEMO", "Memo"},
        {"NMEMO", "NMemo"},       {"INTEGER", "Integer"},   {"INT", "Integer"},      {"SHORT", "ShortInt"},
        {"SHORTINT", "ShortInt"}, {"SMALLINT", "ShortInt"}, {"LONG", "LongInt"},     {"BIGINT", "LongInt"},
        {"AUTOINC", "AutoInc"},   {"DOUBLE", "Double"},     {"FLOAT", "Double"},     {"REAL", "Double"},
        {"NUMERIC", "Numeric"},   {"DECIMAL", "Numeric"},   {"MONEY", "Money"},      {"CURRENCY", "Money"},
        {"CURDOUBLE", "CurDouble"}, {"LOGICAL", "Logical"}, {"BOOLEAN", "Logical"},  {"DATE", "Date"},
        {"TIME", "Time"},         {"TIMESTAMP", "TimeStamp"}, {"DATETIME", "TimeStamp"}, {"MODTIME", "ModTime"},
        {"BLOB", "Blob"},         {"BINARY", "Binary"},     {"VARBINARY", "VarBinary"}, {"RAW", "Raw"},
        {"IMAGE", "Image"},
    };
    return kTypes;
}

std::string DefinitionEntry(const ColumnDefinition& column)
{
    if (column.name.find_first_of(",;") != std::string::npos)
        throw SqlError(kValue, "The column name " + column.name + " holds a comma or semicolon");
    std::string upper = UpperCased(column.type.name);
    auto it = DefinitionTypes().find(upper);
    if (it == DefinitionTypes().end())
        throw SqlError(kTypeMismatch, "The type " + column.type.name + " of column " + column.name
                                          + " is no column type");
    std::string type = it->second;
    // A sized FLOAT is the DBF float column; an unsized STRING a memo.
    if (upper == "FLOAT" && column.type.length > 0)
        type = "Float";
    if (upper == "STRING" && column.type.length == 0)
        type = "Memo";
    std::string entry = column.name + "," + type;
    if (column.type.length > 0)
        entry += "," + std::to_string(column.type.length);
    if (column.type.decimals > 0)
        entry += "," + std::to_string(column.type.decimals);
    return entry + ";";
}

// Raises the engine's error of a C-interface call that failed.
void Check(UNSIGNED32 result)
{
    if (result != AE_SUCCESS)
        throw engine::EngineError(result, engine::ThreadLastError().text);
}

class OpenTable {
public:
    explicit OpenTable(ADSHANDLE handle) : mHandle(handle) {}
    ~OpenTable()
    {
        if (mHandle != 0) {
            try {
                engine::CloseCursor(mHandle, kFunction);
            } catch (...) {
            }
        }
    }
    OpenTable(const OpenTable&) = delete;
    OpenTable& operator=(const OpenTable&) = delete;
    ADSHANDLE Handle() const { return mHandle; }
    // Hands the handle over (a call that closes the table itself).
    ADSHANDLE Release() { return std::exchange(mHandle, 0); }
    void Close() { engine::CloseCursor(Release(), kFunction); }

private:
    ADSHANDLE mHandle;
};

// The key expression term of one column of an index on several columns:
// every term a text, so that the terms concatenate.
std::string KeyTerm(const storage::FieldDesc& field)
{
    using namespace storage::ft;
    switch (field.type) {
    case Numeric: return "STR(" + field.name + "," + std::to_string(field.length) + "," + std::to_string(field.decimals) + ")";
    case Integer: case AutoInc: case ShortInt: return "STR(" + field.name + ",11)";
    case Date: return "DTOS(" + field.name + ")";
    default:
        if (IsCharacterType(field.type) && !storage::IsMemoType(field.type))
            return field.name;
        throw SqlError(kTypeMismatch, "The column " + field.name + " cannot be part of an index on several columns");
    }
}

// An index on several columns: on the engine's own format a segment list,
// each column a segment of its own type (so the leading columns alone can
// still seek); on the xBase formats one concatenated text key.
std::string KeyExpression(const engine::Cursor& cursor, const DefinitionStatement& statement, bool segmentList)
{
    std::vector<const storage::FieldDesc*> fields;
    for (const std::string& name : statement.keyColumns) {
        int index = cursor.Layout().FieldIndex(name);
        if (index < 0)
            throw SqlError(kUnknownName, "The table " + statement.table + " has no column " + name);
        fields.push_back(&cursor.Layout().Field(static_cast<size_t>(index)));
    }
    if (fields.size() == 1)
        return fields.front()->name;
    std::string expression;
    for (const auto* field : fields)
        expression += segmentList ? (expression.empty() ? "" : ";") + field->name
                                  : (expression.empty() ? "" : "+") + KeyTerm(*field);
    return expression;
}

} // namespace

ADSHANDLE EngineExecutor::OpenNamedTable(const std::string& table, bool exclusive) const
{
    engine::TableRequest request;
    request.name = table;
    request.tableType = TableTypeForName(mSettings.connection, mSettings.tableType, table);
    request.charType = mSettings.charType == 0 ? ADS_ANSI : mSettings.charType;
    request.lockType = mSettings.lockType;
    request.checkRights = mSettings.checkRights == 0 ? ADS_CHECKRIGHTS : mSettings.checkRights;
    request.options = exclusive ? ADS_EXCLUSIVE : 0;
    try {
        return engine::OpenTableCursor(mSettings.connection, request, kFunction);
    } catch (const std::exception& error) {
        if (!IsMissingTable(error))
            throw;
        throw SqlError(kUnknownTable, "The table " + table + " does not exist (" + error.what() + ")");
    }
}

void EngineExecutor::CreateTable(const DefinitionStatement& statement)
{
    engine::CreateRequest request;
    request.table.name = statement.table;
    request.table.tableType = TableTypeForName(mSettings.connection, mSettings.tableType, statement.table);
    request.table.charType = mSettings.charType == 0 ? ADS_ANSI : mSettings.charType;
    for (const ColumnDefinition& column : statement.columns)
        request.definition += DefinitionEntry(column);
    storage::TableKind kind = engine::TableKindFor(mSettings.connection, request.table.tableType, kFunction);
    std::string path = engine::TablePathOn(mSettings.connection, statement.table, kFunction);
    bool hasExtension = path.find('.', path.find_last_of('/') + 1) != std::string::npos;
    if (!hasExtension)
        path += kind == storage::TableKind::ADT ? ".adt" : ".dbf";
    if (storage::FileExists(storage::FileSystemName(path)))
        throw engine::EngineError(AE_ALREADY_EXISTS, "CREATE TABLE: the table " + statement.table
                                                          + " already exists; drop it first to replace it.");
    OpenTable created(engine::CreateTableCursor(mSettings.connection, request, kFunction));
    created.Close();
}

void EngineExecutor::DropTable(const DefinitionStatement& statement)
{
    OpenTable table(OpenNamedTable(statement.table, true));
    Check(AdsDeleteTable(table.Release()));
}

void EngineExecutor::CreateIndex(const DefinitionStatement& statement)
{
    OpenTable table(OpenNamedTable(statement.table, false));
    UNSIGNED16 tableType = 0;
    Check(AdsGetTableType(table.Handle(), &tableType));
    std::string expression;
    {
        auto cursor = engine::LookUp<engine::Cursor>(table.Handle(), kFunction);
        std::lock_guard<std::mutex> lock(cursor->Mutex());
        expression = KeyExpression(*cursor, statement, tableType == ADS_ADT);
    }
    UNSIGNED32 options = ADS_COMPOUND | (statement.unique ? ADS_CANDIDATE : 0);
    ADSHANDLE index = 0;
    Check(AdsCreateIndex90(table.Handle(), nullptr, statement.index.c_str(), expression.c_str(), "", "", options, 0,
                           "", &index));
    table.Close();
}

void EngineExecutor::DropIndex(const DefinitionStatement& statement)
{
    OpenTable table(OpenNamedTable(statement.table, true));
    ADSHANDLE index = 0;
    Check(AdsGetIndexHandle(table.Handle(), statement.index.c_str(), &index));
    Check(AdsDeleteIndex(index));
    table.Close();
}

} // namespace sql
