// The header of the engine's own ADT table format (engine/FORMAT.md).
#include "engine/storage/table_format.h"

#include "engine/storage/storage_error.h"
#include "engine/storage/value_codec.h"

#include <algorithm>
#include <cstring>

namespace storage {

using namespace codec;

namespace {

constexpr char kMagic[8] = {'V', 'N', 'L', 'A', 'D', 'T', '1', 0};
constexpr uint32_t kFixedSize = 64;
constexpr uint32_t kDescriptorSize = 160;
constexpr uint32_t kNameSize = 128;
constexpr uint32_t kFlagNullable = 1;
constexpr uint32_t kFlagBinary = 2;

[[noreturn]] void Corrupt(const File& file, const std::string& problem)
{
    throw StorageError(kErrCorruptTable, "The table " + file.Name() + " is damaged: " + problem);
}

// The length a field of `type` must have in an ADT record; 0 when the length
// is the definition's choice, -1 for a type ADT does not store.
int FixedLength(uint16_t type)
{
    switch (type) {
    case ft::Logical: return 1;
    case ft::CompactDate: return 3;
    case ft::ShortInt: return 2;
    case ft::Date: case ft::Integer: case ft::Time: case ft::AutoInc: return 4;
    case ft::Double: case ft::CurDouble: case ft::TimeStamp: case ft::ModTime: case ft::LongInt: case ft::Money:
    case ft::Memo: case ft::Binary: case ft::Image: case ft::NMemo: case ft::VarCharMemo:
    case ft::BinaryText: case ft::ImageText:
        return 8;
    case ft::Numeric: case ft::String: case ft::CIString: case ft::Raw: case ft::VarChar: case ft::VarBinary:
    case ft::NChar: case ft::NVarChar:
        return 0;
    default: return -1;
    }
}

} // namespace

bool HasAdtSignature(const File& file)
{
    char magic[8];
    return file.ReadSomeAt(0, magic, sizeof magic) == sizeof magic && std::memcmp(magic, kMagic, 8) == 0;
}

TableHeader ReadAdtHeader(const File& file, CharType defaultCharType, uint64_t size)
{
    uint8_t fixed[kFixedSize];
    file.ReadAt(0, fixed, sizeof fixed, "header");
    uint32_t headerLength = GetU32(fixed + 8);
    uint32_t recordLength = GetU32(fixed + 12);
    uint32_t count = GetU32(fixed + 16);
    uint32_t fieldCount = GetU16(fixed + 20);
    uint16_t charType = GetU16(fixed + 22);
    if (fieldCount == 0 || headerLength != kFixedSize + kDescriptorSize * fieldCount)
        Corrupt(file, "its header length does not match its " + std::to_string(fieldCount) + " fields.");
    if (recordLength < 2 || recordLength > 65535)
        Corrupt(file, "its record length " + std::to_string(recordLength) + " is impossible.");
    if (headerLength > size)
        Corrupt(file, "the file is shorter than its header (" + std::to_string(headerLength) + " bytes).");
    std::vector<uint8_t> header(headerLength);
    file.ReadAt(0, header.data(), header.size(), "header");

    TableHeader result;
    std::vector<FieldDesc> fields;
    uint32_t offset = 1;
    for (uint32_t i = 0; i < fieldCount; ++i) {
        const uint8_t* p = header.data() + kFixedSize + kDescriptorSize * i;
        FieldDesc f;
        f.name.assign(reinterpret_cast<const char*>(p), strnlen(reinterpret_cast<const char*>(p), kNameSize));
        f.type = GetU16(p + 128);
        f.decimals = GetU16(p + 130);
        f.length = GetU32(p + 132);
        f.offset = GetU32(p + 136);
        uint32_t flags = GetU32(p + 140);
        f.nullable = flags & kFlagNullable;
        f.binary = flags & kFlagBinary;
        int fixedLength = FixedLength(f.type);
        if (fixedLength < 0)
            throw StorageError(kErrUnknownFieldType, "Field " + f.name + " of table " + file.Name()
                                                         + " has the unknown field type " + std::to_string(f.type) + ".");
        bool unicode = f.type == ft::NChar || f.type == ft::NVarChar;
        if ((fixedLength > 0 && f.length != uint32_t(fixedLength)) || f.length == 0 || (unicode && f.length % 2))
            Corrupt(file, "field " + f.name + " of type " + std::to_string(f.type) + " cannot have the length "
                              + std::to_string(f.length) + ".");
        if (f.offset != offset)
            Corrupt(file, "field " + f.name + " does not start where the field before it ends.");
        offset += f.storageLength(TableKind::ADT);
        if (f.type == ft::AutoInc)
            result.autoinc.push_back({fields.size(), kFixedSize + kDescriptorSize * i + 144ull});
        fields.push_back(std::move(f));
    }
    if (offset != recordLength)
        Corrupt(file, "its fields need " + std::to_string(offset) + " bytes per record but the header says "
                          + std::to_string(recordLength) + ".");
    CheckRecordCount(file, size, headerLength, recordLength, count, 0);

    CharType type = charType == 2 ? CharType::Oem : charType == 1 ? CharType::Ansi : defaultCharType;
    result.layout = RecordLayout(TableKind::ADT, type, std::move(fields), recordLength, 0, 0);
    result.headerLength = headerLength;
    result.recordCount = count;
    result.countOffset = 16;
    result.memoBlockSize = GetU32(fixed + 24);
    bool hasMemo = std::any_of(result.layout.Fields().begin(), result.layout.Fields().end(),
                               [](const FieldDesc& f) { return IsMemoType(f.type); });
    result.memoKind = hasMemo ? MemoKind::Adm : MemoKind::None;
    return result;
}

std::vector<uint8_t> BuildAdtHeader(TableHeader& header)
{
    const RecordLayout& layout = header.layout;
    uint32_t fieldCount = uint32_t(layout.Fields().size());
    uint32_t headerLength = kFixedSize + kDescriptorSize * fieldCount;
    std::vector<uint8_t> bytes(headerLength, 0);
    std::memcpy(bytes.data(), kMagic, sizeof kMagic);
    PutU32(&bytes[8], headerLength);
    PutU32(&bytes[12], layout.RecordLength());
    PutU32(&bytes[16], 0);
    PutU16(&bytes[20], uint16_t(fieldCount));
    PutU16(&bytes[22], uint16_t(layout.GetCharType()));
    PutU32(&bytes[24], header.memoBlockSize);
    header.autoinc.clear();
    for (uint32_t i = 0; i < fieldCount; ++i) {
        const FieldDesc& f = layout.Fields()[i];
        uint8_t* p = &bytes[kFixedSize + kDescriptorSize * i];
        std::copy_n(f.name.begin(), std::min<size_t>(f.name.size(), kNameSize), p);
        PutU16(p + 128, f.type);
        PutU16(p + 130, f.decimals);
        PutU32(p + 132, f.length);
        PutU32(p + 136, f.offset);
        PutU32(p + 140, (f.nullable ? kFlagNullable : 0) | (f.binary ? kFlagBinary : 0));
        if (f.type == ft::AutoInc) {
            PutU32(p + 144, 1);
            header.autoinc.push_back({i, kFixedSize + kDescriptorSize * i + 144ull});
        }
    }
    header.headerLength = headerLength;
    header.countOffset = 16;
    header.version = 1;
    return bytes;
}

} // namespace storage
