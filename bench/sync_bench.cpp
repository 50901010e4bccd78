// Sound against picture over a long recording: the screen flips from black to white with a click
// played into the microphone at low latency every 20 s, and the file is read back for the offset
// of each click from its flip, the drift per hour, the resyncs and the sound's time line against
// the wall clock, and whether the times in the file kept their order. Run under Wine with the
// test environment's display and microphone:
//   scripts/wine-test.sh run gui $PWD/build 900 $PWD/build/bench/sync_bench.exe [seconds] [.flv|.ts] [file]
// (ten minutes at 44100 Hz stereo unless told otherwise). Given a file (its Linux path), it reads
// that earlier recording of the given length instead of making one; the resyncs are then unknown.
#include "engine/worker.h"
#include "tests/engine/colour_window.h"
#include "tests/engine/media_probe.h"
#include "tests/engine/sync_probe.h"
#include "tests/support/host.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <vector>

namespace {

const int kClickEveryMs = 20000;

// Least-squares slope of y over x.
double Slope(const std::vector<double>& x, const std::vector<double>& y)
{
    double mx = 0, my = 0;
    for (size_t i = 0; i < x.size(); ++i)
        mx += x[i], my += y[i];
    mx /= (double)x.size();
    my /= (double)y.size();
    double sxy = 0, sxx = 0;
    for (size_t i = 0; i < x.size(); ++i)
        sxy += (x[i] - mx) * (y[i] - my), sxx += (x[i] - mx) * (x[i] - mx);
    return sxx > 0 ? sxy / sxx : 0;
}

struct RecordingFigures {
    DWORD wall = 0;
    int resyncs = -1; // unknown for a recording made earlier
    double drift = 0;
};

// Records for seconds with a flip and a click every 20 s; false when the recording cannot start.
bool Record(const std::string& dir, const std::string& file, int seconds, RecordingFigures* figures)
{
    ClickPlayer player(dir);
    if (!player.Ready()) {
        printf("no click player\n");
        return false;
    }
    FlipScreen screen;
    TWorker worker;
    worker.m_nFps = 15;
    TRefString<char> path;
    path.Assign(WindowsPath(file).c_str());
    TAudioSettings settings = {-1, 2, 44100};
    if (!worker.Start(path, &settings, NULL, NULL)) {
        printf("the recording did not start\n");
        return false;
    }
    const DWORD start = GetTickCount();
    auto until = [&](int ms) {
        int left = ms - (int)(GetTickCount() - start);
        if (left > 0)
            PumpMessages(left);
    };
    for (int at = 2000; at + 2000 < seconds * 1000; at += kClickEveryMs) {
        until(at);
        screen.White();
        player.Click();
        until(at + 1000);
        screen.Black();
    }
    until(seconds * 1000);
    worker.Stop();
    figures->wall = GetTickCount() - start;
    figures->resyncs = worker.AudioResyncs();
    figures->drift = worker.AudioDrift();
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? atoi(argv[1]) : 600;
    const std::string extension = argc > 2 ? argv[2] : ".flv";
    RecordingFigures figures;
    std::string file;
    if (argc > 3) {
        file = argv[3];
        figures.wall = (DWORD)seconds * 1000;
    } else {
        const std::string dir = TestTempDir() + "/sync_bench";
        RunHost("rm -rf " + ShellQuote(dir) + " && mkdir -p " + ShellQuote(dir));
        file = dir + "/record" + extension;
        if (!Record(dir, file, seconds, &figures))
            return 1;
    }
    const DWORD wall = figures.wall;

    // Decoding every picture takes about 2 s per minute recorded.
    std::vector<Flip> flips = Flips(FrameLuma(file, 120000 + (unsigned)seconds * 100));
    std::vector<double> clicks = Clicks(SoundOnTimeLine(file, kClickPcmRate));
    std::vector<ProbedPacket> video = ProbePackets(file, "v"), audio = ProbePackets(file, "a");
    printf("recording %s, %d s asked, %.3f s by the wall clock: %zu flips, %zu clicks\n", extension.c_str(),
           seconds, wall / 1000.0, flips.size(), clicks.size());
    if (video.empty() || audio.empty() || flips.size() != clicks.size() || flips.empty()) {
        printf("the flips and the clicks do not pair up\n");
        return 1;
    }
    std::vector<double> when, offset;
    for (size_t i = 0; i < flips.size(); ++i) {
        // The middle of the frame interval in which the flip happened.
        const double flip = (flips[i].black + flips[i].white) / 2;
        when.push_back(flip);
        offset.push_back((clicks[i] - flip) * 1000);
        printf("  flip %7.3f s (%.3f-%.3f), click %7.3f s: sound %+5.0f ms\n", flip, flips[i].black, flips[i].white,
               clicks[i], offset.back());
    }
    const double first = audio.front().pts, last = audio.back().pts + 1024.0 / 44100;
    printf("sound %.3f-%.3f s (%.3f s), pictures %.3f-%.3f s (%.3f s), wall clock %.3f s\n", first, last, last - first,
           video.front().pts, video.back().pts, video.back().pts - video.front().pts, wall / 1000.0);
    // The device's own clock: the sound it delivered (by samples) against the time its frames were
    // stamped with (by the wall clock, less what the resyncs moved).
    const double bySamples = (double)audio.size() * 1024.0 / 44100;
    printf("sound by its samples %.3f s against %.3f s of stamps: %+.1f ms per hour\n", bySamples, last - first,
           (bySamples - (last - first)) * 1000 * 3600 / (last - first));
    printf("offset at the start %+.0f ms, at the end %+.0f ms; drift %+.1f ms per hour\n", offset.front(),
           offset.back(), Slope(when, offset) * 3600);
    if (figures.resyncs >= 0)
        printf("resyncs %d, last drift of the sample count from the capture times %+.1f ms\n", figures.resyncs,
               figures.drift);
    // Whether the sound's times kept rising, and how far any packet lies behind one before it.
    const TimeOrder order = MeasureTimeOrder(ProbeFileOrder(file));
    printf("sound times %s: largest step back %.0f ms%s; pictures' largest step back %.0f ms; a packet lies at most "
           "%.0f ms behind one before it in the file\n",
           order.audioBackStep > 0 || order.audioRepeated ? "did not keep rising" : "kept rising",
           order.audioBackStep * 1000, order.audioRepeated ? " (a time repeated)" : "", order.videoBackStep * 1000,
           order.lateness * 1000);
    return 0;
}
