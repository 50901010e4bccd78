// The watermark: the user's picture floating over the screen as a layered window. Pixels of the
// picture's key colour (its top-left pixel) are fully transparent, to the eye and to the mouse;
// the rest is blended over the desktop at one constant alpha. A press on any visible pixel drags
// the window. User-interface thread only.
#pragma once
#include "framework/window.h"

class CWndWatermark : public FwWindow {
public:
    CWndWatermark() = default;
    // Destroys the window when it still exists.
    ~CWndWatermark() override = default;

    // Creates the window: topmost, non-activating, 100 x 40 at (0, 0), and invisible until
    // SetPicture gives it content. TRUE when the window exists.
    BOOL Create();
    // Gives the window the picture's size (at its current position, lifted to the top of the
    // topmost windows) and content. picture is the loaded picture's bitmap (TxBitmapEx::bitmap),
    // which stays the caller's and must not be selected into another DC meanwhile; null shows
    // nothing. Only the low 8 bits of alpha count: 255 opaque, 0 invisible and click-through.
    // Returns TRUE; a layered update the system refuses leaves the window showing nothing.
    BOOL SetPicture(HBITMAP picture, int alpha);

protected:
    bool OnMessage(FwMessage& m) override;
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;

private:
    LRESULT OnNcHitTest();
    LRESULT OnNcLButtonDown();
    LRESULT OnNcMouseMove();
    LRESULT OnEnterSizeMove();
};
