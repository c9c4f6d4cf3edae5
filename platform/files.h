// File-system questions and folder creation, and the file search path.
//
// Invariants:
// - Names are the program's text; they reach the operating system in its
//   own encoding (UTF-8 on Linux) and come back the same way.
// - Every test follows symbolic links: a link to a folder is a folder, a
//   dangling link is nothing.
// - Failures to create a folder raise EInOutError carrying errno and a
//   message naming the folder; nothing here fails silently.
#pragma once

#include <QString>

// True when `name` is an existing regular file (not a folder).
bool FileExists(const QString& name);
// True when `name` is an existing folder.
bool DirectoryExists(const QString& name);

// Creates the one folder `dir`; its parent must exist. An existing folder of
// that name is accepted as it is. Raises EInOutError otherwise.
void CreateDir(const QString& dir);
// Creates `dir` and every missing folder above it. Raises EInOutError naming
// the level that could not be made; the levels made before it stay.
void ForceDirectories(const QString& dir);

// Full name of the running program, and its folder (no trailing separator).
QString ExecutableFileName();
QString ExecutableFolder();

// Looks for the file `name` in the program's folder, then in the current
// folder, then in each folder of PATH in order, and returns the absolute name
// of the first regular file found, or the empty text. An absolute `name` is
// returned when it names an existing file.
QString SearchPath(const QString& name);
