// The region selector: a top-most layered window over the primary screen, invisible but for one
// element, the Region panel, which the user moves and resizes with the mouse and the arrow keys
// and accepts (double-click, Enter) or cancels (right-click, Esc). User-interface thread only.
#pragma once
#include "framework/wide_string.h"
#include "framework/window.h"
#include "overlay/skin_element.h"

// The selector's one element. Its rectangle is the capture rectangle, in screen coordinates of
// the primary screen; it outlives every selection, and a cancelled selection keeps its edits.
class Region : public CSkinElement {
public:
    // 480 x 640, centred on the primary screen as it is now.
    Region();
    ~Region() override;

    // The outline and handles, then the light-yellow panel with the title, the hint and the
    // corner coordinates.
    void Draw(HDC dc) override;

    FwString hint;     // drawn in the lower half
    FwString title;    // drawn in the upper half
    FwString fontFace; // the face of both fonts
};

class CWndRegion : public FwWindow, public CSkinElementContainer {
public:
    enum { kAccepted = 1, kCancelled = 2 };

    CWndRegion();
    ~CWndRegion() override;

    // Shows the selector and runs its own message loop until the user accepts (1) or cancels
    // (2); 2 also when the loop meets WM_QUIT or the window cannot be created. Each text that is
    // not NULL replaces the Region's title, hint or font face first. owner is only kept.
    int DoModal(FwWindow* owner, const wchar_t* title, const wchar_t* hint, const wchar_t* fontFace);

    // Repaints the element's area, handles included.
    void Notify(int code, CSkinElement* element) override;

    Region* region;          // the one element; the element list owns it
    FwWindow* owner = nullptr; // the window that called DoModal

protected:
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    bool OnMessage(FwMessage& m) override;

private:
    LRESULT OnCreate();
    void OnLButtonDown(UINT flags, POINT point);
    void OnLButtonUp(UINT flags, POINT point);
    void OnMouseMove(UINT flags, POINT point);
    void OnKeyDown(UINT key);
    void OnPaint();
    BOOL OnEraseBkgnd(HDC dc);
    void PostCommand(WPARAM command);
};
