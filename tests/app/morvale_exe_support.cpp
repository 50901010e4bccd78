#include "tests/app/morvale_exe_support.h"
#include "app/resource.h"
#include <commctrl.h>
#include <gtest/gtest.h>
#include "tests/support/morvale_process.h"
#include "tests/support/user_input.h"

namespace {

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 10000, &result);
    return (LRESULT)result;
}

void Put16(std::string& s, unsigned v)
{
    s += (char)(v & 0xFF);
    s += (char)(v >> 8);
}

void Put32(std::string& s, unsigned v)
{
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

} // namespace

void PressEscape(MorvaleProcess& app)
{
    HWND main = app.MainWindow();
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(BringToFront(main));
    PressKey(VK_ESCAPE);
    ASSERT_TRUE(app.WaitForExit(30000)) << "Esc did not end the program";
    EXPECT_EQ(app.ExitCode(), 0u);
}

std::wstring ControlText(HWND control)
{
    int length = (int)Send(control, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(length + 1, L'\0');
    int got = (int)Send(control, WM_GETTEXT, length + 1, (LPARAM)&text[0]);
    text.resize(got > 0 ? got : 0);
    return text;
}

int ComboSelection(HWND combo) { return (int)Send(combo, CB_GETCURSEL, 0, 0); }
int ComboCount(HWND combo) { return (int)Send(combo, CB_GETCOUNT, 0, 0); }

std::wstring ComboItem(HWND combo, int index)
{
    if (index < 0)
        return L"";
    int length = (int)Send(combo, CB_GETLBTEXTLEN, index, 0);
    if (length < 0)
        return L"";
    std::wstring text(length + 1, L'\0');
    int got = (int)Send(combo, CB_GETLBTEXT, index, (LPARAM)&text[0]);
    text.resize(got > 0 ? got : 0);
    return text;
}

std::wstring DialogItemText(HWND dialog, int id) { return ControlText(GetDlgItem(dialog, id)); }

MainState ReadMainState(HWND d)
{
    MainState s;
    s.title = ControlText(d);
    HWND mic = GetDlgItem(d, IDC_MICROPHONE), ch = GetDlgItem(d, IDC_CHANNELS),
         rate = GetDlgItem(d, IDC_SAMPLE_RATE);
    s.microphone = ComboSelection(mic);
    s.microphoneText = ComboItem(mic, s.microphone);
    s.microphoneEnabled = IsWindowEnabled(mic) != FALSE;
    s.channel = ComboSelection(ch);
    s.channelText = ComboItem(ch, s.channel);
    s.formatEnabled = IsWindowEnabled(ch) && IsWindowEnabled(rate);
    s.rate = ComboSelection(rate);
    s.rateText = ComboItem(rate, s.rate);
    s.qualityLabel = DialogItemText(d, IDC_QUALITY_GROUP);
    s.qualityThumb = (int)Send(GetDlgItem(d, IDC_QUALITY), TBM_GETPOS, 0, 0);
    s.useWatermark = Send(GetDlgItem(d, IDC_USE_WATERMARK), BM_GETCHECK, 0, 0) == BST_CHECKED;
    s.watermarkControlsEnabled = IsWindowEnabled(GetDlgItem(d, IDC_CHOOSE_IMAGE)) &&
                                 IsWindowEnabled(GetDlgItem(d, IDC_TRANSPARENCY)) &&
                                 IsWindowEnabled(GetDlgItem(d, IDC_TRANSPARENCY_SPIN));
    s.transparency = DialogItemText(d, IDC_TRANSPARENCY);
    s.output = DialogItemText(d, IDC_OUTPUT_PATH);
    s.imagePath = DialogItemText(d, IDC_IMAGE_PATH);
    s.watermarkInfo = DialogItemText(d, IDC_WATERMARK_INFO);
    return s;
}

std::vector<IniEntry> ParseIni(const std::string& text)
{
    std::vector<IniEntry> entries;
    std::string section;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find("\r\n", pos);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 2;
        if (line.empty())
            continue;
        if (line[0] == '[') {
            section = line.substr(1, line.find(']') - 1);
            continue;
        }
        size_t eq = line.find(" = ");
        if (eq == std::string::npos) {
            entries.push_back({section, line, "<no ' = '>"});
            continue;
        }
        std::string value = line.substr(eq + 3);
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            std::string plain;
            for (size_t i = 1; i + 1 < value.size(); ++i) {
                if (value[i] == '\\' && i + 2 < value.size())
                    ++i;
                plain += value[i];
            }
            value = plain;
        }
        entries.push_back({section, line.substr(0, eq), value});
    }
    return entries;
}

std::string Narrow(const std::wstring& wide)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), (int)wide.size(), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), (int)wide.size(), &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring Widen(const std::string& utf8)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), (int)utf8.size(), nullptr, 0);
    std::wstring out(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), (int)utf8.size(), &out[0], n);
    return out;
}

std::string MakeBmp(int width, int height, COLORREF colour)
{
    return MakeBmpOf(width, height, [&](int x, int y) { return x == 0 && y == 0 ? RGB(255, 255, 255) : colour; });
}

std::string MakeBmpOf(int width, int height, const std::function<COLORREF(int x, int y)>& pixel)
{
    int stride = (width * 3 + 3) & ~3;
    std::string s = "BM";
    Put32(s, 54 + stride * height);
    Put32(s, 0);
    Put32(s, 54);
    Put32(s, 40);
    Put32(s, width);
    Put32(s, height);
    Put16(s, 1);
    Put16(s, 24);
    Put32(s, 0);
    Put32(s, stride * height);
    Put32(s, 2835);
    Put32(s, 2835);
    Put32(s, 0);
    Put32(s, 0);
    for (int y = height - 1; y >= 0; --y) { // bottom-up rows
        std::string row;
        for (int x = 0; x < width; ++x) {
            COLORREF c = pixel(x, y);
            row += (char)GetBValue(c);
            row += (char)GetGValue(c);
            row += (char)GetRValue(c);
        }
        row.resize(stride, '\0');
        s += row;
    }
    return s;
}
