// The dataset's cursor on real query results: field definitions from the
// engine, the record buffer layout, memo markers after each fetch, the
// field classes, and opening and closing.
#include "tests/ads/test_dataset_support.h"

#include <cstring>

using namespace dataset_test;

namespace {

struct Column {
    const char* definition;  // SQL type
    uint16_t engineType;
    TFieldType fieldType;
    int size;
    uint32_t itemLength;
};

// One ADT table with a column of every kind the definitions offer.
const Column kAdtColumns[] = {
    {"Logical", 1, ftBoolean, 0, 1},
    {"Numeric(10, 2)", 2, ftBCD, 2, 10},
    {"Numeric(20, 2)", 2, ftFMTBcd, 2, 20},
    {"Numeric(12, 5)", 2, ftFMTBcd, 5, 12},
    {"Date", 3, ftDate, 0, 4},
    {"Char(12)", 4, ftString, 12, 12},
    {"Memo", 5, ftMemo, 1, 8},
    {"Blob", 6, ftBlob, 1, 8},
    {"Double", 10, ftFloat, 0, 8},
    {"Integer", 11, ftInteger, 0, 4},
    {"ShortInt", 12, ftSmallint, 0, 2},
    {"Time", 13, ftTime, 0, 4},
    {"TimeStamp", 14, ftDateTime, 0, 8},
    {"AutoInc", 15, ftAutoInc, 0, 4},
    {"Raw(6)", 16, ftBytes, 6, 6},
    {"CurDouble", 17, ftCurrency, 0, 8},
    {"Money", 18, ftBCD, 4, 8},
    {"CIChar(5)", 20, ftString, 5, 5},
    {"BigInt", 21, ftBCD, 0, 8},
    {"ModTime", 22, ftDateTime, 0, 8},
    {"VarChar(7)", 23, ftString, 7, 7},
    {"VarBinary(9)", 24, ftVarBytes, 9, 9},
    {"NChar(10)", 26, ftWideString, 10, 20},
    {"NVarChar(4)", 27, ftWideString, 4, 8},
    {"NMemo", 28, ftWideMemo, 1, 8},
};

QString ColumnName(int i)
{
    return QStringLiteral("C%1").arg(i);
}

QString CreateAllTypes()
{
    QStringList columns;
    for (int i = 0; i < int(std::size(kAdtColumns)); ++i)
        columns << ColumnName(i) + QLatin1Char(' ') + QString::fromLatin1(kAdtColumns[i].definition);
    return "CREATE TABLE typed (" + columns.join(", ") + ")";
}

int32_t Marker(const TAdsDataSet& dataSet, TRecordBuffer buffer, const QString& column)
{
    const int index = dataSet.ACEFieldDefs()->IndexOf(column);
    int32_t value = 0;
    std::memcpy(&value, buffer + dataSet.ACEFieldDefs()->Items(index)->Offset(), 4);
    return value;
}

} // namespace

// The table itself is handed to the dataset as its cursor, so that every
// engine type reaches the dataset as the table stores it.
TEST(DataSetCursor, FieldDefinitionsOfEveryEngineType)
{
    testsupport::TempFolder folder;
    RunSql(folder.path(), CreateAllTypes());
    auto connection = OpenOn(folder.path());
    TAdsQuery query(nullptr);
    query.SetAdsConnection(connection.get());
    query.SetCursorHandleForOpen(OpenTableCursor(*connection, "typed", ADS_ADT));
    query.Open();
    EXPECT_EQ(query.AceTableType(), ADS_ADT);
    ASSERT_EQ(query.FieldDefs()->Count(), int(std::size(kAdtColumns)));
    for (int i = 0; i < int(std::size(kAdtColumns)); ++i) {
        const Column& c = kAdtColumns[i];
        SCOPED_TRACE(c.definition);
        const TFieldDef* def = query.FieldDefs()->Items(i);
        const TACEFieldDef* item = query.ACEFieldDefs()->Items(i);
        EXPECT_EQ(def->Name(), ColumnName(i));
        EXPECT_EQ(item->FieldType(), c.engineType);
        EXPECT_EQ(TypeName(def->DataType()), TypeName(c.fieldType));
        EXPECT_EQ(def->Size(), c.size);
        EXPECT_EQ(item->Length(), c.itemLength);
        EXPECT_EQ(item->FieldNumber(), i + 1);
        EXPECT_TRUE(item->Nullable());
        EXPECT_FALSE(def->Required());
        EXPECT_FALSE(item->Modified());
    }
    EXPECT_EQ(query.FieldDefs()->Items(1)->Precision(), 8) << "Numeric(10, 2)";
    EXPECT_EQ(query.FieldDefs()->Items(2)->Precision(), 18) << "Numeric(20, 2)";
    EXPECT_EQ(query.FieldDefs()->Items(16)->Precision(), 20) << "Money";
    EXPECT_EQ(query.FieldDefs()->Items(18)->Precision(), 20) << "BigInt";
    EXPECT_EQ(query.ACEFieldDefs()->IndexOf("c5"), 5) << "names compare without case";
    EXPECT_EQ(query.ACEFieldDefs()->IndexOf("nothing"), -1);
    // Consecutive offsets after the record flag byte, as the engine lays out.
    EXPECT_EQ(query.ACEFieldDefs()->Items(0)->Offset(), 1u);
    query.Close();
}

TEST(DataSetCursor, QueryResultsDescribeTheirColumns)
{
    testsupport::TempFolder folder;
    RunSql(folder.path(), "CREATE TABLE t (NAME Char(12), N Numeric(20, 2), I Integer, NOTE Memo)");
    auto query = QueryOn(folder.path(), "SELECT * FROM t");
    query->Open();
    ASSERT_EQ(query->FieldDefs()->Count(), 4);
    const TFieldType expected[] = {ftString, ftFMTBcd, ftInteger, ftMemo};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(TypeName(query->FieldDefs()->Items(i)->DataType()), TypeName(expected[i])) << i;
    EXPECT_EQ(query->FieldDefs()->Items(0)->Size(), 12);
}

TEST(DataSetCursor, NumericsOfAdtAsFloatsAndOfDbfTables)
{
    struct Case {
        TAdsTableTypes tableType;
        uint16_t engineTableType;
        bool asFloats;
        const char* definition;
        TFieldType expected;
    };
    const Case cases[] = {
        {ttAdsADT, ADS_ADT, true, "Numeric(20, 2)", ftFloat},
        {ttAdsADT, ADS_ADT, true, "Numeric(4, 0)", ftSmallint},
        {ttAdsADT, ADS_ADT, true, "Numeric(5, 0)", ftFloat},
        {ttAdsADT, ADS_ADT, false, "Numeric(4, 0)", ftBCD},
        {ttAdsADT, ADS_ADT, false, "Numeric(19, 0)", ftFMTBcd},
        {ttAdsCDX, ADS_CDX, false, "Numeric(4, 0)", ftSmallint},
        {ttAdsCDX, ADS_CDX, false, "Numeric(5, 0)", ftFloat},
        {ttAdsCDX, ADS_CDX, false, "Numeric(8, 2)", ftFloat},
        {ttAdsVFP, ADS_VFP, false, "Numeric(4, 0)", ftSmallint},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.definition) + (c.asFloats ? " as floats" : "") + " type " +
                     std::to_string(int(c.tableType)));
        testsupport::TempFolder folder;
        RunSql(folder.path(), QStringLiteral("CREATE TABLE n (N %1)").arg(c.definition), c.tableType);
        auto connection = OpenOn(folder.path());
        TAdsQuery query(nullptr);
        query.SetAdsConnection(connection.get());
        query.AdsTableOptions()->SetAdsNumericsAsFloats(c.asFloats);
        query.SetCursorHandleForOpen(OpenTableCursor(*connection, "n", c.engineTableType));
        query.Open();
        EXPECT_EQ(TypeName(query.FieldDefs()->Items(0)->DataType()), TypeName(c.expected));
        query.Close();
    }
}

TEST(DataSetCursor, UnknownEngineTypesHaveNoMapping)
{
    TEngineFieldMapping mapping;
    for (uint16_t code : {0, 19, 25, 29, 40, 50, 53, 200})
        EXPECT_FALSE(MapEngineFieldType(code, 4, 0, true, mapping)) << code;
    for (uint16_t code : {51, 52})
        EXPECT_TRUE(MapEngineFieldType(code, 8, 0, true, mapping)) << code;
}

TEST(DataSetCursor, RecordBufferLayout)
{
    testsupport::TempFolder folder;
    RunSql(folder.path(), "CREATE TABLE t (NAME Char(10), NOTE Memo, PIC Blob, N Integer);"
                       "INSERT INTO t (NAME, N) VALUES ('a', 1);");
    auto query = QueryOn(folder.path(), "SELECT * FROM t");
    // One calculated field besides the default ones would change the
    // calculated area: use persistent fields for data and a calculated one.
    auto* name = new TStringField(query.get());
    name->SetFieldName("NAME");
    name->SetSize(10);
    name->SetDataSet(query.get());
    auto* note = new TMemoField(query.get());
    note->SetFieldName("NOTE");
    note->SetSize(1);  // a persistent memo field of size 1 matches the column
    note->SetDataSet(query.get());
    auto* pic = new TBlobField(query.get());
    pic->SetFieldName("PIC");
    pic->SetSize(1);
    pic->SetDataSet(query.get());
    auto* calc = new TIntegerField(query.get());
    calc->SetFieldName("TWICE");
    calc->SetCalculated(true);
    calc->SetDataSet(query.get());
    query->Open();

    uint32_t engineLength = 0;
    ASSERT_EQ(ace::AdsGetRecordLength(query->Handle(), &engineLength), 0u);
    EXPECT_EQ(query->RecordSize(), int(engineLength));
    EXPECT_EQ(query->CalcFieldsSize(), 1 + 4);
    EXPECT_EQ(query->BlobFieldCount(), 2);
    EXPECT_EQ(query->BlobCacheOfs(), engineLength + 5);
    EXPECT_EQ(query->RecInfoOfs(), engineLength + 5 + 8);
    EXPECT_EQ(query->BookmarkOfs(), engineLength + 5 + 8 + 8);
    EXPECT_EQ(query->RecBufSize(), engineLength + 5 + 4 * 2 + 8 + query->BookmarkSize());
    EXPECT_GT(query->BookmarkSize(), 0);

    // Six key buffers: header, record image, one length word per column.
    for (const QByteArray& key : query->KeyBuffers())
        EXPECT_EQ(key.size(), int(12 + engineLength + 2 * 4));
    query->Close();
    for (const QByteArray& key : query->KeyBuffers())
        EXPECT_TRUE(key.isEmpty()) << "freed at close";
}

TEST(DataSetCursor, MemoMarkersAfterEachFetch)
{
    testsupport::TempFolder folder;
    RunSql(folder.path(), "CREATE TABLE t (ID Integer, NOTE Memo);"
                       "INSERT INTO t VALUES (1, 'some text');"
                       "INSERT INTO t VALUES (2, NULL);"
                       "INSERT INTO t VALUES (3, 'more');");
    for (bool withBlobField : {true, false}) {
        SCOPED_TRACE(withBlobField ? "with a memo field object" : "without blob field objects");
        auto query = QueryOn(folder.path(), "SELECT * FROM t");
        auto* id = new TIntegerField(query.get());
        id->SetFieldName("ID");
        id->SetDataSet(query.get());
        if (withBlobField) {
            auto* note = new TMemoField(query.get());
            note->SetFieldName("NOTE");
            note->SetSize(1);
            note->SetDataSet(query.get());
        }
        query->Open();
        std::vector<int32_t> markers;
        for (; !query->Eof(); query->Next())
            markers.push_back(Marker(*query, query->ActiveBuffer(), "NOTE"));
        ASSERT_EQ(markers.size(), 3u);
        if (withBlobField) {
            EXPECT_EQ(markers, (std::vector<int32_t>{-1, 0, -1}));
        } else {
            EXPECT_NE(markers[0], -1) << "the engine's bytes stay";
            EXPECT_EQ(markers[1], 0) << "a null memo reference";
        }
    }
}

TEST(DataSetCursor, DefaultFieldClassesAndTheirRules)
{
    testsupport::TempFolder folder;
    RunSql(folder.path(), "CREATE TABLE t (A Char(4), B CIChar(4), N Numeric(10, 2), M Money, L BigInt, W Numeric(20, 2))");
    auto query = QueryOn(folder.path(), "SELECT * FROM t");
    query->Open();
    auto* a = dynamic_cast<TAdsStringField*>(query->FieldByName("A"));
    auto* b = dynamic_cast<TAdsStringField*>(query->FieldByName("B"));
    ASSERT_TRUE(a && b);
    EXPECT_FALSE(a->CaseInsensitive());
    EXPECT_TRUE(b->CaseInsensitive());
    struct Case {
        const char* name;
        bool currency;
    };
    for (const Case& c : {Case{"N", false}, Case{"M", true}, Case{"L", false}}) {
        auto* field = dynamic_cast<TAdsBCDField*>(query->FieldByName(c.name));
        ASSERT_TRUE(field) << c.name;
        EXPECT_EQ(field->IsCurrency(), c.currency) << c.name;
    }
    auto* wide = dynamic_cast<TFMTBCDField*>(query->FieldByName("W"));
    ASSERT_TRUE(wide);
    EXPECT_FALSE(wide->IsCurrency()) << "a wide numeric is no money";
    TAdsBCDField fresh(nullptr);
    EXPECT_TRUE(fresh.IsCurrency()) << "made in code";
}

TEST(DataSetCursor, OpeningAndClosingTheCursor)
{
    testsupport::TempFolder folder;
    RunSql(folder.path(), "CREATE TABLE t (A Char(4)); INSERT INTO t VALUES ('x');");
    auto query = QueryOn(folder.path(), "SELECT * FROM t");
    EXPECT_EQ(query->HandleValue(), -1);
    query->Open();
    EXPECT_NE(query->HandleValue(), -1);
    EXPECT_TRUE(query->IsReadOnly()) << "a query's static cursor";
    EXPECT_NE(query->GetAceConnectionHandle(), 0u);
    EXPECT_EQ(query->GetAceIndexHandle(), -1);
    query->Close();
    EXPECT_EQ(query->HandleValue(), -1);
    EXPECT_EQ(query->ActiveHandle(), -1);
    EXPECT_EQ(query->FieldDefs()->Count(), 1) << "definitions survive closing";

    // Definitions of a closed query come from a temporary cursor.
    auto other = QueryOn(folder.path(), "SELECT A, A AS B FROM t");
    other->FieldDefs()->SetUpdated(false);
    other->UpdateFieldDefs();
    EXPECT_EQ(other->FieldDefs()->Count(), 2);
    EXPECT_EQ(other->HandleValue(), -1);
}

TEST(DataSetCursor, VersionNamesTheLayerAndTheEngine)
{
    TAdsQuery query(nullptr);
    EXPECT_TRUE(query.Version().startsWith("11.10.0.14 (ACE ")) << query.Version().toStdString();
    EXPECT_TRUE(query.Version().endsWith(")"));
    EXPECT_EQ(query.Version(), QString("11.10.0.14 (ACE %1.%2)").arg(ADS_ENGINE_VERSION_MAJOR).arg(
                                   ADS_ENGINE_VERSION_MINOR, 2, 10, QLatin1Char('0')));
}

TEST(DataSetCursor, EveryDatasetIsInTheRegistryWhileItLives)
{
    const int before = DataSetRegistry::Count();
    {
        TAdsQuery a(nullptr), b(nullptr);
        EXPECT_EQ(DataSetRegistry::Count(), before + 2);
    }
    EXPECT_EQ(DataSetRegistry::Count(), before);
}

// An OEM table opened live: the engine's record holds the text columns in the table's
// character set, the dataset's image holds them in the application's, and
// the byte after a full column, which the engine's terminator overwrites
// while re-reading, keeps its value.
TEST(DataSetCursor, OemTablesReadTheirTextInTheApplicationsCharacterSet)
{
    testsupport::TempFolder folder;
    const QByteArray accents("\xE9\xE8\xE0");  // in the application's (ANSI) character set
    const QByteArray accentsInOem("\x82\x8A\x85");
    auto connection = OpenOn(folder.path());
    ADSHANDLE cursor = 0;
    ASSERT_EQ(ace::AdsCreateTable90(connection->ConnectionHandle(), "oem", nullptr, ADS_CDX, ADS_OEM,
                                    ADS_PROPRIETARY_LOCKING, ADS_CHECKRIGHTS, 0, "A,Char,3;B,Char,2;N,Numeric,4,0;",
                                    ADS_FREE_TABLE, nullptr, &cursor),
              0u);
    ASSERT_EQ(ace::AdsAppendRecord(cursor), 0u);
    ASSERT_EQ(ace::AdsSetString(cursor, "A", accents.constData(), 3), 0u);
    ASSERT_EQ(ace::AdsSetString(cursor, "B", "xy", 2), 0u);
    ASSERT_EQ(ace::AdsWriteRecord(cursor), 0u);
    ace::AdsCloseTable(cursor);

    // A live result is the table itself, with its character set.
    auto live = QueryOn(folder.path(), "SELECT * FROM oem", ttAdsCDX);
    live->SetRequestLive(true);
    live->Open();
    TAdsQuery& query = *live;
    cursor = query.Handle();
    const TACEFieldDef* a = query.ACEFieldDefs()->Items(query.ACEFieldDefs()->IndexOf("A"));
    const TACEFieldDef* b = query.ACEFieldDefs()->Items(query.ACEFieldDefs()->IndexOf("B"));
    std::vector<UNSIGNED8> stored(256);
    UNSIGNED32 length = UNSIGNED32(stored.size());
    ASSERT_EQ(ace::AdsGetRecord(cursor, stored.data(), &length), 0u);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(stored.data()) + a->Offset(), 3), accentsInOem)
        << "the engine's record is in the table's character set";

    const TRecordBuffer image = query.ActiveBuffer();
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(image) + a->Offset(), 3), accents);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(image) + b->Offset(), 2), QByteArray("xy"))
        << "the terminator written after A is taken back";
    EXPECT_EQ(query.FieldByName("A")->AsString(), QString::fromLatin1(accents));
    EXPECT_EQ(query.FieldByName("B")->AsString(), "xy");
}

// The record buffer's offsets are 16-bit. A table whose record fits the
// engine but leaves no room for the dataset's own regions behind it is
// refused at open; one just below that opens and reads its last column.
TEST(DataSetCursor, RecordsTooWideForTheRecordBufferAreRefusedAtOpen)
{
    struct Case {
        int lastColumn;
        bool opens;
    };
    for (const Case& c : {Case{5000, true}, Case{5530, false}}) {
        SCOPED_TRACE(c.lastColumn);
        testsupport::TempFolder folder;
        RunSql(folder.path(), QStringLiteral("CREATE TABLE wide (A Char(30000), B Char(30000), Z Char(%1));"
                                             "INSERT INTO wide (A, B, Z) VALUES ('a', 'b', 'last');")
                                  .arg(c.lastColumn));
        auto connection = OpenOn(folder.path());
        TAdsQuery query(nullptr);
        query.SetAdsConnection(connection.get());
        query.SetCursorHandleForOpen(OpenTableCursor(*connection, "wide", ADS_ADT));
        if (c.opens) {
            query.Open();
            EXPECT_EQ(query.RecBufSize(), query.RecordSize() + 8 + query.BookmarkSize());
            EXPECT_EQ(query.FieldByName("Z")->AsString(), "last");
            query.Close();
            continue;
        }
        try {
            query.Open();
            ADD_FAILURE() << "the open should be refused";
        } catch (const EDatabaseError& e) {
            EXPECT_TRUE(e.Message().contains("exceeds the largest record buffer")) << e.Message().toStdString();
        }
        EXPECT_FALSE(query.Active());
        EXPECT_EQ(query.HandleValue(), -1) << "the cursor is released";
    }
}

namespace {

// A query whose engine cursor is the table itself with its index "byname"
// active, as an index order chosen at open leaves it.
class OrderedQuery : public TAdsQuery {
public:
    explicit OrderedQuery(TAdsConnection& connection) : TAdsQuery(nullptr), mConnection(connection)
    {
        SetAdsConnection(&connection);
    }

protected:
    uint32_t CreateEngineCursor() override
    {
        const uint32_t table = OpenTableCursor(mConnection, "people", ADS_ADT);
        ADSHANDLE index = 0;
        EXPECT_EQ(ace::AdsGetIndexHandle(table, "byname", &index), 0u);
        mlActiveHandle = index;
        return table;
    }

private:
    TAdsConnection& mConnection;
};

} // namespace

// Opening reads the cursor's shape before the fields, lays out the buffers,
// then applies the scope, then the filter, and only then moves to the first
// record. Closing releases the cursor last, and a cursor the engine no
// longer knows is forgotten all the same.
TEST(DataSetCursor, OpeningAndClosingCallTheEngineInOrder)
{
    testsupport::TempFolder folder;
    RunSql(folder.path(), "CREATE TABLE people (NAME Char(10), N Integer);"
                          "INSERT INTO people VALUES ('AB', 1), ('BC', 2), ('BD', 3), ('CA', 4);"
                          "CREATE INDEX byname ON people (NAME);");
    auto connection = OpenOn(folder.path());
    OrderedQuery query(*connection);
    query.AdsTableOptions()->SetAdsRecordCache(rcNone);
    query.SetScopeBegin("B");
    query.SetScopeEnd("BZ");
    query.SetScoped(true);
    query.SetFilter("N > 2");
    query.SetFiltered(true);
    ace::StartCallTrace();
    query.Open();
    const auto opening = ace::StopCallTrace();
    const QStringList keyBuffers(6, "AdsGetNullRecord");
    const QStringList expected = QStringList{"AdsGetRecordLength", "AdsGetTableOpenOptions", "AdsCacheRecords",
                                             "AdsGetAllIndexes", "AdsGetIndexPageSize", "AdsGetBookmarkLength"} +
                                 keyBuffers +
                                 QStringList{"AdsGetFieldType", "AdsGetFieldType", "AdsGetBookmarkLength",
                                             "AdsSetScope", "AdsSetScope", "AdsSetAOF100", "AdsGotoBOF"};
    EXPECT_EQ(Only(opening, {"AdsGetRecordLength", "AdsGetTableOpenOptions", "AdsCacheRecords", "AdsGetAllIndexes",
                             "AdsGetIndexPageSize", "AdsGetBookmarkLength", "AdsGetNullRecord", "AdsGetFieldType",
                             "AdsSetScope", "AdsSetAOF100", "AdsGotoBOF"}),
              expected)
        << Dump(opening);
    EXPECT_EQ(query.FieldByName("NAME")->AsString().trimmed(), "BD") << "the first record in scope and filter";

    ASSERT_EQ(ace::AdsCloseTable(query.Handle()), 0u) << "the cursor goes away behind the dataset";
    ace::StartCallTrace();
    EXPECT_NO_THROW(query.Close());
    const auto closing = ace::StopCallTrace();
    const auto released = CallsOf(closing, "AdsCloseTable");
    ASSERT_EQ(released.size(), 1u) << Dump(closing);
    EXPECT_NE(released[0].result.value_or(0), 0u) << "the engine refused, the dataset went on";
    EXPECT_TRUE(CallsOf(closing, "AdsCacheOpenTables").empty()) << "only at design time";
    EXPECT_EQ(query.HandleValue(), -1);
    EXPECT_EQ(query.ActiveHandle(), -1);
}
