// The GDI screen grabber against the Xvfb screen: frame size and rounding, what each capture mode
// copies, the clipping codes, the listener and the cursor.
#include "engine/screen_win.h"

#include <gtest/gtest.h>
#include <stdint.h>
#include <string>
#include <vector>

#include "tests/engine/colour_window.h"

namespace {

const COLORREF kBackdrop = RGB(0x20, 0x40, 0x60);
const COLORREF kBlue = RGB(0x33, 0x66, 0xCC);
const COLORREF kRose = RGB(0xCC, 0x33, 0x66);
const COLORREF kGreen = RGB(0x66, 0xCC, 0x33);

// COLORREF (0x00BBGGRR) to the frame's pixel value (0x00RRGGBB, stored blue first).
uint32_t FramePixel(COLORREF c)
{
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

RECT Rect(int left, int top, int right, int bottom)
{
    RECT r = {left, top, right, bottom};
    return r;
}

// A copy of one captured frame.
struct Frame {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;

    uint32_t At(int x, int y) const { return pixels[(size_t)y * width + x] & 0xFFFFFF; }

    // Every pixel of rect (frame coordinates) has the colour.
    bool All(const RECT& r, uint32_t colour, std::string* where = NULL) const
    {
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                if (At(x, y) != colour) {
                    if (where) {
                        char text[96];
                        snprintf(text, sizeof text, "(%d,%d) is %06X, not %06X", x, y, At(x, y), colour);
                        *where = text;
                    }
                    return false;
                }
            }
        }
        return true;
    }
};

int ControlRect(ScreenWin* grabber, int code, RECT r)
{
    return grabber->Control(code, (INT_PTR)&r);
}

Frame Grab(ScreenWin* grabber)
{
    ScreenFormat format;
    Frame f;
    if (!grabber->GetFormat(&format))
        return f;
    f.width = format.width;
    f.height = format.height;
    const uint32_t* p = (const uint32_t*)grabber->Capture();
    if (p)
        f.pixels.assign(p, p + (size_t)f.width * f.height);
    grabber->ReleaseFrame();
    return f;
}

// The X server shows a new window a little after it is created; wait until the screen itself has
// the colour at (x, y).
bool ScreenShows(int x, int y, COLORREF colour)
{
    for (int i = 0; i < 100; ++i) {
        HDC screen = GetDC(NULL);
        COLORREF c = GetPixel(screen, x, y);
        ReleaseDC(NULL, screen);
        if (c == colour)
            return true;
        PumpMessages(30);
    }
    return false;
}

class HiddenCursor {
public:
    HiddenCursor() { while (ShowCursor(FALSE) >= 0) {} }
    ~HiddenCursor() { while (ShowCursor(TRUE) < 0) {} }
};

// A grabber as the recording worker sets one up.
struct Grabber {
    explicit Grabber(const RECT* area, const DWORD* processes = NULL, IScreenFrameListener* listener = NULL)
        : screen(new ScreenWin(listener))
    {
        opened = screen->Open(0, NULL, 0, area);
        screen->Control(ScreenWin::kClipNone, 0);
        screen->Control(ScreenWin::kSetProcesses, (INT_PTR)processes);
    }
    ~Grabber() { EXPECT_EQ(screen->Release(), 0); }
    ScreenWin* screen;
    BOOL opened;
};

class ScreenWinTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Park the cursor over a corner the cases leave alone, and keep it out of the pictures.
        SetCursorPos(1279, 719);
        backdrop_ = new ColourWindow(Rect(0, 0, 1280, 720), kBackdrop);
        // Wine reports the cursor and its show count of the foreground window's thread.
        SetForegroundWindow(backdrop_->Handle());
        ASSERT_TRUE(ScreenShows(640, 360, kBackdrop));
    }
    void TearDown() override { delete backdrop_; }

    ColourWindow* backdrop_ = NULL;
};

} // namespace

TEST_F(ScreenWinTest, WholeScreenFrameIsTheScreenInThirtyTwoBitTopDownRows)
{
    HiddenCursor hidden;
    ColourWindow blue(Rect(100, 50, 300, 150), kBlue);
    ASSERT_TRUE(ScreenShows(150, 100, kBlue));

    ScreenWin* screen = new ScreenWin(NULL);
    ASSERT_TRUE(screen->Open(0, NULL, 0, NULL));
    ScreenFormat format;
    ASSERT_TRUE(screen->GetFormat(&format));
    EXPECT_EQ(format.width, 1280);
    EXPECT_EQ(format.height, 720);
    EXPECT_EQ(format.bitsPerPixel, 32);
    EXPECT_EQ(format.grey, 0);
    EXPECT_EQ(format.reserved, 0);
    ASSERT_EQ(format.colourCount, 3);
    EXPECT_EQ(format.colours[0], 0xFF0000u);
    EXPECT_EQ(format.colours[1], 0xFF00u);
    EXPECT_EQ(format.colours[2], 0xFFu);
    RECT area;
    EXPECT_EQ(screen->Control(ScreenWin::kGetArea, (INT_PTR)&area), 0);
    RECT whole = Rect(0, 0, 1280, 720);
    EXPECT_TRUE(EqualRect(&area, &whole));

    // Until the clip is reset the frame stays black.
    Frame f = Grab(screen);
    ASSERT_EQ(f.pixels.size(), 1280u * 720u);
    std::string where;
    EXPECT_TRUE(f.All(Rect(0, 0, 1280, 720), 0, &where)) << where;

    EXPECT_EQ(screen->Control(ScreenWin::kClipNone, 0), 0);
    f = Grab(screen);
    EXPECT_TRUE(f.All(Rect(100, 50, 300, 150), FramePixel(kBlue), &where)) << where;
    EXPECT_TRUE(f.All(Rect(0, 0, 1280, 50), FramePixel(kBackdrop), &where)) << where;
    EXPECT_TRUE(f.All(Rect(300, 50, 1280, 720), FramePixel(kBackdrop), &where)) << where;
    // The top row is the screen's top row (rows top-down), blue first in memory.
    const uint8_t* bytes = (const uint8_t*)screen->Capture();
    const uint8_t* blueAt = bytes + (100 * 1280 + 150) * 4;
    EXPECT_EQ(blueAt[0], 0xCC);
    EXPECT_EQ(blueAt[1], 0x66);
    EXPECT_EQ(blueAt[2], 0x33);

    EXPECT_EQ(screen->AddRef(), 2);
    EXPECT_EQ(screen->Release(), 1);
    EXPECT_EQ(screen->Release(), 0);
}

TEST_F(ScreenWinTest, RectangleAreasGrowToTheMinimumAndFramesRoundUpToSixteen)
{
    HiddenCursor hidden;
    ColourWindow blue(Rect(300, 200, 310, 210), kBlue);
    ASSERT_TRUE(ScreenShows(305, 205, kBlue));
    struct Case {
        RECT request;
        RECT area;
        int frameWidth, frameHeight;
    };
    const Case cases[] = {
        {{100, 10, 1100, 710}, {100, 10, 1100, 710}, 1008, 704},
        {{300, 200, 400, 250}, {300, 200, 476, 344}, 176, 144},
        {{300, 200, 300, 200}, {300, 200, 476, 344}, 176, 144},
        {{5, 7, 5 + 177, 7 + 145}, {5, 7, 182, 152}, 192, 160},
        {{0, 0, 1280, 720}, {0, 0, 1280, 720}, 1280, 720},
    };
    for (const Case& c : cases) {
        Grabber g(&c.request);
        ASSERT_TRUE(g.opened);
        ScreenFormat format;
        ASSERT_TRUE(g.screen->GetFormat(&format));
        EXPECT_EQ(format.width, c.frameWidth);
        EXPECT_EQ(format.height, c.frameHeight);
        RECT area;
        g.screen->Control(ScreenWin::kGetArea, (INT_PTR)&area);
        EXPECT_TRUE(EqualRect(&area, &c.area)) << area.left << "," << area.top << "," << area.right << "," << area.bottom;

        // The area's content sits at (0, 0); the alignment margin stays black.
        Frame f = Grab(g.screen);
        int w = c.area.right - c.area.left, h = c.area.bottom - c.area.top;
        std::string where;
        RECT blueInFrame = Rect(300 - c.area.left, 200 - c.area.top, 310 - c.area.left, 210 - c.area.top);
        if (blueInFrame.left >= 0 && blueInFrame.right <= w && blueInFrame.top >= 0 && blueInFrame.bottom <= h) {
            EXPECT_TRUE(f.All(blueInFrame, FramePixel(kBlue), &where)) << where;
        }
        EXPECT_EQ(f.At(w - 1, h - 1), FramePixel(kBackdrop));
        EXPECT_TRUE(f.All(Rect(w, 0, c.frameWidth, c.frameHeight), 0, &where)) << where;
        EXPECT_TRUE(f.All(Rect(0, h, c.frameWidth, c.frameHeight), 0, &where)) << where;
    }
}

TEST_F(ScreenWinTest, ClipCodesLimitWhatCapturesRefresh)
{
    HiddenCursor hidden;
    const RECT area = Rect(100, 100, 500, 400);
    Grabber g(&area);
    ASSERT_TRUE(g.opened);
    std::string where;

    // Code 1 records only inside the rectangle; a second one is added to the first.
    EXPECT_EQ(ControlRect(g.screen, ScreenWin::kClipAdd, Rect(150, 150, 200, 200)), 0);
    Frame f = Grab(g.screen);
    EXPECT_TRUE(f.All(Rect(50, 50, 100, 100), FramePixel(kBackdrop), &where)) << where;
    EXPECT_TRUE(f.All(Rect(100, 0, 400, 300), 0, &where)) << where;
    EXPECT_EQ(ControlRect(g.screen, ScreenWin::kClipAdd, Rect(300, 300, 320, 310)), 0);
    f = Grab(g.screen);
    EXPECT_TRUE(f.All(Rect(50, 50, 100, 100), FramePixel(kBackdrop), &where)) << where;
    EXPECT_TRUE(f.All(Rect(200, 200, 220, 210), FramePixel(kBackdrop), &where)) << where;
    EXPECT_EQ(f.At(199, 199), 0u);

    // Code 0 lifts the clip; code 2 paints a rectangle black and keeps it out of later captures.
    EXPECT_EQ(g.screen->Control(ScreenWin::kClipNone, 0), 0);
    EXPECT_EQ(ControlRect(g.screen, ScreenWin::kClipBlackOut, Rect(120, 130, 140, 150)), 0);
    f = Grab(g.screen);
    EXPECT_TRUE(f.All(Rect(20, 30, 40, 50), 0, &where)) << where;
    EXPECT_TRUE(f.All(Rect(40, 0, 400, 300), FramePixel(kBackdrop), &where)) << where;

    // Unknown codes change nothing and answer 1; code 8 answers 1 without a process list.
    POINT p = {10, 10};
    EXPECT_EQ(g.screen->Control(9, 0), 1);
    EXPECT_EQ(g.screen->Control(-1, 0), 1);
    EXPECT_EQ(g.screen->Control(ScreenWin::kIsRecordedPoint, (INT_PTR)&p), 1);
    f = Grab(g.screen);
    EXPECT_TRUE(f.All(Rect(20, 30, 40, 50), 0, &where)) << where;
}

TEST_F(ScreenWinTest, LayeredWindowsContributeOnlyTheirPartInsideTheArea)
{
    HiddenCursor hidden;
    const RECT area = Rect(200, 150, 600, 450);
    // Partly left of and above the area, wholly outside it, and inside it.
    ColourWindow partly(Rect(150, 120, 250, 200), kBlue, 255);
    ColourWindow outside(Rect(700, 500, 800, 600), kRose, 255);
    ColourWindow inside(Rect(550, 400, 650, 500), kGreen, 200);
    ASSERT_TRUE(ScreenShows(160, 130, kBlue));
    ASSERT_TRUE(ScreenShows(710, 510, kRose));
    Sleep(200);

    Grabber g(&area);
    Frame f = Grab(g.screen);
    std::string where;
    EXPECT_TRUE(f.All(Rect(0, 0, 50, 50), FramePixel(kBlue), &where)) << where;
    EXPECT_TRUE(f.All(Rect(50, 0, 350, 50), FramePixel(kBackdrop), &where)) << where;
    EXPECT_TRUE(f.All(Rect(0, 50, 350, 250), FramePixel(kBackdrop), &where)) << where;
    // The half-transparent window is blended with what lies under it, cut at the area's edge.
    uint32_t blended = f.At(370, 270);
    EXPECT_NE(blended, FramePixel(kBackdrop));
    EXPECT_TRUE(f.All(Rect(350, 250, 400, 300), blended, &where)) << where;
}

TEST_F(ScreenWinTest, ApplicationModeCopiesOnlyTheListedProcessesWindows)
{
    HiddenCursor hidden;
    HelperWindow helper(Rect(100, 100, 400, 300), FramePixel(kRose));
    ASSERT_NE(helper.Id(), 0u);
    ASSERT_TRUE(ScreenShows(150, 150, kRose));
    // The test's own window lies over part of the helper's.
    ColourWindow own(Rect(300, 200, 600, 400), kBlue);
    ASSERT_TRUE(ScreenShows(350, 250, kBlue));
    std::string where;

    {
        const DWORD list[] = {12345, helper.Id(), 0};
        Grabber g(NULL, list);
        Frame f = Grab(g.screen);
        // The helper's window, less what the unlisted window above it covers.
        EXPECT_TRUE(f.All(Rect(100, 100, 400, 200), FramePixel(kRose), &where)) << where;
        EXPECT_TRUE(f.All(Rect(100, 200, 300, 300), FramePixel(kRose), &where)) << where;
        EXPECT_TRUE(f.All(Rect(300, 200, 600, 400), 0, &where)) << where;
        // The backdrop belongs to the test too.
        EXPECT_TRUE(f.All(Rect(0, 0, 1280, 100), 0, &where)) << where;
        EXPECT_TRUE(f.All(Rect(600, 0, 1280, 720), 0, &where)) << where;

        POINT onHelper = {150, 150}, onOwn = {350, 250};
        EXPECT_EQ(g.screen->Control(ScreenWin::kIsRecordedPoint, (INT_PTR)&onHelper), 1);
        EXPECT_EQ(g.screen->Control(ScreenWin::kIsRecordedPoint, (INT_PTR)&onOwn), 0);
        // Clip codes do nothing in application mode, and no clip survives a capture.
        EXPECT_EQ(ControlRect(g.screen, ScreenWin::kClipBlackOut, Rect(100, 100, 200, 200)), 0);
        EXPECT_EQ(ControlRect(g.screen, ScreenWin::kClipAdd, Rect(0, 0, 10, 10)), 0);
        f = Grab(g.screen);
        EXPECT_TRUE(f.All(Rect(100, 100, 400, 200), FramePixel(kRose), &where)) << where;
    }
    {
        const DWORD list[] = {GetCurrentProcessId(), 0};
        Grabber g(NULL, list);
        Frame f = Grab(g.screen);
        EXPECT_TRUE(f.All(Rect(300, 200, 600, 400), FramePixel(kBlue), &where)) << where;
        EXPECT_TRUE(f.All(Rect(100, 100, 300, 200), 0, &where)) << where;
        EXPECT_TRUE(f.All(Rect(600, 0, 1280, 720), FramePixel(kBackdrop), &where)) << where;
    }
    {
        // Only the terminator: every visible window is black.
        const DWORD list[] = {0};
        Grabber g(NULL, list);
        Frame f = Grab(g.screen);
        EXPECT_TRUE(f.All(Rect(0, 0, 1280, 720), 0, &where)) << where;
    }
    {
        // An excluded window is skipped: the window below it is copied through it from the screen.
        const DWORD list[] = {GetCurrentProcessId(), 0};
        Grabber g(NULL, list);
        ColourWindow above(Rect(700, 300, 800, 400), kGreen);
        ASSERT_TRUE(ScreenShows(750, 350, kGreen));
        Frame f = Grab(g.screen);
        EXPECT_TRUE(f.All(Rect(700, 300, 800, 400), FramePixel(kGreen), &where)) << where;
        const DWORD helperOnly[] = {helper.Id(), 0};
        g.screen->Control(ScreenWin::kSetProcesses, (INT_PTR)helperOnly);
        f = Grab(g.screen);
        EXPECT_TRUE(f.All(Rect(700, 300, 800, 400), 0, &where)) << where;
        g.screen->Control(ScreenWin::kExcludeWindow2, (INT_PTR)above.Handle());
        g.screen->Control(ScreenWin::kExcludeWindow1, (INT_PTR)own.Handle());
        g.screen->Control(ScreenWin::kSetProcesses, (INT_PTR)list);
        f = Grab(g.screen);
        // The backdrop (listed) shows its own pixels, and the green window through it.
        EXPECT_TRUE(f.All(Rect(700, 300, 800, 400), FramePixel(kGreen), &where)) << where;
        EXPECT_TRUE(f.All(Rect(400, 300, 600, 400), FramePixel(kBlue), &where)) << where;
    }
}

TEST_F(ScreenWinTest, ReopeningDropsTheProcessList)
{
    HiddenCursor hidden;
    const DWORD list[] = {0};
    Grabber g(NULL, list);
    Frame f = Grab(g.screen);
    EXPECT_EQ(f.At(640, 360), 0u);
    ASSERT_TRUE(g.screen->Open(0, NULL, 0, NULL));
    g.screen->Control(ScreenWin::kClipNone, 0);
    f = Grab(g.screen);
    EXPECT_EQ(f.At(640, 360), FramePixel(kBackdrop));
}

namespace {

// Records what the grabber shows it, and draws a square into every frame.
class Listener : public IScreenFrameListener {
public:
    void OnFrame(HDC frame) override
    {
        ++calls;
        seenCursor = g_lastCursor.ptScreenPos;
        RECT r = square;
        HBRUSH brush = CreateSolidBrush(kGreen);
        FillRect(frame, &r, brush);
        DeleteObject(brush);
    }
    int calls = 0;
    POINT seenCursor = {};
    RECT square = {0, 0, 0, 0};
};

// The cursor as DrawIconEx puts it onto the colour at (x, y) of a 64 x 64 field.
Frame ReferenceCursor(HCURSOR cursor, COLORREF under, int x, int y)
{
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = 64;
    bi.bmiHeader.biHeight = -64;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = NULL;
    HDC dc = CreateCompatibleDC(NULL);
    HBITMAP dib = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, NULL, 0);
    HGDIOBJ old = SelectObject(dc, dib);
    HBRUSH brush = CreateSolidBrush(under);
    RECT all = {0, 0, 64, 64};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    DrawIconEx(dc, x, y, cursor, 0, 0, 0, NULL, DI_NORMAL);
    GdiFlush();
    Frame f;
    f.width = f.height = 64;
    f.pixels.assign((uint32_t*)bits, (uint32_t*)bits + 64 * 64);
    SelectObject(dc, old);
    DeleteObject(dib);
    DeleteDC(dc);
    return f;
}

} // namespace

TEST_F(ScreenWinTest, ListenerDrawsBeforeTheCursorAndSeesThePreviousCursor)
{
    const RECT area = Rect(200, 100, 700, 500);
    Listener listener;
    listener.square = Rect(40, 40, 80, 80);
    Grabber g(&area, NULL, &listener);

    // The cursor rests on the listener's square, at screen (250, 150) = frame (50, 50).
    // The cross's hotspot is its centre, so the hotspot correction shows.
    SetCursorPos(250, 150);
    PumpMessages(200);
    SetCursor(LoadCursorW(NULL, IDC_CROSS));
    CURSORINFO info = {};
    info.cbSize = sizeof(CURSORINFO);
    ASSERT_TRUE(GetCursorInfo(&info));
    ASSERT_EQ(info.flags, (DWORD)CURSOR_SHOWING);
    ASSERT_NE(info.hCursor, nullptr);

    Frame f = Grab(g.screen);
    EXPECT_EQ(listener.calls, 1);
    ICONINFO icon;
    ASSERT_TRUE(GetIconInfo(info.hCursor, &icon));
    if (icon.hbmColor)
        DeleteObject(icon.hbmColor);
    if (icon.hbmMask)
        DeleteObject(icon.hbmMask);
    EXPECT_GT(icon.xHotspot, 0u);
    // Compare the 64 x 64 field around the cursor with DrawIconEx onto the square's green, with the
    // hotspot at (16, 16) of the field.
    Frame expected = ReferenceCursor(info.hCursor, kGreen, 16 - (int)icon.xHotspot, 16 - (int)icon.yHotspot);
    int differing = 0, cursorPixels = 0;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            int fx = 50 - 16 + x, fy = 50 - 16 + y;
            uint32_t want = expected.At(x, y);
            uint32_t under = (fx >= 40 && fx < 80 && fy >= 40 && fy < 80) ? FramePixel(kGreen) : FramePixel(kBackdrop);
            if (want != FramePixel(kGreen)) {
                ++cursorPixels;
                if (f.At(fx, fy) != want)
                    ++differing;
            } else if (f.At(fx, fy) != under) {
                ++differing;
            }
        }
    }
    EXPECT_GT(cursorPixels, 20) << "the reference shows no cursor";
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(g_lastCursor.ptScreenPos.x, 250);
    EXPECT_EQ(g_lastCursor.ptScreenPos.y, 150);

    // The listener reads the cursor of the capture before.
    SetCursorPos(600, 400);
    PumpMessages(100);
    Grab(g.screen);
    EXPECT_EQ(listener.calls, 2);
    EXPECT_EQ(listener.seenCursor.x, 250);
    EXPECT_EQ(listener.seenCursor.y, 150);
    EXPECT_EQ(g_lastCursor.ptScreenPos.x, 600);
}

TEST_F(ScreenWinTest, HiddenCursorIsNotDrawnAndTheMarginKeepsWhatTheListenerDrew)
{
    // 1000 x 700 gives a 1008 x 704 frame; the listener draws into the margin once.
    const RECT area = Rect(10, 10, 1010, 710);
    Listener listener;
    listener.square = Rect(995, 690, 1008, 704);
    Grabber g(&area, NULL, &listener);
    SetCursorPos(500, 300);
    PumpMessages(100);
    Frame withCursor = Grab(g.screen);
    std::string where;
    EXPECT_FALSE(withCursor.All(Rect(490, 290, 530, 330), FramePixel(kBackdrop))) << "no cursor drawn";
    EXPECT_TRUE(withCursor.All(Rect(1000, 700, 1008, 704), FramePixel(kGreen), &where)) << where;

    HiddenCursor hidden;
    CURSORINFO info = {};
    info.cbSize = sizeof(CURSORINFO);
    GetCursorInfo(&info);
    EXPECT_EQ(info.flags, 0u);
    listener.square = Rect(0, 0, 0, 0);
    Frame f = Grab(g.screen);
    EXPECT_TRUE(f.All(Rect(0, 0, 1000, 700), FramePixel(kBackdrop), &where)) << where;
    // No capture refreshes the margin: the square drawn there before is still there.
    EXPECT_TRUE(f.All(Rect(1000, 700, 1008, 704), FramePixel(kGreen), &where)) << where;
    EXPECT_TRUE(f.All(Rect(1000, 0, 1008, 690), 0, &where)) << where;
}

TEST_F(ScreenWinTest, CaptureToCopiesAPlainFrame)
{
    const RECT area = Rect(100, 100, 400, 300);
    Listener listener;
    listener.square = Rect(0, 0, 20, 20);
    Grabber g(&area, NULL, &listener);
    ColourWindow layered(Rect(150, 150, 200, 200), kRose, 255);
    ASSERT_TRUE(ScreenShows(160, 160, kRose));
    SetCursorPos(120, 120);
    PumpMessages(100);
    ScreenFormat format;
    ASSERT_TRUE(g.screen->GetFormat(&format));
    std::vector<uint32_t> buffer(format.width * format.height + 16, 0xDEADBEEF);
    EXPECT_EQ(g.screen->CaptureTo(buffer.data()), format.width * format.height * 4);
    EXPECT_EQ(buffer[format.width * format.height], 0xDEADBEEFu);
    EXPECT_EQ(listener.calls, 0);
    Frame f;
    f.width = format.width;
    f.height = format.height;
    f.pixels = buffer;
    std::string where;
    // No cursor at (20, 20), no listener square; the layered window is on the screen all the same.
    EXPECT_TRUE(f.All(Rect(0, 0, 50, 50), FramePixel(kBackdrop), &where)) << where;
    EXPECT_TRUE(f.All(Rect(50, 50, 100, 100), FramePixel(kRose), &where)) << where;
}
