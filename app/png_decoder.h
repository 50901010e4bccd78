// The program's own PNG decoding for TxBitmapEx::LoadPng: the chunk walk, zlib's inflate and the
// scan-line filters. Non-interlaced pictures of every colour type; alpha dropped, 16-bit samples
// reduced to their high byte, ancillary chunks ignored.
#pragma once
#include <windows.h>
#include <stddef.h>
#include <stdint.h>

// The IHDR fields, read at their fixed offsets of the file.
struct PngHeader {
    uint32_t width;
    uint32_t height;
    int bitDepth;
    int colourType;
    int compression;  // ignored
    int filter;       // ignored
    int interlace;
};

// Samples per pixel: 3 for RGB, 2 for grey with alpha, 4 for RGB with alpha, 1 otherwise.
int PngChannelCount(int colourType);

// Undoes the filter of row in place. row and previous each begin with their filter-type byte,
// followed by n bytes; previous is all zero for the first row.
void PngUnfilterRow(const PngHeader& header, BYTE* row, size_t n, const BYTE* previous);
