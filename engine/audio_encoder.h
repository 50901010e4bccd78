// The AAC encoder wrapper: blocks of 16-bit PCM in, runs of raw AAC-LC frames out.
//
// Threads: Open on the user-interface thread before the microphone starts; Encode in the
// wave-input callback only.
#pragma once
#include "foundation/buffer.h"

#include <stdint.h>
#include <windows.h>

#include <vector>

// Raw AAC frames (no ADTS header), each behind its length as 2 bytes big-endian. The creator
// holds the first reference.
class TAudioBuffer : public TBufferImpl<TBufferAlloc, 24> {};

class TAudioEncoder {
public:
    // As players decode the stream, output frame n sounds the input from frame n - 1 on: the
    // library's look-ahead and the decoder's overlap come to one frame together.
    enum { kSoundDelayFrames = 1 };

    TAudioEncoder() = default;
    virtual ~TAudioEncoder();
    TAudioEncoder(const TAudioEncoder&) = delete;
    TAudioEncoder& operator=(const TAudioEncoder&) = delete;

    // Opens AAC-LC for 16-bit input; bitsPerSample does not change the input format.
    BOOL Open(unsigned sampleRate, unsigned channels, unsigned bitsPerSample);

    // Encodes bytes / 2 samples (an odd last byte is ignored) into a new buffer holding one
    // reference; null when no frame came out or the encoder failed.
    TAudioBuffer* Encode(const void* samples, unsigned bytes);

    // Encodes whole frames only: what is left of the samples after the last whole frame waits
    // for the next call (or Flush), so sound given in pieces of any size comes out as one
    // continuous stream. Null when no frame came out.
    TAudioBuffer* EncodeFrames(const void* samples, unsigned bytes);
    // Encodes what EncodeFrames keeps back (ended with silence) and the frames the library still
    // holds for its look-ahead; the encoder is spent afterwards. Null when nothing came out.
    TAudioBuffer* Flush();
    // Frames handed out so far by EncodeFrames and Flush.
    uint64_t FramesOut() const { return framesOut; }

    // Samples of all channels together that make one AAC frame.
    unsigned InputSamples() const { return inputSamples; }
    // The largest frame the encoder can produce.
    unsigned MaxOutputBytes() const { return maxOutputBytes; }

private:
    void Close();
    // Appends the frames of source to target (either may be null); the result, or null.
    static TAudioBuffer* Join(TAudioBuffer* target, TAudioBuffer* source);
    uint64_t CountFrames(const TAudioBuffer* buffer);

    void* encoder = nullptr;
    unsigned maxOutputBytes = 0;
    unsigned inputSamples = 0;
    std::vector<int16_t> kept; // fewer samples than a frame, waiting for the rest
    uint64_t framesOut = 0;
};
