// Whole recordings through the worker on the Xvfb screen with the PulseAudio microphone, read back
// with the native ffprobe and ffmpeg.
#include "engine/worker.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tests/engine/colour_window.h"
#include "tests/engine/media_probe.h"
#include "tests/support/host.h"
#include "tests/support/log_capture.h"
#include "tests/support/noise_window.h"

namespace {

RECT Rect(int left, int top, int right, int bottom)
{
    RECT r = {left, top, right, bottom};
    return r;
}

// Counts the write-error notifications the worker posts.
class NotifyWindow {
public:
    NotifyWindow()
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(NULL);
        wc.lpszClassName = L"MorvaleTestNotify";
        RegisterClassW(&wc);
        window_ = CreateWindowW(L"MorvaleTestNotify", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, wc.hInstance, NULL);
        SetWindowLongPtrW(window_, GWLP_USERDATA, (LONG_PTR)this);
    }
    ~NotifyWindow() { DestroyWindow(window_); }
    HWND Handle() const { return window_; }
    int cancels = 0;
    int others = 0;

private:
    static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp)
    {
        NotifyWindow* self = (NotifyWindow*)GetWindowLongPtrW(w, GWLP_USERDATA);
        if (self && m == WM_COMMAND) {
            if (wp == IDCANCEL && lp == 0)
                ++self->cancels;
            else
                ++self->others;
            return 0;
        }
        return DefWindowProcW(w, m, wp, lp);
    }
    HWND window_ = NULL;
};

// Five vertical bars over the whole screen; the converter's colours of each in the stream's samples.
struct Bar {
    COLORREF colour;
    int y, u, v;
};
const Bar kBars[5] = {
    {RGB(0, 0, 0), 0, 128, 128},
    {RGB(255, 255, 255), 254, 128, 127},
    {RGB(255, 0, 0), 76, 91, 239},
    {RGB(0, 255, 0), 149, 54, 34},
    {RGB(0, 0, 255), 29, 239, 110},
};

class Bars {
public:
    Bars()
    {
        for (int i = 0; i < 5; ++i)
            bars_.push_back(new ColourWindow(Rect(256 * i, 0, 256 * (i + 1), 720), kBars[i].colour));
        // Wine reports the cursor of the foreground window's thread.
        SetForegroundWindow(bars_[0]->Handle());
        PumpMessages(300);
    }
    ~Bars()
    {
        for (ColourWindow* w : bars_)
            delete w;
    }

private:
    std::vector<ColourWindow*> bars_;
};

// Keeps this thread's messages flowing while a recording runs for ms.
void RecordFor(int ms)
{
    PumpMessages(ms);
}

TRefString<char>& PathOf(TRefString<char>& s, const std::string& unixPath)
{
    s.Assign(WindowsPath(unixPath).c_str());
    return s;
}

void ParkCursor()
{
    SetCursorPos(1279, 719);
    PumpMessages(50);
}

double VideoEnd(const std::vector<ProbedPacket>& p)
{
    return p.empty() ? 0 : p.back().pts + p.back().duration;
}

struct Deltas {
    double min = 1e9, max = 0, mean = 0;
    bool rising = true;
};

Deltas FrameDeltas(const std::vector<ProbedPacket>& p)
{
    Deltas d;
    for (size_t i = 1; i < p.size(); ++i) {
        double delta = (p[i].pts - p[i - 1].pts) * 1000;
        if (delta <= 0)
            d.rising = false;
        d.min = std::min(d.min, delta);
        d.max = std::max(d.max, delta);
        d.mean += delta;
    }
    if (p.size() > 1)
        d.mean /= (double)(p.size() - 1);
    return d;
}

} // namespace

struct EndToEndCase {
    const char* extension;
    int fps;
    int rate;
    int channels;
    int device;
};

class WorkerEndToEnd : public ::testing::TestWithParam<EndToEndCase> {};

// The screen showing the bars and the tone from the microphone, recorded for about five seconds.
TEST_P(WorkerEndToEnd, RecordsTheScreenAndTheTone)
{
    const EndToEndCase c = GetParam();
    Bars bars;
    ParkCursor();
    NotifyWindow notify;
    LogCapture log;
    std::string file = NewTempDir("e2e") + "/record" + c.extension;
    {
        TWorker worker;
        worker.m_nFps = c.fps;
        worker.m_nQuality = 70;
        TRefString<char> path;
        TAudioSettings settings = {c.device, c.channels, c.rate};
        ASSERT_TRUE(worker.Start(PathOf(path, file), &settings, notify.Handle(), NULL));
        RecordFor(5000);
        EXPECT_TRUE(worker.Stop());
    }
    EXPECT_EQ(notify.cancels, 0);
    // Every buffer the microphone handed over reached the file's sound stream.
    EXPECT_EQ(log.Count("Audio queue is full.."), 0);

    std::vector<ProbedStream> video = ProbeStreams(file, "v");
    std::vector<ProbedStream> audio = ProbeStreams(file, "a");
    ASSERT_EQ(video.size(), 1u);
    EXPECT_EQ(video[0].codec, "h264");
    EXPECT_EQ(video[0].width, 1280);
    EXPECT_EQ(video[0].height, 720);
    ASSERT_EQ(audio.size(), 1u);
    EXPECT_EQ(audio[0].codec, "aac");
    EXPECT_EQ(audio[0].sampleRate, c.rate);
    EXPECT_EQ(audio[0].channels, c.channels);
    EXPECT_EQ(DecodeErrors(file), "");

    // The bars in the colours of the conversion: full-range luma, studio-range chroma.
    std::vector<ProbedPacket> frames = ProbePackets(file, "v");
    ASSERT_GT(frames.size(), 10u);
    YuvFrame f = DecodeFrame(file, (int)frames.size() / 2, 1280, 720);
    ASSERT_EQ(f.width, 1280);
    for (int i = 0; i < 5; ++i) {
        int x = 256 * i + 128, y = 360;
        EXPECT_NEAR(f.Y(x, y), kBars[i].y, 4) << "bar " << i;
        EXPECT_NEAR(f.U(x, y), kBars[i].u, 4) << "bar " << i;
        EXPECT_NEAR(f.V(x, y), kBars[i].v, 4) << "bar " << i;
    }

    // Frame times rise, and each period is the interval plus the pass's own time.
    const int interval = c.fps >= 1 && c.fps <= 25 ? 1000 / c.fps : 200;
    Deltas d = FrameDeltas(frames);
    EXPECT_TRUE(d.rising);
    EXPECT_GE(d.min, interval - 1);
    EXPECT_GT(d.mean, interval);
    printf("[ figures  ] %s fps %d: %zu frames, period min %.1f mean %.1f max %.1f ms (interval %d)\n",
           c.extension, c.fps, frames.size(), d.min, d.mean, d.max, interval);

    // The tone throughout the sound stream.
    const int rate = 16000;
    DecodedSound sound = DecodeSound(file, rate);
    ASSERT_GT(sound.samples.size(), (size_t)rate);
    int quiet = 0, offTone = 0;
    const size_t window = rate / 4;
    for (size_t from = 0; from + window <= sound.samples.size(); from += window) {
        if (Rms(sound.samples, from, from + window) < 2000)
            ++quiet;
        else if (abs(DominantFrequency(sound.samples, from, from + window, rate) - 440) > 4)
            ++offTone;
    }
    EXPECT_EQ(quiet, 0);
    EXPECT_EQ(offTone, 0);

    std::vector<ProbedPacket> sounds = ProbePackets(file, "a");
    ASSERT_FALSE(sounds.empty());
    double videoEnd = VideoEnd(frames), audioEnd = VideoEnd(sounds);
    double audioLength = sound.samples.size() / (double)rate;
    printf("[ figures  ] video %.3f-%.3f s, audio %.3f-%.3f s (%.3f s decoded)\n", frames.front().pts, videoEnd,
           sounds.front().pts, audioEnd, audioLength);
    // What the recording cannot carry at its end: the sound the device has not handed over when
    // the recording thread ends (the buffer being filled, and Wine's wave input holds up to one
    // more buffer's worth in its own latency), what the AAC encoder holds back (two frames), and
    // what arrives after the last pass took its frames (one frame period). No buffer was dropped
    // (checked above), so beyond that the two agree within 250 ms.
    const int frameSamples = 1024 * c.channels;
    const int bufferSamples = (c.channels * c.rate / 2 + frameSamples - 1) / frameSamples * frameSamples;
    const double buffer = (double)bufferSamples / (c.channels * c.rate);
    const double unreachable = 2 * buffer + 2 * 1024.0 / c.rate + interval / 1000.0;
    printf("[ figures  ] sound ends %.0f ms before the picture (up to %.0f ms cannot reach the file)\n",
           (videoEnd - audioEnd) * 1000, unreachable * 1000);
    EXPECT_GE(audioEnd, videoEnd - unreachable - 0.25);
    EXPECT_LE(audioEnd, videoEnd + 0.25);
}

INSTANTIATE_TEST_SUITE_P(Containers, WorkerEndToEnd,
                         ::testing::Values(EndToEndCase{".flv", 15, 44100, 2, -1},
                                           EndToEndCase{".ts", 25, 48000, 1, 0},
                                           EndToEndCase{".TS", 15, 22050, 2, -1}),
                         [](const ::testing::TestParamInfo<EndToEndCase>& info) {
                             return std::string(info.param.extension[1] == 'f' ? "Flv"
                                                : info.param.extension[1] == 't' ? "Ts" : "UpperCaseTs");
                         });

namespace {

// The colour conversion's samples of one colour, worked out from its table rule.
struct Yuv {
    int y, u, v;
};

Yuv ConvertedColour(int r, int g, int b)
{
    int y = (int)(0.299 * r) + (int)(0.587 * g) + (int)(0.114 * b);
    int u = (int)(-0.148 * r) + (int)(-0.291 * g) + (int)(0.439 * b) + 128;
    int v = (int)(0.439 * r) + (int)(-0.369 * g) + (int)(-0.071 * b) + 128;
    return {y, u, v};
}

const COLORREF kGrey = RGB(128, 128, 128);

// A grey screen with the cursor parked in a corner.
class GreyScreen {
public:
    GreyScreen() : window_(Rect(0, 0, 1280, 720), kGrey)
    {
        SetForegroundWindow(window_.Handle());
        PumpMessages(200);
        ParkCursor();
    }
    HWND Handle() const { return window_.Handle(); }

private:
    ColourWindow window_;
};

struct Recorded {
    std::string file;
    bool started = false;
    int cancels = 0;
};

// One recording of ms milliseconds without sound unless settings say otherwise; during runs
// while it records (after it has started).
template <class During>
Recorded Record(const std::string& name, int fps, const RECT* region, const DWORD* processes, int ms,
                TAudioSettings settings, During during, int quality = 70, const HWND* canvas = NULL,
                const char* extension = ".flv")
{
    Recorded r;
    NotifyWindow notify;
    r.file = NewTempDir(name) + "/record" + extension;
    {
        TWorker worker;
        worker.m_nFps = fps;
        worker.m_nQuality = quality;
        worker.m_pRegion = region;
        worker.m_pCanvas = canvas;
        TRefString<char> path;
        r.started = worker.Start(PathOf(path, r.file), &settings, notify.Handle(), processes) != FALSE;
        if (r.started) {
            during(worker);
            RecordFor(ms);
            worker.Stop();
        }
    }
    PumpMessages(50);
    r.cancels = notify.cancels;
    return r;
}

const TAudioSettings kNoSound = {-2, 2, 44100};

void Nothing(TWorker&) {}

bool Near(int value, int expected, int tolerance)
{
    return abs(value - expected) <= tolerance;
}

} // namespace

TEST(Worker, RectangleRecordingsRoundTheFrameUpAndShowTheirArea)
{
    GreyScreen grey;
    ColourWindow marker(Rect(400, 300, 420, 320), RGB(255, 255, 255));
    ColourWindow outside(Rect(480, 200, 500, 220), RGB(255, 255, 255));
    const Yuv g = ConvertedColour(128, 128, 128);
    {
        // 1000 x 700 records into 1008 x 704; the margin stays black.
        const RECT region = Rect(100, 10, 1100, 710);
        Recorded r = Record("rect-big", 15, &region, NULL, 1200, kNoSound, Nothing);
        ASSERT_TRUE(r.started);
        std::vector<ProbedStream> video = ProbeStreams(r.file, "v");
        ASSERT_EQ(video.size(), 1u);
        EXPECT_EQ(video[0].width, 1008);
        EXPECT_EQ(video[0].height, 704);
        EXPECT_TRUE(ProbeStreams(r.file, "a").empty()) << "no sound was asked for";
        YuvFrame f = DecodeFrame(r.file, 5, 1008, 704);
        ASSERT_EQ(f.width, 1008);
        EXPECT_NEAR(f.Y(990, 350), g.y, 3);
        EXPECT_NEAR(f.Y(1004, 350), 0, 3);
        EXPECT_NEAR(f.Y(500, 702), 0, 3);
        EXPECT_NEAR(f.Y(310, 300), 254, 3); // the marker at screen (410, 310)
    }
    {
        // 100 x 50 at (300, 200) grows to (300, 200)-(476, 344).
        const RECT region = Rect(300, 200, 400, 250);
        Recorded r = Record("rect-small", 15, &region, NULL, 1200, kNoSound, Nothing);
        ASSERT_TRUE(r.started);
        std::vector<ProbedStream> video = ProbeStreams(r.file, "v");
        ASSERT_EQ(video.size(), 1u);
        EXPECT_EQ(video[0].width, 176);
        EXPECT_EQ(video[0].height, 144);
        YuvFrame f = DecodeFrame(r.file, 5, 176, 144);
        ASSERT_EQ(f.width, 176);
        EXPECT_NEAR(f.Y(110, 110), 254, 3); // the marker
        EXPECT_NEAR(f.Y(50, 50), g.y, 3);
        EXPECT_NEAR(f.Y(172, 140), g.y, 3);  // the area reaches (476, 344)
        for (int x = 0; x < 176; x += 4)
            EXPECT_NEAR(f.Y(x, 10), g.y, 3) << x; // the window right of the area stays out
    }
}

TEST(Worker, ApplicationRecordingsShowOnlyTheListedProcessesWindows)
{
    GreyScreen grey;
    HelperWindow helper(Rect(100, 100, 400, 300), 0xCC3366);
    ASSERT_NE(helper.Id(), 0u);
    const DWORD list[] = {helper.Id(), 0};
    Recorded r = Record("app", 15, NULL, list, 1200, kNoSound, Nothing);
    ASSERT_TRUE(r.started);
    YuvFrame f = DecodeFrame(r.file, 5, 1280, 720);
    ASSERT_EQ(f.width, 1280);
    const Yuv rose = ConvertedColour(0xCC, 0x33, 0x66);
    EXPECT_NEAR(f.Y(250, 200), rose.y, 3);
    EXPECT_NEAR(f.U(250, 200), rose.u, 3);
    EXPECT_NEAR(f.V(250, 200), rose.v, 3);
    // The test's own grey window is painted black like everything unlisted.
    for (POINT p : {POINT{50, 50}, POINT{640, 500}, POINT{1200, 100}, POINT{250, 400}}) {
        EXPECT_NEAR(f.Y(p.x, p.y), 0, 3) << p.x << "," << p.y;
        EXPECT_NEAR(f.U(p.x, p.y), 128, 3) << p.x << "," << p.y;
    }
}

namespace {

void Buttons(DWORD flags)
{
    INPUT in = {};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    SendInput(1, &in, sizeof in);
}

// The marker's colour where its left and top edges cross the axes through (x, y), and the grey
// inside it.
struct MarkerSeen {
    Yuv left, top, inside;
};

MarkerSeen LookAtMarker(const YuvFrame& f, int x, int y)
{
    return {{f.Y(x - 15, y), f.U(x - 15, y), f.V(x - 15, y)},
            {f.Y(x, y - 15), f.U(x, y - 15), f.V(x, y - 15)},
            {f.Y(x - 7, y - 7), f.U(x - 7, y - 7), f.V(x - 7, y - 7)}};
}

bool IsRed(const Yuv& c)
{
    return c.v > 200 && c.u < 110;
}

bool IsBlue(const Yuv& c)
{
    return c.u > 200 && c.v < 120;
}

bool IsGrey(const Yuv& c)
{
    const Yuv g = ConvertedColour(128, 128, 128);
    return Near(c.y, g.y, 6) && Near(c.u, g.u, 6) && Near(c.v, g.v, 6);
}

} // namespace

TEST(Worker, ClicksLeaveMarkersAroundTheCursorAndTheCursorIsDrawn)
{
    struct Case {
        const char* what;
        bool region;
        DWORD down, up;
        bool canvas;
        int x, y; // marker centre in the frame
        bool red, blue;
    };
    const Case cases[] = {
        {"left click in an area", true, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, false, 100, 100, true, false},
        {"left click, whole screen", false, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, false, 600, 400, true, false},
        {"right click", true, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP, false, 100, 100, false, true},
        {"both buttons", true, MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_RIGHTDOWN,
         MOUSEEVENTF_LEFTUP | MOUSEEVENTF_RIGHTUP, false, 100, 100, true, false},
        {"canvas open", true, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, true, 100, 100, false, false},
    };
    const RECT area = Rect(500, 300, 1100, 700);
    for (const Case& c : cases) {
        GreyScreen grey;
        ColourWindow canvasWindow(Rect(0, 700, 20, 720), kGrey);
        HWND canvas = canvasWindow.Handle();
        SetCursorPos(600, 400);
        PumpMessages(200);
        Recorded r = Record("marker", 15, c.region ? &area : NULL, NULL, 1000, kNoSound,
                            [&](TWorker&) {
                                PumpMessages(300);
                                Buttons(c.down);
                            },
                            90, c.canvas ? &canvas : NULL);
        Buttons(c.up);
        PumpMessages(100);
        ASSERT_TRUE(r.started) << c.what;
        int w = c.region ? 608 : 1280, h = c.region ? 400 : 720;
        std::vector<ProbedPacket> frames = ProbePackets(r.file, "v");
        ASSERT_GT(frames.size(), 6u) << c.what;
        YuvFrame f = DecodeFrame(r.file, (int)frames.size() - 2, w, h);
        ASSERT_EQ(f.width, w) << c.what;
        MarkerSeen m = LookAtMarker(f, c.x, c.y);
        EXPECT_EQ(IsRed(m.left), c.red) << c.what << ": " << m.left.y << "," << m.left.u << "," << m.left.v;
        EXPECT_EQ(IsRed(m.top), c.red) << c.what;
        EXPECT_EQ(IsBlue(m.left), c.blue) << c.what << ": " << m.left.y << "," << m.left.u << "," << m.left.v;
        EXPECT_EQ(IsBlue(m.top), c.blue) << c.what;
        if (!c.red && !c.blue) {
            EXPECT_TRUE(IsGrey(m.left)) << c.what;
        }
        EXPECT_TRUE(IsGrey(m.inside)) << c.what;

        // The arrow hangs down and right of its hotspot, in black and white on the grey.
        int strong = 0;
        for (int y = c.y; y < c.y + 16; ++y)
            for (int x = c.x; x < c.x + 10; ++x)
                strong += abs(f.Y(x, y) - ConvertedColour(128, 128, 128).y) > 60;
        EXPECT_GE(strong, 15) << c.what << ": no cursor in the frame";
    }
}

TEST(Worker, PauseContinuesTheVideoTimeLineWhereItStood)
{
    GreyScreen grey;
    const int fps = 15, interval = 66;
    TAudioSettings sound = {-1, 1, 44100};
    DWORD pausedFor = 0;
    Recorded r = Record("pause", fps, NULL, NULL, 1500, sound, [&](TWorker& worker) {
        RecordFor(2500);
        worker.m_bPaused = 1;
        DWORD t = GetTickCount();
        RecordFor(1000);
        worker.m_bPaused = 0;
        pausedFor = GetTickCount() - t;
    });
    ASSERT_TRUE(r.started);
    EXPECT_EQ(DecodeErrors(r.file), "");
    std::vector<ProbedPacket> frames = ProbePackets(r.file, "v");
    ASSERT_GT(frames.size(), 20u);
    Deltas d = FrameDeltas(frames);
    EXPECT_TRUE(d.rising);
    // Without the clock shift the pause would leave a gap of a whole second.
    EXPECT_LT(d.max, interval + 200 + 150);
    double length = VideoEnd(frames);
    printf("[ figures  ] paused %lu ms: largest frame gap %.0f ms, video %.3f s for 4.0 s recorded\n",
           pausedFor, d.max, length);
    EXPECT_NEAR(length, 4.0, 0.5);

    DecodedSound s = DecodeSound(r.file, 16000);
    ASSERT_GT(s.samples.size(), 16000u);
    std::vector<ProbedPacket> sounds = ProbePackets(r.file, "a");
    printf("[ figures  ] sound %.3f-%.3f s (%.3f s decoded) beside video 0-%.3f s\n", s.start, VideoEnd(sounds),
           s.samples.size() / 16000.0, length);
    int offTone = 0;
    for (size_t from = 0; from + 4000 <= s.samples.size(); from += 4000)
        offTone += abs(DominantFrequency(s.samples, from, from + 4000, 16000) - 440) > 4;
    EXPECT_EQ(offTone, 0);
}

// Both streams in time order as a muxer interleaves them: each stream's times rise, and no packet
// lies more than one picture interval behind one written before it, also without a microphone
// and across a pause.
TEST(Worker, PacketsLieInTimeOrderInTheFile)
{
    GreyScreen grey;
    struct Case {
        const char* name;
        const char* extension;
        TAudioSettings settings;
        bool pause;
    };
    const Case cases[] = {
        {"order-flv", ".flv", {-1, 2, 44100}, false},
        {"order-ts", ".ts", {-1, 1, 48000}, false},
        {"order-mute", ".ts", kNoSound, false},
        {"order-pause", ".flv", {-1, 2, 44100}, true},
    };
    const int fps = 15, interval = 66;
    for (const Case& c : cases) {
        Recorded r = Record(
            c.name, fps, NULL, NULL, 2500, c.settings,
            [&](TWorker& worker) {
                if (!c.pause)
                    return;
                RecordFor(2000);
                worker.m_bPaused = 1;
                RecordFor(800);
                worker.m_bPaused = 0;
            },
            70, NULL, c.extension);
        ASSERT_TRUE(r.started) << c.name;
        EXPECT_EQ(r.cancels, 0) << c.name;
        std::vector<OrderedPacket> packets = ProbeFileOrder(r.file);
        const size_t sounds = std::count_if(packets.begin(), packets.end(), [](const OrderedPacket& p) {
            return p.kind == 'a';
        });
        const size_t pictures = std::count_if(packets.begin(), packets.end(), [](const OrderedPacket& p) {
            return p.kind == 'v';
        });
        EXPECT_GT(pictures, 10u) << c.name;
        if (c.settings.device >= -1)
            EXPECT_GT(sounds, 50u) << c.name;
        else
            EXPECT_EQ(sounds, 0u) << c.name;
        TimeOrder t = MeasureTimeOrder(packets);
        printf("[ figures  ] %s: %zu pictures, %zu sound frames; largest step back: sound %.0f ms, pictures %.0f "
               "ms; a packet lies at most %.0f ms behind one before it (%c)\n",
               c.name, pictures, sounds, t.audioBackStep * 1000, t.videoBackStep * 1000, t.lateness * 1000,
               t.lateKind ? t.lateKind : '-');
        EXPECT_EQ(t.audioBackStep, 0) << c.name;
        EXPECT_FALSE(t.audioRepeated) << c.name;
        EXPECT_EQ(t.videoBackStep, 0) << c.name;
        EXPECT_FALSE(t.videoRepeated) << c.name;
        // The containers keep whole milliseconds (the transport stream's 90 kHz ticks are whole
        // milliseconds too), so one interval is the bound to the millisecond.
        EXPECT_LE(t.lateness * 1000, interval + 0.5) << c.name;
        EXPECT_EQ(DecodeErrors(r.file), "") << c.name;
    }
}

TEST(Worker, FrameRatesOutsideOneToTwentyFiveSleepTwoHundredMilliseconds)
{
    GreyScreen grey;
    struct Case {
        int fps, interval;
    };
    const Case cases[] = {{30, 200}, {0, 200}, {26, 200}, {-4, 200}, {25, 40}, {10, 100}};
    for (const Case& c : cases) {
        Recorded r = Record("fps", c.fps, NULL, NULL, 1500, kNoSound, Nothing);
        ASSERT_TRUE(r.started) << c.fps;
        Deltas d = FrameDeltas(ProbePackets(r.file, "v"));
        EXPECT_GE(d.min, c.interval - 1) << c.fps;
        EXPECT_GT(d.mean, c.interval) << c.fps;
        EXPECT_LT(d.mean, c.interval + 100) << c.fps;
    }
}

// The stream description carries the rate the pictures are paced at, so a transport stream holds
// its video however odd the stored rate.
TEST(Worker, TransportStreamsAtRatesThePacingDoesNotFollowKeepTheirVideo)
{
    GreyScreen grey;
    for (int fps : {2000, 1001, 0, -3}) {
        Recorded r = Record("ts-fps", fps, NULL, NULL, 1500, TAudioSettings{-1, 1, 22050}, Nothing, 70, NULL, ".ts");
        ASSERT_TRUE(r.started) << fps;
        std::vector<ProbedStream> video = ProbeStreams(r.file, "v");
        ASSERT_EQ(video.size(), 1u) << fps;
        EXPECT_EQ(video[0].codec, "h264") << fps;
        EXPECT_EQ(ProbeStreams(r.file, "a").size(), 1u) << fps;
        EXPECT_GT(ProbePackets(r.file, "v").size(), 3u) << fps;
    }
}

TEST(Worker, ADeviceBeyondTheLastFailsTheStartWithTheWaveErrorCode)
{
    GreyScreen grey;
    LogCapture log;
    TWorker worker;
    worker.m_nFps = 15;
    TRefString<char> path;
    TAudioSettings settings = {(int)waveInGetNumDevs(), 1, 44100};
    EXPECT_FALSE(worker.Start(PathOf(path, NewTempDir("baddevice") + "/x.flv"), &settings, NULL, NULL));
    EXPECT_EQ(GetLastError(), 0x80000000u | MMSYSERR_BADDEVICEID);
    EXPECT_EQ(log.Count("Failed to open record channel. err=2"), 1);
    EXPECT_FALSE(worker.Stop()) << "no thread was made";
}

namespace {

// Counts the grabs of the recording thread.
class CountsFrames : public TWorker {
public:
    void OnFrame(HDC frame) override
    {
        InterlockedIncrement(&frames);
        TWorker::OnFrame(frame);
    }
    volatile LONG frames = 0;
};

} // namespace

// Whatever followed a lost picture could not be decoded: the first failed write ends the writing
// and is posted once, while the recording itself goes on until its owner stops it.
TEST(Worker, TheFirstFailedWritePostsOneCancelAndTheRecordingGoesOn)
{
    GreyScreen grey;
    LogCapture log;
    NotifyWindow notify;
    LONG framesAtFirst = 0, framesLater = 0;
    {
        CountsFrames worker;
        worker.m_nFps = 15;
        TRefString<char> path;
        path.Assign("Z:\\dev\\full");
        TAudioSettings settings = {-1, 2, 44100};
        ASSERT_TRUE(worker.Start(path, &settings, notify.Handle(), NULL));
        // The first write waits for the encoder's start and the first pass, which take a
        // while on a loaded machine; the failure must be reported while recording, not at stop.
        for (int waited = 0; notify.cancels == 0 && waited < 5000; waited += 100)
            RecordFor(100);
        ASSERT_EQ(notify.cancels, 1) << "no failed write was reported while recording";
        framesAtFirst = worker.frames;
        RecordFor(2000);
        framesLater = worker.frames;
        EXPECT_TRUE(worker.Stop());
        EXPECT_TRUE(worker.WriteFailed());
    }
    PumpMessages(100);
    int video = log.Count("Can't write video frame....");
    int audio = log.Count("Can't write audio frame....");
    printf("[ figures  ] %ld grabs when the first write failed, %ld 2 s later: %d video and %d audio writes "
           "reported\n", (long)framesAtFirst, (long)framesLater, video, audio);
    EXPECT_GT(framesLater, framesAtFirst + 10) << "the recording stopped after the first failure";
    EXPECT_EQ(notify.cancels, 1);
    EXPECT_EQ(video + audio, 1);
    EXPECT_EQ(log.Count("Can't finish the file...."), 0) << "a second report of the same failure";
    EXPECT_EQ(notify.others, 0);
}

// A disk that fills up while the recording is paused: at the stop, the held pictures, those still
// inside the encoder and the queued sound all meet the full disk. Nothing is posted (the owner
// asks the worker once it has stopped), the failure is reported once, and the file ends on its
// last whole tag and decodes cleanly.
TEST(Worker, WritesFailingAtTheStopAreReportedOnceAndLeaveAWholeFile)
{
    GreyScreen grey;
    NoiseWindow noise(Rect(100, 100, 356, 356));
    ASSERT_TRUE(noise.Shown());
    LogCapture log;
    NotifyWindow notify;
    SmallDisk disk("full-at-stop", 16384);
    ASSERT_TRUE(disk.Mounted());
    const std::string file = disk.Dir() + "/record.flv";
    {
        TWorker worker;
        worker.m_nFps = 15;
        TRefString<char> path;
        TAudioSettings settings = {-1, 2, 44100};
        ASSERT_TRUE(worker.Start(PathOf(path, file), &settings, notify.Handle(), NULL));
        RecordFor(3000);
        // Paused, the recording thread writes nothing, so the disk fills while nothing is
        // under way and every write left falls to the stop.
        worker.m_bPaused = 1;
        for (int waited = 0; !worker.PausedNow() && waited < 10000; waited += 50)
            RecordFor(50);
        ASSERT_TRUE(worker.PausedNow());
        ASSERT_TRUE(disk.Fill());
        EXPECT_TRUE(worker.Stop());
        EXPECT_TRUE(worker.WriteFailed()) << "the full disk went unnoticed";
    }
    PumpMessages(200);
    const int video = log.Count("Can't write video frame....");
    const int audio = log.Count("Can't write audio frame....");
    const int finish = log.Count("Can't finish the file....");
    printf("[ figures  ] %d cancels; %d video, %d audio and %d finishing writes reported\n", notify.cancels, video,
           audio, finish);
    EXPECT_EQ(notify.cancels, 0);
    EXPECT_EQ(video + audio + finish, 1);
    EXPECT_TRUE(FlvEndsOnAWholeTag(file));
    std::vector<ProbedPacket> pictures = ProbePackets(file, "v");
    EXPECT_FALSE(pictures.empty());
    EXPECT_EQ("", DecodeErrors(file));
}

namespace {

class StopsItself : public TWorker {
public:
    void OnFrame(HDC frame) override
    {
        if (calls++ == 2)
            stopResult = Stop();
        TWorker::OnFrame(frame);
    }
    int calls = 0;
    BOOL stopResult = 2;
};

} // namespace

TEST(Worker, StopOnTheRecordingThreadReturnsFalseAndEndsTheThread)
{
    GreyScreen grey;
    LogCapture log;
    {
        StopsItself worker;
        worker.m_nFps = 25;
        EXPECT_FALSE(worker.Stop()) << "no thread yet";
        TRefString<char> path;
        ASSERT_TRUE(worker.Start(PathOf(path, NewTempDir("selfstop") + "/x.flv"), &kNoSound, NULL, NULL));
        for (int i = 0; i < 100 && worker.stopResult == 2; ++i)
            Sleep(50);
        EXPECT_EQ(worker.stopResult, FALSE);
        Sleep(500);
        EXPECT_EQ(worker.calls, 3) << "the thread went on after its own stop";
        EXPECT_TRUE(worker.Stop()) << "the thread has ended, so the wait ends at once";
    }
    EXPECT_EQ(log.Count("~TWorker"), 1);
    EXPECT_EQ(log.Count("~TWorker end"), 1);
}

namespace {

// Mutes (or unmutes) every stream playing into the sound server: the environment's tone.
void MuteAllPlayback(bool mute)
{
    RunHost(std::string("for i in $(pactl list short sink-inputs | cut -f1); do pactl set-sink-input-mute $i ") +
            (mute ? "1" : "0") + "; done");
}

// The tone is muted while this lives, so the tests after a failed one still have it.
struct ToneMuted {
    ToneMuted() { MuteAllPlayback(true); }
    ~ToneMuted() { MuteAllPlayback(false); }
};

struct SyncFigures {
    double flip = -1, click = -1;
    double quietBefore = 0;
};

// Turns the screen from black to white 1 s after starting a sound file that holds 1 s of silence
// and then a short loud click; finds both in the file.
SyncFigures MeasureSync(const std::string& extension, bool pauseFirst)
{
    SyncFigures out;
    std::string dir = NewTempDir("sync");
    std::string click = dir + "/click.wav";
    RunHost("sox -n -r 48000 -c 2 -b 16 " + ShellQuote(click) + " synth 0.03 square 1000 vol 0.9 pad 1.0 1.0");
    std::string file = dir + "/record" + extension;

    ColourWindow screen(Rect(0, 0, 1280, 720), RGB(0, 0, 0));
    SetForegroundWindow(screen.Handle());
    ParkCursor();
    PumpMessages(200);
    {
        ToneMuted quiet;
        TWorker worker;
        worker.m_nFps = 15;
        TRefString<char> path;
        TAudioSettings settings = {-1, 1, 44100};
        if (!worker.Start(PathOf(path, file), &settings, NULL, NULL))
            return out;
        RecordFor(3000);
        if (pauseFirst) {
            worker.m_bPaused = 1;
            RecordFor(1000);
            worker.m_bPaused = 0;
            RecordFor(2000);
        }
        RunHost("paplay -d mic " + ShellQuote(click) + " >/dev/null 2>&1 &");
        RecordFor(1000);
        HBRUSH white = (HBRUSH)GetStockObject(WHITE_BRUSH);
        HWND w = screen.Handle();
        HBRUSH old = (HBRUSH)GetWindowLongPtrW(w, GWLP_USERDATA);
        SetWindowLongPtrW(w, GWLP_USERDATA, (LONG_PTR)white);
        InvalidateRect(w, NULL, FALSE);
        UpdateWindow(w);
        RecordFor(2500);
        worker.Stop();
        SetWindowLongPtrW(w, GWLP_USERDATA, (LONG_PTR)old);
    }

    for (const auto& frame : FrameLuma(file)) {
        if (frame.second > 127) {
            out.flip = frame.first;
            break;
        }
    }
    DecodedSound sound = DecodeSound(file, 48000);
    for (size_t i = 0; i < sound.samples.size(); ++i) {
        // Above anything the half-scale tone reaches, should it come back.
        if (abs(sound.samples[i]) > 24000) {
            out.click = sound.start + (double)i / sound.rate;
            out.quietBefore = Rms(sound.samples, i > 24000 ? i - 24000 : 0, i > 2400 ? i - 2400 : 0);
            break;
        }
    }
    return out;
}

} // namespace

// Reports how far the sound lags (positive) or leads the picture; only finding both events is
// required.
TEST(WorkerSync, SoundAgainstPicture)
{
    struct Case {
        const char* extension;
        bool pause;
    };
    const Case cases[] = {{".flv", false}, {".flv", true}, {".ts", false}, {".ts", true}};
    for (const Case& c : cases) {
        SyncFigures f = MeasureSync(c.extension, c.pause);
        EXPECT_GE(f.flip, 0) << c.extension << ": no white frame";
        EXPECT_GE(f.click, 0) << c.extension << ": no click";
        EXPECT_LT(f.quietBefore, 500) << c.extension << ": the tone was still playing";
        printf("[ figures  ] sync %-4s %-11s: picture turns white at %.3f s, click at %.3f s: sound %s by %.0f ms\n",
               c.extension, c.pause ? "after pause" : "at start", f.flip, f.click,
               f.click >= f.flip ? "lags" : "leads", fabs(f.click - f.flip) * 1000);
        RecordProperty(std::string("sync_ms") + c.extension + (c.pause ? "_after_pause" : "_at_start"),
                       (int)((f.click - f.flip) * 1000));
    }
}

namespace {

// One pass that takes longer than Stop waits. Only static state: the pass may still run while
// this class's part of the object is already gone, which is what the test is about.
class SlowPass : public TWorker {
public:
    void OnFrame(HDC frame) override
    {
        if (InterlockedIncrement(&calls) == 3) {
            inSlowPass = 1;
            Sleep(9000); // longer than Stop and the destructor wait together
            slowPassEnded = 1;
        }
        TWorker::OnFrame(frame);
    }
    static volatile LONG calls, inSlowPass, slowPassEnded;
};
volatile LONG SlowPass::calls = 0, SlowPass::inSlowPass = 0, SlowPass::slowPassEnded = 0;

} // namespace

TEST(Worker, StopTimesOutOnASlowPassAndTheDestructorStillWaitsForIt)
{
    GreyScreen grey;
    NotifyWindow notify;
    std::string file = NewTempDir("slow") + "/x.flv";
    SlowPass* worker = new SlowPass;
    worker->m_nFps = 25;
    TRefString<char> path;
    TAudioSettings sound = {-1, 2, 44100};
    ASSERT_TRUE(worker->Start(PathOf(path, file), &sound, notify.Handle(), NULL));
    for (int i = 0; i < 200 && !SlowPass::inSlowPass; ++i)
        Sleep(20);
    ASSERT_TRUE(SlowPass::inSlowPass);
    DWORD t = GetTickCount();
    EXPECT_FALSE(worker->Stop()) << "the pass lasts longer than the 4000 ms Stop waits";
    EXPECT_GE(GetTickCount() - t, 3900u);
    EXPECT_FALSE(SlowPass::slowPassEnded);
    delete worker;
    EXPECT_TRUE(SlowPass::slowPassEnded) << "the worker was torn down under its running thread";
    EXPECT_EQ(notify.cancels, 0);
    // The file was finished after the thread had written its last frame.
    EXPECT_EQ(DecodeErrors(file), "");
    EXPECT_EQ(ProbeStreams(file, "v").size(), 1u);
}
