// Plain-coloured popup windows for the grabber tests, shown by the test's own process.
#pragma once
#include <windows.h>

class ColourWindow {
public:
    // A visible popup over rect, filled with colour; topmost so nothing of Wine's covers it.
    // layeredAlpha >= 0 makes it a layered window of that opacity.
    ColourWindow(const RECT& rect, COLORREF colour, int layeredAlpha = -1);
    ~ColourWindow();

    HWND Handle() const { return window_; }
    void Move(const RECT& rect);

private:
    HWND window_ = NULL;
    HBRUSH brush_ = NULL;
};

// Runs the thread's message queue for about ms milliseconds.
void PumpMessages(int ms);

// A second process (colour_window_helper.exe, beside the test) showing one coloured window over
// rect, for the application-recording tests; ended when the object goes.
class HelperWindow {
public:
    HelperWindow(const RECT& rect, unsigned rgb);
    ~HelperWindow();

    DWORD Id() const { return process_.dwProcessId; }

private:
    HelperWindow(const HelperWindow&) = delete;
    HelperWindow& operator=(const HelperWindow&) = delete;

    PROCESS_INFORMATION process_ = {};
};
