// Shared pieces of the backup and restore tests: sample tables of every
// table type made through the engine's interface, the procedures run as SQL
// on a connection, and snapshots of a folder's files for byte comparisons.
#pragma once

#include "engine/engine.h"
#include "test_api_support.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include <functional>
#include <map>
#include <string>

namespace backuptest {

using apitest::LastError;

struct TableType {
    const char* label;
    UNSIGNED16 type;
};

inline const TableType kTableTypes[] = {{"ADT", ADS_ADT}, {"CDX", ADS_CDX}, {"NTX", ADS_NTX}, {"VFP", ADS_VFP}};

inline const char* kDefinition = "ID,Numeric,8,0;NAME,Char,30;BORN,Date;NOTE,Memo;";

// Creates `name` with `records` records (names, dates, memos, some nulls)
// and an index on NAME, and closes it.
inline void MakeTable(ADSHANDLE connection, const std::string& name, UNSIGNED16 type, int records,
                      const std::string& salt = "")
{
    ADSHANDLE table = apitest::CreateTable(connection, name, type, kDefinition);
    ASSERT_NE(table, 0u);
    for (int i = 1; i <= records; ++i) {
        ASSERT_ADS_OK(AdsAppendRecord(table));
        ASSERT_ADS_OK(AdsSetDouble(table, ADSFIELD(1), i));
        std::string text = "Name " + std::to_string((i * 7919) % 1000) + salt;
        ASSERT_ADS_OK(AdsSetField(table, "NAME", text.c_str(), static_cast<UNSIGNED32>(text.size())));
        if (i % 5 == 0) {
            ASSERT_ADS_OK(AdsSetNull(table, "BORN"));
        } else {
            ASSERT_ADS_OK(AdsSetJulian(table, "BORN", 2451545 + i));
        }
        if (i % 3 != 0) {
            std::string memo = "Memo of record " + std::to_string(i) + salt + std::string(i % 50, '.');
            ASSERT_ADS_OK(AdsSetString(table, "NOTE", memo.c_str(), static_cast<UNSIGNED32>(memo.size())));
        }
        ASSERT_ADS_OK(AdsWriteRecord(table));
    }
    ADSHANDLE index = 0;
    ASSERT_ADS_OK(AdsCreateIndex90(table, "", "BYNAME", "NAME", "", "", ADS_COMPOUND, 0, "", &index));
    ASSERT_ADS_OK(AdsCloseTable(table));
}

using apitest::RunSql;

inline std::string Quoted(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("''") : std::string(1, c);
    return quoted + "'";
}

inline std::string Nullable(const std::string& text) { return text.empty() ? "NULL" : Quoted(text); }

inline UNSIGNED32 BackupFreeTables(ADSHANDLE connection, const std::string& source, const std::string& destination,
                                   const std::string& password = "", const std::string& mask = "")
{
    return RunSql(connection, "EXECUTE PROCEDURE sp_BackupFreeTables(" + Quoted(source) + ", " + Nullable(mask)
                                   + ", " + Quoted(destination) + ", NULL, " + Nullable(password) + ")");
}

inline UNSIGNED32 RestoreFreeTables(ADSHANDLE connection, const std::string& source, const std::string& destination,
                                    const std::string& password = "")
{
    return RunSql(connection, "EXECUTE PROCEDURE sp_RestoreFreeTables(" + Quoted(source) + ", "
                                   + Quoted(destination) + ", NULL, " + Nullable(password) + ")");
}

// The tool's free-table restore script, run as the tool runs it: prepared
// whole, its three values bound by position as wide strings.
inline UNSIGNED32 RunRestoreScript(ADSHANDLE connection, const std::string& source, const std::string& destination,
                                   const std::string& password)
{
    ADSHANDLE statement = 0;
    UNSIGNED32 result = AdsCreateSQLStatement(connection, &statement);
    if (result == AE_SUCCESS)
        result = AdsPrepareSQLW(statement, apitest::kRestoreScript);
    const std::u16string values[] = {QString::fromStdString(destination).toStdU16String(),
                                     QString::fromStdString(password).toStdU16String(),
                                     QString::fromStdString(source).toStdU16String()};
    for (UNSIGNED16 p = 0; p < 3 && result == AE_SUCCESS; ++p)
        result = AdsSetStringW(statement, ADSFIELD(p + 1), values[p].c_str(), static_cast<UNSIGNED32>(values[p].size()));
    ADSHANDLE cursor = 0;
    if (result == AE_SUCCESS)
        result = AdsExecuteSQL(statement, &cursor);
    apitest::Reported error = LastError();
    if (cursor)
        AdsCloseTable(cursor);
    if (statement)
        AdsCloseSQLStatement(statement);
    if (result != AE_SUCCESS)
        AdsSetLastError(error.code, error.text.c_str());
    return result;
}

// Every file below `folder` (relative name -> bytes).
inline std::map<std::string, QByteArray> Snapshot(const std::string& folder)
{
    std::map<std::string, QByteArray> files;
    QDir root(QString::fromStdString(folder));
    std::function<void(const QString&)> walk = [&](const QString& dir) {
        QDir d(dir);
        for (const QFileInfo& info : d.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
            if (info.isDir()) {
                walk(info.filePath());
            } else {
                QFile file(info.filePath());
                EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << info.filePath().toStdString();
                files[root.relativeFilePath(info.filePath()).toStdString()] = file.readAll();
            }
        }
    };
    walk(root.path());
    return files;
}

// The files of the snapshot whose names start with `prefix`.
inline std::map<std::string, QByteArray> Only(const std::map<std::string, QByteArray>& files, const std::string& prefix)
{
    std::map<std::string, QByteArray> chosen;
    for (const auto& [name, bytes] : files)
        if (name.rfind(prefix, 0) == 0)
            chosen[name] = bytes;
    return chosen;
}

inline void WriteFile(const std::string& path, const QByteArray& bytes)
{
    QFile file(QString::fromStdString(path));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path;
    ASSERT_EQ(file.write(bytes), bytes.size());
}

inline QByteArray ReadFile(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
    return file.readAll();
}

} // namespace backuptest
