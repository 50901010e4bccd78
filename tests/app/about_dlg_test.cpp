// The start-up splash on the test screen: where it stands, its colour read back from the screen
// (also by ImageMagick), its texts in both languages, and that it is gone once destroyed.
#include <gtest/gtest.h>
#include <string>
#include "app/about_dlg.h"
#include "app/resource.h"
#include "tests/support/host.h"
#include "tests/support/screen_pixels.h"
#include "tests/support/waiting.h"

namespace {

const COLORREF kLightBlue = RGB(153, 217, 234);
const COLORREF kCover = RGB(200, 30, 30);

// A plain red window over the whole screen, to stand between the splash and the desktop.
struct CoverWindow {
    HBRUSH brush = CreateSolidBrush(kCover);
    HWND hwnd = nullptr;
    CoverWindow()
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = brush;
        wc.lpszClassName = L"SplashTestCover";
        RegisterClassW(&wc);
        hwnd = CreateWindowExW(0, L"SplashTestCover", L"", WS_POPUP | WS_VISIBLE, 0, 0,
                               GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                               nullptr, nullptr, wc.hInstance, nullptr);
        UpdateWindow(hwnd);
        Pump();
    }
    ~CoverWindow()
    {
        DestroyWindow(hwnd);
        UnregisterClassW(L"SplashTestCover", GetModuleHandleW(nullptr));
        DeleteObject(brush);
    }
};

// The static controls of a dialog: the text one and the icon one.
struct Statics {
    HWND text = nullptr, icon = nullptr;
    explicit Statics(HWND dialog)
    {
        EnumChildWindows(dialog, Visit, (LPARAM)this);
    }
    static BOOL CALLBACK Visit(HWND child, LPARAM self)
    {
        Statics* s = (Statics*)self;
        if ((GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            s->icon = child;
        else
            s->text = child;
        return TRUE;
    }
};

std::wstring Text(HWND window)
{
    wchar_t text[128] = {};
    GetWindowTextW(window, text, 128);
    return text;
}

// ImageMagick's reading of one screen pixel, "#RRGGBB".
std::string NativePixel(POINT p)
{
    HostResult r = RunHost("import -window root -crop 1x1+" + std::to_string(p.x) + "+" +
                           std::to_string(p.y) + " -depth 8 txt:- | tail -1", 30000);
    size_t hash = r.output.find('#');
    return r.exitCode == 0 && hash != std::string::npos ? r.output.substr(hash, 7) : r.output;
}

} // namespace

TEST(StartupSplash, StandsCentredOnTopInLightBlueAndGoesAway)
{
    CoverWindow cover;
    CAboutDlg* splash = ShowStartupSplash();
    ASSERT_NE(splash, nullptr);
    HWND window = splash->Handle();
    Pump();

    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_TRUE(style & WS_BORDER);
    EXPECT_FALSE((style & WS_CAPTION) == WS_CAPTION);

    RECT r, work;
    GetWindowRect(window, &r);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((r.left + r.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((r.top + r.bottom) / 2, (work.top + work.bottom) / 2, 1);
    RECT units = {0, 0, 170, 62};
    MapDialogRect(window, &units);
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, units.right);
    EXPECT_EQ(client.bottom, units.bottom);

    Statics statics(window);
    EXPECT_EQ(Text(statics.text), L"Initializing...");
    ASSERT_NE(statics.icon, nullptr);
    EXPECT_NE(SendMessageW(statics.icon, STM_GETICON, 0, 0), 0);

    // Light blue behind everything: the dialog's corners, beside the icon and behind the text's
    // free end, read back from the screen.
    RECT iconRect, textRect;
    GetWindowRect(statics.icon, &iconRect);
    GetWindowRect(statics.text, &textRect);
    POINT points[] = {
        {r.left + 3, r.top + 3}, {r.right - 4, r.bottom - 4}, {(r.left + r.right) / 2, r.top + 4},
        {iconRect.right - 1, iconRect.bottom - 1}, {textRect.right - 2, textRect.bottom - 2},
    };
    for (POINT p : points)
        EXPECT_EQ(ScreenPixel(p), kLightBlue) << p.x << "," << p.y;
    EXPECT_EQ(NativePixel(points[0]), "#99D9EA");
    EXPECT_EQ(NativePixel(points[4]), "#99D9EA");
    // The text is drawn in the default (dark) colour on the light blue: every pixel of its cells
    // is the blue, ink, or a blend of the two, never a lighter background.
    int dark = 0, foreign = 0;
    for (int y = textRect.top; y < textRect.bottom; ++y)
        for (int x = textRect.left; x < textRect.left + 40; ++x) {
            COLORREF c = ScreenPixel(POINT{x, y});
            dark += GetRValue(c) < 80;
            foreign += c != kLightBlue && (GetRValue(c) > 153 || GetGValue(c) > 217 || GetBValue(c) > 234);
        }
    EXPECT_GT(dark, 10);
    EXPECT_EQ(foreign, 0);

    POINT centre = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    splash->DestroyWindow();
    delete splash;
    EXPECT_FALSE(IsWindow(window));
    RedrawWindow(cover.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Pump();
    EXPECT_EQ(ScreenPixel(centre), kCover);
    EXPECT_EQ(ScreenPixel(points[0]), kCover);
}

TEST(StartupSplash, BothLanguagesShareTheTemplateAndDifferInText)
{
    struct Case {
        LANGID language;
        const wchar_t* text;
    } cases[] = {
        {MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), L"Initializing..."},
        {MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), L"\u6B63\u5728\u521D\u59CB\u5316..."},
    };
    for (const Case& c : cases) {
        HRSRC found = FindResourceExW(nullptr, (LPCWSTR)RT_DIALOG, MAKEINTRESOURCEW(IDD_ABOUTBOX), c.language);
        ASSERT_NE(found, nullptr) << c.language;
        const BYTE* bytes = (const BYTE*)LockResource(LoadResource(nullptr, found));
        // DLGTEMPLATEEX: version, signature, help id, extended style, style, item count, x, y, cx, cy.
        WORD items;
        short size[2];
        DWORD style;
        memcpy(&style, bytes + 12, 4);
        memcpy(&items, bytes + 16, 2);
        memcpy(size, bytes + 22, 4);
        EXPECT_EQ(items, 2);
        EXPECT_EQ(size[0], 170);
        EXPECT_EQ(size[1], 62);
        EXPECT_EQ(style & (WS_POPUP | WS_BORDER | WS_DLGFRAME), (DWORD)(WS_POPUP | WS_BORDER));
        HWND dialog = CreateDialogIndirectParamW(nullptr, (LPCDLGTEMPLATEW)bytes, nullptr,
                                                 [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
        ASSERT_NE(dialog, nullptr);
        Statics statics(dialog);
        EXPECT_EQ(Text(statics.text), c.text) << c.language;
        EXPECT_NE(statics.icon, nullptr);
        DestroyWindow(dialog);
    }
}

TEST(StartupSplash, ApplicationIconComesInTheSizesTheWindowsUse)
{
    for (int size : {16, 32, 48}) {
        HICON icon = (HICON)LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME),
                                       IMAGE_ICON, size, size, 0);
        ASSERT_NE(icon, nullptr) << size;
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP bm = {};
        GetObjectW(info.hbmColor, sizeof(bm), &bm);
        EXPECT_EQ(bm.bmWidth, size);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }
}
