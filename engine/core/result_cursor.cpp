#include "engine/core/result_cursor.h"

#include "engine/core/connection.h"
#include "engine/core/errors.h"
#include "engine/storage/storage_error.h"

#include <cstdlib>
#include <filesystem>
#include <limits>

namespace engine {

namespace {

constexpr const char* kTableBase = "result";

std::string TemporaryBase()
{
    const char* base = std::getenv("TMPDIR");
    return base && *base ? base : "/tmp";
}

// A new folder only this process may enter.
std::string MakePrivateFolder()
{
    std::string pattern = TemporaryBase() + "/varnel-result-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr)
        throw EngineError(AE_FILE_IO, "The engine could not create a folder for a statement's result in "
                                          + TemporaryBase() + ".");
    return pattern;
}

std::string ColumnType(const sql::ResultColumn& column)
{
    if (!column.definition.empty())
        return column.definition;
    using sql::DataType;
    switch (column.type) {
    case DataType::String: return column.length > 0 ? "Char," + std::to_string(column.length) : "Memo";
    case DataType::Integer: return "Integer";
    case DataType::Double: return "Double," + std::to_string(column.decimals);
    case DataType::Logical: return "Logical";
    case DataType::Date: return "Date";
    case DataType::Time: return "Time";
    case DataType::TimeStamp: return "TimeStamp";
    case DataType::Binary: return "Blob";
    case DataType::Null: return "Memo";
    }
    return "Memo";
}

int32_t CheckedInteger(const sql::Value& value, const sql::ResultColumn& column)
{
    if (value.integer < std::numeric_limits<int32_t>::min() || value.integer > std::numeric_limits<int32_t>::max())
        throw EngineError(AE_VALUE, "The value " + std::to_string(value.integer) + " of column \"" + column.name
                                        + "\" does not fit a 32-bit integer column of the result.");
    return static_cast<int32_t>(value.integer);
}

// A result keeps the autoincrement values of its source rows; a table gives
// its own only to records appended through its write paths.
void WriteAutoincValue(const storage::RecordLayout& layout, size_t field, uint8_t* image, const sql::Value& value)
{
    if (value.integer < 0 || value.integer > std::numeric_limits<uint32_t>::max())
        throw EngineError(AE_VALUE, "The value " + std::to_string(value.integer) + " of column \""
                                        + layout.Fields()[field].name + "\" does not fit an autoincrement column.");
    const auto number = static_cast<uint32_t>(value.integer);
    const uint8_t bytes[4] = {uint8_t(number), uint8_t(number >> 8), uint8_t(number >> 16), uint8_t(number >> 24)};
    layout.SetRaw(field, image, bytes, sizeof bytes);
}

void WriteValue(storage::Table& table, size_t field, uint8_t* image, const sql::Value& given,
                const sql::ResultColumn& column)
{
    const storage::RecordLayout& layout = table.Layout();
    if (given.null) {
        layout.SetNull(field, image);
        return;
    }
    sql::Value value = sql::ConvertTo(given, column.type == sql::DataType::Null ? sql::DataType::String : column.type);
    using sql::DataType;
    switch (value.type) {
    case DataType::Integer:
        if (layout.Fields()[field].type == storage::ft::AutoInc) {
            WriteAutoincValue(layout, field, image, value);
            break;
        }
        // Only a 32-bit Integer column needs the range check; wider ones take the value whole.
        layout.SetInteger(field, image,
                          layout.Fields()[field].type == storage::ft::Integer ? CheckedInteger(value, column)
                                                                               : value.integer);
        break;
    case DataType::Double: layout.SetDouble(field, image, value.number); break;
    case DataType::Logical: layout.SetLogical(field, image, value.logical); break;
    case DataType::Date: layout.SetJulian(field, image, value.julian); break;
    case DataType::Time: layout.SetMilliseconds(field, image, value.ms); break;
    case DataType::TimeStamp: layout.SetTimeStamp(field, image, {value.julian, value.ms}); break;
    case DataType::String:
    case DataType::Binary:
        if (storage::IsMemoType(layout.Fields()[field].type))
            table.WriteMemo(field, image, reinterpret_cast<const uint8_t*>(value.text.data()), value.text.size());
        else if (value.type == DataType::Binary)
            layout.SetRaw(field, image, reinterpret_cast<const uint8_t*>(value.text.data()), value.text.size());
        else
            layout.SetText(field, image, value.text);
        break;
    case DataType::Null: layout.SetNull(field, image); break;
    }
}

void WriteRows(storage::Table& table, const sql::ResultSet& rows)
{
    for (const auto& row : rows.rows) {
        std::vector<uint8_t> image = table.Layout().BlankRecord();
        for (size_t i = 0; i < row.size(); ++i)
            WriteValue(table, i, image.data(), row[i], rows.columns[i]);
        table.AppendRecordAsGiven(image.data());
    }
}

// The kind of the result table: the statement's table type when that type
// holds every column with its type as it is, else the engine's own format,
// which holds them all. The cursor reports the kind, and the record images
// follow it, so a caller decodes them by the rules of that table type.
storage::TableKind ResultKind(const sql::ResultSet& rows, const std::string& definition)
{
    if (rows.tableType < ADS_NTX || rows.tableType > ADS_VFP || rows.tableType == ADS_ADT)
        return storage::TableKind::ADT;
    auto kind = static_cast<storage::TableKind>(rows.tableType);
    storage::RecordLayout wanted;
    try {
        wanted = storage::Table::LayoutFor(storage::TableKind::ADT, definition);
        storage::RecordLayout planned = storage::Table::LayoutFor(kind, definition);
        for (size_t i = 0; i < wanted.Fields().size(); ++i)
            if (planned.Fields()[i].type != wanted.Fields()[i].type)
                return storage::TableKind::ADT;
    } catch (const storage::StorageError&) {
        return storage::TableKind::ADT; // a type, length or name the kind cannot hold
    }
    return kind;
}

const char* ExtensionOf(storage::TableKind kind)
{
    return kind == storage::TableKind::ADT ? ".adt" : ".dbf";
}

void RemoveTree(const std::string& folder) noexcept
{
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

} // namespace

ResultCursor::ResultCursor(std::unique_ptr<storage::Table> table, ADSHANDLE connection, std::string folder)
    : Cursor(HandleKind::Cursor, std::move(table), connection), mFolder(std::move(folder))
{
}

ResultCursor::~ResultCursor()
{
    if (!mFolder.empty()) {
        try {
            Cursor::Close();
        } catch (...) {
        }
        RemoveFolder();
    }
}

void ResultCursor::Close()
{
    Cursor::Close();
    RemoveFolder();
}

void ResultCursor::RemoveFolder() noexcept
{
    if (mFolder.empty())
        return;
    RemoveTree(mFolder);
    mFolder.clear();
}

std::string ResultDefinition(const std::vector<sql::ResultColumn>& columns)
{
    std::string definition;
    for (const auto& column : columns) {
        if (column.name.find_first_of(",;") != std::string::npos || column.name.empty())
            throw EngineError(AE_BAD_DEFINITION, "The result column name \"" + column.name
                                                     + "\" is empty or holds a comma or semicolon.");
        definition += column.name + "," + ColumnType(column) + ";";
    }
    return definition;
}

ADSHANDLE OpenResultCursor(const sql::ResultSet& rows, ADSHANDLE hConnect)
{
    std::string folder = MakePrivateFolder();
    try {
        std::string definition = ResultDefinition(rows.columns);
        storage::TableKind kind = ResultKind(rows, definition);
        std::string path = folder + "/" + kTableBase + ExtensionOf(kind);
        {
            std::unique_ptr<storage::Table> written = storage::Table::Create(path, kind, definition);
            WriteRows(*written, rows);
            written->Close();
        }
        storage::OpenOptions readOnly;
        readOnly.readOnly = true;
        auto cursor =
            std::make_shared<ResultCursor>(storage::Table::Open(path, kind, readOnly), hConnect, folder);
        folder.clear(); // the cursor owns it now
        cursor->GotoTop(); // a result is read from its first row without a move
        std::shared_ptr<Connection> connection = LookUp<Connection>(hConnect, "opening a result");
        ADSHANDLE handle = HandleRegistry::Instance().Register(cursor);
        connection->Adopt(handle);
        return handle;
    } catch (...) {
        if (!folder.empty())
            RemoveTree(folder);
        throw;
    }
}

} // namespace engine
