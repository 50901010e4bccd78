// Helpers of the picture tests: reference decodes by native ImageMagick, the pixels of a loaded
// section, a small PNG writer, and bytes placed right before an inaccessible page.
#pragma once
#include "app/bitmap_ex.h"

#include <gtest/gtest.h>
#include <stdint.h>
#include <string>
#include <vector>

// Red, green, blue bytes of every pixel, rows top-down.
typedef std::vector<uint8_t> Rgb;

// The real ImageMagick (another program named convert may come first on the path).
const char* const kConvert = "/usr/bin/convert";

// Runs "/usr/bin/convert args"; the output when it fails, empty on success.
std::string Convert(const std::string& args);
// ImageMagick's decode of a file: 16 bits a sample, reduced to the high byte.
Rgb ReferencePixels(const std::string& unixPath);
// The loaded section as red, green, blue (read back through GetDIBits at 32 bits, top-down).
Rgb LoadedPixels(const TxBitmapEx& picture);
// The section's bit count and stored height (negative: top-down).
int SectionBitCount(const TxBitmapEx& picture);
int SectionHeight(const TxBitmapEx& picture);
// The largest difference of one sample between two images of the same size.
int MaxDifference(const Rgb& a, const Rgb& b);

// A PNG chunk with its length and checksum.
std::string PngChunk(const char* type, const std::string& data);
// A whole PNG file: rows of raw samples (no filter byte), each filtered by filters[y % size].
struct PngSpec {
    uint32_t width;
    uint32_t height;
    int depth;
    int colourType;
    std::vector<std::string> rows;
    std::vector<int> filters;
    std::string beforeImage;  // chunks placed between IHDR and IDAT
    int idatPieces = 1;       // the image data split over this many IDAT chunks
    bool end = true;          // write IEND
};
std::string MakePng(const PngSpec& spec);

// Deterministic bytes for fixtures and mutations.
struct TestRandom {
    uint64_t state;
    explicit TestRandom(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 1) {}
    uint32_t Next()
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return (uint32_t)(state >> 11);
    }
    uint32_t Below(uint32_t n) { return Next() % n; }
};

// A copy of bytes whose last byte is followed at once by a page that cannot be read, so a read
// past the end faults instead of passing unseen.
class GuardedBytes {
public:
    explicit GuardedBytes(const std::string& bytes);
    ~GuardedBytes();
    const BYTE* data() const { return data_; }
    size_t size() const { return size_; }

private:
    BYTE* block_ = nullptr;
    size_t blockSize_ = 0;
    const BYTE* data_ = nullptr;
    size_t size_ = 0;
};

// A loaded picture must be whole and readable; a failed one must hold nothing.
::testing::AssertionResult PictureIsConsistent(const TxBitmapEx& picture, BOOL loaded);
