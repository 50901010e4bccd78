// Wave input against the test environment's PulseAudio: the microphone is the monitor of the sink
// "mic", into which a 440 Hz tone plays all the time.
#include "engine/audio_channel.h"

#include <gtest/gtest.h>
#include <cmath>
#include <string>
#include <vector>

#include "tests/support/log_capture.h"

namespace {

class Channel : public CRecordChannel {
public:
    WAVEHDR* Buffer(int i) const { return m_pBuffers[i]; }
    HWAVEIN Device() const { return m_hDevice; }
    LONG Stopped() const { return m_bStop; }
};

// What the data callback saw; the callback has no context, so one recording at a time.
struct Seen {
    CRITICAL_SECTION lock;
    std::vector<WAVEHDR*> headers;
    std::vector<DWORD> bytes;
    std::vector<short> samples;
    int nonNullContexts = 0;
    DWORD threadId = 0;
    int slowCalls = 0; // the first calls that take longer than the sound they carry

    Seen() { InitializeCriticalSection(&lock); }
    ~Seen() { DeleteCriticalSection(&lock); }
    size_t Count()
    {
        EnterCriticalSection(&lock);
        size_t n = headers.size();
        LeaveCriticalSection(&lock);
        return n;
    }
};
Seen* g_seen = NULL;

int OnData(void* context, WAVEHDR* header)
{
    Seen* s = g_seen;
    EnterCriticalSection(&s->lock);
    s->headers.push_back(header);
    s->bytes.push_back(header->dwBytesRecorded);
    const short* p = (const short*)header->lpData;
    s->samples.insert(s->samples.end(), p, p + header->dwBytesRecorded / 2);
    if (context)
        ++s->nonNullContexts;
    s->threadId = GetCurrentThreadId();
    bool slow = s->slowCalls > 0 && s->slowCalls--;
    LeaveCriticalSection(&s->lock);
    if (slow)
        Sleep(250);
    return 0;
}

bool WaitForCallbacks(Seen& seen, size_t n)
{
    for (int i = 0; i < 300 && seen.Count() < n; ++i)
        Sleep(100);
    return seen.Count() >= n;
}

// Strongest frequency between 100 and 2000 Hz of one channel, in whole hertz.
int DominantFrequency(const std::vector<short>& samples, int rate, int channels, int channel)
{
    int best = 0;
    double bestPower = -1;
    for (int f = 100; f <= 2000; f += 2) {
        double re = 0, im = 0, w = 2 * 3.14159265358979 * f / rate;
        for (size_t i = channel, n = 0; i < samples.size(); i += channels, ++n) {
            re += samples[i] * cos(w * n);
            im += samples[i] * sin(w * n);
        }
        if (re * re + im * im > bestPower) {
            bestPower = re * re + im * im;
            best = f;
        }
    }
    return best;
}

int Peak(const std::vector<short>& samples)
{
    int peak = 0;
    for (short s : samples)
        peak = std::max(peak, abs((int)s));
    return peak;
}

class AudioChannelTest : public ::testing::Test {
protected:
    void SetUp() override { g_seen = &seen; }
    void TearDown() override { g_seen = NULL; }
    Seen seen;
};

} // namespace

TEST_F(AudioChannelTest, EnumDevicesAppendsEachDeviceAfterTheDialogsEntries)
{
    HWND combo = CreateWindowW(L"COMBOBOX", L"", WS_POPUP | CBS_DROPDOWNLIST, 0, 0, 200, 200, NULL,
                               NULL, GetModuleHandleW(NULL), NULL);
    ASSERT_NE(combo, nullptr);
    SendMessageW(combo, CB_ADDSTRING, 0, (LPARAM)L"[Don't record voice]");
    SendMessageW(combo, CB_ADDSTRING, 0, (LPARAM)L"[Select automatically]");
    int n = CRecordChannel::EnumDevices(combo);
    EXPECT_EQ(n, (int)waveInGetNumDevs());
    EXPECT_GE(n, 1);
    ASSERT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), n + 2);
    for (int k = 0; k < n; ++k) {
        WAVEINCAPSW caps;
        ASSERT_EQ(waveInGetDevCapsW(k, &caps, sizeof caps), MMSYSERR_NOERROR);
        wchar_t text[256] = {};
        SendMessageW(combo, CB_GETLBTEXT, k + 2, (LPARAM)text);
        EXPECT_EQ(std::wstring(text), std::wstring(caps.szPname)) << k;
    }
    DestroyWindow(combo);
}

// Buffers of 4000 samples (about 91 ms) go round the twenty slots several times; the first calls
// take longer than the sound they carry, so filled buffers wait for delivery.
TEST_F(AudioChannelTest, EveryBufferReachesTheCallbackInOrderAndGoesBackToTheDevice)
{
    const int rate = 44100, bytes = 4000 * 2;
    seen.slowCalls = 6;
    Channel channel;
    // The bits argument does not change the format: the samples are 16-bit.
    ASSERT_EQ(channel.Open(-1, 1, rate, 8, bytes), 0);
    EXPECT_EQ(channel.Stopped(), 1);
    std::vector<WAVEHDR*> slots;
    for (int i = 0; i < CAudioChannel::kBufferCount; ++i) {
        WAVEHDR* h = channel.Buffer(i);
        slots.push_back(h);
        ASSERT_NE(h, nullptr);
        EXPECT_EQ((void*)h->lpData, (void*)(h + 1));
        EXPECT_EQ(h->dwBufferLength, (DWORD)bytes);
        EXPECT_TRUE(h->dwFlags & WHDR_PREPARED);
        EXPECT_EQ(h->dwUser, 0u);
    }
    channel.m_pfnData = OnData;
    ASSERT_EQ(channel.Start(), 0);
    EXPECT_EQ(channel.Stopped(), 0);
    ASSERT_TRUE(WaitForCallbacks(seen, 50)) << seen.Count() << " buffers";
    channel.Close();

    EnterCriticalSection(&seen.lock);
    std::vector<WAVEHDR*> headers = seen.headers;
    std::vector<DWORD> sizes = seen.bytes;
    std::vector<short> samples = seen.samples;
    LeaveCriticalSection(&seen.lock);
    EXPECT_EQ(seen.nonNullContexts, 0);
    EXPECT_NE(seen.threadId, GetCurrentThreadId());
    // Slot after slot, round and round: no buffer left out, none twice, none out of turn.
    ASSERT_GE(headers.size(), 50u);
    for (size_t i = 0; i < headers.size(); ++i)
        ASSERT_EQ(headers[i], slots[i % CAudioChannel::kBufferCount]) << "call " << i;
    for (DWORD n : sizes)
        EXPECT_EQ(n, (DWORD)bytes);
    // The tone, at full strength, once the sound server has started to deliver.
    std::vector<short> tail(samples.begin() + samples.size() / 2, samples.end());
    EXPECT_GT(Peak(tail), 4000);
    EXPECT_NEAR(DominantFrequency(tail, rate, 1, 0), 440, 2);
}

TEST_F(AudioChannelTest, CloseEndsTheRotationAndCanBeRepeated)
{
    Channel idle;
    idle.Close();
    idle.Close();
    EXPECT_EQ(idle.Stopped(), 1);

    Channel channel;
    ASSERT_EQ(channel.Open(-1, 1, 22050, 16, 2205 * 2), 0);
    channel.m_pfnData = OnData;
    ASSERT_EQ(channel.Start(), 0);
    ASSERT_TRUE(WaitForCallbacks(seen, 5));
    channel.Close();
    size_t n = seen.Count();
    EXPECT_EQ(channel.Device(), nullptr);
    EXPECT_EQ(channel.Stopped(), 1);
    for (int i = 0; i < CAudioChannel::kBufferCount; ++i)
        EXPECT_EQ(channel.Buffer(i), nullptr);
    Sleep(1500);
    EXPECT_EQ(seen.Count(), n);
    channel.Close();
    EXPECT_EQ(seen.Count(), n);
}

namespace {

// A data callback that, once armed, takes far longer than StopCapture's wait.
volatile LONG g_armed = 0, g_inside = 0, g_entered = 0;

int SlowOnData(void*, WAVEHDR*)
{
    InterlockedExchange(&g_inside, 1);
    if (InterlockedExchange(&g_armed, 0)) {
        InterlockedExchange(&g_entered, 1);
        Sleep(3000);
    }
    InterlockedExchange(&g_inside, 0);
    return 0;
}

} // namespace

TEST_F(AudioChannelTest, StopCaptureReturnsOnlyAfterACallbackInProgressHasEnded)
{
    Channel channel;
    ASSERT_EQ(channel.Open(-1, 1, 22050, 16, 2205 * 2), 0);
    channel.m_pfnData = SlowOnData;
    InterlockedExchange(&g_entered, 0);
    InterlockedExchange(&g_armed, 1);
    ASSERT_EQ(channel.Start(), 0);
    for (int i = 0; i < 100 && !g_entered; ++i)
        Sleep(50);
    ASSERT_TRUE(g_entered) << "no buffer reached the callback";
    const DWORD start = GetTickCount();
    channel.StopCapture(100);
    const DWORD took = GetTickCount() - start;
    // The owner uses what the callback used as soon as this returns.
    EXPECT_EQ(g_inside, 0) << "StopCapture returned after " << took << " ms with the callback still running";
    channel.Close();
}

TEST_F(AudioChannelTest, OpenAgainClosesTheRunningDeviceFirst)
{
    Channel channel;
    ASSERT_EQ(channel.Open(-1, 1, 16000, 16, 1600 * 2), 0);
    channel.m_pfnData = OnData;
    ASSERT_EQ(channel.Start(), 0);
    ASSERT_TRUE(WaitForCallbacks(seen, 3));
    ASSERT_EQ(channel.Open(0, 2, 48000, 16, 12000 * 4), 0);
    size_t before = seen.Count();
    Sleep(1000);
    EXPECT_EQ(seen.Count(), before) << "the old buffers went on after the second Open";
    ASSERT_EQ(channel.Start(), 0);
    ASSERT_TRUE(WaitForCallbacks(seen, before + 8));
    channel.Close();

    // Stereo at 48000 Hz: the last second holds the tone in both channels.
    EnterCriticalSection(&seen.lock);
    std::vector<short> last(seen.samples.end() - 48000 * 2, seen.samples.end());
    DWORD lastBytes = seen.bytes.back();
    LeaveCriticalSection(&seen.lock);
    EXPECT_EQ(lastBytes, 12000u * 4);
    EXPECT_GT(Peak(last), 4000);
    EXPECT_NEAR(DominantFrequency(last, 48000, 2, 0), 440, 2);
    EXPECT_NEAR(DominantFrequency(last, 48000, 2, 1), 440, 2);
}

TEST_F(AudioChannelTest, OpeningADeviceBeyondTheLastSetsTheErrorWithBitThirtyOne)
{
    const int beyond = (int)waveInGetNumDevs();
    {
        LogCapture log;
        Channel channel;
        SetLastError(0);
        EXPECT_EQ(channel.Open(beyond, 1, 44100, 16, 8192), 1);
        EXPECT_EQ(GetLastError(), 0x80000000u | MMSYSERR_BADDEVICEID);
        EXPECT_EQ(log.Count("Failed to open record channel. err=2"), 1);
        EXPECT_EQ(channel.Device(), nullptr);
        EXPECT_EQ(channel.Buffer(0), nullptr);
    }
    {
        // An error already pending stays.
        Channel channel;
        SetLastError(ERROR_ACCESS_DENIED);
        EXPECT_EQ(channel.Open(beyond + 5, 1, 44100, 16, 8192), 1);
        EXPECT_EQ(GetLastError(), (DWORD)ERROR_ACCESS_DENIED);
    }
}
