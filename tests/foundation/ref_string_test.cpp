#include "foundation/ref_string.h"

#include <gtest/gtest.h>
#include <string>

#include "foundation/owned_text.h"

TEST(TRefString, AssignGrowsInBlocksThenToTheExactSize)
{
    TRefString<char> s;
    EXPECT_EQ(s.Get(), nullptr);
    s.Assign("0123456789");
    EXPECT_EQ(s.Body()->capacity, 256);
    EXPECT_EQ(s.Body()->length, 11);
    EXPECT_STREQ(s.Get(), "0123456789");

    std::string long300(300, 'L');
    s.Assign(long300.c_str());
    EXPECT_EQ(s.Body()->capacity, 301);
    EXPECT_EQ(s.Body()->length, 301);
    EXPECT_EQ(std::string(s.Get()), long300);

    const char* block = s.Get();
    s.Assign(NULL);
    EXPECT_EQ(s.Body()->length, 0);
    EXPECT_EQ(s.Get(), block);
    EXPECT_STREQ(s.Get(), "");
}

TEST(TRefString, NullOnAnEmptyHandleCreatesNothing)
{
    TRefString<char> s;
    s.Assign(NULL);
    EXPECT_EQ(s.Body(), nullptr);
}

TEST(TRefString, WideInstanceHoldsSixteenBitText)
{
    TRefString<wchar_t> s;
    s.Assign(L"70");
    EXPECT_STREQ(s.Get(), L"70");
    EXPECT_EQ(s.Body()->length, 3);
    EXPECT_EQ(s.Body()->capacity, 256);
}

TEST(TRefStringData, InsertAppendsAtTheEndAndOnlyReservesPastIt)
{
    TRefStringData<char> d;
    d.Insert(0, "ace", 3);
    d.Insert(1, "b", 1);
    d.Insert(3, "d", 1);
    d.Insert(d.length, "f", 1);
    EXPECT_EQ(std::string(d.data, d.length), "abcdef");

    d.Insert(d.length + 1, "X", 1);
    EXPECT_EQ(std::string(d.data, d.length), "abcdef");
    d.Insert(0, "Y", 0);
    EXPECT_EQ(d.length, 6);

    std::string big(300, 'q');
    d.Insert(-1, big.c_str(), (int)big.size());
    EXPECT_EQ(d.length, 6);
    EXPECT_EQ(d.capacity, 512);
    free(d.data);
}

TEST(TOwnedText, NullInputHoldsNothing)
{
    TOwnedText a((const char*)NULL);
    TOwnedText b((const wchar_t*)NULL);
    EXPECT_EQ(a.text, nullptr);
    EXPECT_EQ(b.text, nullptr);
    EXPECT_EQ(a.owns, 1);
}

TEST(TOwnedText, ConvertsBothWays)
{
    TOwnedText wide("D:\\\xE8\xA7\x86\xE9\xA2\x91");
    EXPECT_STREQ(wide.Wide(), L"D:\\\u89c6\u9891");
    TOwnedText utf8(L"D:\\\u89c6\u9891");
    EXPECT_STREQ(utf8.Utf8(), "D:\\\xE8\xA7\x86\xE9\xA2\x91");
}
