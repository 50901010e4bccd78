#include "media/mpeg_ts.h"

#include <stdlib.h>
#include <string.h>

#include "media/media_info.h"
#include "media/ts_packet.h"

namespace {

// Access unit delimiter payload: primary_pic_type 7 (any slice type) and the stop bit.
const uint8_t kDelimiterByte = 0xF0;
const uint8_t kShortPrefix[Mpeg_TS::kShortPrefixSize] = {0, 0, 0, 1, 0x09, kDelimiterByte, 0, 0, 0, 1};

enum FrameClass { kOrdinaryFrame = 0, kIdrFrame = 1, kHeaderFrame = 2 };

FrameClass Classify(uint8_t nalHeader)
{
    int type = nalHeader & 0x1F;
    if (type == 5)
        return kIdrFrame;
    if (type >= 6 && type <= 8)
        return kHeaderFrame;
    return kOrdinaryFrame;
}

struct Cursor {
    const uint8_t* data;
    uint32_t left;
};

// Copies up to room bytes from the cursors in turn; returns what was copied.
uint32_t CopyFrom(ByteWriter& w, Cursor* parts, int count, uint32_t room)
{
    uint32_t copied = 0;
    for (int i = 0; i < count && copied < room; ++i) {
        uint32_t n = parts[i].left < room - copied ? parts[i].left : room - copied;
        w.bytes(parts[i].data, n);
        parts[i].data += n;
        parts[i].left -= n;
        copied += n;
    }
    return copied;
}

} // namespace

Mpeg_TS::Mpeg_TS()
    : framesWritten(0), baseTime(0), audioFrameMs(0), videoFrameMs(0), streams(0), adtsProfile(0), freqIndex(0),
      channels(0), tablesWritten(0), videoCounter(0), audioCounter(0), prefixUsed(0), videoTime(0),
      prefix(NULL), prefixLen(0)
{
}

Mpeg_TS::~Mpeg_TS()
{
    free(prefix);
}

int Mpeg_TS::Open(const MediaInfo* info)
{
    tablesWritten = 0;
    framesWritten = 0;
    baseTime = 0;
    audioClock = AudioClock();
    videoTime = 0;
    videoCounter = 0;
    audioCounter = 0;
    prefixUsed = 0;
    units.Reset();

    streams = info->flags & (kMediaVideo | kMediaAudio);
    bool video = (info->flags & kMediaVideo) != 0;
    bool audio = (info->flags & kMediaAudio) != 0;
    if (video) {
        videoFrameMs = info->fps ? 1000 / info->fps : 66;
    } else {
        videoFrameMs = 0;
        framesWritten = 1;
    }
    if (audio) {
        audioFrameMs = info->sampleRate ? int(info->frameSamples * 1000u / info->sampleRate) : 21;
        audioClock.SetFrameDuration(info->frameSamples, info->sampleRate);
    } else {
        audioFrameMs = 0;
    }
    if (video)
        SetAvcConfig(info->avcConfig, info->avcConfigSize);
    if (audio)
        SetAudioConfig(info->sampleRate, info->channels);
    return 0;
}

int Mpeg_TS::SetAvcConfig(const uint8_t* record, uint32_t size)
{
    if (!record || size < 8)
        return -1;
    uint32_t spsLen = uint32_t(record[6]) << 8 | record[7];
    if (size < spsLen + 11)
        return -1;
    uint32_t ppsLen = uint32_t(record[spsLen + 9]) << 8 | record[spsLen + 10];
    if (size < spsLen + ppsLen + 11)
        return -1;

    uint32_t len = spsLen + ppsLen + 18;
    uint8_t* full = (uint8_t*)malloc(len);
    if (!full)
        return -1;
    ByteWriter w{full};
    w.bytes(kShortPrefix, 6); // start code and delimiter
    w.be32(1);
    w.bytes(record + 8, spsLen);
    w.be32(1);
    w.bytes(record + spsLen + 11, ppsLen);
    w.be32(1);
    free(prefix);
    prefix = full;
    prefixLen = int(len);
    return 0;
}

void Mpeg_TS::SetAudioConfig(uint32_t sampleRate, uint8_t channelCount)
{
    adtsProfile = 1; // AAC LC
    freqIndex = SamplingFrequencyIndex(sampleRate);
    channels = channelCount;
}

void Mpeg_TS::PutAdtsHeader(ByteWriter& packet, unsigned len) const
{
    uint32_t n = len + kAdtsHeaderSize;
    packet.u8(0xFF);
    packet.u8(0xF1); // MPEG-4, layer 0, no CRC
    packet.u8(uint8_t(adtsProfile << 6 | freqIndex << 2 | ((channels >> 2) & 1)));
    packet.u8(uint8_t((channels & 3) << 6 | ((n >> 11) & 3)));
    packet.u8(uint8_t(n >> 3));
    packet.u8(uint8_t((n & 7) << 5 | 0x1F)); // buffer fullness 0x7FF: variable rate
    packet.u8(0xFC);
}

int Mpeg_TS::WritePes(uint16_t pid, uint8_t* counter, const uint8_t* head, uint32_t headLen, const uint8_t* mid,
                      uint32_t midLen, const uint8_t* body, uint32_t bodyLen, bool pcrWanted, uint32_t pcrMs)
{
    Cursor parts[3] = {{head, headLen}, {mid, midLen}, {body, bodyLen}};
    const uint32_t total = headLen + midLen + bodyLen;
    // Every packet is full: the packet where the bytes would run short carries an adaptation
    // field that takes up the difference.
    const uint32_t paddedIndex = total / kTsPayloadSize;
    const uint32_t padding = total % kTsPayloadSize ? kTsPayloadSize - total % kTsPayloadSize : 0;
    uint32_t left = total;
    for (uint32_t i = 0; left > 0; ++i) {
        uint8_t packet[kTsPacketSize];
        ByteWriter w{packet};
        uint32_t adaptation = i == paddedIndex ? padding : 0;
        PutPacketHeader(w, pid, i == 0, *counter, adaptation, pcrWanted, pcrMs);
        left -= CopyFrom(w, parts, 3, kTsPayloadSize - adaptation);
        *counter = uint8_t((*counter + 1) & 0x0F);
        if (Emit(packet, sizeof packet) != 0)
            return -1;
    }
    units.Ends(units.Written(), 0);
    return 0;
}

int Mpeg_TS::Emit(const uint8_t* packets, size_t len)
{
    if (WriteBytes(packets, len, NULL, 0) != 0)
        return -1;
    units.Wrote(len);
    return 0;
}

int Mpeg_TS::WriteVideo(const uint8_t* data, unsigned len, int lengthPrefixed, unsigned timestampMs,
                        int* frameKind)
{
    if (len < 4)
        return -1;
    const uint8_t* nal = data;
    uint32_t nalLen = len;
    if (lengthPrefixed || (data[0] == 0 && data[1] == 0 && data[2] == 0 && data[3] == 1)) {
        nal += 4;
        nalLen -= 4;
    }
    if (nalLen == 0)
        return -1;
    FrameClass kind = Classify(nal[0]);
    if (frameKind)
        *frameKind = kind;

    if (!tablesWritten && WriteTables() != 0)
        return -1;

    const uint8_t* pre = kShortPrefix;
    uint32_t preLen = kShortPrefixSize;
    if (kind == kIdrFrame && prefix && !prefixUsed) {
        pre = prefix;
        preLen = uint32_t(prefixLen);
        prefixUsed = 1;
    }

    if (timestampMs != 0) {
        if (framesWritten == 0 && kind != kHeaderFrame)
            baseTime = int(timestampMs);
        videoTime = timestampMs - uint32_t(baseTime);
    } else if (framesWritten == 0 && kind != kHeaderFrame) {
        baseTime = 0;
    }
    const uint32_t pts = videoTime;
    // The PCR runs a little behind the frame so that the frame is never due before it arrives.
    const uint32_t pcr = pts > 2 ? pts - 2 : pts;

    uint8_t head[kTsPesHeaderSize];
    ByteWriter w{head};
    PutPesHeader(w, kTsStreamIdVideo, 0, pts);
    if (WritePes(kTsVideoPid, &videoCounter, head, sizeof head, pre, preLen, nal, nalLen, true, pcr) != 0)
        return -1;

    if (kind != kHeaderFrame) {
        ++framesWritten;
        if (timestampMs == 0)
            videoTime += uint32_t(videoFrameMs);
    }
    return 0;
}

int Mpeg_TS::WriteAudio(const uint8_t* aacFrame, unsigned len, unsigned timestampMs)
{
    if (timestampMs != 0)
        audioClock.Restart(timestampMs);
    else if (audioClock.Now() == 0)
        audioClock.Restart(videoTime);

    if (len > 0) {
        uint8_t head[kTsPesHeaderSize + kAdtsHeaderSize];
        ByteWriter w{head};
        PutPesHeader(w, kTsStreamIdAudio, len + kAdtsHeaderSize, uint32_t(audioClock.Now()));
        PutAdtsHeader(w, len);
        if (WritePes(kTsAudioPid, &audioCounter, head, sizeof head, NULL, 0, aacFrame, len, false, 0) != 0)
            return -1;
    }
    // A given time stamp sets the clock without advancing it, so the next frame reuses it.
    if (timestampMs == 0)
        audioClock.Advance();
    return 0;
}
