// The Qt side of file and folder dialogs.
#include "toolkit/presenter.h"

#include <QApplication>
#include <QFileDialog>
#include <QTimer>

namespace {

// "Folder|*.|Tables|*.dbf;*.adt" -> "Folder (*.);;Tables (*.dbf *.adt)"
QString QtFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters.append(QStringLiteral("%1 (%2)").arg(parts[i], patterns));
    }
    return filters.join(QStringLiteral(";;"));
}

// The platform's identifiers of the classic open dialog's parts, and the
// names of the same parts in Qt's own dialog.
struct DialogPart {
    int id;
    const char* objectName;
};

constexpr DialogPart kDialogParts[] = {
    {0x470, "fileTypeCombo"},   // file type list
    {0x441, "fileTypeLabel"},   // its caption
    {0x47C, "fileNameEdit"},    // file name (drop-down style)
    {0x480, "fileNameEdit"},    // file name (edit style)
    {0x442, "fileNameLabel"},   // its caption
};

void HideParts(QFileDialog& dialog, const QList<int>& ids)
{
    for (int id : ids)
        for (const DialogPart& part : kDialogParts)
            if (part.id == id)
                if (auto* widget = dialog.findChild<QWidget*>(QLatin1String(part.objectName)))
                    widget->hide();
}

} // namespace

TFileDialogAnswer TQtPresenter::FileDialog(TFileDialogRequest& request)
{
    QFileDialog dialog(QApplication::activeWindow(), request.title, request.initialFolder);
    // Qt's own dialog, so that the parts the program hides can be found.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    if (request.kind == TFileDialogRequest::Kind::PickFolder) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly, true);
    } else {
        dialog.setFileMode(request.validate ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        if (!request.filter.isEmpty())
            dialog.setNameFilter(QtFilter(request.filter));
        if (!request.fileName.isEmpty())
            dialog.selectFile(request.fileName);
    }
    QTimer::singleShot(0, &dialog, [&] {
        if (request.shown)
            request.shown();
        HideParts(dialog, request.hiddenControls);
    });
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return {true, dialog.selectedFiles().value(0)};
}
