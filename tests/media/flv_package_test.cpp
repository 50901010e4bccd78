#include "media/flv_package.h"

#include <gtest/gtest.h>

#include "media/media_info.h"
#include "tests/media/memory_writer.h"

namespace {

typedef MemoryWriter<Flv_Package> FlvMemory;

const char* kZero = "00 00 00 00 00 00 00 00";

MediaInfo Info(uint8_t flags, const std::string& record = "")
{
    return TestInfo(flags, 1280, 720, record);
}

std::string Entry(const std::string& name, const char* value)
{
    return std::string(1, '\0') + char(name.size()) + name + '\0' + Unhex(value);
}

std::string Be32(uint32_t v)
{
    return std::string{char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

// Everything the writer has produced, its buffer flushed.
std::string Flushed(FlvMemory& flv)
{
    flv.Finish(NULL);
    return flv.bytes;
}

std::string Nal(uint8_t header, size_t len)
{
    std::string nal(len, '\x5A');
    nal[0] = char(header);
    return nal;
}

int Video(FlvMemory& flv, const std::string& nal, unsigned timeMs)
{
    std::string annexB = Unhex("00 00 00 01") + nal;
    return flv.WriteVideo(reinterpret_cast<const uint8_t*>(annexB.data()), unsigned(annexB.size()), 0, timeMs,
                          NULL);
}

int Audio(FlvMemory& flv, size_t len, unsigned timeMs = 0)
{
    std::string frame(len, '\x21');
    return flv.WriteAudio(reinterpret_cast<const uint8_t*>(frame.data()), unsigned(len), timeMs);
}

// Times of the tags of one type in a flushed file, in order, sequence headers left out.
std::vector<uint32_t> TagTimes(const std::string& file, uint8_t type)
{
    std::vector<uint32_t> times;
    size_t pos = 13;
    while (pos + 11 <= file.size()) {
        const unsigned char* t = reinterpret_cast<const unsigned char*>(file.data() + pos);
        uint32_t size = uint32_t(t[1]) << 16 | t[2] << 8 | t[3];
        uint32_t time = uint32_t(t[7]) << 24 | t[4] << 16 | t[5] << 8 | t[6];
        if (t[0] == type && t[12] != 0)
            times.push_back(time);
        pos += 11 + size + 4;
    }
    return times;
}

} // namespace

TEST(FlvPackage, OpenBuffersHeaderAndMetadataForEachStreamSet)
{
    std::string videoEntries = Entry("width", "40 94 00 00 00 00 00 00") + Entry("height", "40 86 80 00 00 00 00 00") +
                               Entry("videodatarate", kZero) + Entry("framerate", "40 2E 00 00 00 00 00 00") +
                               Entry("videocodecid", "40 1C 00 00 00 00 00 00");
    std::string audioEntries = Entry("audiodatarate", kZero) + Entry("audiosamplerate", "40 E5 88 80 00 00 00 00") +
                               Entry("audiosamplesize", "40 30 00 00 00 00 00 00") +
                               Entry("stereo", "3F F0 00 00 00 00 00 00") +
                               Entry("audiocodecid", "40 24 00 00 00 00 00 00");
    struct Case {
        uint8_t flags;
        const char* typeFlags;
        uint32_t dataSize;
        uint8_t entries;
    } cases[] = {{3, "05", 275, 12}, {2, "01", 159, 7}, {1, "04", 175, 7}, {0, "00", 59, 2}};
    for (const Case& c : cases) {
        FlvMemory flv;
        MediaInfo info = Info(c.flags);
        EXPECT_EQ(flv.Open(&info), 0);
        EXPECT_TRUE(flv.calls.empty()) << "nothing reaches the file at Open";

        std::string data = Unhex("02 00 0A") + "onMetaData" + Unhex("08") + Be32(c.entries) +
                           Entry("duration", kZero) + (c.flags & 2 ? videoEntries : "") +
                           (c.flags & 1 ? audioEntries : "") + Entry("filesize", kZero) + Unhex("00 00 09");
        ASSERT_EQ(data.size(), c.dataSize);
        std::string expected = Unhex("46 4C 56 01") + Unhex(c.typeFlags) + Unhex("00 00 00 09 00 00 00 00") +
                               Unhex("12") + Be32(c.dataSize).substr(1) + Unhex("00 00 00 00 00 00 00") + data +
                               Be32(c.dataSize + 11);
        std::string file = Flushed(flv);
        EXPECT_EQ(Hex(file.substr(0, expected.size())), Hex(expected)) << int(c.flags);
        // The duration's marker byte sits at offset 52, where the close patches it.
        EXPECT_EQ(file.substr(52 - 10, 10), Unhex("00 08") + "duration");
    }
}

TEST(FlvPackage, MetadataDescribesTheSound)
{
    struct Case {
        uint8_t channels;
        uint32_t rate;
        const char* stereo;
        const char* rateValue;
        const char* config;
    } cases[] = {
        {1, 48000, "00 00 00 00 00 00 00 00", "40 E7 70 00 00 00 00 00", "11 88"},
        {2, 8000, "3F F0 00 00 00 00 00 00", "40 BF 40 00 00 00 00 00", "15 90"},
    };
    for (const Case& c : cases) {
        FlvMemory flv;
        MediaInfo info = Info(1);
        info.channels = c.channels;
        info.sampleRate = c.rate;
        flv.Open(&info);
        std::string file = Flushed(flv);
        EXPECT_NE(file.find(Entry("stereo", c.stereo)), std::string::npos) << int(c.channels);
        EXPECT_NE(file.find(Entry("audiosamplerate", c.rateValue)), std::string::npos) << c.rate;
        EXPECT_EQ(Hex(file.substr(file.size() - 6, 2)), c.config) << "AudioSpecificConfig in the sequence header";
    }
}

TEST(FlvPackage, SequenceHeadersFollowTheMetadata)
{
    const std::string record = Unhex("01 42 C0 1E FF E1 00 04 67 42 C0 1E 01 00 02 68 CE");
    struct Case {
        uint8_t flags;
        std::string record;
        std::string tags;
    } cases[] = {
        {3, record,
         "09 00 00 16 00 00 00 00 00 00 00 17 00 00 00 00 " + Hex(record) +
             " 00 00 00 21 08 00 00 04 00 00 00 00 00 00 00 AF 00 12 10 00 00 00 0F"},
        {2, record, "09 00 00 16 00 00 00 00 00 00 00 17 00 00 00 00 " + Hex(record) + " 00 00 00 21"},
        {2, "", "09 00 00 05 00 00 00 00 00 00 00 17 00 00 00 00 00 00 00 10"},
        {1, record, "08 00 00 04 00 00 00 00 00 00 00 AF 00 12 10 00 00 00 0F"},
    };
    for (const Case& c : cases) {
        FlvMemory flv;
        MediaInfo info = Info(c.flags, c.record);
        flv.Open(&info);
        std::string file = Flushed(flv);
        uint32_t scriptSize = 13 + 11 + (c.flags == 3 ? 275 : c.flags == 2 ? 159 : 175) + 4;
        EXPECT_EQ(Hex(file.substr(scriptSize)), c.tags) << int(c.flags);
    }
}

TEST(FlvPackage, VideoTagsStartAtTheFirstKeyFrame)
{
    FlvMemory flv;
    MediaInfo info = Info(3);
    flv.Open(&info);
    size_t start = Flushed(flv).size();

    EXPECT_EQ(Video(flv, Nal(0x41, 9), 900), 0);
    EXPECT_EQ(Audio(flv, 5), 0);
    EXPECT_EQ(Flushed(flv).size(), start) << "frames before the key frame are dropped";

    EXPECT_EQ(Video(flv, Nal(0x65, 9), 1000), 0);
    EXPECT_EQ(Video(flv, Nal(0x41, 9), 1066), 0);
    std::string tags = Flushed(flv).substr(start);
    EXPECT_EQ(Hex(tags), "09 00 00 12 00 00 00 00 00 00 00 17 01 00 00 00 00 00 00 09 " + Hex(Nal(0x65, 9)) +
                             " 00 00 00 1D "
                             "09 00 00 12 00 00 42 00 00 00 00 27 01 00 00 00 00 00 00 09 " + Hex(Nal(0x41, 9)) +
                             " 00 00 00 1D");
}

TEST(FlvPackage, VideoFramesTakeEveryFormOfTheSameNalUnit)
{
    std::string nal = Nal(0x41, 9);
    struct Case {
        const char* name;
        std::string data;
        int lengthPrefixed;
    } cases[] = {
        {"start code", Unhex("00 00 00 01") + nal, 0},
        {"raw", nal, 0},
        {"length prefixed", Unhex("00 00 00 09") + nal, 1},
    };
    std::string expected = "09 00 00 12 00 00 64 00 00 00 00 27 01 00 00 00 00 00 00 09 " + Hex(nal) + " 00 00 00 1D";
    for (const Case& c : cases) {
        FlvMemory flv;
        MediaInfo info = Info(1); // no video: no key frame to wait for
        flv.Open(&info);
        size_t start = Flushed(flv).size();
        int kind = -1;
        EXPECT_EQ(flv.WriteVideo(reinterpret_cast<const uint8_t*>(c.data.data()), unsigned(c.data.size()),
                                 c.lengthPrefixed, 100, &kind),
                  0);
        EXPECT_EQ(kind, 0);
        EXPECT_EQ(Hex(Flushed(flv).substr(start)), expected) << c.name;
    }
}

TEST(FlvPackage, ClassifiesFramesByNalType)
{
    struct Case {
        uint8_t header;
        int kind;
        const char* frameByte;
    } cases[] = {{0x41, 0, "27"}, {0x01, 0, "27"}, {0x65, 1, "17"}, {0x06, 1, "17"}, {0x67, 2, "17"},
                 {0x68, 2, "17"}, {0x69, 0, "27"}};
    for (const Case& c : cases) {
        FlvMemory flv;
        MediaInfo info = Info(1);
        flv.Open(&info);
        size_t start = Flushed(flv).size();
        std::string nal = Nal(c.header, 4);
        int kind = -1;
        flv.WriteVideo(reinterpret_cast<const uint8_t*>(nal.data()), unsigned(nal.size()), 0, 5, &kind);
        EXPECT_EQ(kind, c.kind) << int(c.header);
        EXPECT_EQ(Hex(Flushed(flv).substr(start + 11, 1)), c.frameByte) << int(c.header);
    }
}

TEST(FlvPackage, RefusesBuffersWithoutANalUnit)
{
    struct Case {
        const char* name;
        std::string data;
        int lengthPrefixed;
    } cases[] = {
        {"empty", "", 0},
        {"start code only", Unhex("00 00 00 01"), 0},
        {"length only", Unhex("00 00 00 00"), 1},
        {"short length prefix", Unhex("00 00 01"), 1},
    };
    for (const Case& c : cases) {
        FlvMemory flv;
        MediaInfo info = Info(1);
        flv.Open(&info);
        size_t start = Flushed(flv).size();
        EXPECT_EQ(flv.WriteVideo(reinterpret_cast<const uint8_t*>(c.data.data()), unsigned(c.data.size()),
                                 c.lengthPrefixed, 5, NULL),
                  -1)
            << c.name;
        EXPECT_EQ(Flushed(flv).size(), start) << c.name;
    }
}

TEST(FlvPackage, AudioTagsFollowTheVideoTimeAndTheirOwnClock)
{
    FlvMemory flv;
    MediaInfo info = Info(3);
    flv.Open(&info);
    Video(flv, Nal(0x65, 20), 500);
    Video(flv, Nal(0x41, 20), 700);
    for (int i = 0; i < 4; ++i)
        Audio(flv, 6);
    // A given time sets the clock without advancing it: the next frame reuses it.
    Audio(flv, 6, 5000);
    Audio(flv, 6);
    Audio(flv, 6);
    std::vector<uint32_t> expected = {200, 223, 246, 270, 5000, 5000, 5023};
    EXPECT_EQ(TagTimes(Flushed(flv), 8), expected);

    FlvMemory audioOnly;
    info = Info(1);
    audioOnly.Open(&info);
    for (int i = 0; i < 3; ++i)
        Audio(audioOnly, 6);
    expected = {0, 23, 46};
    EXPECT_EQ(TagTimes(Flushed(audioOnly), 8), expected);
}

TEST(FlvPackage, AudioTagBytes)
{
    FlvMemory flv;
    MediaInfo info = Info(1);
    flv.Open(&info);
    size_t start = Flushed(flv).size();
    Audio(flv, 3);
    EXPECT_EQ(Hex(Flushed(flv).substr(start)), "08 00 00 05 00 00 00 00 00 00 00 AF 01 21 21 21 00 00 00 10");
}

TEST(FlvPackage, BufferFlushesOnlyWhenTheNextPieceDoesNotFit)
{
    // Video only with a 350-byte record leaves 557 bytes buffered after Open.
    FlvMemory flv;
    std::string record(350, '\x01');
    MediaInfo info = Info(2, record);
    flv.Open(&info);
    ASSERT_TRUE(flv.calls.empty());
    std::string opened = Hex(Flushed(flv));
    ASSERT_EQ(flv.calls.size(), 1u);
    EXPECT_EQ(flv.calls[0].headLen, 557u);

    FlvMemory big;
    big.Open(&info);
    EXPECT_EQ(Video(big, Nal(0x65, 701), 0), 0);
    ASSERT_EQ(big.calls.size(), 1u);
    EXPECT_EQ(big.calls[0].headLen, 577u) << "the buffer goes out as head";
    EXPECT_EQ(big.calls[0].bodyLen, 701u) << "the payload goes out as body, uncopied";
    Flushed(big);
    ASSERT_EQ(big.calls.size(), 2u);
    EXPECT_EQ(big.calls[1].headLen, 4u) << "only the PreviousTagSize stayed buffered";
    EXPECT_EQ(Hex(big.bytes.substr(big.bytes.size() - 4)), "00 00 02 D1");

    // Both streams and a 215-byte record leave 557 bytes too; a 601-byte NAL behind 4 buffered
    // bytes is copied (fill 629) and the next audio tag flushes first.
    FlvMemory mixed;
    std::string record2(215, '\x01');
    info = Info(3, record2);
    mixed.Open(&info);
    Video(mixed, Nal(0x65, 701), 0);
    ASSERT_EQ(mixed.calls.size(), 1u);
    EXPECT_EQ(Video(mixed, Nal(0x41, 601), 66), 0);
    EXPECT_EQ(mixed.calls.size(), 1u);
    EXPECT_EQ(Audio(mixed, 10), 0);
    ASSERT_EQ(mixed.calls.size(), 2u);
    EXPECT_EQ(mixed.calls[1].headLen, 629u);
    EXPECT_EQ(mixed.calls[1].bodyLen, 0u);
}

TEST(FlvPackage, FlushThresholdsOfEachTagKind)
{
    // Below the threshold the tag's header joins the buffer (640 bytes go out when its payload
    // does not fit); above it the buffer goes out alone first.
    struct Case {
        const char* next;
        uint32_t fillBefore;
        uint32_t flushed;
    } cases[] = {
        {"video", 620, 640}, {"video", 621, 621}, {"audio", 627, 640}, {"audio", 628, 628},
    };
    for (const Case& c : cases) {
        FlvMemory flv;
        MediaInfo info = Info(1);
        flv.Open(&info);
        Flushed(flv);
        // An audio tag with a payload of n bytes buffers n + 17 bytes.
        uint32_t fill = 0;
        while (c.fillBefore - fill > 300) {
            Audio(flv, 200);
            fill += 217;
        }
        Audio(flv, c.fillBefore - fill - 17);
        ASSERT_EQ(flv.calls.size(), 1u);
        if (std::string(c.next) == "video")
            Video(flv, Nal(0x65, 1), 0);
        else
            Audio(flv, 1);
        ASSERT_EQ(flv.calls.size(), 2u) << c.next << " " << c.fillBefore;
        EXPECT_EQ(flv.calls[1].headLen, c.flushed) << c.next << " " << c.fillBefore;
    }
}

TEST(FlvPackage, FailedFlushKeepsTheBufferedBytes)
{
    FlvMemory flv;
    MediaInfo info = Info(1);
    flv.Open(&info);
    Flushed(flv);
    // Eight tags of 79 bytes: 632 buffered, more than an audio tag may find.
    for (int i = 0; i < 8; ++i)
        Audio(flv, 62);
    ASSERT_EQ(flv.calls.size(), 1u);
    flv.failing = true;
    EXPECT_EQ(Audio(flv, 62), -1) << "the flush before it fails";
    EXPECT_EQ(Audio(flv, 62), -1);
    flv.failing = false;
    EXPECT_EQ(Audio(flv, 62), 0);
    EXPECT_EQ(flv.Finish(NULL), 0);
    // The buffered tags were kept; the failed frames left no tag and did not move the clock.
    std::vector<uint32_t> expected = {0, 23, 46, 70, 93, 116, 139, 163, 186};
    EXPECT_EQ(TagTimes(flv.bytes, 8), expected);
}

TEST(FlvPackage, FailedPayloadWriteReturnsMinusOne)
{
    FlvMemory flv;
    MediaInfo info = Info(2);
    flv.Open(&info);
    flv.failing = true;
    EXPECT_EQ(Video(flv, Nal(0x65, 700), 100), -1);
    EXPECT_EQ(flv.calls.size(), 1u);
    EXPECT_EQ(flv.calls[0].bodyLen, 700u);
}

TEST(FlvPackage, FinishReportsAFailedFlush)
{
    FlvMemory flv;
    MediaInfo info = Info(2);
    flv.Open(&info);
    flv.failing = true;
    EXPECT_EQ(flv.Finish(NULL), -1);
    flv.failing = false;
    EXPECT_EQ(flv.Finish(NULL), 0);
    EXPECT_EQ(flv.calls.size(), 1u) << "the buffer counts as emptied after the failed finish";
}
