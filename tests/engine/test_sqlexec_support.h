// Shared pieces of the statement execution tests: a connection with a
// statement, a private TMPDIR to watch result folders in, and readers of
// result cursors.
#pragma once

#include "engine/engine.h"
#include "engine/procedures/server_procedures.h"
#include "test_api_support.h"

#include <gtest/gtest.h>

#include <QDir>

#include <string>
#include <vector>

namespace sqlexec {

inline std::u16string Wide(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// Result tables go to folders under TMPDIR: pointing it at a test folder
// lets a test see what is left behind.
class ResultFolders {
public:
    ResultFolders() : mGuard("TMPDIR", mBase.path().toUtf8()) {}
    QStringList Left() const { return QDir(mBase.path()).entryList({"varnel-result-*"}, QDir::Dirs); }

private:
    testsupport::TempFolder mBase;
    testsupport::EnvGuard mGuard;
};

// A folder connection with one statement on it.
class StatementOn {
public:
    explicit StatementOn(ADSHANDLE connection)
    {
        EXPECT_EQ(AdsCreateSQLStatement(connection, &mHandle), AE_SUCCESS) << apitest::LastError().text;
    }
    ~StatementOn()
    {
        if (mHandle != 0)
            AdsCloseSQLStatement(mHandle);
    }
    StatementOn(const StatementOn&) = delete;
    StatementOn& operator=(const StatementOn&) = delete;
    ADSHANDLE Handle() const { return mHandle; }

private:
    ADSHANDLE mHandle = 0;
};

inline UNSIGNED32 Prepare(ADSHANDLE statement, const std::string& text)
{
    return AdsPrepareSQLW(statement, Wide(text).c_str());
}

// A column of the current row as trimmed text; "<null>" for NULL.
inline std::string Text(ADSHANDLE cursor, const char* column)
{
    UNSIGNED16 isNull = 0;
    EXPECT_EQ(AdsIsNull(cursor, column, &isNull), AE_SUCCESS) << apitest::LastError().text;
    if (isNull)
        return "<null>";
    std::vector<char> buffer(4096);
    UNSIGNED32 length = static_cast<UNSIGNED32>(buffer.size());
    EXPECT_EQ(AdsGetField(cursor, column, buffer.data(), &length, ADS_TRIM), AE_SUCCESS)
        << column << ": " << apitest::LastError().text;
    return std::string(buffer.data(), length);
}

inline UNSIGNED32 RecordCount(ADSHANDLE cursor)
{
    UNSIGNED32 count = 0;
    EXPECT_EQ(AdsGetRecordCount(cursor, ADS_RESPECTFILTERS, &count), AE_SUCCESS) << apitest::LastError().text;
    return count;
}

} // namespace sqlexec
