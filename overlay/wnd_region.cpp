#include "overlay/wnd_region.h"
#include "overlay/overlay_class.h"
#include <stdio.h>
#include "foundation/debug_log.h"
#include "framework/gdi.h"

namespace {

const wchar_t kClassName[] = L"TRegion";
const BYTE kAlpha = 200;
const COLORREF kPanel = 0x95E8FF; // light yellow
const COLORREF kTitleColour = 0x0000FF;
const COLORREF kTextColour = 0xFF0000;
const int kHandleRoom = 6;

// A font of the given size in tenths of a point, for the screen's resolution.
LOGFONTW PointFont(int tenths, const wchar_t* face)
{
    LOGFONTW lf = {};
    HDC screen = GetDC(nullptr);
    lf.lfHeight = -(GetDeviceCaps(screen, LOGPIXELSY) * tenths / 720);
    ReleaseDC(nullptr, screen);
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, face, LF_FACESIZE);
    return lf;
}

} // namespace

// The selector's messages.
bool CWndRegion::OnMessage(FwMessage& m)
{
    switch (m.id) {
    case WM_CREATE: m.result = OnCreate(); return true;
    case WM_DESTROY: m.result = Default(); return true;
    case WM_LBUTTONDOWN: OnLButtonDown((UINT)m.wParam, m.Point()); return true;
    case WM_LBUTTONUP: OnLButtonUp((UINT)m.wParam, m.Point()); return true;
    case WM_MOUSEMOVE: OnMouseMove((UINT)m.wParam, m.Point()); return true;
    case WM_LBUTTONDBLCLK: PostCommand(kAccepted); return true;
    case WM_RBUTTONUP: PostCommand(kCancelled); return true;
    case WM_KEYDOWN: OnKeyDown((UINT)m.wParam); return true;
    case WM_PAINT: OnPaint(); return true;
    case WM_ERASEBKGND: m.result = OnEraseBkgnd((HDC)m.wParam); return true;
    }
    return FwWindow::OnMessage(m);
}

// ---- Region ----

Region::Region()
{
    kind = 1;
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    left = (w - 480) / 2;
    top = (h - 640) / 2;
    right = left + 480;
    bottom = top + 640;
}

Region::~Region() = default;

void Region::Draw(HDC dc)
{
    CSkinElement::Draw(dc);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    {
        FwBrush panel(kPanel);
        FillRect(dc, this, panel);
    }

    FwFont titleFont(PointFont(120, fontFace));
    FwFont cornerFont(PointFont(90, fontFace));
    HGDIOBJ oldFont = SelectObject(dc, titleFont);
    const COLORREF oldColour = SetTextColor(dc, kTitleColour);

    const int middle = (top + bottom) / 2;
    RECT upper = {left, top, right, middle};
    DrawTextW(dc, title, -1, &upper, DT_CENTER | DT_BOTTOM | DT_SINGLELINE);

    RECT lower = {left, middle + 5, right, bottom};
    SetTextColor(dc, kTextColour);
    DrawTextW(dc, hint, -1, &lower, DT_CENTER | DT_WORDBREAK);

    SelectObject(dc, cornerFont);
    wchar_t corner[64];
    RECT whole = *this;
    swprintf(corner, 64, L"%d,%d", (int)left, (int)top);
    DrawTextW(dc, corner, -1, &whole, DT_SINGLELINE | DT_LEFT | DT_TOP);
    swprintf(corner, 64, L"%d,%d", (int)right, (int)bottom);
    DrawTextW(dc, corner, -1, &whole, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE);

    SelectObject(dc, oldFont);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
}

// ---- CWndRegion ----

CWndRegion::CWndRegion() : region(new Region)
{
    region->owner = this;
    elements.Append(region);
}

CWndRegion::~CWndRegion()
{
    // The element list owns the Region; one that never made it into the list is ours to free.
    for (size_t i = 0; i < elements.count; ++i)
        if (elements.data[i] == region)
            return;
    delete region;
}

BOOL CWndRegion::PreCreateWindow(CREATESTRUCTW& cs)
{
    return UseOverlayClass(cs, kClassName) && FwWindow::PreCreateWindow(cs);
}

int CWndRegion::DoModal(FwWindow* ownerWindow, const wchar_t* title, const wchar_t* hint,
                        const wchar_t* fontFace)
{
    if (hint)
        region->hint = hint;
    if (title)
        region->title = title;
    if (fontFace)
        region->fontFace = fontFace;
    owner = ownerWindow;

    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (!CreateEx(WS_EX_LAYERED | WS_EX_TOPMOST, nullptr, kClassName, WS_POPUP | WS_VISIBLE, screen,
                  nullptr, 0))
        return kCancelled;
    SetLayeredWindowAttributes(Handle(), RGB(0, 0, 0), kAlpha, LWA_COLORKEY | LWA_ALPHA);

    MSG msg;
    for (;;) {
        // 0 is WM_QUIT, which ends the selection as a cancel; -1 cannot come without a filter
        // but would otherwise spin for ever.
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1)
            break;
        DebugLog(LOG_INFO, "WndRegion", 141, "%p-%p,%u-%u", (void*)msg.hwnd, (void*)Handle(),
                 msg.message, (unsigned)WM_COMMAND);
        if (msg.message == WM_COMMAND && msg.hwnd == Handle()) {
            if (msg.wParam == kAccepted) {
                DestroyWindow();
                return kAccepted;
            }
            if (msg.wParam == kCancelled)
                break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    DestroyWindow();
    return kCancelled;
}

void CWndRegion::Notify(int, CSkinElement* element)
{
    if (!element || !Handle())
        return;
    RECT area = *element;
    InflateRect(&area, kHandleRoom, kHandleRoom);
    InvalidateRect(Handle(), &area, TRUE);
    UpdateWindow(Handle());
}

LRESULT CWndRegion::OnCreate()
{
    if (Default() == -1)
        return -1;
    Select(region);
    return 0;
}

void CWndRegion::OnLButtonDown(UINT flags, POINT point)
{
    if (GetCapture() != Handle())
        SetCapture(Handle());
    CSkinElementContainer::OnLButtonDown(Handle(), flags, point);
}

void CWndRegion::OnLButtonUp(UINT flags, POINT point)
{
    if (GetCapture() == Handle())
        ReleaseCapture();
    CSkinElementContainer::OnLButtonUp(Handle(), flags, point);
}

void CWndRegion::OnMouseMove(UINT flags, POINT point)
{
    // The class has no cursor: the shape is always the element's or this arrow.
    if (CSkinElementContainer::OnMouseMove(Handle(), flags, point) == 0)
        SetCursor(Cursor(kCursorArrow));
}

void CWndRegion::OnKeyDown(UINT key)
{
    CSkinElementContainer::OnKeyDown(Handle(), key);
    if (key == VK_RETURN)
        PostCommand(kAccepted);
    else if (key == VK_ESCAPE)
        PostCommand(kCancelled);
}

void CWndRegion::OnPaint()
{
    FwPaintDC dc(Handle());
    for (size_t i = 0; i < elements.count; ++i)
        if (elements.data[i])
            elements.data[i]->Draw(dc);
}

BOOL CWndRegion::OnEraseBkgnd(HDC dc)
{
    RECT client;
    GetClientRect(Handle(), &client);
    FillRect(dc, &client, (HBRUSH)GetStockObject(BLACK_BRUSH));
    return TRUE;
}

void CWndRegion::PostCommand(WPARAM command)
{
    PostMessageW(Handle(), WM_COMMAND, command, 0);
}
