// A thin layer over the SQLite C interface for the dictionary store: one
// prepared statement with positional binding, and SQLite failures turned
// into engine errors that name the dictionary file.
#pragma once

#include <cstdint>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace engine::dd {

// Raises the connection's last SQLite error as an EngineError: a file that
// is not a database is AE_DD_INVALID, a unique name used twice
// AE_ALREADY_EXISTS, a lock held too long AE_LOCK_CONFLICT, anything else
// AE_FILE_IO.
[[noreturn]] void ThrowSqlite(sqlite3* db, int code, const std::string& what);

// Runs SQL text without results.
void Execute(sqlite3* db, const char* sql, const std::string& what);

class Statement {
public:
    Statement(sqlite3* db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Binds the next parameter (in the order of the '?' marks).
    Statement& Bind(const std::string& text);
    Statement& Bind(int64_t number);
    // Moves to the next row: true while there is one.
    bool Step();
    // Steps to the end, for statements that yield no rows.
    void Run();
    // Rows changed by the last run.
    int Changes() const;

    std::string Text(int column) const;
    int64_t Number(int column) const;

private:
    sqlite3* mDb;
    sqlite3_stmt* mStatement = nullptr;
    int mNextParameter = 1;
};

} // namespace engine::dd
