// The folder chooser of the browse buttons.
//
// SelectFolder picks the platform's folder-picking dialog when the platform
// has one (major version 6 on), and otherwise TDirDialog: the classic
// open-file dialog reduced to its folder list, whose file name lies in the
// folder the operator navigated to.
//
// Invariants:
//   - Every dialog is made for one choice and destroyed before the call
//     returns; nothing is remembered between two choices.
//   - A cancelled choice leaves Folder as it was (SelectFolder) or gives the
//     empty text (ChooseFolder).
#pragma once

#include "toolkit/filedialogs.h"

#include <QString>
#include <memory>

class TDirDialog;

// The first platform major version that has the folder-picking dialog.
constexpr int kFolderPickerMajorVersion = 6;

// The title TDirDialog shows when none was set.
extern const QString kDirDialogDefaultTitle;

// Receives the show event of its dialog and reduces the dialog to its folder
// list there.
class TOpenDir {
public:
    explicit TOpenDir(TDirDialog& dialog) : mDialog(dialog) {}

    // Hides the file-type list and its caption, the file-name box (both
    // styles) and its caption, in that order.
    void HideFileControls(TObject* Sender);

private:
    TDirDialog& mDialog;
};

class TDirDialog : public TOpenDialog {
    VARNEL_DECLARE_CLASS(TDirDialog, TOpenDialog)
    friend class TOpenDir;   // hides the dialog's parts from its show event

public:
    explicit TDirDialog(TComponent* AOwner);
    ~TDirDialog() override;

    // Shows the dialog (titled kDirDialogDefaultTitle when Title is empty);
    // true when the operator confirmed.
    bool Execute();
    // The folder part of FileName, without its final separator: "/data/*."
    // gives "/data", "/*." gives "".
    QString Directory() const;

private:
    std::unique_ptr<TOpenDir> FOpenDir;
};

// Lets the operator choose a folder, starting from Folder. True when one was
// chosen, which is then in Folder; false leaves Folder unchanged.
bool SelectFolder(const QString& Title, QString& Folder);
// The same on a platform of the given major version, which decides the dialog.
bool SelectFolderOnPlatform(int MajorVersion, const QString& Title, QString& Folder);

// The folder chosen from Initial, or the empty text when the operator cancels.
QString ChooseFolder(const QString& Title, const QString& Initial);
