#include "toolkit/wwdbcombobox.h"

#include "framework/typinfo.h"
#include "toolkit/dropdownbehaviour.h"
#include "toolkit/guard.h"

#include <QComboBox>
#include <utility>

VARNEL_ENUM_NAMES(TComboBoxStyle, "csDropDown", "csSimple", "csDropDownList", "csOwnerDrawFixed",
                  "csOwnerDrawVariable");

VARNEL_PUBLISH(TwwDBComboBox, c)
{
    c.prop("Text", &TwwDBComboBox::Text, &TwwDBComboBox::SetText);
    c.prop("Style", &TwwDBComboBox::Style, &TwwDBComboBox::SetStyle).def(csDropDownList);
    c.prop("DropDownCount", &TwwDBComboBox::DropDownCount, &TwwDBComboBox::SetDropDownCount)
        .def(kDropDownRowCount);
    c.prop("Sorted", &TwwDBComboBox::Sorted, &TwwDBComboBox::SetSorted).def(false);
    c.prop("ShowMatchText", &TwwDBComboBox::ShowMatchText, &TwwDBComboBox::SetShowMatchText).def(true);
    c.prop("AllowClearKey", &TwwDBComboBox::AllowClearKey, &TwwDBComboBox::SetAllowClearKey).def(false);
    c.prop("Color", &TwwDBComboBox::Color, &TwwDBComboBox::SetColor).idents(ColorIdents()).def(clWindow);
    c.prop("TabStop", &TwwDBComboBox::TabStop, &TwwDBComboBox::SetTabStop).def(true);
    c.sub("Items", &TwwDBComboBox::Items);
    c.event("OnCloseUp", &TwwDBComboBox::OnCloseUp);
    c.event("OnDropDown", &TwwDBComboBox::OnDropDown);
    c.event("OnChange", &TwwDBComboBox::OnChange);
}

TwwDBComboBox::TwwDBComboBox(TComponent* owner)
    : TWinControl(owner, new QComboBox(), clWindow, true), mItems(std::make_unique<TStringList>())
{
    mBehaviour = new TDropDownBehaviour(Combo());
    mBehaviour->OnCloseUp = [this](bool select) { FireEvent(OnCloseUp, this, select); };
    QObject::connect(Combo(), &QComboBox::activated, Combo(), [this] { FireEvent(OnChange, this); });
    mItems->Add(QString());
    ApplyList();
    SetColorRole(QPalette::Base);
    SetBounds(0, 0, 121, 21);
}

TwwDBComboBox::~TwwDBComboBox() = default;

QComboBox* TwwDBComboBox::Combo() const
{
    return static_cast<QComboBox*>(Widget());
}

// The definition's items were only collected while loading; the list shows
// them now, with the text the definition gave if it is one of them.
void TwwDBComboBox::Loaded()
{
    TWinControl::Loaded();
    ApplyList();
    ApplyText(std::exchange(mPendingText, QString()));
}

TStrings* TwwDBComboBox::Items() const
{
    return mItems.get();
}

void TwwDBComboBox::ApplyList()
{
    if (!Combo())
        return;
    Combo()->clear();
    Combo()->addItems(mItems->ToStringList());
}

int TwwDBComboBox::ItemIndex() const
{
    return Combo() ? Combo()->currentIndex() : -1;
}

int TwwDBComboBox::ItemCount() const
{
    return Combo() ? Combo()->count() : 0;
}

void TwwDBComboBox::SetItemIndex(int index)
{
    if (index < -1 || index >= ItemCount())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    if (Combo())
        Combo()->setCurrentIndex(index);
}

QString TwwDBComboBox::GetText() const
{
    return Combo() ? Combo()->currentText() : QString();
}

// List-only: a text that is no item leaves the selection as it is.
void TwwDBComboBox::ApplyText(const QString& text)
{
    if (IsLoading()) {
        mPendingText = text;
        return;
    }
    if (!Combo())
        return;
    const int index = Combo()->findText(text, Qt::MatchFixedString);
    if (index >= 0)
        Combo()->setCurrentIndex(index);
}

void TwwDBComboBox::DropDown()
{
    if (!mBehaviour || mBehaviour->DroppedDown())
        return;
    FireEvent(OnDropDown, this);
    mBehaviour->DropDown();
}

void TwwDBComboBox::CloseUp()
{
    if (mBehaviour)
        mBehaviour->CloseUp();
}

bool TwwDBComboBox::DroppedDown() const
{
    return mBehaviour && mBehaviour->DroppedDown();
}

int TwwDBComboBox::DropDownCount() const
{
    return Combo() ? Combo()->maxVisibleItems() : kDropDownRowCount;
}

void TwwDBComboBox::SetDropDownCount(int count)
{
    if (count < 1)
        throw EPropertyError(QStringLiteral("DropDownCount must be at least 1, not %1").arg(count));
    if (Combo())
        Combo()->setMaxVisibleItems(count);
}

void TwwDBComboBox::Unsupported(const QString& what) const
{
    throw EPropertyError(QStringLiteral("%1: %2 is not yet supported; the drop-down is list-only, unsorted "
                                        "and without a clearing key")
                             .arg(Name().isEmpty() ? ClassName() : Name(), what));
}

void TwwDBComboBox::SetStyle(TComboBoxStyle style)
{
    if (style != csDropDownList)
        Unsupported(QStringLiteral("Style %1").arg(TEnumTraits<TComboBoxStyle>::Names().at(style)));
}

void TwwDBComboBox::SetSorted(bool sorted)
{
    if (sorted)
        Unsupported(QStringLiteral("Sorted = True"));
}

void TwwDBComboBox::SetShowMatchText(bool value)
{
    if (!value)
        Unsupported(QStringLiteral("ShowMatchText = False"));
}

void TwwDBComboBox::SetAllowClearKey(bool value)
{
    if (value)
        Unsupported(QStringLiteral("AllowClearKey = True"));
}
