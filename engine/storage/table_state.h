// The open files behind a Table. Internal to the storage layer.
#pragma once

#include "engine/storage/file_io.h"
#include "engine/storage/memo_file.h"
#include "engine/storage/table.h"
#include "engine/storage/table_format.h"

#include <memory>

namespace storage {

struct Table::State {
    File file;                       // the table file; holds the open lock and all record/table locks
    TableHeader header;              // header as read at open (record count refreshed on use)
    std::unique_ptr<MemoFile> memo;  // null when the table has no memo fields
};

// Type name and numbers of one field in the definition grammar, for a table
// of `kind` (a near type where the kind lacks the field's own).
std::string FieldDefinition(const FieldDesc& field, TableKind from, TableKind to);

} // namespace storage
