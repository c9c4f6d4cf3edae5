#include "engine/backup/manifest.h"

#include "engine/backup/checked_copy.h"
#include "engine/backup/folders.h"
#include "engine/core/errors.h"
#include "engine/engine.h"

#include <fstream>
#include <sstream>

namespace backup {

namespace {

constexpr const char* kSignature = "VARNEL BACKUP";

[[noreturn]] void Damaged(const std::string& shownName, const std::string& why)
{
    throw engine::EngineError(AE_BACKUP_DAMAGED, "The backup manifest " + shownName + " is damaged: " + why + ".");
}

bool SafeRelativePath(const std::string& path)
{
    if (path.empty() || path[0] == '/' || path.find('\n') != std::string::npos)
        return false;
    std::istringstream parts(path);
    std::string part;
    while (std::getline(parts, part, '/'))
        if (part.empty() || part == "." || part == "..")
            return false;
    return true;
}

// "key rest" of one line.
std::pair<std::string, std::string> Split(const std::string& line)
{
    size_t space = line.find(' ');
    if (space == std::string::npos)
        return {line, {}};
    return {line.substr(0, space), line.substr(space + 1)};
}

ManifestFile ParseFile(const std::string& value, const std::string& shownName)
{
    std::istringstream in(value);
    ManifestFile file;
    in >> file.size >> file.checksum;
    in.get();
    std::getline(in, file.path);
    if (!in && !in.eof())
        Damaged(shownName, "a file line does not parse");
    if (file.checksum.size() != 16 || !SafeRelativePath(file.path))
        Damaged(shownName, "a file line does not parse");
    return file;
}

} // namespace

uint64_t Manifest::TotalBytes() const
{
    uint64_t total = 0;
    for (const ManifestTable& table : tables)
        for (const ManifestFile& file : table.files)
            total += file.size;
    return total;
}

std::vector<ManifestFile> Manifest::AllFiles() const
{
    std::vector<ManifestFile> all;
    for (const ManifestTable& table : tables)
        all.insert(all.end(), table.files.begin(), table.files.end());
    return all;
}

std::string ManifestText(const Manifest& manifest)
{
    std::ostringstream out;
    out << kSignature << ' ' << kManifestVersion << '\n';
    out << "kind " << (manifest.kind == BackupKind::Dictionary ? "dictionary" : "free") << '\n';
    out << "created " << manifest.created << '\n';
    out << "source " << manifest.source << '\n';
    out << "password " << manifest.passwordVerifier << '\n';
    if (manifest.kind == BackupKind::Dictionary)
        out << "dictionary " << manifest.dictionary << '\n';
    for (const ManifestTable& table : manifest.tables) {
        out << "table " << table.name << '\n';
        for (const ManifestFile& file : table.files)
            out << "file " << file.size << ' ' << file.checksum << ' ' << file.path << '\n';
    }
    std::string body = out.str();
    return body + "end " + ChecksumOf(body) + "\n";
}

Manifest ParseManifest(const std::string& text, const std::string& shownName)
{
    size_t endLine = text.rfind("\nend ");
    if (endLine == std::string::npos || text.empty() || text.back() != '\n')
        Damaged(shownName, "it is incomplete");
    std::string body = text.substr(0, endLine + 1);
    std::string stored = text.substr(endLine + 5, text.size() - endLine - 6);
    if (stored != ChecksumOf(body))
        Damaged(shownName, "its checksum does not match its content");

    Manifest manifest;
    std::istringstream in(body);
    std::string line;
    std::getline(in, line);
    if (line != std::string(kSignature) + " " + std::to_string(kManifestVersion))
        Damaged(shownName, "it is not a manifest of a known version");
    bool kindSeen = false;
    while (std::getline(in, line)) {
        auto [key, value] = Split(line);
        if (key == "kind") {
            if (value != "free" && value != "dictionary")
                Damaged(shownName, "unknown kind " + value);
            manifest.kind = value == "dictionary" ? BackupKind::Dictionary : BackupKind::FreeTables;
            kindSeen = true;
        } else if (key == "created") {
            manifest.created = value;
        } else if (key == "source") {
            manifest.source = value;
        } else if (key == "password") {
            manifest.passwordVerifier = value;
        } else if (key == "dictionary") {
            if (!SafeRelativePath(value))
                Damaged(shownName, "the dictionary path does not parse");
            manifest.dictionary = value;
        } else if (key == "table") {
            manifest.tables.push_back({value, {}});
        } else if (key == "file") {
            if (manifest.tables.empty())
                Damaged(shownName, "a file line comes before any table");
            manifest.tables.back().files.push_back(ParseFile(value, shownName));
        } else {
            Damaged(shownName, "unknown line " + key);
        }
    }
    if (!kindSeen || (manifest.kind == BackupKind::Dictionary && manifest.dictionary.empty()))
        Damaged(shownName, "it does not say what it holds");
    return manifest;
}

Manifest ReadManifest(const std::string& folder)
{
    std::string name = JoinPath(folder, kManifestName);
    std::ifstream in(name, std::ios::binary);
    if (!in)
        throw engine::EngineError(AE_NOT_A_BACKUP, "The folder " + Shown(folder) + " is not a backup: it holds no "
                                                       + kManifestName + ".");
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad())
        throw engine::EngineError(AE_FILE_IO, "Reading " + Shown(name) + " failed.");
    return ParseManifest(text.str(), Shown(name));
}

} // namespace backup
