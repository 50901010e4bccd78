// A button that holds a colour and picks it from the palette popup (FwColourPopup), with an
// optional "other colours" button in the popup that opens the system's colour dialog. A click or
// Space or the down arrow opens the popup; a click on the button while the popup is open closes
// it. A picked colour is stored and announced to the parent as WM_COMMAND with the control id.
#pragma once
#include "framework/flat_button.h"

class FwColourButton : public FwFlatButton {
public:
    FwColourButton() = default;
    ~FwColourButton() override;

    COLORREF GetColor() const { return colour; }
    // Stores the colour ((COLORREF)-1: none) and repaints.
    void SetColor(COLORREF c);

    // Gives the popup an other-colours button labelled label. The colour dialog is always the
    // system's; the flags are kept for the callers that name them.
    void EnableOtherButton(const wchar_t* label, BOOL altColorDialog = TRUE, BOOL autoColor = TRUE);
    bool HasOtherButton() const { return hasOther; }

    // The palette's colours, and the logical palette made from them (for 8-bit displays).
    static const COLORREF* PaletteColours(int* count);
    HPALETTE GetPalette() const { return palette; }
    void RebuildPalette();

    // Opens the popup below the button and runs it; a pick goes to UpdateColor. When a popup
    // is already open, closes it instead. The button may be gone when this returns (its parent
    // destroyed by a message the popup's loop delivered): check with FwAliveCheck first.
    void OnShowColorPopup();

protected:
    bool OnMessage(FwMessage& m) override;
    void OnDraw(HDC dc, const RECT& rect, UINT state) override;
    // A colour was picked: stores it, then sends WM_COMMAND (control id, this window) to the
    // parent.
    virtual void UpdateColor(COLORREF c);

    COLORREF colour = (COLORREF)-1;

private:
    FwString otherLabel;
    bool hasOther = false;
    HPALETTE palette = nullptr;
};
