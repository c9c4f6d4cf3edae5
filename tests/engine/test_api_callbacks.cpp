// Callbacks registered through the C interface are the ones the engine's
// long operations report to.
#include "engine/core/callbacks.h"
#include "tests/engine/test_api_support.h"

#include <vector>

using namespace apitest;

namespace {

std::vector<unsigned> gSeen;

UNSIGNED32 KeepGoing(UNSIGNED16 percent)
{
    gSeen.push_back(percent);
    return 0;
}

UNSIGNED32 StopWithId(UNSIGNED16 percent, UNSIGNED32 id)
{
    gSeen.push_back(percent * 1000 + id);
    return 1;
}

TEST(ApiCallbacks, RegisteredCallbacksHearProgressUntilCleared)
{
    gSeen.clear();
    ASSERT_ADS_OK(AdsRegisterProgressCallback(KeepGoing));
    EXPECT_FALSE(engine::ReportProgress(40));
    ASSERT_ADS_OK(AdsRegisterCallbackFunction(StopWithId, 7));
    EXPECT_TRUE(engine::ReportProgress(60)) << "a non-zero answer asks to stop";
    ASSERT_ADS_OK(AdsClearCallbackFunction());
    ASSERT_ADS_OK(AdsClearProgressCallback());
    EXPECT_FALSE(engine::ReportProgress(80));
    EXPECT_EQ(gSeen, (std::vector<unsigned>{40, 60007, 60}));
    ExpectFailure(AdsRegisterProgressCallback(nullptr), AE_INVALID_ARGUMENT, "callback is null");
}

} // namespace
