// The pen button in a window of its own, as the toolbar sets it up, driven with real input:
// the bar, the width menu and its 100 ms rule, the colour popup, the zone tips and commands.
#include <gtest/gtest.h>
#include <atomic>
#include "app/resource.h"
#include "framework/colour_popup.h"
#include "overlay/button_draw.h"
#include "tests/framework/control_parent.h"
#include "tests/support/screen_pixels.h"
#include "tests/support/user_input.h"
#include "tests/support/waiting.h"

namespace {

const COLORREF kCanvasColour = 0x808000;

// A pen button set up as the toolbar does, 54 x 18 at (3, 34) of its parent.
struct PenButton {
    ControlParent parent{300, 200, 60, 74};
    TButtonDraw button;
    PenButton()
    {
        button.m_nFlatStyle = FwFlatButton::BUTTONSTYLE_SEMIFLAT;
        button.Create(L"", WS_CHILD | WS_VISIBLE | BS_PUSHLIKE | BS_CHECKBOX, {3, 34, 57, 52}, parent, ID_TOOL_DRAW);
        button.EnableOtherButton(L"More colors");
        button.SetImage((HICON)LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TOOL_PEN), IMAGE_ICON, 16, 16, 0));
        button.SetTooltip(L"Draw lines on screen");
        button.m_strDefaultTip = L"Draw lines on screen";
        button.m_nWidthCommand = ID_TOOL_WIDTH;
        button.m_strLeftTip = L"Change line width";
        button.m_nColorCommand = ID_TOOL_COLOR;
        button.m_strRightTip = L"Change line color";
        button.LoadImages();
        button.SetColor(kCanvasColour);
        button.m_nPenWidth = 5;
    }
    POINT Left() const { return ClientToScreenPoint(button, 8, 9); }
    POINT Right() const { return ClientToScreenPoint(button, 46, 9); }
    POINT Middle() const { return ClientToScreenPoint(button, 27, 9); }
};

HWND OpenMenu(DWORD ms = 5000) { return WaitForWindow(L"#32768", nullptr, ms); }

} // namespace

TEST(ButtonDraw, BarIsInThePenColourAndAsHighAsThePenIsWide)
{
    PenButton pen;
    ASSERT_TRUE(pen.button.Handle());
    // The face lies 2 pixels inside the border; the bar is the middle zone less 2 pixels at the
    // sides and 1 at the top and bottom: x 18 to 35, y 3 to 14, 12 rows.
    struct Case {
        int width;
        int topRow; // first row of the bar
    } cases[] = {{5, 10}, {1, 14}, {8, 7}, {12, 3}, {14, 3}};
    for (const Case& c : cases) {
        pen.button.m_nPenWidth = c.width;
        InvalidateRect(pen.button, nullptr, TRUE);
        UpdateWindow(pen.button);
        EXPECT_TRUE(Near(kCanvasColour, ClientPixel(pen.button, 18, 14), 11)) << c.width;
        EXPECT_TRUE(Near(kCanvasColour, ClientPixel(pen.button, 35, c.topRow), 11)) << c.width;
        if (c.topRow > 3) {
            EXPECT_FALSE(Near(kCanvasColour, ClientPixel(pen.button, 35, c.topRow - 1), 11)) << c.width;
        }
    }
}

TEST(ButtonDraw, ZoneImagesComeFromTheBitmapWithWhiteTransparent)
{
    PenButton pen;
    int w = 0, h = 0;
    ASSERT_TRUE(pen.button.m_images.GetIconSize(&w, &h));
    EXPECT_EQ(8, w);
    EXPECT_EQ(8, h);
    EXPECT_EQ(2, pen.button.m_images.GetImageCount());
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bits = CreateCompatibleBitmap(screen, 16, 8);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bits);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT all = {0, 0, 16, 8};
    FillRect(dc, &all, red);
    pen.button.DrawImage(dc, 0, {0, 0, 8, 8});
    pen.button.DrawImage(dc, 1, {8, 0, 16, 8});
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(dc, 0, 0));   // white is the mask
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(dc, 1, 1));     // the swatch's frame
    EXPECT_EQ(RGB(128, 128, 128), GetPixel(dc, 2, 2)); // its grey cell
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(dc, 4, 2));   // its white cell shows what lies below
    EXPECT_EQ(RGB(0, 0, 0), GetPixel(dc, 11, 3));    // the arrow
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(dc, 11, 7));
    SelectObject(dc, old);
    DeleteObject(red);
    DeleteObject(bits);
    DeleteDC(dc);
}

TEST(ButtonDraw, TipFollowsTheZone)
{
    PenButton pen;
    struct Case {
        POINT at;
        const wchar_t* tip;
    } cases[] = {{{3, 9}, L"Change line width"}, {{50, 9}, L"Change line color"}, {{27, 9}, L"Draw lines on screen"}};
    for (const Case& c : cases) {
        TTTOOLINFOW info = {};
        info.cbSize = sizeof(info);
        ASSERT_EQ(1, pen.button.OnToolHitTest(c.at, &info));
        EXPECT_STREQ(c.tip, info.lpszText);
    }
    pen.button.m_strLeftTip = L"";
    TTTOOLINFOW info = {};
    info.cbSize = sizeof(info);
    ASSERT_EQ(1, pen.button.OnToolHitTest({3, 9}, &info));
    EXPECT_STREQ(L"Draw lines on screen", info.lpszText);
}

TEST(ButtonDraw, WidthMenuChecksTheWidthAndSendsTheWidthCommandOnce)
{
    PenButton pen;
    bool checkedFive = false;
    AsUser([&] {
        POINT left = pen.Left();
        MouseMove(left.x, left.y);
        EXPECT_TRUE(WaitUntil([&] { return pen.button.m_nHotZone == 1; }, 3000));
        Click(left.x, left.y);
        HWND menuWindow = OpenMenu();
        ASSERT_TRUE(menuWindow);
        HMENU menu = (HMENU)SendMessageW(menuWindow, MN_GETHMENU, 0, 0);
        ASSERT_TRUE(menu);
        EXPECT_EQ(13, GetMenuItemCount(menu));
        checkedFive = (GetMenuState(menu, 5, MF_BYCOMMAND) & MF_CHECKED) != 0;
        RECT item;
        ASSERT_TRUE(GetMenuItemRect(nullptr, menu, 7, &item)); // "8 px"
        MouseMove(item.left + 10, (item.top + item.bottom) / 2);
        Click(item.left + 10, (item.top + item.bottom) / 2);
        EXPECT_TRUE(WaitUntil([&] { return pen.parent.CountOf(ID_TOOL_WIDTH) == 1; }, 5000));
    });
    EXPECT_TRUE(checkedFive);
    EXPECT_EQ(8, pen.button.m_nPenWidth);
    EXPECT_EQ(1, pen.parent.CountOf(ID_TOOL_WIDTH));
    EXPECT_EQ(0, pen.parent.CountOf(ID_TOOL_DRAW));
    UpdateWindow(pen.button);
    EXPECT_TRUE(Near(kCanvasColour, ClientPixel(pen.button, 35, 7), 11));
}

TEST(ButtonDraw, ClickOnTheLeftZoneThatClosesTheMenuDoesNotReopenIt)
{
    PenButton pen;
    bool reopened = true, laterOpens = false;
    AsUser([&] {
        POINT left = pen.Left();
        Click(left.x, left.y);
        HWND menu = OpenMenu();
        ASSERT_TRUE(menu);
        Sleep(300);
        Click(left.x, left.y);
        WaitUntil([&] { return !IsWindowVisible(menu); }, 3000);
        Sleep(400);
        reopened = OpenMenu(100) != nullptr;
        if (reopened)
            PressKey(VK_ESCAPE);
        Sleep(300);
        Click(left.x, left.y);
        laterOpens = OpenMenu() != nullptr;
        PressKey(VK_ESCAPE);
        WaitUntil([&] { return OpenMenu(10) == nullptr; }, 3000);
    });
    EXPECT_FALSE(reopened);
    EXPECT_TRUE(laterOpens);
    EXPECT_EQ(0, pen.parent.CountOf(ID_TOOL_WIDTH)); // closed without a choice
    EXPECT_EQ(5, pen.button.m_nPenWidth);
    EXPECT_EQ(0, pen.parent.CountOf(ID_TOOL_DRAW));
}

TEST(ButtonDraw, ColourPickSendsTheColourCommandAndNotTheDrawCommand)
{
    PenButton pen;
    AsUser([&] {
        POINT right = pen.Right();
        Click(right.x, right.y);
        HWND popup = WaitForWindow(L"FwColourPopup", nullptr, 5000);
        ASSERT_TRUE(popup);
        // Cell 16: red.
        int x = FwColourPopup::kMargin + 0 * FwColourPopup::kCell + FwColourPopup::kCell / 2;
        int y = FwColourPopup::kMargin + 2 * FwColourPopup::kCell + FwColourPopup::kCell / 2;
        POINT cell = ClientToScreenPoint(popup, x, y);
        MouseMove(cell.x, cell.y);
        Click(cell.x, cell.y);
        EXPECT_TRUE(WaitUntil([&] { return pen.parent.CountOf(ID_TOOL_COLOR) == 1; }, 5000));
    });
    EXPECT_EQ(RGB(255, 0, 0), pen.button.GetColor());
    EXPECT_EQ(0, pen.parent.CountOf(ID_TOOL_DRAW));
    EXPECT_EQ(BST_UNCHECKED, SendMessageW(pen.button, BM_GETCHECK, 0, 0));
    UpdateWindow(pen.button);
    EXPECT_TRUE(Near(RGB(255, 0, 0), ClientPixel(pen.button, 18, 14), 11));
}

TEST(ButtonDraw, MiddleClickSendsTheDrawCommand)
{
    PenButton pen;
    AsUser([&] {
        POINT middle = pen.Middle();
        Click(middle.x, middle.y);
        EXPECT_TRUE(WaitUntil([&] { return pen.parent.CountOf(ID_TOOL_DRAW) == 1; }, 5000));
    });
    EXPECT_EQ(0, pen.parent.CountOf(ID_TOOL_WIDTH));
    EXPECT_EQ(0, pen.parent.CountOf(ID_TOOL_COLOR));
}
