// The tables a connection's data statements keep open while the
// connection has an open transaction.
//
// Record locks belong to the cursor that took them, and a transaction holds
// the locks of every change until it ends. A second statement of the same
// transaction that changes a record the first one changed must therefore
// use the first one's cursor, or it would conflict with its own
// transaction. So while a transaction is open the stage opens each table
// once per connection and keeps it here; the first statement the connection
// runs after the transaction has ended closes them (and disconnecting
// closes them with every other child of the connection).
#pragma once

#include "engine/core/handles.h"

#include <string>

namespace sql {

// The kept cursor for `key` on the connection, or 0.
ADSHANDLE KeptTable(ADSHANDLE connection, const std::string& key);
void KeepTable(ADSHANDLE connection, const std::string& key, ADSHANDLE cursor);
// Closes the kept cursors of a connection that has no open transaction.
void ReleaseKeptTables(ADSHANDLE connection);

} // namespace sql
