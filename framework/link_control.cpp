#include "framework/link_control.h"
#include <shellapi.h>

FwLinkControl::~FwLinkControl()
{
    if (tooltip)
        ::DestroyWindow(tooltip);
}

bool FwLinkControl::OnMessage(FwMessage& m)
{
    switch (m.id) {
    case WM_PAINT: OnPaint(); return true;
    case WM_ERASEBKGND: m.result = 1; return true; // OnPaint fills the whole client
    case WM_SETCURSOR:
        SetCursor(LoadCursorW(nullptr, (LPCWSTR)IDC_HAND));
        m.result = TRUE;
        return true;
    case WM_MOUSEMOVE: OnMouseMove(); return true;
    case WM_MOUSELEAVE: OnMouseLeave(); return true;
    case WM_LBUTTONDOWN:
        pressed = true;
        SetCapture(Handle());
        return true;
    case WM_LBUTTONUP: {
        bool wasPressed = pressed;
        pressed = false;
        if (GetCapture() == Handle())
            ReleaseCapture();
        RECT client;
        GetClientRect(Handle(), &client);
        POINT at = m.Point();
        if (wasPressed && PtInRect(&client, at))
            Open();
        return true;
    }
    case WM_SETTEXT:
        m.result = Default();
        InvalidateRect(Handle(), nullptr, TRUE);
        return true;
    case WM_DESTROY:
        if (tooltip) {
            ::DestroyWindow(tooltip);
            tooltip = nullptr;
        }
        break;
    }
    return FwWindow::OnMessage(m);
}

BOOL FwLinkControl::Create(const wchar_t* text, DWORD style, const RECT& rect, HWND parent, UINT id)
{
    return CreateEx(0, nullptr, text, style | WS_CHILD, rect, parent, id);
}

void FwLinkControl::SetTooltip(const wchar_t* text)
{
    if (!Handle())
        return;
    TTTOOLINFOW info = {};
    info.cbSize = sizeof(info);
    info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    info.hwnd = GetParent(Handle());
    info.uId = (UINT_PTR)Handle();
    info.lpszText = const_cast<wchar_t*>(text);
    if (!tooltip) {
        tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  GetParent(Handle()), nullptr, nullptr, nullptr);
        if (!tooltip)
            return;
        SendMessageW(tooltip, TTM_ADDTOOLW, 0, (LPARAM)&info);
    } else {
        SendMessageW(tooltip, TTM_UPDATETIPTEXTW, 0, (LPARAM)&info);
    }
}

void FwLinkControl::SetAlwaysUnderline(BOOL always)
{
    alwaysUnderline = always;
    if (Handle())
        InvalidateRect(Handle(), nullptr, TRUE);
}

HFONT FwLinkControl::TextFont() const
{
    HFONT font = (HFONT)SendMessageW(GetParent(Handle()), WM_GETFONT, 0, 0);
    return font ? font : (HFONT)GetStockObject(DEFAULT_GUI_FONT);
}

HFONT FwLinkControl::LinkFont(bool underline)
{
    if (!underline)
        return TextFont();
    if (!underlined) {
        LOGFONTW lf = {};
        GetObjectW(TextFont(), sizeof(lf), &lf);
        lf.lfUnderline = TRUE;
        underlined.Attach(CreateFontIndirectW(&lf));
    }
    return underlined ? (HFONT)underlined : TextFont();
}

SIZE FwLinkControl::ContentSize() const
{
    SIZE size = {0, 0};
    FwString text = FwWindowText(Handle());
    FwClientDC dc(Handle());
    FwSelect font(dc, TextFont());
    RECT r = {0, 0, 0, 0};
    DrawTextW(dc, text, -1, &r, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
    size.cx = r.right - r.left + 2;
    size.cy = r.bottom - r.top + 2;
    return size;
}

void FwLinkControl::SizeToContent()
{
    SIZE size = ContentSize();
    SetWindowPos(Handle(), nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool FwLinkControl::Open()
{
    if (url_.IsEmpty())
        return false;
    HINSTANCE result = ShellExecuteW(GetParent(Handle()), L"open", url_, nullptr, nullptr, SW_SHOWNORMAL);
    return (INT_PTR)result > 32;
}

void FwLinkControl::OnMouseMove()
{
    if (hover)
        return;
    hover = true;
    TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, Handle(), 0};
    TrackMouseEvent(&track);
    InvalidateRect(Handle(), nullptr, TRUE);
}

void FwLinkControl::OnMouseLeave()
{
    hover = false;
    InvalidateRect(Handle(), nullptr, TRUE);
}

void FwLinkControl::OnPaint()
{
    FwPaintDC dc(Handle());
    RECT client;
    GetClientRect(Handle(), &client);
    // The parent's static-control colours, so the link sits on the dialog's own background.
    HWND parent = GetParent(Handle());
    HBRUSH background = (HBRUSH)SendMessageW(parent, WM_CTLCOLORSTATIC, (WPARAM)dc.Handle(),
                                             (LPARAM)Handle());
    FillRect(dc, &client, background ? background : GetSysColorBrush(COLOR_BTNFACE));

    FwString text = FwWindowText(Handle());
    FwSelect font(dc, LinkFont(alwaysUnderline || hover));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kLinkColour);
    UINT align = (GetWindowLongW(Handle(), GWL_STYLE) & BS_CENTER) == BS_RIGHT ? DT_RIGHT : DT_LEFT;
    RECT r = client;
    InflateRect(&r, -1, 0);
    DrawTextW(dc, text, -1, &r, align | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}
