// Memo files: dBase III/IV .dbt, FoxPro .fpt and the engine's own .adm.
// Internal to the storage layer.
//
// Invariants: a memo value is addressed by the number of the block where it
// starts (block 0 is always inside the header, so 0 means "no memo"). Values
// are only ever appended at the file's next free block; the header's next
// free block is written after the value, so a failed append leaves the old
// values and the old header intact. Space of replaced values is reclaimed by
// Table::Pack. Appending must be serialised between writers: the caller holds
// the table's header lock. Every pointer and length read from a file is
// checked against the file size before it is followed or allocated.
#pragma once

#include "engine/storage/file_io.h"
#include "engine/storage/table_format.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace storage {

enum class MemoContent { Text, Binary, Picture, Utf16Text };

// What a memo-type field stores: 8-bit text for text memos that are not
// binary, UTF-16 text for NMemo, a picture for Image, binary otherwise.
MemoContent ContentOf(const FieldDesc& field);
// Text memos whose bytes are in the table's character set.
bool IsConvertedText(const FieldDesc& field);

class MemoFile {
public:
    // Opens the memo file `name` (UTF-8) of a table; a missing file raises
    // kErrFileNotFound naming it and the table.
    static std::unique_ptr<MemoFile> Open(MemoKind kind, const std::string& name, bool writable,
                                          const std::string& tableName);
    // Writes an empty memo file (header only) under a new name.
    static void CreateEmpty(MemoKind kind, const std::string& name, uint32_t blockSize);

    virtual ~MemoFile() = default;

    File& GetFile() { return mFile; }
    const std::string& Name() const { return mFile.Name(); }
    uint32_t BlockSize() const { return mBlockSize; }

    // The value that starts at `block`; `field` names the field in messages.
    virtual std::vector<uint8_t> Read(uint32_t block, const std::string& field) const = 0;
    // Appends a value of at least one byte and returns its block.
    virtual uint32_t Append(const uint8_t* data, size_t length, MemoContent content) = 0;

protected:
    MemoFile(File file, uint32_t blockSize) : mFile(std::move(file)), mBlockSize(blockSize) {}
    [[noreturn]] void Damaged(const std::string& field, uint32_t block, const std::string& problem) const;

    File mFile;
    uint32_t mBlockSize;
};

} // namespace storage
