// The application chooser on the program's own template, with windows of helper processes,
// driven with real mouse and keyboard input.
#include <gtest/gtest.h>
#include <algorithm>
#include <atomic>
#include <sstream>
#include <string>
#include <thread>
#include <vector>
#include "app/app_list_dlg.h"
#include "app/resource.h"
#include "tests/support/screen_pixels.h"
#include "tests/support/user_input.h"
#include "tests/support/waiting.h"
#include "tests/app/green_icon.h"

namespace {

// A helper process (app_window_helper.exe beside the test), ended when the object goes.
class Helper {
public:
    explicit Helper(const std::string& args)
    {
        wchar_t exe[MAX_PATH];
        GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring path = exe;
        path = path.substr(0, path.find_last_of(L'\\') + 1) + L"app_window_helper.exe";
        std::wstring command = L"\"" + path + L"\" " + std::wstring(args.begin(), args.end());
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        CreateProcessW(path.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &process);
    }
    ~Helper() { End(); }
    void End()
    {
        if (process.hProcess) {
            TerminateProcess(process.hProcess, 0);
            WaitForSingleObject(process.hProcess, 5000);
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
            process = {};
        }
    }
    DWORD Id() const { return process.dwProcessId; }

private:
    PROCESS_INFORMATION process = {};
};

HWND WaitForTitle(const wchar_t* title) { return WaitForWindow(nullptr, title, 15000); }

HWND ChooserList(HWND dialog) { return GetDlgItem(dialog, IDC_APP_LIST); }

std::vector<std::wstring> Rows(HWND list)
{
    std::vector<std::wstring> rows;
    int n = (int)SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < n; ++i) {
        wchar_t text[512] = L"";
        SendMessageW(list, LB_GETTEXT, i, (LPARAM)text);
        rows.push_back(text);
    }
    return rows;
}

int RowOf(HWND list, const std::wstring& title)
{
    std::vector<std::wstring> rows = Rows(list);
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i] == title)
            return (int)i;
    return -1;
}

POINT RowPoint(HWND list, int row, int x)
{
    RECT r;
    SendMessageW(list, LB_GETITEMRECT, row, (LPARAM)&r);
    return ClientToScreenPoint(list, r.left + x, (r.top + r.bottom) / 2);
}

bool StartEnabled(HWND dialog) { return IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE; }

// A visible titled window of the test's own process: the chooser never offers it.
struct OwnWindow {
    HWND window;
    OwnWindow()
    {
        window = CreateWindowExW(0, L"STATIC", L"Chooser Own Window", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                 20, 400, 200, 80, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~OwnWindow() { DestroyWindow(window); }
};

} // namespace

TEST(AppListDlg, ListsOtherProcessesAndBuildsTheProcessIdList)
{
    std::string longTitle(300, 'L');
    Helper a("\"Chooser Test A\" \"Chooser Test A2\" " + longTitle + " --hidden \"Chooser Hidden\"");
    HWND windowA = WaitForTitle(L"Chooser Test A");
    ASSERT_TRUE(windowA);
    ASSERT_TRUE(WaitForTitle(L"Chooser Test A2"));
    char parent[32];
    sprintf(parent, "%llx", (unsigned long long)(UINT_PTR)windowA);
    Helper b(std::string("--child ") + parent);
    ASSERT_TRUE(WaitUntil([&] {
        HWND child = FindWindowExW(windowA, nullptr, nullptr, L"child");
        DWORD owner = 0;
        if (child)
            GetWindowThreadProcessId(child, &owner);
        return owner == b.Id();
    }, 15000));
    OwnWindow own;

    CAppListDlg chooser;
    INT_PTR result = 0;
    std::vector<std::wstring> rows;
    bool startAtFirst = true, startAfterPick = false;
    COLORREF textBack = 0, iconColumnEdge = 0;
    WithUser([&] { result = chooser.DoModal(); }, [&] {
        HWND dialog = WaitForWindow(L"#32770", L"Choose Application", 15000);
        if (!dialog)
            return;
        HWND list = ChooserList(dialog);
        rows = Rows(list);
        startAtFirst = StartEnabled(dialog);
        int rowA = RowOf(list, L"Chooser Test A"), rowA2 = RowOf(list, L"Chooser Test A2");
        if (rowA < 0 || rowA2 < 0) {
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        POINT p = RowPoint(list, rowA, 100);
        Click(p.x, p.y);
        WaitUntil([&] { return StartEnabled(dialog); }, 5000);
        startAfterPick = StartEnabled(dialog);
        Sleep(200);
        textBack = ScreenPixel(RowPoint(list, rowA, 300));
        iconColumnEdge = ScreenPixel(RowPoint(list, rowA, 0));
        Sleep(600); // not a double click
        p = RowPoint(list, rowA2, 100);
        Click(p.x, p.y);
        WaitUntil([&] { return SendMessageW(list, LB_GETSELCOUNT, 0, 0) == 2; }, 5000);
        RECT start;
        GetWindowRect(GetDlgItem(dialog, IDOK), &start);
        Click((start.left + start.right) / 2, (start.top + start.bottom) / 2);
        if (!WaitUntil([&] { return !IsWindow(dialog); }, 10000))
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });

    auto listed = [&](const std::wstring& title) {
        for (const std::wstring& row : rows)
            if (row == title)
                return true;
        return false;
    };
    EXPECT_TRUE(listed(L"Chooser Test A"));
    EXPECT_TRUE(listed(L"Chooser Test A2"));
    EXPECT_TRUE(listed(std::wstring(255, L'L'))); // a long title is cut to 255 characters
    EXPECT_FALSE(listed(L"Chooser Own Window"));
    EXPECT_FALSE(listed(L"Chooser Hidden"));
    EXPECT_FALSE(listed(L"child"));
    EXPECT_FALSE(startAtFirst);
    EXPECT_TRUE(startAfterPick);
    EXPECT_EQ(CListBoxEx::kSelectedBack, textBack);
    EXPECT_NE(CListBoxEx::kSelectedBack, iconColumnEdge); // the icon column keeps the list's colour

    ASSERT_EQ(IDOK, result);
    ASSERT_EQ(3u, chooser.m_processIds.count);
    EXPECT_EQ(a.Id(), chooser.m_processIds.data[0]); // two windows of one process give it once
    EXPECT_EQ(b.Id(), chooser.m_processIds.data[1]); // the process of a child window follows
    EXPECT_EQ(0u, chooser.m_processIds.data[2]);
}

TEST(AppListDlg, NothingPickedOrCancelStartsNothing)
{
    Helper a("\"Chooser Test C\"");
    ASSERT_TRUE(WaitForTitle(L"Chooser Test C"));
    CAppListDlg chooser;
    INT_PTR result = 0;
    bool startAfterUnpick = true, openAfterEnter = false;
    WithUser([&] { result = chooser.DoModal(); }, [&] {
        HWND dialog = WaitForWindow(L"#32770", L"Choose Application", 15000);
        if (!dialog)
            return;
        HWND list = ChooserList(dialog);
        int row = RowOf(list, L"Chooser Test C");
        if (row >= 0) {
            POINT p = RowPoint(list, row, 100);
            Click(p.x, p.y);
            WaitUntil([&] { return StartEnabled(dialog); }, 5000);
            Sleep(600);
            Click(p.x, p.y);
            WaitUntil([&] { return !StartEnabled(dialog); }, 5000);
            startAfterUnpick = StartEnabled(dialog);
            PressKey(VK_RETURN);
            Sleep(500);
            openAfterEnter = IsWindow(dialog) != FALSE;
        }
        PressKey(VK_ESCAPE);
        if (!WaitUntil([&] { return !IsWindow(dialog); }, 5000))
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_FALSE(startAfterUnpick);
    EXPECT_TRUE(openAfterEnter);
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_EQ(nullptr, chooser.m_processIds.data);
}

TEST(AppListDlg, StartRestoresTheFirstPickedWindow)
{
    Helper a("\"Chooser Test D\"");
    HWND window = WaitForTitle(L"Chooser Test D");
    ASSERT_TRUE(window);
    ShowWindowAsync(window, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(window) != FALSE; }, 5000));
    CAppListDlg chooser;
    INT_PTR result = 0;
    WithUser([&] { result = chooser.DoModal(); }, [&] {
        HWND dialog = WaitForWindow(L"#32770", L"Choose Application", 15000);
        if (!dialog)
            return;
        HWND list = ChooserList(dialog);
        int row = RowOf(list, L"Chooser Test D");
        if (row >= 0) {
            POINT p = RowPoint(list, row, 100);
            // A double click on a row starts at once.
            Click(p.x, p.y);
            Click(p.x, p.y);
        }
        if (!WaitUntil([&] { return !IsWindow(dialog); }, 5000))
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    ASSERT_EQ(IDOK, result);
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(window); }, 5000));
    ASSERT_EQ(2u, chooser.m_processIds.count);
    EXPECT_EQ(a.Id(), chooser.m_processIds.data[0]);
}

namespace {

std::string HexHandle(HWND window)
{
    char text[32];
    sprintf(text, "%llx", (unsigned long long)(UINT_PTR)window);
    return text;
}

// The process-id list that Start builds when only picked is chosen.
std::vector<DWORD> ListFor(CAppListDlg& chooser, HWND picked)
{
    chooser.m_processIds.Clear();
    chooser.AddWindowProcess(picked);
    chooser.m_processIds.Append(0);
    const TArray<DWORD>& ids = chooser.m_processIds;
    return std::vector<DWORD>(ids.data, ids.data + ids.count);
}

std::string Listed(const std::vector<DWORD>& list)
{
    std::ostringstream text;
    for (DWORD id : list)
        text << id << " ";
    return text.str();
}

// A zero-terminated list with every id once and no 0 before its end.
bool WellFormed(const std::vector<DWORD>& list)
{
    if (list.empty() || list.back() != 0)
        return false;
    std::vector<DWORD> ids(list.begin(), list.end() - 1);
    if (std::find(ids.begin(), ids.end(), 0u) != ids.end())
        return false;
    std::sort(ids.begin(), ids.end());
    return std::adjacent_find(ids.begin(), ids.end()) == ids.end();
}

bool HasChildOf(HWND parent, const wchar_t* title, DWORD process)
{
    for (HWND child = FindWindowExW(parent, nullptr, nullptr, title); child;
         child = FindWindowExW(parent, child, nullptr, title)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(child, &owner);
        if (owner == process)
            return true;
    }
    return false;
}

} // namespace

// A picked window whose child windows nest 40 deep, with a window of a second process at the
// bottom. Each window is visited once: the list comes at once, with both ids once each. A walk
// that visits a window once per ancestor chain above it needs 2^39 visits here and never ends.
TEST(AppListDlg, DeepWindowTreeIsWalkedOnce)
{
    const int kDepth = 40;
    HWND top = CreateWindowExW(0, L"STATIC", L"Chooser Deep Tree", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(top);
    HWND deepest = top;
    for (int depth = 1; depth <= kDepth; ++depth) {
        HWND child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 200, deepest, nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(child) << "depth " << depth;
        deepest = child;
    }
    Helper guest("--child " + HexHandle(deepest));
    // Its child's creation notifies every window above it: this thread's messages must flow.
    ASSERT_TRUE(PumpUntil([&] { return HasChildOf(deepest, L"child", guest.Id()); }, 15000));

    CAppListDlg chooser;
    std::vector<DWORD> list;
    std::atomic<bool> walked(false);
    std::thread walker([&] {
        list = ListFor(chooser, top);
        walked = true;
    });
    if (!PumpUntil([&] { return walked.load(); }, 60000)) {
        // The walk cannot be stopped from outside; end here with the failure on record.
        ADD_FAILURE() << "the walk of a " << kDepth << "-deep window tree did not end within 60 s";
        guest.End();
        fflush(stdout);
        TerminateProcess(GetCurrentProcess(), 1);
    }
    walker.join();
    EXPECT_EQ(Listed({GetCurrentProcessId(), guest.Id(), 0}), Listed(list));
    DestroyWindow(top);
}

// A picked window in which a second process opens and closes child windows all the time, and a
// third keeps one child open. A child that closes while the tree is walked adds nothing: every
// list holds each id once, the picked window's first, and no 0 before its end, so the process
// whose child stays after the closing ones is never cut off.
TEST(AppListDlg, ChildrenClosingDuringTheWalkLeaveNoZeroInTheList)
{
    Helper host("\"Chooser Test E\"");
    HWND window = WaitForTitle(L"Chooser Test E");
    ASSERT_TRUE(window);
    Helper churn("--churn " + HexHandle(window));
    ASSERT_TRUE(WaitUntil([&] { return HasChildOf(window, L"churn", churn.Id()); }, 15000, 1));
    Helper stay("--child " + HexHandle(window));
    ASSERT_TRUE(WaitUntil([&] { return HasChildOf(window, L"child", stay.Id()); }, 15000));

    CAppListDlg chooser;
    const int kWalks = 1000;
    int withChurn = 0;
    for (int walk = 0; walk < kWalks; ++walk) {
        std::vector<DWORD> list = ListFor(chooser, window);
        ASSERT_TRUE(WellFormed(list)) << "walk " << walk << ": " << Listed(list);
        ASSERT_EQ(host.Id(), list[0]) << "walk " << walk << ": " << Listed(list);
        ASSERT_NE(std::find(list.begin(), list.end(), stay.Id()), list.end())
            << "walk " << walk << ": " << Listed(list);
        withChurn += std::find(list.begin(), list.end(), churn.Id()) != list.end() ? 1 : 0;
    }
    // The walks met children of the churning process, so some of them were closing.
    EXPECT_GT(withChurn, 0);
}

// One row painted into a bitmap: the icon 32 x 32 two pixels in, the selection colour only
// behind the text, nothing painted for a row without an icon.
TEST(ListBoxEx, RowShowsTheWindowIconAndTheSelectionColourBehindTheText)
{
    HICON icon = GreenIcon();
    HWND withIcon = CreateWindowExW(0, L"STATIC", L"row", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SendMessageW(withIcon, WM_SETICON, ICON_BIG, (LPARAM)icon);
    HWND withoutIcon = CreateWindowExW(0, L"STATIC", L"row", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);

    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bits = CreateCompatibleBitmap(screen, 300, 36);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bits);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT all = {0, 0, 300, 36};

    struct Case {
        HWND window;
        UINT state;
        COLORREF iconPixel, textBack;
    } cases[] = {
        {withIcon, ODS_SELECTED, RGB(0, 200, 0), CListBoxEx::kSelectedBack},
        {withIcon, 0, RGB(0, 200, 0), RGB(255, 255, 255)},
        {withoutIcon, ODS_SELECTED, RGB(255, 0, 0), CListBoxEx::kSelectedBack},
    };
    CListBoxEx list;
    for (const Case& c : cases) {
        FillRect(dc, &all, red);
        DRAWITEMSTRUCT item = {};
        item.CtlType = ODT_LISTBOX;
        item.itemID = 0;
        item.itemState = c.state;
        item.hDC = dc;
        item.rcItem = all;
        item.itemData = (ULONG_PTR)c.window;
        list.DrawItem(&item);
        EXPECT_EQ(c.iconPixel, GetPixel(dc, 2, 2));
        EXPECT_EQ(c.iconPixel, GetPixel(dc, 33, 33));
        EXPECT_EQ(RGB(255, 0, 0), GetPixel(dc, 1, 1));   // the icon column is not filled
        EXPECT_EQ(RGB(255, 0, 0), GetPixel(dc, 35, 35)); // ... up to its edge
        EXPECT_EQ(c.textBack, GetPixel(dc, 36, 0));
        EXPECT_EQ(c.textBack, GetPixel(dc, 299, 35));
    }
    SelectObject(dc, old);
    DeleteObject(bits);
    DeleteObject(red);
    DeleteDC(dc);
    DestroyWindow(withIcon);
    DestroyWindow(withoutIcon);
    DestroyIcon(icon);
}

// Template 333 exists in English and in Simplified Chinese, each with its own title.
TEST(AppListDlg, TemplateHasBothLanguages)
{
    struct Case {
        WORD language;
        const wchar_t* title;
    } cases[] = {{MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), L"Choose Application"},
                 {MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED), L"\u9009\u62e9\u7a0b\u5e8f"}};
    for (const Case& c : cases) {
        HRSRC found = FindResourceExW(GetModuleHandleW(nullptr), (LPCWSTR)RT_DIALOG,
                                      MAKEINTRESOURCEW(IDD_APP_LIST), c.language);
        ASSERT_TRUE(found) << c.language;
        const wchar_t* bytes = (const wchar_t*)LockResource(LoadResource(GetModuleHandleW(nullptr), found));
        DWORD size = SizeofResource(GetModuleHandleW(nullptr), found);
        std::wstring text(bytes, size / sizeof(wchar_t));
        EXPECT_NE(std::wstring::npos, text.find(c.title)) << c.language;
    }
}
