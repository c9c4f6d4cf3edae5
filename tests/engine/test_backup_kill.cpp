// A restore killed at random moments: after the next open of the
// destination every table is entirely the old one or entirely the new one,
// never a mix, never damaged or missing, and no staging folder is left.
#include "test_backup_support.h"

#include <gtest/gtest.h>

#include <QDir>

#include <chrono>
#include <csignal>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace apitest;
using namespace backuptest;

namespace {

// Table files of a few MiB each, filled with a pattern that tells the
// versions apart; the restore copies bytes and never reads them as tables.
const struct {
    const char* table;
    std::vector<std::pair<const char*, int>> files; // name, size in KiB
} kTables[] = {
    {"alpha", {{"alpha.dbf", 9000}, {"alpha.fpt", 3000}, {"alpha.cdx", 600}}},
    {"beta", {{"beta.adt", 7000}, {"beta.adm", 5000}, {"beta.adi", 400}}},
    {"gamma", {{"gamma.dbf", 6000}, {"gamma.dbt", 2000}, {"gamma.ntx", 300}}},
    {"delta", {{"delta.dbf", 4000}}},
};

void WriteVersion(const std::string& folder, char version)
{
    for (const auto& table : kTables)
        for (const auto& [name, kib] : table.files) {
            QByteArray bytes(kib * 1024, version);
            for (int i = 0; i < bytes.size(); i += 4096)
                bytes[i] = static_cast<char>(i / 4096);
            WriteFile(folder + "/" + name, bytes);
        }
}

// Restores in a child process and kills it after `delay`; true when the
// child was killed before it ended.
bool RestoreKilledAfter(const std::string& backup, const std::string& destination, std::chrono::microseconds delay)
{
    pid_t child = ::fork();
    if (child == 0) {
        ADSHANDLE connection = 0;
        if (AdsConnect(destination.c_str(), &connection) != AE_SUCCESS)
            ::_exit(2);
        ::_exit(RestoreFreeTables(connection, backup, destination) == AE_SUCCESS ? 0 : 1);
    }
    EXPECT_GT(child, 0) << "fork failed";
    if (child <= 0)
        return false;
    int status = 0;
    auto deadline = std::chrono::steady_clock::now() + delay;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (WIFEXITED(status)) {
        EXPECT_EQ(WEXITSTATUS(status), 0) << "the restore itself failed";
    }
    return WIFSIGNALED(status);
}

TEST(BackupKill, EveryTableIsEntirelyOldOrEntirelyNewAfterARestoreIsKilled)
{
    testsupport::TempFolder work;
    const std::string root = work.path().toStdString();
    const std::string destination = root + "/data";
    std::map<char, std::string> backups;
    std::map<char, std::map<std::string, QByteArray>> versions;
    for (char version : {'A', 'B'}) {
        std::string source = root + "/source" + version;
        ASSERT_TRUE(QDir().mkpath(QString::fromStdString(source)));
        WriteVersion(source, version);
        versions[version] = Snapshot(source);
        backups[version] = root + "/backup" + version;
        ADSHANDLE connection = 0;
        ASSERT_ADS_OK(AdsConnect(source.c_str(), &connection));
        ASSERT_ADS_OK(BackupFreeTables(connection, source, backups[version]));
        AdsDisconnect(connection);
    }
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(destination)));
    WriteVersion(destination, 'A');

    // How long a whole restore takes here, to spread the kills over it.
    auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(RestoreKilledAfter(backups['B'], destination, std::chrono::seconds(30)));
    auto whole = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);

    std::mt19937 random(20261210);
    std::uniform_int_distribution<long> moment(0, whole.count() * 11 / 10);
    int killed = 0;
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        char target = round % 2 ? 'B' : 'A';
        killed += RestoreKilledAfter(backups[target], destination, std::chrono::microseconds(moment(random)));

        ADSHANDLE connection = 0; // opening the folder finishes or undoes the killed restore
        ASSERT_ADS_OK(AdsConnect(destination.c_str(), &connection));
        AdsDisconnect(connection);
        auto now = Snapshot(destination);
        for (const auto& table : kTables) {
            auto files = Only(now, table.table);
            bool old = files == Only(versions['A'], table.table), fresh = files == Only(versions['B'], table.table);
            EXPECT_TRUE(old || fresh) << table.table << " is neither entirely A nor entirely B";
        }
        EXPECT_EQ(now.size(), versions['A'].size()) << "a staging folder or a stray file is left";
    }
    EXPECT_GT(killed, 0) << "no restore was caught while running";
}

} // namespace
