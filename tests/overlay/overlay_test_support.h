// What the overlay tests share: reading the screen, real mouse input sent from a second thread
// (so a modal loop on the test's thread, such as the system's window drag, sees it), waiting with
// deadlines, and a stand-in for the recording toolbar.
#pragma once
#include <windows.h>
#include <functional>
#include <vector>

#include "framework/window.h"

RECT Rect(int left, int top, int right, int bottom);

// The colour the screen shows at (x, y).
COLORREF ScreenPixel(int x, int y);
// The screen's pixels over r, rows top-down, as COLORREF values.
std::vector<COLORREF> ScreenArea(const RECT& r);
// Keeps this thread's messages flowing until done() holds or timeoutMs passes; done()'s last value.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000);
// Waits until the screen shows colour at (x, y), each channel within tolerance.
bool ScreenShows(int x, int y, COLORREF colour, int tolerance = 0, int timeoutMs = 5000);
// Each channel of a and b within tolerance.
bool Near(COLORREF a, COLORREF b, int tolerance);
// a over b at alpha (0 to 255), as the screen blends it.
COLORREF Blend(COLORREF a, COLORREF b, int alpha);

// Runs input on a thread of its own while this thread keeps its messages flowing; returns when
// the input is done and its messages have been handled.
void WithInput(const std::function<void()>& input);
// For the input thread: real mouse input. MoveTo waits until the cursor is there.
void MoveTo(int x, int y);
void LeftDown();
void LeftUp();
// Press at from, move through each point in turn, release at the last.
void Drag(const POINT& from, std::initializer_list<POINT> through);

// A plain window standing in for the recording toolbar (or the main dialog): filled with colour,
// counting the left presses it receives and its activations.
class TestToolbar : public FwWindow {
public:
    TestToolbar(const RECT& rect, COLORREF colour);
    ~TestToolbar() override;
    int presses = 0;
    int activations = 0; // WM_ACTIVATE other than WA_INACTIVE

protected:
    bool OnMessage(FwMessage& m) override;

private:
    HBRUSH brush;
};

// A window the test puts layered at alpha over the screen, to learn how this display shows a
// colour at that alpha (an X server without a compositor shows layered windows unblended).
COLORREF ShownAtAlpha(const RECT& where, COLORREF colour, int alpha);
