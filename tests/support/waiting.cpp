#include "tests/support/waiting.h"

bool WaitUntil(const std::function<bool()>& predicate, DWORD timeoutMs, DWORD periodMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (predicate())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return predicate();
        Sleep(periodMs);
    }
}

void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    GdiFlush();
}

void PumpFor(DWORD ms)
{
    DWORD end = GetTickCount() + ms;
    do {
        Pump();
        Sleep(5);
    } while ((int)(GetTickCount() - end) < 0);
}

bool PumpUntil(const std::function<bool()>& predicate, DWORD timeoutMs)
{
    return WaitUntil([&] {
        Pump();
        return predicate();
    }, timeoutMs);
}

HWND WaitForWindow(const wchar_t* className, const wchar_t* title, DWORD timeoutMs)
{
    HWND found = nullptr;
    WaitUntil([&] {
        found = FindWindowW(className, title);
        return found && IsWindowVisible(found);
    }, timeoutMs, 20);
    return found && IsWindowVisible(found) ? found : nullptr;
}

std::wstring WindowTextOf(HWND window)
{
    wchar_t text[1024] = L"";
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, (LPARAM)text, SMTO_ABORTIFHUNG, 2000, nullptr);
    return text;
}
