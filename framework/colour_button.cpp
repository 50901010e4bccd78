#include "framework/colour_button.h"
#include "framework/colour_popup.h"
#include "framework/gdi.h"
#include <vector>

namespace {
// Five rows of eight: greys and the usual hues from dark to light.
const COLORREF kPalette[] = {
    RGB(0, 0, 0),       RGB(153, 51, 0),    RGB(51, 51, 0),     RGB(0, 51, 0),
    RGB(0, 51, 102),    RGB(0, 0, 128),     RGB(51, 51, 153),   RGB(51, 51, 51),
    RGB(128, 0, 0),     RGB(255, 102, 0),   RGB(128, 128, 0),   RGB(0, 128, 0),
    RGB(0, 128, 128),   RGB(0, 0, 255),     RGB(102, 102, 153), RGB(128, 128, 128),
    RGB(255, 0, 0),     RGB(255, 153, 0),   RGB(153, 204, 0),   RGB(51, 153, 102),
    RGB(51, 204, 204),  RGB(51, 102, 255),  RGB(128, 0, 128),   RGB(153, 153, 153),
    RGB(255, 0, 255),   RGB(255, 204, 0),   RGB(255, 255, 0),   RGB(0, 255, 0),
    RGB(0, 255, 255),   RGB(0, 204, 255),   RGB(153, 51, 102),  RGB(192, 192, 192),
    RGB(255, 153, 204), RGB(255, 204, 153), RGB(255, 255, 153), RGB(204, 255, 204),
    RGB(204, 255, 255), RGB(153, 204, 255), RGB(204, 153, 255), RGB(255, 255, 255),
};
const int kPaletteCount = sizeof(kPalette) / sizeof(kPalette[0]);
} // namespace

bool FwColourButton::OnMessage(FwMessage& m)
{
    switch (m.id) {
    case WM_LBUTTONDOWN: OnShowColorPopup(); return true;
    case WM_KEYDOWN:
        if (m.wParam == VK_SPACE || m.wParam == VK_DOWN) {
            OnShowColorPopup();
            return true;
        }
        break;
    case WM_GETDLGCODE: m.result = DLGC_WANTARROWS | Default(); return true;
    }
    return FwFlatButton::OnMessage(m);
}

FwColourButton::~FwColourButton()
{
    if (palette)
        DeleteObject(palette);
}

const COLORREF* FwColourButton::PaletteColours(int* count)
{
    *count = kPaletteCount;
    return kPalette;
}

void FwColourButton::SetColor(COLORREF c)
{
    colour = c;
    Repaint();
}

void FwColourButton::EnableOtherButton(const wchar_t* label, BOOL, BOOL)
{
    otherLabel = label ? label : L"";
    hasOther = true;
}

void FwColourButton::RebuildPalette()
{
    if (palette)
        DeleteObject(palette);
    std::vector<BYTE> block(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * (kPaletteCount - 1));
    auto* logical = reinterpret_cast<LOGPALETTE*>(block.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = kPaletteCount;
    PALETTEENTRY* entries = logical->palPalEntry;
    for (int i = 0; i < kPaletteCount; ++i) {
        entries[i].peRed = GetRValue(kPalette[i]);
        entries[i].peGreen = GetGValue(kPalette[i]);
        entries[i].peBlue = GetBValue(kPalette[i]);
        entries[i].peFlags = 0;
    }
    palette = CreatePalette(logical);
}

void FwColourButton::OnShowColorPopup()
{
    if (FwColourPopup* open = FwColourPopup::Active()) {
        open->Close();
        return;
    }
    RECT r;
    GetWindowRect(Handle(), &r);
    FwColourPopup popup(kPalette, kPaletteCount, colour, hasOther ? (const wchar_t*)otherLabel : nullptr);
    COLORREF picked;
    FwAliveCheck alive(this);
    bool chosen = popup.Track(GetParent(Handle()), r.left, r.bottom, &picked);
    // The popup's loop (or its colour dialog's) may have seen the button go with its parent.
    if (chosen && alive.Alive())
        UpdateColor(picked);
}

void FwColourButton::UpdateColor(COLORREF c)
{
    SetColor(c);
    if (HWND parent = GetParent(Handle()))
        SendMessageW(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(Handle()), BN_CLICKED), (LPARAM)Handle());
}

void FwColourButton::OnDraw(HDC dc, const RECT& rect, UINT state)
{
    // The swatch at the left, a drop-down arrow at the right.
    RECT swatch = {rect.left + 2, rect.top + 2, rect.right - 14, rect.bottom - 2};
    if (colour != (COLORREF)-1 && !(state & ODS_DISABLED)) {
        FwBrush brush(colour);
        FillRect(dc, &swatch, brush);
    }
    FrameRect(dc, &swatch, GetSysColorBrush(COLOR_BTNSHADOW));
    int cx = rect.right - 8, cy = (rect.top + rect.bottom) / 2 - 1;
    POINT arrow[3] = {{cx - 3, cy}, {cx + 4, cy}, {cx, cy + 4}};
    HBRUSH fill = GetSysColorBrush((state & ODS_DISABLED) ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
    FwSelect brush(dc, fill);
    FwSelect pen(dc, GetStockObject(NULL_PEN));
    Polygon(dc, arrow, 3);
}
