// The clock a writer stamps AAC frames with when the caller gives no time.
#pragma once
#include <stdint.h>

// Stamps are whole milliseconds, but each one is the start time plus the exact duration of the
// frames counted since the start, rounded: adding a rounded frame duration per frame instead
// would lose up to a millisecond per frame (23 ms for the 23.22 of 1024 samples at 44100 Hz,
// over half a minute per hour).
class AudioClock {
public:
    AudioClock() : start_(0), frames_(0), wholeMs_(0), remainder_(0), rate_(1) {}

    // frameSamples samples per frame at sampleRate Hz; a rate of 0 counts 21 ms per frame.
    void SetFrameDuration(uint32_t frameSamples, uint32_t sampleRate)
    {
        uint64_t num = sampleRate ? uint64_t(frameSamples) * 1000 : 21;
        rate_ = sampleRate ? sampleRate : 1;
        wholeMs_ = num / rate_;
        remainder_ = num % rate_;
    }
    // The next frame is stamped startMs, the ones after it follow from there.
    void Restart(uint64_t startMs)
    {
        start_ = startMs;
        frames_ = 0;
    }
    void Advance() { ++frames_; }
    // The stamp of the next frame; 0 is what the writers take for a clock not yet started.
    uint64_t Now() const { return start_ + frames_ * wholeMs_ + (frames_ * remainder_ + rate_ / 2) / rate_; }

private:
    uint64_t start_;
    uint64_t frames_;    // frames stamped since the start
    uint64_t wholeMs_;   // frame duration = wholeMs_ + remainder_ / rate_ ms
    uint64_t remainder_;
    uint64_t rate_;
};
