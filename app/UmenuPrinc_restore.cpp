// The restore launch: the start button's checks, the dictionary restore on
// this thread, the free-table restore on a worker followed by the progress
// monitor, and the worker itself.
#include "app/UmenuPrinc.h"

#include "ads/adscnnct.h"
#include "ads/ascii_case.h"
#include "ads/adstable.h"
#include "framework/params.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "toolkit/application.h"
#include "toolkit/dialogs.h"
#include "toolkit/screen.h"

#include <QFileInfo>

#include <chrono>
#include <thread>

const QString kSameFoldersMessage =
    QStringLiteral("Le r\u00e9pertoire source et destination ne peut \u00eatre le m\u00eame!");
const QString kDestinationIsDataFolderMessage = QStringLiteral(
    "Le r\u00e9pertoire destination ne peut \u00eatre le m\u00eame que le r\u00e9pertoire original des donn\u00e9es!");
const QString kSourceMissingMessage = QStringLiteral("Le r\u00e9pertoire source n'est pas accessible!");
const QString kDestinationMissingMessage = QStringLiteral("Le r\u00e9pertoire destination n'est pas accessible!");
const QString kOperationDoneMessage = QStringLiteral("Op\u00e9ration termin\u00e9e!!");
const QString kBackupPassword = QStringLiteral("dux4827");

namespace {

const QString kRestoreCaptionPrefix = QStringLiteral("Restauration du r\u00e9pertoire : ");

// How often the window looks again at a worker it waits for.
constexpr std::chrono::milliseconds kWorkerPoll{50};

// The busy state of the start button: the hourglass and a disabled window
// from construction, and the default cursor and an enabled window in front
// again however the handler is left (also when the operator sent the whole
// program to the taskbar from the progress window meanwhile).
class TBusyWindowGuard {
public:
    explicit TBusyWindowGuard(TForm* window) : mWindow(window)
    {
        Screen->SetCursor(crHourGlass);
        mWindow->SetEnabled(false);
    }
    ~TBusyWindowGuard()
    {
        Screen->SetCursor(crDefault);
        mWindow->SetEnabled(true);
        Application->Restore();
        mWindow->Show();
        mWindow->BringToFront();
    }
    TBusyWindowGuard(const TBusyWindowGuard&) = delete;
    TBusyWindowGuard& operator=(const TBusyWindowGuard&) = delete;

private:
    TForm* mWindow;
};

// Whether two folder texts name the same folder. Letter case (a-z only) is
// ignored as the server ignores it, and so is one trailing delimiter; two
// existing folders that resolve to the same place (a link, "./") are the
// same too. A restore into the folder it reads from, or over the alias's
// live data, must not slip through on a spelling.
QString FolderSpelling(const QString& folder)
{
    // The root keeps its one delimiter: it is not the empty text.
    return AsciiUpper(folder.size() > 1 ? ExcludeTrailingPathDelimiter(folder) : folder);
}

bool SameFolder(const QString& first, const QString& second)
{
    if (FolderSpelling(first) == FolderSpelling(second))
        return true;
    if (first.isEmpty() || second.isEmpty())
        return false;
    const QString resolved = QFileInfo(first).canonicalFilePath();
    return !resolved.isEmpty() && resolved == QFileInfo(second).canonicalFilePath();
}

void SetRestoreParams(TAdsQuery* query, const QString& destination, const QString& source)
{
    query->ParamByName(QStringLiteral("Destination"))->SetValue(destination);
    query->ParamByName(QStringLiteral("Source"))->SetValue(source);
    query->ParamByName(QStringLiteral("MotDePasse"))->SetValue(kBackupPassword);
}

} // namespace

TThreadActiveQuery::TThreadActiveQuery(TAdsQuery* Query) : QQuery(Query)
{
    SetFreeOnTerminate(true);
}

TThreadActiveQuery::~TThreadActiveQuery() = default;

void TThreadActiveQuery::Execute()
{
    QQuery->ExecSQL();
    QQuery->AdsCloseSQLStatement();
    QQuery->AdsConnection()->CloseCachedTables();
}

bool TFPrincipal::RestoreWorkerFinished() const
{
    return !mRestoreWorker || mRestoreWorker->Finished();
}

void TFPrincipal::WaitForRestoreWorker()
{
    while (!RestoreWorkerFinished()) {
        std::this_thread::sleep_for(kWorkerPoll);
        Application->ProcessMessages();
    }
    ThreadActiveQuery = nullptr;
}

void TFPrincipal::RaiseRestoreWorkerError()
{
    const std::exception_ptr error = mRestoreWorker ? mRestoreWorker->FatalExceptionPtr() : nullptr;
    mRestoreWorker.reset();
    if (error)
        std::rethrow_exception(error);
}

void TFPrincipal::RunQueryWithGauge(TAdsQuery* Query, const QString& Caption)
{
    // One worker at a time: the query and its connection belong to it until
    // it ends.
    WaitForRestoreWorker();
    mRestoreWorker.reset();
    auto* worker = new TThreadActiveQuery(Query);
    mRestoreWorker = worker->Completion();
    ThreadActiveQuery = worker;
    worker->Start();
    // From here on the worker may be gone at any moment: only the completion
    // record is read.
    try {
        RunGaugeMonitor(Caption);
    } catch (...) {
        // The restore goes on without its window. The failure is reported
        // once the worker is done, so that nothing starts on its query
        // meanwhile; a failure of the restore itself goes first.
        WaitForRestoreWorker();
        RaiseRestoreWorkerError();
        throw;
    }
    // The monitor may stop before the server is done (the statement was not
    // found, or it left the list first); the operation is over only when the
    // worker is, and a failed restore must not be reported as done.
    WaitForRestoreWorker();
    RaiseRestoreWorkerError();
}

void TFPrincipal::RunDictionaryRestore(const QString& Source, const QString& Destination)
{
    AdsConnectionFree->SetIsConnected(false);
    AdsConnectionFree->SetConnectPath(Source);
    const QString dictionaryFile = ExtractFileName(AdsConnectionRestore->GetConnectionWithDDPath());
    SetRestoreParams(QRestoreDict, Destination + PathDelim + dictionaryFile, Source + PathDelim + dictionaryFile);
    QRestoreDict->ExecSQL();
}

void TFPrincipal::RunFreeTableRestore(const QString& Source, const QString& Destination)
{
    SetRestoreParams(QRestore, Destination, Source);
    RunQueryWithGauge(QRestore, kRestoreCaptionPrefix + Source);
}

void TFPrincipal::BtnStartClick(TObject*)
{
    const TBusyWindowGuard busy(this);
    const QString source = EditSource->Text();
    const QString destination = EditDestination->Text();
    if (SameFolder(source, destination)) {
        ShowMessage(kSameFoldersMessage);
        return;
    }
    if (SameFolder(AdsConnectionRestore->GetConnectionPath(), destination)) {
        ShowMessage(kDestinationIsDataFolderMessage);
        return;
    }
    if (!DirectoryExists(source)) {
        ShowMessage(kSourceMissingMessage);
        return;
    }
    if (!DirectoryExists(destination)) {
        ShowMessage(kDestinationMissingMessage);
        return;
    }
    if (AdsConnectionRestore->IsDictionaryConn())
        RunDictionaryRestore(source, destination);
    else
        RunFreeTableRestore(source, destination);
    ShowMessage(kOperationDoneMessage);
}
