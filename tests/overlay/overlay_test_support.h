// What the overlay tests share: a stand-in for the recording toolbar and how this display shows
// a layered colour.
#pragma once
#include <windows.h>

#include "framework/window.h"

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
