// The application chooser on the program's own template, with windows of helper processes,
// driven with real mouse and keyboard input.
#include <gtest/gtest.h>
#include <string>
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
    ~Helper()
    {
        if (process.hProcess) {
            TerminateProcess(process.hProcess, 0);
            WaitForSingleObject(process.hProcess, 5000);
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
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
