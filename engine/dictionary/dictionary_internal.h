// What the dictionary's .cpp files share: the write transaction and the
// helpers for names and paths.
#pragma once

#include "engine/dictionary/dictionary.h"

#include <sqlite3.h>

namespace engine::dd {

// One SQLite write transaction (BEGIN IMMEDIATE): committed by Commit(),
// rolled back when left without it, so a failed change leaves nothing.
class Dictionary::Transaction {
public:
    explicit Transaction(sqlite3* db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

private:
    sqlite3* mDb;
    bool mDone = false;
};

// Refuses an empty name, or one with characters that would make it
// ambiguous in a dotted "link.table" name or a ';'-separated list.
void CheckObjectName(const std::string& name, const char* what);
[[noreturn]] void ThrowNotFound(const char* what, const std::string& name, const std::string& dictionary);

// The folder part of an 8-bit path, and whether a name carries an extension.
std::string FolderOfPath(const std::string& path);
bool HasExtension(const std::string& path);

} // namespace engine::dd
