// QString faces of the code-page unit: "8-bit text in the system code page"
// is a QByteArray in Windows-1252, OEM text a QByteArray in code page 850.
//
// Invariants: decoding never fails and never loses a byte; encoding writes
// '?' for each character the page cannot hold (see codepage/codepage.h).
#pragma once

#include "platform/codepage/codepage.h"

#include <QByteArray>
#include <QString>

QString CodePageToString(codepage::CodePage page, const QByteArray& bytes);
QByteArray StringToCodePage(codepage::CodePage page, const QString& text);

// The system code page (Windows-1252).
QString AnsiToString(const QByteArray& ansi);
QByteArray StringToAnsi(const QString& text);

// The OEM code page (850).
QString OemToString(const QByteArray& oem);
QByteArray StringToOem(const QString& text);

// Upper-/lower-case forms of 8-bit text in the system code page.
QByteArray AnsiUpperCaseBytes(const QByteArray& ansi);
QByteArray AnsiLowerCaseBytes(const QByteArray& ansi);
