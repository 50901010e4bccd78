#include "engine/audio_encoder.h"

#include "tests/support/host.h"

#include <gtest/gtest.h>
#include <math.h>
#include <algorithm>
#include <string>
#include <vector>

namespace {

const double kPi = 3.14159265358979323846;

std::vector<int16_t> Tone(unsigned rate, unsigned channels, double seconds, double hz)
{
    const size_t frames = (size_t)(rate * seconds);
    std::vector<int16_t> s(frames * channels);
    for (size_t i = 0; i < frames; i++)
        for (unsigned c = 0; c < channels; c++)
            s[i * channels + c] = (int16_t)lround(12000.0 * sin(2 * kPi * hz * (double)i / rate));
    return s;
}

// The frames of one buffer, checked against the length-prefixed layout.
std::vector<std::string> Frames(const TAudioBuffer* b, unsigned maxOutputBytes)
{
    std::vector<std::string> frames;
    size_t at = 0;
    while (at < b->length) {
        EXPECT_LE(at + 2, b->length);
        const unsigned L = b->data[at] << 8 | b->data[at + 1];
        EXPECT_GT(L, 0u);
        EXPECT_LE(L, maxOutputBytes);
        EXPECT_LE(at + 2 + L, b->length);
        frames.push_back(std::string((const char*)b->data + at + 2, L));
        at += 2 + L;
    }
    EXPECT_EQ(at, b->length) << "the lengths add up to the buffer's length";
    return frames;
}

// Bytes per wave-input buffer as the recording worker computes them: about half a second in whole
// AAC frames.
unsigned WaveBufferBytes(unsigned rate, unsigned channels, unsigned inputSamples)
{
    return (channels * rate * 500 / 1000 + inputSamples - 1) / inputSamples * inputSamples * 16 / 8;
}

std::vector<std::string> EncodeInBlocks(TAudioEncoder& encoder, const std::vector<int16_t>& samples,
                                        unsigned blockBytes)
{
    std::vector<std::string> frames;
    const size_t total = samples.size() * 2;
    for (size_t at = 0; at < total; at += blockBytes) {
        unsigned bytes = (unsigned)std::min<size_t>(blockBytes, total - at);
        TAudioBuffer* b = encoder.Encode((const uint8_t*)samples.data() + at, bytes);
        if (!b)
            continue;
        EXPECT_EQ(b->refs, 1) << "the caller holds the only reference";
        EXPECT_EQ(b->Headroom(), 24);
        for (std::string& f : Frames(b, encoder.MaxOutputBytes()))
            frames.push_back(f);
        b->Release();
    }
    return frames;
}

// An ADTS header for AAC-LC in front of each raw frame, so a stock decoder can read the stream.
std::string Adts(const std::vector<std::string>& frames, unsigned rate, unsigned channels)
{
    static const unsigned rates[] = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                     22050, 16000, 12000, 11025, 8000, 7350};
    unsigned index = 0;
    while (rates[index] != rate)
        index++;
    std::string out;
    for (const std::string& f : frames) {
        const unsigned length = (unsigned)f.size() + 7;
        const uint8_t h[7] = {0xFF, 0xF1, (uint8_t)(1 << 6 | index << 2 | channels >> 2),
                              (uint8_t)((channels & 3) << 6 | length >> 11), (uint8_t)(length >> 3),
                              (uint8_t)((length & 7) << 5 | 0x1F), 0xFC};
        out.append((const char*)h, 7).append(f);
    }
    return out;
}

// The strongest frequency between 50 Hz and the band's top, to a tenth of a hertz.
double DominantFrequency(const std::vector<int16_t>& mono, unsigned rate)
{
    auto power = [&](double hz) {
        const double w = 2 * kPi * hz / rate, c = 2 * cos(w);
        double s1 = 0, s2 = 0;
        for (int16_t x : mono) {
            double s = x + c * s1 - s2;
            s2 = s1;
            s1 = s;
        }
        return s1 * s1 + s2 * s2 - c * s1 * s2;
    };
    double best = 0, bestPower = -1;
    for (double hz = 50; hz < rate / 2.0 - 50; hz += 5) {
        double p = power(hz);
        if (p > bestPower)
            bestPower = p, best = hz;
    }
    const double centre = best;
    for (double hz = centre - 5; hz <= centre + 5; hz += 0.1) {
        double p = power(hz);
        if (p > bestPower)
            bestPower = p, best = hz;
    }
    return best;
}

} // namespace

TEST(TAudioEncoder, OpenReportsTheFrameSize)
{
    struct Case {
        unsigned rate, channels, inputSamples;
    } cases[] = {{44100, 2, 2048}, {8000, 1, 1024}, {48000, 2, 2048}, {96000, 2, 2048}, {22050, 1, 1024}};
    for (const Case& c : cases) {
        TAudioEncoder encoder;
        ASSERT_TRUE(encoder.Open(c.rate, c.channels, 16)) << c.rate;
        EXPECT_EQ(encoder.InputSamples(), c.inputSamples) << c.rate << " Hz " << c.channels << " ch";
        // A bound for the output buffer, not the frames' real size (8192 with this library).
        EXPECT_GT(encoder.MaxOutputBytes(), 0u);
    }
}

TEST(TAudioEncoder, EncodeWithoutOpenOrSamplesGivesNothing)
{
    TAudioEncoder closed;
    int16_t samples[4096] = {};
    EXPECT_EQ(closed.Encode(samples, sizeof samples), nullptr);
    TAudioEncoder open;
    ASSERT_TRUE(open.Open(44100, 2, 16));
    EXPECT_EQ(open.Encode(samples, 0), nullptr);
    EXPECT_EQ(open.Encode(samples, 1), nullptr) << "one byte is no sample";
}

TEST(TAudioEncoder, ReopeningGivesAFreshEncoder)
{
    TAudioEncoder encoder;
    ASSERT_TRUE(encoder.Open(44100, 2, 16));
    ASSERT_TRUE(encoder.Open(8000, 1, 16));
    EXPECT_EQ(encoder.InputSamples(), 1024u);
}

TEST(TAudioEncoder, TheFirstBlockMayBeHeldBack)
{
    TAudioEncoder encoder;
    ASSERT_TRUE(encoder.Open(44100, 2, 16));
    std::vector<int16_t> tone = Tone(44100, 2, 0.1, 440);
    // One frame's worth: the library keeps its first samples for the look-ahead of its transform.
    EXPECT_EQ(encoder.Encode(tone.data(), encoder.InputSamples() * 2), nullptr);
}

TEST(TAudioEncoder, OddByteCountIgnoresTheLastByte)
{
    std::vector<int16_t> tone = Tone(16000, 1, 1.0, 440);
    TAudioEncoder even, odd;
    ASSERT_TRUE(even.Open(16000, 1, 16));
    ASSERT_TRUE(odd.Open(16000, 1, 16));
    const unsigned block = 3000 * 2; // not a whole number of frames either
    std::vector<uint8_t> scratch(block + 1);
    for (size_t at = 0; at + block <= tone.size() * 2; at += block) {
        memcpy(scratch.data(), (const uint8_t*)tone.data() + at, block);
        scratch[block] = 0x7F;
        TAudioBuffer* a = even.Encode(scratch.data(), block);
        TAudioBuffer* b = odd.Encode(scratch.data(), block + 1);
        ASSERT_EQ(a == nullptr, b == nullptr);
        if (a) {
            ASSERT_EQ(a->length, b->length);
            EXPECT_EQ(memcmp(a->data, b->data, a->length), 0);
            a->Release();
            b->Release();
        }
    }
}

// A second of 440 Hz through the encoder in the worker's block sizes, decoded by native ffmpeg.
TEST(TAudioEncoder, NativeDecoderHearsTheTone)
{
    struct Case {
        unsigned rate, channels;
    } cases[] = {{44100, 2}, {8000, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.rate) + " Hz, " + std::to_string(c.channels) + " channels");
        TAudioEncoder encoder;
        ASSERT_TRUE(encoder.Open(c.rate, c.channels, 16));
        const unsigned block = WaveBufferBytes(c.rate, c.channels, encoder.InputSamples());
        EXPECT_EQ(block, c.rate == 44100 ? 90112u : 8192u);
        std::vector<std::string> frames = EncodeInBlocks(encoder, Tone(c.rate, c.channels, 1.0, 440), block);
        // 1 s is 44 (or 8) encoder calls of 1024 samples a channel, the last one partial; the
        // library holds back three frames, which are never flushed.
        const unsigned calls = (c.rate + 1023) / 1024;
        EXPECT_GE(frames.size(), calls - 3);
        EXPECT_LE(frames.size(), calls);
        for (const std::string& f : frames)
            EXPECT_LE(f.size() + 2, 4096u) << "every frame fits the worker's 4096-byte target";

        const std::string dir = NewTempDir("tone" + std::to_string(c.rate));
        ASSERT_TRUE(WriteHostFile(dir + "/tone.aac", Adts(frames, c.rate, c.channels)));
        HostResult r = RunHost("cd " + ShellQuote(dir) + " && ffmpeg -nostdin -v error -f aac -i tone.aac -f s16le"
                               " -acodec pcm_s16le -ac 1 tone.raw");
        ASSERT_EQ(r.exitCode, 0) << r.output;
        std::string raw = ReadHostFile(dir + "/tone.raw");
        const size_t decodedSamples = raw.size() / 2;
        // 1024 samples a channel per frame; the decoder spends the first frame on its overlap.
        EXPECT_EQ(decodedSamples, (frames.size() - 1) * 1024);
        // The second less what the encoder holds back and the decoder's first frame.
        EXPECT_GE(decodedSamples, (size_t)c.rate - 4 * 1024);
        std::vector<int16_t> mono(decodedSamples);
        memcpy(mono.data(), raw.data(), decodedSamples * 2);
        // Past the encoder's start-up.
        std::vector<int16_t> steady(mono.begin() + std::min<size_t>(2048, mono.size()), mono.end());
        double hz = DominantFrequency(steady, c.rate);
        EXPECT_NEAR(hz, 440.0, 2.0);
        double energy = 0;
        for (int16_t x : steady)
            energy += (double)x * x;
        EXPECT_GT(sqrt(energy / steady.size()), 12000 / sqrt(2.0) * 0.7) << "the tone keeps its level";
    }
}

// Sound given in pieces of any size (a pause or a stop cuts a buffer anywhere) comes out as the
// same frames as in whole frames, and the flush gives out all the library held: the decoded
// tone lasts as long as the input.
TEST(TAudioEncoder, PiecesOfAnySizeMakeOneStreamAndTheFlushGivesOutTheRest)
{
    const unsigned rate = 16000, channels = 1;
    std::vector<int16_t> tone = Tone(rate, channels, 1.0, 440);
    auto encode = [&](unsigned pieceSamples, TAudioEncoder& encoder) {
        std::string bytes;
        auto take = [&](TAudioBuffer* b) {
            if (b) {
                EXPECT_EQ(b->refs, 1);
                bytes.append((const char*)b->data, b->length);
                b->Release();
            }
        };
        for (size_t at = 0; at < tone.size(); at += pieceSamples) {
            const size_t n = std::min<size_t>(pieceSamples, tone.size() - at);
            take(encoder.EncodeFrames(tone.data() + at, (unsigned)n * 2));
        }
        take(encoder.Flush());
        return bytes;
    };
    TAudioEncoder whole, pieces;
    ASSERT_TRUE(whole.Open(rate, channels, 16));
    ASSERT_TRUE(pieces.Open(rate, channels, 16));
    const std::string a = encode(whole.InputSamples() * 4, whole);
    const std::string b = encode(777, pieces);
    EXPECT_EQ(a, b);
    EXPECT_EQ(whole.FramesOut(), pieces.FramesOut());
    // Every input frame, the last one ended with silence, has its output frame.
    const uint64_t inputFrames = (tone.size() + whole.InputSamples() - 1) / whole.InputSamples();
    EXPECT_GE(whole.FramesOut(), inputFrames);
    EXPECT_EQ(whole.Flush(), nullptr) << "nothing is left after the flush";

    std::vector<std::string> frames;
    TAudioBuffer* all = TAudioBuffer::New<TAudioBuffer>((uint32_t)a.size());
    memcpy(all->data, a.data(), a.size());
    frames = Frames(all, whole.MaxOutputBytes());
    all->Release();
    const std::string dir = NewTempDir("flush");
    ASSERT_TRUE(WriteHostFile(dir + "/tone.aac", Adts(frames, rate, channels)));
    HostResult r = RunHost("cd " + ShellQuote(dir) + " && ffmpeg -nostdin -v error -f aac -i tone.aac -f s16le"
                           " -acodec pcm_s16le -ac 1 tone.raw");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    std::string raw = ReadHostFile(dir + "/tone.raw");
    std::vector<int16_t> decoded(raw.size() / 2);
    memcpy(decoded.data(), raw.data(), decoded.size() * 2);
    // The decoder spends one frame on its overlap; the input's last 100 ms are all there, loud.
    ASSERT_GE(decoded.size() + 1024, tone.size());
    const size_t end = tone.size() - 1024;
    double energy = 0;
    for (size_t i = end - rate / 10; i < end; ++i)
        energy += (double)decoded[i] * decoded[i];
    EXPECT_GT(sqrt(energy / (rate / 10)), 12000 / sqrt(2.0) * 0.7);
}
