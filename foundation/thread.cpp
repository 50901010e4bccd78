#include "foundation/thread.h"

TThread::~TThread()
{
    if (thread)
        CloseHandle(thread);
    thread = NULL;
    threadId = 0;
}

BOOL TThread::Start()
{
    if (thread)
        return FALSE;
    thread = CreateThread(NULL, 0, ThreadProc, runnable, 0, &threadId);
    if (thread)
        SetThreadPriority(thread, THREAD_PRIORITY_NORMAL);
    return thread != NULL;
}

DWORD WINAPI TThread::ThreadProc(LPVOID parameter)
{
    if (!parameter)
        return 0;
    return (DWORD)static_cast<IRunable*>(parameter)->Run();
}

BOOL TThread::Stop()
{
    if (!thread)
        return FALSE;
    BOOL ended = TerminateThread(thread, 1);
    CloseHandle(thread);
    thread = NULL;
    threadId = 0;
    return ended;
}
