#include "platform/environment.h"

#include "platform/sysutils.h"

#include <QtGlobal>

namespace {

bool IsValidName(const QString& name)
{
    return !name.isEmpty() && !name.contains(u'=') && !name.contains(QChar(0));
}

QByteArray CheckedName(const QString& name)
{
    if (!IsValidName(name))
        throw Exception(QStringLiteral("\"%1\" is not a valid environment variable name").arg(name));
    return name.toLocal8Bit();
}

} // namespace

std::optional<QString> FindEnvironmentVariable(const QString& name)
{
    if (!IsValidName(name))
        return std::nullopt;
    const QByteArray key = name.toLocal8Bit();
    // qgetenv cannot tell unset from empty; ask only when the value is empty.
    const QByteArray value = qgetenv(key.constData());
    if (value.isEmpty() && !qEnvironmentVariableIsSet(key.constData()))
        return std::nullopt;
    return QString::fromLocal8Bit(value);
}

qsizetype GetEnvironmentVariableLength(const QString& name)
{
    const std::optional<QString> value = FindEnvironmentVariable(name);
    return value ? value->size() + 1 : 0;
}

QString GetEnvironmentVariable(const QString& name)
{
    return FindEnvironmentVariable(name).value_or(QString());
}

void SetEnvironmentVariable(const QString& name, const QString& value)
{
    const QByteArray key = CheckedName(name);
    if (value.contains(QChar(0)))
        throw Exception(QStringLiteral("The value of the environment variable \"%1\" holds a zero character").arg(name));
    if (!qputenv(key.constData(), value.toLocal8Bit()))
        throw Exception(QStringLiteral("Cannot set the environment variable \"%1\"").arg(name));
}

void DeleteEnvironmentVariable(const QString& name)
{
    qunsetenv(CheckedName(name).constData());
}
