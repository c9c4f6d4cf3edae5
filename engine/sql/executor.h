// What a script needs from the engine to run the statements the
// interpreter does not evaluate itself: procedure calls, data statements
// (SELECT, INSERT, UPDATE, DELETE) and table definitions. The engine gives
// one Executor per execution; its failures propagate out of the script
// unchanged (with their own codes), ending the execution.
#pragma once

#include "engine/sql/ast.h"
#include "engine/sql/value.h"

#include <memory>
#include <string>
#include <vector>

namespace sql {

struct ResultColumn {
    std::string name;
    DataType type = DataType::String;
    uint32_t length = 0;
    uint32_t decimals = 0;
    // The result table's column type in the table-definition grammar
    // ("Numeric,10,2"), when the column came from a table column and keeps
    // its type; empty: derived from `type` and `length`.
    std::string definition = {};
    // The engine type of the table column the values come from; 0 for an
    // expression. Unicode columns (26, 27, 28) carry their values as
    // UTF-16LE bytes, so that no character is lost on the way to the result.
    uint16_t sourceType = 0;
};

// Rows a statement yields. Invariant: every row has one value per column.
struct ResultSet {
    std::vector<ResultColumn> columns;
    std::vector<std::vector<Value>> rows;
    // The table type (1 NTX, 2 CDX, 3 ADT, 4 VFP) of the statement that read
    // the rows from tables: the result is a table of that type when the type
    // holds every column as it is. 0: the engine's own format (procedure rows).
    uint16_t tableType = 0;
};

// A data statement's outcome: rows when it yields a cursor, and the count
// of rows it changed (-1 when it does not count).
struct DataOutcome {
    std::shared_ptr<ResultSet> rows;
    int64_t rowsAffected = -1;
};

class Executor {
public:
    virtual ~Executor() = default;

    // Calls a procedure with its evaluated arguments; the rows it yields, or
    // nullptr. Throws for an unknown procedure or a wrong argument count.
    virtual std::shared_ptr<ResultSet> CallProcedure(const std::string& name, const std::vector<Value>& args) = 0;
    // Runs a data statement; `values[i]` is the value of
    // `statement.references[i]` (a parameter's bound value or a variable's
    // current value).
    virtual DataOutcome RunData(const DataStatement& statement, const std::vector<Value>& values) = 0;
    virtual void RunDefinition(const DefinitionStatement& statement) = 0;
};

} // namespace sql
