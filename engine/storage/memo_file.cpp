#include "engine/storage/memo_file.h"

#include "engine/storage/storage_error.h"
#include "engine/storage/value_codec.h"

#include <algorithm>
#include <cstring>

namespace storage {

using namespace codec;

namespace {

constexpr uint32_t kHeaderSize = 512;
constexpr uint32_t kDbtBlock = 512;
constexpr char kAdmMagic[8] = {'V', 'N', 'L', 'A', 'D', 'M', '1', 0};

uint32_t BlocksFor(uint64_t bytes, uint32_t blockSize) { return uint32_t((bytes + blockSize - 1) / blockSize); }

// dBase III memos end at 0x1A 0x1A; dBase IV blocks carry a length header.
class DbtMemo final : public MemoFile {
public:
    DbtMemo(File file, uint32_t blockSize) : MemoFile(std::move(file), blockSize) {}

    std::vector<uint8_t> Read(uint32_t block, const std::string& field) const override
    {
        uint64_t size = mFile.Size();
        uint64_t offset = uint64_t(block) * mBlockSize;
        if (offset < kHeaderSize || offset >= size)
            Damaged(field, block, "it points past the end of the memo file");
        uint8_t head[8] = {};
        mFile.ReadSomeAt(offset, head, sizeof head);
        if (head[0] == 0xFF && head[1] == 0xFF && head[2] == 0x08 && head[3] == 0x00)
            return ReadLengthPrefixed(offset, size, field, block, head);
        return ReadTerminated(offset, size);
    }

    uint32_t Append(const uint8_t* data, size_t length, MemoContent) override
    {
        if (std::find(data, data + length, uint8_t(0x1A)) != data + length)
            throw StorageError(kErrValue, "The memo file " + Name() + " cannot hold a value containing the byte "
                                              "0x1A (it ends every dBase III memo).");
        uint8_t header[4];
        mFile.ReadAt(0, header, sizeof header, "memo header");
        uint32_t next = std::max<uint32_t>(GetU32(header), 1);
        std::vector<uint8_t> bytes(data, data + length);
        bytes.push_back(0x1A);
        bytes.push_back(0x1A);
        uint64_t end = uint64_t(next) + BlocksFor(bytes.size(), mBlockSize);
        if (end > 0xFFFFFFFFull)
            throw StorageError(kErrValue, "The memo file " + Name() + " is full.");
        bytes.resize(size_t(end - next) * mBlockSize, 0);
        mFile.WriteAt(uint64_t(next) * mBlockSize, bytes.data(), bytes.size());
        PutU32(header, uint32_t(end));
        mFile.WriteAt(0, header, sizeof header);
        return next;
    }

private:
    std::vector<uint8_t> ReadTerminated(uint64_t offset, uint64_t size) const
    {
        // Stop at the first 0x1A (some writers end with one only) or at the
        // end of the file, whichever comes first.
        std::vector<uint8_t> value;
        uint8_t chunk[4096];
        while (offset < size) {
            size_t n = mFile.ReadSomeAt(offset, chunk, size_t(std::min<uint64_t>(sizeof chunk, size - offset)));
            if (n == 0)
                break;
            uint8_t* stop = std::find(chunk, chunk + n, uint8_t(0x1A));
            value.insert(value.end(), chunk, stop);
            if (stop != chunk + n)
                break;
            offset += n;
        }
        return value;
    }

    std::vector<uint8_t> ReadLengthPrefixed(uint64_t offset, uint64_t size, const std::string& field,
                                            uint32_t block, const uint8_t* head) const
    {
        uint32_t length = GetU32(head + 4);
        if (length < 8 || offset + length > size)
            Damaged(field, block, "its length runs past the end of the memo file");
        std::vector<uint8_t> value(length - 8);
        mFile.ReadAt(offset + 8, value.data(), value.size(), "memo");
        if (!value.empty() && (value.back() == 0x1A || value.back() == 0x1F))
            value.pop_back();
        return value;
    }
};

// FoxPro .fpt (big-endian) and the engine's .adm (little-endian): a block
// header of type and length words in front of every value.
class BlockMemo final : public MemoFile {
public:
    BlockMemo(File file, uint32_t blockSize, bool adm) : MemoFile(std::move(file), blockSize), mAdm(adm) {}

    std::vector<uint8_t> Read(uint32_t block, const std::string& field) const override
    {
        uint64_t size = mFile.Size();
        uint64_t offset = uint64_t(block) * mBlockSize;
        if (offset < kHeaderSize || offset + 8 > size)
            Damaged(field, block, "it points past the end of the memo file");
        uint8_t head[8];
        mFile.ReadAt(offset, head, sizeof head, "memo block");
        uint32_t type = Word(head);
        uint32_t length = Word(head + 4);
        if (type > 3)
            Damaged(field, block, "its block type " + std::to_string(type) + " is unknown");
        if (length > size - offset - 8)
            Damaged(field, block, "it claims " + std::to_string(length) + " bytes but the memo file ends before");
        std::vector<uint8_t> value(length);
        mFile.ReadAt(offset + 8, value.data(), length, "memo");
        return value;
    }

    uint32_t Append(const uint8_t* data, size_t length, MemoContent content) override
    {
        if (length > 0xFFFFFFF0u)
            throw StorageError(kErrValue, "A memo value of " + std::to_string(length) + " bytes is too long.");
        uint32_t next = std::max(NextFree(), BlocksFor(kHeaderSize, mBlockSize));
        std::vector<uint8_t> bytes(8 + length);
        PutWord(bytes.data(), TypeWord(content));
        PutWord(bytes.data() + 4, uint32_t(length));
        std::copy(data, data + length, bytes.begin() + 8);
        uint64_t end = uint64_t(next) + BlocksFor(bytes.size(), mBlockSize);
        if (end > 0xFFFFFFFFull)
            throw StorageError(kErrValue, "The memo file " + Name() + " is full.");
        bytes.resize(size_t(end - next) * mBlockSize, 0);
        mFile.WriteAt(uint64_t(next) * mBlockSize, bytes.data(), bytes.size());
        SetNextFree(uint32_t(end));
        return next;
    }

private:
    uint32_t Word(const uint8_t* p) const { return mAdm ? GetU32(p) : GetU32BE(p); }
    void PutWord(uint8_t* p, uint32_t v) const { mAdm ? PutU32(p, v) : PutU32BE(p, v); }

    uint32_t TypeWord(MemoContent content) const
    {
        if (mAdm)
            return content == MemoContent::Text ? 1 : content == MemoContent::Utf16Text ? 3 : 2;
        // FoxPro: 1 text, 0 picture/binary.
        return content == MemoContent::Text || content == MemoContent::Utf16Text ? 1 : 0;
    }

    uint64_t NextFreeOffset() const { return mAdm ? 12 : 0; }

    uint32_t NextFree() const
    {
        uint8_t word[4];
        mFile.ReadAt(NextFreeOffset(), word, sizeof word, "memo header");
        return Word(word);
    }

    void SetNextFree(uint32_t block)
    {
        uint8_t word[4];
        PutWord(word, block);
        mFile.WriteAt(NextFreeOffset(), word, sizeof word);
    }

    bool mAdm;
};

uint32_t ReadBlockSize(const File& file, MemoKind kind, const std::string& tableName)
{
    uint8_t header[kHeaderSize] = {};
    size_t n = file.ReadSomeAt(0, header, sizeof header);
    auto damaged = [&](const std::string& problem) {
        throw StorageError(kErrCorruptMemo, "The memo file " + file.Name() + " of table " + tableName
                                                + " is damaged: " + problem);
    };
    if (n < 24)
        damaged("its header is cut off");
    switch (kind) {
    case MemoKind::Dbt: {
        // dBase IV files state their block size; dBase III ones use 512.
        uint32_t size = GetU16(header + 20);
        bool dbase4 = header[16] == 0 && size >= 512 && size % 512 == 0 && n >= 512
            && std::memcmp(header + 8, "\0\0\0\0\0\0\0\0", 8) != 0;
        return dbase4 ? size : kDbtBlock;
    }
    case MemoKind::Fpt: {
        uint32_t size = GetU16BE(header + 6);
        if (size == 0)
            damaged("its block size is 0");
        return size;
    }
    default: {
        if (std::memcmp(header, kAdmMagic, sizeof kAdmMagic) != 0)
            damaged("it is not an ADM memo file");
        uint32_t size = GetU32(header + 8);
        if (size == 0 || size > 65535)
            damaged("its block size " + std::to_string(size) + " is impossible");
        return size;
    }
    }
}

} // namespace

bool IsConvertedText(const FieldDesc& field)
{
    return (field.type == ft::Memo || field.type == ft::VarCharMemo) && !field.binary;
}

MemoContent ContentOf(const FieldDesc& field)
{
    if (field.type == ft::NMemo)
        return MemoContent::Utf16Text;
    if (field.type == ft::Image)
        return MemoContent::Picture;
    return IsConvertedText(field) ? MemoContent::Text : MemoContent::Binary;
}

void MemoFile::Damaged(const std::string& field, uint32_t block, const std::string& problem) const
{
    throw StorageError(kErrCorruptMemo, "The memo of field " + field + " (block " + std::to_string(block)
                                            + " of " + Name() + ") cannot be read: " + problem + ".");
}

std::unique_ptr<MemoFile> MemoFile::Open(MemoKind kind, const std::string& name, bool writable,
                                         const std::string& tableName)
{
    std::string resolved = ResolvePathCase(name);
    if (!FileExists(resolved))
        throw StorageError(kErrFileNotFound, "The memo file " + name + " of table " + tableName + " is missing.");
    File file = File::Open(resolved, writable);
    uint32_t blockSize = ReadBlockSize(file, kind, tableName);
    if (kind == MemoKind::Dbt)
        return std::make_unique<DbtMemo>(std::move(file), blockSize);
    return std::make_unique<BlockMemo>(std::move(file), blockSize, kind == MemoKind::Adm);
}

void MemoFile::CreateEmpty(MemoKind kind, const std::string& name, uint32_t blockSize)
{
    std::vector<uint8_t> header(kHeaderSize, 0);
    switch (kind) {
    case MemoKind::Dbt:
        PutU32(header.data(), 1);
        header[16] = 0x03;
        break;
    case MemoKind::Fpt:
        PutU32BE(header.data(), BlocksFor(kHeaderSize, blockSize));
        PutU16BE(header.data() + 6, uint16_t(blockSize));
        break;
    default:
        std::memcpy(header.data(), kAdmMagic, sizeof kAdmMagic);
        PutU32(header.data() + 8, blockSize);
        PutU32(header.data() + 12, BlocksFor(kHeaderSize, blockSize));
        break;
    }
    File file = File::CreateNew(name);
    file.WriteAt(0, header.data(), header.size());
}

} // namespace storage
