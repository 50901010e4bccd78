#include "framework/flat_button.h"
#include "framework/gdi.h"
#include <utility>

bool FwFlatButton::OnMessage(FwMessage& m)
{
    switch (m.id) {
    case WM_MOUSEMOVE: OnMouseMove(); m.result = Default(); return true;
    case WM_MOUSELEAVE: OnMouseLeave(); m.result = Default(); return true;
    // The system button ignores the check state of an owner-drawn button: it is kept here.
    case BM_GETCHECK: m.result = checked; return true;
    case BM_SETCHECK: SetCheck((int)m.wParam); return true;
    case WM_LBUTTONUP:
        if (autoCheck && (SendMessageW(Handle(), BM_GETSTATE, 0, 0) & BST_PUSHED))
            SetCheck(checked ? BST_UNCHECKED : BST_CHECKED);
        m.result = Default();
        return true;
    case WM_ERASEBKGND: m.result = TRUE; return true;
    // The system button takes a double click on an owner-drawn button as a notification of its
    // own; here the second click presses the button like the first.
    case WM_LBUTTONDBLCLK: m.result = SendMessageW(Handle(), WM_LBUTTONDOWN, m.wParam, m.lParam); return true;
    }
    return FwWindow::OnMessage(m);
}

FwFlatButton::~FwFlatButton()
{
    if (icon)
        DestroyIcon(icon);
}

BOOL FwFlatButton::Create(const wchar_t* text, DWORD style, const RECT& rect, HWND parent, UINT id)
{
    DWORD type = style & BS_TYPEMASK;
    checkButton = type == BS_CHECKBOX || type == BS_AUTOCHECKBOX;
    autoCheck = type == BS_AUTOCHECKBOX;
    style = (style & ~BS_TYPEMASK) | BS_OWNERDRAW;
    if (!CreateEx(0, L"BUTTON", text, style, rect, parent, id))
        return FALSE;
    EnableToolTips(true);
    return TRUE;
}

void FwFlatButton::SetImage(HICON image)
{
    if (icon && icon != image)
        DestroyIcon(icon);
    icon = image;
    Repaint();
}

void FwFlatButton::SetTooltip(const wchar_t* text) { tooltip = text ? text : L""; }

void FwFlatButton::SetCheck(int state)
{
    if (!checkButton || state == checked)
        return;
    checked = state;
    Repaint();
}

void FwFlatButton::Repaint()
{
    if (Handle()) {
        InvalidateRect(Handle(), nullptr, TRUE);
        UpdateWindow(Handle());
    }
}

void FwFlatButton::OnMouseMove()
{
    if (!tracking) {
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, Handle(), 0};
        tracking = TrackMouseEvent(&track) != FALSE;
    }
    // Flat styles show their frame only under the mouse; a held button shows the press.
    if (!highlighted) {
        highlighted = true;
        if (m_nFlatStyle != BUTTONSTYLE_3D || (GetKeyState(VK_LBUTTON) & 0x8000))
            Repaint();
    }
}

void FwFlatButton::OnMouseLeave()
{
    tracking = false;
    if (highlighted) {
        highlighted = false;
        Repaint();
    }
}

INT_PTR FwFlatButton::OnToolHitTest(POINT point, TTTOOLINFOW* info) const
{
    RECT client;
    GetClientRect(Handle(), &client);
    if (tooltip.IsEmpty() || !PtInRect(&client, point))
        return -1;
    info->hwnd = Handle();
    info->uId = 0;
    info->rect = client;
    info->lpszText = const_cast<wchar_t*>((const wchar_t*)tooltip);
    return 1;
}

void FwFlatButton::DrawItem(DRAWITEMSTRUCT* item)
{
    UINT state = item->itemState;
    if (checked)
        state |= ODS_CHECKED;
    RECT client = item->rcItem;
    OnFillBackground(item->hDC, client, state);
    RECT inner = client;
    InflateRect(&inner, -kBorder, -kBorder);
    OnDraw(item->hDC, inner, state);
    OnDrawBorder(item->hDC, client, state);
    if (state & ODS_FOCUS)
        OnDrawFocusRect(item->hDC, inner);
}

void FwFlatButton::OnFillBackground(HDC dc, const RECT& rect, UINT state)
{
    FillRect(dc, &rect, GetSysColorBrush(COLOR_BTNFACE));
    // A checked button that is not held shows the light pushed-in face of a pressed toggle.
    if ((state & ODS_CHECKED) && !(state & ODS_SELECTED)) {
        RECT inner = rect;
        InflateRect(&inner, -1, -1);
        FwBrush light(GetSysColor(COLOR_3DLIGHT));
        FillRect(dc, &inner, light);
    }
}

void FwFlatButton::OnDrawBorder(HDC dc, const RECT& rect, UINT state)
{
    RECT r = rect;
    bool pressed = (state & (ODS_SELECTED | ODS_CHECKED)) != 0;
    switch (m_nFlatStyle) {
    case BUTTONSTYLE_NOBORDERS:
        return;
    case BUTTONSTYLE_3D:
        DrawEdge(dc, &r, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
        return;
    case BUTTONSTYLE_FLAT:
        if (!pressed && !highlighted)
            return;
        break;
    }
    COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
    COLORREF dark = GetSysColor(highlighted || pressed ? COLOR_3DDKSHADOW : COLOR_BTNSHADOW);
    if (pressed)
        std::swap(light, dark);
    HPEN topLeft = CreatePen(PS_SOLID, 1, light), bottomRight = CreatePen(PS_SOLID, 1, dark);
    {
        FwSelect pen(dc, topLeft);
        MoveToEx(dc, r.left, r.bottom - 1, nullptr);
        LineTo(dc, r.left, r.top);
        LineTo(dc, r.right - 1, r.top);
    }
    {
        FwSelect pen(dc, bottomRight);
        MoveToEx(dc, r.right - 1, r.top, nullptr);
        LineTo(dc, r.right - 1, r.bottom - 1);
        LineTo(dc, r.left - 1, r.bottom - 1);
    }
    DeleteObject(topLeft);
    DeleteObject(bottomRight);
}

void FwFlatButton::OnDraw(HDC dc, const RECT& rect, UINT state)
{
    wchar_t text[128];
    int length = GetWindowTextW(Handle(), text, 128);
    int shift = (state & ODS_SELECTED) ? 1 : 0;
    int iconWidth = icon ? 16 : 0;
    int x = (rect.left + rect.right - iconWidth) / 2 + shift;
    if (length > 0) {
        SIZE size = {};
        FwSelect font(dc, (HFONT)SendMessageW(Handle(), WM_GETFONT, 0, 0));
        GetTextExtentPoint32W(dc, text, length, &size);
        x = (rect.left + rect.right - iconWidth - (icon ? 4 : 0) - size.cx) / 2 + shift;
        RECT textRect = {x + iconWidth + (icon ? 4 : 0), rect.top + shift, rect.right, rect.bottom + shift};
        int mode = SetBkMode(dc, TRANSPARENT);
        COLORREF colour = SetTextColor(dc, GetSysColor((state & ODS_DISABLED) ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
        DrawTextW(dc, text, length, &textRect, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
        SetTextColor(dc, colour);
        SetBkMode(dc, mode);
    }
    if (icon) {
        int y = (rect.top + rect.bottom - 16) / 2 + shift;
        if (state & ODS_DISABLED)
            DrawStateW(dc, nullptr, nullptr, (LPARAM)icon, 0, x, y, 16, 16, DST_ICON | DSS_DISABLED);
        else
            DrawIconEx(dc, x, y, icon, 16, 16, 0, nullptr, DI_NORMAL);
    }
}

void FwFlatButton::OnDrawFocusRect(HDC dc, const RECT& rect)
{
    RECT r = rect;
    InflateRect(&r, -1, -1);
    DrawFocusRect(dc, &r);
}
