// Laying out the fields of a new table: which DBF letter or ADT type each
// definition becomes, its length in the record, and the VFP null bits.
#include "engine/storage/table_format.h"

#include "engine/storage/storage_error.h"
#include "platform/codepage/codepage.h"

#include <algorithm>

namespace storage {

namespace {

constexpr uint32_t kMaxRecordLength = 65535;

const char* KindName(TableKind kind)
{
    switch (kind) {
    case TableKind::NTX: return "NTX";
    case TableKind::CDX: return "CDX";
    case TableKind::VFP: return "VFP";
    case TableKind::ADT: return "ADT";
    }
    return "?";
}

[[noreturn]] void Unsupported(const FieldSpec& spec, TableKind kind)
{
    throw StorageError(kErrNotSupported, "Field " + spec.name + ": the type " + TypeName(spec.type)
                                             + " is not supported by " + KindName(kind) + " tables.");
}

[[noreturn]] void BadLength(const FieldSpec& spec, uint32_t low, uint32_t high)
{
    throw StorageError(kErrBadDefinition, "Bad definition of field " + spec.name + ": the length "
                                              + std::to_string(spec.length) + " is outside " + std::to_string(low)
                                              + " to " + std::to_string(high) + ".");
}

void CheckLength(const FieldSpec& spec, uint32_t low, uint32_t high)
{
    if (spec.length < low || spec.length > high)
        BadLength(spec, low, high);
}

void CheckDecimals(const FieldSpec& spec)
{
    if (spec.decimals > 0 && uint32_t(spec.decimals) + 2 > spec.length)
        throw StorageError(kErrBadDefinition, "Bad definition of field " + spec.name + ": "
                                                  + std::to_string(spec.decimals) + " decimals do not fit a width of "
                                                  + std::to_string(spec.length) + ".");
}

void CheckNumeric(const FieldSpec& spec)
{
    CheckLength(spec, 1, 20);
    CheckDecimals(spec);
}

// DBF of the dBase/FoxPro 2.x family (NTX and CDX).
FieldDesc PlanDbfField(const FieldSpec& spec, TableKind kind)
{
    FieldDesc f;
    f.type = spec.type;
    f.decimals = 0;
    switch (spec.type) {
    case ft::String: CheckLength(spec, 1, kind == TableKind::NTX ? 65000 : 254); f.letter = 'C'; f.length = spec.length; break;
    case ft::Numeric: CheckNumeric(spec); f.letter = spec.letter ? spec.letter : 'N'; f.length = spec.length;
        f.decimals = spec.decimals; break;
    case ft::Logical: f.letter = 'L'; f.length = 1; break;
    case ft::Date: f.letter = 'D'; f.length = 8; break;
    case ft::Memo: f.letter = 'M'; f.length = 10; break;
    case ft::Binary: case ft::Image:
        // dBase III has only text memos; Clipper-style tables keep binary
        // values there as well (the memo file refuses bytes it cannot hold).
        if (kind == TableKind::NTX) {
            f.letter = 'M';
            f.type = ft::Memo;
        } else {
            f.letter = spec.type == ft::Binary ? 'G' : 'P';
        }
        f.length = 10;
        f.binary = true;
        break;
    default: Unsupported(spec, kind);
    }
    return f;
}

FieldDesc PlanVfpField(const FieldSpec& spec)
{
    FieldDesc f;
    f.type = spec.type;
    switch (spec.type) {
    case ft::String: CheckLength(spec, 1, 254); f.letter = 'C'; f.length = spec.length; break;
    case ft::VarChar: CheckLength(spec, 1, 254); f.letter = 'V'; f.length = spec.length; break;
    case ft::VarBinary: CheckLength(spec, 1, 254); f.letter = 'Q'; f.length = spec.length; f.binary = true; break;
    case ft::Numeric: CheckNumeric(spec); f.letter = spec.letter ? spec.letter : 'N'; f.length = spec.length;
        f.decimals = spec.decimals; break;
    case ft::Logical: f.letter = 'L'; f.length = 1; break;
    case ft::Date: f.letter = 'D'; f.length = 8; break;
    case ft::TimeStamp: f.letter = 'T'; f.length = 8; break;
    case ft::Integer: f.letter = 'I'; f.length = 4; break;
    case ft::AutoInc: f.letter = 'I'; f.length = 4; break;
    case ft::Double: f.letter = 'B'; f.length = 8; f.decimals = spec.decimals; break;
    case ft::Money: f.letter = 'Y'; f.length = 8; f.decimals = 4; break;
    case ft::Memo: f.letter = 'M'; f.length = 4; break;
    case ft::Binary: f.letter = 'G'; f.length = 4; f.binary = true; break;
    case ft::Image: f.letter = 'P'; f.length = 4; f.binary = true; break;
    default: Unsupported(spec, TableKind::VFP);
    }
    // A free VFP table column is nullable unless NOT NULL is asked for: the
    // cursor layer has no other way to store NULL in it. Autoincrement
    // columns never are.
    f.nullable = spec.type != ft::AutoInc && spec.nullable.value_or(true);
    return f;
}

FieldDesc PlanAdtField(const FieldSpec& spec)
{
    FieldDesc f;
    f.type = spec.type;
    f.nullable = true;
    f.decimals = spec.decimals;
    switch (spec.type) {
    case ft::String: case ft::CIString: CheckLength(spec, 1, 65000); f.length = spec.length; f.decimals = 0; break;
    case ft::Raw: CheckLength(spec, 1, 65000); f.length = spec.length; f.binary = true; f.decimals = 0; break;
    case ft::VarChar: CheckLength(spec, 1, 65000); f.length = spec.length; f.decimals = 0; break;
    case ft::VarBinary: CheckLength(spec, 1, 65000); f.length = spec.length; f.binary = true; f.decimals = 0; break;
    case ft::NChar: case ft::NVarChar: CheckLength(spec, 1, 32500); f.length = spec.length * 2; f.decimals = 0; break;
    case ft::Numeric:
        CheckLength(spec, 1, 32);
        CheckDecimals(spec);
        f.length = spec.length;
        break;
    case ft::Logical: f.length = 1; f.decimals = 0; break;
    case ft::CompactDate: f.length = 3; f.decimals = 0; break;
    case ft::ShortInt: f.length = 2; f.decimals = 0; break;
    case ft::Date: case ft::Integer: case ft::Time: case ft::AutoInc: f.length = 4; f.decimals = 0; break;
    case ft::Double: case ft::CurDouble: f.length = 8; break;
    case ft::TimeStamp: case ft::ModTime: case ft::LongInt: f.length = 8; f.decimals = 0; break;
    case ft::Money: f.length = 8; f.decimals = 4; break;
    case ft::Memo: case ft::Binary: case ft::Image: case ft::NMemo: f.length = 8; f.decimals = 0;
        f.binary = spec.type == ft::Binary || spec.type == ft::Image; break;
    default: Unsupported(spec, TableKind::ADT);
    }
    return f;
}

std::string CheckedName(const FieldSpec& spec, TableKind kind)
{
    if (kind == TableKind::ADT) {
        if (spec.name.size() > 128)
            throw StorageError(kErrBadDefinition, "Bad definition of field " + spec.name
                                                      + ": names have at most 128 characters.");
        return spec.name;
    }
    if (spec.name.size() > 10)
        throw StorageError(kErrBadDefinition, "Bad definition of field " + spec.name
                                                  + ": DBF field names have at most 10 characters.");
    for (char c : spec.name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            throw StorageError(kErrBadDefinition, "Bad definition of field " + spec.name
                                                      + ": the name holds a control character.");
    return codepage::UpperCase(codepage::CodePage::Ansi1252, spec.name);
}

} // namespace

TableHeader PlanTable(TableKind kind, const std::vector<FieldSpec>& specs, CharType charType,
                      uint32_t memoBlockSize)
{
    std::vector<FieldDesc> fields;
    bool hasMemo = false;
    for (const FieldSpec& spec : specs) {
        FieldDesc field = kind == TableKind::ADT ? PlanAdtField(spec)
            : kind == TableKind::VFP             ? PlanVfpField(spec)
                                                 : PlanDbfField(spec, kind);
        field.name = CheckedName(spec, kind);
        hasMemo = hasMemo || IsMemoType(field.type);
        fields.push_back(std::move(field));
    }
    size_t limit = kind == TableKind::ADT ? 65535 : kind == TableKind::VFP ? 254 : 255;
    if (fields.size() > limit)
        throw StorageError(kErrBadDefinition, "Bad table definition: " + std::to_string(fields.size())
                                                  + " fields, at most " + std::to_string(limit) + " are allowed.");
    uint32_t offset = 1;
    for (FieldDesc& field : fields) {
        field.offset = offset;
        offset += field.storageLength(kind);
    }
    uint32_t nullFlagsLength = 0;
    if (kind == TableKind::VFP) {
        uint32_t bits = AssignVfpFlagBits(fields);
        nullFlagsLength = (bits + 7) / 8;
    }
    uint32_t nullFlagsOffset = nullFlagsLength ? offset : 0;
    uint32_t recordLength = offset + nullFlagsLength;
    if (recordLength > kMaxRecordLength)
        throw StorageError(kErrBadDefinition, "Bad table definition: records of " + std::to_string(recordLength)
                                                  + " bytes are longer than the limit of 65535.");

    TableHeader header;
    header.layout = RecordLayout(kind, charType, std::move(fields), recordLength, nullFlagsOffset, nullFlagsLength);
    header.dbf = kind != TableKind::ADT;
    header.foxYear = kind == TableKind::VFP || (kind == TableKind::CDX && hasMemo);
    header.memoKind = !hasMemo ? MemoKind::None
        : kind == TableKind::ADT ? MemoKind::Adm
        : kind == TableKind::NTX ? MemoKind::Dbt
                                 : MemoKind::Fpt;
    uint32_t defaultBlock = header.memoKind == MemoKind::Adm ? 8 : header.memoKind == MemoKind::Fpt ? 64 : 512;
    header.memoBlockSize = header.memoKind == MemoKind::Dbt || memoBlockSize == 0 ? defaultBlock : memoBlockSize;
    if (header.memoBlockSize > 65535)
        throw StorageError(kErrBadDefinition, "Bad table definition: a memo block size of "
                                                  + std::to_string(memoBlockSize) + " is larger than 65535.");
    return header;
}

} // namespace storage
