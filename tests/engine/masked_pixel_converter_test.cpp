// The frame formats of the grabber's BITMAPINFO, their colour tables, and the masked pixel
// converters, checked against values worked out by hand from the formats' rules.
#include "engine/bitmap_info.h"
#include "engine/masked_pixel_converter.h"

#include <gtest/gtest.h>
#include <stdint.h>
#include <vector>

namespace {

struct Rgb {
    int r, g, b;
};

RGBQUAD Quad(Rgb c)
{
    RGBQUAD q = {(BYTE)c.b, (BYTE)c.g, (BYTE)c.r, 0};
    return q;
}

// 5-6-5 source fields and 8-8-8 source fields, as a 16-bit and a 32-bit frame carry them.
MaskedPixelFormat Source16(int rowLength)
{
    return {rowLength, 16, NULL, 0xF800, 11, 0x07E0, 5, 0x001F, 0};
}

MaskedPixelFormat Source32(int rowLength)
{
    return {rowLength, 32, NULL, 0xFF0000, 16, 0xFF00, 8, 0xFF, 0};
}

uint16_t Pixel565(int r, int g, int b)
{
    return (uint16_t)((r << 11) | (g << 5) | b);
}

uint32_t Pixel888(int r, int g, int b)
{
    return (uint32_t)((r << 16) | (g << 8) | b);
}

// Converts one source pixel into column x of a one-row target whose bytes start as given.
std::vector<uint8_t> ConvertOne(int sourceBits, int column, uint32_t pixel, const MaskedPixelFormat& target,
                                std::vector<uint8_t> bytes, int x)
{
    int row = sourceBits == 16 ? 0 : 2;
    MaskedPixelConverter convert = kMaskedPixelConverters[row][column];
    EXPECT_NE(convert, nullptr);
    if (!convert)
        return bytes;
    if (sourceBits == 16) {
        uint16_t p = (uint16_t)pixel;
        MaskedPixelFormat s = Source16(1);
        convert(&target, bytes.data(), x, 0, 1, 1, &s, &p, 0, 0);
    } else {
        MaskedPixelFormat s = Source32(1);
        convert(&target, bytes.data(), x, 0, 1, 1, &s, &pixel, 0, 0);
    }
    return bytes;
}

// A palette of far-away entries (distance above 48 from everything the cases use) with a few set.
std::vector<RGBQUAD> Palette(int entries, std::vector<std::pair<int, Rgb>> set, Rgb rest = {250, 0, 250})
{
    std::vector<RGBQUAD> table(entries, Quad(rest));
    for (auto& e : set)
        table[e.first] = Quad(e.second);
    return table;
}

} // namespace

TEST(MaskedPixelConverter, TableHoldsThirteenConvertersAndTheEmptyOnes)
{
    EXPECT_EQ(kMaskedPixelConverters[kMaskedSource16][kMaskedTarget16], nullptr);
    EXPECT_EQ(kMaskedPixelConverters[kMaskedSource24][kMaskedTarget32], nullptr);
    int distinct = 0;
    std::vector<MaskedPixelConverter> seen;
    for (int s = 0; s < kMaskedSourceCount; ++s) {
        for (int t = 0; t < kMaskedTargetCount; ++t) {
            MaskedPixelConverter c = kMaskedPixelConverters[s][t];
            if (s != kMaskedSource24 && c) {
                for (MaskedPixelConverter other : seen)
                    EXPECT_NE(c, other);
                seen.push_back(c);
                ++distinct;
            }
        }
    }
    EXPECT_EQ(distinct, 13);
}

TEST(MaskedPixelConverter, TwentyFourBitSourcesWriteNothing)
{
    MaskedPixelFormat s = {4, 24, NULL, 0xFF0000, 16, 0xFF00, 8, 0xFF, 0};
    uint8_t source[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    std::vector<RGBQUAD> palette = Palette(256, {});
    for (int t = 0; t < kMaskedTargetCount - 1; ++t) {
        MaskedPixelFormat target = {4, 32, palette.data(), 0, 16, 0, 8, 0, 0};
        std::vector<uint8_t> bytes(64, 0x5A);
        ASSERT_NE(kMaskedPixelConverters[kMaskedSource24][t], nullptr) << t;
        kMaskedPixelConverters[kMaskedSource24][t](&target, bytes.data(), 0, 0, 4, 1, &s, source, 0, 0);
        EXPECT_EQ(bytes, std::vector<uint8_t>(64, 0x5A)) << "target column " << t;
    }
}

// One pixel at a time: widening, thresholds, grey weights, field placement, bit and nibble places.
TEST(MaskedPixelConverter, SinglePixelCases)
{
    const MaskedPixelFormat to1 = {8, 1, NULL, 0, 0, 0, 0, 0, 0};
    const MaskedPixelFormat to4Grey = {8, 4, NULL, 0, 0, 0, 0, 0, 0};
    const MaskedPixelFormat to8Grey = {8, 8, NULL, 0, 0, 0, 0, 0, 0};
    const MaskedPixelFormat to16 = {2, 16, NULL, 0, 11, 0, 5, 0, 0};
    const MaskedPixelFormat to32 = {1, 32, NULL, 0, 16, 0, 8, 0, 0};
    const MaskedPixelFormat to32Swapped = {1, 32, NULL, 0, 0, 0, 8, 0, 16};
    struct Case {
        const char* what;
        int sourceBits;
        int column;
        uint32_t pixel;
        const MaskedPixelFormat* target;
        std::vector<uint8_t> before;
        int x;
        std::vector<uint8_t> after;
    };
    const std::vector<uint8_t> zero4(4, 0), ones4(4, 0xFF);
    const Case cases[] = {
        // 16 bits to 32: ((c + 1) * 255) >> 5 (or >> 6), so 0 widens to 7 or 3 and the top to 255.
        {"16->32 black widens to 7,3,7", 16, kMaskedTarget32, Pixel565(0, 0, 0), &to32, zero4, 0, {0x07, 0x03, 0x07, 0xFF}},
        {"16->32 white widens to 255", 16, kMaskedTarget32, Pixel565(31, 63, 31), &to32, zero4, 0, {0xFF, 0xFF, 0xFF, 0xFF}},
        {"16->32 red 15 widens to 127, not 123", 16, kMaskedTarget32, Pixel565(15, 0, 0), &to32, zero4, 0, {0x07, 0x03, 0x7F, 0xFF}},
        {"16->32 green 31 widens to 127", 16, kMaskedTarget32, Pixel565(0, 31, 0), &to32, zero4, 0, {0x07, 0x7F, 0x07, 0xFF}},
        // 32 bits to 32: fields unchanged, at the target's shifts, top byte 0xFF.
        {"32->32 keeps the fields", 32, kMaskedTarget32, Pixel888(0x12, 0x34, 0x56), &to32, zero4, 0, {0x56, 0x34, 0x12, 0xFF}},
        {"32->32 places at the target's shifts", 32, kMaskedTarget32, Pixel888(0x12, 0x34, 0x56), &to32Swapped, zero4, 0, {0x12, 0x34, 0x56, 0xFF}},
        {"16->32 places at the target's shifts", 16, kMaskedTarget32, Pixel565(31, 0, 0), &to32Swapped, zero4, 0, {0xFF, 0x03, 0x07, 0xFF}},
        // 32 bits to 16: red and blue (c * 7968) >> 16, green (c * 16192) >> 16.
        {"32->16 white", 32, kMaskedTarget16, Pixel888(255, 255, 255), &to16, zero4, 0, {0xFF, 0xFF, 0, 0}},
        {"32->16 grey 128 is 15,31,15", 32, kMaskedTarget16, Pixel888(128, 128, 128), &to16, zero4, 0, {0xEF, 0x7B, 0, 0}},
        {"32->16 second pixel", 32, kMaskedTarget16, Pixel888(0, 255, 0), &to16, ones4, 1, {0xFF, 0xFF, 0xE0, 0x07}},
        // 32 bits to 1: (R + 2G + B) with the low two bits cleared above 504.
        {"32->1 white is 1", 32, kMaskedTarget1, Pixel888(255, 255, 255), &to1, {0}, 0, {0x80}},
        {"32->1 sum 507 is 0", 32, kMaskedTarget1, Pixel888(255, 126, 0), &to1, {0xFF}, 3, {0xEF}},
        {"32->1 sum 508 is 1", 32, kMaskedTarget1, Pixel888(255, 126, 1), &to1, {0x00}, 3, {0x10}},
        {"32->1 last bit of the byte", 32, kMaskedTarget1, Pixel888(255, 255, 255), &to1, {0x00}, 7, {0x01}},
        // 16 bits to 1: the weighted sum's upper half at 127 or more.
        {"16->1 sum just below 127 << 16", 16, kMaskedTarget1, Pixel565(30, 22, 1), &to1, {0xFF}, 0, {0x7F}},
        {"16->1 sum just at 127", 16, kMaskedTarget1, Pixel565(4, 43, 16), &to1, {0x00}, 1, {0x40}},
        // Grey targets.
        {"32->8 grey white", 32, kMaskedTarget8Grey, Pixel888(255, 255, 255), &to8Grey, {0, 0}, 1, {0, 255}},
        {"32->8 grey red", 32, kMaskedTarget8Grey, Pixel888(255, 0, 0), &to8Grey, {0}, 0, {76}},
        {"32->8 grey green", 32, kMaskedTarget8Grey, Pixel888(0, 255, 0), &to8Grey, {0}, 0, {149}},
        {"32->8 grey blue", 32, kMaskedTarget8Grey, Pixel888(0, 0, 255), &to8Grey, {0}, 0, {29}},
        {"16->8 grey white", 16, kMaskedTarget8Grey, Pixel565(31, 63, 31), &to8Grey, {0}, 0, {255}},
        {"16->8 grey red", 16, kMaskedTarget8Grey, Pixel565(31, 0, 0), &to8Grey, {0}, 0, {76}},
        {"32->4 grey white is 14", 32, kMaskedTarget4Grey, Pixel888(255, 255, 255), &to4Grey, {0x00}, 0, {0xE0}},
        {"16->4 grey white is 15", 16, kMaskedTarget4Grey, Pixel565(31, 63, 31), &to4Grey, {0x00}, 0, {0xF0}},
        {"16->4 grey odd x writes the low nibble", 16, kMaskedTarget4Grey, Pixel565(31, 63, 31), &to4Grey, {0xA5}, 1, {0xAF}},
        {"32->4 grey even x writes the high nibble", 32, kMaskedTarget4Grey, Pixel888(0, 0, 0), &to4Grey, {0xA5, 0x5A}, 2, {0xA5, 0x0A}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> before = c.before;
        // Row buffers are at least a DWORD; the tail stays zero.
        size_t n = before.size();
        before.resize(std::max<size_t>(n, 4), 0);
        std::vector<uint8_t> out = ConvertOne(c.sourceBits, c.column, c.pixel, *c.target, before, c.x);
        out.resize(std::max(n, c.after.size()));
        EXPECT_EQ(out, c.after) << c.what;
    }
}

// Nearest colour: the first entry within the limit ends the search; otherwise the closest, the
// earliest of equals; entry 0 when nothing comes closer than 765.
TEST(MaskedPixelConverter, NearestColourCases)
{
    struct Case {
        const char* what;
        int sourceBits;
        int column;
        uint32_t pixel;
        int entries;
        std::vector<std::pair<int, Rgb>> set;
        int x;
        uint8_t before;
        uint8_t after;
        Rgb rest = {250, 0, 250};
    };
    const Case cases[] = {
        {"256: tie above the limit takes the lower index", 32, kMaskedTarget8, Pixel888(100, 100, 100), 256,
         {{9, {100, 100, 70}}, {5, {130, 100, 100}}}, 0, 0, 5},
        {"256: distance 24 stops the search before an exact match", 32, kMaskedTarget8, Pixel888(100, 100, 100), 256,
         {{7, {100, 124, 100}}, {100, {100, 100, 100}}}, 0, 0, 7},
        {"256: distance 25 does not stop it", 32, kMaskedTarget8, Pixel888(100, 100, 100), 256,
         {{7, {100, 125, 100}}, {100, {100, 100, 100}}}, 0, 0, 100},
        {"256: closest of several far entries", 32, kMaskedTarget8, Pixel888(0, 0, 0), 256,
         {{3, {0, 0, 90}}, {200, {0, 40, 40}}, {201, {30, 30, 30}}}, 0, 0, 200},
        {"256: nothing below 765 gives entry 0", 32, kMaskedTarget8, Pixel888(0, 0, 0), 256,
         {}, 0, 9, 0, {255, 255, 255}},
        {"256: one entry below 765 is taken", 32, kMaskedTarget8, Pixel888(0, 0, 0), 256,
         {{77, {255, 255, 254}}}, 0, 9, 77, {255, 255, 255}},
        {"16: distance 48 stops the search", 32, kMaskedTarget4, Pixel888(100, 100, 100), 16,
         {{3, {148, 100, 100}}, {10, {100, 100, 100}}}, 0, 0x00, 0x30},
        {"16: distance 49 does not", 32, kMaskedTarget4, Pixel888(100, 100, 100), 16,
         {{3, {149, 100, 100}}, {10, {100, 100, 100}}}, 0, 0x00, 0xA0},
        {"16: odd x writes only the low nibble", 32, kMaskedTarget4, Pixel888(100, 100, 100), 16,
         {{3, {100, 100, 100}}}, 1, 0xA5, 0xA3},
        {"16: tie above the limit", 32, kMaskedTarget4, Pixel888(100, 100, 100), 16,
         {{12, {100, 50, 100}}, {6, {150, 100, 100}}}, 0, 0x00, 0x60},
        // 16-bit sources are widened first: red 15 -> 127, green 0 -> 3, blue 0 -> 7.
        {"16-bit source to 256 entries, widened", 16, kMaskedTarget8, Pixel565(15, 0, 0), 256,
         {{40, {127, 3, 7}}, {2, {90, 0, 0}}}, 0, 0, 40},
        {"16-bit source to 256 entries, limit 24", 16, kMaskedTarget8, Pixel565(15, 0, 0), 256,
         {{2, {127, 27, 7}}, {40, {127, 3, 7}}}, 0, 0, 2},
        {"16-bit source to 16 entries, limit 48", 16, kMaskedTarget4, Pixel565(31, 63, 31), 16,
         {{4, {207, 255, 255}}, {9, {255, 255, 255}}}, 1, 0xF0, 0xF4},
    };
    for (const Case& c : cases) {
        std::vector<RGBQUAD> palette = Palette(c.entries, c.set, c.rest);
        MaskedPixelFormat target = {8, c.column == kMaskedTarget4 ? 4 : 8, palette.data(), 0, 0, 0, 0, 0, 0};
        std::vector<uint8_t> out = ConvertOne(c.sourceBits, c.column, c.pixel, target, {c.before, 0, 0, 0}, c.x);
        EXPECT_EQ(out[0], c.after) << c.what;
    }
}

// A block is read at (source x, source y) with the source's row length, and written at (target x,
// target y) with the target's DWORD-aligned rows.
TEST(MaskedPixelConverter, BlocksUseRowLengthsAndOffsets)
{
    // 32-bit source of 4 x 3 pixels: value (r = column, g = row).
    std::vector<uint32_t> source(12);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            source[y * 4 + x] = Pixel888(x * 10, y * 10, 0);
    MaskedPixelFormat s = Source32(4);

    // 32-bit target of 5 pixels per row: the 2 x 2 block from (1, 1) lands at (2, 1).
    std::vector<uint32_t> t32(5 * 3, 0);
    MaskedPixelFormat to32 = {5, 32, NULL, 0, 16, 0, 8, 0, 0};
    kMaskedPixelConverters[kMaskedSource32][kMaskedTarget32](&to32, (uint8_t*)t32.data(), 2, 1, 2, 2, &s, source.data(), 1, 1);
    std::vector<uint32_t> expected32(15, 0);
    expected32[1 * 5 + 2] = 0xFF000000 | Pixel888(10, 10, 0);
    expected32[1 * 5 + 3] = 0xFF000000 | Pixel888(20, 10, 0);
    expected32[2 * 5 + 2] = 0xFF000000 | Pixel888(10, 20, 0);
    expected32[2 * 5 + 3] = 0xFF000000 | Pixel888(20, 20, 0);
    EXPECT_EQ(t32, expected32);

    // 16-bit target 3 pixels wide: rows of 4 units (DWORD-aligned).
    std::vector<uint16_t> t16(4 * 3, 0);
    MaskedPixelFormat to16 = {3, 16, NULL, 0, 11, 0, 5, 0, 0};
    kMaskedPixelConverters[kMaskedSource32][kMaskedTarget16](&to16, (uint8_t*)t16.data(), 1, 1, 2, 2, &s, source.data(), 2, 0);
    std::vector<uint16_t> expected16(12, 0);
    auto to565 = [](int r, int g) { return (uint16_t)((((r * 7968) >> 16) << 11) | (((g * 16192) >> 16) << 5)); };
    expected16[1 * 4 + 1] = to565(20, 0);
    expected16[1 * 4 + 2] = to565(30, 0);
    expected16[2 * 4 + 1] = to565(20, 10);
    expected16[2 * 4 + 2] = to565(30, 10);
    EXPECT_EQ(t16, expected16);

    // 8-bit grey target 5 pixels wide: rows of 8 bytes.
    std::vector<uint8_t> t8(8 * 2, 0);
    MaskedPixelFormat to8 = {5, 8, NULL, 0, 0, 0, 0, 0, 0};
    kMaskedPixelConverters[kMaskedSource32][kMaskedTarget8Grey](&to8, t8.data(), 4, 1, 1, 1, &s, source.data(), 3, 2);
    std::vector<uint8_t> expected8(16, 0);
    expected8[8 + 4] = (uint8_t)((19595 * 30 + 38469 * 20) >> 16);
    EXPECT_EQ(t8, expected8);

    // 1-bit target 40 pixels wide: rows of 8 bytes; a white 16-bit block of 3 pixels at x 6 of row 1
    // crosses a byte boundary.
    std::vector<uint16_t> white(3, Pixel565(31, 63, 31));
    MaskedPixelFormat s16 = Source16(3);
    std::vector<uint8_t> t1(8 * 2, 0);
    MaskedPixelFormat to1 = {40, 1, NULL, 0, 0, 0, 0, 0, 0};
    kMaskedPixelConverters[kMaskedSource16][kMaskedTarget1](&to1, t1.data(), 6, 1, 3, 1, &s16, white.data(), 0, 0);
    std::vector<uint8_t> expected1(16, 0);
    expected1[8 + 0] = 0x03;
    expected1[8 + 1] = 0x80;
    EXPECT_EQ(t1, expected1);

    // 4-bit grey target 3 pixels wide (rows of 4 bytes), 16-bit source rows of 3 pixels, block at (1, 0).
    std::vector<uint16_t> src16 = {0, Pixel565(31, 63, 31), 0, 0, 0, Pixel565(31, 63, 31)};
    std::vector<uint8_t> t4(4 * 2, 0);
    MaskedPixelFormat to4 = {3, 4, NULL, 0, 0, 0, 0, 0, 0};
    MaskedPixelFormat s16b = Source16(3);
    kMaskedPixelConverters[kMaskedSource16][kMaskedTarget4Grey](&to4, t4.data(), 1, 0, 2, 2, &s16b, src16.data(), 1, 0);
    EXPECT_EQ(t4, (std::vector<uint8_t>{0x0F, 0x00, 0, 0, 0x00, 0xF0, 0, 0}));
}

namespace {

class InfoProbe : public BitmapInfo {
public:
    const BITMAPINFO* Info() const { return m_pbmi; }
    int Grey() const { return m_bGrey; }
};

Rgb Entry(const RGBQUAD& q)
{
    return {q.rgbRed, q.rgbGreen, q.rgbBlue};
}

bool operator==(const Rgb& a, const Rgb& b)
{
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

std::ostream& operator<<(std::ostream& os, const Rgb& c)
{
    return os << "(" << c.r << "," << c.g << "," << c.b << ")";
}

} // namespace

TEST(BitmapInfo, FormatCodes)
{
    struct Case {
        int format;
        int bits;
        int grey;
        DWORD compression;
        DWORD colourCount;   // biClrUsed
        DWORD sizeImage;     // 10 x 3 pixels
        DWORD masks[3];
    };
    const Case cases[] = {
        {1, 1, 0, BI_RGB, 2, 12, {}},
        {4, 4, 0, BI_RGB, 16, 24, {}},
        {5, 4, 1, BI_RGB, 16, 24, {}},
        {8, 8, 0, BI_RGB, 256, 36, {}},
        {9, 8, 1, BI_RGB, 256, 36, {}},
        {16, 16, 0, BI_BITFIELDS, 0, 60, {0xF800, 0x07E0, 0x001F}},
        {24, 24, 0, BI_RGB, 0, 96, {}},
        {0, 32, 0, BI_BITFIELDS, 0, 120, {0xFF0000, 0xFF00, 0xFF}},
        {2, 32, 0, BI_BITFIELDS, 0, 120, {0xFF0000, 0xFF00, 0xFF}},
        {32, 32, 0, BI_BITFIELDS, 0, 120, {0xFF0000, 0xFF00, 0xFF}},
    };
    for (const Case& c : cases) {
        InfoProbe probe;
        ASSERT_TRUE(probe.Create(10, -3, c.format, NULL, 0)) << c.format;
        const BITMAPINFOHEADER& h = probe.Info()->bmiHeader;
        EXPECT_EQ(h.biSize, 40u) << c.format;
        EXPECT_EQ(h.biWidth, 10) << c.format;
        EXPECT_EQ(h.biHeight, -3) << c.format;
        EXPECT_EQ(h.biPlanes, 1) << c.format;
        EXPECT_EQ(h.biBitCount, c.bits) << c.format;
        EXPECT_EQ(h.biCompression, c.compression) << c.format;
        EXPECT_EQ(h.biClrUsed, c.colourCount) << c.format;
        EXPECT_EQ(h.biSizeImage, c.sizeImage) << c.format;
        EXPECT_EQ(probe.Grey(), c.grey) << c.format;
        if (c.bits == 24) {
            EXPECT_EQ(((const DWORD*)probe.Info()->bmiColors)[0], 0u);
        } else if (c.bits >= 16) {
            const DWORD* m = (const DWORD*)probe.Info()->bmiColors;
            EXPECT_EQ(m[0], c.masks[0]) << c.format;
            EXPECT_EQ(m[1], c.masks[1]) << c.format;
            EXPECT_EQ(m[2], c.masks[2]) << c.format;
        }
    }
}

TEST(BitmapInfo, ColoursPassedInReplaceTheBuiltInOnesOnlyWhenTheCountFits)
{
    const DWORD masks[3] = {0x7C00, 0x03E0, 0x001F};
    InfoProbe sixteen;
    ASSERT_TRUE(sixteen.Create(4, 4, 16, masks, 3));
    EXPECT_EQ(((const DWORD*)sixteen.Info()->bmiColors)[0], 0x7C00u);

    const DWORD pair[2] = {0x00112233, 0x00445566};
    InfoProbe mono;
    ASSERT_TRUE(mono.Create(4, 4, 1, pair, 2));
    EXPECT_EQ(((const DWORD*)mono.Info()->bmiColors)[1], 0x00445566u);

    InfoProbe wrongCount;
    ASSERT_TRUE(wrongCount.Create(4, 4, 1, pair, 1));
    EXPECT_EQ(((const DWORD*)wrongCount.Info()->bmiColors)[1], 0x00FFFFFFu);

    InfoProbe grey16;
    ASSERT_TRUE(grey16.Create(4, 4, 5, NULL, 0));
    EXPECT_EQ(Entry(grey16.Info()->bmiColors[3]), (Rgb{51, 51, 51}));

    // A second Create keeps the first header.
    EXPECT_TRUE(mono.Create(100, 100, 32, NULL, 0));
    EXPECT_EQ(mono.Info()->bmiHeader.biBitCount, 1);
    EXPECT_EQ(mono.Info()->bmiHeader.biWidth, 4);
}

TEST(BuildColorTable, CountsOtherThanTwoSixteenOrTwoHundredFiftySixWriteNothing)
{
    for (int count : {0, 1, 4, 8, 255, 257}) {
        std::vector<RGBQUAD> table(300, Quad({1, 2, 3}));
        EXPECT_FALSE(BuildColorTable(table.data(), count, FALSE)) << count;
        EXPECT_FALSE(BuildColorTable(table.data(), count, TRUE)) << count;
        for (const RGBQUAD& q : table)
            ASSERT_EQ(Entry(q), (Rgb{1, 2, 3})) << count;
    }
}

TEST(BuildColorTable, BuiltInTablesAndGreyRamps)
{
    std::vector<RGBQUAD> t(256);
    ASSERT_TRUE(BuildColorTable(t.data(), 2, FALSE));
    EXPECT_EQ(Entry(t[0]), (Rgb{0, 0, 0}));
    EXPECT_EQ(Entry(t[1]), (Rgb{255, 255, 255}));

    ASSERT_TRUE(BuildColorTable(t.data(), 16, TRUE));
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(Entry(t[i]), (Rgb{17 * i, 17 * i, 17 * i})) << i;

    ASSERT_TRUE(BuildColorTable(t.data(), 256, TRUE));
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(Entry(t[i]), (Rgb{i, i, i})) << i;

    std::vector<RGBQUAD> palette(256);
    ASSERT_TRUE(BuildColorTable(palette.data(), 256, FALSE));
    struct Case {
        int index;
        Rgb colour;
    };
    const Case cases[] = {
        {0, {0, 0, 0}},          {1, {128, 0, 0}},       {7, {192, 192, 192}},  {9, {166, 202, 240}},
        // The cube starts after (0, 0, 0), red fastest.
        {10, {44, 0, 0}},        {14, {255, 0, 0}},      {15, {0, 44, 0}},      {17, {86, 44, 0}},
        {34, {44, 192, 0}},      {45, {0, 0, 44}},
        // (192, 192, 192) and (0, 255, 255) are left out of the cube.
        {180, {135, 192, 192}},  {181, {255, 192, 192}}, {217, {255, 192, 255}}, {218, {44, 255, 255}},
        {222, {255, 255, 255}},  {223, {17, 17, 17}},    {236, {125, 125, 125}}, {245, {255, 255, 255}},
        {246, {255, 251, 240}},  {248, {128, 128, 128}}, {254, {0, 255, 255}},   {255, {255, 255, 255}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Entry(palette[c.index]), c.colour) << c.index;
    for (const RGBQUAD& q : palette)
        EXPECT_EQ(q.rgbReserved, 0);

    ASSERT_TRUE(BuildColorTable(t.data(), 16, FALSE));
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(Entry(t[i]), Entry(palette[17 * i])) << i;
}
