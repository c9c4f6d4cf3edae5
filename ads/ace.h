// The data-access layer's only door to the client engine.
//
// Every engine function of engine/engine.h has a wrapper here of the same name
// and signature in namespace ace: the layer writes ace::AdsGetLastError(...)
// where a caller linked to the engine would write AdsGetLastError(...). Always
// qualify the calls: a `using namespace ace` would make them ambiguous with the
// engine's own declarations, which this header brings in for their types and
// constants. The wrappers are C++ names (namespaced and mangled), so a program
// may link the engine directly as well without a clash of symbols.
//
// Loading:
// - The engine library is opened with dlopen on the first call of any wrapper,
//   not before; each function is looked up with dlsym on its own first call.
//   Both are thread-safe: concurrent first calls resolve once and all see the
//   same address.
// - The library is VARNEL_ENGINE_LIBRARY when that environment variable is set
//   and not empty, else the file name fixed at build time. A bare file name is
//   looked for next to the executable, then by the dynamic loader's search; a
//   name with a folder is used as it stands.
// - A library that cannot be loaded raises EExternalException with code
//   kModuleNotFoundCode, a missing function kProcedureNotFoundCode; the message
//   names the library or the function. The layer catches neither. A call that
//   failed to resolve is tried again on its next call.
//
// Call trace (for tests): StartCallTrace records every wrapper call from then
// on, on every thread, in the order the calls start: the function's name, its
// arguments as text and its result. Off, a wrapper pays one relaxed atomic load.
#pragma once

#include "engine/engine.h"
#include "platform/sysutils.h"

#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <thread>
#include <type_traits>
#include <vector>

// Every function the engine exports, by family, in the order of engine/engine.h.
#define ACE_ENGINE_FUNCTIONS(X) \
    X(AdsGetLastError) X(AdsSetLastError) X(AdsShowError) \
    X(AdsConnect101) X(AdsConnect) X(AdsDisconnect) X(AdsSetDateFormat60) X(AdsGetDateFormat) \
    X(AdsSetDateFormat) X(AdsGetConnectionPath) X(AdsGetConnectionProperty) X(AdsGetConnectionType) \
    X(AdsGetServerName) X(AdsIsConnectionAlive) X(AdsGetServerTime) X(AdsConvertDateToJulian) \
    X(AdsCloseCachedTables) X(AdsBeginTransaction) X(AdsCommitTransaction) \
    X(AdsRollbackTransaction) X(AdsRollbackTransaction80) X(AdsCreateSavepoint) X(AdsInTransaction) \
    X(AdsGetTransactionCount) X(AdsGetNumActiveLinks) X(AdsGetActiveLinkInfo) X(AdsFindFirstTable) \
    X(AdsFindNextTable) X(AdsFindFirstTable62) X(AdsFindNextTable62) X(AdsFindClose) \
    X(AdsCreateSQLStatement) X(AdsGetHandleType) X(AdsSetSQLTimeout) X(AdsGetSQLStmtParams) \
    X(AdsPrepareSQLW) X(AdsVerifySQLW) X(AdsExecuteSQL) X(AdsExecuteSQLDirect) \
    X(AdsExecuteSQLDirectW) X(AdsCloseSQLStatement) X(AdsSqlPeekStatement) X(AdsGetLastAutoinc) \
    X(AdsGetTableCharType) X(AdsGetTableCollation) X(AdsStmtSetTableLockType) \
    X(AdsStmtSetTableCollation) X(AdsStmtSetTableRights) X(AdsStmtSetTableReadOnly) \
    X(AdsStmtSetTableType) X(AdsStmtSetTableCharType) X(AdsStmtConstrainUpdates) \
    X(AdsStmtReadAllColumns) X(AdsStmtEnableEncryption) X(AdsStmtDisableEncryption) \
    X(AdsStmtSetTablePassword) X(AdsStmtClearTablePasswords) \
    X(AdsSetEmpty) X(AdsSetLogical) X(AdsSetDouble) X(AdsSetJulian) X(AdsSetMilliseconds) \
    X(AdsSetTimeStampRaw) X(AdsSetBinary) X(AdsSetString) X(AdsSetStringW) \
    X(AdsOpenTable) X(AdsOpenTable90) X(AdsGetTableType) X(AdsGetRecordLength) \
    X(AdsGetTableOpenOptions) X(AdsGetTableConnection) X(AdsCacheRecords) X(AdsCacheOpenTables) \
    X(AdsCacheOpenCursors) X(AdsCloseTable) X(AdsRefreshRecord) X(AdsGetNumFields) \
    X(AdsGetFieldType) X(AdsGetFieldLength) X(AdsGetFieldDecimals) X(AdsGetFieldName) \
    X(AdsGetFieldOffset) X(AdsIsNullable) X(AdsGetColumnPermissions) X(AdsGetRecord) X(AdsIsEmpty) \
    X(AdsIsNull) X(AdsGetField) X(AdsGetFieldW) X(AdsGetNullRecord) X(AdsClearRecordBuffer) \
    X(AdsAccessVfpSystemField) X(AdsConvertStringToJulian) X(AdsConvertJulianToString) \
    X(AdsGetMemoDataType) X(AdsGetDataLength) X(AdsGetBinaryLength) X(AdsGetBinary) \
    X(AdsGotoBOF) X(AdsGotoEOF) X(AdsGotoTop) X(AdsGotoBottom) X(AdsSkip) X(AdsAtBOF) X(AdsAtEOF) \
    X(AdsIsRecordVisible) X(AdsGotoRecord) X(AdsGotoBookmark) X(AdsGetBookmark) X(AdsGetBookmark60) \
    X(AdsGetBookmarkLength) X(AdsCompareBookmarks) X(AdsGetRecordNum) X(AdsGetRecordCount) \
    X(AdsGetKeyNum) X(AdsGetRelKeyPos) X(AdsSetRelKeyPos) X(AdsIsRecordDeleted) X(AdsGetDeleted) \
    X(AdsSetDeleted) \
    X(AdsSetAOF100) X(AdsSetFilter100) X(AdsClearAOF) X(AdsClearFilter) X(AdsGetAOF) \
    X(AdsGetFilter) X(AdsRefreshAOF) X(AdsGetAOFOptLevel100) X(AdsSetExact22) X(AdsGetExact22) \
    X(AdsExpressionLongToShort90) X(AdsExpressionShortToLong90) X(AdsEvalLogicalExpr) \
    X(AdsSetScope) X(AdsGetScope) X(AdsClearScope) X(AdsClearAllScopes) X(AdsSeek) \
    X(AdsLockRecord) X(AdsUnlockRecord) X(AdsLockTable) X(AdsUnlockTable) X(AdsGetRecordCRC) \
    X(AdsAppendRecord) X(AdsWriteRecord) X(AdsDeleteRecord) X(AdsRecallRecord) X(AdsCancelUpdate) \
    X(AdsSetField) X(AdsSetFieldW) X(AdsSetFieldRaw) X(AdsSetNull) \
    X(AdsOpenIndex) X(AdsCloseIndex) X(AdsCreateIndex90) X(AdsDeleteIndex) X(AdsGetIndexHandle) \
    X(AdsGetNumIndexes) X(AdsGetAllIndexes) X(AdsGetNumFTSIndexes) X(AdsGetFTSIndexes) \
    X(AdsGetIndexName) X(AdsGetIndexFilename) X(AdsGetIndexPageSize) X(AdsGetIndexFlags) \
    X(AdsGetIndexCondition) X(AdsIsIndexUnique) X(AdsIsIndexDescending) X(AdsIsIndexCandidate) \
    X(AdsIsIndexPrimaryKey) X(AdsIsIndexCustom) X(AdsGetNumSegments) X(AdsGetSegmentFieldname) \
    X(AdsGetKeyLength) X(AdsGetKeyCount) X(AdsInitRawKey) X(AdsBuildRawKey) X(AdsBuildRawKey100) \
    X(AdsBuildKeyFromRecord) X(AdsStepIndexKey) \
    X(AdsCreateTable90) X(AdsZapTable) X(AdsPackTable) X(AdsDeleteTable) X(AdsConvertTable) \
    X(AdsCopyTable) X(AdsCopyTableContents) X(AdsCopyTableStructure) X(AdsFlushFileBuffers) \
    X(AdsEnableEncryption) X(AdsDisableEncryption) X(AdsIsTableEncrypted) X(AdsIsEncryptionEnabled) \
    X(AdsEncryptRecord) X(AdsDecryptRecord) X(AdsIsRecordEncrypted) \
    X(AdsDDGetTableProperty) X(AdsDDGetDatabaseProperty) X(AdsDDGetUserProperty) \
    X(AdsDDRenameObject) X(AdsDDFindFirstObject) X(AdsDDFindNextObject) X(AdsDDFindClose) \
    X(AdsDDCreateLink) X(AdsDDDropLink) \
    X(AdsRegisterCallbackFunction) X(AdsRegisterCallbackFunction101) X(AdsClearCallbackFunction) \
    X(AdsRegisterProgressCallback) X(AdsClearProgressCallback) X(AdsRegisterSQLAbortFunc) \
    X(AdsClearSQLAbortFunc) X(AdsThreadExit) X(AdsIsServerLoaded) X(AdsCheckExistence) \
    X(AdsGetVersion)

namespace ace {

// One recorded engine call. Arguments read as follows: numbers and handles in
// decimal; a column or parameter given by number as that number; texts in
// double quotes (8-bit texts converted from the system code page); counted
// bytes as x'hex'; an output through a pointer to a number as "&" followed by
// the value it holds after the call ("&" alone while the call runs); output
// buffers as "buffer"; callbacks as "callback"; null pointers as "null".
struct TracedCall {
    QString function;
    QStringList arguments;
    std::optional<uint32_t> result;  // empty while the call runs
    std::thread::id thread;

    // "AdsFunction(arg, arg) = result"
    QString Text() const;
};

// Clears the record and starts recording.
void StartCallTrace();
// Stops recording and hands over what was recorded.
std::vector<TracedCall> StopCallTrace();
// What was recorded so far; recording goes on.
std::vector<TracedCall> CallTraceSoFar();

// Forgets the loaded library and every resolved function, so that the next
// call loads again (honouring VARNEL_ENGINE_LIBRARY anew). For tests only:
// no engine call may run on another thread meanwhile.
void ResetLoaderForTests();

namespace detail {

enum class FunctionId : uint16_t {
#define ACE_ID(name) name,
    ACE_ENGINE_FUNCTIONS(ACE_ID)
#undef ACE_ID
};

#define ACE_ONE(name) +1
constexpr size_t kFunctionCount = 0 ACE_ENGINE_FUNCTIONS(ACE_ONE);
#undef ACE_ONE

// Addresses of the resolved functions; null until the first call.
extern std::atomic<void*> gResolved[kFunctionCount];
// Loads the library if needed and resolves one function; raises on failure.
void* Resolve(FunctionId id);
const char* FunctionName(FunctionId id);

extern std::atomic<bool> gTraceOn;

// An argument as captured for the trace; the text is made in ace_trace.cpp.
struct TraceValue {
    enum class Kind : uint8_t { Integer, Real, Text8, Text16, Bytes, OutScalar, Buffer, Callback };
    Kind kind = Kind::Integer;
    bool isSigned = false;
    bool outKnown = false;       // OutScalar: the value after the call is held
    uint64_t integer = 0;        // Integer and OutScalar of integral type
    double real = 0;             // Real and OutScalar of floating type
    bool realOut = false;        // OutScalar points to a floating value
    const void* pointer = nullptr;
};

template <typename T>
constexpr bool kIsScalarOut = std::is_pointer_v<T> && !std::is_const_v<std::remove_pointer_t<T>> &&
                              std::is_arithmetic_v<std::remove_pointer_t<T>> &&
                              !std::is_same_v<std::remove_pointer_t<T>, char> &&
                              !std::is_same_v<std::remove_pointer_t<T>, unsigned char>;

template <typename T>
void StoreNumber(TraceValue& value, T number)
{
    if constexpr (std::is_floating_point_v<T>) {
        value.real = number;
        value.realOut = true;
    } else {
        value.isSigned = std::is_signed_v<T>;
        value.integer = std::is_signed_v<T> ? uint64_t(int64_t(number)) : uint64_t(number);
    }
}

template <typename T>
TraceValue CaptureBefore(T argument)
{
    using K = TraceValue::Kind;
    TraceValue value;
    if constexpr (std::is_same_v<T, const char*>) {
        value.kind = K::Text8;
        value.pointer = argument;
    } else if constexpr (std::is_same_v<T, const char16_t*>) {
        value.kind = K::Text16;
        value.pointer = argument;
    } else if constexpr (std::is_pointer_v<T> && std::is_function_v<std::remove_pointer_t<T>>) {
        value.kind = K::Callback;
        value.pointer = reinterpret_cast<const void*>(argument);
    } else if constexpr (std::is_pointer_v<T> && std::is_const_v<std::remove_pointer_t<T>>) {
        value.kind = K::Bytes;
        value.pointer = argument;
    } else if constexpr (kIsScalarOut<T>) {
        value.kind = K::OutScalar;
        value.pointer = argument;
    } else if constexpr (std::is_pointer_v<T>) {
        value.kind = K::Buffer;
        value.pointer = argument;
    } else if constexpr (std::is_floating_point_v<T>) {
        value.kind = K::Real;
        value.real = argument;
    } else {
        static_assert(std::is_integral_v<T>, "an engine argument of a kind the trace cannot show");
        value.kind = K::Integer;
        StoreNumber(value, argument);
    }
    return value;
}

template <typename T>
void CaptureAfter(TraceValue& value, T argument)
{
    if constexpr (kIsScalarOut<T>) {
        if (argument) {
            StoreNumber(value, *argument);
            value.outKnown = true;
        }
    }
}

struct TraceTicket {
    bool recorded = false;
    FunctionId id{};
    uint32_t run = 0;
    size_t index = 0;
};

TraceTicket BeginTracedCall(FunctionId id, const TraceValue* values, size_t count);
void EndTracedCall(const TraceTicket& ticket, const TraceValue* values, size_t count, uint32_t result);

template <FunctionId Id, typename Signature>
struct Wrapper;

template <FunctionId Id, typename R, typename... A>
struct Wrapper<Id, R(A...)> {
    using Function = R (*)(A...);

    static R Call(A... arguments)
    {
        void* address = gResolved[size_t(Id)].load(std::memory_order_acquire);
        if (!address) [[unlikely]]
            address = Resolve(Id);
        const auto function = reinterpret_cast<Function>(address);
        if (gTraceOn.load(std::memory_order_relaxed)) [[unlikely]]
            return Traced(function, arguments...);
        return function(arguments...);
    }

private:
    static R Traced(Function function, A... arguments)
    {
        std::array<TraceValue, sizeof...(A)> values{CaptureBefore(arguments)...};
        const TraceTicket ticket = BeginTracedCall(Id, values.data(), values.size());
        const R result = function(arguments...);
        [[maybe_unused]] size_t at = 0;
        (CaptureAfter(values[at++], arguments), ...);
        EndTracedCall(ticket, values.data(), values.size(), uint32_t(result));
        return result;
    }
};

} // namespace detail

#define ACE_WRAPPER(name) \
    inline constexpr auto& name = detail::Wrapper<detail::FunctionId::name, decltype(::name)>::Call;
ACE_ENGINE_FUNCTIONS(ACE_WRAPPER)
#undef ACE_WRAPPER

} // namespace ace
