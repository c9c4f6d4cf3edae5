// The compiler: text to a typed, folded tree (ast.h).
//
// Grammar, loosest first: OR, AND, NOT, relations (= == <> # != < > <= >= $),
// + and -, * / %, ** and ^, unary + and -, operands. One level associates
// from left to right, so 2^3^2 is 64, and unary minus binds tighter than
// power (-2^2 is 4). Types are inferred bottom-up and checked at each node;
// a subtree without fields, record functions or the clock is evaluated once
// here and replaced by its value.
#pragma once

#include "engine/expr/ast.h"
#include "engine/expr/evaluator.h"
#include "engine/expr/expression.h"

#include <memory>
#include <string_view>

namespace expr {

std::unique_ptr<Node> CompileTree(std::string_view text, const RecordContext& schema, Purpose purpose,
                                  const EvalSettings& settings);

} // namespace expr
