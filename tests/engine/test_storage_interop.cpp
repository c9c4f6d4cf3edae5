// Interoperability with Debian's python3-dbf and python3-dbfread.
#include "tests/engine/test_storage_support.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

namespace storagetest {

int RunPython(const std::string& script, const std::vector<std::string>& args, std::string& output)
{
    // The scripts sit beside the data folder, which a fresh checkout may not have.
    std::string folder = VARNEL_TEST_DATA;
    folder = folder.substr(0, folder.find_last_of('/'));
    std::string command = std::string(kPython) + " '" + folder + "/" + script + "'";
    for (const std::string& arg : args)
        command += " '" + arg + "'";
    command += " 2>&1";
    output.clear();
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        output.append(buffer.data(), n);
    int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string PeerUnavailableReason()
{
    if (::access(kPython, X_OK) != 0)
        return std::string(kPython) + " is not installed";
    std::string output;
    std::string command = std::string(kPython) + " -c 'import dbf, dbfread' 2>&1";
    if (std::system(command.c_str()) != 0)
        return "python3-dbf or python3-dbfread is not installed";
    return {};
}

} // namespace storagetest

namespace {

using namespace storage;
using storagetest::Path;

#define SKIP_WITHOUT_PEERS()                                                   \
    do {                                                                       \
        std::string reason = storagetest::PeerUnavailableReason();             \
        if (!reason.empty())                                                   \
            GTEST_SKIP() << "the DBF peers cannot run: " << reason;            \
    } while (0)

std::string Memo(const Table& table, uint32_t recno, const char* field)
{
    std::vector<uint8_t> image = table.ReadRecord(recno);
    std::vector<uint8_t> value = table.ReadMemo(size_t(table.Layout().FieldIndex(field)), image.data());
    return std::string(value.begin(), value.end());
}

std::string Text(const Table& table, uint32_t recno, const char* field)
{
    std::vector<uint8_t> image = table.ReadRecord(recno);
    size_t index = size_t(table.Layout().FieldIndex(field));
    return table.Layout().IsNull(index, image.data()) ? "NULL" : table.Layout().GetText(index, image.data());
}

TEST(StoragePeerTables, TablesWrittenByPythonDbfReadCorrectly)
{
    SKIP_WITHOUT_PEERS();
    testsupport::TempFolder folder;
    std::string output;
    ASSERT_EQ(storagetest::RunPython("dbf_peer.py", {"write", folder.path().toStdString()}, output), 0) << output;

    auto d3 = Table::Open(Path(folder, "d3.dbf"), TableKind::NTX);
    ASSERT_EQ(d3->RecordCount(), 2u);
    EXPECT_EQ(Text(*d3, 1, "NAME"), "Bob");
    EXPECT_EQ(Text(*d3, 1, "AMT"), "-3.25");
    EXPECT_EQ(Text(*d3, 1, "DAY"), "19991231");
    EXPECT_EQ(Text(*d3, 1, "OK"), "F");
    EXPECT_EQ(Memo(*d3, 1, "NOTE"), std::string(600, 'x'));
    EXPECT_EQ(Text(*d3, 2, "DAY"), "NULL");
    EXPECT_EQ(Text(*d3, 2, "OK"), "T");
    EXPECT_EQ(Memo(*d3, 2, "NOTE"), "");

    auto fp = Table::Open(Path(folder, "fp.dbf"), TableKind::CDX);
    EXPECT_EQ(Text(*fp, 1, "NAME"), "Cy");
    EXPECT_EQ(Memo(*fp, 1, "NOTE"), "fox memo");
    EXPECT_EQ(fp->Fields()[size_t(fp->Layout().FieldIndex("PIC"))].type, ft::Binary);
    EXPECT_EQ(Memo(*fp, 1, "PIC"), std::string("\x00\x01\x1a\xff", 4));

    auto vfp = Table::Open(Path(folder, "vfp.dbf"), TableKind::VFP);
    ASSERT_EQ(vfp->RecordCount(), 2u);
    EXPECT_EQ(Text(*vfp, 1, "NAME"), "Anna\xe9");
    EXPECT_EQ(Text(*vfp, 1, "QTY"), "5");
    EXPECT_EQ(Text(*vfp, 1, "WHEN"), "20240315 13:45:30.000");
    EXPECT_EQ(Memo(*vfp, 1, "NOTE"), "hello memo");
    EXPECT_EQ(Text(*vfp, 1, "RATE"), "1.5");
    for (const char* field : {"NAME", "QTY", "WHEN", "NOTE"})
        EXPECT_EQ(Text(*vfp, 2, field), "NULL") << field;
    EXPECT_EQ(Text(*vfp, 2, "PRICE"), "0.0000");
    EXPECT_EQ(Text(*vfp, 2, "RATE"), "-2");

    // This writer numbers null bits by field position; its two-byte
    // _NullFlags for nine fields gives that away.
    auto pos = Table::Open(Path(folder, "pos.dbf"), TableKind::VFP);
    EXPECT_EQ(Text(*pos, 1, "ID"), "1");
    EXPECT_EQ(Text(*pos, 1, "F1"), "NULL");
    for (const char* field : {"F2", "F3", "F8"})
        EXPECT_EQ(Text(*pos, 1, field), "a") << field;
}

TEST(StoragePeerTables, VarcharTableBuiltFromTheDocumentedLayoutReadsCorrectly)
{
    SKIP_WITHOUT_PEERS();
    testsupport::TempFolder folder;
    std::string output;
    ASSERT_EQ(storagetest::RunPython("dbf_peer.py", {"varchar", Path(folder, "vc.dbf")}, output), 0) << output;
    auto table = Table::Open(Path(folder, "vc.dbf"), TableKind::VFP);
    EXPECT_EQ(Text(*table, 1, "NAME"), "NULL");
    EXPECT_EQ(Text(*table, 1, "CODE"), "AB");
    EXPECT_EQ(Text(*table, 1, "NOTE"), std::string(30, 'n'));
    EXPECT_EQ(Text(*table, 1, "QTY"), "7");
    EXPECT_EQ(Text(*table, 1, "CITY"), "Paris");
    EXPECT_EQ(Text(*table, 2, "NAME"), "x");
    EXPECT_EQ(Text(*table, 2, "CODE"), "");
    EXPECT_EQ(Text(*table, 2, "NOTE"), "NULL");
    EXPECT_EQ(Text(*table, 2, "QTY"), "NULL");
}

struct OurTable {
    const char* label;
    TableKind kind;
    const char* definition;
    std::vector<std::vector<const char*>> rows; // text per field; nullptr = NULL; memo fields by name NOTE/PIC
    const char* expected;                       // what both peers print
};

void PrintTo(const OurTable& t, std::ostream* os) { *os << t.label; }

const OurTable kOurTables[] = {
    {"dbase3", TableKind::NTX, "NAME,Char,10;AMT,Num,8,2;DAY,Date;OK,Logical;NOTE,Memo;",
     {{"Bob", "-3.25", "19991231", "F", "first memo"}, {"Eve\xe9", nullptr, nullptr, nullptr, nullptr}},
     "dbfread NAME='Bob' AMT=-3.25 DAY=1999-12-31 OK=False NOTE='first memo'\n"
     "dbfread NAME='Eve\xc3\xa9' AMT=NULL DAY=NULL OK=NULL NOTE=NULL\n"
     "dbf NAME='Bob' AMT=-3.25 DAY=1999-12-31 OK=False NOTE='first memo'\n"
     "dbf NAME='Eve\xc3\xa9' AMT=NULL DAY=NULL OK=NULL NOTE=''\n"},
    {"foxpro", TableKind::CDX, "NAME,Char,10;NOTE,Memo;PIC,Binary;",
     {{"Cy", "fox memo", "\x01\x02\xff"}},
     "dbfread NAME='Cy' NOTE='fox memo' PIC=0102ff\n"
     "dbf NAME='Cy' NOTE='fox memo' PIC=0102ff\n"},
    {"visualfoxpro", TableKind::VFP,
     "NAME,Char,10;QTY,Integer;WHEN,TimeStamp;NOTE,Memo;PRICE,Money;RATE,Double;AMT,Num,8,2;DAY,Date;OK,Logical;",
     {{"Anna", "5", "20240315 13:45:30", "hello memo", "12.3456", "1.5", "12.5", "20240315", "T"},
      {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}},
     "dbfread NAME='Anna' QTY=5 WHEN=2024-03-15 13:45:30 NOTE='hello memo' PRICE=12.3456 RATE=1.5 AMT=12.5 "
     "DAY=2024-03-15 OK=True _NullFlags=0000\n"
     "dbfread NAME='' QTY=0 WHEN=NULL NOTE=NULL PRICE=0 RATE=0.0 AMT=NULL DAY=NULL OK=NULL _NullFlags=ff01\n"
     "dbf NAME='Anna' QTY=5 WHEN=2024-03-15 13:45:30 NOTE='hello memo' PRICE=12.3456 RATE=1.5 AMT=12.5 "
     "DAY=2024-03-15 OK=True\n"
     "dbf NAME=NULL QTY=NULL WHEN=NULL NOTE=NULL PRICE=NULL RATE=NULL AMT=NULL DAY=NULL OK=NULL\n"},
};

class StorageOurTablesInPeers : public ::testing::TestWithParam<OurTable> {};

TEST_P(StorageOurTablesInPeers, ReadCorrectlyInDbfreadAndDbf)
{
    SKIP_WITHOUT_PEERS();
    const OurTable& t = GetParam();
    testsupport::TempFolder folder;
    std::string name = Path(folder, "ours");
    {
        auto table = Table::Create(name, t.kind, t.definition);
        const RecordLayout& l = table->Layout();
        for (const auto& row : t.rows) {
            std::vector<uint8_t> image = l.BlankRecord();
            for (size_t i = 0; i < row.size(); ++i) {
                if (!row[i])
                    continue; // the blank record holds NULL already
                if (IsMemoType(l.Fields()[i].type))
                    table->WriteMemo(i, image.data(), reinterpret_cast<const uint8_t*>(row[i]), std::strlen(row[i]));
                else
                    l.SetText(i, image.data(), row[i]);
            }
            table->AppendRecord(image.data());
        }
    }
    std::string output;
    ASSERT_EQ(storagetest::RunPython("dbf_peer.py", {"read", name + ".dbf"}, output), 0) << output;
    EXPECT_EQ(output, t.expected);
}

INSTANTIATE_TEST_SUITE_P(Kinds, StorageOurTablesInPeers, ::testing::ValuesIn(kOurTables),
                         [](const auto& info) { return std::string(info.param.label); });

} // namespace
