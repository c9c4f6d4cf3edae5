// The edit cycle: edit, insert, append, post, cancel, delete, and what a
// failure leaves behind.
#include "memory_dataset.h"

#include <gtest/gtest.h>

namespace {

int Id(TDataSet& dataSet) { return dataSet.FieldByName(QStringLiteral("ID"))->AsInteger(); }
QString Name(TDataSet& dataSet) { return dataSet.FieldByName(QStringLiteral("Name"))->AsString(); }

QStringList Names(TDataSet& dataSet) {
    QStringList names;
    dataSet.First();
    while (!dataSet.Eof()) {
        names << Name(dataSet);
        dataSet.Next();
    }
    return names;
}

void ExpectError(const std::function<void()>& action, const QString& message) {
    try {
        action();
        ADD_FAILURE() << "expected: " << message.toStdString();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), message);
    }
}

TEST(DataSetEditing, EditAndPostStoreTheValueAndRunTheEventsInOrder) {
    auto data = MakeNumbers(3);
    QStringList events;
    auto record = [&](const char* name) { return [&events, name](TDataSet* d) { events << QStringLiteral("%1 %2").arg(QLatin1String(name), QLatin1String(StateName(d->State()))); }; };
    data->BeforeEdit = record("BeforeEdit");
    data->AfterEdit = record("AfterEdit");
    data->BeforePost = record("BeforePost");
    data->AfterPost = record("AfterPost");
    data->Next();
    data->Edit();
    EXPECT_EQ(data->State(), dsEdit);
    EXPECT_FALSE(data->Modified());
    data->FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("two"));
    EXPECT_TRUE(data->Modified());
    EXPECT_EQ(data->FieldByName(QStringLiteral("Name"))->OldValue().AsString(), QStringLiteral("n2"));
    data->Post();
    EXPECT_EQ(data->State(), dsBrowse);
    EXPECT_EQ(Name(*data), QStringLiteral("two"));
    EXPECT_EQ(events, QStringList({"BeforeEdit dsBrowse", "AfterEdit dsEdit", "BeforePost dsEdit", "AfterPost dsBrowse"}));
    EXPECT_EQ(Names(*data), QStringList({"n1", "two", "n3"}));
}

// A store that fails leaves the dataset editing, with the values entered;
// Cancel then gives the stored values back.
TEST(DataSetEditing, AFailedPostKeepsTheStateAndTheEnteredValues) {
    for (bool inserting : {false, true}) {
        SCOPED_TRACE(inserting ? "insert" : "edit");
        auto data = MakeNumbers(3);
        data->Next();
        if (inserting) data->Insert();
        else data->Edit();
        data->FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("entered"));
        data->OnStore = [] { throw EDatabaseError(QStringLiteral("disk full")); };
        ExpectError([&] { data->Post(); }, QStringLiteral("disk full"));
        EXPECT_EQ(data->State(), inserting ? dsInsert : dsEdit);
        EXPECT_EQ(Name(*data), QStringLiteral("entered"));
        EXPECT_TRUE(data->Modified());

        data->OnStore = nullptr;
        data->Cancel();
        EXPECT_EQ(data->State(), dsBrowse);
        EXPECT_EQ(Name(*data), QStringLiteral("n2"));
        EXPECT_EQ(data->RowCount(), 3);
    }
}

TEST(DataSetEditing, ThePostErrorEventCanRetryAbortOrLetTheErrorThrough) {
    struct Case { TDataAction action; int failures; bool posted; bool aborted; };
    for (Case c : {Case{daRetry, 2, true, false}, Case{daAbort, 1, false, true}, Case{daFail, 1, false, false}}) {
        SCOPED_TRACE(testing::Message() << "action " << int(c.action));
        auto data = MakeNumbers(1);
        data->Edit();
        data->FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("x"));
        int failures = c.failures;
        data->OnStore = [&] {
            if (failures-- > 0) throw EDatabaseError(QStringLiteral("locked"));
        };
        int calls = 0;
        data->OnPostError = [&](TDataSet*, EDatabaseError& e, TDataAction& action) {
            EXPECT_EQ(e.Message(), QStringLiteral("locked"));
            ++calls;
            action = c.action;
        };
        bool aborted = false;
        bool failed = false;
        try {
            data->Post();
        } catch (const EAbort&) {
            aborted = true;
        } catch (const EDatabaseError&) {
            failed = true;
        }
        EXPECT_EQ(calls, c.failures);
        EXPECT_EQ(aborted, c.aborted);
        EXPECT_EQ(failed, !c.posted && !c.aborted);
        EXPECT_EQ(data->State(), c.posted ? dsBrowse : dsEdit);
    }
}

TEST(DataSetEditing, ARequiredFieldWithoutValueStopsThePost) {
    auto data = MakeNumbers(1);
    data->Close();
    data->FieldDefs()->Items(1)->SetRequired(true);
    data->Open();
    data->Append();
    data->FieldByName(QStringLiteral("ID"))->SetAsInteger(9);
    ExpectError([&] { data->Post(); }, QStringLiteral("Field 'Name' must have a value"));
    EXPECT_EQ(data->State(), dsInsert);
    EXPECT_FALSE(data->Calls().contains(QStringLiteral("Store")));
    data->FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("named"));
    data->Post();
    EXPECT_EQ(data->RowCount(), 2);
}

// Cancelling an insert at the end goes back to the row that was last; at the
// start, to the first; in the middle, to the row the insert stood on.
TEST(DataSetEditing, CancellingAnInsertReturnsToTheRowItStoodBy) {
    struct Case { const char* name; int before; bool append; int idAfter; };
    for (Case c : {Case{"append", 2, true, 5}, Case{"insert at the start", 0, false, 1},
                   Case{"insert in the middle", 2, false, 3}, Case{"insert on the last row", 4, false, 5}}) {
        SCOPED_TRACE(c.name);
        auto data = MakeNumbers(5);
        RingWindow window(data.get(), 3);
        data->MoveBy(c.before);
        if (c.append) data->Append();
        else data->Insert();
        EXPECT_EQ(data->State(), dsInsert);
        EXPECT_TRUE(data->FieldByName(QStringLiteral("ID"))->IsNull());
        data->FieldByName(QStringLiteral("ID"))->SetAsInteger(99);
        data->Cancel();
        EXPECT_EQ(data->State(), dsBrowse);
        EXPECT_TRUE(data->Calls().contains(QStringLiteral("Cancel(dsInsert)")));
        EXPECT_EQ(Id(*data), c.idAfter);
        EXPECT_EQ(data->RowCount(), 5);
        EXPECT_EQ(WalkForward(*data), QList<int>({1, 2, 3, 4, 5}));
    }
}

TEST(DataSetEditing, InsertPutsTheRowBeforeTheCurrentOneAndAppendAtTheEnd) {
    auto data = MakeNumbers(3);
    data->Next();
    data->Insert();
    data->FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("inserted"));
    data->Post();
    EXPECT_EQ(Name(*data), QStringLiteral("inserted"));
    data->First();
    data->Append();
    data->FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("appended"));
    data->Post();
    EXPECT_EQ(Name(*data), QStringLiteral("appended"));
    data->InsertRecord({Variant(), Variant(QStringLiteral("record"))});
    EXPECT_EQ(Name(*data), QStringLiteral("record"));
    EXPECT_TRUE(data->FieldByName(QStringLiteral("ID"))->IsNull()) << "an empty value leaves the field as initialised";
    data->AppendRecord({Variant(7), Variant(QStringLiteral("last"))});
    EXPECT_EQ(Names(*data), QStringList({"n1", "inserted", "n2", "n3", "record", "appended", "last"}));
}

TEST(DataSetEditing, DeleteMovesToTheNextRowOrTheNewLastOne) {
    auto data = MakeNumbers(3);
    data->Next();
    data->Delete();
    EXPECT_EQ(Id(*data), 3);
    data->Delete();
    EXPECT_EQ(Id(*data), 1);
    data->Delete();
    EXPECT_TRUE(data->IsEmpty());
    EXPECT_TRUE(data->Bof() && data->Eof());
    ExpectError([&] { data->Delete(); }, QStringLiteral("Cannot perform this operation on an empty dataset"));
    data->Edit();  // nothing to edit: inserts instead
    EXPECT_EQ(data->State(), dsInsert);
}

TEST(DataSetEditing, TheFrameworkRefusesWritesOutsideTheEditStatesAndOnReadOnlyData) {
    auto data = MakeNumbers(2);
    TField* name = data->FieldByName(QStringLiteral("Name"));
    ExpectError([&] { name->SetAsString(QStringLiteral("x")); }, QStringLiteral("Dataset not in edit or insert mode"));
    ExpectError([&] { data->Post(); }, QStringLiteral("Dataset not in edit or insert mode"));
    name->SetReadOnly(true);
    data->Edit();
    ExpectError([&] { name->SetAsString(QStringLiteral("x")); }, QStringLiteral("Field 'Name' cannot be modified"));
    data->Cancel();
    data->ReadOnlyCursor = true;
    ExpectError([&] { data->Edit(); }, QStringLiteral("Cannot modify a read-only dataset"));
    ExpectError([&] { data->FieldByName(QStringLiteral("Age")); }, QStringLiteral("Field 'Age' not found"));
    EXPECT_EQ(data->FindField(QStringLiteral("age")), nullptr);
    EXPECT_EQ(data->FindField(QStringLiteral("name")), name);
}

TEST(DataSetEditing, CheckBrowseModePostsAModifiedRecordAndCancelsAnUntouchedOne) {
    auto data = MakeNumbers(2);
    data->Edit();
    data->CheckBrowseMode();
    EXPECT_EQ(data->State(), dsBrowse);
    EXPECT_FALSE(data->Calls().contains(QStringLiteral("Store")));
    data->Edit();
    data->FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("changed"));
    data->Next();  // moving posts first
    EXPECT_TRUE(data->Calls().contains(QStringLiteral("Store")));
    EXPECT_EQ(Names(*data), QStringList({"changed", "n2"}));
}

TEST(DataSetEditing, NewRecordHandlersFillDefaultsAndAFailingOneLeavesBrowsing) {
    auto data = MakeNumbers(2);
    data->OnNewRecord = [](TDataSet* d) { d->FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("default")); };
    data->Append();
    EXPECT_EQ(Name(*data), QStringLiteral("default"));
    EXPECT_FALSE(data->Modified()) << "defaults are not the user's changes";
    data->Post();
    EXPECT_EQ(data->RowCount(), 3);

    data->OnNewRecord = [](TDataSet*) { throw EDatabaseError(QStringLiteral("no defaults")); };
    data->First();
    ExpectError([&] { data->Insert(); }, QStringLiteral("no defaults"));
    EXPECT_EQ(data->State(), dsBrowse);
    EXPECT_EQ(Id(*data), 1);
    EXPECT_EQ(data->RowCount(), 3);
}

}  // namespace

namespace {

TEST(DataSetEditing, OnlyIndexFieldsTakeValuesInTheKeyState) {
    auto data = MakeNumbers(1);
    TDataSetState previous = data->SetTempState(dsSetKey);
    try {
        data->FieldByName(QStringLiteral("Name"))->SetAsString(QStringLiteral("key"));
        ADD_FAILURE() << "Name is not an index field of this dataset";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Field 'Name' is not indexed and cannot be modified"));
    }
    data->RestoreState(previous);
    EXPECT_EQ(data->State(), dsBrowse);
    EXPECT_FALSE(data->Modified());
}

}  // namespace
