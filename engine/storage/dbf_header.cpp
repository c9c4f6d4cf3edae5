// DBF headers (dBase III/Clipper, FoxPro 2.x, Visual FoxPro): reading and
// checking them, and building the header of a new table.
#include "engine/storage/table_format.h"

#include "engine/storage/storage_error.h"
#include "engine/storage/value_codec.h"

#include <algorithm>
#include <cctype>
#include <ctime>

namespace storage {

using namespace codec;

namespace {

constexpr uint32_t kDescriptorSize = 32;
constexpr uint32_t kBacklinkSize = 263;
constexpr uint8_t kTerminator = 0x0D;

std::string Hex(unsigned value)
{
    static const char digits[] = "0123456789ABCDEF";
    return std::string("0x") + digits[(value >> 4) & 15] + digits[value & 15];
}

bool IsVfpVersion(uint8_t version) { return version == 0x30 || version == 0x31 || version == 0x32; }

bool IsKnownVersion(uint8_t version)
{
    switch (version) {
    case 0x03: case 0x05: case 0x30: case 0x31: case 0x32: case 0x43: case 0x63: case 0x7B:
    case 0x83: case 0x8B: case 0xCB: case 0xF5: case 0xFB:
        return true;
    default:
        return false;
    }
}

MemoKind DbfMemoKind(uint8_t version, TableKind requested)
{
    switch (version) {
    case 0x83: case 0x8B: case 0xCB: case 0x7B: case 0x05: return MemoKind::Dbt;
    case 0xF5: case 0xFB: case 0x30: case 0x31: case 0x32: return MemoKind::Fpt;
    default: return requested == TableKind::NTX ? MemoKind::Dbt : MemoKind::Fpt;
    }
}

struct RawDescriptor {
    std::string name;
    char letter = 0;
    uint32_t length = 0;
    uint8_t decimals = 0;
    uint8_t flags = 0;
    uint32_t index = 0; // position in the descriptor array
};

std::string DescriptorName(const uint8_t* p)
{
    size_t end = 0;
    while (end < 11 && p[end] != 0)
        ++end;
    std::string name(reinterpret_cast<const char*>(p), end);
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
    return name;
}

[[noreturn]] void Corrupt(const File& file, const std::string& problem)
{
    throw StorageError(kErrCorruptTable, "The table " + file.Name() + " is damaged: " + problem);
}

[[noreturn]] void ImpossibleLength(const File& file, const RawDescriptor& d)
{
    Corrupt(file, "field " + d.name + " of type " + std::string(1, d.letter) + " cannot have the length "
                      + std::to_string(d.length) + ".");
}

// Engine type of a DBF descriptor; raises for letters no table kind knows and
// for lengths the type cannot have.
FieldDesc MapDescriptor(const File& file, const RawDescriptor& d, bool vfp)
{
    FieldDesc f;
    f.name = d.name;
    f.letter = d.letter;
    f.length = d.length;
    f.decimals = d.decimals;
    f.nullable = vfp && (d.flags & 0x02);
    f.binary = vfp && (d.flags & 0x04);
    auto require = [&](bool ok) {
        if (!ok)
            ImpossibleLength(file, d);
    };
    switch (d.letter) {
    case 'C': f.type = ft::String; f.decimals = 0; require(d.length >= 1); break;
    case 'N': case 'F': f.type = ft::Numeric; require(d.length >= 1 && d.length <= 32); break;
    case 'D': f.type = ft::Date; require(d.length == 8); break;
    case 'L': f.type = ft::Logical; require(d.length == 1); break;
    case 'M': f.type = f.binary ? ft::Binary : ft::Memo; require(d.length == 10 || d.length == 4); break;
    case 'G': f.type = ft::Binary; f.binary = true; require(d.length == 10 || d.length == 4); break;
    case 'P': f.type = ft::Image; f.binary = true; require(d.length == 10 || d.length == 4); break;
    case 'B':
        if (vfp) {
            f.type = ft::Double;
            require(d.length == 8);
        } else {
            f.type = ft::Binary; // dBase 5 binary memo
            f.binary = true;
            require(d.length == 10);
        }
        break;
    case 'W': f.type = ft::Binary; f.binary = true; require(d.length == 4); break;
    case 'T': f.type = ft::TimeStamp; require(d.length == 8); break;
    case 'I': f.type = vfp && (d.flags & 0x0C) == 0x0C ? ft::AutoInc : ft::Integer; require(d.length == 4); break;
    case 'Y': f.type = ft::Money; f.decimals = 4; require(d.length == 8); break;
    case 'V': case 'Q':
        if (!vfp)
            throw StorageError(kErrUnknownFieldType, "Field " + d.name + " of table " + file.Name()
                                                         + " has the type letter '" + d.letter
                                                         + "', which only Visual FoxPro tables have.");
        f.type = d.letter == 'V' ? ft::VarChar : ft::VarBinary;
        f.binary = f.binary || d.letter == 'Q';
        require(d.length >= 1 && d.length <= 254);
        break;
    default: {
        std::string shown = std::isprint(static_cast<unsigned char>(d.letter))
            ? std::string(1, d.letter)
            : Hex(static_cast<unsigned char>(d.letter));
        throw StorageError(kErrUnknownFieldType, "Field " + d.name + " of table " + file.Name()
                                                     + " has the unknown type letter '" + shown + "'.");
    }
    }
    return f;
}

std::vector<RawDescriptor> ReadDescriptors(const std::vector<uint8_t>& header, bool vfp)
{
    std::vector<RawDescriptor> descriptors;
    for (uint32_t pos = 32; pos + kDescriptorSize <= header.size() && header[pos] != kTerminator;
         pos += kDescriptorSize) {
        const uint8_t* p = header.data() + pos;
        RawDescriptor d;
        d.name = DescriptorName(p);
        d.letter = char(p[11]);
        if (d.letter != '0')
            d.letter = char(std::toupper(static_cast<unsigned char>(d.letter)));
        d.length = p[16];
        d.decimals = p[17];
        d.flags = vfp ? p[18] : 0;
        d.index = uint32_t(descriptors.size());
        descriptors.push_back(d);
    }
    return descriptors;
}

// Clipper and compatible writers keep the high byte of a long character
// length in the decimal count. Use that reading only when it is the one that
// makes the record length add up.
void ApplyLongCharacterRule(std::vector<RawDescriptor>& descriptors, uint32_t recordLength)
{
    uint32_t plain = 1, wide = 1;
    bool any = false;
    for (const RawDescriptor& d : descriptors) {
        plain += d.length;
        bool longC = d.letter == 'C' && d.decimals != 0;
        wide += longC ? d.length + 256u * d.decimals : d.length;
        any = any || longC;
    }
    if (!any || plain == recordLength || wide != recordLength)
        return;
    for (RawDescriptor& d : descriptors)
        if (d.letter == 'C' && d.decimals != 0) {
            d.length += 256u * d.decimals;
            d.decimals = 0;
        }
}

// Some writers give every field a null bit at its position instead of
// numbering only the nullable and variable-length fields. Nothing marks such
// files, except when their _NullFlags is longer than the numbered bits need:
// a writer of the usual layout never leaves a whole byte unused, so then the
// bits are taken by position.
bool UsesPositionalNullBits(const std::vector<FieldDesc>& fields, uint32_t bits, uint32_t nullFlagsLength)
{
    bool variable = std::any_of(fields.begin(), fields.end(), [](const FieldDesc& f) {
        return f.type == ft::VarChar || f.type == ft::VarBinary;
    });
    return !variable && nullFlagsLength > (bits + 7) / 8 && nullFlagsLength * 8 >= fields.size();
}

CharType CharTypeFromMark(uint8_t mark, CharType fallback)
{
    switch (mark) {
    case 0x02: return CharType::Oem;
    case 0x03: case 0x57: case 0x58: case 0x59: return CharType::Ansi;
    default: return fallback;
    }
}

} // namespace

void CheckRecordCount(const File& file, uint64_t size, uint32_t headerLength, uint32_t recordLength,
                      uint32_t count, uint32_t slack)
{
    uint64_t data = size - headerLength;
    uint64_t physical = data / recordLength;
    uint64_t rest = data % recordLength;
    if (physical == count && rest <= slack)
        return;
    // An append writes its record before the count that claims it; a writer
    // stopped in between leaves exactly one whole record past the count (and
    // for a DBF perhaps its end mark). That record was never confirmed: the
    // count is the truth and the next append reuses the slot.
    if (physical == uint64_t(count) + 1 && rest <= slack)
        return;
    if (physical < count)
        Corrupt(file, "the header counts " + std::to_string(count) + " records but the file holds only "
                          + std::to_string(physical) + " complete records (it is truncated).");
    Corrupt(file, "the header counts " + std::to_string(count) + " records but the file size ("
                      + std::to_string(size) + " bytes) fits " + std::to_string(physical) + " records"
                      + (rest ? " and " + std::to_string(rest) + " stray bytes." : "."));
}

namespace {

TableHeader ReadDbfHeader(const File& file, TableKind requested, CharType defaultCharType, uint64_t size)
{
    uint8_t fixed[32];
    file.ReadAt(0, fixed, sizeof fixed, "header");
    uint8_t version = fixed[0];
    if ((version & 7) == 4)
        throw StorageError(kErrNotSupported, "The table " + file.Name() + " is a dBase 7 table, which is not supported.");
    if (!IsKnownVersion(version) && (version & 7) != 3)
        Corrupt(file, "the version byte " + Hex(version) + " is not one of a DBF table.");
    if (fixed[15] == 1)
        throw StorageError(kErrNotSupported, "The table " + file.Name() + " is encrypted, which is not supported.");
    bool vfp = IsVfpVersion(version);
    uint32_t headerLength = GetU16(fixed + 8);
    uint32_t recordLength = GetU16(fixed + 10);
    uint32_t count = GetU32(fixed + 4);
    if (headerLength < 33 || recordLength == 0)
        Corrupt(file, "its header length (" + std::to_string(headerLength) + ") or record length ("
                          + std::to_string(recordLength) + ") is impossible.");
    if (headerLength > size)
        Corrupt(file, "the file is shorter than its header (" + std::to_string(headerLength) + " bytes).");
    std::vector<uint8_t> header(headerLength);
    file.ReadAt(0, header.data(), header.size(), "header");

    std::vector<RawDescriptor> descriptors = ReadDescriptors(header, vfp);
    if (descriptors.empty())
        Corrupt(file, "it has no field descriptors.");
    if (!vfp)
        ApplyLongCharacterRule(descriptors, recordLength);

    TableHeader result;
    std::vector<FieldDesc> fields;
    uint32_t offset = 1, nullFlagsOffset = 0, nullFlagsLength = 0;
    for (const RawDescriptor& d : descriptors) {
        if (vfp && d.letter == '0') {
            nullFlagsOffset = offset;
            nullFlagsLength = d.length;
            offset += d.length;
            continue;
        }
        FieldDesc field = MapDescriptor(file, d, vfp);
        field.offset = offset;
        offset += field.length;
        if (field.type == ft::AutoInc)
            result.autoinc.push_back({fields.size(), 32ull + kDescriptorSize * d.index + 19});
        fields.push_back(std::move(field));
    }
    if (offset > recordLength)
        Corrupt(file, "its fields need " + std::to_string(offset) + " bytes per record but the header says "
                          + std::to_string(recordLength) + ".");
    if (vfp) {
        uint32_t bits = AssignVfpFlagBits(fields);
        if (bits > nullFlagsLength * 8)
            Corrupt(file, "its _NullFlags field is too short for the nullable and variable-length fields.");
        if (UsesPositionalNullBits(fields, bits, nullFlagsLength))
            for (size_t i = 0; i < fields.size(); ++i)
                fields[i].nullBit = fields[i].nullable ? int(i) : -1;
    }
    CheckRecordCount(file, size, headerLength, recordLength, count, 1);

    TableKind kind = vfp ? TableKind::VFP : requested == TableKind::NTX ? TableKind::NTX : TableKind::CDX;
    result.layout = RecordLayout(kind, CharTypeFromMark(fixed[29], defaultCharType), std::move(fields),
                                 recordLength, nullFlagsOffset, nullFlagsLength);
    result.headerLength = headerLength;
    result.recordCount = count;
    result.countOffset = 4;
    result.dbf = true;
    result.version = version;
    result.foxYear = vfp || version == 0xF5 || version == 0xFB;
    result.foreignIndex = (fixed[28] & 0x01) != 0;
    bool hasMemo = std::any_of(result.layout.Fields().begin(), result.layout.Fields().end(),
                               [](const FieldDesc& f) { return IsMemoType(f.type); });
    result.memoKind = hasMemo ? DbfMemoKind(version, requested) : MemoKind::None;
    return result;
}

} // namespace


uint32_t AssignVfpFlagBits(std::vector<FieldDesc>& fields)
{
    // One varlength bit per V/Q field, then a null bit per nullable field,
    // numbered from 0 in field order (a nullable V/Q field: varlength first).
    int bit = 0;
    for (FieldDesc& field : fields) {
        field.varBit = -1;
        field.nullBit = -1;
        if (field.type == ft::VarChar || field.type == ft::VarBinary)
            field.varBit = bit++;
        if (field.nullable)
            field.nullBit = bit++;
    }
    return uint32_t(bit);
}

TableHeader ReadTableHeader(const File& file, TableKind requested, CharType defaultCharType)
{
    uint64_t size = file.Size();
    if (size < 32)
        throw StorageError(kErrCorruptTable, "The file " + file.Name() + " is not a table: it has only "
                                                 + std::to_string(size) + " bytes.");
    bool adt = HasAdtSignature(file);
    if (requested == TableKind::ADT) {
        if (!adt)
            throw StorageError(kErrCorruptTable, "The file " + file.Name() + " is not an ADT table.");
        return ReadAdtHeader(file, defaultCharType, size);
    }
    if (adt)
        throw StorageError(kErrCorruptTable, "The file " + file.Name() + " is an ADT table, not a DBF table.");
    return ReadDbfHeader(file, requested, defaultCharType, size);
}

void StampDbfDate(uint8_t* threeBytes, bool foxYear)
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    int year = local.tm_year + 1900 - (foxYear ? 2000 : 1900);
    threeBytes[0] = uint8_t(std::clamp(year, 0, 255));
    threeBytes[1] = uint8_t(local.tm_mon + 1);
    threeBytes[2] = uint8_t(local.tm_mday);
}

namespace {

uint8_t DbfVersionFor(const TableHeader& header)
{
    const auto& fields = header.layout.Fields();
    auto has = [&](auto predicate) { return std::any_of(fields.begin(), fields.end(), predicate); };
    bool memo = header.memoKind != MemoKind::None;
    switch (header.layout.Kind()) {
    case TableKind::NTX: return memo ? 0x83 : 0x03;
    case TableKind::CDX: return memo ? 0xF5 : 0x03;
    default:
        if (has([](const FieldDesc& f) { return f.type == ft::VarChar || f.type == ft::VarBinary; }))
            return 0x32;
        if (has([](const FieldDesc& f) { return f.type == ft::AutoInc; }))
            return 0x31;
        return 0x30;
    }
}

void PutDescriptor(uint8_t* p, const std::string& name, char letter, uint32_t offset, uint32_t length,
                   uint8_t decimals, uint8_t flags, bool displacement)
{
    std::copy_n(name.begin(), std::min<size_t>(name.size(), 10), p);
    p[11] = uint8_t(letter);
    if (displacement)
        PutU32(p + 12, offset);
    if (letter == 'C' && length > 255) {
        // Long character field: high byte of the length in the decimal count.
        p[16] = uint8_t(length & 0xFF);
        p[17] = uint8_t(length >> 8);
    } else {
        p[16] = uint8_t(length);
        p[17] = decimals;
    }
    p[18] = flags;
}

std::vector<uint8_t> BuildDbfHeader(TableHeader& header)
{
    const RecordLayout& layout = header.layout;
    bool vfp = layout.Kind() == TableKind::VFP;
    size_t descriptors = layout.Fields().size() + (layout.NullFlagsLength() ? 1 : 0);
    uint32_t headerLength = uint32_t(32 + kDescriptorSize * descriptors + 1 + (vfp ? kBacklinkSize : 0));
    std::vector<uint8_t> bytes(headerLength, 0);
    header.version = DbfVersionFor(header);
    bytes[0] = header.version;
    StampDbfDate(&bytes[1], header.foxYear);
    PutU16(&bytes[8], uint16_t(headerLength));
    PutU16(&bytes[10], uint16_t(layout.RecordLength()));
    bytes[28] = vfp && header.memoKind != MemoKind::None ? 0x02 : 0x00;
    bytes[29] = layout.GetCharType() == CharType::Oem ? 0x02 : 0x03;
    bool displacement = layout.Kind() != TableKind::NTX;
    header.autoinc.clear();
    for (size_t i = 0; i < layout.Fields().size(); ++i) {
        const FieldDesc& f = layout.Fields()[i];
        uint8_t* p = &bytes[32 + kDescriptorSize * i];
        // FoxPro writers mark binary memo columns (G, P) with 0x04 too.
        uint8_t flags = layout.Kind() == TableKind::CDX && f.binary ? 0x04 : 0;
        if (vfp) {
            flags = uint8_t((f.nullable ? 0x02 : 0) | (f.binary ? 0x04 : 0));
            if (f.type == ft::AutoInc) {
                flags = 0x0C;
                PutU32(p + 19, 1); // next value
                p[23] = 1;         // step
                header.autoinc.push_back({i, 32ull + kDescriptorSize * i + 19});
            }
        }
        PutDescriptor(p, f.name, f.letter, f.offset, f.length, uint8_t(f.decimals), flags, displacement);
    }
    if (layout.NullFlagsLength()) {
        uint8_t* p = &bytes[32 + kDescriptorSize * layout.Fields().size()];
        PutDescriptor(p, "_NullFlags", '0', layout.NullFlagsOffset(), layout.NullFlagsLength(), 0, 0x05, true);
    }
    bytes[32 + kDescriptorSize * descriptors] = kTerminator;
    header.headerLength = headerLength;
    header.countOffset = 4;
    return bytes;
}

} // namespace


std::vector<uint8_t> BuildTableHeader(TableHeader& header)
{
    return header.layout.Kind() == TableKind::ADT ? BuildAdtHeader(header) : BuildDbfHeader(header);
}

std::string TableFileName(const std::string& path, TableKind kind)
{
    if (path.empty())
        throw StorageError(kErrFileNotFound, "No table file name was given.");
    std::string name = FileSystemName(path);
    size_t slash = name.find_last_of('/');
    size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        name += DefaultExtension(kind);
    return ResolvePathCase(name);
}

std::string DefaultExtension(TableKind kind) { return kind == TableKind::ADT ? ".adt" : ".dbf"; }

std::string MemoFileNameFor(const std::string& tableName, MemoKind kind)
{
    const char* extension = kind == MemoKind::Dbt ? ".dbt" : kind == MemoKind::Fpt ? ".fpt" : ".adm";
    size_t slash = tableName.find_last_of('/');
    size_t dot = tableName.find_last_of('.');
    std::string base = dot != std::string::npos && (slash == std::string::npos || dot > slash)
        ? tableName.substr(0, dot)
        : tableName;
    // Keep the case style of the table's extension (DATA.DBF -> DATA.FPT).
    bool upper = dot != std::string::npos && dot + 1 < tableName.size()
        && std::isupper(static_cast<unsigned char>(tableName[dot + 1]));
    std::string ext = extension;
    if (upper)
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::toupper(c)); });
    return base + ext;
}

} // namespace storage
