// The window base: creation through the message table, mapped and unmapped messages, commands,
// self-deletion and handle lookup.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "framework/window.h"

namespace {

const UINT WM_TEST_PING = WM_APP + 1;
const UINT ID_TEST_GO = 40001;
const UINT ID_TEST_UNMAPPED = 40002;

// Records what reaches its table. Its class is registered the way the program's overlay windows
// register theirs: with the platform's default procedure, so only the framework can route the
// messages to the object.
class RecordingWindow : public FwWindow {
public:
    std::vector<UINT> seen;
    int creates = 0;
    int pings = 0;
    int goCommands = 0;
    int* deletions = nullptr;
    bool selfDeleting = false;

    ~RecordingWindow() override
    {
        if (deletions)
            ++*deletions;
    }

    BOOL Create(DWORD exStyle = 0)
    {
        RECT r = {100, 100, 300, 200};
        // Hidden: unmapping a shown window costs Wine a wait without a window manager.
        return CreateEx(exStyle, nullptr, L"RecordingWindow", WS_POPUP, r, nullptr, 0);
    }

protected:
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override
    {
        WNDCLASSW wc = {};
        if (!GetClassInfoW(cs.hInstance, L"FwTestRecording", &wc)) {
            wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
            wc.lpfnWndProc = DefWindowProcW;
            wc.hInstance = cs.hInstance;
            wc.lpszClassName = L"FwTestRecording";
            if (!RegisterClassW(&wc))
                return FALSE;
        }
        cs.lpszClass = L"FwTestRecording";
        return FwWindow::PreCreateWindow(cs);
    }

    bool OnMessage(FwMessage& m) override
    {
        seen.push_back(m.id);
        switch (m.id) {
        case WM_CREATE:
            ++creates;
            m.result = Default();
            return true;
        case WM_TEST_PING:
            ++pings;
            m.result = 1234;
            return true;
        case WM_COMMAND:
            switch (m.CommandId()) {
            case ID_TEST_GO: ++goCommands; return true;
            }
            break;
        case WM_NCDESTROY:
            if (selfDeleting) {
                OnNcDestroy();
                delete this;
                return true;
            }
            break;
        }
        return FwWindow::OnMessage(m);
    }
};

// Refuses to be created: WM_CREATE returns -1.
class RefusingWindow : public RecordingWindow {
protected:
    bool OnMessage(FwMessage& m) override
    {
        if (m.id == WM_CREATE) {
            m.result = -1;
            return true;
        }
        return RecordingWindow::OnMessage(m);
    }
};

bool Saw(const std::vector<UINT>& seen, UINT id)
{
    for (UINT s : seen)
        if (s == id)
            return true;
    return false;
}

} // namespace

TEST(FwWindow, CreationMessagesReachTheTable)
{
    RecordingWindow w;
    ASSERT_TRUE(w.Create());
    EXPECT_TRUE(IsWindow(w.Handle()));
    EXPECT_EQ(w.creates, 1);
    EXPECT_TRUE(Saw(w.seen, WM_NCCREATE));
    EXPECT_EQ(FwWindow::FromHandle(w.Handle()), &w);
    wchar_t cls[64];
    GetClassNameW(w.Handle(), cls, 64);
    EXPECT_STREQ(cls, L"FwTestRecording");
}

TEST(FwWindow, MappedMessagesReachHandlersAndOthersGetDefaultProcessing)
{
    RecordingWindow w;
    ASSERT_TRUE(w.Create());
    EXPECT_EQ(SendMessageW(w.Handle(), WM_TEST_PING, 0, 0), 1234);
    EXPECT_EQ(w.pings, 1);

    // Not in the table: the default procedure keeps the text.
    SendMessageW(w.Handle(), WM_SETTEXT, 0, (LPARAM)L"changed");
    wchar_t text[32] = {};
    GetWindowTextW(w.Handle(), text, 32);
    EXPECT_STREQ(text, L"changed");
    EXPECT_TRUE(Saw(w.seen, WM_SETTEXT));

    SendMessageW(w.Handle(), WM_COMMAND, MAKEWPARAM(ID_TEST_GO, 0), 0);
    SendMessageW(w.Handle(), WM_COMMAND, MAKEWPARAM(ID_TEST_UNMAPPED, 0), 0);
    EXPECT_EQ(w.goCommands, 1);
}

TEST(FwWindow, PostedMessagesArriveThroughTheLoop)
{
    RecordingWindow w;
    ASSERT_TRUE(w.Create());
    PostMessageW(w.Handle(), WM_TEST_PING, 0, 0);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
    EXPECT_EQ(w.pings, 1);
}

TEST(FwWindow, SelfDeletingWindowDeletesItselfOnce)
{
    int deletions = 0;
    RecordingWindow* w = new RecordingWindow;
    w->deletions = &deletions;
    w->selfDeleting = true;
    ASSERT_TRUE(w->Create());
    HWND handle = w->Handle();
    EXPECT_TRUE(w->DestroyWindow());
    EXPECT_EQ(deletions, 1);
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_EQ(FwWindow::FromHandle(handle), nullptr);
}

TEST(FwWindow, ObjectLetsGoOfItsWindowWhenTheWindowIsDestroyed)
{
    RecordingWindow w;
    ASSERT_TRUE(w.Create());
    HWND handle = w.Handle();
    ::DestroyWindow(handle);
    EXPECT_EQ(w.Handle(), nullptr);
    EXPECT_TRUE(Saw(w.seen, WM_NCDESTROY));
}

TEST(FwWindow, DestroyingTheObjectDestroysItsWindow)
{
    HWND handle;
    {
        RecordingWindow w;
        ASSERT_TRUE(w.Create());
        handle = w.Handle();
    }
    EXPECT_FALSE(IsWindow(handle));
}

TEST(FwWindow, RefusedCreationLeavesNoWindowAttached)
{
    RefusingWindow w;
    EXPECT_FALSE(w.Create());
    EXPECT_EQ(w.Handle(), nullptr);
    EXPECT_TRUE(Saw(w.seen, WM_NCDESTROY));
}

TEST(FwWindow, ModifyStyleExAddsAndRemovesBits)
{
    RecordingWindow w;
    ASSERT_TRUE(w.Create(WS_EX_TOOLWINDOW));
    EXPECT_TRUE(w.ModifyStyleEx(0, WS_EX_TRANSPARENT));
    LONG_PTR ex = GetWindowLongPtrW(w.Handle(), GWL_EXSTYLE);
    EXPECT_TRUE(ex & WS_EX_TRANSPARENT);
    EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
    EXPECT_FALSE(w.ModifyStyleEx(0, WS_EX_TRANSPARENT)); // nothing to change
    EXPECT_TRUE(w.ModifyStyleEx(WS_EX_TRANSPARENT, 0, SWP_FRAMECHANGED));
    ex = GetWindowLongPtrW(w.Handle(), GWL_EXSTYLE);
    EXPECT_FALSE(ex & WS_EX_TRANSPARENT);
    EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
}

TEST(FwWindow, SubclassedControlRoutesItsMessages)
{
    HWND button = CreateWindowExW(0, L"BUTTON", L"b", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(button, nullptr);
    {
        RecordingWindow w;
        ASSERT_TRUE(w.SubclassWindow(button));
        EXPECT_EQ(SendMessageW(button, WM_TEST_PING, 0, 0), 1234);
        SendMessageW(button, WM_SETTEXT, 0, (LPARAM)L"still a button");
        wchar_t text[32] = {};
        GetWindowTextW(button, text, 32);
        EXPECT_STREQ(text, L"still a button");
    }
    EXPECT_FALSE(IsWindow(button)); // the object took the window with it
}

TEST(FwWindow, CentreIsInTheWorkAreaWithoutAVisibleOwner)
{
    RecordingWindow w;
    ASSERT_TRUE(w.Create());
    w.CenterWindow();
    RECT r, work;
    GetWindowRect(w.Handle(), &r);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((r.left + r.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((r.top + r.bottom) / 2, (work.top + work.bottom) / 2, 1);
}
