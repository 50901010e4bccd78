// The recording toolbar started directly on the main dialog inside the test process, driven with
// real mouse and keyboard input, its recordings read back with ffprobe and ffmpeg.
#include <gtest/gtest.h>
#include <atomic>
#include <memory>
#include <string>
#include "app/morvale_dlg.h"
#include "app/resource.h"
#include "foundation/text_convert.h"
#include "overlay/time_font.h"
#include "overlay/wnd_tool.h"
#include "tests/engine/media_probe.h"
#include "tests/support/host.h"
#include "tests/support/screen_pixels.h"
#include "tests/support/user_input.h"
#include "tests/support/waiting.h"

namespace {

const wchar_t kToolClass[] = L"VORNRecorderTool";

std::wstring SettingsBesideTest() { return TMorvaleDlg::SettingsPath().Text(); }

std::wstring ItemText(HWND dialog, int id) { return WindowTextOf(GetDlgItem(dialog, id)); }

HWND ToolbarWindow() { return FindWindowW(kToolClass, kToolClass); }

class Toolbar : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteFileW(SettingsBesideTest().c_str());
        owner.reset(new TMorvaleDlg);
        dialog = owner.get();
        ASSERT_TRUE(dialog->Create(IDD_MAIN));
        ShowWindow(dialog->Handle(), SW_SHOW);
        PumpFor(200);
    }
    void TearDown() override
    {
        if (HWND bar = ToolbarWindow())
            DestroyWindow(bar);
        dialog->DestroyWindow();
        PumpFor(100);
        owner.reset();
        DeleteFileW(SettingsBesideTest().c_str());
    }
    HWND DialogWindow() const { return dialog->Handle(); }
    // Starts a toolbar recording to unixPath; false when it did not come up.
    bool StartToolbar(const std::string& unixPath, int device, const DWORD* processes = nullptr)
    {
        TAudioSettings settings = {device, 1, 44100};
        std::string windowsPath = WindowsPath(unixPath);
        startedAt = GetTickCount();
        tool = new CWndTool(windowsPath.c_str(), &settings, dialog, 15, 70);
        if (!tool->Start(processes))
            return false;
        return ToolbarWindow() != nullptr;
    }
    void ClickToolButton(int id)
    {
        HWND button = GetDlgItem(ToolbarWindow(), id);
        POINT c = CenterOf(button);
        Click(c.x, c.y);
    }

    std::unique_ptr<TMorvaleDlg> owner;
    TMorvaleDlg* dialog = nullptr;
    CWndTool* tool = nullptr; // deletes itself
    DWORD startedAt = 0;
};

} // namespace

TEST_F(Toolbar, EntireScreenSlidesTicksAndEndsWithTheSavedReport)
{
    std::string dir = NewTempDir("entire");
    std::string file = dir + "/clip.flv";
    RECT d = {0, 0, 0, 0};
    if (DialogWindow())
        GetWindowRect(DialogWindow(), &d);
    ASSERT_TRUE(StartToolbar(file, -1));
    HWND bar = ToolbarWindow();
    EXPECT_FALSE(IsWindowVisible(DialogWindow()));
    EXPECT_EQ(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
              GetWindowLongW(bar, GWL_EXSTYLE) & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE));

    // The slide ends ten equal steps from the dialog's centre, up to 9 pixels short of
    // (screen width - 100, 40).
    int w = GetSystemMetrics(SM_CXSCREEN);
    int x0 = (d.left + d.right - 100) / 2, y0 = (d.top + d.bottom - 74) / 2;
    RECT r;
    GetWindowRect(bar, &r);
    EXPECT_EQ(x0 + 10 * ((w - x0 - 100) / 10), r.left);
    EXPECT_EQ(y0 + 10 * ((40 - y0) / 10), r.top);
    EXPECT_LE(abs(r.left - (w - 100)), 9);
    EXPECT_LE(abs(r.top - 40), 9);
    EXPECT_EQ(60, r.right - r.left);
    EXPECT_EQ(74, r.bottom - r.top);

    // The first tick shows 00:00:00 beside a blank icon area, the second 00:00:01 and the icon
    // (the red dot of a recording with sound).
    const RECT time = {18, 15, 59, 33}, iconArea = {1, 15, 17, 33};
    // The whole time is on the screen: drawn without the area's edge, it ends inside the area.
    EXPECT_LT(LastDarkColumn(RenderTime(L"00:00:00 ", ToolTimeFont(), 100), 100), time.right - time.left);
    ASSERT_TRUE(PumpUntil([&] { return tool->Seconds() == 1; }, 5000));
    EXPECT_EQ(RenderTime(L"00:00:00 ", ToolTimeFont()), ScreenClientArea(bar, time));
    EXPECT_EQ(0, CountNear(ScreenClientArea(bar, iconArea), RGB(224, 0, 0), 40));
    ASSERT_TRUE(PumpUntil([&] { return tool->Seconds() == 2; }, 5000));
    EXPECT_EQ(RenderTime(L"00:00:01 ", ToolTimeFont()), ScreenClientArea(bar, time));
    EXPECT_GT(CountNear(ScreenClientArea(bar, iconArea), RGB(224, 0, 0), 40), 20);
    ASSERT_TRUE(PumpUntil([&] { return tool->Seconds() == 4; }, 5000));

    unsigned seconds = 0;
    AsUser([&] {
        seconds = tool->Seconds();
        ClickToolButton(ID_TOOL_END);
        WaitUntil([] { return ToolbarWindow() == nullptr; }, 15000);
    }, 90000);
    double elapsed = (GetTickCount() - startedAt) / 1000.0;
    ASSERT_EQ(nullptr, ToolbarWindow());
    EXPECT_TRUE(IsWindowVisible(DialogWindow()));
    std::wstring path = WindowsPathW(file);
    EXPECT_EQ(L"The video has been saved to", ItemText(DialogWindow(), IDC_STATUS_TITLE));
    EXPECT_EQ(path, ItemText(DialogWindow(), IDC_STATUS_PATH));
    EXPECT_EQ(L"You may conintue to record a new video or close this window to exit program.",
              ItemText(DialogWindow(), IDC_STATUS_TEXT));
    EXPECT_EQ(WindowsPathW(dir) + L"\\clip1.flv", ItemText(DialogWindow(), IDC_OUTPUT_PATH));
    EXPECT_FALSE(dialog->errorFlag);

    std::vector<ProbedStream> video = ProbeStreams(file, "v");
    ASSERT_EQ(1u, video.size());
    EXPECT_EQ("h264", video[0].codec);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), video[0].width);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), video[0].height);
    std::vector<ProbedPacket> packets = ProbePackets(file, "v");
    ASSERT_FALSE(packets.empty());
    EXPECT_GE(packets.back().pts, seconds - 1.5);
    EXPECT_LE(packets.back().pts, elapsed + 0.5);
    EXPECT_EQ("", DecodeErrors(file));
    std::vector<ProbedStream> audio = ProbeStreams(file, "a");
    ASSERT_EQ(1u, audio.size());
    EXPECT_EQ("aac", audio[0].codec);
    DecodedSound sound = DecodeSound(file, 44100);
    ASSERT_GT(sound.samples.size(), 44100u);
    EXPECT_NEAR(440, DominantFrequency(sound.samples, sound.samples.size() / 2 - 22050, sound.samples.size() / 2, 44100), 6);
}

TEST_F(Toolbar, PauseStandsTheTimeStillAndBlinksPaused)
{
    std::string file = NewTempDir("pause") + "/paused.flv";
    ASSERT_TRUE(StartToolbar(file, -2));
    HWND bar = ToolbarWindow();
    ASSERT_TRUE(PumpUntil([&] { return tool->Seconds() == 2; }, 5000));
    // Without sound the blinking icon is the crossed-out microphone (it has red in it, too).
    EXPECT_GT(CountNear(ScreenClientArea(bar, {1, 15, 17, 33}), RGB(224, 0, 0), 40), 3);

    unsigned before = 0;
    int blinkBefore = 0;
    AsUser([&] {
        ClickToolButton(ID_TOOL_PAUSE);
        WaitUntil([&] { return tool->Worker().m_bPaused != 0; }, 5000);
        before = tool->Seconds();
        blinkBefore = CWndTool::s_nBlink;
    }, 90000);
    ASSERT_TRUE(tool->Worker().m_bPaused);
    EXPECT_EQ(BST_CHECKED, SendMessageW(GetDlgItem(bar, ID_TOOL_PAUSE), BM_GETCHECK, 0, 0));
    // Two paused ticks: one blank, one "Paused" (dark text pixels), in the order the process-wide
    // counter gives.
    int darkAt[2] = {-1, -1};
    for (int i = 0; i < 2; ++i) {
        int target = blinkBefore + i + 1;
        ASSERT_TRUE(PumpUntil([&] { return CWndTool::s_nBlink == target; }, 5000));
        darkAt[(target - 1) % 2] = CountNear(ScreenClientArea(bar, {1, 15, 59, 33}), RGB(0, 0, 0), 60);
    }
    EXPECT_EQ(0, darkAt[0]);  // an even counter blanks the strip
    EXPECT_GT(darkAt[1], 20); // an odd one writes "Paused"
    EXPECT_EQ(before, tool->Seconds());

    AsUser([&] {
        ClickToolButton(ID_TOOL_PAUSE);
        WaitUntil([&] { return tool->Worker().m_bPaused == 0; }, 5000);
    }, 90000);
    EXPECT_EQ(BST_UNCHECKED, SendMessageW(GetDlgItem(bar, ID_TOOL_PAUSE), BM_GETCHECK, 0, 0));
    ASSERT_TRUE(PumpUntil([&] { return tool->Seconds() >= before + 2; }, 5000));
    unsigned running = tool->Seconds();
    AsUser([&] {
        ClickToolButton(ID_TOOL_END);
        WaitUntil([] { return ToolbarWindow() == nullptr; }, 15000);
    }, 90000);
    double elapsed = (GetTickCount() - startedAt) / 1000.0;
    std::vector<ProbedPacket> packets = ProbePackets(file, "v");
    ASSERT_FALSE(packets.empty());
    // The timeline leaves out the pause: it stops short of the time that passed.
    EXPECT_GE(packets.back().pts, running - 1.5);
    EXPECT_LE(packets.back().pts, elapsed - 1.5);
    EXPECT_TRUE(ProbeStreams(file, "a").empty());
    EXPECT_EQ("", DecodeErrors(file));
}

TEST_F(Toolbar, DrawOpensTheVeilAndEscFromAnyWindowEndsIt)
{
    std::string file = NewTempDir("draw") + "/draw.flv";
    ASSERT_TRUE(StartToolbar(file, -2));
    HWND bar = ToolbarWindow();
    HWND draw = GetDlgItem(bar, ID_TOOL_DRAW);
    HWND canvas = nullptr;
    int strokes = -1;
    AsUser([&] {
        // A width from the menu and a colour from the popup reach the canvas.
        POINT left = ClientToScreenPoint(draw, 8, 9);
        Click(left.x, left.y);
        HWND menuWindow = WaitForWindow(L"#32768", nullptr, 5000);
        if (menuWindow) {
            HMENU menu = (HMENU)SendMessageW(menuWindow, MN_GETHMENU, 0, 0);
            RECT item;
            GetMenuItemRect(nullptr, menu, 11, &item); // "14 px"
            MouseMove(item.left + 10, (item.top + item.bottom) / 2);
            Click(item.left + 10, (item.top + item.bottom) / 2);
        }
        WaitUntil([&] { return tool->Canvas().m_nLineWidth == 14; }, 5000);

        POINT middle = ClientToScreenPoint(draw, 27, 9);
        Sleep(300);
        Click(middle.x, middle.y);
        canvas = WaitForWindow(L"TCanvas", nullptr, 5000);
        if (!canvas)
            return;
        Drag(300, 300, 600, 320);
        WaitUntil([&] { return tool->Canvas().StrokeCount() == 1; }, 5000);
        strokes = tool->Canvas().StrokeCount();
        PressKey(VK_ESCAPE);
        WaitUntil([&] { return !IsWindow(canvas); }, 5000);
    }, 90000);
    ASSERT_TRUE(canvas);
    EXPECT_EQ(14, tool->Canvas().m_nLineWidth);
    EXPECT_EQ(1, strokes);
    EXPECT_FALSE(IsWindow(canvas));
    EXPECT_EQ(0, tool->Canvas().StrokeCount()); // drawing off clears the lines
    EXPECT_EQ(BST_UNCHECKED, SendMessageW(draw, BM_GETCHECK, 0, 0));
    // Esc is free again for every program.
    EXPECT_TRUE(RegisterHotKey(nullptr, 77, 0, VK_ESCAPE));
    UnregisterHotKey(nullptr, 77);
    AsUser([&] {
        ClickToolButton(ID_TOOL_END);
        WaitUntil([] { return ToolbarWindow() == nullptr; }, 15000);
    }, 90000);
    EXPECT_FALSE(ProbePackets(file, "v").empty());
}

TEST_F(Toolbar, WriteErrorEndsInRedWithThePath)
{
    ASSERT_TRUE(StartToolbar("/dev/full", -2));
    ASSERT_TRUE(PumpUntil([] { return ToolbarWindow() == nullptr; }, 20000));
    EXPECT_TRUE(IsWindowVisible(DialogWindow()));
    EXPECT_TRUE(dialog->errorFlag);
    EXPECT_EQ(L"", ItemText(DialogWindow(), IDC_STATUS_TITLE));
    EXPECT_EQ(L"Z:\\dev\\full", ItemText(DialogWindow(), IDC_STATUS_PATH));
    EXPECT_EQ(L"can't be written", ItemText(DialogWindow(), IDC_STATUS_TEXT));
}

TEST_F(Toolbar, FailedStartShowsTheErrorCodeInRed)
{
    // No wave-input device 99: the microphone cannot be opened.
    std::string file = NewTempDir("failed") + "/failed.flv";
    TAudioSettings settings = {99, 1, 44100};
    std::string windowsPath = WindowsPath(file);
    ASSERT_TRUE((new CWndTool(windowsPath.c_str(), &settings, dialog, 15, 70))->Start(nullptr));
    EXPECT_EQ(nullptr, ToolbarWindow());
    EXPECT_TRUE(IsWindowVisible(DialogWindow()));
    EXPECT_TRUE(dialog->errorFlag);
    EXPECT_EQ(L"", ItemText(DialogWindow(), IDC_STATUS_TITLE));
    EXPECT_EQ(L"", ItemText(DialogWindow(), IDC_STATUS_PATH));
    std::wstring text = ItemText(DialogWindow(), IDC_STATUS_TEXT);
    std::wstring prefix = L"Can't start recording, please check the settings for  micphone in this dialog . err=0x";
    ASSERT_EQ(prefix, text.substr(0, prefix.size()));
    std::wstring code = text.substr(prefix.size());
    ASSERT_FALSE(code.empty());
    EXPECT_EQ(std::wstring::npos, code.find_first_not_of(L"0123456789ABCDEF"));
    EXPECT_NE(L'0', code[0]);
    EXPECT_EQ(L'8', code[0]); // a wave-input code carries bit 31
}

TEST_F(Toolbar, AreaRecordingBlinksCornerMarksAndRecordsTheRectangle)
{
    std::string file = NewTempDir("area") + "/area.flv";
    dialog->regionMode = 1;
    // Away from the dialog (at the top left) and the toolbar (at the top right).
    RECT area = {700, 300, 1030, 550};
    *dialog->CaptureRect() = area;
    // Something on the screen there that paints itself again when the desktop is repainted.
    HWND below = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 650, 250, 430, 350, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    PumpFor(200);
    auto corner = [&] {
        HDC screen = GetDC(nullptr);
        COLORREF c = GetPixel(screen, area.left - 1, area.top + 10);
        ReleaseDC(nullptr, screen);
        return c;
    };
    ASSERT_TRUE(StartToolbar(file, -2));
    COLORREF before = corner();
    ASSERT_TRUE(PumpUntil([&] { return tool->Seconds() == 1; }, 5000));
    COLORREF marked = corner();
    ASSERT_TRUE(PumpUntil([&] { return tool->Seconds() == 2; }, 5000));
    COLORREF again = corner();
    ASSERT_TRUE(PumpUntil([&] { return tool->Seconds() == 3; }, 5000));
    COLORREF left = corner();
    EXPECT_EQ(before ^ 0xFFFF00, marked);
    EXPECT_EQ(before, again);
    EXPECT_EQ(marked, left);
    AsUser([&] {
        ClickToolButton(ID_TOOL_END);
        WaitUntil([] { return ToolbarWindow() == nullptr; }, 15000);
    }, 90000);
    // The desktop repaint at the end takes away the marks that were left.
    EXPECT_TRUE(PumpUntil([&] { return corner() == before; }, 5000));
    DestroyWindow(below);
    std::vector<ProbedStream> video = ProbeStreams(file, "v");
    ASSERT_EQ(1u, video.size());
    EXPECT_EQ(336, video[0].width);  // 330 rounded up to 16
    EXPECT_EQ(256, video[0].height); // 250 rounded up to 16
}

// Index of window in the z-order of the top-level windows (0 is the top), or -1.
static int ZOrder(HWND window)
{
    int i = 0;
    for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT), ++i)
        if (w == window)
            return i;
    return -1;
}

TEST_F(Toolbar, WatermarkLetsTheMouseThroughAndStaysOnTopWhileRecording)
{
    ASSERT_TRUE(dialog->watermarkWindow.Create());
    HWND watermark = dialog->watermarkWindow.Handle();
    EXPECT_FALSE(GetWindowLongW(watermark, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
    std::string file = NewTempDir("watermark") + "/watermark.flv";
    ASSERT_TRUE(StartToolbar(file, -2));
    HWND bar = ToolbarWindow();
    EXPECT_TRUE(GetWindowLongW(watermark, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
    ASSERT_TRUE(PumpUntil([&] { return tool->Seconds() == 1; }, 5000));
    EXPECT_LT(ZOrder(watermark), ZOrder(bar)); // lifted above the toolbar by the tick
    AsUser([&] {
        ClickToolButton(ID_TOOL_END);
        WaitUntil([] { return ToolbarWindow() == nullptr; }, 15000);
    }, 90000);
    EXPECT_FALSE(GetWindowLongW(watermark, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
}
