#include "tests/support/ui_input.h"
#include "tests/support/morvale_process.h"
#include <stdlib.h>
#include <vector>

namespace {

void SendKey(WORD key, bool up)
{
    INPUT in = {};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = key;
    in.ki.wScan = (WORD)MapVirtualKeyW(key, MAPVK_VK_TO_VSC);
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &in, sizeof(in));
}

void SendButton(bool right, bool up)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = right ? (up ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_RIGHTDOWN)
                          : (up ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN);
    SendInput(1, &in, sizeof(in));
}

} // namespace

bool BringToFront(HWND window, DWORD timeoutMs)
{
    return WaitUntil(
        [&] {
            if (GetForegroundWindow() == window)
                return true;
            SetForegroundWindow(window);
            return false;
        },
        timeoutMs, 50);
}

void PressKey(WORD key, WORD modifier)
{
    if (modifier)
        SendKey(modifier, false);
    SendKey(key, false);
    SendKey(key, true);
    if (modifier)
        SendKey(modifier, true);
    Sleep(20);
}

void TypeText(const std::wstring& text)
{
    for (wchar_t c : text) {
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wScan = in[1].ki.wScan = c;
        in[0].ki.dwFlags = KEYEVENTF_UNICODE;
        in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        SendInput(2, in, sizeof(INPUT));
    }
    Sleep(20);
}

void ClickAt(POINT screen, bool right)
{
    SetCursorPos(screen.x, screen.y);
    Sleep(30);
    SendButton(right, false);
    Sleep(30);
    SendButton(right, true);
    Sleep(30);
}

void DoubleClickAt(POINT screen)
{
    SetCursorPos(screen.x, screen.y);
    Sleep(30);
    for (int i = 0; i < 2; ++i) {
        SendButton(false, false);
        SendButton(false, true);
    }
    Sleep(30);
}

POINT CenterOf(HWND window)
{
    RECT r = {};
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void ClickWindow(HWND window) { ClickAt(CenterOf(window)); }

int CountScreenPixels(const RECT& screen, COLORREF colour, int tolerance)
{
    int w = screen.right - screen.left, h = screen.bottom - screen.top;
    if (w <= 0 || h <= 0)
        return 0;
    HDC screenDC = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screenDC);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(screenDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, section);
    BitBlt(memory, 0, 0, w, h, screenDC, screen.left, screen.top, SRCCOPY | CAPTUREBLT);
    GdiFlush();
    int count = 0;
    const BYTE* p = (const BYTE*)bits;
    for (int i = 0; bits && i < w * h; ++i, p += 4) {
        if (abs(p[2] - GetRValue(colour)) <= tolerance && abs(p[1] - GetGValue(colour)) <= tolerance &&
            abs(p[0] - GetBValue(colour)) <= tolerance)
            ++count;
    }
    SelectObject(memory, old);
    DeleteObject(section);
    DeleteDC(memory);
    ReleaseDC(nullptr, screenDC);
    return count;
}
