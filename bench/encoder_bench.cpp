// Speed of the colour conversion, the H.264 wrapper and the AAC wrapper, each beside a native
// yardstick measured in the same run: memcpy and ffmpeg's swscale for the conversion, ffmpeg's
// libx264 with the same settings for H.264. Run under Wine:
//   scripts/wine-test.sh run unit $PWD/build 900 $PWD/build/bench/encoder_bench.exe
#include "bench/bench_clock.h"
#include "engine/audio_encoder.h"
#include "engine/video_encoder.h"
#include "engine/yuv_convert.h"
#include "tests/support/host.h"

#include <algorithm>
#include <math.h>
#include <stdio.h>
#include <string.h>
#include <string>
#include <vector>
#include <windows.h>

namespace {

// A desktop: a gradient wallpaper, three windows with title bars and lines of small black glyphs
// on white, one of them scrolling by two pixels a frame, and a clock that changes.
class Desktop {
public:
    Desktop(int w, int h) : w(w), h(h), pixels((size_t)w * h * 4) {}

    const uint8_t* Frame(int index)
    {
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
                Put(x, y, 40 + y * 60 / h, 90 + x * 50 / w, 120 + y * 40 / h);
        Window(w / 20, h / 12, w / 2, h / 2, 0, 0);
        Window(w / 3, h / 3, w / 2, h / 2, index * 2, 1);   // the scrolling one, on top
        Window(w * 2 / 3, h / 10, w / 4, h / 3, 0, 2);
        // Task bar with a clock that changes every frame.
        Rect(0, h - 30, w, 30, 30, 30, 40);
        Text(w - 80, h - 22, 8, 2, index, 230);
        return pixels.data();
    }

private:
    void Put(int x, int y, uint8_t r, uint8_t g, uint8_t b)
    {
        uint8_t* p = &pixels[((size_t)y * w + x) * 4];
        p[0] = b, p[1] = g, p[2] = r, p[3] = 0;
    }
    void Rect(int x0, int y0, int rw, int rh, uint8_t r, uint8_t g, uint8_t b)
    {
        for (int y = std::max(0, y0); y < std::min(h, y0 + rh); y++)
            for (int x = std::max(0, x0); x < std::min(w, x0 + rw); x++)
                Put(x, y, r, g, b);
    }
    // Glyphs of 6x10 pixel cells from a fixed pseudo-font, seed picking the words.
    void Text(int x0, int y0, int chars, int seed, int line, uint8_t ink)
    {
        for (int c = 0; c < chars; c++) {
            unsigned code = (unsigned)((seed * 131 + line * 17 + c * 7) % 97);
            if (code % 11 == 0)
                continue; // a space
            for (int gy = 0; gy < 7; gy++)
                for (int gx = 0; gx < 5; gx++) {
                    unsigned bit = (code * 2654435761u >> ((gy * 5 + gx) % 29)) & 1;
                    int x = x0 + c * 6 + gx, y = y0 + gy;
                    if (bit && x >= 0 && x < w && y >= 0 && y < h)
                        Put(x, y, ink == 230 ? 230 : 0, ink == 230 ? 230 : 0, ink == 230 ? 230 : 0);
                }
        }
    }
    void Window(int x0, int y0, int ww, int wh, int scroll, int seed)
    {
        Rect(x0 - 1, y0 - 1, ww + 2, wh + 2, 80, 80, 80);
        Rect(x0, y0, ww, 24, 30, 80, 160);
        Text(x0 + 8, y0 + 8, 20, seed + 5, 0, 230);
        Rect(x0, y0 + 24, ww, wh - 24, 255, 255, 255);
        const int top = y0 + 28, lines = (wh - 32) / 12;
        const int first = scroll / 12, offset = scroll % 12;
        for (int l = 0; l <= lines; l++) {
            int y = top + l * 12 - offset;
            if (y < top || y + 10 > y0 + wh)
                continue;
            Text(x0 + 6, y, (ww - 12) / 6 - (first + l) % 9, seed, first + l, 0);
        }
    }

    int w, h;
    std::vector<uint8_t> pixels;
};

// Median of the per-frame times the ffmpeg bench filter reports around the filters in between.
double FfmpegFilterMs(const std::string& input, int w, int h, const std::string& filters)
{
    char size[32];
    snprintf(size, sizeof size, "%dx%d", w, h);
    HostResult r = RunHost("ffmpeg -nostdin -hide_banner -filter_threads 1 -f rawvideo -pix_fmt bgra -s " +
                           std::string(size) + " -stream_loop 59 -i " + ShellQuote(input) +
                           " -vf 'bench=start," + filters + ",bench=stop' -f null - 2>&1", 600000);
    std::vector<double> t;
    size_t at = 0;
    while ((at = r.output.find(" t:", at)) != std::string::npos) {
        t.push_back(atof(r.output.c_str() + at + 3) * 1000.0);
        at += 3;
    }
    if (t.empty())
        printf("    ffmpeg gave no bench lines: %s\n", r.output.substr(0, 400).c_str());
    return Median(t);
}

struct Cost {
    double wallMs, cpuMs; // wall time and CPU time of all threads
};

double ProcessCpuMs()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ms = [](FILETIME f) { return (((uint64_t)f.dwHighDateTime << 32) | f.dwLowDateTime) / 10000.0; };
    return ms(kernel) + ms(user);
}

// ffmpeg's own figures for its transcoding loop (start-up excluded): rtime, and utime + stime.
Cost FfmpegCost(const std::string& command)
{
    HostResult r = RunHost(command + " 2>&1", 900000);
    size_t at = r.output.find("bench: utime=");
    if (r.exitCode != 0 || at == std::string::npos) {
        printf("    ffmpeg failed: %s\n", r.output.substr(0, 400).c_str());
        return {0, 0};
    }
    double utime = 0, stime = 0, rtime = 0;
    sscanf(r.output.c_str() + at, "bench: utime=%lfs stime=%lfs rtime=%lfs", &utime, &stime, &rtime);
    return {rtime * 1000, (utime + stime) * 1000};
}

void BenchConversion(int w, int h, const std::string& dir)
{
    Desktop desktop(w, h);
    std::vector<uint8_t> source(desktop.Frame(0), desktop.Frame(0) + (size_t)w * h * 4);
    std::vector<uint8_t> picture((size_t)w * h * 3 / 2), copy(source.size());
    const int runs = 60;
    // Each form in its own run of calls, the source already in the cache.
    auto time = [&](void (*convert)(int, int, const uint8_t*, uint8_t*)) {
        std::vector<double> t;
        for (int i = 0; i < runs; i++) {
            double t0 = NowMs();
            convert(w, h, source.data(), picture.data());
            t.push_back(NowMs() - t0);
        }
        return Median(t);
    };
    const double sse2 = time(Rgb32ToI420Sse2);
    const double m = time(Rgb32ToI420);
    const double r = time(Rgb32ToI420Reference);
    std::vector<double> memcopy;
    for (int i = 0; i < runs; i++) {
        double t0 = NowMs();
        memcpy(copy.data(), source.data(), source.size());
        memcopy.push_back(NowMs() - t0);
    }
    const double c = Median(memcopy);
    const std::string input = dir + "/frame.bgra";
    WriteHostFile(input, std::string((const char*)source.data(), source.size()));
    const double sws = FfmpegFilterMs(input, w, h, "scale,format=yuv420p");
    printf("Rgb32ToI420 %dx%d (median of %d, %s): %.3f ms; SSE2 form %.3f ms; table method %.3f ms; memcpy of %zu "
           "bytes %.3f ms; ffmpeg swscale bgra->yuv420p %.3f ms\n", w, h, runs, Rgb32ToI420HasAvx2() ? "AVX2" : "SSE2",
           m, sse2, r, source.size(), c, sws);
    printf("    ratios: swscale / ours %.2f (goal >= 1), ours / memcpy %.2f (goal <= 3), table / ours %.2f\n",
           m > 0 ? sws / m : 0, c > 0 ? m / c : 0, m > 0 ? r / m : 0);
}

// Encodes count pictures through encode(i) and drains through drain(), timing the whole run.
template <class Encode, class Drain>
Cost Measure(int count, Encode encode, Drain drain)
{
    const double cpu = ProcessCpuMs(), t0 = NowMs();
    for (int i = 0; i < count; i++)
        encode(i);
    while (drain()) {
    }
    return {NowMs() - t0, ProcessCpuMs() - cpu};
}

// x264 on its own with these parameters, from pictures already converted.
Cost EncodeAlone(x264_param_t p, const std::vector<std::vector<uint8_t>>& pictures, int w, int h, int count)
{
    x264_t* x = x264_encoder_open(&p);
    x264_picture_t in, out;
    x264_nal_t* nals;
    int n;
    Cost c = Measure(
        count,
        [&](int i) {
            x264_picture_init(&in);
            in.img.i_csp = X264_CSP_I420;
            in.img.i_plane = 3;
            in.img.i_stride[0] = w;
            in.img.i_stride[1] = in.img.i_stride[2] = w / 2;
            uint8_t* base = (uint8_t*)pictures[i % pictures.size()].data();
            in.img.plane[0] = base;
            in.img.plane[1] = base + w * h;
            in.img.plane[2] = base + w * h * 5 / 4;
            in.i_pts = i;
            x264_encoder_encode(x, &nals, &n, &in, &out);
        },
        [&] {
            if (x264_encoder_delayed_frames(x) <= 0)
                return false;
            x264_encoder_encode(x, &nals, &n, nullptr, &out);
            return true;
        });
    x264_encoder_close(x);
    return c;
}

double MedianOf(const std::vector<Cost>& costs, double Cost::*field)
{
    std::vector<double> v;
    for (const Cost& c : costs)
        v.push_back(c.*field);
    return Median(v);
}

void BenchH264(int w, int h, const std::string& dir)
{
    const int distinct = 60, loops = 10, count = distinct * loops, repeats = 3;
    Desktop desktop(w, h);
    std::vector<std::vector<uint8_t>> frames, pictures;
    const size_t pictureSize = (size_t)w * h * 3 / 2;
    for (int i = 0; i < distinct; i++) {
        const uint8_t* f = desktop.Frame(i);
        frames.emplace_back(f, f + (size_t)w * h * 4);
        pictures.emplace_back(pictureSize);
        Rgb32ToI420(w, h, frames.back().data(), pictures.back().data());
    }
    // The same pictures for ffmpeg, through the program's own conversion.
    const std::string input = dir + "/desktop.yuv";
    {
        std::string yuv;
        for (const std::vector<uint8_t>& p : pictures)
            yuv.append((const char*)p.data(), p.size());
        WriteHostFile(input, yuv);
    }
    // The conversion as Encode meets it: a new frame each time, not in the cache.
    std::vector<uint8_t> scratch(pictureSize);
    std::vector<double> conversion;
    for (int i = 0; i < count; i++) {
        double t0 = NowMs();
        Rgb32ToI420(w, h, frames[i % distinct].data(), scratch.data());
        conversion.push_back(NowMs() - t0);
    }
    const double convertMs = Median(conversion);

    std::vector<Cost> wrapper, library, libraryOneThread, ffmpeg, ffmpegOneThread, reading;
    const std::string x264Options = " -c:v libx264 -preset ultrafast -tune film -profile:v baseline -crf 23"
                                    " -qmin 18 -qmax 40 -crf_max 40 -g 600";
    size_t bytes = 0;
    char size[32];
    snprintf(size, sizeof size, "%dx%d", w, h);
    const std::string read = "ffmpeg -nostdin -hide_banner -benchmark -f rawvideo -pix_fmt yuv420p -s " +
                             std::string(size) + " -r 25 -stream_loop " + std::to_string(loops - 1) +
                             " -i " + ShellQuote(input);
    for (int r = 0; r < repeats; r++) {
        // The wrapper, from 32-bit frames.
        TVideoEncoder encoder;
        encoder.Open(w, h, 23);
        bytes = 0;
        wrapper.push_back(Measure(
            count,
            [&](int i) {
                int ts = i * 40;
                if (TVideoFrameBuffer* b = encoder.Encode(frames[i % distinct].data(), &ts)) {
                    bytes += b->length;
                    b->Release();
                }
            },
            [&] {
                if (x264_encoder_delayed_frames(encoder.encoder) <= 0)
                    return false;
                int ts = 0;
                if (TVideoFrameBuffer* b = encoder.Encode(nullptr, &ts)) {
                    bytes += b->length;
                    b->Release();
                }
                return true;
            }));

        // The library alone with the wrapper's parameters, from the converted pictures.
        library.push_back(EncodeAlone(encoder.Parameters(), pictures, w, h, count));
        x264_param_t single = encoder.Parameters();
        single.i_threads = 1;
        libraryOneThread.push_back(EncodeAlone(single, pictures, w, h, count));

        ffmpeg.push_back(FfmpegCost(read + x264Options + " -f h264 -y /dev/null"));
        ffmpegOneThread.push_back(FfmpegCost(read + x264Options + " -threads 1 -f h264 -y /dev/null"));
        // The null muxer wraps the frames without copying them: reading and frame handling only.
        reading.push_back(FfmpegCost(read + " -f null -"));
    }
    auto per = [&](const std::vector<Cost>& c, double Cost::*f) { return MedianOf(c, f) / count; };
    const double wrapWall = per(wrapper, &Cost::wallMs) - convertMs, wrapCpu = per(wrapper, &Cost::cpuMs) - convertMs;
    const double libWall = per(library, &Cost::wallMs), libCpu = per(library, &Cost::cpuMs);
    const double ffWall = per(ffmpeg, &Cost::wallMs) - per(reading, &Cost::wallMs);
    const double ffCpu = per(ffmpeg, &Cost::cpuMs) - per(reading, &Cost::cpuMs);
    printf("H.264 %dx%d, %d frames of desktop content, %zu bytes out, medians of %d runs, ms per frame:\n", w, h,
           count, bytes, repeats);
    printf("    TVideoEncoder::Encode %.2f wall with the conversion of %.2f, %.2f CPU less the conversion\n",
           wrapWall + convertMs, convertMs, wrapCpu);
    printf("    x264 alone, same parameters, same process: %.2f wall, %.2f CPU\n", libWall, libCpu);
    printf("    native ffmpeg libx264: %.2f wall, %.2f CPU (its encode run less its reading run)\n", ffWall, ffCpu);
    printf("    ratios: wrapper / x264 alone %.3f CPU; wrapper / ffmpeg %.3f CPU, %.3f wall with the conversion "
           "(goal <= 1.05)\n", wrapCpu / libCpu, wrapCpu / ffCpu, (wrapWall + convertMs) / ffWall);
    const double oneWall = per(libraryOneThread, &Cost::wallMs);
    const double ffOneWall = per(ffmpegOneThread, &Cost::wallMs) - per(reading, &Cost::wallMs);
    printf("    one thread each: x264 alone under Wine %.2f, native ffmpeg libx264 %.2f (ratio %.3f)\n", oneWall,
           ffOneWall, oneWall / ffOneWall);
}

void BenchAac()
{
    const unsigned rate = 48000, channels = 2;
    const double seconds = 20;
    std::vector<int16_t> samples((size_t)(rate * seconds) * channels);
    unsigned noise = 12345;
    for (size_t i = 0; i < samples.size() / channels; i++) {
        noise = noise * 1103515245u + 12345u;
        double t = (double)i / rate;
        double v = 6000 * sin(2 * 3.14159265 * 440 * t) + 3000 * sin(2 * 3.14159265 * 1250 * t) +
                   (double)((int)(noise >> 16 & 0x7FFF) - 16384) / 8;
        for (unsigned c = 0; c < channels; c++)
            samples[i * channels + c] = (int16_t)v;
    }
    TAudioEncoder encoder;
    encoder.Open(rate, channels, 16);
    const unsigned s = encoder.InputSamples();
    const unsigned block = (channels * rate * 500 / 1000 + s - 1) / s * s * 16 / 8;
    size_t bytes = 0;
    double t0 = NowMs();
    for (size_t at = 0; at < samples.size() * 2; at += block) {
        unsigned n = (unsigned)std::min<size_t>(block, samples.size() * 2 - at);
        if (TAudioBuffer* b = encoder.Encode((const uint8_t*)samples.data() + at, n)) {
            bytes += b->length;
            b->Release();
        }
    }
    double ms = NowMs() - t0;
    printf("AAC 48000 Hz stereo, %.0f s in %u-byte blocks: %.1f ms, %.0fx real time, %zu bytes out\n", seconds,
           block, ms, seconds * 1000 / ms, bytes);
}

} // namespace

int main()
{
    BuildYuvTables();
    const std::string dir = NewTempDir("bench");
    printf("Figures under Wine for our code, native for ffmpeg; the machine is shared, so figures vary.\n");
    BenchConversion(1920, 1080, dir);
    BenchConversion(1280, 720, dir);
    BenchH264(1920, 1080, dir);
    BenchH264(1280, 720, dir);
    BenchAac();
    return 0;
}
