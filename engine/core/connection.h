// A connection: a folder of free tables served by the in-process local
// server, with the settings its connection string gave.
//
// Invariants:
// - Folder() is an existing folder, resolved without regard to case, as
//   8-bit system-code-page text without a trailing separator (except "/").
// - Every table, cursor, statement and search opened on the connection is a
//   child: Disconnect closes each one and releases its handle, so nothing a
//   caller forgot stays open.
// - Settings are guarded by the connection's own lock; the child list too.
#pragma once

#include "engine/core/connect_string.h"
#include "engine/core/dates.h"
#include "engine/core/handles.h"

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

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

    // The 8-bit path of a table named relative to the folder (or absolute).
    std::string TablePath(std::string_view name) const;

    void Adopt(ADSHANDLE child);
    void Forget(ADSHANDLE child);
    // Closes and releases every child, all of them even when one fails (the
    // first failure is raised afterwards); the connection stays registered.
    void CloseChildren();

    void Close() override;

private:
    Connection(ConnectSettings settings, std::string path, std::string folder);

    ConnectSettings mSettings;
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
