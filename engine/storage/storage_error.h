// The one exception type of the storage layer. Every failure of a table, memo
// or lock operation is raised as a StorageError carrying an engine error code
// and a text that names the file or field concerned; the API layer turns it
// into the caller's last error. Nothing in storage reports failure any other
// way (no error returns, no silent defaults). It derives from
// std::runtime_error rather than the project's Exception because the engine
// does not link Qt, and it never leaves the engine: the API boundary catches
// it.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace storage {

// Error codes raised by the storage layer. The first three are codes the
// data-access layer itself tests for; the others are the storage layer's own
// and only need to be distinct and stable.
enum ErrorCode : uint32_t {
    kErrInvalidRecordNumber = 5022, // record number 0 or past the last record
    kErrNoCurrentRecord = 5068,
    kErrTableNotLocked = 5087,      // unlocking a table lock that is not held

    kErrFileNotFound = 6101,        // table or memo file missing
    kErrFileIo = 6102,              // the system refused a read, write or rename
    kErrCorruptTable = 6103,        // header or descriptors that cannot be right
    kErrCorruptMemo = 6104,         // memo pointer or block that cannot be right
    kErrUnknownFieldType = 6105,    // descriptor type letter or definition type unknown
    kErrBadDefinition = 6106,       // table-definition text that does not parse
    kErrLockConflict = 6107,        // record or table lock held by another user
    kErrTableInUse = 6108,          // exclusive open refused, or table open exclusively elsewhere
    kErrReadOnly = 6109,            // a change on a table opened read-only
    kErrValue = 6110,               // a value that does not fit or convert
    kErrFieldNotFound = 6111,
    kErrNotSupported = 6112,        // an operation this table kind cannot do
    kErrExclusiveRequired = 6113,   // pack/zap on a table not opened exclusively
    kErrAlreadyExists = 6114,       // create would replace a table somebody has open
};

class StorageError : public std::runtime_error {
public:
    StorageError(uint32_t code, const std::string& text) : std::runtime_error(text), mCode(code) {}
    uint32_t Code() const { return mCode; }

private:
    uint32_t mCode;
};

} // namespace storage
