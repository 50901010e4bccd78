// Where the decoder puts an encoded frame's sound: a click at a known input sample, encoded and
// written with each frame stamped from its place in the encoder's output, read back by ffmpeg.
// Both writers, a high and a low sample rate.
#include "engine/audio_encoder.h"
#include "media/media_file_writer.h"
#include "media/media_info.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "tests/engine/sync_probe.h"
#include "tests/support/host.h"

namespace {

struct DelayCase {
    const char* extension;
    unsigned rate, channels;
};

double ClickTime(const DelayCase& c, int delayFrames)
{
    TAudioEncoder encoder;
    EXPECT_TRUE(encoder.Open(c.rate, c.channels, 16));
    const unsigned frameSamples = encoder.InputSamples() / c.channels;
    // Four seconds of silence with 5 ms of a loud square wave 3.3 s in.
    const unsigned at = c.rate * 33 / 10;
    std::vector<int16_t> pcm(c.rate * 4 * c.channels, 0);
    for (unsigned i = at; i < at + c.rate / 200; ++i)
        for (unsigned ch = 0; ch < c.channels; ++ch)
            pcm[i * c.channels + ch] = ((i - at) / (c.rate / 2000 + 1)) % 2 ? -30000 : 30000;

    MediaInfo info = {};
    info.flags = kMediaAudio;
    info.channels = (uint8_t)c.channels;
    info.bitsPerSample = 16;
    info.sampleRate = c.rate;
    info.frameSamples = frameSamples;
    const std::string file = NewTempDir("aacdelay") + "/sound" + c.extension;
    MediaStream* writer;
    if (c.extension[1] == 't') {
        MediaFileWriter<Mpeg_TS>* w = new MediaFileWriter<Mpeg_TS>;
        w->OpenFile(WindowsPath(file).c_str());
        writer = w;
    } else {
        MediaFileWriter<Flv_Package>* w = new MediaFileWriter<Flv_Package>;
        w->OpenFile(WindowsPath(file).c_str());
        writer = w;
    }
    writer->Open(&info);
    uint64_t frame = 0;
    auto write = [&](TAudioBuffer* b) {
        for (uint32_t p = 0; b && p + 2 <= b->length; ++frame) {
            const unsigned size = b->data[p] << 8 | b->data[p + 1];
            const double ms = 1000 + ((double)frame - delayFrames) * frameSamples * 1000.0 / c.rate;
            writer->WriteAudio(b->data + p + 2, size, (unsigned)(ms + 0.5));
            p += 2 + size;
        }
        if (b)
            b->Release();
    };
    const unsigned block = c.rate / 2 * c.channels;
    for (size_t p = 0; p < pcm.size(); p += block)
        write(encoder.EncodeFrames(pcm.data() + p, (unsigned)std::min<size_t>(block, pcm.size() - p) * 2));
    write(encoder.Flush());
    delete writer;

    std::vector<double> clicks = Clicks(SoundOnTimeLine(file, kClickPcmRate));
    EXPECT_EQ(clicks.size(), 1u);
    return clicks.empty() ? -1 : clicks[0] - (1.0 + (double)at / c.rate);
}

} // namespace

// The frame's time is that of the first input sample it sounds, kSoundDelayFrames frames back;
// a frame either way would put the click 23 ms (44100 Hz) or 128 ms (8000 Hz) off.
TEST(TAudioEncoder, EachFrameSoundsTheInputOfItsDelayFramesBefore)
{
    const DelayCase cases[] = {{".flv", 44100, 2}, {".ts", 44100, 2}, {".flv", 8000, 1}, {".ts", 8000, 1}};
    for (const DelayCase& c : cases) {
        const double off = ClickTime(c, TAudioEncoder::kSoundDelayFrames) * 1000;
        printf("[ figures  ] %s %u Hz %u ch: the click decodes %+.1f ms from its input time\n", c.extension, c.rate,
               c.channels, off);
        EXPECT_NEAR(off, 0, 2) << c.extension << " " << c.rate;
    }
}
