// Sound against picture in whole recordings: the screen flips from black to white at the moment a
// click is played into the microphone at low latency, several times in one recording; and the
// sound's end and its continuity across a pause. Read back with the native ffprobe and ffmpeg.
#include "engine/worker.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tests/engine/colour_window.h"
#include "tests/engine/media_probe.h"
#include "tests/engine/sync_probe.h"
#include "tests/support/host.h"

namespace {

RECT Rect(int left, int top, int right, int bottom)
{
    RECT r = {left, top, right, bottom};
    return r;
}

TRefString<char>& PathOf(TRefString<char>& s, const std::string& unixPath)
{
    s.Assign(WindowsPath(unixPath).c_str());
    return s;
}

struct SyncCase {
    const char* extension;
    int rate;
    int channels;
};

// Milliseconds after the start at which the screen flips and a click plays; the recording pauses
// for a second before the second one and runs past 30 s before the last.
const int kPauseAtMs = 3500;
const int kPauseMs = 1000;
const int kClickAtMs[] = {1500, 5100, 16000, 31000};
const char* const kClickName[] = {"at start", "after pause", "at 16 s", "after 30 s"};
const char* const kClickKey[] = {"at_start", "after_pause", "at_16_s", "after_30_s"};
const int kClickCount = 4;

class WorkerSync : public ::testing::TestWithParam<SyncCase> {};

} // namespace

// EBU R37: sound at most 40 ms before and at most 60 ms after its picture. The flip happened
// somewhere in the frame interval that ends with the first white picture, so a click passes when
// it lies within the bound of some moment of that interval.
TEST_P(WorkerSync, EveryClickLiesWithinTheBoundOfItsFlip)
{
    const SyncCase c = GetParam();
    std::string dir = NewTempDir("sync");
    std::string file = dir + std::string("/record") + c.extension;
    ClickPlayer player(dir);
    ASSERT_TRUE(player.Ready()) << "no click player";
    FlipScreen screen;
    int resyncs = 0;
    double firstSound = -1;
    {
        TWorker worker;
        worker.m_nFps = 15;
        TRefString<char> path;
        TAudioSettings settings = {-1, c.channels, c.rate};
        ASSERT_TRUE(worker.Start(PathOf(path, file), &settings, NULL, NULL));
        const DWORD start = GetTickCount();
        auto until = [&](int ms) {
            int left = ms - (int)(GetTickCount() - start);
            if (left > 0)
                PumpMessages(left);
        };
        bool pausedOnce = false;
        for (int i = 0; i < kClickCount; ++i) {
            if (kClickAtMs[i] > kPauseAtMs && !pausedOnce) {
                until(kPauseAtMs);
                worker.m_bPaused = 1;
                until(kPauseAtMs + kPauseMs);
                worker.m_bPaused = 0;
                pausedOnce = true;
            }
            until(kClickAtMs[i]);
            screen.White();
            player.Click();
            until(kClickAtMs[i] + 1000);
            screen.Black();
        }
        until(kClickAtMs[kClickCount - 1] + 1500);
        EXPECT_TRUE(worker.Stop());
        resyncs = worker.AudioResyncs();
        firstSound = worker.FirstSoundCaptured();
    }

    printf("[ figures  ] sync %-4s %5d Hz %d ch: %d resyncs, first sound captured at %.0f ms\n", c.extension,
           c.rate, c.channels, resyncs, firstSound);
    std::vector<Flip> flips = Flips(FrameLuma(file));
    std::vector<double> clicks = Clicks(SoundOnTimeLine(file, kClickPcmRate));
    ASSERT_EQ(flips.size(), (size_t)kClickCount) << "white pictures";
    ASSERT_EQ(clicks.size(), (size_t)kClickCount) << "clicks";
    for (int i = 0; i < kClickCount; ++i) {
        const Flip& f = flips[i];
        // Positive: the sound comes after the picture. Measured from the nearest moment of the
        // interval in which the flip happened.
        const double early = (f.black - clicks[i]) * 1000, late = (clicks[i] - f.white) * 1000;
        printf("[ figures  ] sync %-4s %5d Hz %d ch, %-11s: flip between %.3f and %.3f s, click at %.3f s: "
               "%+.0f ms from the first white picture, %+.0f ms from the last black one\n",
               c.extension, c.rate, c.channels, kClickName[i], f.black, f.white, clicks[i], late, -early);
        RecordProperty(std::string("sync_ms_") + kClickKey[i], (int)lround(late));
        EXPECT_LE(early, 40) << kClickName[i] << ": sound " << early << " ms before the flip";
        EXPECT_LE(late, 60) << kClickName[i] << ": sound " << late << " ms after the flip";
    }
}

INSTANTIATE_TEST_SUITE_P(Containers, WorkerSync,
                         ::testing::Values(SyncCase{".flv", 44100, 2}, SyncCase{".ts", 8000, 1}),
                         [](const ::testing::TestParamInfo<SyncCase>& info) {
                             return std::string(info.param.extension[1] == 'f' ? "Flv44100Stereo" : "Ts8000Mono");
                         });

namespace {

// The streams playing into the microphone: the tone's player, restarted only if it died.
std::string ToneStreams()
{
    return RunHost("pactl list short sink-inputs | cut -f1 | tr '\\n' ' '").output;
}

class WorkerEnd : public ::testing::TestWithParam<SyncCase> {};

} // namespace

// The sound reaches the last picture (within one AAC frame and one frame period), and the tone
// runs on without a gap across a pause: only the paused time itself is left out.
TEST_P(WorkerEnd, SoundLastsToTheLastPictureAndRunsOnAcrossAPause)
{
    const SyncCase c = GetParam();
    ColourWindow grey(Rect(0, 0, 1280, 720), RGB(128, 128, 128));
    SetForegroundWindow(grey.Handle());
    PumpMessages(200);
    const int fps = 15;
    const std::string file = NewTempDir("end") + std::string("/record") + c.extension;
    const std::string tone = ToneStreams();
    double firstSound = -1;
    int firstPicture = -1;
    {
        TWorker worker;
        worker.m_nFps = fps;
        TRefString<char> path;
        TAudioSettings settings = {-1, c.channels, c.rate};
        ASSERT_TRUE(worker.Start(PathOf(path, file), &settings, NULL, NULL));
        PumpMessages(2500);
        worker.m_bPaused = 1;
        PumpMessages(1000);
        worker.m_bPaused = 0;
        PumpMessages(2500);
        EXPECT_TRUE(worker.Stop());
        firstSound = worker.FirstSoundCaptured();
        firstPicture = worker.FirstPictureTime();
    }
    ASSERT_EQ(ToneStreams(), tone) << "the tone's player restarted: the microphone itself had a gap";

    std::vector<ProbedPacket> frames = ProbePackets(file, "v");
    std::vector<ProbedPacket> sounds = ProbePackets(file, "a");
    ASSERT_GT(frames.size(), 20u);
    ASSERT_GT(sounds.size(), 10u);
    ASSERT_GE(firstSound, 0) << "the microphone delivered nothing";
    ASSERT_GE(firstPicture, 0) << "no picture";
    const double aacFrame = 1024.0 / c.rate;
    // A device may begin capturing well after it was started (Wine's wave input on a busy machine
    // has taken over a second): the sound can begin only where its first sample was captured.
    const double lateStart = std::max(0.0, (firstSound - firstPicture) / 1000.0);
    printf("[ figures  ] start %-4s %5d Hz %d ch: first picture at %d ms, first sound captured at %.0f ms "
           "(late start %.0f ms), first sound packet %+.0f ms from the first picture\n",
           c.extension, c.rate, c.channels, firstPicture, firstSound, lateStart * 1000,
           (sounds.front().pts - frames.front().pts) * 1000);
    // The frame period: the mean one, or the last one when the machine was slower at the end.
    const double period = std::max((frames.back().pts - frames.front().pts) / (double)(frames.size() - 1),
                                   frames.back().pts - frames[frames.size() - 2].pts);
    const double lastPicture = frames.back().pts;
    const double soundEnd = sounds.back().pts + aacFrame;
    printf("[ figures  ] end %-4s %5d Hz %d ch: last picture at %.3f s, sound ends %.3f s (%+.0f ms; bound "
           "%.0f ms)\n",
           c.extension, c.rate, c.channels, lastPicture, soundEnd, (soundEnd - lastPicture) * 1000,
           (aacFrame + period) * 1000);
    EXPECT_NEAR(soundEnd, lastPicture, aacFrame + period);

    // One unbroken run of frames across the pause: each frame starts where the one before ended
    // (stamps are whole milliseconds), so no sound is missing or doubled at the boundary.
    double worst = 0;
    for (size_t i = 0; i < sounds.size(); ++i)
        worst = std::max(worst, fabs(sounds[i].pts - (sounds[0].pts + (double)i * aacFrame)));
    printf("[ figures  ] frames %zu: furthest %.1f ms from an unbroken run\n", sounds.size(), worst * 1000);
    EXPECT_LE(worst, 0.0015);

    // And the tone sounds throughout, from a quarter of a second in (the device may start with a
    // moment of silence of its own) to the start of the last frame. The tone's player may miss
    // a few milliseconds now and then on a busy machine, which leaves a quiet 10 ms window here
    // and there; a lost or doubled stretch of sound would show above.
    const int rate = 16000;
    TimedSound s = SoundOnTimeLine(file, rate);
    const size_t from = (size_t)((sounds.front().pts + 0.25 - s.start) * rate);
    const size_t to = (size_t)((soundEnd - aacFrame - s.start) * rate);
    ASSERT_GT(s.samples.size(), to);
    int quiet = 0, windows = 0;
    double firstQuiet = -1;
    for (size_t at = from; at + rate / 100 <= to; at += rate / 100, ++windows) {
        if (Rms(s.samples, at, at + rate / 100) < 3000) {
            if (quiet++ == 0)
                firstQuiet = s.start + (double)at / rate;
        }
    }
    printf("[ figures  ] tone %.3f-%.3f s: %d of %d 10 ms windows quiet (first at %.3f s)\n",
           s.start + (double)from / rate, s.start + (double)to / rate, quiet, windows, firstQuiet);
    EXPECT_LE(quiet, windows / 20);
    // Nothing of the paused second: the sound spans the picture's time, which leaves it out, from
    // where the device began capturing.
    EXPECT_NEAR(soundEnd - sounds.front().pts, lastPicture - frames.front().pts - lateStart, aacFrame + 2 * period);
}

INSTANTIATE_TEST_SUITE_P(Containers, WorkerEnd,
                         ::testing::Values(SyncCase{".flv", 44100, 2}, SyncCase{".ts", 8000, 1}),
                         [](const ::testing::TestParamInfo<SyncCase>& info) {
                             return std::string(info.param.extension[1] == 'f' ? "Flv44100Stereo" : "Ts8000Mono");
                         });
