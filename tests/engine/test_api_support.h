// Helpers shared by the tests of the engine's C interface.
#pragma once

#include "engine/engine.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <ostream>
#include <string>

namespace apitest {

struct Reported {
    UNSIGNED32 code = 0;
    std::string text;
};

inline Reported LastError()
{
    Reported r;
    char buffer[601] = {};
    UNSIGNED16 length = 600;
    AdsGetLastError(&r.code, buffer, &length);
    r.text.assign(buffer, length);
    return r;
}

// Fails the test with the engine's text when a call does not succeed.
#define ASSERT_ADS_OK(call)                                                    \
    do {                                                                       \
        UNSIGNED32 ads_code_ = (call);                                         \
        ASSERT_EQ(ads_code_, AE_SUCCESS) << #call << ": " << apitest::LastError().text; \
    } while (0)
#define EXPECT_ADS_OK(call)                                                    \
    do {                                                                       \
        UNSIGNED32 ads_code_ = (call);                                         \
        EXPECT_EQ(ads_code_, AE_SUCCESS) << #call << ": " << apitest::LastError().text; \
    } while (0)

// Expects `call` to fail with `code` and a last error whose text contains
// `fragment`.
inline void ExpectFailure(UNSIGNED32 result, UNSIGNED32 code, const std::string& fragment)
{
    EXPECT_EQ(result, code);
    Reported r = LastError();
    EXPECT_EQ(r.code, code);
    EXPECT_NE(r.text.find(fragment), std::string::npos) << "text: " << r.text;
}

// A temporary folder with a connection on it, closed at the end.
class FolderConnection {
public:
    FolderConnection()
    {
        std::string path = Folder();
        EXPECT_EQ(AdsConnect(path.c_str(), &mHandle), AE_SUCCESS) << LastError().text;
    }
    ~FolderConnection()
    {
        if (mHandle != 0)
            AdsDisconnect(mHandle);
    }
    FolderConnection(const FolderConnection&) = delete;
    FolderConnection& operator=(const FolderConnection&) = delete;

    ADSHANDLE Handle() const { return mHandle; }
    std::string Folder() const { return mFolder.path().toStdString(); }
    std::string File(const std::string& name) const { return Folder() + "/" + name; }
    // Forgets the handle after the test disconnected it itself.
    void Forget() { mHandle = 0; }

private:
    testsupport::TempFolder mFolder;
    ADSHANDLE mHandle = 0;
};

// Creates a table on the connection and returns its open handle.
inline ADSHANDLE CreateTable(ADSHANDLE connection, const std::string& name, UNSIGNED16 type, const std::string& fields,
                             UNSIGNED16 charType = ADS_ANSI)
{
    ADSHANDLE table = 0;
    UNSIGNED32 result = AdsCreateTable90(connection, name.c_str(), nullptr, type, charType, ADS_PROPRIETARY_LOCKING,
                                         ADS_CHECKRIGHTS, 0, fields.c_str(), ADS_FREE_TABLE, "", &table);
    EXPECT_EQ(result, AE_SUCCESS) << name << ": " << LastError().text;
    return table;
}

inline ADSHANDLE OpenTable(ADSHANDLE connection, const std::string& name, UNSIGNED16 type, UNSIGNED32 options = 0)
{
    ADSHANDLE table = 0;
    UNSIGNED32 result = AdsOpenTable(connection, name.c_str(), nullptr, type, ADS_ANSI, ADS_PROPRIETARY_LOCKING,
                                     ADS_CHECKRIGHTS, options, &table);
    EXPECT_EQ(result, AE_SUCCESS) << name << ": " << LastError().text;
    return table;
}

inline std::string FieldText(ADSHANDLE table, const char* field, UNSIGNED16 option = ADS_TRIM)
{
    char buffer[4096] = {};
    UNSIGNED32 length = sizeof buffer;
    UNSIGNED32 result = AdsGetField(table, field, buffer, &length, option);
    EXPECT_EQ(result, AE_SUCCESS) << field << ": " << LastError().text;
    return std::string(buffer, length);
}

inline UNSIGNED32 RecordNumber(ADSHANDLE table)
{
    UNSIGNED32 recno = 99999;
    EXPECT_EQ(AdsGetRecordNum(table, ADS_IGNOREFILTERS, &recno), AE_SUCCESS) << LastError().text;
    return recno;
}

struct Ends {
    bool bof;
    bool eof;
    bool operator==(const Ends&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Ends& ends)
{
    return out << "{bof " << ends.bof << ", eof " << ends.eof << "}";
}

inline Ends AtEnds(ADSHANDLE table)
{
    UNSIGNED16 bof = 9, eof = 9;
    EXPECT_EQ(AdsAtBOF(table, &bof), AE_SUCCESS);
    EXPECT_EQ(AdsAtEOF(table, &eof), AE_SUCCESS);
    return {bof == 1, eof == 1};
}

// Where the cursor stands: the record's NAME, or "BOF", "EOF", "BOF+EOF".
inline std::string Where(ADSHANDLE table)
{
    Ends ends = AtEnds(table);
    if (ends.eof)
        return ends.bof ? "BOF+EOF" : "EOF";
    if (ends.bof)
        return "BOF";
    return FieldText(table, "NAME");
}

// Restores the process-wide "show deleted records" setting.
class ShownDeleted {
public:
    explicit ShownDeleted(bool shown)
    {
        AdsGetDeleted(&mSaved);
        AdsSetDeleted(shown ? 1 : 0);
    }
    ~ShownDeleted() { AdsSetDeleted(mSaved); }
    ShownDeleted(const ShownDeleted&) = delete;
    ShownDeleted& operator=(const ShownDeleted&) = delete;

private:
    UNSIGNED16 mSaved = 1;
};

// Appends records whose NAME column holds the given texts.
inline void AppendNames(ADSHANDLE table, std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        ASSERT_ADS_OK(AdsAppendRecord(table));
        ASSERT_ADS_OK(AdsSetField(table, "NAME", name, UNSIGNED32(strlen(name))));
        ASSERT_ADS_OK(AdsWriteRecord(table));
    }
}

// Runs SQL text on the connection to its end and closes the cursor it
// yields, if any. A failure stays the connection's last error: closing the
// statement must not hide it.
inline UNSIGNED32 RunSql(ADSHANDLE connection, const std::string& text)
{
    ADSHANDLE statement = 0;
    UNSIGNED32 result = AdsCreateSQLStatement(connection, &statement);
    if (result != AE_SUCCESS)
        return result;
    ADSHANDLE cursor = 0;
    result = AdsExecuteSQLDirect(statement, text.c_str(), &cursor);
    if (cursor != 0)
        AdsCloseTable(cursor);
    Reported error = LastError();
    AdsCloseSQLStatement(statement);
    if (result != AE_SUCCESS)
        AdsSetLastError(error.code, error.text.c_str());
    return result;
}

// The tool's free-table restore script as it sends it, its three values
// (:Destination, :MotDePasse, :Source) left to be bound.
inline const char16_t kRestoreScript[] =
    u"DECLARE @Source String, @Destination String, @MotDePasse String;\r\n"
    u"\r\n"
    u"DECLARE RestoreBackup Cursor AS EXECUTE PROCEDURE sp_RestoreFreeTables(\r\n"
    u"@Source,\r\n@Destination,\r\nNULL,\r\n@MotDePasse );\r\n"
    u"\r\n"
    u"@Destination = UPPER(:Destination);\r\n@MotDePasse = LOWER(:MotDePasse);\r\n@Source = UPPER(:Source);\r\n"
    u"\r\n"
    u"Open RestoreBackup;";

} // namespace apitest
