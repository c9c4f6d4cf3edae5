#include "result_format.h"

#include <algorithm>

namespace sqlshell {
namespace {

const char* const kNullText = "NULL";
const char* const kColumnGap = " | ";
const char* const kRuleGap = "-+-";

std::size_t DisplayWidth(const std::string& utf8)
{
    // Continuation bytes (10xxxxxx) belong to the code point before them.
    return static_cast<std::size_t>(std::count_if(utf8.begin(), utf8.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string Shown(const ResultCell& cell) { return cell ? *cell : kNullText; }

std::vector<std::size_t> ColumnWidths(const ResultSet& result)
{
    std::vector<std::size_t> widths;
    for (const ResultColumn& column : result.columns)
        widths.push_back(DisplayWidth(column.name));
    for (const auto& row : result.rows)
        for (std::size_t i = 0; i < row.size() && i < widths.size(); ++i)
            widths[i] = std::max(widths[i], DisplayWidth(Shown(row[i])));
    return widths;
}

std::string Padded(const std::string& text, std::size_t width, bool alignRight)
{
    const std::string padding(width - std::min(width, DisplayWidth(text)), ' ');
    return alignRight ? padding + text : text + padding;
}

// Joins the cells of one line; the last cell is not padded on the right so
// that lines carry no trailing blanks.
std::string Line(const std::vector<std::string>& cells, const std::vector<std::size_t>& widths,
                 const std::vector<bool>& alignRight)
{
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0)
            line += kColumnGap;
        const bool last = i + 1 == cells.size();
        line += (last && !alignRight[i]) ? cells[i] : Padded(cells[i], widths[i], alignRight[i]);
    }
    return line + "\n";
}

std::string Rule(const std::vector<std::size_t>& widths)
{
    std::string rule;
    for (std::size_t i = 0; i < widths.size(); ++i) {
        if (i > 0)
            rule += kRuleGap;
        rule += std::string(widths[i], '-');
    }
    return rule + "\n";
}

std::string RowCount(std::size_t count)
{
    return "(" + std::to_string(count) + (count == 1 ? " row)\n" : " rows)\n");
}

} // namespace

std::string FormatAligned(const ResultSet& result)
{
    const std::vector<std::size_t> widths = ColumnWidths(result);
    std::vector<bool> alignRight;
    std::vector<std::string> names;
    for (const ResultColumn& column : result.columns) {
        alignRight.push_back(column.alignRight);
        names.push_back(column.name);
    }
    // Headings are always left-aligned; only the values follow the column.
    std::string text = Line(names, widths, std::vector<bool>(names.size(), false)) + Rule(widths);
    for (const auto& row : result.rows) {
        std::vector<std::string> cells;
        for (const ResultCell& cell : row)
            cells.push_back(Shown(cell));
        text += Line(cells, widths, alignRight);
    }
    return text + RowCount(result.rows.size());
}

std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string FormatCsv(const ResultSet& result)
{
    std::string text;
    auto addRecord = [&text](const std::vector<std::string>& fields) {
        for (std::size_t i = 0; i < fields.size(); ++i)
            text += (i > 0 ? "," : "") + CsvField(fields[i]);
        text += "\r\n";
    };
    std::vector<std::string> names;
    for (const ResultColumn& column : result.columns)
        names.push_back(column.name);
    addRecord(names);
    for (const auto& row : result.rows) {
        std::vector<std::string> fields;
        for (const ResultCell& cell : row)
            fields.push_back(cell.value_or(std::string()));
        addRecord(fields);
    }
    return text;
}

} // namespace sqlshell
