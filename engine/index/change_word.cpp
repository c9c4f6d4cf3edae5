#include "engine/index/change_word.h"

#include "engine/storage/storage_error.h"

namespace indexing {

std::optional<uint32_t> ReadChangeCounter(const std::string& utf8Path, uint64_t markOffset)
{
    try {
        storage::File file = storage::File::Open(utf8Path, false);
        unsigned char bytes[3] = {};
        if (file.ReadSomeAt(markOffset + 1, bytes, sizeof bytes) != sizeof bytes)
            return std::nullopt;
        return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16;
    } catch (const storage::StorageError&) {
        return std::nullopt;
    }
}

bool WriteChangeWord(const std::string& utf8Path, uint64_t markOffset, uint32_t counter)
{
    const char word[4] = {1, char(counter & 0xFF), char(counter >> 8 & 0xFF), char(counter >> 16 & 0xFF)};
    try {
        storage::File file = storage::File::Open(utf8Path, true);
        file.WriteAt(markOffset, word, sizeof word);
        return true;
    } catch (const storage::StorageError&) {
        return false;
    }
}

void PutChangeCounter(std::string& image, uint64_t markOffset, uint32_t counter)
{
    for (int i = 0; i < 3; ++i)
        image[size_t(markOffset) + 1 + size_t(i)] = char(counter >> (8 * i) & 0xFF);
}

uint32_t ChangeCounterOf(const std::string& image, uint64_t markOffset)
{
    uint32_t counter = 0;
    for (int i = 2; i >= 0; --i)
        counter = counter << 8 | static_cast<unsigned char>(image[size_t(markOffset) + 1 + size_t(i)]);
    return counter;
}

IndexChangeLock::IndexChangeLock(const storage::Table& table)
{
    if (table.IsExclusive() || table.IsReadOnly())
        return;
    mFile = storage::File::Open(table.FileName(), true);
    mFile.Lock(storage::lockspace::kIndexes, 1, true);
}

IndexChangeLock::~IndexChangeLock()
{
    if (!mFile.IsOpen())
        return;
    try {
        mFile.Unlock(storage::lockspace::kIndexes, 1);
    } catch (...) {
    }
}

} // namespace indexing
