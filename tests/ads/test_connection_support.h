// Shared by the connection tests: real folders, a real ads.ini found through
// adsini_path, and readers of the engine-call trace.
#pragma once

#include "ads/ace.h"
#include "ads/adscnnct.h"
#include "platform/paths.h"
#include "tests/support/testsupport.h"

#include <QDir>
#include <QStringList>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace connection_test {

// The names of the traced calls, in order.
inline QStringList Functions(const std::vector<ace::TracedCall>& calls)
{
    QStringList names;
    for (const ace::TracedCall& call : calls)
        names << call.function;
    return names;
}

// "Function(args) = result" lines, for failure messages.
inline std::string Dump(const std::vector<ace::TracedCall>& calls)
{
    QStringList lines;
    for (const ace::TracedCall& call : calls)
        lines << call.Text();
    return lines.join(QLatin1Char('\n')).toStdString();
}

// The traced calls of one function.
inline std::vector<ace::TracedCall> CallsOf(const std::vector<ace::TracedCall>& calls, const QString& function)
{
    std::vector<ace::TracedCall> found;
    for (const ace::TracedCall& call : calls)
        if (call.function == function)
            found.push_back(call);
    return found;
}

// Only the calls whose names are in `functions`, in order.
inline QStringList Only(const std::vector<ace::TracedCall>& calls, const QStringList& functions)
{
    QStringList names;
    for (const ace::TracedCall& call : calls)
        if (functions.contains(call.function))
            names << call.function;
    return names;
}

// A temporary installation: a data folder, an NTX folder, an ADT folder and
// an ads.ini naming them (and a dictionary), found through adsini_path.
class Installation {
public:
    Installation()
        : data(Folder("data")), ntx(Folder("ntx")), adt(Folder("adt")),
          dictionaryFile(tmp.file("dict/Base.add"))
    {
        QDir().mkpath(tmp.file("dict"));
        tmp.write("ads.ini", "[Databases]\n"
                             "Plain=" + data.toLocal8Bit() + "\n"
                             "Ntx=" + ntx.toLocal8Bit() + ";N\n"
                             "Adt=" + adt.toLocal8Bit() + ";a\n"
                             "Dictionary=" + dictionaryFile.toLocal8Bit() + "\n");
        mEnv = std::make_unique<testsupport::EnvGuard>("adsini_path", tmp.path().toLocal8Bit());
    }

    QString Folder(const QString& name)
    {
        const QString path = tmp.file(name);
        QDir().mkpath(path);
        return path;
    }

    testsupport::TempFolder tmp;
    QString data, ntx, adt, dictionaryFile;

private:
    std::unique_ptr<testsupport::EnvGuard> mEnv;
};

// A connection on a real folder of free tables.
inline std::unique_ptr<TAdsConnection> OpenOn(const QString& folder, TComponent* owner = nullptr)
{
    auto connection = std::make_unique<TAdsConnection>(owner);
    connection->SetConnectPath(folder);
    connection->SetIsConnected(true);
    return connection;
}

// Runs `action`, expecting an exception of class E with exactly `message`.
template <class E, class Action>
void ExpectRaises(Action action, const QString& message)
{
    try {
        action();
        ADD_FAILURE() << "nothing raised; expected: " << message.toStdString();
    } catch (const E& error) {
        EXPECT_EQ(error.Message(), message);
    }
}

} // namespace connection_test
