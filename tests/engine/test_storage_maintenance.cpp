// Deleting, recalling, packing, zapping, autoincrement values and copies.
#include "tests/engine/test_storage_support.h"

#include <gtest/gtest.h>

#include <QDate>
#include <QDir>

using namespace storage;
using storagetest::Path;

namespace {

const TableKind kAllKinds[] = {TableKind::NTX, TableKind::CDX, TableKind::VFP, TableKind::ADT};

std::string KindName(TableKind kind)
{
    switch (kind) {
    case TableKind::NTX: return "NTX";
    case TableKind::CDX: return "CDX";
    case TableKind::VFP: return "VFP";
    default: return "ADT";
    }
}

OpenOptions Exclusive()
{
    OpenOptions options;
    options.exclusive = true;
    return options;
}

void AppendNames(Table& table, const std::vector<std::string>& names)
{
    for (const std::string& name : names) {
        std::vector<uint8_t> image = table.Layout().BlankRecord();
        table.Layout().SetText(0, image.data(), name);
        table.WriteMemo(1, image.data(), reinterpret_cast<const uint8_t*>(name.data()), name.size());
        table.AppendRecord(image.data());
    }
}

std::vector<std::string> Names(const Table& table)
{
    std::vector<std::string> names;
    for (uint32_t recno = 1; recno <= table.RecordCount(); ++recno) {
        std::vector<uint8_t> image = table.ReadRecord(recno);
        std::vector<uint8_t> memo = table.ReadMemo(1, image.data());
        names.push_back(table.Layout().GetText(0, image.data()) + "/" + std::string(memo.begin(), memo.end())
                        + (RecordLayout::IsDeleted(image.data()) ? "*" : ""));
    }
    return names;
}

class StorageMaintenance : public ::testing::TestWithParam<TableKind> {};

TEST_P(StorageMaintenance, DeleteRecallPackAndZap)
{
    testsupport::TempFolder folder;
    auto table = Table::Create(Path(folder, "t"), GetParam(), "NAME,Char,8;NOTE,Memo;");
    AppendNames(*table, {"ann", "bob", "cy", "dee"});
    table->DeleteRecord(2);
    table->DeleteRecord(4);
    table->RecallRecord(4);
    EXPECT_TRUE(table->IsRecordDeleted(2));
    EXPECT_FALSE(table->IsRecordDeleted(4));
    EXPECT_EQ(Names(*table), (std::vector<std::string>{"ann/ann", "bob/bob*", "cy/cy", "dee/dee"}));

    table->Pack();
    EXPECT_EQ(Names(*table), (std::vector<std::string>{"ann/ann", "cy/cy", "dee/dee"}));
    AppendNames(*table, {"eve"});
    table.reset();
    table = Table::Open(Path(folder, "t"), GetParam(), Exclusive());
    EXPECT_EQ(Names(*table), (std::vector<std::string>{"ann/ann", "cy/cy", "dee/dee", "eve/eve"}));

    table->Zap();
    EXPECT_EQ(table->RecordCount(), 0u);
    AppendNames(*table, {"fay"});
    table.reset();
    table = Table::Open(Path(folder, "t"), GetParam());
    EXPECT_EQ(Names(*table), (std::vector<std::string>{"fay/fay"}));
    // No temporary or backup file is left behind.
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), 2);
}

TEST_P(StorageMaintenance, PackAndZapNeedAnExclusiveOpenAndChangeNothingWithout)
{
    testsupport::TempFolder folder;
    Table::Create(Path(folder, "t"), GetParam(), "NAME,Char,8;NOTE,Memo;");
    auto table = Table::Open(Path(folder, "t"), GetParam());
    AppendNames(*table, {"ann", "bob"});
    table->DeleteRecord(1);
    std::vector<uint8_t> before = storagetest::ReadFileBytes(table->FileName());
    for (auto operation : {&Table::Pack, &Table::Zap}) {
        try {
            ((*table).*operation)();
            FAIL() << "pack or zap on a shared open";
        } catch (const StorageError& e) {
            EXPECT_EQ(e.Code(), kErrExclusiveRequired);
        }
    }
    EXPECT_EQ(storagetest::ReadFileBytes(table->FileName()), before);
}

INSTANTIATE_TEST_SUITE_P(AllKinds, StorageMaintenance, ::testing::ValuesIn(kAllKinds),
                         [](const auto& info) { return KindName(info.param); });

struct AutoincCase {
    TableKind kind;
    const char* newRecordHex; // the autoincrement column of a blank record
};

class StorageAutoinc : public ::testing::TestWithParam<AutoincCase> {};

TEST_P(StorageAutoinc, AppendsNumberFromOneKeepTheValueAndRememberTheNextAcrossOpens)
{
    testsupport::TempFolder folder;
    std::string name = Path(folder, "auto");
    {
        auto table = Table::Create(name, GetParam().kind, "ID,AutoInc;NAME,Char,5;");
        std::vector<uint8_t> image = table->Layout().BlankRecord();
        EXPECT_EQ(storagetest::Hex(image.data() + table->Fields()[0].offset, 4), GetParam().newRecordHex);
        EXPECT_EQ(table->LastAutoinc(), 0u);
        EXPECT_EQ(table->AppendRecord(image.data()), 1u);
        EXPECT_EQ(table->LastAutoinc(), 1u);
        table->AppendRecord(image.data());
        EXPECT_EQ(table->LastAutoinc(), 2u);
        // Writing a record back keeps its number whatever the image says.
        std::vector<uint8_t> first = table->ReadRecord(1);
        table->Layout().SetText(1, first.data(), "x");
        first[table->Fields()[0].offset] = 99;
        table->WriteRecord(1, first.data());
        EXPECT_EQ(table->Layout().GetInteger(0, table->ReadRecord(1).data()), 1);
    }
    auto table = Table::Open(name, GetParam().kind);
    std::vector<uint8_t> image = table->Layout().BlankRecord();
    EXPECT_EQ(table->AppendRecord(image.data()), 3u);
    EXPECT_EQ(table->LastAutoinc(), 3u);
    EXPECT_EQ(table->Layout().GetInteger(0, table->ReadRecord(3).data()), 3);
}

INSTANTIATE_TEST_SUITE_P(Kinds, StorageAutoinc,
                         ::testing::Values(AutoincCase{TableKind::ADT, "ff ff ff ff"},
                                           AutoincCase{TableKind::VFP, "00 00 00 00"}),
                         [](const auto& info) { return KindName(info.param.kind); });

TEST(StorageCopies, StructureAndContentsMoveBetweenKinds)
{
    testsupport::TempFolder folder;
    auto source = Table::Create(Path(folder, "src"), TableKind::ADT,
                                "ID,AutoInc;NAME,Char,10;QTY,Integer;PRICE,Money;DAY,Date;NOTE,Memo;GONE,Logical;");
    const RecordLayout& l = source->Layout();
    for (int i = 1; i <= 3; ++i) {
        std::vector<uint8_t> image = l.BlankRecord();
        l.SetText(1, image.data(), "item" + std::to_string(i));
        l.SetInteger(2, image.data(), i * 10);
        l.SetText(3, image.data(), "1.25");
        l.SetText(4, image.data(), "20240315");
        if (i != 2) {
            std::string note = "note " + std::to_string(i);
            source->WriteMemo(5, image.data(), reinterpret_cast<const uint8_t*>(note.data()), note.size());
        }
        source->AppendRecord(image.data());
    }
    source->DeleteRecord(3);
    for (TableKind kind : {TableKind::VFP, TableKind::CDX, TableKind::ADT}) {
        std::string name = Path(folder, ("copy" + KindName(kind)).c_str());
        auto copy = source->CopyStructure(name, kind);
        EXPECT_EQ(copy->Fields().size(), source->Fields().size());
        source->CopyContentsTo(*copy);
        ASSERT_EQ(copy->RecordCount(), 2u) << KindName(kind);
        const RecordLayout& c = copy->Layout();
        std::vector<uint8_t> second = copy->ReadRecord(2);
        EXPECT_EQ(c.GetText(size_t(c.FieldIndex("NAME")), second.data()), "item2");
        EXPECT_EQ(c.GetInteger(size_t(c.FieldIndex("QTY")), second.data()), 20);
        EXPECT_DOUBLE_EQ(c.GetDouble(size_t(c.FieldIndex("PRICE")), second.data()), 1.25);
        EXPECT_EQ(c.GetText(size_t(c.FieldIndex("DAY")), second.data()), "20240315");
        EXPECT_TRUE(c.IsNull(size_t(c.FieldIndex("NOTE")), second.data()));
        EXPECT_TRUE(c.IsNull(size_t(c.FieldIndex("GONE")), second.data()));
        std::vector<uint8_t> memo = copy->ReadMemo(size_t(c.FieldIndex("NOTE")), copy->ReadRecord(1).data());
        EXPECT_EQ(std::string(memo.begin(), memo.end()), "note 1");
    }
    // A filter and the deleted records.
    auto some = source->CopyStructure(Path(folder, "some"), TableKind::ADT);
    source->CopyContentsTo(*some, true, [&](uint32_t recno, const uint8_t*) { return recno != 1; });
    ASSERT_EQ(some->RecordCount(), 2u);
    EXPECT_EQ(some->Layout().GetText(1, some->ReadRecord(1).data()), "item2");
    EXPECT_TRUE(some->IsRecordDeleted(2));
    EXPECT_EQ(some->Layout().GetInteger(0, some->ReadRecord(2).data()), 2) << "the copy numbers its own";
}

TEST(StorageCreate, RefusesToReplaceATableThatIsOpenAndLeavesItIntact)
{
    testsupport::TempFolder folder;
    auto open = Table::Create(Path(folder, "busy"), TableKind::VFP, "A,Char,3;", {});
    std::vector<uint8_t> image = open->Layout().BlankRecord();
    open->AppendRecord(image.data());
    open.reset();
    auto reader = Table::Open(Path(folder, "busy"), TableKind::VFP);
    try {
        Table::Create(Path(folder, "busy"), TableKind::VFP, "B,Integer;");
        FAIL() << "replaced an open table";
    } catch (const StorageError& e) {
        EXPECT_EQ(e.Code(), kErrTableInUse);
    }
    EXPECT_THROW(Table::Delete(Path(folder, "busy"), TableKind::VFP), StorageError);
    EXPECT_EQ(reader->RecordCount(), 1u);
    reader.reset();
    Table::Create(Path(folder, "busy"), TableKind::VFP, "B,Integer;");
    EXPECT_EQ(Table::Open(Path(folder, "busy"), TableKind::VFP)->Fields()[0].name, "B");
    Table::Delete(Path(folder, "busy"), TableKind::VFP);
    EXPECT_FALSE(QFile::exists(folder.file("busy.dbf")));
}

TEST(StorageDefinition, DefinitionTextRoundTripsThroughCreate)
{
    testsupport::TempFolder folder;
    const char* text = "NAME,Char,30;ID,Integer;N,Num,8,2;D,Date;T,Time;TS,TimeStamp;M,Memo;B,Binary;I,Image;"
                       "W,NChar,4;WV,NVarChar,5;WM,NMemo;V,VarChar,7;VB,VarBinary,3;R,Raw,2;S,ShortInt;"
                       "L,Logical;DB,Double,3;CD,CurDouble,2;MO,Money;AI,AutoInc;CI,CIChar,4;LI,LongInt;"
                       "MT,ModTime;CDT,CompactDate;";
    auto table = Table::Create(Path(folder, "all"), TableKind::ADT, text);
    EXPECT_EQ(table->DefinitionText(), text);
}


TEST(StorageModTime, AppendAndWriteStampTheLocalTime)
{
    testsupport::TempFolder folder;
    auto table = Table::Create(Path(folder, "stamp"), TableKind::ADT, "N,Char,3;MT,ModTime;");
    std::vector<uint8_t> image = table->Layout().BlankRecord();
    EXPECT_TRUE(table->Layout().IsNull(1, image.data()));
    table->AppendRecord(image.data());
    image = table->ReadRecord(1);
    ASSERT_FALSE(table->Layout().IsNull(1, image.data()));
    int64_t today = QDate::currentDate().toJulianDay();
    EXPECT_LE(std::abs(table->Layout().GetJulian(1, image.data()) - today), 1);
    table->Layout().SetNull(1, image.data());
    table->WriteRecord(1, image.data());
    EXPECT_FALSE(table->Layout().IsNull(1, table->ReadRecord(1).data()));
}


TEST(StoragePack, AFailureHalfwayLeavesTheOldFilesAndNoTemporaries)
{
    testsupport::TempFolder folder;
    std::string name = Path(folder, "safe");
    {
        auto table = Table::Create(name, TableKind::CDX, "NAME,Char,8;NOTE,Memo;");
        AppendNames(*table, {"ann", "bob", "cy"});
        table->DeleteRecord(1);
        // Record 3's memo pointer now points past the end of the memo file.
        std::vector<uint8_t> image = table->ReadRecord(3);
        table->Layout().SetMemoReference(1, image.data(), 99999, 0);
        table->WriteRecord(3, image.data());
    }
    std::vector<uint8_t> tableBefore = storagetest::ReadFileBytes(name + ".dbf");
    std::vector<uint8_t> memoBefore = storagetest::ReadFileBytes(name + ".fpt");
    auto table = Table::Open(name, TableKind::CDX, Exclusive());
    try {
        table->Pack();
        FAIL() << "packed a table with a broken memo pointer";
    } catch (const StorageError& e) {
        EXPECT_EQ(e.Code(), kErrCorruptMemo) << e.what();
    }
    EXPECT_EQ(storagetest::ReadFileBytes(name + ".dbf"), tableBefore);
    EXPECT_EQ(storagetest::ReadFileBytes(name + ".fpt"), memoBefore);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), (QStringList{"safe.dbf", "safe.fpt"}));
    EXPECT_EQ(table->RecordCount(), 3u);
    EXPECT_TRUE(table->IsRecordDeleted(1));
}

} // namespace
