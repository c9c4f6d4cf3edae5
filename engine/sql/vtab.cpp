#include "engine/sql/vtab.h"

#include "engine/core/cursor.h"
#include "engine/core/errors.h"
#include "engine/core/open_table.h"
#include "engine/sql/lexer.h"
#include "engine/sql/sql_error.h"
#include "engine/sql/sqlite_values.h"
#include "engine/sql/stage_cache.h"
#include "engine/storage/storage_error.h"

#include <cctype>
#include <memory>
#include <mutex>

namespace sql {

namespace {

constexpr const char* kFunction = "an SQL statement";

struct TableVtab : sqlite3_vtab {
    StageTables* tables = nullptr;
    std::shared_ptr<engine::Cursor> cursor;
};

struct TableScan : sqlite3_vtab_cursor {
    uint32_t recno = 0;
    uint32_t last = 0;
    bool eof = true;
    std::vector<uint8_t> image;
};

TableVtab& VtabOf(sqlite3_vtab* base) { return *static_cast<TableVtab*>(base); }
TableScan& ScanOf(sqlite3_vtab_cursor* base) { return *static_cast<TableScan*>(base); }
TableVtab& VtabOf(sqlite3_vtab_cursor* base) { return VtabOf(base->pVtab); }

// Runs `body`, turning what it raises into an SQLite error that keeps the
// original for the stage.
template <class Body>
int Guarded(StageTables& tables, char** message, Body&& body)
{
    try {
        body();
        return SQLITE_OK;
    } catch (const std::exception& error) {
        tables.Fail(std::current_exception());
        if (message) {
            sqlite3_free(*message);
            *message = sqlite3_mprintf("%s", error.what());
        }
    } catch (...) {
        tables.Fail(std::current_exception());
    }
    return SQLITE_ERROR;
}

std::string LowerExtension(const std::string& name)
{
    size_t slash = name.find_last_of("/\\");
    size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    std::string extension = name.substr(dot);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

bool IsDbfType(uint16_t type) { return type == ADS_NTX || type == ADS_CDX || type == ADS_VFP; }

} // namespace

bool IsMissingTable(const std::exception& error)
{
    if (auto* storage = dynamic_cast<const storage::StorageError*>(&error))
        return storage->Code() == storage::kErrFileNotFound;
    if (auto* engine = dynamic_cast<const engine::EngineError*>(&error))
        return engine->Code() == AE_FILE_NOT_FOUND || engine->Code() == AE_PATH_NOT_FOUND;
    return false;
}

namespace {

ADSHANDLE OpenAs(const StageTables& tables, const std::string& name, uint16_t type, bool readOnly)
{
    engine::TableRequest request;
    request.name = name;
    request.tableType = type;
    request.charType = tables.charType == 0 ? ADS_ANSI : tables.charType;
    request.lockType = tables.lockType;
    request.checkRights = tables.checkRights == 0 ? ADS_CHECKRIGHTS : tables.checkRights;
    request.options = readOnly ? ADS_READONLY : 0;
    return engine::OpenTableCursor(tables.connection, request, kFunction);
}

// Opens the table a statement names. A name without an extension that
// is not a table of the requested type is tried as the other format's file.
ADSHANDLE OpenNamed(const StageTables& tables, const std::string& name, bool readOnly)
{
    uint16_t type = TableTypeForName(tables.connection, tables.tableType, name);
    try {
        return OpenAs(tables, name, type, readOnly);
    } catch (const std::exception& error) {
        if (!IsMissingTable(error))
            throw;
        std::string problem = error.what();
        if (LowerExtension(name).empty()) {
            uint16_t actual = type == 0 ? static_cast<uint16_t>(engine::TableKindFor(tables.connection, 0, kFunction))
                                        : type;
            uint16_t other = actual == ADS_ADT ? ADS_CDX : ADS_ADT;
            try {
                return OpenAs(tables, name, other, readOnly);
            } catch (const std::exception&) {
            }
        }
        throw SqlError(kUnknownTable, "The table " + name + " does not exist (" + problem + ")");
    }
}

// The statement's cursor on a table; inside the connection's transaction
// the one its earlier statements used, so that their record locks are its own.
ADSHANDLE AcquireTable(StageTables& tables, const std::string& name)
{
    if (!tables.keepTables) {
        ADSHANDLE handle = OpenNamed(tables, name, tables.readOnly);
        tables.opened.push_back(handle);
        return handle;
    }
    std::string key = UpperCased(name) + "|" + std::to_string(tables.tableType);
    if (ADSHANDLE kept = KeptTable(tables.connection, key))
        return kept;
    ADSHANDLE handle = OpenNamed(tables, name, false);
    KeepTable(tables.connection, key, handle);
    return handle;
}

std::string SchemaOf(const engine::Cursor& cursor)
{
    std::string schema = "CREATE TABLE x(";
    const auto& fields = cursor.Layout().Fields();
    for (size_t i = 0; i < fields.size(); ++i)
        schema += (i ? ", " : "") + Utf8Of(ColumnDeclaration(fields[i]));
    return schema + ")";
}

int Connect(sqlite3* db, void* aux, int, const char* const*, sqlite3_vtab** out, char** message)
{
    StageTables& tables = *static_cast<StageTables*>(aux);
    auto vtab = std::make_unique<TableVtab>();
    vtab->tables = &tables;
    int result = Guarded(tables, message, [&] {
        ADSHANDLE handle = AcquireTable(tables, AnsiOf(tables.pendingName));
        tables.used.push_back(handle);
        vtab->cursor = engine::LookUp<engine::Cursor>(handle, kFunction);
        std::string schema = SchemaOf(*vtab->cursor);
        if (sqlite3_declare_vtab(db, schema.c_str()) != SQLITE_OK)
            throw engine::EngineError(AE_INTERNAL_ERROR, "The columns of " + vtab->cursor->TableName()
                                                             + " could not be declared: " + sqlite3_errmsg(db));
    });
    if (result == SQLITE_OK)
        *out = vtab.release();
    return result;
}

int Disconnect(sqlite3_vtab* base)
{
    delete &VtabOf(base);
    return SQLITE_OK;
}

int BestIndex(sqlite3_vtab* base, sqlite3_index_info* info)
{
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& constraint = info->aConstraint[i];
        if (constraint.usable && constraint.iColumn == -1 && constraint.op == SQLITE_INDEX_CONSTRAINT_EQ) {
            info->aConstraintUsage[i].argvIndex = 1;
            info->aConstraintUsage[i].omit = 1;
            info->idxNum = 1;
            info->estimatedCost = 1;
            info->estimatedRows = 1;
            info->idxFlags = SQLITE_INDEX_SCAN_UNIQUE;
            return SQLITE_OK;
        }
    }
    TableVtab& vtab = VtabOf(base);
    std::lock_guard<std::mutex> lock(vtab.cursor->Mutex());
    double rows = vtab.cursor->Table().RecordCount();
    info->idxNum = 0;
    info->estimatedRows = static_cast<sqlite3_int64>(rows);
    info->estimatedCost = rows + 10;
    return SQLITE_OK;
}

int Open(sqlite3_vtab* base, sqlite3_vtab_cursor** out)
{
    auto scan = std::make_unique<TableScan>();
    scan->image.resize(VtabOf(base).cursor->Layout().RecordLength());
    *out = scan.release();
    return SQLITE_OK;
}

int Close(sqlite3_vtab_cursor* base)
{
    delete &ScanOf(base);
    return SQLITE_OK;
}

// Moves to the next record that is not deleted, up to the scan's last one.
void Advance(engine::Cursor& cursor, TableScan& scan)
{
    while (scan.recno < scan.last) {
        ++scan.recno;
        cursor.Table().ReadRecord(scan.recno, scan.image.data());
        if (!storage::RecordLayout::IsDeleted(scan.image.data())) {
            scan.eof = false;
            return;
        }
    }
    scan.eof = true;
}

int Filter(sqlite3_vtab_cursor* base, int idxNum, const char*, int argc, sqlite3_value** argv)
{
    TableVtab& vtab = VtabOf(base);
    TableScan& scan = ScanOf(base);
    return Guarded(*vtab.tables, &base->pVtab->zErrMsg, [&] {
        std::lock_guard<std::mutex> lock(vtab.cursor->Mutex());
        uint32_t count = vtab.cursor->Table().RecordCount();
        scan.recno = 0;
        scan.last = count;
        if (idxNum == 1 && argc == 1) {
            sqlite3_int64 wanted = sqlite3_value_type(argv[0]) == SQLITE_INTEGER ? sqlite3_value_int64(argv[0]) : 0;
            bool inside = wanted >= 1 && wanted <= static_cast<sqlite3_int64>(count);
            scan.recno = inside ? static_cast<uint32_t>(wanted - 1) : 0;
            scan.last = inside ? static_cast<uint32_t>(wanted) : 0;
        }
        Advance(*vtab.cursor, scan);
    });
}

int Next(sqlite3_vtab_cursor* base)
{
    TableVtab& vtab = VtabOf(base);
    return Guarded(*vtab.tables, &base->pVtab->zErrMsg, [&] {
        std::lock_guard<std::mutex> lock(vtab.cursor->Mutex());
        Advance(*vtab.cursor, ScanOf(base));
    });
}

int Eof(sqlite3_vtab_cursor* base) { return ScanOf(base).eof ? 1 : 0; }

int Column(sqlite3_vtab_cursor* base, sqlite3_context* context, int column)
{
    // An UPDATE that leaves the column as it is needs no value for it.
    if (sqlite3_vtab_nochange(context))
        return SQLITE_OK;
    TableVtab& vtab = VtabOf(base);
    return Guarded(*vtab.tables, &base->pVtab->zErrMsg, [&] {
        std::lock_guard<std::mutex> lock(vtab.cursor->Mutex());
        ResultFieldValue(context, vtab.cursor->Table(), static_cast<size_t>(column), ScanOf(base).image.data());
    });
}

int Rowid(sqlite3_vtab_cursor* base, sqlite3_int64* rowid)
{
    *rowid = ScanOf(base).recno;
    return SQLITE_OK;
}

uint32_t RecordNumberOf(sqlite3_value* value)
{
    sqlite3_int64 recno = sqlite3_value_int64(value);
    if (recno < 1 || recno > UINT32_MAX)
        throw engine::EngineError(AE_INVALID_RECORD_NUMBER, "The record number " + std::to_string(recno)
                                                                 + " is not a record of the table.");
    return static_cast<uint32_t>(recno);
}

void StoreColumns(engine::Cursor& cursor, int argc, sqlite3_value** argv)
{
    for (int i = 2; i < argc; ++i)
        if (!sqlite3_value_nochange(argv[i]))
            StoreFieldValue(cursor, static_cast<size_t>(i - 2), argv[i], kFunction);
}

bool HasAutoinc(const engine::Cursor& cursor)
{
    for (const auto& field : cursor.Layout().Fields())
        if (field.type == storage::ft::AutoInc)
            return true;
    return false;
}

void Change(StageTables& tables, engine::Cursor& cursor, int argc, sqlite3_value** argv, sqlite3_int64* rowid)
{
    if (argc == 1) {
        cursor.GotoRecord(RecordNumberOf(argv[0]));
        cursor.DeleteRecord();
    } else if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        cursor.AppendRecord();
        StoreColumns(cursor, argc, argv);
        cursor.WriteRecord();
        *rowid = cursor.RecordNumber();
        if (HasAutoinc(cursor)) {
            tables.lastAutoinc = cursor.Table().LastAutoinc();
            tables.appendedAutoinc = true;
        }
    } else {
        uint32_t recno = RecordNumberOf(argv[0]);
        if (sqlite3_value_int64(argv[1]) != recno)
            throw SqlError(kValue, "The record number of a row of " + cursor.TableName() + " cannot be changed");
        cursor.GotoRecord(recno);
        StoreColumns(cursor, argc, argv);
        cursor.WriteRecord();
    }
    ++tables.changes;
}

int Update(sqlite3_vtab* base, int argc, sqlite3_value** argv, sqlite3_int64* rowid)
{
    TableVtab& vtab = VtabOf(base);
    return Guarded(*vtab.tables, &base->zErrMsg, [&] {
        std::lock_guard<std::mutex> lock(vtab.cursor->Mutex());
        try {
            Change(*vtab.tables, *vtab.cursor, argc, argv, rowid);
        } catch (...) {
            // A half-filled record must not be stored when the cursor closes.
            if (vtab.cursor->HasPendingEdit()) {
                try {
                    vtab.cursor->CancelUpdate();
                } catch (...) {
                }
            }
            throw;
        }
    });
}

sqlite3_module MakeModule()
{
    sqlite3_module module{};
    module.iVersion = 0;
    module.xCreate = Connect;
    module.xConnect = Connect;
    module.xBestIndex = BestIndex;
    module.xDisconnect = Disconnect;
    module.xDestroy = Disconnect;
    module.xOpen = Open;
    module.xClose = Close;
    module.xFilter = Filter;
    module.xNext = Next;
    module.xEof = Eof;
    module.xColumn = Column;
    module.xRowid = Rowid;
    module.xUpdate = Update;
    return module;
}

const sqlite3_module kModule = MakeModule();

} // namespace

uint16_t TableTypeForName(ADSHANDLE connection, uint16_t requested, const std::string& name)
{
    std::string extension = LowerExtension(name);
    if (extension == ".adt")
        return ADS_ADT;
    if (extension != ".dbf" || IsDbfType(requested))
        return requested;
    uint16_t byDefault = static_cast<uint16_t>(engine::TableKindFor(connection, 0, kFunction));
    return IsDbfType(byDefault) ? byDefault : ADS_CDX;
}

int RegisterTableModule(sqlite3* db, StageTables& tables)
{
    return sqlite3_create_module(db, "varnel_table", &kModule, &tables);
}

void CloseStageTables(StageTables& tables)
{
    std::exception_ptr first;
    for (ADSHANDLE handle : tables.opened) {
        try {
            engine::CloseCursor(handle, kFunction);
        } catch (...) {
            if (!first)
                first = std::current_exception();
        }
    }
    tables.opened.clear();
    if (first)
        std::rethrow_exception(first);
}

} // namespace sql
