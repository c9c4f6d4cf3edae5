#include "toolkit/screen.h"

#include "framework/typinfo.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

VARNEL_DEFINE_CLASS(TScreen)

namespace {

Qt::CursorShape ShapeOf(TCursor cursor)
{
    switch (cursor) {
    case crNone: return Qt::BlankCursor;
    case crCross: return Qt::CrossCursor;
    case crIBeam: return Qt::IBeamCursor;
    case crSizeAll: return Qt::SizeAllCursor;
    case crHourGlass: return Qt::WaitCursor;
    case crSQLWait: return Qt::WaitCursor;
    case crNo: return Qt::ForbiddenCursor;
    case crAppStart: return Qt::BusyCursor;
    case crHelp: return Qt::WhatsThisCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    default: return Qt::ArrowCursor;
    }
}

TScreen& ProcessScreen()
{
    static TScreen screen;
    return screen;
}

} // namespace

TScreen* Screen = &ProcessScreen();

TScreen::TScreen(TComponent* owner) : TComponent(owner) {}

TScreen::~TScreen()
{
    if (mOverriding && QGuiApplication::instance())
        QGuiApplication::restoreOverrideCursor();
}

void TScreen::SetCursor(TCursor cursor)
{
    if (cursor == mCursor)
        return;
    mCursor = cursor;
    if (!QGuiApplication::instance())
        return;
    if (cursor == crDefault) {
        if (mOverriding)
            QGuiApplication::restoreOverrideCursor();
        mOverriding = false;
    } else if (mOverriding) {
        QGuiApplication::changeOverrideCursor(QCursor(ShapeOf(cursor)));
    } else {
        QGuiApplication::setOverrideCursor(QCursor(ShapeOf(cursor)));
        mOverriding = true;
    }
}

int TScreen::Width() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().width() : 0;
}

int TScreen::Height() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().height() : 0;
}

int TScreen::PixelsPerInch() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? int(screen->logicalDotsPerInch()) : 96;
}
