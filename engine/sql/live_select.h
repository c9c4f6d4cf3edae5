// Live results: a statement that is exactly "SELECT * FROM <table>", run
// with the live option (AdsStmtSetTableReadOnly 2), yields a cursor on the
// table itself instead of a static copy, so that a dataset can edit its
// rows. Every other statement, and this one without the live option, yields
// the static read-only result.
#pragma once

#include "engine/core/handles.h"
#include "engine/sql/ast.h"

#include <optional>
#include <string>

namespace sql {

// The table a one-statement script "SELECT * FROM <table>" names; nothing
// for any other script.
std::optional<std::string> PlainSelectTable(const Script& script);

// Remembers that `cursor` is the live result of a statement.
void MarkLiveResult(ADSHANDLE cursor);
// True while `cursor` is the open live result of a statement.
bool IsLiveResult(ADSHANDLE cursor);

} // namespace sql
