// Navigation of the layer's dataset on real tables and query results: both
// ends, record numbers in their sequenced modes, the record count under each
// counting option, bookmarks (the deleted-record rule per table type),
// OnFilterRecord acceptance, the find-record request, GotoCurrent and
// AdsActiveRecord.
#include "tests/ads/test_dataset_support.h"

#include "framework/fields.h"

#include <cstring>

using namespace dataset_test;

namespace {

uint16_t EngineTableType(TAdsTableTypes type)
{
    static const uint16_t kAceTypes[] = {ADS_CDX, ADS_NTX, ADS_ADT, ADS_ADT, ADS_VFP};
    return kAceTypes[type];
}

// A dataset on one table of a folder, opened by name; it also lets a test
// reach the fetch operations and give it an active index of the table (as
// choosing an index does).
class TTestTable : public TAdsExtendedDataSet {
public:
    TTestTable(const QString& folder, const QString& table, TAdsTableTypes type) : TAdsExtendedDataSet(nullptr)
    {
        SetDatabaseName(folder);
        SetTableType(type);
        mstrTableName = table;
    }
    ~TTestTable() override { CloseForDestruction(); }

    using TAdsDataSet::AcceptRecord;
    using TAdsDataSet::FetchRecord;
    using TAdsDataSet::ScanWithFilterEvent;

    void UseIndex(const QString& name)
    {
        ADSHANDLE index = 0;
        ASSERT_EQ(ace::AdsGetIndexHandle(Handle(), name.toLatin1().constData(), &index), 0u);
        mlActiveHandle = index;
        meActiveIndexType = ndxIndexName;
        mstrIndexName = name;
    }

protected:
    uint32_t CreateEngineCursor() override
    {
        ADSHANDLE cursor = 0;
        Check(ace::AdsOpenTable(ConnectAndGetHandle(), mstrTableName.toLatin1().constData(), nullptr,
                                EngineTableType(meTableType), ADS_ANSI, ADS_PROPRIETARY_LOCKING, ADS_CHECKRIGHTS, 0,
                                &cursor));
        return cursor;
    }
};

// A folder with table "t" (N = 1..rows, NAME) of one type, filled through
// the engine's own calls.
struct Rows {
    testsupport::TempFolder folder;
    TAdsTableTypes type;

    explicit Rows(int rows, TAdsTableTypes tableType = ttAdsADT) : type(tableType)
    {
        RunSql(folder.path(), "CREATE TABLE t (N Numeric(6, 0), NAME Char(8))", type == ttAdsNTX ? ttAdsCDX : type);
        const uint32_t cursor = RawCursor();
        for (int n = 1; n <= rows; ++n) {
            const QByteArray number = QByteArray::number(n);
            const QByteArray name = "r" + QByteArray::number(rows - n).rightJustified(6, '0');
            EXPECT_EQ(ace::AdsAppendRecord(cursor), 0u);
            EXPECT_EQ(ace::AdsSetField(cursor, "N", number.constData(), uint32_t(number.size())), 0u);
            EXPECT_EQ(ace::AdsSetField(cursor, "NAME", name.constData(), uint32_t(name.size())), 0u);
            EXPECT_EQ(ace::AdsWriteRecord(cursor), 0u);
        }
        ace::AdsCloseTable(cursor);
    }

    std::unique_ptr<TTestTable> Open(bool open = true)
    {
        auto table = std::make_unique<TTestTable>(folder.path(), "t", type);
        if (open)
            table->Open();
        return table;
    }

    std::unique_ptr<TAdsQuery> Query(const QString& where = QString())
    {
        auto query = QueryOn(folder.path(), "SELECT * FROM t" + where, type);
        query->Open();
        return query;
    }

    // A cursor of the table's own, beside the datasets.
    uint32_t RawCursor()
    {
        if (!connection)
            connection = OpenOn(folder.path());
        ADSHANDLE cursor = 0;
        EXPECT_EQ(ace::AdsOpenTable(connection->ConnectionHandle(), "t", nullptr, EngineTableType(type), ADS_ANSI,
                                    ADS_PROPRIETARY_LOCKING, ADS_CHECKRIGHTS, 0, &cursor),
                  0u);
        return cursor;
    }

    void CreateIndex(const char* tag, const char* expression, uint32_t options, const char* condition = "")
    {
        const uint32_t cursor = RawCursor();
        ADSHANDLE index = 0;
        EXPECT_EQ(ace::AdsCreateIndex90(cursor, nullptr, tag, expression, condition, "", ADS_COMPOUND | options, 0,
                                        "", &index),
                  0u);
        ace::AdsCloseTable(cursor);
    }

    void DeleteRecord(uint32_t record)
    {
        const uint32_t cursor = RawCursor();
        EXPECT_EQ(ace::AdsGotoRecord(cursor, record), 0u);
        EXPECT_EQ(ace::AdsDeleteRecord(cursor), 0u);
        ace::AdsCloseTable(cursor);
    }

    std::unique_ptr<TAdsConnection> connection;
};

uint32_t EngineRecord(TAdsDataSet& dataSet)
{
    uint32_t record = 0;
    EXPECT_EQ(ace::AdsGetRecordNum(dataSet.Handle(), ADS_IGNOREFILTERS, &record), 0u);
    return record;
}

TBookmark BookmarkOf(uint32_t record)
{
    TBookmark bookmark(4, '\0');
    std::memcpy(bookmark.data(), &record, 4);
    return bookmark;
}

// Shows deleted records, or hides them, until the end of the scope.
class DeletedShown {
public:
    explicit DeletedShown(bool shown) { ace::AdsSetDeleted(shown ? 1 : 0); }
    ~DeletedShown() { ace::AdsSetDeleted(1); }
};

// The argument lists of the traced calls of one function.
QStringList ArgumentsOf(const std::vector<ace::TracedCall>& calls, const QString& function)
{
    QStringList found;
    for (const ace::TracedCall& call : CallsOf(calls, function))
        found << call.arguments.join(QStringLiteral(", "));
    return found;
}

} // namespace

// ---------------------------------------------------------------------------
// Both ends and a walk in each direction, on tables and on query results.

struct EndsCase {
    const char* name;
    int rows;
    bool query;
};

class NavigationEnds : public ::testing::TestWithParam<EndsCase> {};

TEST_P(NavigationEnds, BothEndsAndEveryRecordInEachDirection)
{
    const EndsCase& c = GetParam();
    Rows rows(c.rows);
    std::unique_ptr<TAdsDataSet> dataSet;
    if (c.query)
        dataSet = rows.Query();
    else
        dataSet = rows.Open();
    TAdsDataSet& d = *dataSet;
    EXPECT_EQ(d.Eof(), c.rows == 0);
    EXPECT_EQ(d.IsEmpty(), c.rows == 0);
    EXPECT_EQ(d.RecNo(), c.rows == 0 ? 0 : 1);

    d.First();
    EXPECT_TRUE(d.Bof());
    int seen = 0;
    for (; !d.Eof(); d.Next()) {
        ++seen;
        ASSERT_EQ(d.RecNo(), seen);
        ASSERT_EQ(d.FieldByName("N")->AsInteger(), seen);
    }
    EXPECT_EQ(seen, c.rows);
    EXPECT_EQ(d.RecNo(), c.rows);  // Eof stays on the last record

    d.Last();
    EXPECT_TRUE(d.Eof());
    EXPECT_EQ(d.Bof(), c.rows == 0);
    EXPECT_EQ(d.RecNo(), c.rows);
    for (; !d.Bof(); d.Prior()) {
        ASSERT_EQ(d.RecNo(), seen);
        ASSERT_EQ(d.FieldByName("N")->AsInteger(), seen);
        --seen;
    }
    EXPECT_EQ(seen, 0);
    EXPECT_EQ(d.RecNo(), c.rows == 0 ? 0 : 1);

    d.First();
    EXPECT_EQ(d.MoveBy(c.rows + 5), std::max(c.rows - 1, 0));
    EXPECT_TRUE(d.Eof());
}

INSTANTIATE_TEST_SUITE_P(Results, NavigationEnds,
                         ::testing::Values(EndsCase{"EmptyTable", 0, false}, EndsCase{"OneRowTable", 1, false},
                                           EndsCase{"BigTable", 10000, false}, EndsCase{"EmptyQuery", 0, true},
                                           EndsCase{"OneRowQuery", 1, true}, EndsCase{"BigQuery", 10000, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DataSetNavigation, TheEndsAreTheEngineCursorsEnds)
{
    Rows rows(3);
    auto table = rows.Open();
    ace::StartCallTrace();
    table->First();
    table->Last();
    const auto calls = ace::StopCallTrace();
    const QString cursor = QString::number(table->Handle());
    EXPECT_EQ(ArgumentsOf(calls, "AdsGotoBOF"), QStringList{cursor}) << Dump(calls);
    EXPECT_EQ(ArgumentsOf(calls, "AdsGotoEOF"), QStringList{cursor}) << Dump(calls);
    EXPECT_TRUE(CallsOf(calls, "AdsGotoTop").empty()) << Dump(calls);
}

// ---------------------------------------------------------------------------
// Fetching.

TEST(DataSetNavigation, FetchWithoutCursorOrWhileInsertingIsAnErrorWithoutEngineCalls)
{
    Rows rows(2);
    auto table = rows.Open(false);
    std::vector<quint8> buffer(64);
    ace::StartCallTrace();
    EXPECT_EQ(table->FetchRecord(buffer.data(), gmCurrent, true), grError);
    EXPECT_TRUE(ace::StopCallTrace().empty());

    table->Open();
    table->Insert();
    ASSERT_EQ(table->State(), dsInsert);
    buffer.assign(table->RecBufSize(), 0);
    ace::StartCallTrace();
    for (TGetMode mode : {gmCurrent, gmNext, gmPrior})
        EXPECT_EQ(table->FetchRecord(buffer.data(), mode, true), grError);
    EXPECT_TRUE(ace::StopCallTrace().empty());
    table->Cancel();
}

TEST(DataSetNavigation, DeletedRecordsHiddenByTheEngineAreSkippedAndNotFetchedAsCurrent)
{
    Rows rows(5, ttAdsCDX);
    rows.DeleteRecord(2);
    rows.DeleteRecord(5);
    DeletedShown hidden(false);
    auto table = rows.Open();
    QList<int> seen;
    for (table->First(); !table->Eof(); table->Next())
        seen << table->RecNo();
    EXPECT_EQ(seen, (QList<int>{1, 3, 4}));

    ASSERT_EQ(ace::AdsGotoRecord(table->Handle(), 2), 0u);
    std::vector<quint8> buffer(table->RecBufSize());
    EXPECT_EQ(table->FetchRecord(buffer.data(), gmCurrent, true), grError);
}

// The handler accepts even record numbers (read from the engine's cursor,
// which stands on the record being judged).
TEST(DataSetNavigation, OnFilterRecordDecidesWhichRecordsTheDatasetShows)
{
    Rows rows(10);
    auto table = rows.Open();
    int judged = 0;
    table->OnFilterRecord = [&](TDataSet* d, bool& accept) {
        EXPECT_EQ(d->State(), dsFilter);
        ++judged;
        // Field reads in the event see the record being judged.
        const int n = d->FieldByName("N")->AsInteger();
        EXPECT_EQ(n, int(EngineRecord(*table)));
        accept = n % 2 == 0;
    };
    QList<int> seen;
    table->SetFiltered(true);
    for (table->First(); !table->Eof(); table->Next())
        seen << table->RecNo();
    EXPECT_EQ(seen, (QList<int>{2, 4, 6, 8, 10}));
    table->Last();
    EXPECT_EQ(table->RecNo(), 10);
    table->Prior();
    EXPECT_EQ(table->RecNo(), 8);

    // Mode current stops at once on a rejected record.
    ASSERT_EQ(ace::AdsGotoRecord(table->Handle(), 3), 0u);
    std::vector<quint8> buffer(table->RecBufSize());
    judged = 0;
    EXPECT_EQ(table->FetchRecord(buffer.data(), gmCurrent, true), grError);
    EXPECT_EQ(judged, 1);

    // Rejecting everything: a fetch forward visits every remaining record.
    table->OnFilterRecord = [&](TDataSet*, bool& accept) {
        ++judged;
        accept = false;
    };
    ASSERT_EQ(ace::AdsGotoBOF(table->Handle()), 0u);
    judged = 0;
    EXPECT_EQ(table->FetchRecord(buffer.data(), gmNext, true), grEOF);
    EXPECT_EQ(judged, 10);
    table->First();
    EXPECT_TRUE(table->IsEmpty());

    // Not filtered: the handler is not asked.
    table->SetFiltered(false);
    judged = 0;
    table->First();
    EXPECT_EQ(judged, 0);
    EXPECT_EQ(table->RecNo(), 1);
}

TEST(DataSetNavigation, CalculatedFieldsBeforeOrAfterTheFilterEvent)
{
    for (bool before : {true, false}) {
        SCOPED_TRACE(before ? "before" : "after");
        Rows rows(4);
        auto table = rows.Open(false);
        TIntegerField* number = new TIntegerField(table.get());
        number->SetFieldName(QStringLiteral("Number"));
        number->SetFieldKind(fkCalculated);
        number->SetDataSet(table.get());
        QStringList events;
        table->OnCalcFields = [&](TDataSet*) {
            events << QStringLiteral("calc %1").arg(EngineRecord(*table));
            number->SetAsInteger(int32_t(EngineRecord(*table)));
        };
        table->OnFilterRecord = [&](TDataSet*, bool& accept) {
            events << QStringLiteral("filter %1").arg(EngineRecord(*table));
            if (before) {
                EXPECT_EQ(number->AsInteger(), int32_t(EngineRecord(*table)));
            }
            accept = EngineRecord(*table) == 3;
        };
        table->AdsTableOptions()->SetAdsCalcFieldsBeforeFilter(before);
        table->SetFiltered(true);
        table->Open();
        const QStringList expected =
            before ? QStringList{"calc 1", "filter 1", "calc 2", "filter 2", "calc 3", "filter 3"}
                   : QStringList{"filter 1", "filter 2", "filter 3", "calc 3"};
        EXPECT_EQ(events.mid(0, expected.size()), expected);
        EXPECT_EQ(table->RecNo(), 3);
    }
}

// A handler's exception goes to the application's handler when there is
// one (the record stays accepted), and out of the move otherwise.
TEST(DataSetNavigation, AnExceptionInTheFilterEvent)
{
    Rows rows(3);
    auto table = rows.Open();
    table->OnFilterRecord = [&](TDataSet*, bool&) {
        if (EngineRecord(*table) == 2)
            throw Exception(QStringLiteral("judging failed"));
    };
    table->SetFiltered(true);
    table->First();
    EXPECT_THROW(table->Next(), Exception);
    EXPECT_EQ(table->State(), dsBrowse);

    QStringList shown;
    SetApplicationExceptionHandler([&](const Exception& e) { shown << e.Message(); });
    table->First();
    table->Next();
    SetApplicationExceptionHandler(nullptr);
    EXPECT_EQ(shown, QStringList{"judging failed"});
    EXPECT_EQ(table->RecNo(), 2);
}

TEST(DataSetNavigation, AFilterEventScanNeedsAHandler)
{
    Rows rows(3);
    auto table = rows.Open();
    ExpectDataSetError([&] { table->ScanWithFilterEvent(true); }, "Expected OnFilterRecord event.");
}

// ---------------------------------------------------------------------------
// Record numbers.

struct RecNoCase {
    const char* name;
    bool sequenced;
    TAdsSequencedLevel level;
    bool indexed;
    int write;
    int expected;   // RecNo after the write; -1: the write raises
};

class RecNoWrites : public ::testing::TestWithParam<RecNoCase> {};

// The index orders N descending through NAME, so key k holds record 11 - k.
TEST_P(RecNoWrites, PositionByNumberInEachMode)
{
    const RecNoCase& c = GetParam();
    Rows rows(10);
    rows.CreateIndex("BYNAME", "NAME", 0);
    auto table = rows.Open();
    table->SetSequenced(c.sequenced);
    table->SetSequencedLevel(c.level);
    if (c.indexed) {
        table->UseIndex("BYNAME");
        table->First();
    }
    if (c.expected < 0) {
        ExpectDataSetError([&] { table->SetRecNo(c.write); }, "", AE_INVALID_RECORD_NUMBER);
        return;
    }
    table->SetRecNo(c.write);
    EXPECT_EQ(table->RecNo(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, RecNoWrites,
    ::testing::Values(RecNoCase{"Physical", false, slStandard, false, 7, 7},
                      RecNoCase{"PhysicalPastTheEndRaises", false, slStandard, false, 11, -1},
                      RecNoCase{"SequencedPastTheEndEndsOnTheLast", true, slStandard, false, 11, 10},
                      RecNoCase{"ExactWithoutIndex", true, slExact, false, 4, 4},
                      RecNoCase{"IndexedButNotSequencedShowsTheRecord", false, slStandard, true, 3, 8},
                      RecNoCase{"IndexedStandard", true, slStandard, true, 3, 3},
                      RecNoCase{"IndexedStandardPastTheEnd", true, slStandard, true, 25, 10},
                      RecNoCase{"IndexedExact", true, slExact, true, 6, 6}),
    [](const auto& info) { return std::string(info.param.name); });

// 22 records: count x position lands a hair below some key numbers.
TEST(DataSetNavigation, IndexedRecordNumbersFollowTheKeyOrder)
{
    constexpr int kRows = 22;
    Rows rows(kRows);
    rows.CreateIndex("BYNAME", "NAME", 0);
    for (TAdsSequencedLevel level : {slStandard, slExact}) {
        auto table = rows.Open();
        table->SetSequenced(true);
        table->SetSequencedLevel(level);
        table->UseIndex("BYNAME");
        QList<int> numbers, records;
        for (table->First(); !table->Eof(); table->Next()) {
            numbers << table->RecNo();
            records << int(EngineRecord(*table));
        }
        QList<int> keys, physical;
        for (int k = 1; k <= kRows; ++k) {
            keys << k;
            physical << kRows + 1 - k;
        }
        EXPECT_EQ(numbers, keys);
        EXPECT_EQ(records, physical);
    }
}

TEST(DataSetNavigation, WritingRecNoOnAnEmptyIndexedTableUsesPositionZero)
{
    Rows rows(0);
    rows.CreateIndex("BYNAME", "NAME", 0);
    auto table = rows.Open();
    table->UseIndex("BYNAME");
    ace::StartCallTrace();
    table->SetRecNo(5);
    const auto calls = ace::StopCallTrace();
    ASSERT_EQ(CallsOf(calls, "AdsSetRelKeyPos").size(), 1u) << Dump(calls);
    EXPECT_EQ(CallsOf(calls, "AdsSetRelKeyPos")[0].arguments.value(1), "0") << Dump(calls);
    EXPECT_TRUE(table->IsEmpty());
    EXPECT_EQ(table->RecNo(), 0);
}

TEST(DataSetNavigation, AQueryNumbersItsRowsThroughItsCursorsOwnIndex)
{
    Rows rows(3);
    auto query = rows.Query();
    query->SetSequenced(true);
    ace::StartCallTrace();
    query->Next();
    const auto calls = ace::StopCallTrace();
    const QString cursor = QString::number(query->Handle());
    EXPECT_EQ(Functions(calls),
              (QStringList{"AdsSkip", "AdsAtEOF", "AdsAtBOF", "AdsIsRecordVisible", "AdsGetNumFields", "AdsGetRecord",
                           "AdsGetBookmark60", "AdsGetIndexHandle", "AdsGetRecordNum"}))
        << Dump(calls);
    EXPECT_EQ(ArgumentsOf(calls, "AdsGetRecordNum").value(0), cursor + ", 2, &2") << Dump(calls);
    EXPECT_EQ(query->RecNo(), 2);
}

// ---------------------------------------------------------------------------
// Record count.

struct CountCase {
    const char* name;
    TAdsRespectFilters filters;
    TAdsRespectScopes scopes;
    bool fresh;
    int option;
};

class RecordCountOptions : public ::testing::TestWithParam<CountCase> {};

TEST_P(RecordCountOptions, TheCountingOptionReachesTheEngine)
{
    const CountCase& c = GetParam();
    Rows rows(4);
    auto query = rows.Query();
    query->AdsTableOptions()->SetAdsFilterOptions(c.filters);
    query->AdsTableOptions()->SetAdsScopeOptions(c.scopes);
    query->AdsTableOptions()->SetAdsFreshRecordCount(c.fresh);
    ace::StartCallTrace();
    EXPECT_EQ(query->RecordCount(), 4);
    const auto calls = ace::StopCallTrace();
    EXPECT_EQ(ArgumentsOf(calls, "AdsGetRecordCount"),
              QStringList{QStringLiteral("%1, %2, &4").arg(query->Handle()).arg(c.option)})
        << Dump(calls);
}

INSTANTIATE_TEST_SUITE_P(
    Options, RecordCountOptions,
    ::testing::Values(
        CountCase{"IgnoreBoth", IGNORE_WHEN_COUNTING, IGNORE_SCOPES_WHEN_COUNTING, false, 2},
        CountCase{"RespectFilters", RESPECT_WHEN_COUNTING, IGNORE_SCOPES_WHEN_COUNTING, false, 1},
        CountCase{"RespectScopes", IGNORE_WHEN_COUNTING, RESPECT_SCOPES_WHEN_COUNTING, false, 3},
        CountCase{"FiltersWinOverScopes", RESPECT_WHEN_COUNTING, RESPECT_SCOPES_WHEN_COUNTING, false, 1},
        CountCase{"FreshIgnoring", IGNORE_WHEN_COUNTING, IGNORE_SCOPES_WHEN_COUNTING, true, 6},
        CountCase{"FreshScopes", IGNORE_WHEN_COUNTING, RESPECT_SCOPES_WHEN_COUNTING, true, 7},
        CountCase{"StatementListOptions", RESPECT_WHEN_COUNTING, RESPECT_SCOPES_WHEN_COUNTING, true, 5}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DataSetNavigation, RecordCountRespectsTheFilterEventOnlyThroughTheEngine)
{
    Rows rows(6);
    auto table = rows.Open();
    table->OnFilterRecord = [&](TDataSet*, bool& accept) { accept = EngineRecord(*table) <= 2; };
    table->SetFiltered(true);
    EXPECT_EQ(table->RecordCount(), 6);
}

struct IndexCountCase {
    const char* name;
    TAdsTableTypes type;
    uint32_t indexOptions;
    const char* condition;
    bool throughIndex;
};

class RecordCountThroughIndexes : public ::testing::TestWithParam<IndexCountCase> {};

// With filters respected, an active index is counted through only when it
// may count differently from the table.
TEST_P(RecordCountThroughIndexes, HandleCounted)
{
    const IndexCountCase& c = GetParam();
    Rows rows(5, c.type);
    rows.CreateIndex("BYNAME", "NAME", c.indexOptions, c.condition);
    auto table = rows.Open();
    table->UseIndex("BYNAME");
    table->AdsTableOptions()->SetAdsFilterOptions(RESPECT_WHEN_COUNTING);
    ace::StartCallTrace();
    const int count = table->RecordCount();
    const auto calls = ace::StopCallTrace();
    EXPECT_EQ(count, *c.condition ? 2 : 5);
    const QString handle = QString::number(c.throughIndex ? table->ActiveHandle() : table->HandleValue());
    EXPECT_EQ(ArgumentsOf(calls, "AdsGetRecordCount").value(0).section(", ", 0, 1), handle + ", 1") << Dump(calls);
}

INSTANTIATE_TEST_SUITE_P(
    Indexes, RecordCountThroughIndexes,
    ::testing::Values(IndexCountCase{"UniqueDbfIndex", ttAdsCDX, ADS_UNIQUE, "", true},
                      IndexCountCase{"PlainDbfIndex", ttAdsCDX, 0, "", false},
                      IndexCountCase{"UniqueAdtIndexIsNotTrusted", ttAdsADT, ADS_UNIQUE, "", false},
                      IndexCountCase{"ConditionalIndex", ttAdsADT, 0, "N > 3", true},
                      IndexCountCase{"ConditionalVfpIndex", ttAdsVFP, 0, "N > 3", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DataSetNavigation, RecordCountNeedsAnOpenDataset)
{
    Rows rows(1);
    auto table = rows.Open(false);
    EXPECT_THROW(table->RecordCount(), EDatabaseError);
    EXPECT_THROW(table->RecNo(), EDatabaseError);
}

// ---------------------------------------------------------------------------
// Bookmarks.

TEST(DataSetNavigation, BookmarksValidAndInvalid)
{
    Rows rows(5);
    auto table = rows.Open();
    table->SetRecNo(3);
    const TBookmark third = table->GetBookmark();
    table->Last();
    EXPECT_TRUE(table->BookmarkValid(third));
    EXPECT_FALSE(table->BookmarkValid(BookmarkOf(99)));
    EXPECT_FALSE(table->BookmarkValid(BookmarkOf(0)));
    EXPECT_FALSE(table->BookmarkValid(TBookmark()));
    // The validity test moved the engine's cursor; the dataset still moves
    // from its own record.
    table->Prior();
    EXPECT_EQ(table->RecNo(), 4);
    table->GotoBookmark(third);
    EXPECT_EQ(table->RecNo(), 3);
    table->Close();
    EXPECT_FALSE(table->BookmarkValid(third));
}

struct DeletedCase {
    const char* name;
    TAdsTableTypes type;
    bool shown;
    bool valid;
};

class DeletedBookmarks : public ::testing::TestWithParam<DeletedCase> {};

TEST_P(DeletedBookmarks, ABookmarkOnADeletedRecord)
{
    const DeletedCase& c = GetParam();
    Rows rows(3, c.type);
    auto table = rows.Open();
    table->SetRecNo(2);
    const TBookmark second = table->GetBookmark();
    rows.DeleteRecord(2);
    DeletedShown shown(c.shown);
    EXPECT_EQ(table->BookmarkValid(second), c.valid);
}

INSTANTIATE_TEST_SUITE_P(TableTypes, DeletedBookmarks,
                         ::testing::Values(DeletedCase{"CdxShown", ttAdsCDX, true, true},
                                           DeletedCase{"CdxHidden", ttAdsCDX, false, false},
                                           DeletedCase{"NtxShown", ttAdsNTX, true, true},
                                           DeletedCase{"NtxHidden", ttAdsNTX, false, false},
                                           DeletedCase{"VfpHidden", ttAdsVFP, false, false},
                                           DeletedCase{"AdtHidden", ttAdsADT, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DataSetNavigation, CompareBookmarks)
{
    Rows rows(3);
    auto table = rows.Open();
    const TBookmark none, first = BookmarkOf(1), third = BookmarkOf(3);
    struct Case {
        TBookmark a, b;
        int expected;
        bool engine;
    };
    const Case cases[] = {
        {none, none, 0, false}, {none, first, 1, false}, {first, none, -1, false},
        {first, third, -1, true}, {third, first, 1, true}, {third, third, 0, true},
    };
    for (const Case& c : cases) {
        ace::StartCallTrace();
        EXPECT_EQ(table->CompareBookmarks(c.a, c.b), c.expected);
        EXPECT_EQ(CallsOf(ace::StopCallTrace(), "AdsCompareBookmarks").size(), c.engine ? 1u : 0u);
    }
    ExpectDataSetError([&] { table->CompareBookmarks(first, TBookmark("\1", 1)); }, "Record not found");
}

TEST(DataSetNavigation, GetCurrentRecordCopiesTheActiveImage)
{
    Rows rows(3);
    auto table = rows.Open();
    table->SetRecNo(2);
    std::vector<quint8> image(table->RecordSize()), engine(table->RecordSize());
    ASSERT_TRUE(table->GetCurrentRecord(image.data()));
    uint32_t length = uint32_t(engine.size());
    ASSERT_EQ(ace::AdsGetRecord(table->Handle(), engine.data(), &length), 0u);
    EXPECT_EQ(image, engine);

    Rows none(0);
    auto empty = none.Open();
    EXPECT_FALSE(empty->GetCurrentRecord(image.data()));
}

// ---------------------------------------------------------------------------
// Finding with the filter event.

TEST(DataSetNavigation, FindFirstNextPriorLastWithTheFilterEvent)
{
    Rows rows(10);
    auto table = rows.Open();
    table->OnFilterRecord = [&](TDataSet*, bool& accept) { accept = EngineRecord(*table) % 3 == 0; };
    int scrolls = 0;
    table->AfterScroll = [&](TDataSet*) { ++scrolls; };
    struct Step {
        const char* name;
        bool (TDataSet::*find)();
        bool found;
        int recNo;
    };
    const Step steps[] = {
        {"first", &TDataSet::FindFirst, true, 3}, {"next", &TDataSet::FindNext, true, 6},
        {"next", &TDataSet::FindNext, true, 9},   {"next", &TDataSet::FindNext, false, 9},
        {"last", &TDataSet::FindLast, true, 9},   {"prior", &TDataSet::FindPrior, true, 6},
        {"prior", &TDataSet::FindPrior, true, 3}, {"prior", &TDataSet::FindPrior, false, 3},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        scrolls = 0;
        EXPECT_EQ(((*table).*step.find)(), step.found);
        EXPECT_EQ(table->Found(), step.found);
        EXPECT_EQ(scrolls, step.found ? 1 : 0);
        EXPECT_EQ(table->RecNo(), step.recNo);
    }
    EXPECT_FALSE(table->Filtered());
    // Browsing is not filtered by the search.
    table->First();
    EXPECT_EQ(table->RecNo(), 1);
}

// The Filter text takes part in the search of an unfiltered dataset, and
// leaves with it, also when the search fails.
TEST(DataSetNavigation, FindUsesTheFilterTextOnlyForTheSearch)
{
    Rows rows(10);
    auto table = rows.Open();
    table->SetFilter(QStringLiteral("N > 4"));
    bool fail = false;
    table->OnFilterRecord = [&](TDataSet* d, bool& accept) {
        if (fail)
            throw Exception(QStringLiteral("judging failed"));
        accept = d->FieldByName("N")->AsInteger() % 2 == 0;
    };
    EXPECT_TRUE(table->FindFirst());
    EXPECT_EQ(table->RecNo(), 6);
    table->First();
    EXPECT_EQ(table->RecNo(), 1);

    fail = true;
    EXPECT_THROW(table->FindLast(), Exception);
    fail = false;
    table->First();
    EXPECT_EQ(table->RecNo(), 1);
    table->AdsTableOptions()->SetAdsFilterOptions(RESPECT_WHEN_COUNTING);
    EXPECT_EQ(table->RecordCount(), 10);
    table->SetFiltered(true);
    EXPECT_EQ(table->RecordCount(), 6) << "the engine's filter counts, the event does not";
}

// ---------------------------------------------------------------------------
// GotoCurrent and AdsActiveRecord.

TEST(DataSetNavigation, GotoCurrentFollowsAnotherDatasetOnTheSameTable)
{
    Rows rows(6);
    auto first = rows.Open();
    auto second = std::make_unique<TTestTable>(rows.folder.path(), "T", ttAdsADT);
    second->Open();
    first->SetRecNo(5);
    second->GotoCurrent(first.get());
    EXPECT_EQ(second->RecNo(), 5);

    Rows other(6);
    auto elsewhere = other.Open();
    ExpectRaises<EDatabaseError>([&] { elsewhere->GotoCurrent(first.get()); }, "Tables are not the same");
    RunSql(rows.folder.path(), "CREATE TABLE u (N Integer)");
    TTestTable named(rows.folder.path(), "u", ttAdsADT);
    named.Open();
    ExpectRaises<EDatabaseError>([&] { named.GotoCurrent(first.get()); }, "Tables are not the same");
    ExpectDataSetError([&] { named.GotoCurrent(nullptr); }, "GotoCurrent needs a dataset to follow.");
}

// Two results of one folder name no table, so they count as the same; the
// smaller one cannot reach record 9 of the larger and ends on its last row.
TEST(DataSetNavigation, GotoCurrentOnAnUnreachableRecordEndsOnTheLast)
{
    Rows rows(10);
    auto all = rows.Query();
    auto few = rows.Query(" WHERE N <= 4");
    all->SetRecNo(9);
    few->GotoCurrent(all.get());
    EXPECT_TRUE(few->Eof());
    EXPECT_EQ(few->RecNo(), 4);
}

TEST(DataSetNavigation, AdsActiveRecordReturnsTheEntryPositionAndPutsTheCursorBack)
{
    Rows rows(8);
    auto table = rows.Open();
    table->SetRecNo(3);
    ASSERT_EQ(ace::AdsGotoRecord(table->Handle(), 7), 0u);
    EXPECT_EQ(table->AdsActiveRecord(), 7u);
    EXPECT_EQ(EngineRecord(*table), 3u);
    table->Next();
    EXPECT_EQ(table->RecNo(), 4);

    Rows none(0);
    auto empty = none.Query();
    EXPECT_EQ(empty->AdsActiveRecord(), 0u);
}
