// Editing, locking and exclusive opens through the C interface: between two
// connections of this process and between two processes.
#include "tests/engine/test_api_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <vector>

using namespace apitest;

namespace {

// Two connections on one folder holding a table NAMES with records a, b, c.
class TwoUsers {
public:
    explicit TwoUsers(UNSIGNED16 type = ADS_CDX) : mType(type)
    {
        ADSHANDLE created = CreateTable(mFirst.Handle(), "names", type, "NAME,Char,8;");
        AppendNames(created, {"a", "b", "c"});
        AdsCloseTable(created);
        std::string folder = mFirst.Folder();
        EXPECT_EQ(AdsConnect(folder.c_str(), &mSecond), AE_SUCCESS);
    }
    ~TwoUsers() { AdsDisconnect(mSecond); }

    ADSHANDLE First() const { return mFirst.Handle(); }
    ADSHANDLE Second() const { return mSecond; }
    UNSIGNED16 Type() const { return mType; }
    std::string Folder() const { return mFirst.Folder(); }

private:
    FolderConnection mFirst;
    ADSHANDLE mSecond = 0;
    UNSIGNED16 mType;
};

UNSIGNED32 SetName(ADSHANDLE table, const char* name)
{
    return AdsSetField(table, "NAME", name, UNSIGNED32(strlen(name)));
}

std::string NameOf(ADSHANDLE table, UNSIGNED32 recno)
{
    EXPECT_EQ(AdsGotoRecord(table, recno), AE_SUCCESS) << LastError().text;
    return FieldText(table, "NAME");
}

TEST(ApiEditing, AppendGivesTheNumberAtOnceAndCancelDropsTheRecord)
{
    TwoUsers users(ADS_ADT);
    ADSHANDLE table = OpenTable(users.First(), "names", ADS_ADT);
    ASSERT_ADS_OK(AdsAppendRecord(table));
    EXPECT_EQ(RecordNumber(table), 4u);
    ASSERT_ADS_OK(SetName(table, "gone"));
    ASSERT_ADS_OK(AdsCancelUpdate(table));
    UNSIGNED16 deleted = 0;
    ASSERT_ADS_OK(AdsIsRecordDeleted(table, &deleted));
    EXPECT_EQ(deleted, 1) << "a cancelled new record does not stay as a live blank record";
    ExpectFailure(AdsCancelUpdate(table), AE_NO_PENDING_UPDATE, "no pending change");
    ASSERT_ADS_OK(AdsGotoEOF(table));
    ExpectFailure(AdsCancelUpdate(table), AE_NO_CURRENT_RECORD, "no current record");
    AdsCloseTable(table);
}

TEST(ApiEditing, PendingChangesAreStoredBeforeTheCursorMoves)
{
    TwoUsers users;
    ADSHANDLE mine = OpenTable(users.First(), "names", users.Type());
    ADSHANDLE theirs = OpenTable(users.Second(), "names", users.Type());
    ASSERT_ADS_OK(AdsGotoRecord(mine, 2));
    ASSERT_ADS_OK(SetName(mine, "bee"));
    EXPECT_EQ(FieldText(mine, "NAME"), "bee") << "the own pending value reads back";
    EXPECT_EQ(NameOf(theirs, 2), "b") << "not stored yet";
    ASSERT_ADS_OK(AdsSkip(mine, 1));
    EXPECT_EQ(NameOf(theirs, 2), "bee");

    ASSERT_ADS_OK(AdsAppendRecord(mine));
    ASSERT_ADS_OK(SetName(mine, "dee"));
    ASSERT_ADS_OK(AdsGotoTop(mine));
    EXPECT_EQ(NameOf(theirs, 4), "dee");

    ASSERT_ADS_OK(AdsGotoRecord(mine, 1));
    ASSERT_ADS_OK(SetName(mine, "ay"));
    ASSERT_ADS_OK(AdsCancelUpdate(mine));
    EXPECT_EQ(FieldText(mine, "NAME"), "a");
    AdsCloseTable(mine);
    AdsCloseTable(theirs);
}

TEST(ApiEditing, RecordLocksHoldBetweenConnections)
{
    TwoUsers users;
    ADSHANDLE mine = OpenTable(users.First(), "names", users.Type());
    ADSHANDLE theirs = OpenTable(users.Second(), "names", users.Type());
    ASSERT_ADS_OK(AdsGotoRecord(mine, 2));
    ASSERT_ADS_OK(AdsLockRecord(mine, 0));
    ExpectFailure(AdsLockRecord(theirs, 2), AE_LOCK_CONFLICT, "names");
    EXPECT_ADS_OK(AdsLockRecord(theirs, 3)); // other records stay free

    // A write to the locked record is refused and the change stays pending.
    ASSERT_ADS_OK(AdsGotoRecord(theirs, 2));
    ASSERT_ADS_OK(SetName(theirs, "theirs"));
    ExpectFailure(AdsWriteRecord(theirs), AE_LOCK_CONFLICT, "names");
    EXPECT_EQ(FieldText(theirs, "NAME"), "theirs");
    ExpectFailure(AdsGotoTop(theirs), AE_LOCK_CONFLICT, "names");

    ASSERT_ADS_OK(AdsUnlockRecord(mine, 2));
    ASSERT_ADS_OK(AdsWriteRecord(theirs));
    EXPECT_EQ(NameOf(mine, 2), "theirs");

    ExpectFailure(AdsLockTable(mine), AE_LOCK_CONFLICT, "names"); // theirs still holds record 3
    ASSERT_ADS_OK(AdsUnlockRecord(theirs, 3));
    ASSERT_ADS_OK(AdsLockTable(mine));
    ExpectFailure(AdsLockRecord(theirs, 1), AE_LOCK_CONFLICT, "names");
    ExpectFailure(AdsLockTable(theirs), AE_LOCK_CONFLICT, "names");
    ASSERT_ADS_OK(AdsUnlockTable(mine));
    ExpectFailure(AdsUnlockTable(mine), AE_TABLE_NOT_LOCKED, "names");
    ExpectFailure(AdsLockRecord(mine, 9), AE_INVALID_RECORD_NUMBER, "record 9");
    AdsCloseTable(mine);
    AdsCloseTable(theirs);
}

TEST(ApiEditing, RecordLocksHoldBetweenProcesses)
{
    TwoUsers users;
    int ready[2], release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    std::string folder = users.Folder();
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The other process: lock record 1, say so, wait to be told to end.
        ADSHANDLE connection = 0, table = 0;
        char signal = AdsConnect(folder.c_str(), &connection) == AE_SUCCESS
                && AdsOpenTable(connection, "names", nullptr, ADS_CDX, ADS_ANSI, 1, 1, 0, &table) == AE_SUCCESS
                && AdsLockRecord(table, 1) == AE_SUCCESS
            ? 'L'
            : 'F';
        (void)!write(ready[1], &signal, 1);
        char done;
        (void)!read(release[0], &done, 1);
        _exit(0);
    }
    char signal = 0;
    ASSERT_EQ(read(ready[0], &signal, 1), 1);
    ASSERT_EQ(signal, 'L') << "the other process could not lock";
    ADSHANDLE table = OpenTable(users.First(), "names", ADS_CDX);
    ExpectFailure(AdsLockRecord(table, 1), AE_LOCK_CONFLICT, "names");
    ASSERT_ADS_OK(AdsGotoRecord(table, 1));
    ASSERT_ADS_OK(SetName(table, "mine"));
    ExpectFailure(AdsWriteRecord(table), AE_LOCK_CONFLICT, "names");
    (void)!write(release[1], "x", 1);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_ADS_OK(AdsWriteRecord(table)); // the lock went with the other process
    EXPECT_EQ(NameOf(table, 1), "mine");
    AdsCloseTable(table);
    for (int fd : {ready[0], ready[1], release[0], release[1]})
        close(fd);
}

TEST(ApiEditing, ExclusiveOpensRefuseOtherOpens)
{
    struct Case {
        UNSIGNED32 first;
        UNSIGNED32 second;
        UNSIGNED32 expected;
    };
    const Case cases[] = {
        {ADS_EXCLUSIVE, 0, AE_TABLE_IN_USE},
        {0, ADS_EXCLUSIVE, AE_TABLE_IN_USE},
        {ADS_EXCLUSIVE, ADS_READONLY, AE_TABLE_IN_USE},
        {0, 0, AE_SUCCESS},
        {ADS_READONLY, 0, AE_SUCCESS},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.first << " then " << c.second);
        TwoUsers users;
        ADSHANDLE first = OpenTable(users.First(), "names", users.Type(), c.first);
        ADSHANDLE second = 0;
        UNSIGNED32 result = AdsOpenTable(users.Second(), "names", nullptr, users.Type(), ADS_ANSI, 1, 1, c.second, &second);
        if (c.expected == AE_SUCCESS) {
            EXPECT_EQ(result, AE_SUCCESS) << LastError().text;
        } else {
            ExpectFailure(result, c.expected, "names");
            EXPECT_EQ(second, 0u);
        }
        AdsCloseTable(first);
    }
}

TEST(ApiEditing, ReadOnlyOpensRefuseChangesAndSaySo)
{
    TwoUsers users;
    ADSHANDLE table = OpenTable(users.First(), "names", users.Type(), ADS_READONLY);
    UNSIGNED32 options = 0;
    ASSERT_ADS_OK(AdsGetTableOpenOptions(table, &options));
    EXPECT_EQ(options & (ADS_READONLY | ADS_UPDATE_PERMISSION | ADS_INSERT_PERMISSION), UNSIGNED32(ADS_READONLY));
    UNSIGNED8 permissions = 0;
    ASSERT_ADS_OK(AdsGetColumnPermissions(table, "NAME", &permissions));
    EXPECT_EQ(permissions & (ADS_PERMISSION_UPDATE | ADS_PERMISSION_INSERT), 0);
    ASSERT_ADS_OK(AdsGotoTop(table));
    ExpectFailure(SetName(table, "x"), AE_TABLE_READ_ONLY, "read-only");
    ExpectFailure(AdsAppendRecord(table), AE_TABLE_READ_ONLY, "read-only");
    ExpectFailure(AdsDeleteRecord(table), AE_TABLE_READ_ONLY, "read-only");
    AdsCloseTable(table);

    table = OpenTable(users.First(), "names", users.Type(), ADS_EXCLUSIVE);
    ASSERT_ADS_OK(AdsGetTableOpenOptions(table, &options));
    EXPECT_EQ(options, UNSIGNED32(ADS_EXCLUSIVE | ADS_UPDATE_PERMISSION | ADS_INSERT_PERMISSION));
    AdsCloseTable(table);
}

TEST(ApiEditing, RecordChecksumShowsAnotherUsersChange)
{
    TwoUsers users;
    ADSHANDLE mine = OpenTable(users.First(), "names", users.Type());
    ADSHANDLE theirs = OpenTable(users.Second(), "names", users.Type());
    ASSERT_ADS_OK(AdsGotoRecord(mine, 1));
    UNSIGNED32 before = 0, again = 0, after = 0;
    ASSERT_ADS_OK(AdsGetRecordCRC(mine, &before, 0));
    ASSERT_ADS_OK(AdsGetRecordCRC(mine, &again, 0));
    EXPECT_EQ(before, again);
    ASSERT_ADS_OK(AdsGotoRecord(theirs, 1));
    ASSERT_ADS_OK(SetName(theirs, "changed"));
    ASSERT_ADS_OK(AdsWriteRecord(theirs));
    ASSERT_ADS_OK(AdsGetRecordCRC(mine, &after, 0));
    EXPECT_NE(before, after);
    AdsCloseTable(mine);
    AdsCloseTable(theirs);
}

TEST(ApiEditing, AutoincrementValuesAreReportedPerTable)
{
    FolderConnection connection;
    ADSHANDLE table = CreateTable(connection.Handle(), "auto", ADS_ADT, "ID,AutoInc;NAME,Char,4;");
    std::vector<UNSIGNED32> seen;
    for (int i = 0; i < 3; ++i) {
        ASSERT_ADS_OK(AdsAppendRecord(table));
        ASSERT_ADS_OK(AdsWriteRecord(table));
        UNSIGNED32 last = 0;
        ASSERT_ADS_OK(AdsGetLastAutoinc(table, &last));
        EXPECT_EQ(FieldText(table, "ID"), std::to_string(last));
        seen.push_back(last);
    }
    EXPECT_LT(seen[0], seen[1]);
    EXPECT_LT(seen[1], seen[2]);
    UNSIGNED8 permissions = 0;
    ASSERT_ADS_OK(AdsGetColumnPermissions(table, "ID", &permissions));
    EXPECT_EQ(permissions & ADS_PERMISSION_UPDATE, 0) << "the engine maintains autoincrement values";
    AdsCloseTable(table);
}

} // namespace
