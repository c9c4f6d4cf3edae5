// Memo and binary values of every table kind: empty, one byte and 1 MiB
// values, what the memo files look like, and values the dBase III memo file
// cannot hold.
#include "tests/engine/test_storage_support.h"

#include <gtest/gtest.h>

using namespace storage;
using storagetest::Path;

namespace {

struct MemoKindCase {
    TableKind kind;
    const char* memoExtension;
};

void PrintTo(const MemoKindCase& c, std::ostream* os) { *os << c.memoExtension; }

class StorageMemoValues : public ::testing::TestWithParam<MemoKindCase> {};

std::vector<uint8_t> Pattern(size_t length, bool binary)
{
    std::vector<uint8_t> bytes(length);
    for (size_t i = 0; i < length; ++i)
        bytes[i] = binary ? uint8_t((i * 131 + 7) % 256) : uint8_t('a' + i % 26);
    return bytes;
}

TEST_P(StorageMemoValues, EmptyOneByteAndOneMebibyteSurviveReopeningAndPacking)
{
    const TableKind kind = GetParam().kind;
    testsupport::TempFolder folder;
    std::string name = Path(folder, "m");
    // dBase III memos cannot hold 0x1A, so the NTX binary column gets text.
    bool binaryOk = kind != TableKind::NTX;
    const std::vector<std::vector<uint8_t>> values = {
        {}, {'x'}, Pattern(1 << 20, false), Pattern(1 << 20, binaryOk), Pattern(3, false)};
    {
        auto table = Table::Create(name, kind, "ID,Num,4,0;NOTE,Memo;DATA,Binary;");
        for (size_t i = 0; i < values.size(); ++i) {
            std::vector<uint8_t> image = table->Layout().BlankRecord();
            table->Layout().SetInteger(0, image.data(), int64_t(i));
            table->WriteMemo(1, image.data(), values[i].data(), values[i].size());
            table->WriteMemo(2, image.data(), values[i].data(), values[i].size());
            table->AppendRecord(image.data());
        }
        // Replace one value so that the memo file holds a dead copy.
        std::vector<uint8_t> image = table->ReadRecord(5);
        std::vector<uint8_t> replacement = {'n', 'e', 'w'};
        table->WriteMemo(1, image.data(), replacement.data(), replacement.size());
        table->WriteRecord(5, image.data());
    }
    auto check = [&](Table& table) {
        for (uint32_t recno = 1; recno <= values.size(); ++recno) {
            std::vector<uint8_t> image = table.ReadRecord(recno);
            std::vector<uint8_t> expected = recno == 5 ? std::vector<uint8_t>{'n', 'e', 'w'} : values[recno - 1];
            EXPECT_EQ(table.ReadMemo(1, image.data()), expected) << "record " << recno;
            EXPECT_EQ(table.ReadMemo(2, image.data()), values[recno - 1]) << "record " << recno;
            EXPECT_EQ(table.MemoLength(1, image.data()), expected.size());
            EXPECT_EQ(table.Layout().IsNull(1, image.data()), expected.empty());
            EXPECT_EQ(table.Layout().IsEmpty(1, image.data()), expected.empty());
        }
    };
    OpenOptions exclusive;
    exclusive.exclusive = true;
    auto table = Table::Open(name, kind, exclusive);
    EXPECT_EQ(table->MemoFileName(), Path(folder, "m") + GetParam().memoExtension);
    check(*table);
    uint64_t before = storagetest::ReadFileBytes(table->MemoFileName()).size();
    table->Pack();
    check(*table);
    EXPECT_LT(storagetest::ReadFileBytes(table->MemoFileName()).size(), before) << "the dead copy is gone";
    table.reset();
    table = Table::Open(name, kind);
    check(*table);
}

INSTANTIATE_TEST_SUITE_P(AllKinds, StorageMemoValues,
                         ::testing::Values(MemoKindCase{TableKind::NTX, ".dbt"}, MemoKindCase{TableKind::CDX, ".fpt"},
                                           MemoKindCase{TableKind::VFP, ".fpt"}, MemoKindCase{TableKind::ADT, ".adm"}));

TEST(StorageMemoFiles, UseThePublicLayouts)
{
    testsupport::TempFolder folder;
    const std::string text = "hello memo";
    struct Case {
        TableKind kind;
        const char* memo;
        size_t pointer;         // file offset of the value
        std::string blockHead;  // bytes in front of the value
        const char* recordRef;  // the memo field in the record
    } cases[] = {
        {TableKind::NTX, "a.dbt", 512, "", "20 20 20 20 20 20 20 20 20 31"},
        {TableKind::CDX, "b.fpt", 512, std::string("\0\0\0\1\0\0\0\x0a", 8), "20 20 20 20 20 20 20 20 20 38"},
        {TableKind::VFP, "c.fpt", 512, std::string("\0\0\0\1\0\0\0\x0a", 8), "08 00 00 00"},
        {TableKind::ADT, "d.adm", 512, std::string("\1\0\0\0\x0a\0\0\0", 8), "40 00 00 00 0a 00 00 00"},
    };
    for (const Case& c : cases) {
        std::string name = Path(folder, c.memo);
        name = name.substr(0, name.size() - 4);
        auto table = Table::Create(name, c.kind, "NOTE,Memo;");
        std::vector<uint8_t> image = table->Layout().BlankRecord();
        table->WriteMemo(0, image.data(), reinterpret_cast<const uint8_t*>(text.data()), text.size());
        table->AppendRecord(image.data());
        std::string ref = storagetest::FieldHex(*table, table->ReadRecord(1), "NOTE");
        std::vector<uint8_t> memo = storagetest::ReadFileBytes(Path(folder, c.memo));
        std::string expected = c.blockHead + text + (c.kind == TableKind::NTX ? "\x1a\x1a" : "");
        ASSERT_GE(memo.size(), c.pointer + expected.size()) << c.memo;
        EXPECT_EQ(ref, c.recordRef) << c.memo;
        EXPECT_EQ(std::string(memo.begin() + long(c.pointer), memo.begin() + long(c.pointer + expected.size())),
                  expected)
            << c.memo;
    }
}

TEST(StorageMemoFiles, DbaseIIIMemoRefusesTheTerminatorByteInsteadOfCuttingTheValue)
{
    testsupport::TempFolder folder;
    auto table = Table::Create(Path(folder, "t"), TableKind::NTX, "NOTE,Memo;");
    std::vector<uint8_t> image = table->Layout().BlankRecord();
    std::vector<uint8_t> before = image;
    const uint8_t value[] = {'a', 0x1A, 'b'};
    try {
        table->WriteMemo(0, image.data(), value, sizeof value);
        FAIL() << "a value with 0x1A was accepted";
    } catch (const StorageError& e) {
        EXPECT_EQ(e.Code(), kErrValue);
        EXPECT_NE(std::string(e.what()).find(".dbt"), std::string::npos) << e.what();
    }
    EXPECT_EQ(image, before);
}


TEST(StorageMemoFiles, UnicodeMemosKeepTheirUtf16Bytes)
{
    testsupport::TempFolder folder;
    auto table = Table::Create(Path(folder, "u"), TableKind::ADT, "W,NMemo;");
    std::vector<uint8_t> image = table->Layout().BlankRecord();
    const std::vector<uint8_t> text = {'h', 0, 0xE9, 0, 0xAC, 0x20}; // "hé€"
    const uint8_t odd[] = {'h', 0, 'i'};
    EXPECT_THROW(table->WriteMemo(0, image.data(), odd, sizeof odd), StorageError);
    table->WriteMemo(0, image.data(), text.data(), text.size());
    table->AppendRecord(image.data());
    table.reset();
    table = Table::Open(Path(folder, "u"), TableKind::ADT);
    image = table->ReadRecord(1);
    EXPECT_EQ(table->ReadMemo(0, image.data()), text);
    EXPECT_EQ(table->MemoLength(0, image.data()), 6u);
}

} // namespace
