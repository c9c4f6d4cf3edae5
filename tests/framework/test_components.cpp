// Owners, names, states and removal notifications of components.
#include "fixtures.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class ComponentTest : public ::testing::Test {
protected:
    void SetUp() override { EventLog().clear(); }
};

TEST_F(ComponentTest, OwnerListsItsComponentsInOrderAndFindsThemWithoutRegardToCase) {
    TTestForm form(nullptr);
    auto* a = new TTestWidget(&form);
    auto* b = new TTestWidget(&form);
    a->SetName("Alpha");
    b->SetName("Beta");
    ASSERT_EQ(form.ComponentCount(), 2);
    EXPECT_EQ(form.Components(0), a);
    EXPECT_EQ(form.Components(1), b);
    EXPECT_EQ(b->ComponentIndex(), 1);
    EXPECT_EQ(form.FindComponent("BETA"), b);
    EXPECT_EQ(form.FindComponent("Gamma"), nullptr);
    EXPECT_THROW(form.Components(2), EListError);
}

TEST_F(ComponentTest, NamesMustBeIdentifiersAndUniqueUnderOneOwner) {
    TTestForm form(nullptr);
    auto* a = new TTestWidget(&form);
    a->SetName("Edit1");
    auto* b = new TTestWidget(&form);
    struct Case {
        const char* name;
        bool accepted;
    } cases[] = {
        {"Edit2", true}, {"_private", true}, {"x9", true}, {"", true},
        {"9lives", false}, {"with space", false}, {"Dot.ted", false}, {"Caf\u00e9", false},
        {"EDIT1", false},  // taken by a, whatever the case
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.accepted) {
            EXPECT_NO_THROW(b->SetName(QString::fromUtf8(c.name)));
        } else {
            EXPECT_THROW(b->SetName(QString::fromUtf8(c.name)), EComponentError);
        }
    }
    EXPECT_EQ(a->Name(), "Edit1");
    // A component may change the case of its own name.
    EXPECT_NO_THROW(a->SetName("EDIT1"));
}

TEST_F(ComponentTest, RenameHookSeesOldAndNewNameAndOwnerFieldsFollow) {
    TTestForm form(nullptr);
    auto* w = new TTestWidget(&form);
    w->SetName("Button1");
    EXPECT_EQ(form.Button1, w);
    w->SetName("Other");
    EXPECT_EQ(form.Button1, nullptr);
    EXPECT_EQ(EventLog(), QStringList({"Renamed  -> Button1", "Renamed Button1 -> Other"}));
}

TEST_F(ComponentTest, OwnerDestroysItsComponentsLastFirstAllMarkedDestroying) {
    auto form = std::make_unique<TTestForm>(nullptr);
    for (const char* name : {"A", "B", "C"}) (new TTestWidget(form.get()))->SetName(name);
    EventLog().clear();
    form.reset();
    EXPECT_EQ(EventLog(), QStringList({"~C", "~B", "~A"}));
}

TEST_F(ComponentTest, ComponentDestroyedFirstLeavesItsOwnerAndClearsReferencesAndFields) {
    TTestForm form(nullptr);
    auto* button = new TTestWidget(&form);
    button->SetName("Button1");
    auto* other = new TTestWidget(&form);
    other->SetName("Other");
    FindPropInfo(other, "Buddy")->SetReference(other, button);
    delete button;
    EXPECT_EQ(form.ComponentCount(), 1);
    EXPECT_EQ(form.FindComponent("Button1"), nullptr);
    EXPECT_EQ(form.Button1, nullptr);
    EXPECT_EQ(other->Buddy(), nullptr);
}

TEST_F(ComponentTest, ReferenceAcrossOwnersIsClearedWhenTheTargetGoes) {
    TTestForm form1(nullptr);
    auto form2 = std::make_unique<TTestForm>(nullptr);
    auto* holder = new TTestWidget(&form1);
    auto* target = new TTestWidget(form2.get());
    FindPropInfo(holder, "Buddy")->SetReference(holder, target);
    ASSERT_EQ(holder->Buddy(), target);
    form2.reset();
    EXPECT_EQ(holder->Buddy(), nullptr);
}

TEST_F(ComponentTest, HolderDestroyedFirstIsForgottenByItsTarget) {
    TTestForm form1(nullptr);
    TTestForm form2(nullptr);
    auto* holder = new TTestWidget(&form1);
    auto* target = new TTestWidget(&form2);
    FindPropInfo(holder, "Buddy")->SetReference(holder, target);
    delete holder;
    delete target;  // must not call back into the destroyed holder
    SUCCEED();
}

TEST_F(ComponentTest, SiblingsStillAliveDuringOwnerTeardownDropReferencesToDestroyedOnes) {
    auto form = std::make_unique<TTestForm>(nullptr);
    auto* first = new TTestWidget(form.get());
    first->SetName("First");
    auto* last = new TTestWidget(form.get());
    last->SetName("Last");
    FindPropInfo(first, "Buddy")->SetReference(first, last);
    EventLog().clear();
    form.reset();  // Last goes first; First must not hold it any more
    EXPECT_EQ(EventLog(), QStringList({"~Last", "~First"}));
}

TEST_F(ComponentTest, InsertingMovesAComponentBetweenOwnersAndDesigningSpreads) {
    TTestForm form1(nullptr);
    TTestForm form2(nullptr);
    form2.SetDesigning(true);
    auto* w = new TTestWidget(&form1);
    w->SetName("Button1");
    EXPECT_FALSE(w->IsDesigning());
    form2.InsertComponent(w);
    EXPECT_EQ(w->Owner(), &form2);
    EXPECT_EQ(form1.ComponentCount(), 0);
    EXPECT_EQ(form1.Button1, nullptr);
    EXPECT_EQ(form2.Button1, w);
    EXPECT_TRUE(w->IsDesigning());
    auto* clash = new TTestWidget(&form1);
    clash->SetName("Button1");
    EXPECT_THROW(form2.InsertComponent(clash), EComponentError);
    EXPECT_EQ(clash->Owner(), &form1);
}

TEST_F(ComponentTest, ComponentsMadeInCodeAreNotLoading) {
    TTestForm form(nullptr);
    auto* w = new TTestWidget(&form);
    EXPECT_FALSE(w->LoadingInConstructor());
    EXPECT_TRUE(w->ComponentState().Empty());
}

} // namespace
