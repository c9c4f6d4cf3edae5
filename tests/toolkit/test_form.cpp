// Forms read from a window definition, their handlers behind the error
// guard, and the application's message loop.
#include "keyinput.h"
#include "qtprint.h"
#include "testform.h"

#include "../support/testsupport.h"
#include "framework/streaming.h"
#include "platform/sysutils.h"
#include "toolkit/application.h"
#include "toolkit/recordingpresenter.h"

#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class FormTest : public ::testing::Test {
protected:
    FormTest() { scope.App().SetTitle(QStringLiteral("Restauration")); }
    ~FormTest() override { TTestForm::sOnCreate = nullptr; }

    TTestForm* CreateMainForm()
    {
        TTestForm* form = nullptr;
        scope.App().CreateForm(form);
        return form;
    }

    // Ends a loop that should have ended by itself, so a fault fails the
    // test instead of hanging it.
    void ArmSafetyStop()
    {
        QTimer::singleShot(10000, &timerContext, [this] {
            safetyStopFired = true;
            scope.App().Terminate();
        });
    }

    TApplicationScope scope;
    std::shared_ptr<TRecordingPresenter> recorder = std::make_shared<TRecordingPresenter>();
    TPresenterScope presenterScope{recorder};
    bool safetyStopFired = false;
    QObject timerContext;   // cancels the safety stop with the test
};

TEST_F(FormTest, DefinitionBuildsTheFormItsControlsAndFields)
{
    TTestForm* form = CreateMainForm();
    ASSERT_EQ(scope.App().MainForm(), form);

    EXPECT_EQ(form->Name(), QStringLiteral("TestForm"));
    EXPECT_EQ(form->Widget()->windowTitle(), QStringLiteral("R\u00e9cup\u00e9ration des tables"));
    EXPECT_EQ(form->ClientWidth(), 420);
    EXPECT_EQ(form->ClientHeight(), 160);
    EXPECT_FALSE(form->Widget()->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form->Widget()->windowFlags() & Qt::WindowMinimizeButtonHint);

    ASSERT_TRUE(form->LabelAlias && form->EditSource && form->Browse && form->Alias && form->Quit);
    EXPECT_EQ(form->Alias->Widget()->parentWidget(), form->Widget());
    EXPECT_EQ(form->Alias->Widget()->geometry(), QRect(70, 12, 177, 21));
    EXPECT_EQ(form->Alias->ItemCount(), 1);

    // The bold label is the form's font made bold, and sized to its text.
    const TFont* labelFont = form->LabelAlias->Font();
    EXPECT_EQ(labelFont->Name(), form->Font()->Name());
    EXPECT_EQ(labelFont->Height(), -11);
    EXPECT_TRUE(labelFont->Style().Contains(fsBold));
    EXPECT_TRUE(form->LabelAlias->Widget()->font().bold());
    EXPECT_FALSE(form->EditSource->Font()->Style().Contains(fsBold)) << "the edit follows the form";
    auto* label = static_cast<QLabel*>(form->LabelAlias->Widget());
    EXPECT_EQ(label->text(), QStringLiteral("Alias :"));
    EXPECT_EQ(form->LabelAlias->Width(), label->sizeHint().width());

    // Tab goes by TabOrder, whatever the order of the definition.
    EXPECT_EQ(form->Alias->TabOrder(), 0);
    EXPECT_EQ(form->Quit->TabOrder(), 3);
    std::vector<QWidget*> chain;
    for (QWidget* w = form->Alias->Widget(); chain.size() < 4; w = w->nextInFocusChain())
        if (w->focusPolicy() & Qt::TabFocus)
            chain.push_back(w);
    EXPECT_EQ(chain, (std::vector<QWidget*>{form->Alias->Widget(), form->EditSource->Widget(),
                                             form->Browse->Widget(), form->Quit->Widget()}));
}

TEST_F(FormTest, ReferenceIsSetBeforeOnCreateAndClearedWhenCreationFails)
{
    TTestForm* reference = nullptr;
    bool seenDuringCreate = false;
    TTestForm::sOnCreate = [&](TTestForm& form) { seenDuringCreate = reference == &form; };
    scope.App().CreateForm(reference);
    EXPECT_TRUE(seenDuringCreate);
    EXPECT_EQ(scope.App().MainForm(), reference);

    // A definition that cannot be read fails the creation with a clear error.
    class TBrokenForm : public TForm {
    public:
        explicit TBrokenForm(TComponent* owner) : TForm(owner) { ReadDefinition(TestData("missing.dfm")); }
    };
    TBrokenForm* broken = nullptr;
    EXPECT_THROW(scope.App().CreateForm(broken), EReadError);
    EXPECT_EQ(broken, nullptr);
    EXPECT_EQ(scope.App().MainForm(), reference);
}

TEST_F(FormTest, ScreenCentredWhenFirstShown)
{
    TTestForm* form = CreateMainForm();
    form->Show();
    QApplication::processEvents();
    const QRect screen = form->Widget()->screen()->geometry();
    const QRect frame = form->Widget()->frameGeometry();
    EXPECT_EQ(frame.left(), screen.left() + (screen.width() - frame.width()) / 2);
    EXPECT_EQ(frame.top(), screen.top() + (screen.height() - frame.height()) / 2);
}

TEST_F(FormTest, ExceptionInOnCreateReachesTheErrorBoxAndTheFormStillOpens)
{
    TTestForm::sOnCreate = [](TTestForm& form) {
        form.EditSource->SetText(QStringLiteral("before the failure"));
        throw Exception(QStringLiteral("Table introuvable"));
    };
    TTestForm* form = CreateMainForm();

    ASSERT_NE(form, nullptr);
    EXPECT_EQ(scope.App().MainForm(), form);
    EXPECT_EQ(recorder->ErrorTexts(), QStringList{QStringLiteral("Table introuvable.")});
    EXPECT_EQ(recorder->Requests().front().caption, QStringLiteral("Restauration"));
    EXPECT_EQ(form->EditSource->Text(), QStringLiteral("before the failure"));

    form->Show();
    EXPECT_TRUE(form->Widget()->isVisible());
}

TEST_F(FormTest, HandlerThatThrowsShowsTheBoxAndLaterEventsStillRun)
{
    TTestForm* form = CreateMainForm();
    int browses = 0;
    form->onBrowse = [&] {
        if (++browses == 1)
            throw EInOutError(QStringLiteral("Le dossier n'existe pas"), 2);
    };
    auto* button = static_cast<QPushButton*>(form->Browse->Widget());
    button->click();
    button->click();
    EXPECT_EQ(browses, 2);
    EXPECT_EQ(recorder->ErrorTexts(), QStringList{QStringLiteral("Le dossier n'existe pas.")});
}

TEST_F(FormTest, TerminateInsideOnCreateMakesRunReturnWithoutShowingTheForm)
{
    TTestForm::sOnCreate = [](TTestForm&) { Application->Terminate(); };
    TTestForm* form = CreateMainForm();
    EXPECT_TRUE(scope.App().Terminated());

    ArmSafetyStop();
    scope.App().Run();
    EXPECT_FALSE(safetyStopFired);
    EXPECT_FALSE(form->Widget()->isVisible());
}

TEST_F(FormTest, ClosingTheMainFormFromAHandlerEndsRun)
{
    TTestForm* form = CreateMainForm();
    QTimer::singleShot(0, form->Widget(), [form] { static_cast<QPushButton*>(form->Quit->Widget())->click(); });
    ArmSafetyStop();
    scope.App().Run();
    EXPECT_FALSE(safetyStopFired);
    EXPECT_TRUE(scope.App().Terminated());
}

TEST_F(FormTest, EnterAndEscapeLeftByTheFocusedControlPressTheDefaultAndCancelButtons)
{
    TTestForm* form = CreateMainForm();
    QStringList pressed;
    form->onQuit = [&] { pressed.append(QStringLiteral("Quit")); };
    form->onBrowse = [&] { pressed.append(QStringLiteral("Browse")); };
    form->Show();

    struct Case {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        bool browseIsDefault;
        const char* expected;   // the button pressed, or ""
    };
    const Case cases[] = {
        {Qt::Key_Escape, Qt::NoModifier, false, "Quit"},
        {Qt::Key_Escape, Qt::ShiftModifier, false, ""},
        {Qt::Key_Return, Qt::NoModifier, false, ""},
        {Qt::Key_Return, Qt::NoModifier, true, "Browse"},
        {Qt::Key_Enter, Qt::KeypadModifier, true, "Browse"},
    };
    for (const Case& c : cases) {
        pressed.clear();
        form->Browse->SetDefault(c.browseIsDefault);
        PressKey(form->EditSource->Widget(), c.key, QString(), c.modifiers);
        EXPECT_EQ(pressed.join(QString()), QString::fromLatin1(c.expected)) << c.key << " " << c.browseIsDefault;
    }
    EXPECT_EQ(form->ModalResult(), mrOk) << "the cancel button's modal result went to the form";
}

TEST_F(FormTest, WrittenDefinitionReadsBackIntoTheSameForm)
{
    TTestForm* first = CreateMainForm();
    const QString written = WriteComponent(first);
    EXPECT_FALSE(written.contains(QStringLiteral("Visible"))) << "defaults are left out:\n" << written.toStdString();
    EXPECT_TRUE(written.contains(QStringLiteral("OnCloseUp = AliasCloseUp"))) << written.toStdString();

    testsupport::TempFolder folder;
    const QString file = folder.write(QStringLiteral("again.dfm"), written.toUtf8());
    class TAgainForm : public TTestForm {
    public:
        TAgainForm(TComponent* owner, const QString& file) : TTestForm(owner)
        {
            DestroyComponents();
            ReadDefinition(file);
        }
    };
    TAgainForm second(nullptr, file);
    for (const TTestForm* form : {static_cast<const TTestForm*>(first), static_cast<const TTestForm*>(&second)}) {
        SCOPED_TRACE(form == first ? "first" : "second");
        EXPECT_EQ(form->Widget()->windowTitle(), QStringLiteral("R\u00e9cup\u00e9ration des tables"));
        EXPECT_EQ(QSize(form->ClientWidth(), form->ClientHeight()), QSize(420, 160));
        EXPECT_EQ(form->Alias->Widget()->geometry(), QRect(70, 12, 177, 21));
        EXPECT_EQ(form->Quit->TabOrder(), 3);
        EXPECT_TRUE(form->Quit->Cancel());
        EXPECT_TRUE(form->LabelAlias->Font()->Style().Contains(fsBold));
        EXPECT_FALSE(form->LabelAlias->ParentFont());
        EXPECT_TRUE(form->EditSource->ParentFont());
    }
}

TEST_F(FormTest, PlainFormFromADefinitionFile)
{
    testsupport::TempFolder folder;
    const QString file = folder.write(QStringLiteral("Progress.dfm"), QByteArray(R"(object FProgress: TForm
  BorderIcons = [biSystemMenu, biMinimize]
  Caption = 'Progression'
  ClientHeight = 155
  ClientWidth = 442
  FormStyle = fsStayOnTop
  object Info: TLabel
    Left = 8
    Top = 8
    Width = 426
    Height = 40
    Alignment = taCenter
    AutoSize = False
    Caption = 'Restauration en cours'
    WordWrap = True
  end
end
)"));
    std::unique_ptr<TForm> form(TForm::CreateFromResource(nullptr, file));
    EXPECT_EQ(form->Name(), QStringLiteral("FProgress"));
    EXPECT_EQ(form->ClientWidth(), 442);
    EXPECT_TRUE(form->Widget()->windowFlags() & Qt::WindowStaysOnTopHint);
    auto* info = dynamic_cast<TLabel*>(form->FindComponent(QStringLiteral("Info")));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->Widget()->geometry(), QRect(8, 8, 426, 40)) << "a fixed-size label keeps its size";
    EXPECT_TRUE(static_cast<QLabel*>(info->Widget())->alignment() & Qt::AlignHCenter);

    EXPECT_THROW(TForm::CreateFromResource(nullptr, folder.file(QStringLiteral("absent.dfm"))), EReadError);
}

TEST_F(FormTest, DropDownHandlersAreBoundFromTheDefinition)
{
    TTestForm* form = CreateMainForm();
    form->Alias->Items()->Clear();
    form->Alias->Items()->AddStrings(QStringList{"prod", "test"});
    form->Alias->ApplyList();
    form->Alias->SetItemIndex(1);
    QStringList seen;
    form->onKeyDown = [&](Word&, TShiftState) { form->Alias->DropDown(); };
    form->onCloseUp = [&](bool) { seen.append(form->Alias->Text()); };
    form->Show();

    PressKey(form->Alias->Widget(), Qt::Key_Up);
    EXPECT_TRUE(form->Alias->DroppedDown());
    form->Alias->CloseUp();
    QApplication::processEvents();
    EXPECT_EQ(seen, QStringList{QStringLiteral("prod")});
}

TEST_F(FormTest, DestroyingAShownFormRunsNoHandlersOnTheWay)
{
    TTestForm* form = CreateMainForm();
    QStringList late;
    form->OnHide = [&](TObject*) { late.append(QStringLiteral("OnHide")); };
    form->EditSource->OnExit = [&](TObject*) { late.append(QStringLiteral("OnExit")); };
    form->Alias->OnMouseLeave = [&](TObject*) { late.append(QStringLiteral("OnMouseLeave")); };
    form->Show();
    form->Widget()->activateWindow();
    form->EditSource->SetFocus();
    QApplication::processEvents();

    delete form;
    EXPECT_EQ(late, QStringList{});
    EXPECT_EQ(scope.App().MainForm(), nullptr);
    EXPECT_TRUE(scope.App().Terminated()) << "the main form went away";
}

TEST_F(FormTest, GrabbedScreenshotIsThePaintedForm)
{
    TTestForm* form = CreateMainForm();
    form->Alias->Items()->Clear();
    form->Alias->Items()->AddStrings(QStringList{"DATA_PROD", "DATA_TEST"});
    form->Alias->ApplyList();
    form->Alias->SetItemIndex(0);
    form->EditSource->SetText(QStringLiteral("/srv/backup/WAUTOBACKUP/"));
    form->Show();
    QApplication::processEvents();

    testsupport::TempFolder folder;
    const QString file = folder.file(QStringLiteral("testform.png"));
    ASSERT_TRUE(form->Grab().save(file, "PNG"));
    if (const QByteArray keep = qgetenv("VARNEL_KEEP_SCREENSHOTS"); !keep.isEmpty())
        form->Grab().save(QString::fromLocal8Bit(keep) + QStringLiteral("/testform.png"), "PNG");

    const QImage image(file);
    ASSERT_EQ(image.size(), QSize(420, 160));
    // The background is the button face; the edit's inside is the window colour.
    EXPECT_EQ(image.pixelColor(410, 100), ToQColor(clBtnFace));
    EXPECT_EQ(image.pixelColor(200, 58), ToQColor(clWindow));
}

} // namespace
