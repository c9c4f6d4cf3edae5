// Helpers of the transaction tests: a table of names, amounts and memo notes
// with an index on NAME, and a snapshot of every record for comparisons.
#pragma once

#include "tests/engine/test_index_support.h"

#include <string>
#include <vector>

namespace txtest {

using apitest::FieldText;
using apitest::LastError;

constexpr const char* kFields = "NAME,Char,10;AMOUNT,Numeric,10,2;NOTE,Memo;";
constexpr UNSIGNED16 kTypes[] = {ADS_ADT, ADS_CDX, ADS_NTX, ADS_VFP};

inline void SetText(ADSHANDLE table, const char* field, const std::string& value)
{
    ASSERT_ADS_OK(AdsSetField(table, field, value.c_str(), UNSIGNED32(value.size())));
}

inline void AppendRow(ADSHANDLE table, const std::string& name, double amount, const std::string& note)
{
    ASSERT_ADS_OK(AdsAppendRecord(table));
    SetText(table, "NAME", name);
    ASSERT_ADS_OK(AdsSetDouble(table, "AMOUNT", amount));
    SetText(table, "NOTE", note);
    ASSERT_ADS_OK(AdsWriteRecord(table));
}

// A table of three rows (Ann, Bob, Cid) with notes and an index on NAME.
inline ADSHANDLE SeededTable(ADSHANDLE connection, const std::string& name, UNSIGNED16 type, ADSHANDLE* byName)
{
    ADSHANDLE table = apitest::CreateTable(connection, name, type, kFields);
    *byName = indextest::CreateIndex(table, "BYNAME", "NAME");
    AppendRow(table, "Ann", 1, "first note of Ann");
    AppendRow(table, "Bob", 2, "Bob's note");
    AppendRow(table, "Cid", 3, "");
    return table;
}

// Every record in record order as "NAME|AMOUNT|NOTE|deleted flag".
inline std::vector<std::string> Snapshot(ADSHANDLE table)
{
    apitest::ShownDeleted shown(true);
    std::vector<std::string> rows;
    UNSIGNED32 count = 0;
    EXPECT_ADS_OK(AdsGetRecordCount(table, ADS_IGNOREFILTERS, &count));
    for (UNSIGNED32 recno = 1; recno <= count; ++recno) {
        EXPECT_ADS_OK(AdsGotoRecord(table, recno));
        UNSIGNED16 deleted = 9;
        EXPECT_ADS_OK(AdsIsRecordDeleted(table, &deleted));
        rows.push_back(FieldText(table, "NAME") + "|" + FieldText(table, "AMOUNT") + "|" + FieldText(table, "NOTE")
                       + "|" + (deleted ? "deleted" : "live"));
    }
    return rows;
}

// The names the index visits, with deleted records hidden.
inline std::vector<std::string> IndexedNames(ADSHANDLE table, ADSHANDLE byName)
{
    apitest::ShownDeleted hidden(false);
    return indextest::Walk(table, byName);
}

inline bool InTransaction(ADSHANDLE connection)
{
    UNSIGNED16 active = 9;
    EXPECT_ADS_OK(AdsInTransaction(connection, &active));
    return active == 1;
}

inline UNSIGNED32 TransactionCount(ADSHANDLE connection)
{
    UNSIGNED32 count = 99;
    EXPECT_ADS_OK(AdsGetTransactionCount(connection, &count));
    return count;
}

} // namespace txtest
