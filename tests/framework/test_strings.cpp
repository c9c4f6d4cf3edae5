// String lists: change notifications, sorted mode, text.
#include "fixtures.h"

#include <gtest/gtest.h>

namespace {

TEST(StringList, ChangesNotifyAtOnceOutsideABracketAndOnceAtItsEnd) {
    TStringList list;
    int changes = 0;
    int changings = 0;
    list.OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, &list);
        ++changes;
    };
    list.OnChanging = [&](TObject*) { ++changings; };
    list.Add("a");
    list.Add("b");
    list.Clear();
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(changings, 3);

    changes = changings = 0;
    list.BeginUpdate();
    list.BeginUpdate();
    list.Add("x");
    list.Add("y");
    list.EndUpdate();
    EXPECT_EQ(changes, 0) << "inner EndUpdate does not fire";
    list.Delete(0);
    list.EndUpdate();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(changings, 1);

    changes = 0;
    list.BeginUpdate();
    list.EndUpdate();
    EXPECT_EQ(changes, 0) << "nothing changed in the bracket";

    changes = 0;
    list.SetStrings({"one", "two", "three"});
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(list.ToStringList(), QStringList({"one", "two", "three"}));
}

TEST(StringList, SortedModeKeepsOrderAndHandlesDuplicates) {
    TStringList list;
    list.SetSorted(true);
    for (const char* s : {"pear", "Apple", "fig", "apple", "Fig"}) list.Add(s);
    EXPECT_EQ(list.ToStringList(), QStringList({"Apple", "fig", "pear"})) << "duplicates ignored, without regard to case";
    EXPECT_EQ(list.IndexOf("PEAR"), 2);
    EXPECT_EQ(list.IndexOf("kiwi"), -1);
    EXPECT_THROW(list.Insert(0, "x"), EListError);

    list.SetDuplicates(dupError);
    EXPECT_THROW(list.Add("FIG"), EListError);
    list.SetDuplicates(dupAccept);
    list.Add("FIG");
    EXPECT_EQ(list.Count(), 4);
    int index = -1;
    EXPECT_TRUE(list.Find("fig", index));
    EXPECT_EQ(index, 1) << "the first of equal lines";

    list.SetCaseSensitive(true);
    EXPECT_EQ(list.IndexOf("APPLE"), -1);
}

TEST(StringList, TextJoinsWithLineBreaksAndSplitsAtAnyOfThem) {
    TStringList list;
    list.SetText("first\r\nsecond\n\nfourth\rfifth");
    EXPECT_EQ(list.ToStringList(), QStringList({"first", "second", "", "fourth", "fifth"}));
    EXPECT_EQ(list.Text(), "first\nsecond\n\nfourth\nfifth\n");
    list.SetText("");
    EXPECT_EQ(list.Count(), 0);
    list.SetText("one\n");
    EXPECT_EQ(list.ToStringList(), QStringList({"one"}));
    EXPECT_THROW(list.Get(1), EListError);
    EXPECT_THROW(list.Delete(-1), EListError);
}

TEST(StringList, AssignCopiesLinesAndRefusesOtherClasses) {
    TStringList source;
    source.SetStrings({"a", "b"});
    TStringList dest;
    dest.Add("old");
    dest.Assign(&source);
    EXPECT_EQ(dest.ToStringList(), QStringList({"a", "b"}));
    dest.AddStrings(dest);  // adding a list to itself doubles it
    EXPECT_EQ(dest.ToStringList(), QStringList({"a", "b", "a", "b"}));
    TTestFont font;
    try {
        dest.Assign(&font);
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Cannot assign a TTestFont to a TStringList");
    }
}

TEST(Collection, ItemsKnowTheirCollectionAndAssignCopiesThem) {
    TCollection source(TTestItem::StaticClass());
    auto* a = static_cast<TTestItem*>(source.Add());
    a->SetName("a");
    static_cast<TTestItem*>(source.Add())->SetName("b");
    EXPECT_EQ(a->Collection(), &source);
    EXPECT_EQ(source.Items(1)->Index(), 1);

    TCollection copy(TTestItem::StaticClass());
    copy.Add();
    copy.Assign(&source);
    ASSERT_EQ(copy.Count(), 2);
    EXPECT_EQ(static_cast<TTestItem*>(copy.Items(1))->Name(), "b");

    delete a;  // an item destroyed on its own leaves its collection
    EXPECT_EQ(source.Count(), 1);
    EXPECT_EQ(source.Items(0)->Index(), 0);
    EXPECT_THROW(source.Items(1), EListError);

    TCollection noItems(TComponent::StaticClass());
    EXPECT_THROW(noItems.Add(), EConvertError);
}

} // namespace
