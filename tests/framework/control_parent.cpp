#include "tests/framework/control_parent.h"

bool ControlParent::OnMessage(FwMessage& m)
{
    switch (m.id) {
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
        if (FwReflectOwnerDraw(Handle(), m))
            return true;
        break;
    case WM_COMMAND:
        commands.push_back({m.CommandId(), m.CommandCode(), (HWND)m.lParam});
        return true;
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(Handle(), &r);
        FillRect((HDC)m.wParam, &r, GetSysColorBrush(COLOR_BTNFACE));
        m.result = TRUE;
        return true;
    }
    }
    return FwWindow::OnMessage(m);
}

ControlParent::ControlParent(int x, int y, int width, int height)
{
    RECT r = {x, y, x + width, y + height};
    CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"MorvaleTestControlParent", L"ControlParent",
             WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, r, nullptr, 0);
}

BOOL ControlParent::PreCreateWindow(CREATESTRUCTW& cs)
{
    WNDCLASSW wc = {};
    if (!GetClassInfoW(cs.hInstance, cs.lpszClass, &wc)) {
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = cs.hInstance;
        wc.hCursor = LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW);
        wc.lpszClassName = cs.lpszClass;
        if (!RegisterClassW(&wc))
            return FALSE;
    }
    return TRUE;
}

int ControlParent::CountOf(UINT id) const
{
    int n = 0;
    for (const SeenCommand& c : commands)
        n += c.id == id;
    return n;
}

HICON SolidIcon(COLORREF colour)
{
    HDC screen = GetDC(nullptr);
    HBITMAP colourBits = CreateCompatibleBitmap(screen, 16, 16);
    HBITMAP mask = CreateBitmap(16, 16, 1, 1, nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, colourBits);
    HBRUSH brush = CreateSolidBrush(colour);
    RECT r = {0, 0, 16, 16};
    FillRect(dc, &r, brush);
    SelectObject(dc, mask);
    FillRect(dc, &r, (HBRUSH)GetStockObject(BLACK_BRUSH)); // black mask: every pixel opaque
    SelectObject(dc, old);
    DeleteObject(brush);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    ICONINFO info = {TRUE, 0, 0, mask, colourBits};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(colourBits);
    DeleteObject(mask);
    return icon;
}

COLORREF ClientPixel(HWND window, int x, int y)
{
    POINT p = {x, y};
    ClientToScreen(window, &p);
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, p.x, p.y);
    ReleaseDC(nullptr, screen);
    return c;
}
