// The dialog base: the "?" marker drawn on a help item, the tool hit test, the tooltip text and
// the freeing of items and icon.
#include <gtest/gtest.h>
#include <string>
#include "app/x_dialog.h"
#include "framework/tool_tips.h"

namespace {

const UINT kTemplate = 400;
const RECT kItem = {20, 20, 36, 36}; // 16 x 16, client coordinates
const COLORREF kBlue = RGB(0, 0, 255);

class HelpDialog : public TxDialog {
public:
    HelpDialog() : TxDialog(kTemplate) {}
    using TDialogUtil<TxDialog>::itemIcon;
    using TDialogUtil<TxDialog>::items;
};

// A shown dialog at a fixed place with one item, painted.
struct ShownDialog {
    HelpDialog* dialog = new HelpDialog;
    FwString tip = L"Explains the field next to it";

    ShownDialog()
    {
        EXPECT_TRUE(dialog->AddItem(tip, kItem));
        EXPECT_TRUE(dialog->Create());
        SetWindowPos(dialog->Handle(), HWND_TOPMOST, 200, 150, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        Repaint();
    }
    ~ShownDialog()
    {
        if (dialog)
            dialog->DestroyWindow();
        delete dialog;
    }
    void Repaint()
    {
        RedrawWindow(dialog->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        GdiFlush();
    }
    COLORREF Pixel(int x, int y)
    {
        HDC dc = GetDC(dialog->Handle());
        COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(dialog->Handle(), dc);
        return c;
    }
};

bool IsBlueInk(COLORREF c)
{
    return GetBValue(c) > 150 && GetRValue(c) < 110 && GetGValue(c) < 110;
}

// A 16 x 16 icon of one colour.
HICON SolidIcon(COLORREF colour)
{
    HDC screen = GetDC(nullptr);
    HBITMAP colourBits = CreateCompatibleBitmap(screen, 16, 16);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, colourBits);
    HBRUSH brush = CreateSolidBrush(colour);
    RECT r = {0, 0, 16, 16};
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    BYTE maskBits[32] = {}; // all 0: every pixel opaque
    HBITMAP mask = CreateBitmap(16, 16, 1, 1, maskBits);
    ICONINFO info = {TRUE, 0, 0, mask, colourBits};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(mask);
    DeleteObject(colourBits);
    return icon;
}

bool IconAlive(HICON icon)
{
    ICONINFO info = {};
    if (!GetIconInfo(icon, &info))
        return false;
    DeleteObject(info.hbmMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    return true;
}

} // namespace

TEST(TxDialog, HelpItemShowsABlueQuestionMarkInARoundedBox)
{
    ShownDialog s;
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    // Outline: black at the middle of each edge (the right and bottom edges are inside-1).
    EXPECT_EQ(s.Pixel(20, 28), RGB(0, 0, 0));
    EXPECT_EQ(s.Pixel(35, 28), RGB(0, 0, 0));
    EXPECT_EQ(s.Pixel(28, 20), RGB(0, 0, 0));
    EXPECT_EQ(s.Pixel(28, 35), RGB(0, 0, 0));
    // Rounded corners: the very corner stays the dialog's own face; white fill just inside it.
    EXPECT_EQ(s.Pixel(20, 20), face);
    EXPECT_EQ(s.Pixel(22, 22), RGB(255, 255, 255));
    // The "?" in blue, inside the box.
    int blue = 0;
    for (int y = 21; y < 35; ++y)
        for (int x = 21; x < 35; ++x)
            blue += IsBlueInk(s.Pixel(x, y));
    EXPECT_GE(blue, 6);
    // Nothing outside the rectangle.
    EXPECT_EQ(s.Pixel(19, 28), face);
    EXPECT_EQ(s.Pixel(36, 28), face);
    EXPECT_EQ(s.Pixel(28, 36), face);
}

TEST(TxDialog, ItemIconReplacesTheBox)
{
    ShownDialog s;
    HICON green = SolidIcon(RGB(0, 200, 0));
    s.dialog->SetItemIcon(green, TRUE);
    s.Repaint();
    for (POINT p : {POINT{20, 20}, POINT{35, 35}, POINT{28, 28}, POINT{20, 28}})
        EXPECT_EQ(s.Pixel(p.x, p.y), RGB(0, 200, 0)) << p.x << "," << p.y;
    EXPECT_EQ(s.Pixel(36, 28), GetSysColor(COLOR_BTNFACE));
}

TEST(TxDialog, ToolHitTestFindsTheItemInsideOnly)
{
    HelpDialog d;
    d.AddItem(L"first", kItem);
    d.AddItem(L"second", RECT{50, 20, 66, 36});
    ASSERT_TRUE(d.Create());
    struct Case {
        POINT point;
        INT_PTR result;
        UINT_PTR tool;
    } cases[] = {
        {{20, 20}, 1, 0}, {{35, 35}, 1, 0}, {{28, 28}, 1, 0}, {{36, 28}, -1, 0}, {{28, 36}, -1, 0},
        {{19, 28}, -1, 0}, {{50, 20}, 1, 1}, {{65, 35}, 1, 1}, {{66, 35}, -1, 0},
    };
    for (const Case& c : cases) {
        TTTOOLINFOW info = {};
        info.cbSize = sizeof(info);
        INT_PTR result = d.OnToolHitTest(c.point, &info);
        EXPECT_EQ(result, c.result) << c.point.x << "," << c.point.y;
        if (result == 1) {
            EXPECT_EQ(info.uId, c.tool);
            EXPECT_EQ(info.hwnd, d.Handle());
            EXPECT_EQ(info.uFlags, 0u);
            EXPECT_EQ(info.lpszText, LPSTR_TEXTCALLBACKW);
            const RECT& expected = c.tool == 0 ? kItem : RECT{50, 20, 66, 36};
            EXPECT_TRUE(EqualRect(&info.rect, &expected));
        }
    }
}

TEST(TxDialog, TooltipAsksForTheItemTextAndWrapsAt400)
{
    HelpDialog d;
    FwString tip = L"Explains the field next to it";
    d.AddItem(tip, kItem);
    ASSERT_TRUE(d.Create());
    struct Case {
        UINT_PTR id;
        UINT flags;
        bool answered;
    } cases[] = {{0, 0, true}, {1, 0, false}, {(UINT_PTR)-1, 0, false}, {0, TTF_IDISHWND, false}};
    for (const Case& c : cases) {
        HWND control = FwThreadToolTip();
        ASSERT_NE(control, nullptr);
        SendMessageW(control, TTM_SETMAXTIPWIDTH, 0, 123);
        NMTTDISPINFOW n = {};
        n.hdr.hwndFrom = control;
        n.hdr.idFrom = c.id;
        n.hdr.code = TTN_NEEDTEXTW;
        n.uFlags = c.flags;
        wchar_t untouched[] = L"untouched";
        n.lpszText = untouched;
        n.hinst = (HINSTANCE)GetModuleHandleW(nullptr);
        SendMessageW(d.Handle(), WM_NOTIFY, 0, (LPARAM)&n);
        if (c.answered) {
            EXPECT_EQ(n.lpszText, tip.Text()); // the item's own storage
            EXPECT_EQ(n.hinst, nullptr);
            EXPECT_EQ(SendMessageW(control, TTM_GETMAXTIPWIDTH, 0, 0), 400);
        } else {
            EXPECT_EQ(n.lpszText, untouched) << c.id;
            EXPECT_EQ(SendMessageW(control, TTM_GETMAXTIPWIDTH, 0, 0), 123) << c.id;
        }
    }
}

TEST(TxDialog, RestingMouseShowsTheTipInsideAndNothingJustOutside)
{
    ShownDialog s;
    s.dialog->EnableToolTips();
    HWND tip = FwThreadToolTip();
    ASSERT_NE(tip, nullptr);
    // Rests the mouse on a client point and pumps (like the program's modal loop, through the
    // framework's pre-translation) until the tip shows, or for two seconds, four times the
    // tooltip's initial delay.
    auto tipShowsAt = [&](int x, int y) {
        SendMessageW(tip, TTM_POP, 0, 0);
        POINT screen = {x, y};
        ClientToScreen(s.dialog->Handle(), &screen);
        SetCursorPos(screen.x, screen.y);
        // One move, then the mouse rests: a move restarts the tooltip's delay.
        PostMessageW(s.dialog->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
        for (int i = 0; i < 80; ++i) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (!FwPreTranslateMessage(&msg)) {
                    TranslateMessage(&msg);
                    DispatchMessageW(&msg);
                }
            }
            if (IsWindowVisible(tip))
                return true;
            Sleep(25);
        }
        return false;
    };
    ASSERT_TRUE(tipShowsAt(28, 28));
    wchar_t text[128] = {};
    TTTOOLINFOW info = {};
    info.cbSize = sizeof(info);
    info.hwnd = s.dialog->Handle();
    info.uId = 0;
    info.lpszText = text;
    SendMessageW(tip, TTM_GETTEXTW, 128, (LPARAM)&info);
    EXPECT_STREQ(text, L"Explains the field next to it");
    EXPECT_EQ(SendMessageW(tip, TTM_GETMAXTIPWIDTH, 0, 0), 400);
    EXPECT_FALSE(tipShowsAt(36, 28)); // just outside the right edge
    EXPECT_FALSE(tipShowsAt(28, 36)); // just outside the bottom edge
    EXPECT_TRUE(tipShowsAt(35, 35));  // the last pixel inside

    // A long tip wraps onto several lines no wider than 400 pixels.
    std::wstring words;
    for (int i = 0; i < 40; ++i)
        words += L"wrapping ";
    s.dialog->AddItem(words.c_str(), RECT{60, 20, 76, 36});
    ASSERT_TRUE(tipShowsAt(68, 28));
    RECT shown;
    GetWindowRect(tip, &shown);
    EXPECT_LE(shown.right - shown.left, 400 + 2 * GetSystemMetrics(SM_CXBORDER) + 16);
    HDC dc = GetDC(tip);
    HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageW(tip, WM_GETFONT, 0, 0));
    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(tip, dc);
    EXPECT_GT(shown.bottom - shown.top, 3 * metrics.tmHeight);
}

TEST(TxDialog, ItemsAndOwnedIconAreFreedOnce)
{
    FwString tip = L"tip";
    HICON owned = SolidIcon(RGB(1, 2, 3));
    {
        HelpDialog* d = new HelpDialog;
        d->AddItem(tip, kItem);
        d->AddItem(tip, RECT{0, 0, 4, 4});
        EXPECT_EQ(tip.ShareCount(), 3); // the items hold the text
        d->SetItemIcon(owned, TRUE);
        ASSERT_TRUE(d->Create());
        d->DestroyWindow();
        EXPECT_EQ(d->ItemCount(), 0);
        EXPECT_EQ(d->items.Count(), 0);
        EXPECT_EQ(tip.ShareCount(), 1); // released once each, not twice
        EXPECT_TRUE(IconAlive(owned));  // the icon goes with the object
        delete d;
    }
    EXPECT_EQ(tip.ShareCount(), 1);
    EXPECT_FALSE(IconAlive(owned));

    HICON borrowed = SolidIcon(RGB(4, 5, 6));
    {
        HelpDialog d;
        d.SetItemIcon(borrowed, FALSE);
    }
    EXPECT_TRUE(IconAlive(borrowed));
    DestroyIcon(borrowed);
}

TEST(TxDialog, EmptyEntriesAreSkipped)
{
    HelpDialog d;
    d.items.Add(nullptr);
    d.AddItem(L"real", kItem);
    ASSERT_TRUE(d.Create());
    TTTOOLINFOW info = {};
    info.cbSize = sizeof(info);
    EXPECT_EQ(d.OnToolHitTest(POINT{25, 25}, &info), 1);
    EXPECT_EQ(info.uId, 1u);
    SendMessageW(d.Handle(), WM_PAINT, 0, 0); // draws around the empty entry
    d.ClearItems();
    EXPECT_EQ(d.ItemCount(), 0);
}
