#include "engine/dictionary/sqlite_db.h"

#include "engine/core/errors.h"
#include "engine/engine.h"

#include <sqlite3.h>

namespace engine::dd {

namespace {

uint32_t EngineCodeFor(int sqliteCode)
{
    switch (sqliteCode & 0xff) {
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return AE_DD_INVALID;
    case SQLITE_CONSTRAINT:
        return AE_ALREADY_EXISTS;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return AE_LOCK_CONFLICT;
    case SQLITE_CANTOPEN:
        return AE_FILE_NOT_FOUND;
    default:
        return AE_FILE_IO;
    }
}

} // namespace

void ThrowSqlite(sqlite3* db, int code, const std::string& what)
{
    const char* file = db ? sqlite3_db_filename(db, "main") : nullptr;
    std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    throw EngineError(EngineCodeFor(code), "The data dictionary " + std::string(file ? file : "")
                                               + " could not be used (" + what + "): " + message + ".");
}

void Execute(sqlite3* db, const char* sql, const std::string& what)
{
    int code = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (code != SQLITE_OK)
        ThrowSqlite(db, code, what);
}

Statement::Statement(sqlite3* db, const char* sql) : mDb(db)
{
    int code = sqlite3_prepare_v2(db, sql, -1, &mStatement, nullptr);
    if (code != SQLITE_OK)
        ThrowSqlite(db, code, "reading its schema");
}

Statement::~Statement()
{
    sqlite3_finalize(mStatement);
}

Statement& Statement::Bind(const std::string& text)
{
    int code = sqlite3_bind_text(mStatement, mNextParameter++, text.data(), int(text.size()), SQLITE_TRANSIENT);
    if (code != SQLITE_OK)
        ThrowSqlite(mDb, code, "binding a value");
    return *this;
}

Statement& Statement::Bind(int64_t number)
{
    int code = sqlite3_bind_int64(mStatement, mNextParameter++, number);
    if (code != SQLITE_OK)
        ThrowSqlite(mDb, code, "binding a value");
    return *this;
}

bool Statement::Step()
{
    int code = sqlite3_step(mStatement);
    if (code == SQLITE_ROW)
        return true;
    if (code == SQLITE_DONE)
        return false;
    ThrowSqlite(mDb, code, "running a statement");
}

void Statement::Run()
{
    while (Step()) {
    }
}

int Statement::Changes() const
{
    return sqlite3_changes(mDb);
}

std::string Statement::Text(int column) const
{
    const unsigned char* text = sqlite3_column_text(mStatement, column);
    return text ? std::string(reinterpret_cast<const char*>(text), size_t(sqlite3_column_bytes(mStatement, column)))
                : std::string();
}

int64_t Statement::Number(int column) const
{
    return sqlite3_column_int64(mStatement, column);
}

} // namespace engine::dd
