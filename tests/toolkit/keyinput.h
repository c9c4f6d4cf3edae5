// Key presses sent to a widget the way the window system delivers them
// (press then release, through the application's event filters).
#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

inline void PressKey(QWidget* widget, Qt::Key key, const QString& text = QString(),
                     Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(widget, &release);
}

inline void TypeText(QWidget* widget, const QString& text)
{
    for (QChar c : text)
        PressKey(widget, Qt::Key(Qt::Key_A + (c.toUpper().unicode() - 'A')), QString(c));
}
