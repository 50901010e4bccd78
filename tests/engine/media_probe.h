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
// Every packet of the file in the order it lies in the file: its stream kind ('v' or 'a') and time.
struct OrderedPacket {
    char kind = 0;
    double pts = 0; // seconds
};
std::vector<OrderedPacket> ProbeFileOrder(const std::string& unixPath);

// How the packets of a file keep time. backStep: the largest step back of the times within one
// stream (0 when they only rise; equal times count as a step of 0 and set repeated). lateness:
// the largest amount by which a packet's time lies behind the latest time of the packets before
// it in file order, over both streams.
struct TimeOrder {
    double audioBackStep = 0, videoBackStep = 0; // seconds
    bool audioRepeated = false, videoRepeated = false;
    double lateness = 0; // seconds
    char lateKind = 0;   // the stream of the packet that lies furthest behind
};
TimeOrder MeasureTimeOrder(const std::vector<OrderedPacket>& packets);

// ffmpeg's error lines for decoding every packet; empty when all decode cleanly.
std::string DecodeErrors(const std::string& unixPath);

// The size of the FLV tag at tagStart of an FLV file's bytes, header and body (its
// PreviousTagSize not counted); 0 when its header is not all there.
size_t FlvTagSize(const std::string& bytes, size_t tagStart);
// Where the FLV header and each whole tag (with its PreviousTagSize) of an FLV file's bytes end,
// up to the first tag that runs past the end; the last entry is the size when it ends whole.
std::vector<size_t> FlvTagEnds(const std::string& bytes);
// The FLV file at unixPath ends on a whole tag.
bool FlvEndsOnAWholeTag(const std::string& unixPath);

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
// Decoding takes about 2 s per minute recorded: the default limit suits the tests' short
// recordings, and a long one needs a longer limit.
std::vector<std::pair<double, double>> FrameLuma(const std::string& unixPath, unsigned timeoutMs = 120000);

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
