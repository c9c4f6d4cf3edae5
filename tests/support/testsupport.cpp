#include "tests/support/testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <cstdlib>
#include <stdexcept>

namespace testsupport {

TempFolder::TempFolder()
{
    if (!mDir.isValid())
        throw std::runtime_error("cannot create a temporary folder");
}

QString TempFolder::file(const QString& name) const
{
    return mDir.filePath(name);
}

QString TempFolder::write(const QString& name, const QByteArray& content) const
{
    const QString full = file(name);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile f(full);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(content) != content.size())
        throw std::runtime_error(("cannot write " + full).toStdString());
    return full;
}

static std::optional<QByteArray> readEnv(const char* name)
{
    const char* v = std::getenv(name);
    if (!v)
        return std::nullopt;
    return QByteArray(v);
}

static void writeEnv(const QByteArray& name, const std::optional<QByteArray>& value)
{
    if (value)
        ::setenv(name.constData(), value->constData(), 1);
    else
        ::unsetenv(name.constData());
}

EnvGuard::EnvGuard(const char* name, std::optional<QByteArray> value)
    : mName(name), mOld(readEnv(name))
{
    writeEnv(mName, value);
}

EnvGuard::~EnvGuard()
{
    writeEnv(mName, mOld);
}

CurrentDirGuard::CurrentDirGuard(const QString& dir) : mOld(QDir::currentPath())
{
    if (!QDir::setCurrent(dir))
        throw std::runtime_error(("cannot enter " + dir).toStdString());
}

CurrentDirGuard::~CurrentDirGuard()
{
    QDir::setCurrent(mOld);
}

} // namespace testsupport
