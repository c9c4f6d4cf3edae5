// Creating and opening dictionary files, the schema and its version, and the
// dictionary-wide settings.
#include "engine/dictionary/dictionary_internal.h"

#include "engine/core/errors.h"
#include "engine/dictionary/password_hash.h"
#include "engine/dictionary/sqlite_db.h"
#include "engine/engine.h"
#include "engine/storage/file_io.h"
#include "platform/codepage/codepage.h"

#include <cctype>
#include <climits>
#include <unistd.h>

namespace engine::dd {

namespace {

constexpr const char* kFormatName = "data dictionary";
constexpr int kBusyTimeoutMs = 15000;

constexpr const char* kSchema = R"sql(
CREATE TABLE dd_info(key TEXT PRIMARY KEY, value TEXT NOT NULL);
CREATE TABLE dd_tables(
    name TEXT PRIMARY KEY COLLATE NOCASE,
    path TEXT NOT NULL,
    table_type INTEGER NOT NULL,
    char_type INTEGER NOT NULL,
    default_index TEXT NOT NULL DEFAULT '',
    primary_key TEXT NOT NULL DEFAULT '',
    comment TEXT NOT NULL DEFAULT '');
CREATE TABLE dd_index_files(
    table_name TEXT NOT NULL COLLATE NOCASE REFERENCES dd_tables(name) ON UPDATE CASCADE ON DELETE CASCADE,
    position INTEGER NOT NULL,
    path TEXT NOT NULL,
    PRIMARY KEY(table_name, position));
CREATE TABLE dd_users(
    name TEXT PRIMARY KEY COLLATE NOCASE,
    verifier TEXT NOT NULL,
    comment TEXT NOT NULL DEFAULT '');
CREATE TABLE dd_groups(
    name TEXT PRIMARY KEY COLLATE NOCASE,
    comment TEXT NOT NULL DEFAULT '');
CREATE TABLE dd_members(
    user_name TEXT NOT NULL COLLATE NOCASE REFERENCES dd_users(name) ON UPDATE CASCADE ON DELETE CASCADE,
    group_name TEXT NOT NULL COLLATE NOCASE REFERENCES dd_groups(name) ON UPDATE CASCADE ON DELETE CASCADE,
    PRIMARY KEY(user_name, group_name));
CREATE TABLE dd_procedures(
    name TEXT PRIMARY KEY COLLATE NOCASE,
    container TEXT NOT NULL,
    entry TEXT NOT NULL,
    comment TEXT NOT NULL DEFAULT '');
CREATE TABLE dd_links(
    alias TEXT PRIMARY KEY COLLATE NOCASE,
    path TEXT NOT NULL,
    user_name TEXT NOT NULL,
    verifier TEXT NOT NULL,
    flags INTEGER NOT NULL,
    owner TEXT NOT NULL);
)sql";

std::string Utf8(const std::string& ansi)
{
    return storage::FileSystemName(ansi);
}

std::string Ansi(const std::string& utf8)
{
    return codepage::FromUtf8(codepage::CodePage::Ansi1252, utf8);
}

// The full path, resolved without regard to case, of a path that may be
// relative to the current folder.
std::string AbsoluteUtf8(const std::string& ansiPath)
{
    std::string utf8 = Utf8(ansiPath);
    if (utf8.empty() || utf8.front() != '/') {
        char cwd[PATH_MAX];
        if (::getcwd(cwd, sizeof cwd) == nullptr)
            throw EngineError(AE_FILE_IO, "The current folder cannot be read to place " + ansiPath + ".");
        utf8 = std::string(cwd) + "/" + utf8;
    }
    return storage::ResolvePathCase(utf8);
}

sqlite3* OpenDatabase(const std::string& utf8Path, int flags)
{
    sqlite3* db = nullptr;
    int code = sqlite3_open_v2(utf8Path.c_str(), &db, flags | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (code != SQLITE_OK) {
        std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
        sqlite3_close(db);
        throw EngineError(AE_FILE_IO, "The data dictionary " + Ansi(utf8Path) + " could not be opened: " + message + ".");
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    try {
        Execute(db, "PRAGMA foreign_keys = ON;", "switching on its references");
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    return db;
}

void WriteSchema(sqlite3* db, const std::string& adminPassword, const std::string& description)
{
    Execute(db, "BEGIN IMMEDIATE;", "starting its schema");
    Execute(db, kSchema, "writing its schema");
    const std::pair<const char*, std::string> info[] = {
        {"format", kFormatName},
        {"major", std::to_string(kSchemaMajor)},
        {"minor", std::to_string(kSchemaMinor)},
        {"description", description},
        {"logins_required", "0"},
    };
    for (const auto& [key, value] : info)
        Statement(db, "INSERT INTO dd_info(key, value) VALUES(?, ?)").Bind(key).Bind(value).Run();
    Statement(db, "INSERT INTO dd_users(name, verifier, comment) VALUES(?, ?, 'administrator')")
        .Bind(kAdministrator)
        .Bind(MakeVerifier(adminPassword))
        .Run();
    Execute(db, "COMMIT;", "finishing its schema");
}

} // namespace

Dictionary::Transaction::Transaction(sqlite3* db) : mDb(db)
{
    Execute(db, "BEGIN IMMEDIATE;", "starting a change");
}

Dictionary::Transaction::~Transaction()
{
    if (!mDone)
        sqlite3_exec(mDb, "ROLLBACK;", nullptr, nullptr, nullptr);
}

void Dictionary::Transaction::Commit()
{
    Execute(mDb, "COMMIT;", "storing a change");
    mDone = true;
}

void CheckObjectName(const std::string& name, const char* what)
{
    if (name.empty())
        throw EngineError(AE_INVALID_ARGUMENT, std::string("The ") + what + " name is empty.");
    for (char c : name)
        if (c == ';' || c == '.' || static_cast<unsigned char>(c) < 0x20)
            throw EngineError(AE_INVALID_ARGUMENT, std::string("The ") + what + " name \"" + name
                                                       + "\" holds a character that names cannot hold (';', '.' "
                                                         "or a control character).");
}

void ThrowNotFound(const char* what, const std::string& name, const std::string& dictionary)
{
    throw EngineError(AE_DD_OBJECT_NOT_FOUND, std::string("The data dictionary ") + dictionary + " has no " + what
                                                  + " named \"" + name + "\".");
}

std::string FolderOfPath(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool HasExtension(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash + 1) && dot + 1 < path.size();
}

bool IsDictionaryPath(const std::string& path)
{
    if (path.size() < 4)
        return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".add";
}

Dictionary::Dictionary(sqlite3* db, std::string path, std::string folder)
    : mDb(db), mPath(std::move(path)), mFolder(std::move(folder))
{
}

Dictionary::~Dictionary()
{
    sqlite3_close(mDb);
}

std::shared_ptr<Dictionary> Dictionary::Create(const std::string& path, const std::string& adminPassword,
                                               const std::string& description)
{
    if (!IsDictionaryPath(path))
        throw EngineError(AE_INVALID_ARGUMENT, "A data dictionary file name must end in .add, not " + path + ".");
    std::string target = AbsoluteUtf8(path);
    if (storage::FileExists(target))
        throw EngineError(AE_ALREADY_EXISTS, "The data dictionary " + Ansi(target) + " exists already.");
    // Built under a temporary name and linked into place at the end: no
    // half-made dictionary is ever seen, and one made meanwhile by somebody
    // else is not replaced (the link fails).
    std::string staging = storage::TemporarySibling(target);
    try {
        sqlite3* db = OpenDatabase(staging, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        try {
            WriteSchema(db, adminPassword, description);
        } catch (...) {
            sqlite3_close(db);
            throw;
        }
        sqlite3_close(db);
        if (storage::FileExists(target))
            throw EngineError(AE_ALREADY_EXISTS, "The data dictionary " + Ansi(target) + " exists already.");
        storage::LinkFile(staging, target);
    } catch (...) {
        storage::RemoveFile(staging);
        storage::RemoveFile(staging + "-journal");
        throw;
    }
    storage::RemoveFile(staging);
    return Open(Ansi(target));
}

std::shared_ptr<Dictionary> Dictionary::Open(const std::string& path)
{
    std::string utf8 = AbsoluteUtf8(path);
    if (!storage::FileExists(utf8))
        throw EngineError(AE_FILE_NOT_FOUND, "The data dictionary " + path + " does not exist.");
    sqlite3* db = OpenDatabase(utf8, SQLITE_OPEN_READWRITE);
    std::string ansi = Ansi(utf8);
    std::shared_ptr<Dictionary> dictionary(new Dictionary(db, ansi, FolderOfPath(ansi)));
    dictionary->CheckSchema();
    return dictionary;
}

void Dictionary::CheckSchema() const
{
    std::string format;
    try {
        format = Info("format");
    } catch (const EngineError&) {
        throw EngineError(AE_DD_INVALID, "The file " + mPath + " is not a data dictionary.");
    }
    if (format != kFormatName)
        throw EngineError(AE_DD_INVALID, "The file " + mPath + " is not a data dictionary.");
    if (MajorVersion() > kSchemaMajor)
        throw EngineError(AE_DD_INVALID, "The data dictionary " + mPath + " has version "
                                             + std::to_string(MajorVersion()) + "." + std::to_string(MinorVersion())
                                             + "; this engine reads versions up to " + std::to_string(kSchemaMajor)
                                             + ".x.");
}

std::string Dictionary::Info(const std::string& key) const
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    Statement query(mDb, "SELECT value FROM dd_info WHERE key = ?");
    query.Bind(key);
    if (!query.Step())
        throw EngineError(AE_DD_INVALID, "The data dictionary " + mPath + " lacks its setting " + key + ".");
    return query.Text(0);
}

void Dictionary::SetInfo(const std::string& key, const std::string& value)
{
    std::lock_guard<std::recursive_mutex> lock(mMutex);
    Transaction transaction(mDb);
    Statement(mDb, "INSERT OR REPLACE INTO dd_info(key, value) VALUES(?, ?)").Bind(key).Bind(value).Run();
    transaction.Commit();
}

uint16_t Dictionary::MajorVersion() const
{
    return static_cast<uint16_t>(std::stoul(Info("major")));
}

uint16_t Dictionary::MinorVersion() const
{
    return static_cast<uint16_t>(std::stoul(Info("minor")));
}

std::string Dictionary::Description() const
{
    return Info("description");
}

void Dictionary::SetDescription(const std::string& text)
{
    SetInfo("description", text);
}

bool Dictionary::LoginsRequired() const
{
    return Info("logins_required") == "1";
}

void Dictionary::SetLoginsRequired(bool required)
{
    SetInfo("logins_required", required ? "1" : "0");
}

std::string Dictionary::Resolve(const std::string& stored) const
{
    if (!stored.empty() && stored.front() == '/')
        return stored;
    return mFolder == "/" ? "/" + stored : mFolder + "/" + stored;
}

std::string Dictionary::StoredForm(const std::string& path, const std::string& defaultExtension) const
{
    std::string stored = path;
    for (char& c : stored)
        c = c == '\\' ? '/' : c;
    while (stored.rfind("./", 0) == 0)
        stored.erase(0, 2);
    if (stored.empty() || stored.back() == '/')
        throw EngineError(AE_INVALID_ARGUMENT, "The file name \"" + path + "\" names no file.");
    std::string prefix = mFolder == "/" ? "/" : mFolder + "/";
    if (stored.rfind(prefix, 0) == 0)
        stored.erase(0, prefix.size());
    if (!HasExtension(stored))
        stored += defaultExtension;
    return stored;
}

} // namespace engine::dd
