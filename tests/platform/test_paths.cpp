#include "platform/files.h"
#include "platform/paths.h"
#include "platform/sysutils.h"
#include "tests/support/testsupport.h"
#include "tests/platform/qtprinters.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <cerrno>
#include <unistd.h>

using testsupport::CurrentDirGuard;
using testsupport::EnvGuard;
using testsupport::TempFolder;

TEST(Paths, SplittingAndTrailingDelimiters)
{
    struct Case { QString path, name, folder, withDelim, withoutDelim; };
    const Case cases[] = {
        {"/data/base.add", "base.add", "/data/", "/data/base.add/", "/data/base.add"},
        {"/data/", "", "/data/", "/data/", "/data"},
        {"base.add", "base.add", "", "base.add/", "base.add"},
        {"", "", "", "/", ""},
        {"/", "", "/", "/", ""},
        {"a//", "", "a//", "a//", "a/"},
        // No drives on Linux: a colon is part of the name.
        {"/data/C:base.add", "C:base.add", "/data/", "/data/C:base.add/", "/data/C:base.add"},
        {"C:\\data\\base.add", "C:\\data\\base.add", "", "C:\\data\\base.add/", "C:\\data\\base.add"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        EXPECT_EQ(ExtractFileName(c.path), c.name);
        EXPECT_EQ(ExtractFilePath(c.path), c.folder);
        EXPECT_EQ(ExtractFilePath(c.path) + ExtractFileName(c.path), c.path);
        EXPECT_EQ(IncludeTrailingPathDelimiter(c.path), c.withDelim);
        EXPECT_EQ(ExcludeTrailingPathDelimiter(c.path), c.withoutDelim);
    }
}

TEST(Files, ExistenceTestsFollowLinks)
{
    TempFolder tmp;
    const QString file = tmp.write("file.txt", "x");
    const QString folder = tmp.file("folder");
    ASSERT_TRUE(QDir().mkdir(folder));
    ASSERT_TRUE(QFile::link(folder, tmp.file("link-to-folder")));
    ASSERT_TRUE(QFile::link(file, tmp.file("link-to-file")));
    ASSERT_TRUE(QFile::link(tmp.file("nowhere"), tmp.file("dangling")));

    struct Case { QString name; bool isFile, isDir; };
    const Case cases[] = {
        {file, true, false},
        {folder, false, true},
        {folder + "/", false, true},
        {tmp.file("link-to-folder"), false, true},
        {tmp.file("link-to-file"), true, false},
        {tmp.file("dangling"), false, false},
        {tmp.file("missing"), false, false},
        {"", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        EXPECT_EQ(FileExists(c.name), c.isFile);
        EXPECT_EQ(DirectoryExists(c.name), c.isDir);
    }
}

TEST(Files, CreateDirMakesOneLevelAndAcceptsAnExistingFolder)
{
    TempFolder tmp;
    const QString dir = tmp.file("WVARNEL20140819");
    CreateDir(dir);
    EXPECT_TRUE(DirectoryExists(dir));
    EXPECT_NO_THROW(CreateDir(dir));
    CreateDir(dir + "/Data/");
    EXPECT_TRUE(DirectoryExists(dir + "/Data"));
}

TEST(Files, FailedCreationRaisesTheSystemErrorNamingTheFolder)
{
    TempFolder tmp;
    const QString file = tmp.write("plain-file", "x");
    struct Case { QString dir; int error; };
    std::vector<Case> cases = {
        {tmp.file("missing-parent/child"), ENOENT},
        {file, EEXIST},                        // a file already holds the name
        {file + "/child", ENOTDIR},
        {"", ENOENT},
    };
    if (::geteuid() != 0) {
        const QString locked = tmp.file("locked");
        ASSERT_TRUE(QDir().mkdir(locked));
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        cases.push_back({locked + "/child", EACCES});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dir.toStdString());
        try {
            CreateDir(c.dir);
            ADD_FAILURE() << "no error raised";
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.ErrorCode(), c.error);
            EXPECT_TRUE(e.Message().contains("\"" + c.dir + "\"")) << e.Message().toStdString();
        }
    }
}

TEST(Files, ForceDirectoriesMakesEveryMissingLevel)
{
    TempFolder tmp;
    const QString deep = tmp.file("a/b/c/");
    ForceDirectories(deep);
    EXPECT_TRUE(DirectoryExists(deep));
    EXPECT_NO_THROW(ForceDirectories(deep));

    const QString file = tmp.write("a/file", "x");
    try {
        ForceDirectories(file + "/x/y");
        ADD_FAILURE() << "no error raised";
    } catch (const EInOutError& e) {
        // The level that stands in the way is named: a file holds its name.
        EXPECT_EQ(e.ErrorCode(), EEXIST);
        EXPECT_TRUE(e.Message().contains("\"" + file + "\"")) << e.Message().toStdString();
    }
    {
        CurrentDirGuard cd(tmp.path());
        ForceDirectories("rel/one");
    }
    EXPECT_TRUE(DirectoryExists(tmp.file("rel/one")));
}

// The search order: the program's folder, the current folder, then PATH.
TEST(Files, SearchPathOrder)
{
    TempFolder tmp;
    const QString name = QString("varnel-search-%1.ini").arg(::getpid());
    const QString exeFolder = ExecutableFolder();
    ASSERT_TRUE(DirectoryExists(exeFolder));
    const QString cwd = tmp.file("cwd"), path1 = tmp.file("path1"), path2 = tmp.file("path2");
    for (const QString& d : {cwd, path1, path2})
        ASSERT_TRUE(QDir().mkdir(d));

    struct Case { bool inExe, inCwd, inPath1, inPath2; QString expectedFolder; };
    const Case cases[] = {
        {true, true, true, true, exeFolder},
        {false, true, true, true, cwd},
        {false, false, true, true, path1},
        {false, false, false, true, path2},
        {false, false, false, false, QString()},
    };
    EnvGuard pathGuard("PATH", (":" + path1 + "::" + path2 + ":").toLocal8Bit());
    CurrentDirGuard cdGuard(cwd);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expectedFolder.toStdString());
        const std::pair<bool, QString> places[] = {
            {c.inExe, exeFolder}, {c.inCwd, cwd}, {c.inPath1, path1}, {c.inPath2, path2}};
        for (const auto& [present, folder] : places) {
            const QString full = folder + "/" + name;
            QFile::remove(full);
            if (present) {
                QFile f(full);
                ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            }
        }
        const QString found = SearchPath(name);
        EXPECT_EQ(found, c.expectedFolder.isEmpty() ? QString() : c.expectedFolder + "/" + name);
        QFile::remove(exeFolder + "/" + name);
    }
    // Folders are not files, and an absolute name is checked as it stands.
    ASSERT_TRUE(QDir().mkdir(path1 + "/" + name + ".d"));
    {
        QFile f(path2 + "/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(SearchPath(name + ".d"), QString());
    EXPECT_EQ(SearchPath(path2 + "/" + name), path2 + "/" + name);
    EXPECT_EQ(SearchPath(path1 + "/" + name), QString());
    EXPECT_EQ(SearchPath(""), QString());
}
