// The thread class the tool's workers derive from.
//
// A TThread is always created suspended: Start() runs Execute() on a new
// thread. Whatever leaves Execute() (an Exception or anything else) is caught
// and kept in the thread's error slot; it is never rethrown and never shown.
// OnTerminate, when set, runs on the thread itself right after Execute().
//
// Invariants:
// - With FreeOnTerminate set, the thread deletes its own object as soon as
//   Execute() and OnTerminate are done. From Start() on, the creator must not
//   touch the object again; it observes the end through the TThreadCompletion
//   it took from Completion() before Start(), which outlives the object and is
//   marked finished only after the object is gone.
// - Without FreeOnTerminate, the completion is marked finished after
//   Execute() and OnTerminate, as the thread's last use of its object, so the
//   object may be deleted as soon as Finished() is seen. Deleting a running
//   thread asks it to terminate and waits for it; a derived class whose
//   Execute() uses its own members must call TerminateAndWait() first in its
//   own destructor, since the base's destructor runs after those members are
//   gone.
// - Start() succeeds once per object; WaitFor() is refused on a thread that
//   was not started, on one that frees itself, and from the thread itself.
#pragma once

#include "platform/sysutils.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

// The end of a thread as others see it: shared by the thread object and any
// observer, and alive as long as one of them holds it.
class TThreadCompletion {
public:
    bool Finished() const;
    // Waits until the thread has finished or `timeoutMs` milliseconds have
    // passed (a negative timeout waits as long as it takes); true when finished.
    bool WaitFor(int timeoutMs = -1) const;

    // What left Execute() (or OnTerminate), or null when nothing did.
    std::shared_ptr<Exception> FatalException() const;
    std::exception_ptr FatalExceptionPtr() const;
    int ReturnValue() const;

private:
    friend class TThread;
    void Finish(std::exception_ptr error, std::shared_ptr<Exception> fatal, int returnValue);

    mutable std::mutex mMutex;
    mutable std::condition_variable mFinishedChanged;
    bool mFinished = false;
    std::exception_ptr mErrorPtr;
    std::shared_ptr<Exception> mFatal;
    int mReturnValue = 0;
};

class TThread {
public:
    TThread();
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Runs Execute() on a new thread. Raises Exception when the thread was
    // started before or cannot be created.
    void Start();

    // Asks Execute() to stop; it is up to Execute() to look at Terminated().
    void Terminate() { mTerminated = true; }
    bool Terminated() const { return mTerminated; }

    bool FreeOnTerminate() const { return mFreeOnTerminate; }
    // Set before Start() (or from Execute() itself).
    void SetFreeOnTerminate(bool value) { mFreeOnTerminate = value; }

    bool Started() const { return mStarted; }
    bool Finished() const { return mCompletion->Finished(); }

    // Waits for the end of the thread and returns its return value.
    int WaitFor();

    // Terminate(), then wait for the end of a started thread. Does nothing on
    // the thread itself (a self-freeing thread's destructor runs there).
    void TerminateAndWait();

    std::shared_ptr<const TThreadCompletion> Completion() const { return mCompletion; }
    std::shared_ptr<Exception> FatalException() const { return mCompletion->FatalException(); }
    std::exception_ptr FatalExceptionPtr() const { return mCompletion->FatalExceptionPtr(); }

    // Runs on the thread after Execute(), with this object as sender.
    std::function<void(TThread* sender)> OnTerminate;

protected:
    virtual void Execute() = 0;
    void SetReturnValue(int value) { mReturnValue = value; }

private:
    static void Run(TThread* self, std::shared_ptr<TThreadCompletion> completion);
    bool IsCallingThread() const;

    std::shared_ptr<TThreadCompletion> mCompletion;
    std::atomic<bool> mStarted{false};
    std::atomic<bool> mTerminated{false};
    std::atomic<bool> mFreeOnTerminate{false};
    std::atomic<uint32_t> mThreadId{0};
    int mReturnValue = 0;
};
