// Damaged files and bad definitions: each gives a clear error that names the
// file or the field, never a crash or made-up values.
#include "tests/engine/test_storage_support.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <QDir>
#include <QFile>
#include <cstring>
#include <functional>

using namespace storage;
using storagetest::Path;
using storagetest::ReadFileBytes;
using storagetest::WriteFileBytes;

namespace {

struct Damage {
    const char* label;
    TableKind kind;
    // Spoils the files of a healthy table of two records ("NAME,Char,6;NOTE,Memo;").
    std::function<void(const std::string& table, const std::string& memo)> spoil;
    uint32_t code;
    const char* named; // text the message must contain: "table", "memo" or a field name
    bool failsOnRead;  // the open succeeds and reading record 1's memo fails
};

void PrintTo(const Damage& d, std::ostream* os) { *os << d.label; }

void Truncate(const std::string& name, size_t size)
{
    std::vector<uint8_t> bytes = ReadFileBytes(name);
    bytes.resize(size);
    WriteFileBytes(name, bytes);
}

void Patch(const std::string& name, size_t offset, std::vector<uint8_t> bytes)
{
    std::vector<uint8_t> content = ReadFileBytes(name);
    std::copy(bytes.begin(), bytes.end(), content.begin() + long(offset));
    WriteFileBytes(name, content);
}

void Grow(const std::string& name, size_t extra)
{
    std::vector<uint8_t> content = ReadFileBytes(name);
    content.insert(content.end() - 1, extra, ' '); // before the DBF end mark
    WriteFileBytes(name, content);
}

// DBF: header 32 + 2 * 32 + 1 = 97 bytes, records of 1 + 6 + 10 = 17 bytes.
// ADT: header 64 + 2 * 160 = 384 bytes, records of 1 + 6 + 8 = 15 bytes.
const Damage kDamages[] = {
    {"dbf too short for a header", TableKind::CDX, [](auto& t, auto&) { Truncate(t, 20); }, kErrCorruptTable,
     "table", false},
    {"dbf cut inside a record", TableKind::CDX, [](auto& t, auto&) { Truncate(t, 97 + 17 + 5); }, kErrCorruptTable,
     "table", false},
    {"dbf count larger than the file", TableKind::NTX, [](auto& t, auto&) { Patch(t, 4, {5, 0, 0, 0}); },
     kErrCorruptTable, "table", false},
    {"dbf count smaller than the file by two records", TableKind::VFP, [](auto& t, auto&) { Patch(t, 4, {0, 0, 0, 0}); },
     kErrCorruptTable, "table", false},
    {"dbf stray bytes after the records", TableKind::CDX, [](auto& t, auto&) { Grow(t, 5); }, kErrCorruptTable,
     "table", false},
    {"dbf header longer than the file", TableKind::CDX, [](auto& t, auto&) { Patch(t, 8, {0xFF, 0x7F}); },
     kErrCorruptTable, "table", false},
    {"dbf unknown type letter", TableKind::CDX, [](auto& t, auto&) { Patch(t, 32 + 11, {'X'}); },
     kErrUnknownFieldType, "NAME", false},
    {"dbf impossible date length", TableKind::NTX,
     [](auto& t, auto&) { Patch(t, 32 + 11, {'D'}); }, kErrCorruptTable, "NAME", false},
    {"dbf record length too short", TableKind::NTX, [](auto& t, auto&) { Patch(t, 10, {5, 0}); }, kErrCorruptTable,
     "table", false},
    {"dbf memo file missing", TableKind::NTX, [](auto&, auto& m) { QFile::remove(QString::fromStdString(m)); },
     kErrFileNotFound, "memo", false},
    {"fpt memo pointer past the end", TableKind::CDX,
     [](auto& t, auto&) { Patch(t, 97 + 1 + 6, storagetest::Bytes("    999999")); }, kErrCorruptMemo, "NOTE", true},
    {"fpt memo length past the end", TableKind::VFP,
     [](auto&, auto& m) { Patch(m, 512 + 4, {0x7F, 0xFF, 0xFF, 0xFF}); }, kErrCorruptMemo, "NOTE", true},
    {"fpt memo block size zero", TableKind::VFP, [](auto&, auto& m) { Patch(m, 6, {0, 0}); }, kErrCorruptMemo,
     "memo", false},
    {"dbt memo pointer past the end", TableKind::NTX,
     [](auto& t, auto&) { Patch(t, 97 + 1 + 6, storagetest::Bytes("      4000")); }, kErrCorruptMemo, "NOTE", true},
    {"dbf memo pointer not a number", TableKind::NTX,
     [](auto& t, auto&) { Patch(t, 97 + 1 + 6, storagetest::Bytes("      1x00")); }, kErrCorruptMemo, "NOTE", true},
    {"adt cut inside a record", TableKind::ADT, [](auto& t, auto&) { Truncate(t, 384 + 15 + 3); }, kErrCorruptTable,
     "table", false},
    {"adt count larger than the file", TableKind::ADT, [](auto& t, auto&) { Patch(t, 16, {9, 0, 0, 0}); },
     kErrCorruptTable, "table", false},
    {"adt unknown type code", TableKind::ADT, [](auto& t, auto&) { Patch(t, 64 + 128, {19, 0}); },
     kErrUnknownFieldType, "NAME", false},
    {"adt memo length disagrees", TableKind::ADT, [](auto& t, auto&) { Patch(t, 384 + 1 + 6 + 4, {99, 0, 0, 0}); },
     kErrCorruptMemo, "NOTE", true},
    {"adt memo pointer past the end", TableKind::ADT, [](auto& t, auto&) { Patch(t, 384 + 1 + 6, {0, 0, 1, 0}); },
     kErrCorruptMemo, "NOTE", true},
    {"adt opened as dbf", TableKind::ADT, nullptr, kErrCorruptTable, "table", false},
};

class StorageDamagedFiles : public ::testing::TestWithParam<Damage> {};

TEST_P(StorageDamagedFiles, GiveAClearErrorNamingTheFileOrField)
{
    const Damage& d = GetParam();
    testsupport::TempFolder folder;
    std::string tableName, memoName;
    {
        auto table = Table::Create(Path(folder, "t"), d.kind, "NAME,Char,6;NOTE,Memo;");
        for (const char* value : {"first", "second"}) {
            std::vector<uint8_t> image = table->Layout().BlankRecord();
            table->Layout().SetText(0, image.data(), value);
            table->WriteMemo(1, image.data(), reinterpret_cast<const uint8_t*>(value), std::strlen(value));
            table->AppendRecord(image.data());
        }
        tableName = table->FileName();
        memoName = table->MemoFileName();
    }
    TableKind openAs = d.kind;
    if (d.spoil)
        d.spoil(tableName, memoName);
    else
        openAs = TableKind::CDX;
    std::string expectedName = std::string(d.named) == "table" ? tableName
        : std::string(d.named) == "memo"                      ? memoName
                                                               : std::string(d.named);
    try {
        auto table = Table::Open(tableName, openAs);
        ASSERT_TRUE(d.failsOnRead) << "the damaged table opened";
        std::vector<uint8_t> image = table->ReadRecord(1);
        table->ReadMemo(1, image.data());
        FAIL() << "the damaged memo was read";
    } catch (const StorageError& e) {
        EXPECT_EQ(e.Code(), d.code) << e.what();
        EXPECT_NE(std::string(e.what()).find(expectedName), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, StorageDamagedFiles, ::testing::ValuesIn(kDamages), [](const auto& info) {
    std::string name = info.param.label;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return name;
});

struct BadDefinition {
    const char* text;
    uint32_t code;
    const char* named;
};

void PrintTo(const BadDefinition& d, std::ostream* os)
{
    std::string text = d.text;
    std::replace(text.begin(), text.end(), ';', ' '); // ';' would split a test name in list contexts
    *os << text;
}

class StorageBadDefinitions : public ::testing::TestWithParam<BadDefinition> {};

TEST_P(StorageBadDefinitions, AreRefusedNamingTheFieldAndCreateNothing)
{
    testsupport::TempFolder folder;
    try {
        Table::Create(Path(folder, "bad"), TableKind::CDX, GetParam().text);
        FAIL() << "accepted " << GetParam().text;
    } catch (const StorageError& e) {
        EXPECT_EQ(e.Code(), GetParam().code) << e.what();
        EXPECT_NE(std::string(e.what()).find(GetParam().named), std::string::npos) << e.what();
    }
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StorageBadDefinitions,
    ::testing::Values(BadDefinition{"NAME,Strange,5;", kErrUnknownFieldType, "NAME"},
                      BadDefinition{"ID,Integer;NAME,Char;", kErrBadDefinition, "NAME"},
                      BadDefinition{"NAME,;", kErrBadDefinition, "NAME"},
                      BadDefinition{"NAME,", kErrBadDefinition, "NAME"},
                      BadDefinition{"AMOUNT,Num,x,2;", kErrBadDefinition, "AMOUNT"},
                      BadDefinition{"AMOUNT,Num,4,3;", kErrBadDefinition, "AMOUNT"},
                      BadDefinition{"A,Char,5;a,Char,3;", kErrBadDefinition, "a"},
                      BadDefinition{"WAYTOOLONGNAME,Char,5;", kErrBadDefinition, "WAYTOOLONGNAME"},
                      BadDefinition{"T,Time;", kErrNotSupported, "T"},
                      BadDefinition{"C,Char,300;", kErrBadDefinition, "C"},
                      BadDefinition{";;", kErrBadDefinition, "no fields"}));


// Reads everything a table holds through every accessor that fits the field.
void ReadEverything(const Table& table)
{
    const RecordLayout& l = table.Layout();
    for (uint32_t recno = 1; recno <= table.RecordCount(); ++recno) {
        std::vector<uint8_t> image = table.ReadRecord(recno);
        for (size_t i = 0; i < l.Fields().size(); ++i) {
            if (IsMemoType(l.Fields()[i].type)) {
                table.ReadMemo(i, image.data());
                continue;
            }
            l.IsNull(i, image.data());
            l.IsEmpty(i, image.data());
            l.GetRaw(i, image.data());
            l.GetText(i, image.data());
        }
    }
}

class StorageCorruptedBytes : public ::testing::TestWithParam<TableKind> {};

// Every single byte of the table and memo files spoiled in turn: opening and
// reading either works or raises StorageError, and never anything else.
TEST_P(StorageCorruptedBytes, NeverCrashOrRaiseAnythingButStorageError)
{
    testsupport::TempFolder folder;
    std::string name = Path(folder, "fuzz");
    const char* definition = GetParam() == TableKind::ADT
        ? "C,Char,4;N,Num,6,2;D,Date;I,Integer;T,TimeStamp;V,VarChar,5;W,NVarChar,2;M,Memo;"
        : GetParam() == TableKind::VFP ? "C,Char,4;N,Num,6,2;D,Date;I,Integer;T,TimeStamp;V,VarChar,5;M,Memo;"
                                       : "C,Char,4;N,Num,6,2;D,Date;L,Logical;M,Memo;";
    std::string tableFile, memoFile;
    {
        auto table = Table::Create(name, GetParam(), definition);
        for (const char* text : {"ab", "cdef"}) {
            std::vector<uint8_t> image = table->Layout().BlankRecord();
            table->Layout().SetText(0, image.data(), text);
            table->Layout().SetText(1, image.data(), "-1.5");
            table->Layout().SetText(2, image.data(), "20240315");
            size_t memo = table->Fields().size() - 1;
            table->WriteMemo(memo, image.data(), reinterpret_cast<const uint8_t*>(text), std::strlen(text));
            table->AppendRecord(image.data());
        }
        tableFile = table->FileName();
        memoFile = table->MemoFileName();
    }
    for (const std::string& file : {tableFile, memoFile}) {
        const std::vector<uint8_t> original = ReadFileBytes(file);
        // The memo header is mostly unused; spoil its first bytes and the values.
        for (size_t pos = 0; pos < original.size(); pos += (file == memoFile && pos >= 32 && pos < 512) ? 61 : 1) {
            for (uint8_t mask : {uint8_t(0xFF), uint8_t(0x01)}) {
                std::vector<uint8_t> spoiled = original;
                spoiled[pos] ^= mask;
                WriteFileBytes(file, spoiled);
                try {
                    ReadEverything(*Table::Open(name, GetParam()));
                } catch (const StorageError&) {
                }
            }
        }
        WriteFileBytes(file, original);
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, StorageCorruptedBytes,
                         ::testing::Values(TableKind::NTX, TableKind::CDX, TableKind::VFP, TableKind::ADT),
                         [](const auto& info) {
                             switch (info.param) {
                             case TableKind::NTX: return "NTX";
                             case TableKind::CDX: return "CDX";
                             case TableKind::VFP: return "VFP";
                             default: return "ADT";
                             }
                         });

} // namespace
