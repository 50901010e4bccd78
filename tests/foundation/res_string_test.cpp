#include "foundation/res_string.h"

#include <gtest/gtest.h>
#include <wchar.h>

#include "res_string_test_ids.h"

TEST(TResString, LoadsIntoTheFirstBufferThatHoldsTheWholeText)
{
    struct Case {
        UINT id;
        size_t length;
        int size;
    } cases[] = {{IDS_TEST_NINE, 9, 128}, {IDS_TEST_126, 126, 128}, {IDS_TEST_127, 127, 256}};
    for (const Case& c : cases) {
        TResString s(c.id);
        ASSERT_NE(s.text, nullptr) << c.id;
        EXPECT_EQ(wcslen(s.text), c.length) << c.id;
        EXPECT_EQ(s.size, c.size) << c.id;
    }
    TResString last(IDS_TEST_127);
    EXPECT_EQ(last.text[126], L'z');
}

TEST(TResString, FormatKeepsTheFormattedLength)
{
    struct Case {
        unsigned value;
        int size;
    } cases[] = {{12345u, 126}, {123456u, 127}, {7u, 122}};
    for (const Case& c : cases) {
        TResString s(IDS_TEST_FORMAT, c.value);
        ASSERT_NE(s.text, nullptr);
        EXPECT_EQ(s.size, c.size) << c.value;
        EXPECT_EQ((int)wcslen(s.text), c.size);
        EXPECT_EQ(std::wstring(s.text).substr(121), std::to_wstring(c.value));
    }
}

TEST(TResString, FormatsUpperCaseHex)
{
    TResString s(IDS_TEST_HEX, 0x8000000Bu);
    EXPECT_STREQ(s.Text(), L"err=0x8000000B");
}

TEST(TResString, AppendGrowsOnlyWhenTheTextDoesNotFit)
{
    TResString loaded(IDS_TEST_NINE);
    wchar_t* before = loaded.text;
    loaded.Append(L"1.8.0");
    EXPECT_EQ(loaded.text, before);
    EXPECT_EQ(loaded.size, 128);
    EXPECT_STREQ(loaded.Text(), L"Version: 1.8.0");

    TResString formatted(IDS_TEST_HEX, 0xABu); // "err=0xAB": size 8 after formatting
    formatted.Append(L"!!");
    EXPECT_EQ(formatted.size, 10 + 20);
    EXPECT_STREQ(formatted.Text(), L"err=0xAB!!");
}

TEST(TResString, MissingIdGivesAnEmptyText)
{
    TResString s(39999);
    EXPECT_STREQ(s.Text(), L"");
}
