// Record and table locks and exclusive opens, between two Table objects of
// one process and between two processes.
#include "tests/engine/test_storage_support.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>

using namespace storage;
using storagetest::Path;

namespace {

// Whether `action` is refused with `code`.
template <typename Action>
bool RefusedWith(uint32_t code, Action action)
{
    try {
        action();
        return false;
    } catch (const StorageError& e) {
        return e.Code() == code;
    }
}

std::string MakeTable(const testsupport::TempFolder& folder, TableKind kind, int records)
{
    std::string name = Path(folder, "locks");
    auto table = Table::Create(name, kind, "A,Char,4;");
    for (int i = 0; i < records; ++i) {
        std::vector<uint8_t> image = table->Layout().BlankRecord();
        table->AppendRecord(image.data());
    }
    return name;
}

class StorageLocks : public ::testing::TestWithParam<TableKind> {};

TEST_P(StorageLocks, RecordAndTableLocksConflictBetweenTwoTableObjects)
{
    testsupport::TempFolder folder;
    std::string name = MakeTable(folder, GetParam(), 3);
    auto first = Table::Open(name, GetParam());
    auto second = Table::Open(name, GetParam());

    first->LockRecord(1);
    first->LockRecord(1); // again: already held
    EXPECT_TRUE(RefusedWith(kErrLockConflict, [&] { second->LockRecord(1); }));
    second->LockRecord(2); // another record is free
    EXPECT_TRUE(RefusedWith(kErrLockConflict, [&] { first->LockTable(); }));
    EXPECT_TRUE(RefusedWith(kErrLockConflict, [&] { second->LockTable(); }));
    second->UnlockRecord(2);
    // The holder of record locks may lock the table itself; then nobody else
    // gets any lock until it lets go of both.
    first->LockTable();
    EXPECT_TRUE(RefusedWith(kErrLockConflict, [&] { second->LockRecord(3); }));
    first->UnlockTable();
    EXPECT_TRUE(first->IsRecordLocked(1));
    EXPECT_TRUE(RefusedWith(kErrLockConflict, [&] { second->LockRecord(1); }));
    EXPECT_TRUE(RefusedWith(kErrLockConflict, [&] { second->LockTable(); }));
    second->LockRecord(3);
    EXPECT_TRUE(RefusedWith(kErrTableNotLocked, [&] { first->UnlockTable(); }));
    EXPECT_TRUE(RefusedWith(kErrInvalidRecordNumber, [&] { first->LockRecord(4); }));

    first.reset(); // closing releases everything first held
    second->LockRecord(1);
    second->UnlockRecord(1);
    second->UnlockRecord(3);
    second->LockTable();
}

TEST_P(StorageLocks, ExclusiveOpensRefuseAndAreRefusedByOtherOpens)
{
    testsupport::TempFolder folder;
    std::string name = MakeTable(folder, GetParam(), 1);
    OpenOptions exclusive;
    exclusive.exclusive = true;
    {
        auto shared = Table::Open(name, GetParam());
        EXPECT_TRUE(RefusedWith(kErrTableInUse, [&] { Table::Open(name, GetParam(), exclusive); }));
    }
    auto owner = Table::Open(name, GetParam(), exclusive);
    EXPECT_TRUE(RefusedWith(kErrTableInUse, [&] { Table::Open(name, GetParam()); }));
    EXPECT_TRUE(RefusedWith(kErrTableInUse, [&] { Table::Open(name, GetParam(), exclusive); }));
    owner.reset();
    Table::Open(name, GetParam());

    OpenOptions readOnly;
    readOnly.readOnly = true;
    readOnly.exclusive = true;
    auto reader = Table::Open(name, GetParam(), readOnly);
    EXPECT_TRUE(RefusedWith(kErrTableInUse, [&] { Table::Open(name, GetParam()); }));
    std::vector<uint8_t> image = reader->ReadRecord(1);
    EXPECT_TRUE(RefusedWith(kErrReadOnly, [&] { reader->DeleteRecord(1); }));
    EXPECT_TRUE(RefusedWith(kErrReadOnly, [&] { reader->WriteRecord(1, image.data()); }));
    EXPECT_TRUE(RefusedWith(kErrReadOnly, [&] { reader->AppendRecord(image.data()); }));
}

INSTANTIATE_TEST_SUITE_P(Kinds, StorageLocks, ::testing::Values(TableKind::CDX, TableKind::ADT),
                         [](const auto& info) { return info.param == TableKind::ADT ? "ADT" : "CDX"; });

// A child process takes locks and reports back through a pipe; the parent
// checks them while the child holds them, then lets the child go.
struct Child {
    pid_t pid = -1;
    int toParent = -1;
    int toChild = -1;

    char Read() const
    {
        char c = 0;
        return ::read(toParent, &c, 1) == 1 ? c : '?';
    }
    void Release() const
    {
        char c = 'q';
        ::write(toChild, &c, 1);
    }
    int Wait() const
    {
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

template <typename Body>
Child Fork(Body body)
{
    int up[2], down[2];
    if (::pipe(up) != 0 || ::pipe(down) != 0)
        return {};
    pid_t pid = ::fork();
    if (pid == 0) {
        ::close(up[0]);
        ::close(down[1]);
        char result = 'e';
        std::unique_ptr<Table> held;
        try {
            held = body();
            result = 'l';
        } catch (...) {
        }
        (void)!::write(up[1], &result, 1);
        char c;
        (void)!::read(down[0], &c, 1);
        held.reset();
        ::_exit(0);
    }
    ::close(up[1]);
    ::close(down[0]);
    return {pid, up[0], down[1]};
}

TEST(StorageLocksBetweenProcesses, RecordTableAndExclusiveLocksHoldAcrossFork)
{
    testsupport::TempFolder folder;
    std::string name = MakeTable(folder, TableKind::VFP, 2);
    {
        Child child = Fork([&] {
            auto table = Table::Open(name, TableKind::VFP);
            table->LockRecord(2);
            return table;
        });
        ASSERT_EQ(child.Read(), 'l');
        auto table = Table::Open(name, TableKind::VFP);
        EXPECT_TRUE(RefusedWith(kErrLockConflict, [&] { table->LockRecord(2); }));
        EXPECT_TRUE(RefusedWith(kErrLockConflict, [&] { table->LockTable(); }));
        table->LockRecord(1);
        child.Release();
        EXPECT_EQ(child.Wait(), 0);
        table->LockRecord(2);
    }
    {
        Child child = Fork([&] {
            OpenOptions exclusive;
            exclusive.exclusive = true;
            return Table::Open(name, TableKind::VFP, exclusive);
        });
        ASSERT_EQ(child.Read(), 'l');
        EXPECT_TRUE(RefusedWith(kErrTableInUse, [&] { Table::Open(name, TableKind::VFP); }));
        child.Release();
        EXPECT_EQ(child.Wait(), 0);
    }
    {
        // Appends of another process show up in this one's record count.
        auto table = Table::Open(name, TableKind::VFP);
        Child child = Fork([&] {
            auto other = Table::Open(name, TableKind::VFP);
            std::vector<uint8_t> image = other->Layout().BlankRecord();
            other->Layout().SetText(0, image.data(), "kid");
            other->AppendRecord(image.data());
            return other;
        });
        ASSERT_EQ(child.Read(), 'l');
        ASSERT_EQ(table->RecordCount(), 3u);
        EXPECT_EQ(table->Layout().GetText(0, table->ReadRecord(3).data()), "kid");
        child.Release();
        EXPECT_EQ(child.Wait(), 0);
    }
}

// Appends of two Table objects at the same time (one per thread) lose no
// record and never give an autoincrement value twice.
TEST(StorageConcurrentAppends, NeitherLoseRecordsNorRepeatAutoincValues)
{
    testsupport::TempFolder folder;
    std::string name = Path(folder, "busy");
    Table::Create(name, TableKind::VFP, "ID,AutoInc;WHO,Char,1;");
    constexpr int kEach = 1000;
    auto appender = [&](const char* who) {
        auto table = Table::Open(name, TableKind::VFP);
        for (int i = 0; i < kEach; ++i) {
            std::vector<uint8_t> image = table->Layout().BlankRecord();
            table->Layout().SetText(1, image.data(), who);
            table->AppendRecord(image.data());
        }
    };
    std::thread first(appender, "a"), second(appender, "b");
    first.join();
    second.join();
    auto table = Table::Open(name, TableKind::VFP);
    ASSERT_EQ(table->RecordCount(), uint32_t(2 * kEach));
    std::set<int64_t> ids;
    int fromA = 0;
    for (uint32_t recno = 1; recno <= table->RecordCount(); ++recno) {
        std::vector<uint8_t> image = table->ReadRecord(recno);
        ids.insert(table->Layout().GetInteger(0, image.data()));
        fromA += table->Layout().GetText(1, image.data()) == "a";
    }
    EXPECT_EQ(ids.size(), size_t(2 * kEach));
    EXPECT_EQ(*ids.begin(), 1);
    EXPECT_EQ(*ids.rbegin(), 2 * kEach);
    EXPECT_EQ(fromA, kEach);
}

} // namespace
