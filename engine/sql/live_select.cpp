#include "engine/sql/live_select.h"

#include "engine/sql/lexer.h"

#include <map>
#include <memory>
#include <mutex>

namespace sql {

namespace {

std::mutex gMutex;
// The handle's object when it was marked: a released handle never matches.
std::map<ADSHANDLE, std::weak_ptr<engine::HandleObject>> gLive;

} // namespace

std::optional<std::string> PlainSelectTable(const Script& script)
{
    if (script.statements.size() != 1 || script.statements[0].kind != StatementKind::Data)
        return std::nullopt;
    std::vector<Token> tokens = Tokenize(script.statements[0].data.text);
    bool plain = tokens.size() == 5 && tokens[0].IsWord("SELECT") && tokens[1].IsSymbol("*")
        && tokens[2].IsWord("FROM") && (tokens[3].kind == TokenKind::Word || tokens[3].kind == TokenKind::QuotedName);
    if (!plain)
        return std::nullopt;
    return tokens[3].text;
}

void MarkLiveResult(ADSHANDLE cursor)
{
    auto object = engine::HandleRegistry::Instance().Find(cursor);
    std::lock_guard<std::mutex> lock(gMutex);
    std::erase_if(gLive, [](const auto& entry) { return entry.second.expired(); });
    gLive[cursor] = object;
}

bool IsLiveResult(ADSHANDLE cursor)
{
    auto object = engine::HandleRegistry::Instance().Find(cursor);
    std::lock_guard<std::mutex> lock(gMutex);
    auto it = gLive.find(cursor);
    return object && it != gLive.end() && it->second.lock() == object;
}

} // namespace sql
