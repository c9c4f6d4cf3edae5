#include "testform.h"

#include "framework/typinfo.h"

VARNEL_PUBLISH(TTestForm, c)
{
    c.field("LabelAlias", &TTestForm::LabelAlias);
    c.field("EditSource", &TTestForm::EditSource);
    c.field("Browse", &TTestForm::Browse);
    c.field("Alias", &TTestForm::Alias);
    c.field("Quit", &TTestForm::Quit);
    c.method("FormCreate", &TTestForm::FormCreate);
    c.method("EditSourceChange", &TTestForm::EditSourceChange);
    c.method("BrowseClick", &TTestForm::BrowseClick);
    c.method("QuitClick", &TTestForm::QuitClick);
    c.method("AliasCloseUp", &TTestForm::AliasCloseUp);
    c.method("AliasKeyDown", &TTestForm::AliasKeyDown);
}

QString TestData(const QString& name)
{
    return QStringLiteral(VARNEL_TEST_DATA) + QLatin1Char('/') + name;
}

TTestForm::TTestForm(TComponent* owner) : TForm(owner)
{
    ReadDefinition(TestData(QStringLiteral("testform.dfm")));
}

void TTestForm::FormCreate(TObject*)
{
    if (sOnCreate)
        sOnCreate(*this);
}

void TTestForm::EditSourceChange(TObject*)
{
    ++changes;
}

void TTestForm::BrowseClick(TObject*)
{
    if (onBrowse)
        onBrowse();
}

void TTestForm::QuitClick(TObject*)
{
    if (onQuit)
        onQuit();
    else
        Close();
}

void TTestForm::AliasCloseUp(TObject*, bool Select)
{
    if (onCloseUp)
        onCloseUp(Select);
}

void TTestForm::AliasKeyDown(TObject*, Word& Key, TShiftState Shift)
{
    if (onKeyDown)
        onKeyDown(Key, Shift);
}
