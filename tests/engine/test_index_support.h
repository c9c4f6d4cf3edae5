// Helpers of the index tests: a table of names and numbers on a folder
// connection, and reading an order back as the list of names it visits.
#pragma once

#include "tests/engine/test_api_support.h"

#include <string>
#include <vector>

namespace indextest {

using apitest::FieldText;
using apitest::LastError;

constexpr const char* kFields = "NAME,Char,10;AMOUNT,Numeric,10,2;";

inline void AppendRow(ADSHANDLE table, const std::string& name, double amount)
{
    ASSERT_ADS_OK(AdsAppendRecord(table));
    ASSERT_ADS_OK(AdsSetField(table, "NAME", name.c_str(), UNSIGNED32(name.size())));
    ASSERT_ADS_OK(AdsSetDouble(table, "AMOUNT", amount));
    ASSERT_ADS_OK(AdsWriteRecord(table));
}

inline void SetName(ADSHANDLE table, const std::string& name)
{
    ASSERT_ADS_OK(AdsSetField(table, "NAME", name.c_str(), UNSIGNED32(name.size())));
    ASSERT_ADS_OK(AdsWriteRecord(table));
}

// Names in the order of `order` from top to bottom, one pass only: what a
// reader sees while another connection is still appending.
inline std::vector<std::string> WalkForward(ADSHANDLE table, ADSHANDLE order)
{
    std::vector<std::string> forward;
    UNSIGNED16 eof = 0;
    // A failing call ends the walk (it is reported), never loops for ever.
    bool ok = AdsGotoTop(order) == AE_SUCCESS;
    for (ok = ok && AdsAtEOF(table, &eof) == AE_SUCCESS; ok && !eof; ok = ok && AdsAtEOF(table, &eof) == AE_SUCCESS) {
        forward.push_back(FieldText(table, "NAME"));
        ok = AdsSkip(order, 1) == AE_SUCCESS;
    }
    EXPECT_TRUE(ok) << "walking the order: " << LastError().text;
    return forward;
}

// Names in the order of `order` from top to bottom, checked against the walk
// from bottom to top (so the table must not change meanwhile).
inline std::vector<std::string> Walk(ADSHANDLE table, ADSHANDLE order)
{
    const std::vector<std::string> forward = WalkForward(table, order);
    std::vector<std::string> backward;
    UNSIGNED16 bof = 0;
    bool ok = AdsGotoBottom(order) == AE_SUCCESS;
    for (ok = ok && AdsAtBOF(table, &bof) == AE_SUCCESS; ok && !bof; ok = ok && AdsAtBOF(table, &bof) == AE_SUCCESS) {
        backward.insert(backward.begin(), FieldText(table, "NAME"));
        ok = AdsSkip(order, -1) == AE_SUCCESS;
    }
    EXPECT_TRUE(ok) << "walking the order backwards: " << LastError().text;
    EXPECT_EQ(forward, backward) << "the order reads the same both ways";
    return forward;
}

inline ADSHANDLE CreateIndex(ADSHANDLE table, const char* tag, const char* expression, UNSIGNED32 options = 0,
                             const char* condition = "")
{
    ADSHANDLE index = 0;
    UNSIGNED32 result = AdsCreateIndex90(table, "", tag, expression, condition, "", options | ADS_COMPOUND, 0, "",
                                         &index);
    EXPECT_EQ(result, AE_SUCCESS) << expression << ": " << LastError().text;
    return index;
}

inline const char* TypeName(UNSIGNED16 type)
{
    switch (type) {
    case ADS_NTX: return "NTX";
    case ADS_CDX: return "CDX";
    case ADS_ADT: return "ADT";
    default: return "VFP";
    }
}

} // namespace indextest
