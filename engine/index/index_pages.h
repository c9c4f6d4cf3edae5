// The page image of an index file: writing a whole file from its tags and
// reading it back with every check (layout in engine/FORMAT.md).
//
// Invariants:
// - A file is a whole number of pages of its page size. The header spans
//   the first pages and ends with its checksum; every tree page ends with
//   its own. The change word at kChangedByteOffset is outside the header
//   checksum.
// - Tree pages of a tag are leaves in key order, chained from the first,
//   then branch levels up to one root; each branch entry is the first entry
//   of its child.
#pragma once

#include "engine/index/index_tag.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace indexing {

constexpr size_t kChangedByteOffset = 16;
// The changed byte and the 24-bit change counter after it (change_word.h).
constexpr size_t kChangeWordSize = 4;

struct StoredTag {
    TagDefinition definition;
    uint16_t keyLength = 0;
    uint32_t entryCount = 0;
    uint32_t firstLeaf = 0;
    uint32_t root = 0;
};

struct IndexHeader {
    uint32_t pageSize = 0;
    uint32_t recordCount = 0;
    bool changed = false;
    uint32_t changeCounter = 0;
    std::vector<StoredTag> tags;
};

// The whole file for these tags. Raises AE_INVALID_KEY when a key does not
// fit the page size.
std::string WriteIndexImage(uint32_t pageSize, const std::vector<std::shared_ptr<Tag>>& tags, uint32_t recordCount);

// The header of a file image; a bad one raises AE_INDEX_DAMAGED naming `path`.
IndexHeader ReadIndexHeader(const std::string& image, const std::string& path);

// The entries of one stored tag; false (entries unspecified) when a page
// fails its checksum, its type, its order or the entry count.
bool ReadTagEntries(const std::string& image, uint32_t pageSize, const StoredTag& tag, EntrySet& entries);

} // namespace indexing
