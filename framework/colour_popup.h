// The colour palette popup: a grid of colour cells under the button that opened it, and an
// optional "other colours" button below them that opens the system's colour dialog. It runs its
// own loop while it is open (like a popup menu) and closes on a pick, Esc, or a click anywhere
// outside it, which it swallows.
#pragma once
#include "framework/window.h"
#include "framework/wide_string.h"

class FwColourPopup : public FwWindow {
public:
    enum { kColumns = 8, kCell = 18, kMargin = 4, kOtherHeight = 22 };

    // colours: count cells, drawn kColumns a row; current gets a frame. otherLabel: the other
    // colours button's text, or nullptr for none. False when nothing was picked.
    FwColourPopup(const COLORREF* colours, int count, COLORREF current, const wchar_t* otherLabel);

    // Shows the popup with its top-left corner at (x, y) in screen coordinates (kept on the
    // screen) and runs until it closes. owner: the window that owns the colour dialog.
    bool Track(HWND owner, int x, int y, COLORREF* picked);

    // The popup open on this thread, or nullptr.
    static FwColourPopup* Active();
    // Closes the popup without a pick.
    void Close() { done = true; }

    // Client geometry: the cell of index, and the other colours button.
    RECT CellRect(int index) const;
    RECT OtherRect() const;
    SIZE ClientSize() const;

protected:
    bool OnMessage(FwMessage& m) override;
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;

private:
    int HitTest(POINT client) const; // cell index, kOther, or -1
    void OnPaint();
    void OnMouseMove(POINT p);
    void OnLButtonUp(POINT p);
    bool ChooseOther(HWND owner, COLORREF* picked);

    static const int kOther = 1000;
    const COLORREF* colours;
    int count;
    COLORREF current;
    FwString otherLabel;
    bool hasOther;
    int hot = -1;
    int chosen = -1;
    bool done = false;
};
