// What one recording costs: the grab, the colour conversion, the H.264 encoding and the write of one
// pass, and whole ten-second recordings through the worker at 15 and 25 frames per second, on the
// display the program runs on. Run under Wine with the test environment's display and microphone:
//   scripts/wine-test.sh run gui $PWD/build 600 $PWD/build/bench/recording_bench.exe
// (bench/README.md tells how to run it on a 1920x1080 screen).
#include "bench/bench_clock.h"
#include "engine/screen_win.h"
#include "engine/video_encoder.h"
#include "engine/worker.h"
#include "engine/yuv_convert.h"
#include "media/media_file_writer.h"
#include "media/media_info.h"
#include "tests/support/host.h"

#include <algorithm>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>
#include <windows.h>

namespace {

struct Stats {
    double median, p95;
};

Stats Of(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    if (v.empty())
        return {0, 0};
    return {v[v.size() / 2], v[std::min(v.size() - 1, v.size() * 95 / 100)]};
}

double CpuSeconds()
{
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    auto seconds = [](const FILETIME& t) { return (((ULONGLONG)t.dwHighDateTime << 32) | t.dwLowDateTime) / 1e7; };
    return seconds(kernel) + seconds(user);
}

double PeakMemoryMb()
{
    PROCESS_MEMORY_COUNTERS c = {};
    c.cb = sizeof c;
    K32GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof c);
    return std::max(c.PeakWorkingSetSize, c.PeakPagefileUsage) / (1024.0 * 1024.0);
}

// A screen that keeps changing like a busy desktop: a full-screen window of text lines that scroll
// by two pixels every time it is painted.
class BusyScreen {
public:
    BusyScreen(int w, int h)
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(NULL);
        wc.hCursor = LoadCursorW(NULL, IDC_ARROW);
        wc.lpszClassName = L"MorvaleBenchScreen";
        RegisterClassW(&wc);
        window_ = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, w, h, NULL,
                                  NULL, wc.hInstance, NULL);
        SetForegroundWindow(window_);
        Pump(300);
    }
    ~BusyScreen() { DestroyWindow(window_); }

    bool still = false;

    // Runs the message loop for ms, repainting every 30 ms unless the screen is held still.
    void Pump(double ms)
    {
        if (still)
            return (void)Sleep((DWORD)ms);
        double end = NowMs() + ms;
        while (NowMs() < end) {
            MSG msg;
            while (PeekMessageW(&msg, NULL, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
            if (!still && NowMs() - lastPaint_ >= 30) {
                lastPaint_ = NowMs();
                InvalidateRect(window_, NULL, FALSE);
                UpdateWindow(window_);
            }
            Sleep(5);
        }
    }

private:
    static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp)
    {
        if (m != WM_PAINT)
            return DefWindowProcW(w, m, wp, lp);
        static int scroll = 0;
        scroll += 2;
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(w, &ps);
        RECT r;
        GetClientRect(w, &r);
        FillRect(dc, &r, (HBRUSH)GetStockObject(WHITE_BRUSH));
        SetBkMode(dc, TRANSPARENT);
        for (int y = -(scroll % 16), line = scroll / 16; y < r.bottom; y += 16, ++line) {
            wchar_t text[200];
            swprintf(text, 200, L"%06d  The quick brown fox jumps over the lazy dog; pack my box with five dozen "
                                L"liquor jugs. 0123456789 %08X",
                     line, line * 2654435761u);
            TextOutW(dc, 8, y, text, (int)wcslen(text));
            TextOutW(dc, r.right / 2, y, text, (int)wcslen(text));
        }
        EndPaint(w, &ps);
        return 0;
    }

    HWND window_ = NULL;
    double lastPaint_ = 0;
};

// One pass as the recording thread makes it, step by step, paced at 15 frames per second.
void PassCost(BusyScreen& screen, int width, int height, const std::string& dir)
{
    ScreenWin* grabber = new ScreenWin(NULL, 16);
    grabber->Open(0, NULL, 0, NULL);
    grabber->Control(ScreenWin::kClipNone, 0);
    ScreenFormat format;
    grabber->GetFormat(&format);
    for (int i = 0; i < 5; ++i)
        grabber->Capture();
    const double grabberMb = PeakMemoryMb();
    TVideoEncoder encoder;
    encoder.Open(format.width, format.height, 50 - 55 / 2);
    uint8_t headers[1024];
    MediaInfo info = {};
    info.flags = kMediaVideo;
    info.avcConfig = headers;
    info.avcConfigSize = (uint16_t)encoder.GetHeaders(headers, sizeof headers);
    info.width = (uint16_t)format.width;
    info.height = (uint16_t)format.height;
    info.fps = 15;
    MediaFileWriter<Flv_Package> writer;
    writer.OpenFile(WindowsPath(dir + "/passes.flv").c_str());
    writer.Open(&info);

    std::vector<uint8_t> i420((size_t)format.width * format.height * 3 / 2);
    std::vector<uint8_t> copy((size_t)format.width * format.height * 4);
    std::vector<double> grab, convert, encode, write, pass, memcpys;
    const int passes = 150;
    DWORD start = GetTickCount();
    for (int i = 0; i < passes; ++i) {
        double t0 = NowMs();
        const uint8_t* pixels = (const uint8_t*)grabber->Capture();
        double t1 = NowMs();
        int ts = (int)(GetTickCount() - start);
        TVideoFrameBuffer* frame = encoder.Encode(pixels, &ts);
        double t2 = NowMs();
        if (frame) {
            writer.WriteVideo(frame->data, frame->length, 0, (unsigned)ts, NULL);
            frame->Release();
        }
        double t3 = NowMs();
        grabber->ReleaseFrame();
        // The conversion runs inside Encode; timed again on its own to split the two.
        double c0 = NowMs();
        Rgb32ToI420(format.width, format.height, pixels, i420.data());
        double c1 = NowMs();
        memcpy(copy.data(), pixels, copy.size());
        double c2 = NowMs();
        grab.push_back(t1 - t0);
        encode.push_back(t2 - t1);
        write.push_back(t3 - t2);
        pass.push_back(t3 - t0);
        convert.push_back(c1 - c0);
        memcpys.push_back(c2 - c1);
        screen.Pump(66 - (NowMs() - t0) > 0 ? 66 - (NowMs() - t0) : 0);
    }
    // The grab again with the screen held still: the X server then has nothing else to do.
    std::vector<double> stillGrab;
    screen.still = true;
    for (int i = 0; i < 60; ++i) {
        double t0 = NowMs();
        grabber->Capture();
        stillGrab.push_back(NowMs() - t0);
        Sleep(30);
    }
    screen.still = false;
    grabber->Release();
    Stats gs = Of(stillGrab);
    Stats g = Of(grab), c = Of(convert), e = Of(encode), w = Of(write), p = Of(pass), m = Of(memcpys);
    printf("one pass at %dx%d (%d passes, paced at 15 fps):\n", width, height, passes);
    printf("  peak memory with the grabber alone %.0f MB, with the encoder after the passes %.0f MB\n", grabberMb,
           PeakMemoryMb());
    printf("  pass (grab + convert + encode + write): median %6.2f ms, 95th percentile %6.2f ms\n", p.median, p.p95);
    printf("  grab (GDI copy into the DIB section):   median %6.2f ms, 95th percentile %6.2f ms\n", g.median, g.p95);
    printf("  grab of a screen held still:            median %6.2f ms, 95th percentile %6.2f ms\n", gs.median, gs.p95);
    printf("  convert (RGB32 to I420, inside encode): median %6.2f ms, 95th percentile %6.2f ms\n", c.median, c.p95);
    printf("  encode less convert (x264):             median %6.2f ms\n", e.median - c.median);
    printf("  encode with convert:                    median %6.2f ms, 95th percentile %6.2f ms\n", e.median, e.p95);
    printf("  write (FLV tag to the file):            median %6.2f ms, 95th percentile %6.2f ms\n", w.median, w.p95);
    printf("  memcpy of one frame (%zu bytes):     median %6.2f ms; grab / memcpy %.1f, convert / memcpy %.1f\n",
           copy.size(), m.median, m.median > 0 ? g.median / m.median : 0, m.median > 0 ? c.median / m.median : 0);
}

int CountFrames(const std::string& file)
{
    HostResult r = RunHost("ffprobe -v error -select_streams v -count_packets -show_entries stream=nb_read_packets "
                           "-of csv=p=0 " + ShellQuote(file));
    return atoi(r.output.c_str());
}

double LastVideoTime(const std::string& file)
{
    HostResult r = RunHost("ffprobe -v error -select_streams v -show_entries packet=pts_time -of csv=p=0 " +
                           ShellQuote(file) + " | tail -n 1");
    return atof(r.output.c_str());
}

// A ten-second recording through the worker, with the microphone.
void Recording(BusyScreen& screen, int fps, const std::string& dir)
{
    std::string file = dir + "/record-" + std::to_string(fps) + ".flv";
    double cpu0 = CpuSeconds();
    double wall0 = NowMs();
    {
        TWorker worker;
        worker.m_nFps = fps;
        TRefString<char> path;
        path.Assign(WindowsPath(file).c_str());
        TAudioSettings sound = {-1, 2, 44100};
        if (!worker.Start(path, &sound, NULL, NULL)) {
            printf("  fps %d: the recording did not start\n", fps);
            return;
        }
        screen.Pump(10000);
        worker.Stop();
    }
    double wall = (NowMs() - wall0) / 1000;
    double cpu = CpuSeconds() - cpu0;
    int frames = CountFrames(file);
    double last = LastVideoTime(file);
    double rate = last > 0 ? (frames - 1) / last : 0;
    printf("  fps %2d (sleep %3d ms): %4d frames in %.2f s of video = %5.2f frames/s effective (%.0f%% of nominal); "
           "CPU %.2f s per recorded second; peak memory of the recording process so far %.0f MB\n",
           fps, 1000 / fps, frames, last, rate, rate * 100 / fps, cpu / wall, PeakMemoryMb());
}

// Runs this program again for one part, so each part's peak memory is its own.
int RunPart(const char* part)
{
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(NULL, exe, MAX_PATH);
    wchar_t line[MAX_PATH + 32];
    swprintf(line, MAX_PATH + 32, L"\"%ls\" %hs", exe, part);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    fflush(stdout);
    if (!CreateProcessW(exe, line, NULL, NULL, TRUE, 0, NULL, NULL, &si, &pi))
        return 1;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return (int)code;
}

} // namespace

// No argument: both parts, each in a process of its own. "passes" or "record": that part only.
int main(int argc, char** argv)
{
    if (argc < 2) {
        int a = RunPart("passes");
        int b = RunPart("record");
        return a || b;
    }
    const std::string part = argv[1];
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    std::string dir = TestTempDir() + "/recording_bench-" + part;
    RunHost("rm -rf " + ShellQuote(dir) + " && mkdir -p " + ShellQuote(dir));
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    BusyScreen screen(width, height);
    if (part == "passes") {
        printf("screen %dx%d, %lu processors\n", width, height, (unsigned long)system.dwNumberOfProcessors);
        PassCost(screen, width, height, dir);
        printf("  peak memory of the passes' process: %.0f MB\n", PeakMemoryMb());
    } else {
        printf("ten-second recordings through the worker at %dx%d (busy screen, microphone on):\n", width, height);
        Recording(screen, 15, dir);
        Recording(screen, 25, dir);
    }
    fflush(stdout);
    return 0;
}
