// The annotation canvas: a veil over the whole primary screen on which the user draws lines with
// the left mouse button while a recording runs. The veil is white at a constant alpha of 100 with
// black as its colour key, so the desktop shows through dimmed and the toolbar's area, painted
// black, stays clear and clickable. The lines reach the video only through the screen grab.
//
// Threads: everything on the user-interface thread; the recording thread only reads the window
// handle (HandleAddress) to leave out its click markers while the canvas exists.
#pragma once
#include "foundation/array.h"
#include "framework/window.h"

// One stroke: its points and its style, the colour in bits 0 to 23 and the width in bits 24 to 31.
class AnnotObj {
public:
    explicit AnnotObj(DWORD style) : style(style) {}

    // Draws points as one polyline in the stroke's style, points and width multiplied by scale.
    // Black is drawn as RGB(1, 1, 1), since black is the canvas's colour key. Draws nothing when no
    // pen can be made.
    void Draw(HDC dc, const POINT* points, int count, double scale) const;

    TArray<POINT> points; // canvas client coordinates divided by the canvas's scale
    DWORD style;          // (width << 24) | colour
};

class CWndCanvas : public FwWindow {
public:
    CWndCanvas();
    // Deletes every stroke and destroys the window when it still exists.
    ~CWndCanvas() override;

    // Creates the veil over the primary screen, leaving toolbar's window clear. FALSE, with
    // nothing stored, when the window cannot be made.
    BOOL Create(FwWindow* toolbar);
    // Deletes every finished stroke; the stroke being drawn, if any, stays.
    void Clear();
    // Paints the bare veil into dc (a DC of the canvas window): white, the toolbar's area black,
    // the red hint at the top centre. Also the WM_ERASEBKGND handler. Returns TRUE.
    BOOL OnEraseBkgnd(HDC dc);
    // No tooltips on the veil.
    bool PreTranslateMessage(MSG* msg) override;

    // Written by the toolbar; apply to strokes begun from then on.
    int m_nLineWidth;       // pixels
    COLORREF m_crLineColor; // RGB

    // Read-only views for the toolbar and tests.
    int StrokeCount() const { return (int)m_arrObjs.count; }
    const AnnotObj* Stroke(int index) const
    {
        return index >= 0 && index < StrokeCount() ? m_arrObjs.data[index] : nullptr;
    }
    const AnnotObj* CurrentStroke() const { return m_pCurrent; }

protected:
    bool OnMessage(FwMessage& m) override;
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;

private:
    LRESULT OnCreate();
    void OnPaint();
    void OnLButtonDown(POINT point);
    void OnMouseMove(POINT point);
    void OnLButtonUp();
    LRESULT OnPrintStrokes(HDC dc);

    POINT Scaled(POINT point) const;
    void DrawStrokes(HDC dc) const;
    // Keeps the current stroke when it has two or more points, else deletes it.
    void FinishStroke();

    double m_dScale;
    HCURSOR m_hPenCursor;
    HWND m_hToolbar;
    AnnotObj* m_pCurrent;
    TArray<AnnotObj*> m_arrObjs; // finished strokes, owned, in the order they were finished
};
