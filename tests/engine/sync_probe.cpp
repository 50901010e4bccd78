#include "tests/engine/sync_probe.h"

#include <stdlib.h>
#include <string.h>

#include "tests/support/host.h"

ClickPlayer::ClickPlayer(const std::string& dir) : fifo_(dir + "/clicks.fifo"), pid_(dir + "/pacat.pid")
{
    // The pipe is held open for reading before this returns, so opening it for writing from here
    // never blocks.
    const std::string ready = dir + "/pacat.ready";
    RunHost("mkfifo " + ShellQuote(fifo_) + " && ( exec 3<>" + ShellQuote(fifo_) + "; touch " + ShellQuote(ready) +
            "; exec pacat --playback -d mic --format=s16le --rate=48000 --channels=2 --latency-msec=10 <&3 )"
            " >/dev/null 2>&1 & echo $! >" + ShellQuote(pid_) + "; for i in $(seq 500); do [ -e " +
            ShellQuote(ready) + " ] && break; sleep 0.01; done");
    pipe_ = CreateFileW(WindowsPathW(fifo_).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                        OPEN_EXISTING, 0, NULL);
    // 30 ms of the square wave, then silence to push it through.
    for (int i = 0; i < kClickPcmRate / 10; ++i) {
        short v = i < kClickPcmRate * 3 / 100 ? ((i / 24) % 2 ? -30000 : 30000) : 0;
        click_.push_back(v);
        click_.push_back(v);
    }
}

ClickPlayer::~ClickPlayer()
{
    if (pipe_ != INVALID_HANDLE_VALUE)
        CloseHandle(pipe_);
    RunHost("kill $(cat " + ShellQuote(pid_) + ") 2>/dev/null");
}

void ClickPlayer::Click()
{
    DWORD written = 0;
    WriteFile(pipe_, click_.data(), (DWORD)(click_.size() * 2), &written, NULL);
}

namespace {

RECT FullScreen()
{
    RECT r = {0, 0, 1280, 720};
    return r;
}

} // namespace

FlipScreen::FlipScreen() : window_(FullScreen(), RGB(0, 0, 0))
{
    SetForegroundWindow(window_.Handle());
    SetCursorPos(1279, 719);
    PumpMessages(300);
    black_ = (HBRUSH)GetWindowLongPtrW(window_.Handle(), GWLP_USERDATA);
}

FlipScreen::~FlipScreen()
{
    Paint(black_);
}

void FlipScreen::White()
{
    Paint((HBRUSH)GetStockObject(WHITE_BRUSH));
}

void FlipScreen::Black()
{
    Paint(black_);
}

void FlipScreen::Paint(HBRUSH brush)
{
    HWND w = window_.Handle();
    SetWindowLongPtrW(w, GWLP_USERDATA, (LONG_PTR)brush);
    InvalidateRect(w, NULL, FALSE);
    UpdateWindow(w);
}

TimedSound SoundOnTimeLine(const std::string& path, int rate)
{
    TimedSound sound;
    sound.rate = rate;
    // The first decoded frame's time: the decoder may spend the first packet on its overlap.
    HostResult start = RunHost("ffprobe -v error -select_streams a -show_entries frame=pts_time -of csv=p=0 " +
                               ShellQuote(path) + " | head -n 1");
    sound.start = atof(start.output.c_str());
    std::string out = path + ".timeline.pcm";
    HostResult r = RunHost("ffmpeg -nostdin -v error -y -copyts -i " + ShellQuote(path) +
                           " -vn -af aresample=async=1:min_hard_comp=0.001 -ac 1 -ar " + std::to_string(rate) +
                           " -f s16le " + ShellQuote(out));
    if (r.exitCode != 0)
        return sound;
    std::string bytes = ReadHostFile(out);
    sound.samples.resize(bytes.size() / 2);
    memcpy(sound.samples.data(), bytes.data(), sound.samples.size() * 2);
    return sound;
}

std::vector<Flip> Flips(const std::vector<std::pair<double, double>>& luma)
{
    std::vector<Flip> out;
    for (size_t i = 1; i < luma.size(); ++i)
        if (luma[i].second > 127 && luma[i - 1].second <= 127)
            out.push_back({luma[i - 1].first, luma[i].first});
    return out;
}

std::vector<double> Clicks(const TimedSound& sound)
{
    std::vector<double> out;
    for (size_t i = 0; i < sound.samples.size(); ++i) {
        if (abs(sound.samples[i]) > 24000) {
            out.push_back(sound.start + (double)i / sound.rate);
            i += sound.rate / 2;
        }
    }
    return out;
}
