// The demo builder: makes a demo installation in a folder.
//
//   varnel-demobuilder <folder>
//
// <folder>/data/ventes            free tables, one of each table type
// <folder>/data/compta/compta.add a data dictionary (administrator password
//                                 dux4827) with its tables beside it
// <folder>/data/WAUTOBACKUP/...   the backups of both, made with the
//                                 engine's backup procedures, where the
//                                 tool's source button looks for them
// <folder>/ads.ini                [Databases] naming both
//
// The folder must not hold an installation already.
#include "tools/demobuilder/engine_calls.h"
#include "tools/demobuilder/sample_tables.h"

#include <filesystem>
#include <fstream>
#include <iostream>

namespace fs = std::filesystem;

namespace {

constexpr const char* kPassword = "dux4827"; // the backup password the tool sends

void BuildSales(const fs::path& folder, const fs::path& backup)
{
    fs::create_directories(folder);
    demo::Connection connection("Data Source=" + folder.string() + ";");
    for (const demo::SampleTable& table : demo::SalesTables())
        demo::MakeSampleTable(connection.Handle(), table);
    connection.Execute("EXECUTE PROCEDURE sp_BackupFreeTables(" + demo::Quoted(folder.string()) + ", NULL, "
                       + demo::Quoted(backup.string()) + ", NULL, " + demo::Quoted(kPassword) + ")");
}

void BuildAccounting(const fs::path& dictionaryFile, const fs::path& backup)
{
    fs::create_directories(dictionaryFile.parent_path());
    ADSHANDLE created = 0;
    demo::Check(AdsDDCreate(dictionaryFile.string().c_str(), kPassword, "Comptabilite de demonstration", &created),
                "creating " + dictionaryFile.string());
    demo::Connection dictionary(created);
    {
        demo::Connection folder("Data Source=" + dictionaryFile.parent_path().string() + ";");
        for (const demo::SampleTable& table : demo::AccountingTables())
            demo::MakeSampleTable(folder.Handle(), table, dictionary.Handle());
    }
    dictionary.Execute("EXECUTE PROCEDURE sp_BackupDatabase(" + demo::Quoted(backup.string()) + ", NULL)");
}

void WriteIni(const fs::path& root, const fs::path& sales, const fs::path& dictionaryFile)
{
    std::ofstream ini(root / "ads.ini");
    ini << "; Demo installation written by varnel-demobuilder\n"
        << "[Databases]\n"
        << "VENTES=" << sales.string() << "\n"
        << "COMPTA=" << dictionaryFile.string() << "\n";
    if (!ini.flush())
        throw demo::DemoError("writing " + (root / "ads.ini").string() + " failed");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: varnel-demobuilder <folder>\n";
        return 2;
    }
    try {
        fs::path root = fs::absolute(argv[1]);
        fs::path data = root / "data";
        if (fs::exists(data) && !fs::is_empty(data))
            throw demo::DemoError(data.string() + " already holds an installation; choose an empty folder");
        fs::path sales = data / "ventes";
        fs::path dictionaryFile = data / "compta" / "compta.add";
        BuildSales(sales, data / "WAUTOBACKUP" / "ventes");
        BuildAccounting(dictionaryFile, data / "WAUTOBACKUP" / "compta");
        WriteIni(root, sales, dictionaryFile);
        std::cout << "demo installation in " << root.string() << ":\n"
                  << "  free tables      " << sales.string() << "\n"
                  << "  data dictionary  " << dictionaryFile.string() << "\n"
                  << "  backups          " << (data / "WAUTOBACKUP").string() << " (password " << kPassword << ")\n"
                  << "  configuration    " << (root / "ads.ini").string() << "\n";
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "varnel-demobuilder: " << e.what() << "\n";
        return 1;
    }
}
