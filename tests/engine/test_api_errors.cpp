// The error functions and the not-yet-supported answers, through the C
// interface.
#include "engine/engine.h"
#include "tests/engine/test_api_support.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>

namespace {

using apitest::LastError;
using apitest::Reported;

TEST(ApiErrors, SetLastErrorReturnsItsCodeAndIsReportedBack)
{
    const char* text = "Update permission not granted on this table.";
    EXPECT_EQ(AdsSetLastError(5054, text), 5054u);
    Reported r = LastError();
    EXPECT_EQ(r.code, 5054u);
    EXPECT_EQ(r.text, text);
}

TEST(ApiErrors, LastErrorIsKeptPerThread)
{
    AdsSetLastError(5054, "main thread");
    std::thread other([] {
        Reported fresh = LastError();
        EXPECT_EQ(fresh.code, 0u) << "a new thread starts without an error";
        AdsSetLastError(5068, "other thread");
        EXPECT_EQ(LastError().text, "other thread");
    });
    other.join();
    Reported r = LastError();
    EXPECT_EQ(r.code, 5054u);
    EXPECT_EQ(r.text, "main thread");
}

TEST(ApiErrors, LongTextIsCutToTheBufferAndTerminated)
{
    std::string longText(1000, 'x');
    AdsSetLastError(7200, longText.c_str());
    UNSIGNED32 code = 0;
    char buffer[11];
    std::fill(std::begin(buffer), std::end(buffer), '#');
    UNSIGNED16 length = 10;
    EXPECT_EQ(AdsGetLastError(&code, buffer, &length), AE_SUCCESS);
    EXPECT_EQ(code, 7200u);
    EXPECT_EQ(length, 9);
    EXPECT_EQ(std::string(buffer), std::string(9, 'x'));
    EXPECT_EQ(buffer[10], '#') << "nothing is written past the stated size";
}

TEST(ApiErrors, ThreadExitForgetsTheThreadsError)
{
    AdsSetLastError(5068, "before exit");
    EXPECT_EQ(AdsThreadExit(), AE_SUCCESS);
    EXPECT_EQ(LastError().code, 0u);
}

TEST(ApiErrors, ShowErrorWritesTitleAndTextToStandardError)
{
    AdsSetLastError(5022, "Record 9 does not exist in CUSTOMERS.");
    testing::internal::CaptureStderr();
    EXPECT_EQ(AdsShowError("Ads Exception Error"), AE_SUCCESS);
    std::string shown = testing::internal::GetCapturedStderr();
    EXPECT_NE(shown.find("Ads Exception Error"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Record 9 does not exist in CUSTOMERS."), std::string::npos) << shown;
}

TEST(ApiErrors, LaterFunctionsAnswerNotYetSupportedNamingThemselves)
{
    struct Case {
        const char* name;
        UNSIGNED32 (*call)();
    };
    const Case cases[] = {
        {"AdsEnableEncryption", [] { return AdsEnableEncryption(1, "x"); }},
        {"AdsEncryptRecord", [] { return AdsEncryptRecord(1); }},
        {"AdsStmtSetTablePassword", [] { return AdsStmtSetTablePassword(1, "t", "x"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.call(), AE_NOT_YET_SUPPORTED);
        Reported r = LastError();
        EXPECT_EQ(r.code, AE_NOT_YET_SUPPORTED);
        EXPECT_EQ(r.text, std::string(c.name) + " is not yet supported by this engine");
    }
}

TEST(ApiErrors, VersionIsThisEnginesOwn)
{
    UNSIGNED32 major = 9, minor = 9;
    char letter = 'x';
    char description[255];
    UNSIGNED16 length = sizeof description;
    ASSERT_EQ(AdsGetVersion(&major, &minor, &letter, description, &length), AE_SUCCESS);
    EXPECT_EQ(major, 0u);
    EXPECT_EQ(minor, 1u);
    EXPECT_EQ(letter, ' ');
    EXPECT_EQ(std::string(description, length), ADS_ENGINE_DESCRIPTION);

    length = 3;
    EXPECT_EQ(AdsGetVersion(&major, &minor, &letter, description, &length), AE_INSUFFICIENT_BUFFER);
    EXPECT_EQ(length, std::string(ADS_ENGINE_DESCRIPTION).size());
    EXPECT_STREQ(description, "Va");
}

} // namespace

namespace {

// Null pointers where the engine would write or read are refused with a
// clear error; none of these calls may crash.
TEST(ApiErrors, NullArgumentsAreRefusedNotFollowed)
{
    apitest::FolderConnection connection;
    ADSHANDLE table = apitest::CreateTable(connection.Handle(), "nulls", ADS_ADT, "NAME,Char,4;");
    ASSERT_EQ(AdsAppendRecord(table), AE_SUCCESS);
    UNSIGNED32 length = 10;
    UNSIGNED16 shortLength = 10;
    struct Case {
        const char* what;
        std::function<UNSIGNED32()> call;
    };
    const Case cases[] = {
        {"connect path", [] { ADSHANDLE c; return AdsConnect(nullptr, &c); }},
        {"connect out", [&] { return AdsConnect(connection.Folder().c_str(), nullptr); }},
        {"connection string", [] { ADSHANDLE c; return AdsConnect101(nullptr, nullptr, &c); }},
        {"field count", [&] { return AdsGetNumFields(table, nullptr); }},
        {"field buffer", [&] { return AdsGetField(table, "NAME", nullptr, &length, 0); }},
        {"field length", [&] { char b[8]; return AdsGetField(table, "NAME", b, nullptr, 0); }},
        {"field name", [&] { return AdsGetFieldType(table, nullptr, &shortLength); }},
        {"record buffer", [&] { return AdsGetRecord(table, nullptr, &length); }},
        {"set value", [&] { return AdsSetField(table, "NAME", nullptr, 3); }},
        {"date text", [] { DOUBLE j; return AdsConvertStringToJulian(nullptr, 8, &j); }},
        {"bookmarks", [] { SIGNED32 r; return AdsCompareBookmarks(nullptr, nullptr, &r); }},
        {"table name", [&] { ADSHANDLE t; return AdsOpenTable(connection.Handle(), nullptr, nullptr, ADS_ADT, 1, 1, 1, 0, &t); }},
        {"version text", [&] { UNSIGNED32 a, b; char l; return AdsGetVersion(&a, &b, &l, nullptr, &shortLength); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.call(), AE_INVALID_ARGUMENT) << apitest::LastError().text;
    }
    AdsCloseTable(table);
}

} // namespace
