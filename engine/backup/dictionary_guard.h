// Keeps writers out of a dictionary file (an SQLite database) while it is
// copied: a read transaction holds its shared lock, so a change waits for
// the copy (or gives up after its own busy timeout) instead of landing
// half in it.
#pragma once

#include <string>

struct sqlite3;

namespace backup {

class DictionaryReadGuard {
public:
    explicit DictionaryReadGuard(const std::string& utf8Path);
    ~DictionaryReadGuard();
    DictionaryReadGuard(const DictionaryReadGuard&) = delete;
    DictionaryReadGuard& operator=(const DictionaryReadGuard&) = delete;

private:
    sqlite3* mDb = nullptr;
};

} // namespace backup
