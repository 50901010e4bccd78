// The overwrite confirmation on the test screen: each way out and the value it returns, the two
// names it shows, and a long path shortened in its middle.
#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <thread>
#include "app/confirm_dlg.h"
#include "app/resource.h"
#include "tests/support/morvale_process.h"
#include "tests/support/user_input.h"
#include "tests/support/waiting.h"

namespace {

// The confirmation of this process once it is visible, or nullptr after the deadline.
HWND WaitForConfirm()
{
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND w : TopLevelWindows(GetCurrentProcessId()))
                if (IsWindowVisible(w) && WindowText(w) == L"Confirm")
                    found = w;
            return found != nullptr;
        },
        20000);
    return found;
}

struct Seen {
    std::wstring current, proposed;
    bool pathEllipsis = false;
};

// Runs the dialog; act answers it from another thread, as a user would, once it shows.
INT_PTR RunConfirm(const std::wstring& current, const std::wstring& proposed,
                   const std::function<void(HWND)>& act, Seen* seen = nullptr)
{
    CConfirmDlg dialog;
    dialog.currentName = current.c_str();
    dialog.proposedName = proposed.c_str();
    std::thread user([&] {
        HWND window = WaitForConfirm();
        if (!window)
            return;
        if (seen) {
            HWND currentLine = GetDlgItem(window, IDC_CURRENT_NAME);
            seen->current = WindowText(currentLine);
            seen->proposed = WindowText(GetDlgItem(window, IDC_NEW_NAME));
            seen->pathEllipsis = (GetWindowLongW(currentLine, GWL_STYLE) & SS_PATHELLIPSIS) &&
                                 (GetWindowLongW(GetDlgItem(window, IDC_NEW_NAME), GWL_STYLE) & SS_PATHELLIPSIS);
        }
        act(window);
        // An answer lost under load must not leave the dialog (and the test) hanging; IDOK ends
        // it with a value no case expects.
        if (!WaitUntil([&] { return !IsWindow(window); }, 20000))
            PostMessageW(window, WM_COMMAND, IDOK, 0);
    });
    INT_PTR result = dialog.DoModal();
    user.join();
    return result;
}

void Click(HWND window, int id)
{
    BringToFront(window);
    ClickWindow(GetDlgItem(window, id));
}

void Key(HWND window, WORD key)
{
    BringToFront(window);
    PressKey(key);
}

} // namespace

TEST(ConfirmDialog, EachAnswerReturnsItsValue)
{
    struct Case {
        const char* how;
        std::function<void(HWND)> act;
        INT_PTR expected;
    } cases[] = {
        {"Keep", [](HWND w) { Click(w, IDC_KEEP); }, 7},
        {"Overwrite", [](HWND w) { Click(w, IDC_OVERWRITE); }, 6},
        {"Cancel", [](HWND w) { Click(w, IDCANCEL); }, IDCANCEL},
        {"Esc", [](HWND w) { Key(w, VK_ESCAPE); }, IDCANCEL},
        {"Enter (Keep is the default button)", [](HWND w) { Key(w, VK_RETURN); }, 7},
        {"close box", [](HWND w) { PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0); }, IDCANCEL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        EXPECT_EQ(RunConfirm(L"C:\\v\\record1.flv", L"C:\\v\\record2.flv", c.act), c.expected);
    }
}

TEST(ConfirmDialog, ShowsBothNamesAndKeepsAnEmptyProposal)
{
    Seen seen;
    INT_PTR result = RunConfirm(L"C:\\v\\clip.flv", L"C:\\v\\clip1.flv",
                                [](HWND w) { Click(w, IDC_KEEP); }, &seen);
    EXPECT_EQ(result, 7);
    EXPECT_EQ(seen.current, L"C:\\v\\clip.flv");
    EXPECT_EQ(seen.proposed, L"C:\\v\\clip1.flv");

    Seen empty;
    EXPECT_EQ(RunConfirm(L"C:\\v\\clip.flv", L"", [](HWND w) { Click(w, IDC_KEEP); }, &empty), 7);
    EXPECT_EQ(empty.proposed, L"");
}

// A path far wider than its line: what the line shows is the platform's path ellipsis of it,
// which keeps the start and the file name and drops the middle.
TEST(ConfirmDialog, LongPathShowsWithEllipsisInItsMiddle)
{
    std::wstring path = L"C:\\";
    for (int i = 0; i < 30; ++i)
        path += L"folder" + std::to_wstring(i) + L"\\";
    path += L"the-recording.flv";

    Seen seen;
    std::wstring drawn;
    RunConfirm(path, L"C:\\v\\x1.flv",
               [&](HWND w) {
                   HWND line = GetDlgItem(w, IDC_CURRENT_NAME);
                   RECT r;
                   GetClientRect(line, &r);
                   // What a path ellipsis leaves of this path in this line's font and width.
                   HDC dc = GetDC(line);
                   HGDIOBJ old = SelectObject(dc, (HFONT)SendMessageW(line, WM_GETFONT, 0, 0));
                   std::wstring buffer = path + std::wstring(8, L'\0');
                   DrawTextW(dc, &buffer[0], -1, &r,
                             DT_SINGLELINE | DT_PATH_ELLIPSIS | DT_MODIFYSTRING | DT_CALCRECT);
                   SelectObject(dc, old);
                   ReleaseDC(line, dc);
                   drawn = buffer.c_str();
                   Click(w, IDCANCEL);
               },
               &seen);
    EXPECT_TRUE(seen.pathEllipsis);
    EXPECT_EQ(seen.current, path);
    ASSERT_NE(drawn.find(L"..."), std::wstring::npos) << std::string(drawn.begin(), drawn.end());
    EXPECT_EQ(drawn.rfind(L"C:\\", 0), 0u);
    EXPECT_NE(drawn.find(L"the-recording.flv"), std::wstring::npos);
}
