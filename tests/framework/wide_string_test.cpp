// The framework's reference-counted wide string.
#include <gtest/gtest.h>
#include "framework/wide_string.h"

TEST(FwString, CopiesShareTheTextUntilOneChanges)
{
    FwString a(L"clip");
    FwString b(a);
    EXPECT_EQ(a.Text(), b.Text());
    EXPECT_EQ(a.ShareCount(), 2);
    b += L".flv";
    EXPECT_STREQ(a.Text(), L"clip");
    EXPECT_STREQ(b.Text(), L"clip.flv");
    EXPECT_EQ(a.ShareCount(), 1);
    EXPECT_EQ(b.ShareCount(), 1);
}

TEST(FwString, EmptyStringIsNeverNull)
{
    FwString empty;
    EXPECT_STREQ(empty.Text(), L"");
    EXPECT_TRUE(empty.IsEmpty());
    FwString fromNull(static_cast<const wchar_t*>(nullptr));
    EXPECT_STREQ(fromNull.Text(), L"");
    EXPECT_EQ(empty.ShareCount(), 0);
}

TEST(FwString, AppendingItselfAndGrowingKeepsEveryCharacter)
{
    FwString s(L"ab");
    for (int i = 0; i < 10; ++i)
        s += s; // a piece of itself, reallocated on the way
    EXPECT_EQ(s.Length(), 2048);
    for (int i = 0; i < s.Length(); ++i)
        ASSERT_EQ(s[i], i % 2 ? L'b' : L'a') << i;
}

TEST(FwString, FormatsWideArgumentsAndNumbers)
{
    FwString s;
    s.Format(L"%ls\\%ls%u.%ls", L"C:\\v", L"record", 12u, L"flv");
    EXPECT_STREQ(s.Text(), L"C:\\v\\record12.flv");
    s.Format(L"%d", -5);
    EXPECT_STREQ(s.Text(), L"-5");
    FwString long_;
    long_.Format(L"%ls%ls", FwString(L"x").Text(), std::wstring(1000, L'y').c_str());
    EXPECT_EQ(long_.Length(), 1001);
}

TEST(FwString, FindsSplitsAndCompares)
{
    FwString s(L"C:\\my.videos\\clip.Mp4");
    EXPECT_EQ(s.ReverseFind(L'.'), 17);
    EXPECT_EQ(s.ReverseFind(L'#'), -1);
    EXPECT_STREQ(s.Left(4).Text(), L"C:\\m");
    EXPECT_STREQ(s.Left(-1).Text(), L"");
    EXPECT_STREQ(s.Left(100).Text(), s.Text());
    EXPECT_STREQ(s.Mid(17).Text(), L".Mp4");
    EXPECT_STREQ(s.Mid(100).Text(), L"");
    EXPECT_EQ(s.Mid(17).CompareNoCaseAscii(L".mP4"), 0);
    EXPECT_NE(s.Mid(17).CompareNoCaseAscii(L".mp"), 0);
    EXPECT_NE(FwString(L"\u00C4").CompareNoCaseAscii(L"\u00E4"), 0); // ASCII letters only
    FwString t(s);
    t.Truncate(2);
    EXPECT_STREQ(t.Text(), L"C:");
    EXPECT_STREQ(s.Text(), L"C:\\my.videos\\clip.Mp4");
}

TEST(FwString, BufferTakesTheLengthUpToTheTerminator)
{
    FwString s(L"old");
    FwString shared(s);
    wchar_t* p = s.GetBuffer(10);
    wcscpy(p, L"new text");
    s.ReleaseBuffer();
    EXPECT_STREQ(s.Text(), L"new text");
    EXPECT_EQ(s.Length(), 8);
    EXPECT_STREQ(shared.Text(), L"old");
}
