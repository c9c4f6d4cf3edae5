// Opening index files on a cursor: file names, the table's default
// compound file (opened with the table), and the index handles of a file.
//
// File names come in as 8-bit text; a name without a folder lies beside
// the table, and a name without an extension gets the kind's one (.adi for
// ADT, .cdx for CDX and VFP, .ntx for NTX). The default file is the table's
// name with that extension.
#pragma once

#include "engine/core/cursor.h"
#include "engine/engine.h"

#include <memory>
#include <string>
#include <vector>

namespace engine {

std::string IndexExtension(storage::TableKind kind);
// UTF-8 path of the table's default compound index file.
std::string DefaultIndexPath(const storage::Table& table);
// UTF-8 path of the index file `ansiName` of the cursor's table.
std::string IndexPathFor(const storage::Table& table, const std::string& ansiName);

// The index handles of the file's tags on this cursor, opening the file
// (and making orders) where the cursor does not have it open yet.
std::vector<ADSHANDLE> OpenIndexOn(const std::shared_ptr<Cursor>& cursor, const std::string& utf8Path, bool create,
                                   uint32_t pageSize = 0);
// The order of `tag` on the cursor, made when it has none.
std::shared_ptr<IndexOrder> OrderFor(const std::shared_ptr<Cursor>& cursor,
                                     const std::shared_ptr<indexing::IndexFile>& file,
                                     const std::shared_ptr<indexing::Tag>& tag);
// Opens the default compound file when it exists.
void OpenDefaultIndex(const std::shared_ptr<Cursor>& cursor);

} // namespace engine
