// A connection: a folder of free tables, or a data dictionary, served by the
// in-process local server, with the settings its connection string gave.
//
// Invariants:
// - Folder() is an existing folder, resolved without regard to case, as
//   8-bit system-code-page text without a trailing separator (except "/").
// - Every table, cursor, statement and search opened on the connection is a
//   child: Disconnect closes each one and releases its handle, so nothing a
//   caller forgot stays open.
// - Settings are guarded by the connection's own lock; the child list too.
// - A dictionary connection (Data Source ending in .add) holds the open
//   dictionary and the user it logged in as (empty: no user named, allowed
//   when the dictionary does not require logins); Folder() is the
//   dictionary's folder and Path() the .add path as given.
#pragma once

#include "engine/core/connect_string.h"
#include "engine/core/dates.h"
#include "engine/core/handles.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace engine::dd {
class Dictionary;
} // namespace engine::dd

namespace engine {

// Where a table named on a connection lives. For a dictionary table the
// dictionary also gives its type, character type and index files.
struct ResolvedTable {
    std::string path;                    // 8-bit
    std::optional<uint16_t> tableType;   // set for dictionary tables
    std::optional<uint16_t> charType;
    std::vector<std::string> indexFiles; // 8-bit full paths
    std::string dictionaryName;          // empty for a free table
};

class Connection : public HandleObject {
public:
    static constexpr HandleKind kPrimaryKind = HandleKind::Connection;
    static bool Accepts(HandleKind kind) { return kind == HandleKind::Connection; }
    HandleKind Kind() const override { return HandleKind::Connection; }

    // Checks the settings and the folder; raises when either is unusable.
    static std::shared_ptr<Connection> Open(const ConnectSettings& settings, const char* function);

    const ConnectSettings& Settings() const { return mSettings; }
    // The Data Source as the caller gave it (trailing separators removed).
    const std::string& Path() const { return mPath; }
    const std::string& Folder() const { return mFolder; }
    // The table type for opens that give none: TableType, else ADT.
    uint16_t DefaultTableType() const;

    uint32_t SqlTimeout() const;
    void SetSqlTimeout(uint32_t seconds);

    DateFormat GetDateFormat() const;
    void SetDateFormat(const DateFormat& format);

    // The 8-bit path of a table named relative to the folder (or absolute);
    // on a dictionary connection a table of the dictionary by its name, or
    // "link.table" of a linked dictionary (connection_dictionary.cpp).
    std::string TablePath(std::string_view name) const;
    ResolvedTable ResolveTable(std::string_view name) const;

    // Null on a connection to a folder of free tables.
    const std::shared_ptr<dd::Dictionary>& DataDictionary() const { return mDictionary; }
    // The dictionary user the connection logged in as.
    const std::string& UserName() const { return mUser; }
    // True for the dictionary's administrator; raises AE_PERMISSION_DENIED
    // naming `what` otherwise (RequireAdministrator).
    bool IsAdministrator() const;
    void RequireAdministrator(const char* function, const char* what) const;
    // Raises when the connection is not on a dictionary.
    dd::Dictionary& RequireDictionary(const char* function) const;

    void Adopt(ADSHANDLE child);
    void Forget(ADSHANDLE child);
    // Closes and releases every child, all of them even when one fails (the
    // first failure is raised afterwards); the connection stays registered.
    void CloseChildren();

    void Close() override;

private:
    Connection(ConnectSettings settings, std::string path, std::string folder);
    static std::shared_ptr<Connection> OpenDictionary(const ConnectSettings& settings, const std::string& path);

    ConnectSettings mSettings;
    std::shared_ptr<dd::Dictionary> mDictionary;
    std::string mUser;
    std::string mPath;
    std::string mFolder;
    mutable std::mutex mMutex;
    DateFormat mDateFormat;
    uint32_t mSqlTimeout = 0;
    std::vector<ADSHANDLE> mChildren;
};

// Joins a folder and a name with the path delimiter; an absolute name stands
// alone.
std::string JoinPath(std::string_view folder, std::string_view name);

// Releases a handle and closes its object; false when the handle is unknown.
bool ReleaseAndClose(ADSHANDLE handle);

} // namespace engine
