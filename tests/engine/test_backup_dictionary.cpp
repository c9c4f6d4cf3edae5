// Dictionary backups and restores: the dictionary and its tables come back
// byte for byte under the destination's name, open through the restored
// dictionary, and a restore needs the administrator's password.
#include "test_backup_support.h"

#include <gtest/gtest.h>

#include <QDir>

using namespace apitest;
using namespace backuptest;

namespace {

const char* const kAdminPassword = "dux4827";

ADSHANDLE ConnectDictionary(const std::string& file)
{
    ADSHANDLE connection = 0;
    std::string text = "Data Source=" + file + ";User ID=AdsSys;Password=\"" + kAdminPassword + "\";";
    EXPECT_EQ(AdsConnect101(text.c_str(), nullptr, &connection), AE_SUCCESS) << LastError().text;
    return connection;
}

// The tool's dictionary restore script: source and destination dictionary
// files upper-cased, the password lower-cased.
UNSIGNED32 RunDictionaryRestore(ADSHANDLE connection, const std::string& source, const std::string& destination,
                                const std::string& password)
{
    std::string text = "DECLARE @Source String, @Destination String, @MotDePasse String;\n\n"
                       "DECLARE RestoreBackup Cursor AS EXECUTE PROCEDURE sp_RestoreDatabase(\n"
                       "@Source,\n@MotDePasse,\n@Destination,\nNULL );\n\n"
                       "@Destination = UPPER(" + Quoted(destination) + ");\n@MotDePasse = LOWER(" + Quoted(password)
                       + ");\n@Source = UPPER(" + Quoted(source) + ");\n\nOpen RestoreBackup;";
    return RunSql(connection, text);
}

class DictionaryBackup : public ::testing::Test {
public:
    void SetUp() override
    {
        root = work.path().toStdString();
        dictionary = root + "/data/compta.add";
        backup = root + "/WAUTOBACKUP/data";
        target = root + "/WVARNEL/data";
        for (const std::string& folder : {root + "/data/sub", backup, target})
            ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
        ADSHANDLE created = 0;
        ASSERT_ADS_OK(AdsDDCreate(dictionary.c_str(), kAdminPassword, "test", &created));
        ADSHANDLE folder = 0;
        ASSERT_ADS_OK(AdsConnect((root + "/data").c_str(), &folder));
        MakeTable(folder, "comptes", ADS_ADT, 120);
        MakeTable(folder, "sub/ecritures", ADS_CDX, 80);
        AdsDisconnect(folder);
        ASSERT_ADS_OK(AdsDDAddTable(created, "comptes", "comptes.adt", ADS_ADT, ADS_ANSI, "", ""));
        ASSERT_ADS_OK(AdsDDAddTable(created, "ecritures", "sub/ecritures.dbf", ADS_CDX, ADS_ANSI, "", ""));
        ASSERT_ADS_OK(RunSql(created, "EXECUTE PROCEDURE sp_BackupDatabase(" + Quoted(backup) + ", NULL)"));
        AdsDisconnect(created);
    }

    testsupport::TempFolder work;
    std::string root, dictionary, backup, target;
};

TEST_F(DictionaryBackup, TheRestoredDictionaryAndItsTablesAreTheBackedUpOnesAndOpen)
{
    auto original = Snapshot(root + "/data");
    auto backedUp = Snapshot(backup);
    backedUp.erase("varnel-backup.manifest");
    EXPECT_EQ(backedUp, original);

    ADSHANDLE free = 0;
    ASSERT_ADS_OK(AdsConnect(backup.c_str(), &free));
    ASSERT_ADS_OK(RunDictionaryRestore(free, backup + "/compta.add", target + "/compta.add", kAdminPassword));
    AdsDisconnect(free);
    EXPECT_EQ(Snapshot(target), original);

    ADSHANDLE restored = ConnectDictionary(target + "/compta.add");
    for (const auto& [name, records] : {std::pair<const char*, UNSIGNED32>{"comptes", 120}, {"ecritures", 80}}) {
        ADSHANDLE table = 0;
        ASSERT_ADS_OK(AdsOpenTable(restored, name, nullptr, ADS_DEFAULT_TABLE_TYPE, ADS_ANSI, ADS_PROPRIETARY_LOCKING,
                                   ADS_CHECKRIGHTS, 0, &table));
        UNSIGNED32 count = 0;
        ASSERT_ADS_OK(AdsGetRecordCount(table, ADS_IGNOREFILTERS, &count));
        EXPECT_EQ(count, records) << name;
        ADSHANDLE index = 0;
        EXPECT_ADS_OK(AdsGetIndexHandle(table, "BYNAME", &index));
        AdsCloseTable(table);
    }
    AdsDisconnect(restored);
}

TEST_F(DictionaryBackup, RestoresNeedTheAdministratorPasswordAndTheRightDictionary)
{
    WriteFile(target + "/keep.txt", "old");
    auto before = Snapshot(target);
    ADSHANDLE free = 0;
    ASSERT_ADS_OK(AdsConnect(backup.c_str(), &free));
    const struct {
        const char* label;
        std::string source;
        std::string password;
        UNSIGNED32 code;
        const char* fragment;
    } cases[] = {
        {"wrong password", backup + "/compta.add", "nope", AE_WRONG_PASSWORD, "administrator password"},
        {"another dictionary", backup + "/autre.add", kAdminPassword, AE_NOT_A_BACKUP, "holds the dictionary"},
        {"no backup folder", root + "/nowhere/compta.add", kAdminPassword, AE_PATH_NOT_FOUND, "does not exist"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ExpectFailure(RunDictionaryRestore(free, c.source, target + "/compta.add", c.password), c.code, c.fragment);
        EXPECT_EQ(Snapshot(target), before);
    }
    AdsDisconnect(free);
}

} // namespace
