// The demo builder: starts the tool exactly as the program entry does, on
// whatever Qt platform is in force (offscreen for `make demo`), shows the
// main window and saves a screenshot of it.
//
//   varnel-demo --screenshot <file.png>
#include "app/UmenuPrinc.h"
#include "app/program.h"
#include "toolkit/application.h"

#include <QApplication>
#include <QPixmap>
#include <QTextStream>
#include <cstdio>

namespace {

QString ScreenshotPath(int argc, char** argv)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (QString::fromLocal8Bit(argv[i]) == QLatin1String("--screenshot"))
            return QString::fromLocal8Bit(argv[i + 1]);
    return QStringLiteral("main-window.png");
}

} // namespace

int main(int argc, char** argv)
{
    const QString shot = ScreenshotPath(argc, argv);
    EnsureComputerName();
    QApplication windowSystem(argc, argv);
    CreateApplicationWindows(argc, argv);
    QTextStream out(stdout);
    if (Application->Terminated() || !FPrincipal) {
        out << "varnel-demo: the tool ended at start (no alias in ads.ini)\n";
        return 1;
    }
    FPrincipal->Show();
    Application->ProcessMessages();
    out << "aliases listed:";
    for (int i = 0; i < FPrincipal->wwDBCBAlias->ItemCount(); ++i)
        out << ' ' << FPrincipal->wwDBCBAlias->Items()->Get(i);
    out << "\nselected alias: " << FPrincipal->wwDBCBAlias->Text() << '\n';
    if (!FPrincipal->Grab().save(shot, "PNG")) {
        out << "varnel-demo: cannot write " << shot << '\n';
        return 1;
    }
    out << "screenshot of the main window: " << shot << '\n';
    DestroyApplicationWindows();
    return 0;
}
