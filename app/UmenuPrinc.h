// The main window of the restore tool: the alias drop-down, the two folder
// edits with their browse buttons, the start and close buttons, and the
// connections and queries that run a restore.
//
// Exactly one instance exists, created at start from its window definition
// and made the application's main window. The components it lists are owned
// by the window and destroyed with it.
//
// The selected alias is the text of wwDBCBAlias. It is handed to
// ApplySelectedAlias once at creation (when ads.ini lists at least one alias)
// and again at every closing of the drop-down list, which also empties both
// folder edits. The two alias connections (AdsConnectionRestore and
// AdsConnectionActive) always carry that alias.
//
// A restore runs from BtnStartClick. A data-dictionary restore executes
// QRestoreDict on AdsConnectionFree on this thread. A free-table restore
// executes QRestore on AdsConnectionRestore on a worker (TThreadActiveQuery)
// while RunGaugeMonitor follows the server's progress through ActiveQueries
// on AdsConnectionActive; each connection and query is used by one thread
// at a time.
#pragma once

#include "platform/threads.h"
#include "toolkit/forms.h"
#include "toolkit/stdctrls.h"
#include "toolkit/wwdbcombobox.h"

#include <QStringList>
#include <memory>

class TAdsConnection;
class TAdsQuery;
class TAdsStringField;
class TBooleanField;
class TFloatField;
class TIntegerField;
class TMemoField;
class TTimeField;

// The message shown when ads.ini yields no alias; the program then ends.
extern const QString kNoAliasMessage;

// The operator's messages of the start button.
extern const QString kSameFoldersMessage;
extern const QString kDestinationIsDataFolderMessage;
extern const QString kSourceMissingMessage;
extern const QString kDestinationMissingMessage;
extern const QString kOperationDoneMessage;
// The password the backups of the installation are made with.
extern const QString kBackupPassword;

// The names of the keys of section [Databases] of the ads.ini that
// LocateAdsIni finds, in file order; empty when the file or the section is
// missing.
std::unique_ptr<QStringList> GetAliasList();

// The worker of a free-table restore: executes its query (the whole script,
// returning when the server has finished it), then closes the query's
// statement and its connection's cached tables. Created suspended and freed
// by itself when its body ends: take Completion() before Start() to learn of
// the end and of an error the body raised, which the thread keeps.
class TThreadActiveQuery : public TThread {
public:
    explicit TThreadActiveQuery(TAdsQuery* Query);
    ~TThreadActiveQuery() override;

    TAdsQuery* QQuery = nullptr; // not owned

protected:
    void Execute() override;
};

class TFPrincipal : public TForm {
    VARNEL_DECLARE_CLASS(TFPrincipal, TForm)

public:
    explicit TFPrincipal(TComponent* owner);
    ~TFPrincipal() override;

    TAdsConnection* AdsConnectionRestore = nullptr;
    TLabel* Label1 = nullptr;
    TButton* BtnFermer = nullptr;
    TButton* BtnStart = nullptr;
    TEdit* EditSource = nullptr;
    TButton* Button1 = nullptr;
    TLabel* Label2 = nullptr;
    TEdit* EditDestination = nullptr;
    TButton* Button2 = nullptr;
    TAdsQuery* QRestore = nullptr;
    TLabel* Label3 = nullptr;
    TwwDBComboBox* wwDBCBAlias = nullptr;
    TAdsQuery* ActiveQueries = nullptr;
    TIntegerField* ActiveQueriesQueryNumber = nullptr;
    TBooleanField* ActiveQueriesActive = nullptr;
    TFloatField* ActiveQueriesPercentComplete = nullptr;
    TAdsStringField* ActiveQueriesConnectionName = nullptr;
    TAdsStringField* ActiveQueriesDatabaseUser = nullptr;
    TMemoField* ActiveQueriesQuery = nullptr;
    TAdsStringField* ActiveQueriesDatabase = nullptr;
    TBooleanField* ActiveQueriesIsScript = nullptr;
    TMemoField* ActiveQueriesFullScript = nullptr;
    TTimeField* ActiveQueriesStartTime = nullptr;
    TIntegerField* ActiveQueriesSecondsUntilFinished = nullptr;
    TAdsConnection* AdsConnectionActive = nullptr;
    TAdsQuery* QRestoreDict = nullptr;
    TAdsConnection* AdsConnectionFree = nullptr;
    // The worker of the latest free-table restore; not owned. It frees
    // itself when it ends, so it is only valid while RestoreWorkerFinished()
    // is false, and null once the window has seen the end.
    TThreadActiveQuery* ThreadActiveQuery = nullptr;

    void FormCreate(TObject* Sender);
    void wwDBCBAliasCloseUp(TObject* Sender, bool Select);
    void wwDBCBAliasKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void BtnFermerClick(TObject* Sender);
    void BtnStartClick(TObject* Sender);

    // --- default folders
    // The browse buttons: each proposes a folder beside the alias's data
    // folder (the destination one dated and created on disk) and writes the
    // chosen folder, or the empty text on cancel, into its edit.
    void Button1Click(TObject* Sender);
    void Button2Click(TObject* Sender);
    // --- end default folders

    // The step through which the restore connections follow the selected
    // alias: both alias connections are closed, then given Name.
    void ApplySelectedAlias(const QString& Name);
    const QString& SelectedAliasName() const;

    // Runs Query on a new worker, then the progress monitor with Caption,
    // then waits (processing window messages) until the worker has ended.
    // An error the worker's body raised is raised again here, on this
    // thread, so the operator sees it instead of a success message.
    void RunQueryWithGauge(TAdsQuery* Query, const QString& Caption);

    // The progress monitor: follows the restore statement in the server's
    // list of running statements and shows its progress window; returns
    // when the statement is gone, the worker has finished, or at once when
    // the statement is not found.
    void RunGaugeMonitor(const QString& Caption);

    // True when no worker was started or the latest one has ended. Read
    // from the window's own completion record, never from the worker.
    bool RestoreWorkerFinished() const;

private:
    void RunDictionaryRestore(const QString& Source, const QString& Destination);
    void RunFreeTableRestore(const QString& Source, const QString& Destination);
    void WaitForRestoreWorker();
    void RaiseRestoreWorkerError();

    // Shared with the worker, which marks it finished as its very last act;
    // outlives the worker object.
    std::shared_ptr<const TThreadCompletion> mRestoreWorker;
};

extern TFPrincipal* FPrincipal;
