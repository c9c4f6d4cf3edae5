// Opening, creating and closing tables on behalf of the C interface: the
// checks of the open arguments, the table's path on its connection, and the
// cursor's registration as a child of that connection.
//
// A table opened without a connection (handle 0) must be named by a full
// path; its cursor belongs to no connection.
#pragma once

#include "engine/core/cursor.h"
#include "engine/storage/table.h"

#include <memory>
#include <string>

namespace engine {

struct TableRequest {
    std::string name;
    uint16_t tableType = 0;  // 0: the connection's default
    uint16_t charType = ADS_ANSI;
    uint16_t lockType = ADS_PROPRIETARY_LOCKING;
    uint16_t checkRights = ADS_CHECKRIGHTS;
    uint32_t options = 0;    // ADS_EXCLUSIVE | ADS_READONLY
    std::string collation;
};

// The table kind for a table type number (0 = the connection's default).
storage::TableKind TableKindFor(ADSHANDLE hConnect, uint16_t tableType, const char* function);
storage::CharType CharTypeFor(uint16_t charType, const char* function);
// The 8-bit path of `name` on the connection (or `name` itself without one).
std::string TablePathOn(ADSHANDLE hConnect, const std::string& name, const char* function);

ADSHANDLE OpenTableCursor(ADSHANDLE hConnect, const TableRequest& request, const char* function);

struct CreateRequest {
    TableRequest table;      // options: ADS_FREE_TABLE and the cache hints
    std::string definition;  // "NAME,Char,30;ID,Integer;"
    uint16_t memoBlockSize = 0;
    std::string dictionaryName;
};

// Creates the table (replacing one that nobody has open) and returns it open
// exclusively.
ADSHANDLE CreateTableCursor(ADSHANDLE hConnect, const CreateRequest& request, const char* function);
// Registers an open table as a cursor of the connection (0: none).
ADSHANDLE AdoptTable(std::unique_ptr<storage::Table> table, ADSHANDLE hConnect);
// Stores the pending edit, closes the table and releases the handle; when
// the store fails the cursor stays open and the failure is raised.
void CloseCursor(ADSHANDLE hTable, const char* function);

} // namespace engine
