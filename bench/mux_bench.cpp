// Muxing speed of both writers for a recording-like stream: 1280x720 at 15 fps (a key frame of
// ~90 KB every 600 frames, inter frames of 0.5 to 30 KB) with 44.1 kHz stereo AAC (~370-byte
// frames, 43 a second). Each writer runs into a memory sink and into a file; memcpy of the same
// frames into one buffer, and a buffered fwrite of the writer's output, are measured in the same
// run for comparison.
//
//   mux_bench.exe [file path for the file runs]
#include <windows.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "bench/bench_clock.h"
#include "media/media_file_writer.h"
#include "media/media_info.h"

namespace {

const int kFps = 15;
const int kSeconds = 300;
const unsigned kRate = 44100;
const int kRuns = 5;

struct Frame {
    bool video;
    unsigned timeMs; // capture time for video, 0 for audio
    size_t offset;   // in the payload pool
    size_t len;
};

struct Stream {
    std::vector<uint8_t> pool;
    std::vector<Frame> frames;
    std::string avcConfig;
    size_t payloadBytes = 0;
};

uint32_t g_seed = 12345;
uint32_t Random()
{
    g_seed = g_seed * 1664525u + 1013904223u;
    return g_seed >> 8;
}

// One video frame, then the AAC frames due until the next picture, as the recording thread writes.
Stream MakeStream()
{
    Stream s;
    s.avcConfig = std::string("\x01\x42\xC0\x1F\xFF\xE1\x00\x0C\x67\x42\xC0\x1F\x8C\x8D\x40\x50\x05\xBB\x01\x00\x01\x00\x04\x68\xCE\x3C\x80", 27);
    std::vector<Frame> frames;
    size_t audioWritten = 0;
    const int pictures = kFps * kSeconds;
    auto add = [&](bool video, unsigned time, size_t len) {
        frames.push_back({video, time, s.pool.size(), len});
        size_t at = s.pool.size();
        s.pool.resize(at + len);
        for (size_t i = 0; i < len; ++i)
            s.pool[at + i] = uint8_t(Random());
        s.payloadBytes += len;
        return at;
    };
    for (int i = 0; i < pictures; ++i) {
        bool key = i % 600 == 0;
        size_t len = key ? 80000 + Random() % 20000 : 500 + (Random() % 100 < 10 ? Random() % 30000 : Random() % 4000);
        size_t at = add(true, 40 + unsigned(i * 1000 / kFps), len + 4);
        memcpy(&s.pool[at], "\x00\x00\x00\x01", 4);
        s.pool[at + 4] = key ? 0x65 : 0x41;
        double until = (i + 1) * 1000.0 / kFps;
        while (audioWritten * 1024 * 1000.0 / kRate < until) {
            add(false, 0, 330 + Random() % 80);
            ++audioWritten;
        }
    }
    s.frames = frames;
    return s;
}

MediaInfo Describe(const Stream& s)
{
    MediaInfo info = {};
    info.avcConfig = reinterpret_cast<const uint8_t*>(s.avcConfig.data());
    info.avcConfigSize = uint16_t(s.avcConfig.size());
    info.flags = kMediaVideo | kMediaAudio;
    info.width = 1280;
    info.height = 720;
    info.fps = kFps;
    info.channels = 2;
    info.bitsPerSample = 16;
    info.sampleRate = kRate;
    info.frameSamples = 1024;
    return info;
}

// The writer's bytes copied into one preallocated block.
template <class Writer>
class MemorySink : public Writer {
public:
    explicit MemorySink(uint8_t* block) : block_(block), size_(0) {}
    int WriteBytes(const void* head, size_t headLen, const void* body, size_t bodyLen) override
    {
        memcpy(block_ + size_, head, headLen);
        size_ += headLen;
        if (body && bodyLen) {
            memcpy(block_ + size_, body, bodyLen);
            size_ += bodyLen;
        }
        return 0;
    }
    int Close() override { return 0; } // memory never refuses a write
    size_t Size() const { return size_; }

private:
    uint8_t* block_;
    size_t size_;
};

template <class W>
void Feed(W& writer, const Stream& s)
{
    MediaInfo info = Describe(s);
    writer.Open(&info);
    for (const Frame& f : s.frames) {
        const uint8_t* data = &s.pool[f.offset];
        if (f.video)
            writer.WriteVideo(data, unsigned(f.len), 0, f.timeMs, NULL);
        else
            writer.WriteAudio(data, unsigned(f.len), 0);
    }
}

struct Figure {
    double seconds = 1e30;
    size_t bytes = 0;
    double MBps() const { return bytes / seconds / 1e6; }
};

template <class W>
Figure ToMemory(const Stream& s, std::vector<uint8_t>& block)
{
    Figure best;
    for (int run = 0; run < kRuns; ++run) {
        double t = NowMs() / 1000;
        MemorySink<W> sink(block.data());
        Feed(sink, s);
        FinishFile(sink, NULL); // the FLV writer's last flush
        double d = NowMs() / 1000 - t;
        if (d < best.seconds)
            best.seconds = d;
        best.bytes = sink.Size();
    }
    return best;
}

template <class W>
Figure ToFile(const Stream& s, const char* path)
{
    Figure best;
    for (int run = 0; run < kRuns; ++run) {
        double t = NowMs() / 1000;
        {
            MediaFileWriter<W> writer;
            if (!writer.OpenFile(path))
                return best;
            Feed(writer, s);
        }
        double d = NowMs() / 1000 - t;
        if (d < best.seconds)
            best.seconds = d;
        WIN32_FILE_ATTRIBUTE_DATA a;
        if (GetFileAttributesExA(path, GetFileExInfoStandard, &a))
            best.bytes = size_t(a.nFileSizeLow) | size_t(a.nFileSizeHigh) << 32;
    }
    return best;
}

// The frames alone copied one after the other: what any muxer that copies must pay.
Figure Memcpy(const Stream& s, std::vector<uint8_t>& block)
{
    Figure best;
    for (int run = 0; run < kRuns; ++run) {
        double t = NowMs() / 1000;
        size_t at = 0;
        for (const Frame& f : s.frames) {
            memcpy(block.data() + at, &s.pool[f.offset], f.len);
            at += f.len;
        }
        double d = NowMs() / 1000 - t;
        if (d < best.seconds)
            best.seconds = d;
        best.bytes = at;
    }
    return best;
}

// A muxer's output written in 188-byte pieces through a buffered and an unbuffered stream.
Figure Fwrite(const std::vector<uint8_t>& bytes, size_t size, size_t piece, bool buffered, const char* path)
{
    Figure best;
    for (int run = 0; run < kRuns; ++run) {
        double t = NowMs() / 1000;
        FILE* f = fopen(path, "wb");
        if (!f)
            return best;
        if (!buffered)
            setvbuf(f, NULL, _IONBF, 0);
        for (size_t at = 0; at < size; at += piece)
            fwrite(bytes.data() + at, size - at < piece ? size - at : piece, 1, f);
        fclose(f);
        double d = NowMs() / 1000 - t;
        if (d < best.seconds)
            best.seconds = d;
        best.bytes = size;
    }
    return best;
}

void Print(const char* what, const Figure& f, const Figure& reference)
{
    printf("%-44s %8.1f MB/s  %7.1f MB in %7.2f ms   %5.2f x memcpy\n", what, f.MBps(), f.bytes / 1e6,
           f.seconds * 1e3, f.MBps() / reference.MBps());
}

} // namespace

int main(int argc, char** argv)
{
    const char* path = argc > 1 ? argv[1] : "mux_bench.tmp";
    Stream s = MakeStream();
    printf("stream: %d s, %zu frames, %.1f MB of payload (%d fps video, %u Hz AAC), best of %d runs\n", kSeconds,
           s.frames.size(), s.payloadBytes / 1e6, kFps, kRate, kRuns);

    std::vector<uint8_t> block(s.payloadBytes * 2 + (1 << 20));
    Figure copy = Memcpy(s, block);
    Figure flvMemory = ToMemory<Flv_Package>(s, block);
    Figure tsMemory = ToMemory<Mpeg_TS>(s, block);
    Figure flvFile = ToFile<Flv_Package>(s, path);
    Figure tsFile = ToFile<Mpeg_TS>(s, path);
    // The TS output again (it is in block from the memory run) through fwrite, in the writer's
    // 188-byte packets: buffered (the C runtime's default) and unbuffered (what the writer uses).
    MemorySink<Mpeg_TS> tsBytes(block.data());
    Feed(tsBytes, s);
    Figure buffered = Fwrite(block, tsBytes.Size(), 188, true, path);
    Figure unbuffered = Fwrite(block, tsBytes.Size(), 188, false, path);
    DeleteFileA(path);

    Print("memcpy of the frames", copy, copy);
    Print("Flv_Package -> memory", flvMemory, copy);
    Print("Mpeg_TS -> memory", tsMemory, copy);
    Print("MediaFileWriter<Flv_Package> -> file", flvFile, copy);
    Print("MediaFileWriter<Mpeg_TS> -> file", tsFile, copy);
    Print("fwrite of TS output, 188 B, buffered", buffered, copy);
    Print("fwrite of TS output, 188 B, unbuffered", unbuffered, copy);
    printf("recording rate of this stream: %.3f MB/s; Mpeg_TS to file runs %.0f x faster\n",
           tsFile.bytes / 1e6 / kSeconds, tsFile.MBps() / (tsFile.bytes / 1e6 / kSeconds));
    return 0;
}
