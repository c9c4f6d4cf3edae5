// RecordLayout: structure, null and empty tests and writes, VFP system flags
// and memo references. Typed value access is in field_values.cpp.
#include "engine/storage/record_layout.h"

#include "engine/storage/value_codec.h"
#include "platform/codepage/codepage.h"

#include <algorithm>
#include <cctype>

namespace storage {

using namespace codec;

namespace {

bool AllBytesIn(const uint8_t* p, uint32_t length, std::string_view allowed)
{
    for (uint32_t i = 0; i < length; ++i)
        if (allowed.find(char(p[i])) == std::string_view::npos)
            return false;
    return true;
}

bool AllZero(const uint8_t* p, uint32_t length) { return AllBytesIn(p, length, std::string_view("\0", 1)); }

void FillUtf16Spaces(uint8_t* p, uint32_t length)
{
    for (uint32_t i = 0; i + 1 < length; i += 2) {
        p[i] = ' ';
        p[i + 1] = 0;
    }
}

bool IsTextLike(uint16_t type)
{
    return type == ft::Logical || type == ft::Numeric || type == ft::Date || type == ft::String
        || type == ft::CIString || type == ft::VarChar || type == ft::VarBinary;
}

} // namespace

RecordLayout::RecordLayout(TableKind kind, CharType charType, std::vector<FieldDesc> fields,
                           uint32_t recordLength, uint32_t nullFlagsOffset, uint32_t nullFlagsLength)
    : mKind(kind), mCharType(charType), mFields(std::move(fields)), mRecordLength(recordLength),
      mNullFlagsOffset(nullFlagsOffset), mNullFlagsLength(nullFlagsLength)
{
    for (const FieldDesc& field : mFields)
        mFoldedNames.push_back(codepage::UpperCase(codepage::CodePage::Ansi1252, field.name));
}

const FieldDesc& RecordLayout::Field(size_t index) const
{
    if (index >= mFields.size())
        throw StorageError(kErrFieldNotFound, "Field number " + std::to_string(index + 1)
                                                  + " does not exist; the table has "
                                                  + std::to_string(mFields.size()) + " fields.");
    return mFields[index];
}

const FieldDesc& RecordLayout::Checked(size_t index, const uint8_t* image) const
{
    if (!image)
        throw StorageError(kErrValue, "No record image was given.");
    return Field(index);
}

int RecordLayout::FieldIndex(std::string_view name) const
{
    std::string wanted = codepage::UpperCase(codepage::CodePage::Ansi1252, name);
    for (size_t i = 0; i < mFoldedNames.size(); ++i)
        if (mFoldedNames[i] == wanted)
            return int(i);
    return -1;
}

std::string RecordLayout::ToAnsi(std::string_view stored) const
{
    if (mCharType == CharType::Oem)
        return codepage::Convert(codepage::CodePage::Oem850, codepage::CodePage::Ansi1252, stored);
    return std::string(stored);
}

std::string RecordLayout::FromAnsi(std::string_view ansi) const
{
    if (mCharType == CharType::Oem)
        return codepage::Convert(codepage::CodePage::Ansi1252, codepage::CodePage::Oem850, ansi);
    return std::string(ansi);
}

std::vector<uint8_t> RecordLayout::BlankRecord() const
{
    std::vector<uint8_t> image(mRecordLength);
    BlankRecord(image.data());
    return image;
}

void RecordLayout::BlankRecord(uint8_t* image) const
{
    std::fill(image, image + mRecordLength, uint8_t(0));
    image[0] = ' ';
    for (size_t i = 0; i < mFields.size(); ++i)
        SetNull(i, image);
}

// ---- VFP _NullFlags bits -------------------------------------------------

bool RecordLayout::FlagBit(const uint8_t* image, int bit) const
{
    if (bit < 0 || mNullFlagsLength == 0 || uint32_t(bit / 8) >= mNullFlagsLength)
        return false;
    return (image[mNullFlagsOffset + bit / 8] >> (bit % 8)) & 1;
}

void RecordLayout::SetFlagBit(uint8_t* image, int bit, bool value) const
{
    uint8_t& byte = image[mNullFlagsOffset + bit / 8];
    uint8_t mask = uint8_t(1u << (bit % 8));
    byte = value ? uint8_t(byte | mask) : uint8_t(byte & ~mask);
}

bool RecordLayout::GetNullFlag(size_t index, const uint8_t* image) const
{
    return FlagBit(image, Checked(index, image).nullBit);
}

void RecordLayout::SetNullFlag(size_t index, uint8_t* image, bool value) const
{
    const FieldDesc& field = Checked(index, image);
    if (field.nullBit < 0)
        throw StorageError(kErrValue, "Field " + field.name + " cannot hold NULL.");
    SetFlagBit(image, field.nullBit, value);
}

bool RecordLayout::IsFullLength(size_t index, const uint8_t* image) const
{
    return !FlagBit(image, Checked(index, image).varBit);
}

void RecordLayout::SetFullLength(size_t index, uint8_t* image, bool full) const
{
    const FieldDesc& field = Checked(index, image);
    if (field.varBit < 0)
        throw StorageError(kErrValue, "Field " + field.name + " is not of variable length.");
    SetFlagBit(image, field.varBit, !full);
}

void RecordLayout::MarkNotNull(const FieldDesc& field, uint8_t* image) const
{
    if (field.nullBit >= 0)
        SetFlagBit(image, field.nullBit, false);
}

// ---- Null tests and writes -----------------------------------------------

bool RecordLayout::BytesShowNull(const FieldDesc& field, const uint8_t* p) const
{
    const uint32_t L = field.length;
    if (IsMemoType(field.type))
        return false; // decided by the memo reference (MemoBlock) in IsNull
    if (mKind == TableKind::ADT) {
        switch (field.type) {
        case ft::Logical: return p[0] == ' ' || p[0] == 0;
        case ft::Double: case ft::CurDouble: return GetU32(p) == 0x20 && GetU32(p + 4) == 0x80000000u;
        case ft::Integer: return GetU32(p) == 0x80000000u;
        case ft::ShortInt: return GetU16(p) == 0x8000;
        case ft::Time: case ft::AutoInc: return GetU32(p) == 0xFFFFFFFFu;
        case ft::TimeStamp: case ft::ModTime: return GetU32(p) == 0;
        case ft::Money: case ft::LongInt: return GetU32(p) == 0 && GetU32(p + 4) == 0x80000000u;
        case ft::VarChar: case ft::VarBinary: case ft::NVarChar: return GetU16(p + L) == 0xFFFF;
        default: return AllZero(p, L);
        }
    }
    if (mKind == TableKind::VFP) {
        switch (field.type) {
        case ft::Logical: return AllBytesIn(p, L, " ?"); // '?' is the xBase "not set"
        case ft::Numeric: return AllBytesIn(p, L, " ");
        case ft::Date: return AllBytesIn(p, L, " ") || AllBytesIn(p, L, "0");
        case ft::TimeStamp: return GetU32(p) == 0;
        default: return false;
        }
    }
    switch (field.type) {
    case ft::Logical: return AllBytesIn(p, L, std::string_view(" ?\0", 3));
    case ft::Numeric: return AllBytesIn(p, L, std::string_view(" \0", 2)) || AllBytesIn(p, L, "*");
    case ft::Date: return AllBytesIn(p, L, std::string_view(" 0\0", 3));
    case ft::String: return AllBytesIn(p, L, std::string_view(" \0", 2));
    default: return false;
    }
}

bool RecordLayout::IsNull(size_t index, const uint8_t* image) const
{
    const FieldDesc& field = Checked(index, image);
    if (IsMemoType(field.type))
        return MemoBlock(index, image) == 0 || FlagBit(image, field.nullBit);
    return BytesShowNull(field, image + field.offset) || FlagBit(image, field.nullBit);
}

bool RecordLayout::IsEmpty(size_t index, const uint8_t* image) const
{
    if (IsNull(index, image))
        return true;
    const FieldDesc& field = mFields[index];
    const uint8_t* p = image + field.offset;
    switch (field.type) {
    case ft::String: case ft::CIString: return AllBytesIn(p, field.length, std::string_view(" \0", 2));
    case ft::NChar: {
        for (uint32_t i = 0; i + 1 < field.length; i += 2)
            if (!((p[i] == ' ' || p[i] == 0) && p[i + 1] == 0))
                return false;
        return true;
    }
    case ft::VarChar: case ft::VarBinary: case ft::NVarChar: return GetRaw(index, image).empty();
    default: return false;
    }
}

void RecordLayout::WriteNullBytes(const FieldDesc& field, uint8_t* p) const
{
    const uint32_t L = field.length;
    if (mKind == TableKind::ADT) {
        switch (field.type) {
        case ft::Logical: p[0] = ' '; return;
        case ft::Double: case ft::CurDouble: PutU32(p, 0x20); PutU32(p + 4, 0x80000000u); return;
        case ft::Integer: PutU32(p, 0x80000000u); return;
        case ft::ShortInt: PutU16(p, 0x8000); return;
        case ft::Time: case ft::AutoInc: PutU32(p, 0xFFFFFFFFu); return;
        case ft::TimeStamp: case ft::ModTime: PutU32(p, 0); PutU32(p + 4, 0xFFFFFFFFu); return;
        case ft::Money: case ft::LongInt: PutU32(p, 0); PutU32(p + 4, 0x80000000u); return;
        case ft::VarChar: case ft::VarBinary: case ft::NVarChar: PutU16(p + L, 0xFFFF); return;
        default: std::fill(p, p + L, uint8_t(0)); return;
        }
    }
    if (field.type == ft::NChar || field.type == ft::NVarChar) {
        FillUtf16Spaces(p, L);
        if (field.type == ft::NVarChar)
            PutU16(p + L, 0xFFFF);
        return;
    }
    // A 10-digit DBF memo pointer is blank as spaces, which every DBF reader
    // takes for "no memo"; binary-coded VFP pointers and numbers are zeros.
    bool spaces = IsTextLike(field.type) || (IsMemoType(field.type) && L == 10);
    std::fill(p, p + L, uint8_t(spaces ? ' ' : 0));
}

void RecordLayout::SetNull(size_t index, uint8_t* image) const
{
    const FieldDesc& field = Checked(index, image);
    if (field.varBit >= 0 && field.nullBit < 0) {
        // A VFP varchar that cannot be NULL is blank as the empty value.
        PutVariable(field, image, nullptr, 0);
        return;
    }
    WriteNullBytes(field, image + field.offset);
    if (field.varBit >= 0)
        SetFlagBit(image, field.varBit, false);
    if (field.nullBit >= 0)
        SetFlagBit(image, field.nullBit, true);
}

void RecordLayout::SetEmpty(size_t index, uint8_t* image) const
{
    const FieldDesc& field = Checked(index, image);
    uint8_t* p = image + field.offset;
    switch (field.type) {
    case ft::String: case ft::CIString:
        std::fill(p, p + field.length, uint8_t(' '));
        MarkNotNull(field, image);
        return;
    case ft::NChar:
        FillUtf16Spaces(p, field.length);
        MarkNotNull(field, image);
        return;
    case ft::VarChar: case ft::VarBinary: case ft::NVarChar:
        PutVariable(field, image, nullptr, 0);
        return;
    default:
        SetNull(index, image);
        // Without NULL (a DBF, or a VFP field that is not nullable) the blank
        // bytes are the empty value; with NULL, empty and null are one here.
        return;
    }
}

// ---- Memo references -------------------------------------------------------

uint32_t RecordLayout::MemoBlock(size_t index, const uint8_t* image) const
{
    const FieldDesc& field = Checked(index, image);
    if (!IsMemoType(field.type))
        throw StorageError(kErrValue, "Field " + field.name + " is not a memo field.");
    const uint8_t* p = image + field.offset;
    if (field.length == 4 || mKind == TableKind::ADT)
        return GetU32(p);
    std::string text = Trim(std::string_view(reinterpret_cast<const char*>(p), field.length));
    if (text.empty())
        return 0;
    uint64_t block = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)) || block > 0xFFFFFFFFull / 10)
            throw StorageError(kErrCorruptMemo, "The memo pointer \"" + text + "\" of field " + field.name
                                                    + " is not a block number.");
        block = block * 10 + uint64_t(c - '0');
    }
    if (block > 0xFFFFFFFFull)
        throw StorageError(kErrCorruptMemo, "The memo pointer of field " + field.name + " is out of range.");
    return uint32_t(block);
}

uint32_t RecordLayout::MemoStoredLength(size_t index, const uint8_t* image) const
{
    const FieldDesc& field = Checked(index, image);
    if (mKind != TableKind::ADT || !IsMemoType(field.type))
        return 0;
    return GetU32(image + field.offset + 4);
}

void RecordLayout::SetMemoReference(size_t index, uint8_t* image, uint32_t block, uint32_t length) const
{
    const FieldDesc& field = Checked(index, image);
    if (!IsMemoType(field.type))
        throw StorageError(kErrValue, "Field " + field.name + " is not a memo field.");
    uint8_t* p = image + field.offset;
    if (block == 0) {
        SetNull(index, image);
        return;
    }
    if (mKind == TableKind::ADT) {
        PutU32(p, block);
        PutU32(p + 4, length);
    } else if (field.length == 4) {
        PutU32(p, block);
    } else {
        std::string digits = std::to_string(block);
        std::fill(p, p + field.length, uint8_t(' '));
        std::copy(digits.begin(), digits.end(), p + field.length - digits.size());
    }
    MarkNotNull(field, image);
}

} // namespace storage
