// Folder and file helpers of backups and restores: names as scripts pass
// them (8-bit, upper-cased by the restore scripts) resolved to the file
// system's UTF-8 names, folder listing, creation, syncing and removal.
//
// Every failure raises engine::EngineError with a text naming the file or
// folder in the system code page (the caller's text encoding).
#pragma once

#include <string>
#include <vector>

namespace backup {

// The UTF-8 path of an 8-bit folder or file name, each component matched
// without regard to case where the name does not exist as written.
std::string ResolveName(const std::string& ansiName);
// A UTF-8 path as 8-bit text for messages.
std::string Shown(const std::string& utf8Path);
// `folder` + '/' + `relative`.
std::string JoinPath(const std::string& folder, const std::string& relative);
// The folder part of a relative or absolute path ("" when there is none).
std::string ParentOf(const std::string& path);
std::string LastComponent(const std::string& path);

bool IsFolder(const std::string& utf8Path);
bool IsRegularFile(const std::string& utf8Path);
uint64_t FileSize(const std::string& utf8Path); // raises when the file is missing

// Names of the entries of a folder (without "." and ".."), sorted.
std::vector<std::string> ListFolder(const std::string& utf8Folder);
// Creates the folder and its missing parents; true when it had to create
// the last level.
bool MakeFolders(const std::string& utf8Folder);
// Forces the folder's entries (renames, new files) to disk.
void SyncFolder(const std::string& utf8Folder);
// Removes a folder and everything below it; a missing folder is no error.
void RemoveTree(const std::string& utf8Folder);
// Renames a file, creating the target's folder when it is missing.
void MoveFile(const std::string& from, const std::string& to);

} // namespace backup
