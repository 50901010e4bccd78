#include "overlay/time_font.h"

namespace {

const wchar_t kWidestTime[] = L"00:00:00 ";
const int kSmallestHeight = 6;

bool Fits(HDC dc, HFONT font)
{
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size = {0, 0};
    BOOL measured = GetTextExtentPoint32W(dc, kWidestTime, lstrlenW(kWidestTime), &size);
    SelectObject(dc, old);
    return measured && size.cx <= kToolTimeWidth && size.cy <= kToolTimeHeight;
}

HFONT MakeTimeFont()
{
    LOGFONTW face = {};
    if (!GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(face), &face))
        return nullptr;
    int height = face.lfHeight < 0 ? -face.lfHeight : face.lfHeight;
    if (height < kSmallestHeight)
        height = kToolTimeHeight;
    HDC dc = GetDC(nullptr);
    HFONT font = nullptr;
    // Character heights, from the GUI font's own down to the smallest that can still be read.
    for (; height >= kSmallestHeight; --height) {
        face.lfHeight = -height;
        face.lfWidth = 0;
        font = CreateFontIndirectW(&face);
        if (!font || Fits(dc, font) || height == kSmallestHeight)
            break;
        DeleteObject(font);
        font = nullptr;
    }
    ReleaseDC(nullptr, dc);
    return font;
}

} // namespace

HFONT ToolTimeFont()
{
    static HFONT font = MakeTimeFont();
    return font ? font : (HFONT)GetStockObject(DEFAULT_GUI_FONT);
}
