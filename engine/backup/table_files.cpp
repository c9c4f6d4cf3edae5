#include "engine/backup/table_files.h"

#include "engine/backup/folders.h"
#include "platform/codepage/codepage.h"

#include <algorithm>
#include <fnmatch.h>
#include <map>

namespace backup {

namespace {

const char* const kDataExtensions[] = {".adt", ".dbf"};
const char* const kCompanionExtensions[] = {".adm", ".dbt", ".fpt", ".adi", ".cdx", ".ntx", ".fts"};

std::string Folded(const std::string& utf8)
{
    using codepage::CodePage;
    return codepage::UpperCase(CodePage::Ansi1252, codepage::FromUtf8(CodePage::Ansi1252, utf8));
}

std::string Extension(const std::string& name)
{
    size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? std::string() : Folded(name.substr(dot));
}

bool ExtensionIn(const std::string& name, const std::vector<std::string>& extensions)
{
    std::string ext = Extension(name);
    return !ext.empty() && std::any_of(extensions.begin(), extensions.end(),
                                       [&](const std::string& e) { return Folded(e) == ext; });
}

bool ExtensionIn(const std::string& name, std::initializer_list<const char*> extensions)
{
    return ExtensionIn(name, std::vector<std::string>(extensions.begin(), extensions.end()));
}

std::vector<std::string> Masks(const std::string& masks)
{
    std::vector<std::string> list;
    std::string current;
    for (char c : masks + ";") {
        if (c == ';' || c == ',') {
            size_t b = current.find_first_not_of(' '), e = current.find_last_not_of(' ');
            if (b != std::string::npos)
                list.push_back(current.substr(b, e - b + 1));
            current.clear();
        } else {
            current += c;
        }
    }
    return list;
}

} // namespace

bool IsDataFileName(const std::string& name)
{
    return ExtensionIn(name, {kDataExtensions[0], kDataExtensions[1]});
}

bool IsTableFileName(const std::string& name)
{
    return IsDataFileName(name)
           || ExtensionIn(name, std::vector<std::string>(std::begin(kCompanionExtensions), std::end(kCompanionExtensions)));
}

std::string BaseName(const std::string& name)
{
    size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool MatchesMask(const std::string& name, const std::string& masks)
{
    std::vector<std::string> list = Masks(masks);
    if (list.empty())
        return true;
    std::string folded = Folded(name);
    return std::any_of(list.begin(), list.end(), [&](const std::string& mask) {
        return ::fnmatch(Folded(mask).c_str(), folded.c_str(), FNM_PERIOD) == 0;
    });
}

std::vector<TableFileSet> FindTables(const std::string& utf8Folder, const std::string& masks)
{
    std::vector<std::string> names = ListFolder(utf8Folder);
    std::map<std::string, TableFileSet> tables; // by folded base name
    for (const std::string& name : names) {
        if (!IsDataFileName(name) || !IsRegularFile(JoinPath(utf8Folder, name)) || !MatchesMask(name, masks))
            continue;
        TableFileSet& set = tables[Folded(BaseName(name))];
        if (set.name.empty())
            set.name = BaseName(name);
        set.dataFiles.push_back(name);
    }
    for (auto& [key, set] : tables) {
        set.files = set.dataFiles;
        for (const std::string& name : names)
            if (!IsDataFileName(name) && IsTableFileName(name) && Folded(BaseName(name)) == key
                && IsRegularFile(JoinPath(utf8Folder, name)))
                set.files.push_back(name);
    }
    std::vector<TableFileSet> list;
    for (auto& [key, set] : tables)
        list.push_back(std::move(set));
    return list;
}

std::vector<std::string> ExistingTableFiles(const std::string& utf8Folder, const std::string& base,
                                            const std::vector<std::string>& extraExtensions)
{
    std::vector<std::string> files;
    if (!IsFolder(utf8Folder))
        return files;
    std::string key = Folded(base);
    for (const std::string& name : ListFolder(utf8Folder))
        if ((IsTableFileName(name) || ExtensionIn(name, extraExtensions)) && Folded(BaseName(name)) == key
            && IsRegularFile(JoinPath(utf8Folder, name)))
            files.push_back(name);
    return files;
}

std::vector<std::string> ExistingNamed(const std::string& utf8Folder, const std::string& name)
{
    std::vector<std::string> files;
    if (!IsFolder(utf8Folder))
        return files;
    std::string key = Folded(name);
    for (const std::string& entry : ListFolder(utf8Folder))
        if (Folded(entry) == key && IsRegularFile(JoinPath(utf8Folder, entry)))
            files.push_back(entry);
    return files;
}

} // namespace backup
