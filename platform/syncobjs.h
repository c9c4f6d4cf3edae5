// Critical sections: a lock that one thread may take several times (it is
// free again once it has left as often as it entered), as the platform's
// critical sections are.
//
// Invariants:
// - Only the thread that entered may leave, and no more often than it entered.
// - TCriticalSectionGuard leaves on every way out of its scope, exceptions
//   included, so a guarded section can never stay taken.
#pragma once

#include <mutex>

class TCriticalSection {
public:
    TCriticalSection() = default;
    TCriticalSection(const TCriticalSection&) = delete;
    TCriticalSection& operator=(const TCriticalSection&) = delete;

    void Enter() { mMutex.lock(); }
    bool TryEnter() { return mMutex.try_lock(); }
    void Leave() { mMutex.unlock(); }

private:
    std::recursive_mutex mMutex;
};

class TCriticalSectionGuard {
public:
    explicit TCriticalSectionGuard(TCriticalSection& section) : mSection(section) { mSection.Enter(); }
    ~TCriticalSectionGuard() { mSection.Leave(); }
    TCriticalSectionGuard(const TCriticalSectionGuard&) = delete;
    TCriticalSectionGuard& operator=(const TCriticalSectionGuard&) = delete;

private:
    TCriticalSection& mSection;
};
