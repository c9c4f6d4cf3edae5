// Values between the engine's tables, script values and SQLite.
//
// Inside SQLite, text is UTF-8 (the engine's 8-bit text is Windows-1252 and
// is converted at this boundary; Unicode columns go through UTF-16), so that
// SQLite's own text functions count and compare characters, not bytes.
// Temporal values are ISO texts that sort as they compare: dates
// 'YYYY-MM-DD', times 'HH:MM:SS[.mmm]', time stamps 'YYYY-MM-DD HH:MM:SS[.mmm]'.
// Logicals are the integers 0 and 1. Numeric columns without decimals are
// integers, with decimals reals.
//
// A column of a table is declared to SQLite with a type text that names the
// engine's own column type ("Char(30)", "Numeric(10,2)", "Date"), so that a
// query result column taken straight from a table keeps that type, length
// and decimals (ColumnOfDeclaredType reads it back).
#pragma once

#include "engine/core/cursor.h"
#include "engine/sql/executor.h"
#include "engine/sql/value.h"

#include <sqlite3.h>

#include <optional>
#include <string>

namespace sql {

// The SQLite declaration of a table column: quoted name and type text.
std::string ColumnDeclaration(const storage::FieldDesc& field);

// The result column for a declared type text of ColumnDeclaration; nothing
// for a text that is not one (an expression's column has none).
std::optional<ResultColumn> ColumnOfDeclaredType(const std::string& name, const char* declared);

// Gives SQLite the value of `field` in `image` (a record of `table`).
void ResultFieldValue(sqlite3_context* context, const storage::Table& table, size_t field, const uint8_t* image);

// Stores an SQLite value into `field` of the cursor's pending record through
// the cursor's write paths. Autoincrement and modification-time columns keep
// what the table gives them. Raises SqlError (type mismatch) for a value the
// column cannot take.
void StoreFieldValue(engine::Cursor& cursor, size_t field, sqlite3_value* value, const char* function);

// A script value bound to a statement placeholder (1-based).
int BindValue(sqlite3_stmt* statement, int position, const Value& value);
// The SQLite value as a script value (8-bit text, raw bytes, numbers).
Value ValueOf(sqlite3_value* value);
Value ColumnValue(sqlite3_stmt* statement, int column);
// The value of a result column taken from a table column of `sourceType`:
// Unicode text as UTF-16LE bytes (see ResultColumn::sourceType).
Value ColumnValue(sqlite3_stmt* statement, int column, uint16_t sourceType);

// Gives SQLite a script value (a function's result).
void ResultValue(sqlite3_context* context, const Value& value);

// True for the column types that hold text (fixed, variable, Unicode, memo).
bool IsCharacterType(uint16_t type);

// A name in double quotes, inner quotes doubled, as SQLite reads names.
std::string QuotedName(const std::string& name);

// 8-bit system code page <-> UTF-8.
std::string Utf8Of(const std::string& ansi);
std::string AnsiOf(const std::string& utf8);

} // namespace sql
