// A plain green 32 x 32 icon, for windows whose row icon the chooser tests look for.
#pragma once
#include <windows.h>

inline HICON GreenIcon()
{
    HDC screen = GetDC(nullptr);
    HBITMAP colour = CreateCompatibleBitmap(screen, 32, 32);
    HBITMAP mask = CreateBitmap(32, 32, 1, 1, nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, colour);
    RECT r = {0, 0, 32, 32};
    HBRUSH green = CreateSolidBrush(RGB(0, 200, 0));
    FillRect(dc, &r, green);
    SelectObject(dc, mask);
    FillRect(dc, &r, (HBRUSH)GetStockObject(BLACK_BRUSH));
    SelectObject(dc, old);
    DeleteObject(green);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    ICONINFO info = {TRUE, 0, 0, mask, colour};
    HICON icon = CreateIconIndirect(&info); // the icon keeps copies of both bitmaps
    DeleteObject(colour);
    DeleteObject(mask);
    return icon;
}
