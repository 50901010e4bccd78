// The recording's time line and the stamps of the AAC frames, without a device.
#include "engine/audio_stamper.h"
#include "engine/recording_clock.h"

#include <gtest/gtest.h>
#include <math.h>
#include <stdio.h>
#include <algorithm>

TEST(TRecordingClock, RecordingTimeLeavesOutThePauses)
{
    TRecordingClock clock;
    clock.Start(1000);
    EXPECT_DOUBLE_EQ(clock.Since(1500), 500);
    EXPECT_DOUBLE_EQ(clock.Since(900), -100);
    clock.Pause(3000); // 2000 ms in
    EXPECT_DOUBLE_EQ(clock.Recording(1500), 1500);
    EXPECT_DOUBLE_EQ(clock.Recording(2500), 2000) << "a moment in a pause counts as its start";
    clock.Pause(3500); // paused already: nothing
    clock.Resume(4000);
    clock.Resume(4500); // not paused: nothing
    EXPECT_DOUBLE_EQ(clock.Recording(2500), 2000);
    EXPECT_DOUBLE_EQ(clock.Recording(4000), 3000);
    clock.Pause(6000);
    clock.Resume(6250);
    EXPECT_DOUBLE_EQ(clock.Recording(8000), 8000 - 1000 - 250);
}

TEST(TRecordingClock, RecordedSpansCutOutPausesAndTheTimeBeforeTheStart)
{
    TRecordingClock clock;
    clock.Start(0);
    clock.Pause(1000);
    clock.Resume(1500);
    TRecordedSpan s[4];

    // Before the start and into the recording.
    ASSERT_EQ(clock.Recorded(-200, 500, s, 4), 1);
    EXPECT_DOUBLE_EQ(s[0].since, 0);
    EXPECT_DOUBLE_EQ(s[0].length, 300);
    EXPECT_DOUBLE_EQ(s[0].recording, 0);

    // Across the pause: the sound before and after it meet on the time line.
    ASSERT_EQ(clock.Recorded(800, 1000, s, 4), 2);
    EXPECT_DOUBLE_EQ(s[0].since, 800);
    EXPECT_DOUBLE_EQ(s[0].length, 200);
    EXPECT_DOUBLE_EQ(s[0].recording, 800);
    EXPECT_DOUBLE_EQ(s[1].since, 1500);
    EXPECT_DOUBLE_EQ(s[1].length, 300);
    EXPECT_DOUBLE_EQ(s[1].recording, 1000);

    // Wholly inside the pause, and wholly after it.
    EXPECT_EQ(clock.Recorded(1100, 300, s, 4), 0);
    ASSERT_EQ(clock.Recorded(2000, 500, s, 4), 1);
    EXPECT_DOUBLE_EQ(s[0].recording, 1500);

    // A pause still going on leaves out everything from its start.
    clock.Pause(3000);
    ASSERT_EQ(clock.Recorded(2800, 1000, s, 4), 1);
    EXPECT_DOUBLE_EQ(s[0].length, 200);
    EXPECT_EQ(clock.Recorded(3200, 1000, s, 4), 0);
    // At most max spans.
    EXPECT_EQ(clock.Recorded(800, 3000, s, 1), 1);
}

TEST(TAudioStamper, FramesFollowTheSampleCountFromTheFirstCaptureTime)
{
    TAudioStamper stamper;
    stamper.Open(8000, 1024, 1, 70);
    // Buffers of 4000 samples (500 ms), their capture times jittering by up to 40 ms.
    const double jitter[] = {0, 30, -40, 10, 35, -20};
    for (int i = 0; i < 6; ++i)
        stamper.Feed(4000, 1000 + 500 * i + jitter[i]);
    EXPECT_EQ(stamper.Resyncs(), 0);
    // The decoder sounds frame 1's first sample at the first input sample.
    EXPECT_DOUBLE_EQ(stamper.FrameTime(1), 1000);
    EXPECT_DOUBLE_EQ(stamper.FrameTime(0), 1000 - 128);
    EXPECT_DOUBLE_EQ(stamper.FrameTime(21), 1000 + 20 * 128);
    EXPECT_DOUBLE_EQ(stamper.End(), 1000 + 3000);
}

TEST(TAudioStamper, DriftBeyondTheToleranceTwiceRunningStartsTheCountAgain)
{
    TAudioStamper stamper;
    stamper.Open(8000, 1024, 1, 70);
    stamper.Feed(4096, 0);     // frames 1 to 4
    stamper.Feed(4096, 600);   // 88 ms late once: a busy moment, the count goes on
    EXPECT_EQ(stamper.Resyncs(), 0);
    stamper.Feed(4096, 1024);  // back in line
    stamper.Feed(4096, 1620);  // 84 ms late
    stamper.Feed(4096, 2128);  // 80 ms late: again from here, the nearer of the two
    EXPECT_EQ(stamper.Resyncs(), 1);
    stamper.Feed(4096, 2632);  // 8 ms early against the new count: kept
    EXPECT_EQ(stamper.Resyncs(), 1);
    EXPECT_NEAR(stamper.LastDrift(), -8, 1e-9);
    EXPECT_DOUBLE_EQ(stamper.FrameTime(16), 15 * 128);
    EXPECT_DOUBLE_EQ(stamper.FrameTime(17), 2128);
    EXPECT_DOUBLE_EQ(stamper.FrameTime(21), 2128 + 512);
    EXPECT_DOUBLE_EQ(stamper.End(), 2128 + 1024);

    // Late one way and early the other is no drift of the count.
    TAudioStamper mixed;
    mixed.Open(8000, 1024, 1, 70);
    mixed.Feed(4096, 0);
    mixed.Feed(4096, 600);
    mixed.Feed(4096, 930);
    EXPECT_EQ(mixed.Resyncs(), 0);
}

TEST(TAudioStamper, AfterTheFirstResyncTheCountKeepsTheDevicesOwnPace)
{
    // A device whose clock runs 1000 ppm fast against the system's: 4000 samples every 499.5 ms.
    TAudioStamper stamper;
    stamper.Open(8000, 1024, 1, 70);
    const double period = 500.0 / 1.001;
    int i = 0;
    for (; i < 200 && stamper.Resyncs() == 0; ++i)
        stamper.Feed(4000, i * period);
    // The count lost half a millisecond a buffer: beyond 70 ms after some 140 buffers.
    EXPECT_EQ(stamper.Resyncs(), 1);
    EXPECT_GT(i, 130);
    // Then ten minutes more without another.
    for (; i < 1400; ++i)
        stamper.Feed(4000, i * period);
    EXPECT_EQ(stamper.Resyncs(), 1);
    EXPECT_NEAR(stamper.LastDrift(), 0, 5);
    EXPECT_NEAR(stamper.End(), 1400 * period, 5);
}

TEST(TAudioStamper, SoundTheDeviceLostMovesTheCountButNotItsPace)
{
    TAudioStamper stamper;
    stamper.Open(8000, 1024, 1, 70);
    int i = 0;
    for (; i < 100; ++i)
        stamper.Feed(4000, i * 500.0);
    // 300 ms of sound never arrived: the count starts again 300 ms on, at the same pace.
    for (; i < 400; ++i)
        stamper.Feed(4000, i * 500.0 + 300);
    EXPECT_EQ(stamper.Resyncs(), 1);
    EXPECT_NEAR(stamper.End(), 400 * 500.0 + 300, 1);
}

namespace {

// Half a second of 44.1 kHz sound a buffer, as the worker asks of the device.
const unsigned kLongRate = 44100, kLongBuffer = 22528, kLongFrame = 1024;
const double kLongTolerance = 70;
// Capture times come late by up to this much (the dispatch of the device's hand-over), and now and
// then much later for a single buffer (a busy moment of the machine).
const double kLongJitter = 18, kLongBusy = 95;

struct LongRun {
    double backStep = 0;  // largest step back between frames in order, ms
    double worstError = 0; // largest distance of a stamp from its true capture time, ms
    int resyncs = 0;
    uint64_t frames = 0;
};

// Thirty-five minutes from a device whose clock runs ppm parts per million off the system's.
LongRun RunDevice(double ppm)
{
    TAudioStamper stamper;
    stamper.Open(kLongRate, kLongFrame, 1, kLongTolerance);
    const double sampleMs = 1000.0 / kLongRate / (1 + ppm * 1e-6);
    LongRun run;
    uint64_t fed = 0, next = 1;
    double previous = 0;
    unsigned seed = 12345;
    for (int i = 0; fed * sampleMs < 35 * 60 * 1000.0; ++i) {
        seed = seed * 1103515245u + 12345u;
        double late = (seed >> 16) % 1000 / 1000.0 * kLongJitter;
        if (i % 53 == 17)
            late += kLongBusy;
        stamper.Feed(kLongBuffer, fed * sampleMs + late);
        fed += kLongBuffer;
        // Every frame whose sound has gone in, in the order the encoder hands them out.
        for (; next * kLongFrame <= fed; ++next) {
            const double t = stamper.FrameTime(next);
            const double truth = (double)((next - 1) * kLongFrame) * sampleMs;
            if (next > 1)
                run.backStep = std::max(run.backStep, previous - t);
            run.worstError = std::max(run.worstError, fabs(t - truth));
            if (next > 1 && t <= previous)
                run.backStep = std::max(run.backStep, 1e-9);
            previous = t;
        }
    }
    run.resyncs = stamper.Resyncs();
    run.frames = next - 1;
    return run;
}

} // namespace

TEST(TAudioStamper, FrameTimesKeepRisingOverHalfAnHourOfADriftingDevice)
{
    for (double ppm : {1000.0, -1000.0, 436.0, 100.0}) {
        LongRun run = RunDevice(ppm);
        printf("[ figures  ] %+5.0f ppm: %llu frames, %d resyncs, largest step back %.1f ms, stamps at most %.1f ms "
               "from the capture times\n",
               ppm, (unsigned long long)run.frames, run.resyncs, run.backStep, run.worstError);
        EXPECT_EQ(run.backStep, 0) << ppm << " ppm";
        EXPECT_LE(run.worstError, kLongTolerance + kLongJitter + 2) << ppm << " ppm";
        EXPECT_GE(run.resyncs, ppm >= 1000 || ppm <= -1000 ? 1 : 0) << ppm << " ppm";
    }
}
