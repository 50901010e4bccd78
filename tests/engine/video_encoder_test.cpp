#include "engine/video_encoder.h"

#include "engine/yuv_convert.h"
#include "tests/support/host.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <io.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

namespace {

// 16x16 blocks of eight colours, moving one block to the right every frame, with a dark band that
// moves down: every frame differs and its edges lie on macroblock borders.
std::vector<uint8_t> Pattern(int width, int height, int index)
{
    static const uint8_t palette[8][3] = {{20, 20, 20},   {230, 230, 230}, {200, 40, 40}, {40, 180, 60},
                                          {50, 70, 210},  {220, 200, 50},  {128, 128, 128}, {90, 160, 200}};
    std::vector<uint8_t> f((size_t)width * height * 4);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) {
            const uint8_t* c = palette[(x / 16 + index + (y / 16) * 3) % 8];
            uint8_t* p = &f[((size_t)y * width + x) * 4];
            const bool band = (y / 16) == (index % (height / 16));
            p[0] = band ? c[0] / 4 : c[0];
            p[1] = band ? c[1] / 4 : c[1];
            p[2] = band ? c[2] / 4 : c[2];
            p[3] = 0;
        }
    return f;
}

struct Nal {
    int type;
    size_t offset; // of the start code
};

// The NAL units of an Annex B byte string, by their start codes.
std::vector<Nal> SplitAnnexB(const uint8_t* data, size_t length)
{
    std::vector<Nal> units;
    for (size_t i = 0; i + 3 < length; i++) {
        if (data[i] == 0 && data[i + 1] == 0 && data[i + 2] == 1) {
            size_t start = (i > 0 && data[i - 1] == 0) ? i - 1 : i;
            units.push_back({data[i + 3] & 0x1F, start});
            i += 3;
        }
    }
    return units;
}

struct Encoded {
    std::vector<uint8_t> bytes;
    int timestamp;
};

// Encodes the frames with stamps 1000 + 40 i and drains the library the way the worker does.
// Checks on the way that a call without output leaves the stamp alone.
std::vector<Encoded> EncodeAll(TVideoEncoder& encoder, const std::vector<std::vector<uint8_t>>& frames,
                               int* delayedAfterLast, int* drained = nullptr)
{
    std::vector<Encoded> out;
    auto take = [&](TVideoFrameBuffer* b, int ts) {
        EXPECT_EQ(b->refs, 1) << "the caller holds the only reference";
        EXPECT_EQ(b->Headroom(), 15);
        out.push_back({std::vector<uint8_t>(b->data, b->data + b->length), ts});
        b->Release();
    };
    for (size_t i = 0; i < frames.size(); i++) {
        const int stamp = 1000 + 40 * (int)i;
        int ts = stamp;
        TVideoFrameBuffer* b = encoder.Encode(frames[i].data(), &ts);
        if (b)
            take(b, ts);
        else
            EXPECT_EQ(ts, stamp) << "a call without output changed the stamp";
    }
    *delayedAfterLast = x264_encoder_delayed_frames(encoder.encoder);
    const size_t before = out.size();
    while (x264_encoder_delayed_frames(encoder.encoder) > 0) {
        int ts = 0;
        TVideoFrameBuffer* b = encoder.Encode(nullptr, &ts);
        if (b)
            take(b, ts);
    }
    if (drained)
        *drained = (int)(out.size() - before);
    return out;
}

std::vector<std::vector<uint8_t>> Patterns(int width, int height, int count)
{
    std::vector<std::vector<uint8_t>> frames;
    for (int i = 0; i < count; i++)
        frames.push_back(Pattern(width, height, i));
    return frames;
}

// Collects what the process writes to its standard error while it exists.
class StderrCapture {
public:
    explicit StderrCapture(const std::string& unixPath) : path(unixPath)
    {
        fflush(stderr);
        saved = _dup(2);
        int fd = _open(WindowsPath(path).c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, 0644);
        _dup2(fd, 2);
        _close(fd);
    }
    std::string Finish()
    {
        fflush(stderr);
        _dup2(saved, 2);
        _close(saved);
        return ReadHostFile(path);
    }

private:
    std::string path;
    int saved;
};

} // namespace

TEST(TVideoEncoder, OpenSetsTheListedParameters)
{
    TVideoEncoder encoder;
    ASSERT_TRUE(encoder.Open(640, 480, 30));
    const x264_param_t& p = encoder.Parameters();
    EXPECT_EQ(p.i_csp, X264_CSP_I420);
    EXPECT_EQ(p.i_width, 640);
    EXPECT_EQ(p.i_height, 480);
    EXPECT_EQ(p.b_annexb, 1);
    EXPECT_EQ(p.b_repeat_headers, 0);
    EXPECT_EQ(p.i_fps_num, 25u);
    EXPECT_EQ(p.i_fps_den, 1u);
    EXPECT_EQ(p.rc.i_qp_constant, 30);
    EXPECT_FLOAT_EQ(p.rc.f_rf_constant, 30.0f);
    EXPECT_EQ(p.rc.i_rc_method, X264_RC_CRF);
    EXPECT_EQ(p.rc.i_qp_min, 18);
    EXPECT_EQ(p.rc.i_qp_max, 40);
    EXPECT_FLOAT_EQ(p.rc.f_rf_constant_max, 40.0f);
    EXPECT_EQ(p.i_keyint_max, 600);
    // Baseline: no B-frames, no CABAC; ultrafast: no lookahead.
    EXPECT_EQ(p.i_bframe, 0);
    EXPECT_EQ(p.b_cabac, 0);
    EXPECT_EQ(p.rc.i_lookahead, 0);
    ASSERT_NE(encoder.encoder, nullptr);
}

TEST(TVideoEncoder, QualityOutsideTheLibraryRangeBecomes23)
{
    struct Case {
        int q, expected;
    } cases[] = {{-1, 23}, {0, 0}, {23, 23}, {51, 51}, {52, 23}, {-100, 23}, {1000, 23}};
    for (const Case& c : cases) {
        TVideoEncoder encoder;
        ASSERT_TRUE(encoder.Open(320, 240, c.q)) << c.q;
        EXPECT_EQ(encoder.Parameters().rc.i_qp_constant, c.expected) << c.q;
        EXPECT_FLOAT_EQ(encoder.Parameters().rc.f_rf_constant, (float)c.expected) << c.q;
    }
}

TEST(AvcDecoderConfigurationRecord, LayoutFollowsTheFormat)
{
    const uint8_t sps[] = {0x67, 0x42, 0xC0, 0x1E, 0xD9};
    const uint8_t pps[] = {0x68, 0xCE, 0x3C, 0x80};
    const uint8_t expected[] = {0x01, 0x42, 0xC0, 0x1E, 0xFF, 0xE1, 0x00, 0x05, 0x67, 0x42, 0xC0,
                                0x1E, 0xD9, 0x01, 0x00, 0x04, 0x68, 0xCE, 0x3C, 0x80};
    uint8_t target[64];
    memset(target, 0xEE, sizeof target);
    ASSERT_EQ(WriteAvcDecoderConfigurationRecord(sps, 5, pps, 4, target, 64), (int)sizeof expected);
    EXPECT_EQ(memcmp(target, expected, sizeof expected), 0);
    EXPECT_EQ(target[sizeof expected], 0xEE) << "nothing after the PPS";
}

TEST(AvcDecoderConfigurationRecord, LongerThanCapacityWritesNothing)
{
    struct Case {
        int spsLength, ppsLength, capacity, result;
    } cases[] = {
        {1000, 13, 1024, 1024},   // exactly the limit
        {1000, 14, 1024, -1025},  // one byte over
        {600, 600, 1024, -1211},
        {4, 1, 16, 16},
        {4, 1, 15, -16},
    };
    std::vector<uint8_t> sps(1000, 0x11), pps(600, 0x22);
    sps[0] = 0x67;
    pps[0] = 0x68;
    for (const Case& c : cases) {
        std::vector<uint8_t> target(1100, 0xEE);
        int n = WriteAvcDecoderConfigurationRecord(sps.data(), c.spsLength, pps.data(), c.ppsLength,
                                                   target.data(), c.capacity);
        EXPECT_EQ(n, c.result) << c.spsLength << "+" << c.ppsLength;
        size_t untouched = n > 0 ? (size_t)n : 0;
        for (size_t i = untouched; i < target.size(); i++)
            ASSERT_EQ(target[i], 0xEE) << "byte " << i << " written, case " << c.spsLength << "+" << c.ppsLength;
        if (n > 0) {
            EXPECT_EQ((target[6] << 8) | target[7], c.spsLength);
            EXPECT_EQ((target[9 + c.spsLength] << 8) | target[10 + c.spsLength], c.ppsLength);
            EXPECT_EQ(target[11 + c.spsLength], 0x68);
        }
    }
}

TEST(TVideoEncoder, HeadersGiveABaselineRecordWithinTheLimit)
{
    TVideoEncoder encoder;
    ASSERT_TRUE(encoder.Open(1280, 720, 23));
    uint8_t record[1024];
    int n = encoder.GetHeaders(record, 1024);
    ASSERT_GT(n, 11);
    EXPECT_EQ(record[0], 1);
    EXPECT_EQ(record[1], 66) << "profile_idc Baseline";
    EXPECT_EQ(record[4], 0xFF);
    EXPECT_EQ(record[5], 0xE1);
    const int spsLength = record[6] << 8 | record[7];
    ASSERT_LT(8 + spsLength + 3, n);
    EXPECT_EQ(record[8] & 0x1F, 7);
    EXPECT_EQ(record[9], record[1]);
    EXPECT_EQ(record[10], record[2]);
    EXPECT_EQ(record[11], record[3]);
    EXPECT_EQ(record[8 + spsLength], 1);
    const int ppsLength = record[9 + spsLength] << 8 | record[10 + spsLength];
    EXPECT_EQ(record[11 + spsLength] & 0x1F, 8);
    EXPECT_EQ(n, 11 + spsLength + ppsLength);

    // One byte short of the record: its negated length, the target untouched.
    uint8_t small[1024];
    memset(small, 0xEE, sizeof small);
    EXPECT_EQ(encoder.GetHeaders(small, n - 1), -n);
    for (uint8_t b : small)
        ASSERT_EQ(b, 0xEE);
    EXPECT_EQ(encoder.GetHeaders(small, n), n);
    EXPECT_EQ(memcmp(small, record, n), 0);
}

TEST(TVideoEncoder, FramesComeOutInOrderWithTheirOwnCaptureTimes)
{
    const int w = 320, h = 240, count = 40;
    TVideoEncoder encoder;
    ASSERT_TRUE(encoder.Open(w, h, 23));
    int delayed = 0, drained = 0;
    std::vector<Encoded> out = EncodeAll(encoder, Patterns(w, h, count), &delayed, &drained);
    ASSERT_EQ((int)out.size(), count) << "draining with null delivers every delayed frame";
    for (int i = 0; i < count; i++)
        EXPECT_EQ(out[i].timestamp, 1000 + 40 * i) << "frame " << i;
    EXPECT_EQ(x264_encoder_delayed_frames(encoder.encoder), 0);
    // Every picture the library still held came out while draining, with the stamps pushed before
    // the drain's zeros.
    EXPECT_EQ(drained, delayed);
}

TEST(TVideoEncoder, FramesHoldPictureUnitsOnly)
{
    const int w = 320, h = 240, count = 12;
    TVideoEncoder encoder;
    ASSERT_TRUE(encoder.Open(w, h, 23));
    int delayed = 0;
    std::vector<Encoded> out = EncodeAll(encoder, Patterns(w, h, count), &delayed);
    ASSERT_EQ((int)out.size(), count);
    for (int i = 0; i < count; i++) {
        const std::vector<uint8_t>& b = out[i].bytes;
        std::vector<Nal> units = SplitAnnexB(b.data(), b.size());
        ASSERT_FALSE(units.empty());
        EXPECT_EQ(units[0].offset, 0u) << "a frame starts with a start code";
        bool slice = false;
        for (const Nal& u : units) {
            EXPECT_TRUE(u.type < 6 || u.type > 8) << "frame " << i << " holds NAL type " << u.type;
            slice |= (i == 0 ? u.type == 5 : (u.type == 1 || u.type == 5));
        }
        EXPECT_TRUE(slice) << "frame " << i;
    }
}

TEST(TVideoEncoder, OpeningAgainForgetsPendingStamps)
{
    const int w = 160, h = 128;
    TVideoEncoder encoder;
    ASSERT_TRUE(encoder.Open(w, h, 23));
    std::vector<uint8_t> f = Pattern(w, h, 0);
    for (int i = 0; i < 3; i++) {
        int ts = 5;
        TVideoFrameBuffer* b = encoder.Encode(f.data(), &ts);
        if (b)
            b->Release();
    }
    ASSERT_TRUE(encoder.Open(w, h, 23));
    int delayed = 0;
    std::vector<Encoded> out = EncodeAll(encoder, Patterns(w, h, 5), &delayed);
    ASSERT_EQ(out.size(), 5u);
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(out[i].timestamp, 1000 + 40 * i);
}

TEST(TVideoEncoder, EncodeBeforeOpenGivesNothing)
{
    TVideoEncoder encoder;
    std::vector<uint8_t> f = Pattern(32, 32, 0);
    int ts = 7;
    EXPECT_EQ(encoder.Encode(f.data(), &ts), nullptr);
    EXPECT_EQ(encoder.Encode(nullptr, &ts), nullptr);
    EXPECT_EQ(ts, 7);
    uint8_t record[64];
    EXPECT_EQ(encoder.GetHeaders(record, 64), 0);
}

TEST(TVideoEncoder, LibraryLogsNoWarnings)
{
    const std::string log = NewTempDir("x264log") + "/stderr.txt";
    StderrCapture capture(log);
    {
        TVideoEncoder encoder;
        if (encoder.Open(320, 240, 23)) {
            int delayed = 0;
            EncodeAll(encoder, Patterns(320, 240, 30), &delayed);
        }
    }
    std::string text = capture.Finish();
    EXPECT_NE(text.find("x264 [info]"), std::string::npos) << "the library's log was not captured:\n" << text;
    EXPECT_EQ(text.find("[warning]"), std::string::npos) << text;
    EXPECT_EQ(text.find("[error]"), std::string::npos) << text;
}

// The stream as a decoder sees it: headers from the record, then the frames, decoded by native
// ffmpeg and compared with the colours the conversion defines.
TEST(TVideoEncoder, NativeDecoderSeesThePattern)
{
    const int w = 320, h = 240, count = 30;
    TVideoEncoder encoder;
    ASSERT_TRUE(encoder.Open(w, h, 23));
    uint8_t record[1024];
    int n = encoder.GetHeaders(record, 1024);
    ASSERT_GT(n, 0);
    std::vector<std::vector<uint8_t>> frames = Patterns(w, h, count);
    int delayed = 0;
    std::vector<Encoded> out = EncodeAll(encoder, frames, &delayed);
    ASSERT_EQ((int)out.size(), count);

    std::string stream;
    const char startCode[] = {0, 0, 0, 1};
    const int spsLength = record[6] << 8 | record[7];
    const int ppsLength = record[9 + spsLength] << 8 | record[10 + spsLength];
    stream.append(startCode, 4).append((const char*)record + 8, spsLength);
    stream.append(startCode, 4).append((const char*)record + 11 + spsLength, ppsLength);
    for (const Encoded& e : out)
        stream.append((const char*)e.bytes.data(), e.bytes.size());
    const std::string dir = NewTempDir("decode");
    ASSERT_TRUE(WriteHostFile(dir + "/pattern.h264", stream));

    HostResult r = RunHost("cd " + ShellQuote(dir) +
                           " && ffmpeg -nostdin -v error -f h264 -i pattern.h264 -vsync passthrough"
                           " -f rawvideo -pix_fmt yuv420p decoded.yuv");
    ASSERT_EQ(r.exitCode, 0) << r.output;
    std::string decoded = ReadHostFile(dir + "/decoded.yuv");
    const size_t pictureSize = (size_t)w * h * 3 / 2;
    ASSERT_EQ(decoded.size(), pictureSize * count);

    BuildYuvTables();
    std::vector<uint8_t> expected(pictureSize);
    double worstMean = 0;
    int worst = 0;
    for (int i = 0; i < count; i++) {
        Rgb32ToI420Reference(w, h, frames[i].data(), expected.data());
        const uint8_t* got = (const uint8_t*)decoded.data() + pictureSize * i;
        double sum = 0;
        for (size_t k = 0; k < pictureSize; k++) {
            int d = abs((int)got[k] - (int)expected[k]);
            sum += d;
            worst = d > worst ? d : worst;
        }
        double mean = sum / pictureSize;
        worstMean = mean > worstMean ? mean : worstMean;
        EXPECT_LT(mean, 1.5) << "frame " << i;
    }
    EXPECT_LT(worst, 24) << "largest single difference";
    RecordProperty("worst_mean_difference", std::to_string(worstMean));
}
