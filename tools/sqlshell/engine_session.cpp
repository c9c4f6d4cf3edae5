#include "engine_session.h"

#include "platform/codepage/codepage.h"

#include <algorithm>
#include <vector>

namespace sqlshell {
namespace {

constexpr codepage::CodePage kEngineCodePage = codepage::CodePage::Ansi1252;
constexpr UNSIGNED16 kErrorTextCapacity = 600;
constexpr UNSIGNED16 kFieldNameCapacity = 256;
constexpr UNSIGNED32 kFirstValueCapacity = 256;

std::string ToUtf8(const std::string& engineText) { return codepage::ToUtf8(kEngineCodePage, engineText); }

bool IsNumericType(UNSIGNED16 type)
{
    switch (type) {
    case ADS_NUMERIC:
    case ADS_DOUBLE:
    case ADS_INTEGER:
    case ADS_SHORTINT:
    case ADS_AUTOINC:
    case ADS_CURDOUBLE:
    case ADS_MONEY:
    case ADS_LONGLONG:
        return true;
    default:
        return false;
    }
}

// Closes a statement or cursor when the scope ends, so that every early
// return after a failure still gives the handle back.
class HandleCloser {
public:
    HandleCloser(ADSHANDLE& handle, UNSIGNED32 (*close)(ADSHANDLE)) : mHandle(handle), mClose(close) {}
    ~HandleCloser()
    {
        if (mHandle != 0)
            mClose(mHandle);
    }
    HandleCloser(const HandleCloser&) = delete;
    HandleCloser& operator=(const HandleCloser&) = delete;

private:
    ADSHANDLE& mHandle;
    UNSIGNED32 (*mClose)(ADSHANDLE);
};

std::optional<EngineError> ReadColumns(ADSHANDLE cursor, std::vector<ResultColumn>& columns)
{
    UNSIGNED16 count = 0;
    if (UNSIGNED32 rc = AdsGetNumFields(cursor, &count); rc != AE_SUCCESS)
        return LastEngineError(rc);
    for (UNSIGNED16 number = 1; number <= count; ++number) {
        char name[kFieldNameCapacity + 1] = {};
        UNSIGNED16 length = kFieldNameCapacity;
        if (UNSIGNED32 rc = AdsGetFieldName(cursor, number, name, &length); rc != AE_SUCCESS)
            return LastEngineError(rc);
        UNSIGNED16 type = 0;
        if (UNSIGNED32 rc = AdsGetFieldType(cursor, ADSFIELD(number), &type); rc != AE_SUCCESS)
            return LastEngineError(rc);
        columns.push_back({ToUtf8(std::string(name, length)), IsNumericType(type)});
    }
    return std::nullopt;
}

// The value of one column of the current row, trimmed, or nullopt for NULL.
std::optional<EngineError> ReadCell(ADSHANDLE cursor, UNSIGNED16 number, ResultCell& cell)
{
    UNSIGNED16 isNull = 0;
    if (UNSIGNED32 rc = AdsIsNull(cursor, ADSFIELD(number), &isNull); rc != AE_SUCCESS)
        return LastEngineError(rc);
    if (isNull) {
        cell.reset();
        return std::nullopt;
    }
    std::vector<char> buffer(kFirstValueCapacity);
    for (;;) {
        UNSIGNED32 length = static_cast<UNSIGNED32>(buffer.size());
        const UNSIGNED32 rc = AdsGetField(cursor, ADSFIELD(number), buffer.data(), &length, ADS_TRIM);
        // Too small: the engine told the length it needs; room for the
        // terminator it writes is added.
        if (rc == AE_INSUFFICIENT_BUFFER && length >= buffer.size()) {
            buffer.resize(static_cast<std::size_t>(length) + 1);
            continue;
        }
        if (rc != AE_SUCCESS)
            return LastEngineError(rc);
        cell = ToUtf8(std::string(buffer.data(), length));
        return std::nullopt;
    }
}

std::optional<EngineError> ReadRows(ADSHANDLE cursor, std::size_t columnCount,
                                    std::vector<std::vector<ResultCell>>& rows)
{
    if (UNSIGNED32 rc = AdsGotoTop(cursor); rc != AE_SUCCESS)
        return LastEngineError(rc);
    for (;;) {
        UNSIGNED16 atEnd = 0;
        if (UNSIGNED32 rc = AdsAtEOF(cursor, &atEnd); rc != AE_SUCCESS)
            return LastEngineError(rc);
        if (atEnd)
            return std::nullopt;
        std::vector<ResultCell> row(columnCount);
        for (std::size_t i = 0; i < columnCount; ++i)
            if (auto error = ReadCell(cursor, static_cast<UNSIGNED16>(i + 1), row[i]))
                return error;
        rows.push_back(std::move(row));
        if (UNSIGNED32 rc = AdsSkip(cursor, 1); rc != AE_SUCCESS)
            return LastEngineError(rc);
    }
}

ExecutionOutcome Failed(EngineError error)
{
    ExecutionOutcome outcome;
    outcome.error = std::move(error);
    return outcome;
}

} // namespace

EngineError LastEngineError(UNSIGNED32 failedCode)
{
    char text[kErrorTextCapacity + 1] = {};
    UNSIGNED16 length = kErrorTextCapacity;
    UNSIGNED32 code = 0;
    if (AdsGetLastError(&code, text, &length) != AE_SUCCESS || code == AE_SUCCESS)
        return {failedCode, "the engine gave no description of the failure"};
    return {code, ToUtf8(std::string(text, std::min<std::size_t>(length, kErrorTextCapacity)))};
}

EngineSession::~EngineSession()
{
    if (mConnection != 0)
        AdsDisconnect(mConnection);
}

std::optional<EngineError> EngineSession::Connect(const std::string& target)
{
    const std::string engineText = codepage::FromUtf8(kEngineCodePage, target);
    const bool isConnectString = target.find('=') != std::string::npos;
    const UNSIGNED32 rc = isConnectString ? AdsConnect101(engineText.c_str(), nullptr, &mConnection)
                                          : AdsConnect(engineText.c_str(), &mConnection);
    if (rc == AE_SUCCESS)
        return std::nullopt;
    mConnection = 0;
    return LastEngineError(rc);
}

ExecutionOutcome EngineSession::Execute(const std::string& sqlUtf8)
{
    ADSHANDLE statement = 0;
    if (UNSIGNED32 rc = AdsCreateSQLStatement(mConnection, &statement); rc != AE_SUCCESS)
        return Failed(LastEngineError(rc));
    HandleCloser closeStatement(statement, AdsCloseSQLStatement);

    ADSHANDLE cursor = 0;
    const std::string engineSql = codepage::FromUtf8(kEngineCodePage, sqlUtf8);
    if (UNSIGNED32 rc = AdsExecuteSQLDirect(statement, engineSql.c_str(), &cursor); rc != AE_SUCCESS) {
        EngineError error = LastEngineError(rc);
        if (cursor != 0)
            AdsCloseTable(cursor);
        return Failed(std::move(error));
    }
    if (cursor == 0)
        return {};
    HandleCloser closeCursor(cursor, AdsCloseTable);

    ResultSet result;
    if (auto error = ReadColumns(cursor, result.columns))
        return Failed(std::move(*error));
    if (auto error = ReadRows(cursor, result.columns.size(), result.rows))
        return Failed(std::move(*error));
    ExecutionOutcome outcome;
    outcome.result = std::move(result);
    return outcome;
}

} // namespace sqlshell
