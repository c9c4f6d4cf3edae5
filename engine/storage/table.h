// Table: one open table file (DBF for NTX and CDX, Visual FoxPro DBF, or the
// engine's own ADT format) with its memo file, as the cursor layer sees it.
//
// Invariants a caller may rely on:
// - Record numbers are 1-based and stable until Pack or Zap; a record image
//   is always exactly RecordLength() bytes, laid out as Layout() describes
//   (byte 0 the record flag, fields at their offsets, VFP _NullFlags last).
// - Everything written through a Table is in the file when the call returns
//   (the operating system may still cache it; Flush forces it to disk). Two
//   Table objects on the same file, in one process or in two, see each
//   other's appends and record writes on their next read.
// - A header is rewritten only after the data it describes is written, so a
//   failed write never leaves a header that claims records or memo blocks
//   that are not there. Create, Pack and Zap build a temporary file and
//   rename it over the old one: on failure the old files are untouched.
// - Locks are per Table object: a record or table lock held by one object
//   refuses the same lock to every other object, in this process or another
//   (open-file-description byte-range locks on the table file). An exclusive
//   open refuses, and is refused by, every other open of the file. Closing a
//   Table releases all its locks.
// - Every failure is a StorageError naming the file or field; nothing fails
//   silently. A damaged file (bad header, record count disagreeing with the
//   file size, missing memo file, memo pointer past its end, unknown field
//   type) is reported when it is opened or read, never read as garbage.
// - File names come in as 8-bit Windows-1252 text and are converted to UTF-8
//   at the file-system boundary. A Table is not thread-safe; use one per
//   thread or guard it.
#pragma once

#include "engine/storage/field.h"
#include "engine/storage/record_layout.h"
#include "engine/storage/storage_error.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace storage {

struct OpenOptions {
    bool exclusive = false;  // refuse every other open of the file
    // No writes and no record or table locks. A read-only exclusive open
    // still refuses other opens, except of a file this process may not write:
    // then it can only refuse other exclusive opens.
    bool readOnly = false;
    // Character set to assume when the table does not state one (DBF code-page
    // byte 0). ADT tables always record theirs.
    CharType charType = CharType::Ansi;
};

struct CreateOptions {
    CharType charType = CharType::Ansi;
    // Memo block size in bytes; 0 chooses the default of the kind (DBT 512,
    // FPT 64, ADM 8). DBT files always use 512.
    uint32_t memoBlockSize = 0;
    // How the new table is left open.
    OpenOptions open{true, false, CharType::Ansi};
};

class File;
class MemoFile;

class Table {
public:
    // Opens an existing table. `path` is the file name (8-bit, Windows-1252);
    // without an extension the kind's default one (.adt or .dbf) is added. A
    // Visual FoxPro file opens as VFP whatever DBF kind is asked for; another
    // DBF asked for as VFP opens as CDX. A DBF whose header announces another
    // program's structural index opens only read-only (changes would leave
    // that index stale).
    static std::unique_ptr<Table> Open(const std::string& path, TableKind kind,
                                       const OpenOptions& options = {});

    // Creates a table from a definition text ("NAME,Char,30;ID,Integer;"),
    // replacing an existing table of that name unless it is open somewhere.
    // Raises kErrBadDefinition / kErrUnknownFieldType for a bad text and
    // kErrNotSupported for a type the kind cannot hold. VFP columns are
    // nullable unless defined NOT NULL; NTX keeps Binary and Image columns as
    // dBase memos (type Memo). DBF headers never announce a structural index.
    static std::unique_ptr<Table> Create(const std::string& path, TableKind kind,
                                         std::string_view definition,
                                         const CreateOptions& options = {});

    // The record layout a table of `kind` created from `definition` would
    // have, without creating anything (for in-memory result tables).
    static RecordLayout LayoutFor(TableKind kind, std::string_view definition,
                                  CharType charType = CharType::Ansi);

    // Removes the table file and its memo file; refused while the table is open.
    static void Delete(const std::string& path, TableKind kind);

    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    // Releases locks and closes the files; further calls raise. Idempotent.
    void Close();
    bool IsOpen() const;

    TableKind Kind() const { return mLayout.Kind(); }
    CharType GetCharType() const { return mLayout.GetCharType(); }
    const RecordLayout& Layout() const { return mLayout; }
    const std::vector<FieldDesc>& Fields() const { return mLayout.Fields(); }
    uint32_t RecordLength() const { return mLayout.RecordLength(); }
    // Full file name of the table (UTF-8, as on disk) and of its memo file
    // ("" when the table has no memo fields).
    const std::string& FileName() const { return mFileName; }
    std::string MemoFileName() const;
    bool IsExclusive() const { return mOptions.exclusive; }
    bool IsReadOnly() const { return mOptions.readOnly; }
    // The table's own definition text, in the grammar Create accepts.
    std::string DefinitionText() const;

    // Number of records, deleted ones included, as the file says now.
    uint32_t RecordCount() const;

    // Records. ReadRecord fills RecordLength() bytes; kErrInvalidRecordNumber
    // for 0 or a number past the last record.
    void ReadRecord(uint32_t recno, uint8_t* image) const;
    std::vector<uint8_t> ReadRecord(uint32_t recno) const;
    // Writes a whole record image back. Autoincrement fields keep their stored
    // values (they are not writable); ModTime fields get the current time.
    void WriteRecord(uint32_t recno, const uint8_t* image);
    // Appends a record and returns its number. Autoincrement fields receive
    // the table's next value (see LastAutoinc); ModTime fields the current time.
    uint32_t AppendRecord(const uint8_t* image);
    // Appends a copy of a record that must keep every value it holds (a
    // statement's result): autoincrement and ModTime fields keep the image's
    // values, and the autoincrement counters move past the values kept.
    uint32_t AppendRecordAsGiven(const uint8_t* image);
    // Value given to the last autoincrement field by this object's last
    // append; 0 when it has appended nothing.
    uint32_t LastAutoinc() const { return mLastAutoinc; }

    bool IsRecordDeleted(uint32_t recno) const;
    void DeleteRecord(uint32_t recno);
    void RecallRecord(uint32_t recno);

    // Memo and binary values of the memo-type field `index` of the record in
    // `image`. Read gives the stored bytes (text memos of an OEM table
    // converted to Windows-1252, UTF-16LE for NMemo); a null or empty memo
    // gives no bytes. Write stores the value in the memo file and puts the new
    // reference into `image` (write the record afterwards); an empty value
    // stores the null reference.
    std::vector<uint8_t> ReadMemo(size_t index, const uint8_t* image) const;
    uint32_t MemoLength(size_t index, const uint8_t* image) const;
    void WriteMemo(size_t index, uint8_t* image, const uint8_t* data, size_t length);

    // Maintenance; Pack and Zap need an exclusive open. Pack drops deleted
    // records and rewrites the memo file with the live memos only.
    void Pack();
    void Zap();
    // Creates a table of `kind` at `path` with this table's fields (as near
    // as that kind allows) and returns it open exclusively.
    std::unique_ptr<Table> CopyStructure(const std::string& path, TableKind kind) const;
    // Appends every record of this table (deleted ones only when asked, and
    // only those `include` accepts when it is given) to `dest`, matching
    // fields by name and converting values by type.
    using RecordFilter = std::function<bool(uint32_t recno, const uint8_t* image)>;
    void CopyContentsTo(Table& dest, bool includeDeleted = false, const RecordFilter& include = {}) const;

    // Locks (non-blocking: a conflict raises kErrLockConflict at once).
    // Locking what this object already holds succeeds; unlocking a record
    // that is not locked does nothing; UnlockTable without a table lock
    // raises kErrTableNotLocked. Exclusive and read-only opens take no locks
    // (the calls succeed without effect).
    void LockRecord(uint32_t recno);
    void UnlockRecord(uint32_t recno);
    void LockTable();
    void UnlockTable();
    bool IsRecordLocked(uint32_t recno) const { return mRecordLocks.count(recno) != 0; }
    bool IsTableLocked() const { return mTableLocked; }
    const std::set<uint32_t>& LockedRecords() const { return mRecordLocks; }

    // Forces written data of the table and memo file to disk.
    void Flush();

private:
    struct State; // the open files and header; table_state.h
    Table();
    static std::unique_ptr<Table> OpenFile(const std::string& utf8Name, TableKind kind,
                                           const OpenOptions& options);
    void CheckOpen() const;
    void CheckWritable() const;
    void CheckRecordNumber(uint32_t recno) const;
    uint64_t RecordOffset(uint32_t recno) const;
    void PrepareForWrite(uint8_t* image, uint32_t recno, bool append);
    uint32_t Append(const uint8_t* image, bool keepGiven);
    void StampLastUpdate();
    void ReplaceFiles(const std::string& tableTemp, const std::string& memoTemp);
    void RewriteRecords(bool keepRecords);
    uint32_t CopyLiveRecords(File& target, MemoFile* memo, bool keepRecords) const;
    void MoveMemos(uint8_t* image, MemoFile& target) const;

    std::unique_ptr<State> mState;
    RecordLayout mLayout;
    OpenOptions mOptions;
    std::string mFileName;
    uint32_t mLastAutoinc = 0;
    std::set<uint32_t> mRecordLocks;
    bool mTableLocked = false;
};

} // namespace storage
