#include "engine/sql/sqlite_values.h"

#include "engine/core/field_access.h"
#include "engine/sql/sql_error.h"
#include "engine/storage/table_definition.h"
#include "platform/codepage/codepage.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace sql {

namespace ft = storage::ft;

namespace {

constexpr codepage::CodePage kAnsi = codepage::CodePage::Ansi1252;

bool IsBinaryType(uint16_t type)
{
    return type == ft::Binary || type == ft::Image || type == ft::BinaryText || type == ft::ImageText
        || type == ft::Raw || type == ft::VarBinary;
}

bool IsIntegerType(const storage::FieldDesc& field)
{
    switch (field.type) {
    case ft::Integer: case ft::ShortInt: case ft::AutoInc: case ft::LongInt: case ft::Logical: return true;
    case ft::Numeric: return field.decimals == 0 && field.length <= 18;
    default: return false;
    }
}

const char* AffinityWord(const storage::FieldDesc& field)
{
    if (IsCharacterType(field.type))
        return "TEXT";
    if (IsBinaryType(field.type))
        return "BLOB";
    if (IsIntegerType(field))
        return "INTEGER";
    if (field.type == ft::Double || field.type == ft::CurDouble || field.type == ft::Money || field.type == ft::Numeric)
        return "REAL";
    return "NUMERIC"; // dates and times: ISO texts that never read as numbers
}

// How the values of an engine column type travel from SQLite to the result.
DataType ValueTypeOf(uint16_t type)
{
    switch (type) {
    case ft::Numeric: case ft::Double: case ft::CurDouble: case ft::Money: return DataType::Double;
    case ft::Integer: case ft::AutoInc: case ft::ShortInt: case ft::LongInt: return DataType::Integer;
    case ft::Logical: return DataType::Logical;
    case ft::Date: case ft::CompactDate: return DataType::Date;
    case ft::Time: return DataType::Time;
    case ft::TimeStamp: case ft::ModTime: return DataType::TimeStamp;
    default: return IsBinaryType(type) || engine::IsUnicodeType(type) ? DataType::Binary : DataType::String;
    }
}

// The result table's definition of a column of an engine type, so that the
// result reports the type, length and decimals of the table column. The
// memo-like kinds that have no name in the definition grammar take the
// memo kind that holds the same content.
std::string DefinitionOf(uint16_t type, uint32_t length, uint32_t decimals)
{
    std::string len = std::to_string(length), dec = std::to_string(decimals);
    switch (type) {
    case ft::VarCharMemo: return "Memo";
    case ft::BinaryText: return "Binary";
    case ft::ImageText: return "Image";
    case ft::String: case ft::CIString: case ft::VarChar: case ft::Raw: case ft::VarBinary:
        return storage::TypeName(type) + "," + len;
    case ft::NChar: case ft::NVarChar: return storage::TypeName(type) + "," + std::to_string(length / 2);
    case ft::Numeric: return "Numeric," + len + "," + dec;
    case ft::Double: case ft::CurDouble: return storage::TypeName(type) + "," + dec;
    default: return storage::TypeName(type);
    }
}

// The result-table column that holds values of an engine column type.
ResultColumn ColumnForType(const std::string& name, uint16_t type, uint32_t length, uint32_t decimals)
{
    ResultColumn column;
    column.name = name;
    column.type = ValueTypeOf(type);
    column.length = type == ft::NChar || type == ft::NVarChar ? length / 2 : length;
    column.decimals = decimals;
    column.definition = DefinitionOf(type, length, decimals);
    column.sourceType = type;
    return column;
}

void ResultText(sqlite3_context* context, const std::string& ansi)
{
    std::string utf8 = Utf8Of(ansi);
    sqlite3_result_text(context, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
}

void ResultBytes(sqlite3_context* context, const std::vector<uint8_t>& bytes)
{
    sqlite3_result_blob(context, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
}

void ResultUnits(sqlite3_context* context, const std::vector<uint8_t>& littleEndian, bool trimBlanks)
{
    std::u16string units = engine::UnitsFromLittleEndian(littleEndian);
    if (trimBlanks) {
        size_t last = units.find_last_not_of(u' ');
        units.erase(last == std::u16string::npos ? 0 : last + 1);
    }
    sqlite3_result_text16(context, units.data(), static_cast<int>(units.size() * 2), SQLITE_TRANSIENT);
}

void ResultMemo(sqlite3_context* context, const storage::Table& table, size_t field, const uint8_t* image)
{
    uint16_t type = table.Layout().Field(field).type;
    std::vector<uint8_t> bytes = table.ReadMemo(field, image);
    if (type == ft::NMemo)
        ResultUnits(context, bytes, false);
    else if (storage::IsTextMemoType(type))
        ResultText(context, std::string(bytes.begin(), bytes.end()));
    else
        ResultBytes(context, bytes);
}

// A column without a value: NULL, except that a column which cannot hold
// NULL (a DBF character column) holds an empty text.
void ResultAbsent(sqlite3_context* context, const storage::FieldDesc& field)
{
    if (!field.nullable && IsCharacterType(field.type))
        sqlite3_result_text(context, "", 0, SQLITE_STATIC);
    else if (!field.nullable && IsBinaryType(field.type))
        sqlite3_result_zeroblob(context, 0);
    else
        sqlite3_result_null(context);
}

[[noreturn]] void Refuse(const engine::Cursor& cursor, const storage::FieldDesc& field, const std::string& problem)
{
    throw SqlError(kTypeMismatch, "The column " + field.name + " of " + cursor.TableName() + " cannot take " + problem);
}

Value Converted(const engine::Cursor& cursor, const storage::FieldDesc& field, const Value& value, DataType target)
{
    try {
        return ConvertTo(value, target);
    } catch (const ValueFault& fault) {
        Refuse(cursor, field, std::string("the value: ") + fault.what());
    }
}

void StoreNumber(engine::Cursor& cursor, size_t field, const Value& given, const char* function)
{
    const storage::FieldDesc& desc = cursor.Layout().Field(field);
    uint8_t* image = cursor.EditImage(function);
    if (IsIntegerType(desc) && desc.type != ft::Logical) {
        Value value = given.type == DataType::Double && std::nearbyint(given.number) == given.number
            ? Value::Integer(static_cast<int64_t>(given.number))
            : Converted(cursor, desc, given, DataType::Integer);
        cursor.Layout().SetInteger(field, image, value.integer);
        return;
    }
    cursor.Layout().SetDouble(field, image, Converted(cursor, desc, given, DataType::Double).number);
}

void StoreTyped(engine::Cursor& cursor, size_t field, const Value& given, const char* function)
{
    const storage::FieldDesc& desc = cursor.Layout().Field(field);
    const storage::RecordLayout& layout = cursor.Layout();
    switch (desc.type) {
    case ft::Logical:
        layout.SetLogical(field, cursor.EditImage(function), Converted(cursor, desc, given, DataType::Logical).logical);
        return;
    case ft::Date: case ft::CompactDate:
        layout.SetJulian(field, cursor.EditImage(function), Converted(cursor, desc, given, DataType::Date).julian);
        return;
    case ft::Time:
        layout.SetMilliseconds(field, cursor.EditImage(function), Converted(cursor, desc, given, DataType::Time).ms);
        return;
    case ft::TimeStamp: {
        Value v = Converted(cursor, desc, given, DataType::TimeStamp);
        layout.SetTimeStamp(field, cursor.EditImage(function), {v.julian, v.ms});
        return;
    }
    default:
        StoreNumber(cursor, field, given, function);
    }
}

} // namespace

bool IsCharacterType(uint16_t type)
{
    return type == ft::String || type == ft::CIString || type == ft::VarChar || type == ft::NChar
        || type == ft::NVarChar || storage::IsTextMemoType(type);
}

std::string QuotedName(const std::string& name)
{
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + "\"";
}

std::string Utf8Of(const std::string& ansi) { return codepage::ToUtf8(kAnsi, ansi); }
std::string AnsiOf(const std::string& utf8) { return codepage::FromUtf8(kAnsi, utf8); }

std::string ColumnDeclaration(const storage::FieldDesc& field)
{
    return QuotedName(field.name) + " " + AffinityWord(field) + "_" + std::to_string(field.type) + "_"
        + std::to_string(field.length) + "_" + std::to_string(field.decimals);
}

std::optional<ResultColumn> ColumnOfDeclaredType(const std::string& name, const char* declared)
{
    if (declared == nullptr)
        return std::nullopt;
    const char* codes = std::strchr(declared, '_');
    unsigned type = 0, length = 0, decimals = 0;
    if (codes == nullptr || std::sscanf(codes, "_%u_%u_%u", &type, &length, &decimals) != 3)
        return std::nullopt;
    return ColumnForType(name, static_cast<uint16_t>(type), length, decimals);
}

void ResultFieldValue(sqlite3_context* context, const storage::Table& table, size_t field, const uint8_t* image)
{
    const storage::RecordLayout& layout = table.Layout();
    const storage::FieldDesc& desc = layout.Field(field);
    if (storage::IsMemoType(desc.type)) {
        if (layout.MemoBlock(field, image) == 0)
            ResultAbsent(context, desc);
        else
            ResultMemo(context, table, field, image);
        return;
    }
    if (layout.IsNull(field, image)) {
        ResultAbsent(context, desc);
        return;
    }
    switch (desc.type) {
    case ft::NChar: ResultUnits(context, layout.GetRaw(field, image), true); return;
    case ft::NVarChar: ResultUnits(context, layout.GetRaw(field, image), false); return;
    case ft::Raw: case ft::VarBinary: ResultBytes(context, layout.GetRaw(field, image)); return;
    case ft::Logical: sqlite3_result_int(context, layout.GetLogical(field, image) ? 1 : 0); return;
    case ft::Date: case ft::CompactDate:
        ResultText(context, TextForm(Value::Date(layout.GetJulian(field, image))));
        return;
    case ft::Time: ResultText(context, TextForm(Value::Time(layout.GetMilliseconds(field, image)))); return;
    case ft::TimeStamp: case ft::ModTime: {
        storage::TimeStampValue stamp = layout.GetTimeStamp(field, image);
        ResultText(context, TextForm(Value::TimeStamp(stamp.julian, stamp.milliseconds)));
        return;
    }
    default: break;
    }
    if (IsCharacterType(desc.type))
        ResultText(context, layout.GetText(field, image));
    else if (IsIntegerType(desc))
        sqlite3_result_int64(context, desc.type == ft::Numeric ? std::llround(layout.GetDouble(field, image))
                                                               : layout.GetInteger(field, image));
    else
        sqlite3_result_double(context, layout.GetDouble(field, image));
}

void StoreFieldValue(engine::Cursor& cursor, size_t field, sqlite3_value* value, const char* function)
{
    const storage::FieldDesc& desc = cursor.Layout().Field(field);
    if (desc.type == ft::AutoInc || desc.type == ft::ModTime)
        return;
    int kind = sqlite3_value_type(value);
    if (kind == SQLITE_NULL) {
        if (desc.nullable)
            cursor.Layout().SetNull(field, cursor.EditImage(function));
        else
            engine::SetFieldEmpty(cursor, field, function);
        return;
    }
    if (desc.type == ft::NChar || desc.type == ft::NVarChar || desc.type == ft::NMemo) {
        const void* units = sqlite3_value_text16(value);
        int bytes = sqlite3_value_bytes16(value);
        engine::SetFieldUnits(cursor, field, std::u16string_view(static_cast<const char16_t*>(units), bytes / 2),
                              function);
        return;
    }
    if (IsCharacterType(desc.type)) {
        const unsigned char* text = sqlite3_value_text(value);
        std::string ansi = AnsiOf(std::string(reinterpret_cast<const char*>(text), sqlite3_value_bytes(value)));
        engine::SetFieldText(cursor, field, ansi, function);
        return;
    }
    if (IsBinaryType(desc.type)) {
        const void* blob = sqlite3_value_blob(value);
        engine::SetFieldBytes(cursor, field, static_cast<const uint8_t*>(blob),
                              static_cast<size_t>(sqlite3_value_bytes(value)), function);
        return;
    }
    if (kind == SQLITE_BLOB)
        Refuse(cursor, desc, "binary content");
    StoreTyped(cursor, field, ValueOf(value), function);
}

int BindValue(sqlite3_stmt* statement, int position, const Value& value)
{
    if (value.null)
        return sqlite3_bind_null(statement, position);
    switch (value.type) {
    case DataType::Integer: return sqlite3_bind_int64(statement, position, value.integer);
    case DataType::Double: return sqlite3_bind_double(statement, position, value.number);
    case DataType::Logical: return sqlite3_bind_int(statement, position, value.logical ? 1 : 0);
    case DataType::Binary:
        return sqlite3_bind_blob(statement, position, value.text.data(), static_cast<int>(value.text.size()),
                                 SQLITE_TRANSIENT);
    case DataType::Null: return sqlite3_bind_null(statement, position);
    default: {
        std::string utf8 = Utf8Of(value.type == DataType::String ? value.text : TextForm(value));
        return sqlite3_bind_text(statement, position, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
    }
    }
}

Value ValueOf(sqlite3_value* value)
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER: return Value::Integer(sqlite3_value_int64(value));
    case SQLITE_FLOAT: return Value::Double(sqlite3_value_double(value));
    case SQLITE_TEXT: {
        const char* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
        return Value::String(AnsiOf(std::string(text, sqlite3_value_bytes(value))));
    }
    case SQLITE_BLOB: {
        const char* blob = static_cast<const char*>(sqlite3_value_blob(value));
        return Value::Binary(std::string(blob ? blob : "", sqlite3_value_bytes(value)));
    }
    default: return Value::Null();
    }
}

Value ColumnValue(sqlite3_stmt* statement, int column)
{
    return ValueOf(sqlite3_column_value(statement, column));
}

Value ColumnValue(sqlite3_stmt* statement, int column, uint16_t sourceType)
{
    if (!engine::IsUnicodeType(sourceType) || sqlite3_column_type(statement, column) != SQLITE_TEXT)
        return ColumnValue(statement, column);
    const void* units = sqlite3_column_text16(statement, column);
    size_t count = static_cast<size_t>(sqlite3_column_bytes16(statement, column)) / 2;
    std::vector<uint8_t> bytes =
        engine::LittleEndianFromUnits(std::u16string_view(static_cast<const char16_t*>(units), count));
    return Value::Binary(std::string(bytes.begin(), bytes.end()));
}

void ResultValue(sqlite3_context* context, const Value& value)
{
    if (value.null) {
        sqlite3_result_null(context);
        return;
    }
    switch (value.type) {
    case DataType::Integer: sqlite3_result_int64(context, value.integer); return;
    case DataType::Double: sqlite3_result_double(context, value.number); return;
    case DataType::Logical: sqlite3_result_int(context, value.logical ? 1 : 0); return;
    case DataType::Binary:
        sqlite3_result_blob(context, value.text.data(), static_cast<int>(value.text.size()), SQLITE_TRANSIENT);
        return;
    case DataType::Null: sqlite3_result_null(context); return;
    default: ResultText(context, value.type == DataType::String ? value.text : TextForm(value));
    }
}

} // namespace sql
