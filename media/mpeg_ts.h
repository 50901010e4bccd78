// The MPEG-2 transport stream writer: one program, H.264 on PID 0x1022 and ADTS AAC on 0x1023,
// every frame one PES cut into 188-byte packets that leave one by one.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include "media/audio_clock.h"
#include "media/byte_writer.h"
#include "media/media_stream.h"
#include "media/whole_units.h"

class Mpeg_TS : public MediaStream {
public:
    enum {
        kShortPrefixSize = 10,
        kAdtsHeaderSize = 7,
    };

    Mpeg_TS();
    ~Mpeg_TS() override;

    int Open(const MediaInfo* info) override;
    // frameKind: 1 for an IDR frame, 2 for SEI/SPS/PPS, else 0. -1 for a buffer without a NAL
    // unit behind its start code or length prefix, or a failed write.
    int WriteVideo(const uint8_t* data, unsigned len, int lengthPrefixed, unsigned timestampMs,
                   int* frameKind) override;
    int WriteAudio(const uint8_t* aacFrame, unsigned len, unsigned timestampMs) override;
    // Emits the bytes; the file template implements it. head is never empty.
    virtual int WriteBytes(const void* head, size_t headLen, const void* body, size_t bodyLen) = 0;

    // Keeps SPS and PPS of an AVCDecoderConfigurationRecord as the Annex B prefix of the first
    // IDR frame; -1 (and no prefix) for a record too short for what it announces.
    int SetAvcConfig(const uint8_t* record, uint32_t size);
    void SetAudioConfig(uint32_t sampleRate, uint8_t channels);

    // PAT and PMT in one block; sets the tables-written flag on success.
    int WriteTables();

    // The 4-byte packet header and, for adaptationSize not 0, an adaptation field of exactly that
    // many bytes (length byte included), with a PCR of pcrMs when pcrWanted and it has 8 bytes.
    static void PutPacketHeader(ByteWriter& packet, uint16_t pid, bool unitStart, uint8_t continuityCounter,
                                uint32_t adaptationSize, bool pcrWanted, uint32_t pcrMs);
    // The 14-byte PES header; payloadLen 0 gives an unbounded PES (PES_packet_length 0).
    static void PutPesHeader(ByteWriter& packet, uint8_t streamId, uint32_t payloadLen, uint32_t ptsMs);
    // Whole 188-byte table packets; the PMT lists each stream that is present.
    static void BuildPat(uint8_t* packet);
    void BuildPmt(uint8_t* packet) const;

    // The 7-byte ADTS header of an AAC frame of len bytes.
    void PutAdtsHeader(ByteWriter& packet, unsigned len) const;

    // The end of the last whole PES (or of the tables) that reached the output, in bytes from its
    // start.
    uint64_t WholeEnd() const { return units.WholeEnd(); }

private:
    // Hands whole packets to WriteBytes and counts them; 0 or -1.
    int Emit(const uint8_t* packets, size_t len);
    // Cuts the PES made of head, mid and body into packets on pid; only the packet that carries
    // the adaptation field (the one that makes the last packet end exactly) can hold a PCR.
    int WritePes(uint16_t pid, uint8_t* counter, const uint8_t* head, uint32_t headLen, const uint8_t* mid,
                 uint32_t midLen, const uint8_t* body, uint32_t bodyLen, bool pcrWanted, uint32_t pcrMs);

    int framesWritten;      // video frames other than header frames; 1 from Open without video
    int baseTime;           // capture time of the first such frame
    int audioFrameMs;       // whole ms per AAC frame; 0 without audio
    int videoFrameMs;       // whole ms per video frame; 0 without video
    uint8_t streams;        // the streams present (kMediaVideo, kMediaAudio), from Open
    uint8_t adtsProfile;
    uint8_t freqIndex;
    uint8_t channels;
    uint8_t tablesWritten;
    uint8_t videoCounter;
    uint8_t audioCounter;
    uint8_t prefixUsed;     // the SPS and PPS went out
    AudioClock audioClock;  // time of the next audio PES; Now() 0 = not started
    uint32_t videoTime;     // PTS of the last video PES, already rebased
    uint8_t* prefix;        // delimiter, SPS, PPS and the frame's start code; owned
    int prefixLen;
    WholeUnits units;       // what reached the output, and where its last whole PES ends

    Mpeg_TS(const Mpeg_TS&) = delete;
    Mpeg_TS& operator=(const Mpeg_TS&) = delete;
};
