// TGraphicControl, and the small services every control shares: the
// accelerator test and the default answers to dialog characters and focus
// changes.
#include "toolkit/controls.h"

#include "framework/typinfo.h"

#include <QEvent>
#include <QPainter>

VARNEL_PUBLISH(TGraphicControl, c)
{
    c.prop("ParentColor", &TGraphicControl::ParentColor, &TGraphicControl::SetParentColor).def(true);
}

// Paints a graphic control's widget by calling its Paint.
class TPaintFilter : public QObject {
public:
    TPaintFilter(TGraphicControl* control, QWidget* widget) : QObject(widget), mControl(control)
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != parent() || event->type() != QEvent::Paint)
            return false;
        QPainter painter(static_cast<QWidget*>(watched));
        mControl->Paint(painter);
        return true;
    }

private:
    TGraphicControl* mControl;
};

TGraphicControl::TGraphicControl(TComponent* owner) : TControl(owner, new QWidget(), clBtnFace)
{
    Widget()->setFocusPolicy(Qt::NoFocus);
    mPaintFilter = new TPaintFilter(this, Widget());
    SetParentColor(true);
}

// Paint is gone with the derived class: no paint may reach it any more.
TGraphicControl::~TGraphicControl()
{
    delete mPaintFilter.data();
}

void TGraphicControl::Invalidate()
{
    if (Widget())
        Widget()->update();
}

void TGraphicControl::Repaint()
{
    if (Widget())
        Widget()->repaint();
}

bool IsAccel(QChar character, const QString& caption)
{
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&'))
            continue;
        if (caption[i + 1] == QLatin1Char('&')) {
            ++i;   // "&&" is a plain ampersand
            continue;
        }
        return caption[i + 1].toUpper() == character.toUpper();
    }
    return false;
}

bool TControl::DialogChar(QChar)
{
    return false;
}

void TWinControl::FocusChanged(TWinControl*) {}
