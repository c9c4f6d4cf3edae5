// The server's list of running statements read the way the restore monitor
// reads it, while real statements run on other threads: the filter on the
// computer's active rows, the backward scan for the statement that is
// opening its cursor, and finding that statement again by its number after
// the list is run anew.
//
// The statements are held where the test wants them through the engine's
// SQL abort test, which the engine asks before each statement of a script
// and repeatedly while a query runs.
#include "tests/ads/test_dataset_support.h"

#include "framework/variant.h"
#include "tests/support/testsupport.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <map>
#include <mutex>
#include <thread>

using namespace dataset_test;

namespace {

const QString kCursorOpenLine = QStringLiteral("Executing cursor OPEN statment in SQL script.");
const char kThisComputer[] = "MONITOR-HERE";
const char kOtherComputer[] = "MONITOR-ELSEWHERE";

// Holds each registered worker thread at its n-th abort test until the
// test releases them all.
class StatementHolder {
public:
    // One holder at a time: it starts with no plans and nothing released.
    StatementHolder()
    {
        {
            std::lock_guard lock(sMutex);
            sPlans.clear();
            sReleased = false;
        }
        ace::AdsRegisterSQLAbortFunc(&StatementHolder::Step);
    }
    ~StatementHolder()
    {
        Release();
        ace::AdsClearSQLAbortFunc();
    }

    void HoldAt(std::thread::id thread, int step)
    {
        std::lock_guard lock(sMutex);
        sPlans[thread] = Plan{step, 0, false};
    }
    // Waits until `thread` is held; false after ten seconds without.
    bool WaitUntilHeld(std::thread::id thread)
    {
        std::unique_lock lock(sMutex);
        return sChanged.wait_for(lock, std::chrono::seconds(10), [&] { return sPlans[thread].held; });
    }
    void Release()
    {
        std::lock_guard lock(sMutex);
        sReleased = true;
        sChanged.notify_all();
    }

private:
    struct Plan {
        int holdAt = 0;
        int steps = 0;
        bool held = false;
    };

    static UNSIGNED32 Step()
    {
        std::unique_lock lock(sMutex);
        auto plan = sPlans.find(std::this_thread::get_id());
        if (plan == sPlans.end() || sReleased || ++plan->second.steps < plan->second.holdAt)
            return 0;
        plan->second.held = true;
        sChanged.notify_all();
        sChanged.wait(lock, [] { return sReleased; });
        return 0;
    }

    static inline std::mutex sMutex;
    static inline std::condition_variable sChanged;
    static inline std::map<std::thread::id, Plan> sPlans;
    static inline bool sReleased = false;

};

// A script run on its own thread, connection and query, as the tool's
// worker runs the restore.
class ScriptOnWorker {
public:
    ScriptOnWorker(StatementHolder& holder, const QString& folder, const QString& script, int holdAtStep)
    {
        std::promise<void> registered;
        mThread = std::thread([&, folder, script] {
            holder.HoldAt(std::this_thread::get_id(), holdAtStep);
            registered.set_value();
            auto connection = OpenOn(folder);
            TAdsQuery query(nullptr);
            query.SetAdsConnection(connection.get());
            query.SQL()->SetText(script);
            try {
                query.ExecSQL();
            } catch (const Exception& error) {
                mError = error.Message();
            }
        });
        registered.get_future().wait();
    }
    ~ScriptOnWorker() { mThread.join(); }
    std::thread::id Id() const { return mThread.get_id(); }
    QString Error() const { return mError; }

private:
    std::thread mThread;
    QString mError;
};

QString FirstLine(const QString& text)
{
    return text.section(QLatin1Char('\n'), 0, 0).section(QLatin1Char('\r'), 0, 0);
}

// A script that stays listed while the holder keeps it at its first step.
const QString kShortScript = QStringLiteral("DECLARE x Integer;\nx = 1;");

// The monitor's query of the list, with its table options.
std::unique_ptr<TAdsQuery> MonitorQuery(TAdsConnection& connection)
{
    auto list = std::make_unique<TAdsQuery>(nullptr);
    list->SetAdsConnection(&connection);
    list->SQL()->SetText(QStringLiteral("EXECUTE PROCEDURE sp_GetSQLStatements()"));
    list->AdsTableOptions()->SetAdsFilterOptions(RESPECT_WHEN_COUNTING);
    list->AdsTableOptions()->SetAdsFreshRecordCount(true);
    list->AdsTableOptions()->SetAdsScopeOptions(RESPECT_SCOPES_WHEN_COUNTING);
    list->SetFiltered(true);
    list->SetFilter(QStringLiteral("Active = True AND Connection Name = '%1'").arg(QLatin1String(kThisComputer)));
    return list;
}

// The monitor's query on a connection of its own to the folder.
struct StatementList {
    explicit StatementList(const QString& folder) : connection(OpenOn(folder)), query(MonitorQuery(*connection)) {}
    TAdsQuery* operator->() const { return query.get(); }
    std::unique_ptr<TAdsConnection> connection;
    std::unique_ptr<TAdsQuery> query;
};

} // namespace

TEST(DataSetStatementList, TheMonitorsPathsOnTheServersListOfRunningStatements)
{
    testsupport::TempFolder folder;
    RunSql(folder.path(), "CREATE TABLE n (V Integer)");
    for (int i = 0; i < 4; ++i)
        RunSql(folder.path(), "INSERT INTO n VALUES (1), (2), (3), (4), (5), (6), (7), (8), (9), (10)");
    // Opening this cursor takes many steps of the engine's query: held at
    // the third abort test it is inside the opening.
    const QString opening = QStringLiteral("DECLARE c CURSOR AS SELECT a.V FROM n a, n b, n c ORDER BY 1;\nOPEN c;");

    StatementHolder holder;
    std::optional<testsupport::EnvGuard> computer;
    computer.emplace("COMPUTERNAME", QByteArray(kOtherComputer));
    ScriptOnWorker elsewhere(holder, folder.path(), opening, 3);
    ASSERT_TRUE(holder.WaitUntilHeld(elsewhere.Id()));
    computer.emplace("COMPUTERNAME", QByteArray(kThisComputer));
    ScriptOnWorker ours(holder, folder.path(), opening, 3);
    ASSERT_TRUE(holder.WaitUntilHeld(ours.Id()));
    // Started later, so listed after ours, and not opening a cursor.
    ScriptOnWorker later(holder, folder.path(), kShortScript, 1);
    ASSERT_TRUE(holder.WaitUntilHeld(later.Id()));

    StatementList list(folder.path());
    list->Open();

    QStringList computers, firstLines;
    for (list->First(); !list->Eof(); list->Next()) {
        computers << list->FieldByName("Connection Name")->AsString();
        firstLines << FirstLine(list->FieldByName("Query")->AsString());
    }
    EXPECT_EQ(computers.count(QLatin1String(kThisComputer)), computers.size()) << computers.join(", ").toStdString();
    EXPECT_EQ(firstLines.count(kCursorOpenLine), 1) << "the other computer's opening is filtered out: "
                                                    << firstLines.join(" | ").toStdString();
    EXPECT_TRUE(firstLines.contains(QStringLiteral("DECLARE x Integer;")));
    EXPECT_EQ(list->RecordCount(), computers.size());

    // The scan from the end back to the opening statement.
    list->Last();
    int32_t number = 0;
    QStringList passed;
    while (!list->Bof()) {
        const QString line = FirstLine(list->FieldByName("Query")->AsString());
        if (line == kCursorOpenLine) {
            number = list->FieldByName("Query Number")->AsInteger();
            break;
        }
        passed << line;
        list->Prior();
    }
    ASSERT_NE(number, 0) << "the opening statement was not found";
    EXPECT_TRUE(passed.contains(QStringLiteral("DECLARE x Integer;"))) << "the later statement comes after it";
    EXPECT_TRUE(list->FieldByName("Query")->AsString().contains(QStringLiteral("FROM n a, n b, n c")));

    // The list run anew; the statement found again by its number.
    list->SetActive(false);
    list->SetActive(true);
    list->First();
    ASSERT_TRUE(list->Locate(QStringLiteral("Query Number"), Variant(int(number)), TLocateOptions()));
    EXPECT_EQ(list->FieldByName("Query Number")->AsInteger(), number);
    EXPECT_EQ(FirstLine(list->FieldByName("Query")->AsString()), kCursorOpenLine);
    EXPECT_GT(list->FieldByName("Percent Complete")->AsFloat(), -1.0);

    holder.Release();
    list->Close();
}

// Once a statement has ended it is no longer listed: the monitor's search
// by number finds nothing and the list stays where it was.
TEST(DataSetStatementList, AnEndedStatementIsNotFoundByItsNumber)
{
    testsupport::TempFolder folder;
    testsupport::EnvGuard computer("COMPUTERNAME", QByteArray(kThisComputer));
    int32_t number = 0;
    {
            StatementHolder holder;
        ScriptOnWorker running(holder, folder.path(), kShortScript, 1);
        ASSERT_TRUE(holder.WaitUntilHeld(running.Id()));
        StatementList list(folder.path());
        list->Open();
        for (list->First(); !list->Eof() && number == 0; list->Next())
            if (FirstLine(list->FieldByName("Query")->AsString()) == QStringLiteral("DECLARE x Integer;"))
                number = list->FieldByName("Query Number")->AsInteger();
        ASSERT_NE(number, 0);
        holder.Release();
    }
    StatementList list(folder.path());
    list->Open();
    const int32_t before = list->FieldByName("Query Number")->AsInteger();
    EXPECT_FALSE(list->Locate(QStringLiteral("Query Number"), Variant(int(number)), TLocateOptions()));
    EXPECT_EQ(list->FieldByName("Query Number")->AsInteger(), before);
}

// What the engine is asked when the monitor opens the list and when it finds
// a statement again by its number: the filter goes in as the dataset's own,
// with exact comparison, and the search is a plain filter over it that is
// taken away again, leaving the dataset's filter in place.
TEST(DataSetStatementList, TheEngineCallsOfTheMonitorsFilterAndSearch)
{
    testsupport::TempFolder folder;
    testsupport::EnvGuard computer("COMPUTERNAME", QByteArray(kThisComputer));
    StatementHolder holder;
    ScriptOnWorker running(holder, folder.path(), kShortScript, 1);
    ASSERT_TRUE(holder.WaitUntilHeld(running.Id()));
    StatementList list(folder.path());
    const QString filter = QStringLiteral("\"Active = True AND Connection Name = '%1'\"").arg(kThisComputer);

    ace::StartCallTrace();
    list->Open();
    auto calls = ace::StopCallTrace();
    const QStringList filterCalls = {"AdsExpressionLongToShort90", "AdsExpressionShortToLong90", "AdsSetExact22",
                                     "AdsSetAOF100", "AdsSetFilter100", "AdsClearFilter", "AdsClearAOF",
                                     "AdsGetAllIndexes"};
    // The index list asked at open is for the first index's page size.
    EXPECT_EQ(Only(calls, filterCalls), QStringList({"AdsGetAllIndexes", "AdsExpressionLongToShort90",
                                                     "AdsExpressionShortToLong90", "AdsSetExact22", "AdsSetAOF100"}))
        << Dump(calls);
    EXPECT_EQ(CallsOf(calls, "AdsExpressionLongToShort90").front().arguments.value(1), filter);
    EXPECT_EQ(CallsOf(calls, "AdsSetExact22").front().arguments.value(1), "1");
    ASSERT_EQ(CallsOf(calls, "AdsSetAOF100").size(), 1u);
    EXPECT_EQ(CallsOf(calls, "AdsSetAOF100").front().arguments.value(1), filter);
    EXPECT_EQ(CallsOf(calls, "AdsSetAOF100").front().arguments.value(2), QString::number(0x2002));

    const int32_t number = list->FieldByName("Query Number")->AsInteger();
    list->Next();
    ace::StartCallTrace();
    EXPECT_TRUE(list->Locate(QStringLiteral("Query Number"), Variant(int(number)), TLocateOptions()));
    calls = ace::StopCallTrace();
    // No index on the list: the (empty) list of indexes, then the expression.
    EXPECT_EQ(Only(calls, filterCalls), QStringList({"AdsGetAllIndexes", "AdsSetExact22", "AdsSetFilter100",
                                                     "AdsSetExact22", "AdsClearFilter"}))
        << Dump(calls);
    ASSERT_EQ(CallsOf(calls, "AdsSetFilter100").size(), 1u);
    EXPECT_EQ(CallsOf(calls, "AdsSetFilter100").front().arguments.value(1),
              QStringLiteral("\"(Query Number=%1)\"").arg(number));
    EXPECT_EQ(CallsOf(calls, "AdsSetFilter100").front().arguments.value(2), QString::number(0x2000));
    EXPECT_EQ(list->FieldByName("Query Number")->AsInteger(), number);
    char kept[200] = {};
    UNSIGNED16 length = sizeof(kept);
    ASSERT_EQ(ace::AdsGetAOF(list->Handle(), kept, &length), 0u);
    EXPECT_EQ(QString::fromLatin1(kept, length), filter.mid(1, filter.size() - 2)) << "the dataset's filter stays";
    holder.Release();
}
