// The one door through which the toolkit shows modal boxes and dialogs.
//
// Every message box, error box and (later) file or folder dialog is described
// as a request and handed to the current presenter. The default presenter
// shows real Qt dialogs and waits for the operator; a program or test can
// install another one (see TRecordingPresenter) that answers at once, so no
// modal wait can ever block an unattended run.
//
// Invariants:
//   - Presenter() never returns null: with nothing installed it is the Qt one.
//   - A presenter answers every request with one of the buttons it offered,
//     or mrCancel when the box was dismissed without a button (closed window).
#pragma once

#include "framework/tset.h"

#include <QList>
#include <QString>
#include <functional>
#include <memory>

class QWidget;

// Kind of box; decides the icon.
enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// Buttons a box offers.
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore };
using TMsgDlgButtons = TSet<TMsgDlgBtn>;

// Result of a modal box or form; 0 means "still running / no answer".
using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;

// The modal result a button stands for.
TModalResult ModalResultOfButton(TMsgDlgBtn button);

struct TMessageRequest {
    QString text;
    QString caption;
    TMsgDlgType type = mtInformation;
    TMsgDlgButtons buttons = {mbOK};
    // The error box of the application (an exception left a handler), as
    // opposed to a message the program chose to show.
    bool isErrorBox = false;
};

// An open-file or folder-picking dialog.
struct TFileDialogRequest {
    enum class Kind { OpenFile, PickFolder };
    Kind kind = Kind::OpenFile;
    QString title;
    QString initialFolder;
    // "Description|pattern;pattern|Description|pattern", as dialogs take it.
    QString filter;
    QString fileName;
    // Whether a typed name must name an existing file (ofNoValidate clears it).
    bool validate = true;
    // Called once the dialog is up, before the operator acts; it may ask
    // for parts of the dialog to be hidden (HiddenControls).
    std::function<void()> shown;
    // The platform's identifiers of the parts to hide, in the order asked.
    QList<int> hiddenControls;
};

struct TFileDialogAnswer {
    bool accepted = false;
    QString fileName;   // the chosen file or folder when accepted
};

class TPresenter {
public:
    virtual ~TPresenter();
    // Shows a modal box and returns the result of the button pressed.
    virtual TModalResult MessageBox(const TMessageRequest& request) = 0;
    // Shows a modal file or folder dialog; calls request.shown once it is up.
    virtual TFileDialogAnswer FileDialog(TFileDialogRequest& request) = 0;
};

// Shows real QMessageBox and QFileDialog dialogs, parented to the active
// window if any.
class TQtPresenter : public TPresenter {
public:
    TModalResult MessageBox(const TMessageRequest& request) override;
    TFileDialogAnswer FileDialog(TFileDialogRequest& request) override;
};

// The presenter in force.
TPresenter& Presenter();

// Installs `presenter` (null restores the Qt one) and returns the previous one.
std::shared_ptr<TPresenter> SetPresenter(std::shared_ptr<TPresenter> presenter);

// Installs a presenter for the lifetime of the object, then puts back the one
// that was there before.
class TPresenterScope {
public:
    explicit TPresenterScope(std::shared_ptr<TPresenter> presenter);
    ~TPresenterScope();
    TPresenterScope(const TPresenterScope&) = delete;
    TPresenterScope& operator=(const TPresenterScope&) = delete;

private:
    std::shared_ptr<TPresenter> mPrevious;
};
