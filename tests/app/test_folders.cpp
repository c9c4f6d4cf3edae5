// The browse buttons of the main window and the folder chooser, in a real
// offscreen application started on an ads.ini of the test's making. Every
// dialog goes through the recording presenter, which answers at once.
#include "app/FolderDialog.h"
#include "app/UmenuPrinc.h"
#include "app/program.h"
#include "platform/sysinfo.h"
#include "platform/sysutils.h"
#include "tests/platform/qtprinters.h"
#include "tests/app/tool_test_support.h"
#include "tests/support/testsupport.h"
#include "toolkit/application.h"
#include "toolkit/recordingpresenter.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileDialog>
#include <QTimer>
#include <cerrno>
#include <gtest/gtest.h>
#include <optional>

using testsupport::TempFolder;

namespace {

const QString kSourceTitle = QStringLiteral("S\u00e9lectionnez un r\u00e9pertoire source");
const QString kDestinationTitle = QStringLiteral("S\u00e9lectionnez un r\u00e9pertoire Destination");
const QList<int> kFiveFileControls{0x470, 0x441, 0x47C, 0x480, 0x442};

// The tool started on aliases whose folders lie in a fresh folder, which is
// also the current folder (for aliases written without any separator).
class FoldersTest : public ::testing::Test {
protected:
    // "{root}" stands for the test's folder, "{day}" for today as yyyymmdd.
    QString Expand(QString text) const
    {
        return text.replace(QStringLiteral("{root}"), mRoot.path()).replace(QStringLiteral("{day}"), mDay);
    }

    void StartTool(const QList<QPair<QString, QString>>& aliases)
    {
        QByteArray ini = "[Databases]\n";
        for (const auto& [name, path] : aliases)
            ini += name.toLatin1() + '=' + Expand(path).toLocal8Bit() + '\n';
        mConfig.write("ads.ini", ini);
        int argc = 0;
        CreateApplicationWindows(argc, nullptr);
        ASSERT_NE(FPrincipal, nullptr);
    }

    // One alias per case (A0, A1, ... on each case's `alias`); returns the
    // alias names in case order.
    template <class Cases>
    QStringList StartToolWithAnAliasPerCase(const Cases& cases)
    {
        QList<QPair<QString, QString>> aliases;
        for (const auto& c : cases)
            aliases.append({QStringLiteral("A%1").arg(aliases.size()), c.alias});
        StartTool(aliases);
        QStringList names;
        for (const auto& alias : aliases)
            names << alias.first;
        return names;
    }

    TFPrincipal& Window() { return *FPrincipal; }

    // Every folder below the test's folder, relative to it.
    QStringList FoldersBelowRoot() const
    {
        QStringList folders;
        QDirIterator it(mRoot.path(), QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
        while (it.hasNext())
            folders << QDir(mRoot.path()).relativeFilePath(it.next());
        folders.sort();
        return folders;
    }

    QStringList FoldersMadeSince(const QStringList& before) const
    {
        QStringList made;
        for (const QString& folder : FoldersBelowRoot())
            if (!before.contains(folder))
                made << folder;
        return made;
    }

    QStringList ExpandAll(const QStringList& texts) const
    {
        QStringList expanded;
        for (const QString& text : texts)
            expanded << Expand(text);
        return expanded;
    }

    void MakeFolder(const QString& relative) const { ASSERT_TRUE(QDir(mRoot.path()).mkpath(Expand(relative))); }

    TempFolder mConfig;
    TempFolder mRoot;
    const QString mDay = LocalDate().toString(QStringLiteral("yyyyMMdd"));
    tooltest::ToolSurroundings<> mSurroundings{mConfig.path(), mRoot.path()};
    const std::shared_ptr<TRecordingPresenter> mBoxes = mSurroundings.boxes;
};

TEST_F(FoldersTest, ProposalsBesideTheAliasFolderAndTheDatedFoldersCreated)
{
    const struct {
        QString alias;
        QStringList existing;   // folders made before the clicks
        QString source;
        QString destination;
        QStringList created;    // by the destination button, relative to the test's folder
    } cases[] = {
        {"{root}/Prog/Data", {"Prog"}, "{root}/Prog/WAUTOBACKUP/Data", "{root}/Prog/WVARNEL{day}/Data",
         {"Prog/WVARNEL{day}", "Prog/WVARNEL{day}/Data"}},
        // A trailing separator leaves nothing after it: one folder inside the alias folder.
        {"{root}/Slash/Data/", {"Slash/Data"}, "{root}/Slash/Data/WAUTOBACKUP/", "{root}/Slash/Data/WVARNEL{day}/",
         {"Slash/Data/WVARNEL{day}"}},
        // No separator at all: relative to the current folder.
        {"Data", {}, "WAUTOBACKUP/Data", "WVARNEL{day}/Data", {"WVARNEL{day}", "WVARNEL{day}/Data"}},
        // A dictionary alias proposes beside the dictionary's folder.
        {"{root}/Inst/Dict/Base.add", {"Inst/Dict"}, "{root}/Inst/WAUTOBACKUP/Dict", "{root}/Inst/WVARNEL{day}/Dict",
         {"Inst/WVARNEL{day}", "Inst/WVARNEL{day}/Dict"}},
        // Today's folder from an earlier click is reused as it is.
        {"{root}/Again/Data", {"Again/WVARNEL{day}/Data"}, "{root}/Again/WAUTOBACKUP/Data",
         "{root}/Again/WVARNEL{day}/Data", {}},
    };
    const QStringList aliases = StartToolWithAnAliasPerCase(cases);

    for (qsizetype i = 0; i < aliases.size(); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.alias.toStdString());
        for (const QString& folder : c.existing)
            MakeFolder(folder);
        Window().ApplySelectedAlias(aliases[i]);
        mBoxes->Clear();
        mBoxes->QueueFileAnswer(QStringLiteral("/chosen/source"));
        mBoxes->QueueFileAnswer(QStringLiteral("/chosen/destination"));

        const QStringList before = FoldersBelowRoot();
        Window().Button1->Click();
        EXPECT_EQ(FoldersBelowRoot(), before) << "the source button creates nothing";
        Window().Button2->Click();
        EXPECT_EQ(FoldersMadeSince(before), ExpandAll(c.created));

        EXPECT_TRUE(mBoxes->ErrorTexts().isEmpty()) << mBoxes->ErrorTexts().join(' ').toStdString();
        ASSERT_EQ(mBoxes->FileRequests().size(), 2);
        EXPECT_EQ(mBoxes->FileRequests()[0].title, kSourceTitle);
        EXPECT_EQ(mBoxes->FileRequests()[0].initialFolder, Expand(c.source));
        EXPECT_EQ(mBoxes->FileRequests()[1].title, kDestinationTitle);
        EXPECT_EQ(mBoxes->FileRequests()[1].initialFolder, Expand(c.destination));
        EXPECT_EQ(Window().EditSource->Text(), "/chosen/source");
        EXPECT_EQ(Window().EditDestination->Text(), "/chosen/destination");
    }
}

TEST_F(FoldersTest, AFailingCreationShowsTheSystemCodeOpensNoChooserAndKeepsWhatWasMade)
{
    const QString longName(300, QLatin1Char('x'));
    const struct {
        QString alias;
        QString failing;   // the folder named in the error
        int code;
        QStringList created;
    } cases[] = {
        // The dated folder's parent does not exist.
        {"{root}/Missing/Data", "{root}/Missing/WVARNEL{day}/", ENOENT, {}},
        // The dated folder is made, the one below it has a name too long.
        {"{root}/Long/" + longName, "{root}/Long/WVARNEL{day}/" + longName, ENAMETOOLONG, {"Long/WVARNEL{day}"}},
        // A file stands where the dated folder would go.
        {"{root}/File/Data", "{root}/File/WVARNEL{day}/", EEXIST, {}},
    };
    MakeFolder("Long");
    MakeFolder("File");
    QFile blocker(Expand("{root}/File/WVARNEL{day}"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QStringList aliases = StartToolWithAnAliasPerCase(cases);

    for (qsizetype i = 0; i < aliases.size(); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE(c.failing.left(60).toStdString());
        Window().ApplySelectedAlias(aliases[i]);
        mBoxes->Clear();
        Window().EditDestination->SetText(QStringLiteral("/earlier"));
        const QStringList before = FoldersBelowRoot();

        Window().Button2->Click();

        ASSERT_EQ(mBoxes->ErrorTexts().size(), 1);
        const QString shown = mBoxes->ErrorTexts().front();
        EXPECT_TRUE(shown.contains(Expand(c.failing))) << shown.toStdString();
        EXPECT_TRUE(shown.contains(QStringLiteral("(error %1)").arg(c.code))) << shown.toStdString();
        EXPECT_TRUE(mBoxes->FileRequests().isEmpty()) << "no chooser after a failure";
        EXPECT_EQ(Window().EditDestination->Text(), "/earlier");
        EXPECT_EQ(FoldersMadeSince(before), ExpandAll(c.created));

        try {
            Window().Button2Click(nullptr);
            ADD_FAILURE() << "no error raised";
        } catch (const EInOutError& error) {
            EXPECT_EQ(error.ErrorCode(), c.code);
        }
    }
}

TEST_F(FoldersTest, CancellingEitherChooserEmptiesItsEditAndTheCreatedFoldersStay)
{
    MakeFolder("Prog");
    StartTool({{"DATA", "{root}/Prog/Data"}});
    Window().EditSource->SetText(QStringLiteral("/typed/source"));
    Window().EditDestination->SetText(QStringLiteral("/typed/destination"));
    mBoxes->QueueFileCancel();
    mBoxes->QueueFileCancel();

    Window().Button1->Click();
    Window().Button2->Click();

    EXPECT_EQ(mBoxes->FileRequests().size(), 2);
    EXPECT_EQ(Window().EditSource->Text(), QString());
    EXPECT_EQ(Window().EditDestination->Text(), QString());
    EXPECT_TRUE(QDir(Expand("{root}/Prog/WVARNEL{day}/Data")).exists());
    EXPECT_TRUE(mBoxes->ErrorTexts().isEmpty());
}

class FolderChooserTest : public ::testing::Test {
protected:
    TApplicationScope mApplication;
    std::shared_ptr<TRecordingPresenter> mBoxes = std::make_shared<TRecordingPresenter>();
    TPresenterScope mPresenter{mBoxes};
};

TEST_F(FolderChooserTest, ThePlatformVersionDecidesTheDialog)
{
    using Kind = TFileDialogRequest::Kind;
    const struct {
        int version;
        QString title;
        QString folder;
        std::optional<QString> answer;   // none: cancelled
        Kind kind;
        QString shownTitle;
        QString filter;
        QString fileName;
        bool validate;
        QList<int> hidden;
        bool chosen;
        QString result;
    } cases[] = {
        // The folder-picking dialog gives the folder itself.
        {6, "Source", "/data/in", "/data/out", Kind::PickFolder, "Source", "", "", true, {}, true, "/data/out"},
        {7, "", "", "/data/out", Kind::PickFolder, "", "", "", true, {}, true, "/data/out"},
        {6, "Source", "/data/in", std::nullopt, Kind::PickFolder, "Source", "", "", true, {}, false, "/data/in"},
        // The older dialog: the folder list alone, the folder taken from the file name.
        {5, "Source", "/data/in", "/data/out/*.", Kind::OpenFile, "Source", "Folder|*.", "*.", false,
         kFiveFileControls, true, "/data/out"},
        {5, "", "", "/*.", Kind::OpenFile, "S\u00e9lectionnez un r\u00e9pertoire", "Folder|*.", "*.", false,
         kFiveFileControls, true, "/"},
        {5, "Source", "/data/in", std::nullopt, Kind::OpenFile, "Source", "Folder|*.", "*.", false,
         kFiveFileControls, false, "/data/in"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "version " << c.version << ", answer "
                                        << c.answer.value_or("cancel").toStdString());
        mBoxes->Clear();
        if (c.answer)
            mBoxes->QueueFileAnswer(*c.answer);
        else
            mBoxes->QueueFileCancel();
        QString folder = c.folder;

        EXPECT_EQ(SelectFolderOnPlatform(c.version, c.title, folder), c.chosen);

        EXPECT_EQ(folder, c.result);
        ASSERT_EQ(mBoxes->FileRequests().size(), 1);
        const TFileDialogRequest& request = mBoxes->FileRequests().front();
        EXPECT_EQ(request.kind, c.kind);
        EXPECT_EQ(request.title, c.shownTitle);
        EXPECT_EQ(request.initialFolder, c.folder);
        EXPECT_EQ(request.filter, c.filter);
        EXPECT_EQ(request.fileName, c.fileName);
        EXPECT_EQ(request.validate, c.validate);
        EXPECT_EQ(request.hiddenControls, c.hidden);
    }
}

TEST_F(FolderChooserTest, ChooseFolderGivesTheChoiceOrTheEmptyText)
{
    mBoxes->QueueFileAnswer(QStringLiteral("/data/out"));
    mBoxes->QueueFileCancel();
    EXPECT_EQ(ChooseFolder(QStringLiteral("T"), QStringLiteral("/data/in")), "/data/out");
    EXPECT_EQ(ChooseFolder(QStringLiteral("T"), QStringLiteral("/data/in")), QString());
    ASSERT_EQ(mBoxes->FileRequests().size(), 2);
    EXPECT_EQ(mBoxes->FileRequests()[1].initialFolder, "/data/in");
}

TEST(QtFolderChooserTest, BothDialogsGiveTheFolderTheOperatorOpened)
{
    // Qt's real dialogs: a queued step plays the operator (it opens a
    // subfolder and confirms), after checking what the older dialog hides.
    TApplicationScope application;
    TempFolder tree;
    ASSERT_TRUE(QDir(tree.path()).mkpath(QStringLiteral("sub")));
    const QString sub = tree.file(QStringLiteral("sub"));
    for (int version : {5, 6}) {
        SCOPED_TRACE(testing::Message() << "version " << version);
        QString startedIn;
        bool fileControlsHidden = false;
        QObject operatorStep;
        QTimer::singleShot(0, &operatorStep, [&] {
            QCoreApplication::sendPostedEvents();   // the dialog's shown step first
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            startedIn = dialog->directory().absolutePath();
            auto* types = dialog->findChild<QWidget*>(QStringLiteral("fileTypeCombo"));
            auto* name = dialog->findChild<QWidget*>(QStringLiteral("fileNameEdit"));
            fileControlsHidden = types && types->isHidden() && name && name->isHidden();
            dialog->setDirectory(sub);
            QMetaObject::invokeMethod(dialog, "accept");
            if (dialog->isVisible())
                dialog->reject();
        });
        QString folder = tree.path();

        EXPECT_TRUE(SelectFolderOnPlatform(version, QStringLiteral("Choix"), folder));

        EXPECT_EQ(startedIn, tree.path());
        EXPECT_EQ(folder, sub);
        EXPECT_EQ(fileControlsHidden, version < kFolderPickerMajorVersion);
    }
}

TEST(DirDialogTest, DirectoryIsTheFolderPartOfTheFileName)
{
    const struct {
        QString fileName;
        QString directory;
    } cases[] = {
        {"/data/WAUTOBACKUP/*.", "/data/WAUTOBACKUP"},
        {"/data/WAUTOBACKUP/", "/data/WAUTOBACKUP"},
        {"/data/Base.add", "/data"},
        {"/*.", "/"},
        {"*.", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        TDirDialog dialog(nullptr);
        dialog.SetFileName(c.fileName);
        EXPECT_EQ(dialog.Directory(), c.directory) << c.fileName.toStdString();
    }
}

} // namespace
