// Running one data statement (SELECT, INSERT, UPDATE, DELETE) with SQLite
// over the engine's tables.
//
// Each run gets a private in-memory SQLite connection. The tables the
// statement names become virtual tables on first mention (see vtab.h); the
// statement's text is first turned into SQLite's dialect (sql_dialect.h);
// parameters and variables are bound as values, never pasted into the text.
// The scalar functions of script expressions that SQLite lacks (or knows
// only for ASCII) are the interpreter's own ones.
//
// Invariants:
// - A statement that changes rows is one unit: when it fails (a lock held
//   by another user, a duplicate key, a value a column refuses, a timeout,
//   an abort), every change it made is undone through the connection's
//   transaction journal, so it applies nothing. Inside an open transaction
//   of the connection, the unit is a savepoint of that transaction; the
//   transaction's own changes before it stay.
// - `interrupt` runs every few thousand SQLite steps; what it raises (a
//   timeout or an abort) ends the statement with that error.
// - SQLite's refusals become SqlError (code 7200) naming the fault and its
//   place in the statement; failures of the engine's tables keep their own
//   codes.
#pragma once

#include "engine/core/handles.h"
#include "engine/sql/ast.h"
#include "engine/sql/executor.h"

#include <functional>

namespace sql {

struct StageSettings {
    ADSHANDLE connection = 0;
    uint16_t tableType = 0;
    uint16_t charType = 0;
    uint16_t lockType = 0;
    uint16_t checkRights = 0;
    std::function<void()> interrupt;
};

struct StageOutcome {
    DataOutcome data;
    bool appendedAutoinc = false; // an INSERT gave a record an autoincrement value
    uint32_t lastAutoinc = 0;
};

StageOutcome RunOnStage(const DataStatement& statement, const std::vector<Value>& values,
                        const StageSettings& settings);

} // namespace sql
