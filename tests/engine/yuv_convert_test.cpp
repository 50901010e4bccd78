#include "engine/yuv_convert.h"

#include <gtest/gtest.h>
#include <random>
#include <string.h>
#include <vector>

namespace {

struct Bgr {
    uint8_t b, g, r;
};

struct Picture {
    int width, height;
    std::vector<uint8_t> bytes;
    Picture(int w, int h) : width(w), height(h), bytes((size_t)w * h * 3 / 2) {}
    uint8_t Y(int x, int y) const { return bytes[(size_t)y * width + x]; }
    uint8_t U(int x, int y) const { return bytes[(size_t)width * height + (size_t)(y / 2) * (width / 2) + x / 2]; }
    uint8_t V(int x, int y) const
    {
        return bytes[(size_t)width * height * 5 / 4 + (size_t)(y / 2) * (width / 2) + x / 2];
    }
};

std::vector<uint8_t> Frame(int width, int height, Bgr fill)
{
    std::vector<uint8_t> f((size_t)width * height * 4);
    for (size_t i = 0; i < f.size(); i += 4) {
        f[i] = fill.b;
        f[i + 1] = fill.g;
        f[i + 2] = fill.r;
        f[i + 3] = 0x5A; // the fourth byte must not matter
    }
    return f;
}

void SetPixel(std::vector<uint8_t>& f, int width, int x, int y, Bgr c)
{
    uint8_t* p = &f[((size_t)y * width + x) * 4];
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
}

typedef void (*Convert)(int, int, const uint8_t*, uint8_t*);

struct Method {
    const char* name;
    Convert convert;
};
// Every form this processor can run.
std::vector<Method> Methods(bool withReference)
{
    std::vector<Method> m;
    if (withReference)
        m.push_back({"reference", Rgb32ToI420Reference});
    m.push_back({"chosen", Rgb32ToI420});
    m.push_back({"sse2", Rgb32ToI420Sse2});
    if (Rgb32ToI420HasAvx2())
        m.push_back({"avx2", Rgb32ToI420Avx2});
    return m;
}
const std::vector<Method> kMethods = Methods(true);
const std::vector<Method> kFastForms = Methods(false);

class YuvConvert : public ::testing::Test {
protected:
    static void SetUpTestSuite() { BuildYuvTables(); }
};

} // namespace

TEST_F(YuvConvert, TablesHoldTruncatedTermsWithNegativesAsBytes)
{
    EXPECT_TRUE(g_yuvTablesBuilt);
    struct Case {
        const uint32_t* table;
        int index;
        uint32_t expected;
    } cases[] = {
        {g_yuvRed, 0, 0},
        {g_yuvRed, 1, 0},                                       // every term truncates to 0
        {g_yuvRed, 255, 76u | 0xDBu << 10 | 111u << 20},        // 76.2, -37.7, 111.9
        {g_yuvGreen, 255, 149u | 0xB6u << 10 | 0xA2u << 20},    // 149.7, -74.2, -94.1
        {g_yuvBlue, 255, 29u | 111u << 10 | 0xEEu << 20},       // 29.1, 111.9, -18.1
        {g_yuvRed, 128, 38u | 0xEEu << 10 | 56u << 20},         // 38.3, -18.9, 56.2
        {g_yuvGreen, 100, 58u | 0xE3u << 10 | 0xDCu << 20},     // 58.7, -29.1, -36.9
        {g_yuvBlue, 100, 11u | 43u << 10 | 0xF9u << 20},        // 11.4, 43.9, -7.1
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.table[c.index], c.expected) << "index " << c.index;
}

TEST_F(YuvConvert, SingleColourFramesGiveTheirVectors)
{
    struct Case {
        const char* name;
        Bgr colour;
        uint8_t y, u, v;
    } cases[] = {
        {"black", {0, 0, 0}, 0, 128, 128},
        {"white", {255, 255, 255}, 254, 128, 127},
        {"red", {0, 0, 255}, 76, 91, 239},
        {"green", {0, 255, 0}, 149, 54, 34},
        {"blue", {255, 0, 0}, 29, 239, 110},
        {"grey 128", {128, 128, 128}, 127, 129, 128},
    };
    for (const Method& m : kMethods) {
        for (const Case& c : cases) {
            // 50 wide: every kind of step and a tail block.
            const int w = 50, h = 4;
            std::vector<uint8_t> f = Frame(w, h, c.colour);
            Picture p(w, h);
            m.convert(w, h, f.data(), p.bytes.data());
            for (int y = 0; y < h; y++)
                for (int x = 0; x < w; x++) {
                    ASSERT_EQ(p.Y(x, y), c.y) << m.name << " " << c.name << " at " << x << "," << y;
                    ASSERT_EQ(p.U(x, y), c.u) << m.name << " " << c.name << " at " << x << "," << y;
                    ASSERT_EQ(p.V(x, y), c.v) << m.name << " " << c.name << " at " << x << "," << y;
                }
        }
    }
}

TEST_F(YuvConvert, ChromaComesFromTheTopLeftAndBottomLeftPixels)
{
    const Bgr red{0, 0, 255}, green{0, 255, 0}, blue{255, 0, 0}, white{255, 255, 255};
    for (const Method& m : kMethods) {
        // In a row of 50: blocks in the 32-column step, in the 16-column step, and the tail.
        for (int bx : {0, 14, 30, 32, 46, 48}) {
            const int w = 50, h = 4;
            std::vector<uint8_t> f = Frame(w, h, {0, 0, 0});
            SetPixel(f, w, bx, 2, red);
            SetPixel(f, w, bx + 1, 2, green);
            SetPixel(f, w, bx, 3, blue);
            SetPixel(f, w, bx + 1, 3, white);
            Picture p(w, h);
            m.convert(w, h, f.data(), p.bytes.data());
            EXPECT_EQ(p.U(bx, 2), 91) << m.name << " block " << bx;  // red's Cb
            EXPECT_EQ(p.V(bx, 2), 110) << m.name << " block " << bx; // blue's Cr
            EXPECT_EQ(p.Y(bx, 2), 76);
            EXPECT_EQ(p.Y(bx + 1, 2), 149);
            EXPECT_EQ(p.Y(bx, 3), 29);
            EXPECT_EQ(p.Y(bx + 1, 3), 254);
            // The neighbours stay black.
            EXPECT_EQ(p.U(bx, 0), 128);
            EXPECT_EQ(p.V(bx, 0), 128);
        }
    }
}

TEST_F(YuvConvert, FastFormEqualsReferenceOnRandomFrames)
{
    std::mt19937 random(20261210);
    struct Size {
        int w, h;
    } sizes[] = {{2, 2}, {16, 2}, {18, 4}, {30, 6}, {32, 2}, {48, 4}, {50, 2}, {64, 16}, {1282, 10},
                 {1920, 1080}, {1280, 720}};
    const size_t guard = 64;
    for (const Method& m : kFastForms)
    for (const Size& s : sizes) {
        // One pixel off the allocation's alignment: the grabber's rows need not be aligned.
        std::vector<uint8_t> source((size_t)s.w * s.h * 4 + 4);
        for (uint8_t& b : source)
            b = (uint8_t)random();
        std::vector<uint8_t> expected((size_t)s.w * s.h * 3 / 2 + guard, 0xA5);
        std::vector<uint8_t> actual(expected.size(), 0xA5);
        Rgb32ToI420Reference(s.w, s.h, source.data() + 4, expected.data());
        m.convert(s.w, s.h, source.data() + 4, actual.data());
        ASSERT_EQ(memcmp(expected.data(), actual.data(), expected.size()), 0) << m.name << " " << s.w << "x" << s.h;
        for (size_t i = expected.size() - guard; i < expected.size(); i++)
            ASSERT_EQ(actual[i], 0xA5) << m.name << " wrote past the picture at " << s.w << "x" << s.h;
    }
}

// Every colour in every role: each 2x2 block is one colour, so its four lumas, its U and its V
// all come from it, in the wide runs and in the tail alike (2,050 blocks a row pair: 128 steps of
// 32 columns, or 256 of 16, and two single blocks).
TEST_F(YuvConvert, FastFormEqualsReferenceForEveryColour)
{
    const int w = 4100, h = 64, blocksPerFrame = (w / 2) * (h / 2);
    std::vector<uint8_t> source((size_t)w * h * 4);
    std::vector<uint8_t> expected((size_t)w * h * 3 / 2), actual(expected.size());
    uint32_t colour = 0;
    const uint32_t colours = 1u << 24;
    int frames = 0;
    while (colour < colours) {
        for (int block = 0; block < blocksPerFrame; block++) {
            const uint32_t c = colour < colours ? colour : 0;
            colour++;
            const int bx = (block % (w / 2)) * 2, by = (block / (w / 2)) * 2;
            for (int dy = 0; dy < 2; dy++)
                for (int dx = 0; dx < 2; dx++) {
                    uint8_t* p = &source[((size_t)(by + dy) * w + bx + dx) * 4];
                    memcpy(p, &c, 4); // blue, green, red from the low byte up
                    p[3] = (uint8_t)(dx * 2 + dy);
                }
        }
        Rgb32ToI420Reference(w, h, source.data(), expected.data());
        for (const Method& m : kFastForms) {
            m.convert(w, h, source.data(), actual.data());
            ASSERT_EQ(memcmp(expected.data(), actual.data(), expected.size()), 0) << m.name << " frame " << frames;
        }
        frames++;
    }
    EXPECT_EQ(frames, (int)((colours + blocksPerFrame - 1) / blocksPerFrame));
}
