// Index files shared between processes: edits, appends and deletes made by
// another process that keeps the table open show in this process's orders
// at once, in both directions, and what both saved stays whole.
#include "tests/engine/test_index_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>

using namespace apitest;
using namespace indextest;

namespace {

// Names in index order, read with raw calls (usable in the child, where a
// test assertion would report nothing).
std::string NamesInOrder(ADSHANDLE table, ADSHANDLE order)
{
    std::string names;
    UNSIGNED16 eof = 0;
    if (AdsGotoTop(order) != AE_SUCCESS)
        return "error: " + LastError().text;
    for (AdsAtEOF(table, &eof); !eof; AdsAtEOF(table, &eof)) {
        names += (names.empty() ? "" : ",") + FieldText(table, "NAME");
        if (AdsSkip(order, 1) != AE_SUCCESS)
            return "error: " + LastError().text;
    }
    return names;
}

// How many records hold `word` by an optimized CONTAINS filter, and whether
// the full-text index answered it ("2 full").
std::string Holding(ADSHANDLE table, const std::string& word)
{
    const std::string text = "CONTAINS(NAME, '" + word + "')";
    const std::u16string filter(text.begin(), text.end());
    UNSIGNED32 count = 0;
    UNSIGNED16 level = 0;
    char rest[100] = {};
    UNSIGNED32 length = sizeof rest;
    if (AdsSetAOF100(table, filter.c_str(), ADS_ENCODE_UTF16 | ADS_RESOLVE_IMMEDIATE) != AE_SUCCESS
        || AdsGetRecordCount(table, ADS_RESPECTFILTERS, &count) != AE_SUCCESS
        || AdsGetAOFOptLevel100(table, &level, rest, &length, 0) != AE_SUCCESS || AdsClearAOF(table) != AE_SUCCESS)
        return "error: " + LastError().text;
    return std::to_string(count) + (level == ADS_OPTIMIZED_FULL ? " full" : " unoptimized");
}

bool Rename(ADSHANDLE table, UNSIGNED32 recno, const std::string& name)
{
    return AdsGotoRecord(table, recno) == AE_SUCCESS
        && AdsSetField(table, "NAME", name.c_str(), UNSIGNED32(name.size())) == AE_SUCCESS
        && AdsWriteRecord(table) == AE_SUCCESS;
}

// A second process with the table open for the whole test, obeying one
// command per line: "rename <recno> <name>", "append <name>", "delete
// <recno>", "pick <recno>" (a custom key), "walk", "holding <word>"; it answers each with one line ("ok", the names in
// order, or the error).
class OtherProcess {
public:
    OtherProcess(const std::string& folder, UNSIGNED16 type)
    {
        int toChild[2], fromChild[2];
        if (pipe(toChild) != 0 || pipe(fromChild) != 0)
            throw std::runtime_error("no pipes");
        mPid = fork();
        if (mPid == 0) {
            close(toChild[1]);
            close(fromChild[0]);
            Serve(folder, type, fdopen(toChild[0], "r"), fdopen(fromChild[1], "w"));
            _exit(0);
        }
        close(toChild[0]);
        close(fromChild[1]);
        mTo = fdopen(toChild[1], "w");
        mFrom = fdopen(fromChild[0], "r");
    }
    ~OtherProcess()
    {
        fclose(mTo);
        fclose(mFrom);
        int status = 0;
        waitpid(mPid, &status, 0);
    }

    std::string Ask(const std::string& command)
    {
        fprintf(mTo, "%s\n", command.c_str());
        fflush(mTo);
        char line[4096] = {};
        if (!fgets(line, sizeof line, mFrom))
            return "no answer";
        std::string answer(line);
        if (!answer.empty() && answer.back() == '\n')
            answer.pop_back();
        return answer;
    }

private:
    static void Serve(const std::string& folder, UNSIGNED16 type, FILE* in, FILE* out)
    {
        ADSHANDLE connection = 0, table = 0, order = 0;
        AdsConnect(folder.c_str(), &connection);
        AdsOpenTable(connection, "shared", nullptr, type, ADS_ANSI, ADS_PROPRIETARY_LOCKING, ADS_CHECKRIGHTS, 0,
                     &table);
        AdsGetIndexHandle(table, "NAMES", &order);
        char line[256];
        while (fgets(line, sizeof line, in)) {
            std::istringstream words(line);
            std::string verb, name;
            UNSIGNED32 recno = 0;
            words >> verb;
            std::string answer = "ok";
            bool done = true;
            if (verb == "walk") {
                answer = NamesInOrder(table, order);
            } else if (verb == "holding" && words >> name) {
                answer = Holding(table, name);
            } else if (verb == "rename" && words >> recno >> name) {
                done = Rename(table, recno, name);
            } else if (verb == "append" && words >> name) {
                done = AdsAppendRecord(table) == AE_SUCCESS
                    && AdsSetField(table, "NAME", name.c_str(), UNSIGNED32(name.size())) == AE_SUCCESS
                    && AdsWriteRecord(table) == AE_SUCCESS;
            } else if (verb == "pick" && words >> recno) {
                ADSHANDLE picked = 0;
                done = AdsGetIndexHandle(table, "PICKED", &picked) == AE_SUCCESS
                    && AdsGotoRecord(table, recno) == AE_SUCCESS && AdsAddCustomKey(picked) == AE_SUCCESS;
            } else if (verb == "delete" && words >> recno) {
                done = AdsGotoRecord(table, recno) == AE_SUCCESS && AdsDeleteRecord(table) == AE_SUCCESS;
            } else {
                answer = "unknown command";
            }
            if (!done)
                answer = "error: " + LastError().text;
            fprintf(out, "%s\n", answer.c_str());
            fflush(out);
        }
        AdsCloseTable(table);
        AdsDisconnect(connection);
    }

    pid_t mPid = -1;
    FILE* mTo = nullptr;
    FILE* mFrom = nullptr;
};

class SharedIndexes : public ::testing::TestWithParam<UNSIGNED16> {
protected:
    // A shared table "shared" with records b, d, f and the tag NAMES, open
    // here; the other process opens it too.
    void SetUp() override
    {
        ADSHANDLE made = CreateTable(mConnection.Handle(), "shared", GetParam(), kFields);
        for (const char* name : {"b", "d", "f"})
            AppendRow(made, name, 1);
        CreateIndex(made, "NAMES", "NAME");
        AdsCloseTable(made); // created exclusively: open it again for sharing
        mTable = OpenTable(mConnection.Handle(), "shared", GetParam());
        ASSERT_ADS_OK(AdsGetIndexHandle(mTable, "NAMES", &mOrder));
    }
    void TearDown() override { AdsCloseTable(mTable); }

    std::string Here() { return NamesInOrder(mTable, mOrder); }
    std::string Reopened()
    {
        ADSHANDLE table = OpenTable(mConnection.Handle(), "shared", GetParam());
        ADSHANDLE order = 0;
        EXPECT_ADS_OK(AdsGetIndexHandle(table, "NAMES", &order));
        std::string names = NamesInOrder(table, order);
        AdsCloseTable(table);
        return names;
    }

    FolderConnection mConnection;
    ADSHANDLE mTable = 0;
    ADSHANDLE mOrder = 0;
};

TEST_P(SharedIndexes, ChangesOfEitherProcessShowInTheOtherWhileBothKeepTheTableOpen)
{
    ASSERT_EQ(Here(), "b,d,f");
    {
        OtherProcess other(mConnection.Folder(), GetParam());
        ASSERT_EQ(other.Ask("walk"), "b,d,f");
        // Each step: who changes what, and the order both then see.
        struct Step {
            bool here;
            std::string command;
            std::string expected;
        };
        const std::vector<Step> steps = {
            {false, "rename 1 x", "d,f,x"},  // a key moves to the end elsewhere
            {true, "rename 2 a", "a,f,x"},   // and here
            {false, "append c", "a,c,f,x"},  // an append elsewhere
            {false, "rename 4 g", "a,f,g,x"},
            {true, "append e", "a,e,f,g,x"},
            {false, "rename 3 b", "a,b,e,g,x"},
        };
        for (const Step& step : steps) {
            if (step.here) {
                std::istringstream words(step.command);
                std::string verb, name;
                UNSIGNED32 recno = 0;
                words >> verb;
                if (verb == "rename") {
                    words >> recno >> name;
                    ASSERT_TRUE(Rename(mTable, recno, name)) << LastError().text;
                } else {
                    words >> name;
                    AppendRow(mTable, name, 1);
                }
            } else {
                ASSERT_EQ(other.Ask(step.command), "ok") << step.command;
            }
            EXPECT_EQ(Here(), step.expected) << "here, after " << step.command;
            EXPECT_EQ(other.Ask("walk"), step.expected) << "there, after " << step.command;
        }
        // A seek here finds the key the other process gave.
        UNSIGNED16 found = 0;
        ASSERT_ADS_OK(AdsSeek(mOrder, reinterpret_cast<const UNSIGNED8*>("g"), 1, ADS_STRINGKEY, ADS_HARDSEEK, &found));
        EXPECT_TRUE(found);
        EXPECT_EQ(FieldText(mTable, "NAME"), "g");
    } // the other process closes its table: it saves its copy
    EXPECT_EQ(Here(), "a,b,e,g,x") << "after the other process saved and left";
    ASSERT_TRUE(Rename(mTable, 5, "h"));
    EXPECT_EQ(Reopened(), "a,b,g,h,x") << "another open in this process shares the copy";
    AdsCloseTable(mTable);
    mTable = OpenTable(mConnection.Handle(), "shared", GetParam());
    ASSERT_ADS_OK(AdsGetIndexHandle(mTable, "NAMES", &mOrder));
    EXPECT_EQ(Here(), "a,b,g,h,x") << "after both saved";
}

TEST_P(SharedIndexes, ADeleteElsewhereHidesTheRecordAndItsNewKeyStillCounts)
{
    UNSIGNED16 shown = 0;
    ASSERT_ADS_OK(AdsGetDeleted(&shown));
    ASSERT_ADS_OK(AdsSetDeleted(0));
    OtherProcess other(mConnection.Folder(), GetParam());
    ASSERT_EQ(other.Ask("delete 2"), "ok");
    ASSERT_EQ(other.Ask("rename 2 z"), "ok") << "a deleted record can still be written";
    EXPECT_EQ(Here(), "b,f");
    ASSERT_ADS_OK(AdsSetDeleted(1));
    EXPECT_EQ(Here(), "b,f,z") << "the deleted record is in the order under its new key";
    ASSERT_ADS_OK(AdsSetDeleted(shown));
}

TEST_P(SharedIndexes, FullTextLookupsSeeTheWordsOfTheOtherProcess)
{
    ADSHANDLE words = 0;
    ASSERT_ADS_OK(AdsCreateFTSIndex(mTable, nullptr, "WORDS", "NAME", 0, 0, 0, 0, &words));
    OtherProcess other(mConnection.Folder(), GetParam());
    ASSERT_EQ(other.Ask("holding fox"), "0 full");
    struct Step {
        bool here;
        UNSIGNED32 recno;
        const char* name;
        const char* expected; // records holding "fox", seen from both sides
    };
    const Step steps[] = {
        {false, 1, "fox", "1 full"},
        {true, 2, "fox", "2 full"},
        {false, 2, "hen", "1 full"},
        {true, 3, "fox", "2 full"},
    };
    for (const Step& step : steps) {
        if (step.here)
            ASSERT_TRUE(Rename(mTable, step.recno, step.name)) << LastError().text;
        else
            ASSERT_EQ(other.Ask("rename " + std::to_string(step.recno) + " " + step.name), "ok");
        EXPECT_EQ(Holding(mTable, "fox"), step.expected) << "here, record " << step.recno << " " << step.name;
        EXPECT_EQ(other.Ask("holding fox"), step.expected) << "there, record " << step.recno << " " << step.name;
    }
    ASSERT_EQ(other.Ask("append fox"), "ok");
    EXPECT_EQ(Holding(mTable, "fox"), "3 full");
}

TEST_P(SharedIndexes, CustomKeysGivenElsewhereShowHere)
{
    ADSHANDLE picked = 0;
    ASSERT_ADS_OK(AdsCreateIndex90(mTable, "", "PICKED", "NAME", "", "", ADS_COMPOUND | ADS_CUSTOM, 0, "", &picked));
    OtherProcess other(mConnection.Folder(), GetParam());
    ASSERT_EQ(other.Ask("pick 3"), "ok");
    EXPECT_EQ(NamesInOrder(mTable, picked), "f");
    ASSERT_ADS_OK(AdsGotoRecord(mTable, 1));
    ASSERT_ADS_OK(AdsAddCustomKey(picked));
    ASSERT_EQ(other.Ask("pick 2"), "ok");
    ASSERT_EQ(other.Ask("rename 1 z"), "ok");
    EXPECT_EQ(NamesInOrder(mTable, picked), "d,f,z");
}

INSTANTIATE_TEST_SUITE_P(EveryTableType, SharedIndexes, ::testing::Values(ADS_NTX, ADS_CDX, ADS_ADT, ADS_VFP),
                         [](const auto& info) { return std::string(TypeName(info.param)); });

} // namespace
