#include "app/png_decoder.h"
#include "app/bitmap_ex.h"
#include "engine/dib_color_table.h"

#include <stdlib.h>
#include <string.h>
#include <zlib.h>

namespace {

const BYTE kSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
const size_t kHeaderEnd = 29;  // the IHDR fields end at byte 28

uint32_t ReadBe32(const BYTE* p) { return ((uint32_t)p[0] << 24) | (p[1] << 16) | (p[2] << 8) | p[3]; }

// The bit depths the PNG format allows for each colour type. Anything else is not a picture:
// refusing it keeps every row conversion within its buffers, instead of loading a black image.
bool ValidDepth(int colourType, int depth)
{
    switch (colourType) {
    case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
    case 4:
    case 6: return depth == 8 || depth == 16;
    default: return false;
    }
}

// Row y of the decoded data, converted into a section row of stride bytes.
void ConvertRow(const PngHeader& h, const BYTE* in, size_t n, BYTE* out, size_t stride)
{
    uint32_t w = h.width;
    bool wide = h.bitDepth == 16;
    switch (h.colourType) {
    case 0:
        if (wide) {
            for (uint32_t x = 0; x < w; ++x)
                out[x] = in[2 * x];
        } else {
            memcpy(out, in, n < stride ? n : stride);
        }
        break;
    case 3:
        memcpy(out, in, n < stride ? n : stride);
        break;
    case 4:
        for (uint32_t x = 0; x < w; ++x)
            out[x] = in[(wide ? 4 : 2) * x];
        break;
    case 2:
    case 6: {
        size_t pixel = (h.colourType == 2 ? 3 : 4) * (wide ? 2 : 1);
        size_t sample = wide ? 2 : 1;
        for (uint32_t x = 0; x < w; ++x) {
            const BYTE* p = in + pixel * x;
            out[3 * x] = p[2 * sample];
            out[3 * x + 1] = p[sample];
            out[3 * x + 2] = p[0];
        }
        break;
    }
    default:
        break;
    }
}

// What one load holds; released on every path.
struct PngLoad {
    BITMAPINFO* info = NULL;
    BYTE* pixels = NULL;
    BYTE* decoded = NULL;
    BYTE* zeroRow = NULL;
    z_stream zlib;
    bool zlibOpen = false;

    PngLoad() { memset(&zlib, 0, sizeof(zlib)); }
    ~PngLoad()
    {
        CloseZlib();
        free(info);
        free(pixels);
        free(decoded);
        free(zeroRow);
    }
    void CloseZlib()
    {
        if (zlibOpen)
            inflateEnd(&zlib);
        zlibOpen = false;
    }
};

// The header block: the info header for bitCount and, for up to 8 bits, the default colour table
// (black and white, 16 or 256 grey levels).
BITMAPINFO* NewHeaderBlock(const PngHeader& h, int bitCount, int tableEntries, size_t imageSize)
{
    BITMAPINFO* info = (BITMAPINFO*)calloc(1, sizeof(BITMAPINFOHEADER) + 4 * tableEntries + 4);
    if (!info)
        return NULL;
    BITMAPINFOHEADER& bh = info->bmiHeader;
    bh.biSize = sizeof(BITMAPINFOHEADER);
    bh.biWidth = (LONG)h.width;
    bh.biHeight = (LONG)h.height;
    bh.biPlanes = 1;
    bh.biBitCount = (WORD)bitCount;
    bh.biCompression = BI_RGB;
    bh.biSizeImage = (DWORD)imageSize;
    for (int i = 0; i < tableEntries; ++i) {
        BYTE grey = bitCount == 1 ? (BYTE)(i * 255) : bitCount == 4 ? (BYTE)(i * 17) : (BYTE)i;
        info->bmiColors[i].rgbBlue = info->bmiColors[i].rgbGreen = info->bmiColors[i].rgbRed = grey;
    }
    return info;
}

// Walks the chunks from byte 8: the palette into the table, the image data through inflate.
// False when a chunk reaches past the end of the file or the file ends before IEND. Every length
// and offset is checked against size before it is read.
bool WalkChunks(const BYTE* file, size_t size, RGBQUAD* table, int tableEntries, z_stream& zlib)
{
    size_t at = 8;
    for (;;) {
        if (size - at < 8)
            return false;
        uint32_t length = ReadBe32(file + at);
        const BYTE* type = file + at + 4;
        const BYTE* data = file + at + 8;
        if (length > size - at - 8)
            return false;
        if (memcmp(type, "IEND", 4) == 0)
            return true;
        if (memcmp(type, "PLTE", 4) == 0) {
            // Entries beyond the table (a suggested palette of an RGB picture, for one) are not
            // stored; the image data after the chunk is still read.
            uint32_t entries = length / 3;
            for (uint32_t i = 0; i < entries && i < (uint32_t)tableEntries; ++i) {
                table[i].rgbRed = data[3 * i];
                table[i].rgbGreen = data[3 * i + 1];
                table[i].rgbBlue = data[3 * i + 2];
                table[i].rgbReserved = 0;
            }
        } else if (memcmp(type, "IDAT", 4) == 0) {
            zlib.next_in = (Bytef*)data;
            zlib.avail_in = length;
            int result = Z_OK;
            while (zlib.avail_in > 0 && result == Z_OK)
                result = inflate(&zlib, Z_PARTIAL_FLUSH);
            // Damaged or surplus data: what was decoded so far is the picture.
            if (result != Z_OK && result != Z_STREAM_END)
                return true;
        }
        if (length + 12ull > size - at)
            return false;  // the checksum of this chunk is already past the end
        at += length + 12ull;
    }
}

} // namespace

int PngChannelCount(int colourType)
{
    switch (colourType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
    }
}

void PngUnfilterRow(const PngHeader& header, BYTE* row, size_t n, const BYTE* previous)
{
    size_t bpp = ((size_t)header.bitDepth * PngChannelCount(header.colourType) + 7) / 8;
    if (bpp == 0)
        bpp = 1;
    BYTE* x = row + 1;
    const BYTE* b = previous + 1;
    switch (row[0]) {
    case 1:
        for (size_t i = bpp; i < n; ++i)
            x[i] = (BYTE)(x[i] + x[i - bpp]);
        break;
    case 2:
        for (size_t i = 0; i < n; ++i)
            x[i] = (BYTE)(x[i] + b[i]);
        break;
    case 3:
        for (size_t i = 0; i < n; ++i) {
            int a = i >= bpp ? x[i - bpp] : 0;
            x[i] = (BYTE)(x[i] + ((a + b[i]) >> 1));
        }
        break;
    case 4:
        for (size_t i = 0; i < n; ++i) {
            int a = i >= bpp ? x[i - bpp] : 0;
            int c = i >= bpp ? b[i - bpp] : 0;
            int up = b[i];
            int pa = abs(up - c), pb = abs(a - c), pc = abs(a + up - 2 * c);
            int predictor = (pa <= pb && pa <= pc) ? a : (pb <= pc ? up : c);
            x[i] = (BYTE)(x[i] + predictor);
        }
        break;
    default:
        break;
    }
}

BOOL TxBitmapEx::LoadPng(const wchar_t* path)
{
    return LoadMapped(path, &TxBitmapEx::LoadPngData);
}

BOOL TxBitmapEx::LoadPngData(const BYTE* file, size_t size)
{
    Release();
    if (size < kHeaderEnd || memcmp(file, kSignature, sizeof(kSignature)) != 0)
        return FALSE;
    PngHeader h;
    h.width = ReadBe32(file + 16);
    h.height = ReadBe32(file + 20);
    h.bitDepth = file[24];
    h.colourType = file[25];
    h.compression = file[26];
    h.filter = file[27];
    h.interlace = file[28];
    // Interlaced pictures are not decoded: an all-black picture must not pass for a loaded one.
    // Depth 2 has no DIB section form.
    if (h.interlace != 0 || !ValidDepth(h.colourType, h.bitDepth) || h.bitDepth == 2)
        return FALSE;
    if (h.width == 0 || h.height == 0 || h.width > 0x7FFFFFFF || h.height > 0x7FFFFFFF)
        return FALSE;

    int channels = PngChannelCount(h.colourType);
    unsigned long long p = (unsigned long long)channels * h.bitDepth;
    unsigned long long n = p < 8 ? (p * h.width + 7) / 8 : h.width * (p / 8);
    int bitCount = (h.bitDepth > 8 ? 8 : h.bitDepth) * (h.colourType == 2 || h.colourType == 6 ? 3 : 1);
    unsigned long long stride = Stride(h.width, bitCount);
    unsigned long long decodedSize = (n + 1) * h.height;
    unsigned long long imageSize = stride * h.height;
    if (decodedSize > kMaxImageBytes || imageSize > kMaxImageBytes)
        return FALSE;

    PngLoad load;
    int tableEntries = bitCount <= 8 ? DibColorTableCount(bitCount) : 0;
    load.info = NewHeaderBlock(h, bitCount, tableEntries, (size_t)imageSize);
    load.pixels = (BYTE*)calloc(1, (size_t)imageSize);
    load.decoded = (BYTE*)calloc(1, (size_t)decodedSize);
    load.zeroRow = (BYTE*)calloc(1, (size_t)n + 1);
    if (!load.info || !load.pixels || !load.decoded || !load.zeroRow)
        return FALSE;
    if (inflateInit(&load.zlib) != Z_OK)
        return FALSE;
    load.zlibOpen = true;
    load.zlib.next_out = load.decoded;
    load.zlib.avail_out = (uInt)decodedSize;
    if (!WalkChunks(file, size, load.info->bmiColors, tableEntries, load.zlib))
        return FALSE;
    load.zlib.next_in = NULL;
    load.zlib.avail_in = 0;
    inflate(&load.zlib, Z_FINISH);
    load.CloseZlib();

    for (uint32_t y = 0; y < h.height; ++y) {
        BYTE* row = load.decoded + (size_t)y * (size_t)(n + 1);
        const BYTE* previous = y ? row - (size_t)(n + 1) : load.zeroRow;
        PngUnfilterRow(h, row, (size_t)n, previous);
        ConvertRow(h, row + 1, (size_t)n, load.pixels + (size_t)y * (size_t)stride, (size_t)stride);
    }
    free(load.decoded);
    load.decoded = NULL;

    if (!CreateSection(load.info))
        return FALSE;
    CopyRows(bits, load.pixels, bitCount, false);
    return TRUE;
}
