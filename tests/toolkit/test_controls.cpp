// Controls beyond the main window's first needs: memo, gauge, accelerators,
// the focus notice, the screen cursor, system-menu commands, modal forms.
#include "keyinput.h"
#include "qtprint.h"

#include "framework/typinfo.h"
#include "toolkit/application.h"
#include "toolkit/forms.h"
#include "toolkit/gauges.h"
#include "toolkit/recordingpresenter.h"
#include "toolkit/screen.h"
#include "toolkit/stdctrls.h"

#include <QCursor>
#include <QGuiApplication>
#include <QImage>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class ControlsTest : public ::testing::Test {
protected:
    ControlsTest()
    {
        form = new TForm(&scope.App());
        form->SetClientWidth(400);
        form->SetClientHeight(200);
    }

    void ShowActive()
    {
        form->Show();
        form->Widget()->activateWindow();
        QApplication::processEvents();
    }

    TApplicationScope scope;
    std::shared_ptr<TRecordingPresenter> recorder = std::make_shared<TRecordingPresenter>();
    TPresenterScope presenterScope{recorder};
    TForm* form = nullptr;
};

TEST_F(ControlsTest, MemoSplitsTextIntoLinesAtEveryKindOfBreak)
{
    auto* memo = new TMemo(form);
    memo->SetWordWrap(false);
    struct Case {
        const char* text;
        QStringList lines;
    };
    const Case cases[] = {
        {"first\r\nsecond", {"first", "second"}},
        {"first\rsecond", {"first", "second"}},
        {"first\nsecond\n", {"first", "second"}},
        {"only", {"only"}},
        {"", {}},
    };
    for (const Case& c : cases) {
        memo->SetText(QString::fromLatin1(c.text));
        EXPECT_EQ(memo->Lines()->ToStringList(), c.lines) << c.text;
    }
    memo->SetText(QStringLiteral("EXECUTE PROCEDURE sp_RestoreFreeTables(:Source)\r\nmore"));
    EXPECT_EQ(memo->Lines()->Strings(0), QStringLiteral("EXECUTE PROCEDURE sp_RestoreFreeTables(:Source)"));
    memo->Clear();
    EXPECT_EQ(memo->Lines()->Count(), 0);
    EXPECT_EQ(memo->Text(), QString());
}

TEST_F(ControlsTest, GaugeShowsTheWholePercentageWithinItsBounds)
{
    auto* gauge = new TGauge(form);
    struct Case {
        qint32 minValue, maxValue, progress;
        qint32 kept;
        int percent;
    };
    const Case cases[] = {
        {0, 100, 42, 42, 42},
        {0, 3, 2, 2, 66},          // integer part, not rounded
        {0, 100, 150, 100, 100},   // clamped to the bounds
        {10, 20, -5, 10, 0},
        {5, 5, 5, 5, 0},           // equal bounds: no division
    };
    for (const Case& c : cases) {
        gauge->SetMinValue(0);
        gauge->SetMaxValue(100);
        gauge->SetMinValue(c.minValue);
        gauge->SetMaxValue(c.maxValue);
        gauge->SetProgress(c.progress);
        EXPECT_EQ(gauge->Progress(), c.kept) << c.minValue << ".." << c.maxValue << " " << c.progress;
        EXPECT_EQ(gauge->PercentDone(), c.percent) << c.minValue << ".." << c.maxValue << " " << c.progress;
    }
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

TEST_F(ControlsTest, GaugeRepaintsOnlyWhenThePercentageChangesAndDrawsTheBar)
{
    auto* gauge = new TGauge(form);
    gauge->SetBounds(10, 10, 202, 22);
    gauge->SetForeColor(clBlue);
    gauge->SetMaxValue(1000);
    ShowActive();
    PaintCounter counter(gauge->Widget());

    gauge->SetProgress(503);   // 50 %
    QApplication::processEvents();
    const int afterChange = counter.paints;
    gauge->SetProgress(507);   // still 50 %
    QApplication::processEvents();
    EXPECT_GT(afterChange, 0);
    EXPECT_EQ(counter.paints, afterChange);

    const QImage image = gauge->Grab().toImage();
    EXPECT_EQ(image.pixelColor(5, 3), QColor(Qt::blue)) << "filled part";
    EXPECT_EQ(image.pixelColor(195, 3), QColor(Qt::white)) << "empty part";
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::black)) << "border";
    EXPECT_THROW(gauge->SetKind(gkPie), EPropertyError);
}

TEST_F(ControlsTest, ColourPaintsBehindLabelsAndInsideEdits)
{
    auto* label = new TLabel(form);
    label->SetCaption(QStringLiteral("Alias :"));
    auto* edit = new TEdit(form);
    edit->SetBounds(100, 50, 120, 21);
    form->SetColor(clYellow);
    edit->SetColor(clAqua);
    ShowActive();

    const QImage image = form->Grab().toImage();
    EXPECT_EQ(image.pixelColor(390, 190), QColor(Qt::yellow)) << "the form";
    EXPECT_EQ(image.pixelColor(label->Width() - 1, 1), QColor(Qt::yellow)) << "the label follows the form";
    EXPECT_EQ(image.pixelColor(200, 60), QColor(Qt::cyan)) << "inside the edit";
}

TEST_F(ControlsTest, BoldCaptionsInTheDefinitionFaceFitTheRoomTheirLayoutGives)
{
    // The main window's longest caption stands at 18 with its edit at 160.
    auto* label = new TLabel(form);
    label->SetLeft(18);
    label->Font()->SetName(QStringLiteral("MS Sans Serif"));
    label->Font()->SetHeight(-11);
    label->Font()->SetStyle({fsBold});
    label->SetCaption(QStringLiteral("R\u00e9pertoire Destination :"));
    EXPECT_LE(label->Left() + label->Width(), 160);
    EXPECT_GT(label->Width(), 60);
}

TEST_F(ControlsTest, HintsShowWhereShowHintHoldsOrIsTakenFromTheParent)
{
    auto* follower = new TEdit(form);
    follower->SetHint(QStringLiteral("Source folder"));
    auto* own = new TButton(form);
    own->SetHint(QStringLiteral("Fermer l'application"));
    own->SetShowHint(true);
    auto* silent = new TButton(form);
    silent->SetHint(QStringLiteral("never shown"));
    silent->SetShowHint(false);

    EXPECT_EQ(follower->Widget()->toolTip(), QString()) << "the form shows no hints yet";
    EXPECT_EQ(own->Widget()->toolTip(), QStringLiteral("Fermer l'application"));
    form->SetShowHint(true);
    EXPECT_TRUE(follower->ShowHint());
    EXPECT_EQ(follower->Widget()->toolTip(), QStringLiteral("Source folder"));
    EXPECT_EQ(silent->Widget()->toolTip(), QString());
}

TEST_F(ControlsTest, AcceleratorsClickOrFocusTheirControls)
{
    struct Case {
        char typed;
        const char* caption;
        bool accel;
    };
    const Case cases[] = {
        {'f', "&Fermer", true}, {'F', "&fermer", true}, {'e', "&Fermer", false},
        {'a', "A&&B", false},   {'b', "A&&&B", true},   {'x', "no mark", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsAccel(QChar(c.typed), QString::fromLatin1(c.caption)), c.accel) << c.caption;

    auto* edit = new TEdit(form);
    auto* button = new TButton(form);
    button->SetTop(40);
    auto* label = new TLabel(form);
    label->SetTop(80);
    label->SetCaption(QStringLiteral("&Source"));
    label->SetFocusControl(edit);
    ShowActive();
    button->SetFocus();
    QApplication::processEvents();

    PressKey(button->Widget(), Qt::Key_S, QStringLiteral("s"), Qt::AltModifier);
    QApplication::processEvents();
    EXPECT_TRUE(edit->Focused());
}

// A control that records the focus notices it hears.
class TFocusWatcher : public TEdit {
public:
    using TEdit::TEdit;
    std::vector<TWinControl*> notices;
    void FocusChanged(TWinControl* focused) override { notices.push_back(focused); }
};

TEST_F(ControlsTest, EveryControlHearsWhereTheFocusWent)
{
    auto* watcher = new TFocusWatcher(form);
    auto* first = new TEdit(form);
    first->SetTop(30);
    auto* second = new TButton(form);
    second->SetTop(60);
    ShowActive();
    watcher->notices.clear();

    first->SetFocus();
    QApplication::processEvents();
    second->SetFocus();
    QApplication::processEvents();
    EXPECT_EQ(watcher->notices, (std::vector<TWinControl*>{first, second}));
    EXPECT_EQ(form->ActiveControl(), second);
}

TEST_F(ControlsTest, TabOrderSetAtRunTimeMovesTheControl)
{
    auto* a = new TEdit(form);
    auto* b = new TEdit(form);
    auto* c = new TEdit(form);
    EXPECT_EQ(std::vector<int>({a->TabOrder(), b->TabOrder(), c->TabOrder()}), std::vector<int>({0, 1, 2}));
    c->SetTabOrder(0);
    EXPECT_EQ(std::vector<int>({a->TabOrder(), b->TabOrder(), c->TabOrder()}), std::vector<int>({1, 2, 0}));
    QWidget* next = c->Widget()->nextInFocusChain();
    while (!(next->focusPolicy() & Qt::TabFocus))
        next = next->nextInFocusChain();
    EXPECT_EQ(next, a->Widget()) << "Tab goes from the first to the second";
}

TEST_F(ControlsTest, HourglassCoversEveryWindowUntilTheDefaultCursorComesBack)
{
    TScreen screen;
    screen.SetCursor(crHourGlass);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    screen.SetCursor(crHourGlass);   // no second layer to undo
    screen.SetCursor(crDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(ControlsTest, RemovedCloseCommandKeepsTheWindowOpenButCodeStillCloses)
{
    ShowActive();
    EXPECT_TRUE(form->HasSystemMenuCommand(SC_CLOSE));
    EXPECT_TRUE(form->DeleteSystemMenuCommand(SC_CLOSE));
    EXPECT_FALSE(form->DeleteSystemMenuCommand(SC_CLOSE));
    EXPECT_FALSE(form->Widget()->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(form->Widget()->isVisible()) << "changing the frame keeps the window shown";

    form->Widget()->close();   // what the window system's close does
    EXPECT_TRUE(form->Widget()->isVisible());
    form->Close();
    EXPECT_FALSE(form->Widget()->isVisible());
}

TEST_F(ControlsTest, MinimisingTheProgramMinimisesItsShownWindowsAndRestoreBringsThemBack)
{
    TForm other(nullptr);   // a window without owner counts as well
    ShowActive();
    other.Show();
    TForm hidden(nullptr);

    scope.App().Minimize();
    EXPECT_TRUE(form->Widget()->isMinimized());
    EXPECT_TRUE(other.Widget()->isMinimized());
    EXPECT_FALSE(hidden.Widget()->isVisible()) << "a hidden form stays hidden";

    scope.App().Restore();
    EXPECT_FALSE(form->Widget()->isMinimized());
    EXPECT_FALSE(other.Widget()->isMinimized());
    EXPECT_FALSE(hidden.Widget()->isVisible());
}

TEST_F(ControlsTest, ShowModalReturnsTheModalResultOfTheButtonPressed)
{
    auto* ok = new TButton(form);
    ok->SetModalResult(mrOk);
    QTimer::singleShot(0, ok->Widget(), [ok] { ok->Click(); });
    EXPECT_EQ(form->ShowModal(), mrOk);
    EXPECT_FALSE(form->Widget()->isVisible());

    QTimer::singleShot(0, form->Widget(), [this] { form->Widget()->close(); });
    EXPECT_EQ(form->ShowModal(), mrCancel);
}

} // namespace
