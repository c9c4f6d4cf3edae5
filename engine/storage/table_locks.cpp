// Table: record and table locks.
//
// Lock protocol on the table file's lock space (see file_io.h):
// - a record lock is a write lock on that record's byte, taken while the
//   holder also keeps a read lock on the table byte;
// - a table lock is a write lock on the table byte.
// So a table lock conflicts with any other holder's record locks (their read
// locks) and with another table lock, record locks conflict only on the same
// record, and one object's own record and table locks never conflict with
// each other (the table byte moves between read and write in place).
#include "engine/storage/table.h"

#include "engine/storage/table_state.h"

namespace storage {

void Table::LockRecord(uint32_t recno)
{
    CheckOpen();
    CheckRecordNumber(recno);
    if (mOptions.exclusive || mOptions.readOnly || mRecordLocks.count(recno))
        return;
    File& file = mState->file;
    bool firstLock = mRecordLocks.empty() && !mTableLocked;
    if (firstLock && !file.TryLock(lockspace::kTable, 1, false))
        throw StorageError(kErrLockConflict, "The table " + mFileName + " is locked by another user.");
    if (!file.TryLock(lockspace::Record(recno), 1, true)) {
        if (firstLock)
            file.Unlock(lockspace::kTable, 1);
        throw StorageError(kErrLockConflict, "Record " + std::to_string(recno) + " of " + mFileName
                                                 + " is locked by another user.");
    }
    mRecordLocks.insert(recno);
}

void Table::UnlockRecord(uint32_t recno)
{
    CheckOpen();
    if (!mRecordLocks.count(recno))
        return;
    File& file = mState->file;
    file.Unlock(lockspace::Record(recno), 1);
    mRecordLocks.erase(recno);
    if (mRecordLocks.empty() && !mTableLocked)
        file.Unlock(lockspace::kTable, 1);
}

void Table::LockTable()
{
    CheckOpen();
    if (mOptions.exclusive || mOptions.readOnly || mTableLocked)
        return;
    if (!mState->file.TryLock(lockspace::kTable, 1, true))
        throw StorageError(kErrLockConflict, "The table " + mFileName
                                                 + " cannot be locked: another user holds a table or record lock.");
    mTableLocked = true;
}

void Table::UnlockTable()
{
    CheckOpen();
    if (mOptions.exclusive || mOptions.readOnly)
        return;
    if (!mTableLocked)
        throw StorageError(kErrTableNotLocked, "The table " + mFileName + " is not locked.");
    File& file = mState->file;
    if (mRecordLocks.empty())
        file.Unlock(lockspace::kTable, 1);
    else
        file.TryLock(lockspace::kTable, 1, false); // back to the record holders' read lock
    mTableLocked = false;
}

} // namespace storage
