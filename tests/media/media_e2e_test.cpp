// Files written through both writers from real x264 and FAAC frames, read back by native ffprobe
// and ffmpeg.
#include <gtest/gtest.h>
#include <math.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "media/media_file_writer.h"
#include "tests/engine/media_probe.h"
#include "tests/media/encoded_media.h"
#include "tests/support/host.h"

namespace {

const int kWidth = 320;
const int kHeight = 240;
const int kFps = 15;

struct Streams {
    EncodedVideo video;
    EncodedAudio tone;
    EncodedAudio silence;
    EncodedAudio mono48k;
};

// Encoded once for the whole executable: three seconds of each.
const Streams& Fixture()
{
    static const Streams streams = [] {
        Streams s;
        s.video = EncodeVideo(kWidth, kHeight, kFps, 3 * kFps);
        s.tone = EncodeAudio(44100, 2, 3.2);
        s.silence = EncodeAudio(44100, 2, 3.2, false);
        s.mono48k = EncodeAudio(48000, 1, 3.2);
        return s;
    }();
    return streams;
}

std::string Quoted(const std::string& path)
{
    return ShellQuote(path);
}

// One map of key=value per stream line that ffprobe prints.
std::vector<std::map<std::string, std::string>> StreamList(const std::string& path)
{
    HostResult r = RunHost("ffprobe -v error -show_entries stream=codec_type,codec_name,width,height,sample_rate,"
                           "channels -of compact=p=0 " + Quoted(path));
    std::vector<std::map<std::string, std::string>> streams;
    std::istringstream lines(r.output);
    for (std::string line; std::getline(lines, line);) {
        // A transport stream lists its streams under the program first, then on their own.
        if (line.empty()) {
            streams.clear();
            continue;
        }
        std::map<std::string, std::string> fields;
        std::istringstream parts(line);
        for (std::string part; std::getline(parts, part, '|');) {
            size_t eq = part.find('=');
            if (eq != std::string::npos)
                fields[part.substr(0, eq)] = part.substr(eq + 1);
        }
        streams.push_back(fields);
    }
    return streams;
}

std::vector<double> PacketTimes(const std::string& path, const char* stream)
{
    HostResult r = RunHost(std::string("ffprobe -v error -select_streams ") + stream +
                           " -show_entries packet=pts_time -of csv=p=0 " + Quoted(path));
    std::vector<double> times;
    std::istringstream lines(r.output);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty())
            times.push_back(atof(line.c_str()));
    return times;
}

struct Case {
    const char* name;
    const char* extension;
    const EncodedAudio* (*audio)();
};

const EncodedAudio* Tone() { return &Fixture().tone; }
const EncodedAudio* Silence() { return &Fixture().silence; }
const EncodedAudio* Mono48k() { return &Fixture().mono48k; }
const EncodedAudio* NoSound() { return NULL; }

const Case kCases[] = {
    {"flv_tone", "flv", Tone},       {"ts_tone", "ts", Tone},       {"flv_silence", "flv", Silence},
    {"ts_silence", "ts", Silence},   {"flv_video_only", "flv", NoSound}, {"ts_video_only", "ts", NoSound},
    {"flv_mono48k", "flv", Mono48k}, {"ts_mono48k", "ts", Mono48k},
};

std::string WriteCase(const Case& c)
{
    const EncodedVideo& video = Fixture().video;
    const EncodedAudio* audio = c.audio();
    std::string path = NewTempDir(c.name) + "/record." + c.extension;
    MediaInfo info = DescribeStreams(video, audio);
    MediaStream* writer;
    if (std::string(c.extension) == "ts") {
        MediaFileWriter<Mpeg_TS>* ts = new MediaFileWriter<Mpeg_TS>;
        EXPECT_EQ(ts->OpenFile(WindowsPath(path).c_str()), 1);
        writer = ts;
    } else {
        MediaFileWriter<Flv_Package>* flv = new MediaFileWriter<Flv_Package>;
        EXPECT_EQ(flv->OpenFile(WindowsPath(path).c_str()), 1);
        writer = flv;
    }
    EXPECT_EQ(writer->Open(&info), 0);
    EXPECT_EQ(WriteInterleaved(*writer, video, audio), 0);
    delete writer;
    return path;
}

class RecordedFile : public ::testing::TestWithParam<Case> {};

} // namespace

TEST(EncodedMedia, FixtureHoldsOneSliceFramesAndAacFrames)
{
    const Streams& s = Fixture();
    ASSERT_EQ(s.video.frames.size(), size_t(3 * kFps));
    for (const std::string& f : s.video.frames) {
        ASSERT_EQ(f.compare(0, 4, std::string("\0\0\0\1", 4)), 0);
        EXPECT_EQ(f.find(std::string("\0\0\1", 3), 4), std::string::npos) << "one NAL unit per frame";
    }
    EXPECT_EQ(s.video.frames[0][4] & 0x1F, 5) << "the first frame is an IDR frame";
    EXPECT_GE(s.tone.frames.size(), size_t(3.2 * 44100 / 1024));
    EXPECT_GE(s.mono48k.frames.size(), size_t(3.2 * 48000 / 1024));
}

TEST_P(RecordedFile, IsReadAndDecodedByFfmpeg)
{
    const Case& c = GetParam();
    const EncodedAudio* audio = c.audio();
    std::string path = WriteCase(c);

    std::vector<std::map<std::string, std::string>> streams = StreamList(path);
    ASSERT_EQ(streams.size(), audio ? 2u : 1u) << RunHost("ffprobe " + Quoted(path)).output;
    std::map<std::string, std::string> v = streams[0]["codec_type"] == "video" ? streams[0] : streams.back();
    EXPECT_EQ(v["codec_name"], "h264");
    EXPECT_EQ(v["width"], std::to_string(kWidth));
    EXPECT_EQ(v["height"], std::to_string(kHeight));
    if (audio) {
        std::map<std::string, std::string> a = streams[0]["codec_type"] == "audio" ? streams[0] : streams[1];
        EXPECT_EQ(a["codec_type"], "audio");
        EXPECT_EQ(a["codec_name"], "aac");
        EXPECT_EQ(a["sample_rate"], std::to_string(audio->sampleRate));
        EXPECT_EQ(a["channels"], std::to_string(audio->channels));
    }

    HostResult decode = RunHost("ffmpeg -nostdin -v error -i " + Quoted(path) + " -f null -");
    EXPECT_EQ(decode.exitCode, 0);
    EXPECT_EQ(decode.output, "") << "ffmpeg reports no error while decoding every packet";

    std::vector<double> videoTimes = PacketTimes(path, "v");
    ASSERT_EQ(videoTimes.size(), Fixture().video.frames.size()) << "every frame is a packet";
    double videoLength = videoTimes.back() - videoTimes.front() + 1.0 / kFps;
    if (audio) {
        std::vector<double> audioTimes = PacketTimes(path, "a");
        ASSERT_FALSE(audioTimes.empty());
        double audioLength = audioTimes.back() - videoTimes.front() + 1024.0 / audio->sampleRate;
        EXPECT_NEAR(audioLength, videoLength, 1.0 / kFps) << "audio and video last as long";
        EXPECT_NEAR(audioTimes.front(), videoTimes.front(), 0.001) << "sound starts with the picture";
    }
}

TEST_P(RecordedFile, FlvDurationIsPatchedAndTsCountersNeverJump)
{
    const Case& c = GetParam();
    std::string path = WriteCase(c);
    if (std::string(c.extension) == "flv") {
        // The last picture is captured 2.933 s after the first; the header says whole seconds.
        HostResult r = RunHost("ffprobe -v error -show_entries format=duration -of csv=p=0 " + Quoted(path));
        EXPECT_EQ(r.output, "2.000000\n");
    } else {
        HostResult r = RunHost("ffprobe -v debug -show_packets " + Quoted(path) + " 2>&1 | grep -ci continuity");
        EXPECT_EQ(r.output, "0\n") << "no continuity error";
        HostResult corrupt = RunHost("ffprobe -v error -show_entries packet=flags -of csv=p=0 " + Quoted(path) +
                                     " | grep -c C");
        EXPECT_EQ(corrupt.output, "0\n") << "no packet flagged corrupt";
    }
}

INSTANTIATE_TEST_SUITE_P(BothWriters, RecordedFile, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

namespace {

MediaStream* NewFileWriter(const std::string& extension, const std::string& path)
{
    if (extension == "ts") {
        MediaFileWriter<Mpeg_TS>* ts = new MediaFileWriter<Mpeg_TS>;
        EXPECT_EQ(ts->OpenFile(WindowsPath(path).c_str()), 1);
        return ts;
    }
    MediaFileWriter<Flv_Package>* flv = new MediaFileWriter<Flv_Package>;
    EXPECT_EQ(flv->OpenFile(WindowsPath(path).c_str()), 1);
    return flv;
}

int WriteFrame(MediaStream* writer, const std::string& frame, unsigned timeMs)
{
    return writer->WriteVideo(reinterpret_cast<const uint8_t*>(frame.data()), unsigned(frame.size()), 0, timeMs,
                              NULL);
}

int WriteSound(MediaStream* writer, const std::string& frame, unsigned timeMs = 0)
{
    return writer->WriteAudio(reinterpret_cast<const uint8_t*>(frame.data()), unsigned(frame.size()), timeMs);
}

// The packet count of a stream and the time of its last packet.
std::pair<size_t, double> LastPacket(const std::string& path, const char* stream)
{
    HostResult r = RunHost(std::string("ffprobe -v error -select_streams ") + stream +
                           " -show_entries packet=pts_time -of csv=p=0 " + Quoted(path) + " | awk -F, '$1 != \"\" { n++; last = $1 } END { print n, last }'");
    size_t count = 0;
    double last = 0;
    std::istringstream(r.output) >> count >> last;
    return {count, last};
}

// Capture time of picture i after the first of the late ones, at the fixture's pace.
unsigned Late(const EncodedVideo& video, size_t i)
{
    return video.times[i] - video.times[1];
}

} // namespace

// 47721859 ms after the first picture: 2^32 ticks of 90 kHz and a little more, and well past the
// 24 bits of an FLV tag's low time bytes.
TEST(LongRecording, TimesPastThirteenHoursReadBackExactly)
{
    const unsigned kLate = 47721859;
    const EncodedVideo& video = Fixture().video;
    const EncodedAudio& sound = Fixture().tone;
    for (const char* extension : {"flv", "ts"}) {
        std::string path = NewTempDir("late") + "/late." + extension;
        MediaStream* writer = NewFileWriter(extension, path);
        MediaInfo info = DescribeStreams(video, &sound);
        writer->Open(&info);
        // The sound starts with the late pictures, so its clock starts at their time.
        EXPECT_EQ(WriteFrame(writer, video.frames[0], 1000), 0);
        size_t audio = 0;
        for (size_t i = 1; i < 30; ++i) {
            EXPECT_EQ(WriteFrame(writer, video.frames[i], 1000 + kLate + Late(video, i)), 0);
            for (int k = 0; k < 3; ++k, ++audio)
                EXPECT_EQ(WriteSound(writer, sound.frames[audio]), 0);
        }
        delete writer;

        std::vector<double> videoTimes = PacketTimes(path, "v");
        ASSERT_EQ(videoTimes.size(), 30u) << extension;
        for (size_t i = 1; i < 30; ++i)
            EXPECT_NEAR(videoTimes[i] - videoTimes[0], (kLate + Late(video, i)) / 1000.0, 0.0005) << extension << " " << i;
        std::vector<double> audioTimes = PacketTimes(path, "a");
        ASSERT_EQ(audioTimes.size(), audio) << extension;
        for (size_t k = 0; k < audio; ++k)
            EXPECT_NEAR(audioTimes[k] - videoTimes[0], kLate / 1000.0 + k * 1024.0 / 44100, 0.001) << extension << " " << k;
        // -copyts: ffmpeg takes a jump of more than 10 s in a transport stream for a broken
        // clock and shifts what follows; a real recording has no such jump.
        HostResult decode = RunHost("ffmpeg -nostdin -v error -copyts -i " + Quoted(path) + " -f null -");
        EXPECT_EQ(decode.output, "") << extension;
    }
}

// Sound stamped by the writers' own clock stays on the exact time of its samples for an hour.
TEST(LongRecording, AnHourOfSoundKeepsItsTime)
{
    const EncodedVideo& video = Fixture().video;
    for (unsigned rate : {44100u, 48000u}) {
        EncodedAudio sound = EncodeAudio(rate, 2, 0.5, false);
        ASSERT_GT(sound.frames.size(), 10u);
        const std::string& frame = sound.frames[10];
        const size_t frames = size_t(3600.0 * rate / 1024) + 1;
        for (const char* extension : {"flv", "ts"}) {
            std::string path = NewTempDir("hour") + "/hour." + extension;
            MediaStream* writer = NewFileWriter(extension, path);
            MediaInfo info = DescribeStreams(video, &sound);
            writer->Open(&info);
            EXPECT_EQ(WriteFrame(writer, video.frames[0], 40), 0);
            for (size_t k = 0; k < frames; ++k)
                ASSERT_EQ(WriteSound(writer, frame), 0);
            delete writer;

            std::pair<size_t, double> last = LastPacket(path, "a");
            EXPECT_EQ(last.first, frames) << extension << " " << rate;
            double exact = (frames - 1) * 1024.0 / rate;
            EXPECT_NEAR(last.second - PacketTimes(path, "v").at(0), exact, 0.001) << extension << " " << rate;
            RunHost("rm -f " + Quoted(path));
        }
    }
}

namespace {

// The packets of one stream as ffprobe lists them: time and size, one line each. (A transport
// stream's demuxer hands out a video packet only when the next one begins, so the order across
// streams says nothing.)
std::vector<std::string> PacketLines(const std::string& path, const char* stream)
{
    HostResult r = RunHost(std::string("ffprobe -v error -select_streams ") + stream +
                           " -show_entries packet=pts_time,size -of csv=p=0 " + Quoted(path));
    std::vector<std::string> lines;
    std::istringstream in(r.output);
    for (std::string line; std::getline(in, line);) {
        while (!line.empty() && (line.back() == ',' || line.back() == '\r'))
            line.pop_back();
        if (!line.empty())
            lines.push_back(line);
    }
    return lines;
}

uint32_t Be(const std::string& bytes, size_t at, int n)
{
    uint32_t v = 0;
    for (int i = 0; i < n; ++i)
        v = v << 8 | (unsigned char)bytes[at + i];
    return v;
}

double FlvDuration(const std::string& bytes)
{
    uint64_t bits = uint64_t(Be(bytes, 53, 4)) << 32 | Be(bytes, 57, 4);
    double value;
    memcpy(&value, &bits, sizeof value);
    return value;
}

} // namespace

// A disk that fills up while the file is written: the file keeps every frame that went in whole,
// in the same bytes as on a disk with room, ends on a whole tag or PES, decodes without an error,
// and the writer says on closing that a write failed.
TEST(FullDisk, FileEndsOnItsLastWholeFrameAndReadsClean)
{
    const EncodedVideo& video = Fixture().video;
    const EncodedAudio* sound = &Fixture().tone;
    for (const char* extension : {"flv", "ts"}) {
        SCOPED_TRACE(extension);
        std::string roomy = NewTempDir("roomy") + "/whole." + extension;
        MediaInfo info = DescribeStreams(video, sound);
        {
            MediaStream* writer = NewFileWriter(extension, roomy);
            writer->Open(&info);
            ASSERT_EQ(WriteInterleaved(*writer, video, sound), 0);
            EXPECT_EQ(writer->Close(), 0);
            delete writer;
        }
        const std::string whole = ReadHostFile(roomy);
        const unsigned kilobytes = unsigned(whole.size() / 2 / 4096 * 4);
        ASSERT_GE(kilobytes, 16u);
        SmallDisk disk("full-disk", kilobytes);
        ASSERT_TRUE(disk.Mounted());
        std::string cut = disk.Dir() + "/cut." + extension;
        {
            MediaStream* writer = NewFileWriter(extension, cut);
            writer->Open(&info);
            EXPECT_EQ(WriteInterleaved(*writer, video, sound, true), -1) << "the disk never filled";
            EXPECT_EQ(writer->Close(), -1);
            delete writer;
        }
        const std::string left = ReadHostFile(cut);
        ASSERT_LT(left.size(), whole.size());
        // Nearly all of the disk is used: at most the largest frame, the FLV writer's buffer and a
        // page of the disk are missing.
        size_t largest = 0;
        for (const std::string& frame : video.frames)
            largest = std::max(largest, frame.size());
        EXPECT_GT(left.size() + largest + 640 + 4096 + 188, size_t(kilobytes) * 1024);

        std::string expected = whole.substr(0, left.size());
        if (std::string(extension) == "flv") {
            std::vector<size_t> ends = FlvTagEnds(whole);
            EXPECT_NE(std::find(ends.begin(), ends.end(), left.size()), ends.end()) << "ends inside a tag";
            // The duration is the last whole video tag's, in whole seconds.
            std::vector<double> times = PacketTimes(cut, "v");
            ASSERT_FALSE(times.empty());
            EXPECT_EQ(FlvDuration(left), floor(times.back() - times.front() + 1e-6));
            expected.replace(52, 9, left.substr(52, 9));
        } else {
            EXPECT_EQ(left.size() % 188, 0u);
        }
        EXPECT_TRUE(left == expected) << "the bytes differ from those written with room";

        for (const char* stream : {"v", "a"}) {
            std::vector<std::string> packets = PacketLines(cut, stream), all = PacketLines(roomy, stream);
            ASSERT_GT(packets.size(), 5u) << stream;
            ASSERT_LE(packets.size(), all.size()) << stream;
            all.resize(packets.size());
            EXPECT_EQ(packets.back(), all.back()) << stream << ": the last frame is cut short";
            EXPECT_TRUE(packets == all) << stream << ": a frame is missing or cut short";
        }
        HostResult decode = RunHost("ffmpeg -nostdin -v error -i " + Quoted(cut) + " -f null -");
        EXPECT_EQ(decode.output, "");
    }
}
