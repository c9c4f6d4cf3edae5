#include "controls/MinModal.h"

#include "framework/typinfo.h"
#include "toolkit/application.h"
#include "toolkit/forms.h"
#include "toolkit/guard.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindowStateChangeEvent>

#include <limits>

VARNEL_PUBLISH(TMinModal, c)
{
    c.prop("About", &TMinModal::About, &TMinModal::SetAbout).stored(false);
    c.event("OnMinimize", &TMinModal::OnMinimize);
}

// Stands in for the form's window procedure: an event filter on the form's
// widget sees every event first; returning true keeps it from the form.
// Being a child of the widget, it goes with the window.
class TMinModalFilter : public QObject {
public:
    TMinModalFilter(TMinModal* owner, QWidget* window) : QObject(window), mOwner(owner)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != parent())
            return false;
        switch (event->type()) {
        case QEvent::WindowActivate:
            Application->Restore();
            return false;
        case QEvent::NonClientAreaMouseButtonDblClick:
            return TitleBarDoubleClicked();
        case QEvent::WindowStateChange:
            return StateChanged(static_cast<QWindowStateChangeEvent*>(event)->oldState());
        default:
            return false;
        }
    }

private:
    QWidget* Window() const { return static_cast<QWidget*>(parent()); }

    bool TitleBarDoubleClicked()
    {
        TForm* form = mOwner->Form();
        if (!form->BorderIcons().Contains(biMaximize))
            return false;
        mOwner->SetMax(form);
        return true;
    }

    // The window system has already changed the state when Qt reports it;
    // what the form would have done with a minimise or maximise command is
    // replaced by the program-wide answer.
    bool StateChanged(Qt::WindowStates before)
    {
        const Qt::WindowStates now = Window()->windowState();
        if ((now & Qt::WindowMinimized) && !(before & Qt::WindowMinimized)) {
            FireEvent(mOwner->OnMinimize, mOwner);
            Application->Minimize();
            return true;
        }
        if ((now & Qt::WindowMaximized) && !(before & Qt::WindowMaximized)) {
            Window()->setWindowState(now & ~Qt::WindowMaximized);
            mOwner->SetMax(mOwner->Form());
            return true;
        }
        return false;
    }

    TMinModal* mOwner;
};

namespace {

TForm* FirstFormAmongOwners(TComponent* owner)
{
    for (TComponent* c = owner; c; c = c->Owner())
        if (auto* form = dynamic_cast<TForm*>(c))
            return form;
    return nullptr;
}

qint64 DistanceSquared(const QRect& area, const QPoint& point)
{
    const qint64 dx = point.x() < area.left() ? area.left() - point.x()
                      : point.x() > area.right() ? point.x() - area.right() : 0;
    const qint64 dy = point.y() < area.top() ? area.top() - point.y()
                      : point.y() > area.bottom() ? point.y() - area.bottom() : 0;
    return dx * dx + dy * dy;
}

// The index in the platform's monitor list of the monitor that holds the
// window's centre, or of the one nearest to it.
qsizetype NearestScreen(const QWidget* window)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    const QPoint centre = window->frameGeometry().center();
    qsizetype nearest = -1;
    qint64 best = std::numeric_limits<qint64>::max();
    for (qsizetype i = 0; i < screens.size(); ++i) {
        const qint64 distance = DistanceSquared(screens[i]->geometry(), centre);
        if (distance < best) {
            best = distance;
            nearest = i;
        }
    }
    return nearest;
}

} // namespace

TMinModal::TMinModal(TComponent* owner) : TComponent(owner), FAbout(QStringLiteral("TMinModal"))
{
    if (IsDesigning())
        return;
    FForm = FirstFormAmongOwners(owner);
    if (!FForm)
        return;
    FForm->SetDragKind(dkDock);
    Install();
}

TMinModal::~TMinModal()
{
    Uninstall();
}

void TMinModal::Install()
{
    if (QWidget* window = FForm->Widget())
        FNewWndProc = new TMinModalFilter(this, window);
}

void TMinModal::Uninstall()
{
    delete FNewWndProc.data();
}

void TMinModal::SetMax(TWinControl* C)
{
    if (!C || !C->Widget())
        return;
    const qsizetype index = NearestScreen(C->Widget()->window());
    if (index < 0)
        return;
    QScreen* screen = QGuiApplication::screens().at(index);
    const QRect area = index == 0 ? screen->availableGeometry() : screen->geometry();
    C->SetBounds(area.left(), area.top(), area.width(), area.height());
}
