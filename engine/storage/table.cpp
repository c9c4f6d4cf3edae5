// Table: opening, creating and deleting table files, and record access.
// Memo access is in table_memo.cpp, locks in table_locks.cpp, pack, zap and
// copies in table_maintenance.cpp.
#include "engine/storage/table.h"

#include "engine/storage/table_state.h"
#include "engine/storage/value_codec.h"

#include <algorithm>

namespace storage {

using namespace codec;

namespace {

// An exclusive open needs a write lock, which only a descriptor opened for
// writing can hold; a read-only exclusive open asks for one when it may.
File OpenForMode(const std::string& name, const OpenOptions& options)
{
    if (options.readOnly && options.exclusive) {
        try {
            return File::Open(name, true);
        } catch (const StorageError& e) {
            if (e.Code() != kErrFileIo)
                throw;
        }
    }
    return File::Open(name, !options.readOnly);
}

void TakeOpenLock(File& file, bool exclusive)
{
    if (file.TryLock(lockspace::kOpen, 1, exclusive))
        return;
    throw StorageError(kErrTableInUse, exclusive
                           ? "The table " + file.Name() + " is in use and cannot be opened exclusively."
                           : "The table " + file.Name() + " is opened exclusively by another user.");
}

} // namespace

Table::Table() = default;

Table::~Table() { Close(); }

std::unique_ptr<Table> Table::Open(const std::string& path, TableKind kind, const OpenOptions& options)
{
    return OpenFile(TableFileName(path, kind), kind, options);
}

std::unique_ptr<Table> Table::OpenFile(const std::string& name, TableKind kind, const OpenOptions& options)
{
    auto table = std::unique_ptr<Table>(new Table());
    table->mState = std::make_unique<State>();
    table->mOptions = options;
    table->mFileName = name;
    State& state = *table->mState;
    state.file = OpenForMode(name, options);
    TakeOpenLock(state.file, options.exclusive);
    {
        // Appenders hold this lock from the record write to the header
        // update, so the header and the file size agree while it is held.
        ScopedLock header(state.file, lockspace::kHeader, false);
        state.header = ReadTableHeader(state.file, kind, options.charType);
    }
    if (state.header.foreignIndex && !options.readOnly)
        throw StorageError(kErrNotSupported, "The table " + name + " announces a structural index of another "
                                                 "program, which changes would leave stale; open it read-only.");
    if (state.header.memoKind != MemoKind::None)
        state.memo = MemoFile::Open(state.header.memoKind, MemoFileNameFor(name, state.header.memoKind),
                                    !options.readOnly, name);
    table->mLayout = state.header.layout;
    return table;
}

void Table::Close()
{
    if (!mState)
        return;
    // Closing the descriptor releases every lock this object holds.
    mState.reset();
    mRecordLocks.clear();
    mTableLocked = false;
}

bool Table::IsOpen() const { return mState != nullptr; }

void Table::CheckOpen() const
{
    if (!mState)
        throw StorageError(kErrFileIo, "The table " + mFileName + " is closed.");
}

void Table::CheckWritable() const
{
    CheckOpen();
    if (mOptions.readOnly)
        throw StorageError(kErrReadOnly, "The table " + mFileName + " is open read-only.");
}

std::string Table::MemoFileName() const
{
    return mState && mState->memo ? mState->memo->Name() : std::string();
}

uint32_t Table::RecordCount() const
{
    CheckOpen();
    if (mOptions.exclusive)
        return mState->header.recordCount;
    uint8_t word[4];
    mState->file.ReadAt(mState->header.countOffset, word, sizeof word, "header");
    mState->header.recordCount = GetU32(word);
    return mState->header.recordCount;
}

void Table::CheckRecordNumber(uint32_t recno) const
{
    uint32_t count = RecordCount();
    if (recno == 0 || recno > count)
        throw StorageError(kErrInvalidRecordNumber, "Record " + std::to_string(recno) + " does not exist in "
                                                        + mFileName + " (" + std::to_string(count) + " records).");
}

uint64_t Table::RecordOffset(uint32_t recno) const
{
    return mState->header.headerLength + uint64_t(recno - 1) * mLayout.RecordLength();
}

void Table::ReadRecord(uint32_t recno, uint8_t* image) const
{
    CheckRecordNumber(recno);
    mState->file.ReadAt(RecordOffset(recno), image, mLayout.RecordLength(), "records");
}

std::vector<uint8_t> Table::ReadRecord(uint32_t recno) const
{
    std::vector<uint8_t> image(mLayout.RecordLength());
    ReadRecord(recno, image.data());
    return image;
}

// Brings a caller's image into a state fit for the file: a real flag byte,
// autoincrement values kept (or, on append, left for the table to give),
// modification times stamped.
void Table::PrepareForWrite(uint8_t* image, uint32_t recno, bool append)
{
    if (image[0] != ' ' && image[0] != '*')
        throw StorageError(kErrValue, "A record image for " + mFileName + " must start with ' ' or '*'.");
    if (!append && !mState->header.autoinc.empty()) {
        std::vector<uint8_t> stored = ReadRecord(recno);
        for (const AutoincSlot& slot : mState->header.autoinc) {
            const FieldDesc& field = mLayout.Field(slot.field);
            std::copy_n(stored.begin() + field.offset, field.length, image + field.offset);
        }
    }
    int32_t julian = 0, milliseconds = 0;
    for (size_t i = 0; i < mLayout.Fields().size(); ++i)
        if (mLayout.Fields()[i].type == ft::ModTime) {
            if (julian == 0)
                LocalNow(julian, milliseconds);
            mLayout.SetTimeStamp(i, image, {julian, milliseconds});
        }
}

// A DBF header carries the date of the last change.
void Table::StampLastUpdate()
{
    if (!mState->header.dbf)
        return;
    uint8_t date[3];
    StampDbfDate(date, mState->header.foxYear);
    mState->file.WriteAt(1, date, sizeof date);
}

void Table::WriteRecord(uint32_t recno, const uint8_t* image)
{
    CheckWritable();
    CheckRecordNumber(recno);
    std::vector<uint8_t> copy(image, image + mLayout.RecordLength());
    PrepareForWrite(copy.data(), recno, false);
    mState->file.WriteAt(RecordOffset(recno), copy.data(), copy.size());
    StampLastUpdate();
}

uint32_t Table::AppendRecord(const uint8_t* image)
{
    return Append(image, false);
}

uint32_t Table::AppendRecordAsGiven(const uint8_t* image)
{
    return Append(image, true);
}

uint32_t Table::Append(const uint8_t* image, bool keepGiven)
{
    CheckWritable();
    std::vector<uint8_t> copy(image, image + mLayout.RecordLength());
    if (!keepGiven)
        PrepareForWrite(copy.data(), 0, true);
    State& state = *mState;
    ScopedLock lock(state.file, lockspace::kHeader, true);
    uint8_t word[4];
    state.file.ReadAt(state.header.countOffset, word, sizeof word, "header");
    uint32_t count = GetU32(word);
    if (count == 0xFFFFFFFFu)
        throw StorageError(kErrValue, "The table " + mFileName + " cannot hold more records.");

    // Autoincrement values come from the header and are stored back only
    // after the record is written: a failed append leaves them unchanged.
    std::vector<std::pair<uint64_t, uint32_t>> nextValues;
    for (const AutoincSlot& slot : state.header.autoinc) {
        uint8_t stored[5] = {};
        state.file.ReadAt(slot.fileOffset, stored, state.header.dbf ? 5 : 4, "header");
        uint32_t value = std::max<uint32_t>(GetU32(stored), 1);
        uint32_t step = state.header.dbf && stored[4] ? stored[4] : 1;
        uint8_t* place = copy.data() + mLayout.Field(slot.field).offset;
        if (keepGiven) {
            uint32_t given = GetU32(place);
            nextValues.push_back({slot.fileOffset, std::max(value, given + step)});
            continue;
        }
        PutU32(place, value);
        mLastAutoinc = value;
        nextValues.push_back({slot.fileOffset, value + step});
    }
    if (state.header.dbf)
        copy.push_back(0x1A); // the end-of-file mark moves behind the new record
    state.file.WriteAt(state.header.headerLength + uint64_t(count) * mLayout.RecordLength(), copy.data(),
                       copy.size());
    for (const auto& [offset, next] : nextValues) {
        PutU32(word, next);
        state.file.WriteAt(offset, word, sizeof word);
    }
    StampLastUpdate();
    PutU32(word, count + 1);
    state.file.WriteAt(state.header.countOffset, word, sizeof word);
    state.header.recordCount = count + 1;
    return count + 1;
}

bool Table::IsRecordDeleted(uint32_t recno) const
{
    CheckRecordNumber(recno);
    uint8_t flag = 0;
    mState->file.ReadAt(RecordOffset(recno), &flag, 1, "records");
    return flag == '*';
}

void Table::DeleteRecord(uint32_t recno)
{
    CheckWritable();
    CheckRecordNumber(recno);
    uint8_t flag = '*';
    mState->file.WriteAt(RecordOffset(recno), &flag, 1);
    StampLastUpdate();
}

void Table::RecallRecord(uint32_t recno)
{
    CheckWritable();
    CheckRecordNumber(recno);
    uint8_t flag = ' ';
    mState->file.WriteAt(RecordOffset(recno), &flag, 1);
    StampLastUpdate();
}

void Table::Flush()
{
    CheckOpen();
    mState->file.Sync();
    if (mState->memo)
        mState->memo->GetFile().Sync();
}

} // namespace storage
