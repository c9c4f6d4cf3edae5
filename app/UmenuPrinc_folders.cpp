// The browse buttons of the main window: a default folder beside the alias's
// data folder, then the folder chooser on it.
#include "app/FolderDialog.h"
#include "app/UmenuPrinc.h"

#include "ads/adscnnct.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/sysinfo.h"

namespace {

const QString kSourceFolderTitle = QStringLiteral("S\u00e9lectionnez un r\u00e9pertoire source");
const QString kDestinationFolderTitle = QStringLiteral("S\u00e9lectionnez un r\u00e9pertoire Destination");

// The alias folder split at its last separator: Head keeps the separator,
// Tail is what follows (empty when the folder ends with a separator; the
// whole folder when it has none).
struct TAliasFolderParts {
    QString Head;
    QString Tail;
};

TAliasFolderParts SplitAliasFolder(const QString& folder)
{
    const qsizetype delimiter = folder.lastIndexOf(PathDelim);
    return {folder.left(delimiter + 1), folder.mid(delimiter + 1)};
}

void CreateMissingFolder(const QString& folder)
{
    if (!DirectoryExists(folder))
        CreateDir(folder);
}

} // namespace

void TFPrincipal::Button1Click(TObject*)
{
    const TAliasFolderParts alias = SplitAliasFolder(AdsConnectionRestore->GetConnectionPath());
    const QString proposal = alias.Head + QStringLiteral("WAUTOBACKUP") + PathDelim + alias.Tail;
    EditSource->SetText(ChooseFolder(kSourceFolderTitle, proposal));
}

void TFPrincipal::Button2Click(TObject*)
{
    const TAliasFolderParts alias = SplitAliasFolder(AdsConnectionRestore->GetConnectionPath());
    const QString dated = alias.Head + QStringLiteral("WVARNEL") + LocalDate().toString(QStringLiteral("yyyyMMdd")) + PathDelim;
    const QString proposal = dated + alias.Tail;
    // Both levels exist before the chooser opens and stay whatever is chosen.
    CreateMissingFolder(dated);
    CreateMissingFolder(proposal);
    EditDestination->SetText(ChooseFolder(kDestinationFolderTitle, proposal));
}
