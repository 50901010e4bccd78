// A platform thread running the Run of a runnable object.
#pragma once
#include <windows.h>

class IRunable {
public:
    // The thread's body; its result becomes the thread's exit code.
    virtual int Run() = 0;

protected:
    ~IRunable() = default;
};

class TThread : public IRunable {
public:
    explicit TThread(IRunable* runnable) : thread(NULL), threadId(0), runnable(runnable) {}

    int Run() override { return 0; }
    // Closes the handle; it neither waits for nor stops the thread, so a derived class whose
    // thread may still run must end it first.
    virtual ~TThread();
    // Ends the thread by force. Derived classes replace it with a cooperative stop.
    virtual BOOL Stop();

    // Starts the thread unless a handle is already held, even one of a thread that has ended:
    // a TThread runs once. On failure the platform's last error is left for the caller.
    BOOL Start();

    static DWORD WINAPI ThreadProc(LPVOID runnable);

protected:
    HANDLE thread;  // written and cleared on the user-interface thread only
    DWORD threadId;
    IRunable* const runnable;

private:
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;
};
