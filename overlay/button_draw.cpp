#include "overlay/button_draw.h"
#include "overlay/overlay_resource.h"
#include "framework/gdi.h"

bool TButtonDraw::OnMessage(FwMessage& m)
{
    switch (m.id) {
    case WM_LBUTTONDOWN: OnLButtonDown(m.Point()); return true;
    case WM_LBUTTONUP: OnLButtonUp(m.Point()); return true;
    // The zone first, then the button's own hover handling.
    case WM_MOUSEMOVE: OnMouseMove(m.wParam, m.Point()); break;
    // A width menu still open on a button that goes would stay on the screen without it.
    case WM_DESTROY:
        if (m_bMenuOpen)
            EndMenu();
        m_bMenuOpen = false;
        break;
    // Keys (Space, the down arrow) work as on the colour button.
    }
    return FwColourButton::OnMessage(m);
}

DWORD TButtonDraw::s_lastMenuClose = 0;

namespace {
const int kZone = 14;

// The three zones of a face rectangle.
void Zones(const RECT& r, RECT* left, RECT* right, RECT* middle)
{
    *left = {r.left, r.top, r.left + kZone, r.bottom};
    *right = {r.right - kZone, r.top, r.right, r.bottom};
    *middle = {r.left + kZone, r.top, r.right - kZone, r.bottom};
}

void Frame3d(HDC dc, const RECT& r, COLORREF topLeft, COLORREF bottomRight)
{
    FwBrush tl(topLeft), br(bottomRight);
    RECT top = {r.left, r.top, r.right - 1, r.top + 1}, left = {r.left, r.top, r.left + 1, r.bottom - 1};
    RECT bottom = {r.left, r.bottom - 1, r.right, r.bottom}, right = {r.right - 1, r.top, r.right, r.bottom};
    FillRect(dc, &top, tl);
    FillRect(dc, &left, tl);
    FillRect(dc, &bottom, br);
    FillRect(dc, &right, br);
}
} // namespace

void TButtonDraw::LoadImages()
{
    m_images.Create(IDB_PEN_ZONES, 8, 2, RGB(255, 255, 255));
    m_nLeftImage = 1;
    m_nRightImage = 0;
    if (Handle()) {
        InvalidateRect(Handle(), nullptr, TRUE);
        UpdateWindow(Handle());
    }
}

int TButtonDraw::ZoneAt(POINT p) const
{
    RECT client;
    GetClientRect(Handle(), &client);
    RECT left = {client.left, client.top, client.left + kZone, client.bottom};
    RECT right = {client.right - kZone, client.top, client.right, client.bottom};
    if (PtInRect(&left, p))
        return 1;
    if (PtInRect(&right, p))
        return 2;
    return 0;
}

const FwString& TButtonDraw::TipFor(int zone) const
{
    if ((zone == 1 || zone == 3) && !m_strLeftTip.IsEmpty())
        return m_strLeftTip;
    if ((zone == 2 || zone == 4) && !m_strRightTip.IsEmpty())
        return m_strRightTip;
    return m_strDefaultTip;
}

INT_PTR TButtonDraw::OnToolHitTest(POINT point, TTTOOLINFOW* info) const
{
    RECT client;
    GetClientRect(Handle(), &client);
    if (!PtInRect(&client, point))
        return -1;
    int zone = ZoneAt(point);
    const FwString& tip = TipFor(zone);
    if (tip.IsEmpty())
        return FwColourButton::OnToolHitTest(point, info);
    RECT left, right, middle;
    Zones(client, &left, &right, &middle);
    // One tool per zone, so moving between zones changes the text.
    info->hwnd = Handle();
    info->uId = zone;
    info->rect = zone == 1 ? left : zone == 2 ? right : middle;
    info->lpszText = const_cast<wchar_t*>((const wchar_t*)tip);
    return 1;
}

void TButtonDraw::RepaintNow()
{
    InvalidateRect(Handle(), nullptr, TRUE);
    UpdateWindow(Handle());
}

void TButtonDraw::OnLButtonDown(POINT p)
{
    switch (ZoneAt(p)) {
    case 1:
        m_nHotZone = 3;
        RepaintNow();
        ShowWidthMenu();
        break;
    case 2: {
        m_nHotZone = 4;
        RepaintNow();
        FwAliveCheck alive(this);
        OnShowColorPopup();
        if (alive.Alive())
            m_nHotZone = 0;
        break;
    }
    default:
        m_nHotZone = 0;
        // The system button's press: it captures the mouse and clicks on the release.
        Default();
        break;
    }
}

void TButtonDraw::OnLButtonUp(POINT p)
{
    if (ZoneAt(p) != 0) {
        m_nHotZone = 0;
        RepaintNow();
        // A button pressed in the middle and released over a side zone is released all the
        // same, without a click.
        if (GetCapture() == Handle())
            ReleaseCapture();
        return;
    }
    Default();
}

void TButtonDraw::OnMouseMove(WPARAM flags, POINT p)
{
    int zone = ZoneAt(p);
    bool held = (flags & MK_LBUTTON) != 0;
    int hot = zone == 1 ? (held ? 3 : 1) : zone == 2 ? (held ? 4 : 2) : 0;
    if (hot == m_nHotZone)
        return;
    m_nHotZone = hot;
    // The base sets the flag again and repaints, so the new zone frame shows. The tip follows
    // through OnToolHitTest: each zone is a tool of its own.
    highlighted = false;
}

void TButtonDraw::ShowWidthMenu()
{
    DWORD now = GetTickCount();
    if (s_lastMenuClose + 100 >= now) {
        // The click that closed the menu a moment ago must not open it again.
        m_nHotZone = 0;
        RepaintNow();
        return;
    }
    static const int kWidths[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 14, 16};
    HMENU menu = CreatePopupMenu();
    for (int width : kWidths) {
        wchar_t text[16];
        wsprintfW(text, L"%d px", width);
        AppendMenuW(menu, MF_STRING, width, text);
    }
    CheckMenuItem(menu, m_nPenWidth, MF_BYCOMMAND | MF_CHECKED);
    RECT r;
    GetWindowRect(Handle(), &r);
    FwAliveCheck alive(this);
    m_bMenuOpen = true;
    int chosen = (int)TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, r.left, r.bottom, 0, Handle(), nullptr);
    s_lastMenuClose = GetTickCount();
    DestroyMenu(menu);
    // The menu's loop may have delivered a message that took the button away with its parent.
    if (!alive.Alive())
        return;
    m_bMenuOpen = false;
    m_nHotZone = 0;
    if (chosen > 0) {
        m_nPenWidth = chosen;
        HWND parent = GetParent(Handle());
        if (m_nWidthCommand && parent)
            SendMessageW(parent, WM_COMMAND, m_nWidthCommand, (LPARAM)Handle());
    }
    // ... or the command did.
    if (alive.Alive())
        RepaintNow();
}

void TButtonDraw::UpdateColor(COLORREF c)
{
    SetColor(c);
    HWND parent = GetParent(Handle());
    if (parent && m_nColorCommand)
        SendMessageW(parent, WM_COMMAND, m_nColorCommand, (LPARAM)Handle());
}

void TButtonDraw::OnDrawBorder(HDC dc, const RECT& rect, UINT state)
{
    bool saved = highlighted;
    if (m_nHotZone != 0)
        highlighted = false;
    FwColourButton::FwFlatButton::OnDrawBorder(dc, rect, state);
    highlighted = saved;
}

void TButtonDraw::DrawImage(HDC dc, int index, const RECT& rect)
{
    int w = 0, h = 0;
    if (!m_images.GetIconSize(&w, &h))
        return;
    w = w < rect.right - rect.left ? w : rect.right - rect.left;
    h = h < rect.bottom - rect.top ? h : rect.bottom - rect.top;
    m_images.Draw(dc, index, (rect.left + rect.right - w) / 2, (rect.top + rect.bottom - h) / 2, w, h);
}

void TButtonDraw::DrawZoneImage(HDC dc, int image, const RECT& zone, UINT state)
{
    FillRect(dc, &zone, GetSysColorBrush(COLOR_BTNFACE));
    if (image >= 0) {
        DrawImage(dc, image, zone);
        return;
    }
    // Without images: the plain drop-down arrow.
    int cx = (zone.left + zone.right) / 2, cy = (zone.top + zone.bottom) / 2 - 1;
    POINT arrow[3] = {{cx - 3, cy}, {cx + 4, cy}, {cx, cy + 4}};
    FwSelect brush(dc, GetSysColorBrush((state & ODS_DISABLED) ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    FwSelect pen(dc, GetStockObject(NULL_PEN));
    Polygon(dc, arrow, 3);
}

void TButtonDraw::OnDraw(HDC dc, const RECT& rect, UINT state)
{
    if (!GetPalette())
        RebuildPalette();
    HPALETTE previous = SelectPalette(dc, GetPalette(), FALSE);
    RealizePalette(dc);

    RECT left, right, middle;
    Zones(rect, &left, &right, &middle);
    if (colour != (COLORREF)-1 && !(state & ODS_DISABLED)) {
        COLORREF pen = colour;
        if (GetDeviceCaps(dc, BITSPIXEL) == 8)
            pen = PALETTEINDEX(GetNearestPaletteIndex(GetPalette(), colour));
        RECT inner = middle;
        InflateRect(&inner, -2, -1);
        RECT bar = inner;
        if (m_nPenWidth <= inner.bottom - inner.top)
            bar.top = bar.bottom - m_nPenWidth;
        FillRect(dc, &bar, (HBRUSH)GetStockObject(BLACK_BRUSH));
        FwFlatButton::OnDraw(dc, inner, state);
        // Black turns into the pen colour; the icon's pixels over the bar mix with it.
        FwBrush brush(pen);
        FwSelect selected(dc, brush);
        PatBlt(dc, bar.left, bar.top, bar.right - bar.left, bar.bottom - bar.top, PATINVERT);
    }
    DrawZoneImage(dc, m_nLeftImage, left, state);
    DrawZoneImage(dc, m_nRightImage, right, state);

    COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), dark = GetSysColor(COLOR_3DDKSHADOW);
    switch (m_nHotZone) {
    case 1: Frame3d(dc, left, light, dark); break;
    case 2: Frame3d(dc, right, light, dark); break;
    case 3: Frame3d(dc, left, dark, light); break;
    case 4: Frame3d(dc, right, dark, light); break;
    default:
        if (highlighted) {
            RECT a = {rect.left + 13, rect.top + 1, rect.left + 15, rect.bottom - 1};
            RECT b = {rect.right - 14, rect.top + 1, rect.right - 12, rect.bottom - 1};
            Frame3d(dc, a, dark, light);
            Frame3d(dc, b, dark, light);
        }
        break;
    }
    if (previous)
        SelectPalette(dc, previous, FALSE);
}
