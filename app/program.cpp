#include "app/program.h"

#include "app/UWinOutils.h"
#include "app/UmenuPrinc.h"
#include "ads/adscnnct.h"
#include "ads/adsdata.h"
#include "platform/environment.h"
#include "platform/sysinfo.h"
#include "toolkit/application.h"
#include "toolkit/logindialog.h"

#include <QApplication>

const QString kApplicationTitle = QStringLiteral("Varnel");

void EnsureComputerName()
{
    const QString name = QStringLiteral("COMPUTERNAME");
    if (GetEnvironmentVariable(name).isEmpty())
        SetEnvironmentVariable(name, GetComputerName());
}

void CreateApplicationWindows(int& argc, char** argv)
{
    Application->Initialize(argc, argv);
    Application->SetTitle(kApplicationTitle);
    // A dictionary connection that prompts for its login asks the operator.
    SetLoginDialog(&ShowLoginDialog);
    Application->CreateForm(FPrincipal);
    Application->CreateForm(WinOutils);
}

void DestroyApplicationWindows()
{
    Application->DestroyComponents();
}

namespace {

// The connections the data-access layer opened by itself for database
// paths are closed here, while the engine still runs; the layer's list of
// them is never torn down by static destruction.
void CloseImplicitConnections()
{
    try {
        GlobalDynamicConnList().Destroy();
    } catch (const std::exception& error) {
        Application->HandleException(error);
    }
}

} // namespace

int RunVarnel(int& argc, char** argv)
{
    EnsureComputerName();
    // The window system lives in this frame, so that the windows are gone
    // before it and nothing of it is left to static destruction.
    QApplication windowSystem(argc, argv);
    try {
        CreateApplicationWindows(argc, argv);
    } catch (const std::exception& error) {
        // A window that cannot be built (a damaged definition) is reported
        // like any other error, then the program ends: there is nothing to run.
        Application->HandleException(error);
        DestroyApplicationWindows();
        return 1;
    }
    Application->Run();
    DestroyApplicationWindows();
    CloseImplicitConnections();
    return 0;
}
