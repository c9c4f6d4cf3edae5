// The statement registry as sp_GetSQLStatements shows it: a long script on
// one connection and thread, listed from a second connection on another
// thread the way the restore monitor reads it.
#include "test_sqlexec_support.h"

#include "engine/core/statement_registry.h"
#include "engine/sql/interpreter.h"
#include "engine/sql/value.h"

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

using namespace apitest;
using namespace sqlexec;

namespace {

using sql::DataType;
using sql::Value;

// Lets a test step a running procedure: the procedure announces each step
// and waits until the test lets it go on.
class Stepper {
public:
    void Announce(int step)
    {
        std::unique_lock<std::mutex> lock(mMutex);
        mAnnounced = step;
        mChanged.notify_all();
        if (!mChanged.wait_for(lock, std::chrono::seconds(30), [&] { return mReleased >= step; }))
            throw std::runtime_error("the test never released step " + std::to_string(step));
    }
    bool WaitAnnounced(int step)
    {
        std::unique_lock<std::mutex> lock(mMutex);
        return mChanged.wait_for(lock, std::chrono::seconds(30), [&] { return mAnnounced >= step; });
    }
    void Release(int step)
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mReleased = step;
        mChanged.notify_all();
    }

private:
    std::mutex mMutex;
    std::condition_variable mChanged;
    int mAnnounced = 0;
    int mReleased = 0;
};

Stepper* gStepper = nullptr;

constexpr int kSteps = 3;

// sp_TestSlow(): reports 1/3, 2/3, 3/3 done with a falling estimate, one
// step at a time as the test allows.
void RegisterSlowProcedure()
{
    engine::RegisterServerProcedure({"sp_TestSlow", 0, {{"Done", DataType::Logical}}, [](const std::vector<Value>&) {
                                         for (int step = 1; step <= kSteps; ++step) {
                                             engine::ReportProgress(100.0 * step / kSteps, 10 * (kSteps - step));
                                             gStepper->Announce(step);
                                         }
                                         return std::vector<std::vector<Value>>{{Value::Logical(true)}};
                                     }});
}

const char* const kScript = "DECLARE Slow Cursor AS EXECUTE PROCEDURE sp_TestSlow();\r\n"
                            "OPEN Slow;";

// What the monitor finds of the script in one listing.
struct Sighting {
    bool found = false;
    std::string queryNumber;
    std::string percent;
    std::string seconds;
    std::string query;
};

// The monitor's way: filter on active statements of this computer, then
// from the last row backwards to the first whose "Query" starts with the
// cursor-open line.
Sighting FindScript(ADSHANDLE listing)
{
    Sighting seen;
    const char16_t* filter = u"Active = True AND Connection Name = 'VARNEL-TEST-PC'";
    EXPECT_ADS_OK(AdsSetAOF100(listing, filter, ADS_ENCODE_UTF16 | 2));
    EXPECT_ADS_OK(AdsGotoBottom(listing));
    for (;;) {
        UNSIGNED16 bof = 0;
        EXPECT_ADS_OK(AdsAtBOF(listing, &bof));
        if (bof)
            return seen;
        std::string query = Text(listing, "Query");
        if (query.substr(0, query.find_first_of("\r\n")) == sql::kCursorOpenBanner) {
            seen = {true, Text(listing, "Query Number"), Text(listing, "Percent Complete"),
                    Text(listing, "Seconds Until Finished"), query};
            return seen;
        }
        EXPECT_ADS_OK(AdsSkip(listing, -1));
    }
}

// Another connection to the same folder, as the monitor's alias has.
class SecondConnection {
public:
    explicit SecondConnection(const std::string& folder)
    {
        EXPECT_EQ(AdsConnect(folder.c_str(), &mHandle), AE_SUCCESS) << LastError().text;
    }
    ~SecondConnection() { AdsDisconnect(mHandle); }
    SecondConnection(const SecondConnection&) = delete;
    SecondConnection& operator=(const SecondConnection&) = delete;
    ADSHANDLE Handle() const { return mHandle; }

private:
    ADSHANDLE mHandle = 0;
};

class StatementRegistry : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterSlowProcedure(); }
    void SetUp() override { gStepper = &stepper; }
    void TearDown() override { gStepper = nullptr; }

    ADSHANDLE List()
    {
        ADSHANDLE cursor = 0;
        EXPECT_EQ(AdsExecuteSQLDirect(monitorStatement.Handle(), "EXECUTE PROCEDURE sp_GetSQLStatements()", &cursor),
                  AE_SUCCESS) << LastError().text;
        return cursor;
    }

    testsupport::EnvGuard computer{"COMPUTERNAME", QByteArray("VARNEL-TEST-PC")};
    Stepper stepper;
    ResultFolders folders;
    FolderConnection restoreConnection;
    SecondConnection monitorConnection{restoreConnection.Folder()};
    StatementOn monitorStatement{monitorConnection.Handle()};
};

TEST_F(StatementRegistry, ListingShowsTheRunningScriptWithItsProgress)
{
    ADSHANDLE result = 0;
    UNSIGNED32 runCode = 1;
    std::thread worker([&] {
        StatementOn statement(restoreConnection.Handle());
        if (Prepare(statement.Handle(), kScript) == AE_SUCCESS)
            runCode = AdsExecuteSQL(statement.Handle(), &result);
    });

    std::string number;
    std::string percent;
    for (int step = 1; step <= kSteps; ++step) {
        SCOPED_TRACE("step " + std::to_string(step));
        ASSERT_TRUE(stepper.WaitAnnounced(step));
        ADSHANDLE listing = List();
        ASSERT_NE(listing, 0u);
        Sighting seen = FindScript(listing);
        ASSERT_TRUE(seen.found);
        EXPECT_NE(seen.queryNumber, "0");
        if (step > 1) {
            EXPECT_EQ(seen.queryNumber, number) << "the number changed while the script ran";
            EXPECT_NE(seen.percent, percent) << "the progress did not move";
        }
        number = seen.queryNumber;
        percent = seen.percent;
        EXPECT_EQ(seen.seconds, std::to_string(10 * (kSteps - step)));
        EXPECT_EQ(seen.query, std::string(sql::kCursorOpenBanner) + "\nEXECUTE PROCEDURE sp_TestSlow()");

        // Locate by number: a filter on top of the AOF keeps exactly that row.
        std::u16string locate = Wide("Query Number = " + number);
        ASSERT_ADS_OK(AdsSetFilter100(listing, locate.c_str(), ADS_ENCODE_UTF16));
        EXPECT_EQ(RecordCount(listing), 1u);
        ASSERT_ADS_OK(AdsGotoTop(listing));
        const struct {
            const char* column;
            std::string text;
        } cells[] = {
            {"Active", "T"},
            {"Connection Name", "VARNEL-TEST-PC"},
            {"Database", restoreConnection.Folder()},
            {"Is Script", "T"},
            {"Full Script", kScript},
        };
        for (const auto& cell : cells)
            EXPECT_EQ(Text(listing, cell.column), cell.text) << cell.column;
        EXPECT_ADS_OK(AdsCloseTable(listing));
        stepper.Release(step);
    }
    worker.join();
    ASSERT_EQ(runCode, AE_SUCCESS);
    ASSERT_NE(result, 0u);
    EXPECT_ADS_OK(AdsGotoTop(result));
    EXPECT_EQ(Text(result, "Done"), "T");
    EXPECT_ADS_OK(AdsCloseTable(result));

    // Ended: the script has left the list.
    ADSHANDLE listing = List();
    EXPECT_FALSE(FindScript(listing).found);
    AdsCloseTable(listing);
    EXPECT_TRUE(folders.Left().isEmpty());
}

TEST_F(StatementRegistry, ListingHasTheElevenColumnsTheMonitorBinds)
{
    ADSHANDLE listing = List();
    ASSERT_NE(listing, 0u);
    const struct {
        const char* name;
        UNSIGNED16 type;
        UNSIGNED32 length; // 0: not checked
    } columns[] = {
        {"Query Number", ADS_INTEGER, 0}, {"Active", ADS_LOGICAL, 0},     {"Percent Complete", ADS_DOUBLE, 0},
        {"Connection Name", ADS_STRING, 100}, {"Database User", ADS_STRING, 100}, {"Query", 0, 0},
        {"Database", ADS_STRING, 255},    {"Is Script", ADS_LOGICAL, 0},  {"Full Script", 0, 0},
        {"Start Time", ADS_TIME, 0},      {"Seconds Until Finished", ADS_INTEGER, 0},
    };
    UNSIGNED16 count = 0;
    ASSERT_ADS_OK(AdsGetNumFields(listing, &count));
    ASSERT_EQ(count, std::size(columns));
    for (UNSIGNED16 i = 0; i < count; ++i) {
        const auto& expected = columns[i];
        SCOPED_TRACE(expected.name);
        char name[129] = {};
        UNSIGNED16 nameLength = sizeof name;
        ASSERT_ADS_OK(AdsGetFieldName(listing, UNSIGNED16(i + 1), name, &nameLength));
        EXPECT_EQ(std::string(name, nameLength), expected.name);
        UNSIGNED16 type = 0;
        ASSERT_ADS_OK(AdsGetFieldType(listing, ADSFIELD(i + 1), &type));
        if (expected.type == 0) { // a text memo: 8, or 5 with memo data type 5
            UNSIGNED16 memoType = 0;
            ASSERT_ADS_OK(AdsGetMemoDataType(listing, ADSFIELD(i + 1), &memoType));
            EXPECT_TRUE(type == ADS_VARCHAR_MEMO || (type == ADS_MEMO && memoType == ADS_MEMO))
                << type << "/" << memoType;
        } else {
            EXPECT_EQ(type, expected.type);
        }
        if (expected.length != 0) {
            UNSIGNED32 length = 0;
            ASSERT_ADS_OK(AdsGetFieldLength(listing, ADSFIELD(i + 1), &length));
            EXPECT_EQ(length, expected.length);
        }
    }
    AdsCloseTable(listing);
}

// Progress outside 0..100 (or not a number) is kept within it, so a
// listing never shows an impossible percentage.
TEST(RunningStatement, ProgressIsClampedIntoAPercentage)
{
    const struct {
        double given;
        double kept;
    } cases[] = {{-5, 0}, {0, 0}, {42.5, 42.5}, {100, 100}, {250, 100}, {std::nan(""), 0}};
    engine::RunningStatement statement({});
    for (const auto& c : cases) {
        statement.SetProgress(c.given, std::nullopt);
        EXPECT_EQ(statement.Row().percentComplete, c.kept) << c.given;
    }
    statement.SetProgress(10, 7);
    EXPECT_EQ(statement.Row().secondsUntilFinished, std::optional<int32_t>(7));
}

} // namespace
