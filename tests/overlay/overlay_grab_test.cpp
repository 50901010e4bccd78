// The watermark and the drawn strokes reach a whole-screen recording only through the screen
// grab; while the canvas exists, presses leave no click markers in the frames.
#include <gtest/gtest.h>
#include <string>

#include "app/bitmap_ex.h"
#include "engine/worker.h"
#include "overlay/wnd_canvas.h"
#include "overlay/wnd_watermark.h"
#include "tests/engine/colour_window.h"
#include "tests/engine/media_probe.h"
#include "tests/overlay/overlay_test_support.h"
#include "tests/support/host.h"
#include "tests/support/screen_pixels.h"
#include "tests/support/user_input.h"
#include "tests/support/waiting.h"

namespace {

const COLORREF kDesk = RGB(0x20, 0x40, 0x60);
const COLORREF kToolbar = RGB(0x00, 0xC8, 0x00);

// The recording's luma of a screen colour (full range, as the converter makes it).
int Luma(COLORREF c)
{
    return (int)(0.299 * GetRValue(c)) + (int)(0.587 * GetGValue(c)) + (int)(0.114 * GetBValue(c));
}

} // namespace

TEST(OverlayGrab, RecordingShowsTheWatermarkAndStrokesAndNoClickMarkersWhileDrawing)
{
    ColourWindow desk(Rect(0, 0, 1280, 720), kDesk);
    ASSERT_TRUE(ScreenShows(640, 360, kDesk));

    // A watermark: key-coloured left half, yellow right half.
    std::string picturePath = NewTempDir("grab") + "/mark.bmp";
    HostResult made = RunHost("/usr/bin/convert -size 100x60 xc:'#FF00FF' -fill '#F0C030' "
                              "-draw 'rectangle 50,0 99,59' BMP3:" + ShellQuote(picturePath));
    ASSERT_EQ(made.exitCode, 0) << made.output;
    TxBitmapEx picture;
    ASSERT_TRUE(picture.Load(WindowsPathW(picturePath).c_str()));
    CWndWatermark watermark;
    ASSERT_TRUE(watermark.Create());
    SetWindowPos(watermark, nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    watermark.SetPicture(picture.bitmap, 255);
    ASSERT_TRUE(ScreenShows(180, 130, RGB(0xF0, 0xC0, 0x30)));

    TestToolbar toolbar(Rect(1000, 600, 1200, 680), kToolbar);
    CWndCanvas canvas;
    ASSERT_TRUE(canvas.Create(&toolbar));
    InvalidateRect(canvas, nullptr, TRUE);
    ASSERT_TRUE(ScreenShows(1100, 640, kToolbar));
    canvas.m_crLineColor = RGB(0, 0, 255);
    canvas.m_nLineWidth = 9;
    WithInput([] { DragThrough({300, 400}, {{400, 400}, {500, 400}, {600, 400}}); });
    ASSERT_EQ(canvas.StrokeCount(), 1);
    // The watermark was there first; the toolbar lifts it above the veil while recording.
    SetWindowPos(watermark, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    PumpFor(300);
    const COLORREF markShown = ScreenPixel(180, 130), strokeShown = ScreenPixel(450, 400),
                   veilShown = ScreenPixel(800, 300);
    ASSERT_NE(strokeShown, veilShown);

    std::string file = NewTempDir("grab-record") + "/record.flv";
    {
        TWorker worker;
        worker.m_nFps = 10;
        worker.m_nQuality = 80;
        worker.m_pCanvas = canvas.HandleAddress();
        TRefString<char> path;
        path.Assign(WindowsPath(file).c_str());
        const TAudioSettings noSound = {-2, 2, 44100};
        ASSERT_TRUE(worker.Start(path, &noSound, nullptr, nullptr));
        // The left button held on the veil for most of the recording.
        WithInput([] {
            MouseMoveAndWait(800, 300);
            LeftDown();
            Sleep(2000);
            LeftUp();
            MouseMoveAndWait(1279, 719);
        });
        PumpFor(300);
        EXPECT_TRUE(worker.Stop());
    }
    ASSERT_EQ(canvas.StrokeCount(), 1) << "a press without movement adds no stroke";

    std::vector<ProbedPacket> frames = ProbePackets(file, "v");
    ASSERT_GE(frames.size(), 10u);
    for (int index : {3, (int)frames.size() / 2}) {
        YuvFrame f = DecodeFrame(file, index, 1280, 720);
        ASSERT_EQ(f.width, 1280);
        EXPECT_NEAR(f.Y(180, 130), Luma(markShown), 6) << "watermark, frame " << index;
        EXPECT_NEAR(f.Y(120, 130), Luma(ScreenPixel(120, 130)), 6) << "watermark key, frame " << index;
        EXPECT_NEAR(f.Y(450, 400), Luma(strokeShown), 6) << "stroke, frame " << index;
        EXPECT_GT(f.U(450, 400), 180) << "the blue stroke, frame " << index;
        // A marker would ring the cursor at (800, 300) with a 3-pixel red or blue circle.
        for (POINT p : {POINT{785, 300}, POINT{815, 300}, POINT{800, 285}, POINT{800, 315}, POINT{790, 290}})
            for (int d = -3; d <= 3; ++d)
                EXPECT_NEAR(f.Y(p.x + d, p.y), Luma(veilShown), 6)
                    << "marker at " << p.x + d << "," << p.y << ", frame " << index;
    }
}
