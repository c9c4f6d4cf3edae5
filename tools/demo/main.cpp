// The headless demo: starts the tool exactly as the program entry does, on
// whatever Qt platform is in force (offscreen for `make demo`), and drives
// its real main window through a free-table restore, followed in the
// progress window, and a dictionary restore of the demo installation that
// adsini_path names. It prints every step, the boxes the tool shows and the
// row counts of the restored tables, and saves screenshots of the main
// window and of the progress window.
//
//   varnel-demo <installation folder> <screenshot folder>
//
// The demo tables restore in a fraction of a second, before the monitor's
// first look at the server; so that the progress can be watched, the demo
// paces the restore's copy steps on the worker (the engine asks the SQL
// abort hook at every step). Nothing else differs from a real run.
#include "ads/ace.h"
#include "ads/adscnnct.h"
#include "ads/adstable.h"
#include "app/UGaugeQuery.h"
#include "app/UmenuPrinc.h"
#include "app/program.h"
#include "toolkit/application.h"
#include "toolkit/gauges.h"
#include "toolkit/recordingpresenter.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTextStream>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

QTextStream& Out()
{
    static QTextStream out(stdout);
    return out;
}

// Answers every box at once, as an operator pressing OK would, and prints it.
class PrintingPresenter : public TRecordingPresenter {
public:
    TModalResult MessageBox(const TMessageRequest& request) override
    {
        Out() << (request.isErrorBox ? "  error box: " : "  message box: ") << request.text << Qt::endl;
        return TRecordingPresenter::MessageBox(request);
    }
};

std::thread::id gUiThread;
std::atomic<int> gWorkerSteps{0};

// The restore script asks the hook once before each of its six statements
// and then at every copy step of the restore its cursor opens; only the copy
// steps are slowed, so the server lists the restore in the open statement.
constexpr int kScriptStatements = 6;

UNSIGNED32 PaceRestoreStep()
{
    if (std::this_thread::get_id() != gUiThread && ++gWorkerSteps > kScriptStatements)
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    return 0;
}

bool Save(QWidget* widget, const QString& file)
{
    const bool saved = widget->grab().save(file, "PNG");
    Out() << (saved ? "  screenshot: " : "  cannot write screenshot ") << file << Qt::endl;
    return saved;
}

// Watches the progress windows while the monitor runs (the monitor
// processes window messages once per poll): prints what they show when it
// changes, and saves one screenshot once the gauge has moved.
class ProgressWatcher {
public:
    explicit ProgressWatcher(QString shot) : mShot(std::move(shot))
    {
        QObject::connect(&mTimer, &QTimer::timeout, [this] { Look(); });
        mTimer.start(50);
    }
    bool Seen() const { return mSeen; }
    bool Saved() const { return mSaved; }

private:
    void Look()
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* window = dynamic_cast<TFGaugeQuery*>(TControl::FromWidget(widget));
            if (!window || !widget->isVisible())
                continue;
            mSeen = true;
            const QString now = QStringLiteral("  progress window: %1 | %2 | gauge %3%")
                                    .arg(window->LabelOperation->Caption(), window->LabelEstimation->Caption())
                                    .arg(window->GaugeOperation->Progress());
            if (now != mLast)
                Out() << now << Qt::endl;
            mLast = now;
            if (!mSaved && window->GaugeOperation->Progress() > 0)
                mSaved = Save(widget, mShot);
        }
    }

    QString mShot;
    QTimer mTimer;
    QString mLast;
    bool mSeen = false;
    bool mSaved = false;
};

void SelectAlias(TFPrincipal& window, const QString& alias)
{
    window.wwDBCBAlias->SetItemIndex(window.wwDBCBAlias->Items()->IndexOf(alias));
    window.wwDBCBAliasCloseUp(window.wwDBCBAlias, true);
    Out() << "alias " << window.wwDBCBAlias->Text() << " selected ("
          << (window.AdsConnectionRestore->IsDictionaryConn() ? "data dictionary " : "free tables in ")
          << window.AdsConnectionRestore->GetConnectionWithDDPath() << ")" << Qt::endl;
}

void PressStart(TFPrincipal& window, const QString& source, const QString& destination)
{
    QDir().mkpath(destination);
    window.EditSource->SetText(source);
    window.EditDestination->SetText(destination);
    Out() << "  source      " << source << "\n  destination " << destination << "\n  pressing \""
          << window.BtnStart->Caption() << "\"" << Qt::endl;
    window.BtnStart->Click();
    Application->ProcessMessages();
}

void PrintRowCounts(TAdsConnection& connection, const QStringList& tables)
{
    for (const QString& table : tables) {
        TAdsQuery query(nullptr);
        query.SetAdsConnection(&connection);
        query.SQL()->SetText(QStringLiteral("SELECT * FROM ") + table);
        query.Open();
        Out() << "    " << table << ": " << query.RecordCount() << " rows" << Qt::endl;
        query.Close();
    }
}

QStringList FreeTablesIn(const QString& folder)
{
    QStringList tables;
    for (const QFileInfo& file : QDir(folder).entryInfoList({"*.adt", "*.dbf"}, QDir::Files, QDir::Name))
        tables << file.completeBaseName();
    return tables;
}

void ShowRestoredFreeTables(const QString& folder)
{
    Out() << "  restored tables in " << folder << ":" << Qt::endl;
    TAdsConnection connection(nullptr);
    connection.SetConnectPath(folder);
    PrintRowCounts(connection, FreeTablesIn(folder));
}

void ShowRestoredDictionary(const QString& dictionaryFile)
{
    Out() << "  restored dictionary " << dictionaryFile << ":" << Qt::endl;
    TAdsConnection connection(nullptr);
    connection.SetConnectPath(dictionaryFile);
    connection.SetLoginPrompt(false);
    connection.SetUsername(QStringLiteral("adssys"));
    connection.SetPassword(kBackupPassword);
    connection.Connect();
    TStringList names;
    connection.GetTableNames(&names, QString());
    QStringList tables;
    for (int i = 0; i < names.Count(); ++i)
        tables << names.Get(i);
    PrintRowCounts(connection, tables);
}

int RunDemo(const QString& installation, const QString& shots)
{
    TFPrincipal& window = *FPrincipal;
    window.Show();
    Application->ProcessMessages();
    Out() << "main window \"" << window.Caption() << "\", aliases:";
    for (int i = 0; i < window.wwDBCBAlias->ItemCount(); ++i)
        Out() << ' ' << window.wwDBCBAlias->Items()->Get(i);
    Out() << Qt::endl;
    bool ok = Save(window.Widget(), shots + "/main-window.png");

    Out() << "\n1. free-table restore" << Qt::endl;
    SelectAlias(window, QStringLiteral("VENTES"));
    const QString salesRestored = installation + "/restored/ventes";
    {
        ProgressWatcher watcher(shots + "/progress-window.png");
        gWorkerSteps = 0;
        ace::AdsRegisterSQLAbortFunc(&PaceRestoreStep);
        PressStart(window, installation + "/data/WAUTOBACKUP/ventes", salesRestored);
        ace::AdsClearSQLAbortFunc();
        if (!watcher.Seen())
            Out() << "  the progress window was not shown" << Qt::endl;
        ok = ok && watcher.Saved();
    }
    ShowRestoredFreeTables(salesRestored);

    Out() << "\n2. data-dictionary restore" << Qt::endl;
    SelectAlias(window, QStringLiteral("COMPTA"));
    const QString accountingRestored = installation + "/restored/compta";
    PressStart(window, installation + "/data/WAUTOBACKUP/compta", accountingRestored);
    ShowRestoredDictionary(accountingRestored + "/compta.add");
    ok = Save(window.Widget(), shots + "/main-window-after.png") && ok;
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        Out() << "usage: varnel-demo <installation folder> <screenshot folder>" << Qt::endl;
        return 2;
    }
    const QString installation = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QString shots = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    QDir().mkpath(shots);
    gUiThread = std::this_thread::get_id();
    EnsureComputerName();
    QApplication windowSystem(argc, argv);
    auto boxes = std::make_shared<PrintingPresenter>();
    TPresenterScope presenter(boxes);
    int status = 1;
    try {
        CreateApplicationWindows(argc, argv);
        if (Application->Terminated() || !FPrincipal) {
            Out() << "varnel-demo: the tool ended at start (no alias in ads.ini)" << Qt::endl;
        } else {
            status = RunDemo(installation, shots);
            if (!boxes->ErrorTexts().isEmpty())
                status = 1;
        }
    } catch (const std::exception& error) {
        Out() << "varnel-demo: " << error.what() << Qt::endl;
    }
    DestroyApplicationWindows();
    Out() << (status == 0 ? "demo finished" : "demo FAILED") << Qt::endl;
    return status;
}
