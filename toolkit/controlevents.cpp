#include "toolkit/controlevents.h"

#include "toolkit/controls.h"
#include "toolkit/guard.h"

#include <QKeyEvent>

TControlEventFilter::TControlEventFilter(TControl* control, QObject* widget) : QObject(widget), mControl(control)
{
    widget->installEventFilter(this);
}

bool TControlEventFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != parent())
        return false;
    switch (event->type()) {
    case QEvent::Enter:
        FireEvent(mControl->OnMouseEnter, mControl);
        break;
    case QEvent::Leave:
        FireEvent(mControl->OnMouseLeave, mControl);
        break;
    case QEvent::MouseButtonDblClick:
        FireEvent(mControl->OnDblClick, mControl);
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return KeyEvent(event);
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        FocusEvent(event);
        break;
    case QEvent::Move:
    case QEvent::Resize: {
        const auto* widget = static_cast<QWidget*>(watched);
        mControl->WidgetBoundsChanged(mControl->OwnWindow() ? widget->frameGeometry() : widget->geometry());
        break;
    }
    default:
        break;
    }
    return false;
}

// The handler sees the key first; setting Key (or the character) to 0
// swallows it, otherwise the widget handles it as usual.
bool TControlEventFilter::KeyEvent(QEvent* event)
{
    auto* control = dynamic_cast<TWinControl*>(mControl);
    if (!control)
        return false;
    const auto* keyEvent = static_cast<QKeyEvent*>(event);
    const Word original = VirtualKeyOf(*keyEvent);
    Word key = original;
    const TShiftState shift = ShiftStateOf(*keyEvent);
    if (event->type() == QEvent::KeyRelease) {
        FireEvent(control->OnKeyUp, control, key, shift);
        return original != 0 && key == 0;
    }
    FireEvent(control->OnKeyDown, control, key, shift);
    if (original != 0 && key == 0)
        return true;
    const QString text = keyEvent->text();
    if (control->OnKeyPress && text.size() == 1 && text.at(0).isPrint()) {
        QChar character = text.at(0);
        FireEvent(control->OnKeyPress, control, character);
        return character.isNull();
    }
    return false;
}

void TControlEventFilter::FocusEvent(QEvent* event)
{
    auto* control = dynamic_cast<TWinControl*>(mControl);
    if (!control)
        return;
    // A popup (the open list of a drop-down) takes the keyboard for a
    // moment; the control keeps the focus as far as its handlers know.
    const auto reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason == Qt::PopupFocusReason)
        return;
    if (event->type() == QEvent::FocusIn)
        FireEvent(control->OnEnter, control);
    else
        FireEvent(control->OnExit, control);
}

// Every control's widget carries the control's filter as a direct child.
TControl* TControl::FromWidget(const QWidget* widget)
{
    if (!widget)
        return nullptr;
    for (QObject* child : widget->children())
        if (const auto* filter = dynamic_cast<const TControlEventFilter*>(child))
            return filter->Control();
    return nullptr;
}
