// Transactions: one per connection at a time, undone from a before-image
// journal.
//
// Invariants:
// - A connection has at most one open transaction; Begin inside one raises
//   AE_TRANSACTION_ACTIVE, Commit and Rollback outside one AE_NO_TRANSACTION.
// - Every record a cursor of the connection changes, deletes or recalls while
//   the transaction is open is journaled once per savepoint segment, before
//   the write: its whole image, its deletion flag and the values of its memo
//   columns (the memo blocks a later write reuses would otherwise be lost).
//   An appended record is journaled as appended; undoing it marks it deleted.
// - Undo runs newest entry first, through the cursor's own write paths, so
//   every open index follows the restored records.
// - A record lock a cursor takes for a change inside the transaction stays
//   until Commit or the full Rollback, so no other connection changes a
//   record whose old image this journal would put back.
// - A savepoint marks a place in the journal; rolling back to it undoes the
//   entries after it and keeps the savepoint (later ones are dropped). An
//   unknown name raises AE_SAVEPOINT_NOT_FOUND and changes nothing.
// - Undo steps that fail do not stop the others; the rollback then raises
//   AE_ROLLBACK_INCOMPLETE naming every record that could not be restored.
// - Lock order: a cursor holding its Mutex() may call Journal*; Rollback and
//   Commit never hold the transaction list's lock while taking a cursor's.
#pragma once

#include "engine/core/handles.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace engine {

class Cursor;

// A record as it was: its image, deletion flag and memo values by field.
struct RecordBeforeImage {
    std::vector<uint8_t> image;
    bool deleted = false;
    std::map<size_t, std::vector<uint8_t>> memos;
};

void BeginTransaction(ADSHANDLE connection, const char* function);
void CommitTransaction(ADSHANDLE connection, const char* function);
void RollbackTransaction(ADSHANDLE connection, const char* function);
void RollbackToSavepoint(ADSHANDLE connection, const std::string& savepoint, const char* function);
void CreateSavepoint(ADSHANDLE connection, const std::string& savepoint, const char* function);
bool InTransaction(ADSHANDLE connection);
// Raises AE_TRANSACTION_ACTIVE when the connection has an open transaction:
// for operations the journal cannot undo (pack and zap renumber or drop
// records, a bulk copy writes past the cursor).
void RefuseInTransaction(ADSHANDLE connection, const char* function);
// Rolls back an open transaction of a connection that goes away; nothing
// without one.
void RollbackOnDisconnect(ADSHANDLE connection);

// True when the cursor changed records in its connection's open
// transaction: the table then stays open until the transaction ends (so a
// rollback can still reach its records), and the transaction closes it.
bool DeferClose(Cursor& cursor);

// Hooks of the cursor's write paths (called under the cursor's mutex), before
// a change and after an append. True when the cursor's connection has an
// open transaction; the cursor then hands the record lock it took to
// KeepLockUntilEnd instead of releasing it.
bool JournalChange(Cursor& cursor, uint32_t recno);
bool JournalAppend(Cursor& cursor, uint32_t recno);
void KeepLockUntilEnd(Cursor& cursor, uint32_t recno);

} // namespace engine
