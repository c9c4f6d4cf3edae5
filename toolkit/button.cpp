#include "toolkit/stdctrls.h"

#include "framework/typinfo.h"
#include "toolkit/forms.h"
#include "toolkit/guard.h"

#include <QPushButton>

VARNEL_PUBLISH(TButton, c)
{
    c.prop("Caption", &TButton::Caption, &TButton::SetCaption);
    c.prop("Default", &TButton::Default, &TButton::SetDefault).def(false);
    c.prop("Cancel", &TButton::Cancel, &TButton::SetCancel).def(false);
    c.prop("ModalResult", &TButton::ModalResult, &TButton::SetModalResult).def(mrNone);
    c.prop("TabStop", &TButton::TabStop, &TButton::SetTabStop).def(true);
}

TButton::TButton(TComponent* owner) : TWinControl(owner, new QPushButton(), clBtnFace, true)
{
    PushButton()->setAutoDefault(false);
    QObject::connect(PushButton(), &QPushButton::clicked, PushButton(), [this] { Click(); });
    SetBounds(0, 0, 75, 25);
}

QPushButton* TButton::PushButton() const
{
    return static_cast<QPushButton*>(Widget());
}

void TButton::ApplyText(const QString& text)
{
    if (PushButton())
        PushButton()->setText(text);
}

void TButton::Click()
{
    if (mModalResult != mrNone)
        if (TForm* form = ParentForm())
            form->SetModalResult(mModalResult);
    TControl::Click();
}

bool TButton::DialogKey(Word key)
{
    const bool mine = (key == VK_RETURN && (mDefault || Focused())) || (key == VK_ESCAPE && mCancel);
    if (!mine || !CanFocus())
        return false;
    Click();
    return true;
}
