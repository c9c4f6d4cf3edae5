#include "engine/backup/progress.h"

#include "engine/core/callbacks.h"
#include "engine/core/errors.h"
#include "engine/core/statement_registry.h"

#include <cmath>

namespace backup {

namespace {

constexpr auto kPublishInterval = std::chrono::milliseconds(50);

} // namespace

ProgressMeter::ProgressMeter(uint64_t totalBytes, std::string operation)
    : mTotal(totalBytes), mOperation(std::move(operation)), mStart(std::chrono::steady_clock::now()),
      mLastPublished(mStart)
{
    if (engine::RunningStatement* statement = engine::CurrentStatement())
        statement->SetProgress(0, std::nullopt);
}

void ProgressMeter::Advance(uint64_t bytes)
{
    mDone += bytes;
    auto now = std::chrono::steady_clock::now();
    if (now - mLastPublished >= kPublishInterval || mDone >= mTotal) {
        mLastPublished = now;
        Publish();
    }
    CheckStop();
}

void ProgressMeter::CheckStop() const
{
    if (engine::SqlAbortRequested())
        throw engine::EngineError(AE_OPERATION_ABORTED, mOperation + " was aborted; nothing was changed.");
    engine::RunningStatement* statement = engine::CurrentStatement();
    if (statement && statement->TimedOut())
        throw engine::EngineError(AE_OPERATION_ABORTED, mOperation + " ran longer than the SQL timeout of "
                                                            + std::to_string(statement->TimeoutSeconds())
                                                            + " seconds and was stopped; nothing was changed.");
}

void ProgressMeter::Finish()
{
    if (engine::RunningStatement* statement = engine::CurrentStatement())
        statement->SetProgress(100, 0);
}

void ProgressMeter::Publish()
{
    engine::RunningStatement* statement = engine::CurrentStatement();
    if (!statement)
        return;
    double percent = mTotal == 0 ? 100.0 : 100.0 * static_cast<double>(mDone) / static_cast<double>(mTotal);
    std::optional<int32_t> secondsLeft;
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - mStart).count();
    if (mDone > 0 && mDone <= mTotal) {
        double left = elapsed * static_cast<double>(mTotal - mDone) / static_cast<double>(mDone);
        secondsLeft = static_cast<int32_t>(std::min(std::ceil(left), 2147483647.0));
    }
    statement->SetProgress(percent, secondsLeft);
}

} // namespace backup
