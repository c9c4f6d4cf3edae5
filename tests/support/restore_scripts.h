// The tool's two restore scripts, line by line as the main window holds
// them (empty lines included), for the tests that run or check them.
#pragma once

#include <QStringList>

namespace testsupport {

inline QStringList RestoreScript(const QStringList& cursorLines)
{
    return QStringList{"DECLARE @Source String, @Destination String, @MotDePasse String;", ""} + cursorLines +
           QStringList{"",
                       "@Destination = UPPER(:Destination);",
                       "@MotDePasse = LOWER(:MotDePasse);",
                       "@Source = UPPER(:Source);",
                       "",
                       "Open RestoreBackup;"};
}

inline QStringList FreeTablesRestoreScript()
{
    return RestoreScript({"DECLARE RestoreBackup Cursor AS EXECUTE PROCEDURE sp_RestoreFreeTables(", "@Source,",
                          "@Destination,", "NULL,", "@MotDePasse );"});
}

inline QStringList DictionaryRestoreScript()
{
    return RestoreScript({"DECLARE RestoreBackup Cursor AS EXECUTE PROCEDURE sp_RestoreDatabase(", "@Source,",
                          "@MotDePasse,", "@Destination,", "NULL );"});
}

} // namespace testsupport
