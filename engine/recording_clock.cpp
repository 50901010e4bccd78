#include "engine/recording_clock.h"

namespace {

const double kOpen = 1e300;

} // namespace

void TRecordingClock::Start(DWORD tick)
{
    TAutoLock hold(lock);
    startTick = tick;
    pauses.clear();
}

void TRecordingClock::Pause(DWORD tick)
{
    TAutoLock hold(lock);
    if (!pauses.empty() && pauses.back().to == kOpen)
        return;
    pauses.push_back({Since(tick), kOpen});
}

void TRecordingClock::Resume(DWORD tick)
{
    TAutoLock hold(lock);
    if (pauses.empty() || pauses.back().to != kOpen)
        return;
    const double at = Since(tick);
    pauses.back().to = at > pauses.back().from ? at : pauses.back().from;
}

double TRecordingClock::Recording(double since) const
{
    TAutoLock hold(lock);
    double paused = 0;
    for (const Gap& p : pauses) {
        if (p.from >= since)
            break;
        paused += (p.to < since ? p.to : since) - p.from;
    }
    return since - paused;
}

unsigned TRecordingClock::Now() const
{
    const double ms = Recording(Since(GetTickCount()));
    return ms > 0 ? (unsigned)ms : 0;
}

int TRecordingClock::Recorded(double since, double length, TRecordedSpan* spans, int max) const
{
    TAutoLock hold(lock);
    const double end = since + length;
    double at = since > 0 ? since : 0;
    double paused = 0;
    int count = 0;
    for (const Gap& p : pauses) {
        if (at >= end || count == max)
            break;
        if (p.to <= at) {
            paused += p.to - p.from;
            continue;
        }
        if (p.from >= end)
            break;
        if (p.from > at)
            spans[count++] = {at, p.from - at, at - paused};
        if (p.to == kOpen)
            return count;
        paused += p.to - p.from;
        at = p.to > at ? p.to : at;
    }
    if (at < end && count < max)
        spans[count++] = {at, end - at, at - paused};
    return count;
}
