// Procedure entries and links to other dictionaries.
#include "engine/dictionary/dictionary_internal.h"

#include "engine/core/errors.h"
#include "engine/dictionary/sqlite_db.h"
#include "engine/engine.h"

#include <strings.h>

namespace engine::dd {

namespace {

constexpr uint32_t kKnownLinkFlags = ADS_LINK_GLOBAL | ADS_LINK_AUTH_ACTIVE_USER | ADS_LINK_PATH_IS_STATIC;

std::string Absolute(const std::string& path, const std::string& folder)
{
    std::string slashed = path;
    for (char& c : slashed)
        c = c == '\\' ? '/' : c;
    if (!slashed.empty() && slashed.front() == '/')
        return slashed;
    return folder == "/" ? "/" + slashed : folder + "/" + slashed;
}

void RefuseTaken(sqlite3* db, const char* query, const char* what, const std::string& name, const std::string& path)
{
    Statement exists(db, query);
    exists.Bind(name);
    if (exists.Step())
        throw EngineError(AE_ALREADY_EXISTS, "The data dictionary " + path + " has a " + what + " named \"" + name
                                                 + "\" already.");
}

} // namespace

void Dictionary::AddProcedure(const std::string& name, const std::string& container, const std::string& entry,
                              const std::string& comment)
{
    CheckObjectName(name, "procedure");
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    Transaction transaction(mDb);
    RefuseTaken(mDb, "SELECT 1 FROM dd_procedures WHERE name = ?", "procedure", name, mPath);
    Statement(mDb, "INSERT INTO dd_procedures(name, container, entry, comment) VALUES(?, ?, ?, ?)")
        .Bind(name)
        .Bind(container)
        .Bind(entry)
        .Bind(comment)
        .Run();
    transaction.Commit();
}

void Dictionary::DropProcedure(const std::string& name)
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    Transaction transaction(mDb);
    Statement remove(mDb, "DELETE FROM dd_procedures WHERE name = ?");
    remove.Bind(name).Run();
    if (remove.Changes() == 0)
        ThrowNotFound("procedure", name, mPath);
    transaction.Commit();
}

std::vector<std::string> Dictionary::Procedures() const
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    Statement query(mDb, "SELECT name FROM dd_procedures ORDER BY name");
    std::vector<std::string> names;
    while (query.Step())
        names.push_back(query.Text(0));
    return names;
}

void Dictionary::CreateLink(const std::string& alias, const std::string& linkedPath, const std::string& user,
                            const std::string& password, uint32_t flags, const std::string& owner)
{
    CheckObjectName(alias, "link");
    if ((flags & ~kKnownLinkFlags) != 0)
        throw EngineError(AE_INVALID_ARGUMENT, "The link options " + std::to_string(flags)
                                                   + " hold bits other than 1 (global), 2 (active user) and 4 "
                                                     "(static path).");
    if (linkedPath.empty())
        throw EngineError(AE_INVALID_ARGUMENT, "The link " + alias + " names no data dictionary.");
    bool activeUser = (flags & ADS_LINK_AUTH_ACTIVE_USER) != 0;
    // The linked dictionary must exist and take the credentials now; what
    // is kept is its user's verifier, never the password itself.
    std::shared_ptr<Dictionary> linked = Open(Absolute(linkedPath, mFolder));
    std::string verifier;
    if (!activeUser) {
        linked->CheckLogin(user, password);
        verifier = linked->PasswordVerifier(user);
    }
    std::string stored = (flags & ADS_LINK_PATH_IS_STATIC) != 0 ? linked->Path() : StoredForm(linked->Path(), ".add");
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    Transaction transaction(mDb);
    RefuseTaken(mDb, "SELECT 1 FROM dd_links WHERE alias = ?", "link", alias, mPath);
    Statement(mDb, "INSERT INTO dd_links(alias, path, user_name, verifier, flags, owner) VALUES(?, ?, ?, ?, ?, ?)")
        .Bind(alias)
        .Bind(stored)
        .Bind(activeUser ? std::string() : user)
        .Bind(verifier)
        .Bind(int64_t(flags))
        .Bind(owner)
        .Run();
    transaction.Commit();
}

void Dictionary::DropLink(const std::string& alias, bool dropGlobal)
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    Transaction transaction(mDb);
    Statement query(mDb, "SELECT flags FROM dd_links WHERE alias = ?");
    query.Bind(alias);
    if (!query.Step())
        ThrowNotFound("link", alias, mPath);
    if ((query.Number(0) & ADS_LINK_GLOBAL) != 0 && !dropGlobal)
        throw EngineError(AE_INVALID_ARGUMENT, "The link " + alias + " of the data dictionary " + mPath
                                                   + " is global; it is dropped only when that is asked for.");
    Statement(mDb, "DELETE FROM dd_links WHERE alias = ?").Bind(alias).Run();
    transaction.Commit();
}

std::vector<LinkEntry> Dictionary::LinksFor(const std::string& user) const
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    Statement query(mDb, "SELECT alias, path, user_name, flags, owner FROM dd_links "
                         "WHERE (flags & 1) <> 0 OR owner = ? COLLATE NOCASE ORDER BY alias");
    query.Bind(user);
    std::vector<LinkEntry> links;
    while (query.Step()) {
        LinkEntry link;
        link.alias = query.Text(0);
        link.storedPath = query.Text(1);
        link.path = Resolve(link.storedPath);
        link.userName = query.Text(2);
        link.flags = static_cast<uint32_t>(query.Number(3));
        link.owner = query.Text(4);
        links.push_back(std::move(link));
    }
    return links;
}

std::optional<LinkEntry> Dictionary::FindLink(const std::string& alias, const std::string& user) const
{
    for (LinkEntry& link : LinksFor(user))
        if (strcasecmp(link.alias.c_str(), alias.c_str()) == 0)
            return std::move(link);
    return std::nullopt;
}

std::shared_ptr<Dictionary> Dictionary::OpenLink(const LinkEntry& link, const std::string& user,
                                                 const std::string& userPassword) const
{
    std::shared_ptr<Dictionary> linked = Open(link.path);
    if ((link.flags & ADS_LINK_AUTH_ACTIVE_USER) != 0) {
        linked->CheckLogin(user, userPassword);
        return linked;
    }
    std::string stored;
    {
        std::lock_guard<std::recursive_mutex> lock(mMutex);
        Statement query(mDb, "SELECT verifier FROM dd_links WHERE alias = ?");
        query.Bind(link.alias);
        if (query.Step())
            stored = query.Text(0);
    }
    if (stored.empty() || linked->PasswordVerifier(link.userName) != stored)
        throw EngineError(AE_DD_LOGIN_FAILED, "The link " + link.alias + " no longer logs in to " + link.path
                                                  + ": the password of its user \"" + link.userName
                                                  + "\" has changed or the user is gone.");
    return linked;
}

} // namespace engine::dd
