// morvale.ini as the real Morvale.exe reads and writes it: the sixteen keys in order at every
// exit, stored values and their limits shown at the next start, non-ASCII paths, files that are
// damaged, huge or cannot be written; and the watermark as the settings bring it back.
#include <gtest/gtest.h>
#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include "app/resource.h"
#include "tests/app/morvale_exe_support.h"
#include "tests/support/host.h"
#include "tests/support/morvale_process.h"
#include "tests/support/screen_pixels.h"
#include "tests/support/user_input.h"
#include "tests/support/waiting.h"

namespace {

const DWORD kStartMs = 60000;

void PressCloseBox(MorvaleProcess& app)
{
    ASSERT_TRUE(app.CloseMainWindow(30000)) << "the close box did not end the program";
    EXPECT_EQ(app.ExitCode(), 0u);
}

// The value as the settings file writes it: bare, or quoted with backslashes escaped.
std::string Written(const std::string& value)
{
    if (value.find_first_of("\\\"") == std::string::npos)
        return value;
    std::string out = "\"";
    for (char c : value) {
        if (c == '\\' || c == '"')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

// The sixteen keys in the order the program writes them, from the values given.
std::string SixteenKeys(const std::map<std::string, std::string>& v)
{
    static const char* main[] = {"phone", "dir", "channel", "sampleindex", "region", "region.left",
                                 "region.top", "region.right", "region.bottom", "fps", "quality"};
    static const char* watermark[] = {"use", "image", "transparency", "x", "y"};
    std::string text = "[Main]\r\n";
    for (const char* key : main)
        text += std::string(key) + " = " + Written(v.at(key)) + "\r\n";
    text += "[Watermark]\r\n";
    for (const char* key : watermark)
        text += std::string(key) + " = " + Written(v.at(key)) + "\r\n";
    return text;
}

// What the file holds after a run that changed nothing, for a program in folder.
std::map<std::string, std::string> Defaults(const std::wstring& folder)
{
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    int left = (w - 480) / 2, top = (h - 640) / 2;
    return {{"phone", "1"},
            {"dir", Narrow(folder)},
            {"channel", "1"},
            {"sampleindex", "8"},
            {"region", "0"},
            {"region.left", std::to_string(left)},
            {"region.top", std::to_string(top)},
            {"region.right", std::to_string(left + 480)},
            {"region.bottom", std::to_string(top + 640)},
            {"fps", "15"},
            {"quality", "70"},
            {"use", "0"},
            {"image", ""},
            {"transparency", "128"},
            {"x", "0"},
            {"y", "0"}};
}

void ExpectDefaultsShown(HWND main, const std::wstring& folder)
{
    MainState s = ReadMainState(main);
    EXPECT_EQ(s.microphone, 1);
    EXPECT_EQ(s.channelText, L"Stereo");
    EXPECT_EQ(s.rateText, L"48000 HZ");
    EXPECT_EQ(s.qualityLabel, L"Quality(70%)");
    EXPECT_FALSE(s.useWatermark);
    EXPECT_EQ(s.transparency, L"128");
    EXPECT_EQ(s.output, folder + L"\\record1.flv");
}

} // namespace

TEST(MorvaleSettings, EscWritesExactlyTheSixteenKeysInOrder)
{
    std::string dir = NewTempDir("fresh");
    MorvaleProcess app(dir);
    ASSERT_TRUE(app.Start());
    HWND main = app.WaitForMainWindow(kStartMs);
    ASSERT_NE(main, nullptr);
    ExpectDefaultsShown(main, app.WindowsFolder());
    PressEscape(app);
    EXPECT_EQ(app.ReadIni(), SixteenKeys(Defaults(app.WindowsFolder())));
}

TEST(MorvaleSettings, StoredValuesComeBackWithTheirLimits)
{
    struct Case {
        const char* name;
        std::string ini;
        bool closeBox; // else Esc
        // shown
        int microphone;
        const wchar_t* channel;
        const wchar_t* rate;
        bool formatEnabled;
        const wchar_t* quality;
        int thumb;
        bool useWatermark;
        const wchar_t* transparency;
        // saved, over the defaults
        std::map<std::string, std::string> saved;
    } cases[] = {
        {"clamps, hand-made keys and sections",
         "[Main]\r\nphone = 0\r\nchannel = 5\r\nsampleindex = 12\r\nregion = 1\r\n"
         "region.left = 10\r\nregion.top = 20\r\nregion.right = 300\r\nregion.bottom = 400\r\n"
         "fps = 30\r\nquality = 35\r\nextra = 5\r\n[Watermark]\r\nuse = 7\r\ntransparency = 200\r\n"
         "x = 5\r\ny = 6\r\n[Other]\r\nkey = value\r\n",
         false, 0, L"Stereo", L"48000 HZ", false, L"Quality(35%)", 35, true, L"200",
         {{"phone", "0"}, {"region", "1"}, {"region.left", "10"}, {"region.top", "20"},
          {"region.right", "300"}, {"region.bottom", "400"}, {"fps", "30"}, {"quality", "35"},
          {"use", "1"}, {"transparency", "200"}, {"x", "5"}, {"y", "6"}}},
        {"low ends, hexadecimal, quality beyond the slider",
         "[Main]\r\nchannel = 0\r\nsampleindex = 0\r\nquality = 0x96\r\n", true, 1, L"Monophonic",
         L"8000 HZ", true, L"Quality(150%)", 100, false, L"128",
         {{"channel", "0"}, {"sampleindex", "0"}, {"quality", "150"}}},
        {"negative rate index, microphone beyond the list",
         "[Main]\r\nphone = 50\r\nsampleindex = -1\r\nchannel = 1\r\n[Watermark]\r\nuse = 0\r\n", false,
         -1, L"Stereo", L"48000 HZ", false, L"Quality(70%)", 70, false, L"128", {{"phone", "-1"}}},
        {"top rate, mono", "[Main]\r\nchannel = 0\r\nsampleindex = 11\r\nphone = 1\r\n", true, 1,
         L"Monophonic", L"96000 HZ", true, L"Quality(70%)", 70, false, L"128",
         {{"channel", "0"}, {"sampleindex", "11"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string dir = NewTempDir("stored");
        ASSERT_TRUE(WriteHostFile(dir + "/morvale.ini", c.ini));
        MorvaleProcess app(dir);
        ASSERT_TRUE(app.Start());
        HWND main = app.WaitForMainWindow(kStartMs);
        ASSERT_NE(main, nullptr);
        MainState s = ReadMainState(main);
        EXPECT_EQ(s.microphone, c.microphone);
        EXPECT_EQ(s.channelText, c.channel);
        EXPECT_EQ(s.rateText, c.rate);
        EXPECT_EQ(s.formatEnabled, c.formatEnabled);
        EXPECT_EQ(s.qualityLabel, c.quality);
        EXPECT_EQ(s.qualityThumb, c.thumb);
        EXPECT_EQ(s.useWatermark, c.useWatermark);
        EXPECT_EQ(s.watermarkControlsEnabled, c.useWatermark);
        EXPECT_EQ(s.transparency, c.transparency);
        if (c.closeBox)
            PressCloseBox(app);
        else
            PressEscape(app);
        auto expected = Defaults(app.WindowsFolder());
        for (const auto& kv : c.saved)
            expected[kv.first] = kv.second;
        EXPECT_EQ(app.ReadIni(), SixteenKeys(expected));
    }
}

TEST(MorvaleSettings, NonAsciiFolderAndPictureRoundTrip)
{
    std::string dir = NewTempDir("unicode");
    std::string videos = dir + "/\xE5\xBD\x95\xE5\x83\x8F \xC3\xBC";      // "录像 ü"
    std::string picture = dir + "/\xE5\x9B\xBE\xE7\x89\x87 \xC3\xA9.bmp"; // "图片 é.bmp"
    // The test's own file calls take ANSI names; the shell makes the non-ASCII ones.
    ASSERT_TRUE(WriteHostFile(dir + "/mark.bmp", MakeBmp(60, 40, RGB(220, 0, 0))));
    ASSERT_EQ(RunHost("mkdir -p " + ShellQuote(videos) + " && : >" + ShellQuote(videos + "/record1.flv") +
                      " && mv " + ShellQuote(dir + "/mark.bmp") + " " + ShellQuote(picture)).exitCode, 0);
    std::string folderUtf8 = Narrow(WindowsPathW(videos));
    std::string imageUtf8 = Narrow(WindowsPathW(picture));
    WriteHostFile(dir + "/morvale.ini", "[Main]\r\ndir = " + Written(folderUtf8 + "\\") + "\r\n[Watermark]\r\nuse = 1\r\nimage = " +
                                            Written(imageUtf8) + "\r\nx = 40\r\ny = 50\r\n");
    MorvaleProcess app(dir);
    ASSERT_TRUE(app.Start());
    HWND main = app.WaitForMainWindow(kStartMs);
    ASSERT_NE(main, nullptr);
    MainState s = ReadMainState(main);
    EXPECT_EQ(s.output, WindowsPathW(videos) + L"\\record2.flv");
    EXPECT_EQ(s.imagePath, WindowsPathW(picture));
    PressEscape(app);
    auto entries = ParseIni(app.ReadIni());
    ASSERT_EQ(entries.size(), 16u);
    EXPECT_EQ(entries[1].value, folderUtf8);
    EXPECT_EQ(entries[12].value, imageUtf8);
}

// A stored transparency outside 10..255 brings the framework's range prompt while the dialog
// opens; the stored value stays what the next exit writes.
TEST(MorvaleSettings, TransparencyOutOfRangePromptsAtStart)
{
    std::string dir = NewTempDir("range");
    WriteHostFile(dir + "/morvale.ini", "[Watermark]\r\ntransparency = 5\r\n");
    MorvaleProcess app(dir);
    ASSERT_TRUE(app.Start());
    HWND prompt = app.WaitForWindow(
        [](HWND w) { return FindChildByText(w, L"Please enter an integer between 10 and 255.") != nullptr; },
        kStartMs);
    ASSERT_NE(prompt, nullptr) << "no range prompt";
    EXPECT_EQ(WindowText(prompt), L"VORN Morvale");
    ASSERT_TRUE(BringToFront(prompt));
    PressKey(VK_RETURN);
    HWND main = app.WaitForMainWindow(kStartMs);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(ReadMainState(main).transparency, L"5");
    PressEscape(app);
    auto expected = Defaults(app.WindowsFolder());
    expected["transparency"] = "5";
    EXPECT_EQ(app.ReadIni(), SixteenKeys(expected));
}

// The program's own folder has characters outside the ANSI code page: its settings file is
// still found and written.
TEST(MorvaleSettings, SettingsBesideAnExeInANonAsciiFolder)
{
    std::string dir = NewTempDir("exe") + "/\xE8\xAE\xBE\xE7\xBD\xAE \xC3\xBC"; // "设置 ü"
    ASSERT_EQ(RunHost("mkdir -p " + ShellQuote(dir) + " && printf '[Main]\\r\\nquality = 33\\r\\n' >" +
                      ShellQuote(dir + "/morvale.ini")).exitCode, 0);
    MorvaleProcess app(dir);
    ASSERT_TRUE(app.Start());
    HWND main = app.WaitForMainWindow(kStartMs);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(ReadMainState(main).qualityLabel, L"Quality(33%)");
    EXPECT_EQ(ReadMainState(main).output, app.WindowsFolder() + L"\\record1.flv");
    PressEscape(app);
    auto expected = Defaults(app.WindowsFolder());
    expected["quality"] = "33";
    EXPECT_EQ(app.ReadIni(), SixteenKeys(expected));
}

// Without a display the main dialog cannot be created, so the program ends without having read
// its settings, and the file of the earlier runs stays as it was.
TEST(MorvaleSettings, MainDialogThatCannotOpenLeavesTheFileAsItWas)
{
    std::string dir = NewTempDir("noopen");
    std::string picture = Narrow(WindowsPathW(dir + "/mark.bmp"));
    std::map<std::string, std::string> stored = Defaults(WindowsPathW(dir));
    stored["quality"] = "33";
    stored["channel"] = "0";
    stored["use"] = "1";
    stored["image"] = picture;
    stored["x"] = "40";
    stored["y"] = "50";
    // With a section of its own, which any rewriting would drop.
    std::string kept = SixteenKeys(stored) + "[Other]\r\nkey = value\r\n";
    ASSERT_TRUE(WriteHostFile(dir + "/morvale.ini", kept));
    MorvaleProcess app(dir);
    app.SetEnv("DISPLAY", "");
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.WaitForExit(kStartMs)) << "the program did not end without a display";
    EXPECT_EQ(app.ReadIni(), kept);
}

// morvale.ini is a folder: it can be neither read nor written.
TEST(MorvaleSettings, UnwritableFileLosesTheRunQuietly)
{
    std::string dir = NewTempDir("unwritable");
    RunHost("mkdir -p " + ShellQuote(dir + "/morvale.ini"));
    MorvaleProcess app(dir);
    ASSERT_TRUE(app.Start());
    HWND main = app.WaitForMainWindow(kStartMs);
    ASSERT_NE(main, nullptr);
    ExpectDefaultsShown(main, app.WindowsFolder());
    PressEscape(app);
    int visible = 0;
    for (HWND w : TopLevelWindows(app.Pid()))
        visible += IsWindowVisible(w) ? 1 : 0;
    EXPECT_EQ(visible, 0) << "a message was shown";
    EXPECT_EQ(RunHost("test -d " + ShellQuote(dir + "/morvale.ini")).exitCode, 0);
}

TEST(MorvaleSettings, DamagedOrHugeFileGivesTheDefaults)
{
    std::string junk;
    unsigned seed = 12345;
    for (int i = 0; i < 4096; ++i) {
        seed = seed * 1103515245 + 12345;
        junk += (char)(seed >> 16);
    }
    struct Case {
        const char* name;
        std::string bytes;
        unsigned long long growTo; // 0: as written
    } cases[] = {
        {"random bytes", junk, 0},
        // Readable keys at its start, but 70 MiB long: the whole file is refused.
        {"huge", "[Main]\r\nquality = 10\r\nchannel = 0\r\n", 70ull << 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string dir = NewTempDir("damaged");
        ASSERT_TRUE(WriteHostFile(dir + "/morvale.ini", c.bytes));
        if (c.growTo) {
            std::string grow = "truncate -s " + std::to_string(c.growTo) + " " + ShellQuote(dir + "/morvale.ini");
            ASSERT_EQ(RunHost(grow).exitCode, 0);
        }
        MorvaleProcess app(dir);
        ASSERT_TRUE(app.Start());
        HWND main = app.WaitForMainWindow(kStartMs);
        ASSERT_NE(main, nullptr);
        ExpectDefaultsShown(main, app.WindowsFolder());
        PressEscape(app);
        EXPECT_EQ(app.ReadIni(), SixteenKeys(Defaults(app.WindowsFolder())));
    }
}

namespace {

HWND WatermarkOf(MorvaleProcess& app, DWORD timeoutMs = 10000)
{
    return app.WaitForWindow([](HWND w) { return ClassName(w) == L"VORNWartermark"; }, timeoutMs);
}

POINT Corner(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    return {r.left, r.top};
}

// A settings file that shows picture as the watermark at (x, y).
void WriteWatermarkIni(const std::string& dir, const std::string& picture, int transparency, int x, int y)
{
    WriteHostFile(dir + "/morvale.ini", "[Watermark]\r\nuse = 1\r\nimage = " +
                                            Written(Narrow(WindowsPathW(picture))) + "\r\ntransparency = " +
                                            std::to_string(transparency) + "\r\nx = " + std::to_string(x) +
                                            "\r\ny = " + std::to_string(y) + "\r\n");
}

// The red of the watermark's middle as the screen shows it (the picture is red on a black screen).
int MiddleRed(HWND window)
{
    POINT c = CenterOf(window);
    HDC screen = GetDC(nullptr);
    COLORREF colour = GetPixel(screen, c.x, c.y);
    ReleaseDC(nullptr, screen);
    return GetRValue(colour);
}

// Picks path in the open dialog of "Choose Image" and waits until that dialog is gone
// (assertions: call it from the test body).
void ChooseImage(MorvaleProcess& app, HWND main, const std::wstring& path)
{
    // On a busy display a click that comes with the activation can be lost: the button is
    // pressed again while no open dialog has come (once it is there, the dialog is modal).
    HWND open = nullptr;
    for (int attempt = 0; attempt < 3 && !open; ++attempt) {
        ASSERT_TRUE(BringToFront(main));
        ClickWindow(GetDlgItem(main, IDC_CHOOSE_IMAGE));
        open = app.WaitForWindow([&](HWND w) { return w != main && ClassName(w) == L"#32770"; }, 10000);
    }
    ASSERT_NE(open, nullptr) << "no open dialog";
    HWND nameBox = nullptr;
    WaitUntil([&] { return (nameBox = FindChild(open, [](HWND w) { return ClassName(w) == L"Edit"; })) != nullptr; }, 10000);
    ASSERT_NE(nameBox, nullptr);
    SendMessageW(nameBox, WM_SETTEXT, 0, (LPARAM)path.c_str());
    ASSERT_TRUE(BringToFront(open));
    ClickWindow(GetDlgItem(open, IDOK));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(open); }, 15000));
}

} // namespace

// Choosing a file that is no picture says so in blue; the watermark on screen keeps its picture.
TEST(MorvaleWatermark, FileThatIsNoPictureIsReportedInBlue)
{
    std::string dir = NewTempDir("nopicture");
    std::string picture = dir + "/mark.bmp";
    ASSERT_TRUE(WriteHostFile(picture, MakeBmp(60, 40, RGB(255, 0, 0))));
    WriteHostFile(dir + "/notes.txt", "not a picture\n");
    WriteWatermarkIni(dir, picture, 250, 700, 500);
    MorvaleProcess app(dir);
    ASSERT_TRUE(app.Start());
    HWND main = app.WaitForMainWindow(kStartMs);
    ASSERT_NE(main, nullptr);
    HWND mark = WatermarkOf(app);
    ASSERT_NE(mark, nullptr);

    ASSERT_NO_FATAL_FAILURE(ChooseImage(app, main, app.WindowsFolder() + L"\\notes.txt"));

    HWND info = GetDlgItem(main, IDC_WATERMARK_INFO);
    EXPECT_TRUE(WaitUntil([&] { return ControlText(info) == L"Can't open the image."; }, 10000));
    EXPECT_EQ(DialogItemText(main, IDC_IMAGE_PATH), WindowsPathW(picture));
    RECT r;
    GetWindowRect(info, &r);
    EXPECT_TRUE(WaitUntil([&] { return CountScreenPixels(r, RGB(0, 0, 255), 40) > 5; }, 10000))
        << "the watermark line is not blue";

    SendMessageW(GetDlgItem(main, IDC_TRANSPARENCY), WM_SETTEXT, 0, (LPARAM)L"200");
    EXPECT_TRUE(WaitUntil([&] { return MiddleRed(mark) >= 190 && MiddleRed(mark) <= 210; }, 10000))
        << "the watermark lost its picture: red " << MiddleRed(mark);
    PressEscape(app);
    auto entries = ParseIni(app.ReadIni());
    ASSERT_EQ(entries.size(), 16u);
    EXPECT_EQ(entries[12].value, Narrow(WindowsPathW(picture))) << "a file that is no picture was kept as the image";
}

// A picture framed in its key colour, with a ring just off the key inside the frame. Shown, the
// ring is snapped onto the key and lets the screen through like the frame. After a file that is
// no picture was chosen the picture is taken back from its file, and its ring is snapped again:
// a new transparency shows no fringe around the watermark.
TEST(MorvaleWatermark, PictureTakenBackAfterAFailedChoiceShowsNoFringe)
{
    const COLORREF key = RGB(200, 0, 200), nearKey = RGB(206, 6, 194), red = RGB(255, 0, 0);
    const int width = 60, height = 40, band = 6;
    std::string dir = NewTempDir("fringe");
    std::string picture = dir + "/ringed.bmp";
    ASSERT_TRUE(WriteHostFile(picture, MakeBmpOf(width, height, [&](int x, int y) {
        int edge = std::min(std::min(x, width - 1 - x), std::min(y, height - 1 - y));
        return edge < band ? key : edge < 2 * band ? nearKey : red;
    })));
    WriteHostFile(dir + "/notes.txt", "not a picture\n");
    // Low on the left, clear of the dialog in the middle of the screen.
    WriteWatermarkIni(dir, picture, 255, 40, 600);
    MorvaleProcess app(dir);
    ASSERT_TRUE(app.Start());
    HWND main = app.WaitForMainWindow(kStartMs);
    ASSERT_NE(main, nullptr);
    HWND mark = WatermarkOf(app);
    ASSERT_NE(mark, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return Corner(mark).x == 40 && Corner(mark).y == 600; }, 10000));

    // The screen beside the watermark, and at a point of its frame (the key), of its ring and
    // of its middle.
    auto at = [&](int x, int y) { return ScreenPixel(Corner(mark).x + x, Corner(mark).y + y); };
    auto beside = [&] { return at(-5, height / 2); };
    auto frame = [&] { return at(band / 2, height / 2); };
    auto ring = [&] { return at(band + band / 2, height / 2); };
    auto middle = [&] { return at(width / 2, height / 2); };
    auto seeThrough = [&] { return Near(frame(), beside(), 8) && Near(ring(), beside(), 8); };
    auto seen = [&] {
        std::ostringstream text;
        text << std::hex << "beside " << beside() << " frame " << frame() << " ring " << ring() << " middle "
             << middle();
        return text.str();
    };
    auto setTransparency = [&](const wchar_t* text, int alpha) {
        SendMessageW(GetDlgItem(main, IDC_TRANSPARENCY), WM_SETTEXT, 0, (LPARAM)text);
        return WaitUntil([&] { return Near(middle(), Blend(red, beside(), alpha), 8); }, 10000);
    };
    // Under Wine the display keys a layered window only at full alpha, so the edge is looked
    // at there.
    ASSERT_TRUE(WaitUntil([&] { return Near(middle(), red, 8); }, 10000)) << seen();
    EXPECT_TRUE(seeThrough()) << seen();

    ASSERT_NO_FATAL_FAILURE(ChooseImage(app, main, app.WindowsFolder() + L"\\notes.txt"));
    ASSERT_TRUE(WaitUntil([&] { return DialogItemText(main, IDC_WATERMARK_INFO) == L"Can't open the image."; }, 10000));
    ASSERT_TRUE(setTransparency(L"200", 200)) << seen();
    ASSERT_TRUE(setTransparency(L"255", 255)) << seen();
    EXPECT_TRUE(WaitUntil(seeThrough, 5000)) << "a fringe: " << seen();
    PressEscape(app);
}

TEST(MorvaleWatermark, StoredPictureShowsHidesAndKeepsItsPlace)
{
    std::string dir = NewTempDir("watermark");
    std::string picture = dir + "/mark.bmp";
    ASSERT_TRUE(WriteHostFile(picture, MakeBmp(60, 40, RGB(255, 0, 0))));
    WriteWatermarkIni(dir, picture, 250, 700, 500);
    MorvaleProcess app(dir);
    ASSERT_TRUE(app.Start());
    HWND main = app.WaitForMainWindow(kStartMs);
    ASSERT_NE(main, nullptr);
    HWND mark = WatermarkOf(app);
    ASSERT_NE(mark, nullptr) << "the stored watermark is not shown";
    EXPECT_TRUE(WaitUntil([&] { return Corner(mark).x == 700 && Corner(mark).y == 500; }, 10000))
        << Corner(mark).x << "," << Corner(mark).y;
    EXPECT_EQ(DialogItemText(main, IDC_WATERMARK_INFO),
              L"Watermark has been created on screen, draging it to change position.");
    EXPECT_TRUE(WaitUntil([&] { return MiddleRed(mark) >= 240; }, 10000)) << MiddleRed(mark);

    // A new transparency is applied in place.
    SendMessageW(GetDlgItem(main, IDC_TRANSPARENCY), WM_SETTEXT, 0, (LPARAM)L"60");
    EXPECT_TRUE(WaitUntil([&] { return MiddleRed(mark) >= 50 && MiddleRed(mark) <= 70; }, 10000)) << MiddleRed(mark);
    EXPECT_EQ(Corner(mark).x, 700);
    EXPECT_EQ(Corner(mark).y, 500);

    // Dragged by the user to a new place.
    POINT from = CenterOf(mark);
    SetCursorPos(from.x, from.y);
    Sleep(50);
    INPUT press = {};
    press.type = INPUT_MOUSE;
    press.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    SendInput(1, &press, sizeof(press));
    for (int step = 1; step <= 10; ++step) {
        SetCursorPos(from.x - 10 * step, from.y - 5 * step);
        Sleep(30);
    }
    press.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(1, &press, sizeof(press));
    EXPECT_TRUE(WaitUntil([&] { return Corner(mark).x == 600 && Corner(mark).y == 450; }, 10000))
        << Corner(mark).x << "," << Corner(mark).y;
    POINT moved = Corner(mark);

    // Unchecked: gone, the path stays; checked again: back where it was.
    ASSERT_TRUE(BringToFront(main));
    ClickWindow(GetDlgItem(main, IDC_USE_WATERMARK));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(mark); }, 10000));
    EXPECT_EQ(DialogItemText(main, IDC_WATERMARK_INFO), L"");
    EXPECT_EQ(DialogItemText(main, IDC_IMAGE_PATH), WindowsPathW(picture));
    ClickWindow(GetDlgItem(main, IDC_USE_WATERMARK));
    mark = WatermarkOf(app);
    ASSERT_NE(mark, nullptr);
    // The window is made at (0, 0) and then placed; wait for the placing.
    EXPECT_TRUE(WaitUntil([&] { return Corner(mark).x == moved.x && Corner(mark).y == moved.y; }, 10000))
        << Corner(mark).x << "," << Corner(mark).y;

    // Closing with the watermark on screen stores its place.
    PressEscape(app);
    auto entries = ParseIni(app.ReadIni());
    ASSERT_EQ(entries.size(), 16u);
    EXPECT_EQ(entries[13].value, "60");
    EXPECT_EQ(entries[14].value, std::to_string(moved.x));
    EXPECT_EQ(entries[15].value, std::to_string(moved.y));
}
