// Restore throughput against a plain copy of the same files.
//
//   bench_restore [size in MiB, default 1024] [work folder, default $TMPDIR]
//
// Makes free-table files of the given total size, backs them up with
// sp_BackupFreeTables, then times in one run: `cp -r` of the backup folder,
// `cp -r` followed by `sync` (a restore syncs its files, a plain copy does
// not), and sp_RestoreFreeTables of the backup (checksums verified, files
// staged and moved into place). It prints each throughput and the ratio of
// the restore's to the copy's; the goal is a ratio of at least 0.8.
#include "engine/engine.h"
#include "tools/demobuilder/engine_calls.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// Eight tables of data, memo and index files sharing `mib` MiB.
void MakeTables(const fs::path& folder, int mib)
{
    fs::create_directories(folder);
    const std::pair<const char*, int> parts[] = {{".dbf", 60}, {".fpt", 30}, {".cdx", 10}};
    std::vector<char> block(1 << 20);
    for (int t = 0; t < 8; ++t)
        for (const auto& [extension, share] : parts) {
            std::ofstream out(folder / ("table" + std::to_string(t) + extension), std::ios::binary);
            int blocks = mib * share / 100 / 8;
            for (int b = 0; b < blocks; ++b) {
                for (size_t i = 0; i < block.size(); i += 64)
                    block[i] = static_cast<char>(t * 31 + b + i / 64);
                out.write(block.data(), static_cast<std::streamsize>(block.size()));
            }
        }
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

double TimeShell(const std::string& command)
{
    auto start = Clock::now();
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "bench_restore: %s failed\n", command.c_str());
        std::exit(1);
    }
    return Seconds(start);
}

uint64_t FolderBytes(const fs::path& folder)
{
    uint64_t total = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            total += entry.file_size();
    return total;
}

int Run(int argc, char** argv)
{
    int mib = argc > 1 ? std::atoi(argv[1]) : 1024;
    if (mib <= 0)
        mib = 1024;
    const char* tmp = std::getenv("TMPDIR");
    fs::path base = argc > 2 ? fs::path(argv[2]) : fs::path(tmp && *tmp ? tmp : "/tmp");
    fs::path root = base / ("varnel-bench-restore-" + std::to_string(::getpid()));
    fs::path source = root / "data", backup = root / "backup", target = root / "restored";
    MakeTables(source, mib);

    demo::Connection connection("Data Source=" + source.string() + ";");
    connection.Execute("EXECUTE PROCEDURE sp_BackupFreeTables('" + source.string() + "', NULL, '" + backup.string()
                            + "', NULL, 'dux4827')");
    double bytes = static_cast<double>(FolderBytes(backup));
    TimeShell("sync");

    double copy = TimeShell("cp -r '" + backup.string() + "' '" + (root / "copy").string() + "'");
    double copySync = TimeShell("cp -r '" + backup.string() + "' '" + (root / "copy2").string() + "' && sync");
    fs::create_directories(target);
    auto start = Clock::now();
    connection.Execute("EXECUTE PROCEDURE sp_RestoreFreeTables('" + backup.string() + "', '" + target.string()
                            + "', NULL, 'dux4827')");
    double restore = Seconds(start);

    const double mibBytes = 1024.0 * 1024.0;
    std::printf("backup of %.0f MiB\n", bytes / mibBytes);
    std::printf("cp -r           %8.1f MiB/s\n", bytes / mibBytes / copy);
    std::printf("cp -r && sync   %8.1f MiB/s\n", bytes / mibBytes / copySync);
    std::printf("restore         %8.1f MiB/s (checksums verified, files synced)\n", bytes / mibBytes / restore);
    std::printf("ratio restore / cp -r          %.2f (goal >= 0.8)\n", copy / restore);
    std::printf("ratio restore / cp -r && sync  %.2f\n", copySync / restore);
    fs::remove_all(root);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return Run(argc, argv);
    } catch (const demo::DemoError& e) {
        std::fprintf(stderr, "bench_restore: %s\n", e.what());
        return 1;
    }
}
