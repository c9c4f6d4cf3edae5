// Translates the Qt events of a control's widget into the control's events
// (mouse enter/leave, double click, keys, focus), each run through the error
// guard. Lives as a child of the widget, so it goes with it.
#pragma once

#include <QObject>

class TControl;

class TControlEventFilter : public QObject {
public:
    TControlEventFilter(TControl* control, QObject* widget);
    TControl* Control() const { return mControl; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool KeyEvent(QEvent* event);
    void FocusEvent(QEvent* event);

    TControl* mControl;
};
