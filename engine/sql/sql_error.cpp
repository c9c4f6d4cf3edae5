#include "engine/sql/sql_error.h"

#include <algorithm>

namespace sql {
namespace {

// Long statements are cut in the message: the layer shows about 600
// characters, and the place of the fault must stay readable.
constexpr size_t kQuoteLimit = 240;

// The statement as one line: runs of blanks and line breaks become one blank.
std::string QuoteStatement(std::string_view text)
{
    std::string quoted;
    bool pendingBlank = false;
    for (char ch : text) {
        bool blank = ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n';
        if (blank) {
            pendingBlank = !quoted.empty();
            continue;
        }
        if (pendingBlank)
            quoted += ' ';
        pendingBlank = false;
        quoted += ch;
        if (quoted.size() >= kQuoteLimit) {
            quoted += "...";
            break;
        }
    }
    return quoted;
}

std::string Header(uint32_t native)
{
    return "Error 7200: SQL script error. NativeError = " + std::to_string(native) + "; ";
}

} // namespace

void LineAndColumn(std::string_view text, size_t offset, size_t& line, size_t& column)
{
    line = 1;
    column = 1;
    offset = std::min(offset, text.size());
    for (size_t i = 0; i < offset; ++i) {
        char ch = text[i];
        if (ch == '\r' && i + 1 < offset && text[i + 1] == '\n')
            continue; // the LF of the pair ends the line
        if (ch == '\r' || ch == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
}

SqlError::SqlError(uint32_t native, const std::string& problem)
    : engine::EngineError(kSqlErrorCode, Header(native) + problem + "."), mNative(native), mProblem(problem)
{
}

SqlError::SqlError(uint32_t native, const std::string& problem, const SourcePlace& place)
    : engine::EngineError(kSqlErrorCode, [&] {
          size_t line = 0, column = 0;
          LineAndColumn(place.script, place.offset, line, column);
          size_t end = std::min(place.statementEnd, place.script.size());
          size_t begin = std::min(place.statementBegin, end);
          return Header(native) + problem + " at line " + std::to_string(line) + ", column " +
                 std::to_string(column) + " in statement: " +
                 QuoteStatement(place.script.substr(begin, end - begin));
      }()),
      mNative(native), mProblem(problem)
{
    LineAndColumn(place.script, place.offset, mLine, mColumn);
}

} // namespace sql
