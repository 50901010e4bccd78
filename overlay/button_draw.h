// The toolbar's Draw button, split in three: the middle toggles drawing on the screen and shows
// the pen icon over a bar in the pen colour, as high as the pen is wide; the left 14 pixels open
// a menu of pen widths, the right 14 pixels the colour popup. A picked width or colour is sent to
// the parent as the button's width or colour command. The tooltip follows the zone under the
// mouse. User-interface thread only.
#pragma once
#include "framework/colour_button.h"
#include "framework/image_list.h"

class TButtonDraw : public FwColourButton {
public:
    TButtonDraw() = default;
    ~TButtonDraw() override = default;

    // Zone images from bitmap 320: the down arrow on the left, the swatch on the right.
    void LoadImages();
    // Draws image index centred in rect, cut to its size.
    void DrawImage(HDC dc, int index, const RECT& rect);
    // Runs the width menu below the button (unless one closed within the last 100 ms). The
    // button may be gone when it returns: the menu's loop, like the colour popup's, delivers the
    // thread's messages, and one of them may destroy the parent.
    void ShowWidthMenu();

    // Written by the owner.
    int m_nPenWidth = 5;
    UINT m_nWidthCommand = 0;  // 0: none sent
    UINT m_nColorCommand = 0;  // 0: none sent
    FwString m_strLeftTip;     // empty: the default tip
    FwString m_strRightTip;
    FwString m_strDefaultTip;

    FwImageList m_images;
    int m_nLeftImage = -1;
    int m_nRightImage = -1;
    // 0 none, 1 over the left zone, 2 over the right zone, 3 left pressed, 4 right pressed.
    int m_nHotZone = 0;

    // Zone of a client point: 1 left, 2 right, 0 middle.
    int ZoneAt(POINT client) const;
    // The tip for a hot zone.
    const FwString& TipFor(int zone) const;

    INT_PTR OnToolHitTest(POINT point, TTTOOLINFOW* info) const override;

    // When the last width menu closed (GetTickCount); shared by every pen button.
    static DWORD s_lastMenuClose;

protected:
    bool OnMessage(FwMessage& m) override;
    void OnDrawBorder(HDC dc, const RECT& rect, UINT state) override;
    void OnDrawFocusRect(HDC, const RECT&) override {}
    void OnDraw(HDC dc, const RECT& rect, UINT state) override;
    void UpdateColor(COLORREF c) override;

private:
    void OnLButtonDown(POINT p);
    void OnLButtonUp(POINT p);
    void OnMouseMove(WPARAM flags, POINT p);
    void RepaintNow();
    void DrawZoneImage(HDC dc, int image, const RECT& zone, UINT state);

    bool m_bMenuOpen = false;
};
