// Backups and restores of free tables through the procedures: every table
// type comes back byte for byte and opens with its index, the restore
// script of the tool runs on upper-cased folders, and a backup replaces an
// older one in its folder.
#include "test_backup_support.h"

#include <gtest/gtest.h>

#include <QDir>

using namespace apitest;
using namespace backuptest;

namespace {

class BackupRoundTrip : public ::testing::TestWithParam<TableType> {};

UNSIGNED32 Count(ADSHANDLE table)
{
    UNSIGNED32 count = 0;
    EXPECT_ADS_OK(AdsGetRecordCount(table, ADS_IGNOREFILTERS, &count));
    return count;
}

// Opens the table, walks it in index order and checks the keys ascend.
void ExpectOpensWithIndex(ADSHANDLE connection, const std::string& name, UNSIGNED16 type, UNSIGNED32 records)
{
    ADSHANDLE table = OpenTable(connection, name, type);
    ASSERT_NE(table, 0u);
    EXPECT_EQ(Count(table), records);
    ADSHANDLE index = 0;
    ASSERT_ADS_OK(AdsGetIndexHandle(table, "BYNAME", &index));
    ASSERT_ADS_OK(AdsGotoTop(index));
    std::string previous;
    UNSIGNED32 seen = 0;
    for (UNSIGNED16 eof = 0; AdsAtEOF(index, &eof) == AE_SUCCESS && !eof; AdsSkip(index, 1)) {
        std::string name = FieldText(table, "NAME");
        EXPECT_LE(previous, name);
        previous = name;
        ++seen;
    }
    EXPECT_EQ(seen, records);
    EXPECT_ADS_OK(AdsCloseTable(table));
}

TEST_P(BackupRoundTrip, TheRestoredTableIsTheBackedUpOneByteForByteAndOpensWithItsIndex)
{
    const TableType& type = GetParam();
    FolderConnection data;
    testsupport::TempFolder backupFolder;
    const std::string backup = backupFolder.path().toStdString();
    MakeTable(data.Handle(), "clients", type.type, 300);
    MakeTable(data.Handle(), "orders", type.type, 40);
    auto original = Snapshot(data.Folder());

    ASSERT_ADS_OK(BackupFreeTables(data.Handle(), data.Folder(), backup, "secret"));
    auto backedUp = Snapshot(backup);
    ASSERT_TRUE(backedUp.count("varnel-backup.manifest"));
    for (const auto& [name, bytes] : original)
        EXPECT_EQ(backedUp[name], bytes) << name << " is not copied as it was";

    // Change one table, lose the other, then restore over both.
    ADSHANDLE clients = OpenTable(data.Handle(), "clients", type.type);
    ASSERT_ADS_OK(AdsGotoTop(clients));
    ASSERT_ADS_OK(AdsDeleteRecord(clients));
    ASSERT_ADS_OK(AdsAppendRecord(clients));
    ASSERT_ADS_OK(AdsSetField(clients, "NAME", "Changed", 7));
    ASSERT_ADS_OK(AdsWriteRecord(clients));
    ASSERT_ADS_OK(AdsCloseTable(clients));
    for (const auto& [name, bytes] : Only(original, "orders"))
        ASSERT_TRUE(QFile::remove(QString::fromStdString(data.File(name))));
    ASSERT_NE(Snapshot(data.Folder()), original);

    ASSERT_ADS_OK(RestoreFreeTables(data.Handle(), backup, data.Folder(), "secret"));
    EXPECT_EQ(Snapshot(data.Folder()), original);
    ExpectOpensWithIndex(data.Handle(), "clients", type.type, 300);
    ExpectOpensWithIndex(data.Handle(), "orders", type.type, 40);
}

INSTANTIATE_TEST_SUITE_P(TableTypes, BackupRoundTrip, ::testing::ValuesIn(kTableTypes),
                         [](const auto& info) { return std::string(info.param.label); });

// The tool's script upper-cases both folders and lower-cases the password;
// the folders are found again without regard to case.
TEST(BackupRestoreScript, RestoresIntoTheFolderTheUpperCasedNameDesignates)
{
    FolderConnection data;
    testsupport::TempFolder work;
    const std::string backup = work.path().toStdString() + "/Sauvegarde";
    const std::string target = work.path().toStdString() + "/Restauration";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(target)));
    MakeTable(data.Handle(), "Stock", ADS_CDX, 25);
    ASSERT_ADS_OK(BackupFreeTables(data.Handle(), data.Folder(), backup, "motdepasse"));

    ASSERT_ADS_OK(RunRestoreScript(data.Handle(), backup, target, "MotDePasse"));
    EXPECT_EQ(Snapshot(target), Snapshot(data.Folder()));
}

// A second backup into the same folder replaces the first one whole: the
// files of tables that are gone go with it.
TEST(BackupReplacement, ASecondBackupReplacesTheFirstInItsFolder)
{
    FolderConnection data;
    testsupport::TempFolder backupFolder;
    const std::string backup = backupFolder.path().toStdString();
    MakeTable(data.Handle(), "first", ADS_ADT, 10);
    MakeTable(data.Handle(), "second", ADS_ADT, 10);
    ASSERT_ADS_OK(BackupFreeTables(data.Handle(), data.Folder(), backup));
    ADSHANDLE table = OpenTable(data.Handle(), "second", ADS_ADT);
    ASSERT_ADS_OK(AdsCloseTable(table));
    for (const char* gone : {"second.adt", "second.adm", "second.adi"})
        ASSERT_TRUE(QFile::remove(QString::fromStdString(data.File(gone))));
    MakeTable(data.Handle(), "third", ADS_ADT, 5);

    ASSERT_ADS_OK(BackupFreeTables(data.Handle(), data.Folder(), backup));
    auto files = Snapshot(backup);
    EXPECT_FALSE(files.count("second.adt"));
    EXPECT_TRUE(files.count("first.adt"));
    EXPECT_TRUE(files.count("third.adt"));
    auto source = Snapshot(data.Folder());
    for (const auto& [name, bytes] : source)
        EXPECT_EQ(files[name], bytes) << name;
    EXPECT_EQ(files.size(), source.size() + 1); // the manifest
}

// The mask chooses the tables; a table's memo and index files go with it.
TEST(BackupMask, OnlyTheTablesTheMaskNamesAreBackedUpWithAllTheirFiles)
{
    FolderConnection data;
    testsupport::TempFolder backupFolder;
    MakeTable(data.Handle(), "keep", ADS_CDX, 5);
    MakeTable(data.Handle(), "skip", ADS_ADT, 5);
    ASSERT_ADS_OK(BackupFreeTables(data.Handle(), data.Folder(), backupFolder.path().toStdString(), "", "*.DBF"));
    auto files = Snapshot(backupFolder.path().toStdString());
    std::set<std::string> names;
    for (const auto& [name, bytes] : files)
        names.insert(name);
    EXPECT_EQ(names, (std::set<std::string>{"keep.cdx", "keep.dbf", "keep.fpt", "varnel-backup.manifest"}));
}

} // namespace
