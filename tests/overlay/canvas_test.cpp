// The annotation canvas on the test display: the veil, strokes drawn with the real mouse, and the
// toolbar's area left clear and clickable.
#include "overlay/wnd_canvas.h"

#include <gtest/gtest.h>

#include "app/resource.h"
#include "tests/engine/colour_window.h"
#include "tests/overlay/overlay_test_support.h"
#include "tests/support/screen_pixels.h"
#include "tests/support/user_input.h"
#include "tests/support/waiting.h"

namespace {

const COLORREF kDesk = RGB(0x20, 0x40, 0x60);
const COLORREF kToolbar = RGB(0x00, 0xC8, 0x00);
const COLORREF kTeal = RGB(0, 128, 128);
const RECT kToolbarRect = {1000, 600, 1200, 680};

class Canvas : public ::testing::Test {
protected:
    void SetUp() override
    {
        desk = new ColourWindow(Rect(0, 0, 1280, 720), kDesk);
        ASSERT_TRUE(ScreenShows(640, 360, kDesk));
        // How this display shows the canvas's alpha: white for the veil and each ink.
        veil = ShownAtAlpha(Rect(100, 500, 200, 600), RGB(255, 255, 255), 100);
        toolbar = new TestToolbar(kToolbarRect, kToolbar);
        ASSERT_TRUE(ScreenShows(1100, 640, kToolbar));
        ASSERT_TRUE(canvas.Create(toolbar));
        InvalidateRect(canvas, nullptr, TRUE);
        // Painted once the toolbar shows through its black area again.
        ASSERT_TRUE(ScreenShows(640, 360, veil, 2));
        ASSERT_TRUE(ScreenShows(1100, 640, kToolbar));
        PumpFor(100);
    }
    void TearDown() override
    {
        canvas.DestroyWindow();
        delete toolbar;
        delete desk;
        PumpFor(100);
    }

    COLORREF Ink(COLORREF colour) { return ShownAtAlpha(Rect(100, 500, 200, 600), colour, 100); }
    // Once the veil is over the probe's place again.
    void Settle() { ASSERT_TRUE(ScreenShows(150, 550, veil, 2)); }

    ColourWindow* desk = nullptr;
    TestToolbar* toolbar = nullptr;
    CWndCanvas canvas;
    COLORREF veil = 0;
};

bool Veiled(int x, int y, COLORREF veil)
{
    return Near(ScreenPixel(x, y), veil, 2);
}

} // namespace

TEST_F(Canvas, VeilsThePrimaryScreenWithTheRedHintAtTheTopAndLeavesTheToolbarClear)
{
    RECT r;
    GetWindowRect(canvas, &r);
    const RECT screen = Rect(0, 0, 1280, 720);
    EXPECT_TRUE(EqualRect(&r, &screen));
    EXPECT_EQ(GetWindowLongW(canvas, GWL_EXSTYLE) & 0x08080008, 0x08080008);
    wchar_t name[64] = L"", title[64] = L"";
    GetClassNameW(canvas, name, 64);
    GetWindowTextW(canvas, title, 64);
    EXPECT_STREQ(name, L"TCanvas");
    EXPECT_STREQ(title, L"TCanvas");
    for (POINT p : {POINT{5, 5}, POINT{640, 360}, POINT{1275, 715}, POINT{990, 640}, POINT{1100, 590}})
        EXPECT_TRUE(Veiled(p.x, p.y, veil)) << p.x << "," << p.y;
    for (POINT p : {POINT{1000, 600}, POINT{1100, 640}, POINT{1199, 679}})
        EXPECT_EQ(ScreenPixel(p.x, p.y), kToolbar) << p.x << "," << p.y;
    // The hint: red text on the top lines, centred.
    int red = 0, leftOfCentre = 0, rightOfCentre = 0;
    const std::vector<COLORREF> top = ScreenArea(Rect(0, 0, 1280, 16));
    ASSERT_EQ(top.size(), 1280u * 16);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 1280; ++x) {
            COLORREF c = top[y * 1280 + x];
            if (GetRValue(c) > 200 && GetGValue(c) < 180 && GetRValue(c) - GetGValue(c) > 40) {
                ++red;
                (x < 640 ? leftOfCentre : rightOfCentre)++;
                EXPECT_GT(x, 300);
                EXPECT_LT(x, 980);
            }
        }
    }
    EXPECT_GT(red, 100);
    EXPECT_NEAR(leftOfCentre, rightOfCentre, red / 3);
}

TEST_F(Canvas, AStrokeDrawnWithTheMouseShowsInItsColour)
{
    const COLORREF teal = Ink(kTeal);
    Settle();
    WithInput([] { DragThrough({300, 300}, {{340, 300}, {380, 302}, {420, 304}}); });
    ASSERT_EQ(canvas.StrokeCount(), 1);
    EXPECT_EQ(canvas.CurrentStroke(), nullptr);
    const AnnotObj* s = canvas.Stroke(0);
    EXPECT_EQ(s->style, (5u << 24) | kTeal);
    ASSERT_EQ(s->points.count, 4u);
    EXPECT_EQ(s->points.data[0].x, 300);
    EXPECT_EQ(s->points.data[3].x, 420);
    EXPECT_EQ(s->points.data[3].y, 304);
    for (int x : {310, 360, 400})
        EXPECT_TRUE(Near(ScreenPixel(x, 301), teal, 2)) << x << ": " << std::hex << ScreenPixel(x, 301);
    // Five pixels wide, no more.
    EXPECT_TRUE(Veiled(360, 296, veil));
    EXPECT_TRUE(Veiled(360, 306, veil));
    EXPECT_TRUE(Veiled(290, 300, veil));
    EXPECT_TRUE(Veiled(430, 304, veil));

    // A repaint draws the finished stroke again.
    InvalidateRect(canvas, nullptr, TRUE);
    PumpFor(300);
    EXPECT_TRUE(ScreenShows(360, 301, teal, 2));

    // The cursor over the canvas is the pencil, 32 x 32 with its tip at (8, 24).
    CURSORINFO cursor = {};
    cursor.cbSize = sizeof cursor;
    ASSERT_TRUE(GetCursorInfo(&cursor));
    HCURSOR pencil = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_PENCIL));
    ASSERT_NE(pencil, nullptr);
    EXPECT_EQ(cursor.hCursor, pencil);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(pencil, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 8u);
    EXPECT_EQ(info.yHotspot, 24u);
    BITMAP mask = {};
    GetObjectW(info.hbmMask, sizeof mask, &mask);
    EXPECT_EQ(mask.bmWidth, 32);
    EXPECT_EQ(mask.bmHeight, 64); // monochrome: the AND and XOR masks stacked
    EXPECT_EQ(info.hbmColor, nullptr);
    DeleteObject(info.hbmMask);
}

TEST_F(Canvas, JitterAndClicksWithoutMovementLeaveNoStroke)
{
    WithInput([] {
        DragThrough({300, 300}, {{303, 300}, {303, 303}, {300, 297}, {297, 302}, {301, 299}});
        MouseMoveAndWait(500, 400);
        LeftDown();
        LeftUp();
        DragThrough({600, 400}, {{603, 397}});
    });
    EXPECT_EQ(canvas.StrokeCount(), 0);
    EXPECT_EQ(canvas.CurrentStroke(), nullptr);
    for (POINT p : {POINT{300, 300}, POINT{302, 302}, POINT{298, 298}, POINT{500, 400}, POINT{601, 399}})
        EXPECT_TRUE(Veiled(p.x, p.y, veil)) << p.x << "," << p.y;

    // Jitter within a stroke adds no point: the next move is measured from the same last point.
    WithInput([] { DragThrough({300, 500}, {{302, 502}, {303, 497}, {304, 500}}); });
    ASSERT_EQ(canvas.StrokeCount(), 1);
    ASSERT_EQ(canvas.Stroke(0)->points.count, 2u);
    EXPECT_EQ(canvas.Stroke(0)->points.data[1].x, 304);
    EXPECT_EQ(canvas.Stroke(0)->points.data[1].y, 500);
}

TEST_F(Canvas, ALaterColourOrWidthAppliesToTheNextStrokeOnlyAndBlackStaysVisible)
{
    const COLORREF teal = Ink(kTeal), blue = Ink(RGB(0, 0, 255)), nearBlack = Ink(RGB(1, 1, 1));
    Settle();
    WithInput([] { DragThrough({200, 200}, {{260, 200}, {320, 200}}); });
    canvas.m_crLineColor = RGB(0, 0, 255);
    canvas.m_nLineWidth = 15;
    WithInput([] { DragThrough({200, 300}, {{260, 300}, {320, 300}}); });
    canvas.m_crLineColor = RGB(0, 0, 0);
    canvas.m_nLineWidth = 3;
    WithInput([] { DragThrough({200, 400}, {{260, 400}, {320, 400}}); });
    ASSERT_EQ(canvas.StrokeCount(), 3);
    EXPECT_EQ(canvas.Stroke(0)->style, (5u << 24) | kTeal);
    EXPECT_EQ(canvas.Stroke(1)->style, (15u << 24) | RGB(0, 0, 255));
    EXPECT_EQ(canvas.Stroke(2)->style, 3u << 24);

    EXPECT_TRUE(Near(ScreenPixel(260, 200), teal, 2));
    EXPECT_TRUE(Veiled(260, 205, veil));
    EXPECT_TRUE(Near(ScreenPixel(260, 300), blue, 2));
    EXPECT_TRUE(Near(ScreenPixel(260, 306), blue, 2));
    EXPECT_TRUE(Veiled(260, 310, veil));
    // Black is the colour key: a black stroke is drawn as RGB(1, 1, 1) and does not vanish.
    EXPECT_TRUE(Near(ScreenPixel(260, 400), nearBlack, 2)) << std::hex << ScreenPixel(260, 400);
    EXPECT_FALSE(Near(ScreenPixel(260, 400), kDesk, 8));

    // Everything repainted keeps each stroke's own colour and width.
    InvalidateRect(canvas, nullptr, TRUE);
    PumpFor(300);
    EXPECT_TRUE(ScreenShows(260, 200, teal, 2));
    EXPECT_TRUE(Veiled(260, 205, veil));
    EXPECT_TRUE(ScreenShows(260, 306, blue, 2));
    EXPECT_TRUE(ScreenShows(260, 400, nearBlack, 2));
}

// The canvas is moved down so the pointer can leave it on this one-screen display.
TEST_F(Canvas, LeavingTheCanvasEndsTheStrokeAtItsLastPoint)
{
    const COLORREF teal = Ink(kTeal);
    SetWindowPos(canvas, nullptr, 0, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(canvas, nullptr, TRUE);
    ASSERT_TRUE(ScreenShows(640, 50, kDesk));
    WithInput([] {
        MouseMoveAndWait(500, 300);
        LeftDown();
        MouseMoveAndWait(540, 300);
        MouseMoveAndWait(580, 50);
        MouseMoveAndWait(640, 300);
        MouseMoveAndWait(700, 300);
        LeftUp();
    });
    ASSERT_EQ(canvas.StrokeCount(), 1);
    EXPECT_EQ(canvas.CurrentStroke(), nullptr);
    const AnnotObj* s = canvas.Stroke(0);
    ASSERT_EQ(s->points.count, 2u);
    EXPECT_EQ(s->points.data[1].x, 540);
    EXPECT_EQ(s->points.data[1].y, 200); // client coordinates
    EXPECT_TRUE(Near(ScreenPixel(520, 300), teal, 2));
    EXPECT_TRUE(Veiled(620, 300, veil));
    EXPECT_TRUE(Veiled(680, 300, veil));
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Canvas, TheToolbarStaysClickableAndClearRepaintsTheBareVeil)
{
    const COLORREF teal = Ink(kTeal);
    Settle();
    // The toolbar keeps itself above the veil, as the recording toolbar does.
    SetWindowPos(*toolbar, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    WithInput([] {
        DragThrough({300, 300}, {{400, 300}});
        MouseMoveAndWait(1100, 640);
        LeftDown();
        LeftUp();
    });
    EXPECT_TRUE(PumpUntil([&] { return toolbar->presses == 1; })) << toolbar->presses;
    ASSERT_EQ(canvas.StrokeCount(), 1);
    ASSERT_TRUE(Near(ScreenPixel(350, 300), teal, 2));

    // Keys sent to the canvas do nothing.
    SendMessageW(canvas, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(IsWindow(canvas));
    EXPECT_EQ(canvas.StrokeCount(), 1);

    // What the toolbar does when drawing mode ends.
    canvas.Clear();
    EXPECT_EQ(canvas.StrokeCount(), 0);
    HDC dc = GetDC(canvas);
    EXPECT_TRUE(canvas.OnEraseBkgnd(dc));
    ReleaseDC(canvas, dc);
    EXPECT_TRUE(ScreenShows(350, 300, veil, 2));
    EXPECT_EQ(ScreenPixel(1100, 640), kToolbar);
}
