// Converters from pixels with 16-bit or 32-bit masked colour fields into 1-, 4-, 8-, 16- and
// 32-bit target pixels, one per source and target format. The grabber itself only produces 32-bit
// frames and uses none of them.
#pragma once
#include <windows.h>
#include <stdint.h>

// A source or target pixel layout. Colour field c of a pixel p is (p & mask c) >> shift c; for a
// target the shift places the field.
struct MaskedPixelFormat {
    // Pixels per row; for targets of 1 to 16 bits, the row's width in pixels, from which the
    // DWORD-aligned row length follows.
    int rowLength;
    int bitsPerPixel;
    const RGBQUAD* colours; // palette targets: 16 or 256 entries
    DWORD redMask;
    int redShift;
    DWORD greenMask;
    int greenShift;
    DWORD blueMask;
    int blueShift;
};

// Converts the width x height block at (sourceX, sourceY) of the source into the block at
// (targetX, targetY) of the target. Rows are taken in memory order in both.
typedef void (*MaskedPixelConverter)(const MaskedPixelFormat* target, uint8_t* targetPixels,
                                     int targetX, int targetY, int width, int height,
                                     const MaskedPixelFormat* source, const void* sourcePixels,
                                     int sourceX, int sourceY);

enum {
    kMaskedSource16 = 0,
    kMaskedSource24 = 1,
    kMaskedSource32 = 2,
    kMaskedSourceCount = 3,
};

// Targets in the order of the frame format codes 1, 4, 5 (grey), 8, 9 (grey), 16 and 32.
enum {
    kMaskedTarget1 = 0,
    kMaskedTarget4 = 1,
    kMaskedTarget4Grey = 2,
    kMaskedTarget8 = 3,
    kMaskedTarget8Grey = 4,
    kMaskedTarget16 = 5,
    kMaskedTarget32 = 6,
    kMaskedTargetCount = 7,
};

// Rows by source, columns by target. The 24-bit row converts nothing; 16 to 16 and 24 to 32 are
// null.
extern const MaskedPixelConverter kMaskedPixelConverters[kMaskedSourceCount][kMaskedTargetCount];
