#include "engine/screen_win.h"

#include <stdlib.h>
#include <string.h>

#include "engine/dib_color_table.h"

CURSORINFO g_lastCursor;
static_assert(sizeof(CURSORINFO) == 24, "the cursor record is 24 bytes on x64");

namespace {

const int kMinWidth = 176;
const int kMinHeight = 144;

int RoundUp(int value, int alignment)
{
    return alignment > 1 ? (value + alignment - 1) / alignment * alignment : value;
}

bool IsVisible(HWND window)
{
    return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool IsLayered(HWND window)
{
    return (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_LAYERED) != 0;
}

} // namespace

BOOL CALLBACK EnumLayeredWindowsProc(HWND window, LPARAM grabber)
{
    ScreenWin* self = (ScreenWin*)grabber;
    if (IsVisible(window) && IsLayered(window) && !self->IsExcluded(window))
        self->CopyLayeredWindow(window);
    return TRUE;
}

BOOL CALLBACK EnumAppWindowsProc(HWND window, LPARAM grabber)
{
    if (IsVisible(window))
        ((ScreenWin*)grabber)->CopyAppWindow(window);
    return TRUE;
}

ScreenWin::ScreenWin(IScreenFrameListener* listener, int alignment)
    : m_nAlign(alignment), m_pListener(listener)
{
}

ScreenWin::~ScreenWin()
{
    Close();
}

void ScreenWin::Close()
{
    if (m_hFrameDC)
        DeleteDC(m_hFrameDC);
    m_hFrameDC = NULL;
    if (m_hDib)
        DeleteObject(m_hDib);
    m_hDib = NULL;
    if (m_hScreenDC)
        ReleaseDC(NULL, m_hScreenDC);
    m_hScreenDC = NULL;
    if (m_hBlack)
        DeleteObject(m_hBlack);
    m_hBlack = NULL;
    free(m_pProcesses);
    m_pProcesses = NULL;
    FreeInfo();
}

BOOL ScreenWin::Open(int format, const DWORD* colours, int colourCount, const RECT* area)
{
    Close();
    m_hExclude[0] = m_hExclude[1] = m_hExclude[2] = NULL;
    m_bClip = 0;

    m_hBlack = CreateSolidBrush(RGB(0, 0, 0));
    m_hScreenDC = GetDC(NULL);
    if (!m_hBlack || !m_hScreenDC)
        return FALSE;
    m_hFrameDC = CreateCompatibleDC(m_hScreenDC);
    if (!m_hFrameDC)
        return FALSE;

    int width, height;
    if (area) {
        m_area.left = area->left;
        m_area.top = area->top;
        width = area->right - area->left;
        height = area->bottom - area->top;
        if (width < kMinWidth)
            width = kMinWidth;
        if (height < kMinHeight)
            height = kMinHeight;
    } else {
        m_area.left = m_area.top = 0;
        width = GetSystemMetrics(SM_CXSCREEN);
        height = GetSystemMetrics(SM_CYSCREEN);
    }
    m_area.right = m_area.left + width;
    m_area.bottom = m_area.top + height;

    int frameWidth = RoundUp(width, m_nAlign);
    int frameHeight = RoundUp(height, m_nAlign);
    if (!Create(frameWidth, -frameHeight, format, colours, colourCount))
        return FALSE;
    void* bits = NULL;
    m_hDib = CreateDIBSection(m_hScreenDC, m_pbmi, DIB_RGB_COLORS, &bits, NULL, 0);
    if (!m_hDib || !bits)
        return FALSE;
    m_pBits = bits;
    memset(m_pBits, 0, m_pbmi->bmiHeader.biSizeImage);
    SelectObject(m_hFrameDC, m_hDib);

    // The alignment margin is never refreshed from the screen; until the caller resets the clip,
    // the whole frame stays black.
    RECT frame = {m_area.left, m_area.top, m_area.left + frameWidth, m_area.top + frameHeight};
    Control(kClipBlackOut, (INT_PTR)&frame);
    return TRUE;
}

BOOL ScreenWin::GetFormat(ScreenFormat* out)
{
    if (!m_pbmi)
        return FALSE;
    const BITMAPINFOHEADER& h = m_pbmi->bmiHeader;
    out->width = h.biWidth;
    out->height = abs(h.biHeight);
    out->bitsPerPixel = h.biBitCount;
    out->grey = m_bGrey;
    out->reserved = 0;
    out->colourCount = DibColorTableCount(h.biBitCount);
    memcpy(out->colours, m_pbmi->bmiColors, out->colourCount * sizeof(DWORD));
    return TRUE;
}

int ScreenWin::CaptureTo(void* buffer)
{
    if (!m_pbmi || !m_pBits)
        return 0;
    BitBlt(m_hFrameDC, 0, 0, m_area.right - m_area.left, m_area.bottom - m_area.top, m_hScreenDC,
           m_area.left, m_area.top, SRCCOPY);
    GdiFlush();
    int bytes = (int)m_pbmi->bmiHeader.biSizeImage;
    memcpy(buffer, m_pBits, bytes);
    return bytes;
}

void* ScreenWin::Capture()
{
    if (!m_pBits)
        return NULL;
    if (!m_pProcesses) {
        // The layered windows' rectangles are excluded as they are copied; restoring the state
        // brings back the clipping region the caller set.
        SaveDC(m_hFrameDC);
        EnumWindows(EnumLayeredWindowsProc, (LPARAM)this);
        BitBlt(m_hFrameDC, 0, 0, m_area.right - m_area.left, m_area.bottom - m_area.top,
               m_hScreenDC, m_area.left, m_area.top, SRCCOPY);
        RestoreDC(m_hFrameDC, -1);
    } else {
        EnumWindows(EnumAppWindowsProc, (LPARAM)this);
        SelectClipRgn(m_hFrameDC, NULL);
    }
    if (m_pListener)
        m_pListener->OnFrame(m_hFrameDC);
    DrawCursor();
    GdiFlush();
    return m_pBits;
}

void ScreenWin::DrawCursor()
{
    g_lastCursor.cbSize = sizeof(CURSORINFO);
    if (!GetCursorInfo(&g_lastCursor) || g_lastCursor.flags != CURSOR_SHOWING || !g_lastCursor.hCursor)
        return;
    POINT at = g_lastCursor.ptScreenPos;
    ICONINFO icon;
    if (GetIconInfo(g_lastCursor.hCursor, &icon)) {
        at.x -= (LONG)icon.xHotspot;
        at.y -= (LONG)icon.yHotspot;
        if (icon.hbmColor)
            DeleteObject(icon.hbmColor);
        if (icon.hbmMask)
            DeleteObject(icon.hbmMask);
    }
    DrawIconEx(m_hFrameDC, at.x - m_area.left, at.y - m_area.top, g_lastCursor.hCursor, 0, 0, 0,
               NULL, DI_NORMAL);
}

RECT ScreenWin::ToFrame(const RECT& screen) const
{
    RECT r = screen;
    OffsetRect(&r, -m_area.left, -m_area.top);
    return r;
}

bool ScreenWin::IsExcluded(HWND window) const
{
    return window == m_hExclude[0] || window == m_hExclude[1] || window == m_hExclude[2];
}

bool ScreenWin::IsListed(DWORD processId) const
{
    for (const DWORD* p = m_pProcesses; p && *p; ++p) {
        if (*p == processId)
            return true;
    }
    return false;
}

void ScreenWin::CopyLayeredWindow(HWND window)
{
    RECT r;
    if (!GetWindowRect(window, &r))
        return;
    if (r.bottom <= m_area.top || r.right <= m_area.left || r.top >= m_area.bottom ||
        r.left >= m_area.right)
        return;
    // Only the right and bottom edges are cut; GDI clips what lies left of or above the frame.
    if (r.right > m_area.right)
        r.right = m_area.right;
    if (r.bottom > m_area.bottom)
        r.bottom = m_area.bottom;
    RECT f = ToFrame(r);
    BitBlt(m_hFrameDC, f.left, f.top, r.right - r.left, r.bottom - r.top, m_hScreenDC, r.left, r.top,
           SRCCOPY | CAPTUREBLT);
    ExcludeClipRect(m_hFrameDC, f.left, f.top, f.right, f.bottom);
}

void ScreenWin::CopyAppWindow(HWND window)
{
    if (IsExcluded(window))
        return;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    RECT r;
    if (!GetWindowRect(window, &r))
        return;
    RECT f = ToFrame(r);
    // Windows arrive from the top of the Z order, and each one's rectangle is excluded at once, so
    // a window shows only where nothing above it has painted.
    if (IsListed(processId)) {
        BitBlt(m_hFrameDC, f.left, f.top, r.right - r.left, r.bottom - r.top, m_hScreenDC, r.left,
               r.top, IsLayered(window) ? SRCCOPY | CAPTUREBLT : SRCCOPY);
    } else {
        FillRect(m_hFrameDC, &f, m_hBlack);
    }
    ExcludeClipRect(m_hFrameDC, f.left, f.top, f.right, f.bottom);
}

int ScreenWin::Control(int code, INT_PTR argument)
{
    switch (code) {
    case kClipNone:
        SelectClipRgn(m_hFrameDC, NULL);
        m_bClip = 0;
        return 0;
    case kClipAdd:
        if (!m_pProcesses && argument) {
            RECT f = ToFrame(*(const RECT*)argument);
            HRGN region = CreateRectRgnIndirect(&f);
            if (region) {
                ExtSelectClipRgn(m_hFrameDC, region, m_bClip ? RGN_OR : RGN_COPY);
                DeleteObject(region);
            }
            m_bClip = 1;
        }
        return 0;
    case kClipBlackOut:
        if (!m_pProcesses && argument) {
            RECT f = ToFrame(*(const RECT*)argument);
            FillRect(m_hFrameDC, &f, m_hBlack);
            ExcludeClipRect(m_hFrameDC, f.left, f.top, f.right, f.bottom);
            m_bClip = 1;
        }
        return 0;
    case kExcludeWindow1:
    case kExcludeWindow2:
    case kExcludeWindow3:
        m_hExclude[code - kExcludeWindow1] = (HWND)argument;
        return 0;
    case kGetArea:
        if (argument)
            *(RECT*)argument = m_area;
        return 0;
    case kSetProcesses: {
        free(m_pProcesses);
        m_pProcesses = NULL;
        const DWORD* list = (const DWORD*)argument;
        if (list) {
            size_t n = 0;
            while (list[n])
                ++n;
            m_pProcesses = (DWORD*)malloc((n + 1) * sizeof(DWORD));
            if (m_pProcesses)
                memcpy(m_pProcesses, list, (n + 1) * sizeof(DWORD));
        }
        return 0;
    }
    case kIsRecordedPoint: {
        if (!m_pProcesses)
            return 1;
        HWND window = argument ? WindowFromPoint(*(const POINT*)argument) : NULL;
        if (!window)
            return 0;
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        return IsListed(processId) ? 1 : 0;
    }
    default:
        return 1;
    }
}
