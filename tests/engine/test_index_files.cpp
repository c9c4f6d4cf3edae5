// Index files as files: agreement with a sort over many random records, a
// damaged file reported and rebuilt, and a writer killed mid-way.
#include "tests/engine/test_index_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

using namespace apitest;
using namespace indextest;

namespace {

class RandomRecords : public ::testing::TestWithParam<UNSIGNED16> {};

TEST_P(RandomRecords, OrderAgreesWithASort)
{
    FolderConnection connection;
    ADSHANDLE table = CreateTable(connection.Handle(), "random", GetParam(), kFields);
    ADSHANDLE byName = CreateIndex(table, "BYNAME", "NAME");
    std::mt19937 random(20261210);
    std::vector<std::pair<std::string, uint32_t>> expected;
    for (uint32_t recno = 1; recno <= 10000; ++recno) {
        std::string name;
        for (size_t i = 1 + random() % 8; i > 0; --i)
            name += char('a' + random() % 4); // short alphabet: many ties
        AppendRow(table, name, double(int(random() % 20000) - 10000) / 100);
        expected.emplace_back(name, recno);
    }
    ADSHANDLE byAmount = CreateIndex(table, "BYAMOUNT", "AMOUNT", ADS_DESCENDING);
    std::sort(expected.begin(), expected.end());
    std::vector<std::pair<std::string, uint32_t>> seen;
    UNSIGNED16 eof = 0;
    for (AdsGotoTop(byName), AdsAtEOF(table, &eof); !eof; AdsSkip(byName, 1), AdsAtEOF(table, &eof))
        seen.emplace_back(FieldText(table, "NAME"), RecordNumber(table));
    EXPECT_EQ(seen, expected) << "names ascending, ties by record number";

    double previous = 1e9;
    size_t visited = 0;
    bool descending = true;
    for (AdsGotoTop(byAmount), AdsAtEOF(table, &eof); !eof; AdsSkip(byAmount, 1), AdsAtEOF(table, &eof), ++visited) {
        double amount = std::stod(FieldText(table, "AMOUNT"));
        descending = descending && amount <= previous;
        previous = amount;
    }
    EXPECT_TRUE(descending);
    EXPECT_EQ(visited, 10000u);
    AdsCloseTable(table);
}

INSTANTIATE_TEST_SUITE_P(EveryTableType, RandomRecords, ::testing::Values(ADS_NTX, ADS_CDX, ADS_ADT, ADS_VFP),
                         [](const auto& info) { return std::string(TypeName(info.param)); });

TEST(IndexFiles, DamagedPagesAreReportedAndRebuilt)
{
    FolderConnection connection;
    ADSHANDLE table = CreateTable(connection.Handle(), "items", ADS_CDX, kFields);
    for (const char* name : {"c", "a", "b"})
        AppendRow(table, name, 1);
    CreateIndex(table, "NAMES", "NAME");
    AdsCloseTable(table);
    {
        // Spoil a byte of the first tree page (after the header page).
        std::fstream file(connection.File("items.cdx"), std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(1024 + 12);
        file.put('\x7F');
    }
    table = OpenTable(connection.Handle(), "items", ADS_CDX);
    ADSHANDLE order = 0;
    ASSERT_ADS_OK(AdsGetIndexHandle(table, "NAMES", &order));
    ExpectFailure(AdsGotoTop(order), AE_INDEX_DAMAGED, "damaged");
    ASSERT_ADS_OK(AdsReindex(table));
    EXPECT_EQ(Walk(table, order), (std::vector<std::string>{"a", "b", "c"}));
    AdsCloseTable(table);

    // A header that is not an index header refuses the table's open.
    std::ofstream(connection.File("items.cdx"), std::ios::binary) << "not an index";
    ADSHANDLE refused = 0;
    ExpectFailure(AdsOpenTable(connection.Handle(), "items", nullptr, ADS_CDX, ADS_ANSI, ADS_PROPRIETARY_LOCKING,
                               ADS_CHECKRIGHTS, 0, &refused),
                  AE_INDEX_DAMAGED, "items.cdx");
}

TEST(IndexFiles, AWriterKilledMidWayLeavesTheTableWholeAndTheIndexIsRebuilt)
{
    FolderConnection connection;
    ADSHANDLE table = CreateTable(connection.Handle(), "log", ADS_ADT, kFields);
    CreateIndex(table, "NAMES", "NAME");
    AdsCloseTable(table);
    std::string folder = connection.Folder();
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ADSHANDLE c = 0, t = 0;
        AdsConnect(folder.c_str(), &c);
        AdsOpenTable(c, "log", nullptr, ADS_ADT, ADS_ANSI, ADS_PROPRIETARY_LOCKING, ADS_CHECKRIGHTS, 0, &t);
        for (int i = 0;; ++i) {
            std::string name = "n" + std::to_string(100000 - i);
            AdsAppendRecord(t);
            AdsSetField(t, "NAME", name.c_str(), UNSIGNED32(name.size()));
            AdsWriteRecord(t);
            if (i == 50) // well under way: the parent may kill now
                (void)!write(ready[1], "x", 1);
        }
    }
    char signal = 0;
    ASSERT_EQ(read(ready[0], &signal, 1), 1);
    usleep(20000);
    kill(child, SIGKILL);
    close(ready[0]);
    close(ready[1]);
    waitpid(child, nullptr, 0);

    table = OpenTable(connection.Handle(), "log", ADS_ADT);
    UNSIGNED32 count = 0;
    ASSERT_ADS_OK(AdsGetRecordCount(table, ADS_IGNOREFILTERS, &count));
    ASSERT_GT(count, 0u) << "the child wrote something before it was killed";
    ADSHANDLE order = 0;
    ASSERT_ADS_OK(AdsGetIndexHandle(table, "NAMES", &order));
    std::vector<std::string> names = Walk(table, order);
    // Every record is in the order, sorted; the last one may be blank if the
    // kill came between its append and its write.
    EXPECT_EQ(names.size(), count);
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    AdsCloseTable(table);
}

} // namespace

namespace {

TEST(IndexFiles, FilesOpenCloseAndGoByName)
{
    FolderConnection connection;
    ADSHANDLE table = CreateTable(connection.Handle(), "parts", ADS_NTX, kFields);
    for (const char* name : {"b", "c", "a"})
        AppendRow(table, name, 1);
    // The single-file form: the name is the file, with no tag.
    ADSHANDLE byName = 0;
    ASSERT_ADS_OK(AdsCreateIndex90(table, "BYNAME", "", "NAME", "", "", 0, 0, "", &byName));
    struct Name {
        UNSIGNED16 option;
        std::string expected;
    };
    for (const Name& n : {Name{ADS_BASENAME, "BYNAME"}, Name{ADS_BASENAMEANDEXT, "BYNAME.ntx"},
                          Name{ADS_FULLPATHNAME, connection.File("BYNAME.ntx")}}) {
        char text[260];
        UNSIGNED16 length = sizeof text;
        ASSERT_ADS_OK(AdsGetIndexFilename(byName, n.option, text, &length));
        EXPECT_EQ(std::string(text, length), n.expected);
    }
    ASSERT_ADS_OK(AdsCloseIndex(byName));
    UNSIGNED16 count = 9;
    ASSERT_ADS_OK(AdsGetNumIndexes(table, &count));
    EXPECT_EQ(count, 0) << "a file outside the default one opens only on request";
    ExpectFailure(AdsGotoTop(byName), AE_INVALID_HANDLE, "");

    ADSHANDLE handles[4] = {};
    UNSIGNED16 capacity = 4;
    ASSERT_ADS_OK(AdsOpenIndex(table, "byname", handles, &capacity));
    ASSERT_EQ(capacity, 1);
    EXPECT_EQ(Walk(table, handles[0]), (std::vector<std::string>{"a", "b", "c"}));
    capacity = 4;
    ExpectFailure(AdsOpenIndex(table, "nosuch", handles, &capacity), AE_FILE_NOT_FOUND, "nosuch");
    ASSERT_ADS_OK(AdsDeleteIndex(handles[0]));
    EXPECT_FALSE(std::filesystem::exists(connection.File("BYNAME.ntx"))) << "its last tag took the file with it";
    AdsCloseTable(table);
}

TEST(IndexFiles, EveryCursorOfATableKeepsItsIndexes)
{
    FolderConnection connection;
    ADSHANDLE first = CreateTable(connection.Handle(), "shared", ADS_CDX, kFields);
    AppendRow(first, "m", 1);
    AdsCloseTable(first);
    first = OpenTable(connection.Handle(), "shared", ADS_CDX);
    ADSHANDLE second = OpenTable(connection.Handle(), "shared", ADS_CDX);
    // Made after the second cursor opened, which so has no handle for it.
    ADSHANDLE order = CreateIndex(first, "NAMES", "NAME");
    AppendRow(second, "a", 2);
    AppendRow(second, "z", 3);
    EXPECT_EQ(Walk(first, order), (std::vector<std::string>{"a", "m", "z"}));
    AdsCloseTable(second);
    AdsCloseTable(first);
    ADSHANDLE again = OpenTable(connection.Handle(), "shared", ADS_CDX);
    ADSHANDLE reopened = 0;
    ASSERT_ADS_OK(AdsGetIndexHandle(again, "names", &reopened));
    EXPECT_EQ(Walk(again, reopened), (std::vector<std::string>{"a", "m", "z"}));
    ASSERT_ADS_OK(AdsDeleteTable(again));
    EXPECT_FALSE(std::filesystem::exists(connection.File("shared.cdx"))) << "the index goes with its table";
}

} // namespace

namespace {

TEST(IndexFiles, AppendsOfAnotherProcessAreNotLostFromTheIndex)
{
    FolderConnection connection;
    ADSHANDLE table = CreateTable(connection.Handle(), "shared", ADS_CDX, kFields);
    AppendRow(table, "m", 1);
    ADSHANDLE order = CreateIndex(table, "NAMES", "NAME");
    AdsCloseTable(table); // created exclusively: open it for sharing
    table = OpenTable(connection.Handle(), "shared", ADS_CDX);
    ASSERT_ADS_OK(AdsGetIndexHandle(table, "NAMES", &order));
    std::string folder = connection.Folder();
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ADSHANDLE c = 0, t = 0;
        AdsConnect(folder.c_str(), &c);
        AdsOpenTable(c, "shared", nullptr, ADS_CDX, ADS_ANSI, ADS_PROPRIETARY_LOCKING, ADS_CHECKRIGHTS, 0, &t);
        bool written = AdsAppendRecord(t) == AE_SUCCESS && AdsSetField(t, "NAME", "a", 1) == AE_SUCCESS
            && AdsWriteRecord(t) == AE_SUCCESS && AdsCloseTable(t) == AE_SUCCESS;
        _exit(written ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the other process appended its record";
    EXPECT_EQ(Walk(table, order), (std::vector<std::string>{"a", "m"})) << "the other process's append shows at once";
    AppendRow(table, "z", 3);
    AdsCloseTable(table);

    table = OpenTable(connection.Handle(), "shared", ADS_CDX);
    ASSERT_ADS_OK(AdsGetIndexHandle(table, "NAMES", &order));
    EXPECT_EQ(Walk(table, order), (std::vector<std::string>{"a", "m", "z"}));
    AdsCloseTable(table);
}

} // namespace

namespace {

TEST(IndexFiles, OneThreadWalksAnOrderWhileAnotherAppends)
{
    FolderConnection connection;
    ADSHANDLE created = CreateTable(connection.Handle(), "busy", ADS_ADT, kFields);
    CreateIndex(created, "NAMES", "NAME");
    AdsCloseTable(created);
    ADSHANDLE other = 0;
    ASSERT_ADS_OK(AdsConnect(connection.Folder().c_str(), &other));
    ADSHANDLE writer = OpenTable(connection.Handle(), "busy", ADS_ADT);
    ADSHANDLE reader = OpenTable(other, "busy", ADS_ADT);
    ADSHANDLE order = 0;
    ASSERT_ADS_OK(AdsGetIndexHandle(reader, "NAMES", &order));
    std::thread appender([&] {
        for (int i = 0; i < 500; ++i)
            AppendRow(writer, "k" + std::to_string((i * 7919) % 1000), i);
    });
    bool sorted = true;
    // Forward passes only: a pass back would see the appends made meanwhile.
    for (int walk = 0; walk < 20; ++walk) {
        std::vector<std::string> names = WalkForward(reader, order);
        sorted = sorted && std::is_sorted(names.begin(), names.end());
    }
    appender.join();
    EXPECT_TRUE(sorted);
    EXPECT_EQ(Walk(reader, order).size(), 500u);
    AdsCloseTable(reader);
    AdsCloseTable(writer);
    AdsDisconnect(other);
}

} // namespace

namespace {

// What a writer killed between writing an appended record and its count
// leaves behind: one whole record past the count. The table still opens,
// without that unconfirmed record, and the next append takes its place.
TEST(IndexFiles, AnAppendCutShortBeforeItsCountLeavesAnOpenableTable)
{
    struct Kind {
        UNSIGNED16 type;
        const char* file;
        std::streamoff countOffset;
    };
    for (const Kind& k : {Kind{ADS_ADT, "cut.adt", 16}, Kind{ADS_CDX, "cut.dbf", 4}, Kind{ADS_NTX, "cut.dbf", 4}}) {
        SCOPED_TRACE(TypeName(k.type));
        FolderConnection connection;
        ADSHANDLE table = CreateTable(connection.Handle(), "cut", k.type, kFields);
        CreateIndex(table, "NAMES", "NAME");
        AppendRow(table, "kept", 1);
        AppendRow(table, "unsure", 2);
        AdsCloseTable(table);
        {
            std::fstream file(connection.File(k.file), std::ios::in | std::ios::out | std::ios::binary);
            file.seekp(k.countOffset);
            file.put('\x01');
        }
        table = OpenTable(connection.Handle(), "cut", k.type);
        UNSIGNED32 count = 0;
        ASSERT_ADS_OK(AdsGetRecordCount(table, ADS_IGNOREFILTERS, &count));
        EXPECT_EQ(count, 1u);
        AppendRow(table, "next", 3);
        ADSHANDLE order = 0;
        ASSERT_ADS_OK(AdsGetIndexHandle(table, "NAMES", &order));
        EXPECT_EQ(Walk(table, order), (std::vector<std::string>{"kept", "next"}));
        AdsCloseTable(table);
    }
}

} // namespace

namespace {

std::string FileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

TEST(IndexFiles, AReadOnlyOpenUsesItsIndexesAndWritesNoIndexFile)
{
    FolderConnection connection;
    ADSHANDLE table = CreateTable(connection.Handle(), "ro", ADS_CDX, kFields);
    for (const char* name : {"b", "a"})
        AppendRow(table, name, 1);
    CreateIndex(table, "NAMES", "NAME");
    AdsCloseTable(table);
    std::string before = FileBytes(connection.File("ro.cdx"));

    ADSHANDLE writer = OpenTable(connection.Handle(), "ro", ADS_CDX);
    ADSHANDLE reader = OpenTable(connection.Handle(), "ro", ADS_CDX, ADS_READONLY);
    ADSHANDLE order = 0;
    ASSERT_ADS_OK(AdsGetIndexHandle(reader, "NAMES", &order));
    EXPECT_EQ(Walk(reader, order), (std::vector<std::string>{"a", "b"}));
    ExpectFailure(AdsDeleteIndex(order), AE_TABLE_READ_ONLY, "read-only");
    AdsCloseTable(reader);
    EXPECT_EQ(FileBytes(connection.File("ro.cdx")), before);
    AdsCloseTable(writer);
}

} // namespace
