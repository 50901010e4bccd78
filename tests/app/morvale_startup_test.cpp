// Morvale.exe as a user starts it, under Wine on the test screen: the splash, the main dialog
// with its defaults, one copy only, the microphone list with and without capture devices, the
// Browse button, and the Chinese interface.
#include <gtest/gtest.h>
#include <string>
#include "app/resource.h"
#include "tests/app/morvale_exe_support.h"
#include "tests/support/host.h"
#include "tests/support/morvale_process.h"
#include "tests/support/user_input.h"
#include "tests/support/waiting.h"

namespace {

const DWORD kStartMs = 60000;

// The other top-level dialog of the process (the main dialog excluded), once visible.
HWND WaitForOtherDialog(MorvaleProcess& app, HWND main, DWORD timeoutMs = 30000)
{
    return app.WaitForWindow(
        [&](HWND w) { return w != main && ClassName(w) == L"#32770"; }, timeoutMs);
}

bool HasChildText(HWND window, const std::wstring& text) { return FindChildByText(window, text) != nullptr; }

// The folder where the copy runs, as the program writes it.
std::wstring Folder(const MorvaleProcess& app) { return app.WindowsFolder(); }

// Generates the Simplified Chinese locale in a private folder (LOCPATH), so the interface
// language can be chosen without touching the machine's own locales.
std::string ChineseLocale()
{
    static std::string dir;
    if (dir.empty()) {
        std::string made = TestTempDir() + "/locale";
        HostResult r = RunHost("mkdir -p " + ShellQuote(made) + " && localedef -i zh_CN -f UTF-8 " +
                               ShellQuote(made + "/zh_CN.UTF-8"), 120000);
        if (r.exitCode != 0 && r.exitCode != 1) // 1: warnings only
            ADD_FAILURE() << "localedef failed (package locales missing?): " << r.output;
        else
            dir = made;
    }
    return dir;
}

void UseChinese(MorvaleProcess& app)
{
    app.SetEnv("LOCPATH", ChineseLocale());
    app.SetEnv("LANG", "zh_CN.UTF-8");
    app.SetEnv("LC_ALL", "zh_CN.UTF-8");
}

} // namespace

TEST(MorvaleStart, SplashThenMainDialogWithDefaults)
{
    std::string dir = NewTempDir("defaults");
    WriteHostFile(dir + "/record1.flv", "");
    WriteHostFile(dir + "/record2.flv", "");
    MorvaleProcess app(dir);
    ASSERT_TRUE(app.Start());

    HWND splash = app.WaitForWindow([](HWND w) { return HasChildText(w, L"Initializing..."); }, kStartMs);
    ASSERT_NE(splash, nullptr) << "no splash reading \"Initializing...\"";
    HWND main = app.WaitForMainWindow(kStartMs);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(splash); }, 10000)) << "the splash stayed";

    MainState s = ReadMainState(main);
    EXPECT_EQ(s.title, L"VORN Morvale Pro - Version: 1.8.0");
    EXPECT_EQ(s.microphone, 1);
    EXPECT_EQ(s.microphoneText, L"[Select automatically]");
    EXPECT_EQ(ComboItem(GetDlgItem(main, IDC_MICROPHONE), 0), L"[Don't record voice]");
    EXPECT_EQ(s.channelText, L"Stereo");
    EXPECT_EQ(s.rateText, L"48000 HZ");
    EXPECT_EQ(ComboCount(GetDlgItem(main, IDC_SAMPLE_RATE)), 12);
    EXPECT_EQ(ComboItem(GetDlgItem(main, IDC_SAMPLE_RATE), 0), L"8000 HZ");
    EXPECT_EQ(ComboItem(GetDlgItem(main, IDC_SAMPLE_RATE), 11), L"96000 HZ");
    EXPECT_TRUE(s.formatEnabled);
    EXPECT_EQ(s.qualityLabel, L"Quality(70%)");
    EXPECT_EQ(s.qualityThumb, 70);
    EXPECT_FALSE(s.useWatermark);
    EXPECT_FALSE(s.watermarkControlsEnabled);
    EXPECT_EQ(s.transparency, L"128");
    EXPECT_EQ(s.imagePath, L"No watermark image selected.");
    EXPECT_EQ(s.output, Folder(app) + L"\\record3.flv");
    for (int id : {IDC_STATUS_TITLE, IDC_STATUS_PATH, IDC_STATUS_TEXT})
        EXPECT_EQ(DialogItemText(main, id), L"");

    // The link sits at the right end just above its anchor line.
    HWND link = FindChildByText(main, L"www.vorn.example");
    ASSERT_NE(link, nullptr);
    RECT linkRect, anchor;
    GetWindowRect(link, &linkRect);
    GetWindowRect(GetDlgItem(main, IDC_LINK_ANCHOR), &anchor);
    EXPECT_EQ(linkRect.right, anchor.right);
    EXPECT_EQ(linkRect.bottom, anchor.top - 2);

    // Enter presses "Entire Screen", which does not close the dialog: it hides while the
    // recording runs and comes back when the toolbar ends it.
    ASSERT_TRUE(BringToFront(main));
    PressKey(VK_RETURN);
    HWND toolbar = app.WaitForWindow([](HWND w) { return ClassName(w) == L"VORNRecorderTool"; }, 20000);
    ASSERT_NE(toolbar, nullptr);
    EXPECT_FALSE(IsWindowVisible(main));
    Sleep(1000);
    ClickWindow(GetDlgItem(toolbar, ID_TOOL_END));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 20000));
    EXPECT_TRUE(app.Running());
    PressEscape(app);
}

TEST(MorvaleStart, SecondCopyIsToldAndEnds)
{
    std::string dir = NewTempDir("second");
    const std::string ini = "[Main]\r\nquality = 33\r\n";
    WriteHostFile(dir + "/morvale.ini", ini);
    MorvaleProcess first(dir);
    ASSERT_TRUE(first.Start());
    HWND main = first.WaitForMainWindow(kStartMs);
    ASSERT_NE(main, nullptr);

    MorvaleProcess second(dir);
    ASSERT_TRUE(second.Start());
    HWND box = second.WaitForWindow([](HWND w) { return ClassName(w) == L"#32770"; }, kStartMs);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(box), L"VORN Morvale");
    EXPECT_TRUE(HasChildText(box, L"Another VORN Morvale instance is running"));
    ASSERT_TRUE(BringToFront(box));
    PressKey(VK_RETURN);
    ASSERT_TRUE(second.WaitForExit(30000));
    EXPECT_EQ(second.ExitCode(), 0u);

    EXPECT_TRUE(first.Running());
    EXPECT_TRUE(IsWindowVisible(main));
    EXPECT_EQ(first.ReadIni(), ini) << "the second copy touched the settings";
    EXPECT_EQ(DialogItemText(main, IDC_QUALITY_GROUP), L"Quality(33%)");
    PressEscape(first);

    // With the first copy gone, a new one starts normally.
    MorvaleProcess third(dir);
    ASSERT_TRUE(third.Start());
    ASSERT_NE(third.WaitForMainWindow(kStartMs), nullptr);
    EXPECT_TRUE(third.CloseMainWindow());
}

TEST(MorvaleStart, MicrophonesAfterTheFixedEntriesAndFormatFollowsTheChoice)
{
    std::string dir = NewTempDir("microphones");
    WriteHostFile(dir + "/morvale.ini", "[Main]\r\nphone = 0\r\n");
    MorvaleProcess app(dir);
    ASSERT_TRUE(app.Start());
    HWND main = app.WaitForMainWindow(kStartMs);
    ASSERT_NE(main, nullptr);
    HWND mic = GetDlgItem(main, IDC_MICROPHONE);

    // PulseAudio gives at least one capture device, listed after the two fixed entries.
    ASSERT_GT(ComboCount(mic), 2);
    EXPECT_EQ(ComboItem(mic, 0), L"[Don't record voice]");
    EXPECT_EQ(ComboItem(mic, 1), L"[Select automatically]");
    EXPECT_NE(ComboItem(mic, 2), L"");
    MainState s = ReadMainState(main);
    EXPECT_EQ(s.microphone, 0);
    EXPECT_FALSE(s.formatEnabled);

    ASSERT_TRUE(BringToFront(main));
    ClickWindow(GetDlgItem(main, IDC_OUTPUT_PATH));
    // Tab order: output box, Browse, microphone.
    PressKey(VK_TAB);
    PressKey(VK_TAB);
    PressKey(VK_DOWN);
    EXPECT_TRUE(WaitUntil([&] { return ReadMainState(main).formatEnabled; }, 10000));
    EXPECT_EQ(ComboSelection(mic), 1);
    PressKey(VK_DOWN);
    EXPECT_TRUE(WaitUntil([&] { return ComboSelection(mic) == 2; }, 10000));
    EXPECT_TRUE(ReadMainState(main).formatEnabled);
    PressKey(VK_HOME);
    EXPECT_TRUE(WaitUntil([&] { return !ReadMainState(main).formatEnabled; }, 10000));
    PressKey(VK_DOWN);
    PressKey(VK_DOWN);
    EXPECT_TRUE(WaitUntil([&] { return ComboSelection(mic) == 2; }, 10000));
    PressEscape(app);

    auto entries = ParseIni(app.ReadIni());
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries[0].key, "phone");
    EXPECT_EQ(entries[0].value, "2");
}

// Without any of Wine's sound drivers there is no capture device at all.
TEST(MorvaleStart, NoCaptureDeviceDisablesTheList)
{
    std::string dir = NewTempDir("nodevice");
    MorvaleProcess app(dir);
    app.SetEnv("WINEDLLOVERRIDES", "mscoree,mshtml=;winepulse.drv,winealsa.drv,wineoss.drv=d");
    app.SetEnv("PULSE_SERVER", "unix:/nonexistent/morvale-no-server");
    ASSERT_TRUE(app.Start());
    HWND main = app.WaitForMainWindow(kStartMs);
    ASSERT_NE(main, nullptr);
    HWND mic = GetDlgItem(main, IDC_MICROPHONE);
    MainState s = ReadMainState(main);
    EXPECT_FALSE(s.microphoneEnabled);
    EXPECT_EQ(s.microphone, 0);
    EXPECT_EQ(s.microphoneText, L"No record device found");
    EXPECT_EQ(ComboCount(mic), 2);
    EXPECT_EQ(ComboItem(mic, 1), L"[Select automatically]");
    EXPECT_FALSE(s.formatEnabled);
    PressEscape(app);
    auto entries = ParseIni(app.ReadIni());
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ(entries[0].value, "0");
}

TEST(MorvaleStart, BrowseOffersTheNextFreeNameAndTakesTheChoice)
{
    std::string dir = NewTempDir("browse");
    std::string target = dir + "/target";
    RunHost("mkdir -p " + ShellQuote(target));
    WriteHostFile(target + "/record1.flv", "");
    MorvaleProcess app(dir);
    ASSERT_TRUE(app.Start());
    HWND main = app.WaitForMainWindow(kStartMs);
    ASSERT_NE(main, nullptr);

    // Slashes and doubled backslashes, ending in a separator: a folder.
    std::wstring folder = WindowsPathW(target);
    std::wstring typed = folder;
    for (auto& c : typed)
        if (c == L'\\')
            c = L'/';
    typed.insert(2, L"\\");
    typed += L"\\\\";
    HWND output = GetDlgItem(main, IDC_OUTPUT_PATH);
    SendMessageW(output, WM_SETTEXT, 0, (LPARAM)typed.c_str());

    ASSERT_TRUE(BringToFront(main));
    ClickWindow(GetDlgItem(main, IDC_BROWSE));
    HWND save = WaitForOtherDialog(app, main);
    ASSERT_NE(save, nullptr) << "no save dialog";

    std::wstring seed = folder + L"\\record2.flv";
    HWND nameBox = nullptr;
    WaitUntil([&] {
        nameBox = FindChild(save, [](HWND w) {
            return ClassName(w) == L"Edit" && ControlText(w).find(L"record2.flv") != std::wstring::npos;
        });
        return nameBox != nullptr;
    }, 10000);
    ASSERT_NE(nameBox, nullptr) << "the save dialog was not seeded with record2.flv";
    std::wstring shown = ControlText(nameBox);
    EXPECT_TRUE(shown == seed || shown == L"record2.flv") << Narrow(shown);

    std::wstring chosen = folder + L"\\chosen.ts";
    SendMessageW(nameBox, WM_SETTEXT, 0, (LPARAM)chosen.c_str());
    ASSERT_TRUE(BringToFront(save));
    ClickWindow(GetDlgItem(save, IDOK));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(save); }, 15000));
    EXPECT_TRUE(WaitUntil([&] { return ControlText(output) == chosen; }, 10000)) << Narrow(ControlText(output));
    // A name in the box is remembered once the dialog has copied its controls (here at a change
    // of microphone); the save keeps that name's folder.
    ASSERT_TRUE(BringToFront(main));
    ClickWindow(output);
    PressKey(VK_TAB);
    PressKey(VK_TAB);
    PressKey(VK_UP);
    PressEscape(app);
    auto entries = ParseIni(app.ReadIni());
    ASSERT_GT(entries.size(), 1u);
    EXPECT_EQ(entries[1].key, "dir");
    EXPECT_EQ(entries[1].value, Narrow(folder));
}

TEST(MorvaleStart, ChineseInterface)
{
    std::string dir = NewTempDir("chinese");
    MorvaleProcess app(dir);
    UseChinese(app);
    ASSERT_TRUE(app.Start());
    HWND main = app.WaitForMainWindow(kStartMs);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(WindowText(main), L"VORN Morvale Pro - \u7248\u672C: 1.8.0");
    EXPECT_EQ(DialogItemText(main, IDOK), L"\u6574\u4E2A\u5C4F\u5E55");
    EXPECT_EQ(DialogItemText(main, IDC_BROWSE), L"\u6D4F\u89C8");
    EXPECT_EQ(DialogItemText(main, IDC_QUALITY_GROUP), L"\u8D28\u91CF(70%)");
    EXPECT_EQ(ComboItem(GetDlgItem(main, IDC_CHANNELS), 1), L"\u53CC\u58F0\u9053");

    // The shorter Chinese layout: dialog units from the quality box (342 x 38 in both).
    RECT group, client, ok;
    GetWindowRect(GetDlgItem(main, IDC_QUALITY_GROUP), &group);
    GetClientRect(main, &client);
    GetWindowRect(GetDlgItem(main, IDOK), &ok);
    POINT origin = {0, 0};
    ClientToScreen(main, &origin);
    double unitY = (group.bottom - group.top) / 38.0;
    EXPECT_NEAR(client.bottom / unitY, 252, 3);
    EXPECT_NEAR((ok.top - origin.y) / unitY, 204, 2);

    MorvaleProcess second(dir);
    UseChinese(second);
    ASSERT_TRUE(second.Start());
    HWND box = second.WaitForWindow([](HWND w) { return ClassName(w) == L"#32770"; }, kStartMs);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(box), L"VORN Morvale");
    EXPECT_TRUE(HasChildText(box, L"\u5DF2\u6709VORN Morvale\u8FDB\u7A0B\u5728\u8FD0\u884C"));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(second.WaitForExit(30000));
    PressEscape(app);
}
