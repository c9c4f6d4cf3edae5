// The lazy loader: which file it opens, the two operating-system codes when
// the library or a function is missing, and concurrent first calls.
#include "ads/ace.h"
#include "tests/support/testsupport.h"

#include <gtest/gtest.h>

#include <QFile>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

namespace {

// Every test starts from a loader that has loaded nothing, and leaves one
// that loads the engine named by the test environment again.
class EngineLoader : public ::testing::Test {
protected:
    void SetUp() override { ace::ResetLoaderForTests(); }
    void TearDown() override { ace::ResetLoaderForTests(); }
};

UNSIGNED32 AskVersion()
{
    UNSIGNED32 major = 0;
    UNSIGNED32 minor = 0;
    char letter = 0;
    char description[256] = {};
    UNSIGNED16 length = 255;
    return ace::AdsGetVersion(&major, &minor, &letter, description, &length);
}

UNSIGNED32 AskLastError()
{
    UNSIGNED32 code = 0;
    char text[601] = {};
    UNSIGNED16 length = 600;
    return ace::AdsGetLastError(&code, text, &length);
}

TEST_F(EngineLoader, MissingLibraryOrFunctionRaisesTheOperatingSystemCodes)
{
    struct Case {
        const char* library;
        std::function<UNSIGNED32()> call;
        uint32_t code;
        const char* named;  // the message names the library or the function
    };
    const Case cases[] = {
        {"/nonexistent/folder/libnoengine.so", AskVersion, kModuleNotFoundCode, "/nonexistent/folder/libnoengine.so"},
        {"libnoengine-at-all.so", AskLastError, kModuleNotFoundCode, "libnoengine-at-all.so"},
        // A real library that is not the engine: loading works, the function is missing.
        {"libm.so.6", AskVersion, kProcedureNotFoundCode, "AdsGetVersion"},
        {"libm.so.6", AskLastError, kProcedureNotFoundCode, "AdsGetLastError"},
    };
    for (const Case& c : cases) {
        testsupport::EnvGuard library("VARNEL_ENGINE_LIBRARY", QByteArray(c.library));
        ace::ResetLoaderForTests();
        try {
            c.call();
            ADD_FAILURE() << c.library << ": no exception";
        } catch (const EExternalException& error) {
            EXPECT_EQ(error.ExceptionCode(), c.code) << c.library;
            EXPECT_TRUE(error.Message().contains(QString::fromLatin1(c.named))) << error.Message().toStdString();
        }
    }
}

TEST_F(EngineLoader, AFailedLoadIsTriedAgainOnTheNextCall)
{
    {
        testsupport::EnvGuard library("VARNEL_ENGINE_LIBRARY", QByteArray("/nonexistent/libnoengine.so"));
        EXPECT_THROW(AskVersion(), EExternalException);
    }
    EXPECT_EQ(AskVersion(), AE_SUCCESS) << "the environment names the real engine again";
}

// Whether the process has mapped the engine library from the program's folder.
bool EngineMappedFromProgramFolder()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return false;
    const QByteArray beside = QByteArray(VARNEL_BIN_DIR) + "/libvarnelengine";
    return maps.readAll().contains(beside);
}

// Runs in a fresh process (the program is started again for the check), so
// that no earlier test has loaded the engine under its file name already.
TEST(EngineLoaderDeathTest, WithoutTheVariableTheEngineBesideTheProgramIsLoaded)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            unsetenv("VARNEL_ENGINE_LIBRARY");
            const bool loaded = AskVersion() == AE_SUCCESS && EngineMappedFromProgramFolder();
            std::_Exit(loaded ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(EngineLoader, ConcurrentFirstCallsAllReachTheEngine)
{
    std::atomic<bool> go{false};
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&, i] {
            while (!go.load())
                std::this_thread::yield();
            const UNSIGNED32 result = i % 2 ? AskVersion() : AskLastError();
            if (result != AE_SUCCESS)
                failures.fetch_add(1);
        });
    }
    go.store(true);
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0);
}

} // namespace
