// TWinControl: children, the Tab sequence and the focus.
#include "toolkit/controls.h"

#include "framework/typinfo.h"

#include <algorithm>
#include <climits>

VARNEL_PUBLISH(TWinControl, c)
{
    c.prop("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder).def(-1);
    c.prop("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop);
    c.event("OnKeyDown", &TWinControl::OnKeyDown);
    c.event("OnKeyUp", &TWinControl::OnKeyUp);
    c.event("OnKeyPress", &TWinControl::OnKeyPress);
    c.event("OnEnter", &TWinControl::OnEnter);
    c.event("OnExit", &TWinControl::OnExit);
}

TWinControl::TWinControl(TComponent* owner, QWidget* widget, TColor defaultColor, bool tabStop, bool ownWindow)
    : TControl(owner, widget, defaultColor, ownWindow), mTabStop(tabStop)
{
    // The parent met this control while it was still being built and could
    // not see it as a windowed one: join its Tab sequence now.
    if (Parent()) {
        Parent()->mTabList.push_back(this);
        Parent()->UpdateTabChain();
    }
    ApplyTabStop();
}

TWinControl::~TWinControl()
{
    for (TControl* control : mControls)
        control->mParent = nullptr;
    if (mParent)
        mParent->RemoveControl(this);
    mParent = nullptr;
}

void TWinControl::InsertControl(TControl* control)
{
    mControls.push_back(control);
    if (auto* windowed = dynamic_cast<TWinControl*>(control)) {
        mTabList.push_back(windowed);
        UpdateTabChain();
    }
}

void TWinControl::RemoveControl(TControl* control)
{
    std::erase(mControls, control);
    std::erase(mTabList, control);
}

// --- Tab sequence -----------------------------------------------------------

int TWinControl::TabOrder() const
{
    if (IsLoading() && mPendingTabOrder >= 0)
        return mPendingTabOrder;
    if (!mParent)
        return -1;
    const auto& list = mParent->mTabList;
    auto found = std::find(list.begin(), list.end(), this);
    return found == list.end() ? -1 : int(found - list.begin());
}

void TWinControl::SetTabOrder(int order)
{
    if (IsLoading()) {
        // The definition lists controls in any order; the sequence is put
        // together once every control of the form is there.
        mPendingTabOrder = order;
        return;
    }
    if (!mParent || order < 0)
        return;
    auto& list = mParent->mTabList;
    std::erase(list, this);
    list.insert(list.begin() + std::min<size_t>(size_t(order), list.size()), this);
    mParent->UpdateTabChain();
}

void TWinControl::Loaded()
{
    TControl::Loaded();
    if (mParent && mPendingTabOrder >= 0) {
        auto& list = mParent->mTabList;
        auto key = [](const TWinControl* control) {
            return control->mPendingTabOrder >= 0 ? control->mPendingTabOrder : INT_MAX;
        };
        std::stable_sort(list.begin(), list.end(),
                         [&](const TWinControl* a, const TWinControl* b) { return key(a) < key(b); });
        mParent->UpdateTabChain();
    }
}

void TWinControl::UpdateTabChain()
{
    QWidget* previous = nullptr;
    for (TWinControl* control : mTabList) {
        QWidget* widget = control->Widget();
        if (!widget || !control->mTabStop)
            continue;
        if (previous)
            QWidget::setTabOrder(previous, widget);
        previous = widget;
    }
}

void TWinControl::SetTabStop(bool value)
{
    mTabStop = value;
    ApplyTabStop();
    if (mParent)
        mParent->UpdateTabChain();
}

void TWinControl::ApplyTabStop()
{
    if (Widget() && !OwnWindow())
        Widget()->setFocusPolicy(mTabStop ? Qt::StrongFocus : Qt::ClickFocus);
}

// --- focus ------------------------------------------------------------------

bool TWinControl::Focused() const
{
    return Widget() && Widget()->hasFocus();
}

bool TWinControl::CanFocus() const
{
    for (const TControl* control = this; control; control = control->Parent())
        if (!control->Enabled() || !control->Visible())
            return false;
    return Widget() && Widget()->focusPolicy() != Qt::NoFocus;
}

void TWinControl::SetFocus()
{
    if (!Widget())
        return;
    if (QWidget* window = Widget()->window(); window->isVisible())
        window->activateWindow();
    Widget()->setFocus(Qt::OtherFocusReason);
}

bool TWinControl::DialogKey(Word)
{
    return false;
}
