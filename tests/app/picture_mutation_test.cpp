// Damaged pictures: every load of a truncated or corrupted file must give FALSE or a whole,
// readable picture, and the process must survive. BMP and PNG bytes are also parsed straight from
// memory that ends at an inaccessible page, so a read one byte past the end fails the run.
// Every case is numbered from a fixed seed: a failure names the seed that replays it.
#include "app/bitmap_ex.h"
#include "tests/app/picture_test_support.h"
#include "tests/support/host.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <string>

namespace {

const int kMutationsPerFile = 3000;

std::string Dir()
{
    static std::string dir = NewTempDir("mutations");
    return dir;
}

// A good file made by ImageMagick from a seeded 37 x 23 pattern (with alpha).
std::string Good(const std::string& name, const std::string& options, const std::string& format = "")
{
    std::string source = Dir() + "/src.rgba";
    if (ReadHostFile(source).empty()) {
        TestRandom random(3);
        std::string rgba;
        for (int i = 0; i < 37 * 23; ++i) {
            rgba += (char)(i * 5);
            rgba += (char)random.Below(256);
            rgba += (char)(i / 37 * 9);
            rgba += (char)(random.Below(3) ? 255 : random.Below(256));
        }
        WriteHostFile(source, rgba);
    }
    std::string path = Dir() + "/" + name;
    EXPECT_EQ(Convert("-size 37x23 -depth 8 " + ShellQuote("rgba:" + source) + " " + options + " " +
                      ShellQuote(format + path)), "");
    return ReadHostFile(path);
}

// Corrupts one to four places of a copy of good: a byte set at random, a bit flipped, 0x00 or
// 0xFF, or a 32-bit field set to a boundary value; half the places fall into the first 64 bytes,
// where the headers are.
std::string Mutate(const std::string& good, uint64_t seed)
{
    TestRandom random(seed);
    std::string bytes = good;
    int places = 1 + random.Below(4);
    static const uint32_t boundaries[] = {0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFF, 0x10000, 0x7FFF};
    for (int i = 0; i < places; ++i) {
        size_t span = random.Below(2) ? std::min<size_t>(64, bytes.size()) : bytes.size();
        size_t at = random.Below((uint32_t)span);
        switch (random.Below(5)) {
        case 0: bytes[at] = (char)random.Below(256); break;
        case 1: bytes[at] ^= (char)(1 << random.Below(8)); break;
        case 2: bytes[at] = 0; break;
        case 3: bytes[at] = (char)0xFF; break;
        default: {
            uint32_t v = boundaries[random.Below(8)];
            for (int k = 0; k < 4 && at + k < bytes.size(); ++k)
                bytes[at + k] = (char)(v >> (8 * (random.Below(2) ? k : 3 - k)));
            break;
        }
        }
    }
    return bytes;
}

struct Tally {
    int loaded = 0;
    int refused = 0;
    void Count(BOOL ok) { ok ? ++loaded : ++refused; }
};

enum Format { kBmp, kPng };

BOOL LoadFromMemory(TxBitmapEx& picture, Format format, const std::string& bytes)
{
    GuardedBytes guarded(bytes);
    return format == kBmp ? picture.LoadBmpData(guarded.data(), guarded.size())
                          : picture.LoadPngData(guarded.data(), guarded.size());
}

BOOL LoadFromFile(TxBitmapEx& picture, const std::string& name, const std::string& bytes)
{
    std::string path = Dir() + "/" + name;
    FILE* file = _wfopen(WindowsPathW(path).c_str(), L"wb");
    if (!file) {
        ADD_FAILURE() << "cannot write " << path;
        return FALSE;
    }
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
    return picture.Load(WindowsPathW(path).c_str());
}

// Every prefix of good, then kMutationsPerFile corruptions; memory-level for BMP and PNG with
// every tenth case also loaded from a file, file-level only for JPEG.
void RunCases(const char* label, const std::string& good, const std::string& extension, int formatOrJpeg,
         uint64_t firstSeed)
{
    ASSERT_GT(good.size(), 100u) << label;
    bool jpeg = formatOrJpeg < 0;
    Format format = (Format)(jpeg ? 0 : formatOrJpeg);
    std::string name = std::string("case") + extension;
    {
        TxBitmapEx picture;
        ASSERT_TRUE(jpeg ? LoadFromFile(picture, name, good) : LoadFromMemory(picture, format, good)) << label;
    }
    Tally tally;
    TxBitmapEx picture;  // one picture for all cases: every load must release the last one
    for (size_t length = 0; length < good.size(); ++length) {
        std::string cut = good.substr(0, length);
        BOOL ok = jpeg ? LoadFromFile(picture, name, cut) : LoadFromMemory(picture, format, cut);
        ASSERT_TRUE(PictureIsConsistent(picture, ok)) << label << " cut at " << length;
        tally.Count(ok);
        if (!jpeg && length % 10 == 0) {
            ok = LoadFromFile(picture, name, cut);
            ASSERT_TRUE(PictureIsConsistent(picture, ok)) << label << " file cut at " << length;
        }
    }
    for (int i = 0; i < kMutationsPerFile; ++i) {
        uint64_t seed = firstSeed + i;
        std::string bytes = Mutate(good, seed);
        BOOL ok = jpeg ? LoadFromFile(picture, name, bytes) : LoadFromMemory(picture, format, bytes);
        ASSERT_TRUE(PictureIsConsistent(picture, ok)) << label << " mutation seed " << seed;
        tally.Count(ok);
        if (!jpeg && i % 10 == 0) {
            ok = LoadFromFile(picture, name, bytes);
            ASSERT_TRUE(PictureIsConsistent(picture, ok)) << label << " file, mutation seed " << seed;
        }
    }
    printf("%s: %zu bytes, %d loads gave a picture, %d were refused\n", label, good.size(), tally.loaded,
           tally.refused);
}

} // namespace

TEST(PictureMutation, DamagedBmpFilesFailCleanly)
{
    RunCases("bmp 8-bit", Good("m8.bmp", "-colors 200 -type palette -compress none", "BMP3:"), ".bmp", kBmp, 10000);
    RunCases("bmp 24-bit", Good("m24.bmp", "-alpha off -type truecolor", "BMP3:"), ".bmp", kBmp, 20000);
    RunCases("bmp 32-bit", Good("m32.bmp", "-type truecolormatte", "BMP:"), ".bmp", kBmp, 30000);
    RunCases("bmp 1-bit", Good("m1.bmp", "-monochrome", "BMP3:"), ".bmp", kBmp, 40000);
}

TEST(PictureMutation, DamagedPngFilesFailCleanly)
{
    RunCases("png rgba 8", Good("m.png", "-define png:color-type=6"), ".png", kPng, 50000);
    RunCases("png palette 4", Good("p4.png", "-colors 16 +dither -define png:color-type=3 -define png:bit-depth=4 "
                                        "-define png:exclude-chunks=bKGD"), ".png", kPng, 60000);
    RunCases("png grey 16", Good("g16.png", "-colorspace gray -depth 16 -define png:color-type=0 -define png:bit-depth=16"),
        ".png", kPng, 70000);
    RunCases("png rgb 8", Good("rgb.png", "-alpha off -define png:color-type=2"), ".png", kPng, 80000);
}

TEST(PictureMutation, DamagedJpegFilesFailCleanly)
{
    RunCases("jpeg baseline", Good("m.jpg", "-alpha off -quality 80"), ".jpg", -1, 90000);
    RunCases("jpeg progressive", Good("p.jpg", "-alpha off -quality 80 -interlace JPEG"), ".jpg", -1, 100000);
    RunCases("jpeg grey", Good("g.jpg", "-alpha off -colorspace gray"), ".jpg", -1, 110000);
}
