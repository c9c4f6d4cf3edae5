#!/bin/sh
# Builds the SQL script fuzzer with clang (not part of the normal build or
# of `make test`). Usage: tools/fuzz/build-sql-fuzzer.sh [output]
# Run: <output> -max_total_time=300 tests/engine/data/sql/
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-$root/build-fuzz/sql_script_fuzzer}
mkdir -p "$(dirname "$out")"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -I"$root" \
    "$root/tools/fuzz/sql_script_fuzzer.cpp" "$root"/engine/sql/*.cpp \
    "$root/engine/core/dates.cpp" "$root/engine/core/errors.cpp" \
    "$root/platform/codepage/codepage.cpp" -o "$out"
echo "$out"
