#include "foundation/thread.h"

#include <gtest/gtest.h>

namespace {

class Seven : public TThread {
public:
    Seven() : TThread(this) {}
    int Run() override
    {
        ++runs;
        return 7;
    }
    HANDLE Handle() const { return thread; }
    DWORD Id() const { return threadId; }
    volatile LONG runs = 0;
};

} // namespace

TEST(TThread, RunResultBecomesTheExitCode)
{
    Seven t;
    ASSERT_TRUE(t.Start());
    ASSERT_EQ(WaitForSingleObject(t.Handle(), 5000), WAIT_OBJECT_0);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(t.Handle(), &code));
    EXPECT_EQ(code, 7u);
    EXPECT_NE(t.Id(), 0u);
}

TEST(TThread, SecondStartIsRefusedEvenAfterTheThreadEnded)
{
    Seven t;
    ASSERT_TRUE(t.Start());
    HANDLE first = t.Handle();
    WaitForSingleObject(first, 5000);
    EXPECT_FALSE(t.Start());
    EXPECT_EQ(t.Handle(), first);
    EXPECT_EQ(t.runs, 1);
}

TEST(TThread, ThreadProcWithoutRunnableReturnsZero)
{
    EXPECT_EQ(TThread::ThreadProc(NULL), 0u);
}

TEST(TThread, StopWithoutThreadChangesNothing)
{
    Seven t;
    EXPECT_FALSE(t.Stop());
    EXPECT_EQ(t.Handle(), nullptr);
    EXPECT_EQ(t.Id(), 0u);
}
