// Modal message boxes, shown through the presenter with the application's
// title as caption.
#pragma once

#include "toolkit/presenter.h"

#include <QString>

// A box with the text and one OK button; returns when it is closed.
void ShowMessage(const QString& text);

// A box of the given kind and buttons; returns the modal result of the
// button pressed.
TModalResult MessageDlg(const QString& text, TMsgDlgType type, TMsgDlgButtons buttons);
