#include "framework/gdi.h"

FwPaintDC::FwPaintDC(HWND window) : hwnd(window) { hdc = BeginPaint(window, &ps); }
FwPaintDC::~FwPaintDC() { EndPaint(hwnd, &ps); }

FwClientDC::FwClientDC(HWND window) : hwnd(window) { hdc = GetDC(window); }
FwClientDC::~FwClientDC()
{
    if (hdc)
        ReleaseDC(hwnd, hdc);
}

FwWindowDC::FwWindowDC(HWND window) : hwnd(window) { hdc = GetWindowDC(window); }
FwWindowDC::~FwWindowDC()
{
    if (hdc)
        ReleaseDC(hwnd, hdc);
}

HFONT FwBoldGuiFont()
{
    static HFONT font = [] {
        NONCLIENTMETRICSW metrics = {};
        metrics.cbSize = sizeof(metrics);
        LOGFONTW face = {};
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
            face = metrics.lfMessageFont;
        else
            GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(face), &face);
        face.lfWeight = FW_BOLD;
        return CreateFontIndirectW(&face);
    }();
    return font;
}
