#include "app/FolderDialog.h"

#include "framework/typinfo.h"
#include "platform/paths.h"
#include "platform/sysinfo.h"

const QString kDirDialogDefaultTitle = QStringLiteral("S\u00e9lectionnez un r\u00e9pertoire");

namespace {

// The platform's identifiers of the classic dialog's file parts, in the order
// they are hidden: file types, their caption, file name (drop-down and edit
// styles), its caption.
constexpr int kFileControls[] = {0x470, 0x441, 0x47C, 0x480, 0x442};

bool PickWithFolderDialog(const QString& Title, QString& Folder)
{
    TFileOpenDialog dialog(nullptr);
    dialog.SetOptions({fdoPickFolders});
    dialog.SetDefaultFolder(Folder);
    dialog.SetTitle(Title);
    if (!dialog.Execute())
        return false;
    Folder = dialog.FileName();
    return true;
}

bool PickWithDirDialog(const QString& Title, QString& Folder)
{
    TDirDialog dialog(nullptr);
    dialog.SetTitle(Title);
    if (!Folder.isEmpty())
        dialog.SetInitialDir(Folder);
    if (!dialog.Execute())
        return false;
    Folder = dialog.Directory();
    return true;
}

} // namespace

void TOpenDir::HideFileControls(TObject*)
{
    for (int id : kFileControls)
        mDialog.HideControl(id);
}

VARNEL_PUBLISH(TDirDialog, c)
{
    c.prop("FileName", &TDirDialog::FileName, &TDirDialog::SetFileName);
    c.prop("Directory", &TDirDialog::Directory);
}

TDirDialog::TDirDialog(TComponent* AOwner) : TOpenDialog(AOwner), FOpenDir(std::make_unique<TOpenDir>(*this))
{
    SetFilter(QStringLiteral("Folder|*."));
    SetFileName(QStringLiteral("*."));
    SetOptions({ofNoValidate});
    OnShow = [this](TObject* Sender) { FOpenDir->HideFileControls(Sender); };
}

TDirDialog::~TDirDialog() = default;

bool TDirDialog::Execute()
{
    if (Title().isEmpty())
        SetTitle(kDirDialogDefaultTitle);
    return TOpenDialog::Execute();
}

QString TDirDialog::Directory() const
{
    const QString name = FileName();
    const qsizetype delimiter = name.lastIndexOf(PathDelim);
    if (delimiter < 0)
        return QString();
    // The root keeps its separator: without it no folder would be left.
    if (delimiter == 0 && PathDelim == QLatin1Char('/'))
        return QString(PathDelim);
    return name.left(delimiter);
}

bool SelectFolderOnPlatform(int MajorVersion, const QString& Title, QString& Folder)
{
    if (MajorVersion >= kFolderPickerMajorVersion)
        return PickWithFolderDialog(Title, Folder);
    return PickWithDirDialog(Title, Folder);
}

bool SelectFolder(const QString& Title, QString& Folder)
{
    return SelectFolderOnPlatform(Win32MajorVersion(), Title, Folder);
}

QString ChooseFolder(const QString& Title, const QString& Initial)
{
    QString folder = Initial;
    if (SelectFolder(Title, folder))
        return folder;
    return QString();
}
