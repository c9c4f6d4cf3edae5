// Shared pieces of the tests of data statements and definitions: a folder
// connection, statements run by text with a table type, result rows read
// back as text, and a small table of people filled through the engine's own
// calls (so that the statements are checked against what the engine wrote).
#pragma once

#include "test_sqlexec_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace sqlstage {

using Rows = std::vector<std::vector<std::string>>;

constexpr SIGNED32 kJan1st2000 = 2451545;
constexpr SIGNED32 kJune15th1990 = 2448058;

inline const char* TypeName(UNSIGNED16 type)
{
    switch (type) {
    case ADS_NTX: return "NTX";
    case ADS_CDX: return "CDX";
    case ADS_ADT: return "ADT";
    case ADS_VFP: return "VFP";
    default: return "?";
    }
}

// Reads `columns` of every row of a cursor as trimmed text and closes it.
inline Rows ReadRows(ADSHANDLE cursor, const std::vector<const char*>& columns)
{
    Rows rows;
    if (cursor == 0)
        return rows;
    EXPECT_ADS_OK(AdsGotoTop(cursor));
    UNSIGNED16 eof = 0;
    while (AdsAtEOF(cursor, &eof) == AE_SUCCESS && !eof) {
        std::vector<std::string> row;
        for (const char* column : columns)
            row.push_back(sqlexec::Text(cursor, column));
        rows.push_back(row);
        EXPECT_ADS_OK(AdsSkip(cursor, 1));
    }
    EXPECT_ADS_OK(AdsCloseTable(cursor));
    return rows;
}

// A statement of the connection that runs texts on one table type.
class Runner {
public:
    Runner(ADSHANDLE connection, UNSIGNED16 tableType) : mStatement(connection)
    {
        EXPECT_ADS_OK(AdsStmtSetTableType(mStatement.Handle(), tableType));
    }
    ADSHANDLE Handle() const { return mStatement.Handle(); }

    // Prepares `text`; the caller binds parameters and calls Execute.
    void Prepare(const std::string& text) { EXPECT_ADS_OK(sqlexec::Prepare(Handle(), text)); }
    UNSIGNED32 Execute(ADSHANDLE* cursor) { return AdsExecuteSQL(Handle(), cursor); }

    // Runs `text`, expecting success; the result cursor or 0.
    ADSHANDLE Run(const std::string& text)
    {
        ADSHANDLE cursor = 0;
        UNSIGNED32 result = AdsExecuteSQLDirect(Handle(), text.c_str(), &cursor);
        EXPECT_EQ(result, AE_SUCCESS) << text << ": " << apitest::LastError().text;
        return cursor;
    }
    UNSIGNED32 Try(const std::string& text)
    {
        ADSHANDLE cursor = 0;
        UNSIGNED32 result = AdsExecuteSQLDirect(Handle(), text.c_str(), &cursor);
        if (cursor != 0)
            AdsCloseTable(cursor);
        return result;
    }
    Rows Select(const std::string& text, const std::vector<const char*>& columns)
    {
        return ReadRows(Run(text), columns);
    }
    UNSIGNED32 RowsAffected()
    {
        UNSIGNED32 count = 0;
        EXPECT_ADS_OK(AdsGetRecordCount(Handle(), ADS_IGNOREFILTERS, &count));
        return count;
    }

private:
    sqlexec::StatementOn mStatement;
};

// The definition of the people table on a table type: ages are integers
// where the type has them, numbers of five digits elsewhere.
inline std::string PeopleDefinition(UNSIGNED16 type)
{
    std::string age = type == ADS_ADT || type == ADS_VFP ? "AGE,Integer;" : "AGE,Numeric,5,0;";
    return "NAME,Char,20;" + age + "SALARY,Numeric,10,2;BORN,Date;ACTIVE,Logical;NOTE,Memo;";
}

inline std::string LongNote() { return std::string(300, 'n') + " end"; }

inline void SetText(ADSHANDLE table, const char* field, const std::string& text)
{
    ASSERT_ADS_OK(AdsSetString(table, field, text.c_str(), static_cast<UNSIGNED32>(text.size())));
}

// people: Ann 31 1200.50 2000-01-01 active "likes tea"; Bob 45 800.00
// 1990-06-15 inactive no note; Dee no age 50.25 no birth date active, a
// 304-character note.
inline void MakePeople(ADSHANDLE connection, UNSIGNED16 type, const std::string& name = "people")
{
    ADSHANDLE table = apitest::CreateTable(connection, name, type, PeopleDefinition(type));
    ASSERT_NE(table, 0u);
    ASSERT_ADS_OK(AdsAppendRecord(table));
    SetText(table, "NAME", "Ann");
    ASSERT_ADS_OK(AdsSetDouble(table, "AGE", 31));
    ASSERT_ADS_OK(AdsSetDouble(table, "SALARY", 1200.5));
    ASSERT_ADS_OK(AdsSetJulian(table, "BORN", kJan1st2000));
    ASSERT_ADS_OK(AdsSetLogical(table, "ACTIVE", 1));
    SetText(table, "NOTE", "likes tea");
    ASSERT_ADS_OK(AdsAppendRecord(table));
    SetText(table, "NAME", "Bob");
    ASSERT_ADS_OK(AdsSetDouble(table, "AGE", 45));
    ASSERT_ADS_OK(AdsSetDouble(table, "SALARY", 800));
    ASSERT_ADS_OK(AdsSetJulian(table, "BORN", kJune15th1990));
    ASSERT_ADS_OK(AdsSetLogical(table, "ACTIVE", 0));
    ASSERT_ADS_OK(AdsAppendRecord(table));
    SetText(table, "NAME", "Dee");
    ASSERT_ADS_OK(AdsSetDouble(table, "SALARY", 50.25));
    ASSERT_ADS_OK(AdsSetLogical(table, "ACTIVE", 1));
    SetText(table, "NOTE", LongNote());
    ASSERT_ADS_OK(AdsWriteRecord(table));
    ASSERT_ADS_OK(AdsCloseTable(table));
}

// The NAME of every record of a table in the order of `index` (a tag name),
// deleted records left out.
inline std::vector<std::string> NamesInOrder(ADSHANDLE connection, const std::string& table, UNSIGNED16 type,
                                             const char* index, const char* column = "NAME")
{
    std::vector<std::string> names;
    ADSHANDLE handle = apitest::OpenTable(connection, table, type);
    ADSHANDLE order = handle;
    if (index)
        EXPECT_ADS_OK(AdsGetIndexHandle(handle, index, &order));
    EXPECT_ADS_OK(AdsGotoTop(order));
    UNSIGNED16 eof = 0;
    while (AdsAtEOF(order, &eof) == AE_SUCCESS && !eof) {
        UNSIGNED16 deleted = 0;
        EXPECT_ADS_OK(AdsIsRecordDeleted(order, &deleted));
        if (!deleted)
            names.push_back(apitest::FieldText(order, column));
        EXPECT_ADS_OK(AdsSkip(order, 1));
    }
    AdsCloseTable(handle);
    return names;
}

} // namespace sqlstage
