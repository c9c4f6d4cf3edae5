#include "platform/paths.h"

qsizetype LastPathDelimiter(const QString& path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        const QChar c = path.at(i);
        if (c == PathDelim || (kHasDriveDelim && c == DriveDelim))
            return i;
    }
    return -1;
}

QString ExtractFileName(const QString& path)
{
    return path.mid(LastPathDelimiter(path) + 1);
}

QString ExtractFilePath(const QString& path)
{
    return path.left(LastPathDelimiter(path) + 1);
}

QString IncludeTrailingPathDelimiter(const QString& path)
{
    return path.endsWith(PathDelim) ? path : path + PathDelim;
}

QString ExcludeTrailingPathDelimiter(const QString& path)
{
    return path.endsWith(PathDelim) ? path.chopped(1) : path;
}
