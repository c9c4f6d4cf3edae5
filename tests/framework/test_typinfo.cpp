// Class records: the registry, inheritance of published properties, access
// by path.
#include "fixtures.h"

#include <gtest/gtest.h>

namespace {

// Publishes Width again with another default, as a derived control does.
class TWideWidget : public TTestWidget {
    VARNEL_DECLARE_CLASS(TWideWidget, TTestWidget)

public:
    explicit TWideWidget(TComponent* owner) : TTestWidget(owner) { SetWidth(100); }
};

} // namespace

VARNEL_PUBLISH(TWideWidget, c) {
    c.prop("Width", &TWideWidget::Width, &TWideWidget::SetWidth).def(100);
}

namespace {

TEST(ClassRecords, RegistryCreatesByNameAndKnowsTheClassChain) {
    TMetaClass* meta = FindClass("twidewidget");
    ASSERT_EQ(meta, TWideWidget::StaticClass());
    EXPECT_EQ(meta->Parent(), TTestWidget::StaticClass());
    EXPECT_TRUE(meta->InheritsFrom(TComponent::StaticClass()));
    EXPECT_FALSE(TTestWidget::StaticClass()->InheritsFrom(meta));
    TTestForm form(nullptr);
    TComponent* made = meta->CreateComponent(&form);
    EXPECT_EQ(made->ClassName(), "TWideWidget");
    EXPECT_EQ(made->Owner(), &form);
    EXPECT_EQ(FindClass("TNowhere"), nullptr);
    EXPECT_THROW(GetClass("TNowhere"), EClassNotFound);
    // Another record under a taken name is refused; the same one is fine.
    TMetaClass impostor(QStringLiteral("TTestWidget"), TComponent::StaticClass());
    EXPECT_THROW(RegisterClass(&impostor), EComponentError);
    EXPECT_NO_THROW(RegisterClass<TTestWidget>());
    // Abstract or owner-less classes have no factory.
    EXPECT_FALSE(TStrings::StaticClass()->CanCreateComponent());
    EXPECT_THROW(TStrings::StaticClass()->CreateComponent(nullptr), EClassNotFound);
}

TEST(ClassRecords, ADerivedClassRepublishesAPropertyInItsAncestorsPlace) {
    const auto props = TWideWidget::StaticClass()->Properties();
    const auto ancestorProps = TTestWidget::StaticClass()->Properties();
    ASSERT_EQ(props.size(), ancestorProps.size());
    for (size_t i = 0; i < props.size(); ++i) EXPECT_EQ(props[i]->Name(), ancestorProps[i]->Name());
    EXPECT_EQ(props.front()->Name(), "Tag") << "the ancestors' properties come first";

    TTestForm form(nullptr);
    form.SetName("F");
    auto* wide = new TWideWidget(&form);
    wide->SetName("W");
    EXPECT_FALSE(WriteComponent(&form).contains("Width")) << "100 is the new default";
    wide->SetWidth(0);
    EXPECT_TRUE(WriteComponent(&form).contains("Width = 0"));
}

TEST(ClassRecords, PropertiesByDottedPath) {
    TTestWidget w(nullptr);
    SetPropValue(&w, "Font.Style", TDefValue::Set({"stBold"}));
    EXPECT_EQ(w.Font()->Style(), TStyle({stBold}));
    SetPropValue(&w, "font.color", TDefValue::Ident("clRed"));
    EXPECT_EQ(GetPropValue(&w, "Font.Color"), TDefValue::Ident("clRed"));
    SetPropValue(&w, "Width", TDefValue::Integer(-5));
    EXPECT_EQ(GetPropValue(&w, "WIDTH"), TDefValue::Integer(-5));
    EXPECT_EQ(GetPropValue(&w, "Visible"), TDefValue::Ident("True"));
    EXPECT_EQ(GetPropValue(&w, "Buddy"), TDefValue());

    struct Case {
        const char* path;
        TDefValue value;
    } refused[] = {
        {"Nope", TDefValue::Integer(1)},
        {"Width.Sub", TDefValue::Integer(1)},
        {"ItemCount", TDefValue::Integer(1)},          // read-only
        {"Font", TDefValue::Integer(1)},               // an object, not a value
        {"Shade", TDefValue::Integer(1)},              // enumerations by name
        {"Letter", TDefValue::String("")},
        {"Big", TDefValue::Float(1.5)},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.path);
        EXPECT_THROW(SetPropValue(&w, c.path, c.value), EPropertyError);
    }
}

} // namespace
