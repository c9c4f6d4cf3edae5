// An SQL statement object and the table options a caller sets on it before
// preparing. It belongs to a connection and is closed with it.
//
// Invariants: every option holds a value its setter accepted; a refused value
// leaves the option as it was. The prepared script is the last text that
// prepared without fault, with one parameter position per parameter of
// that text; a prepare that fails leaves the statement unprepared, so a
// later execution can never run an older text by mistake.
// RowsAffected is the count of the last execution's data statement, or -1
// when it had none (and before any execution).
#pragma once

#include "engine/core/handles.h"
#include "engine/sql/ast.h"
#include "engine/sql/parameters.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace engine {

struct StatementOptions {
    uint16_t lockType = ADS_PROPRIETARY_LOCKING;
    std::string collation;
    uint16_t checkRights = ADS_CHECKRIGHTS;
    uint16_t readOnly = ADS_CURSOR_READONLY;
    uint16_t tableType = ADS_DEFAULT_TABLE_TYPE;
    uint16_t charType = ADS_ANSI;
    uint16_t constrain = ADS_NO_CONSTRAIN;
    uint16_t readColumns = ADS_READ_ALL_COLUMNS;
    uint32_t timeout = 0;
};

struct PreparedScript {
    sql::Script script;
    sql::ParameterValues parameters;
};

class Statement : public HandleObject {
public:
    static constexpr HandleKind kPrimaryKind = HandleKind::Statement;
    static bool Accepts(HandleKind kind) { return kind == HandleKind::Statement; }
    HandleKind Kind() const override { return HandleKind::Statement; }

    explicit Statement(ADSHANDLE connection) : mConnection(connection) {}
    ADSHANDLE ConnectionHandle() const { return mConnection; }

    std::mutex& Mutex() { return mMutex; }
    // Guarded by Mutex().
    StatementOptions& Options() { return mOptions; }
    // Guarded by Mutex(); null while nothing is prepared.
    std::shared_ptr<PreparedScript>& Prepared() { return mPrepared; }
    // Guarded by Mutex().
    int64_t& RowsAffected() { return mRowsAffected; }
    // Guarded by Mutex(): the autoincrement value of the last record an
    // INSERT of this statement appended (0 before any).
    uint32_t& LastAutoinc() { return mLastAutoinc; }

private:
    ADSHANDLE mConnection;
    std::mutex mMutex;
    StatementOptions mOptions;
    std::shared_ptr<PreparedScript> mPrepared;
    int64_t mRowsAffected = -1;
    uint32_t mLastAutoinc = 0;
};

} // namespace engine
