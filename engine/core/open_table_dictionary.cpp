// Creating and deleting tables of a data dictionary.
#include "engine/core/open_table.h"

#include "engine/core/errors.h"
#include "engine/dictionary/dictionary.h"
#include "engine/engine.h"
#include "engine/storage/file_io.h"
#include "platform/codepage/codepage.h"

namespace engine {

namespace {

std::string BaseName(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool HasExtension(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    return dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
}

std::string Utf8(const std::string& ansi)
{
    return storage::ResolvePathCase(storage::FileSystemName(ansi));
}

} // namespace

std::optional<DictionaryPlace> DictionaryPlaceFor(ADSHANDLE hConnect, const CreateRequest& request,
                                                  storage::TableKind kind, const char* function)
{
    std::shared_ptr<Connection> connection = hConnect == 0 ? nullptr : LookUp<Connection>(hConnect, function);
    bool freeTable = (request.table.options & ADS_FREE_TABLE) != 0;
    bool dictionaryTable = !request.dictionaryName.empty() || (request.table.options & ADS_DICTIONARY_TABLE) != 0;
    if (freeTable && dictionaryTable)
        throw EngineError(AE_INVALID_ARGUMENT, std::string(function) + ": a table cannot be both a free table and "
                                                   "a dictionary table");
    bool onDictionary = connection && connection->DataDictionary();
    if (dictionaryTable && !onDictionary)
        throw EngineError(AE_INVALID_ARGUMENT, std::string(function) + ": a dictionary table needs a connection "
                                                   "to a data dictionary");
    if (!onDictionary || freeTable)
        return std::nullopt;
    DictionaryPlace place;
    place.connection = connection;
    place.path = JoinPath(connection->Folder(), request.table.name);
    if (!HasExtension(place.path))
        place.path += kind == storage::TableKind::ADT ? ".adt" : ".dbf";
    place.dictionaryName = request.dictionaryName.empty() ? BaseName(request.table.name) : request.dictionaryName;
    return place;
}

ADSHANDLE CreateDictionaryTable(ADSHANDLE hConnect, const CreateRequest& request, const DictionaryPlace& place,
                                storage::TableKind kind, const storage::CreateOptions& options, const char* function)
{
    dd::Dictionary& dictionary = *place.connection->DataDictionary();
    if (dictionary.FindTable(place.dictionaryName))
        throw EngineError(AE_ALREADY_EXISTS, std::string(function) + ": the data dictionary " + dictionary.Path()
                                                 + " has a table named " + place.dictionaryName + " already");
    // A file that is not the dictionary's may be another user's table: it
    // is never replaced here.
    if (storage::FileExists(Utf8(place.path)))
        throw EngineError(AE_ALREADY_EXISTS, std::string(function) + ": the file " + place.path
                                                 + " exists already; it is not replaced by a new dictionary table");
    std::unique_ptr<storage::Table> table = CreateTableFile(place.path, kind, request.definition, options);
    try {
        dd::NewTable entry;
        entry.name = place.dictionaryName;
        entry.path = place.path;
        entry.tableType = static_cast<uint16_t>(kind);
        entry.charType = request.table.charType == 0 ? ADS_ANSI : request.table.charType;
        dictionary.AddTable(entry);
    } catch (...) {
        std::string file = codepage::FromUtf8(codepage::CodePage::Ansi1252, table->FileName());
        table->Close();
        storage::Table::Delete(file, kind);
        throw;
    }
    return AdoptTable(std::move(table), hConnect);
}

void ForgetDeletedTable(ADSHANDLE hConnect, const std::string& utf8TableFile)
{
    std::shared_ptr<Connection> connection =
        hConnect == 0 ? nullptr : std::dynamic_pointer_cast<Connection>(HandleRegistry::Instance().Find(hConnect));
    if (!connection || !connection->DataDictionary())
        return;
    dd::Dictionary& dictionary = *connection->DataDictionary();
    for (const dd::TableEntry& entry : dictionary.Tables())
        if (Utf8(entry.path) == utf8TableFile)
            dictionary.RemoveTable(entry.name);
}

} // namespace engine
