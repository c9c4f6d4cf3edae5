// Shared pieces of the data-dictionary tests: a fresh dictionary in a
// temporary folder, logins by connection string, and SQL on a connection.
#pragma once

#include "engine/engine.h"
#include "test_api_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ddtest {

inline const char* kAdminPassword = "Adm1n pass";

inline UNSIGNED32 Connect(const std::string& connectString, ADSHANDLE* connection)
{
    *connection = 0;
    return AdsConnect101(connectString.c_str(), nullptr, connection);
}

// Disconnects at the end of the scope.
class Connected {
public:
    explicit Connected(ADSHANDLE handle = 0) : mHandle(handle) {}
    ~Connected()
    {
        if (mHandle != 0)
            AdsDisconnect(mHandle);
    }
    Connected(const Connected&) = delete;
    Connected& operator=(const Connected&) = delete;
    ADSHANDLE Handle() const { return mHandle; }
    ADSHANDLE* Out() { return &mHandle; }

private:
    ADSHANDLE mHandle = 0;
};

// A dictionary "base.add" made in a temporary folder, with an administrator
// connection to it.
class Dictionary {
public:
    explicit Dictionary(const std::string& fileName = "base.add")
    {
        mPath = Folder() + "/" + fileName;
        EXPECT_EQ(AdsDDCreate(mPath.c_str(), kAdminPassword, "test dictionary", mAdmin.Out()), AE_SUCCESS)
            << apitest::LastError().text;
    }
    std::string Folder() const { return mFolder.path().toStdString(); }
    const std::string& Path() const { return mPath; }
    ADSHANDLE Admin() const { return mAdmin.Handle(); }
    std::string ConnectString(const std::string& user, const std::string& password) const
    {
        return "Data Source=" + mPath + ";User ID=" + user + ";Password=\"" + password + "\";FIPS=False;";
    }

private:
    testsupport::TempFolder mFolder;
    std::string mPath;
    Connected mAdmin;
};

// Makes a free ADT table file "<name>.adt" with NAME Char 20 holding `names`
// (through a folder connection), closed again.
inline void MakeTableFile(const std::string& folder, const std::string& name, std::initializer_list<const char*> names,
                          UNSIGNED16 type = ADS_ADT)
{
    Connected connection;
    ASSERT_ADS_OK(AdsConnect(folder.c_str(), connection.Out()));
    ADSHANDLE table = apitest::CreateTable(connection.Handle(), name, type, "NAME,Char,20;");
    apitest::AppendNames(table, names);
    ASSERT_ADS_OK(AdsCloseTable(table));
}

inline UNSIGNED32 OpenByName(ADSHANDLE connection, const std::string& name, ADSHANDLE* table)
{
    *table = 0;
    return AdsOpenTable(connection, name.c_str(), nullptr, 0, ADS_ANSI, ADS_PROPRIETARY_LOCKING, ADS_CHECKRIGHTS, 0,
                        table);
}

// The NAME column of every record in record order.
inline std::vector<std::string> Names(ADSHANDLE table)
{
    std::vector<std::string> names;
    EXPECT_EQ(AdsGotoTop(table), AE_SUCCESS) << apitest::LastError().text;
    for (UNSIGNED16 eof = 0; AdsAtEOF(table, &eof) == AE_SUCCESS && !eof; AdsSkip(table, 1))
        names.push_back(apitest::FieldText(table, "NAME"));
    return names;
}

using apitest::RunSql;

// Every name a dictionary search hands out, or the code that ended it
// otherwise than with 5137.
inline std::vector<std::string> ObjectNames(ADSHANDLE connection, UNSIGNED16 type)
{
    std::vector<std::string> names;
    char buffer[201];
    UNSIGNED16 length = sizeof buffer;
    ADSHANDLE search = 0;
    UNSIGNED32 result = AdsDDFindFirstObject(connection, type, "", buffer, &length, &search);
    while (result == AE_SUCCESS) {
        names.emplace_back(buffer, length);
        length = sizeof buffer;
        result = AdsDDFindNextObject(connection, search, buffer, &length);
    }
    EXPECT_EQ(result, UNSIGNED32(AE_NO_OBJECT_FOUND)) << apitest::LastError().text;
    if (search != 0) {
        EXPECT_EQ(AdsDDFindClose(connection, search), AE_SUCCESS);
    }
    return names;
}

} // namespace ddtest
