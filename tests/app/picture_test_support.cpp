#include "tests/app/picture_test_support.h"
#include "tests/support/host.h"

#include <windows.h>
#include <stdlib.h>
#include <zlib.h>

std::string Convert(const std::string& args)
{
    HostResult r = RunHost(std::string(kConvert) + " " + args);
    return r.exitCode == 0 ? std::string() : "convert " + args + " failed: " + r.output;
}

Rgb ReferencePixels(const std::string& unixPath)
{
    std::string raw = unixPath + ".rgb16";
    std::string error = Convert(ShellQuote(unixPath) + " -depth 16 -endian MSB rgb:" + ShellQuote(raw));
    if (!error.empty()) {
        ADD_FAILURE() << error;
        return Rgb();
    }
    std::string bytes = ReadHostFile(raw);
    Rgb out(bytes.size() / 2);
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = (uint8_t)bytes[2 * i];  // big-endian samples: the high byte first
    return out;
}

Rgb LoadedPixels(const TxBitmapEx& picture)
{
    Rgb out;
    if (!picture.bitmap)
        return out;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<uint8_t> bgrx((size_t)picture.width * picture.height * 4);
    HDC dc = CreateCompatibleDC(NULL);
    int rows = GetDIBits(dc, picture.bitmap, 0, picture.height, bgrx.data(), &info, DIB_RGB_COLORS);
    DeleteDC(dc);
    if (rows != picture.height) {
        ADD_FAILURE() << "GetDIBits read " << rows << " rows of " << picture.height;
        return out;
    }
    out.resize((size_t)picture.width * picture.height * 3);
    for (size_t i = 0; i < (size_t)picture.width * picture.height; ++i) {
        out[3 * i] = bgrx[4 * i + 2];
        out[3 * i + 1] = bgrx[4 * i + 1];
        out[3 * i + 2] = bgrx[4 * i];
    }
    return out;
}

static DIBSECTION Section(const TxBitmapEx& picture)
{
    DIBSECTION ds = {};
    if (picture.bitmap)
        GetObject(picture.bitmap, sizeof(ds), &ds);
    return ds;
}

int SectionBitCount(const TxBitmapEx& picture) { return Section(picture).dsBmih.biBitCount; }
int SectionHeight(const TxBitmapEx& picture) { return Section(picture).dsBmih.biHeight; }

int MaxDifference(const Rgb& a, const Rgb& b)
{
    if (a.size() != b.size() || a.empty())
        return 1000;
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i)
        worst = std::max(worst, abs((int)a[i] - (int)b[i]));
    return worst;
}

static std::string Be32(uint32_t v)
{
    std::string s(4, '\0');
    s[0] = (char)(v >> 24);
    s[1] = (char)(v >> 16);
    s[2] = (char)(v >> 8);
    s[3] = (char)v;
    return s;
}

std::string PngChunk(const char* type, const std::string& data)
{
    std::string body = std::string(type, 4) + data;
    uLong crc = crc32(0, (const Bytef*)body.data(), (uInt)body.size());
    return Be32((uint32_t)data.size()) + body + Be32((uint32_t)crc);
}

static int Channels(int colourType)
{
    return colourType == 2 ? 3 : colourType == 4 ? 2 : colourType == 6 ? 4 : 1;
}

std::string MakePng(const PngSpec& spec)
{
    size_t bpp = std::max<size_t>(1, (spec.depth * Channels(spec.colourType) + 7) / 8);
    std::string filtered;
    std::string previous(spec.rows.empty() ? 0 : spec.rows[0].size(), '\0');
    for (size_t y = 0; y < spec.rows.size(); ++y) {
        const std::string& row = spec.rows[y];
        int filter = spec.filters[y % spec.filters.size()];
        filtered += (char)filter;
        for (size_t x = 0; x < row.size(); ++x) {
            int a = x >= bpp ? (uint8_t)row[x - bpp] : 0;
            int b = (uint8_t)previous[x];
            int c = x >= bpp ? (uint8_t)previous[x - bpp] : 0;
            int predictor = 0;
            switch (filter) {
            case 1: predictor = a; break;
            case 2: predictor = b; break;
            case 3: predictor = (a + b) / 2; break;
            case 4: {
                int p = a + b - c, pa = abs(p - a), pb = abs(p - b), pc = abs(p - c);
                predictor = (pa <= pb && pa <= pc) ? a : pb <= pc ? b : c;
                break;
            }
            }
            filtered += (char)(uint8_t)((uint8_t)row[x] - predictor);
        }
        previous = row;
    }
    uLongf packedSize = compressBound((uLong)filtered.size());
    std::string packed(packedSize, '\0');
    compress2((Bytef*)&packed[0], &packedSize, (const Bytef*)filtered.data(), (uLong)filtered.size(), 9);
    packed.resize(packedSize);

    std::string ihdr = Be32(spec.width) + Be32(spec.height);
    ihdr += (char)spec.depth;
    ihdr += (char)spec.colourType;
    ihdr += std::string(3, '\0');
    std::string png = "\x89PNG\r\n\x1a\n";
    png += PngChunk("IHDR", ihdr) + spec.beforeImage;
    size_t piece = packed.size() / spec.idatPieces + 1;
    for (size_t at = 0; at < packed.size(); at += piece)
        png += PngChunk("IDAT", packed.substr(at, piece));
    if (spec.end)
        png += PngChunk("IEND", "");
    return png;
}

GuardedBytes::GuardedBytes(const std::string& bytes)
{
    const size_t page = 4096;
    size_ = bytes.size();
    size_t dataPages = (size_ + page - 1) / page;
    blockSize_ = (dataPages + 1) * page;
    block_ = (BYTE*)VirtualAlloc(NULL, blockSize_, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    BYTE* guard = block_ + dataPages * page;
    DWORD old;
    VirtualProtect(guard, page, PAGE_NOACCESS, &old);
    BYTE* start = guard - size_;
    memcpy(start, bytes.data(), size_);
    data_ = start;
}

GuardedBytes::~GuardedBytes()
{
    VirtualFree(block_, 0, MEM_RELEASE);
}

::testing::AssertionResult PictureIsConsistent(const TxBitmapEx& picture, BOOL loaded)
{
    if (!loaded) {
        if (picture.bitmap || picture.bits || picture.width || picture.height)
            return ::testing::AssertionFailure() << "a failed load left a picture behind";
        return ::testing::AssertionSuccess();
    }
    if (!picture.bitmap || !picture.bits || picture.width <= 0 || picture.height <= 0)
        return ::testing::AssertionFailure() << "a load reported success without a picture";
    DIBSECTION ds = {};
    if (GetObject(picture.bitmap, sizeof(ds), &ds) != sizeof(ds) || ds.dsBm.bmBits != picture.bits ||
        ds.dsBmih.biWidth != picture.width || abs(ds.dsBmih.biHeight) != picture.height)
        return ::testing::AssertionFailure() << "the fields do not describe the section";
    // Touch every byte of the section.
    volatile uint8_t sum = 0;
    const uint8_t* p = (const uint8_t*)picture.bits;
    for (size_t i = 0, n = (size_t)ds.dsBm.bmWidthBytes * ds.dsBm.bmHeight; i < n; ++i)
        sum += p[i];
    (void)sum;
    return ::testing::AssertionSuccess();
}
