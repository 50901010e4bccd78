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

namespace {

// The device's pace is measured over at least this much sound, and believed only this close to
// its nominal rate.
const double kPaceBaselineMs = 20000;
const double kPaceLimit = 0.005;
// A count that ran ahead is brought back by stamping the following frames this much closer
// together than they sound, so no frame is stamped before the one ahead of it: 70 ms take under
// two seconds, and the change of pace is far below what a player's audio clock notices.
const double kSlew = 0.04;

} // namespace

void TAudioStamper::Feed(unsigned count, double ms)
{
    const double nominal = 1000.0 / rate;
    if (anchorCount == 0) {
        anchors[0] = {fed, ms, nominal};
        anchorCount = 1;
    } else {
        const Anchor& last = anchors[(anchorCount - 1) % kAnchors];
        const double counted = last.ms + (double)(fed - last.sample) * last.step;
        lastDrift = ms - counted;
        const bool outside = lastDrift > tolerance || lastDrift < -tolerance;
        // One capture time out of line is a busy moment of the machine (it only ever makes the
        // times late); two in a row the same way is the count itself that has drifted. It starts
        // again from the nearer of the two.
        if (outside && pendingDrift != 0 && (pendingDrift > 0) == (lastDrift > 0)) {
            const double drift = fabs(pendingDrift) < fabs(lastDrift) ? pendingDrift : lastDrift;
            // From here the count goes at the pace the device kept since the last start (its
            // clock and the system's rarely agree to the sample), so it drifts seldom after the
            // first time. A jump of more than twice the tolerance is sound the device lost, not
            // its pace.
            double step = last.step;
            const double since = (double)(fed - last.sample);
            if (since * last.step >= kPaceBaselineMs && fabs(drift) <= 2 * tolerance) {
                step = (counted + drift - last.ms) / since;
                step = step < nominal * (1 - kPaceLimit) ? nominal * (1 - kPaceLimit) : step;
                step = step > nominal * (1 + kPaceLimit) ? nominal * (1 + kPaceLimit) : step;
            }
            Restart({fed, counted + drift, step});
            ++resyncs;
            pendingDrift = 0;
        } else {
            pendingDrift = outside ? lastDrift : 0;
        }
    }
    fed += count;
}

void TAudioStamper::Add(const Anchor& anchor)
{
    anchors[anchorCount % kAnchors] = anchor;
    ++anchorCount;
}

void TAudioStamper::Restart(const Anchor& target)
{
    // The stamps in use where the new count begins: the frames already stamped lead up to them.
    const Anchor& now = AnchorFor(target.sample);
    const double current = now.ms + (double)(target.sample - now.sample) * now.step;
    // The end of an earlier catching up that lies beyond the new start goes.
    while (anchorCount > 1 && anchors[(anchorCount - 1) % kAnchors].sample > target.sample)
        --anchorCount;
    if (target.ms >= current) {
        Add(target);
        return;
    }
    // Behind the stamps already given: slower stamps until they meet the new count, which goes on
    // from there.
    const double slow = target.step * (1 - kSlew);
    const int64_t meet = target.sample + (int64_t)ceil((current - target.ms) / (target.step * kSlew));
    Add({target.sample, current, slow});
    Add({meet, target.ms + (double)(meet - target.sample) * target.step, target.step});
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
    return a.ms + (double)(sample - a.sample) * a.step;
}

double TAudioStamper::End() const
{
    if (anchorCount == 0)
        return 0;
    const Anchor& a = AnchorFor(fed);
    return a.ms + (double)(fed - a.sample) * a.step;
}
