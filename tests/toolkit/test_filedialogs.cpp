// File and folder dialogs through the presenter: the recorder for what the
// program asks, and Qt's dialog for the parts it hides.
#include "qtprint.h"

#include "platform/sysutils.h"
#include "toolkit/application.h"
#include "toolkit/filedialogs.h"
#include "toolkit/recordingpresenter.h"

#include <QApplication>
#include <QFileDialog>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// A folder chooser built on the open-file dialog: it hides the file type
// and file name parts once the dialog is up.
class TFolderChooser : public TOpenDialog {
public:
    explicit TFolderChooser(TComponent* owner) : TOpenDialog(owner)
    {
        SetFilter(QStringLiteral("Folder|*."));
        SetFileName(QStringLiteral("*."));
        SetOptions({ofNoValidate});
    }
    bool failInShow = false;

protected:
    void DoShow() override
    {
        TOpenDialog::DoShow();
        for (int id : {0x470, 0x441, 0x47C, 0x480, 0x442})
            HideControl(id);
        if (failInShow)
            throw Exception(QStringLiteral("Dialogue indisponible"));
    }
};

class FileDialogTest : public ::testing::Test {
protected:
    TApplicationScope scope;
    std::shared_ptr<TRecordingPresenter> recorder = std::make_shared<TRecordingPresenter>();
};

TEST_F(FileDialogTest, OpenDialogPassesItsSettingsAndHidesThePartsAskedForInOrder)
{
    TPresenterScope presenterScope(recorder);
    TFolderChooser chooser(nullptr);
    chooser.SetTitle(QStringLiteral("Choisir le r\u00e9pertoire source"));
    chooser.SetInitialDir(QStringLiteral("/data/WAUTOBACKUP"));
    recorder->QueueFileAnswer(QStringLiteral("/data/WAUTOBACKUP/20140819"));
    recorder->QueueFileCancel();

    EXPECT_TRUE(chooser.Execute());
    EXPECT_EQ(chooser.FileName(), QStringLiteral("/data/WAUTOBACKUP/20140819"));
    EXPECT_FALSE(chooser.Execute());
    EXPECT_EQ(chooser.FileName(), QStringLiteral("/data/WAUTOBACKUP/20140819")) << "a cancel keeps the name";

    ASSERT_EQ(recorder->FileRequests().size(), 2);
    const TFileDialogRequest& first = recorder->FileRequests().front();
    EXPECT_EQ(first.kind, TFileDialogRequest::Kind::OpenFile);
    EXPECT_EQ(first.title, QStringLiteral("Choisir le r\u00e9pertoire source"));
    EXPECT_EQ(first.initialFolder, QStringLiteral("/data/WAUTOBACKUP"));
    EXPECT_EQ(first.filter, QStringLiteral("Folder|*."));
    EXPECT_EQ(first.fileName, QStringLiteral("*."));
    EXPECT_FALSE(first.validate);
    EXPECT_EQ(first.hiddenControls, (QList<int>{0x470, 0x441, 0x47C, 0x480, 0x442}));
}

TEST_F(FileDialogTest, AFailingShowStepReachesTheErrorBoxAndTheDialogStillAnswers)
{
    TPresenterScope presenterScope(recorder);
    TFolderChooser chooser(nullptr);
    chooser.failInShow = true;
    recorder->QueueFileAnswer(QStringLiteral("/tmp"));
    EXPECT_TRUE(chooser.Execute());
    EXPECT_EQ(recorder->ErrorTexts(), QStringList{QStringLiteral("Dialogue indisponible.")});
}

TEST_F(FileDialogTest, FolderPickerAsksForAFolderFromTheDefaultFolderEvenWhenEmpty)
{
    TPresenterScope presenterScope(recorder);
    TFileOpenDialog picker(nullptr);
    picker.SetOptions({fdoPickFolders});
    picker.SetTitle(QStringLiteral("Destination"));
    recorder->QueueFileAnswer(QStringLiteral("/data/WVARNEL20140819"));

    EXPECT_TRUE(picker.Execute());
    EXPECT_EQ(picker.FileName(), QStringLiteral("/data/WVARNEL20140819"));
    ASSERT_EQ(recorder->FileRequests().size(), 1);
    EXPECT_EQ(recorder->FileRequests().front().kind, TFileDialogRequest::Kind::PickFolder);
    EXPECT_EQ(recorder->FileRequests().front().initialFolder, QString());
}

TEST_F(FileDialogTest, QtDialogHidesTheFileTypeAndNameParts)
{
    // The real dialog is modal: a queued check inspects it, then cancels it.
    bool inspected = false;
    bool typesHidden = false;
    bool nameHidden = false;
    QObject context;
    QTimer::singleShot(0, &context, [&] {
        QCoreApplication::sendPostedEvents();   // let the dialog's shown step run first
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        inspected = true;
        auto* types = dialog->findChild<QWidget*>(QStringLiteral("fileTypeCombo"));
        auto* name = dialog->findChild<QWidget*>(QStringLiteral("fileNameEdit"));
        typesHidden = types && types->isHidden();
        nameHidden = name && name->isHidden();
        dialog->reject();
    });
    TFolderChooser chooser(nullptr);
    chooser.SetInitialDir(QDir::tempPath());
    EXPECT_FALSE(chooser.Execute());
    EXPECT_TRUE(inspected);
    EXPECT_TRUE(typesHidden);
    EXPECT_TRUE(nameHidden);
}

} // namespace
