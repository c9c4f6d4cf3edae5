#include "toolkit/stdctrls.h"

#include "framework/typinfo.h"
#include "toolkit/guard.h"

#include <QLineEdit>

VARNEL_PUBLISH(TEdit, c)
{
    c.prop("Text", &TEdit::Text, &TEdit::SetText);
    c.prop("MaxLength", &TEdit::MaxLength, &TEdit::SetMaxLength).def(0);
    c.prop("ReadOnly", &TEdit::ReadOnly, &TEdit::SetReadOnly).def(false);
    c.prop("Color", &TEdit::Color, &TEdit::SetColor).idents(ColorIdents()).def(clWindow);
    c.prop("TabStop", &TEdit::TabStop, &TEdit::SetTabStop).def(true);
    c.event("OnChange", &TEdit::OnChange);
}

TEdit::TEdit(TComponent* owner) : TWinControl(owner, new QLineEdit(), clWindow, true)
{
    QObject::connect(LineEdit(), &QLineEdit::textChanged, LineEdit(), [this] { FireEvent(OnChange, this); });
    SetColorRole(QPalette::Base);
    SetBounds(0, 0, 121, 21);
}

QLineEdit* TEdit::LineEdit() const
{
    return static_cast<QLineEdit*>(Widget());
}

QString TEdit::GetText() const
{
    return LineEdit() ? LineEdit()->text() : QString();
}

void TEdit::ApplyText(const QString& text)
{
    if (LineEdit() && LineEdit()->text() != text)
        LineEdit()->setText(text);
}

void TEdit::SetMaxLength(int value)
{
    mMaxLength = std::max(0, value);
    // 0 means no limit; Qt's own default limit is the largest it allows.
    if (LineEdit())
        LineEdit()->setMaxLength(mMaxLength > 0 ? mMaxLength : 32767);
}

bool TEdit::ReadOnly() const
{
    return LineEdit() && LineEdit()->isReadOnly();
}

void TEdit::SetReadOnly(bool value)
{
    if (LineEdit())
        LineEdit()->setReadOnly(value);
}

void TEdit::SelectAll()
{
    if (LineEdit())
        LineEdit()->selectAll();
}
