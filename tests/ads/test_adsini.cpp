#include "ads/adsini.h"
#include "platform/files.h"
#include "tests/support/testsupport.h"
#include "tests/platform/qtprinters.h"

#include <QDir>
#include <gtest/gtest.h>

using testsupport::CurrentDirGuard;
using testsupport::EnvGuard;
using testsupport::TempFolder;

namespace {

const QByteArray kAliases =
    "[Databases]\n"
    "Plain=/data/plain\n"
    "Dictionary=/db/main.add\n"
    "NtxWord=C:\\data;ntx\n"
    "NtxUpper=/d;N\n"
    "CdxLower=/d;c\n"
    "CdxUpper=/d;C\n"
    "AdtLower=/d;a\n"
    "AdtUpper=/d;A\n"
    "VfpLower=/d;v\n"
    "VfpUpper=/d;Vfp;ignored\n"
    "Unknown=/d;xyz\n"
    "NonAsciiLetter=/d;\xF1\n"
    "TrailingSeparator=/d;\n"
    "LeadingSeparator=;N\n"
    "OnlySeparator=;\n"
    "Empty=\n"
    "Quoted=  \"/quoted path;n\"  \n"
    "MixedCase=/mixed\n";

// Folders standing for the places LocateAdsIni looks in: the folder named by
// adsini_path, the current folder and two PATH folders, each empty at first.
struct ConfigWorld {
    TempFolder tmp;
    QString envDir = Make("env"), cwdDir = Make("cwd"), path1 = Make("path1"), path2 = Make("path2");

    QString Make(const QString& name)
    {
        const QString dir = tmp.file(name);
        QDir().mkpath(dir);
        return dir;
    }
    QString Write(const QString& dir, const QByteArray& content = kAliases)
    {
        return tmp.write(QDir(tmp.path()).relativeFilePath(dir + "/ads.ini"), content);
    }
    QByteArray PathValue() const { return (path1 + ":" + path2).toLocal8Bit(); }
};

bool ExecutableFolderHoldsAdsIni()
{
    return FileExists(ExecutableFolder() + "/ads.ini");
}

} // namespace

TEST(AdsIni, LocateFollowsAdsIniPathThenSearchPathThenBareName)
{
    if (ExecutableFolderHoldsAdsIni())
        GTEST_SKIP() << "an ads.ini lies beside the test program";
    struct Case {
        const char* label;
        std::optional<QString> adsiniPath;  // relative to the world's root, or unset
        bool inEnv, inCwd, inPath1, inPath2, envIniIsFolder;
        QString expected;                   // relative to the world's root, or the bare name
    };
    const Case cases[] = {
        {"adsini_path wins over the search path", "env", true, true, true, false, false, "env/ads.ini"},
        {"separator added, none removed", "env/", true, true, false, false, false, "env//ads.ini"},
        {"adsini_path without the file: current folder", "env", false, true, true, false, false, "cwd/ads.ini"},
        {"adsini_path without the file: PATH", "env", false, false, false, true, false, "path2/ads.ini"},
        {"a folder named ads.ini is not the file", "env", false, false, true, false, true, "path1/ads.ini"},
        {"empty adsini_path is ignored", "", true, true, false, false, false, "cwd/ads.ini"},
        {"unset adsini_path", std::nullopt, true, false, true, true, false, "path1/ads.ini"},
        {"nothing anywhere: the bare name", "env", false, false, false, false, false, "ads.ini"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        ConfigWorld w;
        if (c.inEnv)
            w.Write(w.envDir);
        if (c.envIniIsFolder)
            QDir().mkdir(w.envDir + "/ads.ini");
        if (c.inCwd)
            w.Write(w.cwdDir);
        if (c.inPath1)
            w.Write(w.path1);
        if (c.inPath2)
            w.Write(w.path2);
        std::optional<QByteArray> env;
        if (c.adsiniPath)
            env = c.adsiniPath->isEmpty() ? QByteArray("") : (w.tmp.path() + "/" + *c.adsiniPath).toLocal8Bit();
        EnvGuard envGuard("adsini_path", env);
        EnvGuard pathGuard("PATH", w.PathValue());
        CurrentDirGuard cd(w.cwdDir);
        const QString expected = c.expected == "ads.ini" ? c.expected : w.tmp.path() + "/" + c.expected;
        EXPECT_EQ(LocateAdsIni(), expected);
    }
}

// A name that does not fit the platform's 261-character search buffer would
// come back cut short; it counts as not found.
TEST(AdsIni, SearchResultTooLongForTheBufferIsNotUsed)
{
    if (ExecutableFolderHoldsAdsIni())
        GTEST_SKIP() << "an ads.ini lies beside the test program";
    ConfigWorld w;
    CurrentDirGuard cd(w.cwdDir);
    EnvGuard envGuard("adsini_path", std::nullopt);
    for (int extra : {-1, 0}) {
        // Full name of exactly 260 characters (fits with its terminator), then 261.
        const qsizetype baseLength = w.tmp.path().size() + 1;
        const qsizetype folderLength = 260 + extra + 1 - baseLength - QString("/ads.ini").size();
        QString folder = w.tmp.path() + "/";
        for (qsizetype left = folderLength; left > 0;) {
            const qsizetype part = std::min<qsizetype>(left, 100);
            folder += QString(part, u'x');
            left -= part;
            if (left > 0) {
                folder += "/";
                --left;
            }
        }
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString ini = w.Write(folder);
        EnvGuard pathGuard("PATH", folder.toLocal8Bit());
        SCOPED_TRACE(ini.size());
        EXPECT_EQ(LocateAdsIni(), ini.size() <= 260 ? ini : QString("ads.ini"));
        QFile::remove(ini);
    }
}

TEST(AdsIni, AliasValuesInBothForms)
{
    ConfigWorld w;
    w.Write(w.envDir);
    EnvGuard envGuard("adsini_path", w.envDir.toLocal8Bit());
    struct Case {
        QString alias;
        bool found;
        QString path;
        TAdsTableTypes dataSetType;
        TAdsConnectionTableTypes connectionType;
    };
    const Case cases[] = {
        {"Plain", true, "/data/plain", ttAdsADT, ttAdsConnectUnspecified},
        {"Dictionary", true, "/db/main.add", ttAdsADT, ttAdsConnectUnspecified},
        {"NtxWord", true, "C:\\data", ttAdsNTX, ttAdsConnectNTX},
        {"NtxUpper", true, "/d", ttAdsNTX, ttAdsConnectNTX},
        {"CdxLower", true, "/d", ttAdsCDX, ttAdsConnectCDX},
        {"CdxUpper", true, "/d", ttAdsCDX, ttAdsConnectCDX},
        {"AdtLower", true, "/d", ttAdsADT, ttAdsConnectADT},
        {"AdtUpper", true, "/d", ttAdsADT, ttAdsConnectADT},
        {"VfpLower", true, "/d", ttAdsVFP, ttAdsConnectVFP},
        {"VfpUpper", true, "/d", ttAdsVFP, ttAdsConnectVFP},
        {"Unknown", true, "/d", ttAdsADT, ttAdsConnectUnspecified},
        {"NonAsciiLetter", true, "/d", ttAdsADT, ttAdsConnectUnspecified},
        {"TrailingSeparator", true, "/d", ttAdsADT, ttAdsConnectUnspecified},
        {"LeadingSeparator", false, "", ttAdsNTX, ttAdsConnectNTX},
        {"OnlySeparator", false, "", ttAdsADT, ttAdsConnectUnspecified},
        {"Empty", false, "", ttAdsADT, ttAdsConnectUnspecified},
        {"Quoted", true, "/quoted path", ttAdsNTX, ttAdsConnectNTX},
        {"mixedCASE", true, "/mixed", ttAdsADT, ttAdsConnectUnspecified},
        {"NotThere", false, "", ttAdsADT, ttAdsConnectUnspecified},
        {"", false, "", ttAdsADT, ttAdsConnectUnspecified},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.alias.toStdString());
        QString path = "stale";
        TAdsTableTypes dataSetType = ttAdsDefault;
        EXPECT_EQ(ResolveAlias(c.alias, path, dataSetType), c.found);
        EXPECT_EQ(path, c.path);
        EXPECT_EQ(dataSetType, c.dataSetType);

        path = "stale";
        TAdsConnectionTableTypes connectionType = ttAdsConnectVFP;
        EXPECT_EQ(ResolveConnectionAlias(c.alias, path, connectionType), c.found);
        EXPECT_EQ(path, c.path);
        EXPECT_EQ(connectionType, c.connectionType);
    }
}

TEST(AdsIni, NoFileResolvesNothingAndEveryLookupRereadsTheFile)
{
    if (ExecutableFolderHoldsAdsIni())
        GTEST_SKIP() << "an ads.ini lies beside the test program";
    ConfigWorld w;
    EnvGuard envGuard("adsini_path", w.envDir.toLocal8Bit());
    EnvGuard pathGuard("PATH", w.PathValue());
    CurrentDirGuard cd(w.cwdDir);
    QString path;
    TAdsTableTypes type = ttAdsDefault;
    EXPECT_FALSE(ResolveAlias("Plain", path, type));
    EXPECT_EQ(path, "");

    // The bare name found in the current folder by the profile reader.
    w.Write(w.cwdDir, "[Databases]\nPlain=/first;N\n");
    EXPECT_TRUE(ResolveAlias("Plain", path, type));
    EXPECT_EQ(path, "/first");
    EXPECT_EQ(type, ttAdsNTX);
    w.Write(w.cwdDir, "[Databases]\nPlain=/second\n");
    TAdsConnectionTableTypes connectionType = ttAdsConnectCDX;
    EXPECT_TRUE(ResolveConnectionAlias("Plain", path, connectionType));
    EXPECT_EQ(path, "/second");
    EXPECT_EQ(connectionType, ttAdsConnectUnspecified);
}

TEST(AdsIni, ConnectionTypesPassedToDataSets)
{
    struct Case { TAdsConnectionTableTypes connection; std::optional<TAdsTableTypes> dataSet; int ordinal; };
    const Case cases[] = {
        {ttAdsConnectUnspecified, std::nullopt, 0},
        {ttAdsConnectCDX, ttAdsCDX, 1},
        {ttAdsConnectNTX, ttAdsNTX, 2},
        {ttAdsConnectADT, ttAdsADT, 3},
        {ttAdsConnectVFP, ttAdsVFP, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ordinal);
        EXPECT_EQ(int(c.connection), c.ordinal);
        EXPECT_EQ(DataSetTableTypeFor(c.connection), c.dataSet);
    }
    EXPECT_EQ((std::vector<int>{ttAdsCDX, ttAdsNTX, ttAdsADT, ttAdsDefault, ttAdsVFP}),
              (std::vector<int>{0, 1, 2, 3, 4}));
}

TEST(AdsIni, GetDelimitedItemInBothForms)
{
    struct Case { QByteArray list; int n; QByteArray item; };
    const Case cases[] = {
        {"A;B;C", 1, "A"},   {"A;B;C", 2, "B"},   {"A;B;C", 3, "C"},
        {"A;B;C", 4, ""},    {"A;B;C", 0, ""},    {"A;B;C", -1, ""},
        {"A;;C", 2, ""},     {"A;;C", 3, "C"},    {"A;B;", 3, ""},
        {";B", 1, ""},       {";B", 2, "B"},      {"", 1, ""},
        {"ONE", 1, "ONE"},   {"ONE", 2, ""},      {" A ; B ", 2, " B "},
        {"LASTNAME;FIRSTNAME", 2, "FIRSTNAME"},
        {"NOM;PR\xC9NOM", 2, "PR\xC9NOM"},   // 8-bit text in the system code page
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list.toStdString() + " #" + std::to_string(c.n));
        const QString expected = QString::fromLatin1(c.item);
        QString fromBuffer = "stale", fromString = "stale";
        GetDelimitedItem(c.n, c.list.constData(), fromBuffer);
        GetDelimitedItem(c.n, QString::fromLatin1(c.list), fromString);
        EXPECT_EQ(fromBuffer, expected);
        EXPECT_EQ(fromString, expected);
    }
    QString item = "stale";
    GetDelimitedItem(1, static_cast<const char*>(nullptr), item);
    EXPECT_EQ(item, "");
    // Characters outside the system code page survive the string form.
    GetDelimitedItem(2, QString::fromUtf8("A;\xC4\xB1\xE2\x82\xAC;B"), item);
    EXPECT_EQ(item, QString::fromUtf8("\xC4\xB1\xE2\x82\xAC"));
}

TEST(AdsIni, FindDelimitedItem)
{
    struct Case { const char* item; QString list; int position; };
    const Case cases[] = {
        {"name", "ID;NAME;CITY", 2},
        {"NAM", "ID;NAME;CITY", 0},      // a prefix of an item is not the item
        {"AME", "ID;NAME;CITY", 0},
        {"id", "ID;NAME;CITY", 1},
        {"City", "ID;NAME;CITY", 3},
        {"CITYX", "ID;NAME;CITY", 0},
        {"ID;NAME", "ID;NAME;CITY", 1},
        {"B", "A;;B", 3},
        {"", "A;;B", 2},
        {"X", "", 0},
        {"pr\xE9nom", QString::fromUtf8("NOM;PR\xC3\x89NOM"), 2},  // case folded in the system code page
        {nullptr, "ID;NAME", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item ? c.item : "(null)");
        EXPECT_EQ(FindDelimitedItem(c.item, c.list), c.position);
    }
}
