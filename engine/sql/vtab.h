// The engine's tables as SQLite virtual tables.
//
// Each table a statement names becomes a virtual table of the statement's
// private SQLite connection, backed by one engine cursor opened on the
// statement's engine connection through the engine's own open path (so a
// dictionary connection resolves dictionary names, and the table's default
// index opens with it). Rows are the table's records that are not deleted;
// the rowid is the record number. Writes go through that cursor's write
// paths: record locks, index maintenance, autoincrement values and the
// connection's transaction journal all apply as to any other change.
//
// Invariants:
// - Nothing an SQLite callback raises crosses into SQLite: the first
//   failure is kept in StageTables::failure (with its own engine code) and
//   SQLite is told only that the call failed.
// - A scan reads the records that existed when it started, so an INSERT
//   that reads its own table never reads the records it appends.
// - Every cursor opened for the statement is listed in StageTables::opened
//   and closed by CloseStageTables, also after a failure; inside an open
//   transaction of the connection the cursors are kept for the
//   transaction's later statements instead (stage_cache.h).
#pragma once

#include "engine/core/handles.h"

#include <sqlite3.h>

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

namespace sql {

struct StageTables {
    ADSHANDLE connection = 0;
    uint16_t tableType = 0; // 0: the connection's default
    uint16_t charType = 0;
    uint16_t lockType = 0;
    uint16_t checkRights = 0;
    bool readOnly = false;  // opens read-only (a SELECT)
    bool keepTables = false; // the connection's transaction is open: tables stay open for it (stage_cache.h)

    std::string pendingName;        // the table the next CREATE VIRTUAL TABLE opens
    std::vector<ADSHANDLE> opened;  // cursors to close when the statement ends
    std::vector<ADSHANDLE> used;    // every cursor the statement reads or writes
    std::exception_ptr failure;     // the first failure inside a callback
    int64_t changes = 0;            // rows inserted, updated or deleted
    uint32_t lastAutoinc = 0;       // of the last appended record with an autoincrement column
    bool appendedAutoinc = false;

    // Keeps the first failure; later ones are its consequences.
    void Fail(std::exception_ptr error)
    {
        if (!failure)
            failure = std::move(error);
    }
};

// The table type a table named in a statement is opened or created with:
// the file's extension decides between the engine's own format and DBF;
// among the DBF types the requested one (else the connection's, else CDX)
// is taken. Without an extension: the requested type (0: the connection's).
uint16_t TableTypeForName(ADSHANDLE connection, uint16_t requested, const std::string& name);

// True for the failure of opening a table whose file does not exist.
bool IsMissingTable(const std::exception& error);

// Registers the module "varnel_table" on `db`; its tables are made by
// CREATE VIRTUAL TABLE ... USING varnel_table with `tables.pendingName` set.
int RegisterTableModule(sqlite3* db, StageTables& tables);

// Closes every cursor the statement opened; the first failure is raised
// after all were tried.
void CloseStageTables(StageTables& tables);

} // namespace sql
