// The text of the application's standard error box.
#pragma once

#include <QString>
#include <exception>

// The message the operator sees for `error`: the message of the innermost
// exception of its chain (the one that caused the others), with "." appended
// when its last character has a code above that of "." (so a letter or digit
// gets one, while ".", "!" and ")" end the text as they are).
QString ErrorBoxText(const std::exception& error);

// The same rule on a plain message.
QString WithClosingDot(const QString& message);

// Shown for an exception that carries no message of its own (not derived
// from std::exception).
QString UnknownExceptionText();
