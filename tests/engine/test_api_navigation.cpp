// Navigation, visibility, counts and bookmarks through the C interface, at
// both ends of empty, one-record and many-record tables.
#include "tests/engine/test_api_support.h"

#include <vector>

using namespace apitest;

namespace {

class NamesTable {
public:
    NamesTable(UNSIGNED16 type, std::initializer_list<const char*> names)
    {
        mTable = CreateTable(mConnection.Handle(), "names", type, "NAME,Char,8;");
        AppendNames(mTable, names);
    }
    ADSHANDLE Handle() const { return mTable; }
    ADSHANDLE ConnectionHandle() const { return mConnection.Handle(); }

private:
    FolderConnection mConnection;
    ADSHANDLE mTable = 0;
};

// Walks the whole table forward from GotoBOF and backward from GotoEOF.
std::vector<std::string> Forward(ADSHANDLE table)
{
    std::vector<std::string> seen;
    EXPECT_EQ(AdsGotoBOF(table), AE_SUCCESS);
    for (int guard = 0; guard < 100; ++guard) {
        EXPECT_EQ(AdsSkip(table, 1), AE_SUCCESS);
        std::string where = Where(table);
        seen.push_back(where);
        if (where == "EOF" || where == "BOF+EOF")
            break;
    }
    return seen;
}

std::vector<std::string> Backward(ADSHANDLE table)
{
    std::vector<std::string> seen;
    EXPECT_EQ(AdsGotoEOF(table), AE_SUCCESS);
    for (int guard = 0; guard < 100; ++guard) {
        EXPECT_EQ(AdsSkip(table, -1), AE_SUCCESS);
        std::string where = Where(table);
        seen.push_back(where);
        if (where == "BOF" || where == "BOF+EOF")
            break;
    }
    return seen;
}

TEST(ApiNavigation, EndsOfEmptyOneAndManyRecordTables)
{
    struct Case {
        std::initializer_list<const char*> names;
        std::vector<std::string> forward;
        std::vector<std::string> backward;
        std::string top, bottom;
    };
    const Case cases[] = {
        {{}, {"BOF+EOF"}, {"BOF+EOF"}, "BOF+EOF", "BOF+EOF"},
        {{"one"}, {"one", "EOF"}, {"one", "BOF"}, "one", "one"},
        {{"a", "b", "c", "d"}, {"a", "b", "c", "d", "EOF"}, {"d", "c", "b", "a", "BOF"}, "a", "d"},
    };
    for (UNSIGNED16 type : {UNSIGNED16(ADS_ADT), UNSIGNED16(ADS_CDX)}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << "type " << type << ", " << c.names.size() << " records");
            NamesTable table(type, c.names);
            EXPECT_EQ(Forward(table.Handle()), c.forward);
            EXPECT_EQ(Backward(table.Handle()), c.backward);
            ASSERT_ADS_OK(AdsGotoTop(table.Handle()));
            EXPECT_EQ(Where(table.Handle()), c.top);
            ASSERT_ADS_OK(AdsGotoBottom(table.Handle()));
            EXPECT_EQ(Where(table.Handle()), c.bottom);
            // Skipping further past an end stays there.
            ASSERT_ADS_OK(AdsGotoEOF(table.Handle()));
            ASSERT_ADS_OK(AdsSkip(table.Handle(), 5));
            EXPECT_TRUE(AtEnds(table.Handle()).eof);
        }
    }
}

TEST(ApiNavigation, NoCurrentRecordAtTheEnds)
{
    NamesTable table(ADS_ADT, {"a", "b"});
    ASSERT_ADS_OK(AdsGotoEOF(table.Handle()));
    UNSIGNED16 visible = 9;
    ExpectFailure(AdsIsRecordVisible(table.Handle(), &visible), AE_NO_CURRENT_RECORD, "no current record");
    ExpectFailure(AdsRefreshRecord(table.Handle()), AE_NO_CURRENT_RECORD, "names.adt");
    UNSIGNED8 image[16];
    UNSIGNED32 length = sizeof image;
    ExpectFailure(AdsGetRecord(table.Handle(), image, &length), AE_NO_CURRENT_RECORD, "no current record");
    EXPECT_EQ(RecordNumber(table.Handle()), 0u);
    UNSIGNED32 bookmark = 7;
    ASSERT_ADS_OK(AdsGetBookmark(table.Handle(), &bookmark));
    EXPECT_EQ(bookmark, 0u) << "at an end the bookmark is 0 and the call succeeds";
    ASSERT_ADS_OK(AdsSkip(table.Handle(), -1));
    ASSERT_ADS_OK(AdsIsRecordVisible(table.Handle(), &visible));
    EXPECT_EQ(visible, 1);
}

TEST(ApiNavigation, RecordNumbersAndBookmarksAgree)
{
    NamesTable table(ADS_NTX, {"a", "b", "c"});
    ASSERT_ADS_OK(AdsGotoRecord(table.Handle(), 2));
    EXPECT_EQ(FieldText(table.Handle(), "NAME"), "b");
    UNSIGNED32 bookmark = 0, length = 4;
    UNSIGNED8 bytes[4] = {};
    ASSERT_ADS_OK(AdsGetBookmark(table.Handle(), &bookmark));
    ASSERT_ADS_OK(AdsGetBookmark60(table.Handle(), bytes, &length));
    EXPECT_EQ(length, 4u);
    UNSIGNED32 fromBytes = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | UNSIGNED32(bytes[3]) << 24;
    EXPECT_EQ(bookmark, 2u);
    EXPECT_EQ(fromBytes, 2u);
    EXPECT_EQ(RecordNumber(table.Handle()), 2u);

    ASSERT_ADS_OK(AdsGotoTop(table.Handle()));
    ASSERT_ADS_OK(AdsGotoBookmark(table.Handle(), bookmark));
    EXPECT_EQ(FieldText(table.Handle(), "NAME"), "b");

    UNSIGNED8 first[4] = {1, 0, 0, 0}, third[4] = {3, 0, 0, 0};
    SIGNED32 order = 0;
    ASSERT_ADS_OK(AdsCompareBookmarks(first, third, &order));
    EXPECT_LT(order, 0);
    ASSERT_ADS_OK(AdsCompareBookmarks(third, first, &order));
    EXPECT_GT(order, 0);
    ASSERT_ADS_OK(AdsCompareBookmarks(third, third, &order));
    EXPECT_EQ(order, 0);

    for (UNSIGNED32 bad : {0u, 4u, 1000u}) {
        SCOPED_TRACE(bad);
        ExpectFailure(AdsGotoRecord(table.Handle(), bad), AE_INVALID_RECORD_NUMBER, "3 records");
        EXPECT_TRUE(AtEnds(table.Handle()).eof);
    }
}

TEST(ApiNavigation, InvalidRecordOnAnEmptyTableLeavesBothEnds)
{
    NamesTable table(ADS_ADT, {});
    ExpectFailure(AdsGotoRecord(table.Handle(), 1), AE_INVALID_RECORD_NUMBER, "names.adt");
    EXPECT_EQ(AtEnds(table.Handle()), (Ends{true, true}));
}

TEST(ApiNavigation, DeletedRecordsAreSkippedOnlyWhenHidden)
{
    NamesTable table(ADS_CDX, {"a", "b", "c", "d", "e"});
    for (UNSIGNED32 recno : {2u, 4u}) {
        ASSERT_ADS_OK(AdsGotoRecord(table.Handle(), recno));
        ASSERT_ADS_OK(AdsDeleteRecord(table.Handle()));
        ASSERT_ADS_OK(AdsWriteRecord(table.Handle()));
    }
    struct Case {
        bool shown;
        std::vector<std::string> forward;
        UNSIGNED32 respecting;
    };
    const Case cases[] = {
        {true, {"a", "b", "c", "d", "e", "EOF"}, 5},
        {false, {"a", "c", "e", "EOF"}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        ShownDeleted setting(c.shown);
        EXPECT_EQ(Forward(table.Handle()), c.forward);
        UNSIGNED32 count = 0;
        ASSERT_ADS_OK(AdsGetRecordCount(table.Handle(), ADS_RESPECTFILTERS | ADS_REFRESHCOUNT, &count));
        EXPECT_EQ(count, c.respecting);
        ASSERT_ADS_OK(AdsGetRecordCount(table.Handle(), ADS_IGNOREFILTERS, &count));
        EXPECT_EQ(count, 5u);
        // Standing on a deleted record by number is allowed; it reports itself.
        ASSERT_ADS_OK(AdsGotoRecord(table.Handle(), 2));
        UNSIGNED16 visible = 9, deleted = 9;
        ASSERT_ADS_OK(AdsIsRecordVisible(table.Handle(), &visible));
        ASSERT_ADS_OK(AdsIsRecordDeleted(table.Handle(), &deleted));
        EXPECT_EQ(visible, c.shown ? 1 : 0);
        EXPECT_EQ(deleted, 1);
    }
    ShownDeleted hidden(false);
    ASSERT_ADS_OK(AdsGotoRecord(table.Handle(), 4));
    ASSERT_ADS_OK(AdsRecallRecord(table.Handle()));
    EXPECT_EQ(Forward(table.Handle()), (std::vector<std::string>{"a", "c", "d", "e", "EOF"}));
    UNSIGNED32 count = 0;
    ExpectFailure(AdsGetRecordCount(table.Handle(), 8, &count), AE_INVALID_ARGUMENT, "filter option 8");
}

TEST(ApiNavigation, PackRenumbersAndOldBookmarksPastTheEndAreRefused)
{
    FolderConnection connection;
    ADSHANDLE table = CreateTable(connection.Handle(), "pack", ADS_VFP, "NAME,Char,8;");
    AppendNames(table, {"a", "b", "c", "d", "e"});
    ASSERT_ADS_OK(AdsGotoRecord(table, 5));
    UNSIGNED32 bookmarkOfE = 0;
    ASSERT_ADS_OK(AdsGetBookmark(table, &bookmarkOfE));
    for (UNSIGNED32 recno : {1u, 3u}) {
        ASSERT_ADS_OK(AdsGotoRecord(table, recno));
        ASSERT_ADS_OK(AdsDeleteRecord(table));
    }
    ASSERT_ADS_OK(AdsPackTable(table));
    EXPECT_EQ(Where(table), "b") << "pack leaves the cursor on the first record";
    UNSIGNED32 count = 0;
    ASSERT_ADS_OK(AdsGetRecordCount(table, ADS_IGNOREFILTERS, &count));
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(Forward(table), (std::vector<std::string>{"b", "d", "e", "EOF"}));
    ExpectFailure(AdsGotoBookmark(table, bookmarkOfE), AE_INVALID_RECORD_NUMBER, "3 records");
    ASSERT_ADS_OK(AdsGotoRecord(table, 3));
    EXPECT_EQ(FieldText(table, "NAME"), "e");

    ASSERT_ADS_OK(AdsZapTable(table));
    EXPECT_EQ(AtEnds(table), (Ends{true, true}));
    ASSERT_ADS_OK(AdsGetRecordCount(table, ADS_IGNOREFILTERS, &count));
    EXPECT_EQ(count, 0u);
    AdsCloseTable(table);
}

TEST(ApiNavigation, PackAndZapNeedAnExclusiveOpen)
{
    FolderConnection connection;
    ADSHANDLE created = CreateTable(connection.Handle(), "shared", ADS_ADT, "NAME,Char,8;");
    AppendNames(created, {"a"});
    AdsCloseTable(created);
    ADSHANDLE table = OpenTable(connection.Handle(), "shared", ADS_ADT);
    ExpectFailure(AdsPackTable(table), AE_EXCLUSIVE_REQUIRED, "shared");
    ExpectFailure(AdsZapTable(table), AE_EXCLUSIVE_REQUIRED, "shared");
    UNSIGNED32 count = 0;
    ASSERT_ADS_OK(AdsGetRecordCount(table, ADS_IGNOREFILTERS, &count));
    EXPECT_EQ(count, 1u) << "a refused zap loses nothing";
    AdsCloseTable(table);
}

TEST(ApiNavigation, KeyNumbersWithoutAnIndexFollowTheVisibleRecords)
{
    NamesTable table(ADS_ADT, {"a", "b", "c"});
    ASSERT_ADS_OK(AdsGotoRecord(table.Handle(), 2));
    ASSERT_ADS_OK(AdsDeleteRecord(table.Handle()));
    ShownDeleted hidden(false);
    ASSERT_ADS_OK(AdsGotoRecord(table.Handle(), 3));
    UNSIGNED32 key = 0;
    ASSERT_ADS_OK(AdsGetKeyNum(table.Handle(), ADS_RESPECTFILTERS, &key));
    EXPECT_EQ(key, 2u);
    ASSERT_ADS_OK(AdsGetKeyNum(table.Handle(), ADS_IGNOREFILTERS, &key));
    EXPECT_EQ(key, 3u);
    UNSIGNED32 keys = 0;
    ASSERT_ADS_OK(AdsGetKeyCount(table.Handle(), ADS_RESPECTFILTERS, &keys));
    EXPECT_EQ(keys, 2u);
    ASSERT_ADS_OK(AdsGetKeyCount(table.Handle(), ADS_IGNOREFILTERS, &keys));
    EXPECT_EQ(keys, 3u);
    ADSHANDLE index = 99;
    ASSERT_ADS_OK(AdsGetIndexHandle(table.Handle(), nullptr, &index));
    EXPECT_EQ(index, 0u) << "no index is active";
    UNSIGNED16 indexes = 9;
    ASSERT_ADS_OK(AdsGetNumIndexes(table.Handle(), &indexes));
    EXPECT_EQ(indexes, 0);
}

} // namespace

namespace {

TEST(ApiNavigation, FilterAndScopeQuestionsAnswerThatNoneIsSet)
{
    NamesTable table(ADS_ADT, {"a"});
    char none[1];
    UNSIGNED16 length = 0;
    ExpectFailure(AdsGetAOF(table.Handle(), none, &length), AE_NO_FILTER, "names.adt");
    ExpectFailure(AdsGetFilter(table.Handle(), none, &length), AE_NO_FILTER, "names.adt");
    ExpectFailure(AdsClearAOF(table.Handle()), AE_NO_FILTER, "optimized filter");
    ExpectFailure(AdsClearFilter(table.Handle()), AE_NO_FILTER, "filter");
    ExpectFailure(AdsGetScope(table.Handle(), ADS_TOP, none, &length), AE_NO_SCOPE, "scope");
    ExpectFailure(AdsClearScope(table.Handle(), ADS_BOTTOM), AE_NO_SCOPE, "scope");
    EXPECT_ADS_OK(AdsClearAllScopes(table.Handle()));

    UNSIGNED16 exact = 9;
    ASSERT_ADS_OK(AdsGetExact22(table.Handle(), &exact));
    EXPECT_EQ(exact, 0);
    ASSERT_ADS_OK(AdsSetExact22(table.Handle(), 1));
    ASSERT_ADS_OK(AdsGetExact22(table.Handle(), &exact));
    EXPECT_EQ(exact, 1);
}

} // namespace

namespace {

// Callers read a cursor they just got without moving it first.
TEST(ApiNavigation, NewCursorsStandOnTheirFirstRecord)
{
    for (UNSIGNED16 type : {ADS_NTX, ADS_CDX, ADS_ADT, ADS_VFP}) {
        FolderConnection connection;
        for (const char* name : {"full", "empty"}) {
            ADSHANDLE created = CreateTable(connection.Handle(), name, type, "NAME,Char,8;");
            if (std::string(name) == "full")
                AppendNames(created, {"carl", "ann"});
            ASSERT_EQ(AdsCloseTable(created), AE_SUCCESS);
        }
        ADSHANDLE full = OpenTable(connection.Handle(), "full", type);
        EXPECT_EQ(Where(full), "carl") << type;
        ADSHANDLE empty = OpenTable(connection.Handle(), "empty", type);
        EXPECT_EQ(Where(empty), "BOF+EOF") << type;

        ADSHANDLE statement = 0;
        ASSERT_EQ(AdsCreateSQLStatement(connection.Handle(), &statement), AE_SUCCESS);
        ADSHANDLE result = 0;
        ASSERT_EQ(AdsExecuteSQLDirect(statement, "SELECT NAME FROM full ORDER BY NAME", &result), AE_SUCCESS)
            << LastError().text;
        EXPECT_EQ(Where(result), "ann") << type;
        EXPECT_EQ(AdsCloseTable(result), AE_SUCCESS);
        EXPECT_EQ(AdsCloseSQLStatement(statement), AE_SUCCESS);
        EXPECT_EQ(AdsCloseTable(full), AE_SUCCESS);
        EXPECT_EQ(AdsCloseTable(empty), AE_SUCCESS);
    }
}

} // namespace
