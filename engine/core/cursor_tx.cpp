// The cursor's side of transaction undo: reading a record as the journal
// keeps it and putting it back through the indexed write path.
#include "engine/core/cursor.h"

namespace engine {

RecordBeforeImage Cursor::BeforeImage(uint32_t recno) const
{
    RecordBeforeImage before;
    before.image = mTable->ReadRecord(recno);
    before.deleted = mTable->IsRecordDeleted(recno);
    const auto& fields = mTable->Fields();
    for (size_t i = 0; i < fields.size(); ++i)
        if (storage::IsMemoType(fields[i].type))
            before.memos[i] = mTable->ReadMemo(i, before.image.data());
    return before;
}

void Cursor::RestoreBeforeImage(uint32_t recno, const RecordBeforeImage& before)
{
    storage::Table& table = Table();
    std::vector<uint8_t> image = before.image;
    // Memo blocks are only ever appended, so the old references normally
    // still read the old values; a value that no longer does is written anew.
    for (const auto& [field, value] : before.memos)
        if (table.ReadMemo(field, image.data()) != value)
            table.WriteMemo(field, image.data(), value.data(), value.size());
    ChangeIndexed(recno, nullptr, [&] {
        table.WriteRecord(recno, image.data());
        if (before.deleted)
            table.DeleteRecord(recno);
        else
            table.RecallRecord(recno);
    });
    if (HasCurrentRecord() && mRecno == recno)
        Arrive(recno);
}

void Cursor::UndoAppend(uint32_t recno)
{
    storage::Table& table = Table();
    ChangeIndexed(recno, nullptr, [&] { table.DeleteRecord(recno); });
    if (HasCurrentRecord() && mRecno == recno)
        Arrive(recno);
}

void Cursor::DropPendingEdit()
{
    mPending = false;
    mAppendedUnwritten = false;
    mEdit.clear();
    mBinaryChunks.clear();
}

void Cursor::ReleaseRecordLock(uint32_t recno)
{
    if (mTable && mTable->IsRecordLocked(recno))
        mTable->UnlockRecord(recno);
}

} // namespace engine
