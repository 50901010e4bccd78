// Measuring sound against picture: a click player that starts a click within milliseconds, a
// screen that flips from black to white, and finding both again in a recorded file.
#pragma once
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "tests/engine/colour_window.h"

const int kClickPcmRate = 48000;

// Plays clicks into the microphone with about 10 ms of latency: a native pacat reads raw sound
// from a named pipe, so a click starts within milliseconds of being written, without a process
// start in between.
class ClickPlayer {
public:
    explicit ClickPlayer(const std::string& dir);
    ~ClickPlayer();
    bool Ready() const { return pipe_ != INVALID_HANDLE_VALUE; }
    // 30 ms of a loud 1 kHz square wave.
    void Click();

private:
    ClickPlayer(const ClickPlayer&) = delete;
    ClickPlayer& operator=(const ClickPlayer&) = delete;
    std::string fifo_, pid_;
    HANDLE pipe_ = INVALID_HANDLE_VALUE;
    std::vector<short> click_;
};

// A full-screen (1280x720) window that turns white or black at once; the cursor parked in a corner.
class FlipScreen {
public:
    FlipScreen();
    ~FlipScreen();
    void White();
    void Black();

private:
    void Paint(HBRUSH brush);
    ColourWindow window_;
    HBRUSH black_ = NULL;
};

// The sound on the file's own time line: mono 16-bit at rate, sample i at start + i / rate seconds
// of the stream time; gaps between the stamped frames are filled with silence and overlaps
// trimmed, so a sample's place is the time its frame was stamped with.
struct TimedSound {
    double start = 0; // the time stamp of the first decoded frame
    int rate = 0;
    std::vector<short> samples;
};
TimedSound SoundOnTimeLine(const std::string& unixPath, int rate);

// The frame interval in which the screen turned white: after the last black picture, up to the
// first white one (stream times in seconds).
struct Flip {
    double black, white;
};
std::vector<Flip> Flips(const std::vector<std::pair<double, double>>& luma);

// Onsets of the clicks (seconds): the first sample louder than anything the half-scale tone
// reaches, then nothing for half a second.
std::vector<double> Clicks(const TimedSound& sound);
