// The H.264 encoder wrapper: 32-bit screen frames in, Baseline frames in Annex B form out, each
// carrying the capture time of the picture it came from.
//
// Threads: construction, Open and GetHeaders on the user-interface thread before the recording
// thread exists; Encode (also the draining calls) on the recording thread only.
#pragma once
#include "engine/ring_queue.h"
#include "foundation/buffer.h"

#include <stdint.h>
#include <windows.h>
extern "C" {
#include <x264.h>
}

typedef TBufferImpl<TBufferAlloc, 0> TPictureBuffer;
typedef TBufferImpl<TBufferAlloc, 15> TVideoFrameBuffer;

// Writes the AVCDecoderConfigurationRecord for one SPS and one PPS (NAL units without start
// codes, the SPS at least 4 bytes) into target and returns its length, 11 + spsLength + ppsLength;
// the negated length, with nothing written, when that exceeds capacity.
int WriteAvcDecoderConfigurationRecord(const uint8_t* sps, int spsLength, const uint8_t* pps,
                                       int ppsLength, uint8_t* target, int capacity);

class TVideoEncoder {
public:
    typedef void (*Converter)(int width, int height, const uint8_t* source, uint8_t* target);

    // Tables built, ring ready, parameters at the library's defaults for preset "ultrafast",
    // tune "film" and profile "baseline" with I420 input.
    TVideoEncoder();
    virtual ~TVideoEncoder();
    TVideoEncoder(const TVideoEncoder&) = delete;
    TVideoEncoder& operator=(const TVideoEncoder&) = delete;

    // Opens the library for width x height frames at quality q (QP and CRF; 23 when q lies outside
    // 0..51). Opening again replaces the encoder and forgets pending stamps.
    BOOL Open(int width, int height, int q);

    // The configuration record of the stream; 0 without headers, SPS or PPS; the negated length,
    // with nothing written, when it is longer than capacity.
    int GetHeaders(uint8_t* target, int capacity);

    // Encodes one frame (or, with null, drains one delayed frame). *timestamp carries the frame's
    // capture time in and, when a frame comes back, the capture time of that frame out. The
    // caller owns the returned reference; null when no frame came out.
    TVideoFrameBuffer* Encode(const uint8_t* frame, int* timestamp);

    // What the library was opened with.
    const x264_param_t& Parameters() const { return parameters; }

private:
    TPictureBuffer* picture = nullptr;
    x264_param_t parameters;

public:
    // Read by the recording worker for x264_encoder_delayed_frames.
    x264_t* encoder = nullptr;

private:
    TRingQueue<int> timestamps;
    Converter converter = nullptr;
    // The library is given increasing picture times so it sees a steady input; the capture
    // times travel through the ring only.
    int64_t nextPts = 0;
};
