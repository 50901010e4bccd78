// The dialog base: templates, modal and modeless runs, commands, pre-translation during the modal
// loop, and data exchange with its prompts.
#include <gtest/gtest.h>
#include <atomic>
#include <string>
#include <thread>
#include "framework/data_exchange.h"
#include "framework/dialog.h"
#include "test_dialog_ids.h"

namespace {

const UINT WM_TEST_MARK = WM_APP + 7;

class TestDialog : public FwDialog {
public:
    FwString name;
    int number = 42;
    BOOL check = FALSE;
    int combo = -1;
    int initCalls = 0;
    int buttonClicks = 0;
    int marksPretranslated = 0;
    int marksHandled = 0;
    UINT postAfterInit = 0; // a command posted once the dialog stands

    TestDialog() : FwDialog(IDD_TEST_DIALOG) {}

    HWND Item(int id) const { return GetDlgItem(Handle(), id); }

protected:
    BOOL OnInitDialog() override
    {
        ++initCalls;
        for (const wchar_t* s : {L"zero", L"one", L"two"})
            SendMessageW(Item(IDC_TEST_COMBO), CB_ADDSTRING, 0, (LPARAM)s);
        BOOL result = FwDialog::OnInitDialog();
        if (postAfterInit) {
            PostMessageW(Handle(), WM_TEST_MARK, 0, 0);
            PostMessageW(Handle(), WM_COMMAND, MAKEWPARAM(IDC_TEST_BUTTON, BN_CLICKED),
                         (LPARAM)Item(IDC_TEST_BUTTON));
            PostMessageW(Handle(), WM_COMMAND, MAKEWPARAM(postAfterInit, BN_CLICKED), 0);
        }
        return result;
    }

    void DoDataExchange(FwDataExchange* dx) override
    {
        ExchangeText(dx, IDC_TEST_NAME, name);
        ExchangeText(dx, IDC_TEST_NUMBER, number);
        ValidateRange(dx, number, 10, 255);
        ExchangeCheck(dx, IDC_TEST_CHECK, check);
        ExchangeComboIndex(dx, IDC_TEST_COMBO, combo);
    }

    bool OnMessage(FwMessage& m) override
    {
        switch (m.id) {
        case WM_TEST_MARK: ++marksHandled; return true;
        case WM_COMMAND:
            switch (m.CommandId()) {
            case IDC_TEST_BUTTON: ++buttonClicks; return true;
            }
            break;
        }
        return FwDialog::OnMessage(m);
    }

    bool PreTranslateMessage(MSG* msg) override
    {
        if (msg->message == WM_TEST_MARK) {
            ++marksPretranslated;
            return true; // used up: the table never sees it
        }
        return FwDialog::PreTranslateMessage(msg);
    }
};

std::wstring Text(HWND window)
{
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

// Waits on another thread for the message box the user-interface thread shows, keeps its text
// and presses its OK button.
class MessageBoxWatcher {
public:
    explicit MessageBoxWatcher(HWND dialog) : owner(dialog), uiThread(GetCurrentThreadId())
    {
        worker = std::thread([this] { Watch(); });
    }
    ~MessageBoxWatcher()
    {
        stop = true;
        if (worker.joinable())
            worker.join();
    }
    // The box's text, once the watcher has given up or pressed OK.
    std::wstring Seen()
    {
        if (worker.joinable())
            worker.join();
        return text;
    }

private:
    void Watch()
    {
        for (int i = 0; i < 400 && !stop; ++i) {
            HWND box = nullptr;
            EnumThreadWindows(uiThread, Find, (LPARAM)this);
            box = found;
            if (box) {
                text = Text(GetDlgItem(box, 0xFFFF));
                PostMessageW(box, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(25);
        }
    }
    static BOOL CALLBACK Find(HWND window, LPARAM self)
    {
        MessageBoxWatcher* w = (MessageBoxWatcher*)self;
        wchar_t cls[16];
        if (window != w->owner && IsWindowVisible(window) && GetClassNameW(window, cls, 16)
            && lstrcmpW(cls, L"#32770") == 0 && GetWindow(window, GW_OWNER) == w->owner) {
            w->found = window;
            return FALSE;
        }
        return TRUE;
    }

    HWND owner;
    DWORD uiThread;
    HWND found = nullptr;
    std::wstring text;
    std::atomic<bool> stop{false};
    std::thread worker;
};

} // namespace

TEST(FwDialog, ModalDialogRunsItsTableAndEndsWithOk)
{
    TestDialog d;
    d.postAfterInit = IDOK;
    d.name = L"from member";
    EXPECT_EQ(d.DoModal(), IDOK);
    EXPECT_EQ(d.initCalls, 1);
    EXPECT_EQ(d.buttonClicks, 1);
    // Posted messages pass the pre-translation of the modal loop first.
    EXPECT_EQ(d.marksPretranslated, 1);
    EXPECT_EQ(d.marksHandled, 0);
    // OnOK took the controls (filled from the members at start) back into the members.
    EXPECT_STREQ(d.name.Text(), L"from member");
    EXPECT_EQ(d.number, 42);
    EXPECT_EQ(d.Handle(), nullptr);
}

TEST(FwDialog, CancelEndsTheModalDialogWithCancel)
{
    TestDialog d;
    d.postAfterInit = IDCANCEL;
    EXPECT_EQ(d.DoModal(), IDCANCEL);
}

TEST(FwDialog, MissingTemplateFails)
{
    class Missing : public FwDialog {
    public:
        Missing() : FwDialog(9999) {}
    } d;
    EXPECT_EQ(d.DoModal(), -1);
    EXPECT_FALSE(d.Create());
    EXPECT_EQ(d.Handle(), nullptr);
}

TEST(FwDialog, ModelessDialogStandsUntilDestroyed)
{
    TestDialog d;
    ASSERT_TRUE(d.Create());
    HWND window = d.Handle();
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(FwWindow::FromHandle(window), &d);
    EXPECT_EQ(d.initCalls, 1);
    EXPECT_EQ(Text(window), L"Framework test");
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_TEST_BUTTON, BN_CLICKED), (LPARAM)d.Item(IDC_TEST_BUTTON));
    EXPECT_EQ(d.buttonClicks, 1);
    d.DestroyWindow();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(d.Handle(), nullptr);
}

TEST(FwDataExchange, MembersGoIntoTheControls)
{
    TestDialog d;
    ASSERT_TRUE(d.Create());
    d.name = L"clip";
    d.number = 77;
    d.check = TRUE;
    d.combo = 2;
    EXPECT_TRUE(d.UpdateData(FALSE));
    EXPECT_EQ(Text(d.Item(IDC_TEST_NAME)), L"clip");
    EXPECT_EQ(Text(d.Item(IDC_TEST_NUMBER)), L"77");
    EXPECT_EQ(SendMessageW(d.Item(IDC_TEST_CHECK), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageW(d.Item(IDC_TEST_COMBO), CB_GETCURSEL, 0, 0), 2);
}

TEST(FwDataExchange, ControlsGoIntoTheMembers)
{
    struct Case {
        const wchar_t* number;
        int expected;
    } cases[] = {{L"10", 10}, {L"255", 255}, {L" 100 ", 100}, {L"+12", 12}};
    for (const Case& c : cases) {
        TestDialog d;
        ASSERT_TRUE(d.Create());
        SetWindowTextW(d.Item(IDC_TEST_NAME), L"typed name");
        SetWindowTextW(d.Item(IDC_TEST_NUMBER), c.number);
        SendMessageW(d.Item(IDC_TEST_CHECK), BM_SETCHECK, BST_CHECKED, 0);
        SendMessageW(d.Item(IDC_TEST_COMBO), CB_SETCURSEL, 1, 0);
        EXPECT_TRUE(d.UpdateData(TRUE)) << c.number;
        EXPECT_STREQ(d.name.Text(), L"typed name");
        EXPECT_EQ(d.number, c.expected) << c.number;
        EXPECT_EQ(d.check, TRUE);
        EXPECT_EQ(d.combo, 1);
        SendMessageW(d.Item(IDC_TEST_COMBO), CB_SETCURSEL, (WPARAM)-1, 0);
        EXPECT_TRUE(d.UpdateData(TRUE));
        EXPECT_EQ(d.combo, -1); // no selection
    }
}

TEST(FwDataExchange, BadIntegerPromptsAndEndsTheExchangeThere)
{
    struct Case {
        const wchar_t* number;
        const wchar_t* prompt;
    } cases[] = {
        {L"300", L"Please enter an integer between 10 and 255."},
        {L"9", L"Please enter an integer between 10 and 255."},
        {L"-5", L"Please enter an integer between 10 and 255."},
        {L"12abc", L"Please enter an integer."},
        {L"", L"Please enter an integer."},
        {L"99999999999", L"Please enter an integer."},
    };
    for (const Case& c : cases) {
        TestDialog d;
        ASSERT_TRUE(d.Create());
        ShowWindow(d.Handle(), SW_SHOW);
        SetWindowTextW(d.Item(IDC_TEST_NAME), L"kept");
        SetWindowTextW(d.Item(IDC_TEST_NUMBER), c.number);
        SendMessageW(d.Item(IDC_TEST_CHECK), BM_SETCHECK, BST_CHECKED, 0);
        d.number = 42;
        BOOL ok;
        std::wstring prompt;
        {
            MessageBoxWatcher watcher(d.Handle());
            ok = d.UpdateData(TRUE);
            prompt = watcher.Seen();
        }
        EXPECT_FALSE(ok) << c.number;
        EXPECT_EQ(prompt, c.prompt) << c.number;
        EXPECT_STREQ(d.name.Text(), L"kept");     // exchanged before the failure
        EXPECT_EQ(d.check, FALSE) << c.number;    // after it: not reached
        if (wcscmp(c.prompt, L"Please enter an integer.") == 0) {
            EXPECT_EQ(d.number, 42) << c.number; // nothing taken from bad text
        }
        EXPECT_EQ(GetFocus(), d.Item(IDC_TEST_NUMBER)) << c.number;
    }
}
