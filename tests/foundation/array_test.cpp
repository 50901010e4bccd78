#include "foundation/array.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

// Counts blocks so a test can see each allocation the array makes.
struct CountingAllocator {
    static int allocations;
    static void* Allocate(size_t bytes)
    {
        ++allocations;
        return malloc(bytes);
    }
    static void Free(void* block) { free(block); }
};
int CountingAllocator::allocations = 0;

} // namespace

TEST(TArray, GrowsTenElementsAtATimeAndKeepsTheElements)
{
    CountingAllocator::allocations = 0;
    TArray<int, 10, CountingAllocator> a;
    EXPECT_EQ(a.data, nullptr);
    EXPECT_EQ(a.capacity, 0u);
    struct Step {
        int appended;
        size_t capacity;
        int allocations;
    } steps[] = {{1, 10, 1}, {10, 10, 1}, {11, 20, 2}, {20, 20, 2}, {21, 30, 3}};
    int n = 0;
    for (const Step& s : steps) {
        while (n < s.appended)
            ASSERT_TRUE(a.Append(n++ * 3));
        EXPECT_EQ(a.capacity, s.capacity) << s.appended;
        EXPECT_EQ(CountingAllocator::allocations, s.allocations) << s.appended;
    }
    for (int i = 0; i < n; ++i)
        EXPECT_EQ(a.data[i], i * 3);
}

TEST(TArray, AddWithTheUniqueFlagRefusesEqualElements)
{
    TArray<DWORD> a;
    DWORD five = 5, seven = 7, nine = 9;
    a.Add(&five, true);
    a.Add(&seven, true);
    a.Add(&seven, true);
    a.Add(&nine, true);
    ASSERT_EQ(a.count, 3u);
    EXPECT_EQ(a.data[2], 9u);
    a.Add(&seven, false);
    EXPECT_EQ(a.count, 4u);
    EXPECT_EQ(a.data[3], 7u);
}

TEST(TArray, FreesOnlyItsStorageNotWhatElementsPointTo)
{
    int* object = new int(11);
    {
        TArray<int*>* a = new TArray<int*>;
        a->Append(object);
        delete a; // through the virtual destructor
    }
    EXPECT_EQ(*object, 11);
    delete object;
}

TEST(TArray, EmptyingStartsGrowthAfresh)
{
    CountingAllocator::allocations = 0;
    TArray<int, 10, CountingAllocator> a;
    for (int i = 0; i < 15; ++i)
        a.Append(i);
    a.Clear();
    EXPECT_EQ(a.data, nullptr);
    EXPECT_EQ(a.count, 0u);
    a.Append(1);
    EXPECT_EQ(a.capacity, 10u);
    EXPECT_EQ(CountingAllocator::allocations, 3);
}

namespace {
struct FailingAllocator {
    static void* Allocate(size_t) { return NULL; }
    static void Free(void* block) { free(block); }
};
} // namespace

TEST(TArray, DropsTheElementWhenStorageCannotGrow)
{
    TArray<int, 10, FailingAllocator> a;
    EXPECT_FALSE(a.Grow());
    EXPECT_FALSE(a.Append(1));
    EXPECT_EQ(a.count, 0u);
    EXPECT_EQ(a.data, nullptr);
}
