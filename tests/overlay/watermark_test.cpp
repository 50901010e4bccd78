// The watermark window on the test display: pictures loaded from BMP and PNG files made here,
// shown with their key colour transparent, at the chosen alpha, dragged with the real mouse.
#include "overlay/wnd_watermark.h"

#include <gtest/gtest.h>
#include <string>

#include "app/bitmap_ex.h"
#include "framework/app.h"
#include "tests/engine/colour_window.h"
#include "tests/overlay/overlay_test_support.h"
#include "tests/support/host.h"
#include "tests/support/screen_pixels.h"
#include "tests/support/user_input.h"
#include "tests/support/waiting.h"

namespace {

const COLORREF kDesk = RGB(0x20, 0x40, 0x60);
const COLORREF kKey = RGB(0xFF, 0x00, 0xFF);
const COLORREF kInk = RGB(0xF0, 0xC0, 0x30);
const COLORREF kBelow = RGB(0x00, 0xC8, 0x00);

// A 100 x 60 picture: the left half the key colour (its top-left pixel), the right half ink.
std::string MakePicture(const char* format, const char* extension)
{
    std::string path = NewTempDir("watermark") + "/picture." + extension;
    HostResult r = RunHost(std::string("/usr/bin/convert -size 100x60 xc:'#FF00FF' -fill '#F0C030' ") +
                           "-draw 'rectangle 50,0 99,59' " + format + ":" + ShellQuote(path));
    EXPECT_EQ(r.exitCode, 0) << r.output;
    return path;
}

struct Shown {
    TxBitmapEx picture;
    CWndWatermark window;

    // The picture loaded, its window made and placed at (left, top), shown at alpha.
    bool Show(const std::string& path, int left, int top, int alpha)
    {
        if (!picture.Load(WindowsPathW(path).c_str()) || !window.Create())
            return false;
        SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return window.SetPicture(picture.bitmap, alpha) != FALSE;
    }
    RECT WindowRect() const
    {
        RECT r = {};
        GetWindowRect(window, &r);
        return r;
    }
};

bool SameRect(const RECT& a, const RECT& b)
{
    return EqualRect(&a, &b) != FALSE;
}

} // namespace

struct PictureFile {
    const char* format;
    const char* extension;
};

class WatermarkPicture : public ::testing::TestWithParam<PictureFile> {};

TEST_P(WatermarkPicture, ShowsTheDesktopThroughKeyPixelsAndThePictureOpaqueAtFullAlpha)
{
    ColourWindow desk(Rect(0, 0, 1280, 720), kDesk);
    ASSERT_TRUE(ScreenShows(640, 360, kDesk));
    Shown w;
    ASSERT_TRUE(w.Show(MakePicture(GetParam().format, GetParam().extension), 200, 200, 255));
    EXPECT_TRUE(SameRect(w.WindowRect(), Rect(200, 200, 300, 260)));
    EXPECT_TRUE(ScreenShows(280, 230, kInk)) << std::hex << ScreenPixel(280, 230);
    EXPECT_EQ(ScreenPixel(210, 230), kDesk);
    EXPECT_EQ(ScreenPixel(249, 259), kDesk);
    EXPECT_EQ(ScreenPixel(250, 200), kInk);
    EXPECT_EQ(ScreenPixel(299, 259), kInk);
    EXPECT_EQ(ScreenPixel(300, 230), kDesk);
}

INSTANTIATE_TEST_SUITE_P(Files, WatermarkPicture,
                         ::testing::Values(PictureFile{"BMP3", "bmp"}, PictureFile{"PNG24", "png"}),
                         [](const ::testing::TestParamInfo<PictureFile>& info) {
                             return std::string(info.param.extension);
                         });

// Over a black desktop the blend is the picture scaled by the alpha, whether or not the display
// composites layered windows. Changing the alpha keeps the window where it is.
TEST(Watermark, BlendsThePictureAtTheLowByteOfTheAlphaAndKeepsItsPlace)
{
    ColourWindow desk(Rect(0, 0, 1280, 720), RGB(0, 0, 0));
    ASSERT_TRUE(ScreenShows(640, 360, RGB(0, 0, 0)));
    Shown w;
    ASSERT_TRUE(w.Show(MakePicture("BMP3", "bmp"), 400, 300, 255));
    ASSERT_TRUE(ScreenShows(480, 330, kInk));
    SetWindowPos(w.window, nullptr, 420, 310, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    const RECT placed = Rect(420, 310, 520, 370);
    struct Case {
        int alpha;
        int effective;
    };
    for (Case c : {Case{128, 128}, Case{10, 10}, Case{300, 44}, Case{255 + 256, 255}}) {
        w.window.SetPicture(w.picture.bitmap, c.alpha);
        const COLORREF expected = Blend(kInk, RGB(0, 0, 0), c.effective);
        EXPECT_TRUE(ScreenShows(500, 340, expected, 3))
            << "alpha " << c.alpha << ": " << std::hex << ScreenPixel(500, 340) << " not " << expected;
        EXPECT_TRUE(SameRect(w.WindowRect(), placed)) << "alpha " << c.alpha;
    }
}

TEST(Watermark, AlphaOfZeroInItsLowByteShowsNothingAndLetsClicksThrough)
{
    ColourWindow desk(Rect(0, 0, 1280, 720), kDesk);
    TestToolbar below(Rect(150, 150, 400, 400), kBelow);
    ASSERT_TRUE(ScreenShows(280, 230, kBelow));
    Shown w;
    ASSERT_TRUE(w.Show(MakePicture("PNG24", "png"), 200, 200, 256));
    PumpFor(300);
    EXPECT_TRUE(SameRect(w.WindowRect(), Rect(200, 200, 300, 260)));
    EXPECT_EQ(ScreenPixel(280, 230), kBelow);
    WithInput([] {
        MouseMoveAndWait(280, 230);
        LeftDown();
        LeftUp();
    });
    EXPECT_TRUE(PumpUntil([&] { return below.presses == 1; })) << below.presses;
}

TEST(Watermark, IsCreatedInvisibleAtTheTopLeftWithItsOwnClass)
{
    ColourWindow desk(Rect(0, 0, 1280, 720), kDesk);
    ASSERT_TRUE(ScreenShows(50, 20, kDesk));
    CWndWatermark w;
    ASSERT_TRUE(w.Create());
    PumpFor(300);
    wchar_t name[64] = L"", title[64] = L"";
    GetClassNameW(w, name, 64);
    GetWindowTextW(w, title, 64);
    EXPECT_STREQ(name, L"VORNWartermark");
    EXPECT_STREQ(title, L"VORNWartermark");
    EXPECT_EQ((DWORD)GetWindowLongW(w, GWL_EXSTYLE) & 0x08080008u, 0x08080008u);
    EXPECT_EQ((DWORD)GetWindowLongW(w, GWL_STYLE), (DWORD)(WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS));
    RECT r;
    GetWindowRect(w, &r);
    const RECT expected = Rect(0, 0, 100, 40);
    EXPECT_TRUE(SameRect(r, expected));
    EXPECT_EQ(ScreenPixel(50, 20), kDesk);
}

TEST(Watermark, DragsFromAPicturePixelWithTheSizeAllCursor)
{
    ColourWindow desk(Rect(0, 0, 1280, 720), kDesk);
    Shown w;
    ASSERT_TRUE(w.Show(MakePicture("BMP3", "bmp"), 200, 200, 255));
    ASSERT_TRUE(ScreenShows(280, 230, kInk));
    WithInput([] {
        MouseMoveAndWait(280, 230);
        MouseMoveAndWait(282, 232);
    });
    CURSORINFO cursor = {};
    cursor.cbSize = sizeof cursor;
    ASSERT_TRUE(GetCursorInfo(&cursor));
    EXPECT_EQ(cursor.hCursor, LoadCursorW(nullptr, (LPCWSTR)IDC_SIZEALL));

    // The main window comes to the front at the press.
    FwApp app(L"test");
    TestToolbar mainWindow(Rect(900, 500, 1100, 600), kBelow);
    app.mainWindow = &mainWindow;
    ColourWindow other(Rect(900, 100, 1000, 200), kDesk);
    SetForegroundWindow(other.Handle());
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == other.Handle(); }));
    mainWindow.activations = 0;

    WithInput([] { DragThrough({282, 232}, {{330, 260}, {400, 300}, {482, 332}}); });
    // Wine's own move loop then activates the dragged window, so only the activation is checked.
    EXPECT_EQ(mainWindow.activations, 1);
    EXPECT_TRUE(PumpUntil([&] { return SameRect(w.WindowRect(), Rect(400, 300, 500, 360)); }))
        << w.WindowRect().left << "," << w.WindowRect().top;
    EXPECT_TRUE(ScreenShows(480, 330, kInk));
    EXPECT_TRUE(ScreenShows(280, 230, kDesk));

    // Key pixels are transparent to the mouse too: a press there reaches the window below.
    TestToolbar below(Rect(350, 250, 460, 400), kBelow);
    SetWindowPos(w.window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_TRUE(ScreenShows(410, 330, kBelow));
    WithInput([] { DragThrough({410, 330}, {{440, 360}, {460, 380}}); });
    EXPECT_TRUE(PumpUntil([&] { return below.presses == 1; })) << below.presses;
    EXPECT_TRUE(SameRect(w.WindowRect(), Rect(400, 300, 500, 360)));
}

// During a recording the toolbar makes the watermark let the mouse through.
TEST(Watermark, ClickThroughWithTransparentStyle)
{
    ColourWindow desk(Rect(0, 0, 1280, 720), kDesk);
    TestToolbar below(Rect(150, 150, 400, 400), kBelow);
    Shown w;
    ASSERT_TRUE(w.Show(MakePicture("BMP3", "bmp"), 200, 200, 255));
    ASSERT_TRUE(ScreenShows(280, 230, kInk));
    w.window.ModifyStyleEx(0, WS_EX_TRANSPARENT);
    WithInput([] { DragThrough({280, 230}, {{330, 260}, {380, 290}}); });
    EXPECT_TRUE(PumpUntil([&] { return below.presses == 1; })) << below.presses;
    EXPECT_TRUE(SameRect(w.WindowRect(), Rect(200, 200, 300, 260)));
    EXPECT_TRUE(ScreenShows(280, 230, kInk));
}
