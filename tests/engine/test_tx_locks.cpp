// Record locks taken for changes inside a transaction hold until it ends, so
// another connection can neither lock nor overwrite what a rollback would put
// back.
#include "tests/engine/test_tx_support.h"

namespace {

using apitest::ExpectFailure;
using apitest::FolderConnection;
using namespace txtest;

enum class End { Commit, Rollback };

TEST(TxLocks, ChangedAndAppendedRecordsStayLockedUntilTheTransactionEnds)
{
    for (UNSIGNED16 type : kTypes) {
        for (End end : {End::Commit, End::Rollback}) {
            SCOPED_TRACE(std::string(indextest::TypeName(type)) + (end == End::Commit ? " commit" : " rollback"));
            FolderConnection first;
            ADSHANDLE byName = 0;
            ADSHANDLE mine = SeededTable(first.Handle(), "people", type, &byName);
            ASSERT_ADS_OK(AdsCloseTable(mine));
            mine = apitest::OpenTable(first.Handle(), "people", type);
            FolderConnection second;
            ADSHANDLE connection2 = 0;
            ASSERT_ADS_OK(AdsConnect(first.Folder().c_str(), &connection2));
            ADSHANDLE theirs = apitest::OpenTable(connection2, "people", type);

            ASSERT_ADS_OK(AdsBeginTransaction(first.Handle()));
            ASSERT_ADS_OK(AdsGotoRecord(mine, 1));
            SetText(mine, "NAME", "Mia");
            ASSERT_ADS_OK(AdsWriteRecord(mine));
            AppendRow(mine, "New", 4, "");
            ASSERT_ADS_OK(AdsGotoRecord(mine, 2));
            ASSERT_ADS_OK(AdsDeleteRecord(mine));

            for (UNSIGNED32 recno : {1u, 2u, 4u}) {
                SCOPED_TRACE(recno);
                ExpectFailure(AdsLockRecord(theirs, recno), AE_LOCK_CONFLICT, "");
                ASSERT_ADS_OK(AdsGotoRecord(theirs, recno));
                SetText(theirs, "NAME", "Theirs");
                EXPECT_EQ(AdsWriteRecord(theirs), AE_LOCK_CONFLICT);
                ASSERT_ADS_OK(AdsCancelUpdate(theirs));
            }
            // A record the transaction did not touch is free.
            ASSERT_ADS_OK(AdsLockRecord(theirs, 3));
            ASSERT_ADS_OK(AdsUnlockRecord(theirs, 3));

            ASSERT_ADS_OK(end == End::Commit ? AdsCommitTransaction(first.Handle())
                                             : AdsRollbackTransaction(first.Handle()));
            for (UNSIGNED32 recno : {1u, 2u, 4u}) {
                SCOPED_TRACE(recno);
                EXPECT_ADS_OK(AdsLockRecord(theirs, recno));
                EXPECT_ADS_OK(AdsUnlockRecord(theirs, recno));
            }
            ASSERT_ADS_OK(AdsGotoRecord(theirs, 1));
            EXPECT_EQ(FieldText(theirs, "NAME"), end == End::Commit ? "Mia" : "Ann");
            ASSERT_ADS_OK(AdsDisconnect(connection2));
        }
    }
}

} // namespace
