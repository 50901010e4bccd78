#include "tests/support/noise_window.h"

NoiseWindow::NoiseWindow(const RECT& rect)
    : rect_(rect), pixels_((size_t)(rect.right - rect.left) * (rect.bottom - rect.top))
{
    ready_ = CreateEventW(NULL, TRUE, FALSE, NULL);
    thread_ = CreateThread(NULL, 0, Run, this, 0, NULL);
    if (thread_)
        WaitForSingleObject(ready_, 10000);
}

NoiseWindow::~NoiseWindow()
{
    InterlockedExchange(&stop_, 1);
    if (thread_) {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    CloseHandle(ready_);
}

DWORD WINAPI NoiseWindow::Run(void* self)
{
    static_cast<NoiseWindow*>(self)->Loop();
    return 0;
}

void NoiseWindow::Loop()
{
    HWND window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, L"STATIC", L"noise",
                                  WS_POPUP | WS_VISIBLE, rect_.left, rect_.top, rect_.right - rect_.left,
                                  rect_.bottom - rect_.top, NULL, NULL, GetModuleHandleW(NULL), NULL);
    if (window) {
        Paint(window);
        shown_ = true;
    }
    SetEvent(ready_);
    while (window && !stop_) {
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        Paint(window);
        Sleep(30);
    }
    if (window)
        DestroyWindow(window);
}

void NoiseWindow::Paint(HWND window)
{
    const int width = rect_.right - rect_.left, height = rect_.bottom - rect_.top;
    for (DWORD& p : pixels_)
        p = (seed_ = seed_ * 1664525u + 1013904223u) >> 8;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    HDC dc = GetDC(window);
    SetDIBitsToDevice(dc, 0, 0, width, height, 0, 0, 0, height, pixels_.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(window, dc);
    GdiFlush();
}
