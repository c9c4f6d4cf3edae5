#include "tools/demobuilder/engine_calls.h"

namespace demo {

void Check(UNSIGNED32 code, const std::string& what)
{
    if (code == AE_SUCCESS)
        return;
    UNSIGNED32 error = 0;
    char text[601] = {};
    UNSIGNED16 length = 600;
    AdsGetLastError(&error, text, &length);
    throw DemoError(what + ": error " + std::to_string(error) + ": " + std::string(text, length));
}

Connection::Connection(const std::string& connectString)
{
    Check(AdsConnect101(connectString.c_str(), nullptr, &mHandle), "connecting with " + connectString);
}

Connection::~Connection()
{
    if (mHandle)
        AdsDisconnect(mHandle);
}

void Connection::Execute(const std::string& sql) const
{
    ADSHANDLE statement = 0;
    Check(AdsCreateSQLStatement(mHandle, &statement), "creating a statement");
    ADSHANDLE cursor = 0;
    UNSIGNED32 result = AdsExecuteSQLDirect(statement, sql.c_str(), &cursor);
    std::string failure;
    try {
        Check(result, sql);
    } catch (const DemoError& e) {
        failure = e.what();
    }
    if (cursor)
        AdsCloseTable(cursor);
    AdsCloseSQLStatement(statement);
    if (!failure.empty())
        throw DemoError(failure);
}

std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("''") : std::string(1, c);
    return quoted + "'";
}

} // namespace demo
