// A critical section with a spin count, and the scoped guard that holds it.
#pragma once
#include <windows.h>

class TCriticalSection {
public:
    explicit TCriticalSection(DWORD spinCount) { InitializeCriticalSectionAndSpinCount(&section, spinCount); }
    ~TCriticalSection() { DeleteCriticalSection(&section); }
    TCriticalSection(const TCriticalSection&) = delete;
    TCriticalSection& operator=(const TCriticalSection&) = delete;

    void Enter() { EnterCriticalSection(&section); }
    void Leave() { LeaveCriticalSection(&section); }

private:
    CRITICAL_SECTION section;
};

// Enters the section when made and leaves it on every way out of the scope.
class TAutoLock {
public:
    explicit TAutoLock(TCriticalSection& lock) : lock(lock) { lock.Enter(); }
    ~TAutoLock() { lock.Leave(); }
    TAutoLock(const TAutoLock&) = delete;
    TAutoLock& operator=(const TAutoLock&) = delete;

private:
    TCriticalSection& lock;
};
