#include "tests/engine/colour_window.h"

#include <stdio.h>
#include <string>

namespace {

const wchar_t kClass[] = L"MorvaleTestColour";

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM w, LPARAM l)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        RECT client;
        GetClientRect(window, &client);
        FillRect(dc, &client, (HBRUSH)GetWindowLongPtrW(window, GWLP_USERDATA));
        EndPaint(window, &ps);
        return 0;
    }
    if (message == WM_ERASEBKGND)
        return 1;
    return DefWindowProcW(window, message, w, l);
}

void Register()
{
    static bool done = false;
    if (done)
        return;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(NULL);
    wc.hCursor = LoadCursorW(NULL, IDC_ARROW);
    wc.lpszClassName = kClass;
    RegisterClassW(&wc);
    done = true;
}

} // namespace

void PumpMessages(int ms)
{
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    } while ((int)(GetTickCount() - start) < ms);
}

ColourWindow::ColourWindow(const RECT& rect, COLORREF colour, int layeredAlpha)
{
    Register();
    brush_ = CreateSolidBrush(colour);
    DWORD ex = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | (layeredAlpha >= 0 ? WS_EX_LAYERED : 0);
    window_ = CreateWindowExW(ex, kClass, L"colour", WS_POPUP, rect.left, rect.top,
                              rect.right - rect.left, rect.bottom - rect.top, NULL, NULL,
                              GetModuleHandleW(NULL), NULL);
    SetWindowLongPtrW(window_, GWLP_USERDATA, (LONG_PTR)brush_);
    if (layeredAlpha >= 0)
        SetLayeredWindowAttributes(window_, 0, (BYTE)layeredAlpha, LWA_ALPHA);
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    UpdateWindow(window_);
    PumpMessages(300);
}

ColourWindow::~ColourWindow()
{
    if (window_)
        DestroyWindow(window_);
    if (brush_)
        DeleteObject(brush_);
    PumpMessages(100);
}

void ColourWindow::Move(const RECT& rect)
{
    SetWindowPos(window_, HWND_TOPMOST, rect.left, rect.top, rect.right - rect.left,
                 rect.bottom - rect.top, SWP_NOACTIVATE);
    PumpMessages(300);
}

HelperWindow::HelperWindow(const RECT& r, unsigned rgb)
{
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(NULL, exe, MAX_PATH);
    std::wstring path = exe;
    path = path.substr(0, path.find_last_of(L'\\') + 1) + L"colour_window_helper.exe";
    wchar_t args[200];
    swprintf(args, 200, L"\"%ls\" %ld %ld %ld %ld %06X", path.c_str(), r.left, r.top, r.right, r.bottom, rgb);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    if (CreateProcessW(path.c_str(), args, NULL, NULL, FALSE, 0, NULL, NULL, &si, &process_)) {
        CloseHandle(process_.hThread);
        WaitForInputIdle(process_.hProcess, 10000);
        PumpMessages(500);
    }
}

HelperWindow::~HelperWindow()
{
    if (process_.hProcess) {
        TerminateProcess(process_.hProcess, 0);
        WaitForSingleObject(process_.hProcess, 5000);
        CloseHandle(process_.hProcess);
        PumpMessages(200);
    }
}
