#include "foundation/buffer.h"

#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

// Counts blocks handed out and returned, to see exactly when a buffer is freed.
struct TrackingAlloc {
    static LONG live;
    static void* Allocate(size_t bytes)
    {
        InterlockedIncrement(&live);
        return malloc(bytes);
    }
    static void Free(void* block)
    {
        InterlockedDecrement(&live);
        free(block);
    }
};
LONG TrackingAlloc::live = 0;

typedef TBufferImpl<TrackingAlloc, 0> Plain;
typedef TBufferImpl<TrackingAlloc, 15> Framed;

} // namespace

TEST(TBuffer, LastReleaseFreesTheBlock)
{
    Plain* b = Plain::Create("abc", 3);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->refs, 1);
    EXPECT_EQ(TrackingAlloc::live, 1);
    b->AddRef();
    b->Release();
    EXPECT_EQ(TrackingAlloc::live, 1);
    b->Release();
    EXPECT_EQ(TrackingAlloc::live, 0);
}

TEST(TBuffer, CreateCopiesTheSourceIntoOneBlock)
{
    const char bytes[] = "payload bytes";
    Plain* b = Plain::Create(bytes, sizeof bytes);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->length, sizeof bytes);
    EXPECT_EQ(memcmp(b->data, bytes, sizeof bytes), 0);
    // Header and payload share the block: the payload starts right after the object.
    EXPECT_EQ(b->data, (uint8_t*)b + sizeof(Plain));
    b->Release();

    Plain* empty = Plain::Create(NULL, 0);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->length, 0u);
    empty->Release();
}

TEST(TBuffer, ReserveFrontStaysWithinTheHeadroom)
{
    Plain* none = Plain::Create(NULL, 4);
    EXPECT_EQ(none->Headroom(), 0);
    EXPECT_EQ(none->ReserveFront(0), 1);
    EXPECT_EQ(none->length, 4u);
    EXPECT_EQ(none->ReserveFront(1), 0);
    none->Release();

    Framed* b = Framed::New(10);
    uint8_t* payload = b->data;
    EXPECT_EQ(b->Headroom(), 15);
    EXPECT_EQ(b->ReserveFront(11), 1);
    EXPECT_EQ(b->ReserveFront(4), 1);
    EXPECT_EQ(b->data, payload - 15);
    EXPECT_EQ(b->length, 25u);
    EXPECT_EQ(b->ReserveFront(1), 0);
    EXPECT_EQ(b->data, payload - 15);
    EXPECT_EQ(b->length, 25u);
    EXPECT_EQ(b->ReserveFront(0xFFFFFFFFu), 0);
    b->Release();
    EXPECT_EQ(TrackingAlloc::live, 0);
}

TEST(TBuffer, ConcurrentReleasesFreeEachBufferExactlyOnce)
{
    const int kThreads = 8, kBuffers = 2000;
    std::vector<Plain*> buffers;
    for (int i = 0; i < kBuffers; ++i) {
        Plain* b = Plain::Create(NULL, 16);
        for (int r = 1; r < kThreads; ++r)
            b->AddRef();
        buffers.push_back(b);
    }
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&buffers] {
            for (Plain* b : buffers)
                b->Release();
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(TrackingAlloc::live, 0);
}
