// A recording of the real Morvale.exe that cannot start because its microphone has gone away:
// the program listed the capture device of a sound server of this test's own, the server is
// stopped, and Enter then starts a recording whose microphone cannot be opened. The dialog
// reports the error code in red, comes back in front and records the next time.
#include <gtest/gtest.h>
#include <iostream>
#include <string>
#include "app/resource.h"
#include "tests/app/morvale_exe_support.h"
#include "tests/engine/media_probe.h"
#include "tests/support/host.h"
#include "tests/support/morvale_process.h"
#include "tests/support/screen_pixels.h"
#include "tests/support/user_input.h"
#include "tests/support/waiting.h"

namespace {

const DWORD kStartMs = 60000;
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kGreen = RGB(34, 177, 76);

std::string Trimmed(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

// A PulseAudio server of this test alone, with a null sink whose monitor is the default source,
// so the shared test server stays untouched when this one is stopped. Its runtime folder is a
// short one in /tmp because a socket path may not exceed 107 bytes.
class PrivateSoundServer {
public:
    PrivateSoundServer()
    {
        log = TestTempDir() + "/private-pulse.log";
        HostResult made = RunHost("mktemp -d /tmp/morvale-fail-XXXXXX");
        run = Trimmed(made.output);
        if (made.exitCode != 0 || run.rfind("/tmp/morvale-fail-", 0) != 0) {
            run.clear();
            return;
        }
        std::string env = "XDG_RUNTIME_DIR=" + ShellQuote(run) + " PULSE_RUNTIME_PATH=" + ShellQuote(run + "/pulse") +
                          " PULSE_STATE_PATH=" + ShellQuote(run + "/state");
        RunHost(env + " setsid pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit"
                " -L " + ShellQuote("module-native-protocol-unix socket=" + run + "/native auth-anonymous=1") +
                " -L 'module-null-sink sink_name=failmic rate=48000 channels=2' -L module-always-sink"
                " </dev/null >" + ShellQuote(log) + " 2>&1 & echo $! >" + ShellQuote(run + "/pid"));
        pid = Trimmed(ReadHostFile(run + "/pid"));
        WaitUntil([&] { return Pactl("info").exitCode == 0; }, 20000, 100);
        Pactl("set-default-sink failmic");
        Pactl("set-default-source failmic.monitor");
    }
    ~PrivateSoundServer()
    {
        Stop();
        if (!run.empty())
            RunHost("rm -rf " + ShellQuote(run));
    }

    std::string Address() const { return "unix:" + run + "/native"; }
    bool Ready() { return !run.empty() && !pid.empty() && Pactl("info").exitCode == 0; }
    std::string Log() const { return ReadHostFile(log); }
    HostResult Pactl(const std::string& args) const
    {
        return RunHost("PULSE_SERVER=" + ShellQuote(Address()) + " pactl " + args, 20000);
    }
    // Ends the server (the process started here, by its id) and waits until it is gone.
    void Stop()
    {
        if (pid.empty())
            return;
        RunHost("kill -TERM " + pid + " 2>/dev/null; for i in $(seq 100); do kill -0 " + pid +
                " 2>/dev/null || exit 0; sleep 0.1; done; kill -KILL " + pid + " 2>/dev/null; exit 0");
        pid.clear();
    }

private:
    std::string run, pid, log;
};

RECT StatusRect(HWND main)
{
    RECT a, b;
    GetWindowRect(GetDlgItem(main, IDC_STATUS_TITLE), &a);
    GetWindowRect(GetDlgItem(main, IDC_STATUS_TEXT), &b);
    return {a.left, a.top, b.right, b.bottom};
}

HWND FindToolbar(MorvaleProcess& app, DWORD ms)
{
    return app.WaitForWindow([](HWND w) { return ClassName(w) == L"VORNRecorderTool"; }, ms);
}

bool ToolbarExists(MorvaleProcess& app)
{
    for (HWND w : TopLevelWindows(app.Pid()))
        if (ClassName(w) == L"VORNRecorderTool")
            return true;
    return false;
}

} // namespace

TEST(StartFailure, AMicrophoneThatCannotBeOpenedIsReportedInRedAndTheNextRecordingWorks)
{
    PrivateSoundServer server;
    ASSERT_TRUE(server.Ready()) << server.Log();

    std::string dir = NewTempDir("micgone");
    MorvaleProcess app(dir);
    app.SetEnv("PULSE_SERVER", server.Address());
    ASSERT_TRUE(app.Start());
    HWND main = app.WaitForMainWindow(kStartMs);
    ASSERT_NE(main, nullptr);
    // The private server's source is listed; the choice stays automatic.
    HWND mic = GetDlgItem(main, IDC_MICROPHONE);
    ASSERT_GT(ComboCount(mic), 2);
    EXPECT_EQ(1, ComboSelection(mic));

    std::wstring firstName = app.WindowsFolder() + L"\\failed.flv";
    SendMessageW(GetDlgItem(main, IDC_OUTPUT_PATH), WM_SETTEXT, 0, (LPARAM)firstName.c_str());
    server.Stop();

    ASSERT_TRUE(BringToFront(main));
    PressKey(VK_RETURN);
    const std::wstring prefix = L"Can't start recording, please check the settings for  micphone in this dialog . err=0x";
    ASSERT_TRUE(WaitUntil([&] { return ControlText(GetDlgItem(main, IDC_STATUS_TEXT)).rfind(prefix, 0) == 0; }, 30000))
        << "status text: " << Narrow(ControlText(GetDlgItem(main, IDC_STATUS_TEXT)));
    std::wstring code = ControlText(GetDlgItem(main, IDC_STATUS_TEXT)).substr(prefix.size());
    std::cout << "error code: 0x" << Narrow(code) << std::endl;
    RecordProperty("error_code", "0x" + Narrow(code));
    ASSERT_FALSE(code.empty());
    EXPECT_EQ(std::wstring::npos, code.find_first_not_of(L"0123456789ABCDEF")) << Narrow(code);
    EXPECT_EQ(8u, code.size()) << "a wave-input code carries bit 31: " << Narrow(code);
    EXPECT_EQ(L'8', code[0]) << Narrow(code);
    EXPECT_EQ(L"", ControlText(GetDlgItem(main, IDC_STATUS_TITLE)));
    EXPECT_EQ(L"", ControlText(GetDlgItem(main, IDC_STATUS_PATH)));

    // The toolbar is gone, the dialog is back in front and the lines are red.
    EXPECT_TRUE(WaitUntil([&] { return !ToolbarExists(app); }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == main; }, 10000));
    EXPECT_TRUE(WaitUntil([&] { return CountScreenPixels(StatusRect(main), kRed, 10) > 20; }, 5000));
    EXPECT_EQ(0, CountScreenPixels(StatusRect(main), kGreen, 10));

    // Still usable: without sound, Enter records the entire screen.
    ASSERT_TRUE(BringToFront(main));
    ClickWindow(GetDlgItem(main, IDC_OUTPUT_PATH));
    PressKey(VK_TAB);
    PressKey(VK_TAB);
    PressKey(VK_HOME); // "[Don't record voice]"
    ASSERT_TRUE(WaitUntil([&] { return ComboSelection(mic) == 0; }, 10000));
    std::wstring secondName = app.WindowsFolder() + L"\\after.flv";
    SendMessageW(GetDlgItem(main, IDC_OUTPUT_PATH), WM_SETTEXT, 0, (LPARAM)secondName.c_str());
    ASSERT_TRUE(BringToFront(main));
    PressKey(VK_RETURN);
    HWND toolbar = FindToolbar(app, 20000);
    ASSERT_NE(toolbar, nullptr);
    EXPECT_FALSE(IsWindowVisible(main));
    Sleep(2000);
    ClickWindow(GetDlgItem(toolbar, ID_TOOL_END));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(toolbar); }, 20000));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 20000));
    EXPECT_EQ(L"The video has been saved to", ControlText(GetDlgItem(main, IDC_STATUS_TITLE)));
    EXPECT_EQ(secondName, ControlText(GetDlgItem(main, IDC_STATUS_PATH)));
    EXPECT_TRUE(WaitUntil([&] { return CountScreenPixels(StatusRect(main), kGreen, 10) > 20; }, 5000));
    std::vector<ProbedStream> video = ProbeStreams(dir + "/after.flv", "v");
    ASSERT_EQ(1u, video.size());
    EXPECT_EQ(1280, video[0].width);
    EXPECT_TRUE(ProbeStreams(dir + "/after.flv", "a").empty());
    EXPECT_FALSE(ProbePackets(dir + "/after.flv", "v").empty());
    EXPECT_TRUE(app.CloseMainWindow());
}
