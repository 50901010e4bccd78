#include "framework/colour_popup.h"
#include "framework/gdi.h"
#include <commdlg.h>

namespace {
const wchar_t kClass[] = L"FwColourPopup";
thread_local FwColourPopup* t_active = nullptr;
} // namespace

bool FwColourPopup::OnMessage(FwMessage& m)
{
    switch (m.id) {
    case WM_PAINT: OnPaint(); return true;
    case WM_MOUSEMOVE: OnMouseMove(m.Point()); return true;
    case WM_LBUTTONUP: OnLButtonUp(m.Point()); return true;
    case WM_MOUSEACTIVATE: m.result = MA_NOACTIVATE; return true;
    case WM_CAPTURECHANGED:
        if ((HWND)m.lParam != Handle())
            done = true;
        return true;
    // Destroyed with its owner, from a message the loop delivered: the loop ends with it.
    case WM_DESTROY: done = true; break;
    }
    return FwWindow::OnMessage(m);
}

FwColourPopup::FwColourPopup(const COLORREF* list, int n, COLORREF selected, const wchar_t* label)
    : colours(list), count(n), current(selected), otherLabel(label ? label : L""), hasOther(label != nullptr)
{
}

FwColourPopup* FwColourPopup::Active() { return t_active; }

BOOL FwColourPopup::PreCreateWindow(CREATESTRUCTW& cs)
{
    WNDCLASSW wc = {};
    if (!GetClassInfoW(cs.hInstance, kClass, &wc)) {
        wc.style = CS_DROPSHADOW | CS_SAVEBITS;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = cs.hInstance;
        wc.hCursor = LoadCursorW(nullptr, (LPCWSTR)IDC_ARROW);
        wc.lpszClassName = kClass;
        if (!RegisterClassW(&wc))
            return FALSE;
    }
    cs.lpszClass = kClass;
    return TRUE;
}

SIZE FwColourPopup::ClientSize() const
{
    int rows = (count + kColumns - 1) / kColumns;
    SIZE size = {kColumns * kCell + 2 * kMargin, rows * kCell + 2 * kMargin};
    if (hasOther)
        size.cy += kOtherHeight + kMargin;
    return size;
}

RECT FwColourPopup::CellRect(int index) const
{
    int x = kMargin + (index % kColumns) * kCell, y = kMargin + (index / kColumns) * kCell;
    return {x, y, x + kCell, y + kCell};
}

RECT FwColourPopup::OtherRect() const
{
    SIZE size = ClientSize();
    return {kMargin, size.cy - kMargin - kOtherHeight, size.cx - kMargin, size.cy - kMargin};
}

int FwColourPopup::HitTest(POINT p) const
{
    for (int i = 0; i < count; ++i) {
        RECT r = CellRect(i);
        if (PtInRect(&r, p))
            return i;
    }
    RECT other = OtherRect();
    if (hasOther && PtInRect(&other, p))
        return kOther;
    return -1;
}

bool FwColourPopup::Track(HWND owner, int x, int y, COLORREF* picked)
{
    if (t_active)
        return false;
    SIZE size = ClientSize();
    // The client size plus the one-pixel border.
    int width = size.cx + 2, height = size.cy + 2;
    int screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
    if (x + width > screenW)
        x = screenW - width;
    if (y + height > screenH)
        y = screenH - height;
    if (x < 0)
        x = 0;
    if (y < 0)
        y = 0;
    RECT r = {x, y, x + width, y + height};
    if (!CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, nullptr, kClass,
                  WS_POPUP | WS_BORDER, r, owner, 0))
        return false;
    t_active = this;
    ShowWindow(Handle(), SW_SHOWNOACTIVATE);
    UpdateWindow(Handle());
    SetCapture(Handle());

    // The popup's own loop: mouse input comes here through the capture, keys from whichever
    // window of the thread has the focus.
    MSG msg;
    while (!done && GetMessageW(&msg, nullptr, 0, 0)) {
        bool mouseDown = msg.message == WM_LBUTTONDOWN || msg.message == WM_RBUTTONDOWN
                         || msg.message == WM_MBUTTONDOWN || msg.message == WM_NCLBUTTONDOWN
                         || msg.message == WM_NCRBUTTONDOWN;
        if (mouseDown) {
            POINT at;
            GetCursorPos(&at);
            RECT window;
            GetWindowRect(Handle(), &window);
            if (!PtInRect(&window, at)) {
                done = true;
                continue; // the click only closes the popup
            }
        }
        if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
            if (msg.wParam == VK_ESCAPE || msg.message == WM_SYSKEYDOWN)
                done = true;
            continue;
        }
        if (msg.message == WM_KEYUP || msg.message == WM_CHAR)
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (msg.message == WM_QUIT && !done)
        PostQuitMessage((int)msg.wParam);
    t_active = nullptr;
    if (GetCapture() == Handle())
        ReleaseCapture();
    int result = chosen;
    DestroyWindow();
    if (result == kOther)
        return IsWindow(owner) && ChooseOther(owner, picked);
    if (result < 0 || result >= count)
        return false;
    *picked = colours[result];
    return true;
}

bool FwColourPopup::ChooseOther(HWND owner, COLORREF* picked)
{
    static COLORREF custom[16] = {
        0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
        0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
    CHOOSECOLORW choose = {};
    choose.lStructSize = sizeof(choose);
    choose.hwndOwner = owner;
    choose.rgbResult = current == (COLORREF)-1 ? 0 : current;
    choose.lpCustColors = custom;
    choose.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
    if (!ChooseColorW(&choose))
        return false;
    *picked = choose.rgbResult;
    return true;
}

void FwColourPopup::OnMouseMove(POINT p)
{
    int now = HitTest(p);
    if (now != hot) {
        hot = now;
        InvalidateRect(Handle(), nullptr, FALSE);
    }
}

void FwColourPopup::OnLButtonUp(POINT p)
{
    int hit = HitTest(p);
    if (hit >= 0) {
        chosen = hit;
        done = true;
    }
}

void FwColourPopup::OnPaint()
{
    FwPaintDC dc(Handle());
    RECT client;
    GetClientRect(Handle(), &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_MENU));
    for (int i = 0; i < count; ++i) {
        RECT cell = CellRect(i);
        if (i == hot || colours[i] == current) {
            RECT frame = cell;
            DrawEdge(dc, &frame, i == hot ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
        }
        RECT swatch = cell;
        InflateRect(&swatch, -3, -3);
        FwBrush brush(colours[i]);
        FillRect(dc, &swatch, brush);
        FrameRect(dc, &swatch, GetSysColorBrush(COLOR_BTNSHADOW));
    }
    if (hasOther) {
        RECT other = OtherRect();
        FillRect(dc, &other, GetSysColorBrush(COLOR_BTNFACE));
        DrawEdge(dc, &other, hot == kOther ? EDGE_RAISED : BDR_RAISEDINNER, BF_RECT);
        FwSelect font(dc, GetStockObject(DEFAULT_GUI_FONT));
        int mode = SetBkMode(dc, TRANSPARENT);
        COLORREF text = SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        DrawTextW(dc, otherLabel, -1, &other, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
        SetTextColor(dc, text);
        SetBkMode(dc, mode);
    }
}
