// RecordLayout: the shape of one table's record image and the per-field
// conversions between that image and values.
//
// The record image is the record's bytes exactly as stored in the table file:
// byte 0 is the record flag (DBF/VFP: ' ' active, '*' deleted; ADT: the same
// two bytes), each field sits at its offset, and a VFP layout ends with the
// hidden _NullFlags bytes. A layout is a plain value: the cursor layer may copy
// it for in-memory result tables that use the same encodings.
//
// Encodings follow the null tables the data-access layer decodes with:
//   ADT  null Logical ' ', Integer 0x80000000, ShortInt 0x8000, Time and
//        AutoInc 0xFFFFFFFF, Double/CurDouble words 0x20 + 0x80000000,
//        TimeStamp/ModTime first word 0 (written 0 + 0xFFFFFFFF), Money and
//        LongInt words 0 + 0x80000000, variable types length word 0xFFFF,
//        every other type all zero bytes.
//   VFP  null = the field's null bit in _NullFlags; a null write also blanks
//        the bytes (spaces for text-like types, zeros for binary ones).
//   DBF  no NULL except "blank": a null write stores spaces (zeros for the
//        binary-coded types); blank text, numbers and dates read as null.
// Text handed in and out is 8-bit Windows-1252 ("ANSI"); an OEM table stores
// code page 850 and the layout converts at this boundary. Unicode columns take
// and give UTF-16LE bytes through the Raw accessors.
//
// Every accessor checks the field index and raises StorageError; writers raise
// kErrValue for a value that does not fit and leave the image untouched then.
#pragma once

#include "engine/storage/field.h"
#include "engine/storage/storage_error.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace storage {

// A VFP time stamp or any date-time: Julian day and milliseconds since midnight.
struct TimeStampValue {
    int32_t julian = 0;
    int32_t milliseconds = 0;
};

class RecordLayout {
public:
    RecordLayout() = default;
    RecordLayout(TableKind kind, CharType charType, std::vector<FieldDesc> fields,
                 uint32_t recordLength, uint32_t nullFlagsOffset, uint32_t nullFlagsLength);

    TableKind Kind() const { return mKind; }
    CharType GetCharType() const { return mCharType; }
    const std::vector<FieldDesc>& Fields() const { return mFields; }
    const FieldDesc& Field(size_t index) const;
    // Index of the field named `name` (case-insensitive), or -1.
    int FieldIndex(std::string_view name) const;
    uint32_t RecordLength() const { return mRecordLength; }
    uint32_t NullFlagsOffset() const { return mNullFlagsOffset; }
    uint32_t NullFlagsLength() const { return mNullFlagsLength; }

    // The image of a new record: active flag, every field null (or blank on DBF).
    std::vector<uint8_t> BlankRecord() const;
    void BlankRecord(uint8_t* image) const;

    static bool IsDeleted(const uint8_t* image) { return image[0] == '*'; }
    static void SetDeleted(uint8_t* image, bool deleted) { image[0] = deleted ? '*' : ' '; }

    // Null and empty tests and writes.
    bool IsNull(size_t index, const uint8_t* image) const;
    // Empty: null, or a value with no content (blank text, zero-length
    // variable value). A memo field is judged by its reference alone here; a
    // reference to a zero-length value needs Table::MemoLength.
    bool IsEmpty(size_t index, const uint8_t* image) const;
    void SetNull(size_t index, uint8_t* image) const;
    void SetEmpty(size_t index, uint8_t* image) const;

    // VFP system flags of a field. The null flag is the field's null bit in
    // _NullFlags. "Full length" means a VarChar/VarBinary value fills the whole
    // column; it is the inverse of the field's varlength bit, which is set when
    // the last byte of the column holds a shorter length. Reading a flag the
    // field does not own gives false (full length: true); writing one it does
    // not own raises kErrValue.
    bool GetNullFlag(size_t index, const uint8_t* image) const;
    void SetNullFlag(size_t index, uint8_t* image, bool value) const;
    bool IsFullLength(size_t index, const uint8_t* image) const;
    void SetFullLength(size_t index, uint8_t* image, bool full) const;

    // Memo references: the memo file block a memo-type field points to (0 =
    // none) and, on ADT, the value's length kept beside it (0 elsewhere).
    // A DBF pointer that is not a number raises kErrCorruptMemo.
    uint32_t MemoBlock(size_t index, const uint8_t* image) const;
    uint32_t MemoStoredLength(size_t index, const uint8_t* image) const;
    void SetMemoReference(size_t index, uint8_t* image, uint32_t block, uint32_t length) const;

    // Conversions between Windows-1252 text and the table's character set.
    std::string ToAnsi(std::string_view stored) const;
    std::string FromAnsi(std::string_view ansi) const;

    // Typed reads; a null value reads as "" / 0. Text reads trim trailing
    // spaces of fixed character fields and give numbers, dates ("YYYYMMDD"),
    // logicals ("T"/"F") and time stamps as text too.
    std::string GetText(size_t index, const uint8_t* image) const;
    int64_t GetInteger(size_t index, const uint8_t* image) const;
    double GetDouble(size_t index, const uint8_t* image) const;
    bool GetLogical(size_t index, const uint8_t* image) const;
    int32_t GetJulian(size_t index, const uint8_t* image) const;
    int32_t GetMilliseconds(size_t index, const uint8_t* image) const;
    TimeStampValue GetTimeStamp(size_t index, const uint8_t* image) const;
    // The value's bytes: the used part of variable types, all bytes otherwise.
    std::vector<uint8_t> GetRaw(size_t index, const uint8_t* image) const;

    // Typed writes. Text is parsed for numeric, date, logical and time types.
    void SetText(size_t index, uint8_t* image, std::string_view text) const;
    void SetInteger(size_t index, uint8_t* image, int64_t value) const;
    void SetDouble(size_t index, uint8_t* image, double value) const;
    void SetLogical(size_t index, uint8_t* image, bool value) const;
    void SetJulian(size_t index, uint8_t* image, int32_t julian) const;
    void SetMilliseconds(size_t index, uint8_t* image, int32_t milliseconds) const;
    void SetTimeStamp(size_t index, uint8_t* image, TimeStampValue value) const;
    void SetRaw(size_t index, uint8_t* image, const uint8_t* data, size_t length) const;

private:
    const FieldDesc& Checked(size_t index, const uint8_t* image) const;
    bool BytesShowNull(const FieldDesc& field, const uint8_t* p) const;
    void WriteNullBytes(const FieldDesc& field, uint8_t* p) const;
    void SetFlagBit(uint8_t* image, int bit, bool value) const;
    bool FlagBit(const uint8_t* image, int bit) const;
    void MarkNotNull(const FieldDesc& field, uint8_t* image) const;
    void PutText(const FieldDesc& field, uint8_t* image, std::string_view stored) const;
    void PutVariable(const FieldDesc& field, uint8_t* image, const uint8_t* data, size_t length) const;
    void PutNumber(const FieldDesc& field, uint8_t* image, double value, const std::string* exact) const;

    TableKind mKind = TableKind::ADT;
    CharType mCharType = CharType::Ansi;
    std::vector<FieldDesc> mFields;
    std::vector<std::string> mFoldedNames; // upper-case names, for FieldIndex
    uint32_t mRecordLength = 1;
    uint32_t mNullFlagsOffset = 0; // 0 when the layout has no _NullFlags
    uint32_t mNullFlagsLength = 0;
};

} // namespace storage
