#include "media/audio_clock.h"

#include <gtest/gtest.h>
#include <math.h>

#include "media/flv_package.h"
#include "media/media_info.h"
#include "media/mpeg_ts.h"
#include "tests/media/memory_writer.h"

namespace {

MediaInfo AudioOnly(uint32_t sampleRate)
{
    MediaInfo info = {};
    info.flags = kMediaAudio;
    info.channels = 2;
    info.bitsPerSample = 16;
    info.sampleRate = sampleRate;
    info.frameSamples = 1024;
    return info;
}

// Time stamps of the audio tags of an FLV byte string.
std::vector<uint64_t> FlvAudioTimes(const std::string& file)
{
    std::vector<uint64_t> times;
    const unsigned char* b = reinterpret_cast<const unsigned char*>(file.data());
    for (size_t pos = 13; pos + 11 <= file.size();) {
        uint32_t size = uint32_t(b[pos + 1]) << 16 | b[pos + 2] << 8 | b[pos + 3];
        if (b[pos] == 8 && b[pos + 12] == 1) // raw frames, not the sequence header
            times.push_back(uint32_t(b[pos + 7]) << 24 | b[pos + 4] << 16 | b[pos + 5] << 8 | b[pos + 6]);
        pos += 11 + size + 4;
    }
    return times;
}

// PTS in ms (ticks / 90) of the audio PES packets of a transport stream byte string.
std::vector<double> TsAudioTimes(const std::string& file)
{
    std::vector<double> times;
    const unsigned char* b = reinterpret_cast<const unsigned char*>(file.data());
    for (size_t pos = 0; pos + 188 <= file.size(); pos += 188) {
        const unsigned char* p = b + pos;
        if ((p[1] & 0x40) == 0 || (p[1] & 0x1F) != 0x10 || p[2] != 0x23)
            continue;
        const unsigned char* pes = p + 4 + ((p[3] & 0x20) ? 1 + p[4] : 0);
        const unsigned char* t = pes + 9;
        uint64_t ticks = uint64_t((t[0] >> 1) & 7) << 30 | uint64_t(t[1]) << 22 | uint64_t(t[2] >> 1) << 15 |
                         uint64_t(t[3]) << 7 | (t[4] >> 1);
        times.push_back(ticks / 90.0);
    }
    return times;
}

const uint8_t kFrame[6] = {0x21, 0x10, 0x04, 0x60, 0x8C, 0x1C};

} // namespace

TEST(AudioClock, StampsAreRoundedFromTheFrameCount)
{
    struct Case {
        uint32_t rate;
        uint32_t samples;
        uint64_t start;
        std::vector<uint64_t> stamps; // frames 0, 1, 2, ...
    } cases[] = {
        {44100, 1024, 0, {0, 23, 46, 70, 93, 116, 139, 163}},
        {48000, 1024, 10, {10, 31, 53, 74, 95, 117, 138}},
        {96000, 1024, 0, {0, 11, 21, 32, 43, 53}},
        {22050, 1024, 5, {5, 51, 98, 144}},
        // Frames of whole milliseconds step exactly as before.
        {8000, 1024, 0, {0, 128, 256, 384}},
        {16000, 1024, 7, {7, 71, 135, 199}},
        {32000, 1024, 0, {0, 32, 64, 96}},
        {64000, 1024, 1, {1, 17, 33, 49}},
        // No rate: 21 ms per frame.
        {0, 1024, 0, {0, 21, 42, 63}},
    };
    for (const Case& c : cases) {
        AudioClock clock;
        clock.SetFrameDuration(c.samples, c.rate);
        clock.Restart(c.start);
        std::vector<uint64_t> stamps;
        for (size_t i = 0; i < c.stamps.size(); ++i) {
            stamps.push_back(clock.Now());
            clock.Advance();
        }
        EXPECT_EQ(stamps, c.stamps) << c.rate;
    }
}

TEST(AudioClock, AnHourOfFramesStaysOnTheExactTimeInBothWriters)
{
    const uint32_t rates[] = {44100, 48000, 96000, 16000};
    for (uint32_t rate : rates) {
        const uint64_t frames = 3600ull * rate / 1024 + 1;
        MemoryWriter<Flv_Package> flv;
        MemoryWriter<Mpeg_TS> ts;
        MediaInfo info = AudioOnly(rate);
        flv.Open(&info);
        ts.Open(&info);
        for (uint64_t k = 0; k < frames; ++k) {
            ASSERT_EQ(flv.WriteAudio(kFrame, sizeof kFrame, 0), 0);
            ASSERT_EQ(ts.WriteAudio(kFrame, sizeof kFrame, 0), 0);
        }
        flv.Finish(NULL);
        std::vector<uint64_t> flvTimes = FlvAudioTimes(flv.bytes);
        std::vector<double> tsTimes = TsAudioTimes(ts.bytes);
        ASSERT_EQ(flvTimes.size(), frames) << rate;
        ASSERT_EQ(tsTimes.size(), frames) << rate;
        double worstFlv = 0, worstTs = 0;
        for (uint64_t k = 0; k < frames; ++k) {
            double exact = double(k) * 1024 * 1000 / rate;
            worstFlv = fmax(worstFlv, fabs(double(flvTimes[k]) - exact));
            worstTs = fmax(worstTs, fabs(tsTimes[k] - exact));
        }
        EXPECT_LE(worstFlv, 0.5) << rate << " Hz, FLV, frame " << frames - 1;
        EXPECT_LE(worstTs, 0.5) << rate << " Hz, TS";
        EXPECT_GE(flvTimes.back(), 3599000u) << "an hour of sound is an hour long";
    }
}
