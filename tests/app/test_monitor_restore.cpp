// The progress monitor on real free-table restores of a demo installation:
// the tool's main window started as the program starts it, the start button
// clicked, the restore executed by the real engine on the worker while the
// monitor follows it on this thread.
//
// A restore of the demo tables takes a fraction of a second, so the tests
// that need it running longer pace it: the engine asks the registered SQL
// abort test before each statement of the script and at every step of the
// copy, and the test's abort test, on the worker only, holds the restore
// at its second copy step (the server then lists the cursor-open statement
// with a percentage) until the test lets it go.
#include "ads/ace.h"
#include "ads/adscnnct.h"
#include "ads/adstable.h"
#include "app/UGaugeQuery.h"
#include "app/UmenuPrinc.h"
#include "app/program.h"
#include "framework/fields.h"
#include "tests/app/tool_test_support.h"
#include "tests/support/testsupport.h"
#include "toolkit/application.h"
#include "toolkit/screen.h"
#include "toolkit/recordingpresenter.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

using testsupport::EnvGuard;
using testsupport::TempFolder;

namespace {

const QString kCursorOpenLine = QStringLiteral("Executing cursor OPEN statment in SQL script.");
const QString kComputerName = QStringLiteral("VARNEL-MONITOR");

// Holds the worker's restore at its second copy step until released.
class RestorePacer {
    // The restore script's statements, each preceded by one abort test:
    // two declarations, three assignments and the cursor's opening.
    static constexpr int kScriptStatements = 6;

public:
    static void Install(std::thread::id uiThread)
    {
        std::lock_guard lock(sMutex);
        sUiThread = uiThread;
        sHeld = true;
        sSteps = 0;
        sHolding = false;
        ace::AdsRegisterSQLAbortFunc(&RestorePacer::Step);
    }
    static void Release()
    {
        {
            std::lock_guard lock(sMutex);
            sHeld = false;
        }
        sReleased.notify_all();
    }
    static void Uninstall()
    {
        Release();
        ace::AdsClearSQLAbortFunc();
    }
    static bool Holding() { return sHolding; }

private:
    static UNSIGNED32 Step()
    {
        if (std::this_thread::get_id() == sUiThread)
            return 0;
        // Long enough apart that the engine publishes every step's progress.
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        std::unique_lock lock(sMutex);
        if (++sSteps >= kScriptStatements + 2 && sHeld) {
            sHolding = true;
            sReleased.wait(lock, [] { return !sHeld; });
            sHolding = false;
        }
        return 0;
    }

    static inline std::mutex sMutex;
    static inline std::condition_variable sReleased;
    static inline std::thread::id sUiThread;
    static inline bool sHeld = false;
    static inline int sSteps = 0;
    static inline std::atomic<bool> sHolding{false};
};

// What the operator sees of the progress window at one moment.
struct Seen {
    QString operation;
    QString estimation;
    qint32 progress = 0;
};

// The progress windows that exist now, shown or not.
QList<TFGaugeQuery*> ProgressWindows()
{
    QList<TFGaugeQuery*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = dynamic_cast<TFGaugeQuery*>(TControl::FromWidget(widget)))
            windows.append(window);
    return windows;
}

// The restore as the server lists it, read on a connection of the test's own.
struct ServerRow {
    double percent = 0;
    QString seconds;
};

class MonitorRestoreTest : public ::testing::Test {
protected:
    MonitorRestoreTest()
    {
        int argc = 0;
        CreateApplicationWindows(argc, nullptr);
        Window().Show();
        Application->ProcessMessages();
        mSource = Demo().Path(QStringLiteral("data/WAUTOBACKUP/ventes"));
        mDestination = mWork.file("restored");
        QDir().mkpath(mDestination);
        Window().EditSource->SetText(mSource);
        Window().EditDestination->SetText(mDestination);
        // The engine is loaded and the restore connection open before the
        // click, so the worker reaches the server at once.
        Window().AdsConnectionRestore->SetIsConnected(true);
        mWatcher.setInterval(0);
        QObject::connect(&mWatcher, &QTimer::timeout, [this] { Watch(); });
        mWatcher.start();
    }

    void SetUp() override
    {
        ASSERT_TRUE(Demo().Built()) << "the demo builder failed: " << Demo().BuildOutput().toStdString();
    }

    ~MonitorRestoreTest() override
    {
        mWatcher.stop();
        RestorePacer::Uninstall();
        WaitForWorker();
        mServer.reset();
        mServerConnection.reset();
        DestroyApplicationWindows();
    }

    TFPrincipal& Window() { return *FPrincipal; }

    void ExpectIdleWindow() { tooltest::ExpectIdleWindow(Window()); }

    void WaitForWorker()
    {
        if (!FPrincipal)
            return;
        QElapsedTimer waited;
        waited.start();
        while (!Window().RestoreWorkerFinished() && waited.elapsed() < 120000) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            QApplication::processEvents();
        }
        ASSERT_TRUE(Window().RestoreWorkerFinished()) << "the restore never ended";
    }

    // Runs while the monitor processes window messages (and whenever else
    // the event loop turns): notes what a shown progress window shows and
    // hands it to the test's step.
    void Watch()
    {
        // A monitor that never shows its window would leave the held worker
        // (and the click waiting for it) hanging: let it go after a while.
        if (RestorePacer::Holding() && mSeen.empty()) {
            if (!mUnseenHold.isValid())
                mUnseenHold.start();
            if (mUnseenHold.elapsed() > 15000)
                RestorePacer::Release();
        }
        if (mReleaseOnceNoWindow && ProgressWindows().isEmpty())
            RestorePacer::Release();
        for (TFGaugeQuery* window : ProgressWindows()) {
            if (!window->Visible())
                continue;
            mSeen.push_back({window->LabelOperation->Caption(), window->LabelEstimation->Caption(),
                             window->GaugeOperation->Progress()});
            if (mWhileShown)
                mWhileShown(*window);
        }
    }

    std::optional<ServerRow> ReadServerRow()
    {
        if (!mServer) {
            mServerConnection = std::make_unique<TAdsConnection>(nullptr);
            mServerConnection->SetConnectPath(mWork.path());
            mServer = std::make_unique<TAdsQuery>(nullptr);
            mServer->SetAdsConnection(mServerConnection.get());
            mServer->SQL()->SetText(QStringLiteral("EXECUTE PROCEDURE sp_GetSQLStatements()"));
        }
        mServer->Close();
        mServer->Open();
        for (mServer->First(); !mServer->Eof(); mServer->Next()) {
            const QString query = mServer->FieldByName(QStringLiteral("Query"))->AsString();
            if (query.section(QLatin1Char('\n'), 0, 0).section(QLatin1Char('\r'), 0, 0) != kCursorOpenLine
                || mServer->FieldByName(QStringLiteral("Connection Name"))->AsString() != kComputerName)
                continue;
            return ServerRow{mServer->FieldByName(QStringLiteral("Percent Complete"))->AsFloat(),
                             mServer->FieldByName(QStringLiteral("Seconds Until Finished"))->AsString()};
        }
        return std::nullopt;
    }

    // True once the worker has been held for long enough that the monitor
    // has reopened its list at least twice since.
    bool HeldThroughTwoPolls()
    {
        if (!RestorePacer::Holding()) {
            mHeldFor.invalidate();
            return false;
        }
        if (!mHeldFor.isValid())
            mHeldFor.start();
        return mHeldFor.elapsed() > 1200;
    }

    QString OperationText() const
    {
        return QStringLiteral("Ex\u00e9cution de la requ\u00eate : Restauration du r\u00e9pertoire : ") + mSource;
    }

    static const tooltest::DemoInstallation& Demo() { return tooltest::DemoInstallation::Shared(); }

    TempFolder mWork;
    tooltest::ToolSurroundings<> mSurroundings{Demo().Path(), mWork.path()};
    const std::shared_ptr<TRecordingPresenter> mBoxes = mSurroundings.boxes;
    EnvGuard mComputer{"COMPUTERNAME", kComputerName.toLatin1()};
    QString mSource;
    QString mDestination;
    QTimer mWatcher;
    std::vector<Seen> mSeen;
    std::function<void(TFGaugeQuery&)> mWhileShown;
    bool mReleaseOnceNoWindow = false;
    QElapsedTimer mHeldFor;
    QElapsedTimer mUnseenHold;
    std::unique_ptr<TAdsConnection> mServerConnection;
    std::unique_ptr<TAdsQuery> mServer;
};

TEST_F(MonitorRestoreTest, ARestoreRunningOverASecondShowsTheServersProgressUntilItEnds)
{
    RestorePacer::Install(std::this_thread::get_id());
    std::optional<ServerRow> server;
    std::optional<Seen> shownWhileHeld;
    bool mainMinimisedWithProgress = false;
    mWhileShown = [&](TFGaugeQuery& window) {
        // The operator sends the progress window to the taskbar: the whole
        // program goes with it.
        if (!window.Widget()->isMinimized() && !mainMinimisedWithProgress) {
            window.Widget()->showMinimized();
            QApplication::processEvents();
            mainMinimisedWithProgress = Window().Widget()->isMinimized();
        }
        if (shownWhileHeld || !HeldThroughTwoPolls())
            return;
        server = ReadServerRow();
        shownWhileHeld = Seen{window.LabelOperation->Caption(), window.LabelEstimation->Caption(),
                              window.GaugeOperation->Progress()};
        RestorePacer::Release();
    };

    Window().BtnStart->Click();
    Application->ProcessMessages();

    EXPECT_EQ(mBoxes->ErrorTexts(), QStringList());
    EXPECT_EQ(mBoxes->MessageTexts(), QStringList{QStringLiteral("Op\u00e9ration termin\u00e9e!!")});
    ASSERT_FALSE(mSeen.empty()) << "the progress window was never shown";
    EXPECT_EQ(mSeen.front().operation, OperationText());
    ASSERT_TRUE(shownWhileHeld) << "the restore was not followed while it was held";
    ASSERT_TRUE(server) << "the server did not list the held restore";
    EXPECT_GT(server->percent, 0.0);
    EXPECT_FALSE(server->seconds.isEmpty());
    EXPECT_EQ(shownWhileHeld->estimation, QStringLiteral("Estimation en seconde : ") + server->seconds);
    EXPECT_EQ(shownWhileHeld->progress, qint32(std::nearbyint(server->percent)));
    EXPECT_TRUE(ProgressWindows().isEmpty()) << "the progress window outlived the monitor";
    tooltest::ExpectRestoredFrom(mSource, mDestination);
    ExpectIdleWindow();
    EXPECT_TRUE(mainMinimisedWithProgress);
    EXPECT_FALSE(Window().Widget()->isMinimized()) << "the tool comes back from the taskbar when it is done";
}

TEST_F(MonitorRestoreTest, ARestoreOverWithinTheFirstSecondShowsNoProgressWindow)
{
    Window().BtnStart->Click();
    Application->ProcessMessages();

    EXPECT_TRUE(mSeen.empty()) << "a progress window was shown";
    EXPECT_TRUE(ProgressWindows().isEmpty());
    EXPECT_EQ(mBoxes->ErrorTexts(), QStringList());
    EXPECT_EQ(mBoxes->MessageTexts(), QStringList{QStringLiteral("Op\u00e9ration termin\u00e9e!!")});
}

TEST_F(MonitorRestoreTest, AnErrorWhileFollowingTheRestoreDestroysTheWindowAndReachesTheErrorBox)
{
    RestorePacer::Install(std::this_thread::get_id());
    bool broken = false;
    mWhileShown = [&](TFGaugeQuery&) {
        if (broken)
            return;
        // The held restore is let go once the failed monitor has destroyed
        // its window: the tool waits for it before it reports the failure.
        mReleaseOnceNoWindow = true;
        // The list's connection goes to an alias that does not resolve: the
        // next reopening of the list fails on this thread.
        broken = true;
        Window().AdsConnectionActive->SetIsConnected(false);
        Window().AdsConnectionActive->SetAliasName(QStringLiteral("NO_SUCH_ALIAS"));
    };

    Window().BtnStart->Click();
    Application->ProcessMessages();

    ASSERT_TRUE(broken) << "the progress window was never shown";
    EXPECT_TRUE(ProgressWindows().isEmpty()) << "the progress window outlived the error";
    EXPECT_EQ(mBoxes->ErrorTexts().size(), 1) << mBoxes->ErrorTexts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(mBoxes->MessageTexts(), QStringList()) << "a failed monitor is not reported as done";
    ExpectIdleWindow();
    tooltest::ExpectRestoredFrom(mSource, mDestination);
}

} // namespace
