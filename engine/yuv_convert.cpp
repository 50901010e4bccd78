#include "engine/yuv_convert.h"

#include <emmintrin.h>

uint32_t g_yuvRed[256];
uint32_t g_yuvGreen[256];
uint32_t g_yuvBlue[256];
bool g_yuvTablesBuilt = false;

namespace {

// Truncated toward zero, a negative term as its two's complement byte.
uint32_t Term(double coefficient, int i)
{
    return (uint32_t)(int)(coefficient * (double)i) & 0xFF;
}

inline uint32_t Sum(const uint8_t* pixel)
{
    return g_yuvRed[pixel[2]] + g_yuvGreen[pixel[1]] + g_yuvBlue[pixel[0]];
}

inline uint8_t LumaOnly(const uint8_t* pixel)
{
    return (uint8_t)((uint8_t)g_yuvRed[pixel[2]] + (uint8_t)g_yuvGreen[pixel[1]] + (uint8_t)g_yuvBlue[pixel[0]]);
}

inline uint8_t Cb(uint32_t sum) { return (uint8_t)(((sum >> 10) & 0xFF) ^ 0x80); }
inline uint8_t Cr(uint32_t sum) { return (uint8_t)(((sum >> 20) & 0xFF) ^ 0x80); }

// The table method for the 2x2 blocks from column x0 on, in one pair of rows.
void ConvertBlocks(int width, int x0, const uint8_t* top, const uint8_t* bottom, uint8_t* yTop,
                   uint8_t* yBottom, uint8_t* u, uint8_t* v)
{
    for (int x = x0; x < width; x += 2) {
        const uint8_t* t = top + 4 * x;
        const uint8_t* b = bottom + 4 * x;
        uint32_t s = Sum(t);
        yTop[x] = (uint8_t)s;
        u[x / 2] = Cb(s);
        s = Sum(b);
        yBottom[x] = (uint8_t)s;
        v[x / 2] = Cr(s);
        yTop[x + 1] = LumaOnly(t + 4);
        yBottom[x + 1] = LumaOnly(b + 4);
    }
}

// Each table term is trunc(c * i); for i in 0..255 it equals (i * M) >> 16 with these M (checked
// for every i and every colour by the tests), which is what _mm_mulhi_epu16 gives.
const uint16_t kYr = 19595, kYg = 38470, kYb = 7472; // 0.299, 0.587, 0.114
const uint16_t kUr = 9704, kUg = 19070, kUb = 28768; // 0.148, 0.291, 0.439
const uint16_t kVr = 28768, kVg = 24183, kVb = 4652; // 0.439, 0.369, 0.071

struct Channels {
    __m128i b, g, r; // eight 16-bit values each
};

// Pixels p0..p3 and p4..p7 to their blue, green and red bytes as words.
inline Channels Split(__m128i lo, __m128i hi)
{
    const __m128i byte = _mm_set1_epi32(0xFF);
    Channels c;
    c.b = _mm_packs_epi32(_mm_and_si128(lo, byte), _mm_and_si128(hi, byte));
    c.g = _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(lo, 8), byte), _mm_and_si128(_mm_srli_epi32(hi, 8), byte));
    c.r = _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(lo, 16), byte), _mm_and_si128(_mm_srli_epi32(hi, 16), byte));
    return c;
}

inline __m128i Mul(__m128i value, uint16_t m) { return _mm_mulhi_epu16(value, _mm_set1_epi16((short)m)); }

inline __m128i Luma(const Channels& c)
{
    return _mm_add_epi16(_mm_add_epi16(Mul(c.r, kYr), Mul(c.g, kYg)), Mul(c.b, kYb));
}

// The even words of a and b, in order: the left pixels of eight blocks.
inline __m128i Even(__m128i a, __m128i b)
{
    const __m128i low = _mm_set1_epi32(0xFFFF);
    return _mm_packs_epi32(_mm_and_si128(a, low), _mm_and_si128(b, low));
}

inline Channels EvenPixels(const Channels& a, const Channels& b)
{
    Channels e;
    e.b = Even(a.b, b.b);
    e.g = Even(a.g, b.g);
    e.r = Even(a.r, b.r);
    return e;
}

// Chroma sums lie in -111..111, so adding 128 equals the table's XOR and never wraps.
inline __m128i ChromaU(const Channels& c)
{
    __m128i s = _mm_sub_epi16(Mul(c.b, kUb), _mm_add_epi16(Mul(c.r, kUr), Mul(c.g, kUg)));
    return _mm_add_epi16(s, _mm_set1_epi16(128));
}

inline __m128i ChromaV(const Channels& c)
{
    __m128i s = _mm_sub_epi16(Mul(c.r, kVr), _mm_add_epi16(Mul(c.g, kVg), Mul(c.b, kVb)));
    return _mm_add_epi16(s, _mm_set1_epi16(128));
}

inline __m128i Load(const uint8_t* p) { return _mm_loadu_si128((const __m128i*)p); }

// Sixteen pixels of one row: their luma to y, the chroma of their eight left-hand pixels back.
template <bool kTop>
inline __m128i Row16(const uint8_t* pixels, uint8_t* y)
{
    Channels a = Split(Load(pixels), Load(pixels + 16));
    Channels b = Split(Load(pixels + 32), Load(pixels + 48));
    _mm_storeu_si128((__m128i*)y, _mm_packus_epi16(Luma(a), Luma(b)));
    Channels e = EvenPixels(a, b);
    return kTop ? ChromaU(e) : ChromaV(e);
}

} // namespace

void BuildYuvTables()
{
    for (int i = 0; i < 256; i++) {
        g_yuvRed[i] = Term(0.299, i) | Term(-0.148, i) << 10 | Term(0.439, i) << 20;
        g_yuvGreen[i] = Term(0.587, i) | Term(-0.291, i) << 10 | Term(-0.369, i) << 20;
        g_yuvBlue[i] = Term(0.114, i) | Term(0.439, i) << 10 | Term(-0.071, i) << 20;
    }
    g_yuvTablesBuilt = true;
}

void Rgb32ToI420Reference(int width, int height, const uint8_t* source, uint8_t* target)
{
    uint8_t* yPlane = target;
    uint8_t* uPlane = target + width * height;
    uint8_t* vPlane = uPlane + (width / 2) * (height / 2);
    for (int row = 0; row < height; row += 2) {
        const uint8_t* top = source + (size_t)row * width * 4;
        ConvertBlocks(width, 0, top, top + width * 4, yPlane + (size_t)row * width,
                      yPlane + (size_t)(row + 1) * width, uPlane + (size_t)(row / 2) * (width / 2),
                      vPlane + (size_t)(row / 2) * (width / 2));
    }
}

void Rgb32ToI420(int width, int height, const uint8_t* source, uint8_t* target)
{
    uint8_t* yPlane = target;
    uint8_t* uPlane = target + width * height;
    uint8_t* vPlane = uPlane + (width / 2) * (height / 2);
    const int wide = width & ~15;
    for (int row = 0; row < height; row += 2) {
        const uint8_t* top = source + (size_t)row * width * 4;
        const uint8_t* bottom = top + (size_t)width * 4;
        uint8_t* yTop = yPlane + (size_t)row * width;
        uint8_t* yBottom = yTop + width;
        uint8_t* u = uPlane + (size_t)(row / 2) * (width / 2);
        uint8_t* v = vPlane + (size_t)(row / 2) * (width / 2);
        for (int x = 0; x < wide; x += 16) {
            __m128i cb = Row16<true>(top + 4 * x, yTop + x);
            __m128i cr = Row16<false>(bottom + 4 * x, yBottom + x);
            // One pack makes the eight U bytes and the eight V bytes of these blocks.
            __m128i uv = _mm_packus_epi16(cb, cr);
            _mm_storel_epi64((__m128i*)(u + x / 2), uv);
            _mm_storel_epi64((__m128i*)(v + x / 2), _mm_srli_si128(uv, 8));
        }
        ConvertBlocks(width, wide, top, bottom, yTop, yBottom, u, v);
    }
}
