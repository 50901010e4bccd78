#include "tests/support/screen_pixels.h"
#include <stdlib.h>
#include "tests/support/waiting.h"

namespace {

// The screen's pixels over r as 0x00RRGGBB values, rows top-down; empty when the grab failed.
std::vector<DWORD> Grab(const RECT& r, DWORD rop)
{
    const int w = r.right - r.left, h = r.bottom - r.top;
    std::vector<DWORD> pixels;
    if (w <= 0 || h <= 0)
        return pixels;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP section = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (memory && section && bits) {
        HGDIOBJ old = SelectObject(memory, section);
        BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, rop);
        GdiFlush();
        const DWORD* p = (const DWORD*)bits;
        pixels.assign(p, p + w * h);
        SelectObject(memory, old);
    }
    if (section)
        DeleteObject(section);
    if (memory)
        DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

COLORREF FromDib(DWORD p) { return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF); }

} // namespace

RECT Rect(int left, int top, int right, int bottom)
{
    RECT r = {left, top, right, bottom};
    return r;
}

COLORREF ScreenPixel(int x, int y)
{
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return c;
}

COLORREF ScreenPixel(POINT p) { return ScreenPixel(p.x, p.y); }

std::vector<COLORREF> ScreenArea(const RECT& r)
{
    std::vector<COLORREF> pixels;
    for (DWORD p : Grab(r, SRCCOPY))
        pixels.push_back(FromDib(p));
    return pixels;
}

std::vector<COLORREF> ScreenClientArea(HWND window, const RECT& r)
{
    std::vector<COLORREF> pixels;
    HDC screen = GetDC(nullptr);
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            POINT p = {x, y};
            ClientToScreen(window, &p);
            pixels.push_back(GetPixel(screen, p.x, p.y));
        }
    ReleaseDC(nullptr, screen);
    return pixels;
}

int CountScreenPixels(const RECT& screen, COLORREF colour, int tolerance)
{
    std::vector<COLORREF> pixels;
    for (DWORD p : Grab(screen, SRCCOPY | CAPTUREBLT))
        pixels.push_back(FromDib(p));
    return CountNear(pixels, colour, tolerance);
}

int CountNear(const std::vector<COLORREF>& pixels, COLORREF colour, int tolerance)
{
    int n = 0;
    for (COLORREF c : pixels)
        n += Near(c, colour, tolerance);
    return n;
}

std::vector<COLORREF> RenderTime(const wchar_t* text, HFONT timeFont, int w)
{
    const int h = 18;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bits = CreateCompatibleBitmap(screen, w, h);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bits);
    RECT r = {0, 0, w, h};
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    HGDIOBJ font = SelectObject(dc, timeFont);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    DrawTextW(dc, text, -1, &r, DT_SINGLELINE | DT_VCENTER);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            pixels.push_back(GetPixel(dc, x, y));
    SelectObject(dc, font);
    SelectObject(dc, old);
    DeleteObject(bits);
    DeleteDC(dc);
    return pixels;
}

int LastDarkColumn(const std::vector<COLORREF>& pixels, int width)
{
    int last = -1;
    for (size_t i = 0; i < pixels.size(); ++i) {
        COLORREF c = pixels[i];
        if (GetRValue(c) < 100 && GetGValue(c) < 100 && GetBValue(c) < 100 && (int)(i % width) > last)
            last = (int)(i % width);
    }
    return last;
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

bool ScreenShows(int x, int y, COLORREF colour, int tolerance, DWORD timeoutMs)
{
    return PumpUntil([&] { return Near(ScreenPixel(x, y), colour, tolerance); }, timeoutMs);
}
