#include "app/bitmap_ex.h"
#include "app/png_decoder.h"
#include "tests/app/picture_test_support.h"
#include "tests/support/host.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <stdio.h>
#include <string>

namespace {

const int kWidth = 37;  // odd, so rows carry padding
const int kHeight = 23;

// The folder of this run's fixtures, with the source pictures made once: src.png (a seeded RGB
// pattern) and srca.png (the same with varying alpha, zero included).
std::string Fixtures()
{
    static std::string dir;
    if (!dir.empty())
        return dir;
    dir = NewTempDir("pictures");
    TestRandom random(1);
    std::string rgb, rgba;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            char pixel[3] = {(char)(x * 7 + random.Below(40)), (char)(y * 11), (char)random.Below(256)};
            rgb.append(pixel, 3);
            rgba.append(pixel, 3);
            rgba += (char)((y * kWidth + x) * 13);
        }
    }
    WriteHostFile(dir + "/src.rgb", rgb);
    WriteHostFile(dir + "/src.rgba", rgba);
    std::string size = "-size " + std::to_string(kWidth) + "x" + std::to_string(kHeight) + " -depth 8 ";
    EXPECT_EQ(Convert(size + ShellQuote("rgb:" + dir + "/src.rgb") + " " + ShellQuote(dir + "/src.png")), "");
    EXPECT_EQ(Convert(size + ShellQuote("rgba:" + dir + "/src.rgba") + " " + ShellQuote(dir + "/srca.png")), "");
    return dir;
}

// Makes dir/name with ImageMagick from a source picture and the given options.
std::string Make(const std::string& name, const std::string& source, const std::string& options)
{
    std::string path = Fixtures() + "/" + name;
    EXPECT_EQ(Convert(ShellQuote(Fixtures() + "/" + source) + " " + options + " " + ShellQuote(path)), "");
    return path;
}

std::string Bytes(const std::string& path) { return ReadHostFile(path); }

std::string Write(const std::string& name, const std::string& bytes)
{
    std::string path = Fixtures() + "/" + name;
    EXPECT_TRUE(WriteHostFile(path, bytes));
    return path;
}

BOOL LoadFile(TxBitmapEx& picture, const std::string& unixPath)
{
    return picture.Load(WindowsPathW(unixPath).c_str());
}

// Loads path and compares its pixels with ImageMagick's decode of the same file.
void ExpectMatchesReference(const std::string& path, int bitCount, int tolerance = 0)
{
    TxBitmapEx picture;
    ASSERT_TRUE(LoadFile(picture, path)) << path;
    EXPECT_EQ(picture.width, kWidth) << path;
    EXPECT_EQ(picture.height, kHeight) << path;
    EXPECT_EQ(SectionBitCount(picture), bitCount) << path;
    EXPECT_LE(MaxDifference(LoadedPixels(picture), ReferencePixels(path)), tolerance) << path;
}

std::string Le32(uint32_t v) { return std::string{(char)v, (char)(v >> 8), (char)(v >> 16), (char)(v >> 24)}; }
uint32_t GetLe32(const std::string& s, size_t at)
{
    return (uint8_t)s[at] | ((uint8_t)s[at + 1] << 8) | ((uint8_t)s[at + 2] << 16) | ((uint32_t)(uint8_t)s[at + 3] << 24);
}

// The same BMP stored top-down: height negated, rows reversed.
std::string TopDown(const std::string& bmp)
{
    uint32_t offset = GetLe32(bmp, 10);
    int32_t height = (int32_t)GetLe32(bmp, 22);
    uint32_t width = GetLe32(bmp, 18);
    int bits = (uint8_t)bmp[28] | ((uint8_t)bmp[29] << 8);
    size_t stride = ((width * bits + 31) / 32) * 4;
    std::string out = bmp.substr(0, offset);
    out.replace(22, 4, Le32((uint32_t)-height));
    for (int y = height - 1; y >= 0; --y)
        out += bmp.substr(offset + y * stride, stride);
    return out + bmp.substr(offset + height * stride);
}

// Random raw rows for a PNG of the given form, with runs so the filters matter.
std::vector<std::string> RawRows(uint32_t width, uint32_t height, int depth, int channels, uint64_t seed)
{
    TestRandom random(seed);
    size_t n = (width * depth * channels + 7) / 8;
    std::vector<std::string> rows;
    for (uint32_t y = 0; y < height; ++y) {
        std::string row(n, '\0');
        for (size_t x = 0; x < n; ++x)
            row[x] = (char)(random.Below(4) == 0 ? random.Below(256) : (x * 3 + y * 5) & 0xFF);
        rows.push_back(row);
    }
    return rows;
}

PngSpec Png(uint32_t width, uint32_t height, int depth, int colourType, std::vector<std::string> rows,
            std::vector<int> filters)
{
    PngSpec spec;
    spec.width = width;
    spec.height = height;
    spec.depth = depth;
    spec.colourType = colourType;
    spec.rows = rows;
    spec.filters = filters;
    return spec;
}

} // namespace

// ImageMagick writes each colour type and bit depth; the loaded pixels equal its own decode.
TEST(TxBitmapEx, PngOfEveryColourTypeAndDepthMatchesImageMagick)
{
    const std::string noBackground = " -define png:exclude-chunks=bKGD";
    struct Case {
        const char* name;
        const char* source;
        std::string options;
        int colourType;
        int depth;
        int bitCount;
    } cases[] = {
        {"g1.png", "src.png", "-colorspace gray -threshold 50% -define png:color-type=0 -define png:bit-depth=1", 0, 1, 1},
        {"g4.png", "src.png", "-colorspace gray -depth 4 -define png:color-type=0 -define png:bit-depth=4", 0, 4, 4},
        {"g8.png", "src.png", "-colorspace gray -define png:color-type=0 -define png:bit-depth=8", 0, 8, 8},
        {"g16.png", "src.png", "-colorspace gray -depth 16 -evaluate multiply 1.001 -define png:color-type=0 -define png:bit-depth=16", 0, 16, 8},
        {"rgb8.png", "src.png", "-define png:color-type=2 -define png:bit-depth=8", 2, 8, 24},
        {"rgb16.png", "src.png", "-depth 16 -evaluate multiply 0.999 -define png:color-type=2 -define png:bit-depth=16", 2, 16, 24},
        {"p1.png", "src.png", "-colors 2 -define png:color-type=3 -define png:bit-depth=1" + noBackground, 3, 1, 1},
        {"p4.png", "src.png", "-colors 16 +dither -define png:color-type=3 -define png:bit-depth=4" + noBackground, 3, 4, 4},
        {"p8.png", "src.png", "-colors 200 -define png:color-type=3 -define png:bit-depth=8", 3, 8, 8},
        {"ga8.png", "srca.png", "-colorspace gray -define png:color-type=4 -define png:bit-depth=8", 4, 8, 8},
        {"ga16.png", "srca.png", "-colorspace gray -depth 16 -evaluate multiply 0.999 -define png:color-type=4 -define png:bit-depth=16", 4, 16, 8},
        {"rgba8.png", "srca.png", "-define png:color-type=6 -define png:bit-depth=8", 6, 8, 24},
        {"rgba16.png", "srca.png", "-depth 16 -evaluate multiply 0.999 -define png:color-type=6 -define png:bit-depth=16", 6, 16, 24},
    };
    for (const Case& c : cases) {
        std::string path = Make(c.name, c.source, c.options);
        std::string bytes = Bytes(path);
        ASSERT_GE(bytes.size(), 29u) << c.name;
        EXPECT_EQ((uint8_t)bytes[25], c.colourType) << c.name << ": ImageMagick chose another form";
        EXPECT_EQ((uint8_t)bytes[24], c.depth) << c.name << ": ImageMagick chose another form";
        ExpectMatchesReference(path, c.bitCount);
    }
}

// Files written here so that every filter type opens a picture (the first row, whose row above
// counts as zeros) and follows every other, for sub-byte, 8-bit and 16-bit samples.
TEST(TxBitmapEx, PngRowFiltersOfEveryKindDecodeLikeImageMagick)
{
    struct Form {
        int colourType;
        int depth;
        int bitCount;
    } forms[] = {{0, 1, 1}, {0, 4, 4}, {0, 8, 8}, {0, 16, 8}, {2, 8, 24}, {2, 16, 24},
                 {3, 4, 4}, {3, 8, 8}, {4, 8, 8}, {4, 16, 8}, {6, 8, 24}, {6, 16, 24}};
    for (const Form& f : forms) {
        for (int first = 0; first < 5; ++first) {
            PngSpec spec;
            spec.width = kWidth;
            spec.height = kHeight;
            spec.depth = f.depth;
            spec.colourType = f.colourType;
            int channels = f.colourType == 2 ? 3 : f.colourType == 4 ? 2 : f.colourType == 6 ? 4 : 1;
            spec.rows = RawRows(kWidth, kHeight, f.depth, channels, 100 + first);
            for (int k = 0; k < 5; ++k)
                spec.filters.push_back((first + k) % 5);
            if (f.colourType == 3) {
                std::string palette;
                TestRandom random(7);
                for (int i = 0; i < (1 << f.depth); ++i)
                    for (int j = 0; j < 3; ++j)
                        palette += (char)random.Below(256);
                spec.beforeImage = PngChunk("PLTE", palette);
            }
            spec.idatPieces = 3;
            std::string name = "filter-" + std::to_string(f.colourType) + "-" + std::to_string(f.depth) +
                               "-" + std::to_string(first) + ".png";
            ExpectMatchesReference(Write(name, MakePng(spec)), f.bitCount);
        }
    }
}

// Transparency, gamma, text and a suggested palette of an RGB picture change nothing.
TEST(TxBitmapEx, PngAncillaryChunksAreIgnored)
{
    PngSpec spec = Png(kWidth, kHeight, 8, 2, RawRows(kWidth, kHeight, 8, 3, 5), {4, 1, 2, 3, 0});
    std::string plain = Write("plain.png", MakePng(spec));
    spec.beforeImage = PngChunk("gAMA", Le32(45455)) + PngChunk("tEXt", std::string("Comment\0hi", 10)) +
                       PngChunk("PLTE", std::string(3 * 40, '\x55')) + PngChunk("tRNS", "\x01\x02\x03\x04\x05\x06");
    std::string extra = Write("extra.png", MakePng(spec));
    TxBitmapEx a, b;
    ASSERT_TRUE(LoadFile(a, plain));
    ASSERT_TRUE(LoadFile(b, extra));
    EXPECT_EQ(LoadedPixels(a), LoadedPixels(b));
    EXPECT_EQ(LoadedPixels(b), ReferencePixels(extra));
}

TEST(TxBitmapEx, PngDefaultTablesAndSixteenBitHighBytes)
{
    // 1-bit grey: black and white; 4-bit grey: the ramp 0, 17, ... 255.
    PngSpec one = Png(16, 1, 1, 0, {std::string("\xA5\x0F", 2)}, {0});
    TxBitmapEx picture;
    ASSERT_TRUE(LoadFile(picture, Write("one.png", MakePng(one))));
    Rgb px = LoadedPixels(picture);
    const int ones[16] = {1, 0, 1, 0, 0, 1, 0, 1, 0, 0, 0, 0, 1, 1, 1, 1};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(px[3 * i], ones[i] ? 255 : 0) << i;
    PngSpec ramp = Png(16, 1, 4, 0, {std::string("\x01\x23\x45\x67\x89\xAB\xCD\xEF", 8)}, {0});
    ASSERT_TRUE(LoadFile(picture, Write("ramp.png", MakePng(ramp))));
    px = LoadedPixels(picture);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(px[3 * i + 1], 17 * i) << i;
    PngSpec grey16 = Png(2, 1, 16, 0, {std::string("\xFF\xFF\x80\x00", 4)}, {0});
    ASSERT_TRUE(LoadFile(picture, Write("grey16.png", MakePng(grey16))));
    px = LoadedPixels(picture);
    EXPECT_EQ(px[0], 255);
    EXPECT_EQ(px[3], 128);
}

// A palette longer than the table fills the table and no more; the image data is still read.
TEST(TxBitmapEx, PngPaletteLongerThanTheTableFillsTheTable)
{
    PngSpec spec = Png(16, 1, 4, 3, {std::string("\x01\x23\x45\x67\x89\xAB\xCD\xEF", 8)}, {0});
    std::string palette;
    for (int i = 0; i < 20; ++i)
        palette += std::string{(char)(10 * i), (char)(255 - 10 * i), (char)(i * 3)};
    spec.beforeImage = PngChunk("PLTE", palette);
    TxBitmapEx picture;
    ASSERT_TRUE(LoadFile(picture, Write("longpalette.png", MakePng(spec))));
    EXPECT_EQ(SectionBitCount(picture), 4);
    Rgb px = LoadedPixels(picture);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(px[3 * i], 10 * i) << i;
        EXPECT_EQ(px[3 * i + 1], 255 - 10 * i) << i;
        EXPECT_EQ(px[3 * i + 2], 3 * i) << i;
    }
}

TEST(TxBitmapEx, PngKeyColourIsTheTopLeftPixel)
{
    PngSpec spec = Png(3, 2, 8, 2, {std::string("\x10\x20\x30\x40\x50\x60\x70\x80\x90", 9), std::string(9, '\x11')}, {0});
    TxBitmapEx picture;
    ASSERT_TRUE(LoadFile(picture, Write("key.png", MakePng(spec))));
    EXPECT_EQ(picture.width, 3);
    EXPECT_EQ(picture.height, 2);
    EXPECT_EQ(SectionBitCount(picture), 24);
    EXPECT_EQ(GetKeyColor(&picture), RGB(0x10, 0x20, 0x30));
}

TEST(TxBitmapEx, PngFormsThatAreNotLoaded)
{
    TxBitmapEx picture;
    // Depth 2 (no section form), interlaced, no IEND, a header of an impossible form.
    EXPECT_FALSE(LoadFile(picture, Make("g2.png", "src.png", "-colorspace gray -depth 2 -define png:color-type=0 -define png:bit-depth=2")));
    EXPECT_FALSE(LoadFile(picture, Make("interlaced.png", "src.png", "-interlace PNG")));
    PngSpec spec = Png(kWidth, kHeight, 8, 2, RawRows(kWidth, kHeight, 8, 3, 9), {1});
    spec.end = false;
    EXPECT_FALSE(LoadFile(picture, Write("noend.png", MakePng(spec))));
    spec.end = true;
    spec.depth = 4;  // RGB has no 4-bit form
    EXPECT_FALSE(LoadFile(picture, Write("rgb4.png", MakePng(spec))));
    EXPECT_TRUE(PictureIsConsistent(picture, FALSE));
}

TEST(TxBitmapEx, PngWithDamagedImageDataKeepsTheRowsItHas)
{
    PngSpec spec = Png(kWidth, kHeight, 8, 0, RawRows(kWidth, kHeight, 8, 1, 11), {0});
    std::string png = MakePng(spec);
    std::string good = Write("whole.png", png);
    // Cut the image data in half and keep the IEND: the lower rows stay zero.
    size_t idat = png.find("IDAT") - 4;
    uint32_t length = ((uint8_t)png[idat] << 24) | ((uint8_t)png[idat + 1] << 16) | ((uint8_t)png[idat + 2] << 8) | (uint8_t)png[idat + 3];
    std::string data = png.substr(idat + 8, length / 2);
    std::string cut = png.substr(0, idat) + PngChunk("IDAT", data) + PngChunk("IEND", "");
    TxBitmapEx whole, partial;
    ASSERT_TRUE(LoadFile(whole, good));
    ASSERT_TRUE(LoadFile(partial, Write("cut.png", cut)));
    Rgb a = LoadedPixels(whole), b = LoadedPixels(partial);
    ASSERT_EQ(a.size(), b.size());
    EXPECT_EQ(std::vector<uint8_t>(a.begin(), a.begin() + 3 * kWidth), std::vector<uint8_t>(b.begin(), b.begin() + 3 * kWidth));
    EXPECT_EQ(std::vector<uint8_t>(b.end() - 3 * kWidth, b.end()), std::vector<uint8_t>(3 * kWidth, 0));
}

TEST(TxBitmapEx, JpegBaselineProgressiveAndGreyMatchImageMagick)
{
    struct Case {
        const char* name;
        const char* options;
        int bitCount;
    } cases[] = {
        {"base.jpg", "-quality 85", 24},
        {"base444.jpg", "-quality 95 -sampling-factor 1x1", 24},
        {"progressive.jpg", "-quality 80 -interlace JPEG", 24},
        {"grey.jpg", "-colorspace gray -quality 90", 8},
        {"greyprog.jpg", "-colorspace gray -interlace JPEG", 8},
    };
    for (const Case& c : cases)
        ExpectMatchesReference(Make(c.name, "src.png", c.options), c.bitCount);

    // Bottom-up rows: the first pixel in memory is the bottom-left one, blue first.
    std::string path = Fixtures() + "/base.jpg";
    TxBitmapEx picture;
    ASSERT_TRUE(LoadFile(picture, path));
    Rgb reference = ReferencePixels(path);
    const uint8_t* bits = (const uint8_t*)picture.bits;
    size_t bottomLeft = 3 * (size_t)kWidth * (kHeight - 1);
    EXPECT_EQ(bits[0], reference[bottomLeft + 2]);
    EXPECT_EQ(bits[2], reference[bottomLeft]);
    EXPECT_GT(SectionHeight(picture), 0);
}

TEST(TxBitmapEx, JpegThatCannotBeShownFailsCleanly)
{
    TxBitmapEx picture;
    EXPECT_FALSE(LoadFile(picture, Make("cmyk.jpg", "src.png", "-colorspace CMYK")));
    EXPECT_FALSE(LoadFile(picture, Write("text.jpg", "this is not a picture")));
    EXPECT_FALSE(LoadFile(picture, Write("empty.jpg", "")));
    EXPECT_FALSE(LoadFile(picture, Fixtures() + "/absent.jpg"));
    std::string png = Bytes(Fixtures() + "/src.png");
    EXPECT_FALSE(LoadFile(picture, Write("png.jpg", png)));
    EXPECT_TRUE(PictureIsConsistent(picture, FALSE));
    // A JPEG cut short loads with the library's warning: the rest of the picture is grey.
    std::string jpeg = Bytes(Fixtures() + "/base.jpg");
    EXPECT_TRUE(LoadFile(picture, Write("short.jpg", jpeg.substr(0, jpeg.size() * 2 / 3))));
}

TEST(TxBitmapEx, BmpOfEveryBitCountTopDownAndBottomUpMatchImageMagick)
{
    struct Case {
        const char* name;
        const char* tool;  // "im" or "ffmpeg"
        const char* options;
        int bitCount;
    } cases[] = {
        {"b1.bmp", "im", "-monochrome BMP3:", 1},
        {"b4.bmp", "im", "-colors 16 -compress none BMP3:", 4},
        {"b8.bmp", "im", "-colors 200 -type palette -compress none BMP3:", 8},
        {"b24.bmp", "im", "-type truecolor BMP3:", 24},
        {"b32.bmp", "im", "-alpha set -type truecolormatte BMP:", 32},
        {"f1.bmp", "ffmpeg", "-pix_fmt monob", 1},
        {"f8.bmp", "ffmpeg", "-pix_fmt pal8", 8},
        {"f24.bmp", "ffmpeg", "-pix_fmt bgr24", 24},
        {"f32.bmp", "ffmpeg", "-pix_fmt bgra", 32},
    };
    for (const Case& c : cases) {
        std::string path = Fixtures() + "/" + c.name;
        std::string source = ShellQuote(Fixtures() + "/src.png");
        if (std::string(c.tool) == "im") {
            // The options end in the output format, which prefixes the output path.
            std::string options = c.options;
            size_t format = options.rfind(' ') + 1;
            ASSERT_EQ(Convert(source + " " + options.substr(0, format) + ShellQuote(options.substr(format) + path)), "");
        } else {
            HostResult r = RunHost("ffmpeg -v error -y -i " + source + " " + c.options + " " + ShellQuote(path));
            ASSERT_EQ(r.exitCode, 0) << r.output;
        }
        std::string bytes = Bytes(path);
        ASSERT_GT(GetLe32(bytes, 22), 0u) << c.name << " is not bottom-up";
        ASSERT_EQ(bytes[28], (char)c.bitCount) << c.name;
        std::string topDown = Write(std::string("td-") + c.name, TopDown(bytes));
        ExpectMatchesReference(path, c.bitCount);
        ExpectMatchesReference(topDown, c.bitCount);
        TxBitmapEx up, down;
        ASSERT_TRUE(LoadFile(up, path));
        ASSERT_TRUE(LoadFile(down, topDown));
        // Each section holds the file's rows in the file's own order.
        uint32_t offset = GetLe32(bytes, 10);
        size_t image = bytes.size() - offset;
        std::string topDownBytes = Bytes(topDown);
        EXPECT_EQ(std::string((const char*)up.bits, image), bytes.substr(offset)) << c.name;
        EXPECT_EQ(std::string((const char*)down.bits, image), topDownBytes.substr(offset)) << c.name;
        EXPECT_EQ(down.height, kHeight);
        EXPECT_EQ(LoadedPixels(up), LoadedPixels(down)) << c.name;
    }
}

TEST(TxBitmapEx, BmpThatCannotBeShownFailsCleanly)
{
    std::string bmp = Bytes(Fixtures() + "/b24.bmp");
    ASSERT_FALSE(bmp.empty());
    TxBitmapEx picture;
    ASSERT_TRUE(LoadFile(picture, Fixtures() + "/b24.bmp"));
    // Cut short in its pixel data: nothing left behind.
    EXPECT_FALSE(LoadFile(picture, Write("short.bmp", bmp.substr(0, bmp.size() - 1))));
    EXPECT_TRUE(PictureIsConsistent(picture, FALSE));
    EXPECT_FALSE(LoadFile(picture, Write("header.bmp", bmp.substr(0, 54))));
    EXPECT_FALSE(LoadFile(picture, Write("tiny.bmp", "BM")));
    EXPECT_FALSE(LoadFile(picture, Write("notbm.bmp", "XX" + bmp.substr(2))));
    EXPECT_FALSE(LoadFile(picture, Make("rle.bmp", "src.png", "-colors 200 -type palette -compress RLE")));
    std::string offset = bmp;
    offset.replace(10, 4, Le32(0xFFFFFFF0));
    EXPECT_FALSE(LoadFile(picture, Write("offset.bmp", offset)));
    EXPECT_TRUE(PictureIsConsistent(picture, FALSE));
}

TEST(TxBitmapEx, AbsurdSizesAreRefusedWithoutHugeAllocations)
{
    TxBitmapEx picture;
    std::string bmp = Bytes(Fixtures() + "/b24.bmp");
    struct BmpCase {
        uint32_t width;
        uint32_t height;
    } bmpCases[] = {{1000000000, 1}, {0x7FFFFFFF, 0x7FFFFFFF}, {40000, 0x80000000}, {0, 23}, {37, 0}, {0xFFFFFFFF, 23}};
    for (const BmpCase& c : bmpCases) {
        std::string b = bmp;
        b.replace(18, 4, Le32(c.width));
        b.replace(22, 4, Le32(c.height));
        EXPECT_FALSE(LoadFile(picture, Write("huge.bmp", b))) << c.width << "x" << c.height;
    }
    struct PngCase {
        uint32_t width;
        uint32_t height;
    } pngCases[] = {{0x7FFFFFFF, 1}, {65535, 65535}, {0x80000000, 1}, {1, 0xFFFFFFFF}, {0, 5}, {5, 0}};
    for (const PngCase& c : pngCases) {
        PngSpec spec = Png(c.width, c.height, 8, 6, RawRows(4, 4, 8, 4, 1), {0});
        EXPECT_FALSE(LoadFile(picture, Write("huge.png", MakePng(spec)))) << c.width << "x" << c.height;
    }
    // A JPEG whose frame header claims 65500 x 65500.
    std::string jpeg = Bytes(Fixtures() + "/progressive.jpg");
    for (size_t i = 0; i + 8 < jpeg.size(); ++i) {
        if ((uint8_t)jpeg[i] == 0xFF && ((uint8_t)jpeg[i + 1] == 0xC0 || (uint8_t)jpeg[i + 1] == 0xC2)) {
            jpeg[i + 5] = jpeg[i + 7] = (char)0xFF;
            jpeg[i + 6] = jpeg[i + 8] = (char)0xDC;
            break;
        }
    }
    EXPECT_FALSE(LoadFile(picture, Write("huge.jpg", jpeg)));
    EXPECT_TRUE(PictureIsConsistent(picture, FALSE));
}

TEST(TxBitmapEx, LoadChoosesTheDecoderByTheExtension)
{
    std::string png = Bytes(Fixtures() + "/rgb8.png");
    std::string jpeg = Bytes(Fixtures() + "/base.jpg");
    std::string bmp = Bytes(Fixtures() + "/b24.bmp");
    ASSERT_FALSE(png.empty() || jpeg.empty() || bmp.empty());
    // Load takes the last dot anywhere in the path, and the build folder's path may hold dots:
    // the names are tried on drive C: of the Wine prefix, in a folder named here.
    const std::wstring folder = L"C:\\picture-names";
    CreateDirectoryW(folder.c_str(), NULL);
    CreateDirectoryW((folder + L"\\my.pics").c_str(), NULL);
    struct Case {
        std::string name;
        const std::string& bytes;
        bool loads;
    } cases[] = {
        {"logo.JPG", jpeg, true},  {"logo.jpeg", jpeg, true}, {"logo.JFIF", jpeg, true},
        {"logo.jpe", jpeg, true},  {"logo.PNG", png, true},   {"logo", bmp, true},
        {"logo.tiff", bmp, true},  {"my.pics/logo", bmp, true}, {"logo.jpg.bmp", bmp, true},
        {"logo.png", bmp, false},  {"logo.jpg", bmp, false},  {"logo.bmp", png, false},
        {"logo.pngx", png, false},
    };
    for (const Case& c : cases) {
        std::wstring path = folder + L"\\";
        for (char ch : c.name)
            path += ch == '/' ? L'\\' : (wchar_t)ch;
        FILE* file = _wfopen(path.c_str(), L"wb");
        ASSERT_TRUE(file) << c.name;
        ASSERT_EQ(fwrite(c.bytes.data(), 1, c.bytes.size(), file), c.bytes.size()) << c.name;
        ASSERT_EQ(fclose(file), 0) << c.name;
        TxBitmapEx picture;
        BOOL loaded = picture.Load(path.c_str());
        EXPECT_EQ(loaded != FALSE, c.loads) << c.name;
        EXPECT_TRUE(PictureIsConsistent(picture, loaded)) << c.name;
    }
    EXPECT_FALSE(TxBitmapEx().Load(nullptr));
}

TEST(TxBitmapEx, GifIsRefusedAtOnceAndKeepsThePicture)
{
    std::string gif = Make("logo.gif", "src.png", "");
    TxBitmapEx picture;
    ASSERT_TRUE(LoadFile(picture, Fixtures() + "/rgb8.png"));
    HBITMAP before = picture.bitmap;
    Rgb pixels = LoadedPixels(picture);
    EXPECT_FALSE(LoadFile(picture, gif));
    EXPECT_FALSE(LoadFile(picture, Fixtures() + "/missing.GIF"));
    EXPECT_EQ(picture.bitmap, before);
    EXPECT_EQ(picture.width, kWidth);
    EXPECT_EQ(LoadedPixels(picture), pixels);
    // Any other failed load clears it.
    EXPECT_FALSE(LoadFile(picture, Fixtures() + "/missing.png"));
    EXPECT_TRUE(PictureIsConsistent(picture, FALSE));
}

TEST(TxBitmapEx, NormalizeKeyColorSnapsNearPixelsOntoTheKey)
{
    struct Case {
        uint8_t r, g, b;
        bool snapped;
    } cases[] = {
        {209, 91, 59, true}, {210, 100, 50, false}, {200, 100, 50, true}, {191, 109, 41, true},
        {190, 100, 50, false}, {200, 110, 50, false}, {200, 100, 60, false}, {0, 0, 0, false},
    };
    const int n = sizeof(cases) / sizeof(cases[0]);
    PngSpec spec = Png((uint32_t)n + 1, 1, 8, 2, {std::string("\xC8\x64\x32", 3)}, {0});
    for (const Case& c : cases) {
        spec.rows[0] += (char)c.r;
        spec.rows[0] += (char)c.g;
        spec.rows[0] += (char)c.b;
    }
    TxBitmapEx picture;
    ASSERT_TRUE(LoadFile(picture, Write("near.png", MakePng(spec))));
    EXPECT_EQ(NormalizeKeyColor(&picture), RGB(200, 100, 50));
    Rgb px = LoadedPixels(picture);
    for (int i = 0; i < n; ++i) {
        const Case& c = cases[i];
        uint8_t want[3] = {c.snapped ? (uint8_t)200 : c.r, c.snapped ? (uint8_t)100 : c.g, c.snapped ? (uint8_t)50 : c.b};
        EXPECT_EQ(px[3 * (i + 1)], want[0]) << i;
        EXPECT_EQ(px[3 * (i + 1) + 1], want[1]) << i;
        EXPECT_EQ(px[3 * (i + 1) + 2], want[2]) << i;
    }
    TxBitmapEx empty;
    EXPECT_EQ(GetKeyColor(&empty), 0u);
    EXPECT_EQ(NormalizeKeyColor(&empty), 0u);
}

TEST(TxBitmapEx, CopyRowsKeepsOrReversesTheRows)
{
    PngSpec spec = Png(5, 3, 8, 0, {"abcde", "fghij", "klmno"}, {0});
    TxBitmapEx picture;
    ASSERT_TRUE(LoadFile(picture, Write("rows.png", MakePng(spec))));
    const char source[] = "AAAA____BBBB____CCCC____";  // stride 8 for five 8-bit pixels
    char same[25] = {}, reversed[25] = {};
    picture.CopyRows(same, source, 8, true);
    picture.CopyRows(reversed, source, 8, false);
    EXPECT_EQ(std::string(same, 24), "AAAA____BBBB____CCCC____");
    EXPECT_EQ(std::string(reversed, 24), "CCCC____BBBB____AAAA____");
}

TEST(PngUnfilterRow, UsesZerosLeftOfTheRowAndTheFilterUnitOfTheForm)
{
    PngHeader rgb16 = {1, 1, 16, 2, 0, 0, 0};  // 6-byte filter unit
    BYTE previous[1 + 12] = {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
    struct Case {
        int filter;
        BYTE expected[12];
    } cases[] = {
        {0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        {1, {1, 2, 3, 4, 5, 6, 8, 10, 12, 14, 16, 18}},
        {2, {11, 22, 33, 44, 55, 66, 77, 88, 99, 110, 121, 132}},
        {3, {6, 12, 18, 24, 30, 36, 45, 54, 63, 72, 81, 90}},
        {4, {11, 22, 33, 44, 55, 66, 77, 88, 99, 110, 121, 132}},
        {9, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
    };
    for (const Case& c : cases) {
        BYTE row[13] = {(BYTE)c.filter, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
        PngUnfilterRow(rgb16, row, 12, previous);
        EXPECT_EQ(std::vector<BYTE>(row + 1, row + 13), std::vector<BYTE>(c.expected, c.expected + 12)) << c.filter;
    }
    EXPECT_EQ(PngChannelCount(0), 1);
    EXPECT_EQ(PngChannelCount(2), 3);
    EXPECT_EQ(PngChannelCount(3), 1);
    EXPECT_EQ(PngChannelCount(4), 2);
    EXPECT_EQ(PngChannelCount(6), 4);
    EXPECT_EQ(PngChannelCount(7), 1);
}
