#include "toolkit/filedialogs.h"

#include "framework/typinfo.h"
#include "toolkit/guard.h"

VARNEL_ENUM_NAMES(TOpenOption, "ofReadOnly", "ofOverwritePrompt", "ofHideReadOnly", "ofNoChangeDir",
                  "ofShowHelp", "ofNoValidate", "ofAllowMultiSelect", "ofExtensionDifferent", "ofPathMustExist",
                  "ofFileMustExist", "ofCreatePrompt", "ofShareAware", "ofNoReadOnlyReturn", "ofNoTestFileCreate",
                  "ofNoNetworkButton", "ofNoLongNames", "ofOldStyleDialog", "ofNoDereferenceLinks",
                  "ofEnableIncludeNotify", "ofEnableSizing", "ofDontAddToRecent", "ofForceShowHidden");
VARNEL_ENUM_NAMES(TFileDialogOption, "fdoOverWritePrompt", "fdoStrictFileTypes", "fdoNoChangeDir",
                  "fdoPickFolders", "fdoForceFileSystem", "fdoAllNonStorageItems", "fdoNoValidate",
                  "fdoAllowMultiSelect", "fdoPathMustExist", "fdoFileMustExist");

VARNEL_PUBLISH(TOpenDialog, c)
{
    c.prop("Title", &TOpenDialog::Title, &TOpenDialog::SetTitle);
    c.prop("InitialDir", &TOpenDialog::InitialDir, &TOpenDialog::SetInitialDir);
    c.prop("Filter", &TOpenDialog::Filter, &TOpenDialog::SetFilter);
    c.prop("FileName", &TOpenDialog::FileName, &TOpenDialog::SetFileName);
    c.prop("Options", &TOpenDialog::Options, &TOpenDialog::SetOptions)
        .def(TOpenOptions{ofHideReadOnly, ofEnableSizing});
    c.event("OnShow", &TOpenDialog::OnShow);
}

TOpenDialog::TOpenDialog(TComponent* owner) : TComponent(owner) {}

void TOpenDialog::DoShow()
{
    FireEvent(OnShow, this);
}

void TOpenDialog::HideControl(int id)
{
    if (mShowing)
        mShowing->hiddenControls.append(id);
}

bool TOpenDialog::Execute()
{
    TFileDialogRequest request;
    request.kind = TFileDialogRequest::Kind::OpenFile;
    request.title = mTitle;
    request.initialFolder = mInitialDir;
    request.filter = mFilter;
    request.fileName = mFileName;
    request.validate = !mOptions.Contains(ofNoValidate);
    request.shown = [this, &request] {
        mShowing = &request;
        RunGuarded([this] { DoShow(); });
        mShowing = nullptr;
    };
    const TFileDialogAnswer answer = Presenter().FileDialog(request);
    if (answer.accepted)
        mFileName = answer.fileName;
    return answer.accepted;
}

VARNEL_PUBLISH(TFileOpenDialog, c)
{
    c.prop("Title", &TFileOpenDialog::Title, &TFileOpenDialog::SetTitle);
    c.prop("DefaultFolder", &TFileOpenDialog::DefaultFolder, &TFileOpenDialog::SetDefaultFolder);
    c.prop("FileName", &TFileOpenDialog::FileName, &TFileOpenDialog::SetFileName);
    c.prop("Options", &TFileOpenDialog::Options, &TFileOpenDialog::SetOptions)
        .def(TFileDialogOptions{fdoPathMustExist, fdoFileMustExist});
}

TFileOpenDialog::TFileOpenDialog(TComponent* owner) : TComponent(owner) {}

bool TFileOpenDialog::Execute()
{
    TFileDialogRequest request;
    const bool folders = mOptions.Contains(fdoPickFolders);
    request.kind = folders ? TFileDialogRequest::Kind::PickFolder : TFileDialogRequest::Kind::OpenFile;
    request.title = mTitle;
    request.initialFolder = mDefaultFolder;
    request.fileName = folders ? QString() : mFileName;
    request.validate = !mOptions.Contains(fdoNoValidate);
    const TFileDialogAnswer answer = Presenter().FileDialog(request);
    if (answer.accepted)
        mFileName = answer.fileName;
    return answer.accepted;
}
