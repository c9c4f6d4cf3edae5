#include "platform/files.h"

#include "platform/environment.h"
#include "platform/paths.h"
#include "platform/sysutils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

bool StatFollowingLinks(const QString& name, struct stat& st)
{
    if (name.isEmpty())
        return false;
    return ::stat(QFile::encodeName(name).constData(), &st) == 0;
}

[[noreturn]] void RaiseCreateError(const QString& dir, int error)
{
    const QString reason = QString::fromStdString(std::generic_category().message(error));
    throw EInOutError(QStringLiteral("Cannot create the folder \"%1\": %2 (error %3)")
                          .arg(dir, reason).arg(error),
                      error);
}

} // namespace

bool FileExists(const QString& name)
{
    struct stat st {};
    return StatFollowingLinks(name, st) && S_ISREG(st.st_mode);
}

bool DirectoryExists(const QString& name)
{
    struct stat st {};
    return StatFollowingLinks(name, st) && S_ISDIR(st.st_mode);
}

void CreateDir(const QString& dir)
{
    if (dir.isEmpty())
        RaiseCreateError(dir, ENOENT);
    if (::mkdir(QFile::encodeName(dir).constData(), 0777) == 0)
        return;
    const int error = errno;
    if (error == EEXIST && DirectoryExists(dir))
        return;
    RaiseCreateError(dir, error);
}

void ForceDirectories(const QString& dir)
{
    if (dir.isEmpty())
        RaiseCreateError(dir, ENOENT);
    const QString target = ExcludeTrailingPathDelimiter(dir);
    if (target.isEmpty() || DirectoryExists(target))
        return;
    const QString parent = ExcludeTrailingPathDelimiter(ExtractFilePath(target));
    if (!parent.isEmpty())
        ForceDirectories(parent);
    CreateDir(target);
}

QString ExecutableFileName()
{
    return QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
}

QString ExecutableFolder()
{
    return QFileInfo(ExecutableFileName()).absolutePath();
}

QString SearchPath(const QString& name)
{
    if (name.isEmpty())
        return QString();
    if (QDir::isAbsolutePath(name))
        return FileExists(name) ? name : QString();

    QStringList folders{ExecutableFolder(), QDir::currentPath()};
    folders += GetEnvironmentVariable(QStringLiteral("PATH")).split(u':', Qt::SkipEmptyParts);
    for (const QString& folder : folders) {
        const QString candidate = IncludeTrailingPathDelimiter(folder) + name;
        if (FileExists(candidate))
            return QFileInfo(candidate).absoluteFilePath();
    }
    return QString();
}
