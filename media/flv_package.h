// The FLV writer: H.264 video and AAC audio tags behind the FLV header and an onMetaData tag.
#pragma once
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>

#include "media/audio_clock.h"
#include "media/media_stream.h"
#include "media/whole_units.h"

class Flv_Package : public MediaStream {
public:
    enum {
        kBufferSize = 640,
        kTagAudio = 8,
        kTagVideo = 9,
        kTagScript = 18,
    };

    Flv_Package();

    int Open(const MediaInfo* info) override;
    // frameKind: 1 for NAL types 5 and 6, 2 for 7 and 8, else 0. Frames before the first key
    // frame (types 5 to 8) are dropped with result 0.
    int WriteVideo(const uint8_t* data, unsigned len, int lengthPrefixed, unsigned timestampMs,
                   int* frameKind) override;
    // Dropped with result 0 until the first video key frame (or from Open on without video).
    int WriteAudio(const uint8_t* aacFrame, unsigned len, unsigned timestampMs) override;
    // Emits the bytes; the file template implements it. head is never empty.
    virtual int WriteBytes(const void* head, size_t headLen, const void* body, size_t bodyLen) = 0;

    // Flushes the buffer and writes the duration (whole seconds of the last video tag) into the
    // metadata of file. Returns the flush result. After a failed write the duration is that of
    // the last whole tag in the file, which is where the file writer cuts it.
    int Finish(FILE* file);
    // The end of the last whole tag that reached the output, in bytes from its start.
    uint64_t WholeEnd() const { return units.WholeEnd(); }

protected:
    void PutFileHeader(uint8_t flags);
    void PutTagHeader(uint8_t type, uint32_t dataSize, uint32_t time);
    // Copies a payload behind the buffered bytes, leaving room for the PreviousTagSize that
    // follows it; 1 on success, 0 on a write failure.
    int PutData(const uint8_t* data, uint32_t len);
    int PutAvcSequenceHeader(const uint8_t* record, uint32_t len);
    int PutAacSequenceHeader(uint32_t sampleRate, uint8_t channels);

private:
    // Hands bytes to WriteBytes and counts them; 0 or -1.
    int Emit(const void* head, size_t headLen, const void* body, size_t bodyLen);
    int Flush();
    // A tag (or the file header) is complete with what is buffered.
    void TagDone();
    void Put8(uint8_t v);
    void Put32(uint32_t v);
    void PutNumberEntry(const char* name, double value);

    uint64_t videoTime;      // time of the last video tag, already rebased
    uint8_t buffer[kBufferSize];
    uint32_t fill;
    int keySeen;             // a key frame went out, or the stream has no video
    uint32_t durationOffset; // file offset of the duration's AMF marker byte
    uint64_t baseTime;       // capture time of the first key frame
    AudioClock audioClock;   // time of the next audio tag; Now() 0 = not started
    WholeUnits units;        // what reached the output, and where its last whole tag ends

    Flv_Package(const Flv_Package&) = delete;
    Flv_Package& operator=(const Flv_Package&) = delete;
};
