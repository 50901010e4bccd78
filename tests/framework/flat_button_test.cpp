// The flat icon button, the colour button and its palette popup, driven with real mouse and
// keyboard input on the test display.
#include <gtest/gtest.h>
#include <atomic>
#include "framework/colour_button.h"
#include "framework/colour_popup.h"
#include "framework/tool_tips.h"
#include "tests/framework/control_parent.h"
#include "tests/support/screen_pixels.h"
#include "tests/support/user_input.h"
#include "tests/support/waiting.h"

namespace {

const UINT kButtonId = 4242;

// Pumps the test's own thread (tooltips included, as the program's loops do) while user runs on
// a thread of its own.
void AsUserWithTooltips(const std::function<void()>& user)
{
    std::atomic<bool> done(false);
    WithUser([&] {
        DWORD start = GetTickCount();
        while (!done && GetTickCount() - start < 60000) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (!FwPreTranslateMessage(&msg)) {
                    TranslateMessage(&msg);
                    DispatchMessageW(&msg);
                }
            }
            Sleep(10);
        }
    }, [&] {
        user();
        done = true;
    });
}

HWND OpenPopup() { return WaitForWindow(L"FwColourPopup", nullptr, 5000); }

POINT CellCentre(HWND popup, int index)
{
    int x = FwColourPopup::kMargin + (index % FwColourPopup::kColumns) * FwColourPopup::kCell;
    int y = FwColourPopup::kMargin + (index / FwColourPopup::kColumns) * FwColourPopup::kCell;
    return ClientToScreenPoint(popup, x + FwColourPopup::kCell / 2, y + FwColourPopup::kCell / 2);
}

} // namespace

TEST(FlatButton, CheckButtonClicksWithItsIdAndLeavesTheCheckToItsOwner)
{
    ControlParent parent(200, 200, 200, 100);
    FwFlatButton button;
    ASSERT_TRUE(button.Create(L"", WS_CHILD | WS_VISIBLE | BS_PUSHLIKE | BS_CHECKBOX, {10, 10, 64, 28},
                              parent, kButtonId));
    button.m_nFlatStyle = FwFlatButton::BUTTONSTYLE_SEMIFLAT;
    button.SetImage(SolidIcon(RGB(255, 0, 0)));
    AsUserWithTooltips([&] {
        POINT c = CenterOf(button);
        Click(c.x, c.y);
        EXPECT_TRUE(WaitUntil([&] { return parent.CountOf(kButtonId) == 1; }, 5000));
    });
    EXPECT_EQ(BN_CLICKED, parent.commands.at(0).code);
    EXPECT_EQ(button.Handle(), parent.commands.at(0).from);
    EXPECT_EQ(BST_UNCHECKED, SendMessageW(button, BM_GETCHECK, 0, 0));
    SendMessageW(button, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(BST_CHECKED, SendMessageW(button, BM_GETCHECK, 0, 0));
    UpdateWindow(button);
    // The icon sits in the middle of the face.
    EXPECT_TRUE(Near(RGB(255, 0, 0), ClientPixel(button, 27, 9), 11));
}

TEST(FlatButton, AutoCheckButtonTogglesOnEachClick)
{
    ControlParent parent(200, 200, 200, 100);
    FwFlatButton button;
    ASSERT_TRUE(button.Create(L"Go", WS_CHILD | WS_VISIBLE | BS_PUSHLIKE | BS_AUTOCHECKBOX, {10, 10, 80, 34},
                              parent, kButtonId));
    AsUserWithTooltips([&] {
        POINT c = CenterOf(button);
        Click(c.x, c.y);
        EXPECT_TRUE(WaitUntil([&] { return parent.CountOf(kButtonId) == 1; }, 5000));
        EXPECT_EQ(BST_CHECKED, SendMessageW(button, BM_GETCHECK, 0, 0));
        Sleep(600); // no double click
        Click(c.x, c.y);
        EXPECT_TRUE(WaitUntil([&] { return parent.CountOf(kButtonId) == 2; }, 5000));
        EXPECT_EQ(BST_UNCHECKED, SendMessageW(button, BM_GETCHECK, 0, 0));
    });
}

TEST(FlatButton, TooltipShowsItsTextUnderTheMouse)
{
    ControlParent parent(200, 200, 200, 100);
    FwFlatButton button;
    ASSERT_TRUE(button.Create(L"", WS_CHILD | WS_VISIBLE | BS_PUSHLIKE, {10, 10, 64, 28}, parent, kButtonId));
    button.SetTooltip(L"Stop recording");
    TTTOOLINFOW info = {};
    info.cbSize = sizeof(info);
    ASSERT_EQ(1, button.OnToolHitTest({5, 5}, &info));
    EXPECT_STREQ(L"Stop recording", info.lpszText);
    EXPECT_EQ(-1, button.OnToolHitTest({100, 5}, &info));

    HWND tip = FwThreadToolTip();
    ASSERT_TRUE(tip);
    std::wstring shown;
    AsUserWithTooltips([&] {
        POINT c = CenterOf(button);
        MouseMove(c.x - 3, c.y);
        MouseMove(c.x, c.y);
        WaitUntil([&] { return IsWindowVisible(tip) != FALSE; }, 8000);
        shown = WindowTextOf(tip);
        MouseMove(10, 10);
    });
    EXPECT_EQ(L"Stop recording", shown);
}

TEST(ColourButton, PopupPicksAColourAndTellsTheParent)
{
    ControlParent parent(200, 200, 300, 100);
    FwColourButton button;
    ASSERT_TRUE(button.Create(L"", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, {10, 10, 80, 32}, parent, kButtonId));
    button.SetColor(RGB(0, 0, 0));
    int count = 0;
    const COLORREF* palette = FwColourButton::PaletteColours(&count);
    ASSERT_EQ(40, count);
    int blue = -1;
    for (int i = 0; i < count; ++i)
        if (palette[i] == RGB(0, 0, 255))
            blue = i;
    ASSERT_GE(blue, 0);

    AsUserWithTooltips([&] {
        POINT c = CenterOf(button);
        Click(c.x, c.y);
        HWND popup = OpenPopup();
        ASSERT_TRUE(popup);
        RECT below;
        GetWindowRect(popup, &below);
        RECT own;
        GetWindowRect(button, &own);
        EXPECT_EQ(own.bottom, below.top); // opens under the button
        POINT cell = CellCentre(popup, blue);
        MouseMove(cell.x - 2, cell.y);
        Click(cell.x, cell.y);
        EXPECT_TRUE(WaitUntil([&] { return parent.CountOf(kButtonId) == 1; }, 5000));
        EXPECT_FALSE(IsWindow(popup));
    });
    EXPECT_EQ(RGB(0, 0, 255), button.GetColor());
}

TEST(ColourButton, EscAClickOutsideOrOnTheButtonCloseThePopupWithoutAPick)
{
    ControlParent parent(200, 200, 300, 300);
    FwColourButton button;
    ASSERT_TRUE(button.Create(L"", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, {10, 10, 80, 32}, parent, kButtonId));
    button.SetColor(RGB(255, 0, 0));
    AsUserWithTooltips([&] {
        POINT c = CenterOf(button);
        Click(c.x, c.y);
        HWND popup = OpenPopup();
        ASSERT_TRUE(popup);
        PressKey(VK_ESCAPE);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(popup); }, 5000));

        Click(c.x, c.y);
        popup = OpenPopup();
        ASSERT_TRUE(popup);
        POINT outside = ClientToScreenPoint(parent, 280, 280);
        Click(outside.x, outside.y);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(popup); }, 5000));

        Sleep(600);
        Click(c.x, c.y);
        popup = OpenPopup();
        ASSERT_TRUE(popup);
        Sleep(600);
        Click(c.x, c.y);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(popup); }, 5000));
        Sleep(300);
        EXPECT_FALSE(FindWindowW(L"FwColourPopup", nullptr)); // closed, not reopened
    });
    EXPECT_EQ(0, parent.CountOf(kButtonId));
    EXPECT_EQ(RGB(255, 0, 0), button.GetColor());
}

TEST(ColourButton, OtherColoursOpensTheColourDialog)
{
    ControlParent parent(200, 200, 300, 100);
    FwColourButton button;
    ASSERT_TRUE(button.Create(L"", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, {10, 10, 80, 32}, parent, kButtonId));
    button.SetColor(RGB(12, 34, 56));
    button.EnableOtherButton(L"More colors");
    bool dialogSeen = false;
    AsUserWithTooltips([&] {
        POINT c = CenterOf(button);
        Click(c.x, c.y);
        HWND popup = OpenPopup();
        ASSERT_TRUE(popup);
        RECT client;
        GetClientRect(popup, &client);
        POINT other = ClientToScreenPoint(popup, client.right / 2, client.bottom - FwColourPopup::kMargin - 5);
        Click(other.x, other.y);
        HWND dialog = WaitForWindow(L"#32770", nullptr, 10000);
        dialogSeen = dialog != nullptr;
        if (dialog) {
            SetForegroundWindow(dialog);
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        }
        EXPECT_TRUE(WaitUntil([&] { return parent.CountOf(kButtonId) == 1; }, 10000));
    });
    EXPECT_TRUE(dialogSeen);
    EXPECT_EQ(RGB(12, 34, 56), button.GetColor());
}
