#include "engine/yuv_convert.h"

#include <immintrin.h>

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

// Where one pair of rows lies in the frame and in the three planes.
struct RowPair {
    const uint8_t* top;
    const uint8_t* bottom;
    uint8_t *yTop, *yBottom, *u, *v;
    RowPair(int width, int height, int row, const uint8_t* source, uint8_t* target)
    {
        top = source + (size_t)row * width * 4;
        bottom = top + (size_t)width * 4;
        yTop = target + (size_t)row * width;
        yBottom = yTop + width;
        const size_t chromaRow = (size_t)(row / 2) * (width / 2);
        u = target + (size_t)width * height + chromaRow;
        v = target + (size_t)width * height + (size_t)(width / 2) * (height / 2) + chromaRow;
    }
};

// Each table term is trunc(c * i); for i in 0..255 it equals (i * M) >> 16 with these M (checked
// for every i and every colour by the tests), which is what the unsigned high multiply gives.
const uint16_t kYr = 19595, kYg = 38470, kYb = 7472; // 0.299, 0.587, 0.114
const uint16_t kUr = 9704, kUg = 19070, kUb = 28768; // 0.148, 0.291, 0.439
const uint16_t kVr = 28768, kVg = 24183, kVb = 4652; // 0.439, 0.369, 0.071

// Two 16-bit constants for the low and the high word of each dword.
inline uint32_t Pair(uint16_t low, uint16_t high) { return (uint32_t)high << 16 | low; }
inline uint32_t Pair(int16_t low, int16_t high) { return Pair((uint16_t)low, (uint16_t)high); }

// Seen as 16-bit words, a pixel is [green << 8 | blue, unused << 8 | red]: masking the high bytes
// leaves [blue, red], shifting each word right leaves [green, unused]. One high multiply then
// gives two terms at once, and a multiply-add of the word pair gives the pixel's sum as a dword.
struct Sse2 {
    static __m128i Masked(__m128i px) { return _mm_and_si128(px, _mm_set1_epi32(0x00FF00FF)); }
    static __m128i High(__m128i px) { return _mm_srli_epi16(px, 8); }
    static __m128i Mul(__m128i a, uint32_t pair) { return _mm_mulhi_epu16(a, _mm_set1_epi32((int)pair)); }
    static __m128i Madd(__m128i a, uint32_t pair) { return _mm_madd_epi16(a, _mm_set1_epi32((int)pair)); }

    // Sums of four pixels as dwords: luma, Cb + 128, Cr + 128. Chroma sums lie in -112..111, so
    // adding 128 equals the table's XOR and never wraps.
    static __m128i Luma(__m128i px)
    {
        __m128i t = _mm_add_epi16(Mul(Masked(px), Pair(kYb, kYr)), Mul(High(px), kYg));
        return Madd(t, Pair((uint16_t)1, (uint16_t)1));
    }
    static __m128i ChromaU(__m128i px)
    {
        // [ub - ug, ur] . [1, -1]
        __m128i t = _mm_sub_epi16(Mul(Masked(px), Pair(kUb, kUr)), Mul(High(px), kUg));
        return _mm_add_epi32(Madd(t, Pair((int16_t)1, (int16_t)-1)), _mm_set1_epi32(128));
    }
    static __m128i ChromaV(__m128i px)
    {
        // [vb + vg, vr] . [-1, 1]
        __m128i t = _mm_add_epi16(Mul(Masked(px), Pair(kVb, kVr)), Mul(High(px), kVg));
        return _mm_add_epi32(Madd(t, Pair((int16_t)-1, (int16_t)1)), _mm_set1_epi32(128));
    }
    // Pixels 0 and 2 of a, then 0 and 2 of b: the left pixels of four blocks.
    static __m128i Even(__m128i a, __m128i b)
    {
        return _mm_castps_si128(_mm_shuffle_ps(_mm_castsi128_ps(a), _mm_castsi128_ps(b), _MM_SHUFFLE(2, 0, 2, 0)));
    }
    static __m128i Load(const uint8_t* p) { return _mm_loadu_si128((const __m128i*)p); }

    // Sixteen pixels of one row: their luma to y; the chroma sums of their eight left-hand pixels
    // as words, through the given function.
    template <__m128i (*Chroma)(__m128i)>
    static __m128i Row(const uint8_t* pixels, uint8_t* y)
    {
        __m128i p0 = Load(pixels), p1 = Load(pixels + 16), p2 = Load(pixels + 32), p3 = Load(pixels + 48);
        __m128i lo = _mm_packs_epi32(Luma(p0), Luma(p1)), hi = _mm_packs_epi32(Luma(p2), Luma(p3));
        _mm_storeu_si128((__m128i*)y, _mm_packus_epi16(lo, hi));
        return _mm_packs_epi32(Chroma(Even(p0, p1)), Chroma(Even(p2, p3)));
    }

    // Sixteen columns of a pair of rows.
    static void Step(const uint8_t* top, const uint8_t* bottom, uint8_t* yTop, uint8_t* yBottom, uint8_t* u,
                     uint8_t* v)
    {
        __m128i cb = Row<ChromaU>(top, yTop);
        __m128i cr = Row<ChromaV>(bottom, yBottom);
        __m128i uv = _mm_packus_epi16(cb, cr);
        _mm_storel_epi64((__m128i*)u, uv);
        _mm_storel_epi64((__m128i*)v, _mm_srli_si128(uv, 8));
    }
};

#pragma GCC push_options
#pragma GCC target("avx2")

// The same arithmetic on eight pixels a register. The packs work within each 128-bit half, so
// the results come out with their groups of four interleaved and are put back in order at the end.
struct Avx2 {
    static __m256i Masked(__m256i px) { return _mm256_and_si256(px, _mm256_set1_epi32(0x00FF00FF)); }
    static __m256i High(__m256i px) { return _mm256_srli_epi16(px, 8); }
    static __m256i Mul(__m256i a, uint32_t pair) { return _mm256_mulhi_epu16(a, _mm256_set1_epi32((int)pair)); }
    static __m256i Madd(__m256i a, uint32_t pair) { return _mm256_madd_epi16(a, _mm256_set1_epi32((int)pair)); }

    static __m256i Luma(__m256i px)
    {
        __m256i t = _mm256_add_epi16(Mul(Masked(px), Pair(kYb, kYr)), Mul(High(px), kYg));
        return Madd(t, Pair((uint16_t)1, (uint16_t)1));
    }
    static __m256i ChromaU(__m256i px)
    {
        __m256i t = _mm256_sub_epi16(Mul(Masked(px), Pair(kUb, kUr)), Mul(High(px), kUg));
        return _mm256_add_epi32(Madd(t, Pair((int16_t)1, (int16_t)-1)), _mm256_set1_epi32(128));
    }
    static __m256i ChromaV(__m256i px)
    {
        __m256i t = _mm256_add_epi16(Mul(Masked(px), Pair(kVb, kVr)), Mul(High(px), kVg));
        return _mm256_add_epi32(Madd(t, Pair((int16_t)-1, (int16_t)1)), _mm256_set1_epi32(128));
    }
    // Within each half: pixels 0 and 2 of a, then 0 and 2 of b.
    static __m256i Even(__m256i a, __m256i b)
    {
        return _mm256_castps_si256(
            _mm256_shuffle_ps(_mm256_castsi256_ps(a), _mm256_castsi256_ps(b), _MM_SHUFFLE(2, 0, 2, 0)));
    }
    static __m256i Load(const uint8_t* p) { return _mm256_loadu_si256((const __m256i*)p); }

    // Thirty-two pixels of one row. The luma bytes come out as groups of four in the order
    // 0 2 4 6 | 1 3 5 7 and are permuted back; the sixteen chroma words come out for the blocks
    // 0 1 4 5 8 9 12 13 | 2 3 6 7 10 11 14 15.
    template <__m256i (*Chroma)(__m256i)>
    static __m256i Row(const uint8_t* pixels, uint8_t* y)
    {
        __m256i p0 = Load(pixels), p1 = Load(pixels + 32), p2 = Load(pixels + 64), p3 = Load(pixels + 96);
        __m256i lo = _mm256_packs_epi32(Luma(p0), Luma(p1)), hi = _mm256_packs_epi32(Luma(p2), Luma(p3));
        __m256i bytes = _mm256_packus_epi16(lo, hi);
        bytes = _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
        _mm256_storeu_si256((__m256i*)y, bytes);
        return _mm256_packs_epi32(Chroma(Even(p0, p1)), Chroma(Even(p2, p3)));
    }

    // Thirty-two columns of a pair of rows.
    static void Step(const uint8_t* top, const uint8_t* bottom, uint8_t* yTop, uint8_t* yBottom, uint8_t* u,
                     uint8_t* v)
    {
        __m256i cb = Row<ChromaU>(top, yTop);
        __m256i cr = Row<ChromaV>(bottom, yBottom);
        // Per half: U of its eight blocks, then V of them. Interleaving the halves' words puts
        // the blocks back in order.
        __m256i uv = _mm256_packus_epi16(cb, cr);
        __m128i first = _mm256_castsi256_si128(uv), second = _mm256_extracti128_si256(uv, 1);
        _mm_storeu_si128((__m128i*)u, _mm_unpacklo_epi16(first, second));
        _mm_storeu_si128((__m128i*)v, _mm_unpackhi_epi16(first, second));
    }
};

// Row pairs through thirty-two-column steps, then sixteen-column ones, then single blocks.
void ConvertAvx2(int width, int height, const uint8_t* source, uint8_t* target)
{
    for (int row = 0; row < height; row += 2) {
        RowPair r(width, height, row, source, target);
        int x = 0;
        for (; x + 32 <= width; x += 32)
            Avx2::Step(r.top + 4 * x, r.bottom + 4 * x, r.yTop + x, r.yBottom + x, r.u + x / 2, r.v + x / 2);
        for (; x + 16 <= width; x += 16)
            Sse2::Step(r.top + 4 * x, r.bottom + 4 * x, r.yTop + x, r.yBottom + x, r.u + x / 2, r.v + x / 2);
        ConvertBlocks(width, x, r.top, r.bottom, r.yTop, r.yBottom, r.u, r.v);
    }
    // This compiler does not clear the upper halves on its own for Windows targets; left dirty,
    // they slow down every SSE instruction that follows, in this program and in the libraries.
    _mm256_zeroupper();
}

#pragma GCC pop_options

// Row pairs through sixteen-column steps, then single blocks.
void ConvertSse2(int width, int height, const uint8_t* source, uint8_t* target)
{
    for (int row = 0; row < height; row += 2) {
        RowPair r(width, height, row, source, target);
        int x = 0;
        for (; x + 16 <= width; x += 16)
            Sse2::Step(r.top + 4 * x, r.bottom + 4 * x, r.yTop + x, r.yBottom + x, r.u + x / 2, r.v + x / 2);
        ConvertBlocks(width, x, r.top, r.bottom, r.yTop, r.yBottom, r.u, r.v);
    }
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
    for (int row = 0; row < height; row += 2) {
        RowPair r(width, height, row, source, target);
        ConvertBlocks(width, 0, r.top, r.bottom, r.yTop, r.yBottom, r.u, r.v);
    }
}

bool Rgb32ToI420HasAvx2()
{
    return __builtin_cpu_supports("avx2");
}

void Rgb32ToI420Sse2(int width, int height, const uint8_t* source, uint8_t* target)
{
    ConvertSse2(width, height, source, target);
}

void Rgb32ToI420Avx2(int width, int height, const uint8_t* source, uint8_t* target)
{
    ConvertAvx2(width, height, source, target);
}

void Rgb32ToI420(int width, int height, const uint8_t* source, uint8_t* target)
{
    if (Rgb32ToI420HasAvx2())
        ConvertAvx2(width, height, source, target);
    else
        ConvertSse2(width, height, source, target);
}
