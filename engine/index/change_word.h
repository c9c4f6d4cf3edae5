// The change word of a derived file (an index file): a "changed" byte and a
// 24-bit change counter right after it, both outside the file's checksums,
// rewritten in place while the rest of the file is only ever replaced whole.
//
// Invariants:
// - Every process that keeps the file in memory remembers the counter it
//   last saw. A counter on disk other than that one means another user of
//   the table changed the table and the file since: the copy in memory is
//   out of date and must be reloaded before it answers anything.
// - A writer bumps the counter (and sets the changed byte) after every change
//   it makes, while it holds the table's index lock (IndexChangeLock), so
//   two writers never give two changes the same number and no reader takes a
//   stale copy for a current one. Counters wrap at 2^24 and are compared for
//   equality only.
#pragma once

#include "engine/storage/file_io.h"
#include "engine/storage/table.h"

#include <cstdint>
#include <optional>
#include <string>

namespace indexing {

constexpr uint32_t kChangeCounterMask = 0xFFFFFF;

// The counter stored after the changed byte at `markOffset`, or nullopt when
// the file cannot be read there (it is gone or cut short).
std::optional<uint32_t> ReadChangeCounter(const std::string& utf8Path, uint64_t markOffset);
// Sets the changed byte and stores `counter` after it, in one write. False
// when the file cannot be written (a read-only folder): a later save fails
// as well and reports it.
bool WriteChangeWord(const std::string& utf8Path, uint64_t markOffset, uint32_t counter);
// The counter bytes of an image about to be saved.
void PutChangeCounter(std::string& image, uint64_t markOffset, uint32_t counter);
uint32_t ChangeCounterOf(const std::string& image, uint64_t markOffset);

// Holds the table's index lock for a scope: a write lock on the table file's
// index byte, taken by every user of the table (in this process or another)
// around a change of the table's index files. Tables opened exclusively or
// read-only take none: nobody else writes beside the first, the second
// writes nothing. Take it after the index files' own mutexes.
class IndexChangeLock {
public:
    explicit IndexChangeLock(const storage::Table& table);
    ~IndexChangeLock();
    IndexChangeLock(const IndexChangeLock&) = delete;
    IndexChangeLock& operator=(const IndexChangeLock&) = delete;

private:
    storage::File mFile;
};

} // namespace indexing
