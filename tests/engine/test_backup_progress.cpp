// Progress of a restore as another connection on another thread sees it
// in the statement list while the tool's restore script runs.
#include "test_backup_support.h"

#include <gtest/gtest.h>

#include <QDir>

#include <atomic>
#include <thread>

using namespace apitest;
using namespace backuptest;

namespace {

struct Sample {
    double percent = 0;
    bool secondsKnown = false;
    int seconds = 0;
};

// The row of the running restore script, found as the tool finds it: by
// the first line of its "Query".
bool FindRestoreRow(ADSHANDLE connection, Sample& sample)
{
    ADSHANDLE statement = 0, cursor = 0;
    if (AdsCreateSQLStatement(connection, &statement) != AE_SUCCESS)
        return false;
    bool found = false;
    if (AdsExecuteSQLDirect(statement, "EXECUTE PROCEDURE sp_GetSQLStatements()", &cursor) == AE_SUCCESS) {
        AdsGotoTop(cursor);
        for (UNSIGNED16 eof = 0; !found && AdsAtEOF(cursor, &eof) == AE_SUCCESS && !eof; AdsSkip(cursor, 1)) {
            std::string query = FieldText(cursor, "Query", ADS_NONE);
            if (query.substr(0, query.find_first_of("\r\n")) != "Executing cursor OPEN statment in SQL script.")
                continue;
            found = true;
            sample.percent = std::stod(FieldText(cursor, "Percent Complete"));
            UNSIGNED16 isNull = 1;
            AdsIsNull(cursor, "Seconds Until Finished", &isNull);
            sample.secondsKnown = !isNull;
            if (!isNull)
                sample.seconds = std::stoi(FieldText(cursor, "Seconds Until Finished"));
        }
        AdsCloseTable(cursor);
    }
    AdsCloseSQLStatement(statement);
    return found;
}

TEST(BackupProgress, ASecondConnectionFollowsTheRestoreToItsEnd)
{
    testsupport::TempFolder work;
    const std::string root = work.path().toStdString();
    const std::string source = root + "/source", backup = root + "/backup", destination = root + "/restored";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(source)));
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(destination))); // the tool only restores into existing folders
    for (int i = 0; i < 4; ++i)
        WriteFile(source + "/part" + std::to_string(i) + ".adt", QByteArray(50 << 20, static_cast<char>('a' + i)));
    ADSHANDLE restoring = 0, watching = 0;
    ASSERT_ADS_OK(AdsConnect(source.c_str(), &restoring));
    ASSERT_ADS_OK(AdsConnect(source.c_str(), &watching));
    ASSERT_ADS_OK(BackupFreeTables(restoring, source, backup, "pw"));

    std::atomic<bool> finished{false};
    std::vector<Sample> samples;
    bool goneAtEnd = false;
    std::thread watcher([&] {
        while (!finished) {
            Sample sample;
            if (FindRestoreRow(watching, sample))
                samples.push_back(sample);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        Sample after;
        goneAtEnd = !FindRestoreRow(watching, after);
    });
    UNSIGNED32 result = RunRestoreScript(restoring, backup, destination, "pw");
    finished = true;
    watcher.join();
    ASSERT_EQ(result, AE_SUCCESS) << LastError().text;

    EXPECT_TRUE(goneAtEnd) << "the restore is still listed after it ended";
    ASSERT_GE(samples.size(), 3u) << "the restore was hardly ever seen running";
    for (size_t i = 1; i < samples.size(); ++i)
        EXPECT_LE(samples[i - 1].percent, samples[i].percent) << "sample " << i;
    EXPECT_GE(samples.back().percent, 90.0);
    std::vector<int> seconds;
    for (const Sample& s : samples)
        if (s.secondsKnown)
            seconds.push_back(s.seconds);
    ASSERT_GE(seconds.size(), 2u);
    EXPECT_LE(seconds.back(), seconds.front());
    EXPECT_TRUE(Snapshot(destination) == Snapshot(source)) << "the restored files differ from the backed-up ones";
    AdsDisconnect(watching);
    AdsDisconnect(restoring);
}

} // namespace
