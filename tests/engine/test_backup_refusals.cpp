// Restores that must not happen: a damaged or incomplete backup, a wrong
// password, a destination table somebody has open, an abort. Each is
// refused with its own message naming what is wrong, and the destination
// keeps exactly the files it had.
#include "test_backup_support.h"

#include "engine/storage/table.h"

#include <gtest/gtest.h>

#include <QDir>

#include <atomic>
#include <functional>
#include <sys/wait.h>
#include <unistd.h>

using namespace apitest;
using namespace backuptest;

namespace {

// A backup of two CDX tables, and a destination holding older versions.
class RestoreRefusal : public ::testing::Test {
public:
    void SetUp() override
    {
        MakeTable(source.Handle(), "clients", ADS_CDX, 200, " new");
        MakeTable(source.Handle(), "orders", ADS_CDX, 20, " new");
        ASSERT_ADS_OK(BackupFreeTables(source.Handle(), source.Folder(), Backup(), "secret"));
        MakeTable(target.Handle(), "clients", ADS_CDX, 150, " old");
        MakeTable(target.Handle(), "orders", ADS_CDX, 10, " old");
        before = Snapshot(target.Folder());
    }

    std::string Backup() const { return backupFolder.path().toStdString(); }
    std::string BackupFile(const std::string& name) const { return Backup() + "/" + name; }

    FolderConnection source;
    FolderConnection target;
    testsupport::TempFolder backupFolder;
    std::map<std::string, QByteArray> before;
};

struct Damage {
    const char* label;
    std::function<void(const RestoreRefusal&)> apply;
    std::string password;
    UNSIGNED32 code;
    const char* fragment;
};

void FlipByte(const std::string& path, qint64 at)
{
    QByteArray bytes = ReadFile(path);
    ASSERT_LT(at, bytes.size());
    bytes[at] = static_cast<char>(bytes[at] ^ 0x01);
    WriteFile(path, bytes);
}

TEST_F(RestoreRefusal, EachFaultIsRefusedWithItsOwnMessageAndTheDestinationIsUnchanged)
{
    const Damage cases[] = {
        {"flipped byte", [](const RestoreRefusal& t) { FlipByte(t.BackupFile("orders.dbf"), 400); }, "secret",
         AE_CHECKSUM_MISMATCH, "orders.dbf is damaged: its checksum does not match"},
        {"truncated file",
         [](const RestoreRefusal& t) {
             QByteArray bytes = ReadFile(t.BackupFile("clients.fpt"));
             WriteFile(t.BackupFile("clients.fpt"), bytes.left(bytes.size() / 2));
         },
         "secret", AE_CHECKSUM_MISMATCH, "clients.fpt is damaged: it holds"},
        {"missing file", [](const RestoreRefusal& t) { QFile::remove(QString::fromStdString(t.BackupFile("orders.cdx"))); },
         "secret", AE_BACKUP_FILE_MISSING, "orders.cdx is missing"},
        {"wrong password", [](const RestoreRefusal&) {}, "Secret", AE_WRONG_PASSWORD, "password does not match"},
        {"no password", [](const RestoreRefusal&) {}, "", AE_WRONG_PASSWORD, "password does not match"},
        {"changed manifest",
         [](const RestoreRefusal& t) {
             QByteArray text = ReadFile(t.BackupFile("varnel-backup.manifest"));
             text.replace("clients", "CLIENTS");
             WriteFile(t.BackupFile("varnel-backup.manifest"), text);
         },
         "secret", AE_BACKUP_DAMAGED, "varnel-backup.manifest is damaged"},
        {"no manifest",
         [](const RestoreRefusal& t) { QFile::remove(QString::fromStdString(t.BackupFile("varnel-backup.manifest"))); },
         "secret", AE_NOT_A_BACKUP, "is not a backup"},
    };
    for (const Damage& c : cases) {
        SCOPED_TRACE(c.label);
        auto intact = Snapshot(Backup());
        c.apply(*this);
        ExpectFailure(RestoreFreeTables(target.Handle(), Backup(), target.Folder(), c.password), c.code, c.fragment);
        EXPECT_EQ(Snapshot(target.Folder()), before);
        for (const auto& [name, bytes] : intact)
            WriteFile(BackupFile(name), bytes);
    }
    // Repaired, the same backup restores.
    ASSERT_ADS_OK(RestoreFreeTables(target.Handle(), Backup(), target.Folder(), "secret"));
    EXPECT_EQ(Snapshot(target.Folder()), Snapshot(source.Folder()));
}

TEST_F(RestoreRefusal, FoldersThatCannotServeAreNamed)
{
    const struct {
        const char* label;
        std::string source;
        std::string destination;
        UNSIGNED32 code;
        const char* fragment;
    } cases[] = {
        {"missing backup folder", Backup() + "/nowhere", target.Folder(), AE_PATH_NOT_FOUND, "/nowhere does not exist"},
        {"destination under a file", Backup(), BackupFile("orders.dbf") + "/inside", AE_FILE_IO, "cannot be created"},
        {"destination is the backup", Backup(), Backup(), AE_INVALID_ARGUMENT, "is the backup folder itself"},
    };
    auto backupBefore = Snapshot(Backup());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ExpectFailure(RestoreFreeTables(target.Handle(), c.source, c.destination, "secret"), c.code, c.fragment);
    }
    EXPECT_EQ(Snapshot(target.Folder()), before);
    EXPECT_EQ(Snapshot(Backup()), backupBefore);
}

TEST_F(RestoreRefusal, ATableOpenOnAnotherConnectionOfThisProcessIsNamed)
{
    ADSHANDLE otherConnection = 0;
    ASSERT_ADS_OK(AdsConnect(target.Folder().c_str(), &otherConnection));
    ADSHANDLE table = OpenTable(otherConnection, "orders", ADS_CDX);
    ExpectFailure(RestoreFreeTables(target.Handle(), Backup(), target.Folder(), "secret"), AE_TABLE_IN_USE,
                  "orders.dbf is in use");
    EXPECT_EQ(Snapshot(target.Folder()), before);
    AdsCloseTable(table);
    AdsDisconnect(otherConnection);
}

TEST_F(RestoreRefusal, ATableOpenInAnotherProcessIsNamed)
{
    int ready[2], done[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(done), 0);
    std::string table = target.File("clients.dbf");
    pid_t child = ::fork();
    if (child == 0) {
        char result = 'e';
        std::unique_ptr<storage::Table> held;
        try {
            held = storage::Table::Open(table, storage::TableKind::CDX);
            result = 'o';
        } catch (...) {
        }
        (void)!::write(ready[1], &result, 1);
        char c;
        (void)!::read(done[0], &c, 1);
        ::_exit(0);
    }
    char state = 0;
    ASSERT_EQ(::read(ready[0], &state, 1), 1);
    ASSERT_EQ(state, 'o');
    ExpectFailure(RestoreFreeTables(target.Handle(), Backup(), target.Folder(), "secret"), AE_TABLE_IN_USE,
                  "clients.dbf is in use");
    EXPECT_EQ(Snapshot(target.Folder()), before);
    (void)!::write(done[1], "q", 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    // Once the other process has closed it, the restore goes through.
    ASSERT_ADS_OK(RestoreFreeTables(target.Handle(), Backup(), target.Folder(), "secret"));
    EXPECT_EQ(Snapshot(target.Folder()), Snapshot(source.Folder()));
}

std::atomic<int> gAbortAfter{0};

UNSIGNED32 AbortWhenCounted()
{
    return --gAbortAfter <= 0 ? 1 : 0;
}

// The abort function is asked while the files are copied: an abort leaves
// the destination as it was, and no staging folder behind.
TEST_F(RestoreRefusal, AnAbortedRestoreLeavesTheDestinationAsItWas)
{
    gAbortAfter = 3;
    ASSERT_ADS_OK(AdsRegisterSQLAbortFunc(AbortWhenCounted));
    UNSIGNED32 result = RestoreFreeTables(target.Handle(), Backup(), target.Folder(), "secret");
    Reported error = LastError();
    AdsClearSQLAbortFunc();
    EXPECT_NE(result, AE_SUCCESS);
    EXPECT_NE(error.text.find("abort"), std::string::npos) << error.text;
    EXPECT_EQ(Snapshot(target.Folder()), before);
}

} // namespace
