#include "foundation/text_convert.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

TEST(TextConvert, NullGivesNull)
{
    EXPECT_EQ(Utf8ToWide(NULL), nullptr);
    EXPECT_EQ(WideToUtf8(NULL), nullptr);
}

TEST(TextConvert, EmptyStringsGiveASingleNul)
{
    wchar_t* wide = Utf8ToWide("");
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide[0], L'\0');
    free(wide);
    char* utf8 = WideToUtf8(L"");
    ASSERT_NE(utf8, nullptr);
    EXPECT_EQ(utf8[0], '\0');
    free(utf8);
}

TEST(TextConvert, NonAsciiPathSurvivesTheRoundTrip)
{
    const wchar_t* path = L"C:\\Users\\J\u00f6rg\\\u89c6\u9891\\\U0001F3A5 record1.flv";
    char* utf8 = WideToUtf8(path);
    ASSERT_NE(utf8, nullptr);
    // The camera is outside the BMP: a surrogate pair in UTF-16, four bytes in UTF-8.
    EXPECT_NE(strstr(utf8, "\xF0\x9F\x8E\xA5"), nullptr);
    EXPECT_NE(strstr(utf8, "J\xC3\xB6rg"), nullptr);
    wchar_t* back = Utf8ToWide(utf8);
    ASSERT_NE(back, nullptr);
    EXPECT_STREQ(back, path);
    free(utf8);
    free(back);
}
