// The scalar functions of script expressions.
//
// Every function gets its arguments evaluated and returns NULL when an
// argument it needs is NULL, except IFNULL, COALESCE and CONCAT, whose
// purpose is handling NULLs (CONCAT skips them). CAST and CONVERT are not
// here: the parser turns them into conversion nodes.
#pragma once

#include "engine/sql/value.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace sql {

struct FunctionInfo {
    const char* name;
    size_t minArgs;
    size_t maxArgs; // kVariadic: no upper bound
    Value (*call)(const std::vector<Value>& args);
};

constexpr size_t kVariadic = static_cast<size_t>(-1);

// The function of that name without regard to case; nullptr when none.
const FunctionInfo* FindFunction(std::string_view name);

} // namespace sql
