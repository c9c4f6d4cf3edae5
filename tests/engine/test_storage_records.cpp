// Record images of every table kind: each field type written with a value and
// with NULL, read back after reopening, compared byte for byte with the
// encodings the cursor layer decodes.
#include "tests/engine/test_storage_support.h"

#include <gtest/gtest.h>

#include <QFile>

#include <functional>

using namespace storage;
using storagetest::FieldHex;
using storagetest::Path;

namespace {

constexpr int32_t kJulian20240315 = 2460385;
constexpr int32_t k134530500 = 49530500; // 13:45:30.500

struct EncodingCase {
    const char* label;
    TableKind kind;
    const char* definition;
    const char* field;
    std::function<void(const RecordLayout&, size_t, uint8_t*)> write; // empty: write NULL
    const char* expectedHex;   // bytes of the field (ADT variable types with their length word)
    const char* expectedText;  // GetText after reopening ("" for NULL)
};

void SetText(const char* text, const RecordLayout& l, size_t i, uint8_t* image) { l.SetText(i, image, text); }

auto Text(const char* text)
{
    return [text](const RecordLayout& l, size_t i, uint8_t* image) { SetText(text, l, i, image); };
}

const EncodingCase kCases[] = {
    // ADT: the engine's own layout, with the null patterns of each type.
    {"adt logical", TableKind::ADT, "F,Logical;", "F", Text("T"), "54", "T"},
    {"adt logical null", TableKind::ADT, "F,Logical;", "F", nullptr, "20", ""},
    {"adt integer", TableKind::ADT, "F,Integer;", "F",
     [](const RecordLayout& l, size_t i, uint8_t* r) { l.SetInteger(i, r, 7); }, "07 00 00 00", "7"},
    {"adt integer null", TableKind::ADT, "F,Integer;", "F", nullptr, "00 00 00 80", ""},
    {"adt shortint", TableKind::ADT, "F,ShortInt;", "F", Text("-2"), "fe ff", "-2"},
    {"adt shortint null", TableKind::ADT, "F,ShortInt;", "F", nullptr, "00 80", ""},
    {"adt longint", TableKind::ADT, "F,LongInt;", "F", Text("-1"), "ff ff ff ff ff ff ff ff", "-1"},
    {"adt longint null", TableKind::ADT, "F,LongInt;", "F", nullptr, "00 00 00 00 00 00 00 80", ""},
    {"adt date", TableKind::ADT, "F,Date;", "F",
     [](const RecordLayout& l, size_t i, uint8_t* r) { l.SetJulian(i, r, kJulian20240315); }, "e1 8a 25 00",
     "20240315"},
    {"adt date null", TableKind::ADT, "F,Date;", "F", nullptr, "00 00 00 00", ""},
    {"adt compact date", TableKind::ADT, "F,CompactDate;", "F", Text("20240315"), "0f d0 6f", "20240315"},
    {"adt time", TableKind::ADT, "F,Time;", "F",
     [](const RecordLayout& l, size_t i, uint8_t* r) { l.SetMilliseconds(i, r, k134530500); }, "84 c6 f3 02",
     "13:45:30.500"},
    {"adt time null", TableKind::ADT, "F,Time;", "F", nullptr, "ff ff ff ff", ""},
    {"adt timestamp", TableKind::ADT, "F,TimeStamp;", "F",
     [](const RecordLayout& l, size_t i, uint8_t* r) { l.SetTimeStamp(i, r, {kJulian20240315, k134530500}); },
     "e1 8a 25 00 84 c6 f3 02", "20240315 13:45:30.500"},
    {"adt timestamp null", TableKind::ADT, "F,TimeStamp;", "F", nullptr, "00 00 00 00 ff ff ff ff", ""},
    {"adt double", TableKind::ADT, "F,Double,2;", "F",
     [](const RecordLayout& l, size_t i, uint8_t* r) { l.SetDouble(i, r, 1.5); }, "00 00 00 00 00 00 f8 3f", "1.5"},
    {"adt double null", TableKind::ADT, "F,Double;", "F", nullptr, "20 00 00 00 00 00 00 80", ""},
    {"adt curdouble null", TableKind::ADT, "F,CurDouble;", "F", nullptr, "20 00 00 00 00 00 00 80", ""},
    {"adt money", TableKind::ADT, "F,Money;", "F", Text("12.3456"), "40 e2 01 00 00 00 00 00", "12.3456"},
    {"adt money null", TableKind::ADT, "F,Money;", "F", nullptr, "00 00 00 00 00 00 00 80", ""},
    {"adt char", TableKind::ADT, "F,Char,5;", "F", Text("ab"), "61 62 20 20 20", "ab"},
    {"adt char null", TableKind::ADT, "F,Char,5;", "F", nullptr, "00 00 00 00 00", ""},
    {"adt cichar", TableKind::ADT, "F,CIChar,3;", "F", Text("Ab"), "41 62 20", "Ab"},
    {"adt raw", TableKind::ADT, "F,Raw,2;", "F", Text("\x01\x02"), "01 02", "\x01\x02"},
    {"adt numeric", TableKind::ADT, "F,Num,6,2;", "F", Text("12.5"), "20 31 32 2e 35 30", "12.50"},
    {"adt numeric null", TableKind::ADT, "F,Num,6,2;", "F", nullptr, "00 00 00 00 00 00", ""},
    {"adt varchar", TableKind::ADT, "F,VarChar,5;", "F", Text("ab"), "61 62 20 20 20 02 00", "ab"},
    {"adt varchar null", TableKind::ADT, "F,VarChar,5;", "F", nullptr, "00 00 00 00 00 ff ff", ""},
    {"adt varbinary", TableKind::ADT, "F,VarBinary,4;", "F", Text("\x01"), "01 00 00 00 01 00", "\x01"},
    {"adt nchar", TableKind::ADT, "F,NChar,3;", "F", Text("ab"), "61 00 62 00 20 00", "ab"},
    {"adt nvarchar", TableKind::ADT, "F,NVarChar,3;", "F", Text("\xe9"), "e9 00 20 00 20 00 01 00", "\xe9"},
    {"adt nvarchar null", TableKind::ADT, "F,NVarChar,2;", "F", nullptr, "00 00 00 00 ff ff", ""},
    {"adt memo null", TableKind::ADT, "F,Memo;", "F", nullptr, "00 00 00 00 00 00 00 00", ""},
    // Visual FoxPro: binary-coded numbers, text dates, NULL in _NullFlags.
    {"vfp integer", TableKind::VFP, "F,Integer;", "F", Text("-2"), "fe ff ff ff", "-2"},
    {"vfp double", TableKind::VFP, "F,Double;", "F",
     [](const RecordLayout& l, size_t i, uint8_t* r) { l.SetDouble(i, r, 1.5); }, "00 00 00 00 00 00 f8 3f", "1.5"},
    {"vfp currency", TableKind::VFP, "F,Money;", "F", Text("12.3456"), "40 e2 01 00 00 00 00 00", "12.3456"},
    {"vfp timestamp", TableKind::VFP, "F,TimeStamp;", "F", Text("20240315 13:45:30.500"),
     "e1 8a 25 00 84 c6 f3 02", "20240315 13:45:30.500"},
    {"vfp date", TableKind::VFP, "F,Date;", "F", Text("20240315"), "32 30 32 34 30 33 31 35", "20240315"},
    {"vfp logical", TableKind::VFP, "F,Logical;", "F", Text("F"), "46", "F"},
    {"vfp numeric", TableKind::VFP, "F,Num,5,2;", "F", Text("-9.99"), "2d 39 2e 39 39", "-9.99"},
    {"vfp varchar short", TableKind::VFP, "F,VarChar,4;", "F", Text("ab"), "61 62 20 02", "ab"},
    {"vfp varchar full", TableKind::VFP, "F,VarChar,2;", "F", Text("ab"), "61 62", "ab"},
    {"vfp char null", TableKind::VFP, "F,Char,3;", "F", nullptr, "20 20 20", ""},
    {"vfp integer null", TableKind::VFP, "F,Integer;", "F", nullptr, "00 00 00 00", ""},
    // dBase/FoxPro DBF: everything as text, NULL as blanks.
    {"ntx char", TableKind::NTX, "F,Char,4;", "F", Text("xy"), "78 79 20 20", "xy"},
    {"ntx numeric", TableKind::NTX, "F,Num,5,2;", "F", Text("12.34"), "31 32 2e 33 34", "12.34"},
    {"ntx date", TableKind::NTX, "F,Date;", "F",
     [](const RecordLayout& l, size_t i, uint8_t* r) { l.SetJulian(i, r, kJulian20240315); },
     "32 30 32 34 30 33 31 35", "20240315"},
    {"ntx date null", TableKind::NTX, "F,Date;", "F", nullptr, "20 20 20 20 20 20 20 20", ""},
    {"cdx logical", TableKind::CDX, "F,Logical;", "F", Text("T"), "54", "T"},
    {"cdx logical null", TableKind::CDX, "F,Logical;", "F", nullptr, "20", ""},
    {"cdx memo null", TableKind::CDX, "F,Memo;", "F", nullptr, "20 20 20 20 20 20 20 20 20 20", ""},
};

void PrintTo(const EncodingCase& c, std::ostream* os) { *os << c.label; }

class StorageRecordEncoding : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(StorageRecordEncoding, WritesTheDocumentedBytesAndReadsThemBackAfterReopening)
{
    const EncodingCase& c = GetParam();
    testsupport::TempFolder folder;
    std::string name = Path(folder, "t");
    {
        auto table = Table::Create(name, c.kind, c.definition);
        const RecordLayout& layout = table->Layout();
        size_t index = size_t(layout.FieldIndex(c.field));
        std::vector<uint8_t> image = layout.BlankRecord();
        if (c.write)
            c.write(layout, index, image.data());
        else
            layout.SetNull(index, image.data());
        EXPECT_EQ(table->AppendRecord(image.data()), 1u);
    }
    auto table = Table::Open(name, c.kind);
    ASSERT_EQ(table->RecordCount(), 1u);
    std::vector<uint8_t> image = table->ReadRecord(1);
    EXPECT_EQ(image[0], ' ');
    EXPECT_EQ(FieldHex(*table, image, c.field), c.expectedHex);
    size_t index = size_t(table->Layout().FieldIndex(c.field));
    EXPECT_EQ(table->Layout().IsNull(index, image.data()), c.write == nullptr);
    if (!IsMemoType(table->Fields()[index].type)) {
        EXPECT_EQ(table->Layout().GetText(index, image.data()), c.expectedText);
    }
}

INSTANTIATE_TEST_SUITE_P(AllKinds, StorageRecordEncoding, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<EncodingCase>& info) {
                             std::string name = info.param.label;
                             for (char& ch : name)
                                 if (!std::isalnum(static_cast<unsigned char>(ch)))
                                     ch = '_';
                             return name;
                         });

// The worked example of the VFP null-flag layout: varlength bits before null
// bits, in field order, least significant bit first.
TEST(StorageVfpNullFlags, FollowTheDocumentedBitOrder)
{
    testsupport::TempFolder folder;
    std::string name = Path(folder, "flags");
    {
        auto table = Table::Create(name, TableKind::VFP,
                                   "NAME,Char,10,NULL;CODE,VarChar,20,NOT NULL;NOTE,VarChar,30,NULL;"
                                   "QTY,Integer,NULL;CITY,Char,15,NOT NULL;");
        const RecordLayout& l = table->Layout();
        ASSERT_EQ(l.NullFlagsLength(), 1u);
        std::vector<uint8_t> image = l.BlankRecord();
        l.SetNull(0, image.data());
        l.SetText(1, image.data(), "AB");
        l.SetText(2, image.data(), std::string(30, 'n'));
        l.SetInteger(3, image.data(), 7);
        l.SetText(4, image.data(), "Paris");
        table->AppendRecord(image.data());
    }
    auto table = Table::Open(name, TableKind::VFP);
    std::vector<uint8_t> image = table->ReadRecord(1);
    const RecordLayout& l = table->Layout();
    EXPECT_EQ(image[l.NullFlagsOffset()], 0x03);
    EXPECT_EQ(image[l.Fields()[1].offset + 19], 0x02);
    EXPECT_TRUE(l.IsNull(0, image.data()));
    EXPECT_EQ(l.GetText(1, image.data()), "AB");
    EXPECT_FALSE(l.IsFullLength(1, image.data()));
    EXPECT_TRUE(l.IsFullLength(2, image.data()));
    EXPECT_EQ(l.GetText(2, image.data()), std::string(30, 'n'));
    EXPECT_EQ(l.GetInteger(3, image.data()), 7);
    // The header is the one a VFP reader expects: version 0x32 (varchar),
    // H = 32 + 6 * 32 + 1 + 263, _NullFlags typed '0' last.
    std::vector<uint8_t> file = storagetest::ReadFileBytes(table->FileName());
    EXPECT_EQ(file[0], 0x32);
    EXPECT_EQ(file[8] | (file[9] << 8), 32 + 6 * 32 + 1 + 263);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[32 + 5 * 32]), 10), "_NullFlags");
    EXPECT_EQ(file[32 + 5 * 32 + 11], '0');
    EXPECT_EQ(file[28] & 0x01, 0) << "no structural index may be announced";
}

// Values that do not fit are refused and leave the image as it was.
struct RefusalCase {
    TableKind kind;
    const char* definition;
    const char* text;
};

void PrintTo(const RefusalCase& c, std::ostream* os)
{
    std::string definition = c.definition;
    definition.pop_back(); // the ';' would split a test name in list contexts
    *os << definition << " refuses " << c.text;
}

class StorageRefusedValue : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(StorageRefusedValue, RaisesAndKeepsTheImage)
{
    testsupport::TempFolder folder;
    auto table = Table::Create(Path(folder, "r"), GetParam().kind, GetParam().definition);
    std::vector<uint8_t> image = table->Layout().BlankRecord();
    std::vector<uint8_t> before = image;
    try {
        table->Layout().SetText(0, image.data(), GetParam().text);
        FAIL() << "accepted " << GetParam().text;
    } catch (const StorageError& e) {
        EXPECT_EQ(e.Code(), kErrValue);
        EXPECT_NE(std::string(e.what()).find("F"), std::string::npos) << e.what();
    }
    EXPECT_EQ(image, before);
}

INSTANTIATE_TEST_SUITE_P(
    Values, StorageRefusedValue,
    ::testing::Values(RefusalCase{TableKind::NTX, "F,Num,5,2;", "123.45"},
                      RefusalCase{TableKind::NTX, "F,Num,3,0;", "abc"},
                      RefusalCase{TableKind::ADT, "F,ShortInt;", "40000"},
                      RefusalCase{TableKind::ADT, "F,Integer;", "-2147483648"},
                      RefusalCase{TableKind::VFP, "F,Date;", "20241301"},
                      RefusalCase{TableKind::CDX, "F,Logical;", "maybe"},
                      RefusalCase{TableKind::ADT, "F,Char,3;", "abcd"},
                      RefusalCase{TableKind::VFP, "F,VarChar,3;", "abcd"},
                      RefusalCase{TableKind::ADT, "F,Time;", "25:00"},
                      RefusalCase{TableKind::ADT, "F,AutoInc;", "5"}));

// Text of an OEM table is stored in code page 850 and read as Windows-1252.
TEST(StorageCharacterSets, OemTablesStoreCodePage850AndReadAnsi)
{
    testsupport::TempFolder folder;
    for (TableKind kind : {TableKind::NTX, TableKind::ADT}) {
        std::string name = Path(folder, kind == TableKind::ADT ? "oem.adt" : "oem.dbf");
        CreateOptions options;
        options.charType = CharType::Oem;
        {
            auto table = Table::Create(name, kind, "NAME,Char,4;NOTE,Memo;", options);
            std::vector<uint8_t> image = table->Layout().BlankRecord();
            table->Layout().SetText(0, image.data(), "\xe9t\xe9"); // "été" in Windows-1252
            std::string memo = "\xc4rger";                          // "Ärger"
            table->WriteMemo(1, image.data(), reinterpret_cast<const uint8_t*>(memo.data()), memo.size());
            table->AppendRecord(image.data());
        }
        auto table = Table::Open(name, kind);
        EXPECT_EQ(table->GetCharType(), CharType::Oem);
        std::vector<uint8_t> image = table->ReadRecord(1);
        EXPECT_EQ(FieldHex(*table, image, "NAME"), "82 74 82 20") << "850 has é at 0x82";
        EXPECT_EQ(table->Layout().GetText(0, image.data()), "\xe9t\xe9");
        std::vector<uint8_t> memo = table->ReadMemo(1, image.data());
        EXPECT_EQ(std::string(memo.begin(), memo.end()), "\xc4rger");
    }
}

// File names reach the storage layer in Windows-1252 and are UTF-8 on disk.
TEST(StorageFileNames, AnsiNamesBecomeUtf8OnDisk)
{
    testsupport::TempFolder folder;
    std::string ansi = folder.path().toStdString() + "/caf\xe9";
    Table::Create(ansi, TableKind::CDX, "A,Char,1;");
    EXPECT_TRUE(QFile::exists(folder.file(QString::fromUtf8("caf\xc3\xa9.dbf"))));
    auto table = Table::Open(folder.path().toStdString() + "/CAF\xc9.DBF", TableKind::CDX);
    EXPECT_EQ(table->FileName(), folder.path().toStdString() + "/caf\xc3\xa9.dbf");
}

} // namespace
