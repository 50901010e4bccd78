// The link control on the test screen: link-blue text at the right edge, underlined while the
// mouse is over it, a tooltip, and a click that opens the address only when press and release
// are both on it.
#include <gtest/gtest.h>
#include "framework/link_control.h"
#include "tests/support/morvale_process.h"
#include "tests/support/screen_pixels.h"
#include "tests/support/user_input.h"
#include "tests/support/waiting.h"

namespace {

// Counts the addresses it was asked to open instead of starting a browser.
struct CountingLink : FwLinkControl {
    int opened = 0;
    bool Open() override
    {
        ++opened;
        return true;
    }
};

struct Host {
    FwWindow parent;
    CountingLink link;
    Host()
    {
        RECT frame = {100, 100, 500, 300};
        parent.CreateEx(WS_EX_TOPMOST, nullptr, L"link host", WS_POPUP | WS_VISIBLE, frame, nullptr, 0);
        RECT r = {20, 40, 380, 70};
        link.Create(L"www.example.test", WS_VISIBLE | BS_RIGHT, r, parent.Handle(), 0);
        link.SetURL(L"https://www.example.test/page.html?ver=1");
        link.SetTooltip(L"Visit the page");
        link.SetAlwaysUnderline(FALSE);
        Pump();
    }
    RECT Screen() const
    {
        RECT r;
        GetWindowRect(link.Handle(), &r);
        return r;
    }
    int Ink() const { return CountScreenPixels(Screen(), FwLinkControl::kLinkColour, 60); }
};

} // namespace

TEST(LinkControl, DrawsBlueAtTheRightAndUnderlinesUnderTheMouse)
{
    Host host;
    SetCursorPos(5, 5);
    ASSERT_TRUE(PumpUntil([&] { return host.Ink() > 10; })) << "no link-blue text";
    RECT r = host.Screen();
    RECT leftHalf = {r.left, r.top, (r.left + r.right) / 2, r.bottom};
    EXPECT_EQ(CountScreenPixels(leftHalf, FwLinkControl::kLinkColour, 60), 0) << "text is not at the right";
    int plain = host.Ink();

    SetCursorPos(r.right - 10, (r.top + r.bottom) / 2);
    EXPECT_TRUE(PumpUntil([&] { return host.Ink() > plain; })) << "no underline under the mouse";
    SetCursorPos(5, 5);
    EXPECT_TRUE(PumpUntil([&] { return host.Ink() == plain; })) << "underline stayed";
}

TEST(LinkControl, SizesToItsTextAndCarriesTooltipAndAddress)
{
    Host host;
    SIZE content = host.link.ContentSize();
    EXPECT_GT(content.cx, 20);
    EXPECT_LT(content.cx, 360);
    host.link.SizeToContent();
    RECT r;
    GetClientRect(host.link.Handle(), &r);
    EXPECT_EQ(r.right, content.cx);
    EXPECT_EQ(r.bottom, content.cy);
    EXPECT_STREQ(host.link.URL().Text(), L"https://www.example.test/page.html?ver=1");

    ASSERT_NE(host.link.Tooltip(), nullptr);
    EXPECT_EQ(SendMessageW(host.link.Tooltip(), TTM_GETTOOLCOUNT, 0, 0), 1);
    wchar_t text[80] = {};
    TTTOOLINFOW info = {};
    info.cbSize = sizeof(info);
    info.hwnd = host.parent.Handle();
    info.uId = (UINT_PTR)host.link.Handle();
    info.lpszText = text;
    SendMessageW(host.link.Tooltip(), TTM_GETTEXTW, 80, (LPARAM)&info);
    EXPECT_STREQ(text, L"Visit the page");
}

TEST(LinkControl, ClickOpensOnlyWhenReleasedOnTheLink)
{
    Host host;
    BringToFront(host.parent.Handle());
    RECT r = host.Screen();
    POINT on = {r.right - 10, (r.top + r.bottom) / 2};
    ClickAt(on);
    EXPECT_TRUE(PumpUntil([&] { return host.link.opened == 1; }));

    // Pressed on the link, released beside it: nothing opens.
    SetCursorPos(on.x, on.y);
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &in, sizeof(in));
    PumpUntil([] { return false; }, 200);
    SetCursorPos(on.x, r.bottom + 40);
    in.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &in, sizeof(in));
    PumpUntil([] { return false; }, 500);
    EXPECT_EQ(host.link.opened, 1);
}
