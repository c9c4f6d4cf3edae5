// Field descriptors and engine field type codes shared by every table kind.
//
// A FieldDesc describes one visible column of a table: its engine type code,
// where it lives in the record image and how many bytes it spans there. The
// VFP hidden _NullFlags column is not a FieldDesc; its position is part of the
// RecordLayout. Invariants: offset >= 1 (byte 0 of every record image is the
// record flag byte); offset + storageLength() <= record length; fields never
// overlap and are listed in record order.
#pragma once

#include <cstdint>
#include <string>

namespace storage {

// The kinds of table file. The values are the engine's table type numbers.
enum class TableKind : uint16_t { NTX = 1, CDX = 2, ADT = 3, VFP = 4 };

// Character set of the 8-bit text in a table: Windows-1252 or code page 850.
// The values are the engine's character type numbers.
enum class CharType : uint16_t { Ansi = 1, Oem = 2 };

// Engine field type codes (the numbers the data-access layer switches on).
namespace ft {
constexpr uint16_t Logical = 1;
constexpr uint16_t Numeric = 2;      // digits as text, right-aligned
constexpr uint16_t Date = 3;         // ADT: 4-byte Julian day; DBF: "YYYYMMDD"
constexpr uint16_t String = 4;       // fixed character
constexpr uint16_t Memo = 5;         // text memo
constexpr uint16_t Binary = 6;       // binary memo
constexpr uint16_t Image = 7;        // picture memo
constexpr uint16_t VarCharMemo = 8;  // memo-like text column
constexpr uint16_t CompactDate = 9;  // 3 bytes: year * 512 + month * 32 + day, big-endian
constexpr uint16_t Double = 10;
constexpr uint16_t Integer = 11;
constexpr uint16_t ShortInt = 12;
constexpr uint16_t Time = 13;        // milliseconds since midnight
constexpr uint16_t TimeStamp = 14;   // Julian day word, milliseconds word
constexpr uint16_t AutoInc = 15;
constexpr uint16_t Raw = 16;
constexpr uint16_t CurDouble = 17;
constexpr uint16_t Money = 18;       // signed 64-bit amount scaled by 10000
constexpr uint16_t CIString = 20;    // case-insensitive character
constexpr uint16_t LongInt = 21;     // signed 64-bit integer
constexpr uint16_t ModTime = 22;     // time stamp maintained on every write
constexpr uint16_t VarChar = 23;
constexpr uint16_t VarBinary = 24;
constexpr uint16_t NChar = 26;       // UTF-16LE, fixed
constexpr uint16_t NVarChar = 27;    // UTF-16LE + length word in units
constexpr uint16_t NMemo = 28;       // UTF-16LE memo
constexpr uint16_t BinaryText = 51;  // binary/image columns read as text by the layer
constexpr uint16_t ImageText = 52;
} // namespace ft

// True for the types whose value lives in the memo file.
inline bool IsMemoType(uint16_t type)
{
    return (type >= ft::Memo && type <= ft::VarCharMemo) || type == ft::NMemo
        || type == ft::BinaryText || type == ft::ImageText;
}

// True for memo types whose content is text (8-bit or, for NMemo, UTF-16).
inline bool IsTextMemoType(uint16_t type)
{
    return type == ft::Memo || type == ft::VarCharMemo || type == ft::NMemo;
}

struct FieldDesc {
    std::string name;       // as stored, without padding (8-bit text)
    uint16_t type = 0;      // engine field type code (ft::…)
    uint32_t length = 0;    // bytes of the value in the record image (Unicode types: bytes, 2 per unit)
    uint16_t decimals = 0;  // Numeric: digits after the point; Double: display decimals
    uint32_t offset = 0;    // start in the record image
    bool nullable = false;  // can hold NULL (VFP: owns a null bit; ADT: always true)
    bool binary = false;    // no code-page translation (VFP flag 0x04, Raw, VarBinary, …)
    char letter = 0;        // DBF type letter; 0 on ADT
    int nullBit = -1;       // VFP: bit in _NullFlags that marks NULL, -1 when none
    int varBit = -1;        // VFP: varlength bit of a V/Q column, -1 when none

    // Bytes the column occupies in the image: ADT variable types carry a
    // 16-bit length word right after their `length` bytes.
    uint32_t storageLength(TableKind kind) const
    {
        bool lengthWord = kind == TableKind::ADT
            && (type == ft::VarChar || type == ft::VarBinary || type == ft::NVarChar);
        return length + (lengthWord ? 2 : 0);
    }
};

} // namespace storage
