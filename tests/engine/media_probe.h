// Reading a recorded file back with the native ffprobe and ffmpeg.
#pragma once
#include <string>
#include <vector>

struct ProbedStream {
    std::string codec;
    int width = 0, height = 0;
    int sampleRate = 0, channels = 0;
};

struct ProbedPacket {
    double pts = 0;      // seconds
    double duration = 0; // seconds, 0 when the container gives none
    bool key = false;
};

// The file's streams of one kind ("v" or "a"); empty when there is none.
std::vector<ProbedStream> ProbeStreams(const std::string& unixPath, const char* kind);
std::vector<ProbedPacket> ProbePackets(const std::string& unixPath, const char* kind);
// ffmpeg's error lines for decoding every packet; empty when all decode cleanly.
std::string DecodeErrors(const std::string& unixPath);

// One decoded picture in the stream's own YUV 4:2:0 samples.
struct YuvFrame {
    int width = 0, height = 0;
    double pts = 0;
    std::vector<unsigned char> bytes;
    int Y(int x, int y) const { return bytes[(size_t)y * width + x]; }
    int U(int x, int y) const { return bytes[(size_t)width * height + (size_t)(y / 2) * (width / 2) + x / 2]; }
    int V(int x, int y) const
    {
        return bytes[(size_t)width * height * 5 / 4 + (size_t)(y / 2) * (width / 2) + x / 2];
    }
};
// Frame number index (0 first) of the video stream; empty when there is none.
YuvFrame DecodeFrame(const std::string& unixPath, int index, int width, int height);
// The mean luma of every decoded frame, with its time.
std::vector<std::pair<double, double>> FrameLuma(const std::string& unixPath);

// The sound, mixed to mono 16-bit at rate, and the time of its first sample.
struct DecodedSound {
    int rate = 0;
    double start = 0;
    std::vector<short> samples;
};
DecodedSound DecodeSound(const std::string& unixPath, int rate);

// Strongest frequency between 100 and 2000 Hz (2 Hz steps) of samples [from, to).
int DominantFrequency(const std::vector<short>& samples, size_t from, size_t to, int rate);
double Rms(const std::vector<short>& samples, size_t from, size_t to);
