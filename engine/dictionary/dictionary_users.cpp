// Users, groups and logins of a dictionary.
#include "engine/dictionary/dictionary_internal.h"

#include "engine/core/errors.h"
#include "engine/dictionary/password_hash.h"
#include "engine/dictionary/sqlite_db.h"
#include "engine/engine.h"

namespace engine::dd {

namespace {

bool Exists(sqlite3* db, const char* sql, const std::string& name)
{
    Statement query(db, sql);
    query.Bind(name);
    return query.Step();
}

bool IsAdministrator(const std::string& name)
{
    std::string upper = name;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper == "ADSSYS";
}

} // namespace

std::string Dictionary::PasswordVerifier(const std::string& user) const
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    Statement query(mDb, "SELECT verifier FROM dd_users WHERE name = ?");
    query.Bind(user);
    return query.Step() ? query.Text(0) : std::string();
}

void Dictionary::CheckLogin(const std::string& user, const std::string& password) const
{
    std::string verifier = PasswordVerifier(user);
    if (verifier.empty() || !MatchesVerifier(password, verifier))
        throw EngineError(AE_DD_LOGIN_FAILED, "The user name or the password is not right for the data dictionary "
                                                  + mPath + " (user \"" + user + "\").");
}

bool Dictionary::HasUser(const std::string& name) const
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    return Exists(mDb, "SELECT 1 FROM dd_users WHERE name = ?", name);
}

void Dictionary::CreateUser(const std::string& name, const std::string& password, const std::string& comment)
{
    CheckObjectName(name, "user");
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    Transaction transaction(mDb);
    if (HasUser(name) || Exists(mDb, "SELECT 1 FROM dd_groups WHERE name = ?", name))
        throw EngineError(AE_ALREADY_EXISTS, "The data dictionary " + mPath + " has a user or group named \"" + name
                                                 + "\" already.");
    Statement(mDb, "INSERT INTO dd_users(name, verifier, comment) VALUES(?, ?, ?)")
        .Bind(name)
        .Bind(MakeVerifier(password))
        .Bind(comment)
        .Run();
    transaction.Commit();
}

void Dictionary::SetPassword(const std::string& user, const std::string& password)
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    Transaction transaction(mDb);
    Statement update(mDb, "UPDATE dd_users SET verifier = ? WHERE name = ?");
    update.Bind(MakeVerifier(password)).Bind(user).Run();
    if (update.Changes() == 0)
        ThrowNotFound("user", user, mPath);
    transaction.Commit();
}

void Dictionary::DropUser(const std::string& name)
{
    if (IsAdministrator(name))
        throw EngineError(AE_INVALID_ARGUMENT, std::string("The administrator ") + kAdministrator
                                                   + " cannot be dropped from a data dictionary.");
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    Transaction transaction(mDb);
    Statement remove(mDb, "DELETE FROM dd_users WHERE name = ?");
    remove.Bind(name).Run();
    if (remove.Changes() == 0)
        ThrowNotFound("user", name, mPath);
    transaction.Commit();
}

void Dictionary::CreateGroup(const std::string& name, const std::string& comment)
{
    CheckObjectName(name, "group");
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    Transaction transaction(mDb);
    if (HasUser(name) || Exists(mDb, "SELECT 1 FROM dd_groups WHERE name = ?", name))
        throw EngineError(AE_ALREADY_EXISTS, "The data dictionary " + mPath + " has a user or group named \"" + name
                                                 + "\" already.");
    Statement(mDb, "INSERT INTO dd_groups(name, comment) VALUES(?, ?)").Bind(name).Bind(comment).Run();
    transaction.Commit();
}

bool Dictionary::HasGroup(const std::string& name) const
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    return Exists(mDb, "SELECT 1 FROM dd_groups WHERE name = ?", name);
}

void Dictionary::AddUserToGroup(const std::string& user, const std::string& group)
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    Transaction transaction(mDb);
    if (!HasUser(user))
        ThrowNotFound("user", user, mPath);
    if (!Exists(mDb, "SELECT 1 FROM dd_groups WHERE name = ?", group))
        ThrowNotFound("group", group, mPath);
    Statement(mDb, "INSERT OR IGNORE INTO dd_members(user_name, group_name) "
                   "VALUES((SELECT name FROM dd_users WHERE name = ?), (SELECT name FROM dd_groups WHERE name = ?))")
        .Bind(user)
        .Bind(group)
        .Run();
    transaction.Commit();
}

void Dictionary::RemoveUserFromGroup(const std::string& user, const std::string& group)
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    Transaction transaction(mDb);
    Statement remove(mDb, "DELETE FROM dd_members WHERE user_name = ? AND group_name = ?");
    remove.Bind(user).Bind(group).Run();
    if (remove.Changes() == 0)
        throw EngineError(AE_DD_OBJECT_NOT_FOUND, "The user \"" + user + "\" is not in the group \"" + group
                                                      + "\" of the data dictionary " + mPath + ".");
    transaction.Commit();
}

std::vector<std::string> Dictionary::GroupsOf(const std::string& user) const
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    if (!HasUser(user))
        ThrowNotFound("user", user, mPath);
    Statement query(mDb, "SELECT group_name FROM dd_members WHERE user_name = ? ORDER BY group_name");
    query.Bind(user);
    std::vector<std::string> groups;
    while (query.Step())
        groups.push_back(query.Text(0));
    return groups;
}

} // namespace engine::dd
