// A statement's result as a cursor: the rows written into a table in a
// private temporary folder, opened read-only, so every cursor call (skip,
// bookmarks, record numbers, fields, memos, filters, counting) works on it
// as on any table. The table is of the statement's table type when that type
// holds every column with its type, else of the engine's own type (ADT);
// procedure rows are always ADT.
//
// Invariants:
// - The folder is made by the engine (mkdtemp, mode 0700) for this one
//   result and holds nothing else; it is removed when the cursor closes
//   (AdsCloseTable, or its connection's disconnect), and by the destructor
//   should Close never run.
// - Record numbers are 1..row count in the order of the rows and never
//   change: the table is static and read-only.
// - Column types follow the declared result columns: a column taken from a
//   table keeps that column's type, length and decimals, and its values as
//   stored (autoincrement and modification times included); for an
//   expression, text with a length is Char of that length, text without one
//   a Memo; integers are 32-bit Integer columns (a larger value is refused,
//   never wrapped).
#pragma once

#include "engine/core/cursor.h"
#include "engine/sql/executor.h"

#include <string>

namespace engine {

class ResultCursor : public Cursor {
public:
    ResultCursor(std::unique_ptr<storage::Table> table, ADSHANDLE connection, std::string folder);
    ~ResultCursor() override;

    void Close() override;
    const std::string& Folder() const { return mFolder; }

private:
    void RemoveFolder() noexcept;

    std::string mFolder;
};

// The definition text of a result table for `columns`.
std::string ResultDefinition(const std::vector<sql::ResultColumn>& columns);

// Writes `rows` into a new result table and registers its cursor as a
// child of `hConnect`; returns the handle.
ADSHANDLE OpenResultCursor(const sql::ResultSet& rows, ADSHANDLE hConnect);

} // namespace engine
