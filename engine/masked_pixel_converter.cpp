#include "engine/masked_pixel_converter.h"

#include <stdlib.h>

namespace {

struct Colour {
    int r, g, b;
};

// The fields of the pixel at column x of row y of a source block.
template <class Pixel>
Colour ReadPixel(const MaskedPixelFormat* s, const void* pixels, int x, int y)
{
    const Pixel* row = (const Pixel*)pixels + (size_t)y * s->rowLength;
    DWORD p = row[x];
    return {(int)((p & s->redMask) >> s->redShift), (int)((p & s->greenMask) >> s->greenShift),
            (int)((p & s->blueMask) >> s->blueShift)};
}

// 5- and 6-bit fields to 8 bits: the lowest value does not become 0, the largest becomes 255.
Colour Widen565(Colour c)
{
    return {((c.r + 1) * 255) >> 5, ((c.g + 1) * 255) >> 6, ((c.b + 1) * 255) >> 5};
}

// The first entry within nearEnough ends the search; otherwise the closest one, the earliest of
// equals, entry 0 when none comes closer than the largest possible distance.
int NearestColour(const RGBQUAD* table, int entries, int nearEnough, Colour c)
{
    int best = 0, bestDistance = 765;
    for (int i = 0; i < entries; ++i) {
        int d = abs(table[i].rgbRed - c.r) + abs(table[i].rgbGreen - c.g) + abs(table[i].rgbBlue - c.b);
        if (d <= nearEnough)
            return i;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

int AtMost(int value, int limit)
{
    return value > limit ? limit : value;
}

uint8_t* PackedRow(const MaskedPixelFormat* t, uint8_t* pixels, int y)
{
    int rowBytes = ((t->rowLength * t->bitsPerPixel + 31) >> 3) & ~3;
    return pixels + (size_t)y * rowBytes;
}

void PutBit(uint8_t* row, int x, int bit)
{
    uint8_t mask = (uint8_t)(0x80 >> (x & 7));
    row[x >> 3] = bit ? (row[x >> 3] | mask) : (row[x >> 3] & ~mask);
}

void PutNibble(uint8_t* row, int x, int value)
{
    uint8_t& b = row[x >> 1];
    b = (x & 1) ? (uint8_t)((b & 0xF0) | (value & 0x0F)) : (uint8_t)((b & 0x0F) | (value << 4));
}

uint16_t* Row16(const MaskedPixelFormat* t, uint8_t* pixels, int y)
{
    int units = ((t->rowLength * 16 + 31) >> 4) & ~1;
    return (uint16_t*)pixels + (size_t)y * units;
}

uint32_t* Row32(const MaskedPixelFormat* t, uint8_t* pixels, int y)
{
    return (uint32_t*)pixels + (size_t)y * t->rowLength;
}

DWORD Place(const MaskedPixelFormat* t, Colour c)
{
    return ((DWORD)c.r << t->redShift) | ((DWORD)c.g << t->greenShift) | ((DWORD)c.b << t->blueShift);
}

// One converter per source pixel type and target rule: Put(target row, target column, colour).
template <class Pixel, class Put>
void Convert(const MaskedPixelFormat*, uint8_t*, int tx, int ty, int w, int h,
             const MaskedPixelFormat* s, const void* sp, int sx, int sy, Put put)
{
    for (int r = 0; r < h; ++r) {
        for (int x = 0; x < w; ++x)
            put(ty + r, tx + x, ReadPixel<Pixel>(s, sp, sx + x, sy + r));
    }
}

// The body sees the target t, its pixels tp, the target row y and column x and the colour c.
#define CONVERTER(name, Pixel, ...)                                                                \
    void name(const MaskedPixelFormat* t, uint8_t* tp, int tx, int ty, int w, int h,               \
              const MaskedPixelFormat* s, const void* sp, int sx, int sy)                          \
    {                                                                                              \
        Convert<Pixel>(t, tp, tx, ty, w, h, s, sp, sx, sy, [&](int y, int x, Colour c) __VA_ARGS__); \
    }

// 16-bit masked sources: 5-bit red and blue, 6-bit green.
CONVERTER(From16To1, uint16_t, {
    unsigned sum = 161186u * c.r + 155711u * c.g + 61456u * c.b;
    PutBit(PackedRow(t, tp, y), x, (sum >> 16) >= 127);
})
CONVERTER(From16To4, uint16_t, {
    PutNibble(PackedRow(t, tp, y), x, NearestColour(t->colours, 16, 48, Widen565(c)));
})
CONVERTER(From16To4Grey, uint16_t, {
    PutNibble(PackedRow(t, tp, y), x, AtMost((9481 * c.r + 9160 * c.g + 3615 * c.b) >> 16, 15));
})
CONVERTER(From16To8, uint16_t, {
    PackedRow(t, tp, y)[x] = (uint8_t)NearestColour(t->colours, 256, 24, Widen565(c));
})
CONVERTER(From16To8Grey, uint16_t, {
    unsigned sum = 161186u * c.r + 155711u * c.g + 61456u * c.b;
    PackedRow(t, tp, y)[x] = (uint8_t)AtMost((int)(sum >> 16), 255);
})
CONVERTER(From16To32, uint16_t, { Row32(t, tp, y)[x] = 0xFF000000u | Place(t, Widen565(c)); })

// 32-bit masked sources: 8-bit fields.
CONVERTER(From32To1, uint32_t, { PutBit(PackedRow(t, tp, y), x, ((c.r + 2 * c.g + c.b) & ~3) > 504); })
CONVERTER(From32To4, uint32_t, { PutNibble(PackedRow(t, tp, y), x, NearestColour(t->colours, 16, 48, c)); })
CONVERTER(From32To4Grey, uint32_t, {
    PutNibble(PackedRow(t, tp, y), x, AtMost((1152 * c.r + 2263 * c.g + 440 * c.b) >> 16, 15));
})
CONVERTER(From32To8, uint32_t, { PackedRow(t, tp, y)[x] = (uint8_t)NearestColour(t->colours, 256, 24, c); })
CONVERTER(From32To8Grey, uint32_t, {
    PackedRow(t, tp, y)[x] = (uint8_t)AtMost((19595 * c.r + 38469 * c.g + 7472 * c.b) >> 16, 255);
})
CONVERTER(From32To16, uint32_t, {
    Colour n = {(c.r * 7968) >> 16, (c.g * 16192) >> 16, (c.b * 7968) >> 16};
    Row16(t, tp, y)[x] = (uint16_t)Place(t, n);
})
CONVERTER(From32To32, uint32_t, { Row32(t, tp, y)[x] = 0xFF000000u | Place(t, c); })

#undef CONVERTER

// 24-bit sources have no masked fields to read.
void From24(const MaskedPixelFormat*, uint8_t*, int, int, int, int, const MaskedPixelFormat*,
            const void*, int, int)
{
}

} // namespace

const MaskedPixelConverter kMaskedPixelConverters[kMaskedSourceCount][kMaskedTargetCount] = {
    {From16To1, From16To4, From16To4Grey, From16To8, From16To8Grey, NULL, From16To32},
    {From24, From24, From24, From24, From24, From24, NULL},
    {From32To1, From32To4, From32To4Grey, From32To8, From32To8Grey, From32To16, From32To32},
};
