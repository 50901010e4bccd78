// The AAC encoder wrapper: blocks of 16-bit PCM in, runs of raw AAC-LC frames out.
//
// Threads: Open on the user-interface thread before the microphone starts; Encode in the
// wave-input callback only.
#pragma once
#include "foundation/buffer.h"

#include <stdint.h>
#include <windows.h>

// Raw AAC frames (no ADTS header), each behind its length as 2 bytes big-endian. The creator
// holds the first reference.
class TAudioBuffer : public TBufferImpl<TBufferAlloc, 24> {};

class TAudioEncoder {
public:
    TAudioEncoder() = default;
    virtual ~TAudioEncoder();
    TAudioEncoder(const TAudioEncoder&) = delete;
    TAudioEncoder& operator=(const TAudioEncoder&) = delete;

    // Opens AAC-LC for 16-bit input; bitsPerSample does not change the input format.
    BOOL Open(unsigned sampleRate, unsigned channels, unsigned bitsPerSample);

    // Encodes bytes / 2 samples (an odd last byte is ignored) into a new buffer holding one
    // reference; null when no frame came out or the encoder failed.
    TAudioBuffer* Encode(const void* samples, unsigned bytes);

    // Samples of all channels together that make one AAC frame.
    unsigned InputSamples() const { return inputSamples; }
    // The largest frame the encoder can produce.
    unsigned MaxOutputBytes() const { return maxOutputBytes; }

private:
    void Close();

    void* encoder = nullptr;
    unsigned maxOutputBytes = 0;
    unsigned inputSamples = 0;
};
