#include "statement_splitter.h"

namespace sqlshell {
namespace {

const char* const kBlanks = " \t\r\n\f\v";

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

} // namespace

std::optional<std::string> StatementSplitter::AddLine(const std::string& line)
{
    const std::string content = Trimmed(line);
    if (content.empty() || content == ";")
        return TakePending();
    if (!mPending.empty())
        mPending += "\n";
    mPending += line;
    return std::nullopt;
}

std::optional<std::string> StatementSplitter::Finish() { return TakePending(); }

std::optional<std::string> StatementSplitter::TakePending()
{
    std::string statement;
    statement.swap(mPending);
    if (Trimmed(statement).empty())
        return std::nullopt;
    return statement;
}

} // namespace sqlshell
