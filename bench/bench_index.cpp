// Index seeks and ordered scans on 1 000 000 records, against SQLite's
// indexed lookup and ORDER BY scan over the same data, with the ratios
// printed at the end of the run.
#include "engine/engine.h"
#include "engine/storage/table.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kRecords = 1000000;

std::string NameOf(uint32_t n)
{
    // A scrambled, unique 10-character name per record.
    uint32_t v = n * 2654435761u;
    std::string name(10, 'a');
    for (int i = 9; i >= 0; --i, v /= 26)
        name[size_t(i)] = char('a' + v % 26);
    return name;
}

struct Data {
    std::filesystem::path folder;
    ADSHANDLE connection = 0;
    ADSHANDLE table = 0;
    ADSHANDLE index = 0;
    sqlite3* db = nullptr;

    Data()
    {
        folder = std::filesystem::temp_directory_path() / ("varnel_bench_index_" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        std::string tablePath = (folder / "big.adt").string();
        {
            auto table = storage::Table::Create(tablePath, storage::TableKind::ADT, "NAME,Char,10;ID,Integer;");
            std::vector<uint8_t> image = table->Layout().BlankRecord();
            for (uint32_t n = 1; n <= kRecords; ++n) {
                table->Layout().SetText(0, image.data(), NameOf(n));
                table->Layout().SetInteger(1, image.data(), n);
                table->AppendRecord(image.data());
            }
        }
        AdsConnect(folder.string().c_str(), &connection);
        AdsOpenTable(connection, "big", nullptr, ADS_ADT, ADS_ANSI, ADS_PROPRIETARY_LOCKING, ADS_CHECKRIGHTS, 0,
                     &table);
        AdsCreateIndex90(table, "", "NAMES", "NAME", "", "", ADS_COMPOUND, 0, "", &index);

        sqlite3_open((folder / "big.db").string().c_str(), &db);
        sqlite3_exec(db, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
                         "CREATE TABLE big(name TEXT, id INTEGER); BEGIN;", nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO big VALUES(?, ?)", -1, &insert, nullptr);
        for (uint32_t n = 1; n <= kRecords; ++n) {
            std::string name = NameOf(n);
            sqlite3_bind_text(insert, 1, name.c_str(), int(name.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int(insert, 2, int(n));
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sqlite3_exec(db, "COMMIT; CREATE INDEX big_name ON big(name);", nullptr, nullptr, nullptr);
    }
    ~Data()
    {
        AdsCloseTable(table);
        AdsDisconnect(connection);
        sqlite3_close(db);
        std::filesystem::remove_all(folder);
    }
};

Data& TheData()
{
    static Data data;
    return data;
}

void BM_EngineSeek(benchmark::State& state)
{
    Data& d = TheData();
    std::mt19937 random(1);
    for (auto _ : state) {
        std::string key = NameOf(1 + random() % kRecords);
        UNSIGNED16 found = 0;
        AdsSeek(d.index, reinterpret_cast<const UNSIGNED8*>(key.data()), UNSIGNED16(key.size()), ADS_RAWKEY,
                ADS_HARDSEEK, &found);
        benchmark::DoNotOptimize(found);
    }
}

void BM_SqliteSeek(benchmark::State& state)
{
    Data& d = TheData();
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(d.db, "SELECT id FROM big WHERE name = ?", -1, &select, nullptr);
    std::mt19937 random(1);
    for (auto _ : state) {
        std::string key = NameOf(1 + random() % kRecords);
        sqlite3_bind_text(select, 1, key.c_str(), int(key.size()), SQLITE_TRANSIENT);
        benchmark::DoNotOptimize(sqlite3_step(select));
        benchmark::DoNotOptimize(sqlite3_column_int(select, 0));
        sqlite3_reset(select);
    }
    sqlite3_finalize(select);
}

void BM_EngineOrderedScan(benchmark::State& state)
{
    Data& d = TheData();
    for (auto _ : state) {
        uint32_t seen = 0;
        UNSIGNED16 eof = 0;
        for (AdsGotoTop(d.index), AdsAtEOF(d.table, &eof); !eof; AdsSkip(d.index, 1), AdsAtEOF(d.table, &eof))
            ++seen;
        benchmark::DoNotOptimize(seen);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kRecords);
}

void BM_SqliteOrderedScan(benchmark::State& state)
{
    Data& d = TheData();
    sqlite3_stmt* select = nullptr;
    sqlite3_prepare_v2(d.db, "SELECT name, id FROM big ORDER BY name", -1, &select, nullptr);
    for (auto _ : state) {
        uint32_t seen = 0;
        while (sqlite3_step(select) == SQLITE_ROW)
            ++seen;
        sqlite3_reset(select);
        benchmark::DoNotOptimize(seen);
    }
    sqlite3_finalize(select);
    state.SetItemsProcessed(int64_t(state.iterations()) * kRecords);
}

BENCHMARK(BM_EngineSeek);
BENCHMARK(BM_SqliteSeek);
BENCHMARK(BM_EngineOrderedScan)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteOrderedScan)->Unit(benchmark::kMillisecond);

// Keeps each run's time per iteration so that the ratios can be printed.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs)
            mTimes[run.benchmark_name()] = run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void PrintRatios() const
    {
        auto ratio = [&](const char* engine, const char* sqlite) {
            auto e = mTimes.find(engine), s = mTimes.find(sqlite);
            if (e != mTimes.end() && s != mTimes.end() && s->second > 0)
                std::printf("%-22s engine / SQLite = %.2f\n", engine + 9, e->second / s->second);
        };
        ratio("BM_EngineSeek", "BM_SqliteSeek");
        ratio("BM_EngineOrderedScan", "BM_SqliteOrderedScan");
    }

private:
    std::map<std::string, double> mTimes;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
