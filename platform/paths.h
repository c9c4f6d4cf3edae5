// Path text helpers. They work on the text only and never touch the disk.
//
// Invariants:
// - PathDelim is the platform's path separator: '/' on Linux, '\' on Windows.
// - Only Windows has drive letters: there ':' also ends the folder part of a
//   path ("C:name"). On Linux ':' is an ordinary character of a file name.
// - The folder part and the name part of a path, concatenated, give the path
//   back: ExtractFilePath(p) + ExtractFileName(p) == p.
#pragma once

#include <QString>

#ifdef _WIN32
constexpr QChar PathDelim = u'\\';
constexpr bool kHasDriveDelim = true;
#else
constexpr QChar PathDelim = u'/';
constexpr bool kHasDriveDelim = false;
#endif
constexpr QChar DriveDelim = u':';

// Index of the last folder separator (or drive colon where there are drives)
// in `path`, or -1.
qsizetype LastPathDelimiter(const QString& path);

// The text after the last separator (or drive colon): the file name.
QString ExtractFileName(const QString& path);
// The text up to and including the last separator (or drive colon).
QString ExtractFilePath(const QString& path);

// `path` with exactly one more PathDelim at its end unless it already ends
// with one; an empty path gives PathDelim alone.
QString IncludeTrailingPathDelimiter(const QString& path);
// `path` without its final PathDelim, when it has one (only one is removed).
QString ExcludeTrailingPathDelimiter(const QString& path);
