// The main dialog inside the test process: the saved-recording report in the status lines and
// their colours read back from the screen, the error colour, the blue watermark line, the
// quality label and the transparency text rules.
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include "app/morvale_dlg.h"
#include "app/resource.h"
#include "tests/support/host.h"
#include "tests/support/morvale_process.h"
#include "tests/support/screen_pixels.h"
#include "tests/support/user_input.h"
#include "tests/support/waiting.h"

namespace {

std::wstring Text(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

RECT ScreenRect(HWND dialog, int id)
{
    RECT r;
    GetWindowRect(GetDlgItem(dialog, id), &r);
    return r;
}

// The settings file the dialog writes lives beside the test program; no test may leave one.
std::wstring SettingsBesideTest() { return TMorvaleDlg::SettingsPath().Text(); }

class MainDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteFileW(SettingsBesideTest().c_str());
        ASSERT_TRUE(dialog.Create(IDD_MAIN));
        ShowWindow(dialog.Handle(), SW_SHOW);
        SetWindowPos(dialog.Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
        Pump();
    }
    void TearDown() override
    {
        dialog.DestroyWindow();
        Pump();
        owner.reset();
        DeleteFileW(SettingsBesideTest().c_str());
    }
    // Its destructor writes the settings file, which TearDown then deletes.
    std::unique_ptr<TMorvaleDlg> owner{new TMorvaleDlg};
    TMorvaleDlg& dialog = *owner;
};

const COLORREF kGreen = RGB(34, 177, 76);
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlue = RGB(0, 0, 255);

} // namespace

TEST_F(MainDialog, SavedRecordingIsReportedInGreenWithTheNextFreeName)
{
    std::string dir = NewTempDir("saved");
    WriteHostFile(dir + "/record1.flv", "x");
    WriteHostFile(dir + "/record2.flv", "x");
    std::wstring path = WindowsPathW(dir) + L"\\record2.flv";

    dialog.OnRecordingSaved(path.c_str());
    EXPECT_EQ(Text(dialog.Handle(), IDC_STATUS_TITLE), L"The video has been saved to");
    EXPECT_EQ(Text(dialog.Handle(), IDC_STATUS_PATH), path);
    EXPECT_EQ(Text(dialog.Handle(), IDC_STATUS_TEXT),
              L"You may conintue to record a new video or close this window to exit program.");
    // The trailing number goes, and counting starts again from 1.
    EXPECT_EQ(Text(dialog.Handle(), IDC_OUTPUT_PATH), WindowsPathW(dir) + L"\\record3.flv");

    for (int id : {IDC_STATUS_TITLE, IDC_STATUS_PATH, IDC_STATUS_TEXT}) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(PumpUntil([&] { return CountScreenPixels(ScreenRect(dialog.Handle(), id), kGreen, 40) > 5; }));
        EXPECT_EQ(CountScreenPixels(ScreenRect(dialog.Handle(), id), kRed, 40), 0);
    }
}

TEST_F(MainDialog, ErrorFlagTurnsTheLinesRed)
{
    dialog.OnRecordingSaved(L"C:\\nowhere\\clip.flv");
    dialog.errorFlag = TRUE;
    InvalidateRect(dialog.Handle(), nullptr, TRUE);
    for (int id : {IDC_STATUS_TITLE, IDC_STATUS_PATH, IDC_STATUS_TEXT}) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(PumpUntil([&] { return CountScreenPixels(ScreenRect(dialog.Handle(), id), kRed, 40) > 5; }));
        EXPECT_EQ(CountScreenPixels(ScreenRect(dialog.Handle(), id), kGreen, 40), 0);
    }
    // Cleared again (a new start does that), the same texts turn green at their next drawing.
    dialog.errorFlag = FALSE;
    InvalidateRect(dialog.Handle(), nullptr, TRUE);
    EXPECT_TRUE(PumpUntil([&] { return CountScreenPixels(ScreenRect(dialog.Handle(), IDC_STATUS_TEXT), kGreen, 40) > 5; }));
}

TEST_F(MainDialog, WatermarkLineIsBlue)
{
    SetDlgItemTextW(dialog.Handle(), IDC_WATERMARK_INFO, L"Can't open the image.");
    EXPECT_TRUE(PumpUntil([&] { return CountScreenPixels(ScreenRect(dialog.Handle(), IDC_WATERMARK_INFO), kBlue, 40) > 5; }));
}

TEST_F(MainDialog, QualityLabelFollowsTheSlider)
{
    EXPECT_EQ(Text(dialog.Handle(), IDC_QUALITY_GROUP), L"Quality(70%)");
    HWND bar = GetDlgItem(dialog.Handle(), IDC_QUALITY);
    BringToFront(dialog.Handle());
    SetFocus(bar);
    PressKey(VK_LEFT);
    PressKey(VK_LEFT);
    EXPECT_TRUE(PumpUntil([&] { return Text(dialog.Handle(), IDC_QUALITY_GROUP) == L"Quality(68%)"; }))
        << "label: " << std::string(Text(dialog.Handle(), IDC_QUALITY_GROUP).begin(), Text(dialog.Handle(), IDC_QUALITY_GROUP).end());
    EXPECT_EQ(dialog.quality, 68);
    dialog.UpdateQualityLabel(150);
    EXPECT_EQ(Text(dialog.Handle(), IDC_QUALITY_GROUP), L"Quality(150%)");
}

TEST(MainDialogRules, TransparencyTextToAlpha)
{
    struct Case {
        const wchar_t* text;
        int alpha;
    } cases[] = {
        {L"128", 128}, {L"0x80", 128}, {L"0X1f", 31}, {L"", 0},     {L"abc", 0},
        {L"12ab", 12}, {L"300", 300},  {L"0x", 0},    {L"0xg", 0},  {L"007", 7},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TMorvaleDlg::ParseAlpha(c.text), c.alpha) << std::string(c.text, c.text + wcslen(c.text));
}

TEST(MainDialogRules, RateIndexAndSlashes)
{
    EXPECT_EQ(TMorvaleDlg::RateForIndex(0), 8000);
    EXPECT_EQ(TMorvaleDlg::RateForIndex(8), 48000);
    EXPECT_EQ(TMorvaleDlg::RateForIndex(11), 96000);
    struct Case {
        const wchar_t* in;
        const wchar_t* out;
    } cases[] = {
        {L"C:/v/a.flv", L"C:\\v\\a.flv"},
        {L"C:\\\\v\\\\\\a.flv", L"C:\\v\\a.flv"},
        // A network path keeps the two backslashes it begins with, and only those.
        {L"\\\\server\\share", L"\\\\server\\share"},
        {L"\\\\server\\\\share\\clip.flv", L"\\\\server\\share\\clip.flv"},
        {L"\\\\\\server\\share\\clip.flv", L"\\\\server\\share\\clip.flv"},
        {L"//server/share//clip.flv", L"\\\\server\\share\\clip.flv"},
        {L"\\\\", L"\\\\"},
        {L"\\", L"\\"},
        {L"\\v\\\\a.flv", L"\\v\\a.flv"},
        {L"a\\\\b", L"a\\b"},
        {L"plain", L"plain"},
        {L"", L""},
    };
    for (const Case& c : cases) {
        FwString s = c.in;
        TMorvaleDlg::NormalizeSlashes(s);
        EXPECT_STREQ(s.Text(), c.out);
    }
}

namespace {

std::string ReadSettingsBesideTest()
{
    std::string bytes;
    if (FILE* file = _wfopen(SettingsBesideTest().c_str(), L"rb")) {
        char chunk[4096];
        size_t n;
        while ((n = fread(chunk, 1, sizeof(chunk), file)) > 0)
            bytes.append(chunk, n);
        fclose(file);
    }
    return bytes;
}

} // namespace

// A dialog that never opened has read no settings: it leaves the file of earlier runs alone
// instead of replacing it with the defaults of its constructor.
TEST(MainDialogSettings, DialogThatDidNotOpenLeavesTheFileAlone)
{
    const std::string kept = "[Main]\r\nquality = 33\r\n[Watermark]\r\nuse = 1\r\n"
                             "image = \"C:\\\\pics\\\\logo.bmp\"\r\n[Other]\r\nkey = value\r\n";
    struct Case {
        const char* name;
        UINT templateId; // 0: never created
    } cases[] = {{"never created", 0}, {"its template is missing", 9999}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FILE* file = _wfopen(SettingsBesideTest().c_str(), L"wb");
        ASSERT_TRUE(file);
        fwrite(kept.data(), 1, kept.size(), file);
        fclose(file);
        {
            TMorvaleDlg dialog;
            if (c.templateId) {
                EXPECT_FALSE(dialog.Create(c.templateId));
            }
        }
        EXPECT_EQ(ReadSettingsBesideTest(), kept);
    }
    DeleteFileW(SettingsBesideTest().c_str());
}
