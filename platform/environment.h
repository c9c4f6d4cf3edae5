// The process environment. A variable is either unset, set to the empty
// value, or set to a non-empty value; the three are told apart here.
//
// Invariants:
// - Names are matched exactly (the Linux environment is case-sensitive).
// - Values travel in the operating system's encoding (UTF-8 on Linux).
// - Reads and writes made through these functions (and Qt's own) are
//   serialised, so they may run on any thread.
#pragma once

#include <QString>
#include <optional>

// Length of the value in UTF-16 code units plus one for the terminating
// character, as the platform reports it: 0 when the variable is unset, 1 when
// it is set to the empty value.
qsizetype GetEnvironmentVariableLength(const QString& name);

// The value, or the empty text when the variable is unset.
QString GetEnvironmentVariable(const QString& name);

// The value, or nothing when the variable is unset.
std::optional<QString> FindEnvironmentVariable(const QString& name);

// Sets the variable (the empty value included). Raises Exception for a name
// that is empty or holds '=' or a zero character, or a value with a zero
// character.
void SetEnvironmentVariable(const QString& name, const QString& value);

// Removes the variable; removing an unset variable does nothing.
void DeleteEnvironmentVariable(const QString& name);
