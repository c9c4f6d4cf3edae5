#include "app/program.h"

#include "app/UWinOutils.h"
#include "app/UmenuPrinc.h"
#include "platform/environment.h"
#include "platform/sysinfo.h"
#include "toolkit/application.h"

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
    Application->CreateForm(FPrincipal);
    Application->CreateForm(WinOutils);
}

int RunVarnel(int& argc, char** argv)
{
    EnsureComputerName();
    CreateApplicationWindows(argc, argv);
    Application->Run();
    return 0;
}
