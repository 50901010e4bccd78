// Reading what the screen shows, for tests: single pixels, rectangles grabbed with GDI, and colour
// comparisons with a tolerance (an X server may round colours, or blend layered windows).
#pragma once
#include <windows.h>
#include <vector>

RECT Rect(int left, int top, int right, int bottom);

// The colour the screen shows at (x, y).
COLORREF ScreenPixel(int x, int y);
COLORREF ScreenPixel(POINT p);
// The screen's pixels over r, rows top-down, as COLORREF values.
std::vector<COLORREF> ScreenArea(const RECT& r);
// The screen's pixels over r given in window's client coordinates, rows top-down.
std::vector<COLORREF> ScreenClientArea(HWND window, const RECT& r);
// Counts the pixels of a screen rectangle (layered windows included) whose red, green and blue
// each lie within tolerance of colour.
int CountScreenPixels(const RECT& screen, COLORREF colour, int tolerance = 0);
// How many of pixels lie within tolerance of colour in each channel.
int CountNear(const std::vector<COLORREF>& pixels, COLORREF colour, int tolerance);
// What the recording toolbar's tick draws for a time text, to compare with the screen: width x 18
// pixels (41, the time area, unless a wider one shows what the area would cut off), the toolbar's
// time font, black on the button face, centred vertically.
std::vector<COLORREF> RenderTime(const wchar_t* text, HFONT font, int width = 41);
// The rightmost column with a dark pixel of pixels that are width wide, rows top-down; -1 for
// none.
int LastDarkColumn(const std::vector<COLORREF>& pixels, int width);

// Each channel of a and b within tolerance.
bool Near(COLORREF a, COLORREF b, int tolerance);
// a over b at alpha (0 to 255), as the screen blends it.
COLORREF Blend(COLORREF a, COLORREF b, int alpha);
// Waits, keeping this thread's messages flowing, until the screen shows colour at (x, y), each
// channel within tolerance.
bool ScreenShows(int x, int y, COLORREF colour, int tolerance = 0, DWORD timeoutMs = 5000);
