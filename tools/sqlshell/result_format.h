// Rendering of a result set as aligned text or as CSV.
//
// Invariants:
// - Every text is UTF-8 by the time it reaches these functions; widths are
//   counted in code points, which is what a terminal shows for the characters
//   the engine's code page can hold.
// - A row has exactly one cell per column; a NULL cell is kept apart from an
//   empty text so that the aligned form can show it.
// - CSV follows RFC 4180: a header line, CRLF line ends, and a field quoted
//   (with its quotes doubled) when it holds a comma, a quote, CR or LF.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace sqlshell {

struct ResultColumn {
    std::string name;
    bool alignRight = false; // numbers read best aligned on their last digit
};

using ResultCell = std::optional<std::string>; // nullopt is NULL

struct ResultSet {
    std::vector<ResultColumn> columns;
    std::vector<std::vector<ResultCell>> rows;
};

// Column names, a rule, the rows padded to the widest cell, then "(N rows)".
std::string FormatAligned(const ResultSet& result);

// The header and the rows as RFC 4180 records; NULL is an empty field.
std::string FormatCsv(const ResultSet& result);

// One field, quoted only when it has to be.
std::string CsvField(const std::string& text);

} // namespace sqlshell
