// The minimiser on real forms of the offscreen platform: the window system's
// minimise, maximise, activation and title-bar double click reach the form's
// widget as Qt events, as they would from the desktop.
#include "controls/MinModal.h"
#include "toolkit/application.h"
#include "toolkit/forms.h"

#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMouseEvent>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Records the events of one type that reach it. Installed before the
// minimiser, it runs after it, so it sees only what the minimiser passed on.
class EventRecorder : public QObject {
public:
    EventRecorder(QWidget* widget, QEvent::Type type) : mType(type) { widget->installEventFilter(this); }
    int seen = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == mType)
            ++seen;
        return false;
    }

private:
    QEvent::Type mType;
};

class MinModalTest : public ::testing::Test {
protected:
    MinModalTest()
    {
        mainForm = new TForm(&scope.App());
        mainForm->SetBounds(50, 50, 300, 200);
        progress = new TForm(&scope.App());
        progress->SetBounds(120, 90, 442, 155);
    }

    // The tool's situation: the main window shown, the progress window in
    // front of it carrying the minimiser.
    TMinModal* ShowBoth()
    {
        auto* minimiser = new TMinModal(progress);
        mainForm->Show();
        progress->Show();
        QApplication::processEvents();
        return minimiser;
    }

    void DoubleClickTitleBar(TForm* form)
    {
        QMouseEvent click(QEvent::NonClientAreaMouseButtonDblClick, QPointF(20, -10), QPointF(20, -10),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(form->Widget(), &click);
    }

    static QRect Bounds(const TForm* form) { return {form->Left(), form->Top(), form->Width(), form->Height()}; }

    TApplicationScope scope;
    TForm* mainForm = nullptr;
    TForm* progress = nullptr;
};

TEST_F(MinModalTest, MinimisingTheFormMinimisesTheWholeProgramAndActivatingItRestoresIt)
{
    EventRecorder passedOn(progress->Widget(), QEvent::WindowStateChange);
    TMinModal* minimiser = ShowBoth();
    std::vector<TObject*> senders;
    minimiser->OnMinimize = [&](TObject* Sender) { senders.push_back(Sender); };

    progress->Widget()->showMinimized();   // the title bar's minimise button
    QApplication::processEvents();
    EXPECT_EQ(senders, std::vector<TObject*>{minimiser});
    EXPECT_TRUE(progress->Widget()->isMinimized());
    EXPECT_TRUE(mainForm->Widget()->isMinimized()) << "the whole program goes to the taskbar";
    EXPECT_EQ(passedOn.seen, 0) << "the minimise is answered by the minimiser alone";

    // The operator works in another window, then brings the progress window
    // back from the taskbar: it becomes active, and the program's other
    // windows come back with it.
    TForm elsewhere(nullptr);
    elsewhere.Show();
    elsewhere.Widget()->activateWindow();
    QApplication::processEvents();
    ASSERT_FALSE(progress->Active());
    progress->Widget()->showNormal();
    progress->Widget()->activateWindow();
    QApplication::processEvents();
    EXPECT_TRUE(progress->Active());
    EXPECT_FALSE(mainForm->Widget()->isMinimized());
    EXPECT_FALSE(progress->Widget()->isMinimized());
    EXPECT_EQ(senders.size(), 1u);
}

TEST_F(MinModalTest, MaximisingSizesTheFormToTheWorkAreaOfItsMonitorInstead)
{
    ShowBoth();
    const QRect workArea = QGuiApplication::screens().at(0)->availableGeometry();

    progress->Widget()->showMaximized();   // the maximise command
    QApplication::processEvents();
    EXPECT_FALSE(progress->Widget()->isMaximized());
    EXPECT_EQ(Bounds(progress), workArea);

    progress->SetBounds(120, 90, 442, 155);
    DoubleClickTitleBar(progress);
    EXPECT_EQ(Bounds(progress), workArea) << "a double click on the title bar maximises the same way";
}

TEST_F(MinModalTest, TitleBarDoubleClickOfAFormWithoutMaximiseButtonIsPassedOn)
{
    progress->SetBorderIcons({biSystemMenu, biMinimize});
    EventRecorder passedOn(progress->Widget(), QEvent::NonClientAreaMouseButtonDblClick);
    ShowBoth();
    const QRect before = Bounds(progress);

    DoubleClickTitleBar(progress);
    EXPECT_EQ(passedOn.seen, 1);
    EXPECT_EQ(Bounds(progress), before);
}

TEST_F(MinModalTest, EventsOtherThanItsOwnReachTheFormUnchanged)
{
    EventRecorder passedOn(progress->Widget(), QEvent::WindowActivate);
    EventRecorder resized(progress->Widget(), QEvent::Resize);
    ShowBoth();
    progress->Widget()->activateWindow();
    QApplication::processEvents();
    progress->SetBounds(120, 90, 500, 200);
    EXPECT_GE(passedOn.seen, 1) << "activation is acted on and passed on";
    EXPECT_GE(resized.seen, 1);
    EXPECT_EQ(progress->Width(), 500);
}

TEST_F(MinModalTest, TheFormIsFoundUpTheOwnerChainAndNotTakenOverWhileDesigning)
{
    auto* holder = new TComponent(progress);
    auto* nested = new TMinModal(holder);
    EXPECT_EQ(nested->Form(), progress);
    EXPECT_TRUE(nested->Installed());
    EXPECT_EQ(progress->DragKind(), dkDock);
    EXPECT_EQ(nested->About(), QStringLiteral("TMinModal"));
    nested->SetAbout(QStringLiteral("changed"));
    EXPECT_EQ(nested->About(), QStringLiteral("TMinModal")) << "About ignores assignments";

    TComponent loose(nullptr);
    TMinModal orphan(&loose);
    EXPECT_EQ(orphan.Form(), nullptr);
    EXPECT_FALSE(orphan.Installed());

    TForm designed(nullptr);
    designed.SetDesigning(true);
    TMinModal designing(&designed);
    EXPECT_EQ(designing.Form(), nullptr);
    EXPECT_FALSE(designing.Installed());
    EXPECT_EQ(designed.DragKind(), dkDrag);
}

TEST_F(MinModalTest, TheTakeoverEndsWithTheComponentOrWithTheFormWindow)
{
    TMinModal* minimiser = ShowBoth();
    delete minimiser;
    progress->Widget()->showMinimized();
    EXPECT_FALSE(mainForm->Widget()->isMinimized()) << "a destroyed minimiser leaves the form alone";

    auto* second = new TMinModal(progress);
    ASSERT_TRUE(second->Installed());
    delete progress->Widget();   // the window goes before the component
    EXPECT_FALSE(second->Installed());
    delete second;
    delete progress;
}

// Several monitors need a platform configured with them: the test runs
// itself again in a child process on an offscreen platform with two screens.
constexpr const char* kTwoScreensVariable = "VARNEL_MINMODAL_TWO_SCREENS";

TEST_F(MinModalTest, OnAnotherMonitorMaximisingFillsThatWholeMonitor)
{
    if (!qEnvironmentVariableIsSet(kTwoScreensVariable)) {
        QTemporaryDir folder;
        const QString config = folder.filePath(QStringLiteral("screens.json"));
        QJsonArray screens;
        screens.append(QJsonObject{{"name", "first"}, {"x", 0}, {"y", 0}, {"width", 1024}, {"height", 768}});
        screens.append(QJsonObject{{"name", "second"}, {"x", 1024}, {"y", 0}, {"width", 800}, {"height", 600}});
        QFile file(config);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QJsonDocument(QJsonObject{{"screens", screens}}).toJson());
        file.close();
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(kTwoScreensVariable), QStringLiteral("1"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=") + config);
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=MinModalTest.OnAnotherMonitorMaximisingFillsThatWholeMonitor")});
        ASSERT_TRUE(child.waitForFinished(60000));
        EXPECT_EQ(child.exitCode(), 0) << child.readAll().toStdString();
        return;
    }
    ASSERT_EQ(QGuiApplication::screens().size(), 2) << "the child's platform has two screens";
    TMinModal* minimiser = ShowBoth();
    const auto maximisedFrom = [&](QPoint place) {
        progress->SetBounds(place.x(), place.y(), 442, 155);
        QApplication::processEvents();
        minimiser->SetMax(progress);
        QApplication::processEvents();
        return Bounds(progress);
    };
    EXPECT_EQ(maximisedFrom({1100, 100}), QRect(1024, 0, 800, 600));
    EXPECT_EQ(maximisedFrom({100, 100}), QGuiApplication::screens().at(0)->availableGeometry());
    EXPECT_EQ(maximisedFrom({3000, 2000}), QRect(1024, 0, 800, 600)) << "beyond both: the nearest one";
}

} // namespace
