// The interface every container writer offers: opened once with a stream description, then fed
// one encoded H.264 frame or one raw AAC frame per call.
#pragma once
#include <stdint.h>

struct MediaInfo;

class MediaStream {
public:
    virtual ~MediaStream() {}
    // Starts the stream; the writer copies what it needs, so info may go away afterwards.
    virtual int Open(const MediaInfo* info) = 0;
    // One NAL unit behind a 00 00 00 01 start code, without prefix, or (lengthPrefixed non-zero)
    // behind a 4-byte big-endian length. timestampMs 0 means "no time given". frameKind may be
    // null. Returns 0, or -1 when a write failed or the frame was refused.
    virtual int WriteVideo(const uint8_t* data, unsigned len, int lengthPrefixed, unsigned timestampMs,
                           int* frameKind) = 0;
    // One raw AAC frame (no ADTS header); timestampMs 0 lets the writer's own clock stamp it.
    virtual int WriteAudio(const uint8_t* aacFrame, unsigned len, unsigned timestampMs) = 0;
    // Finishes the stream and closes its output; nothing is written afterwards. 0 when every
    // write of the stream reached the output, -1 when one failed.
    virtual int Close() = 0;
};
