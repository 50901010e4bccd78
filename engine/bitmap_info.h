// The BITMAPINFO of a grabbed frame, and the colour tables of its palettized formats.
#pragma once
#include <windows.h>

class BitmapInfo {
public:
    BitmapInfo() = default;
    virtual ~BitmapInfo();

    // Builds the header once (TRUE at once when one exists). Format codes: 1, 4, 5 (grey), 8,
    // 9 (grey), 16, 24; any other code gives 32 bits per pixel with the masks 0xFF0000, 0xFF00,
    // 0xFF. A negative height makes the rows top-down. colours replaces the built-in table (or, for
    // 16 and 32 bits, the masks) when colourCount matches what the format carries.
    BOOL Create(int width, int height, int format, const DWORD* colours, int colourCount);

    // Bytes in one row of width pixels of that depth: DWORD-aligned.
    static int RowBytes(int width, int bitsPerPixel) { return ((width * bitsPerPixel + 31) >> 3) & ~3; }

protected:
    // One malloc'd block: the header, then the colour table or the three masks.
    BITMAPINFO* m_pbmi = NULL;
    // The DIB section's pixels; owned by the section, not by this object.
    void* m_pBits = NULL;
    int m_bGrey = 0;

    void FreeInfo();

private:
    BitmapInfo(const BitmapInfo&) = delete;
    BitmapInfo& operator=(const BitmapInfo&) = delete;
};

// Fills count entries (2, 16 or 256) with the display's default palette when the display is a
// palette device of exactly that many colours and grey is FALSE; otherwise with the built-in
// tables, or grey ramps when grey is TRUE. FALSE, with nothing written, for any other count.
BOOL BuildColorTable(RGBQUAD* table, int count, BOOL grey);
