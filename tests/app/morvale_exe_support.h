// Helpers of the tests that drive the real Morvale.exe: reading its controls from this process,
// ending it with Esc, the main dialog's control state in one record, the settings file as an
// ordered key list, and small files the tests make.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class MorvaleProcess;

// Ends the program with Esc pressed in its main dialog and checks that it exits cleanly (a test
// assertion: call it from the test body).
void PressEscape(MorvaleProcess& app);

// Control state read through messages (the program is another process).
std::wstring ControlText(HWND control);
int ComboSelection(HWND combo);
int ComboCount(HWND combo);
std::wstring ComboItem(HWND combo, int index);
std::wstring DialogItemText(HWND dialog, int id);
// What the main dialog shows.
struct MainState {
    std::wstring title;
    int microphone;
    std::wstring microphoneText;
    bool microphoneEnabled;
    int channel;
    std::wstring channelText;
    bool formatEnabled;      // channel and rate combos
    int rate;
    std::wstring rateText;
    std::wstring qualityLabel;
    int qualityThumb;
    bool useWatermark;
    bool watermarkControlsEnabled;
    std::wstring transparency;
    std::wstring output;
    std::wstring imagePath;
    std::wstring watermarkInfo;
};
MainState ReadMainState(HWND dialog);

// "section" / "key" / "value" in file order, values unquoted as the program writes them.
struct IniEntry {
    std::string section, key, value;
    bool operator==(const IniEntry& o) const
    {
        return section == o.section && key == o.key && value == o.value;
    }
};
std::vector<IniEntry> ParseIni(const std::string& text);
std::string Narrow(const std::wstring& wide); // UTF-8
std::wstring Widen(const std::string& utf8);

// A 24-bit BMP of width x height in colour, with a white top-left pixel (the colour key).
std::string MakeBmp(int width, int height, COLORREF colour);
// A 24-bit BMP of width x height whose pixel at (x, y), counted from the top left, is pixel(x, y).
std::string MakeBmpOf(int width, int height, const std::function<COLORREF(int x, int y)>& pixel);
