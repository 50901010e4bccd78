// A second process for the application chooser tests: shows titled top-level windows with a green
// class icon, or one child window inside another process's window, until it is ended.
//   app_window_helper.exe title...            one visible top-level window per title
//   app_window_helper.exe --hidden title       one invisible titled window
//   app_window_helper.exe --child hwnd         a child window inside hwnd (hexadecimal)
//   app_window_helper.exe --churn hwnd         child windows inside hwnd that open and close
//                                              again and again
#include <windows.h>
#include <stdlib.h>
#include <string.h>
#include "tests/app/green_icon.h"

namespace {

// Batches of children, each opened and closed again at once, so that some close while another
// process walks the parent's tree.
void Churn(HWND parent, const wchar_t* className)
{
    const int kBatch = 40;
    HWND children[kBatch];
    for (;;) {
        for (int i = 0; i < kBatch; ++i)
            children[i] = CreateWindowExW(WS_EX_NOPARENTNOTIFY, className, L"churn", WS_CHILD, 0, 0, 4, 4,
                                          parent, nullptr, GetModuleHandleW(nullptr), nullptr);
        for (int i = 0; i < kBatch; ++i)
            if (children[i])
                DestroyWindow(children[i]);
        if (!IsWindow(parent))
            return;
    }
}

} // namespace

int main(int argc, char** argv)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hIcon = GreenIcon();
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = L"MorvaleChooserHelper";
    RegisterClassW(&wc);
    int y = 100;
    for (int i = 1; i < argc; ++i) {
        wchar_t title[1024];
        if (strcmp(argv[i], "--churn") == 0 && i + 1 < argc) {
            Churn((HWND)(UINT_PTR)strtoull(argv[++i], nullptr, 16), wc.lpszClassName);
            return 0;
        }
        if (strcmp(argv[i], "--child") == 0 && i + 1 < argc) {
            HWND parent = (HWND)(UINT_PTR)strtoull(argv[++i], nullptr, 16);
            CreateWindowExW(0, wc.lpszClassName, L"child", WS_CHILD | WS_VISIBLE, 5, 5, 50, 30, parent,
                            nullptr, wc.hInstance, nullptr);
            continue;
        }
        bool hidden = strcmp(argv[i], "--hidden") == 0 && i + 1 < argc;
        if (hidden)
            ++i;
        MultiByteToWideChar(CP_UTF8, 0, argv[i], -1, title, 1024);
        CreateWindowExW(0, wc.lpszClassName, title, WS_OVERLAPPEDWINDOW | (hidden ? 0 : WS_VISIBLE),
                        700, y, 300, 120, nullptr, nullptr, wc.hInstance, nullptr);
        y += 140;
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    return 0;
}
