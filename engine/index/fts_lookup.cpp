// The filter side's entry to full-text indexes: recognising a CONTAINS term
// and answering it from the table's index on that column.
#include "engine/index/fts_index.h"

#include "engine/core/errors.h"
#include "engine/expr/lexer.h"

namespace fts {

std::optional<std::vector<uint32_t>> LookupContains(const storage::Table& table, const std::string& field,
                                                    const std::string& condition)
{
    std::shared_ptr<FtsFile> file = FtsFile::ForTable(table);
    if (!file)
        return std::nullopt;
    std::lock_guard<std::recursive_mutex> lock(file->Mutex());
    std::shared_ptr<FtsIndex> index = file->OnField(field);
    if (!index)
        return std::nullopt;
    return index->Lookup(table, condition);
}

bool HasIndexOn(const storage::Table& table, const std::string& field)
{
    std::shared_ptr<FtsFile> file;
    try {
        file = FtsFile::ForTable(table);
    } catch (const engine::EngineError&) {
        return false; // a damaged file answers nothing; the filter judges every record
    }
    if (!file)
        return false;
    std::lock_guard<std::recursive_mutex> lock(file->Mutex());
    return file->OnField(field) != nullptr;
}

namespace {

void SkipBlanks(std::string_view text, size_t& pos)
{
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
        ++pos;
}

std::string_view TrimmedView(std::string_view text)
{
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

std::optional<ContainsTerm> ContainsTermOf(std::string_view text)
{
    text = TrimmedView(text);
    constexpr std::string_view keyword = "CONTAINS";
    if (text.size() < keyword.size() || expr::UpperAscii(text.substr(0, keyword.size())) != keyword)
        return std::nullopt;
    size_t pos = keyword.size();
    SkipBlanks(text, pos);
    if (pos >= text.size() || text[pos] != '(')
        return std::nullopt;
    size_t comma = text.find(',', pos);
    if (comma == std::string_view::npos)
        return std::nullopt;
    std::string_view field = TrimmedView(text.substr(pos + 1, comma - pos - 1));
    if (field.empty() || field.find_first_of("()'\"[]+-") != std::string_view::npos)
        return std::nullopt;
    pos = comma + 1;
    SkipBlanks(text, pos);
    if (pos >= text.size() || (text[pos] != '\'' && text[pos] != '"'))
        return std::nullopt;
    size_t close = text.find(text[pos], pos + 1);
    if (close == std::string_view::npos)
        return std::nullopt;
    ContainsTerm term{std::string(field), std::string(text.substr(pos + 1, close - pos - 1))};
    pos = close + 1;
    SkipBlanks(text, pos);
    if (pos + 1 != text.size() || text[pos] != ')')
        return std::nullopt;
    return term;
}

} // namespace fts
