// Memo and binary fields on real tables: contents read through the blob
// caches of the record buffers (text, UTF-16 text, binary, every table
// kind), the caches reused and re-read, write streams and what they mark,
// the refusals, binary memos, and writing a cache back into the engine.
#include "tests/ads/test_dataset_support.h"

#include <cstring>

using namespace dataset_test;

namespace {

// A table `t` made by SQL in a fresh folder (none for an empty script).
// Open hands the table itself to the query as its cursor, so that the
// columns reach the dataset as the table stores them; with `sql` the query
// reads a result instead.
struct BlobTable {
    BlobTable(const QString& script, TAdsTableTypes type, uint16_t engineType, const QString& sql = {})
        : engineTableType(engineType), resultSql(sql)
    {
        if (!script.isEmpty())
            RunSql(folder.path(), script, type);
        connection = OpenOn(folder.path());
        if (sql.isEmpty()) {
            query = std::make_unique<TAdsQuery>(nullptr);
            query->SetAdsConnection(connection.get());
        } else {
            query = QueryOn(folder.path(), sql, type);
        }
    }
    explicit BlobTable(const QString& script) : BlobTable(script, ttAdsADT, ADS_ADT) {}

    void Open()
    {
        if (resultSql.isEmpty())
            query->SetCursorHandleForOpen(OpenTableCursor(*connection, "t", engineTableType));
        query->Open();
    }
    TBlobField* Blob(const QString& name) const { return dynamic_cast<TBlobField*>(query->FieldByName(name)); }
    TAdsBlobCache* Cache(const QString& name) const
    {
        return query->BlobCacheOf(query->ActiveBuffer(), query->FieldByName(name));
    }
    uint32_t Handle() const { return query->GetAceTableHandle(); }

    testsupport::TempFolder folder;
    uint16_t engineTableType;
    QString resultSql;
    std::unique_ptr<TAdsConnection> connection;
    std::unique_ptr<TAdsQuery> query;
};

// Creates `t` through the engine with `fields` ("NAME,Type[,length];...")
// and appends one record per row of 8-bit values.
void CreateThroughEngine(const BlobTable& table, uint16_t engineType, const char* fields,
                         const std::vector<std::vector<std::pair<const char*, QByteArray>>>& rows)
{
    ADSHANDLE cursor = 0;
    ASSERT_EQ(ace::AdsCreateTable90(table.connection->ConnectionHandle(), "t", nullptr, engineType, ADS_ANSI,
                                    ADS_PROPRIETARY_LOCKING, ADS_CHECKRIGHTS, 0, fields, ADS_FREE_TABLE, "", &cursor),
              0u);
    for (const auto& row : rows) {
        ASSERT_EQ(ace::AdsAppendRecord(cursor), 0u);
        for (const auto& [column, value] : row)
            ASSERT_EQ(ace::AdsSetString(cursor, column, value.constData(), uint32_t(value.size())), 0u) << column;
        ASSERT_EQ(ace::AdsWriteRecord(cursor), 0u);
    }
    ASSERT_EQ(ace::AdsCloseTable(cursor), 0u);
}

QByteArray ReadAll(TAdsDataSet& dataSet, const QString& field, TBlobStreamMode mode = bmRead)
{
    std::unique_ptr<TStream> stream = dataSet.CreateBlobStream(dataSet.FieldByName(field), mode);
    stream->SetPosition(0);
    return stream->ReadRemaining();
}

// Stores `bytes` in a column of record `record` through a cursor of its own,
// the way another program would.
void StoreInEngine(const BlobTable& table, uint32_t record, const char* column, const QByteArray& bytes)
{
    const uint32_t cursor = OpenTableCursor(*table.connection, "t", table.engineTableType);
    ASSERT_EQ(ace::AdsGotoRecord(cursor, record), 0u);
    ASSERT_EQ(ace::AdsSetBinary(cursor, column, ADS_BINARY_DATA, uint32_t(bytes.size()), 0,
                                reinterpret_cast<const UNSIGNED8*>(bytes.constData()), uint32_t(bytes.size())),
              0u);
    ASSERT_EQ(ace::AdsWriteRecord(cursor), 0u);
    ASSERT_EQ(ace::AdsCloseTable(cursor), 0u);
}

QByteArray Utf16Bytes(const QString& text)
{
    return QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
}

const QStringList kReadCalls = {"AdsGetFieldType", "AdsGetMemoDataType", "AdsGetDataLength", "AdsGetBinaryLength",
                                "AdsGetField",     "AdsGetFieldW",       "AdsGetBinary"};

} // namespace

// The memo text of each table kind, read as the progress monitor reads its
// "Query" column: AsString on a memo field.
TEST(DataSetBlobs, MemoTextOfEveryTableKind)
{
    struct Case {
        const char* name;
        TAdsTableTypes type;
        uint16_t engineType;
        const char* sql;  // empty: the table itself is the cursor
    };
    const Case cases[] = {
        {"ADT table", ttAdsADT, ADS_ADT, ""},
        {"CDX table (.fpt)", ttAdsCDX, ADS_CDX, ""},
        {"NTX table (.dbt)", ttAdsNTX, ADS_NTX, ""},
        {"VFP table", ttAdsVFP, ADS_VFP, ""},
        {"query result", ttAdsADT, ADS_ADT, "SELECT K, NOTE FROM t ORDER BY K"},
    };
    const QString text = QString::fromUtf8("Première ligne\r\nseconde ligne, « guillemets »");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BlobTable table({}, c.type, c.engineType, QString::fromLatin1(c.sql));
        CreateThroughEngine(table, c.engineType, "K,Char,2;NOTE,Memo;",
                            {{{"K", "a"}, {"NOTE", text.toLatin1()}}, {{"K", "b"}}});
        table.Open();
        EXPECT_EQ(TypeName(table.query->FieldByName("NOTE")->DataType()), TypeName(ftMemo));
        EXPECT_EQ(table.query->FieldByName("NOTE")->AsString(), text);
        EXPECT_EQ(table.Cache("NOTE")->Size(), text.toLatin1().size()) << "8-bit text without its terminator";
        table.query->Next();
        EXPECT_EQ(table.query->FieldByName("NOTE")->AsString(), QString());
        EXPECT_EQ(table.Cache("NOTE")->Size(), 0);
        EXPECT_TRUE(table.query->FieldByName("NOTE")->IsNull()) << "an empty memo is null";
    }
}

// The engine calls of a read, by content kind: text memos ask for the data
// length and read with room for a terminator, UTF-16 memos count in units,
// binary columns read bytes.
TEST(DataSetBlobs, EachContentKindReadsThroughItsEngineCalls)
{
    struct Case {
        const char* field;
        QStringList calls;
        const char* readCall;
        const char* readLength;  // the in/out length after the call
    };
    const Case cases[] = {
        {"NOTE", {"AdsGetFieldType", "AdsGetFieldType", "AdsGetMemoDataType", "AdsGetDataLength", "AdsGetField"},
         "AdsGetField", "&5"},
        {"WNOTE", {"AdsGetFieldType", "AdsGetFieldType", "AdsGetDataLength", "AdsGetFieldW"}, "AdsGetFieldW", "&5"},
        {"PIC", {"AdsGetFieldType", "AdsGetFieldType", "AdsGetBinaryLength", "AdsGetBinary"}, "AdsGetBinary", "&3"},
    };
    BlobTable table("CREATE TABLE t (ID Integer, NOTE Memo, WNOTE NMemo, PIC Blob);"
                    "INSERT INTO t VALUES (1, 'notes', 'ÀéîõÜ', NULL);");
    StoreInEngine(table, 1, "PIC", QByteArray("\x00\xff\x01", 3));
    table.Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field);
        ace::StartCallTrace();
        const QByteArray content = ReadAll(*table.query, c.field);
        const std::vector<ace::TracedCall> calls = ace::StopCallTrace();
        EXPECT_EQ(Only(calls, kReadCalls), c.calls) << Dump(calls);
        const auto reads = CallsOf(calls, c.readCall);
        ASSERT_EQ(reads.size(), 1u) << Dump(calls);
        EXPECT_EQ(reads[0].arguments.at(reads[0].arguments.size() - (c.readCall == QLatin1String("AdsGetBinary") ? 1 : 2)),
                  QString::fromLatin1(c.readLength))
            << Dump(calls);
    }
    EXPECT_EQ(ReadAll(*table.query, "NOTE"), QByteArray("notes"));
    EXPECT_EQ(ReadAll(*table.query, "WNOTE"), Utf16Bytes(QString::fromUtf8("ÀéîõÜ")));
    EXPECT_EQ(table.Cache("WNOTE")->Size(), 10) << "5 UTF-16 units, 2 bytes each";
    EXPECT_EQ(table.query->FieldByName("WNOTE")->AsString(), QString::fromUtf8("ÀéîõÜ"));
    EXPECT_EQ(table.Blob("PIC")->AsBytes(), QByteArray("\x00\xff\x01", 3));
}

// Binary columns keep every byte, zeros and high bytes included, on every
// table kind that has them.
TEST(DataSetBlobs, BinaryContentKeepsEveryByte)
{
    struct Case {
        const char* name;
        TAdsTableTypes type;
        uint16_t engineType;
        const char* column;
    };
    const Case cases[] = {
        {"ADT blob", ttAdsADT, ADS_ADT, "Blob"},
        {"ADT image", ttAdsADT, ADS_ADT, "Image"},
        {"CDX general", ttAdsCDX, ADS_CDX, "Blob"},
        {"VFP general", ttAdsVFP, ADS_VFP, "Blob"},
    };
    QByteArray bytes;
    for (int i = 0; i < 700; ++i)
        bytes.append(char(i * 7));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BlobTable table("CREATE TABLE t (K Char(2), PIC " + QString::fromLatin1(c.column) + ");"
                        "INSERT INTO t (K) VALUES ('a'); INSERT INTO t (K) VALUES ('b');",
                        c.type, c.engineType);
        StoreInEngine(table, 1, "PIC", bytes);
        table.Open();
        TBlobField* pic = table.Blob("PIC");
        EXPECT_EQ(TypeName(pic->DataType()), TypeName(ftBlob));
        EXPECT_EQ(pic->AsBytes(), bytes);
        EXPECT_EQ(pic->BlobSize(), bytes.size());
        table.query->Next();
        EXPECT_EQ(pic->AsBytes(), QByteArray());
    }
}

// Reading again without moving reuses the cache; in dsEdit a read-write
// stream re-reads from the engine unless the cache holds a change, and a
// cancelled edit shows the stored content again.
TEST(DataSetBlobs, CachesAreReusedAndReReadWhenEditing)
{
    BlobTable table("CREATE TABLE t (ID Integer, NOTE Memo); INSERT INTO t VALUES (1, 'stored');");
    table.Open();
    TField* note = table.query->FieldByName("NOTE");
    EXPECT_EQ(note->AsString(), "stored");

    struct Step {
        const char* name;
        TBlobStreamMode mode;
        bool editing;
        bool engineRead;
    };
    const Step steps[] = {
        {"browse, read again", bmRead, false, false},
        {"edit, read stream", bmRead, true, false},
        {"edit, read-write stream", bmReadWrite, true, true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        if (step.editing)
            table.query->Edit();
        ace::StartCallTrace();
        EXPECT_EQ(ReadAll(*table.query, "NOTE", step.mode), QByteArray("stored"));
        const std::vector<ace::TracedCall> calls = ace::StopCallTrace();
        EXPECT_EQ(CallsOf(calls, "AdsGetField").size(), step.engineRead ? 1u : 0u) << Dump(calls);
    }

    // A changed cache is what every later stream of the edit sees.
    note->SetAsString("changed");
    ace::StartCallTrace();
    EXPECT_EQ(ReadAll(*table.query, "NOTE", bmReadWrite), QByteArray("changed"));
    EXPECT_TRUE(CallsOf(ace::StopCallTrace(), "AdsGetField").empty());

    table.query->Cancel();
    EXPECT_FALSE(table.Cache("NOTE")->IsCacheModified());
    EXPECT_EQ(note->AsString(), "stored");
}

// A stream marks its field (and the record) modified when it wrote or
// truncated, a write stream even when nothing was written.
TEST(DataSetBlobs, WriteStreamsMarkTheFieldModified)
{
    struct Case {
        const char* name;
        TBlobStreamMode mode;
        std::function<void(TStream&)> use;
        bool modified;
        QByteArray content;
    };
    const Case cases[] = {
        {"write stream, nothing written", bmWrite, [](TStream&) {}, true, ""},
        {"write stream", bmWrite, [](TStream& s) { s.WriteBytes("new"); }, true, "new"},
        {"read-write stream, only read", bmReadWrite, [](TStream& s) { s.ReadRemaining(); }, false, "old text"},
        {"read-write stream, appended", bmReadWrite,
         [](TStream& s) { s.Seek(0, soEnd); s.WriteBytes("!"); }, true, "old text!"},
        {"read-write stream, truncated", bmReadWrite,
         [](TStream& s) { dynamic_cast<TAdsBlobStream&>(s).Truncate(); }, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BlobTable table("CREATE TABLE t (ID Integer, NOTE Memo); INSERT INTO t VALUES (1, 'old text');");
        table.Open();
        table.query->Edit();
        TBlobField* note = table.Blob("NOTE");
        {
            std::unique_ptr<TStream> stream = table.query->CreateBlobStream(note, c.mode);
            if (c.mode == bmWrite) {
                EXPECT_EQ(stream->Size(), 0) << "a write stream starts empty";
            }
            c.use(*stream);
        }
        EXPECT_EQ(note->Modified(), c.modified);
        EXPECT_EQ(table.query->Modified(), c.modified) << "the dataset heard of the field change";
        EXPECT_EQ(table.Cache("NOTE")->IsCacheModified(), c.modified);
        EXPECT_EQ(ReadAll(*table.query, "NOTE"), c.content);
        table.query->Cancel();
    }
}

// Flush writes a changed cache into the engine's record with the call of
// the column's kind; UTF-16 memos count their length in units. The content
// reaches the table files of every kind.
TEST(DataSetBlobs, FlushWritesTheCacheIntoTheEngineRecord)
{
    struct Case {
        const char* name;
        uint16_t engineType;
        const char* field;
        QString value;
        const char* call;
        const char* length;
    };
    const Case cases[] = {
        {"ADT memo", ADS_ADT, "NOTE", QString::fromUtf8("Zoë"), "AdsSetField", "3"},
        {"ADT Unicode memo", ADS_ADT, "WNOTE", QString::fromUtf8("ÀéîõÜ"), "AdsSetFieldW", "5"},
        {"ADT blob", ADS_ADT, "PIC", "xyzw", "AdsSetField", "4"},
        {"CDX memo", ADS_CDX, "NOTE", "a longer text than before", "AdsSetField", "25"},
        {"NTX memo", ADS_NTX, "NOTE", "", "AdsSetField", "0"},
        {"VFP blob", ADS_VFP, "PIC", "bytes", "AdsSetField", "5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BlobTable table({}, ttAdsADT, c.engineType);
        CreateThroughEngine(table, c.engineType,
                            c.engineType == ADS_ADT ? "K,Char,2;NOTE,Memo;WNOTE,NMemo;PIC,Blob;"
                            : c.engineType == ADS_NTX ? "K,Char,2;NOTE,Memo;"
                                                      : "K,Char,2;NOTE,Memo;PIC,Blob;",
                            {{{"K", "a"}, {"NOTE", "old"}}});
        table.Open();
        table.query->Edit();
        TField* field = table.query->FieldByName(c.field);
        field->SetAsString(c.value);
        TAdsBlobCache* cache = table.Cache(c.field);
        ASSERT_TRUE(cache->IsCacheModified());

        // The record store positions the engine on the record, then flushes.
        table.query->UpdateCursorPos();
        ace::StartCallTrace();
        cache->Flush();
        const std::vector<ace::TracedCall> calls = ace::StopCallTrace();
        EXPECT_EQ(Functions(calls), QStringList({"AdsGetFieldType", c.call})) << Dump(calls);
        EXPECT_EQ(calls.back().arguments.last(), QString::fromLatin1(c.length)) << Dump(calls);
        EXPECT_FALSE(cache->IsCacheModified());
        ASSERT_EQ(ace::AdsWriteRecord(table.Handle()), 0u);

        // A flushed cache has nothing more to write.
        ace::StartCallTrace();
        cache->Flush();
        EXPECT_TRUE(ace::StopCallTrace().empty());

        table.query->Cancel();
        EXPECT_EQ(field->AsString(), c.value) << "read back from the engine";
        table.query->Close();
        table.Open();
        EXPECT_EQ(table.query->FieldByName(c.field)->AsString(), c.value) << "stored in the table";
    }
}

// A record being inserted has no engine record: its caches start empty and
// keep what the insert wrote.
TEST(DataSetBlobs, InsertedRecordsKeepWhatWasWritten)
{
    BlobTable table("CREATE TABLE t (ID Integer, NOTE Memo); INSERT INTO t VALUES (1, 'first');");
    table.Open();
    EXPECT_EQ(table.query->FieldByName("NOTE")->AsString(), "first");
    table.query->Append();
    EXPECT_EQ(ReadAll(*table.query, "NOTE", bmReadWrite), QByteArray()) << "nothing of the other record";
    table.query->FieldByName("NOTE")->SetAsString("draft");
    EXPECT_EQ(ReadAll(*table.query, "NOTE", bmReadWrite), QByteArray("draft"));
    EXPECT_EQ(table.Cache("NOTE")->RecordNumber(), 0u);
    table.query->Cancel();
    EXPECT_EQ(table.query->FieldByName("NOTE")->AsString(), "first");
}

TEST(DataSetBlobs, RefusedStreams)
{
    BlobTable table("CREATE TABLE t (ID Integer, NOTE Memo); INSERT INTO t VALUES (1, 'x');");
    table.Open();
    TAdsQuery& query = *table.query;
    TField* note = query.FieldByName("NOTE");
    const QString notEditing = "Table must be in Edit or Insert state to open blob stream in Write Mode.";
    const QString readOnly = "Error modifying read only blob.";
    struct Case {
        const char* name;
        std::function<void()> action;
        QString message;
    };
    const Case cases[] = {
        {"write stream while browsing", [&] { query.CreateBlobStream(note, bmWrite); }, notEditing},
        {"read-write stream while browsing", [&] { query.CreateBlobStream(note, bmReadWrite); }, notEditing},
        {"stream on an integer field", [&] { query.CreateBlobStream(query.FieldByName("ID"), bmRead); },
         "Invalid blob open on non-blob field."},
        {"writing to a read stream", [&] { query.CreateBlobStream(note, bmRead)->WriteBytes("y"); }, readOnly},
        {"truncating a read stream",
         [&] { dynamic_cast<TAdsBlobStream&>(*query.CreateBlobStream(note, bmRead)).Truncate(); }, readOnly},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        query.SetCurrentRecord(0);
        ExpectDataSetError(c.action, c.message);
        EXPECT_EQ(note->AsString(), "x");
    }
    // A failed open still tells the framework that the cursor may have moved.
    query.SetCurrentRecord(0);
    ExpectDataSetError([&] { query.CreateBlobStream(query.FieldByName("ID"), bmRead); },
                       "Invalid blob open on non-blob field.");
    EXPECT_EQ(query.CurrentRecord(), -1);
}

// Without a record there is no cache: nothing to read, and writes refuse.
TEST(DataSetBlobs, StreamsWithoutARecordHaveNoCache)
{
    BlobTable table("CREATE TABLE t (ID Integer, NOTE Memo)");
    table.Open();
    ASSERT_TRUE(table.query->IsEmpty());
    TField* note = table.query->FieldByName("NOTE");
    EXPECT_EQ(note->AsString(), QString());
    for (TBlobStreamMode mode : {bmWrite, bmReadWrite}) {
        TAdsBlobStream stream(note, mode);
        EXPECT_EQ(stream.Cache(), nullptr);
        EXPECT_EQ(stream.Size(), 0);
        char byte = 0;
        EXPECT_EQ(stream.Read(&byte, 1), 0);
        ExpectDataSetError([&] { stream.WriteBytes("y"); }, "Cannot write to blob in current state.");
        ExpectDataSetError([&] { stream.Truncate(); }, "Cannot write to blob in current state.");
    }
}

TEST(DataSetBlobs, MemoFieldsTreatedAsBinary)
{
    BlobTable table("CREATE TABLE t (ID Integer, NOTE Memo, PIC Blob); INSERT INTO t VALUES (1, 'x', NULL);");
    TAdsQuery& query = *table.query;
    EXPECT_EQ(query.AdsBinaryFldLen(), 0);
    query.SetAdsBinaryFldLen(512);
    EXPECT_EQ(query.AdsBinaryFldLen(), 512) << "a plain value";
    ExpectDataSetError([&] { query.ADSSetFieldToBinary("NOTE"); }, "Table must be Active.");
    table.Open();
    ExpectDataSetError([&] { query.ADSSetFieldToBinary("NOPE"); }, "Invalid field name for the given table");
    ExpectDataSetError([&] { query.ADSSetFieldToBinary("ID"); }, "Invalid field type to begin with to change to binary");
    EXPECT_TRUE(query.BinaryFieldName().isEmpty());

    query.ADSSetFieldToBinary("note");
    EXPECT_EQ(query.BinaryFieldName(), "note");
    TBlobField* note = table.Blob("NOTE");
    EXPECT_EQ(TypeName(note->BlobType()), TypeName(ftMemo)) << "until a stream is opened on it";
    EXPECT_EQ(note->AsBytes(), QByteArray("x"));
    EXPECT_EQ(TypeName(note->BlobType()), TypeName(ftBlob));
    EXPECT_EQ(TypeName(table.Blob("PIC")->BlobType()), TypeName(ftBlob));
}

// The cache on its own: its identifiers, a refresh that meets a record that
// is not there (empty content, no error), other engine errors passed on.
TEST(DataSetBlobs, CacheRefreshAndItsTolerances)
{
    BlobTable table("CREATE TABLE t (ID Integer, NOTE Memo);"
                    "INSERT INTO t VALUES (1, 'one'); INSERT INTO t VALUES (2, 'two');");
    table.Open();
    const uint32_t cursor = table.Handle();

    TAdsBlobCache cache;
    EXPECT_EQ(cache.TableHandle(), -1);
    EXPECT_EQ(cache.RecordNumber(), 0u);
    EXPECT_EQ(cache.FieldNumber(), 0u);
    EXPECT_FALSE(cache.IsCacheModified());

    // The engine cursor is moved to the record asked for and left there.
    cache.RefreshCache(cursor, 2, 2, false);
    EXPECT_EQ(cache.Bytes(), QByteArray("two"));
    uint32_t current = 0;
    ASSERT_EQ(ace::AdsGetRecordNum(cursor, ADS_IGNOREFILTERS, &current), 0u);
    EXPECT_EQ(current, 2u);
    cache.RefreshCache(cursor, 2, 1, false);
    EXPECT_EQ(cache.Bytes(), QByteArray("one"));

    struct Case {
        const char* name;
        uint32_t field, record;
        bool raises;
    };
    const Case cases[] = {
        {"record number past the end", 2, 99, false},
        {"no record", 2, 0, false},
        {"column that does not exist", 9, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        cache.RefreshCache(cursor, 2, 1, true);
        bool raised = false;
        try {
            cache.RefreshCache(cursor, c.field, c.record, false);
        } catch (const EADSDatabaseError&) {
            raised = true;
        }
        EXPECT_EQ(raised, c.raises);
        EXPECT_EQ(cache.Size(), 0);
        EXPECT_EQ(cache.RecordNumber(), 0u);
        EXPECT_FALSE(cache.IsCacheModified());
    }

    cache.RefreshCache(cursor, 2, 1, false);
    cache.Write("!", 1);
    EXPECT_TRUE(cache.IsCacheModified());
    cache.RefreshCache(cursor, 2, 1, false);
    EXPECT_EQ(cache.Bytes(), QByteArray("!ne")) << "a same refresh keeps the changed content";
    EXPECT_EQ(cache.Position(), 0);
    cache.ClearCache();
    EXPECT_EQ(cache.TableHandle(), -1);
    EXPECT_EQ(cache.RecordNumber(), 0u);
    EXPECT_EQ(cache.FieldNumber(), 0u);
    EXPECT_EQ(cache.Size(), 0);
    EXPECT_FALSE(cache.IsCacheModified());
}

// Reopening again and again, as the monitor does, frees the buffers with
// their caches and reads through the new ones.
TEST(DataSetBlobs, ReopenedDatasetsReadThroughFreshCaches)
{
    BlobTable table("CREATE TABLE t (ID Integer, NOTE Memo, PIC Blob); INSERT INTO t VALUES (1, 'x', NULL);",
                    ttAdsADT, ADS_ADT, "SELECT * FROM t");
    table.Open();
    TAdsBlobCache* first = table.Cache("NOTE");
    ASSERT_NE(first, nullptr);
    EXPECT_NE(first, table.Cache("PIC"));
    for (int i = 0; i < 20; ++i) {
        table.query->Close();
        table.query->Open();
        EXPECT_EQ(table.query->FieldByName("NOTE")->AsString(), "x");
    }
}

// The progress monitor's read: the server's statement list lists the
// listing statement itself, whose "Query" memo reads as its text.
TEST(DataSetBlobs, StatementListQueryMemoReadsAsText)
{
    testsupport::TempFolder folder;
    auto query = QueryOn(folder.path(), "EXECUTE PROCEDURE sp_GetSQLStatements()");
    query->Open();
    ASSERT_FALSE(query->IsEmpty());
    TField* text = query->FieldByName("Query");
    EXPECT_EQ(TypeName(text->DataType()), TypeName(ftMemo));
    EXPECT_TRUE(text->AsString().contains("sp_GetSQLStatements", Qt::CaseInsensitive)) << text->AsString().toStdString();
    EXPECT_FALSE(text->IsNull());
}

// A calculated field may read a memo of the record being computed: the
// stream opened in dsCalcFields works on that record's own cache.
TEST(DataSetBlobs, CalculatedFieldsReadMemosOfTheirRecord)
{
    BlobTable table("CREATE TABLE t (ID Integer, NOTE Memo);"
                    "INSERT INTO t VALUES (1, 'one'); INSERT INTO t VALUES (2, 'three');"
                    "INSERT INTO t VALUES (3, NULL);");
    TAdsQuery& query = *table.query;
    auto* id = new TIntegerField(&query);
    id->SetFieldName("ID");
    id->SetDataSet(&query);
    auto* note = new TMemoField(&query);
    note->SetFieldName("NOTE");
    note->SetSize(1);
    note->SetDataSet(&query);
    auto* length = new TIntegerField(&query);
    length->SetFieldName("NOTE_LENGTH");
    length->SetCalculated(true);
    length->SetDataSet(&query);
    query.OnCalcFields = [&](TDataSet*) { length->SetAsInteger(int(note->AsString().size())); };
    table.Open();
    const int expected[] = {3, 5, 0};
    for (int row = 0; row < 3; ++row) {
        SCOPED_TRACE(row + 1);
        EXPECT_EQ(id->AsInteger(), row + 1);
        EXPECT_EQ(length->AsInteger(), expected[row]);
        EXPECT_EQ(note->AsString().size(), expected[row]) << "the browse read sees the same content";
        query.Next();
    }
}

// Storing records is not available yet: a refused Post leaves the edit open
// with the memo as written, so nothing typed is lost.
TEST(DataSetBlobs, ARefusedPostKeepsTheWrittenMemo)
{
    BlobTable table("CREATE TABLE t (ID Integer, NOTE Memo); INSERT INTO t VALUES (1, 'stored');");
    table.Open();
    table.query->Edit();
    table.query->FieldByName("NOTE")->SetAsString("typed");
    EXPECT_THROW(table.query->Post(), EDatabaseError);
    EXPECT_EQ(table.query->State(), dsEdit);
    EXPECT_TRUE(table.Cache("NOTE")->IsCacheModified());
    EXPECT_EQ(table.query->FieldByName("NOTE")->AsString(), "typed");
    table.query->Cancel();
    EXPECT_EQ(table.query->FieldByName("NOTE")->AsString(), "stored");
}

// A stream kept after its dataset closed (its buffers and caches are gone)
// or after the dataset itself was destroyed reads nothing and ends quietly.
TEST(DataSetBlobs, StreamsOutlivingTheirBuffers)
{
    BlobTable table("CREATE TABLE t (ID Integer, NOTE Memo); INSERT INTO t VALUES (1, 'kept');");
    table.Open();
    std::unique_ptr<TStream> reader = table.query->CreateBlobStream(table.query->FieldByName("NOTE"), bmRead);
    EXPECT_EQ(reader->Size(), 4);
    table.query->Close();
    EXPECT_EQ(dynamic_cast<TAdsBlobStream&>(*reader).Cache(), nullptr);
    EXPECT_EQ(reader->Size(), 0);
    char byte = 0;
    EXPECT_EQ(reader->Read(&byte, 1), 0);

    table.Open();
    table.query->Edit();
    std::unique_ptr<TStream> writer = table.query->CreateBlobStream(table.query->FieldByName("NOTE"), bmWrite);
    writer->WriteBytes("lost with its dataset");
    table.query.reset();
    ExpectDataSetError([&] { writer->WriteBytes("more"); }, "Cannot write to blob in current state.");
    writer.reset();
    reader.reset();
}
