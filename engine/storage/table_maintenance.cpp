// Table: creating, deleting, packing, zapping and copying tables. Every
// operation that replaces files builds the new ones under temporary names
// and renames them into place only when they are complete.
#include "engine/storage/table.h"

#include "engine/storage/table_state.h"
#include "engine/storage/value_codec.h"

#include <algorithm>

namespace storage {

using namespace codec;

namespace {

// Removes temporary files unless released; keeps error paths from leaving
// half-written files behind.
class TemporaryFiles {
public:
    void Add(const std::string& name) { mNames.push_back(name); }
    void Release() { mNames.clear(); }
    ~TemporaryFiles()
    {
        for (const std::string& name : mNames) {
            try {
                RemoveFile(name);
            } catch (const StorageError&) {
            }
        }
    }

private:
    std::vector<std::string> mNames;
};

// Puts `tableTemp` (and `memoTemp`, when not empty) in place of `table` and
// `memo`. The memo file goes first, with the old one kept under a backup
// name until the table is in place, so that a failure leaves the old pair.
void InstallFiles(const std::string& tableTemp, const std::string& table, const std::string& memoTemp,
                  const std::string& memo)
{
    std::string backup;
    if (!memoTemp.empty()) {
        if (FileExists(memo)) {
            backup = TemporarySibling(memo);
            LinkFile(memo, backup);
        }
        RenameFile(memoTemp, memo);
    }
    try {
        RenameFile(tableTemp, table);
    } catch (const StorageError&) {
        if (!backup.empty())
            RenameFile(backup, memo);
        throw;
    }
    if (!backup.empty())
        RemoveFile(backup);
}

void WriteNewTableFile(const std::string& name, const std::vector<uint8_t>& header, bool dbf)
{
    File file = File::CreateNew(name);
    file.WriteAt(0, header.data(), header.size());
    if (dbf) {
        uint8_t eof = 0x1A;
        file.WriteAt(header.size(), &eof, 1);
    }
    file.Sync();
}

// Refuses to replace or remove a table that somebody has open.
File LockExistingForReplace(const std::string& name)
{
    File file = File::Open(name, true);
    if (!file.TryLock(lockspace::kOpen, 1, true))
        throw StorageError(kErrTableInUse, "The table " + name + " is in use and cannot be replaced or removed.");
    return file;
}

} // namespace

std::unique_ptr<Table> Table::Create(const std::string& path, TableKind kind, std::string_view definition,
                                     const CreateOptions& options)
{
    std::vector<FieldSpec> specs = ParseDefinition(definition);
    TableHeader header = PlanTable(kind, specs, options.charType, options.memoBlockSize);
    std::vector<uint8_t> headerBytes = BuildTableHeader(header);
    std::string name = TableFileName(path, kind);

    File existing;
    if (FileExists(name))
        existing = LockExistingForReplace(name);
    TemporaryFiles temporaries;
    std::string tableTemp = TemporarySibling(name);
    temporaries.Add(tableTemp);
    WriteNewTableFile(tableTemp, headerBytes, header.dbf);
    std::string memoTemp, memoName;
    if (header.memoKind != MemoKind::None) {
        memoName = MemoFileNameFor(name, header.memoKind);
        memoTemp = TemporarySibling(memoName);
        temporaries.Add(memoTemp);
        MemoFile::CreateEmpty(header.memoKind, memoTemp, header.memoBlockSize);
    }
    InstallFiles(tableTemp, name, memoTemp, memoName);
    temporaries.Release();
    existing.Close();
    OpenOptions open = options.open;
    open.charType = options.charType;
    return OpenFile(name, kind, open);
}

RecordLayout Table::LayoutFor(TableKind kind, std::string_view definition, CharType charType)
{
    return PlanTable(kind, ParseDefinition(definition), charType, 0).layout;
}

void Table::Delete(const std::string& path, TableKind kind)
{
    std::string name = TableFileName(path, kind);
    File file = LockExistingForReplace(name);
    MemoKind memoKind = kind == TableKind::ADT ? MemoKind::Adm : kind == TableKind::NTX ? MemoKind::Dbt : MemoKind::Fpt;
    try {
        TableHeader header = ReadTableHeader(file, kind, CharType::Ansi);
        if (header.memoKind != MemoKind::None)
            memoKind = header.memoKind;
    } catch (const StorageError&) {
        // A damaged table may still be removed; its memo file goes by the kind.
    }
    RemoveFile(name);
    RemoveFile(ResolvePathCase(MemoFileNameFor(name, memoKind)));
}

// Rebuilds the table file (and memo file) with the live records only, or
// with none, and swaps the new files in.
// Moves the memo values of one record to another memo file, exactly as
// stored, and points the record at their new blocks.
void Table::MoveMemos(uint8_t* image, MemoFile& target) const
{
    for (size_t i = 0; i < mLayout.Fields().size(); ++i) {
        const FieldDesc& field = mLayout.Fields()[i];
        if (!IsMemoType(field.type) || mLayout.IsNull(i, image))
            continue;
        std::vector<uint8_t> value = mState->memo->Read(mLayout.MemoBlock(i, image), field.name);
        uint32_t block = value.empty() ? 0 : target.Append(value.data(), value.size(), ContentOf(field));
        mLayout.SetMemoReference(i, image, block, uint32_t(value.size()));
    }
}

// Writes the live records (none unless `keepRecords`) into `target` after
// the header and returns how many there were.
uint32_t Table::CopyLiveRecords(File& target, MemoFile* memo, bool keepRecords) const
{
    uint32_t written = 0;
    uint32_t count = keepRecords ? RecordCount() : 0;
    std::vector<uint8_t> image(mLayout.RecordLength());
    for (uint32_t recno = 1; recno <= count; ++recno) {
        ReadRecord(recno, image.data());
        if (RecordLayout::IsDeleted(image.data()))
            continue;
        if (memo)
            MoveMemos(image.data(), *memo);
        target.WriteAt(mState->header.headerLength + uint64_t(written) * image.size(), image.data(), image.size());
        ++written;
    }
    return written;
}

// Rebuilds the table file (and memo file) with the live records only, or
// with none, and swaps the new files in.
void Table::RewriteRecords(bool keepRecords)
{
    CheckWritable();
    if (!mOptions.exclusive)
        throw StorageError(kErrExclusiveRequired, "The table " + mFileName + " must be opened exclusively for this.");
    State& state = *mState;
    std::vector<uint8_t> header(state.header.headerLength);
    state.file.ReadAt(0, header.data(), header.size(), "header");

    TemporaryFiles temporaries;
    std::string tableTemp = TemporarySibling(mFileName);
    temporaries.Add(tableTemp);
    File target = File::CreateNew(tableTemp);
    std::unique_ptr<MemoFile> newMemo;
    std::string memoTemp, memoName = MemoFileName();
    if (state.memo) {
        memoTemp = TemporarySibling(memoName);
        temporaries.Add(memoTemp);
        MemoFile::CreateEmpty(state.header.memoKind, memoTemp, state.memo->BlockSize());
        newMemo = MemoFile::Open(state.header.memoKind, memoTemp, true, tableTemp);
    }

    uint32_t written = CopyLiveRecords(target, newMemo.get(), keepRecords);
    if (state.header.dbf) {
        uint8_t eof = 0x1A;
        target.WriteAt(state.header.headerLength + uint64_t(written) * mLayout.RecordLength(), &eof, 1);
        StampDbfDate(&header[1], state.header.foxYear);
    }
    PutU32(&header[state.header.countOffset], written);
    target.WriteAt(0, header.data(), header.size());
    target.Sync();
    if (newMemo)
        newMemo->GetFile().Sync();
    // The new file carries the exclusive open lock before anyone can see it.
    if (!target.TryLock(lockspace::kOpen, 1, true))
        throw StorageError(kErrTableInUse, "The table " + mFileName + " could not be locked for replacing.");

    newMemo.reset();
    InstallFiles(tableTemp, mFileName, memoTemp, memoName);
    temporaries.Release();
    target.SetName(mFileName);
    state.file = std::move(target);
    if (state.memo)
        state.memo = MemoFile::Open(state.header.memoKind, memoName, true, mFileName);
    state.header.recordCount = written;
}

void Table::Pack() { RewriteRecords(true); }

void Table::Zap() { RewriteRecords(false); }

std::string FieldDefinition(const FieldDesc& field, TableKind from, TableKind to)
{
    uint32_t length = field.type == ft::NChar || field.type == ft::NVarChar ? field.length / 2 : field.length;
    auto sized = [&](const char* name) { return std::string(name) + "," + std::to_string(length); };
    bool adt = to == TableKind::ADT, vfp = to == TableKind::VFP;
    std::string text;
    switch (field.type) {
    case ft::String: text = sized("Char"); break;
    case ft::CIString: text = sized(adt ? "CIChar" : "Char"); break;
    case ft::Raw: text = sized(adt ? "Raw" : "Char"); break;
    case ft::VarChar: text = sized(adt || vfp ? "VarChar" : "Char"); break;
    case ft::VarBinary: text = adt || vfp ? sized("VarBinary") : "Binary"; break;
    case ft::NChar: text = sized("NChar"); break;
    case ft::NVarChar: text = sized("NVarChar"); break;
    case ft::Numeric:
        text = std::string(field.letter == 'F' ? "Float," : "Num,") + std::to_string(length) + ","
            + std::to_string(field.decimals);
        break;
    case ft::Double: case ft::CurDouble:
        text = adt ? std::string(field.type == ft::Double ? "Double," : "CurDouble,") + std::to_string(field.decimals)
            : vfp  ? "Double," + std::to_string(field.decimals)
                   : "Num,20,4";
        break;
    case ft::Integer: text = adt || vfp ? "Integer" : "Num,11,0"; break;
    case ft::ShortInt: text = adt ? "ShortInt" : vfp ? "Integer" : "Num,6,0"; break;
    case ft::AutoInc: text = adt || vfp ? "AutoInc" : "Num,10,0"; break;
    case ft::LongInt: text = adt ? "LongInt" : "Num,20,0"; break;
    case ft::Money: text = adt || vfp ? "Money" : "Num,20,4"; break;
    case ft::TimeStamp: case ft::ModTime: text = adt ? TypeName(field.type) : "TimeStamp"; break;
    case ft::CompactDate: text = adt ? "CompactDate" : "Date"; break;
    case ft::VarCharMemo: text = "Memo"; break;
    case ft::BinaryText: text = "Binary"; break;
    case ft::ImageText: text = "Image"; break;
    default: text = TypeName(field.type); break;
    }
    if (to == TableKind::VFP && from == TableKind::VFP && !field.nullable && field.type != ft::AutoInc)
        text += ",NOT NULL";
    return field.name + "," + text + ";";
}

std::string Table::DefinitionText() const
{
    std::string text;
    for (const FieldDesc& field : mLayout.Fields())
        text += FieldDefinition(field, Kind(), Kind());
    return text;
}

std::unique_ptr<Table> Table::CopyStructure(const std::string& path, TableKind kind) const
{
    CheckOpen();
    std::string text;
    for (const FieldDesc& field : mLayout.Fields())
        text += FieldDefinition(field, Kind(), kind);
    CreateOptions options;
    options.charType = GetCharType();
    return Create(path, kind, text, options);
}

namespace {

void CopyValue(const Table& source, size_t from, const uint8_t* sourceImage, Table& dest, size_t to,
               uint8_t* destImage)
{
    const RecordLayout& in = source.Layout();
    const RecordLayout& out = dest.Layout();
    const FieldDesc& target = out.Field(to);
    if (target.type == ft::AutoInc)
        return; // the destination gives its own values
    if (in.IsNull(from, sourceImage)) {
        out.SetNull(to, destImage);
        return;
    }
    bool sourceMemo = IsMemoType(in.Field(from).type), targetMemo = IsMemoType(target.type);
    if (sourceMemo || targetMemo) {
        std::vector<uint8_t> value = sourceMemo ? source.ReadMemo(from, sourceImage) : std::vector<uint8_t>();
        if (!sourceMemo) {
            std::string text = in.GetText(from, sourceImage);
            value.assign(text.begin(), text.end());
        }
        if (targetMemo) {
            dest.WriteMemo(to, destImage, value.data(), value.size());
        } else {
            out.SetText(to, destImage, std::string(value.begin(), value.end()));
        }
        return;
    }
    if (in.Field(from).type == target.type && in.Field(from).length == target.length && in.Kind() == out.Kind()) {
        std::vector<uint8_t> raw = in.GetRaw(from, sourceImage);
        out.SetRaw(to, destImage, raw.data(), raw.size());
        return;
    }
    out.SetText(to, destImage, in.GetText(from, sourceImage));
}

} // namespace

void Table::CopyContentsTo(Table& dest, bool includeDeleted, const RecordFilter& include) const
{
    CheckOpen();
    const RecordLayout& out = dest.Layout();
    std::vector<int> sourceIndex;
    for (const FieldDesc& field : out.Fields())
        sourceIndex.push_back(mLayout.FieldIndex(field.name));
    std::vector<uint8_t> image(mLayout.RecordLength());
    uint32_t count = RecordCount();
    for (uint32_t recno = 1; recno <= count; ++recno) {
        ReadRecord(recno, image.data());
        bool deleted = RecordLayout::IsDeleted(image.data());
        if ((deleted && !includeDeleted) || (include && !include(recno, image.data())))
            continue;
        std::vector<uint8_t> target = out.BlankRecord();
        for (size_t i = 0; i < sourceIndex.size(); ++i)
            if (sourceIndex[i] >= 0)
                CopyValue(*this, size_t(sourceIndex[i]), image.data(), dest, i, target.data());
        RecordLayout::SetDeleted(target.data(), deleted);
        dest.AppendRecord(target.data());
    }
}

} // namespace storage
