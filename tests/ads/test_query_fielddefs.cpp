// Query results over tables of every table type: a result keeps its source
// columns' engine types, so the dataset's field definitions, record buffer
// and memo markers on a result are those of the tables it reads.
#include "tests/ads/test_dataset_support.h"

#include <cstring>
#include <map>

using namespace dataset_test;

namespace {

struct ColumnCase {
    TAdsTableTypes tableType;
    const char* definition; // SQL column type
    uint16_t engineType;
    TFieldType fieldType;
    int size;
    uint32_t itemLength;
};

// ttAdsDefault sends table type 1: its tables are NTX tables.
const ColumnCase kColumns[] = {
    {ttAdsADT, "Logical", 1, ftBoolean, 0, 1},
    {ttAdsADT, "Numeric(10, 2)", 2, ftBCD, 2, 10},
    {ttAdsADT, "Numeric(20, 2)", 2, ftFMTBcd, 2, 20},
    {ttAdsADT, "Date", 3, ftDate, 0, 4},
    {ttAdsADT, "Char(12)", 4, ftString, 12, 12},
    {ttAdsADT, "Memo", 5, ftMemo, 1, 8},
    {ttAdsADT, "Blob", 6, ftBlob, 1, 8},
    {ttAdsADT, "Image", 7, ftBlob, 1, 8},
    {ttAdsADT, "Double", 10, ftFloat, 0, 8},
    {ttAdsADT, "Integer", 11, ftInteger, 0, 4},
    {ttAdsADT, "ShortInt", 12, ftSmallint, 0, 2},
    {ttAdsADT, "Time", 13, ftTime, 0, 4},
    {ttAdsADT, "TimeStamp", 14, ftDateTime, 0, 8},
    {ttAdsADT, "AutoInc", 15, ftAutoInc, 0, 4},
    {ttAdsADT, "Raw(6)", 16, ftBytes, 6, 6},
    {ttAdsADT, "CurDouble", 17, ftCurrency, 0, 8},
    {ttAdsADT, "Money", 18, ftBCD, 4, 8},
    {ttAdsADT, "CIChar(5)", 20, ftString, 5, 5},
    {ttAdsADT, "BigInt", 21, ftBCD, 0, 8},
    {ttAdsADT, "ModTime", 22, ftDateTime, 0, 8},
    {ttAdsADT, "VarChar(7)", 23, ftString, 7, 7},
    {ttAdsADT, "VarBinary(9)", 24, ftVarBytes, 9, 9},
    {ttAdsADT, "NChar(10)", 26, ftWideString, 10, 20},
    {ttAdsADT, "NVarChar(4)", 27, ftWideString, 4, 8},
    {ttAdsADT, "NMemo", 28, ftWideMemo, 1, 8},
    {ttAdsCDX, "Char(12)", 4, ftString, 12, 12},
    {ttAdsCDX, "Numeric(4, 0)", 2, ftSmallint, 0, 4},
    {ttAdsCDX, "Numeric(5, 0)", 2, ftFloat, 0, 5},
    {ttAdsCDX, "Numeric(8, 2)", 2, ftFloat, 0, 8},
    {ttAdsCDX, "Date", 3, ftDate, 0, 8},
    {ttAdsCDX, "Logical", 1, ftBoolean, 0, 1},
    {ttAdsCDX, "Memo", 5, ftMemo, 1, 10},
    {ttAdsCDX, "Blob", 6, ftBlob, 1, 10},
    {ttAdsCDX, "Image", 7, ftBlob, 1, 10},
    {ttAdsVFP, "Char(12)", 4, ftString, 12, 12},
    {ttAdsVFP, "VarChar(7)", 23, ftString, 7, 7},
    {ttAdsVFP, "VarBinary(9)", 24, ftVarBytes, 9, 9},
    {ttAdsVFP, "Integer", 11, ftInteger, 0, 4},
    {ttAdsVFP, "AutoInc", 15, ftAutoInc, 0, 4},
    {ttAdsVFP, "Double", 10, ftFloat, 0, 8},
    {ttAdsVFP, "Money", 18, ftBCD, 4, 8},
    {ttAdsVFP, "TimeStamp", 14, ftDateTime, 0, 8},
    {ttAdsVFP, "Numeric(4, 0)", 2, ftSmallint, 0, 4},
    {ttAdsVFP, "Memo", 5, ftMemo, 1, 4},
    {ttAdsVFP, "Blob", 6, ftBlob, 1, 4},
    {ttAdsDefault, "Char(12)", 4, ftString, 12, 12},
    {ttAdsDefault, "Numeric(5, 0)", 2, ftFloat, 0, 5},
    {ttAdsDefault, "Date", 3, ftDate, 0, 8},
    {ttAdsDefault, "Logical", 1, ftBoolean, 0, 1},
    {ttAdsDefault, "Memo", 5, ftMemo, 1, 10},
};

// The table types a query names and the engine type its statement sends.
const std::pair<TAdsTableTypes, uint16_t> kTableTypes[] = {
    {ttAdsADT, ADS_ADT}, {ttAdsCDX, ADS_CDX}, {ttAdsVFP, ADS_VFP}, {ttAdsDefault, ADS_NTX}};

uint16_t EngineTableType(TAdsTableTypes type)
{
    for (const auto& [tableType, engineType] : kTableTypes)
        if (tableType == type)
            return engineType;
    return 0;
}

std::string TableTypeName(TAdsTableTypes type)
{
    return "engine table type " + std::to_string(EngineTableType(type));
}

// A persistent field of `query`.
template <class Field>
Field* AddField(TAdsQuery& query, const QString& name, int size = 0)
{
    auto* field = new Field(&query);
    field->SetFieldName(name);
    if (size > 0)
        field->SetSize(size);
    field->SetDataSet(&query);
    return field;
}

QString ColumnName(int i)
{
    return QStringLiteral("C%1").arg(i);
}

std::vector<const ColumnCase*> CasesOf(TAdsTableTypes type)
{
    std::vector<const ColumnCase*> cases;
    for (const ColumnCase& c : kColumns)
        if (c.tableType == type)
            cases.push_back(&c);
    return cases;
}

// Creates table "t" with one column per case and returns the SELECT that
// names them all.
QString CreateTableOf(const QString& folder, TAdsTableTypes type, const std::vector<const ColumnCase*>& cases)
{
    QStringList columns, names;
    for (int i = 0; i < int(cases.size()); ++i) {
        columns << ColumnName(i) + QLatin1Char(' ') + QString::fromLatin1(cases[i]->definition);
        names << ColumnName(i);
    }
    RunSql(folder, "CREATE TABLE t (" + columns.join(", ") + ")", type);
    return "SELECT " + names.join(", ") + " FROM t";
}

uint32_t EngineRecordLength(const TAdsQuery& query)
{
    uint32_t length = 0;
    EXPECT_EQ(ace::AdsGetRecordLength(query.Handle(), &length), 0u);
    return length;
}

int32_t FirstFourBytes(const TAdsDataSet& dataSet, const uint8_t* image, const QString& column)
{
    int32_t value = 0;
    std::memcpy(&value, image + dataSet.ACEFieldDefs()->Items(dataSet.ACEFieldDefs()->IndexOf(column))->Offset(), 4);
    return value;
}

QString FieldText(uint32_t cursor, const char* column)
{
    char text[64] = {};
    uint32_t length = sizeof text;
    EXPECT_EQ(ace::AdsGetField(cursor, column, text, &length, ADS_NONE), 0u) << column;
    return QString::fromLatin1(text, int(length));
}

} // namespace

TEST(QueryFieldDefs, ResultColumnsKeepTheTypesOfTheirTables)
{
    for (const auto& [type, engineType] : kTableTypes) {
        SCOPED_TRACE(TableTypeName(type));
        testsupport::TempFolder folder;
        const std::vector<const ColumnCase*> cases = CasesOf(type);
        auto query = QueryOn(folder.path(), CreateTableOf(folder.path(), type, cases), type);
        query->Open();
        EXPECT_EQ(query->AceTableType(), engineType) << "the result is a table of the statement's type";
        EXPECT_TRUE(query->IsReadOnly());
        ASSERT_EQ(query->FieldDefs()->Count(), int(cases.size()));
        for (int i = 0; i < int(cases.size()); ++i) {
            const ColumnCase& c = *cases[i];
            SCOPED_TRACE(c.definition);
            const TFieldDef* def = query->FieldDefs()->Items(i);
            const TACEFieldDef* item = query->ACEFieldDefs()->Items(i);
            EXPECT_EQ(def->Name().toUpper(), ColumnName(i));
            EXPECT_EQ(item->FieldType(), c.engineType);
            EXPECT_EQ(TypeName(def->DataType()), TypeName(c.fieldType));
            EXPECT_EQ(def->Size(), c.size);
            EXPECT_EQ(item->Length(), c.itemLength);
            EXPECT_FALSE(def->Required());
        }
        query->Close();
    }
}

TEST(QueryFieldDefs, NumericsFollowTheResultsTableTypeAndTheFloatOption)
{
    struct Case {
        TAdsTableTypes tableType;
        const char* definition;
        bool asFloats;
        TFieldType expected;
        int size;
        int precision; // 0: not checked
    };
    const Case cases[] = {
        {ttAdsADT, "Numeric(20, 2)", false, ftFMTBcd, 2, 18},
        {ttAdsADT, "Numeric(20, 2)", true, ftFloat, 0, 0},
        {ttAdsADT, "Numeric(10, 5)", false, ftFMTBcd, 5, 8},
        {ttAdsADT, "Numeric(4, 0)", false, ftBCD, 0, 3},
        {ttAdsADT, "Numeric(4, 0)", true, ftSmallint, 0, 0},
        {ttAdsADT, "Numeric(5, 0)", true, ftFloat, 0, 0},
        {ttAdsCDX, "Numeric(4, 0)", false, ftSmallint, 0, 0},
        {ttAdsCDX, "Numeric(4, 0)", true, ftSmallint, 0, 0},
        {ttAdsCDX, "Numeric(5, 0)", false, ftFloat, 0, 0},
        {ttAdsCDX, "Numeric(20, 2)", false, ftFloat, 0, 0},
        {ttAdsVFP, "Numeric(4, 0)", false, ftSmallint, 0, 0},
        {ttAdsVFP, "Numeric(5, 2)", false, ftFloat, 0, 0},
        {ttAdsDefault, "Numeric(4, 0)", false, ftSmallint, 0, 0},
        {ttAdsDefault, "Numeric(5, 0)", false, ftFloat, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(TableTypeName(c.tableType) + " " + c.definition + (c.asFloats ? " as floats" : ""));
        testsupport::TempFolder folder;
        RunSql(folder.path(), QStringLiteral("CREATE TABLE n (N %1)").arg(c.definition), c.tableType);
        auto query = QueryOn(folder.path(), "SELECT N FROM n", c.tableType);
        query->AdsTableOptions()->SetAdsNumericsAsFloats(c.asFloats);
        query->Open();
        const TFieldDef* def = query->FieldDefs()->Items(0);
        EXPECT_EQ(TypeName(def->DataType()), TypeName(c.expected));
        EXPECT_EQ(def->Size(), c.size);
        if (c.precision > 0) {
            EXPECT_EQ(def->Precision(), c.precision);
        }
    }
}

// A result is a table of the statement's type only when that type holds
// every column with its own type; otherwise it is of the engine's own type,
// which holds them all, and reports so.
TEST(QueryFieldDefs, ResultsTheStatementsTypeCannotHoldAreOfTheEnginesOwnType)
{
    struct Case {
        const char* what;
        TAdsTableTypes tableType;
        const char* sql;
        uint16_t resultType;
        uint16_t firstColumnType;
    };
    const Case cases[] = {
        {"DBF columns and a text literal", ttAdsCDX, "SELECT NAME, 'x' AS K FROM t", ADS_CDX, 4},
        {"a count, which DBF cannot hold as an integer", ttAdsCDX, "SELECT COUNT(*) AS N FROM t", ADS_ADT, 11},
        {"a count, which VFP holds", ttAdsVFP, "SELECT COUNT(*) AS N FROM t", ADS_VFP, 11},
        {"a name too long for DBF", ttAdsCDX, "SELECT NAME AS DESCRIPTION1 FROM t", ADS_ADT, 4},
        {"a DBF table named by its file, read by an ADT statement", ttAdsADT, "SELECT N FROM \"t.dbf\"", ADS_ADT, 2},
        {"a procedure's rows", ttAdsCDX, "EXECUTE PROCEDURE sp_GetSQLStatements()", ADS_ADT, 11},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        testsupport::TempFolder folder;
        const TAdsTableTypes tableType = c.tableType == ttAdsVFP ? ttAdsVFP : ttAdsCDX;
        RunSql(folder.path(), "CREATE TABLE t (NAME Char(10), N Numeric(4, 0));"
                              "INSERT INTO t VALUES ('ann', 12);",
               tableType);
        auto query = QueryOn(folder.path(), c.sql, c.tableType);
        query->Open();
        EXPECT_EQ(query->AceTableType(), c.resultType);
        EXPECT_EQ(query->ACEFieldDefs()->Items(0)->FieldType(), c.firstColumnType);
    }
}

// The rows of a result hold the values the table holds, also where a table
// would give its own (autoincrement, modification time) and where 8-bit text
// could not hold them (Unicode).
TEST(QueryFieldDefs, ResultRowsHoldTheTablesOwnValues)
{
    testsupport::TempFolder folder;
    RunSql(folder.path(), "CREATE TABLE t (ID AutoInc, NAME Char(4), CHANGED ModTime, WORD NChar(3));"
                          "INSERT INTO t (NAME) VALUES ('a');"
                          "INSERT INTO t (NAME) VALUES ('b');"
                          "INSERT INTO t (NAME) VALUES ('c');"
                          "DELETE FROM t WHERE NAME = 'a';");
    const std::u16string word = u"\u0416\u00e9\u4e2d";
    {
        auto connection = OpenOn(folder.path());
        const uint32_t table = OpenTableCursor(*connection, "t", ADS_ADT);
        ASSERT_EQ(ace::AdsGotoTop(table), 0u);
        for (uint16_t atEnd = 0; ace::AdsAtEOF(table, &atEnd) == 0 && !atEnd; ace::AdsSkip(table, 1)) {
            ASSERT_EQ(ace::AdsLockRecord(table, 0), 0u);
            ASSERT_EQ(ace::AdsSetStringW(table, "WORD", word.data(), uint32_t(word.size())), 0u);
            ASSERT_EQ(ace::AdsWriteRecord(table), 0u);
        }
        ASSERT_EQ(ace::AdsCloseTable(table), 0u);
    }
    std::map<QString, QString> stamps;
    {
        auto source = QueryOn(folder.path(), "SELECT * FROM t");
        source->SetRequestLive(true);
        source->Open();
        for (; !source->Eof(); source->Next())
            stamps[FieldText(source->Handle(), "NAME").trimmed()] = FieldText(source->Handle(), "CHANGED");
        source->First();
        char16_t units[8] = {};
        uint32_t length = 8;
        ASSERT_EQ(ace::AdsGetFieldW(source->Handle(), "WORD", units, &length, ADS_TRIM), 0u);
        ASSERT_EQ(std::u16string(units, length), word) << "the table holds the text";
    }
    auto query = QueryOn(folder.path(), "SELECT ID, NAME, CHANGED, WORD FROM t ORDER BY ID");
    query->Open();
    QStringList ids;
    for (; !query->Eof(); query->Next()) {
        const QString name = FieldText(query->Handle(), "NAME").trimmed();
        ids << FieldText(query->Handle(), "ID").trimmed();
        EXPECT_EQ(FieldText(query->Handle(), "CHANGED"), stamps[name]) << name.toStdString();
    }
    EXPECT_EQ(ids, (QStringList{"2", "3"})) << "the table's numbers, not the result's own";
    query->First();
    char16_t units[8] = {};
    uint32_t length = 8;
    ASSERT_EQ(ace::AdsGetFieldW(query->Handle(), "WORD", units, &length, ADS_TRIM), 0u);
    EXPECT_EQ(std::u16string(units, length), word);
}

TEST(QueryFieldDefs, RecordBufferLayoutOfResultsOfEveryTableType)
{
    for (const auto& [type, engineType] : kTableTypes) {
        SCOPED_TRACE(TableTypeName(type));
        testsupport::TempFolder folder;
        RunSql(folder.path(), "CREATE TABLE t (NAME Char(10), NOTE Memo, N Numeric(4, 0));"
                              "INSERT INTO t VALUES ('a', 'text', 1);",
               type);
        auto query = QueryOn(folder.path(), "SELECT NAME, NOTE, N FROM t", type);
        AddField<TStringField>(*query, "NAME", 10);
        AddField<TMemoField>(*query, "NOTE", 1);
        AddField<TIntegerField>(*query, "TWICE")->SetCalculated(true);
        query->Open();
        ASSERT_EQ(query->AceTableType(), engineType);

        const uint32_t length = EngineRecordLength(*query);
        const int calculated = 1 + 4;
        EXPECT_EQ(query->RecordSize(), int(length));
        EXPECT_EQ(query->CalcFieldsSize(), calculated);
        EXPECT_EQ(query->BlobFieldCount(), 1);
        EXPECT_GT(query->BookmarkSize(), 0);
        EXPECT_EQ(query->RecBufSize(), length + calculated + 4 * 1 + 8 + query->BookmarkSize());
        EXPECT_EQ(query->BlobCacheOfs(), length + calculated);
        EXPECT_EQ(query->RecInfoOfs(), length + calculated + 4);
        EXPECT_EQ(query->BookmarkOfs(), length + calculated + 4 + 8);
        for (const QByteArray& key : query->KeyBuffers())
            EXPECT_EQ(key.size(), int(12 + length + 2 * 3));
    }
}

TEST(QueryFieldDefs, MemoMarkersOfResultsOfEveryTableType)
{
    for (const auto& [type, engineType] : kTableTypes) {
        for (bool withMemoField : {true, false}) {
            SCOPED_TRACE(TableTypeName(type) + (withMemoField ? ", a memo field object" : ", no blob field object"));
            testsupport::TempFolder folder;
            RunSql(folder.path(), "CREATE TABLE t (ID Char(2), NOTE Memo);"
                                  "INSERT INTO t VALUES ('1', 'some text');"
                                  "INSERT INTO t VALUES ('2', NULL);"
                                  "INSERT INTO t VALUES ('3', '');"
                                  "INSERT INTO t VALUES ('4', 'more');",
                   type);
            auto query = QueryOn(folder.path(), "SELECT ID, NOTE FROM t ORDER BY ID", type);
            AddField<TStringField>(*query, "ID", 2);
            if (withMemoField)
                AddField<TMemoField>(*query, "NOTE", 1);
            query->Open();
            std::vector<int32_t> markers;
            for (; !query->Eof(); query->Next()) {
                markers.push_back(FirstFourBytes(*query, query->ActiveBuffer(), "NOTE"));
                if (!withMemoField) {
                    // The buffer holds the engine's own bytes of the current record.
                    QByteArray image(int(EngineRecordLength(*query)), '\0');
                    uint32_t length = uint32_t(image.size());
                    ASSERT_EQ(ace::AdsGetRecord(query->Handle(), reinterpret_cast<uint8_t*>(image.data()), &length),
                              0u);
                    EXPECT_EQ(markers.back(),
                              FirstFourBytes(*query, reinterpret_cast<const uint8_t*>(image.constData()), "NOTE"));
                }
            }
            ASSERT_EQ(markers.size(), 4u);
            if (withMemoField)
                EXPECT_EQ(markers, (std::vector<int32_t>{-1, 0, 0, -1}));
            else
                EXPECT_NE(markers[0], -1);
        }
    }
}

// Codes no table can hold keep their place in the type table: the memo-like
// text 8, the compact date 9 and the binary kinds read as text 51 and 52 map
// like their neighbours, and 19 has no mapping at all.
TEST(QueryFieldDefs, TypeTableEntriesNoTableProduces)
{
    struct Case {
        uint16_t code;
        bool known;
        TFieldType type;
        int size;
    };
    const Case cases[] = {
        {8, true, ftMemo, 1},  {9, true, ftDate, 0},   {51, true, ftBlob, 1},
        {52, true, ftBlob, 1}, {19, false, ftUnknown, 0}, {25, false, ftUnknown, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        TEngineFieldMapping mapping;
        ASSERT_EQ(MapEngineFieldType(c.code, 3, 0, true, mapping), c.known);
        if (c.known) {
            EXPECT_EQ(TypeName(mapping.type), TypeName(c.type));
            EXPECT_EQ(mapping.size, c.size);
        }
    }
}
