// A visible topmost window for control tests: it hands owner-drawing back to its controls and
// records the commands they send.
#pragma once
#include <vector>
#include "framework/owner_draw.h"

struct SeenCommand {
    UINT id;
    UINT code;
    HWND from;
};

class ControlParent : public FwWindow {
public:
    // A popup at (x, y) of the given client size, shown without activation.
    ControlParent(int x, int y, int width, int height);
    std::vector<SeenCommand> commands;
    int CountOf(UINT id) const;

protected:
    bool OnMessage(FwMessage& m) override;
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
};

// A 16 x 16 icon of one colour; the caller destroys it.
HICON SolidIcon(COLORREF colour);
// The colour on the screen at a point of the window's client area.
COLORREF ClientPixel(HWND window, int x, int y);
