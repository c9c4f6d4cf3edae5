// TControl: the widget, its place, text, font, colour and hint.
#include "toolkit/controls.h"

#include "framework/typinfo.h"
#include "toolkit/controlevents.h"
#include "toolkit/forms.h"
#include "toolkit/guard.h"

VARNEL_ENUM_NAMES(TDragKind, "dkDrag", "dkDock");

VARNEL_PUBLISH(TControl, c)
{
    c.prop("Left", &TControl::Left, &TControl::SetLeft).def(0);
    c.prop("Top", &TControl::Top, &TControl::SetTop).def(0);
    c.prop("Width", &TControl::Width, &TControl::SetWidth);
    c.prop("Height", &TControl::Height, &TControl::SetHeight);
    c.prop("Enabled", &TControl::Enabled, &TControl::SetEnabled).def(true);
    c.prop("Visible", &TControl::Visible, &TControl::SetVisible).def(true);
    c.prop("Hint", &TControl::Hint, &TControl::SetHint);
    c.prop("ShowHint", &TControl::ShowHint, &TControl::SetShowHint).def(false);
    c.prop("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint).def(true);
    c.prop("Color", &TControl::Color, &TControl::SetColor).idents(ColorIdents());
    c.prop("ParentColor", &TControl::ParentColor, &TControl::SetParentColor);
    c.sub("Font", &TControl::Font);
    c.prop("ParentFont", &TControl::ParentFont, &TControl::SetParentFont).def(true);
    c.prop("DragKind", &TControl::DragKind, &TControl::SetDragKind).def(dkDrag);
    c.event("OnClick", &TControl::OnClick);
    c.event("OnDblClick", &TControl::OnDblClick);
    c.event("OnMouseEnter", &TControl::OnMouseEnter);
    c.event("OnMouseLeave", &TControl::OnMouseLeave);
}

TControl::TControl(TComponent* owner, QWidget* widget, TColor defaultColor, bool ownWindow)
    : TComponent(owner), mWidget(widget), mFont(std::make_unique<TFont>()), mColor(defaultColor),
      mDefaultColor(defaultColor), mOwnWindow(ownWindow)
{
    mBounds = QRect(0, 0, widget->width(), widget->height());
    mFont->OnChange = [this](TObject*) { FontChanged(); };
    mEvents = new TControlEventFilter(this, widget);
    ApplyFont();
    ApplyColor();
    // A control dropped on a form (or on any windowed control) stands on it;
    // a window of its own (a form) has no parent.
    if (auto* parent = dynamic_cast<TWinControl*>(owner); parent && !ownWindow)
        SetParent(parent);
}

TControl::~TControl()
{
    // The widget still sends events while it goes (hide, focus out, leave);
    // none may reach handlers of a control that is half destroyed.
    delete mEvents.data();
    if (mParent)
        mParent->RemoveControl(this);
    delete mWidget.data();
}

void TControl::Loaded()
{
    TComponent::Loaded();
    AdjustSize();
}

// --- parent ---------------------------------------------------------------

void TControl::SetParent(TWinControl* parent)
{
    if (parent == mParent)
        return;
    if (parent == this)
        throw EComponentError(QStringLiteral("A control cannot be its own parent"));
    if (parent && mOwnWindow)
        throw EComponentError(QStringLiteral("The window %1 cannot be placed on %2").arg(Name(), parent->Name()));
    if (mParent)
        mParent->RemoveControl(this);
    mParent = parent;
    if (mWidget)
        mWidget->setParent(parent ? parent->ClientWidget() : nullptr);
    if (parent)
        parent->InsertControl(this);
    ApplyBounds();
    if (mWidget && parent)
        mWidget->setVisible(mVisible);
    ParentFontChanged();
    ParentColorChanged();
    ParentShowHintChanged();
}

TComponent* TControl::GetParentComponent() const
{
    return mParent;
}

void TControl::SetParentComponent(TComponent* parent)
{
    auto* windowed = dynamic_cast<TWinControl*>(parent);
    if (parent && !windowed)
        throw EComponentError(QStringLiteral("%1 cannot hold the control %2").arg(parent->Name(), Name()));
    SetParent(windowed);
}

TForm* TControl::ParentForm() const
{
    const TControl* control = this;
    while (control) {
        if (auto* form = dynamic_cast<TForm*>(const_cast<TControl*>(control)))
            return form;
        control = control->mParent;
    }
    return nullptr;
}

// --- bounds ---------------------------------------------------------------

void TControl::SetLeft(int value)
{
    SetBounds(value, Top(), Width(), Height());
}

void TControl::SetTop(int value)
{
    SetBounds(Left(), value, Width(), Height());
}

void TControl::SetWidth(int value)
{
    SetBounds(Left(), Top(), value, Height());
}

void TControl::SetHeight(int value)
{
    SetBounds(Left(), Top(), Width(), value);
}

void TControl::SetBounds(int left, int top, int width, int height)
{
    mBounds = QRect(left, top, std::max(0, width), std::max(0, height));
    ApplyBounds();
}

void TControl::ApplyBounds()
{
    if (mWidget)
        mWidget->setGeometry(mBounds);
}

// --- text, state, hint -----------------------------------------------------

void TControl::SetText(const QString& text)
{
    mText = text;
    ApplyText(text);
    if (!IsLoading())
        AdjustSize();
}

void TControl::SetEnabled(bool value)
{
    mEnabled = value;
    if (mWidget)
        mWidget->setEnabled(value);
}

void TControl::SetVisible(bool value)
{
    mVisible = value;
    // A child shows with its parent; without one it waits for a parent.
    if (mWidget && (mParent || mOwnWindow))
        mWidget->setVisible(value);
}

void TControl::SetHint(const QString& hint)
{
    mHint = hint;
    ApplyHint();
}

// While ParentShowHint holds, ShowHint is the parent's.
void TControl::SetShowHint(bool value)
{
    mShowHint = value;
    mParentShowHint = false;
    ApplyHint();
    NotifyChildren(&TControl::ParentShowHintChanged);
}

void TControl::SetParentShowHint(bool value)
{
    mParentShowHint = value;
    ParentShowHintChanged();
}

void TControl::ParentShowHintChanged()
{
    if (!mParentShowHint || !mParent)
        return;
    mShowHint = mParent->mShowHint;
    ApplyHint();
    NotifyChildren(&TControl::ParentShowHintChanged);
}

void TControl::NotifyChildren(void (TControl::*step)())
{
    if (auto* windowed = dynamic_cast<TWinControl*>(this))
        for (TControl* child : windowed->mControls)
            (child->*step)();
}

void TControl::ApplyHint()
{
    if (mWidget)
        mWidget->setToolTip(mShowHint ? mHint : QString());
}

// --- font and colour -------------------------------------------------------

void TControl::FontChanged()
{
    if (!mSettingParentFont)
        mParentFont = false;
    ApplyFont();
    if (!IsLoading())
        AdjustSize();
    NotifyChildren(&TControl::ParentFontChanged);
}

void TControl::ParentFontChanged()
{
    if (!mParentFont || !mParent)
        return;
    mSettingParentFont = true;
    mFont->Assign(mParent->Font());
    mSettingParentFont = false;
}

void TControl::SetParentFont(bool value)
{
    mParentFont = value;
    ParentFontChanged();
}

void TControl::ApplyFont()
{
    if (!mWidget)
        return;
    mWidget->setFont(mFont->ToQFont());
    QPalette palette = mWidget->palette();
    const QColor text = ToQColor(mFont->Color());
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, text);
    mWidget->setPalette(palette);
}

void TControl::SetColor(TColor color)
{
    mColor = color;
    mParentColor = false;
    ApplyColor();
    NotifyChildren(&TControl::ParentColorChanged);
}

void TControl::SetParentColor(bool value)
{
    mParentColor = value;
    ParentColorChanged();
}

void TControl::ParentColorChanged()
{
    if (!mParentColor || !mParent)
        return;
    mColor = mParent->Color();
    ApplyColor();
    NotifyChildren(&TControl::ParentColorChanged);
}

void TControl::ApplyColor()
{
    if (!mWidget)
        return;
    QPalette palette = mWidget->palette();
    palette.setColor(mColorRole, ToQColor(mColor));
    mWidget->setPalette(palette);
}

void TControl::SetColorRole(QPalette::ColorRole role)
{
    mColorRole = role;
    ApplyColor();
}

QPixmap TControl::Grab() const
{
    return mWidget ? mWidget->grab() : QPixmap();
}

void TControl::Click()
{
    FireEvent(OnClick, this);
}
