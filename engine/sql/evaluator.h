// Evaluation of script expressions against the variables of one execution
// and the bound parameters.
//
// NULL follows SQL's three-valued logic: arithmetic, concatenation and
// comparisons with a NULL operand give NULL; NOT NULL is NULL; FALSE AND
// NULL is FALSE and TRUE OR NULL is TRUE; other AND/OR with NULL are NULL.
// A string compared with a date, time, number or logical is read as that
// type. Integer arithmetic that overflows and division by zero are faults. Every
// fault is an SqlError placed at the expression that caused it.
#pragma once

#include "engine/sql/ast.h"
#include "engine/sql/parameters.h"

#include <vector>

namespace sql {

struct EvaluationScope {
    const Script& script;
    const std::vector<Value>& variables; // by slot
    const ParameterValues& parameters;
    size_t statementBegin = 0; // the running statement, for fault messages
    size_t statementEnd = 0;
};

Value Evaluate(const Expr& expr, const EvaluationScope& scope);

// An IF or WHILE condition: true only for a logical TRUE; NULL and FALSE are
// not true. A value that is not logical is a fault.
bool IsConditionTrue(const Expr& expr, const EvaluationScope& scope);

} // namespace sql
