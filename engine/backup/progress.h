// The progress of one backup or restore, counted in bytes.
//
// It shows in the calling thread's entry of the statement registry as
// "Percent Complete" (bytes done over bytes in all, 0..100) and "Seconds
// Until Finished" (from the rate so far), refreshed at least every 50 ms
// while bytes advance. Every advance also asks whether to stop: the
// registered SQL abort function, or the statement's SQL timeout running
// out, raise AE_OPERATION_ABORTED. Outside a running statement only the
// abort function is asked.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace backup {

class ProgressMeter {
public:
    // `operation` names the work in the stop message ("The restore of X").
    ProgressMeter(uint64_t totalBytes, std::string operation);

    void Advance(uint64_t bytes);
    // Raises AE_OPERATION_ABORTED when the caller asked to stop.
    void CheckStop() const;
    // Shows 100 % and no seconds left.
    void Finish();

    uint64_t Done() const { return mDone; }

private:
    void Publish();

    uint64_t mTotal;
    uint64_t mDone = 0;
    std::string mOperation;
    std::chrono::steady_clock::time_point mStart;
    std::chrono::steady_clock::time_point mLastPublished;
};

} // namespace backup
