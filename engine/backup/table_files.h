// Which files of a folder make up a table.
//
// A table is its data file (.adt or .dbf) and the files named like it
// (without regard to case) with the extension of a memo (.adm, .dbt, .fpt),
// an index (.adi, .cdx, .ntx) or a full-text index (.fts). Files are named
// relative to the folder they are listed in.
#pragma once

#include <string>
#include <vector>

namespace backup {

struct TableFileSet {
    std::string name;                  // the data file's name without extension
    std::vector<std::string> dataFiles; // .adt / .dbf (one, or both kinds under one name)
    std::vector<std::string> files;     // every file of the table, data files first
};

bool IsDataFileName(const std::string& name);
bool IsTableFileName(const std::string& name);
// The name without its last extension.
std::string BaseName(const std::string& name);

// True when `name` matches one of the ';'- or ','-separated masks (with '*'
// and '?', compared without regard to case); an empty mask matches all.
bool MatchesMask(const std::string& name, const std::string& masks);

// The tables of `utf8Folder` whose data file matches `masks`.
std::vector<TableFileSet> FindTables(const std::string& utf8Folder, const std::string& masks);
// The existing files of the table named `base` (without extension) in the
// folder, matched without regard to case; `extraExtensions` (".add", ...)
// count as its files too.
std::vector<std::string> ExistingTableFiles(const std::string& utf8Folder, const std::string& base,
                                            const std::vector<std::string>& extraExtensions = {});

// The entries of the folder whose name is `name` without regard to case.
std::vector<std::string> ExistingNamed(const std::string& utf8Folder, const std::string& name);

} // namespace backup
