#include "overlay/wnd_canvas.h"
#include "overlay/overlay_class.h"

#include <stdlib.h>

#include "overlay/overlay_resource.h"
#include "foundation/res_string.h"
#include "framework/gdi.h"

namespace {

const wchar_t kClassName[] = L"TCanvas";
const BYTE kVeilAlpha = 100;
// Moves of this many pixels or less on both axes add no point, which keeps strokes short.
const int kMinStep = 3;
// Draws every finished stroke into the HDC in lParam.
const UINT WM_PRINT_STROKES = WM_USER + 100;

} // namespace

bool CWndCanvas::OnMessage(FwMessage& m)
{
    switch (m.id) {
    case WM_CREATE: m.result = OnCreate(); return true;
    case WM_ERASEBKGND: m.result = OnEraseBkgnd((HDC)m.wParam); return true;
    case WM_PAINT: OnPaint(); return true;
    case WM_LBUTTONDOWN: OnLButtonDown(m.Point()); return true;
    case WM_MOUSEMOVE: OnMouseMove(m.Point()); return true;
    case WM_LBUTTONUP: OnLButtonUp(); return true;
    case WM_KEYDOWN: return true; // keys do nothing here; Esc is the toolbar's hot key
    case WM_PRINT_STROKES: m.result = OnPrintStrokes((HDC)m.lParam); return true;
    }
    return FwWindow::OnMessage(m);
}

void AnnotObj::Draw(HDC dc, const POINT* points, int count, double scale) const
{
    COLORREF colour = style & 0xFFFFFF;
    if (colour == 0)
        colour = RGB(1, 1, 1);
    FwPen pen(PS_SOLID, (int)((style >> 24) * scale), colour);
    if (!pen)
        return;
    FwSelect selected(dc, pen);
    for (int i = 0; i < count; ++i) {
        int x = (int)(points[i].x * scale), y = (int)(points[i].y * scale);
        if (i == 0)
            MoveToEx(dc, x, y, nullptr);
        else
            LineTo(dc, x, y);
    }
}

CWndCanvas::CWndCanvas()
    : m_nLineWidth(5), m_crLineColor(RGB(0, 128, 128)), m_dScale(1.0), m_hPenCursor(nullptr),
      m_hToolbar(nullptr), m_pCurrent(nullptr)
{
}

CWndCanvas::~CWndCanvas()
{
    Clear();
    delete m_pCurrent;
    m_pCurrent = nullptr;
}

BOOL CWndCanvas::PreCreateWindow(CREATESTRUCTW& cs)
{
    return UseOverlayClass(cs, kClassName) && FwWindow::PreCreateWindow(cs);
}

bool CWndCanvas::PreTranslateMessage(MSG*)
{
    return false;
}

BOOL CWndCanvas::Create(FwWindow* toolbar)
{
    const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (!CreateEx(WS_EX_TOPMOST | WS_EX_LAYERED | WS_EX_NOACTIVATE, kClassName, kClassName,
                  WS_POPUP | WS_VISIBLE, screen, nullptr, 0))
        return FALSE;
    m_hToolbar = toolbar ? toolbar->Handle() : nullptr;
    return TRUE;
}

void CWndCanvas::Clear()
{
    for (size_t i = 0; i < m_arrObjs.count; ++i)
        delete m_arrObjs.data[i];
    m_arrObjs.Clear();
}

LRESULT CWndCanvas::OnCreate()
{
    if (Default() == -1)
        return -1;
    SetLayeredWindowAttributes(Handle(), 0, kVeilAlpha, LWA_COLORKEY | LWA_ALPHA);
    m_hPenCursor = LoadCursorW(ResourceModule(), MAKEINTRESOURCEW(IDC_PENCIL));
    return 0;
}

BOOL CWndCanvas::OnEraseBkgnd(HDC dc)
{
    RECT client;
    GetClientRect(Handle(), &client);
    RECT toolbar;
    if (m_hToolbar && GetWindowRect(m_hToolbar, &toolbar)) {
        MapWindowPoints(nullptr, Handle(), (POINT*)&toolbar, 2);
        FwBrush key(RGB(0, 0, 0));
        FillRect(dc, &toolbar, key);
        ExcludeClipRect(dc, toolbar.left, toolbar.top, toolbar.right, toolbar.bottom);
    }
    FwBrush white(RGB(255, 255, 255));
    FillRect(dc, &client, white);
    SetTextColor(dc, RGB(255, 0, 0));
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    TResString hint(IDS_ANNOTATION_HINT);
    DrawTextW(dc, hint.Text(), -1, &client, DT_CENTER);
    return TRUE;
}

void CWndCanvas::OnPaint()
{
    FwPaintDC dc(Handle());
    DrawStrokes(dc);
}

LRESULT CWndCanvas::OnPrintStrokes(HDC dc)
{
    DrawStrokes(dc);
    return 0;
}

void CWndCanvas::DrawStrokes(HDC dc) const
{
    for (size_t i = 0; i < m_arrObjs.count; ++i) {
        const AnnotObj* stroke = m_arrObjs.data[i];
        stroke->Draw(dc, stroke->points.data, (int)stroke->points.count, m_dScale);
    }
}

POINT CWndCanvas::Scaled(POINT point) const
{
    return {(LONG)(point.x / m_dScale), (LONG)(point.y / m_dScale)};
}

void CWndCanvas::OnLButtonDown(POINT point)
{
    SetCursor(m_hPenCursor);
    // An earlier press whose release was never seen (the capture was lost).
    if (m_pCurrent)
        FinishStroke();
    // The colour keeps to its 24 bits so it cannot spill into the width.
    m_pCurrent = new AnnotObj(((DWORD)m_nLineWidth << 24) | (m_crLineColor & 0xFFFFFF));
    m_pCurrent->points.Append(Scaled(point));
    SetCapture(Handle());
}

void CWndCanvas::OnMouseMove(POINT point)
{
    RECT client;
    GetClientRect(Handle(), &client);
    if (m_pCurrent && !PtInRect(&client, point)) {
        OnLButtonUp();
        return;
    }
    SetCursor(m_hPenCursor);
    if (!m_pCurrent || m_pCurrent->points.count == 0)
        return;
    const POINT p = Scaled(point);
    const POINT last = m_pCurrent->points.data[m_pCurrent->points.count - 1];
    if (abs(last.x - p.x) <= kMinStep && abs(last.y - p.y) <= kMinStep)
        return;
    m_pCurrent->points.Append(p);
    // Each segment is drawn as the mouse moves, never by repainting the window.
    FwClientDC dc(Handle());
    const POINT segment[2] = {last, p};
    m_pCurrent->Draw(dc, segment, 2, m_dScale);
}

void CWndCanvas::OnLButtonUp()
{
    ReleaseCapture();
    FinishStroke();
}

void CWndCanvas::FinishStroke()
{
    AnnotObj* stroke = m_pCurrent;
    m_pCurrent = nullptr;
    if (!stroke)
        return;
    if (stroke->points.count >= 2 && m_arrObjs.Append(stroke))
        return;
    delete stroke;
}
