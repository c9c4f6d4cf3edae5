// Shared by the tool's tests: the surroundings in which a test starts the
// tool, and a demo installation to restore from.
#pragma once

#include "app/UmenuPrinc.h"
#include "tests/support/testsupport.h"
#include "toolkit/application.h"
#include "toolkit/recordingpresenter.h"
#include "toolkit/screen.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>
#include <gtest/gtest.h>

#include <memory>

namespace tooltest {

// While it lives: the only ads.ini the tool can find is in `iniFolder` (no
// search path, no other folder), the current folder is `currentFolder`,
// every modal box goes to `boxes` instead of the screen, and the
// application object is fresh.
template <class Presenter = TRecordingPresenter>
class ToolSurroundings {
public:
    ToolSurroundings(const QString& iniFolder, const QString& currentFolder)
        : mIniPath("adsini_path", iniFolder.toLocal8Bit()), mCwd(currentFolder)
    {
    }

    const std::shared_ptr<Presenter> boxes = std::make_shared<Presenter>();

private:
    testsupport::EnvGuard mIniPath;
    testsupport::EnvGuard mPath{"PATH", QByteArray("/nonexistent")};
    testsupport::CurrentDirGuard mCwd;
    TPresenterScope mPresenter{boxes};
    TApplicationScope mApplication;
};

// A demo installation (free tables, a data dictionary, their backups and an
// ads.ini naming both) made by the demo builder, once per test program; the
// tests only read it and restore into folders of their own.
class DemoInstallation {
public:
    static const DemoInstallation& Shared()
    {
        static const DemoInstallation demo;
        return demo;
    }

    bool Built() const { return mBuilt; }
    const QByteArray& BuildOutput() const { return mOutput; }
    // The installation's root (where its ads.ini is), or a path below it.
    QString Path(const QString& relative = QString()) const
    {
        return mFolder.file(relative.isEmpty() ? QStringLiteral("demo") : QStringLiteral("demo/") + relative);
    }

private:
    DemoInstallation()
    {
        QProcess builder;
        builder.setProcessChannelMode(QProcess::MergedChannels);
        builder.start(QStringLiteral(VARNEL_BIN_DIR "/varnel-demobuilder"), {Path()});
        mBuilt = builder.waitForFinished(120000) && builder.exitStatus() == QProcess::NormalExit
                 && builder.exitCode() == 0;
        mOutput = builder.readAll();
    }

    testsupport::TempFolder mFolder;
    bool mBuilt = false;
    QByteArray mOutput;
};

// The names in `folder` (files and folders), sorted.
inline QStringList FilesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

inline QByteArray Contents(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<cannot read " + file.toUtf8() + ">");
}

// `destination` holds the files of the free-table backup in `backup`
// (all but its manifest), byte for byte, and nothing else.
inline void ExpectRestoredFrom(const QString& backup, const QString& destination)
{
    QStringList expected = FilesOf(backup);
    expected.removeAll(QStringLiteral("varnel-backup.manifest"));
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(FilesOf(destination), expected) << "nothing more, nothing less: no staging left behind";
    for (const QString& name : expected)
        EXPECT_EQ(Contents(destination + "/" + name), Contents(backup + "/" + name)) << name.toStdString();
}

// The tool at rest after an operation, whatever its outcome: the default
// cursor, the main window enabled and in front, no worker left.
inline void ExpectIdleWindow(TFPrincipal& window)
{
    EXPECT_EQ(Screen->Cursor(), crDefault);
    EXPECT_TRUE(window.Enabled());
    EXPECT_TRUE(window.Visible());
    EXPECT_TRUE(window.Active());
    EXPECT_TRUE(window.RestoreWorkerFinished());
    EXPECT_EQ(window.ThreadActiveQuery, nullptr);
}

} // namespace tooltest
