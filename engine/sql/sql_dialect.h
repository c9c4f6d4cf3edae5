// The engine's SQL dialect turned into SQLite's, for one data statement.
//
// - Parameters and script variables become numbered placeholders ?1, ?2,
//   ... in the order of the statement's references (reference i binds ?i+1).
// - "SELECT [DISTINCT|ALL] TOP n [START AT m]" at the head of the statement
//   becomes a LIMIT n [OFFSET m-1] at its end.
// - "+" between texts concatenates: it becomes "||" when an operand next to
//   it is a string literal, a text value bound to a placeholder, a column
//   named in `textColumns` (upper-cased names) or a text function's result,
//   and no number literal stands on its other side.
// - LEFT( and RIGHT(, which SQLite reads as join words, call the shared
//   functions under their stage names (StageFunctionName).
// - The text becomes UTF-8, as SQLite reads it.
// Everything else (quoted names "a b" and [a b], comments) is left as
// written. OriginalOffset maps a place in the new text back into the
// statement's own text, for messages.
#pragma once

#include "engine/sql/ast.h"
#include "engine/sql/value.h"

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace sql {

struct StageText {
    std::string text;
    std::vector<std::pair<size_t, size_t>> anchors; // (offset in text, offset in the original), ascending

    size_t OriginalOffset(size_t offset) const;
};

// The name a shared function has on the stage: its own, or a stand-in for
// the names SQLite keeps as keywords.
std::string StageFunctionName(const std::string& upperName);

StageText RewriteForStage(const DataStatement& statement, const std::vector<Value>& values,
                          const std::set<std::string>& textColumns);

} // namespace sql
