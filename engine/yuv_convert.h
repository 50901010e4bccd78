// 32-bit screen pixels (blue, green, red, unused) to I420, with full-range luma and BT.601 chroma
// taken from single pixels: the U sample of each 2x2 block from its top-left pixel, the V sample
// from its bottom-left one.
#pragma once
#include <stdint.h>

// Per-byte terms of the conversion, indexed by the red, green and blue byte. Each entry packs the
// luma term in bits 0-9, the Cb term in bits 10-19 and the Cr term in bits 20-29; a negative term
// is kept as its low byte, so the low byte of a field summed over three entries is the signed sum
// modulo 256.
extern uint32_t g_yuvRed[256];
extern uint32_t g_yuvGreen[256];
extern uint32_t g_yuvBlue[256];
extern bool g_yuvTablesBuilt;

void BuildYuvTables();

// One I420 picture (Y plane, then U, then V) from width x height pixels, rows top-down without
// gaps. Width and height are even; the tables must be built. Gives exactly the bytes of
// Rgb32ToI420Reference, only faster.
void Rgb32ToI420(int width, int height, const uint8_t* source, uint8_t* target);

// The table method, pixel by pixel: the definition the fast forms are held to.
void Rgb32ToI420Reference(int width, int height, const uint8_t* source, uint8_t* target);

// The two forms Rgb32ToI420 chooses from, by what the processor offers; open for the tests.
void Rgb32ToI420Sse2(int width, int height, const uint8_t* source, uint8_t* target);
void Rgb32ToI420Avx2(int width, int height, const uint8_t* source, uint8_t* target); // AVX2 only
bool Rgb32ToI420HasAvx2();
