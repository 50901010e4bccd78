// The number of DWORDs that follow a BITMAPINFOHEADER for a bit count: the palette for 1 to 8 bits,
// the three bit-field masks for 16 and 32 bits, nothing otherwise.
#pragma once

inline int DibColorTableCount(int bitsPerPixel)
{
    switch (bitsPerPixel) {
    case 1: return 2;
    case 2: return 4;
    case 4: return 16;
    case 8: return 256;
    case 16:
    case 32: return 3;
    default: return 0;
    }
}
