// Dictionary backups and restores. The backup folder holds the dictionary
// file and the table files in their layout relative to the dictionary's
// folder (the dictionary stores paths inside its folder relative to it), so
// the restored dictionary finds its tables wherever it is restored. A
// dictionary backup carries no password of its own: a restore is allowed
// with the password of the backed-up dictionary's administrator.
#include "engine/procedures/backup_dictionary.h"

#include "engine/backup/checked_copy.h"
#include "engine/backup/folders.h"
#include "engine/backup/table_files.h"
#include "engine/core/connection.h"
#include "engine/core/errors.h"
#include "engine/core/statement_registry.h"
#include "engine/dictionary/dictionary.h"
#include "engine/engine.h"
#include "platform/codepage/codepage.h"

#include <cstdlib>
#include <unistd.h>

namespace engine {

namespace {

std::shared_ptr<Connection> CallingConnection(const char* procedure)
{
    RunningStatement* statement = CurrentStatement();
    auto connection = std::dynamic_pointer_cast<Connection>(
        statement ? HandleRegistry::Instance().Find(statement->Connection()) : nullptr);
    if (!connection)
        throw EngineError(AE_NO_CONNECTION, std::string(procedure) + " needs the connection of a running statement.");
    return connection;
}

// `path` relative to `root` (both UTF-8), or "" when it lies outside.
std::string RelativeTo(const std::string& root, const std::string& path)
{
    std::string prefix = root.back() == '/' ? root : root + "/";
    return path.rfind(prefix, 0) == 0 ? path.substr(prefix.size()) : std::string();
}

backup::SourceTable TableToCopy(const dd::Dictionary& dictionary, const dd::TableEntry& entry, const std::string& root)
{
    backup::SourceTable table;
    for (const std::string& file : dictionary.TableFiles(entry)) {
        std::string relative = RelativeTo(root, file);
        if (relative.empty())
            throw EngineError(AE_INVALID_ARGUMENT, "sp_BackupDatabase: the table " + entry.name + " (" + backup::Shown(file)
                                                       + ") lies outside the dictionary's folder and cannot be "
                                                         "backed up with it.");
        table.files.push_back(relative);
        if (backup::IsDataFileName(relative) && table.dataFiles.empty()) {
            table.dataFiles.push_back(relative);
            table.name = backup::BaseName(relative);
        }
    }
    if (table.dataFiles.empty())
        throw EngineError(AE_FILE_NOT_FOUND, "sp_BackupDatabase: the file of the table " + entry.name + " ("
                                                 + entry.path + ") does not exist.");
    return table;
}

// Checks the administrator's password on a private copy of the backed-up
// dictionary, so that nothing in the backup or the destination is touched.
void CheckAdministratorPassword(const std::string& dictionaryFile, const backup::ManifestFile& expected,
                                const std::string& password)
{
    if (backup::FileChecksum(dictionaryFile) != expected.checksum)
        throw EngineError(AE_CHECKSUM_MISMATCH, "The backup file " + backup::Shown(dictionaryFile)
                                                    + " is damaged: its checksum does not match the manifest; "
                                                      "nothing was restored.");
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/varnel-dictionary-check-XXXXXX";
    if (!::mkdtemp(folder.data()))
        throw EngineError(AE_FILE_IO, "No private folder could be made to check the dictionary's password.");
    std::string copy = folder + "/check.add";
    bool matches = false;
    try {
        backup::CopyWithChecksum(dictionaryFile, copy, {});
        std::shared_ptr<dd::Dictionary> opened =
            dd::Dictionary::Open(codepage::FromUtf8(codepage::CodePage::Ansi1252, copy));
        try {
            opened->CheckLogin(dd::kAdministrator, password);
            matches = true;
        } catch (const EngineError& e) {
            if (e.Code() != AE_DD_LOGIN_FAILED)
                throw;
        }
    } catch (...) {
        backup::RemoveTree(folder);
        throw;
    }
    backup::RemoveTree(folder);
    if (!matches)
        throw EngineError(AE_WRONG_PASSWORD, "The password does not match the administrator password of the "
                                             "backed-up dictionary " + backup::Shown(dictionaryFile) + ".");
}

const backup::ManifestFile& DictionaryFileOf(const backup::Manifest& manifest)
{
    for (const backup::ManifestTable& table : manifest.tables)
        for (const backup::ManifestFile& file : table.files)
            if (file.path == manifest.dictionary)
                return file;
    throw EngineError(AE_BACKUP_DAMAGED, "The backup manifest does not list its dictionary file "
                                             + manifest.dictionary + ".");
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b)
{
    using codepage::CodePage;
    return codepage::UpperCase(CodePage::Ansi1252, codepage::FromUtf8(CodePage::Ansi1252, a))
           == codepage::UpperCase(CodePage::Ansi1252, codepage::FromUtf8(CodePage::Ansi1252, b));
}

} // namespace

std::vector<backup::TableSummary> BackupCallingDictionary(const std::string& destinationFolder)
{
    const char* name = "sp_BackupDatabase";
    std::shared_ptr<Connection> connection = CallingConnection(name);
    connection->RequireAdministrator(name, "back up the data dictionary");
    const dd::Dictionary& dictionary = *connection->DataDictionary();

    backup::BackupRequest request;
    request.kind = backup::BackupKind::Dictionary;
    request.sourceShown = dictionary.Path();
    std::string dictionaryFile = backup::ResolveName(dictionary.Path());
    request.sourceRoot = backup::ParentOf(dictionaryFile);
    request.dictionary = backup::LastComponent(dictionaryFile);
    for (const dd::TableEntry& entry : dictionary.Tables())
        request.tables.push_back(TableToCopy(dictionary, entry, request.sourceRoot));
    request.destination = backup::ResolveName(destinationFolder);
    return backup::WriteBackup(request);
}

std::vector<backup::TableSummary> RestoreDictionary(const std::string& sourceDictionary, const std::string& password,
                                                    const std::string& destinationDictionary)
{
    std::string source = backup::ResolveName(sourceDictionary);
    if (!backup::IsFolder(backup::ParentOf(source)))
        throw EngineError(AE_PATH_NOT_FOUND, "The backup folder " + backup::Shown(backup::ParentOf(source))
                                                 + " does not exist.");
    if (!dd::IsDictionaryPath(destinationDictionary))
        throw EngineError(AE_INVALID_ARGUMENT, "sp_RestoreDatabase: the destination " + destinationDictionary
                                                   + " does not name a dictionary file (.add).");
    std::string destination = backup::ResolveName(destinationDictionary);

    backup::RestoreRequest request;
    request.expected = backup::BackupKind::Dictionary;
    request.source = backup::ParentOf(source);
    request.destination = backup::ParentOf(destination);
    request.password = password;
    // The dictionary's name in the backup is known once its manifest is read.
    request.passwordCheck = [&](const backup::Manifest& manifest) {
        if (!SameNameIgnoringCase(manifest.dictionary, backup::LastComponent(source)))
            throw EngineError(AE_NOT_A_BACKUP, "The backup in " + backup::Shown(request.source)
                                                   + " holds the dictionary " + backup::Shown(manifest.dictionary)
                                                   + ", not " + sourceDictionary + ".");
        CheckAdministratorPassword(backup::JoinPath(request.source, manifest.dictionary), DictionaryFileOf(manifest),
                                   password);
        // A name the script upper-cased and that exists nowhere yet keeps the
        // dictionary's own spelling.
        std::string name = backup::LastComponent(destination);
        if (!backup::IsRegularFile(destination) && SameNameIgnoringCase(name, manifest.dictionary))
            name = manifest.dictionary;
        request.renames[manifest.dictionary] = name;
    };
    return backup::RestoreBackup(request);
}

} // namespace engine
