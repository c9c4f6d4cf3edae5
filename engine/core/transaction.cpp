#include "engine/core/transaction.h"

#include "engine/core/cursor.h"
#include "engine/core/errors.h"
#include "engine/engine.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <map>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

namespace engine {

namespace {

// The state of one record before the first change of a savepoint segment.
struct JournalEntry {
    std::shared_ptr<Cursor> cursor;
    std::string table; // for messages, kept in case the cursor closes
    uint32_t recno = 0;
    bool appended = false;
    RecordBeforeImage before;
};

struct Savepoint {
    std::string name;
    size_t position = 0; // journal entries before it
};

using RecordKey = std::pair<std::string, uint32_t>; // table file, record

struct Transaction {
    std::vector<JournalEntry> journal;
    // Records already journaled since the last savepoint.
    std::set<RecordKey> segmentSeen;
    std::vector<Savepoint> savepoints;
    std::vector<std::pair<std::shared_ptr<Cursor>, uint32_t>> heldLocks;
    // Cursors closed by their callers while the transaction was open.
    std::vector<std::shared_ptr<Cursor>> deferredCloses;
};

std::mutex gMutex;
std::map<ADSHANDLE, Transaction> gTransactions;

bool SameName(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper((unsigned char)x) == std::toupper((unsigned char)y);
           });
}

Transaction& OpenTransaction(ADSHANDLE connection, const char* function)
{
    auto it = gTransactions.find(connection);
    if (it == gTransactions.end())
        throw EngineError(AE_NO_TRANSACTION, std::string(function) + ": no transaction is open on connection "
                                                 + std::to_string(connection) + ".");
    return it->second;
}

std::shared_ptr<Cursor> SharedCursor(Cursor& cursor)
{
    std::shared_ptr<HandleObject> object = HandleRegistry::Instance().Find(cursor.Handle());
    if (object.get() != &cursor)
        throw EngineError(AE_INTERNAL_ERROR, "A change of " + cursor.TableName()
                                                 + " inside a transaction came from a cursor without a handle.");
    return std::static_pointer_cast<Cursor>(object);
}

// Journals `recno` unless this segment has it already; false when the
// connection has no transaction.
bool Journal(Cursor& cursor, uint32_t recno, bool appended)
{
    std::lock_guard<std::mutex> lock(gMutex);
    auto it = gTransactions.find(cursor.ConnectionHandle());
    if (it == gTransactions.end())
        return false;
    Transaction& transaction = it->second;
    if (!transaction.segmentSeen.insert({cursor.Table().FileName(), recno}).second)
        return true;
    JournalEntry entry;
    entry.cursor = SharedCursor(cursor);
    entry.table = cursor.TableName();
    entry.recno = recno;
    entry.appended = appended;
    if (!appended)
        entry.before = cursor.BeforeImage(recno);
    transaction.journal.push_back(std::move(entry));
    return true;
}

std::string Describe(const JournalEntry& entry)
{
    return "record " + std::to_string(entry.recno) + " of " + entry.table;
}

// Puts one record back; the failure text, or "" when it was restored.
std::string Undo(const JournalEntry& entry)
{
    std::lock_guard<std::mutex> lock(entry.cursor->Mutex());
    try {
        if (entry.cursor->IsClosed())
            return Describe(entry) + " (its table was closed before the rollback)";
        entry.cursor->DropPendingEdit();
        if (entry.appended)
            entry.cursor->UndoAppend(entry.recno);
        else
            entry.cursor->RestoreBeforeImage(entry.recno, entry.before);
        return "";
    } catch (const std::exception& error) {
        return Describe(entry) + " (" + error.what() + ")";
    }
}

// Undoes the entries newest first; every one is tried, and the ones that
// fail are reported together afterwards.
void UndoAll(std::vector<JournalEntry> entries, const char* function)
{
    std::vector<std::string> failures;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        std::string failure = Undo(*it);
        if (!failure.empty())
            failures.push_back(failure);
    }
    if (failures.empty())
        return;
    std::string text = std::string(function) + ": the rollback could not restore ";
    for (size_t i = 0; i < failures.size(); ++i)
        text += (i ? "; " : "") + failures[i];
    throw EngineError(AE_ROLLBACK_INCOMPLETE, text + ".");
}

void ReleaseLocks(const Transaction& transaction)
{
    for (const auto& [cursor, recno] : transaction.heldLocks) {
        std::lock_guard<std::mutex> lock(cursor->Mutex());
        try {
            cursor->ReleaseRecordLock(recno);
        } catch (...) {
            // A table closed meanwhile has released its locks with it.
        }
    }
}

// The closes the transaction held back; each is tried, the first failure
// raised after the others ran.
void FinishCloses(const Transaction& transaction)
{
    std::exception_ptr firstFailure;
    for (const auto& cursor : transaction.deferredCloses) {
        try {
            cursor->Close();
        } catch (...) {
            if (!firstFailure)
                firstFailure = std::current_exception();
        }
    }
    if (firstFailure)
        std::rethrow_exception(firstFailure);
}

void EndTransaction(const Transaction& transaction)
{
    ReleaseLocks(transaction);
    FinishCloses(transaction);
}

Transaction TakeTransaction(ADSHANDLE connection, const char* function)
{
    std::lock_guard<std::mutex> lock(gMutex);
    Transaction taken = std::move(OpenTransaction(connection, function));
    gTransactions.erase(connection);
    return taken;
}

void EndWithRollback(Transaction transaction, const char* function)
{
    try {
        UndoAll(std::move(transaction.journal), function);
    } catch (...) {
        EndTransaction(transaction);
        throw;
    }
    EndTransaction(transaction);
}

} // namespace

void BeginTransaction(ADSHANDLE connection, const char* function)
{
    std::lock_guard<std::mutex> lock(gMutex);
    if (gTransactions.count(connection))
        throw EngineError(AE_TRANSACTION_ACTIVE, std::string(function) + ": a transaction is already open on "
                                                     "connection " + std::to_string(connection) + ".");
    gTransactions[connection];
}

void CommitTransaction(ADSHANDLE connection, const char* function)
{
    EndTransaction(TakeTransaction(connection, function));
}

void RollbackTransaction(ADSHANDLE connection, const char* function)
{
    EndWithRollback(TakeTransaction(connection, function), function);
}

void RollbackToSavepoint(ADSHANDLE connection, const std::string& savepoint, const char* function)
{
    std::vector<JournalEntry> undone;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        Transaction& transaction = OpenTransaction(connection, function);
        auto it = std::find_if(transaction.savepoints.begin(), transaction.savepoints.end(),
                               [&](const Savepoint& s) { return SameName(s.name, savepoint); });
        if (it == transaction.savepoints.end())
            throw EngineError(AE_SAVEPOINT_NOT_FOUND, std::string(function) + ": the transaction has no savepoint "
                                                          + savepoint + ".");
        auto from = transaction.journal.begin() + std::ptrdiff_t(it->position);
        undone.assign(std::make_move_iterator(from), std::make_move_iterator(transaction.journal.end()));
        transaction.journal.erase(from, transaction.journal.end());
        transaction.savepoints.erase(it + 1, transaction.savepoints.end());
        transaction.segmentSeen.clear();
    }
    UndoAll(std::move(undone), function);
}

void CreateSavepoint(ADSHANDLE connection, const std::string& savepoint, const char* function)
{
    RequireArgument(!savepoint.empty(), function, "the savepoint name is empty");
    std::lock_guard<std::mutex> lock(gMutex);
    Transaction& transaction = OpenTransaction(connection, function);
    // A name given again moves the savepoint to here.
    std::erase_if(transaction.savepoints, [&](const Savepoint& s) { return SameName(s.name, savepoint); });
    transaction.savepoints.push_back({savepoint, transaction.journal.size()});
    transaction.segmentSeen.clear();
}

bool InTransaction(ADSHANDLE connection)
{
    std::lock_guard<std::mutex> lock(gMutex);
    return gTransactions.count(connection) != 0;
}

void RefuseInTransaction(ADSHANDLE connection, const char* function)
{
    if (InTransaction(connection))
        throw EngineError(AE_TRANSACTION_ACTIVE, std::string(function) + " cannot run inside a transaction: its "
                                                     "changes could not be rolled back. Commit or roll back first.");
}

void RollbackOnDisconnect(ADSHANDLE connection)
{
    if (InTransaction(connection))
        RollbackTransaction(connection, "AdsDisconnect");
}

bool DeferClose(Cursor& cursor)
{
    std::lock_guard<std::mutex> lock(gMutex);
    auto it = gTransactions.find(cursor.ConnectionHandle());
    if (it == gTransactions.end())
        return false;
    Transaction& transaction = it->second;
    // The handle is already released here: the journal's own reference is
    // the one kept.
    auto journaled = std::find_if(transaction.journal.begin(), transaction.journal.end(),
                                  [&](const JournalEntry& e) { return e.cursor.get() == &cursor; });
    auto locked = std::find_if(transaction.heldLocks.begin(), transaction.heldLocks.end(),
                               [&](const auto& held) { return held.first.get() == &cursor; });
    std::shared_ptr<Cursor> kept = journaled != transaction.journal.end() ? journaled->cursor
        : locked != transaction.heldLocks.end()                         ? locked->first
                                                                         : nullptr;
    if (!kept)
        return false;
    transaction.deferredCloses.push_back(std::move(kept));
    return true;
}

bool JournalChange(Cursor& cursor, uint32_t recno)
{
    return Journal(cursor, recno, false);
}

bool JournalAppend(Cursor& cursor, uint32_t recno)
{
    return Journal(cursor, recno, true);
}

void KeepLockUntilEnd(Cursor& cursor, uint32_t recno)
{
    std::lock_guard<std::mutex> lock(gMutex);
    auto it = gTransactions.find(cursor.ConnectionHandle());
    if (it != gTransactions.end())
        it->second.heldLocks.emplace_back(SharedCursor(cursor), recno);
}

} // namespace engine
