// Table file headers of the three layouts (dBase/FoxPro DBF, Visual FoxPro
// DBF, ADT): reading and checking them, planning the fields of a new table,
// and building the header bytes. Internal to the storage layer.
//
// A TableHeader is what Table needs to run a file: the record layout, where
// records start, where the record count and the autoincrement next values
// live in the header (so they can be updated in place), and which memo file
// belongs to the table. Records always sit at headerLength + (n - 1) * R.
#pragma once

#include "engine/storage/field.h"
#include "engine/storage/file_io.h"
#include "engine/storage/record_layout.h"
#include "engine/storage/table_definition.h"

#include <cstdint>
#include <string>
#include <vector>

namespace storage {

enum class MemoKind { None, Dbt, Fpt, Adm };

struct AutoincSlot {
    size_t field = 0;         // index into the layout's fields
    uint64_t fileOffset = 0;  // uint32 LE next value in the header
};

struct TableHeader {
    RecordLayout layout;
    uint32_t headerLength = 0;
    uint32_t recordCount = 0;
    uint64_t countOffset = 0;     // uint32 LE record count
    bool dbf = false;             // DBF family: date bytes 1-3, 0x1A after the last record
    bool foxYear = false;         // DBF year byte counts from 2000 (Fox/VFP) instead of 1900
    uint8_t version = 0;          // DBF version byte
    std::vector<AutoincSlot> autoinc;
    bool foreignIndex = false;    // DBF byte 28 announces another program's structural index
    MemoKind memoKind = MemoKind::None;
    uint32_t memoBlockSize = 0;   // for a new memo file
};

// Reads and checks the header of an open table file. `requested` decides the
// layout of a DBF that does not identify itself as VFP. Damage raises
// kErrCorruptTable / kErrUnknownFieldType naming the file and field.
TableHeader ReadTableHeader(const File& file, TableKind requested, CharType defaultCharType);

// Lays out the fields of a new table of `kind`; refuses types, lengths and
// names the kind cannot hold (kErrBadDefinition / kErrNotSupported).
TableHeader PlanTable(TableKind kind, const std::vector<FieldSpec>& specs, CharType charType,
                      uint32_t memoBlockSize);

// The header bytes of a new, empty table planned by PlanTable; fills in the
// header's version, header length, count offset and autoincrement slots.
std::vector<uint8_t> BuildTableHeader(TableHeader& header);

// The year/month/day bytes a DBF header carries for today.
void StampDbfDate(uint8_t* threeBytes, bool foxYear);

// Numbers the VFP _NullFlags bits of `fields` (varlength bit of each V/Q
// field, then the null bit of each nullable field, in field order) and
// returns how many bits were given out.
uint32_t AssignVfpFlagBits(std::vector<FieldDesc>& fields);

// Raises kErrCorruptTable unless the file holds exactly `count` records after
// the header, plus at most `slack` stray bytes (the DBF end-of-file mark).
void CheckRecordCount(const File& file, uint64_t size, uint32_t headerLength, uint32_t recordLength,
                      uint32_t count, uint32_t slack);

// The ADT halves of ReadTableHeader and BuildTableHeader.
bool HasAdtSignature(const File& file);
TableHeader ReadAdtHeader(const File& file, CharType defaultCharType, uint64_t size);
std::vector<uint8_t> BuildAdtHeader(TableHeader& header);

// The UTF-8 file name of a table named `path` (Windows-1252): the kind's
// extension added when the name has none, each component matched without
// regard to case (ResolvePathCase).
std::string TableFileName(const std::string& path, TableKind kind);

// Memo file name that belongs to `tableName` (UTF-8) for `kind`.
std::string MemoFileNameFor(const std::string& tableName, MemoKind kind);
std::string DefaultExtension(TableKind kind);

} // namespace storage
