// Opening, creating and closing tables on behalf of the C interface: the
// checks of the open arguments, the table's path on its connection, and the
// cursor's registration as a child of that connection.
//
// A table opened without a connection (handle 0) must be named by a full
// path; its cursor belongs to no connection.
#pragma once

#include "engine/core/connection.h"
#include "engine/core/cursor.h"
#include "engine/storage/table.h"

#include <memory>
#include <optional>
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
// On a dictionary connection a bare name is first looked up in the
// dictionary, and "link.table" through the dictionary's links.
std::string TablePathOn(ADSHANDLE hConnect, const std::string& name, const char* function);
// As TablePathOn, with what a dictionary knows of the table.
ResolvedTable ResolveTableOn(ADSHANDLE hConnect, const std::string& name, const char* function);

ADSHANDLE OpenTableCursor(ADSHANDLE hConnect, const TableRequest& request, const char* function);

struct CreateRequest {
    TableRequest table;      // options: ADS_FREE_TABLE and the cache hints
    std::string definition;  // "NAME,Char,30;ID,Integer;"
    uint16_t memoBlockSize = 0;
    std::string dictionaryName;
};

// Creates the table (replacing one that nobody has open) and returns it open
// exclusively. On a dictionary connection the table is made in the
// dictionary's folder and added to the dictionary (its name: dictionaryName,
// else the file's base name) unless ADS_FREE_TABLE is given; there an
// existing table of that name or an existing file is refused, never
// replaced, and a table the dictionary refuses is removed again.
// ADS_DICTIONARY_TABLE or a dictionaryName without a dictionary connection
// is an error.
ADSHANDLE CreateTableCursor(ADSHANDLE hConnect, const CreateRequest& request, const char* function);
// Creates a table file, removing the index and full-text files of a table it
// replaces.
std::unique_ptr<storage::Table> CreateTableFile(const std::string& path, storage::TableKind kind,
                                                const std::string& definition, const storage::CreateOptions& options);

// Where a new dictionary table goes (open_table_dictionary.cpp).
struct DictionaryPlace {
    std::shared_ptr<Connection> connection;
    std::string dictionaryName;
    std::string path; // 8-bit, with extension
};
// Nothing when the table is to be a free table.
std::optional<DictionaryPlace> DictionaryPlaceFor(ADSHANDLE hConnect, const CreateRequest& request,
                                                  storage::TableKind kind, const char* function);
ADSHANDLE CreateDictionaryTable(ADSHANDLE hConnect, const CreateRequest& request, const DictionaryPlace& place,
                                storage::TableKind kind, const storage::CreateOptions& options, const char* function);
// After a table's files were deleted: the dictionary of the connection (if
// any) forgets the entries that named that file (UTF-8 full path).
void ForgetDeletedTable(ADSHANDLE hConnect, const std::string& utf8TableFile);
// Registers an open table as a cursor of the connection (0: none).
ADSHANDLE AdoptTable(std::unique_ptr<storage::Table> table, ADSHANDLE hConnect);
// Stores the pending edit, closes the table and releases the handle; when
// the store fails the cursor stays open and the failure is raised.
void CloseCursor(ADSHANDLE hTable, const char* function);

} // namespace engine
