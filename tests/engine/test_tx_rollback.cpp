// Transactions through the C interface on real tables of every type: what a
// rollback puts back, what a commit keeps, savepoints, and the state calls.
#include "tests/engine/test_tx_support.h"

#include <algorithm>

namespace {

using apitest::ExpectFailure;
using apitest::FolderConnection;
using namespace txtest;

// Changes, a delete and an append in `people`; a change and an append in
// `orders`. Leaves both cursors without a pending edit.
void ChangeBothTables(ADSHANDLE people, ADSHANDLE orders)
{
    ASSERT_ADS_OK(AdsGotoRecord(people, 1));
    SetText(people, "NAME", "Zoe");
    SetText(people, "NOTE", "a much longer note that needs new memo blocks of its own, longer than before");
    ASSERT_ADS_OK(AdsWriteRecord(people));
    ASSERT_ADS_OK(AdsGotoRecord(people, 2));
    ASSERT_ADS_OK(AdsDeleteRecord(people));
    AppendRow(people, "Abe", 9, "appended");
    ASSERT_ADS_OK(AdsGotoRecord(orders, 3));
    ASSERT_ADS_OK(AdsSetDouble(orders, "AMOUNT", 333));
    SetText(orders, "NOTE", "changed");
    ASSERT_ADS_OK(AdsWriteRecord(orders));
    AppendRow(orders, "Ada", 7, "");
}

TEST(TxRollback, RestoresChangesDeletesAndAppendsInEveryTableWithTheirIndexes)
{
    for (UNSIGNED16 type : kTypes) {
        SCOPED_TRACE(indextest::TypeName(type));
        FolderConnection connection;
        ADSHANDLE peopleByName = 0, ordersByName = 0;
        ADSHANDLE people = SeededTable(connection.Handle(), "people", type, &peopleByName);
        ADSHANDLE orders = SeededTable(connection.Handle(), "orders", type, &ordersByName);
        // A record deleted before the transaction must come back deleted.
        ASSERT_ADS_OK(AdsGotoRecord(orders, 2));
        ASSERT_ADS_OK(AdsDeleteRecord(orders));
        const std::vector<std::string> peopleBefore = Snapshot(people);
        const std::vector<std::string> ordersBefore = Snapshot(orders);

        ASSERT_ADS_OK(AdsBeginTransaction(connection.Handle()));
        ChangeBothTables(people, orders);
        ASSERT_ADS_OK(AdsGotoRecord(orders, 2));
        ASSERT_ADS_OK(AdsRecallRecord(orders));
        ASSERT_NE(Snapshot(people), peopleBefore);
        ASSERT_ADS_OK(AdsRollbackTransaction(connection.Handle()));

        // The appended records stay as numbers but are deleted.
        std::vector<std::string> peopleAfter = Snapshot(people);
        std::vector<std::string> ordersAfter = Snapshot(orders);
        ASSERT_EQ(peopleAfter.size(), peopleBefore.size() + 1);
        EXPECT_EQ(peopleAfter.back(), "Abe|9.00|appended|deleted");
        peopleAfter.pop_back();
        EXPECT_EQ(peopleAfter, peopleBefore);
        ASSERT_EQ(ordersAfter.size(), ordersBefore.size() + 1);
        EXPECT_EQ(ordersAfter.back().substr(ordersAfter.back().rfind('|')), "|deleted");
        ordersAfter.pop_back();
        EXPECT_EQ(ordersAfter, ordersBefore);

        EXPECT_EQ(IndexedNames(people, peopleByName), (std::vector<std::string>{"Ann", "Bob", "Cid"}));
        EXPECT_EQ(IndexedNames(orders, ordersByName), (std::vector<std::string>{"Ann", "Cid"}));
        EXPECT_FALSE(InTransaction(connection.Handle()));
    }
}

TEST(TxRollback, CommitKeepsEveryChangeAndEndsTheTransaction)
{
    for (UNSIGNED16 type : kTypes) {
        SCOPED_TRACE(indextest::TypeName(type));
        FolderConnection connection;
        ADSHANDLE peopleByName = 0, ordersByName = 0;
        ADSHANDLE people = SeededTable(connection.Handle(), "people", type, &peopleByName);
        ADSHANDLE orders = SeededTable(connection.Handle(), "orders", type, &ordersByName);
        ASSERT_ADS_OK(AdsBeginTransaction(connection.Handle()));
        ChangeBothTables(people, orders);
        const std::vector<std::string> peopleChanged = Snapshot(people);
        const std::vector<std::string> ordersChanged = Snapshot(orders);
        ASSERT_ADS_OK(AdsCommitTransaction(connection.Handle()));
        EXPECT_FALSE(InTransaction(connection.Handle()));
        // A rollback after the commit has nothing to undo.
        ExpectFailure(AdsRollbackTransaction(connection.Handle()), AE_NO_TRANSACTION, "no transaction");

        EXPECT_EQ(Snapshot(people), peopleChanged);
        EXPECT_EQ(Snapshot(orders), ordersChanged);
        EXPECT_EQ(peopleChanged[1], "Bob|2.00|Bob's note|deleted");
        EXPECT_EQ(IndexedNames(people, peopleByName), (std::vector<std::string>{"Abe", "Cid", "Zoe"}));
    }
}

TEST(TxRollback, SavepointKeepsWhatCameBeforeIt)
{
    for (UNSIGNED16 type : kTypes) {
        SCOPED_TRACE(indextest::TypeName(type));
        FolderConnection connection;
        ADSHANDLE byName = 0;
        ADSHANDLE people = SeededTable(connection.Handle(), "people", type, &byName);
        const std::vector<std::string> original = Snapshot(people);

        ASSERT_ADS_OK(AdsBeginTransaction(connection.Handle()));
        ASSERT_ADS_OK(AdsGotoRecord(people, 1));
        SetText(people, "NAME", "Amy");
        SetText(people, "NOTE", "before the savepoint");
        ASSERT_ADS_OK(AdsWriteRecord(people));
        ASSERT_ADS_OK(AdsCreateSavepoint(connection.Handle(), "beforeMore", 0));
        const std::vector<std::string> atSavepoint = Snapshot(people);

        // The same record again, another one, a delete and an append.
        ASSERT_ADS_OK(AdsGotoRecord(people, 1));
        SetText(people, "NAME", "Ava");
        SetText(people, "NOTE", "after the savepoint");
        ASSERT_ADS_OK(AdsWriteRecord(people));
        ASSERT_ADS_OK(AdsGotoRecord(people, 3));
        ASSERT_ADS_OK(AdsDeleteRecord(people));
        AppendRow(people, "Eve", 5, "late");

        ExpectFailure(AdsRollbackTransaction80(connection.Handle(), "nosuch", 0), AE_SAVEPOINT_NOT_FOUND, "nosuch");
        ASSERT_ADS_OK(AdsRollbackTransaction80(connection.Handle(), "BEFOREMORE", 0));
        EXPECT_TRUE(InTransaction(connection.Handle()));
        std::vector<std::string> rolledBack = Snapshot(people);
        ASSERT_EQ(rolledBack.size(), atSavepoint.size() + 1);
        EXPECT_EQ(rolledBack.back(), "Eve|5.00|late|deleted");
        rolledBack.pop_back();
        EXPECT_EQ(rolledBack, atSavepoint);
        EXPECT_EQ(IndexedNames(people, byName), (std::vector<std::string>{"Amy", "Bob", "Cid"}));

        // The savepoint survives its own rollback; the full rollback then
        // goes back to before the transaction.
        ASSERT_ADS_OK(AdsRollbackTransaction80(connection.Handle(), "beforeMore", 0));
        ASSERT_ADS_OK(AdsRollbackTransaction80(connection.Handle(), "", 0));
        EXPECT_FALSE(InTransaction(connection.Handle()));
        rolledBack = Snapshot(people);
        rolledBack.pop_back();
        EXPECT_EQ(rolledBack, original);
        EXPECT_EQ(IndexedNames(people, byName), (std::vector<std::string>{"Ann", "Bob", "Cid"}));
    }
}

TEST(TxRollback, StateCallsFollowTheTransactionAndMisuseIsRefused)
{
    FolderConnection connection;
    ADSHANDLE c = connection.Handle();
    EXPECT_FALSE(InTransaction(c));
    EXPECT_EQ(TransactionCount(c), 0u);
    ExpectFailure(AdsCommitTransaction(c), AE_NO_TRANSACTION, "AdsCommitTransaction");
    ExpectFailure(AdsCreateSavepoint(c, "early", 0), AE_NO_TRANSACTION, "AdsCreateSavepoint");

    ASSERT_ADS_OK(AdsBeginTransaction(c));
    EXPECT_TRUE(InTransaction(c));
    EXPECT_EQ(TransactionCount(c), 1u);
    ExpectFailure(AdsBeginTransaction(c), AE_TRANSACTION_ACTIVE, "already open");
    ExpectFailure(AdsCreateSavepoint(c, "", 0), AE_INVALID_ARGUMENT, "savepoint name");
    ExpectFailure(AdsCreateSavepoint(c, nullptr, 0), AE_INVALID_ARGUMENT, "savepoint name");
    EXPECT_TRUE(InTransaction(c)) << "a refused call leaves the transaction open";

    // Another connection has its own state.
    FolderConnection other;
    EXPECT_FALSE(InTransaction(other.Handle()));
    ASSERT_ADS_OK(AdsBeginTransaction(other.Handle()));
    ASSERT_ADS_OK(AdsCommitTransaction(other.Handle()));

    ASSERT_ADS_OK(AdsCommitTransaction(c));
    EXPECT_EQ(TransactionCount(c), 0u);
    ExpectFailure(AdsBeginTransaction(0), AE_INVALID_CONNECTION_HANDLE, "AdsBeginTransaction");
}

TEST(TxRollback, DisconnectRollsBackAnOpenTransactionWithItsPendingEdit)
{
    for (UNSIGNED16 type : kTypes) {
        SCOPED_TRACE(indextest::TypeName(type));
        FolderConnection reader;
        ADSHANDLE writer = 0;
        ASSERT_ADS_OK(AdsConnect(reader.Folder().c_str(), &writer));
        ADSHANDLE byName = 0;
        ADSHANDLE people = SeededTable(writer, "people", type, &byName);
        const std::vector<std::string> original = Snapshot(people);
        ASSERT_ADS_OK(AdsBeginTransaction(writer));
        ASSERT_ADS_OK(AdsGotoRecord(people, 2));
        SetText(people, "NAME", "Bea");
        ASSERT_ADS_OK(AdsWriteRecord(people));
        // Left pending: closing the table must not store it afterwards.
        ASSERT_ADS_OK(AdsGotoRecord(people, 3));
        SetText(people, "NAME", "Cal");
        ASSERT_ADS_OK(AdsDisconnect(writer));

        ADSHANDLE again = apitest::OpenTable(reader.Handle(), "people", type);
        EXPECT_EQ(Snapshot(again), original);
    }
}

// What the journal cannot undo is refused while a transaction is open; a
// table closed inside one stays reachable until the transaction ends.
TEST(TxRollback, UndoableWorkIsRefusedAndClosedTablesAreStillRolledBack)
{
    FolderConnection connection;
    ADSHANDLE c = connection.Handle();
    ADSHANDLE byName = 0;
    ADSHANDLE people = SeededTable(c, "people", ADS_ADT, &byName);
    ADSHANDLE copy = apitest::CreateTable(c, "copy", ADS_ADT, kFields);
    ASSERT_ADS_OK(AdsCloseTable(people));
    people = apitest::OpenTable(c, "people", ADS_ADT, ADS_EXCLUSIVE);
    const std::vector<std::string> original = Snapshot(people);

    ASSERT_ADS_OK(AdsBeginTransaction(c));
    struct Case {
        const char* function;
        UNSIGNED32 result;
    };
    const Case refused[] = {
        {"AdsPackTable", AdsPackTable(people)},
        {"AdsZapTable", AdsZapTable(people)},
        {"AdsCopyTableContents", AdsCopyTableContents(people, copy, ADS_IGNOREFILTERS)},
    };
    for (const Case& r : refused) {
        SCOPED_TRACE(r.function);
        EXPECT_EQ(r.result, AE_TRANSACTION_ACTIVE);
    }
    EXPECT_EQ(Snapshot(people), original) << "nothing was packed, zapped or lost";
    UNSIGNED32 copied = 99;
    ASSERT_ADS_OK(AdsGetRecordCount(copy, ADS_IGNOREFILTERS, &copied));
    EXPECT_EQ(copied, 0u);

    ASSERT_ADS_OK(AdsGotoRecord(people, 2));
    SetText(people, "NAME", "Bix");
    SetText(people, "NOTE", "changed before the table was closed");
    ASSERT_ADS_OK(AdsWriteRecord(people));
    ASSERT_ADS_OK(AdsCloseTable(people));
    ASSERT_ADS_OK(AdsRollbackTransaction(c));
    EXPECT_FALSE(InTransaction(c));

    // The rollback closed the table for good: an exclusive open succeeds.
    people = apitest::OpenTable(c, "people", ADS_ADT, ADS_EXCLUSIVE);
    EXPECT_EQ(Snapshot(people), original);
    ASSERT_ADS_OK(AdsPackTable(people));
}

} // namespace
