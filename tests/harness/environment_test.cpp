// The display and microphone the GUI and sound tests rely on.
#include <gtest/gtest.h>
#include <windows.h>
#include <mmsystem.h>
#include <cmath>
#include <vector>

#include "tests/support/host.h"

namespace {

// Strongest frequency between 100 and 2000 Hz, in whole hertz.
int DominantFrequency(const std::vector<short>& samples, int rate)
{
    int best = 0;
    double bestPower = -1;
    for (int f = 100; f <= 2000; ++f) {
        double re = 0, im = 0, w = 2 * 3.14159265358979 * f / rate;
        for (size_t i = 0; i < samples.size(); ++i) {
            re += samples[i] * cos(w * i);
            im += samples[i] * sin(w * i);
        }
        double power = re * re + im * im;
        if (power > bestPower) {
            bestPower = power;
            best = f;
        }
    }
    return best;
}

} // namespace

TEST(TestEnvironment, DisplayIsTheXvfbScreen)
{
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 720);
}

TEST(TestEnvironment, NativeCommandsReachTheSoundServer)
{
    HostResult r = RunHost("pactl get-default-source");
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(r.output, "mic.monitor\n");
}

TEST(TestEnvironment, MicrophoneRecordsTheTone)
{
    ASSERT_GE(waveInGetNumDevs(), 1u);
    const int rate = 44100;
    WAVEFORMATEX format = {WAVE_FORMAT_PCM, 1, rate, rate * 2, 2, 16, 0};
    HANDLE event = CreateEventW(NULL, FALSE, FALSE, NULL);
    HWAVEIN wave = NULL;
    ASSERT_EQ(waveInOpen(&wave, WAVE_MAPPER, &format, (DWORD_PTR)event, 0, CALLBACK_EVENT), MMSYSERR_NOERROR);
    const int kBuffers = 8, kSamples = rate / 2;
    std::vector<std::vector<short>> data(kBuffers, std::vector<short>(kSamples));
    std::vector<WAVEHDR> headers(kBuffers);
    for (int i = 0; i < kBuffers; ++i) {
        headers[i] = WAVEHDR();
        headers[i].lpData = (LPSTR)data[i].data();
        headers[i].dwBufferLength = kSamples * 2;
        waveInPrepareHeader(wave, &headers[i], sizeof(WAVEHDR));
        waveInAddBuffer(wave, &headers[i], sizeof(WAVEHDR));
    }
    waveInStart(wave);
    DWORD start = GetTickCount();
    while (!(headers[kBuffers - 1].dwFlags & WHDR_DONE) && GetTickCount() - start < 15000)
        WaitForSingleObject(event, 500);
    waveInReset(wave);
    for (int i = 0; i < kBuffers; ++i)
        waveInUnprepareHeader(wave, &headers[i], sizeof(WAVEHDR));
    waveInClose(wave);
    CloseHandle(event);

    ASSERT_TRUE(headers[kBuffers - 1].dwFlags & WHDR_DONE) << "the microphone delivered too little";
    std::vector<short> last(data[kBuffers - 2].begin(), data[kBuffers - 2].end());
    last.insert(last.end(), data[kBuffers - 1].begin(), data[kBuffers - 1].end());
    int peak = 0;
    for (short s : last)
        peak = std::max(peak, abs((int)s));
    EXPECT_GT(peak, 4000);
    EXPECT_NEAR(DominantFrequency(last, rate), 440, 2);
}
