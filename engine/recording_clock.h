// The recording's time line, shared by the pictures and the sound: milliseconds since the
// recording started, less the time it was paused.
//
// Threads: Start, Pause and Resume on the recording thread; the readers on any thread.
#pragma once
#include <windows.h>

#include <vector>

#include "engine/auto_lock.h"

// A stretch of time that was recorded: it began Since milliseconds after the start tick, which
// is Recording milliseconds into the recording.
struct TRecordedSpan {
    double since;
    double length;
    double recording;
};

class TRecordingClock {
public:
    TRecordingClock() : lock(0) {}

    void Start(DWORD tick);
    // Pause from tick on; nothing while paused already.
    void Pause(DWORD tick);
    // Recording again from tick on; nothing while not paused.
    void Resume(DWORD tick);

    // Milliseconds since the start tick (negative before it).
    double Since(DWORD tick) const { return (double)(LONG)(tick - startTick); }
    // The recording time of a moment given as milliseconds since the start tick; a moment in a
    // pause counts as the pause's start.
    double Recording(double since) const;
    // Recording time now, whole milliseconds.
    unsigned Now() const;

    // The parts of [since, since + length) that were recorded, in order, at most max of them;
    // time before the start and time in a pause (also one still going on) is left out.
    int Recorded(double since, double length, TRecordedSpan* spans, int max) const;

private:
    struct Gap {
        double from, to; // milliseconds since the start tick; to is open while paused
    };

    mutable TCriticalSection lock;
    DWORD startTick = 0;
    std::vector<Gap> pauses;
};
