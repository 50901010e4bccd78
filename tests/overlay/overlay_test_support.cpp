#include "tests/overlay/overlay_test_support.h"

#include "tests/engine/colour_window.h"
#include "tests/support/screen_pixels.h"
#include "tests/support/waiting.h"

TestToolbar::TestToolbar(const RECT& rect, COLORREF colour) : brush(CreateSolidBrush(colour))
{
    CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, nullptr, L"toolbar", WS_POPUP | WS_VISIBLE, rect, nullptr, 0);
    PumpFor(200);
}

TestToolbar::~TestToolbar()
{
    DestroyWindow();
    DeleteObject(brush);
}

bool TestToolbar::OnMessage(FwMessage& m)
{
    switch (m.id) {
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(Handle(), &client);
        FillRect((HDC)m.wParam, &client, brush);
        m.result = 1;
        return true;
    }
    case WM_LBUTTONDOWN: ++presses; return true;
    case WM_ACTIVATE:
        if (LOWORD(m.wParam) != WA_INACTIVE)
            ++activations;
        break;
    case WM_MOUSEACTIVATE: m.result = MA_NOACTIVATE; return true;
    }
    return FwWindow::OnMessage(m);
}

COLORREF ShownAtAlpha(const RECT& where, COLORREF colour, int alpha)
{
    ColourWindow probe(where, colour, alpha);
    const int x = (where.left + where.right) / 2, y = (where.top + where.bottom) / 2;
    // The probe is up once the screen has changed there and then holds still.
    COLORREF last = ScreenPixel(x, y);
    for (int i = 0; i < 20; ++i) {
        PumpFor(50);
        COLORREF now = ScreenPixel(x, y);
        if (now == last && i >= 4)
            break;
        last = now;
    }
    return last;
}
