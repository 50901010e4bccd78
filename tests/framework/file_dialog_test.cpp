// The open and save file dialogs: the "a|b|" filter form, the seed in the name box, the chosen
// name with the default extension, and Cancel.
#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <thread>
#include "framework/file_dialog.h"
#include "tests/support/host.h"
#include "tests/support/morvale_process.h"
#include "tests/support/user_input.h"
#include "tests/support/waiting.h"

namespace {

std::wstring Whole(const FwString& s) { return std::wstring(s.Text(), s.Length()); }

HWND WaitForDialog()
{
    HWND found = nullptr;
    WaitUntil([&] {
        for (HWND w : TopLevelWindows(GetCurrentProcessId()))
            if (IsWindowVisible(w) && ClassName(w) == L"#32770")
                found = w;
        return found != nullptr;
    }, 30000);
    return found;
}

HWND NameBox(HWND dialog)
{
    HWND box = nullptr;
    WaitUntil([&] { return (box = FindChild(dialog, [](HWND w) { return ClassName(w) == L"Edit"; })) != nullptr; }, 10000);
    return box;
}

// Runs the dialog while user acts on it from another thread.
INT_PTR RunWithUser(FwFileDialog& dialog, const std::function<void(HWND)>& user)
{
    std::thread t([&] {
        HWND window = WaitForDialog();
        if (!window)
            return;
        user(window);
        // A click lost under load must not leave the dialog (and the test) hanging: the test
        // then fails on the result instead.
        if (!WaitUntil([&] { return !IsWindow(window); }, 20000))
            PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
    });
    INT_PTR result = dialog.DoModal();
    t.join();
    return result;
}

} // namespace

TEST(FileDialog, FilterFromBars)
{
    struct Case {
        const wchar_t* barred;
        std::wstring platform;
    } cases[] = {
        {L"Flv File(*.flv)|*.flv|Mpeg TS File(*.ts)|*.ts|",
         std::wstring(L"Flv File(*.flv)\0*.flv\0Mpeg TS File(*.ts)\0*.ts\0\0\0", 48)},
        {L"All|*.*", std::wstring(L"All\0*.*\0\0", 9)},
        {L"", std::wstring(L"\0\0", 2)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Whole(FwFileDialog::FilterFromBars(c.barred)), c.platform);
}

TEST(FileDialog, SaveShowsTheSeedAndReturnsTheChoiceWithTheDefaultExtension)
{
    std::string dir = NewTempDir("save");
    std::wstring folder = WindowsPathW(dir);
    std::wstring seed = folder + L"\\record7.flv";
    FwFileDialog dialog(FALSE, L"flv", seed.c_str(), OFN_PATHMUSTEXIST | OFN_NONETWORKBUTTON,
                        L"Flv File(*.flv)|*.flv|Mpeg TS File(*.ts)|*.ts|");
    std::wstring shown;
    INT_PTR result = RunWithUser(dialog, [&](HWND window) {
        HWND box = NameBox(window);
        ASSERT_NE(box, nullptr);
        wchar_t text[MAX_PATH] = {};
        GetWindowTextW(box, text, MAX_PATH);
        shown = text;
        std::wstring chosen = folder + L"\\clip";
        SendMessageW(box, WM_SETTEXT, 0, (LPARAM)chosen.c_str());
        // Clicked again, as a user would, when a busy machine lost the first click.
        for (int attempt = 0; attempt < 3 && IsWindow(window); ++attempt) {
            BringToFront(window);
            ClickWindow(GetDlgItem(window, IDOK));
            WaitUntil([&] { return !IsWindow(window); }, 5000);
        }
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(shown == seed || shown == L"record7.flv") << std::string(shown.begin(), shown.end());
    EXPECT_STREQ(dialog.GetPathName().Text(), (folder + L"\\clip.flv").c_str());
}

TEST(FileDialog, CancelAndTooLongSeed)
{
    std::wstring longSeed(MAX_PATH + 20, L'a');
    FwFileDialog dialog(TRUE, L".bmp", longSeed.c_str(), OFN_FILEMUSTEXIST, L"All files|*.*|");
    std::wstring shown = L"?";
    INT_PTR result = RunWithUser(dialog, [&](HWND window) {
        HWND box = NameBox(window);
        if (box) {
            wchar_t text[MAX_PATH] = {};
            GetWindowTextW(box, text, MAX_PATH);
            shown = text;
        }
        BringToFront(window);
        ClickWindow(GetDlgItem(window, IDCANCEL));
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(shown, L"") << "a seed longer than the name buffer is not cut";
}
