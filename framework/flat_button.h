// A flat push button with an icon and a tooltip. Created with BS_CHECKBOX or BS_AUTOCHECKBOX (and
// BS_PUSHLIKE) it is a check button drawn pressed while checked; BS_CHECKBOX leaves the check
// state to the owner (BM_SETCHECK), BS_AUTOCHECKBOX toggles it on each click. The control is an
// owner-drawn system button: the parent hands WM_DRAWITEM back (FwReflectOwnerDraw) and receives
// BN_CLICKED with the control id as from any button.
#pragma once
#include "framework/owner_draw.h"
#include "framework/wide_string.h"

class FwFlatButton : public FwWindow, public FwOwnerDraw {
public:
    enum FlatStyle {
        BUTTONSTYLE_3D = 0,       // a raised 3-D frame, sunken while pressed
        BUTTONSTYLE_FLAT = 1,     // no frame until the mouse is over it
        BUTTONSTYLE_SEMIFLAT = 2, // a thin frame, raised under the mouse, sunken while pressed
        BUTTONSTYLE_NOBORDERS = 3,
    };

    FwFlatButton() = default;
    ~FwFlatButton() override;

    // style: the usual button styles (WS_CHILD | WS_VISIBLE | BS_PUSHLIKE | BS_CHECKBOX, say).
    BOOL Create(const wchar_t* text, DWORD style, const RECT& rect, HWND parent, UINT id);

    // The icon drawn centred on the face; the button owns it and destroys it.
    void SetImage(HICON icon);
    HICON GetImage() const { return icon; }
    // The tooltip over the whole button; empty: none.
    void SetTooltip(const wchar_t* text);
    const FwString& GetTooltip() const { return tooltip; }

    int GetCheck() const { return checked; }
    void SetCheck(int state);
    bool IsCheckButton() const { return checkButton; }
    // The mouse pointer is over the button.
    bool IsHighlighted() const { return highlighted; }

    int m_nFlatStyle = BUTTONSTYLE_3D;

    void DrawItem(DRAWITEMSTRUCT* item) override;
    INT_PTR OnToolHitTest(POINT point, TTTOOLINFOW* info) const override;

protected:
    bool OnMessage(FwMessage& m) override;

    // The face: the background, then OnDraw in the client rectangle less the border, then the
    // border and the focus rectangle. state holds ODS_* flags; ODS_CHECKED is added while checked.
    virtual void OnFillBackground(HDC dc, const RECT& rect, UINT state);
    virtual void OnDrawBorder(HDC dc, const RECT& rect, UINT state);
    // The content: the icon, and the text beside it when there is one.
    virtual void OnDraw(HDC dc, const RECT& rect, UINT state);
    virtual void OnDrawFocusRect(HDC dc, const RECT& rect);
    // The border's width on each side; OnDraw gets the client rectangle deflated by it.
    static const int kBorder = 2;

    // The highlight flag: set while the pointer is over the button.
    bool highlighted = false;
    void Repaint();

private:
    void OnMouseMove();
    void OnMouseLeave();

    HICON icon = nullptr;
    FwString tooltip;
    int checked = BST_UNCHECKED;
    bool checkButton = false;
    bool autoCheck = false;
    bool tracking = false;
};
