#include "app/UWinOutils.h"

#include "framework/typinfo.h"
#include "platform/environment.h"

TWinOutils* WinOutils = nullptr;

VARNEL_DEFINE_CLASS(TWinOutils)

TWinOutils::TWinOutils(TComponent* owner) : TDataModule(owner)
{
    ReadDefinition(QStringLiteral(":/forms/WinOutils.dfm"));
}

TWinOutils::~TWinOutils()
{
    if (WinOutils == this)
        WinOutils = nullptr;
}

QString TWinOutils::GetEnvVar(const QString& Name) const
{
    // The platform reports the length with the terminating character, so an
    // empty value counts 1 and an unset variable 0.
    const qsizetype length = GetEnvironmentVariableLength(Name);
    if (length <= 0)
        return QString();
    return GetEnvironmentVariable(Name).left(length - 1);
}
