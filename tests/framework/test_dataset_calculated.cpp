// Calculated and lookup fields, filters with OnFilterRecord, the find
// requests, Locate and Lookup.
#include "memory_dataset.h"

#include <gtest/gtest.h>

namespace {

int Id(TDataSet& dataSet) { return dataSet.FieldByName(QStringLiteral("ID"))->AsInteger(); }

// Persistent fields made in code: ID, Name and a calculated "Label".
struct Labelled {
    TComponent form{nullptr};
    std::unique_ptr<TMemoryDataSet> data = MakeNumbers(5);
    TIntegerField* id = new TIntegerField(&form);
    TStringField* name = new TStringField(&form);
    TStringField* label = new TStringField(&form);
    int calculations = 0;

    Labelled() {
        data->Close();
        id->SetFieldName(QStringLiteral("ID"));
        id->SetDataSet(data.get());
        name->SetFieldName(QStringLiteral("Name"));
        name->SetDataSet(data.get());
        label->SetFieldName(QStringLiteral("Label"));
        label->SetFieldKind(fkCalculated);
        label->SetSize(30);
        label->SetDataSet(data.get());
        data->OnCalcFields = [this](TDataSet* d) {
            ++calculations;
            EXPECT_EQ(d->State(), dsCalcFields);
            label->SetAsString(name->AsString() + QStringLiteral("#") + id->AsString());
        };
        data->Open();
    }
};

TEST(DataSetCalculated, CalculatedFieldsLiveInTheCalculatedAreaOfEachBuffer) {
    Labelled t;
    EXPECT_FALSE(t.data->DefaultFields());
    EXPECT_EQ(t.label->FieldNo(), -1);
    EXPECT_EQ(t.label->Offset(), 0);
    EXPECT_EQ(t.data->CalcFieldsSize(), 1 + 31);
    QStringList labels;
    t.data->First();
    while (!t.data->Eof()) {
        labels << t.label->AsString();
        t.data->Next();
    }
    EXPECT_EQ(labels, QStringList({"n1#1", "n2#2", "n3#3", "n4#4", "n5#5"}));
    EXPECT_GE(t.calculations, 5);

    // Only calculated fields take values while calculating.
    t.data->OnCalcFields = [&](TDataSet*) { t.id->SetAsInteger(5); };
    try {
        t.data->First();
        ADD_FAILURE() << "a data field written in OnCalcFields must be refused";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Dataset not in edit or insert mode"));
    }
    EXPECT_EQ(t.data->State(), dsBrowse);
}

TEST(DataSetCalculated, AutoCalcFieldsRecomputesOnEveryDataFieldChange) {
    for (bool autoCalc : {true, false}) {
        SCOPED_TRACE(autoCalc ? "AutoCalcFields" : "no AutoCalcFields");
        Labelled t;
        t.data->SetAutoCalcFields(autoCalc);
        t.data->Edit();
        t.name->SetAsString(QStringLiteral("new"));
        EXPECT_EQ(t.label->AsString(), autoCalc ? QStringLiteral("new#1") : QStringLiteral("n1#1"));
        t.data->Post();
        EXPECT_EQ(t.label->AsString(), QStringLiteral("new#1")) << "the re-read after the post calculates";
    }
}

TEST(DataSetCalculated, ALookupFieldShowsTheOtherDataSetsValueForTheKey) {
    TComponent form(nullptr);
    auto cities = std::make_unique<TMemoryDataSet>();
    cities->SetStructure(QStringLiteral("Code Integer; City String 20"));
    cities->Open();
    cities->AppendRecord({Variant(10), Variant(QStringLiteral("Lyon"))});
    cities->AppendRecord({Variant(20), Variant(QStringLiteral("Nantes"))});

    auto people = std::make_unique<TMemoryDataSet>();
    people->SetStructure(QStringLiteral("Name String 20; CityCode Integer"));
    people->Open();
    people->AppendRecord({Variant(QStringLiteral("Ana")), Variant(20)});
    people->AppendRecord({Variant(QStringLiteral("Bo")), Variant(30)});
    people->AppendRecord({Variant(QStringLiteral("Cy")), Variant(10)});
    people->Close();

    auto* nameField = new TStringField(&form);
    nameField->SetFieldName(QStringLiteral("Name"));
    nameField->SetDataSet(people.get());
    auto* codeField = new TIntegerField(&form);
    codeField->SetFieldName(QStringLiteral("CityCode"));
    codeField->SetDataSet(people.get());
    auto* city = new TStringField(&form);
    city->SetFieldName(QStringLiteral("City"));
    city->SetFieldKind(fkLookup);
    city->SetDataSet(people.get());
    EXPECT_THROW(people->Open(), EDatabaseError) << "lookup information incomplete";
    city->SetLookupDataSet(cities.get());
    city->SetKeyFields(QStringLiteral("CityCode"));
    city->SetLookupKeyFields(QStringLiteral("Code"));
    city->SetLookupResultField(QStringLiteral("City"));
    people->Open();
    cities->First();

    QStringList shown;
    people->First();
    while (!people->Eof()) {
        shown << (city->IsNull() ? QStringLiteral("(none)") : city->AsString());
        people->Next();
    }
    EXPECT_EQ(shown, QStringList({"Nantes", "(none)", "Lyon"}));
    EXPECT_EQ(cities->FieldByName(QStringLiteral("Code"))->AsInteger(), 10) << "the lookup dataset stays where it was";
}

TEST(DataSetCalculated, OnFilterRecordHidesRowsForEveryWayOfMoving) {
    auto data = MakeNumbers(9);
    RingWindow window(data.get(), 2);
    QStringList statesSeen;
    data->OnFilterRecord = [&](TDataSet* d, bool& accept) {
        statesSeen << StateName(d->State());
        accept = d->FieldByName(QStringLiteral("ID"))->AsInteger() % 3 == 0;
    };
    data->SetFiltered(true);
    EXPECT_EQ(Id(*data), 3);
    EXPECT_EQ(WalkForward(*data), QList<int>({3, 6, 9}));
    data->Last();
    EXPECT_EQ(Id(*data), 9);
    data->Prior();
    EXPECT_EQ(Id(*data), 6);
    EXPECT_EQ(statesSeen.filter(QStringLiteral("dsFilter")).size(), statesSeen.size());

    data->OnFilterRecord = [](TDataSet*, bool& accept) { accept = false; };
    data->First();
    EXPECT_TRUE(data->IsEmpty());
    data->SetFiltered(false);
    EXPECT_EQ(WalkForward(*data).size(), 9);
}

TEST(DataSetCalculated, AnExceptionInOnFilterRecordGoesToTheApplicationHandlerWhenThereIsOne) {
    auto data = MakeNumbers(3);
    data->OnFilterRecord = [](TDataSet* d, bool& accept) {
        if (d->FieldByName(QStringLiteral("ID"))->AsInteger() == 2) throw EDatabaseError(QStringLiteral("bad filter"));
        accept = true;
    };
    data->SetFiltered(true);
    EXPECT_THROW(data->Next(), EDatabaseError);
    EXPECT_EQ(data->State(), dsBrowse);

    QStringList handled;
    SetApplicationExceptionHandler([&](const Exception& e) { handled << e.Message(); });
    data->First();
    EXPECT_EQ(WalkForward(*data), QList<int>({1, 2, 3}));
    SetApplicationExceptionHandler(nullptr);
    EXPECT_FALSE(handled.isEmpty());
    EXPECT_EQ(handled.first(), QStringLiteral("bad filter"));
}

TEST(DataSetCalculated, TheFindRequestsWalkWithTheFilterEventWithoutFiltering) {
    auto data = MakeNumbers(8);
    data->OnFilterRecord = [](TDataSet* d, bool& accept) { accept = d->FieldByName(QStringLiteral("ID"))->AsInteger() % 2 == 0; };
    struct Step { const char* name; bool (TDataSet::*find)(); bool found; int id; };
    const Step steps[] = {
        {"FindFirst", &TDataSet::FindFirst, true, 2}, {"FindNext", &TDataSet::FindNext, true, 4},
        {"FindLast", &TDataSet::FindLast, true, 8},   {"FindNext", &TDataSet::FindNext, false, 8},
        {"FindPrior", &TDataSet::FindPrior, true, 6},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        EXPECT_EQ((data.get()->*s.find)(), s.found);
        EXPECT_EQ(data->Found(), s.found);
        EXPECT_EQ(Id(*data), s.id);
    }
    EXPECT_EQ(WalkForward(*data).size(), 8) << "finding does not filter";
}

TEST(DataSetCalculated, LocateMovesToTheMatchAndLookupOnlyReads) {
    auto data = MakeNumbers(6);
    struct Case { const char* name; QString fields; Variant keys; TLocateOptions options; bool found; int id; };
    const Case cases[] = {
        {"exact name", "Name", Variant(QStringLiteral("n4")), {}, true, 4},
        {"case differs", "Name", Variant(QStringLiteral("N5")), {}, false, 4},
        {"case ignored", "Name", Variant(QStringLiteral("N5")), {loCaseInsensitive}, true, 5},
        {"partial key", "Name", Variant(QStringLiteral("n")), {loPartialKey}, true, 1},
        {"two fields", "ID;Name", Variant::Array({Variant(3), Variant(QStringLiteral("n3"))}), {}, true, 3},
        {"number as text", "ID", Variant(QStringLiteral("6")), {}, true, 6},
        {"no such row", "ID", Variant(60), {}, false, 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(data->Locate(c.fields, c.keys, c.options), c.found);
        EXPECT_EQ(Id(*data), c.id);
    }
    data->First();
    EXPECT_EQ(data->Lookup(QStringLiteral("ID"), Variant(5), QStringLiteral("Name")).AsString(), QStringLiteral("n5"));
    Variant both = data->Lookup(QStringLiteral("Name"), Variant(QStringLiteral("n2")), QStringLiteral("ID;Name"));
    ASSERT_TRUE(both.IsArray());
    EXPECT_EQ(both.Element(0).AsInteger(), 2);
    EXPECT_TRUE(data->Lookup(QStringLiteral("ID"), Variant(50), QStringLiteral("Name")).IsNull());
    EXPECT_EQ(Id(*data), 1);
    EXPECT_THROW(data->Locate(QStringLiteral("Nope"), Variant(1), {}), EDatabaseError);
}

}  // namespace
