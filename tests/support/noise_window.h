// A topmost square of fresh noise on the screen, painted again every 30 ms by a thread of its own
// (so the test's thread may wait without pumping). Every picture recorded over it is large: a
// full disk cannot take the last pictures of a recording into what is left of a page.
#pragma once
#include <windows.h>
#include <vector>

class NoiseWindow {
public:
    explicit NoiseWindow(const RECT& rect);
    ~NoiseWindow();
    // The window exists and its first noise is on the screen.
    bool Shown() const { return shown_; }

private:
    NoiseWindow(const NoiseWindow&) = delete;
    NoiseWindow& operator=(const NoiseWindow&) = delete;
    static DWORD WINAPI Run(void* self);
    void Loop();
    void Paint(HWND window);

    RECT rect_;
    HANDLE thread_ = NULL;
    HANDLE ready_ = NULL;
    volatile LONG stop_ = 0;
    bool shown_ = false;
    std::vector<DWORD> pixels_;
    unsigned seed_ = 1;
};
