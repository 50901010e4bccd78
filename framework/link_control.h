// A web link: a child window that shows its text in link blue, underlined while the mouse is over
// it (or always), with a hand cursor and a tooltip, and opens its address with the shell when
// clicked.
#pragma once
#include "framework/window.h"
#include "framework/gdi.h"
#include "framework/wide_string.h"

class FwLinkControl : public FwWindow {
public:
    static const COLORREF kLinkColour = 0xCC6600; // RGB(0, 102, 204)

    FwLinkControl() = default;
    ~FwLinkControl() override;

    // A child of parent showing text; style BS_RIGHT puts the text at the right edge.
    BOOL Create(const wchar_t* text, DWORD style, const RECT& rect, HWND parent, UINT id);

    void SetURL(const wchar_t* url) { url_ = url; }
    const FwString& URL() const { return url_; }
    // The tooltip shown while the mouse rests on the link (made on first use).
    void SetTooltip(const wchar_t* text);
    HWND Tooltip() const { return tooltip; }
    // FALSE: underlined only while the mouse is over the link.
    void SetAlwaysUnderline(BOOL always);
    // The size the text needs in the link's font, with a pixel of room on each side.
    SIZE ContentSize() const;
    // Resizes the window to ContentSize, keeping its top-left corner.
    void SizeToContent();

    // Opens the address; the click calls it. True when the shell took it.
    virtual bool Open();

protected:
    bool OnMessage(FwMessage& m) override;

private:
    void OnPaint();
    void OnMouseMove();
    void OnMouseLeave();
    HFONT TextFont() const;
    HFONT LinkFont(bool underline);

    FwString url_;
    HWND tooltip = nullptr;
    BOOL alwaysUnderline = TRUE;
    bool hover = false;
    bool pressed = false;
    FwFont underlined; // the parent's font with underline, made when first needed
};
