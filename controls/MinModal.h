// TMinModal: a non-visual component that makes a small, always-on-top form
// stand for the whole program on the taskbar. Placed on a form, it watches
// the form's window events ahead of the form itself:
//
//   minimising the form      OnMinimize, then the whole program is minimised
//                            without being activated (the event is eaten);
//   the form becomes active  the program's windows are shown normally again
//                            (then the form handles the event as usual);
//   maximising the form, or  the form is sized to its monitor (SetMax)
//   a double click on its    instead of being maximised; the double click
//   title bar                only when the form has a maximise button.
//
// Every other event reaches the form unchanged.
//
// Installed from construction (when an owner up the chain is a form and the
// component is not being designed) until the component or the form's window
// goes away, whichever comes first. The form's window is the same Qt widget
// for the form's whole life, even when the platform recreates its native
// window (a change of title-bar buttons does), so the takeover holds across
// such changes.
#pragma once

#include "framework/classes.h"

#include <QPointer>

class TForm;
class TWinControl;
class TMinModalFilter;

class TMinModal : public TComponent {
    VARNEL_DECLARE_CLASS(TMinModal, TComponent)

public:
    explicit TMinModal(TComponent* owner);
    ~TMinModal() override;

    // Informational only; assignments (from definitions too) are ignored.
    QString About() const { return FAbout; }
    void SetAbout(const QString&) {}

    // Sizes C to the monitor nearest to its window: the whole monitor, except
    // on the first monitor of the platform's list, where the work area
    // (without the taskbar) is taken.
    void SetMax(TWinControl* C);

    // The form whose window is taken over; null when no owner is a form.
    TForm* Form() const { return FForm; }
    bool Installed() const { return !FNewWndProc.isNull(); }

    TNotifyEvent OnMinimize;

private:
    friend class TMinModalFilter;
    void Install();
    void Uninstall();

    TForm* FForm = nullptr;                 // not owned
    QPointer<TMinModalFilter> FNewWndProc;  // lives on the form's widget
    QString FAbout;
};
