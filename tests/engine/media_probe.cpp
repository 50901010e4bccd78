#include "tests/engine/media_probe.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <stdlib.h>
#include <string.h>

#include "tests/support/host.h"

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        if (!line.empty())
            out.push_back(line);
    return out;
}

std::vector<std::string> Split(const std::string& line, char by)
{
    std::vector<std::string> out;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, by))
        out.push_back(field);
    return out;
}

} // namespace

std::vector<ProbedStream> ProbeStreams(const std::string& path, const char* kind)
{
    HostResult r = RunHost("ffprobe -v error -select_streams " + std::string(kind) +
                           " -show_entries stream=index,codec_name,width,height,sample_rate,channels -of csv=p=0 " +
                           ShellQuote(path));
    std::vector<ProbedStream> streams;
    std::vector<std::string> seen;
    for (const std::string& line : Lines(r.output)) {
        std::vector<std::string> f = Split(line, ',');
        // A transport stream lists its streams once more under its program.
        if (f.size() < 4 || std::find(seen.begin(), seen.end(), f[0]) != seen.end())
            continue;
        seen.push_back(f[0]);
        ProbedStream s;
        s.codec = f[1];
        if (std::string(kind) == "v") {
            s.width = atoi(f[2].c_str());
            s.height = atoi(f[3].c_str());
        } else {
            s.sampleRate = atoi(f[2].c_str());
            s.channels = atoi(f[3].c_str());
        }
        streams.push_back(s);
    }
    return streams;
}

std::vector<ProbedPacket> ProbePackets(const std::string& path, const char* kind)
{
    HostResult r = RunHost("ffprobe -v error -select_streams " + std::string(kind) +
                           " -show_entries packet=pts_time,duration_time,flags -of csv=p=0 " + ShellQuote(path));
    std::vector<ProbedPacket> packets;
    for (const std::string& line : Lines(r.output)) {
        std::vector<std::string> f = Split(line, ',');
        if (f.size() < 3)
            continue;
        ProbedPacket p;
        p.pts = atof(f[0].c_str());
        p.duration = f[1] == "N/A" ? 0 : atof(f[1].c_str());
        p.key = f[2].find('K') != std::string::npos;
        packets.push_back(p);
    }
    return packets;
}

std::vector<OrderedPacket> ProbeFileOrder(const std::string& path)
{
    // The stream kinds by index, then the packets with their byte positions.
    HostResult streams = RunHost("ffprobe -v error -show_entries stream=index,codec_type -of csv=p=0 " +
                                 ShellQuote(path));
    std::vector<char> kinds;
    for (const std::string& line : Lines(streams.output)) {
        std::vector<std::string> f = Split(line, ',');
        if (f.size() < 2)
            continue;
        const size_t index = (size_t)atoi(f[0].c_str());
        if (kinds.size() <= index)
            kinds.resize(index + 1, 0);
        kinds[index] = f[1] == "video" ? 'v' : f[1] == "audio" ? 'a' : 0;
    }
    HostResult r = RunHost("ffprobe -v error -show_entries packet=stream_index,pts_time,pos -of csv=p=0 " +
                           ShellQuote(path));
    std::vector<std::pair<long long, OrderedPacket>> found;
    for (const std::string& line : Lines(r.output)) {
        std::vector<std::string> f = Split(line, ',');
        if (f.size() < 3 || f[1] == "N/A")
            continue;
        const size_t index = (size_t)atoi(f[0].c_str());
        OrderedPacket p;
        p.kind = index < kinds.size() ? kinds[index] : 0;
        p.pts = atof(f[1].c_str());
        found.push_back({atoll(f[2].c_str()), p});
    }
    // A transport stream's packets are listed as their PES ends; their starts give the file order.
    std::stable_sort(found.begin(), found.end(),
                     [](const std::pair<long long, OrderedPacket>& a, const std::pair<long long, OrderedPacket>& b) {
                         return a.first < b.first;
                     });
    std::vector<OrderedPacket> packets;
    for (const auto& f : found)
        packets.push_back(f.second);
    return packets;
}

TimeOrder MeasureTimeOrder(const std::vector<OrderedPacket>& packets)
{
    TimeOrder t;
    bool anyAudio = false, anyVideo = false, any = false;
    double lastAudio = 0, lastVideo = 0, latest = 0;
    for (const OrderedPacket& p : packets) {
        if (p.kind == 'a') {
            if (anyAudio) {
                t.audioBackStep = std::max(t.audioBackStep, lastAudio - p.pts);
                t.audioRepeated = t.audioRepeated || p.pts == lastAudio;
            }
            anyAudio = true;
            lastAudio = p.pts;
        } else if (p.kind == 'v') {
            if (anyVideo) {
                t.videoBackStep = std::max(t.videoBackStep, lastVideo - p.pts);
                t.videoRepeated = t.videoRepeated || p.pts == lastVideo;
            }
            anyVideo = true;
            lastVideo = p.pts;
        } else {
            continue;
        }
        if (any && latest - p.pts > t.lateness) {
            t.lateness = latest - p.pts;
            t.lateKind = p.kind;
        }
        if (!any || p.pts > latest)
            latest = p.pts;
        any = true;
    }
    return t;
}

std::string DecodeErrors(const std::string& path)
{
    // The input's own time base for the null output: otherwise ffmpeg rounds variable frame times to
    // a guessed frame rate and reports its own rounding as out-of-order times.
    HostResult r = RunHost("ffmpeg -nostdin -v error -i " + ShellQuote(path) + " -enc_time_base -1 -f null - 2>&1");
    return r.exitCode == 0 ? r.output : "ffmpeg failed: " + r.output;
}

size_t FlvTagSize(const std::string& bytes, size_t tagStart)
{
    if (tagStart + 11 > bytes.size())
        return 0;
    auto byte = [&](size_t at) { return (size_t)(unsigned char)bytes[at]; };
    // The body's size is the 24 bits behind the tag type.
    return 11 + (byte(tagStart + 1) << 16 | byte(tagStart + 2) << 8 | byte(tagStart + 3));
}

std::vector<size_t> FlvTagEnds(const std::string& bytes)
{
    std::vector<size_t> ends;
    const size_t kHeader = 13; // the FLV header with PreviousTagSize0
    if (bytes.size() < kHeader)
        return ends;
    size_t at = kHeader;
    ends.push_back(at);
    // Each tag is followed by its 4-byte PreviousTagSize.
    for (size_t size; (size = FlvTagSize(bytes, at)) != 0 && at + size + 4 <= bytes.size();) {
        at += size + 4;
        ends.push_back(at);
    }
    return ends;
}

bool FlvEndsOnAWholeTag(const std::string& path)
{
    std::string bytes = ReadHostFile(path);
    std::vector<size_t> ends = FlvTagEnds(bytes);
    return !ends.empty() && ends.back() == bytes.size();
}

YuvFrame DecodeFrame(const std::string& path, int index, int width, int height)
{
    YuvFrame frame;
    std::string out = path + ".frame.yuv";
    size_t frameBytes = (size_t)width * height * 3 / 2;
    // In the stream's own samples: yuv420p in and out, so no range or matrix conversion.
    HostResult r = RunHost("ffmpeg -nostdin -v error -y -i " + ShellQuote(path) + " -an -vf " +
                           ShellQuote("select=eq(n\\," + std::to_string(index) + ")") +
                           " -frames:v 1 -f rawvideo -pix_fmt yuv420p " + ShellQuote(out));
    if (r.exitCode != 0)
        return frame;
    std::string bytes = ReadHostFile(out);
    if (bytes.size() != frameBytes)
        return frame;
    frame.width = width;
    frame.height = height;
    frame.bytes.assign(bytes.begin(), bytes.end());
    return frame;
}

std::vector<std::pair<double, double>> FrameLuma(const std::string& path, unsigned timeoutMs)
{
    // signalstats gives each frame's mean luma; showinfo-free and independent of our code.
    HostResult r = RunHost("ffprobe -v error -f lavfi -i " +
                           ShellQuote("movie=" + path + ",signalstats") +
                           " -show_entries frame=pts_time:frame_tags=lavfi.signalstats.YAVG -of csv=p=0",
                           timeoutMs);
    std::vector<std::pair<double, double>> out;
    for (const std::string& line : Lines(r.output)) {
        std::vector<std::string> f = Split(line, ',');
        if (f.size() >= 2)
            out.push_back({atof(f[0].c_str()), atof(f[1].c_str())});
    }
    return out;
}

DecodedSound DecodeSound(const std::string& path, int rate)
{
    DecodedSound sound;
    sound.rate = rate;
    HostResult start = RunHost("ffprobe -v error -select_streams a -show_entries stream=start_time -of csv=p=0 " +
                               ShellQuote(path));
    sound.start = atof(start.output.c_str());
    std::string out = path + ".pcm";
    HostResult r = RunHost("ffmpeg -nostdin -v error -y -i " + ShellQuote(path) + " -vn -ac 1 -ar " +
                           std::to_string(rate) + " -f s16le " + ShellQuote(out));
    if (r.exitCode != 0)
        return sound;
    std::string bytes = ReadHostFile(out);
    sound.samples.resize(bytes.size() / 2);
    memcpy(sound.samples.data(), bytes.data(), sound.samples.size() * 2);
    return sound;
}

int DominantFrequency(const std::vector<short>& samples, size_t from, size_t to, int rate)
{
    int best = 0;
    double bestPower = -1;
    for (int f = 100; f <= 2000; f += 2) {
        double re = 0, im = 0, w = 2 * 3.14159265358979 * f / rate;
        for (size_t i = from; i < to && i < samples.size(); ++i) {
            re += samples[i] * cos(w * (double)(i - from));
            im += samples[i] * sin(w * (double)(i - from));
        }
        if (re * re + im * im > bestPower) {
            bestPower = re * re + im * im;
            best = f;
        }
    }
    return best;
}

double Rms(const std::vector<short>& samples, size_t from, size_t to)
{
    double sum = 0;
    size_t n = 0;
    for (size_t i = from; i < to && i < samples.size(); ++i, ++n)
        sum += (double)samples[i] * samples[i];
    return n ? sqrt(sum / n) : 0;
}
