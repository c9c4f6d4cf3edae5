// Helpers shared by the test programs.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <optional>

namespace testsupport {

// A fresh folder removed with the object; path() has no trailing separator.
class TempFolder {
public:
    TempFolder();
    QString path() const { return mDir.path(); }
    // Absolute name of `name` inside the folder.
    QString file(const QString& name) const;
    // Writes `content` to `name` (created or replaced) and returns its full name.
    QString write(const QString& name, const QByteArray& content) const;

private:
    QTemporaryDir mDir;
};

// Sets (or unsets, with std::nullopt) an environment variable for the scope of
// the object and restores the previous state, set-but-empty included.
class EnvGuard {
public:
    EnvGuard(const char* name, std::optional<QByteArray> value);
    ~EnvGuard();
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;

private:
    QByteArray mName;
    std::optional<QByteArray> mOld;
};

// Changes the current folder for the scope of the object.
class CurrentDirGuard {
public:
    explicit CurrentDirGuard(const QString& dir);
    ~CurrentDirGuard();

private:
    QString mOld;
};

} // namespace testsupport
