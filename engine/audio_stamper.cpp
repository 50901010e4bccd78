#include "engine/audio_stamper.h"

#include <math.h>

void TAudioStamper::Open(unsigned sampleRate, unsigned samplesPerFrame, unsigned delay, double toleranceMs)
{
    rate = sampleRate ? sampleRate : 1;
    frameSamples = samplesPerFrame;
    delayFrames = delay;
    tolerance = toleranceMs;
    anchorCount = 0;
    fed = 0;
    resyncs = 0;
    lastDrift = 0;
    pendingDrift = 0;
}

void TAudioStamper::Feed(unsigned count, double ms)
{
    if (anchorCount == 0) {
        anchors[0] = {fed, ms};
        anchorCount = 1;
    } else {
        const Anchor& last = anchors[(anchorCount - 1) % kAnchors];
        const double counted = last.ms + (double)(fed - last.sample) * 1000.0 / rate;
        lastDrift = ms - counted;
        const bool outside = lastDrift > tolerance || lastDrift < -tolerance;
        // One capture time out of line is a busy moment of the machine (it only ever makes the
        // times late); two in a row the same way is the count itself that has drifted. It starts
        // again from the nearer of the two.
        if (outside && pendingDrift != 0 && (pendingDrift > 0) == (lastDrift > 0)) {
            const double drift = fabs(pendingDrift) < fabs(lastDrift) ? pendingDrift : lastDrift;
            anchors[anchorCount % kAnchors] = {fed, counted + drift};
            ++anchorCount;
            ++resyncs;
            pendingDrift = 0;
        } else {
            pendingDrift = outside ? lastDrift : 0;
        }
    }
    fed += count;
}

const TAudioStamper::Anchor& TAudioStamper::AnchorFor(int64_t sample) const
{
    // Newest first: the frames asked for lie a few frames behind the input.
    const int oldest = anchorCount > kAnchors ? anchorCount - kAnchors : 0;
    for (int i = anchorCount - 1; i > oldest; --i) {
        const Anchor& a = anchors[i % kAnchors];
        if (a.sample <= sample)
            return a;
    }
    return anchors[oldest % kAnchors];
}

double TAudioStamper::FrameTime(uint64_t frame) const
{
    if (anchorCount == 0)
        return 0;
    const int64_t sample = ((int64_t)frame - (int64_t)delayFrames) * (int64_t)frameSamples;
    const Anchor& a = AnchorFor(sample);
    return a.ms + (double)(sample - a.sample) * 1000.0 / rate;
}

double TAudioStamper::End() const
{
    if (anchorCount == 0)
        return 0;
    const Anchor& last = anchors[(anchorCount - 1) % kAnchors];
    return last.ms + (double)(fed - last.sample) * 1000.0 / rate;
}
