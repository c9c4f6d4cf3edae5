// Navigation over the buffer ring: both ends, rings smaller than the data,
// Resync, bookmarks, opening and its failure.
#include "memory_dataset.h"

#include <gtest/gtest.h>

namespace {

int Id(TDataSet& dataSet) { return dataSet.FieldByName(QStringLiteral("ID"))->AsInteger(); }

TEST(DataSetNavigation, AnEmptyDataSetIsAtBothEndsAtOnce) {
    auto data = MakeNumbers(0);
    EXPECT_TRUE(data->Bof());
    EXPECT_TRUE(data->Eof());
    EXPECT_TRUE(data->IsEmpty());
    EXPECT_EQ(data->MoveBy(1), 0);
    data->Last();
    EXPECT_TRUE(data->Bof());
    EXPECT_TRUE(data->Eof());
    data->Prior();
    EXPECT_TRUE(data->Bof());
    EXPECT_TRUE(data->FieldByName(QStringLiteral("ID"))->IsNull());
}

// Walking back from the last row until Bof, and forward from the first until
// Eof, visits every row once, whatever the ring size; at each end the last
// step sets the flag and leaves the end row current.
TEST(DataSetNavigation, WalksFromEitherEndVisitEveryRowWithAnyRingSize) {
    struct Case { int rows; int buffers; };
    for (Case c : {Case{1, 1}, Case{2, 1}, Case{5, 3}, Case{12, 4}, Case{12, 20}}) {
        SCOPED_TRACE(testing::Message() << c.rows << " rows, " << c.buffers << " buffers");
        auto data = MakeNumbers(c.rows);
        RingWindow window(data.get(), c.buffers);
        ASSERT_EQ(data->BufferCount(), c.buffers);

        QList<int> backward;
        data->Last();
        EXPECT_TRUE(data->Eof());
        EXPECT_FALSE(data->Bof());
        while (!data->Bof()) {
            backward << Id(*data);
            EXPECT_LE(data->BufferedRecordCount(), c.buffers);
            EXPECT_LT(data->ActiveRecord(), data->BufferedRecordCount());
            data->Prior();
        }
        EXPECT_EQ(Id(*data), 1) << "Prior on the first row keeps it";
        QList<int> expected;
        for (int i = c.rows; i >= 1; --i) expected << i;
        EXPECT_EQ(backward, expected);

        QList<int> forward = WalkForward(*data);
        std::reverse(expected.begin(), expected.end());
        EXPECT_EQ(forward, expected);
        EXPECT_EQ(Id(*data), c.rows) << "Next on the last row keeps it";
    }
}

TEST(DataSetNavigation, MoveByReportsHowFarItGotAndStopsAtTheEnds) {
    auto data = MakeNumbers(6);
    RingWindow window(data.get(), 3);
    struct Step { int distance; int moved; int id; bool bof; bool eof; };
    const Step steps[] = {
        {3, 3, 4, false, false},  {1, 1, 5, false, false}, {10, 1, 6, false, true},
        {-2, -2, 4, false, false}, {-10, -3, 1, true, false}, {0, 0, 1, false, false},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << "MoveBy(" << s.distance << ")");
        EXPECT_EQ(data->MoveBy(s.distance), s.moved);
        EXPECT_EQ(Id(*data), s.id);
        if (s.distance != 0) {
            EXPECT_EQ(data->Bof(), s.bof);
            EXPECT_EQ(data->Eof(), s.eof);
        }
    }
}

// The ring holds consecutive rows around the active one; the link's window
// follows it and reports how far the rows moved under it.
TEST(DataSetNavigation, TheRingHoldsConsecutiveRowsAndTheLinkWindowFollowsIt) {
    auto data = MakeNumbers(10);
    RingWindow window(data.get(), 3);
    data->First();
    EXPECT_EQ(data->BufferedRecordCount(), 3);
    EXPECT_EQ(window.link.RecordCount(), 3);
    for (int expectedActive : {1, 2, 2, 2}) {
        data->Next();
        EXPECT_EQ(data->ActiveRecord(), expectedActive);
        EXPECT_EQ(window.link.ActiveRecord(), expectedActive);
    }
    // Rows 3..5 are in the ring now, 5 active; the ring moved twice.
    EXPECT_EQ(Id(*data), 5);
    QStringList scrolls = window.link.log.filter(QStringLiteral("Scrolled"));
    EXPECT_EQ(scrolls, QStringList({"Scrolled 0", "Scrolled 0", "Scrolled 1", "Scrolled 1"}));
    QList<int> ring;
    for (int i = 0; i < data->BufferedRecordCount(); ++i) {
        data->MoveBy(i - data->ActiveRecord());
        ring << Id(*data);
    }
    EXPECT_EQ(ring, QList<int>({3, 4, 5}));
}

TEST(DataSetNavigation, ResyncCentresTheCurrentRowOrKeepsItsPlace) {
    auto data = MakeNumbers(20);
    RingWindow window(data.get(), 5);
    data->MoveBy(9);  // row 10, at the bottom of the ring
    ASSERT_EQ(Id(*data), 10);
    ASSERT_EQ(data->ActiveRecord(), 4);

    data->UpdateCursorPos();
    data->Resync({});
    EXPECT_EQ(Id(*data), 10);
    EXPECT_EQ(data->ActiveRecord(), 4);

    data->UpdateCursorPos();
    data->Resync({rmCenter});
    EXPECT_EQ(Id(*data), 10);
    EXPECT_EQ(data->ActiveRecord(), 2);

    // Near the start there are not enough rows before it to centre it.
    data->First();
    data->Next();
    data->UpdateCursorPos();
    data->Resync({rmExact, rmCenter});
    EXPECT_EQ(Id(*data), 2);
    EXPECT_EQ(data->ActiveRecord(), 1);
    EXPECT_EQ(data->BufferedRecordCount(), 5);
}

TEST(DataSetNavigation, ResyncAfterTheRowWentAwayShowsANeighbourUnlessExact) {
    auto data = MakeNumbers(5);
    data->MoveBy(2);
    ASSERT_EQ(Id(*data), 3);
    data->UpdateCursorPos();
    data->DropRow(2);
    try {
        data->Resync({rmExact});
        FAIL() << "an exact resync on a vanished row must fail";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Record not found"));
    }
    data->Resync({});
    EXPECT_EQ(Id(*data), 4) << "the next row stands in for the vanished one";
    data->DropRow(0);  // another vanished row, not under the cursor
    data->First();
    EXPECT_EQ(WalkForward(*data), QList<int>({2, 4, 5}));
}

TEST(DataSetNavigation, BookmarksSurviveDeletesOfOtherRowsAndFailCleanlyForDeletedOnes) {
    auto data = MakeNumbers(6);
    data->MoveBy(1);
    TBookmark second = data->GetBookmark();
    data->MoveBy(1);
    TBookmark third = data->GetBookmark();
    data->MoveBy(2);
    TBookmark fifth = data->GetBookmark();
    ASSERT_EQ(Id(*data), 5);
    EXPECT_LT(data->CompareBookmarks(second, fifth), 0);
    EXPECT_GT(data->CompareBookmarks(fifth, third), 0);
    EXPECT_EQ(data->CompareBookmarks(third, third), 0);

    data->GotoBookmark(third);
    data->Delete();
    EXPECT_EQ(Id(*data), 4) << "the next row takes the deleted one's place";
    EXPECT_FALSE(data->BookmarkValid(third));
    EXPECT_TRUE(data->BookmarkValid(fifth));

    data->GotoBookmark(fifth);
    EXPECT_EQ(Id(*data), 5);
    EXPECT_EQ(data->RecNo(), 4);
    data->GotoBookmark(second);
    EXPECT_EQ(Id(*data), 2);

    EXPECT_THROW(data->GotoBookmark(third), EDatabaseError);
    EXPECT_EQ(data->State(), dsBrowse);
    EXPECT_EQ(Id(*data), 2) << "a failed bookmark leaves the dataset where it was";
    data->Next();
    EXPECT_EQ(Id(*data), 4);
}

TEST(DataSetNavigation, OpeningRunsInItsOwnStateAndAFailureEndsClosed) {
    auto data = std::make_unique<TMemoryDataSet>();
    data->SetStructure(QStringLiteral("ID Integer"));
    QStringList states;
    data->BeforeOpen = [&](TDataSet* d) { states << StateName(d->State()); };
    data->AfterOpen = [&](TDataSet* d) { states << StateName(d->State()); };
    data->FailOpen = true;
    EXPECT_THROW(data->Open(), EDatabaseError);
    EXPECT_FALSE(data->Active());
    EXPECT_EQ(data->State(), dsInactive);
    EXPECT_EQ(data->Calls(), QStringList({"Open(dsOpening)", "Close"}));
    EXPECT_EQ(states, QStringList({"dsInactive"}));

    data->FailOpen = false;
    data->Open();
    EXPECT_EQ(states, QStringList({"dsInactive", "dsInactive", "dsBrowse"}));
    EXPECT_TRUE(data->Bof() && data->Eof());
    data->Close();
    EXPECT_EQ(data->Calls().last(), QStringLiteral("Close"));
    try {
        data->First();
        FAIL() << "a closed dataset cannot move";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot perform this operation on a closed dataset"));
    }
}

// The layer empties the ring to re-lay its buffers after an index change and
// grows it again; the dataset must still show the same row.
TEST(DataSetNavigation, TheRingCanBeEmptiedAndGrownAgain) {
    auto data = MakeNumbers(8);
    RingWindow window(data.get(), 4);
    data->MoveBy(5);
    ASSERT_EQ(Id(*data), 6);
    int count = data->BufferCount();
    data->UpdateCursorPos();
    data->SetBufferListSize(0);
    EXPECT_EQ(data->BufferListSize(), 0);
    data->SetBufferListSize(count + 1);
    data->Resync({});
    EXPECT_EQ(data->BufferCount(), count);
    EXPECT_EQ(Id(*data), 6);
    EXPECT_EQ(WalkForward(*data), QList<int>({1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(DataSetNavigation, RefreshKeepsTheActiveRowAndSeesRowsGoneBehindTheBack) {
    auto data = MakeNumbers(5);
    data->MoveBy(3);
    data->DropRow(1);
    data->Refresh();
    EXPECT_EQ(Id(*data), 4);
    EXPECT_EQ(WalkForward(*data), QList<int>({1, 3, 4, 5}));
}

}  // namespace

namespace {

// A subclass that moved the engine cursor for its own purposes says so with
// CurrentRecord -1; the next move starts from the active record again.
TEST(DataSetNavigation, ACursorMarkedAsMovedIsPutBackOnTheActiveRecordFirst) {
    auto data = MakeNumbers(6);
    data->MoveBy(2);
    EXPECT_EQ(data->Lookup(QStringLiteral("ID"), Variant(6), QStringLiteral("Name")).AsString(), QStringLiteral("n6"));
    EXPECT_EQ(data->CurrentRecord(), -1);
    data->Next();
    EXPECT_EQ(data->FieldByName(QStringLiteral("ID"))->AsInteger(), 4);
    data->SetCurrentRecord(-1);
    data->Last();
    data->Prior();
    EXPECT_EQ(data->FieldByName(QStringLiteral("ID"))->AsInteger(), 5);
}

}  // namespace

namespace {

TEST(DataSetNavigation, ADataSetThatGaveUpOnItsCursorOpensAgainWithFreshBuffers) {
    auto data = MakeNumbers(6);
    RingWindow window(data.get(), 3);
    data->MoveBy(4);
    data->Abandon();
    EXPECT_FALSE(data->Active());
    EXPECT_EQ(data->BufferListSize(), 0);
    EXPECT_FALSE(window.link.Active());
    data->SetStructure(QStringLiteral("ID Integer; Name String 20; Note String 200"));
    data->Open();
    EXPECT_EQ(data->BufferCount(), 3);
    EXPECT_EQ(WalkForward(*data), QList<int>({1, 2, 3, 4, 5, 6}));
    data->Last();
    data->Edit();
    data->FieldByName(QStringLiteral("Note"))->SetAsString(QString(200, QLatin1Char('x')));
    data->Post();
    EXPECT_EQ(data->FieldByName(QStringLiteral("Note"))->AsString().size(), 200);
}

}  // namespace
