#include "toolkit/stdctrls.h"

#include "framework/typinfo.h"

#include <QLabel>

VARNEL_ENUM_NAMES(TAlignment, "taLeftJustify", "taRightJustify", "taCenter");
VARNEL_ENUM_NAMES(TTextLayout, "tlTop", "tlCenter", "tlBottom");

VARNEL_PUBLISH(TLabel, c)
{
    c.prop("Caption", &TLabel::Caption, &TLabel::SetCaption);
    c.prop("AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize).def(true);
    c.prop("Alignment", &TLabel::Alignment, &TLabel::SetAlignment).def(taLeftJustify);
    c.prop("Layout", &TLabel::Layout, &TLabel::SetLayout).def(tlTop);
    c.prop("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap).def(false);
    c.prop("Transparent", &TLabel::Transparent, &TLabel::SetTransparent).def(false);
    c.prop("ShowAccelChar", &TLabel::ShowAccelChar, &TLabel::SetShowAccelChar).def(true);
    c.prop("FocusControl", &TLabel::FocusControl, &TLabel::SetFocusControl);
    c.prop("ParentColor", &TLabel::ParentColor, &TLabel::SetParentColor).def(true);
}

namespace {

// "&Alias" shows as "Alias" and "&&" as "&", as the platform's labels do.
QString WithoutAccelMarks(const QString& text)
{
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        shown += text[i];
    }
    return shown;
}

} // namespace

TLabel::TLabel(TComponent* owner) : TControl(owner, new QLabel(), clBtnFace)
{
    Label()->setTextFormat(Qt::PlainText);
    Label()->setFocusPolicy(Qt::NoFocus);
    SetParentColor(true);
    ApplyAlignment();
    SetBounds(0, 0, 65, 13);
}

QLabel* TLabel::Label() const
{
    return static_cast<QLabel*>(Widget());
}

void TLabel::ApplyText(const QString& text)
{
    if (Label())
        Label()->setText(mShowAccelChar ? WithoutAccelMarks(text) : text);
}

void TLabel::ApplyColor()
{
    if (!Label())
        return;
    TControl::ApplyColor();
    Label()->setAutoFillBackground(!mTransparent);
}

void TLabel::AdjustSize()
{
    if (!mAutoSize || IsLoading() || !Label())
        return;
    if (mWordWrap) {
        SetBounds(Left(), Top(), Width(), Label()->heightForWidth(Width()));
        return;
    }
    const QSize size = Label()->sizeHint();
    SetBounds(Left(), Top(), size.width(), size.height());
}

void TLabel::SetAutoSize(bool value)
{
    mAutoSize = value;
    AdjustSize();
}

void TLabel::SetAlignment(TAlignment value)
{
    mAlignment = value;
    ApplyAlignment();
}

void TLabel::SetLayout(TTextLayout value)
{
    mLayout = value;
    ApplyAlignment();
}

void TLabel::ApplyAlignment()
{
    if (!Label())
        return;
    const Qt::Alignment horizontal = mAlignment == taCenter       ? Qt::AlignHCenter
                                     : mAlignment == taRightJustify ? Qt::AlignRight
                                                                    : Qt::AlignLeft;
    const Qt::Alignment vertical = mLayout == tlCenter ? Qt::AlignVCenter
                                   : mLayout == tlBottom ? Qt::AlignBottom
                                                         : Qt::AlignTop;
    Label()->setAlignment(horizontal | vertical);
}

void TLabel::SetWordWrap(bool value)
{
    mWordWrap = value;
    if (Label())
        Label()->setWordWrap(value);
    AdjustSize();
}

void TLabel::SetTransparent(bool value)
{
    mTransparent = value;
    ApplyColor();
}

void TLabel::SetShowAccelChar(bool value)
{
    mShowAccelChar = value;
    ApplyText(Text());
    AdjustSize();
}

bool TLabel::DialogChar(QChar character)
{
    if (!mShowAccelChar || !mFocusControl || !IsAccel(character, Caption()) || !mFocusControl->CanFocus())
        return false;
    mFocusControl->SetFocus();
    return true;
}
