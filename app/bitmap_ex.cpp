#include "app/bitmap_ex.h"
#include "app/mapped_file.h"
#include "engine/dib_color_table.h"

#include <setjmp.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

extern "C" {
#include <jpeglib.h>
}

namespace {

uint32_t ReadLe32(const BYTE* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | ((uint32_t)p[3] << 24); }
uint16_t ReadLe16(const BYTE* p) { return (uint16_t)(p[0] | (p[1] << 8)); }

const size_t kFileHeaderSize = 14;
const uint32_t kMaxInfoHeaderSize = 124;  // BITMAPV5HEADER, the largest there is

// ---- JPEG ----

// The library's own error exit ends the process; this one jumps back into LoadJpeg.
struct JpegErrorManager {
    jpeg_error_mgr standard;
    jmp_buf back;
};

void ReturnToLoader(j_common_ptr info)
{
    longjmp(((JpegErrorManager*)info->err)->back, 1);
}

// What the JPEG load holds, kept where a longjmp cannot lose it.
struct JpegLoad {
    FILE* volatile file = NULL;
    BYTE* volatile pixels = NULL;
    BITMAPINFO* volatile info = NULL;
};

// Reads the picture into load.pixels (top-down, blue first) and builds its header; false when it
// has no image, a size of 0, an unsupported component count or too many pixels. Library errors
// leave through ReturnToLoader.
bool DecodeJpeg(jpeg_decompress_struct* jpeg, JpegLoad& load)
{
    if (jpeg_read_header(jpeg, TRUE) != JPEG_HEADER_OK)
        return false;
    jpeg_calc_output_dimensions(jpeg);
    int components = jpeg->output_components;
    if (jpeg->output_width == 0 || jpeg->output_height == 0 || (components != 1 && components != 3))
        return false;
    int bitCount = components * 8;
    unsigned long long stride = TxBitmapEx::Stride(jpeg->output_width, bitCount);
    unsigned long long imageSize = stride * jpeg->output_height;
    if (imageSize > TxBitmapEx::kMaxImageBytes)
        return false;

    size_t tableEntries = components == 1 ? 256 : 0;
    size_t blockSize = sizeof(BITMAPINFOHEADER) + 4 * tableEntries + 4;
    BITMAPINFO* info = (BITMAPINFO*)calloc(1, blockSize);
    load.info = info;
    if (!info)
        return false;
    BITMAPINFOHEADER& h = info->bmiHeader;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = (LONG)jpeg->output_width;
    h.biHeight = (LONG)jpeg->output_height;
    h.biPlanes = 1;
    h.biBitCount = (WORD)bitCount;
    h.biCompression = BI_RGB;
    h.biSizeImage = (DWORD)imageSize;
    for (size_t i = 0; i < tableEntries; ++i) {
        RGBQUAD& entry = info->bmiColors[i];
        entry.rgbBlue = entry.rgbGreen = entry.rgbRed = (BYTE)i;
    }
    BYTE* pixels = (BYTE*)calloc(1, (size_t)imageSize);
    load.pixels = pixels;
    if (!pixels)
        return false;

    jpeg_start_decompress(jpeg);
    while (jpeg->output_scanline < jpeg->output_height) {
        BYTE* row = pixels + (size_t)jpeg->output_scanline * (size_t)stride;
        JSAMPROW rows[1] = {row};
        if (jpeg_read_scanlines(jpeg, rows, 1) != 1)
            return false;
        if (components == 3) {
            for (JDIMENSION x = 0; x < jpeg->output_width; ++x) {
                BYTE red = row[3 * x];
                row[3 * x] = row[3 * x + 2];
                row[3 * x + 2] = red;
            }
        }
    }
    jpeg_finish_decompress(jpeg);
    return true;
}

} // namespace

TxBitmapEx::~TxBitmapEx()
{
    Release();
}

void TxBitmapEx::Release()
{
    if (bitmap)
        DeleteObject(bitmap);
    bitmap = NULL;
    bits = NULL;
    width = 0;
    height = 0;
}

unsigned long long TxBitmapEx::Stride(long long width, int bitCount)
{
    return (((unsigned long long)bitCount * (unsigned long long)width + 31) / 8) & ~3ull;
}

bool TxBitmapEx::CreateSection(const BITMAPINFO* info)
{
    void* pixels = NULL;
    HBITMAP section = CreateDIBSection(NULL, info, DIB_RGB_COLORS, &pixels, NULL, 0);
    if (!section)
        return false;
    if (!pixels) {
        DeleteObject(section);
        return false;
    }
    bitmap = section;
    bits = pixels;
    width = info->bmiHeader.biWidth;
    height = info->bmiHeader.biHeight < 0 ? -info->bmiHeader.biHeight : info->bmiHeader.biHeight;
    return true;
}

void TxBitmapEx::CopyRows(void* target, const void* source, int bitCount, bool sameOrder) const
{
    size_t stride = (size_t)Stride(width, bitCount);
    if (sameOrder) {
        memcpy(target, source, stride * height);
        return;
    }
    for (int i = 0; i < height; ++i)
        memcpy((BYTE*)target + stride * i, (const BYTE*)source + stride * (height - 1 - i), stride);
}

BOOL TxBitmapEx::Load(const wchar_t* path)
{
    if (!path)
        return FALSE;
    const wchar_t* dot = wcsrchr(path, L'.');
    if (!dot)
        return LoadBmp(path);
    static const wchar_t* const jpegExtensions[] = {L".jpg", L".jpeg", L".jpe", L".jfif"};
    for (const wchar_t* extension : jpegExtensions)
        if (_wcsicmp(dot, extension) == 0)
            return LoadJpeg(path);
    if (_wcsicmp(dot, L".png") == 0)
        return LoadPng(path);
    if (_wcsicmp(dot, L".gif") == 0)
        return FALSE;
    return LoadBmp(path);
}

BOOL TxBitmapEx::LoadMapped(const wchar_t* path, BOOL (TxBitmapEx::*parse)(const BYTE*, size_t))
{
    Release();
    if (!path)
        return FALSE;
    TMappedFile view;
    if (!view.Open(path))
        return FALSE;
    return (this->*parse)(view.data, view.size);
}

BOOL TxBitmapEx::LoadBmp(const wchar_t* path)
{
    return LoadMapped(path, &TxBitmapEx::LoadBmpData);
}

// The file is checked before anything is read: a header that claims more bytes than the file
// has gives FALSE instead of a read past the end of the mapping.
BOOL TxBitmapEx::LoadBmpData(const BYTE* file, size_t size)
{
    Release();
    if (size < kFileHeaderSize + sizeof(BITMAPINFOHEADER) || file[0] != 'B' || file[1] != 'M')
        return FALSE;
    uint32_t pixelOffset = ReadLe32(file + 10);
    const BYTE* header = file + kFileHeaderSize;
    uint32_t headerSize = ReadLe32(header);
    // Smaller (OS/2) headers do not hold the fields read below.
    if (headerSize < sizeof(BITMAPINFOHEADER) || headerSize > kMaxInfoHeaderSize ||
        kFileHeaderSize + headerSize > size)
        return FALSE;
    long long fileWidth = (int32_t)ReadLe32(header + 4);
    long long fileHeight = (int32_t)ReadLe32(header + 8);
    int bitCount = ReadLe16(header + 14);
    uint32_t compression = ReadLe32(header + 16);
    uint32_t colorsUsed = ReadLe32(header + 32);
    long long absHeight = fileHeight < 0 ? -fileHeight : fileHeight;
    if (fileWidth <= 0 || absHeight <= 0 || absHeight > 0x7FFFFFFF)
        return FALSE;
    // Only uncompressed rows have the stride the pixel copy assumes.
    bool bitFields = compression == BI_BITFIELDS && (bitCount == 16 || bitCount == 32);
    if (compression != BI_RGB && !bitFields)
        return FALSE;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
        bitCount != 32)
        return FALSE;

    // The colour table (or the masks after a 40-byte header) must lie inside the file too.
    size_t tableEntries = 0;
    if (bitCount <= 8) {
        size_t full = (size_t)DibColorTableCount(bitCount);
        tableEntries = colorsUsed && colorsUsed < full ? colorsUsed : full;
    } else if (bitFields && headerSize == sizeof(BITMAPINFOHEADER)) {
        tableEntries = 3;
    }
    unsigned long long tableEnd = kFileHeaderSize + headerSize + 4ull * tableEntries;
    unsigned long long imageSize = Stride(fileWidth, bitCount) * (unsigned long long)absHeight;
    if (tableEnd > size || imageSize > kMaxImageBytes || pixelOffset > size ||
        imageSize > size - pixelOffset)
        return FALSE;

    // The header as stored, with its table, in a block large enough for any table the section
    // creation may look at; the colour count is kept within the table actually checked.
    const size_t blockSize = kMaxInfoHeaderSize + 4 * 256 + 4 * 3;
    BYTE* block = (BYTE*)calloc(1, blockSize);
    if (!block)
        return FALSE;
    memcpy(block, header, (size_t)(tableEnd - kFileHeaderSize));
    BITMAPINFO* info = (BITMAPINFO*)block;
    info->bmiHeader.biClrUsed = bitCount <= 8 ? (DWORD)tableEntries : 0;
    bool made = CreateSection(info);
    free(block);
    if (!made)
        return FALSE;
    CopyRows(bits, file + pixelOffset, bitCount, true);
    return TRUE;
}

BOOL TxBitmapEx::LoadJpeg(const wchar_t* path)
{
    Release();
    if (!path)
        return FALSE;
    jpeg_decompress_struct jpeg;
    memset(&jpeg, 0, sizeof(jpeg));
    JpegErrorManager errors;
    jpeg.err = jpeg_std_error(&errors.standard);
    errors.standard.error_exit = ReturnToLoader;
    JpegLoad load;
    volatile bool decoded = false;
    if (setjmp(errors.back) == 0) {
        jpeg_create_decompress(&jpeg);
        load.file = _wfopen(path, L"rb");
        if (load.file) {
            jpeg_stdio_src(&jpeg, load.file);
            decoded = DecodeJpeg(&jpeg, load);
        }
    }
    BOOL result = FALSE;
    if (decoded && CreateSection(load.info)) {
        CopyRows(bits, load.pixels, load.info->bmiHeader.biBitCount, false);
        result = TRUE;
    }
    free(load.pixels);
    free(load.info);
    if (load.file)
        fclose(load.file);
    jpeg_destroy_decompress(&jpeg);
    return result;
}

namespace {

// A memory DC with the picture selected into it, put back and deleted when it goes.
class PictureDC {
public:
    explicit PictureDC(const TxBitmapEx* picture)
        : dc_(picture && picture->bitmap ? CreateCompatibleDC(NULL) : NULL),
          previous_(dc_ ? SelectObject(dc_, picture->bitmap) : NULL)
    {
    }
    ~PictureDC()
    {
        if (dc_) {
            SelectObject(dc_, previous_);
            DeleteDC(dc_);
        }
    }
    HDC Get() const { return dc_; }

private:
    PictureDC(const PictureDC&) = delete;
    PictureDC& operator=(const PictureDC&) = delete;

    HDC dc_;
    HGDIOBJ previous_;
};

} // namespace

COLORREF GetKeyColor(TxBitmapEx* picture)
{
    PictureDC dc(picture);
    return dc.Get() ? GetPixel(dc.Get(), 0, 0) : 0;
}

COLORREF NormalizeKeyColor(TxBitmapEx* picture)
{
    PictureDC dc(picture);
    if (!dc.Get())
        return 0;
    COLORREF key = GetPixel(dc.Get(), 0, 0);
    for (int y = 0; y < picture->height; ++y) {
        for (int x = 0; x < picture->width; ++x) {
            COLORREF pixel = GetPixel(dc.Get(), x, y);
            if (pixel == key ||
                (abs(GetRValue(pixel) - GetRValue(key)) < 10 && abs(GetGValue(pixel) - GetGValue(key)) < 10 &&
                 abs(GetBValue(pixel) - GetBValue(key)) < 10))
                SetPixel(dc.Get(), x, y, key);
        }
    }
    return key;
}
