#include "engine/bitmap_info.h"

#include <stdlib.h>
#include <string.h>

#include "engine/dib_color_table.h"

namespace {

struct Rgb {
    BYTE r, g, b;
};

RGBQUAD Quad(BYTE r, BYTE g, BYTE b)
{
    RGBQUAD q = {b, g, r, 0};
    return q;
}

// The 256-colour palette used when the display has none: the 20 system colours around a colour
// cube and a grey ramp.
void BuiltInPalette(RGBQUAD out[256])
{
    static const Rgb kFirst[10] = {
        {0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
        {128, 0, 128}, {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
    };
    static const BYTE kLevels[6] = {0, 44, 86, 135, 192, 255};
    static const BYTE kGreys[23] = {17,  24,  30,  37,  44,  52,  60,  68,  77,  86,  95, 105,
                                    114, 125, 146, 157, 168, 180, 204, 216, 229, 242, 255};
    static const Rgb kLast[10] = {
        {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0},
        {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255},
    };
    int n = 0;
    for (const Rgb& c : kFirst)
        out[n++] = Quad(c.r, c.g, c.b);
    for (int b = 0; b < 6; ++b) {
        for (int g = 0; g < 6; ++g) {
            for (int r = 0; r < 6; ++r) {
                BYTE R = kLevels[r], G = kLevels[g], B = kLevels[b];
                // These three are already among the system colours.
                if ((R == 0 && G == 0 && B == 0) || (R == 192 && G == 192 && B == 192) ||
                    (R == 0 && G == 255 && B == 255))
                    continue;
                out[n++] = Quad(R, G, B);
            }
        }
    }
    for (BYTE v : kGreys)
        out[n++] = Quad(v, v, v);
    for (const Rgb& c : kLast)
        out[n++] = Quad(c.r, c.g, c.b);
}

BOOL ReadDisplayPalette(RGBQUAD* table, int count, BOOL grey)
{
    HDC display = CreateDCW(L"DISPLAY", NULL, NULL, NULL);
    if (!display)
        return FALSE;
    int caps = GetDeviceCaps(display, RASTERCAPS);
    int colours = GetDeviceCaps(display, NUMCOLORS);
    DeleteDC(display);
    if (!(caps & RC_PALETTE) || grey || colours <= 0 || colours != count)
        return FALSE;
    PALETTEENTRY entries[256] = {};
    // The stock palette may hold fewer entries than the display; a partial read would leave the
    // rest of the table undefined, so it counts as a failed read.
    if (count > 256 ||
        GetPaletteEntries((HPALETTE)GetStockObject(DEFAULT_PALETTE), 0, count, entries) != (UINT)count)
        return FALSE;
    for (int i = 0; i < count; ++i)
        table[i] = Quad(entries[i].peRed, entries[i].peGreen, entries[i].peBlue);
    return TRUE;
}

} // namespace

BOOL BuildColorTable(RGBQUAD* table, int count, BOOL grey)
{
    if (ReadDisplayPalette(table, count, grey))
        return TRUE;
    RGBQUAD palette[256];
    switch (count) {
    case 2:
        table[0] = Quad(0, 0, 0);
        table[1] = Quad(255, 255, 255);
        return TRUE;
    case 16:
        if (grey) {
            for (int i = 0; i < 16; ++i)
                table[i] = Quad(17 * i, 17 * i, 17 * i);
        } else {
            BuiltInPalette(palette);
            for (int i = 0; i < 16; ++i)
                table[i] = palette[17 * i];
        }
        return TRUE;
    case 256:
        if (grey) {
            for (int i = 0; i < 256; ++i)
                table[i] = Quad(i, i, i);
        } else {
            BuiltInPalette(table);
        }
        return TRUE;
    default:
        return FALSE;
    }
}

BitmapInfo::~BitmapInfo()
{
    FreeInfo();
}

void BitmapInfo::FreeInfo()
{
    free(m_pbmi);
    m_pbmi = NULL;
    m_pBits = NULL;
}

BOOL BitmapInfo::Create(int width, int height, int format, const DWORD* colours, int colourCount)
{
    if (m_pbmi)
        return TRUE;

    int bits = 32, grey = 0;
    DWORD compression = BI_BITFIELDS;
    switch (format) {
    case 1: bits = 1; compression = BI_RGB; break;
    case 4: bits = 4; compression = BI_RGB; break;
    case 5: bits = 4; grey = 1; compression = BI_RGB; break;
    case 8: bits = 8; compression = BI_RGB; break;
    case 9: bits = 8; grey = 1; compression = BI_RGB; break;
    case 16: bits = 16; break;
    case 24: bits = 24; compression = BI_RGB; break;
    default: break;
    }
    int entries = DibColorTableCount(bits);
    // 24 bits carries no table; its block still has four zero bytes after the header.
    size_t size = sizeof(BITMAPINFOHEADER) + (bits == 24 ? 4 : entries * sizeof(DWORD));
    BITMAPINFO* info = (BITMAPINFO*)calloc(1, size);
    if (!info)
        return FALSE;
    m_bGrey = grey;

    BITMAPINFOHEADER& h = info->bmiHeader;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = (WORD)bits;
    h.biCompression = compression;
    h.biSizeImage = (DWORD)(abs(height) * RowBytes(width, bits));

    DWORD* table = (DWORD*)info->bmiColors;
    if (bits <= 8) {
        h.biClrUsed = entries;
        if (colours && colourCount == entries)
            memcpy(table, colours, entries * sizeof(DWORD));
        else
            BuildColorTable(info->bmiColors, entries, grey);
    } else if (bits == 16 || bits == 32) {
        static const DWORD kMasks16[3] = {0xF800, 0x07E0, 0x001F};
        static const DWORD kMasks32[3] = {0xFF0000, 0xFF00, 0xFF};
        const DWORD* masks = colours && colourCount == 3 ? colours : bits == 16 ? kMasks16 : kMasks32;
        memcpy(table, masks, 3 * sizeof(DWORD));
    }
    m_pbmi = info;
    return TRUE;
}
