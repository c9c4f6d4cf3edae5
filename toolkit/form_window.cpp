// TForm: the window's frame, size, place on the screen and title-bar icons.
#include "toolkit/forms.h"

#include "toolkit/application.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

bool IsSizeable(TFormBorderStyle style)
{
    return style == bsSizeable || style == bsSizeToolWin;
}

bool HasMinMaxIcons(TFormBorderStyle style)
{
    return style == bsSingle || style == bsSizeable;
}

QRect CenteredIn(const QRect& area, const QSize& size)
{
    return QRect(area.x() + (area.width() - size.width()) / 2, area.y() + (area.height() - size.height()) / 2,
                 size.width(), size.height());
}

} // namespace

// What the frame adds around the client area; nothing until the window
// system has framed the window (and never on frameless platforms).
QSize TForm::FrameExtra() const
{
    if (!Widget())
        return {};
    const QWidget* window = Widget();
    return window->frameGeometry().size() - window->size();
}

void TForm::ApplyBounds()
{
    QWidget* window = Widget();
    if (!window)
        return;
    // A copy: resizing a shown window reports its frame back into the
    // control's bounds at once, before the move below.
    const QRect bounds = BoundsRect();
    const QSize client = (bounds.size() - FrameExtra()).expandedTo(QSize(0, 0));
    if (IsSizeable(mBorderStyle)) {
        window->setMinimumSize(0, 0);
        window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        window->resize(client);
    } else {
        window->setFixedSize(client);
    }
    window->move(bounds.topLeft());
}

int TForm::ClientWidth() const
{
    return Widget() ? Widget()->width() : 0;
}

void TForm::SetClientWidth(int value)
{
    SetWidth(value + FrameExtra().width());
}

int TForm::ClientHeight() const
{
    return Widget() ? Widget()->height() : 0;
}

void TForm::SetClientHeight(int value)
{
    SetHeight(value + FrameExtra().height());
}

void TForm::PlaceOnFirstShow()
{
    mPlaced = true;
    QWidget* window = Widget();
    if (!window)
        return;
    // The frame is known once the native window exists; centre the whole
    // window, frame included, keeping the client size the definition gave.
    window->winId();
    const QSize client = window->size();
    const QSize size = client + FrameExtra();
    QRect area;
    switch (mPosition) {
    case poScreenCenter:
    case poDesktopCenter:
        if (QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen())
            area = screen->geometry();
        break;
    case poMainFormCenter:
        if (TForm* main = Application->MainForm(); main && main != this)
            area = main->BoundsRect();
        break;
    case poOwnerFormCenter:
        if (auto* owner = dynamic_cast<TForm*>(Owner()))
            area = owner->BoundsRect();
        break;
    default:
        break;
    }
    if (area.isValid()) {
        const QRect placed = CenteredIn(area, size);
        SetBounds(placed.x(), placed.y(), size.width(), size.height());
    }
}

void TForm::SetBorderStyle(TFormBorderStyle style)
{
    mBorderStyle = style;
    ApplyWindowFlags();
    ApplyBounds();
}

void TForm::SetBorderIcons(TBorderIcons icons)
{
    mBorderIcons = icons;
    ApplyWindowFlags();
}

void TForm::SetFormStyle(TFormStyle style)
{
    mFormStyle = style;
    ApplyWindowFlags();
}

void TForm::ApplyWindowFlags()
{
    QWidget* window = Widget();
    if (!window)
        return;
    Qt::WindowFlags flags = Qt::Window;
    if (mBorderStyle == bsDialog)
        flags = Qt::Dialog;
    else if (mBorderStyle == bsToolWindow || mBorderStyle == bsSizeToolWin)
        flags = Qt::Tool;
    if (mBorderStyle == bsNone) {
        flags |= Qt::FramelessWindowHint;
    } else {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (mBorderIcons.Contains(biSystemMenu))
            flags |= Qt::WindowSystemMenuHint;
        if (mBorderIcons.Contains(biSystemMenu) && mCloseCommand)
            flags |= Qt::WindowCloseButtonHint;
        const bool minMax = HasMinMaxIcons(mBorderStyle) && mBorderIcons.Contains(biSystemMenu);
        if (minMax && mBorderIcons.Contains(biMinimize))
            flags |= Qt::WindowMinimizeButtonHint;
        if (minMax && mBorderIcons.Contains(biMaximize))
            flags |= Qt::WindowMaximizeButtonHint;
        if (mBorderIcons.Contains(biHelp) && !(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)))
            flags |= Qt::WindowContextHelpButtonHint;
    }
    if (mFormStyle == fsStayOnTop)
        flags |= Qt::WindowStaysOnTopHint;
    if (flags == window->windowFlags())
        return;
    // Changing the flags of a shown window hides it; show it again.
    const bool wasVisible = window->isVisible();
    window->setWindowFlags(flags);
    if (wasVisible)
        window->show();
}
