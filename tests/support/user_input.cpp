#include "tests/support/user_input.h"
#include <atomic>
#include <thread>
#include "tests/support/waiting.h"

namespace {

// A mouse event whose absolute position is rounded to the nearest normalised step.
void SendPositioned(DWORD flags, int x, int y)
{
    INPUT input = {};
    input.type = INPUT_MOUSE;
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    input.mi.dx = (LONG)(((long long)x * 65536 + w / 2) / w);
    input.mi.dy = (LONG)(((long long)y * 65536 + h / 2) / h);
    input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    SendInput(1, &input, sizeof(input));
    Sleep(15);
}

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
    SendMouseButton(right ? (up ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_RIGHTDOWN)
                          : (up ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN));
}

} // namespace

void MouseMove(int x, int y)
{
    SendPositioned(0, x, y);
    SetCursorPos(x, y);
}

void MouseDown(int x, int y, bool right)
{
    MouseMove(x, y);
    SendPositioned(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN, x, y);
}

void MouseUp(int x, int y, bool right)
{
    SendPositioned(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP, x, y);
}

void Click(int x, int y, bool right)
{
    MouseDown(x, y, right);
    MouseUp(x, y, right);
    Sleep(30);
}

void Drag(int x0, int y0, int x1, int y1, int steps)
{
    MouseDown(x0, y0);
    for (int i = 1; i <= steps; ++i)
        MouseMove(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps);
    MouseUp(x1, y1);
    Sleep(30);
}

void SendMouseMove(int x, int y)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    // Rounded up, so the system's scaling back to pixels lands on the pixel itself.
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    in.mi.dx = (x * 65536 + w - 1) / w;
    in.mi.dy = (y * 65536 + h - 1) / h;
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
}

void SendMouseButton(DWORD flags)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof in);
}

void MouseMoveAndWait(int x, int y)
{
    SendMouseMove(x, y);
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
    SendMouseButton(MOUSEEVENTF_LEFTDOWN);
    Sleep(60);
}

void LeftUp()
{
    SendMouseButton(MOUSEEVENTF_LEFTUP);
    Sleep(60);
}

void DragThrough(const POINT& from, std::initializer_list<POINT> through)
{
    MouseMoveAndWait(from.x, from.y);
    LeftDown();
    for (const POINT& p : through)
        MouseMoveAndWait(p.x, p.y);
    LeftUp();
}

void DragCursor(POINT from, POINT to)
{
    SetCursorPos(from.x, from.y);
    Sleep(30);
    SendMouseButton(MOUSEEVENTF_LEFTDOWN);
    Sleep(20);
    for (int i = 1; i <= 10; ++i) {
        SetCursorPos(from.x + (to.x - from.x) * i / 10, from.y + (to.y - from.y) * i / 10);
        SendMouseButton(MOUSEEVENTF_MOVE);
        Sleep(20);
    }
    SendMouseButton(MOUSEEVENTF_LEFTUP);
    Sleep(50);
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

void ClickWindow(HWND window) { ClickAt(CenterOf(window)); }

void PressKey(WORD key, WORD modifier)
{
    if (modifier)
        SendKey(modifier, false);
    SendKey(key, false);
    SendKey(key, true);
    if (modifier)
        SendKey(modifier, true);
    Sleep(30);
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

POINT CenterOf(HWND window)
{
    RECT r = {};
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

POINT ClientToScreenPoint(HWND window, int x, int y)
{
    POINT p = {x, y};
    ClientToScreen(window, &p);
    return p;
}

void WithUser(const std::function<void()>& ui, const std::function<void()>& user)
{
    std::thread driver(user);
    ui();
    driver.join();
}

void AsUser(const std::function<void()>& user, DWORD timeoutMs)
{
    std::atomic<bool> done(false);
    WithUser([&] { PumpUntil([&] { return done.load(); }, timeoutMs); }, [&] {
        user();
        done = true;
    });
}

void WithInput(const std::function<void()>& input)
{
    std::atomic<bool> done(false);
    std::thread sender([&] {
        input();
        done = true;
    });
    while (!done)
        PumpFor(10);
    sender.join();
    PumpFor(150);
}
