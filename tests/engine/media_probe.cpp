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

std::string DecodeErrors(const std::string& path)
{
    // The input's own time base for the null output: otherwise ffmpeg rounds variable frame times to
    // a guessed frame rate and reports its own rounding as out-of-order times.
    HostResult r = RunHost("ffmpeg -nostdin -v error -i " + ShellQuote(path) + " -enc_time_base -1 -f null - 2>&1");
    return r.exitCode == 0 ? r.output : "ffmpeg failed: " + r.output;
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

std::vector<std::pair<double, double>> FrameLuma(const std::string& path)
{
    // signalstats gives each frame's mean luma; showinfo-free and independent of our code.
    HostResult r = RunHost("ffprobe -v error -f lavfi -i " +
                           ShellQuote("movie=" + path + ",signalstats") +
                           " -show_entries frame=pts_time:frame_tags=lavfi.signalstats.YAVG -of csv=p=0");
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
