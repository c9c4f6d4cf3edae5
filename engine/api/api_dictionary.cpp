// The dictionary family of the C interface and the engine's extensions that
// make and change dictionaries (engine.h states their rules).
#include "engine/api/api.h"
#include "engine/core/connection.h"
#include "engine/core/open_table.h"
#include "engine/core/table_search.h"
#include "engine/dictionary/dictionary.h"
#include "engine/index/index_open.h"
#include "engine/storage/file_io.h"

#include <cstring>
#include <strings.h>

using namespace engine;

namespace {

std::shared_ptr<Connection> DictionaryConnection(ADSHANDLE hDictionary, const char* function)
{
    std::shared_ptr<Connection> connection = LookUp<Connection>(hDictionary, function);
    connection->RequireDictionary(function);
    return connection;
}

std::string FolderOf(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

std::string OptionalText(const char* text)
{
    return text ? std::string(text) : std::string();
}

std::vector<std::string> SplitList(const std::string& text)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : text) {
        if (c == ';') {
            if (!part.empty())
                parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty())
        parts.push_back(part);
    return parts;
}

void CopyNumber16Out(UNSIGNED16 value, void* buffer, UNSIGNED16* length, const char* function)
{
    RequireArgument(length != nullptr, function, "the property length is null");
    if (*length < sizeof value || buffer == nullptr) {
        *length = sizeof value;
        throw EngineError(AE_INSUFFICIENT_BUFFER, std::string(function) + ": the property needs 2 bytes");
    }
    std::memcpy(buffer, &value, sizeof value);
    *length = sizeof value;
}

[[noreturn]] void ThrowNotSet(const char* function, const std::string& what)
{
    throw EngineError(AE_PROPERTY_NOT_SET, std::string(function) + ": " + what + " is not set");
}

[[noreturn]] void ThrowUnknownProperty(const char* function, UNSIGNED16 property)
{
    throw EngineError(AE_INVALID_ARGUMENT, std::string(function) + ": there is no such property "
                                               + std::to_string(property));
}

// A text value whose length query answers room for the terminator too, so
// that a buffer of the answered size takes the whole value.
void CopyListOut(const std::string& value, void* buffer, UNSIGNED16* length, const char* function)
{
    RequireArgument(length != nullptr, function, "the property length is null");
    if (buffer == nullptr || *length < value.size() + 1) {
        if (buffer != nullptr && *length > 0) {
            std::memcpy(buffer, value.data(), *length - 1u);
            static_cast<char*>(buffer)[*length - 1] = '\0';
        }
        *length = static_cast<UNSIGNED16>(value.size() + 1);
        throw EngineError(AE_INSUFFICIENT_BUFFER, std::string(function) + ": the value needs "
                                                      + std::to_string(value.size() + 1) + " bytes");
    }
    CopyTextOut(value, static_cast<char*>(buffer), length, function);
}

std::shared_ptr<TableSearch> ObjectSearch(ADSHANDLE hDictionary, const Connection& connection, UNSIGNED16 type,
                                          const std::string& parent, const char* function)
{
    RequireArgument(parent.empty(), function, "the parent name must be empty for tables and procedures");
    std::vector<std::string> names;
    if (type == ADS_DD_PROCEDURE_OBJECT)
        names = connection.DataDictionary()->Procedures();
    else if (type == ADS_DD_TABLE_OBJECT)
        for (const dd::TableEntry& table : connection.DataDictionary()->Tables())
            names.push_back(table.name);
    else
        ThrowNotYetSupported(function, ("for the object type " + std::to_string(type)).c_str());
    return std::make_shared<TableSearch>(hDictionary, "the objects of type " + std::to_string(type), std::move(names));
}

void HandOutObject(TableSearch& search, char* name, UNSIGNED16* length, const char* function)
{
    std::optional<std::string> next = search.Peek();
    if (!next)
        throw EngineError(AE_NO_OBJECT_FOUND, std::string(function) + ": there are no more objects");
    CopyTextOut(*next, name, length, function);
    search.Advance();
}

// Checks that the file is a table of that type before the dictionary names it.
void CheckTableFile(const std::string& path, UNSIGNED16 tableType, UNSIGNED16 charType, const char* function)
{
    storage::OpenOptions options;
    options.readOnly = true;
    options.charType = CharTypeFor(charType, function);
    storage::Table::Open(path, TableKindFor(0, tableType, function), options)->Close();
}

void DeleteTableFiles(const dd::Dictionary& dictionary, const dd::TableEntry& table, const char* function)
{
    storage::TableKind kind = TableKindFor(0, table.tableType, function);
    storage::Table::Delete(table.path, kind);
    for (const std::string& file : dictionary.TableFiles(table))
        storage::RemoveFile(file);
}

} // namespace

UNSIGNED32 AdsDDGetTableProperty(ADSHANDLE hDictionary, const char* pucTableName, UNSIGNED16 usPropertyID, void* pvProperty, UNSIGNED16* pusPropertyLen)
{
    const char* function = "AdsDDGetTableProperty";
    return ApiCall(function, [&] {
        std::shared_ptr<Connection> connection = DictionaryConnection(hDictionary, function);
        dd::TableEntry table =
            connection->DataDictionary()->Table(TextArgument(pucTableName, function, "the table name is null"));
        std::string value;
        if (usPropertyID == ADS_DD_TABLE_DEFAULT_INDEX)
            value = table.defaultIndex;
        else if (usPropertyID == ADS_DD_TABLE_PRIMARY_KEY)
            value = table.primaryKey;
        else
            ThrowUnknownProperty(function, usPropertyID);
        if (value.empty())
            ThrowNotSet(function, "the property " + std::to_string(usPropertyID) + " of the table " + table.name);
        CopyTextOut(value, static_cast<char*>(pvProperty), pusPropertyLen, function);
    });
}

UNSIGNED32 AdsDDGetDatabaseProperty(ADSHANDLE hDictionary, UNSIGNED16 usPropertyID, void* pvProperty, UNSIGNED16* pusPropertyLen)
{
    const char* function = "AdsDDGetDatabaseProperty";
    return ApiCall(function, [&] {
        std::shared_ptr<Connection> connection = DictionaryConnection(hDictionary, function);
        const dd::Dictionary& dictionary = *connection->DataDictionary();
        switch (usPropertyID) {
        case ADS_DD_VERSION_MAJOR: return CopyNumber16Out(dictionary.MajorVersion(), pvProperty, pusPropertyLen, function);
        case ADS_DD_VERSION_MINOR: return CopyNumber16Out(dictionary.MinorVersion(), pvProperty, pusPropertyLen, function);
        case ADS_DD_LOGINS_REQUIRED:
            return CopyNumber16Out(dictionary.LoginsRequired() ? 1 : 0, pvProperty, pusPropertyLen, function);
        case ADS_DD_COMMENT:
            return CopyTextOut(dictionary.Description(), static_cast<char*>(pvProperty), pusPropertyLen, function);
        }
        ThrowUnknownProperty(function, usPropertyID);
    });
}

UNSIGNED32 AdsDDGetUserProperty(ADSHANDLE hDictionary, const char* pucUserName, UNSIGNED16 usPropertyID, void* pvProperty, UNSIGNED16* pusPropertyLen)
{
    const char* function = "AdsDDGetUserProperty";
    return ApiCall(function, [&] {
        std::shared_ptr<Connection> connection = DictionaryConnection(hDictionary, function);
        std::string user = TextArgument(pucUserName, function, "the user name is null");
        if (usPropertyID != ADS_DD_USER_GROUP_MEMBERSHIP)
            ThrowUnknownProperty(function, usPropertyID);
        std::string groups;
        for (const std::string& group : connection->DataDictionary()->GroupsOf(user))
            groups += group + ";";
        if (groups.empty())
            ThrowNotSet(function, "the user " + user + " is in no group; the group list");
        CopyListOut(groups, pvProperty, pusPropertyLen, function);
    });
}

UNSIGNED32 AdsDDRenameObject(ADSHANDLE hDictionary, const char* pucObjectName, const char* pucNewObjectName, UNSIGNED16 usObjectType, UNSIGNED32 ulOptions)
{
    const char* function = "AdsDDRenameObject";
    return ApiCall(function, [&] {
        std::shared_ptr<Connection> connection = DictionaryConnection(hDictionary, function);
        RequireArgument(ulOptions == 0, function, "the options must be 0");
        if (usObjectType != ADS_DD_TABLE_OBJECT)
            ThrowNotYetSupported(function, ("for the object type " + std::to_string(usObjectType)).c_str());
        connection->DataDictionary()->RenameTable(TextArgument(pucObjectName, function, "the name is null"),
                                                  TextArgument(pucNewObjectName, function, "the new name is null"));
    });
}

UNSIGNED32 AdsDDFindFirstObject(ADSHANDLE hDictionary, UNSIGNED16 usFindObjectType, const char* pucParentName, char* pucObjectName, UNSIGNED16* pusObjectNameLen, ADSHANDLE* phFindHandle)
{
    const char* function = "AdsDDFindFirstObject";
    return ApiCall(function, [&] {
        std::shared_ptr<Connection> connection = DictionaryConnection(hDictionary, function);
        ADSHANDLE& out = Out(phFindHandle, function, "the search handle argument is null");
        std::shared_ptr<TableSearch> search =
            ObjectSearch(hDictionary, *connection, usFindObjectType, OptionalText(pucParentName), function);
        HandOutObject(*search, pucObjectName, pusObjectNameLen, function);
        out = HandleRegistry::Instance().Register(search);
        connection->Adopt(out);
    });
}

UNSIGNED32 AdsDDFindNextObject(ADSHANDLE hDictionary, ADSHANDLE hFindHandle, char* pucObjectName, UNSIGNED16* pusObjectNameLen)
{
    const char* function = "AdsDDFindNextObject";
    return ApiCall(function, [&] {
        DictionaryConnection(hDictionary, function);
        std::shared_ptr<TableSearch> search = LookUp<TableSearch>(hFindHandle, function);
        RequireArgument(search->ConnectionHandle() == hDictionary, function, "the search belongs to another connection");
        std::lock_guard<std::mutex> lock(search->Mutex());
        HandOutObject(*search, pucObjectName, pusObjectNameLen, function);
    });
}

UNSIGNED32 AdsDDFindClose(ADSHANDLE hDictionary, ADSHANDLE hFindHandle)
{
    const char* function = "AdsDDFindClose";
    return ApiCall(function, [&] {
        std::shared_ptr<Connection> connection = LookUp<Connection>(hDictionary, function);
        std::shared_ptr<TableSearch> search = LookUp<TableSearch>(hFindHandle, function);
        RequireArgument(search->ConnectionHandle() == hDictionary, function, "the search belongs to another connection");
        connection->Forget(hFindHandle);
        ReleaseAndClose(hFindHandle);
    });
}

UNSIGNED32 AdsDDCreateLink(ADSHANDLE hDictionary, const char* pucLinkAlias, const char* pucLinkedDDPath, const char* pucUserName, const char* pucPassword, UNSIGNED32 ulOptions)
{
    const char* function = "AdsDDCreateLink";
    return ApiCall(function, [&] {
        std::shared_ptr<Connection> connection = DictionaryConnection(hDictionary, function);
        if ((ulOptions & ADS_LINK_GLOBAL) != 0)
            connection->RequireAdministrator(function, "make a global link");
        connection->DataDictionary()->CreateLink(TextArgument(pucLinkAlias, function, "the link alias is null"),
                                                 TextArgument(pucLinkedDDPath, function, "the linked path is null"),
                                                 OptionalText(pucUserName), OptionalText(pucPassword), ulOptions,
                                                 connection->UserName());
    });
}

UNSIGNED32 AdsDDDropLink(ADSHANDLE hDictionary, const char* pucLinkedDD, UNSIGNED16 usDropGlobal)
{
    const char* function = "AdsDDDropLink";
    return ApiCall(function, [&] {
        std::shared_ptr<Connection> connection = DictionaryConnection(hDictionary, function);
        std::string alias = TextArgument(pucLinkedDD, function, "the link name is null");
        std::optional<dd::LinkEntry> link = connection->DataDictionary()->FindLink(alias, connection->UserName());
        if (link && (link->flags & ADS_LINK_GLOBAL) != 0)
            connection->RequireAdministrator(function, "drop a global link");
        if (!link)
            throw EngineError(AE_DD_OBJECT_NOT_FOUND, std::string(function) + ": the connection has no link named "
                                                          + alias);
        connection->DataDictionary()->DropLink(link->alias, usDropGlobal != 0);
    });
}

UNSIGNED32 AdsDDCreate(const char* pucDictionaryPath, const char* pucAdminPassword, const char* pucDescription, ADSHANDLE* phConnect)
{
    const char* function = "AdsDDCreate";
    return ApiCall(function, [&] {
        ADSHANDLE& out = Out(phConnect, function, "the connection handle argument is null");
        std::string path = TextArgument(pucDictionaryPath, function, "the dictionary path is null");
        std::string password = OptionalText(pucAdminPassword);
        dd::Dictionary::Create(path, password, OptionalText(pucDescription));
        ConnectSettings settings;
        settings.dataSource = path;
        settings.userName = dd::kAdministrator;
        settings.password = password;
        out = HandleRegistry::Instance().Register(Connection::Open(settings, function));
    });
}

UNSIGNED32 AdsDDAddTable(ADSHANDLE hDictionary, const char* pucTableName, const char* pucTablePath, UNSIGNED16 usTableType, UNSIGNED16 usCharType, const char* pucIndexFiles, const char* pucComment)
{
    const char* function = "AdsDDAddTable";
    return ApiCall(function, [&] {
        std::shared_ptr<Connection> connection = DictionaryConnection(hDictionary, function);
        dd::NewTable table;
        table.name = TextArgument(pucTableName, function, "the table name is null");
        table.path = TextArgument(pucTablePath, function, "the table path is null");
        table.tableType = usTableType == 0 ? connection->DefaultTableType() : usTableType;
        table.charType = usCharType == 0 ? ADS_ANSI : usCharType;
        table.indexFiles = SplitList(OptionalText(pucIndexFiles));
        table.comment = OptionalText(pucComment);
        std::string full = JoinPath(connection->Folder(), table.path);
        CheckTableFile(full, table.tableType, table.charType, function);
        for (const std::string& index : table.indexFiles) {
            std::string indexPath = JoinPath(FolderOf(full), index);
            RequireArgument(storage::FileExists(storage::ResolvePathCase(storage::FileSystemName(indexPath)))
                                || storage::FileExists(storage::ResolvePathCase(storage::FileSystemName(
                                    indexPath + IndexExtension(TableKindFor(0, table.tableType, function))))),
                            function, ("the index file " + index + " does not exist").c_str());
        }
        connection->DataDictionary()->AddTable(table);
    });
}

UNSIGNED32 AdsDDRemoveTable(ADSHANDLE hDictionary, const char* pucTableName, UNSIGNED16 usDeleteFiles)
{
    const char* function = "AdsDDRemoveTable";
    return ApiCall(function, [&] {
        std::shared_ptr<Connection> connection = DictionaryConnection(hDictionary, function);
        dd::Dictionary& dictionary = *connection->DataDictionary();
        dd::TableEntry table = dictionary.Table(TextArgument(pucTableName, function, "the table name is null"));
        // The files go first: when they cannot (the table is open), the
        // entry stays and nothing is lost.
        if (usDeleteFiles != 0)
            DeleteTableFiles(dictionary, table, function);
        dictionary.RemoveTable(table.name);
    });
}

UNSIGNED32 AdsDDCreateUser(ADSHANDLE hDictionary, const char* pucGroupName, const char* pucUserName, const char* pucPassword, const char* pucDescription)
{
    const char* function = "AdsDDCreateUser";
    return ApiCall(function, [&] {
        std::shared_ptr<Connection> connection = DictionaryConnection(hDictionary, function);
        connection->RequireAdministrator(function, "make users");
        std::string user = TextArgument(pucUserName, function, "the user name is null");
        std::string group = OptionalText(pucGroupName);
        dd::Dictionary& dictionary = *connection->DataDictionary();
        if (!group.empty() && !dictionary.HasGroup(group))
            throw EngineError(AE_DD_OBJECT_NOT_FOUND, std::string(function) + ": the data dictionary has no group "
                                                          "named " + group);
        dictionary.CreateUser(user, OptionalText(pucPassword), OptionalText(pucDescription));
        if (!group.empty()) {
            try {
                dictionary.AddUserToGroup(user, group);
            } catch (...) {
                dictionary.DropUser(user);
                throw;
            }
        }
    });
}

UNSIGNED32 AdsDDSetUserPassword(ADSHANDLE hDictionary, const char* pucUserName, const char* pucPassword)
{
    const char* function = "AdsDDSetUserPassword";
    return ApiCall(function, [&] {
        std::shared_ptr<Connection> connection = DictionaryConnection(hDictionary, function);
        std::string user = TextArgument(pucUserName, function, "the user name is null");
        bool self = !connection->UserName().empty() && strcasecmp(user.c_str(), connection->UserName().c_str()) == 0;
        if (!self)
            connection->RequireAdministrator(function, "change another user's password");
        connection->DataDictionary()->SetPassword(user, OptionalText(pucPassword));
    });
}

UNSIGNED32 AdsDDCreateUserGroup(ADSHANDLE hDictionary, const char* pucGroupName, const char* pucDescription)
{
    const char* function = "AdsDDCreateUserGroup";
    return ApiCall(function, [&] {
        std::shared_ptr<Connection> connection = DictionaryConnection(hDictionary, function);
        connection->RequireAdministrator(function, "make groups");
        connection->DataDictionary()->CreateGroup(TextArgument(pucGroupName, function, "the group name is null"),
                                                  OptionalText(pucDescription));
    });
}

UNSIGNED32 AdsDDAddUserToGroup(ADSHANDLE hDictionary, const char* pucGroupName, const char* pucUserName)
{
    const char* function = "AdsDDAddUserToGroup";
    return ApiCall(function, [&] {
        std::shared_ptr<Connection> connection = DictionaryConnection(hDictionary, function);
        connection->RequireAdministrator(function, "change groups");
        connection->DataDictionary()->AddUserToGroup(TextArgument(pucUserName, function, "the user name is null"),
                                                     TextArgument(pucGroupName, function, "the group name is null"));
    });
}

UNSIGNED32 AdsDDAddProcedure(ADSHANDLE hDictionary, const char* pucName, const char* pucContainer, const char* pucProcName, const char* pucComment)
{
    const char* function = "AdsDDAddProcedure";
    return ApiCall(function, [&] {
        std::shared_ptr<Connection> connection = DictionaryConnection(hDictionary, function);
        connection->RequireAdministrator(function, "register procedures");
        connection->DataDictionary()->AddProcedure(TextArgument(pucName, function, "the procedure name is null"),
                                                   OptionalText(pucContainer), OptionalText(pucProcName),
                                                   OptionalText(pucComment));
    });
}

UNSIGNED32 AdsDDSetDatabaseProperty(ADSHANDLE hDictionary, UNSIGNED16 usPropertyID, const void* pvProperty, UNSIGNED16 usPropertyLen)
{
    const char* function = "AdsDDSetDatabaseProperty";
    return ApiCall(function, [&] {
        std::shared_ptr<Connection> connection = DictionaryConnection(hDictionary, function);
        connection->RequireAdministrator(function, "change the dictionary's properties");
        RequireArgument(pvProperty != nullptr || usPropertyLen == 0, function, "the property value is null");
        dd::Dictionary& dictionary = *connection->DataDictionary();
        if (usPropertyID == ADS_DD_COMMENT) {
            const char* text = static_cast<const char*>(pvProperty);
            dictionary.SetDescription(std::string(text ? text : "", text ? strnlen(text, usPropertyLen) : 0));
        } else if (usPropertyID == ADS_DD_LOGINS_REQUIRED) {
            RequireArgument(usPropertyLen == sizeof(UNSIGNED16), function, "the property is 16-bit (length 2)");
            UNSIGNED16 value = 0;
            std::memcpy(&value, pvProperty, sizeof value);
            dictionary.SetLoginsRequired(value != 0);
        } else {
            ThrowUnknownProperty(function, usPropertyID);
        }
    });
}
