// The progress monitor of a free-table restore: finds the restore among the
// statements the server is running (ActiveQueries on AdsConnectionActive)
// and shows its progress until it leaves the list or the worker ends.
//
// It runs on the user-interface thread while the worker executes the restore
// on AdsConnectionRestore; the two share nothing but the worker's completion
// record. Waiting is done by sleeping; the progress window stays alive by
// processing the pending window messages once per poll.
#include "app/UGaugeQuery.h"
#include "app/UWinOutils.h"
#include "app/UmenuPrinc.h"

#include "ads/adscnnct.h"
#include "ads/adstable.h"
#include "framework/fields.h"
#include "platform/sysinfo.h"
#include "toolkit/application.h"

#include <memory>

namespace {

// What the server's list shows for a script while it executes its
// cursor-open statement: the first line of the statement's "Query".
const QString kCursorOpenLine = QStringLiteral("Executing cursor OPEN statment in SQL script.");
const QString kOperationPrefix = QStringLiteral("Ex\u00e9cution de la requ\u00eate : ");
const QString kEstimationPrefix = QStringLiteral("Estimation en seconde : ");

constexpr uint32_t kFirstLookDelayMs = 1000;
constexpr uint32_t kPollDelayMs = 500;

// The first line of a statement's text as a multi-line control shows it:
// the text stops at its first character of code 0 and its first line ends
// at a carriage return, a line feed or the pair.
QString FirstLine(TMemo& lines, QString text)
{
    if (const qsizetype end = text.indexOf(QChar(0)); end >= 0)
        text.truncate(end);
    lines.Clear();
    lines.SetText(text);
    // An empty control still shows one, empty, line.
    return lines.Lines()->Count() > 0 ? lines.Lines()->Strings(0) : QString();
}

} // namespace

void TFPrincipal::RunGaugeMonitor(const QString& Caption)
{
    // Give the server a moment to list the restore.
    Sleep(kFirstLookDelayMs);
    ActiveQueries->SetActive(false);
    ActiveQueries->AdsConnection()->CloseCachedTables();
    if (!WinOutils)
        throw Exception(QStringLiteral("The utility module is not created; the computer name cannot be read"));
    const QString computerName = WinOutils->GetEnvVar(QStringLiteral("COMPUTERNAME"));
    ActiveQueries->SetFilter(QStringLiteral("Active = True AND Connection Name = '") + computerName
                             + QStringLiteral("'"));
    ActiveQueries->SetActive(true);

    // The window (and the hidden control on it) goes however this method is
    // left.
    const std::unique_ptr<TFGaugeQuery> progress(new TFGaugeQuery(nullptr));
    auto* lines = new TMemo(progress.get());
    lines->SetVisible(false);
    lines->SetWordWrap(false);
    lines->SetParent(progress.get());

    ActiveQueries->Refresh();
    ActiveQueries->Last();
    // The matching row nearest the end of the list is the latest restore.
    qint32 queryNumber = 0;
    while (!ActiveQueries->Bof()) {
        if (FirstLine(*lines, ActiveQueriesQuery->AsString()) == kCursorOpenLine) {
            queryNumber = ActiveQueriesQueryNumber->AsInteger();
            break;
        }
        ActiveQueries->Prior();
    }
    // Not listed (already over, or not yet started): the restore goes on in
    // the worker without a window.
    if (queryNumber == 0)
        return;

    const auto showCurrentRow = [&] {
        progress->LabelEstimation->SetCaption(kEstimationPrefix + ActiveQueriesSecondsUntilFinished->AsString());
        progress->GaugeOperation->SetProgress(GaugePositionOf(ActiveQueriesPercentComplete->AsFloat()));
    };
    progress->LabelOperation->SetCaption(kOperationPrefix + Caption);
    progress->GaugeOperation->SetMinValue(0);
    progress->GaugeOperation->SetMaxValue(100);
    showCurrentRow();
    progress->Show();
    Application->ProcessMessages();

    while (!RestoreWorkerFinished()) {
        Sleep(kPollDelayMs);
        ActiveQueries->SetActive(false);
        ActiveQueries->SetActive(true);
        if (!ActiveQueries->Locate(QStringLiteral("Query Number"), Variant(int(queryNumber)), TLocateOptions()))
            break;
        showCurrentRow();
        Application->ProcessMessages();
    }
}
