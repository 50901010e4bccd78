// The recording toolbar where things go wrong: the disk fills up while one of the pen button's
// loops (width menu, colour popup, "More colors" dialog) is open, its own window is refused while
// it is being created, the drawing veil cannot be made. The toolbar lives in memory that goes
// back to the system when it is deleted, so any touch of it afterwards faults at once.
#include <gtest/gtest.h>
#include <memory>
#include <new>
#include <string>
#include "app/morvale_dlg.h"
#include "app/resource.h"
#include "overlay/wnd_tool.h"
#include "tests/engine/media_probe.h"
#include "tests/support/host.h"
#include "tests/support/user_input.h"
#include "tests/support/waiting.h"

namespace {

const wchar_t kToolClass[] = L"VORNRecorderTool";

HWND ToolbarWindow() { return FindWindowW(kToolClass, kToolClass); }
std::wstring ItemText(HWND dialog, int id) { return WindowTextOf(GetDlgItem(dialog, id)); }

int g_deletions = 0;

// Deleted memory is decommitted and never handed out again.
class GuardedToolbar : public CWndTool {
public:
    using CWndTool::CWndTool;
    static void* operator new(size_t size)
    {
        void* memory = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (!memory)
            throw std::bad_alloc();
        return memory;
    }
    static void operator delete(void* memory, size_t size)
    {
        ++g_deletions;
        VirtualFree(memory, size, MEM_DECOMMIT);
    }
};

// Its window refuses to be created, after the object was attached to it.
class RefusedToolbar : public GuardedToolbar {
public:
    using GuardedToolbar::GuardedToolbar;

protected:
    bool OnMessage(FwMessage& m) override
    {
        if (m.id == WM_CREATE) {
            m.result = -1;
            return true;
        }
        return GuardedToolbar::OnMessage(m);
    }
};

// Refuses every "TCanvas" window made on this thread while it is installed.
LRESULT CALLBACK RefuseCanvas(int code, WPARAM wParam, LPARAM lParam)
{
    wchar_t name[64] = {};
    if (code == HCBT_CREATEWND && GetClassNameW((HWND)wParam, name, 64) && lstrcmpW(name, L"TCanvas") == 0)
        return 1;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// A top-level window of className owned by owner, or null.
HWND OwnedWindow(const wchar_t* className, HWND owner)
{
    for (HWND w = FindWindowExW(nullptr, nullptr, className, nullptr); w;
         w = FindWindowExW(nullptr, w, className, nullptr))
        if (GetWindow(w, GW_OWNER) == owner && IsWindowVisible(w))
            return w;
    return nullptr;
}

class ToolbarFailure : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteFileW(TMorvaleDlg::SettingsPath().Text());
        dialog.reset(new TMorvaleDlg);
        ASSERT_TRUE(dialog->Create(IDD_MAIN));
        ShowWindow(dialog->Handle(), SW_SHOW);
        PumpFor(200);
        g_deletions = 0;
    }
    void TearDown() override
    {
        if (HWND bar = ToolbarWindow())
            DestroyWindow(bar);
        dialog->DestroyWindow();
        PumpFor(100);
        dialog.reset();
        DeleteFileW(TMorvaleDlg::SettingsPath().Text());
    }
    HWND DialogWindow() const { return dialog->Handle(); }
    GuardedToolbar* StartToolbar(const std::string& unixPath, int device)
    {
        TAudioSettings settings = {device, 1, 44100};
        auto* tool = new GuardedToolbar(WindowsPath(unixPath).c_str(), &settings, dialog.get(), 15, 70);
        if (!tool->Start(nullptr) || !ToolbarWindow())
            return nullptr;
        return tool;
    }
    // A short recording from start to End, read back.
    void RecordsAgain()
    {
        std::string file = NewTempDir("again") + "/again.flv";
        dialog->errorFlag = FALSE; // as the dialog's own start does
        GuardedToolbar* tool = StartToolbar(file, -2);
        ASSERT_TRUE(tool);
        ASSERT_TRUE(PumpUntil([&] { return tool->Seconds() == 2; }, 5000));
        AsUser([&] {
            POINT end = CenterOf(GetDlgItem(ToolbarWindow(), ID_TOOL_END));
            Click(end.x, end.y);
            WaitUntil([] { return ToolbarWindow() == nullptr; }, 15000);
        }, 90000);
        ASSERT_EQ(nullptr, ToolbarWindow());
        EXPECT_FALSE(dialog->errorFlag);
        EXPECT_EQ(L"The video has been saved to", ItemText(DialogWindow(), IDC_STATUS_TITLE));
        EXPECT_FALSE(ProbePackets(file, "v").empty());
        EXPECT_EQ("", DecodeErrors(file));
    }

    std::unique_ptr<TMorvaleDlg> dialog;
};

// The loops of the pen button a user can leave open while the recording runs.
enum class PenLoop { WidthMenu, ColourPopup, MoreColorsDialog };

struct PenLoopCase {
    const char* name;
    PenLoop loop;
};

class DiskFullsDuringPenLoop : public ToolbarFailure, public ::testing::WithParamInterface<PenLoopCase> {};

// Opens the loop as a user does; returns its window (null when it did not open).
HWND OpenPenLoop(PenLoop loop, HWND toolbar)
{
    HWND draw = GetDlgItem(toolbar, ID_TOOL_DRAW);
    if (loop == PenLoop::WidthMenu) {
        POINT left = ClientToScreenPoint(draw, 7, 9);
        Click(left.x, left.y);
        return WaitForWindow(L"#32768", nullptr, 5000);
    }
    POINT right = ClientToScreenPoint(draw, 47, 9);
    Click(right.x, right.y);
    HWND popup = WaitForWindow(L"FwColourPopup", nullptr, 5000);
    if (!popup || loop == PenLoop::ColourPopup)
        return popup;
    // "More colors" is the popup's bottom row.
    RECT r;
    GetWindowRect(popup, &r);
    Click((r.left + r.right) / 2, r.bottom - 16);
    HWND colours = nullptr;
    WaitUntil([&] { return (colours = OwnedWindow(L"#32770", toolbar)) != nullptr; }, 5000);
    return colours;
}

} // namespace

TEST_P(DiskFullsDuringPenLoop, EndsTheToolbarAndReportsTheFileInRed)
{
    SmallDisk disk("small-disk", 320);
    ASSERT_TRUE(disk.Mounted());
    std::string file = disk.Dir() + "/clip.flv";
    GuardedToolbar* tool = StartToolbar(file, -1);
    ASSERT_TRUE(tool);
    ASSERT_TRUE(PumpUntil([&] { return tool->Seconds() == 2; }, 5000));
    HWND bar = ToolbarWindow();

    bool opened = false, filled = false, loopGone = false;
    AsUser([&] {
        HWND loopWindow = OpenPenLoop(GetParam().loop, bar);
        opened = loopWindow != nullptr;
        if (!opened)
            return;
        filled = disk.Fill();
        WaitUntil([] { return ToolbarWindow() == nullptr; }, 30000);
        loopGone = WaitUntil([&] { return !IsWindow(loopWindow) || !IsWindowVisible(loopWindow); }, 5000);
    }, 90000);
    ASSERT_TRUE(opened);
    ASSERT_TRUE(filled);
    ASSERT_EQ(nullptr, ToolbarWindow());
    EXPECT_TRUE(loopGone);
    EXPECT_EQ(1, g_deletions);
    EXPECT_TRUE(IsWindowVisible(DialogWindow()));
    EXPECT_TRUE(dialog->errorFlag); // the lines are red
    EXPECT_EQ(L"", ItemText(DialogWindow(), IDC_STATUS_TITLE));
    EXPECT_EQ(WindowsPathW(file), ItemText(DialogWindow(), IDC_STATUS_PATH));
    EXPECT_EQ(L"can't be written", ItemText(DialogWindow(), IDC_STATUS_TEXT));
    // What went in before the disk filled is whole and reads to its end.
    EXPECT_TRUE(FlvEndsOnAWholeTag(file));
    EXPECT_FALSE(ProbePackets(file, "v").empty());
    EXPECT_EQ("", DecodeErrors(file));

    RecordsAgain();
}

INSTANTIATE_TEST_SUITE_P(PenLoops, DiskFullsDuringPenLoop,
                         ::testing::Values(PenLoopCase{"WidthMenu", PenLoop::WidthMenu},
                                           PenLoopCase{"ColourPopup", PenLoop::ColourPopup},
                                           PenLoopCase{"MoreColorsDialog", PenLoop::MoreColorsDialog}),
                         [](const ::testing::TestParamInfo<PenLoopCase>& info) { return info.param.name; });

TEST_F(ToolbarFailure, RefusedWindowDeletesTheToolbarOnceAndShowsTheDialog)
{
    TAudioSettings settings = {-2, 1, 44100};
    std::string path = WindowsPath(NewTempDir("refused") + "/refused.flv");
    auto* tool = new RefusedToolbar(path.c_str(), &settings, dialog.get(), 15, 70);
    EXPECT_FALSE(tool->Start(nullptr));
    EXPECT_EQ(1, g_deletions);
    EXPECT_EQ(nullptr, ToolbarWindow());
    EXPECT_TRUE(IsWindowVisible(DialogWindow()));
    EXPECT_FALSE(dialog->errorFlag);
    RecordsAgain();
}

TEST_F(ToolbarFailure, DrawWithoutAVeilStaysOffAndLeavesEscFree)
{
    GuardedToolbar* tool = StartToolbar(NewTempDir("noveil") + "/noveil.flv", -2);
    ASSERT_TRUE(tool);
    HWND draw = GetDlgItem(ToolbarWindow(), ID_TOOL_DRAW);
    HHOOK hook = SetWindowsHookExW(WH_CBT, RefuseCanvas, nullptr, GetCurrentThreadId());
    ASSERT_TRUE(hook);
    AsUser([&] {
        POINT middle = ClientToScreenPoint(draw, 27, 9);
        Click(middle.x, middle.y);
    }, 30000);
    PumpFor(300);
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(nullptr, FindWindowW(L"TCanvas", nullptr));
    EXPECT_EQ(BST_UNCHECKED, SendMessageW(draw, BM_GETCHECK, 0, 0));
    // Esc is still every program's.
    EXPECT_TRUE(RegisterHotKey(nullptr, 77, 0, VK_ESCAPE));
    UnregisterHotKey(nullptr, 77);

    // Drawing still starts once the veil can be made.
    AsUser([&] {
        POINT middle = ClientToScreenPoint(draw, 27, 9);
        Sleep(300);
        Click(middle.x, middle.y);
        WaitForWindow(L"TCanvas", nullptr, 5000);
    }, 30000);
    EXPECT_NE(nullptr, FindWindowW(L"TCanvas", nullptr));
    EXPECT_EQ(BST_CHECKED, SendMessageW(draw, BM_GETCHECK, 0, 0));
    AsUser([&] {
        PressKey(VK_ESCAPE);
        WaitUntil([] { return FindWindowW(L"TCanvas", nullptr) == nullptr; }, 5000);
    }, 30000);
    EXPECT_EQ(nullptr, FindWindowW(L"TCanvas", nullptr));
    DestroyWindow(ToolbarWindow());
    EXPECT_EQ(1, g_deletions);
}
