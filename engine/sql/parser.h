// Parsing an SQL script into its checked, executable form.
//
// A script is statements separated by ';' (empty statements are allowed,
// the last ';' is optional). Keywords are read without regard to case.
// Besides the grammar, parsing checks the names: a variable or cursor must
// be declared before its first use, no name may be declared twice, and a
// function must exist and get an argument count it accepts. Every fault is
// an SqlError that quotes the statement and gives the line and column.
// Procedure names and their argument counts are checked when the script
// runs, against the procedures the engine has then.
#pragma once

#include "engine/sql/ast.h"

#include <string_view>

namespace sql {

// `text` is 8-bit text in the system code page.
Script ParseScript(std::string_view text);

} // namespace sql
