// The start button of the main window on a real demo installation made by
// the demo builder: free-table and dictionary restores through the real
// layer and engine, the four folder checks with their texts, engine errors
// reaching the error box, and the window's busy state on every way out.
#include "ads/adscnnct.h"
#include "ads/adstable.h"
#include "app/UmenuPrinc.h"
#include "app/program.h"
#include "tests/platform/qtprinters.h"
#include "ads/ace.h"
#include "tests/app/tool_test_support.h"
#include "tests/support/testsupport.h"
#include "toolkit/application.h"
#include "toolkit/recordingpresenter.h"
#include "toolkit/screen.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <thread>

using testsupport::TempFolder;

namespace {

const QString kPassword = QStringLiteral("dux4827");

// A box as it was shown, with the state of the tool at that moment.
struct ShownBox {
    QString text;
    bool isErrorBox = false;
    TCursor cursor = crDefault;
    bool windowEnabled = true;
};

class StateRecordingPresenter : public TRecordingPresenter {
public:
    TModalResult MessageBox(const TMessageRequest& request) override
    {
        mShown.push_back({request.text, request.isErrorBox, Screen->Cursor(), FPrincipal && FPrincipal->Enabled()});
        return TRecordingPresenter::MessageBox(request);
    }
    QList<ShownBox> mShown;
};

using tooltest::Contents;
using tooltest::FilesOf;

class RestoreLaunchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Demo().Built()) << "the demo builder failed: " << Demo().BuildOutput().toStdString();
        int argc = 0;
        CreateApplicationWindows(argc, nullptr);
        ASSERT_NE(FPrincipal, nullptr);
        Window().Show();
        Application->ProcessMessages();
        mBoxes->Clear();
        mBoxes->mShown.clear();
    }

    static const tooltest::DemoInstallation& Demo() { return tooltest::DemoInstallation::Shared(); }
    static QString SalesFolder() { return Demo().Path("data/ventes"); }
    static QString SalesBackup() { return Demo().Path("data/WAUTOBACKUP/ventes"); }
    static QString AccountingBackup() { return Demo().Path("data/WAUTOBACKUP/compta"); }

    TFPrincipal& Window() { return *FPrincipal; }

    void SelectAlias(const QString& name)
    {
        const int index = Window().wwDBCBAlias->Items()->IndexOf(name);
        ASSERT_GE(index, 0) << name.toStdString();
        Window().wwDBCBAlias->SetItemIndex(index);
        Window().wwDBCBAliasCloseUp(Window().wwDBCBAlias, true);
    }

    // Types the two folders and presses the start button, as the operator does.
    void Start(const QString& source, const QString& destination)
    {
        Window().EditSource->SetText(source);
        Window().EditDestination->SetText(destination);
        Window().BtnStart->Click();
        Application->ProcessMessages();
    }

    QString NewFolder(const QString& name)
    {
        const QString path = mWork.file(name);
        EXPECT_TRUE(QDir().mkpath(path));
        return path;
    }

    // The state every way out of the start button leaves: default cursor,
    // an enabled window shown in front, and no worker left running.
    void ExpectIdleWindow() { tooltest::ExpectIdleWindow(Window()); }

    // Exactly one box was shown, with `text`, while the window was busy (or,
    // for an error box, after the guard had already restored it).
    void ExpectOneBox(const QString& text, bool isErrorBox)
    {
        ASSERT_EQ(mBoxes->mShown.size(), 1) << mBoxes->MessageTexts().join(" | ").toStdString() << " / "
                                            << mBoxes->ErrorTexts().join(" | ").toStdString();
        const ShownBox& box = mBoxes->mShown.first();
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.isErrorBox, isErrorBox);
        EXPECT_EQ(mBoxes->Requests().first().caption, kApplicationTitle);
        EXPECT_EQ(mBoxes->Requests().first().buttons, TMsgDlgButtons{mbOK});
        EXPECT_EQ(box.cursor, isErrorBox ? crDefault : crHourGlass);
        EXPECT_EQ(box.windowEnabled, isErrorBox);
    }

    TempFolder mWork;
    tooltest::ToolSurroundings<StateRecordingPresenter> mSurroundings{Demo().Path(), mWork.path()};
    const std::shared_ptr<StateRecordingPresenter> mBoxes = mSurroundings.boxes;
};

TEST_F(RestoreLaunchTest, AFreeTableRestoreLeavesTheBackupsFilesInTheDestination)
{
    SelectAlias("VENTES");
    const QString destination = NewFolder("restored");
    ace::StartCallTrace();
    Start(SalesBackup(), destination);
    const std::vector<ace::TracedCall> calls = ace::StopCallTrace();

    ExpectOneBox(QString::fromUtf8("Opération terminée!!"), false);
    ExpectIdleWindow();
    // On the worker: the restore, then its statement and the cached tables
    // closed; on this thread only the monitor's list of statements.
    QStringList worker, monitor;
    for (const ace::TracedCall& call : calls) {
        if (!QStringList{"AdsExecuteSQL", "AdsCloseSQLStatement", "AdsCloseCachedTables"}.contains(call.function))
            continue;
        (call.thread == std::this_thread::get_id() ? monitor : worker) << call.function;
    }
    EXPECT_EQ(worker, (QStringList{"AdsExecuteSQL", "AdsCloseSQLStatement", "AdsCloseCachedTables"}));
    EXPECT_EQ(monitor.value(0), "AdsExecuteSQL");
    EXPECT_FALSE(monitor.contains("AdsCloseSQLStatement"));
    tooltest::ExpectRestoredFrom(SalesBackup(), destination);
    // The restore connection carries the alias and stays open for the next
    // restore.
    EXPECT_EQ(Window().QRestore->AdsConnection(), Window().AdsConnectionRestore);
    EXPECT_EQ(Window().AdsConnectionRestore->AliasName(), "VENTES");
}

TEST_F(RestoreLaunchTest, ADictionaryRestoreNamesTheDictionaryFileInBothFoldersAndOpens)
{
    SelectAlias("COMPTA");
    ASSERT_TRUE(Window().AdsConnectionRestore->IsDictionaryConn());
    // Twice in one run: the second closes the free connection before moving
    // it. A typed trailing delimiter is kept: the names get a doubled one.
    const struct {
        const char* name;
        QString source;
    } runs[] = {{"first", AccountingBackup()}, {"second", AccountingBackup() + "/"}};
    for (const auto& run : runs) {
        SCOPED_TRACE(run.name);
        mBoxes->mShown.clear();
        mBoxes->Clear();
        const QString destination = NewFolder(run.name);
        Start(run.source, destination);

        ExpectOneBox(QString::fromUtf8("Opération terminée!!"), false);
        ExpectIdleWindow();
        TAdsQuery& query = *Window().QRestoreDict;
        EXPECT_EQ(query.ParamByName("Destination")->AsString(), destination + "/compta.add");
        EXPECT_EQ(query.ParamByName("Source")->AsString(), run.source + "/compta.add");
        EXPECT_EQ(query.ParamByName("MotDePasse")->AsString(), kPassword);
        EXPECT_EQ(Window().AdsConnectionFree->ConnectPath(), run.source);
        EXPECT_TRUE(Window().AdsConnectionFree->IsConnected());

        TAdsConnection restored(nullptr);
        restored.SetConnectPath(destination + "/compta.add");
        restored.SetLoginPrompt(false);
        restored.SetUsername("adssys");
        restored.SetPassword(kPassword);
        restored.Connect();
        TStringList tables;
        restored.GetTableNames(&tables, QString());
        tables.Sort();
        EXPECT_EQ(tables.Text().split('\n', Qt::SkipEmptyParts), (QStringList{"comptes", "ecritures"}));
        restored.Disconnect();
    }
}

TEST_F(RestoreLaunchTest, TheFolderChecksRefuseInOrderWithTheirOwnText)
{
    SelectAlias("VENTES");
    const QString existing = NewFolder("existing");
    const QString other = NewFolder("other");
    const QString missing = mWork.file("missing");
    const QString same = QString::fromUtf8("Le répertoire source et destination ne peut être le même!");
    const QString dataFolder =
        QString::fromUtf8("Le répertoire destination ne peut être le même que le répertoire original des données!");
    const QString noSource = QString::fromUtf8("Le répertoire source n'est pas accessible!");
    const QString noDestination = QString::fromUtf8("Le répertoire destination n'est pas accessible!");
    const struct {
        const char* name;
        QString source;
        QString destination;
        QString expected;
    } cases[] = {
        {"same folder apart from letter case", existing.toLower(), existing.toUpper(), same},
        {"same folder with a trailing delimiter", existing, existing + "/", same},
        {"both empty", "", "", same},
        {"the alias folder apart from letter case", existing, SalesFolder().toUpper(), dataFolder},
        {"the alias folder with a trailing delimiter", existing, SalesFolder() + "/", dataFolder},
        {"the alias folder through another spelling", existing, SalesFolder() + "/./", dataFolder},
        {"both missing: only the source is named", missing, missing + "2", noSource},
        {"source empty", "", other, noSource},
        {"source empty, destination the root", "", "/", noSource},
        {"destination missing", existing, missing, noDestination},
        {"destination empty", existing, "", noDestination},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        mBoxes->mShown.clear();
        mBoxes->Clear();
        Start(c.source, c.destination);
        ExpectOneBox(c.expected, false);
        ExpectIdleWindow();
    }
    EXPECT_TRUE(FilesOf(existing).isEmpty());
    EXPECT_TRUE(FilesOf(other).isEmpty());
}

TEST_F(RestoreLaunchTest, AnEngineErrorReachesTheErrorBoxOnceTheWindowIsBack)
{
    const QString notABackup = NewFolder("not-a-backup");
    const struct {
        const char* name;
        QString alias;
        QString query;
    } cases[] = {
        {"free tables, failing on the worker", "VENTES", "QRestore"},
        {"dictionary, failing on this thread", "COMPTA", "QRestoreDict"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SelectAlias(c.alias);
        mBoxes->mShown.clear();
        mBoxes->Clear();
        const QString destination = NewFolder(QString("restored-") + c.alias);
        Start(notABackup, destination);

        ASSERT_EQ(mBoxes->ErrorTexts().size(), 1) << mBoxes->MessageTexts().join(" | ").toStdString();
        // The engine's own refusal, not a success message.
        const QString error = mBoxes->ErrorTexts().first();
        EXPECT_TRUE(error.startsWith(c.query + ": The folder " + notABackup + " is not a backup"))
            << error.toStdString();
        ExpectOneBox(mBoxes->ErrorTexts().first(), true);
        ExpectIdleWindow();
        EXPECT_TRUE(FilesOf(destination).isEmpty()) << FilesOf(destination).join(", ").toStdString();
    }
}

} // namespace
