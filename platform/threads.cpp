#include "platform/threads.h"

#include "platform/sysinfo.h"

#include <chrono>
#include <system_error>
#include <thread>

namespace {

struct CaughtError {
    std::exception_ptr pointer;
    std::shared_ptr<Exception> fatal;
};

// Keeps what is being handled, as an Exception whatever its type.
CaughtError CatchCurrent()
{
    CaughtError caught{std::current_exception(), nullptr};
    try {
        std::rethrow_exception(caught.pointer);
    } catch (const Exception& e) {
        caught.fatal = e.Clone();
    } catch (const std::exception& e) {
        caught.fatal = std::make_shared<Exception>(QString::fromUtf8(e.what()));
    } catch (...) {
        caught.fatal = std::make_shared<Exception>(QStringLiteral("The thread ended with an unknown exception"));
    }
    return caught;
}

} // namespace

bool TThreadCompletion::Finished() const
{
    std::lock_guard lock(mMutex);
    return mFinished;
}

bool TThreadCompletion::WaitFor(int timeoutMs) const
{
    std::unique_lock lock(mMutex);
    const auto finished = [this] { return mFinished; };
    if (timeoutMs < 0) {
        mFinishedChanged.wait(lock, finished);
        return true;
    }
    return mFinishedChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs), finished);
}

std::shared_ptr<Exception> TThreadCompletion::FatalException() const
{
    std::lock_guard lock(mMutex);
    return mFatal;
}

std::exception_ptr TThreadCompletion::FatalExceptionPtr() const
{
    std::lock_guard lock(mMutex);
    return mErrorPtr;
}

int TThreadCompletion::ReturnValue() const
{
    std::lock_guard lock(mMutex);
    return mReturnValue;
}

void TThreadCompletion::Finish(std::exception_ptr error, std::shared_ptr<Exception> fatal, int returnValue)
{
    {
        std::lock_guard lock(mMutex);
        mErrorPtr = std::move(error);
        mFatal = std::move(fatal);
        mReturnValue = returnValue;
        mFinished = true;
    }
    mFinishedChanged.notify_all();
}

TThread::TThread() : mCompletion(std::make_shared<TThreadCompletion>()) {}

TThread::~TThread()
{
    TerminateAndWait();
}

void TThread::TerminateAndWait()
{
    Terminate();
    if (mStarted && !IsCallingThread())
        mCompletion->WaitFor();
}

void TThread::Start()
{
    if (mStarted.exchange(true))
        throw Exception(QStringLiteral("The thread has already been started"));
    try {
        // The new thread may finish and delete this object at once: nothing
        // of the object may be touched after the thread exists.
        std::thread thread(&TThread::Run, this, mCompletion);
        thread.detach();
    } catch (const std::system_error& e) {
        mStarted = false;
        throw Exception(QStringLiteral("Cannot create a thread: %1").arg(QString::fromUtf8(e.what())));
    }
}

int TThread::WaitFor()
{
    if (!mStarted)
        throw Exception(QStringLiteral("Cannot wait for a thread that has not been started"));
    if (mFreeOnTerminate)
        throw Exception(QStringLiteral("Cannot wait for a thread that frees itself when it ends"));
    if (IsCallingThread())
        throw Exception(QStringLiteral("A thread cannot wait for itself"));
    mCompletion->WaitFor();
    return mCompletion->ReturnValue();
}

bool TThread::IsCallingThread() const
{
    return mThreadId != 0 && mThreadId == GetCurrentThreadId();
}

void TThread::Run(TThread* self, std::shared_ptr<TThreadCompletion> completion)
{
    self->mThreadId = GetCurrentThreadId();
    CaughtError error;
    try {
        self->Execute();
    } catch (...) {
        error = CatchCurrent();
    }
    if (self->OnTerminate) {
        try {
            self->OnTerminate(self);
        } catch (...) {
            if (!error.pointer)
                error = CatchCurrent();
        }
    }
    const int returnValue = self->mReturnValue;
    if (self->mFreeOnTerminate)
        delete self;
    completion->Finish(std::move(error.pointer), std::move(error.fatal), returnValue);
}
