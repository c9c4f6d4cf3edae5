// Helpers of the filter tests: a table of names, amounts and flags on a
// folder connection, filters set from 8-bit text, and the records a cursor
// shows.
#pragma once

#include "tests/engine/test_index_support.h"

#include <string>
#include <vector>

namespace filtertest {

using apitest::AtEnds;
using apitest::Ends;
using apitest::FieldText;
using apitest::LastError;
using apitest::ShownDeleted;
using apitest::Where;
using indextest::TypeName;
using indextest::Walk;

constexpr UNSIGNED32 kDefaultAof = ADS_ENCODE_UTF16 | ADS_DYNAMIC_AOF | ADS_RESOLVE_DYNAMIC; // 0x2002
constexpr UNSIGNED16 kAllTypes[] = {ADS_NTX, ADS_CDX, ADS_ADT, ADS_VFP};

struct Row {
    std::string name;
    double amount = 0;
    bool active = false;
};

inline std::u16string Utf16(const std::string& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

inline UNSIGNED32 SetAof(ADSHANDLE table, const std::string& text, UNSIGNED32 options = kDefaultAof)
{
    std::u16string units = Utf16(text);
    return AdsSetAOF100(table, units.c_str(), options);
}

inline UNSIGNED32 SetFilter(ADSHANDLE table, const std::string& text)
{
    std::u16string units = Utf16(text);
    return AdsSetFilter100(table, units.c_str(), ADS_ENCODE_UTF16);
}

inline void AppendRow(ADSHANDLE table, const Row& row)
{
    ASSERT_ADS_OK(AdsAppendRecord(table));
    ASSERT_ADS_OK(AdsSetField(table, "NAME", row.name.c_str(), UNSIGNED32(row.name.size())));
    ASSERT_ADS_OK(AdsSetDouble(table, "AMOUNT", row.amount));
    ASSERT_ADS_OK(AdsSetLogical(table, "ACTIVE", row.active ? 1 : 0));
    ASSERT_ADS_OK(AdsWriteRecord(table));
}

// The five rows most tests filter.
inline std::vector<Row> People()
{
    return {{"ANNA", 10, true}, {"BOB", 20, false}, {"CARL", 30, true}, {"ANDREW", 40, false}, {"DORA", 50, true}};
}

// A table "people" of one table type holding `rows`.
class PeopleTable {
public:
    explicit PeopleTable(UNSIGNED16 type, const std::vector<Row>& rows = People())
    {
        mTable = apitest::CreateTable(mConnection.Handle(), "people", type,
                                      "NAME,Char,10;AMOUNT,Numeric,10,2;ACTIVE,Logical;");
        for (const Row& row : rows)
            AppendRow(mTable, row);
    }
    ADSHANDLE Handle() const { return mTable; }

private:
    apitest::FolderConnection mConnection;
    ADSHANDLE mTable = 0;
};

// Whether the cursor is past the end; a failing call counts as the end,
// so that a walk never loops for ever.
inline bool PastEnd(ADSHANDLE table)
{
    UNSIGNED16 eof = 1;
    UNSIGNED32 code = AdsAtEOF(table, &eof);
    EXPECT_EQ(code, AE_SUCCESS) << LastError().text;
    return code != AE_SUCCESS || eof != 0;
}

inline UNSIGNED32 Count(ADSHANDLE object, UNSIGNED16 option)
{
    UNSIGNED32 count = 99999;
    EXPECT_EQ(AdsGetRecordCount(object, option, &count), AE_SUCCESS) << LastError().text;
    return count;
}

} // namespace filtertest
