// The time of every AAC frame: when its first sample was captured, on the recording's time line.
//
// The sound is counted sample by sample from a starting point, so the stamps follow the device's
// own pace without the jitter of the moments its buffers arrive; when the count drifts further
// than the tolerance from the capture times the device reports (for two buffers running), it
// starts again from there, and from then on counts at the pace the device kept meanwhile. A new
// start behind the stamps already given is reached by slowing the stamps until they meet it, so
// the frame times only ever rise.
//
// Threads: one thread at a time (the microphone's delivery thread while recording, the recording
// thread after the microphone has stopped).
#pragma once
#include <stdint.h>

class TAudioStamper {
public:
    enum { kAnchors = 32 };

    // rate samples a second, frameSamples of them (a channel) per AAC frame, delayFrames frames
    // between a frame's place in the encoder's output and the input it sounds (the encoder's
    // look-ahead less what the decoder spends on its first frame).
    void Open(unsigned rate, unsigned frameSamples, unsigned delayFrames, double toleranceMs);

    // count samples (a channel) go into the encoder next; the first of them was captured at
    // recording time ms.
    void Feed(unsigned count, double ms);

    // The recording time of the first sample the encoder's output frame number frame sounds.
    double FrameTime(uint64_t frame) const;

    // The recording time just after the last sample fed.
    double End() const;
    // Times the count was started again after the first start.
    int Resyncs() const { return resyncs; }
    // The last capture time given less where the count put it (milliseconds).
    double LastDrift() const { return lastDrift; }

private:
    struct Anchor {
        int64_t sample; // samples fed before it
        double ms;
        double step;    // milliseconds a sample from here on
    };
    const Anchor& AnchorFor(int64_t sample) const;
    void Add(const Anchor& anchor);
    // Counts from target on, catching up to it when it lies behind the stamps in use there.
    void Restart(const Anchor& target);

    double rate = 1;
    unsigned frameSamples = 1024;
    unsigned delayFrames = 1;
    double tolerance = 70;
    Anchor anchors[kAnchors] = {};
    int anchorCount = 0; // the newest, the line the count follows, is anchors[(anchorCount - 1) % kAnchors]
    int64_t fed = 0;
    int resyncs = 0;
    double lastDrift = 0;
    double pendingDrift = 0; // the last buffer's drift when it was beyond the tolerance, else 0
};
