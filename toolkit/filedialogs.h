// The open-file dialog and the folder-picking dialog.
//
// Each Execute shows one modal dialog through the presenter and returns
// whether the operator chose something; FileName then holds it. Nothing is
// remembered between two Executes beyond the properties themselves.
#pragma once

#include "framework/classes.h"
#include "toolkit/presenter.h"

enum TOpenOption {
    ofReadOnly, ofOverwritePrompt, ofHideReadOnly, ofNoChangeDir, ofShowHelp, ofNoValidate,
    ofAllowMultiSelect, ofExtensionDifferent, ofPathMustExist, ofFileMustExist, ofCreatePrompt,
    ofShareAware, ofNoReadOnlyReturn, ofNoTestFileCreate, ofNoNetworkButton, ofNoLongNames,
    ofOldStyleDialog, ofNoDereferenceLinks, ofEnableIncludeNotify, ofEnableSizing, ofDontAddToRecent,
    ofForceShowHidden,
};
using TOpenOptions = TSet<TOpenOption>;

// The classic open-file dialog. A derived class may change the defaults in
// its constructor and hide parts of the dialog from DoShow.
class TOpenDialog : public TComponent {
    VARNEL_DECLARE_CLASS(TOpenDialog, TComponent)

public:
    explicit TOpenDialog(TComponent* owner);

    QString Title() const { return mTitle; }
    void SetTitle(const QString& title) { mTitle = title; }
    QString InitialDir() const { return mInitialDir; }
    void SetInitialDir(const QString& folder) { mInitialDir = folder; }
    QString Filter() const { return mFilter; }
    void SetFilter(const QString& filter) { mFilter = filter; }
    QString FileName() const { return mFileName; }
    void SetFileName(const QString& name) { mFileName = name; }
    TOpenOptions Options() const { return mOptions; }
    void SetOptions(TOpenOptions options) { mOptions = options; }

    bool Execute();

    TNotifyEvent OnShow;

protected:
    // The dialog is up: fires OnShow. Derived classes hide parts here.
    virtual void DoShow();
    // Asks for the dialog's part with the platform identifier `id` (0x470
    // file types, 0x441 their caption, 0x47C/0x480 file name, 0x442 its
    // caption) to be hidden; only meaningful inside DoShow.
    void HideControl(int id);

private:
    QString mTitle;
    QString mInitialDir;
    QString mFilter;
    QString mFileName;
    TOpenOptions mOptions{ofHideReadOnly, ofEnableSizing};
    TFileDialogRequest* mShowing = nullptr;
};

enum TFileDialogOption { fdoOverWritePrompt, fdoStrictFileTypes, fdoNoChangeDir, fdoPickFolders,
                         fdoForceFileSystem, fdoAllNonStorageItems, fdoNoValidate, fdoAllowMultiSelect,
                         fdoPathMustExist, fdoFileMustExist };
using TFileDialogOptions = TSet<TFileDialogOption>;

// The newer dialog; with fdoPickFolders it picks a folder.
class TFileOpenDialog : public TComponent {
    VARNEL_DECLARE_CLASS(TFileOpenDialog, TComponent)

public:
    explicit TFileOpenDialog(TComponent* owner);

    QString Title() const { return mTitle; }
    void SetTitle(const QString& title) { mTitle = title; }
    QString DefaultFolder() const { return mDefaultFolder; }
    void SetDefaultFolder(const QString& folder) { mDefaultFolder = folder; }
    QString FileName() const { return mFileName; }
    void SetFileName(const QString& name) { mFileName = name; }
    TFileDialogOptions Options() const { return mOptions; }
    void SetOptions(TFileDialogOptions options) { mOptions = options; }

    bool Execute();

private:
    QString mTitle;
    QString mDefaultFolder;
    QString mFileName;
    TFileDialogOptions mOptions{fdoPathMustExist, fdoFileMustExist};
};
