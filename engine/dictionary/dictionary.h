// A data dictionary: one .add file, an SQLite 3 database that names the
// tables of a database and holds its users, groups, procedures and links.
//
// Invariants:
// - The tables themselves are ordinary table files. The dictionary stores
//   each table's path as written when it was added: a path inside the
//   dictionary's folder is stored relative to that folder, so a dictionary
//   copied together with its tables into another folder still finds them.
//   TableEntry::path is always the full 8-bit path as of now.
// - Object names (tables, users, groups, procedures, links) are unique
//   without regard to ASCII letter case and keep the case they were given.
// - The administrator user kAdministrator exists in every dictionary; it
//   cannot be dropped. Passwords are stored only as salted PBKDF2 hashes.
// - Every change runs in one SQLite write transaction: it is applied whole
//   or not at all, and other connections (threads or processes) wait for it
//   (SQLite's file locks, with a busy timeout) instead of reading half of it.
// - A Dictionary object may be used from several threads; each call holds
//   the object's mutex for its whole length.
// - Paths and names are 8-bit text in the system code page, as everywhere in
//   the engine; the file system's UTF-8 is used only at the file boundary.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace engine::dd {

// The version of the schema this engine writes; a dictionary with a higher
// major version is refused, a higher minor one is read.
constexpr uint16_t kSchemaMajor = 1;
constexpr uint16_t kSchemaMinor = 0;
inline constexpr const char* kAdministrator = "AdsSys";

struct TableEntry {
    std::string name;                    // the table's name in the dictionary
    std::string storedPath;              // as stored: relative to Folder() or absolute
    std::string path;                    // full 8-bit path of the table file
    uint16_t tableType = 3;              // ADS_NTX .. ADS_VFP
    uint16_t charType = 1;               // ADS_ANSI or ADS_OEM
    std::vector<std::string> indexFiles; // full 8-bit paths, in the order added
    std::string defaultIndex;            // empty: none set
    std::string primaryKey;              // empty: none set
    std::string comment;
};

// A table to add: `path` relative to the dictionary's folder or absolute;
// without an extension the table type's own (.adt, .dbf) is added. Index
// file names are taken like the path.
struct NewTable {
    std::string name;
    std::string path;
    uint16_t tableType = 3;
    uint16_t charType = 1;
    std::vector<std::string> indexFiles;
    std::string comment;
};

struct LinkEntry {
    std::string alias;
    std::string storedPath;   // relative to Folder() unless the link's path is static
    std::string path;         // full 8-bit path of the linked .add file
    std::string userName;     // the user it logs in as (empty with "active user")
    uint32_t flags = 0;       // ADS_LINK_GLOBAL | ADS_LINK_AUTH_ACTIVE_USER | ADS_LINK_PATH_IS_STATIC
    std::string owner;        // the user who made it; a link that is not global serves only them
};

class Dictionary {
public:
    // Makes a new dictionary file (refused when the file exists: AE_ALREADY_EXISTS)
    // whose administrator has `adminPassword`. The file appears complete or
    // not at all.
    static std::shared_ptr<Dictionary> Create(const std::string& path, const std::string& adminPassword,
                                              const std::string& description);
    // Opens an existing dictionary (the path is matched without regard to
    // case). A missing file is AE_FILE_NOT_FOUND; a file that is not a
    // dictionary of a version this engine reads is AE_DD_INVALID.
    static std::shared_ptr<Dictionary> Open(const std::string& path);

    ~Dictionary();
    Dictionary(const Dictionary&) = delete;
    Dictionary& operator=(const Dictionary&) = delete;

    // Full 8-bit path of the .add file, and its folder (no trailing '/').
    const std::string& Path() const { return mPath; }
    const std::string& Folder() const { return mFolder; }
    uint16_t MajorVersion() const;
    uint16_t MinorVersion() const;
    std::string Description() const;
    void SetDescription(const std::string& text);
    // Whether a connection must name a user; when not, a connection without
    // a user name gets in without administrator rights.
    bool LoginsRequired() const;
    void SetLoginsRequired(bool required);

    // ---- Tables
    std::vector<TableEntry> Tables() const;      // in name order
    std::optional<TableEntry> FindTable(const std::string& name) const;
    // As FindTable, raising AE_DD_OBJECT_NOT_FOUND.
    TableEntry Table(const std::string& name) const;
    // AE_ALREADY_EXISTS for a name already used.
    void AddTable(const NewTable& table);
    // Forgets the table; its files stay where they are.
    void RemoveTable(const std::string& name);
    // Renames the entry; the files keep their names.
    void RenameTable(const std::string& name, const std::string& newName);
    // Index files (names as for NewTable) added to the table's list.
    void AddIndexFile(const std::string& table, const std::string& indexFile);
    // Empty text: unset.
    void SetDefaultIndex(const std::string& table, const std::string& index);
    void SetPrimaryKey(const std::string& table, const std::string& index);
    // The files of the table that exist now, as full UTF-8 paths: the table
    // file, its memo file, its default index file, its listed index files
    // and its full-text file.
    std::vector<std::string> TableFiles(const TableEntry& table) const;

    // ---- Users and groups
    // AE_DD_LOGIN_FAILED for an unknown user or a wrong password (one text
    // for both, so that a caller cannot tell which was wrong).
    void CheckLogin(const std::string& user, const std::string& password) const;
    bool HasUser(const std::string& name) const;
    void CreateUser(const std::string& name, const std::string& password, const std::string& comment);
    void SetPassword(const std::string& user, const std::string& password);
    void DropUser(const std::string& name);
    void CreateGroup(const std::string& name, const std::string& comment);
    bool HasGroup(const std::string& name) const;
    void AddUserToGroup(const std::string& user, const std::string& group);
    void RemoveUserFromGroup(const std::string& user, const std::string& group);
    // The user's groups in name order (AE_DD_OBJECT_NOT_FOUND for an unknown user).
    std::vector<std::string> GroupsOf(const std::string& user) const;
    // The stored verifier of the user's password (salt and hash), which
    // changes whenever the password does; empty for an unknown user.
    std::string PasswordVerifier(const std::string& user) const;

    // ---- Procedures (entries that name a procedure; listed, not run)
    void AddProcedure(const std::string& name, const std::string& container, const std::string& entry,
                      const std::string& comment);
    void DropProcedure(const std::string& name);
    std::vector<std::string> Procedures() const; // in name order

    // ---- Links to other dictionaries
    // `linkedPath` relative to Folder() or absolute. Unless the link uses
    // the active user, `user`/`password` must log in to the linked
    // dictionary now; the link then keeps that user's password verifier
    // (never the password), and stops working when that password changes.
    void CreateLink(const std::string& alias, const std::string& linkedPath, const std::string& user,
                    const std::string& password, uint32_t flags, const std::string& owner);
    // A global link is dropped only when `dropGlobal` is set.
    void DropLink(const std::string& alias, bool dropGlobal);
    // The links `user` may use, in alias order.
    std::vector<LinkEntry> LinksFor(const std::string& user) const;
    std::optional<LinkEntry> FindLink(const std::string& alias, const std::string& user) const;
    // Opens the linked dictionary for `user` (whose password is
    // `userPassword`, for links that use the active user), checking the
    // link's credentials; AE_DD_LOGIN_FAILED when they no longer hold.
    std::shared_ptr<Dictionary> OpenLink(const LinkEntry& link, const std::string& user,
                                         const std::string& userPassword) const;

private:
    Dictionary(sqlite3* db, std::string path, std::string folder);

    class Transaction;
    std::string Resolve(const std::string& stored) const;
    std::string StoredForm(const std::string& path, const std::string& defaultExtension) const;
    std::string Info(const std::string& key) const;
    void SetInfo(const std::string& key, const std::string& value);
    void CheckSchema() const;

    sqlite3* mDb;
    std::string mPath;
    std::string mFolder;
    mutable std::recursive_mutex mMutex;
};

// True when the path names a dictionary file (it ends in ".add", any case).
bool IsDictionaryPath(const std::string& path);

} // namespace engine::dd
