#include "tests/support/user_input.h"
#include <thread>

namespace {
void SendMouse(DWORD flags, int x, int y)
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
} // namespace

void MouseMove(int x, int y)
{
    SendMouse(0, x, y);
    SetCursorPos(x, y);
}

void MouseDown(int x, int y, bool right)
{
    MouseMove(x, y);
    SendMouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN, x, y);
}

void MouseUp(int x, int y, bool right)
{
    SendMouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP, x, y);
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

void PressKey(WORD vk)
{
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = vk;
    input[0].ki.wScan = input[1].ki.wScan = (WORD)MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
    Sleep(30);
}

POINT ScreenCentre(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

POINT ClientToScreenPoint(HWND window, int x, int y)
{
    POINT p = {x, y};
    ClientToScreen(window, &p);
    return p;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, bool pump)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
        if (pump) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
        Sleep(20);
    }
}

HWND WaitForWindow(const wchar_t* className, const wchar_t* title, DWORD timeoutMs)
{
    HWND found = nullptr;
    WaitUntil([&] {
        found = FindWindowW(className, title);
        return found && IsWindowVisible(found);
    }, timeoutMs);
    return found && IsWindowVisible(found) ? found : nullptr;
}

std::wstring WindowTextOf(HWND window)
{
    wchar_t text[1024] = L"";
    // WM_GETTEXT works across threads and processes for every kind of window.
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, (LPARAM)text, SMTO_ABORTIFHUNG, 2000, nullptr);
    return text;
}

void WithUser(const std::function<void()>& ui, const std::function<void()>& user)
{
    std::thread driver(user);
    ui();
    driver.join();
}
