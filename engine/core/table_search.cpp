#include "engine/core/table_search.h"

#include "engine/core/connection.h"
#include "engine/core/errors.h"
#include "engine/engine.h"
#include "engine/storage/file_io.h"
#include "platform/codepage/codepage.h"

#include <algorithm>
#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

namespace engine {

namespace {

constexpr codepage::CodePage kAnsi = codepage::CodePage::Ansi1252;

bool IsRegularFile(const std::string& utf8Path)
{
    struct stat info{};
    return ::stat(utf8Path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::vector<std::string> MatchingFiles(const std::string& ansiFolder, const std::string& ansiPattern)
{
    std::string folder = storage::ResolvePathCase(storage::FileSystemName(ansiFolder));
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        throw EngineError(AE_PATH_NOT_FOUND, "The folder " + ansiFolder + " does not exist.");
    std::string pattern = codepage::UpperCase(kAnsi, ansiPattern);
    std::vector<std::string> names;
    while (dirent* entry = ::readdir(dir)) {
        std::string ansi = codepage::FromUtf8(kAnsi, entry->d_name);
        if (::fnmatch(pattern.c_str(), codepage::UpperCase(kAnsi, ansi).c_str(), FNM_PERIOD) == 0
            && IsRegularFile(folder + "/" + entry->d_name))
            names.push_back(ansi);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TableSearch::TableSearch(ADSHANDLE connection, const std::string& connectionFolder, const std::string& mask)
    : mConnection(connection), mMask(mask)
{
    size_t slash = mask.find_last_of('/');
    std::string folder = slash == std::string::npos ? connectionFolder : JoinPath(connectionFolder, mask.substr(0, slash));
    std::string pattern = slash == std::string::npos ? mask : mask.substr(slash + 1);
    if (folder.empty())
        folder = "/";
    mNames = MatchingFiles(folder, pattern);
}

TableSearch::TableSearch(ADSHANDLE connection, std::string description, std::vector<std::string> names)
    : mConnection(connection), mMask(std::move(description)), mNames(std::move(names))
{
}

std::optional<std::string> TableSearch::Peek() const
{
    if (mNext >= mNames.size())
        return std::nullopt;
    return mNames[mNext];
}

} // namespace engine
