// Many threads on many connections at once, as the tool's worker and its
// user-interface thread use the engine.
#include "tests/engine/test_api_support.h"

#include <atomic>
#include <set>
#include <thread>
#include <vector>

using namespace apitest;

namespace {

TEST(ApiThreads, ConnectionsOnThreadsAppendToOneTableWithoutLosingRecords)
{
    FolderConnection setup;
    AdsCloseTable(CreateTable(setup.Handle(), "shared", ADS_CDX, "NAME,Char,12;"));
    constexpr int kThreads = 4, kEach = 40;
    std::string folder = setup.Folder();
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            ADSHANDLE connection = 0, table = 0;
            if (AdsConnect(folder.c_str(), &connection) != AE_SUCCESS
                || AdsOpenTable(connection, "shared", nullptr, ADS_CDX, ADS_ANSI, 1, 1, 0, &table) != AE_SUCCESS) {
                ++failures;
                return;
            }
            for (int i = 0; i < kEach; ++i) {
                std::string name = std::to_string(t) + "-" + std::to_string(i);
                if (AdsAppendRecord(table) != AE_SUCCESS
                    || AdsSetField(table, "NAME", name.c_str(), UNSIGNED32(name.size())) != AE_SUCCESS
                    || AdsWriteRecord(table) != AE_SUCCESS) {
                    ++failures;
                    // Each thread keeps its own last error.
                    if (LastError().code == 0)
                        ++failures;
                }
            }
            AdsDisconnect(connection);
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(failures.load(), 0);

    ADSHANDLE table = OpenTable(setup.Handle(), "shared", ADS_CDX);
    std::set<std::string> names;
    ASSERT_ADS_OK(AdsGotoTop(table));
    for (UNSIGNED16 eof = 0; AdsAtEOF(table, &eof) == AE_SUCCESS && !eof; AdsSkip(table, 1))
        names.insert(FieldText(table, "NAME"));
    EXPECT_EQ(names.size(), size_t(kThreads * kEach));
    AdsCloseTable(table);
}

TEST(ApiThreads, ClosingAHandleWhileAnotherThreadUsesItNeverCrashes)
{
    FolderConnection connection;
    ADSHANDLE table = CreateTable(connection.Handle(), "race", ADS_ADT, "NAME,Char,8;");
    AppendNames(table, {"a", "b", "c"});
    std::atomic<bool> stop{false};
    std::thread reader([&] {
        while (!stop) {
            UNSIGNED32 result = AdsSkip(table, 1);
            if (result != AE_SUCCESS) {
                // Once closed the handle is refused as such, nothing else.
                EXPECT_EQ(result, AE_INVALID_HANDLE);
                break;
            }
            UNSIGNED16 eof = 0;
            if (AdsAtEOF(table, &eof) == AE_SUCCESS && eof)
                AdsGotoTop(table);
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_ADS_OK(AdsCloseTable(table));
    stop = true;
    reader.join();
}

} // namespace
