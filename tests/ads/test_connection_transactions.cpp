// Transactions and savepoints through the connection, on real tables.
#include "tests/ads/test_connection_support.h"

#include "ads/adserror.h"

#include <cstring>

using namespace connection_test;

namespace {

// An ADT table "people" with one record, NAME = "Ann", open on the connection.
class PeopleTable {
public:
    explicit PeopleTable(TAdsConnection& connection)
    {
        EXPECT_EQ(ace::AdsCreateTable90(connection.Handle(), "people", nullptr, ADS_ADT, ADS_ANSI, 1, 1, 0,
                                        "NAME,Char,10;", 0, "", &mTable),
                  0u);
        EXPECT_EQ(ace::AdsAppendRecord(mTable), 0u);
        SetName("Ann");
    }
    ~PeopleTable() { ace::AdsCloseTable(mTable); }

    void SetName(const char* name)
    {
        EXPECT_EQ(ace::AdsGotoTop(mTable), 0u);
        EXPECT_EQ(ace::AdsSetString(mTable, "NAME", name, UNSIGNED32(std::strlen(name))), 0u);
        EXPECT_EQ(ace::AdsWriteRecord(mTable), 0u);
    }
    QString Name() const
    {
        EXPECT_EQ(ace::AdsGotoTop(mTable), 0u);
        char buffer[32] = {};
        UNSIGNED32 length = 31;
        EXPECT_EQ(ace::AdsGetField(mTable, "NAME", buffer, &length, ADS_TRIM), 0u);
        return QString::fromLatin1(buffer);
    }

private:
    ADSHANDLE mTable = 0;
};

struct EventLog {
    QStringList fired;
    void Attach(TAdsConnection& c)
    {
        auto note = [this](const char* name) { return [this, name](TObject*) { fired << name; }; };
        c.BeforeCommit = note("BeforeCommit");
        c.AfterCommit = note("AfterCommit");
        c.BeforeRollback = note("BeforeRollback");
        c.AfterRollback = note("AfterRollback");
    }
};

TEST(ConnectionTransactions, CommitKeepsAndRollbackUndoesWithTheirEvents)
{
    testsupport::TempFolder folder;
    auto connection = OpenOn(folder.path());
    PeopleTable people(*connection);
    EventLog log;
    log.Attach(*connection);

    EXPECT_FALSE(connection->TransactionActive());
    EXPECT_EQ(connection->TransactionCount(), 0);
    connection->BeginTransaction();
    EXPECT_TRUE(connection->TransactionActive());
    EXPECT_EQ(connection->TransactionCount(), 1);
    people.SetName("Bob");
    connection->Commit();
    EXPECT_FALSE(connection->TransactionActive());
    EXPECT_EQ(people.Name(), "Bob");

    connection->BeginTransaction();
    people.SetName("Zoe");
    ace::StartCallTrace();
    connection->Rollback();
    const auto calls = ace::StopCallTrace();
    EXPECT_EQ(Only(calls, {"AdsRollbackTransaction", "AdsRollbackTransaction80"}),
              QStringList({"AdsRollbackTransaction"}));
    EXPECT_EQ(people.Name(), "Bob");
    EXPECT_EQ(log.fired, QStringList({"BeforeCommit", "AfterCommit", "BeforeRollback", "AfterRollback"}));
}

TEST(ConnectionTransactions, SavepointsRollBackPartOfTheTransactionWithoutEvents)
{
    testsupport::TempFolder folder;
    auto connection = OpenOn(folder.path());
    PeopleTable people(*connection);
    EventLog log;
    log.Attach(*connection);
    connection->BeginTransaction();
    people.SetName("Bob");
    connection->CreateSavepoint("Half");
    people.SetName("Cy");
    ace::StartCallTrace();
    connection->Rollback("Half");
    const auto calls = ace::StopCallTrace();
    ASSERT_EQ(Functions(calls), QStringList({"AdsRollbackTransaction80"})) << Dump(calls);
    EXPECT_EQ(calls[0].arguments.mid(1), QStringList({"\"Half\"", "0"}));
    EXPECT_EQ(people.Name(), "Bob");
    EXPECT_TRUE(connection->TransactionActive());
    EXPECT_TRUE(log.fired.isEmpty());
    EXPECT_THROW(connection->Rollback("Unknown"), EADSDatabaseError);

    // An empty savepoint name is the whole rollback, events included.
    connection->Rollback("");
    EXPECT_EQ(people.Name(), "Ann");
    EXPECT_FALSE(connection->TransactionActive());
    EXPECT_EQ(log.fired, QStringList({"BeforeRollback", "AfterRollback"}));
}

TEST(ConnectionTransactions, EngineRefusalsCarryTheEngineText)
{
    testsupport::TempFolder folder;
    auto connection = OpenOn(folder.path());
    for (auto call : {&TAdsConnection::Commit, static_cast<void (TAdsConnection::*)()>(&TAdsConnection::Rollback)}) {
        try {
            (connection.get()->*call)();  // no transaction is open
            ADD_FAILURE() << "accepted without a transaction";
        } catch (const AdsError& error) {
            EXPECT_FALSE(error.Message().isEmpty());
        }
    }
    connection->BeginTransaction();
    EXPECT_THROW(connection->BeginTransaction(), AdsError) << "transactions do not nest";
    connection->Rollback();
}

TEST(ConnectionTransactions, AClosedConnectionRefusesTransactionsAndListings)
{
    TAdsConnection connection(nullptr);
    TStringList names;
    const std::function<void()> calls[] = {
        [&] { connection.BeginTransaction(); },
        [&] { connection.Commit(); },
        [&] { connection.Rollback(); },
        [&] { connection.Rollback("Point"); },
        [&] { connection.Rollback(""); },
        [&] { connection.CreateSavepoint("Point"); },
        [&] { (void)connection.TransactionActive(); },
        [&] { (void)connection.TransactionCount(); },
        [&] { connection.GetTableNames(&names, "*.adt"); },
        [&] { connection.GetTableAndLinkNames(&names, &names, "*.adt"); },
    };
    ace::StartCallTrace();
    for (const auto& call : calls)
        ExpectRaises<AdsConnectionError>(call, "No connection to database server.");
    EXPECT_TRUE(ace::StopCallTrace().empty()) << "nothing reaches the engine";
    EXPECT_FALSE(connection.IsConnected());
}

} // namespace
