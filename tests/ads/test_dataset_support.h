// Shared by the dataset and query tests: a folder of real tables made
// through the query component itself, and queries on it.
#pragma once

#include "ads/adstable.h"
#include "tests/ads/test_connection_support.h"

#include <QFile>

namespace dataset_test {

using namespace connection_test;

// A query over `folder` (implicit connection) with the given text.
inline std::unique_ptr<TAdsQuery> QueryOn(const QString& folder, const QString& sql,
                                          TAdsTableTypes type = ttAdsADT)
{
    auto query = std::make_unique<TAdsQuery>(nullptr);
    query->SetDatabaseName(folder);
    query->SetSourceTableType(type);
    query->SQL()->SetText(sql);
    return query;
}

// Runs `sql` for its effect on `folder` with tables of `type`.
inline void RunSql(const QString& folder, const QString& sql, TAdsTableTypes type = ttAdsADT)
{
    QueryOn(folder, sql, type)->ExecSQL();
}

// Runs `action`, expecting an EADSDatabaseError whose message ends with `text`.
template <class Action>
void ExpectDataSetError(Action action, const QString& text, uint32_t code = kAdsDataSetErrorCode)
{
    try {
        action();
        ADD_FAILURE() << "nothing raised; expected: " << text.toStdString();
    } catch (const EADSDatabaseError& error) {
        EXPECT_TRUE(error.Message().endsWith(text)) << error.Message().toStdString();
        EXPECT_EQ(error.ACEErrorCode(), code) << error.Message().toStdString();
    }
}

// A table of `folder` opened directly, as a cursor to hand to a dataset
// (SetCursorHandleForOpen); the dataset closes it.
inline uint32_t OpenTableCursor(TAdsConnection& connection, const QString& table, uint16_t tableType)
{
    ADSHANDLE cursor = 0;
    const uint32_t code = ace::AdsOpenTable(connection.ConnectionHandle(), table.toLatin1().constData(), nullptr,
                                            tableType, ADS_ANSI, ADS_PROPRIETARY_LOCKING, ADS_CHECKRIGHTS, 0,
                                            &cursor);
    EXPECT_EQ(code, 0u) << table.toStdString();
    return cursor;
}

inline std::string TypeName(TFieldType type)
{
    return FieldTypeName(type).toStdString();
}

} // namespace dataset_test
