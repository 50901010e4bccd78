#include "engine/audio_queue.h"

#include "engine/ring_queue.h"
#include "tests/support/log_capture.h"

#include <atomic>
#include <gtest/gtest.h>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

const char kFull[] = "Audio queue is full..";

// A buffer of frames of the given sizes, frame k filled with the byte (seed + k).
TAudioBuffer* MakeBuffer(const std::vector<unsigned>& sizes, uint8_t seed = 1)
{
    uint32_t length = 0;
    for (unsigned s : sizes)
        length += s + 2;
    TAudioBuffer* b = TAudioBuffer::New<TAudioBuffer>(length);
    uint8_t* p = b->data;
    for (size_t k = 0; k < sizes.size(); k++) {
        p[0] = (uint8_t)(sizes[k] >> 8);
        p[1] = (uint8_t)sizes[k];
        memset(p + 2, (uint8_t)(seed + k), sizes[k]);
        p += sizes[k] + 2;
    }
    return b;
}

// A buffer of that many bytes whose content the test never reads as frames.
TAudioBuffer* RawBuffer(uint32_t length)
{
    return TAudioBuffer::New<TAudioBuffer>(length);
}

int Pop(TAudioQueue& q, uint8_t* target)
{
    TAutoLock hold(q.Lock());
    return q.PopFrame(target);
}

} // namespace

TEST(TAutoLock, LeavesTheSectionWhenAnExceptionPasses)
{
    static TCriticalSection lock(2000);
    try {
        TAutoLock hold(lock);
        throw std::runtime_error("leaving the scope");
    } catch (const std::runtime_error&) {
    }
    // Another thread can take the section now; it would wait for ever if it were still held.
    static std::atomic<bool> entered(false);
    std::thread([] {
        TAutoLock hold(lock);
        entered = true;
    }).detach();
    for (int i = 0; i < 500 && !entered; i++)
        Sleep(10);
    EXPECT_TRUE(entered);
}

TEST(TRingQueue, OneSlotAlwaysStaysEmpty)
{
    TRingQueue<int> ring(301);
    for (int i = 0; i < 300; i++)
        ASSERT_TRUE(ring.Push(i));
    EXPECT_TRUE(ring.IsFull());
    EXPECT_FALSE(ring.Push(300));
    EXPECT_EQ(ring.Count(), 300);
    int v = -1;
    ASSERT_TRUE(ring.Pop(v));
    EXPECT_EQ(v, 0);
    EXPECT_TRUE(ring.Push(300)) << "the freed slot is used again";
    for (int i = 1; i <= 300; i++) {
        ASSERT_TRUE(ring.Pop(v));
        ASSERT_EQ(v, i) << "first in, first out across the wrap";
    }
    EXPECT_TRUE(ring.IsEmpty());
    EXPECT_FALSE(ring.Pop(v));
    EXPECT_EQ(v, 300) << "an empty pop leaves the value alone";
}

TEST(TRingQueue, SettingTheCapacityEmptiesTheRing)
{
    TRingQueue<int> ring(4);
    ring.Push(1);
    ring.Push(2);
    ring.SetCapacity(4);
    EXPECT_TRUE(ring.IsEmpty());
    ring.SetCapacity(2);
    EXPECT_TRUE(ring.Push(9));
    EXPECT_FALSE(ring.Push(10));
    EXPECT_EQ(ring.Capacity(), 2);
}

TEST(TAudioQueue, HandsOutOneFrameAtATimeAndReleasesTheBuffer)
{
    TAudioQueue q;
    TAudioBuffer* b = MakeBuffer({300, 310}, 0x40);
    ASSERT_EQ(b->length, 614u);
    EXPECT_EQ(b->data[0], 0x01);
    EXPECT_EQ(b->data[1], 0x2C);
    EXPECT_EQ(b->data[302], 0x01);
    EXPECT_EQ(b->data[303], 0x36);
    ASSERT_EQ(q.Push(b), 1);
    EXPECT_EQ(b->refs, 2) << "the queue holds its own reference";
    EXPECT_EQ(q.QueuedBytes(), 614u);

    uint8_t target[TAudioQueue::kFrameTarget];
    ASSERT_EQ(Pop(q, target), 302);
    EXPECT_EQ(target[0], 0x01);
    EXPECT_EQ(target[1], 0x2C);
    EXPECT_EQ(target[2], 0x40);
    EXPECT_EQ(target[301], 0x40);
    EXPECT_EQ(b->refs, 2);
    ASSERT_EQ(Pop(q, target), 312);
    EXPECT_EQ(target[1], 0x36);
    EXPECT_EQ(target[311], 0x41);
    EXPECT_EQ(b->refs, 1) << "the last frame taken releases the queue's reference";
    EXPECT_EQ(q.QueuedBytes(), 0u);
    EXPECT_EQ(Pop(q, target), 0);
    b->Release();
}

TEST(TAudioQueue, RefusesThe401stBuffer)
{
    LogCapture log;
    TAudioQueue q;
    std::vector<TAudioBuffer*> buffers;
    for (int i = 0; i < 401; i++)
        buffers.push_back(MakeBuffer({10}));
    for (int i = 0; i < 400; i++)
        ASSERT_EQ(q.Push(buffers[i]), 1) << i;
    EXPECT_EQ(q.Push(buffers[400]), 0);
    EXPECT_EQ(log.Count(kFull), 1);
    EXPECT_EQ(buffers[400]->refs, 1) << "a refused buffer gets no reference";
    EXPECT_EQ(q.Count(), 400);

    uint8_t target[TAudioQueue::kFrameTarget];
    ASSERT_EQ(Pop(q, target), 12);
    EXPECT_EQ(q.Push(buffers[400]), 1) << "room again once one buffer was taken";
    EXPECT_EQ(log.Count(kFull), 1);
    for (TAudioBuffer* b : buffers)
        b->Release();
}

TEST(TAudioQueue, RefusesOnceTheByteCapIsReached)
{
    struct Case {
        uint32_t queued;  // bytes in one buffer already queued
        uint32_t next;    // size of the buffer pushed then
        int accepted;
    } cases[] = {
        {10485759, 1, 1},
        {10485759, 5000000, 1},  // the test looks only at what is queued
        {10485760, 1, 0},
        {10485761, 1, 0},
        {5000000, 5000000, 1},
        {0, 10485760, 1},
    };
    for (const Case& c : cases) {
        LogCapture log;
        TAudioQueue q;
        TAudioBuffer* first = RawBuffer(c.queued);
        TAudioBuffer* next = RawBuffer(c.next);
        ASSERT_EQ(q.Push(first), 1);
        EXPECT_EQ(q.Push(next), c.accepted) << c.queued << " queued, " << c.next << " pushed";
        EXPECT_EQ(log.Count(kFull), c.accepted ? 0 : 1);
        EXPECT_EQ(q.QueuedBytes(), c.queued + (c.accepted ? c.next : 0));
        first->Release();
        next->Release();
    }
}

TEST(TAudioQueue, FrameLargerThanTheTargetStaysAtTheHead)
{
    struct Case {
        unsigned frame;
        int result;
    } cases[] = {{4094, 4096}, {4095, -4097}, {6000, -6002}, {1, 3}};
    for (const Case& c : cases) {
        TAudioQueue q;
        TAudioBuffer* b = MakeBuffer({c.frame});
        ASSERT_EQ(q.Push(b), 1);
        std::vector<uint8_t> target(TAudioQueue::kFrameTarget + 16, 0xEE);
        EXPECT_EQ(Pop(q, target.data()), c.result) << c.frame;
        if (c.result < 0) {
            EXPECT_EQ(Pop(q, target.data()), c.result) << "nothing changed";
            EXPECT_EQ(q.Count(), 1);
            EXPECT_EQ(target[0], 0xEE) << "nothing copied";
        } else {
            EXPECT_EQ(q.Count(), 0);
            EXPECT_EQ(target[c.result], 0xEE) << "no byte beyond the frame";
        }
        b->Release();
    }
}

TEST(TAudioQueue, FrameRunningPastItsBufferIsNotRead)
{
    TAudioQueue q;
    // A 10-byte frame announced as 200 bytes, then a sound buffer.
    TAudioBuffer* broken = MakeBuffer({10});
    broken->data[1] = 200;
    TAudioBuffer* odd = MakeBuffer({4});
    odd->length = 7; // one stray byte after the frame
    TAudioBuffer* good = MakeBuffer({5}, 0x33);
    ASSERT_EQ(q.Push(broken), 1);
    ASSERT_EQ(q.Push(odd), 1);
    ASSERT_EQ(q.Push(good), 1);
    uint8_t target[TAudioQueue::kFrameTarget];
    EXPECT_EQ(Pop(q, target), 6) << "the first frame of the odd buffer";
    EXPECT_EQ(broken->refs, 1) << "the unreadable buffer is let go";
    EXPECT_EQ(Pop(q, target), 7) << "the stray byte is dropped, the next buffer served";
    EXPECT_EQ(target[2], 0x33);
    EXPECT_EQ(odd->refs, 1);
    EXPECT_EQ(q.QueuedBytes(), 0u);
    EXPECT_EQ(Pop(q, target), 0);
    broken->Release();
    odd->Release();
    good->Release();
}

TEST(TAudioQueue, RefusesNoBuffer)
{
    TAudioQueue q;
    EXPECT_EQ(q.Push(nullptr), 0);
    EXPECT_EQ(q.Count(), 0);
}

TEST(TAudioQueue, DestructorReleasesEveryQueuedBuffer)
{
    std::vector<TAudioBuffer*> buffers;
    {
        TAudioQueue q;
        for (int i = 0; i < 5; i++) {
            buffers.push_back(MakeBuffer({20, 30}));
            ASSERT_EQ(q.Push(buffers.back()), 1);
        }
        uint8_t target[TAudioQueue::kFrameTarget];
        ASSERT_EQ(Pop(q, target), 22); // the head is half read
        for (TAudioBuffer* b : buffers)
            EXPECT_EQ(b->refs, 2);
    }
    for (TAudioBuffer* b : buffers) {
        EXPECT_EQ(b->refs, 1);
        b->Release();
    }
}

TEST(TAudioQueue, StartsEmptyWithNoFrameDuration)
{
    TAudioQueue q;
    EXPECT_EQ(q.frameDuration, 0u);
    EXPECT_EQ(q.Count(), 0);
    EXPECT_EQ(q.QueuedBytes(), 0u);
}

// One thread pushes the way the wave-input callback does while another takes frames under the
// lock: every frame arrives once, whole and in order.
TEST(TAudioQueue, PushAndPopOnTwoThreads)
{
    TAudioQueue q;
    const int buffers = 3000;
    std::thread producer([&] {
        for (int i = 0; i < buffers; i++) {
            TAudioBuffer* b = MakeBuffer({(unsigned)(1 + i % 50), 7}, (uint8_t)i);
            while (!q.Push(b))
                std::this_thread::yield();
            b->Release();
        }
    });
    uint8_t target[TAudioQueue::kFrameTarget];
    int frames = 0;
    while (frames < 2 * buffers) {
        int n = Pop(q, target);
        ASSERT_GE(n, 0);
        if (n == 0) {
            std::this_thread::yield();
            continue;
        }
        const int i = frames / 2;
        const bool second = frames % 2;
        ASSERT_EQ(n, second ? 9 : 3 + i % 50) << "frame " << frames;
        const uint8_t fill = (uint8_t)(i + (second ? 1 : 0));
        for (int k = 2; k < n; k++)
            ASSERT_EQ(target[k], fill) << "frame " << frames;
        frames++;
    }
    producer.join();
    EXPECT_EQ(q.Count(), 0);
}
