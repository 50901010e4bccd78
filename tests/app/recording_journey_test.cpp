// Recording from the real Morvale.exe as a user does it, under Wine on the test screen with the
// test microphone: the three ways to start, the toolbar's time, pause and drawing, the names and
// the overwrite answers, and the failures; every recording read back with ffprobe and ffmpeg.
#include <gtest/gtest.h>
#include <algorithm>
#include <string>
#include <vector>
#include "app/resource.h"
#include "overlay/time_font.h"
#include "tests/app/morvale_exe_support.h"
#include "tests/engine/media_probe.h"
#include "tests/support/host.h"
#include "tests/support/morvale_process.h"
#include "tests/support/noise_window.h"
#include "tests/support/screen_pixels.h"
#include "tests/support/user_input.h"
#include "tests/support/waiting.h"

namespace {

const DWORD kStartMs = 60000;
const COLORREF kGreen = RGB(34, 177, 76);
const COLORREF kRed = RGB(255, 0, 0);

HWND Item(HWND dialog, int id) { return GetDlgItem(dialog, id); }

// The toolbar of the program, once it is visible.
HWND WaitForToolbar(MorvaleProcess& app, DWORD ms = 20000)
{
    return app.WaitForWindow([](HWND w) { return ClassName(w) == L"VORNRecorderTool"; }, ms);
}

// Replaces the output box's text by typing, as a user does.
void TypeOutput(HWND main, const std::wstring& text)
{
    ClickWindow(Item(main, IDC_OUTPUT_PATH));
    PressKey('A', VK_CONTROL);
    PressKey(VK_DELETE);
    TypeText(text);
    WaitUntil([&] { return ControlText(Item(main, IDC_OUTPUT_PATH)) == text; }, 5000);
}

const RECT kTimeArea = {18, 15, 59, 33};
const RECT kStrip = {1, 15, 59, 33};

bool StripReads(HWND toolbar, const wchar_t* text, DWORD ms)
{
    std::vector<COLORREF> expected = RenderTime(text, ToolTimeFont());
    return WaitUntil([&] { return ScreenClientArea(toolbar, kTimeArea) == expected; }, ms, 20);
}

int DarkPixels(const std::vector<COLORREF>& pixels)
{
    int n = 0;
    for (COLORREF c : pixels)
        n += GetRValue(c) < 80 && GetGValue(c) < 80 && GetBValue(c) < 80;
    return n;
}

// Ends the recording with the toolbar's End and waits for the dialog.
void EndRecording(MorvaleProcess& app, HWND toolbar)
{
    ClickWindow(GetDlgItem(toolbar, ID_TOOL_END));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(toolbar); }, 20000));
    ASSERT_TRUE(app.WaitForMainWindow(20000));
}

RECT StatusRect(HWND main)
{
    RECT a, b;
    GetWindowRect(Item(main, IDC_STATUS_TITLE), &a);
    GetWindowRect(Item(main, IDC_STATUS_TEXT), &b);
    return {a.left, a.top, b.right, b.bottom};
}

std::string Container(const std::string& file)
{
    HostResult r = RunHost("ffprobe -v error -show_entries format=format_name -of csv=p=0 " + ShellQuote(file));
    std::string out = r.output;
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}

bool HostFileExists(const std::string& file) { return RunHost("test -f " + ShellQuote(file)).exitCode == 0; }

// Waits a moment and tells whether the program made a toolbar (it must not have).
bool ToolbarAppears(MorvaleProcess& app, DWORD ms = 2500) { return WaitForToolbar(app, ms) != nullptr; }

struct Morvale {
    std::string dir;
    MorvaleProcess app;
    HWND main = nullptr;
    explicit Morvale(const std::string& name) : dir(NewTempDir(name)), app(dir) {}
    bool Start()
    {
        if (!app.Start())
            return false;
        main = app.WaitForMainWindow(kStartMs);
        return main && BringToFront(main);
    }
    std::wstring Path(const std::string& file) const { return app.WindowsFolder() + L"\\" + Widen(file); }
};

} // namespace

TEST(RecordingJourney, EntireScreenWithEnterPauseDrawingAndEnd)
{
    Morvale m("entire");
    ASSERT_TRUE(m.Start());
    TypeOutput(m.main, m.Path("clip"));
    ASSERT_TRUE(BringToFront(m.main));
    PressKey(VK_RETURN);
    DWORD started = GetTickCount();
    HWND toolbar = WaitForToolbar(m.app);
    ASSERT_TRUE(toolbar);
    EXPECT_FALSE(IsWindowVisible(m.main));
    EXPECT_EQ(m.Path("clip.flv"), ControlText(Item(m.main, IDC_OUTPUT_PATH))); // ".flv" added

    // The slide ends near (screen width - 100, 40).
    RECT r = {};
    WaitUntil([&] {
        RECT now;
        GetWindowRect(toolbar, &now);
        bool still = EqualRect(&now, &r);
        r = now;
        return still;
    }, 5000, 100);
    EXPECT_LE(abs(r.left - (GetSystemMetrics(SM_CXSCREEN) - 100)), 9);
    EXPECT_LE(abs(r.top - 40), 9);

    ASSERT_TRUE(StripReads(toolbar, L"00:00:00 ", 5000));
    ASSERT_TRUE(StripReads(toolbar, L"00:00:01 ", 5000));
    ASSERT_TRUE(StripReads(toolbar, L"00:00:02 ", 5000));

    // Pause: the time stands still while "Paused" blinks; then it goes on.
    ClickWindow(GetDlgItem(toolbar, ID_TOOL_PAUSE));
    DWORD pausedAt = GetTickCount();
    int blank = 0, paused = 0, later = 0;
    // The tick already under way when the click comes may still count on; after the first
    // "Paused" the time stands.
    std::vector<COLORREF> three = RenderTime(L"00:00:03 ", ToolTimeFont()), four = RenderTime(L"00:00:04 ", ToolTimeFont());
    WaitUntil([&] {
        std::vector<COLORREF> strip = ScreenClientArea(toolbar, kStrip);
        std::vector<COLORREF> time = ScreenClientArea(toolbar, kTimeArea);
        int dark = DarkPixels(strip);
        blank += dark == 0;
        paused += dark > 20 && time != three && time != four && DarkPixels(ScreenClientArea(toolbar, {1, 15, 17, 33})) > 0;
        later += paused > 0 && (time == three || time == four);
        return false;
    }, 3500, 50);
    EXPECT_GT(blank, 0);
    EXPECT_GT(paused, 0);
    EXPECT_EQ(0, later);
    ClickWindow(GetDlgItem(toolbar, ID_TOOL_PAUSE));
    DWORD pauseMs = GetTickCount() - pausedAt;
    EXPECT_TRUE(StripReads(toolbar, L"00:00:04 ", 6000));

    // Drawing in red: the veil comes, a line is drawn, Esc ends it.
    HWND draw = GetDlgItem(toolbar, ID_TOOL_DRAW);
    ClickAt(ClientToScreenPoint(draw, 46, 9));
    HWND popup = m.app.WaitForWindow([](HWND w) { return ClassName(w) == L"FwColourPopup"; }, 5000);
    ASSERT_TRUE(popup);
    ClickAt(ClientToScreenPoint(popup, 4 + 9, 4 + 2 * 18 + 9)); // red, the first of the third row
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(popup); }, 5000));
    Sleep(300);
    ClickAt(ClientToScreenPoint(draw, 27, 9));
    HWND canvas = m.app.WaitForWindow([](HWND w) { return ClassName(w) == L"TCanvas"; }, 5000);
    ASSERT_TRUE(canvas);
    DragCursor({300, 420}, {700, 420});
    Sleep(2000);
    {
        // Esc pressed in a window of another program ends the drawing.
        HWND other = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"Another program", WS_POPUP | WS_VISIBLE,
                                     20, 600, 200, 60, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        BringToFront(other);
        PressKey(VK_ESCAPE);
        EXPECT_TRUE(WaitUntil([&] {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
            return !IsWindow(canvas);
        }, 5000));
        DestroyWindow(other);
    }
    ASSERT_FALSE(IsWindow(canvas));
    Sleep(2000);

    double running = (GetTickCount() - started - pauseMs) / 1000.0;
    DWORD endClick = GetTickCount();
    EndRecording(m.app, toolbar);
    // Stopping waits for the recording thread, which ends within its frame period.
    EXPECT_LT(GetTickCount() - endClick, 5000u);
    EXPECT_EQ(L"The video has been saved to", ControlText(Item(m.main, IDC_STATUS_TITLE)));
    EXPECT_EQ(m.Path("clip.flv"), ControlText(Item(m.main, IDC_STATUS_PATH)));
    EXPECT_EQ(L"You may conintue to record a new video or close this window to exit program.",
              ControlText(Item(m.main, IDC_STATUS_TEXT)));
    EXPECT_EQ(m.Path("clip1.flv"), ControlText(Item(m.main, IDC_OUTPUT_PATH)));
    EXPECT_TRUE(WaitUntil([&] { return CountScreenPixels(StatusRect(m.main), kGreen, 10) > 20; }, 5000));

    std::string file = m.dir + "/clip.flv";
    std::vector<ProbedStream> video = ProbeStreams(file, "v");
    ASSERT_EQ(1u, video.size());
    EXPECT_EQ(1280, video[0].width);
    EXPECT_EQ(720, video[0].height);
    std::vector<ProbedPacket> packets = ProbePackets(file, "v");
    ASSERT_FALSE(packets.empty());
    // The timeline leaves the pause out and goes on where it stood: no longer than the running
    // time (the start of the recording takes a moment of its own), and without a jump.
    EXPECT_LE(packets.back().pts, running + 0.5);
    EXPECT_GE(packets.back().pts, running - 3.5);
    double gap = 0;
    for (size_t i = 1; i < packets.size(); ++i)
        gap = std::max(gap, packets[i].pts - packets[i - 1].pts);
    EXPECT_LT(gap, 1.0);
    EXPECT_EQ("", DecodeErrors(file));
    std::vector<ProbedStream> audio = ProbeStreams(file, "a");
    ASSERT_EQ(1u, audio.size());
    DecodedSound sound = DecodeSound(file, 44100);
    ASSERT_GT(sound.samples.size(), 44100u);
    size_t mid = sound.samples.size() / 2;
    EXPECT_NEAR(440, DominantFrequency(sound.samples, mid - 22050, mid, 44100), 6);

    // The line is in the frames recorded while drawing, and gone from the last ones (recorded
    // well after Esc): a column of pixels across it, from every frame, in one ffmpeg run.
    std::string column = m.dir + "/column.rgb";
    HostResult cut = RunHost("ffmpeg -v error -i " + ShellQuote(file) +
                             " -vf crop=2:42:500:380 -f rawvideo -pix_fmt rgb24 -y " + ShellQuote(column));
    ASSERT_EQ(0, cut.exitCode) << cut.output;
    std::string bytes = ReadHostFile(column);
    const size_t frameBytes = 2 * 42 * 3;
    size_t frames = bytes.size() / frameBytes;
    ASSERT_GT(frames, 10u);
    auto redAt = [&](size_t frame) {
        const unsigned char* p = (const unsigned char*)bytes.data() + frame * frameBytes;
        const unsigned char* off = p;          // y 380: beside the line
        const unsigned char* on = p + 40 * 2 * 3; // y 420: on it
        // The veil dims everything; the line is reddish where the pixels beside it are grey.
        auto reddish = [](const unsigned char* rgb) { return rgb[0] > rgb[1] + 40 && rgb[0] > rgb[2] + 40; };
        return reddish(on) && !reddish(off);
    };
    size_t redFrames = 0;
    for (size_t i = 0; i < frames; ++i)
        redFrames += redAt(i);
    EXPECT_GT(redFrames, 0u);
    for (size_t i = frames - 3; i < frames; ++i)
        EXPECT_FALSE(redAt(i)) << "frame " << i << " of " << frames;
    EXPECT_TRUE(m.app.CloseMainWindow());
}

TEST(RecordingJourney, AreaNamesAndTheOverwriteAnswers)
{
    Morvale m("area");
    // No sound, and a capture rectangle whose size is no multiple of 16.
    WriteHostFile(m.dir + "/morvale.ini",
                  "[Main]\r\nphone = 0\r\nregion.left = 300\r\nregion.top = 100\r\n"
                  "region.right = 630\r\nregion.bottom = 350\r\n");
    ASSERT_TRUE(m.Start());

    // Selected Area cancelled with Esc: nothing is recorded and the dialog is back in front.
    TypeOutput(m.main, m.Path("clip.TS"));
    ClickWindow(Item(m.main, IDC_SELECTED_AREA));
    HWND selector = m.app.WaitForWindow([](HWND w) { return ClassName(w) == L"TRegion"; }, 10000);
    ASSERT_TRUE(selector);
    EXPECT_FALSE(IsWindowVisible(m.main));
    WaitUntil([&] { return GetForegroundWindow() == selector; }, 5000);
    Sleep(300);
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(m.main) != FALSE; }, 10000));
    EXPECT_FALSE(ToolbarAppears(m.app, 1000));
    EXPECT_FALSE(HostFileExists(m.dir + "/clip.TS"));

    // Selected Area: the panel dragged 50 to the right and 20 down, then Enter.
    ClickWindow(Item(m.main, IDC_SELECTED_AREA));
    selector = m.app.WaitForWindow([](HWND w) { return ClassName(w) == L"TRegion"; }, 10000);
    ASSERT_TRUE(selector);
    Sleep(300);
    DragCursor({465, 225}, {515, 245});
    Sleep(300);
    PressKey(VK_RETURN);
    HWND toolbar = WaitForToolbar(m.app);
    ASSERT_TRUE(toolbar);
    // The corner marks blink: the screen beside the top-left corner changes from tick to tick.
    const RECT area = {350, 120, 680, 370};
    std::vector<COLORREF> seen;
    WaitUntil([&] {
        HDC screen = GetDC(nullptr);
        COLORREF c = GetPixel(screen, area.left - 1, area.top + 10);
        ReleaseDC(nullptr, screen);
        if (seen.empty() || seen.back() != c)
            seen.push_back(c);
        return seen.size() >= 3;
    }, 5000, 50);
    EXPECT_GE(seen.size(), 3u);
    // Without sound the blinking icon is the crossed-out microphone.
    EXPECT_TRUE(WaitUntil([&] { return
                                       DarkPixels(ScreenClientArea(toolbar, {1, 15, 17, 33})) > 0; }, 3000, 50));
    Sleep(1000);
    EndRecording(m.app, toolbar);
    std::string first = m.dir + "/clip.TS";
    EXPECT_EQ("mpegts", Container(first));
    std::vector<ProbedStream> video = ProbeStreams(first, "v");
    ASSERT_EQ(1u, video.size());
    EXPECT_EQ(336, video[0].width);  // 330 rounded up to 16
    EXPECT_EQ(256, video[0].height); // 250 rounded up to 16
    EXPECT_TRUE(ProbeStreams(first, "a").empty());
    EXPECT_EQ("", DecodeErrors(first));

    // The name is taken now: Keep records to the proposed name and leaves the file alone.
    std::string before = ReadHostFile(first);
    TypeOutput(m.main, m.Path("clip.TS"));
    ASSERT_TRUE(BringToFront(m.main));
    PressKey(VK_RETURN);
    HWND confirm = m.app.WaitForWindow([](HWND w) { return WindowText(w) == L"Confirm"; }, 10000);
    ASSERT_TRUE(confirm);
    EXPECT_EQ(m.Path("clip1.TS"), ControlText(GetDlgItem(confirm, IDC_NEW_NAME)));
    ClickWindow(GetDlgItem(confirm, IDC_KEEP));
    toolbar = WaitForToolbar(m.app);
    ASSERT_TRUE(toolbar);
    Sleep(2000);
    EndRecording(m.app, toolbar);
    EXPECT_EQ(before, ReadHostFile(first));
    EXPECT_EQ("mpegts", Container(m.dir + "/clip1.TS"));
    video = ProbeStreams(m.dir + "/clip1.TS", "v");
    ASSERT_EQ(1u, video.size());
    EXPECT_EQ(1280, video[0].width); // Enter records the entire screen

    // Overwrite replaces the file.
    TypeOutput(m.main, m.Path("clip.TS"));
    ASSERT_TRUE(BringToFront(m.main));
    PressKey(VK_RETURN);
    confirm = m.app.WaitForWindow([](HWND w) { return WindowText(w) == L"Confirm"; }, 10000);
    ASSERT_TRUE(confirm);
    ClickWindow(GetDlgItem(confirm, IDC_OVERWRITE));
    toolbar = WaitForToolbar(m.app);
    ASSERT_TRUE(toolbar);
    Sleep(2000);
    EndRecording(m.app, toolbar);
    video = ProbeStreams(first, "v");
    ASSERT_EQ(1u, video.size());
    EXPECT_EQ(1280, video[0].width);

    // Cancel records nothing.
    TypeOutput(m.main, m.Path("clip.TS"));
    ASSERT_TRUE(BringToFront(m.main));
    PressKey(VK_RETURN);
    confirm = m.app.WaitForWindow([](HWND w) { return WindowText(w) == L"Confirm"; }, 10000);
    ASSERT_TRUE(confirm);
    ClickWindow(GetDlgItem(confirm, IDCANCEL));
    EXPECT_FALSE(ToolbarAppears(m.app));
    EXPECT_TRUE(IsWindowVisible(m.main));
    EXPECT_FALSE(HostFileExists(m.dir + "/clip2.TS"));
    EXPECT_TRUE(m.app.CloseMainWindow());
}

TEST(RecordingJourney, ApplicationsAreRecordedWithEverythingElseBlack)
{
    Morvale m("apps");
    WriteHostFile(m.dir + "/morvale.ini", "[Main]\r\nphone = 0\r\n");
    // A window of another process, white, at (700, 100) 300 x 120.
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring helper = exe;
    helper = helper.substr(0, helper.find_last_of(L'\\') + 1) + L"app_window_helper.exe";
    std::wstring command = L"\"" + helper + L"\" \"Journey App\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessW(helper.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    struct Ender {
        PROCESS_INFORMATION& p;
        ~Ender()
        {
            TerminateProcess(p.hProcess, 0);
            WaitForSingleObject(p.hProcess, 5000);
            CloseHandle(p.hProcess);
            CloseHandle(p.hThread);
        }
    } ender{pi};
    ASSERT_TRUE(WaitUntil([] { return FindWindowW(nullptr, L"Journey App") != nullptr; }, 15000));

    ASSERT_TRUE(m.Start());
    TypeOutput(m.main, m.Path("apps.flv"));

    // Cancel, and Enter with nothing picked, start nothing.
    ClickWindow(Item(m.main, IDC_SELECTED_APPS));
    HWND chooser = m.app.WaitForWindow([](HWND w) { return WindowText(w) == L"Choose Application"; }, 10000);
    ASSERT_TRUE(chooser);
    EXPECT_TRUE(IsWindowVisible(m.main)); // the chooser does not hide the dialog
    PressKey(VK_RETURN);
    Sleep(500);
    EXPECT_TRUE(IsWindow(chooser));
    ClickWindow(GetDlgItem(chooser, IDCANCEL));
    EXPECT_FALSE(ToolbarAppears(m.app));
    EXPECT_TRUE(IsWindowVisible(m.main));

    // The helper's window picked and started.
    ClickWindow(Item(m.main, IDC_SELECTED_APPS));
    chooser = m.app.WaitForWindow([](HWND w) { return WindowText(w) == L"Choose Application"; }, 10000);
    ASSERT_TRUE(chooser);
    HWND list = GetDlgItem(chooser, IDC_APP_LIST);
    int row = -1, rows = (int)SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < rows; ++i) {
        wchar_t text[256] = L"";
        SendMessageW(list, LB_GETTEXT, i, (LPARAM)text);
        if (std::wstring(text) == L"Journey App")
            row = i;
    }
    ASSERT_GE(row, 0);
    RECT item;
    SendMessageW(list, LB_GETITEMRECT, row, (LPARAM)&item);
    ClickAt(ClientToScreenPoint(list, item.left + 100, (item.top + item.bottom) / 2));
    ClickWindow(GetDlgItem(chooser, IDOK));
    HWND toolbar = WaitForToolbar(m.app);
    ASSERT_TRUE(toolbar);
    Sleep(2500);
    EndRecording(m.app, toolbar);

    std::string file = m.dir + "/apps.flv";
    std::vector<ProbedPacket> packets = ProbePackets(file, "v");
    ASSERT_GT(packets.size(), 4u);
    YuvFrame f = DecodeFrame(file, (int)packets.size() - 3, 1280, 720);
    ASSERT_FALSE(f.bytes.empty());
    EXPECT_GT(f.Y(850, 180), 200);  // the helper's white window
    EXPECT_LT(f.Y(100, 600), 30);   // the rest of the screen is black
    EXPECT_LT(f.Y(GetSystemMetrics(SM_CXSCREEN) - 70, 70), 30); // the program's own toolbar too
    EXPECT_TRUE(m.app.CloseMainWindow());
}

TEST(RecordingJourney, AFileThatCannotBeWrittenIsReportedInRedAndTheNextRecordingWorks)
{
    Morvale m("failures");
    WriteHostFile(m.dir + "/morvale.ini", "[Main]\r\nphone = 0\r\n");
    ASSERT_TRUE(m.Start());
    TypeOutput(m.main, L"Z:\\dev\\full\\clip.flv");
    ASSERT_TRUE(BringToFront(m.main));
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return ControlText(Item(m.main, IDC_STATUS_TEXT)) == L"can't be written"; }, 20000));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(m.main) != FALSE; }, 10000));
    EXPECT_EQ(L"", ControlText(Item(m.main, IDC_STATUS_TITLE)));
    EXPECT_EQ(L"Z:\\dev\\full\\clip.flv", ControlText(Item(m.main, IDC_STATUS_PATH)));
    EXPECT_TRUE(WaitUntil([&] { return CountScreenPixels(StatusRect(m.main), kRed, 10) > 20; }, 5000));

    TypeOutput(m.main, m.Path("after.flv"));
    ASSERT_TRUE(BringToFront(m.main));
    PressKey(VK_RETURN);
    HWND toolbar = WaitForToolbar(m.app);
    ASSERT_TRUE(toolbar);
    Sleep(2000);
    EndRecording(m.app, toolbar);
    EXPECT_EQ(L"The video has been saved to", ControlText(Item(m.main, IDC_STATUS_TITLE)));
    EXPECT_TRUE(WaitUntil([&] { return CountScreenPixels(StatusRect(m.main), kGreen, 10) > 20; }, 5000));
    EXPECT_EQ(1u, ProbeStreams(m.dir + "/after.flv", "v").size());
    EXPECT_TRUE(m.app.CloseMainWindow());
}

// A disk that fills while the recording is paused, so that the writes of the stop fail: End
// reports the file in red as a write error and not as saved; the file keeps what went in whole,
// its last picture the last one on the disk, and reads to its end; the next recording works.
TEST(RecordingJourney, EndOnADiskThatFilledReportsTheFileInRedAndLeavesItWhole)
{
    Morvale m("fullend");
    SmallDisk disk("fullend-disk", 16384);
    ASSERT_TRUE(disk.Mounted());
    // Large pictures: the last ones cannot slip into what the full disk leaves of a page.
    NoiseWindow noise({100, 100, 356, 356});
    ASSERT_TRUE(noise.Shown());
    ASSERT_TRUE(m.Start());
    const std::string file = disk.Dir() + "/clip.flv";
    TypeOutput(m.main, WindowsPathW(file));
    ASSERT_TRUE(BringToFront(m.main));
    PressKey(VK_RETURN);
    HWND toolbar = WaitForToolbar(m.app);
    ASSERT_TRUE(toolbar);
    const DWORD started = GetTickCount();
    ASSERT_TRUE(StripReads(toolbar, L"00:00:04 ", 10000));
    ClickWindow(GetDlgItem(toolbar, ID_TOOL_PAUSE));
    const double pausedAfter = (GetTickCount() - started) / 1000.0;
    // Paused, the program writes nothing: the file stops growing.
    std::string before;
    ASSERT_TRUE(WaitUntil([&] {
        std::string now = ReadHostFile(file);
        bool still = !now.empty() && now.size() == before.size();
        before = now;
        return still;
    }, 15000, 1000));
    ASSERT_TRUE(disk.Fill());
    EndRecording(m.app, toolbar);

    EXPECT_EQ(L"", ControlText(Item(m.main, IDC_STATUS_TITLE)));
    EXPECT_EQ(WindowsPathW(file), ControlText(Item(m.main, IDC_STATUS_PATH)));
    EXPECT_EQ(L"can't be written", ControlText(Item(m.main, IDC_STATUS_TEXT)));
    EXPECT_TRUE(WaitUntil([&] { return CountScreenPixels(StatusRect(m.main), kRed, 10) > 20; }, 5000));
    EXPECT_EQ(0, CountScreenPixels(StatusRect(m.main), kGreen, 10));

    // Everything that was on the disk when the writing stopped is there, as it was. The writer
    // keeps a tag's 4-byte PreviousTagSize back until its next write, so a tag whose body is on
    // the disk counts as written.
    const std::string after = ReadHostFile(file);
    std::string written = before;
    const size_t lastStart = FlvTagEnds(before).back();
    const size_t tagSize = FlvTagSize(before, lastStart);
    if (tagSize && before.size() == lastStart + tagSize)
        written += {char(tagSize >> 24), char(tagSize >> 16), char(tagSize >> 8), char(tagSize)};
    const std::vector<size_t> ends = FlvTagEnds(written);
    ASSERT_GT(ends.size(), 4u);
    const size_t whole = ends.back();
    ASSERT_GE(after.size(), whole);
    EXPECT_LE(after.size(), before.size() + 4096) << "more went in than the disk had room for";
    std::string expected = before.substr(0, std::min(whole, before.size()));
    expected.replace(52, 9, after.substr(52, 9)); // the duration, patched at the end
    EXPECT_TRUE(after.compare(0, expected.size(), expected) == 0) << "what was on the disk changed";
    EXPECT_TRUE(FlvEndsOnAWholeTag(file));
    EXPECT_EQ("", DecodeErrors(file));
    // Its last picture is where the writing stopped: the last on the disk at the pause, or one
    // after it that fitted into what the disk had left (a picture of an unchanged screen is small).
    const std::string onDisk = m.dir + "/on-disk.flv";
    ASSERT_TRUE(WriteHostFile(onDisk, written.substr(0, whole)));
    std::vector<ProbedPacket> was = ProbePackets(onDisk, "v"), is = ProbePackets(file, "v");
    printf("[ figures  ] at the pause %zu bytes on the disk, %zu pictures, the last at %.3f s; the file holds %zu "
           "bytes, %zu pictures, the last at %.3f s\n",
           before.size(), was.size(), was.empty() ? 0.0 : was.back().pts, after.size(), is.size(),
           is.empty() ? 0.0 : is.back().pts);
    ASSERT_FALSE(was.empty());
    ASSERT_GE(is.size(), was.size());
    EXPECT_EQ(is[was.size() - 1].pts, was.back().pts);
    EXPECT_LE(is.back().pts, pausedAfter) << "a picture from after the pause";

    TypeOutput(m.main, m.Path("after.flv"));
    ASSERT_TRUE(BringToFront(m.main));
    PressKey(VK_RETURN);
    toolbar = WaitForToolbar(m.app);
    ASSERT_TRUE(toolbar);
    ASSERT_TRUE(StripReads(toolbar, L"00:00:02 ", 10000));
    EndRecording(m.app, toolbar);
    EXPECT_EQ(L"The video has been saved to", ControlText(Item(m.main, IDC_STATUS_TITLE)));
    EXPECT_TRUE(WaitUntil([&] { return CountScreenPixels(StatusRect(m.main), kGreen, 10) > 20; }, 5000));
    EXPECT_FALSE(ProbePackets(m.dir + "/after.flv", "v").empty());
    EXPECT_EQ("", DecodeErrors(m.dir + "/after.flv"));
    EXPECT_TRUE(m.app.CloseMainWindow());
}

namespace {

// A network share \\server\share of the test's Wine prefix: Wine serves it from
// dosdevices/unc/server/share, here a link to folder. Gone again with the object.
class WineShare {
public:
    WineShare(const std::string& serverName, const std::string& shareName, const std::string& folder)
        : server("${WINEPREFIX:-$MORVALE_BUILD_DIR/wine/gui}/dosdevices/unc/" + serverName)
    {
        made = RunHost("mkdir -p \"" + server + "\" && ln -sfn " + ShellQuote(folder) + " \"" + server + "/" +
                       shareName + "\"").exitCode == 0;
    }
    ~WineShare() { RunHost("rm -rf \"" + server + "\""); }
    bool made;

private:
    std::string server; // for the shell, which expands the prefix
};

} // namespace

// A recording to a network path keeps the path's two leading backslashes: the box, the status
// lines and the next free name all name the share, the video lands there, and the share is the
// folder the settings keep.
TEST(RecordingJourney, NetworkPathRecordsOntoTheShare)
{
    Morvale m("unc");
    std::string shared = NewTempDir("unc-share");
    WineShare share("morvaleunc", "clips", shared);
    ASSERT_TRUE(share.made);
    WriteHostFile(m.dir + "/morvale.ini", "[Main]\r\nphone = 0\r\n");
    ASSERT_TRUE(m.Start());
    const std::wstring path = L"\\\\morvaleunc\\clips\\clip.flv";
    TypeOutput(m.main, path);
    ASSERT_TRUE(BringToFront(m.main));
    PressKey(VK_RETURN);
    HWND toolbar = WaitForToolbar(m.app);
    ASSERT_TRUE(toolbar);
    EXPECT_EQ(path, ControlText(Item(m.main, IDC_OUTPUT_PATH)));
    Sleep(2000);
    EndRecording(m.app, toolbar);
    EXPECT_EQ(L"The video has been saved to", ControlText(Item(m.main, IDC_STATUS_TITLE)));
    EXPECT_EQ(path, ControlText(Item(m.main, IDC_STATUS_PATH)));
    EXPECT_EQ(L"\\\\morvaleunc\\clips\\clip1.flv", ControlText(Item(m.main, IDC_OUTPUT_PATH)));
    EXPECT_TRUE(WaitUntil([&] { return CountScreenPixels(StatusRect(m.main), kGreen, 10) > 20; }, 5000));
    std::vector<ProbedStream> video = ProbeStreams(shared + "/clip.flv", "v");
    ASSERT_EQ(1u, video.size());
    EXPECT_EQ(1280, video[0].width);
    EXPECT_FALSE(ProbePackets(shared + "/clip.flv", "v").empty());
    PressEscape(m.app);
    std::vector<IniEntry> entries = ParseIni(m.app.ReadIni());
    ASSERT_EQ(16u, entries.size());
    EXPECT_EQ("\\\\morvaleunc\\clips", entries[1].value);
}
