#include "toolkit/stdctrls.h"

#include "framework/typinfo.h"
#include "toolkit/guard.h"

#include <QPlainTextEdit>

VARNEL_PUBLISH(TMemo, c)
{
    c.sub("Lines", &TMemo::Lines);
    c.prop("WordWrap", &TMemo::WordWrap, &TMemo::SetWordWrap).def(true);
    c.prop("ReadOnly", &TMemo::ReadOnly, &TMemo::SetReadOnly).def(false);
    c.prop("Color", &TMemo::Color, &TMemo::SetColor).idents(ColorIdents()).def(clWindow);
    c.prop("TabStop", &TMemo::TabStop, &TMemo::SetTabStop).def(true);
    c.event("OnChange", &TMemo::OnChange);
}

TMemo::TMemo(TComponent* owner)
    : TWinControl(owner, new QPlainTextEdit(), clWindow, true), mLines(std::make_unique<TStringList>())
{
    mLines->OnChange = [this](TObject*) { LinesChanged(); };
    QObject::connect(Editor(), &QPlainTextEdit::textChanged, Editor(), [this] { EditorChanged(); });
    SetColorRole(QPalette::Base);
    SetBounds(0, 0, 185, 89);
}

TMemo::~TMemo() = default;

QPlainTextEdit* TMemo::Editor() const
{
    return static_cast<QPlainTextEdit*>(Widget());
}

// The lines are the truth; the editor shows them, and what the operator
// types comes back into them.
void TMemo::LinesChanged()
{
    if (mSyncing || !Editor())
        return;
    mSyncing = true;
    Editor()->setPlainText(mLines->ToStringList().join(QLatin1Char('\n')));
    mSyncing = false;
    FireEvent(OnChange, this);
}

void TMemo::EditorChanged()
{
    if (mSyncing)
        return;
    mSyncing = true;
    mLines->SetStrings(Editor()->toPlainText().split(QLatin1Char('\n')));
    mSyncing = false;
    FireEvent(OnChange, this);
}

// The text as the editor shows it: lines joined, no break after the last.
QString TMemo::GetText() const
{
    return Editor() ? Editor()->toPlainText() : mLines->ToStringList().join(QLatin1Char('\n'));
}

void TMemo::ApplyText(const QString& text)
{
    mLines->SetText(text);
}

void TMemo::Clear()
{
    mLines->Clear();
}

void TMemo::SetWordWrap(bool value)
{
    mWordWrap = value;
    if (Editor())
        Editor()->setLineWrapMode(value ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

bool TMemo::ReadOnly() const
{
    return Editor() && Editor()->isReadOnly();
}

void TMemo::SetReadOnly(bool value)
{
    if (Editor())
        Editor()->setReadOnly(value);
}
