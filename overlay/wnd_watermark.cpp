#include "overlay/wnd_watermark.h"
#include "overlay/overlay_class.h"

#include "framework/app.h"
#include "framework/gdi.h"

namespace {

const wchar_t kClassName[] = L"VORNWartermark";

void SizeAllCursor()
{
    SetCursor(LoadCursorW(nullptr, (LPCWSTR)IDC_SIZEALL));
}

// A memory DC compatible with the screen, with a bitmap selected for its lifetime.
class MemoryDC {
public:
    explicit MemoryDC(HBITMAP bitmap) : dc(CreateCompatibleDC(nullptr))
    {
        if (dc && bitmap)
            previous = SelectObject(dc, bitmap);
    }
    ~MemoryDC()
    {
        if (previous)
            SelectObject(dc, previous);
        if (dc)
            DeleteDC(dc);
    }
    HDC Handle() const { return dc; }
    bool HasBitmap() const { return previous != nullptr; }

private:
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    HDC dc;
    HGDIOBJ previous = nullptr;
};

} // namespace

bool CWndWatermark::OnMessage(FwMessage& m)
{
    switch (m.id) {
    case WM_NCHITTEST: m.result = OnNcHitTest(); return true;
    case WM_NCLBUTTONDOWN: m.result = OnNcLButtonDown(); return true;
    case WM_NCMOUSEMOVE: m.result = OnNcMouseMove(); return true;
    case WM_ENTERSIZEMOVE: m.result = OnEnterSizeMove(); return true;
    }
    // WM_LBUTTONDOWN and WM_MOUSEMOVE get default processing, like everything else.
    return FwWindow::OnMessage(m);
}

BOOL CWndWatermark::PreCreateWindow(CREATESTRUCTW& cs)
{
    return UseOverlayClass(cs, kClassName) && FwWindow::PreCreateWindow(cs);
}

BOOL CWndWatermark::Create()
{
    const RECT rect = {0, 0, 100, 40};
    return CreateEx(WS_EX_TOPMOST | WS_EX_LAYERED | WS_EX_NOACTIVATE, kClassName, kClassName,
                    WS_POPUP | WS_VISIBLE, rect, nullptr, 0);
}

BOOL CWndWatermark::SetPicture(HBITMAP picture, int alpha)
{
    if (!Handle())
        return TRUE;
    BITMAP info = {};
    if (!picture || !GetObjectW(picture, sizeof(info), &info))
        info.bmWidth = info.bmHeight = 0;
    SIZE size = {info.bmWidth, info.bmHeight < 0 ? -info.bmHeight : info.bmHeight};
    SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, size.cx, size.cy, SWP_NOMOVE);

    FwClientDC windowDC(Handle());
    MemoryDC source(picture);
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, (BYTE)(alpha & 0xFF), 0};
    COLORREF key = 0;
    if (source.HasBitmap()) {
        key = GetPixel(source.Handle(), 0, 0);
        key = key == CLR_INVALID ? 0 : key & 0xFFFFFF;
    }
    POINT origin = {0, 0};
    UpdateLayeredWindow(Handle(), windowDC, nullptr, &size, source.Handle(), &origin, key, &blend,
                        ULW_COLORKEY | ULW_ALPHA);
    return TRUE;
}

LRESULT CWndWatermark::OnNcHitTest()
{
    // Every point is caption, so a press anywhere on the picture starts the system's drag.
    return HTCAPTION;
}

LRESULT CWndWatermark::OnNcLButtonDown()
{
    // The watermark never takes the focus; the main dialog comes forward instead.
    if (FwApp* app = FwApp::Current())
        if (app->mainWindow && app->mainWindow->Handle())
            SetForegroundWindow(app->mainWindow->Handle());
    LRESULT result = Default();
    SizeAllCursor();
    return result;
}

LRESULT CWndWatermark::OnNcMouseMove()
{
    LRESULT result = Default();
    SizeAllCursor();
    return result;
}

LRESULT CWndWatermark::OnEnterSizeMove()
{
    LRESULT result = Default();
    SizeAllCursor();
    return result;
}
