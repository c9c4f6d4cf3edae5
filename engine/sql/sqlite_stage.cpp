#include "engine/sql/sqlite_stage.h"

#include "engine/core/cursor.h"
#include "engine/core/errors.h"
#include "engine/core/open_table.h"
#include "engine/core/transaction.h"
#include "engine/sql/functions.h"
#include "engine/sql/lexer.h"
#include "engine/sql/sql_dialect.h"
#include "engine/sql/sql_error.h"
#include "engine/sql/sqlite_values.h"
#include "engine/sql/stage_cache.h"
#include "engine/sql/vtab.h"

#include <atomic>
#include <optional>
#include <set>

namespace sql {

namespace {

constexpr const char* kFunction = "an SQL statement";
constexpr int kProgressSteps = 2000;
constexpr int kMaxTables = 64;
constexpr uint32_t kLongestCharResult = 255;

// The interpreter's functions that SQLite lacks or knows only for ASCII text.
constexpr const char* kSharedFunctions[] = {"UPPER", "LOWER", "UCASE", "LCASE", "SUBSTRING", "LEFT", "RIGHT",
                                            "CHAR_LENGTH", "CHARACTER_LENGTH", "CONCAT", "NOW", "CURDATE",
                                            "CURTIME"};

class Database {
public:
    Database()
    {
        if (sqlite3_open_v2(":memory:", &mDb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
            std::string problem = mDb ? sqlite3_errmsg(mDb) : "out of memory";
            sqlite3_close(mDb);
            throw engine::EngineError(AE_INTERNAL_ERROR, "The SQL stage could not start: " + problem);
        }
    }
    ~Database() { sqlite3_close_v2(mDb); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    sqlite3* Get() const { return mDb; }

private:
    sqlite3* mDb = nullptr;
};

class Prepared {
public:
    Prepared() = default;
    ~Prepared() { Reset(); }
    Prepared(const Prepared&) = delete;
    Prepared& operator=(const Prepared&) = delete;
    void Reset()
    {
        sqlite3_finalize(mStmt);
        mStmt = nullptr;
    }
    sqlite3_stmt** Out() { return &mStmt; }
    sqlite3_stmt* Get() const { return mStmt; }

private:
    sqlite3_stmt* mStmt = nullptr;
};

// ---- shared functions ----

void CallShared(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    const auto* info = static_cast<const FunctionInfo*>(sqlite3_user_data(context));
    std::vector<Value> args;
    args.reserve(static_cast<size_t>(argc));
    for (int i = 0; i < argc; ++i)
        args.push_back(ValueOf(argv[i]));
    try {
        ResultValue(context, info->call(args));
    } catch (const std::exception& error) {
        std::string message = std::string(info->name) + ": " + error.what();
        sqlite3_result_error(context, Utf8Of(message).c_str(), -1);
    }
}

void RegisterSharedFunctions(sqlite3* db)
{
    for (const char* shared : kSharedFunctions) {
        const char* name = shared;
        const FunctionInfo* info = FindFunction(name);
        if (!info)
            continue;
        bool timeDependent = info->minArgs == 0 && info->maxArgs == 0;
        int flags = SQLITE_UTF8 | (timeDependent ? 0 : SQLITE_DETERMINISTIC);
        void* data = const_cast<FunctionInfo*>(info);
        std::string stageName = StageFunctionName(name);
        name = stageName.c_str();
        if (info->maxArgs == kVariadic) {
            sqlite3_create_function_v2(db, name, -1, flags, data, CallShared, nullptr, nullptr, nullptr);
            continue;
        }
        for (size_t n = info->minArgs; n <= info->maxArgs; ++n)
            sqlite3_create_function_v2(db, name, static_cast<int>(n), flags, data, CallShared, nullptr, nullptr,
                                       nullptr);
    }
}

// ---- the all-or-nothing unit of a changing statement ----

class AtomicUnit {
public:
    explicit AtomicUnit(ADSHANDLE connection) : mConnection(connection)
    {
        if (engine::InTransaction(connection)) {
            static std::atomic<uint64_t> counter{0};
            mSavepoint = "varnel statement " + std::to_string(++counter);
            engine::CreateSavepoint(connection, mSavepoint, kFunction);
        } else {
            engine::BeginTransaction(connection, kFunction);
        }
    }

    void Commit()
    {
        if (mSavepoint.empty())
            engine::CommitTransaction(mConnection, kFunction);
    }

    // Undoes the statement's changes; when that fails too, the statement's
    // failure is reported together with what could not be restored.
    void Undo(const std::exception_ptr& failure)
    {
        try {
            if (mSavepoint.empty())
                engine::RollbackTransaction(mConnection, kFunction);
            else
                engine::RollbackToSavepoint(mConnection, mSavepoint, kFunction);
        } catch (const engine::EngineError& undo) {
            std::string original;
            try {
                std::rethrow_exception(failure);
            } catch (const std::exception& e) {
                original = e.what();
            } catch (...) {
            }
            throw engine::EngineError(undo.Code(), original + " The statement's changes could not all be undone: "
                                                       + undo.what());
        }
    }

private:
    ADSHANDLE mConnection;
    std::string mSavepoint;
};

// ---- one run ----

struct Run {
    const DataStatement& statement;
    const std::vector<Value>& values;
    const StageSettings& settings;
    StageTables& tables;
    std::exception_ptr interrupted;
    StageText text;
};

int Progress(void* data)
{
    Run& run = *static_cast<Run*>(data);
    if (!run.settings.interrupt)
        return 0;
    try {
        run.settings.interrupt();
        return 0;
    } catch (...) {
        run.interrupted = std::current_exception();
        return 1;
    }
}

uint32_t NativeOf(const std::string& message)
{
    if (message.find("syntax error") != std::string::npos || message.find("incomplete input") != std::string::npos
        || message.find("unrecognized token") != std::string::npos)
        return kSyntax;
    if (message.rfind("no such column", 0) == 0 || message.rfind("no such function", 0) == 0
        || message.rfind("ambiguous column", 0) == 0 || message.find("wrong number of arguments") != std::string::npos)
        return kUnknownName;
    return kStatement;
}

[[noreturn]] void RaiseFailure(sqlite3* db, Run& run)
{
    if (run.interrupted)
        std::rethrow_exception(run.interrupted);
    if (run.tables.failure)
        std::rethrow_exception(run.tables.failure);
    std::string message = AnsiOf(sqlite3_errmsg(db));
    int offset = sqlite3_error_offset(db);
    uint32_t native = NativeOf(message);
    const std::string& source = run.statement.text;
    if (offset >= 0)
        throw SqlError(native, message, SourcePlace{source, 0, source.size(), run.text.OriginalOffset(offset)});
    throw SqlError(native, message + " in the statement: " + source);
}

// The name in SQLite's "no such table: NAME", or nothing.
std::optional<std::string> MissingTable(sqlite3* db)
{
    static const std::string kPrefix = "no such table: ";
    std::string message = sqlite3_errmsg(db);
    if (message.rfind(kPrefix, 0) != 0)
        return std::nullopt;
    return message.substr(kPrefix.size());
}

void AddTable(sqlite3* db, Run& run, const std::string& utf8Name)
{
    if (run.tables.used.size() >= kMaxTables)
        throw SqlError(kTooComplex, "The statement names more than " + std::to_string(kMaxTables) + " tables");
    run.tables.pendingName = utf8Name;
    std::string create = "CREATE VIRTUAL TABLE temp." + QuotedName(utf8Name) + " USING varnel_table";
    if (sqlite3_exec(db, create.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        RaiseFailure(db, run);
}

// The upper-cased names of the character columns of the tables opened so far.
std::set<std::string> TextColumns(const StageTables& tables)
{
    std::set<std::string> names;
    for (ADSHANDLE handle : tables.used) {
        auto cursor = engine::LookUp<engine::Cursor>(handle, kFunction);
        for (const auto& field : cursor->Layout().Fields())
            if (IsCharacterType(field.type))
                names.insert(UpperCased(field.name));
    }
    return names;
}

// Prepares the statement, making a virtual table for each table it names.
void PrepareText(sqlite3* db, Run& run, Prepared& prepared)
{
    while (true) {
        prepared.Reset();
        if (sqlite3_prepare_v2(db, run.text.text.c_str(), static_cast<int>(run.text.text.size()), prepared.Out(),
                               nullptr) == SQLITE_OK)
            return;
        std::optional<std::string> missing = MissingTable(db);
        if (!missing || run.tables.failure)
            RaiseFailure(db, run);
        AddTable(db, run, *missing);
    }
}

void Prepare(sqlite3* db, Run& run, Prepared& prepared)
{
    run.text = RewriteForStage(run.statement, run.values, {});
    PrepareText(db, run, prepared);
    // Now that the tables are known, "+" next to their character columns
    // concatenates.
    StageText typed = RewriteForStage(run.statement, run.values, TextColumns(run.tables));
    if (typed.text != run.text.text) {
        run.text = std::move(typed);
        PrepareText(db, run, prepared);
    }
    if (prepared.Get() == nullptr)
        throw SqlError(kSyntax, "The statement holds no SQL to run: " + run.statement.text);
}

void Bind(sqlite3* db, Run& run, sqlite3_stmt* stmt)
{
    for (size_t i = 0; i < run.values.size(); ++i)
        if (BindValue(stmt, static_cast<int>(i + 1), run.values[i]) != SQLITE_OK)
            RaiseFailure(db, run);
}

// One step; true while it yields a row.
bool Step(sqlite3* db, Run& run, sqlite3_stmt* stmt)
{
    int result = sqlite3_step(stmt);
    if (result == SQLITE_ROW)
        return true;
    if (result == SQLITE_DONE && !run.interrupted && !run.tables.failure)
        return false;
    RaiseFailure(db, run);
}

// ---- result columns ----

std::string ColumnName(sqlite3_stmt* stmt, int column)
{
    const char* name = sqlite3_column_name(stmt, column);
    std::string ansi = name ? AnsiOf(name) : "";
    bool usable = !ansi.empty() && ansi.size() <= 128 && ansi.find_first_of(",;") == std::string::npos;
    return usable ? ansi : "EXPR";
}

void MakeNamesDistinct(std::vector<ResultColumn>& columns)
{
    std::set<std::string> taken;
    for (auto& column : columns) {
        std::string name = column.name;
        for (int n = 2; taken.count(UpperCased(name)); ++n)
            name = column.name + "_" + std::to_string(n);
        taken.insert(UpperCased(name));
        column.name = name;
    }
}

// The column of an expression, from the values it yielded.
ResultColumn InferredColumn(const std::string& name, const std::vector<std::vector<Value>>& rows, size_t c)
{
    bool texts = false, reals = false, blobs = false, integers = false, wide = false;
    size_t longest = 1;
    for (const auto& row : rows) {
        const Value& v = row[c];
        if (v.null)
            continue;
        switch (v.type) {
        case DataType::String: texts = true; longest = std::max(longest, v.text.size()); break;
        case DataType::Double: reals = true; break;
        case DataType::Binary: blobs = true; break;
        default:
            integers = true;
            wide = wide || v.integer < INT32_MIN || v.integer > INT32_MAX;
        }
    }
    ResultColumn column;
    column.name = name;
    if (blobs && !texts && !reals && !integers) {
        column.type = DataType::Binary;
    } else if (texts || blobs) {
        column.type = DataType::String;
        if (!reals && !integers)
            column.length = longest <= kLongestCharResult ? static_cast<uint32_t>(longest) : 0;
        else
            column.length = std::max<uint32_t>(static_cast<uint32_t>(longest), 24);
    } else if (reals) {
        column.type = DataType::Double;
    } else if (integers) {
        column.type = DataType::Integer;
        if (wide)
            column.definition = "LongInt";
    } else {
        column.type = DataType::String;
        column.length = 1;
    }
    return column;
}

Value Typed(const Value& value, const ResultColumn& column)
{
    try {
        return ConvertTo(value, column.type);
    } catch (const ValueFault& fault) {
        throw SqlError(kTypeMismatch, "The result column " + column.name + " holds a value of another type: "
                                          + fault.what());
    }
}

std::shared_ptr<ResultSet> CollectRows(sqlite3* db, Run& run, sqlite3_stmt* stmt)
{
    auto result = std::make_shared<ResultSet>();
    int count = sqlite3_column_count(stmt);
    std::vector<std::optional<ResultColumn>> declared;
    for (int c = 0; c < count; ++c)
        declared.push_back(ColumnOfDeclaredType(ColumnName(stmt, c), sqlite3_column_decltype(stmt, c)));
    while (Step(db, run, stmt)) {
        std::vector<Value> row;
        row.reserve(static_cast<size_t>(count));
        for (int c = 0; c < count; ++c) {
            row.push_back(declared[c] ? Typed(ColumnValue(stmt, c, declared[c]->sourceType), *declared[c])
                                      : ColumnValue(stmt, c));
        }
        result->rows.push_back(std::move(row));
    }
    for (int c = 0; c < count; ++c)
        result->columns.push_back(declared[c] ? *declared[c] : InferredColumn(ColumnName(stmt, c), result->rows, c));
    MakeNamesDistinct(result->columns);
    result->tableType =
        static_cast<uint16_t>(engine::TableKindFor(run.settings.connection, run.settings.tableType, kFunction));
    return result;
}

StageOutcome Execute(Run& run)
{
    Database database;
    sqlite3* db = database.Get();
    if (RegisterTableModule(db, run.tables) != SQLITE_OK)
        throw engine::EngineError(AE_INTERNAL_ERROR, "The SQL stage could not register its tables.");
    RegisterSharedFunctions(db);
    sqlite3_progress_handler(db, kProgressSteps, Progress, &run);
    Prepared prepared;
    Prepare(db, run, prepared);
    Bind(db, run, prepared.Get());
    StageOutcome outcome;
    if (sqlite3_column_count(prepared.Get()) > 0) {
        outcome.data.rows = CollectRows(db, run, prepared.Get());
    } else {
        while (Step(db, run, prepared.Get())) {
        }
    }
    if (run.statement.verb != "SELECT")
        outcome.data.rowsAffected = run.tables.changes;
    outcome.appendedAutoinc = run.tables.appendedAutoinc;
    outcome.lastAutoinc = run.tables.lastAutoinc;
    return outcome;
}

void CloseQuietly(StageTables& tables) noexcept
{
    try {
        CloseStageTables(tables);
    } catch (...) {
    }
}

} // namespace

StageOutcome RunOnStage(const DataStatement& statement, const std::vector<Value>& values, const StageSettings& settings)
{
    StageTables tables;
    tables.connection = settings.connection;
    tables.tableType = settings.tableType;
    tables.charType = settings.charType;
    tables.lockType = settings.lockType;
    tables.checkRights = settings.checkRights;
    tables.readOnly = statement.verb == "SELECT";
    ReleaseKeptTables(settings.connection);
    tables.keepTables = engine::InTransaction(settings.connection);
    std::optional<AtomicUnit> unit;
    if (!tables.readOnly)
        unit.emplace(settings.connection);
    Run run{statement, values, settings, tables, nullptr, {}};
    StageOutcome outcome;
    try {
        outcome = Execute(run);
        if (unit)
            unit->Commit();
    } catch (...) {
        std::exception_ptr failure = std::current_exception();
        if (unit) {
            try {
                unit->Undo(failure);
            } catch (...) {
                CloseQuietly(tables);
                throw;
            }
        }
        CloseQuietly(tables);
        std::rethrow_exception(failure);
    }
    CloseStageTables(tables);
    return outcome;
}

} // namespace sql
