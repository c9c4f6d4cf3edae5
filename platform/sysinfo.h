// Clock, platform version, sleeping and thread identity.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <cstdint>

// The current local date and time, and the current local date. Not named
// Now and Date: those are the dataset framework's date-time values, and one
// program links both.
QDateTime LocalNow();
QDate LocalDate();

// The platform's major version number. On Linux it is the kernel's (the
// first number of its release, 6 for "6.1.0-18-amd64"); 0 when unknown.
int Win32MajorVersion();

// The machine's host name, which stands in for the platform's computer name
// (COMPUTERNAME is not set on Linux); empty when the system has none.
QString GetComputerName();

// Blocks the calling thread for `milliseconds`; it processes no messages.
void Sleep(uint32_t milliseconds);

// The operating system's identifier of the calling thread. It is unique among
// the threads alive at one time and may be reused after a thread ends.
uint32_t GetCurrentThreadId();
