// The dictionary side of a connection: logging in, and finding tables by
// their dictionary names (also through links).
#include "engine/core/connection.h"

#include "engine/core/errors.h"
#include "engine/dictionary/dictionary.h"
#include "engine/engine.h"
#include "engine/sql/lexer.h"

namespace engine {

namespace {

// The user a dictionary connection is for, after checking its credentials.
// DDPassword is the administrator's password: given alone it logs in as the
// administrator; given with another user both must be right.
std::string LogIn(const dd::Dictionary& dictionary, const ConnectSettings& settings)
{
    if (!settings.dictionaryPassword.empty())
        dictionary.CheckLogin(dd::kAdministrator, settings.dictionaryPassword);
    if (!settings.userName.empty()) {
        dictionary.CheckLogin(settings.userName, settings.password);
        return settings.userName;
    }
    if (!settings.dictionaryPassword.empty())
        return dd::kAdministrator;
    if (dictionary.LoginsRequired())
        throw EngineError(AE_DD_LOGIN_FAILED, "The data dictionary " + dictionary.Path()
                                                  + " requires a user name and password (User ID and Password).");
    return std::string();
}

ResolvedTable FromEntry(const dd::TableEntry& entry)
{
    ResolvedTable table;
    table.path = entry.path;
    table.tableType = entry.tableType;
    table.charType = entry.charType;
    table.indexFiles = entry.indexFiles;
    table.dictionaryName = entry.name;
    return table;
}

} // namespace

std::shared_ptr<Connection> Connection::OpenDictionary(const ConnectSettings& settings, const std::string& path)
{
    std::shared_ptr<dd::Dictionary> dictionary = dd::Dictionary::Open(path);
    std::string user = LogIn(*dictionary, settings);
    std::shared_ptr<Connection> connection(new Connection(settings, path, dictionary->Folder()));
    connection->mDictionary = std::move(dictionary);
    connection->mUser = std::move(user);
    return connection;
}

bool Connection::IsAdministrator() const
{
    return mDictionary && sql::EqualsIgnoreCase(mUser, dd::kAdministrator);
}

void Connection::RequireAdministrator(const char* function, const char* what) const
{
    RequireDictionary(function);
    if (!IsAdministrator())
        throw EngineError(AE_PERMISSION_DENIED, std::string(function) + ": only the administrator "
                                                    + dd::kAdministrator + " may " + what + ".");
}

dd::Dictionary& Connection::RequireDictionary(const char* function) const
{
    if (!mDictionary)
        throw EngineError(AE_INVALID_ARGUMENT, std::string(function) + ": the connection to " + mPath
                                                   + " is not a data-dictionary connection.");
    return *mDictionary;
}

std::string Connection::TablePath(std::string_view name) const
{
    return ResolveTable(name).path;
}

ResolvedTable Connection::ResolveTable(std::string_view name) const
{
    if (mDictionary) {
        std::string text(name);
        if (std::optional<dd::TableEntry> entry = mDictionary->FindTable(text))
            return FromEntry(*entry);
        // "link.table": a table of a linked dictionary. A name whose part
        // before the dot is no link is a file name ("orders.adt").
        size_t dot = text.find('.');
        if (dot != std::string::npos && text.find('/') == std::string::npos) {
            if (std::optional<dd::LinkEntry> link = mDictionary->FindLink(text.substr(0, dot), mUser)) {
                std::shared_ptr<dd::Dictionary> linked = mDictionary->OpenLink(*link, mUser, mSettings.password);
                return FromEntry(linked->Table(text.substr(dot + 1)));
            }
        }
    }
    ResolvedTable table;
    table.path = JoinPath(mFolder, name);
    return table;
}

} // namespace engine
