#include "platform/syncobjs.h"
#include "platform/sysinfo.h"
#include "platform/sysutils.h"
#include "platform/threads.h"
#include "tests/platform/qtprinters.h"

#include <QSysInfo>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <thread>

namespace {

class ECustomError : public Exception {
public:
    ECustomError(const QString& message, int detail) : Exception(message), mDetail(detail) {}
    int Detail() const { return mDetail; }
    std::shared_ptr<Exception> Clone() const override { return std::make_shared<ECustomError>(*this); }

private:
    int mDetail;
};

// What a worker leaves behind, shared with the test so that it can be read
// after a self-freeing worker is gone.
struct WorkerTrace {
    std::atomic<bool> executed{false};
    std::atomic<bool> destroyed{false};
    std::atomic<bool> terminatedBeforeDestruction{false};
    std::atomic<uint32_t> executeThread{0};
    std::atomic<uint32_t> onTerminateThread{0};
};

class TWorker : public TThread {
public:
    TWorker(std::shared_ptr<WorkerTrace> trace, std::function<void()> body)
        : mTrace(std::move(trace)), mBody(std::move(body)) {}
    ~TWorker() override
    {
        TerminateAndWait();  // Execute() uses mBody
        mTrace->destroyed = true;
    }

protected:
    void Execute() override
    {
        mTrace->executeThread = GetCurrentThreadId();
        if (mBody)
            mBody();
        mTrace->executed = true;
    }

private:
    std::shared_ptr<WorkerTrace> mTrace;
    std::function<void()> mBody;
};

} // namespace

TEST(Thread, ErrorSlotKeepsWhatLeftExecute)
{
    struct Case { const char* label; std::function<void()> body; QString message; bool custom; };
    const Case cases[] = {
        {"none", [] {}, QString(), false},
        {"Exception subclass", [] { throw ECustomError("disk full", 28); }, "disk full", true},
        {"std::exception", [] { throw std::runtime_error("bad state"); }, "bad state", false},
        {"anything else", [] { throw 42; }, "The thread ended with an unknown exception", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        auto trace = std::make_shared<WorkerTrace>();
        TWorker worker(trace, c.body);
        worker.Start();
        EXPECT_EQ(worker.WaitFor(), 0);
        const std::shared_ptr<Exception> fatal = worker.FatalException();
        if (c.message.isNull()) {
            EXPECT_EQ(fatal, nullptr);
            EXPECT_FALSE(worker.FatalExceptionPtr());
            continue;
        }
        ASSERT_NE(fatal, nullptr);
        EXPECT_EQ(fatal->Message(), c.message);
        EXPECT_TRUE(worker.FatalExceptionPtr());
        const auto* custom = dynamic_cast<const ECustomError*>(fatal.get());
        EXPECT_EQ(custom != nullptr, c.custom);
        if (custom) {
            EXPECT_EQ(custom->Detail(), 28);
        }
    }
}

TEST(Thread, FreeOnTerminateDeletesTheObjectBeforeCompletionIsSignalled)
{
    for (bool fails : {false, true}) {
        SCOPED_TRACE(fails ? "Execute raises" : "Execute returns");
        auto trace = std::make_shared<WorkerTrace>();
        auto* worker = new TWorker(trace, [fails] {
            if (fails)
                throw ECustomError("restore failed", 7);
        });
        worker->SetFreeOnTerminate(true);
        worker->OnTerminate = [trace](TThread* sender) {
            trace->onTerminateThread = GetCurrentThreadId();
            trace->terminatedBeforeDestruction = !trace->destroyed && sender != nullptr;
        };
        const std::shared_ptr<const TThreadCompletion> done = worker->Completion();
        EXPECT_FALSE(done->Finished());
        worker->Start();
        worker = nullptr;  // the object belongs to its thread from here on

        ASSERT_TRUE(done->WaitFor(10000));
        EXPECT_TRUE(trace->destroyed);
        EXPECT_TRUE(trace->terminatedBeforeDestruction);
        EXPECT_EQ(trace->onTerminateThread.load(), trace->executeThread.load());
        EXPECT_NE(trace->executeThread.load(), GetCurrentThreadId());
        EXPECT_EQ(done->FatalException() != nullptr, fails);
        if (fails) {
            EXPECT_EQ(done->FatalException()->Message(), "restore failed");
        }
    }
}

TEST(Thread, LifecycleRulesAreEnforced)
{
    auto trace = std::make_shared<WorkerTrace>();
    TWorker idle(trace, nullptr);
    EXPECT_FALSE(idle.Started());
    EXPECT_THROW(idle.WaitFor(), Exception);  // not started: waiting would never end

    std::atomic<bool> release{false};
    TWorker looping(trace, [&] {
        while (!release)
            Sleep(1);
    });
    looping.Start();
    EXPECT_THROW(looping.Start(), Exception);
    EXPECT_FALSE(looping.Completion()->WaitFor(20));
    release = true;
    looping.WaitFor();
    EXPECT_TRUE(looping.Finished());

    TWorker selfFreeing(trace, nullptr);
    selfFreeing.SetFreeOnTerminate(true);
    EXPECT_NO_THROW(selfFreeing.SetFreeOnTerminate(false));  // never started: still ours to delete
}

TEST(Thread, TerminateIsSeenByExecuteAndDestructionWaits)
{
    auto trace = std::make_shared<WorkerTrace>();
    std::atomic<bool> sawTerminate{false};
    TThread* self = nullptr;
    std::atomic<bool> running{false};
    {
        auto* worker = new TWorker(trace, [&] {
            running = true;
            while (!self->Terminated())
                Sleep(1);
            sawTerminate = true;
        });
        self = worker;
        worker->Start();
        while (!running)
            Sleep(1);
        delete worker;  // asks the thread to stop and waits for it
    }
    EXPECT_TRUE(sawTerminate);
    EXPECT_TRUE(trace->executed);
}

TEST(Thread, WaitingForItselfIsRefused)
{
    auto trace = std::make_shared<WorkerTrace>();
    TThread* self = nullptr;
    TWorker worker(trace, [&] { self->WaitFor(); });
    self = &worker;
    worker.Start();
    worker.WaitFor();
    ASSERT_NE(worker.FatalException(), nullptr);
    EXPECT_EQ(worker.FatalException()->Message(), "A thread cannot wait for itself");
}

TEST(CriticalSection, ExcludesOtherThreadsAndMayBeReentered)
{
    TCriticalSection section;
    long counter = 0;
    auto work = [&] {
        for (int i = 0; i < 20000; ++i) {
            TCriticalSectionGuard outer(section);
            TCriticalSectionGuard inner(section);  // the owner may enter again
            ++counter;
        }
    };
    std::thread a(work), b(work);
    a.join();
    b.join();
    EXPECT_EQ(counter, 40000);

    {
        TCriticalSectionGuard held(section);
        bool otherGotIt = true;
        std::thread([&] { otherGotIt = section.TryEnter(); }).join();
        EXPECT_FALSE(otherGotIt);
    }
    try {
        TCriticalSectionGuard guard(section);
        throw std::runtime_error("leaves the scope");
    } catch (const std::runtime_error&) {
    }
    bool freeAgain = false;
    std::thread([&] {
        freeAgain = section.TryEnter();
        if (freeAgain)
            section.Leave();
    }).join();
    EXPECT_TRUE(freeAgain);
}

TEST(SystemInfo, ThreadIdentifiersAndMachineFacts)
{
    const uint32_t mine = GetCurrentThreadId();
    uint32_t other = 0;
    std::thread([&] { other = GetCurrentThreadId(); }).join();
    EXPECT_NE(mine, 0u);
    EXPECT_NE(other, mine);
    EXPECT_EQ(GetCurrentThreadId(), mine);
    // Every kernel this runs on is at least version 3; the folder chooser
    // relies on "6 or higher" meaning a recent platform.
    EXPECT_GE(Win32MajorVersion(), 3);
    EXPECT_EQ(GetComputerName(), QSysInfo::machineHostName());
}
