#include "engine/core/connection.h"

#include "engine/backup/staging.h"
#include "engine/core/cursor.h"
#include "engine/core/errors.h"
#include "engine/core/transaction.h"
#include "engine/engine.h"
#include "engine/storage/file_io.h"
#include "platform/codepage/codepage.h"

#include <algorithm>
#include <exception>
#include <sys/stat.h>

namespace engine {

namespace {

std::string WithoutTrailingSeparators(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

bool EndsWithIgnoringCase(std::string_view text, std::string_view suffix)
{
    if (text.size() < suffix.size())
        return false;
    return std::equal(suffix.begin(), suffix.end(), text.end() - suffix.size(),
                      [](char a, char b) { return std::toupper((unsigned char)a) == std::toupper((unsigned char)b); });
}

bool IsFolder(const std::string& utf8Path)
{
    struct stat info{};
    return ::stat(utf8Path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Edits not yet stored belong to the transaction being abandoned: closing
// the cursors afterwards must not store them.
void DropPendingEdits(const std::vector<ADSHANDLE>& children)
{
    for (ADSHANDLE child : children) {
        std::shared_ptr<HandleObject> object = HandleRegistry::Instance().Find(child);
        auto* cursor = dynamic_cast<Cursor*>(object.get());
        if (cursor == nullptr)
            continue;
        std::lock_guard<std::mutex> lock(cursor->Mutex());
        cursor->DropPendingEdit();
    }
}

} // namespace

std::string JoinPath(std::string_view folder, std::string_view name)
{
    if (folder.empty() || (!name.empty() && name.front() == '/'))
        return std::string(name);
    std::string path(folder);
    if (path.back() != '/')
        path += '/';
    return path + std::string(name);
}

Connection::Connection(ConnectSettings settings, std::string path, std::string folder)
    : mSettings(std::move(settings)),
      mPath(std::move(path)),
      mFolder(std::move(folder)),
      mDateFormat(mSettings.dateFormat.empty() ? ProcessDateFormat() : DateFormat(mSettings.dateFormat)),
      mSqlTimeout(mSettings.sqlTimeout)
{
}

std::shared_ptr<Connection> Connection::Open(const ConnectSettings& settings, const char* function)
{
    std::string path = WithoutTrailingSeparators(settings.dataSource);
    if (settings.serverTypes != 0 && (settings.serverTypes & ADS_LOCAL_SERVER) == 0)
        throw EngineError(AE_INVALID_CONNECT_STRING, "Only the local server is available; the connection to "
                                                         + path + " asks for another server type.");
    // A restore or backup killed in that folder is finished or undone first.
    backup::RecoverBeforeOpen(path);
    if (EndsWithIgnoringCase(path, ".add"))
        return OpenDictionary(settings, path);
    static_cast<void>(function);
    std::string resolved = storage::ResolvePathCase(storage::FileSystemName(path));
    if (!IsFolder(resolved))
        throw EngineError(AE_PATH_NOT_FOUND, "The folder " + path + " does not exist.");
    std::string folder = codepage::FromUtf8(codepage::CodePage::Ansi1252, resolved);
    return std::shared_ptr<Connection>(new Connection(settings, path, folder));
}

uint16_t Connection::DefaultTableType() const
{
    return mSettings.tableType != 0 ? mSettings.tableType : ADS_ADT;
}

uint32_t Connection::SqlTimeout() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mSqlTimeout;
}

void Connection::SetSqlTimeout(uint32_t seconds)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mSqlTimeout = seconds;
}

DateFormat Connection::GetDateFormat() const
{
    std::lock_guard<std::mutex> lock(mMutex);
    return mDateFormat;
}

void Connection::SetDateFormat(const DateFormat& format)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mDateFormat = format;
}

void Connection::Adopt(ADSHANDLE child)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mChildren.push_back(child);
}

void Connection::Forget(ADSHANDLE child)
{
    std::lock_guard<std::mutex> lock(mMutex);
    mChildren.erase(std::remove(mChildren.begin(), mChildren.end(), child), mChildren.end());
}

void Connection::CloseChildren()
{
    std::vector<ADSHANDLE> children;
    {
        std::lock_guard<std::mutex> lock(mMutex);
        children.swap(mChildren);
    }
    // Each child is closed even when another one fails: a disconnect must
    // not leave files open behind it. The first failure is reported after.
    std::exception_ptr firstFailure;
    for (ADSHANDLE child : children) {
        try {
            ReleaseAndClose(child);
        } catch (...) {
            if (!firstFailure)
                firstFailure = std::current_exception();
        }
    }
    if (firstFailure)
        std::rethrow_exception(firstFailure);
}

void Connection::Close()
{
    // An open transaction is undone while its tables are still open; the
    // children are closed whatever the rollback reports.
    std::exception_ptr rollbackFailure;
    try {
        if (InTransaction(Handle())) {
            std::vector<ADSHANDLE> children;
            {
                std::lock_guard<std::mutex> lock(mMutex);
                children = mChildren;
            }
            DropPendingEdits(children);
        }
        RollbackOnDisconnect(Handle());
    } catch (...) {
        rollbackFailure = std::current_exception();
    }
    CloseChildren();
    if (rollbackFailure)
        std::rethrow_exception(rollbackFailure);
}

bool ReleaseAndClose(ADSHANDLE handle)
{
    std::shared_ptr<HandleObject> object = HandleRegistry::Instance().Release(handle);
    if (!object)
        return false;
    object->Close();
    return true;
}

} // namespace engine
