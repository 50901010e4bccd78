#include "tests/overlay/overlay_test_support.h"

#include <stdlib.h>
#include <atomic>
#include <thread>

#include "tests/engine/colour_window.h"

RECT Rect(int left, int top, int right, int bottom)
{
    RECT r = {left, top, right, bottom};
    return r;
}

COLORREF ScreenPixel(int x, int y)
{
    HDC screen = GetDC(NULL);
    COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(NULL, screen);
    return c;
}

std::vector<COLORREF> ScreenArea(const RECT& r)
{
    const int w = r.right - r.left, h = r.bottom - r.top;
    std::vector<COLORREF> pixels;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = NULL;
    HDC screen = GetDC(NULL);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    if (memory && section) {
        HGDIOBJ old = SelectObject(memory, section);
        BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
        GdiFlush();
        const DWORD* p = (const DWORD*)bits;
        for (int i = 0; i < w * h; ++i)
            pixels.push_back(RGB((p[i] >> 16) & 0xFF, (p[i] >> 8) & 0xFF, p[i] & 0xFF));
        SelectObject(memory, old);
    }
    if (section)
        DeleteObject(section);
    if (memory)
        DeleteDC(memory);
    ReleaseDC(NULL, screen);
    return pixels;
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (done())
            return true;
        if ((int)(GetTickCount() - start) > timeoutMs)
            return done();
        PumpMessages(20);
    }
}

bool Near(COLORREF a, COLORREF b, int tolerance)
{
    return abs(GetRValue(a) - GetRValue(b)) <= tolerance && abs(GetGValue(a) - GetGValue(b)) <= tolerance &&
           abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

COLORREF Blend(COLORREF a, COLORREF b, int alpha)
{
    auto mix = [alpha](int x, int y) { return (x * alpha + y * (255 - alpha) + 127) / 255; };
    return RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)), mix(GetBValue(a), GetBValue(b)));
}

bool ScreenShows(int x, int y, COLORREF colour, int tolerance, int timeoutMs)
{
    return WaitFor([&] { return Near(ScreenPixel(x, y), colour, tolerance); }, timeoutMs);
}

void WithInput(const std::function<void()>& input)
{
    std::atomic<bool> done(false);
    std::thread sender([&] {
        input();
        done = true;
    });
    while (!done)
        PumpMessages(10);
    sender.join();
    PumpMessages(150);
}

namespace {

void SendMouse(DWORD flags, int dx = 0, int dy = 0)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dx = dx;
    in.mi.dy = dy;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof in);
}

} // namespace

void MoveTo(int x, int y)
{
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    // Rounded up, so the system's scaling back to pixels lands on the pixel itself.
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, (x * 65536 + w - 1) / w, (y * 65536 + h - 1) / h);
    for (int i = 0; i < 100; ++i) {
        POINT p;
        GetCursorPos(&p);
        if (p.x == x && p.y == y)
            break;
        Sleep(10);
    }
    // Time for the window under the cursor to take the move before the next one comes.
    Sleep(40);
}

void LeftDown()
{
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    Sleep(60);
}

void LeftUp()
{
    SendMouse(MOUSEEVENTF_LEFTUP);
    Sleep(60);
}

void Drag(const POINT& from, std::initializer_list<POINT> through)
{
    MoveTo(from.x, from.y);
    LeftDown();
    for (const POINT& p : through)
        MoveTo(p.x, p.y);
    LeftUp();
}

TestToolbar::TestToolbar(const RECT& rect, COLORREF colour) : brush(CreateSolidBrush(colour))
{
    CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, nullptr, L"toolbar", WS_POPUP | WS_VISIBLE, rect, nullptr, 0);
    PumpMessages(200);
}

TestToolbar::~TestToolbar()
{
    DestroyWindow();
    DeleteObject(brush);
}

bool TestToolbar::OnMessage(FwMessage& m)
{
    switch (m.id) {
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(Handle(), &client);
        FillRect((HDC)m.wParam, &client, brush);
        m.result = 1;
        return true;
    }
    case WM_LBUTTONDOWN: ++presses; return true;
    case WM_ACTIVATE:
        if (LOWORD(m.wParam) != WA_INACTIVE)
            ++activations;
        break;
    case WM_MOUSEACTIVATE: m.result = MA_NOACTIVATE; return true;
    }
    return FwWindow::OnMessage(m);
}

COLORREF ShownAtAlpha(const RECT& where, COLORREF colour, int alpha)
{
    ColourWindow probe(where, colour, alpha);
    const int x = (where.left + where.right) / 2, y = (where.top + where.bottom) / 2;
    // The probe is up once the screen has changed there and then holds still.
    COLORREF last = ScreenPixel(x, y);
    for (int i = 0; i < 20; ++i) {
        PumpMessages(50);
        COLORREF now = ScreenPixel(x, y);
        if (now == last && i >= 4)
            break;
        last = now;
    }
    return last;
}
