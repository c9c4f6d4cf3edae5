// Tables through the C interface: creating every column kind of each table
// type, writing values and nulls, reading them back after reopening, and the
// column descriptions.
#include "tests/engine/test_api_support.h"

#include <QDir>
#include <QFile>

#include <functional>
#include <vector>

using namespace apitest;

namespace {

struct ColumnCase {
    const char* field;
    std::function<UNSIGNED32(ADSHANDLE, const char*)> write;
    std::string expected; // AdsGetField with ADS_TRIM
};

struct KindCase {
    const char* name;
    UNSIGNED16 type;
    std::string definition;
    std::vector<ColumnCase> columns;
};

UNSIGNED32 SetText(ADSHANDLE t, const char* f, const char* text)
{
    return AdsSetField(t, f, text, UNSIGNED32(strlen(text)));
}

std::vector<ColumnCase> CommonColumns()
{
    return {
        {"NAME", [](ADSHANDLE t, const char* f) { return SetText(t, f, "Zo\xE9"); }, "Zo\xE9"},
        {"BORN", [](ADSHANDLE t, const char* f) { return AdsSetJulian(t, f, 2460370); }, "20240229"},
        {"OK", [](ADSHANDLE t, const char* f) { return AdsSetLogical(t, f, 1); }, "T"},
        {"NOTE", [](ADSHANDLE t, const char* f) { return SetText(t, f, "line one\r\nline two"); },
         "line one\r\nline two"},
    };
}

std::vector<KindCase> KindCases()
{
    std::vector<KindCase> cases;
    for (auto [name, type] : {std::pair{"NTX", UNSIGNED16(ADS_NTX)}, std::pair{"CDX", UNSIGNED16(ADS_CDX)}}) {
        KindCase c{name, type, "NAME,Char,10;BORN,Date;OK,Logical;NOTE,Memo;QTY,Num,6,0;", CommonColumns()};
        c.columns.push_back({"QTY", [](ADSHANDLE t, const char* f) { return AdsSetDouble(t, f, 42); }, "42"});
        cases.push_back(c);
    }
    KindCase vfp{"VFP", ADS_VFP, "NAME,Char,10;BORN,Date;OK,Logical;NOTE,Memo;QTY,Integer;CODE,VarChar,8;",
                 CommonColumns()};
    vfp.columns.push_back({"QTY", [](ADSHANDLE t, const char* f) { return SetText(t, f, "-7"); }, "-7"});
    vfp.columns.push_back({"CODE", [](ADSHANDLE t, const char* f) { return SetText(t, f, "ab"); }, "ab"});
    cases.push_back(vfp);
    KindCase adt{"ADT", ADS_ADT,
                 "NAME,Char,10;BORN,Date;OK,Logical;NOTE,Memo;QTY,Integer;SMALL,ShortInt;ID,AutoInc;"
                 "TITLE,NChar,6;WIDE,NMemo;CODE,VarChar,8;",
                 CommonColumns()};
    adt.columns.push_back({"QTY", [](ADSHANDLE t, const char* f) { return SetText(t, f, "123456"); }, "123456"});
    adt.columns.push_back({"SMALL", [](ADSHANDLE t, const char* f) { return AdsSetDouble(t, f, -12); }, "-12"});
    adt.columns.push_back({"TITLE", [](ADSHANDLE t, const char* f) { return AdsSetFieldW(t, f, u"Ωmega", 5); }, "?mega"});
    adt.columns.push_back(
        {"WIDE", [](ADSHANDLE t, const char* f) { return AdsSetStringW(t, f, u"日本 and é", 8); }, "?? and \xE9"});
    adt.columns.push_back({"CODE", [](ADSHANDLE t, const char* f) { return SetText(t, f, "xyz"); }, "xyz"});
    cases.push_back(adt);
    // The remaining column kinds of the engine's own format, each through
    // the setter a caller uses for it.
    KindCase more{"ADT, other kinds", ADS_ADT,
                  "NAME,CIChar,6;PRICE,Double,2;RATE,CurDouble,2;AMOUNT,Money;BIG,LongInt;AT,Time;WHEN,TimeStamp;"
                  "DAY,CompactDate;STAMP,ModTime;BYTES,Raw,3;VAR,VarBinary,4;WIDE,NVarChar,4;PIC,Image;",
                  {}};
    static const UNSIGNED8 stamp[8] = {0x21, 0x8D, 0x25, 0x00, 0x40, 0x77, 0x1B, 0x00}; // day 2460961, 1800000 ms
    static const UNSIGNED8 bytes[3] = {0x41, 0x42, 0x43};
    more.columns = {
        {"NAME", [](ADSHANDLE t, const char* f) { return SetText(t, f, "MiXed"); }, "MiXed"},
        {"PRICE", [](ADSHANDLE t, const char* f) { return AdsSetDouble(t, f, 3.25); }, "3.25"},
        {"RATE", [](ADSHANDLE t, const char* f) { return AdsSetDouble(t, f, -0.5); }, "-0.5"},
        {"AMOUNT", [](ADSHANDLE t, const char* f) { return SetText(t, f, "12.3456"); }, "12.3456"},
        {"BIG", [](ADSHANDLE t, const char* f) { return SetText(t, f, "9000000000"); }, "9000000000"},
        {"AT", [](ADSHANDLE t, const char* f) { return AdsSetMilliseconds(t, f, 45296000); }, "12:34:56.000"},
        {"WHEN", [](ADSHANDLE t, const char* f) { return AdsSetTimeStampRaw(t, f, stamp, 8); }, "20251012 00:30:00.000"},
        {"DAY", [](ADSHANDLE t, const char* f) { return AdsSetJulian(t, f, 2451545); }, "20000101"},
        {"BYTES", [](ADSHANDLE t, const char* f) { return AdsSetFieldRaw(t, f, bytes, 3); }, "ABC"},
        {"VAR", [](ADSHANDLE t, const char* f) { return AdsSetFieldRaw(t, f, bytes, 2); }, "AB"},
        {"WIDE", [](ADSHANDLE t, const char* f) { return AdsSetFieldW(t, f, u"\u00e9t", 2); }, "\xE9t"},
        {"PIC", [](ADSHANDLE t, const char* f) { return AdsSetBinary(t, f, ADS_IMAGE_DATA, 3, 0, bytes, 3); }, "ABC"},
    };
    cases.push_back(more);
    return cases;
}

TEST(ApiTables, EveryKindStoresValuesThatSurviveReopening)
{
    for (const KindCase& kind : KindCases()) {
        SCOPED_TRACE(kind.name);
        FolderConnection connection;
        ADSHANDLE table = CreateTable(connection.Handle(), "values", kind.type, kind.definition);
        ASSERT_NE(table, 0u);
        ASSERT_ADS_OK(AdsAppendRecord(table));
        for (const ColumnCase& column : kind.columns)
            EXPECT_EQ(column.write(table, column.field), AE_SUCCESS) << column.field << ": " << LastError().text;
        ASSERT_ADS_OK(AdsWriteRecord(table));
        for (const ColumnCase& column : kind.columns)
            EXPECT_EQ(FieldText(table, column.field), column.expected) << column.field << " before reopening";
        ASSERT_ADS_OK(AdsCloseTable(table));

        table = OpenTable(connection.Handle(), "VALUES", kind.type);
        ASSERT_ADS_OK(AdsGotoTop(table));
        for (const ColumnCase& column : kind.columns)
            EXPECT_EQ(FieldText(table, column.field), column.expected) << column.field << " after reopening";
        ASSERT_ADS_OK(AdsCloseTable(table));
    }
}

TEST(ApiTables, NullsAndEmptiesReadBackAsSuch)
{
    for (const KindCase& kind : KindCases()) {
        SCOPED_TRACE(kind.name);
        FolderConnection connection;
        ADSHANDLE table = CreateTable(connection.Handle(), "nulls", kind.type, kind.definition);
        ASSERT_ADS_OK(AdsAppendRecord(table));
        for (const ColumnCase& column : kind.columns)
            ASSERT_EQ(column.write(table, column.field), AE_SUCCESS) << column.field;
        ASSERT_ADS_OK(AdsWriteRecord(table));
        for (const ColumnCase& column : kind.columns) {
            SCOPED_TRACE(column.field);
            UNSIGNED16 empty = 9;
            ASSERT_ADS_OK(AdsIsEmpty(table, column.field, &empty));
            EXPECT_EQ(empty, 0);
            ASSERT_ADS_OK(kind.type == ADS_VFP ? AdsSetNull(table, column.field) : AdsSetEmpty(table, column.field));
        }
        ASSERT_ADS_OK(AdsWriteRecord(table));
        ASSERT_ADS_OK(AdsCloseTable(table));
        table = OpenTable(connection.Handle(), "nulls", kind.type);
        ASSERT_ADS_OK(AdsGotoTop(table));
        for (const ColumnCase& column : kind.columns) {
            SCOPED_TRACE(column.field);
            UNSIGNED16 empty = 9;
            ASSERT_ADS_OK(AdsIsEmpty(table, column.field, &empty));
            EXPECT_EQ(empty, 1);
            EXPECT_EQ(FieldText(table, column.field), "");
        }
        AdsCloseTable(table);
    }
}

TEST(ApiTables, ColumnDescriptionsMatchTheRecordImage)
{
    FolderConnection connection;
    ADSHANDLE table = CreateTable(connection.Handle(), "shape", ADS_ADT, "NAME,Char,10;TITLE,NChar,6;QTY,Integer;PRICE,Num,8,2;");
    UNSIGNED16 count = 0;
    ASSERT_ADS_OK(AdsGetNumFields(table, &count));
    ASSERT_EQ(count, 4);
    struct Expected {
        const char* name;
        UNSIGNED16 type;
        UNSIGNED32 length; // characters for NChar
        UNSIGNED16 decimals;
    };
    const Expected expected[] = {
        {"NAME", ADS_STRING, 10, 0},
        {"TITLE", ADS_NCHAR, 6, 0},
        {"QTY", ADS_INTEGER, 4, 0},
        {"PRICE", ADS_NUMERIC, 8, 2},
    };
    UNSIGNED32 recordLength = 0;
    ASSERT_ADS_OK(AdsGetRecordLength(table, &recordLength));
    UNSIGNED32 previousEnd = 1; // byte 0 is the record flag
    for (UNSIGNED16 i = 0; i < count; ++i) {
        SCOPED_TRACE(expected[i].name);
        char name[129];
        UNSIGNED16 nameLength = sizeof name;
        ASSERT_ADS_OK(AdsGetFieldName(table, UNSIGNED16(i + 1), name, &nameLength));
        EXPECT_EQ(std::string(name, nameLength), expected[i].name);
        UNSIGNED16 type = 0, decimals = 0;
        UNSIGNED32 length = 0, offset = 0;
        ASSERT_ADS_OK(AdsGetFieldType(table, ADSFIELD(i + 1), &type));
        EXPECT_EQ(type, expected[i].type);
        ASSERT_ADS_OK(AdsGetFieldLength(table, expected[i].name, &length));
        EXPECT_EQ(length, expected[i].length);
        ASSERT_ADS_OK(AdsGetFieldDecimals(table, ADSFIELD(i + 1), &decimals));
        EXPECT_EQ(decimals, expected[i].decimals);
        ASSERT_ADS_OK(AdsGetFieldOffset(table, ADSFIELD(i + 1), &offset));
        EXPECT_EQ(offset, previousEnd) << "columns follow each other in the image";
        previousEnd = offset + (type == ADS_NCHAR ? length * 2 : length);
    }
    EXPECT_EQ(previousEnd, recordLength);

    char small[4];
    UNSIGNED16 smallLength = sizeof small;
    ExpectFailure(AdsGetFieldName(table, 1, small, &smallLength), AE_INSUFFICIENT_BUFFER, "too small");
    EXPECT_EQ(smallLength, 4) << "the needed length comes back";
    UNSIGNED16 type = 0;
    ExpectFailure(AdsGetFieldType(table, "PRICES", &type), AE_FIELD_NOT_FOUND_API, "PRICES");
    ExpectFailure(AdsGetFieldType(table, ADSFIELD(5), &type), AE_FIELD_NOT_FOUND_API, "shape.adt");
    AdsCloseTable(table);
}

TEST(ApiTables, RecordImageAndBlankImagesFollowTheLayout)
{
    FolderConnection connection;
    ADSHANDLE table = CreateTable(connection.Handle(), "image", ADS_NTX, "NAME,Char,4;");
    AppendNames(table, {"ab"});
    ASSERT_ADS_OK(AdsGotoTop(table));
    UNSIGNED8 image[16] = {};
    UNSIGNED32 length = sizeof image;
    ASSERT_ADS_OK(AdsGetRecord(table, image, &length));
    ASSERT_EQ(length, 5u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(image), 5), " ab  ");

    UNSIGNED8 blank[5];
    ASSERT_ADS_OK(AdsGetNullRecord(table, blank, sizeof blank));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(blank), 5), "     ");
    ExpectFailure(AdsClearRecordBuffer(table, blank, 4), AE_INSUFFICIENT_BUFFER, "5 bytes");

    ASSERT_ADS_OK(AdsDeleteRecord(table));
    length = sizeof image;
    ASSERT_ADS_OK(AdsGetRecord(table, image, &length));
    EXPECT_EQ(image[0], '*') << "the image is the record as stored, deletion flag included";
    EXPECT_EQ(FieldText(table, "NAME", ADS_NONE), "ab  ") << "ADS_NONE keeps the padding";
    AdsCloseTable(table);
}

TEST(ApiTables, MemoContentOfEveryLengthReadsBackInPieces)
{
    FolderConnection connection;
    ADSHANDLE table = CreateTable(connection.Handle(), "memos", ADS_ADT, "DATA,Binary;NOTE,Memo;");
    for (size_t size : {size_t(0), size_t(1), size_t(1) << 20}) {
        SCOPED_TRACE(size);
        std::vector<UNSIGNED8> value(size);
        for (size_t i = 0; i < size; ++i)
            value[i] = UNSIGNED8(i * 7 + 3);
        ASSERT_ADS_OK(AdsAppendRecord(table));
        // Written in two pieces, as a caller streaming a large value does.
        UNSIGNED32 half = UNSIGNED32(size / 2);
        ASSERT_ADS_OK(AdsSetBinary(table, "DATA", ADS_BINARY_DATA, UNSIGNED32(size), 0, value.data(), half));
        ASSERT_ADS_OK(AdsSetBinary(table, "DATA", ADS_BINARY_DATA, UNSIGNED32(size), half, value.data() + half,
                                   UNSIGNED32(size) - half));
        ASSERT_ADS_OK(AdsWriteRecord(table));
        UNSIGNED32 length = 0;
        ASSERT_ADS_OK(AdsGetBinaryLength(table, "DATA", &length));
        ASSERT_EQ(length, size);
        std::vector<UNSIGNED8> back;
        for (UNSIGNED32 offset = 0;;) {
            UNSIGNED8 piece[65536];
            UNSIGNED32 got = sizeof piece;
            ASSERT_ADS_OK(AdsGetBinary(table, "DATA", offset, piece, &got));
            if (got == 0)
                break;
            back.insert(back.end(), piece, piece + got);
            offset += got;
        }
        EXPECT_TRUE(back == value);
        UNSIGNED16 memoType = 0;
        ASSERT_ADS_OK(AdsGetMemoDataType(table, "NOTE", &memoType));
        EXPECT_EQ(memoType, ADS_MEMO);
        ASSERT_ADS_OK(AdsGetMemoDataType(table, "DATA", &memoType));
        EXPECT_NE(memoType, ADS_MEMO);
    }
    AdsCloseTable(table);
}

TEST(ApiTables, TextOutputsAreTerminatedAndSizedInUnits)
{
    FolderConnection connection;
    ADSHANDLE table = CreateTable(connection.Handle(), "texts", ADS_ADT, "NAME,Char,8;WIDE,NMemo;");
    ASSERT_ADS_OK(AdsAppendRecord(table));
    ASSERT_ADS_OK(SetText(table, "NAME", "abc"));
    ASSERT_ADS_OK(AdsSetStringW(table, "WIDE", u"Ωx", 2));
    ASSERT_ADS_OK(AdsWriteRecord(table));

    UNSIGNED32 length = 0;
    ASSERT_ADS_OK(AdsGetDataLength(table, "WIDE", 0, &length));
    EXPECT_EQ(length, 2u) << "UTF-16 units";
    char16_t wide[3] = {u'#', u'#', u'#'};
    length = 3;
    ASSERT_ADS_OK(AdsGetFieldW(table, "WIDE", wide, &length, ADS_NONE));
    EXPECT_EQ(length, 2u);
    EXPECT_EQ(std::u16string(wide), u"Ωx");

    char text[4] = {'#', '#', '#', '#'};
    length = 4;
    ASSERT_ADS_OK(AdsGetField(table, "NAME", text, &length, ADS_TRIM));
    EXPECT_EQ(length, 3u);
    EXPECT_STREQ(text, "abc");
    length = 4;
    ExpectFailure(AdsGetField(table, "NAME", text, &length, ADS_NONE), AE_INSUFFICIENT_BUFFER, "too small");
    EXPECT_EQ(length, 8u);
    EXPECT_STREQ(text, "abc") << "as much as fits, terminated";
    AdsCloseTable(table);
}

TEST(ApiTables, BadDefinitionsAndArgumentsAreRefusedClearly)
{
    FolderConnection connection;
    struct Case {
        UNSIGNED16 type;
        const char* definition;
        UNSIGNED32 code;
        const char* fragment;
    };
    const Case cases[] = {
        {ADS_ADT, "NAME,Colour,3;", AE_UNKNOWN_FIELD_TYPE, "Colour"},
        {ADS_NTX, "NAME,Char;", AE_BAD_DEFINITION, "NAME"},
        {ADS_NTX, "ID,AutoInc;", AE_KIND_NOT_SUPPORTED, "NTX"},
        {9, "NAME,Char,3;", AE_INVALID_ARGUMENT, "table type 9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.definition);
        ADSHANDLE table = 0;
        ExpectFailure(AdsCreateTable90(connection.Handle(), "bad", nullptr, c.type, ADS_ANSI, 1, 1, 0, c.definition,
                                       ADS_FREE_TABLE, "", &table),
                      c.code, c.fragment);
        EXPECT_EQ(table, 0u);
    }
    ADSHANDLE table = 0;
    ExpectFailure(AdsOpenTable(connection.Handle(), "missing", nullptr, ADS_ADT, ADS_ANSI, 1, 1, 0, &table),
                  AE_FILE_NOT_FOUND, "missing");
    ExpectFailure(AdsCreateTable90(connection.Handle(), "t", nullptr, ADS_ADT, ADS_ANSI, 1, 1, 0, "A,Char,2;",
                                   ADS_DICTIONARY_TABLE, "", &table),
                  AE_INVALID_ARGUMENT, "a dictionary table needs a connection to a data dictionary");
    ExpectFailure(AdsOpenTable(0, "relative", nullptr, ADS_ADT, ADS_ANSI, 1, 1, 0, &table), AE_INVALID_ARGUMENT,
                  "full path");
}

TEST(ApiTables, TablesOpenWithoutAConnectionByFullPath)
{
    FolderConnection connection;
    ASSERT_TRUE(QDir(QString::fromStdString(connection.Folder())).mkpath("data"));
    ADSHANDLE created = 0;
    std::string upperFolder = connection.File("DATA/made.adt");
    ASSERT_ADS_OK(AdsCreateTable90(0, upperFolder.c_str(), nullptr, ADS_ADT, ADS_ANSI, 1, 1, 0, "ID,Integer;",
                                   ADS_FREE_TABLE, "", &created));
    AdsCloseTable(created);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(connection.File("data/made.adt"))));

    ADSHANDLE table = CreateTable(connection.Handle(), "loose", ADS_CDX, "NAME,Char,5;");
    AdsCloseTable(table);
    std::string path = connection.File("LOOSE.DBF");
    table = OpenTable(0, path, ADS_CDX);
    ADSHANDLE owner = 77;
    ExpectFailure(AdsGetTableConnection(table, &owner), AE_NO_CONNECTION, "without a connection");
    UNSIGNED16 type = 0;
    ASSERT_ADS_OK(AdsGetTableType(table, &type));
    EXPECT_EQ(type, ADS_CDX);
    ASSERT_ADS_OK(AdsCloseTable(table));
}

TEST(ApiTables, HandlesOfOtherKindsAndClosedTablesAreRefused)
{
    FolderConnection connection;
    ASSERT_ADS_OK(AdsCloseTable(CreateTable(connection.Handle(), "h", ADS_ADT, "NAME,Char,5;")));
    UNSIGNED16 count = 0;
    ExpectFailure(AdsGetNumFields(connection.Handle(), &count), AE_INVALID_HANDLE, "table");
    ADSHANDLE reopened = OpenTable(connection.Handle(), "h", ADS_ADT);
    ASSERT_ADS_OK(AdsCloseTable(reopened));
    ExpectFailure(AdsGetNumFields(reopened, &count), AE_INVALID_HANDLE, std::to_string(reopened));
    ExpectFailure(AdsCloseTable(reopened), AE_INVALID_HANDLE, std::to_string(reopened));
}

TEST(ApiTables, DisconnectClosesTheConnectionsTablesAndStoresTheirEdits)
{
    FolderConnection connection;
    ADSHANDLE table = CreateTable(connection.Handle(), "left", ADS_ADT, "NAME,Char,5;");
    ASSERT_ADS_OK(AdsAppendRecord(table));
    ASSERT_ADS_OK(SetText(table, "NAME", "kept"));
    ASSERT_ADS_OK(AdsDisconnect(connection.Handle()));
    connection.Forget();
    UNSIGNED16 count = 0;
    EXPECT_EQ(AdsGetNumFields(table, &count), AE_INVALID_HANDLE);

    ADSHANDLE again = 0;
    std::string folder = connection.Folder();
    ASSERT_ADS_OK(AdsConnect(folder.c_str(), &again));
    ADSHANDLE reopened = OpenTable(again, "left", ADS_ADT, ADS_EXCLUSIVE);
    ASSERT_ADS_OK(AdsGotoTop(reopened));
    EXPECT_EQ(FieldText(reopened, "NAME"), "kept");
    AdsDisconnect(again);
}

TEST(ApiTables, DatesConvertBetweenTextAndJulianDays)
{
    struct Case {
        const char* text;
        double julian;
    };
    const Case cases[] = {{"00010101", 1721426}, {"18991230", 2415019}, {"20000101", 2451545}, {"99991231", 5373484}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        DOUBLE julian = 0;
        ASSERT_ADS_OK(AdsConvertStringToJulian(c.text, 8, &julian));
        EXPECT_EQ(julian, c.julian);
        char text[13];
        UNSIGNED16 length = sizeof text;
        ASSERT_ADS_OK(AdsConvertJulianToString(c.julian, text, &length));
        EXPECT_EQ(std::string(text, length), c.text);
    }
    DOUBLE julian = 5;
    ASSERT_ADS_OK(AdsConvertStringToJulian("        ", 8, &julian));
    EXPECT_EQ(julian, 0) << "a blank date is day 0";
    for (const char* bad : {"20241301", "2024-1-1", "abcdefgh", "20230229"}) {
        SCOPED_TRACE(bad);
        ExpectFailure(AdsConvertStringToJulian(bad, 8, &julian), AE_INVALID_DATE, bad);
    }
}

} // namespace

namespace {

TEST(ApiTables, VfpSystemFlagsReadAndWriteTheImage)
{
    FolderConnection connection;
    ADSHANDLE table = CreateTable(connection.Handle(), "flags", ADS_VFP, "NAME,Char,6;CODE,VarChar,4;");
    ASSERT_ADS_OK(AdsAppendRecord(table));
    ASSERT_ADS_OK(AdsSetField(table, "NAME", "x", 1));
    ASSERT_ADS_OK(AdsSetField(table, "CODE", "abcd", 4));
    ASSERT_ADS_OK(AdsSetNull(table, "NAME"));
    ASSERT_ADS_OK(AdsWriteRecord(table));

    UNSIGNED32 length = 0;
    ASSERT_ADS_OK(AdsGetRecordLength(table, &length));
    std::vector<UNSIGNED8> image(length);
    ASSERT_ADS_OK(AdsGetRecord(table, image.data(), &length));
    UNSIGNED16 flag = 9;
    ASSERT_ADS_OK(AdsAccessVfpSystemField(table, "NAME", image.data(), ADS_VFP_GET_NULL, &flag));
    EXPECT_EQ(flag, 1);
    ASSERT_ADS_OK(AdsAccessVfpSystemField(table, "CODE", image.data(), ADS_VFP_GET_NULL, &flag));
    EXPECT_EQ(flag, 0);
    ASSERT_ADS_OK(AdsAccessVfpSystemField(table, "CODE", image.data(), ADS_VFP_GET_VARLENGTH, &flag));
    EXPECT_EQ(flag, 1) << "a value that fills the column";

    // Writing a flag changes the caller's image only.
    flag = 0;
    ASSERT_ADS_OK(AdsAccessVfpSystemField(table, "NAME", image.data(), ADS_VFP_SET_NULL, &flag));
    ASSERT_ADS_OK(AdsAccessVfpSystemField(table, "NAME", image.data(), ADS_VFP_GET_NULL, &flag));
    EXPECT_EQ(flag, 0);
    UNSIGNED16 isNull = 0;
    ASSERT_ADS_OK(AdsIsNull(table, "NAME", &isNull));
    EXPECT_EQ(isNull, 1);
    ExpectFailure(AdsAccessVfpSystemField(table, "NAME", image.data(), 5, &flag), AE_INVALID_ARGUMENT, "option 5");
    AdsCloseTable(table);
}

TEST(ApiTables, OemTablesStoreCodePage850AndReadAsAnsi)
{
    FolderConnection connection;
    ADSHANDLE table = CreateTable(connection.Handle(), "oem", ADS_NTX, "NAME,Char,4;", ADS_OEM);
    UNSIGNED16 charType = 0;
    ASSERT_ADS_OK(AdsGetTableCharType(table, &charType));
    EXPECT_EQ(charType, ADS_OEM);
    ASSERT_ADS_OK(AdsAppendRecord(table));
    ASSERT_ADS_OK(AdsSetField(table, "NAME", "\xE9t\xE9", 3)); // "été" in Windows-1252
    ASSERT_ADS_OK(AdsWriteRecord(table));
    UNSIGNED8 image[5];
    UNSIGNED32 length = sizeof image;
    ASSERT_ADS_OK(AdsGetRecord(table, image, &length));
    EXPECT_EQ(image[1], 0x82) << "é is 0x82 in code page 850";
    EXPECT_EQ(FieldText(table, "NAME"), "\xE9t\xE9");
    char16_t wide[8];
    UNSIGNED32 units = 8;
    ASSERT_ADS_OK(AdsGetFieldW(table, "NAME", wide, &units, ADS_TRIM));
    EXPECT_EQ(std::u16string(wide, units), u"été");
    AdsCloseTable(table);
}

} // namespace
