#include "media/flv_package.h"

#include <string.h>

#include "media/byte_writer.h"
#include "media/media_info.h"

namespace {

const uint32_t kTagHeaderSize = 11;
const uint8_t kAacTagByte = 0xAF;  // SoundFormat 10 (AAC); rate, size and type as FLV fixes them
const uint8_t kKeyFrameByte = 0x17;   // FrameType 1, CodecID 7 (AVC)
const uint8_t kInterFrameByte = 0x27; // FrameType 2, CodecID 7

// What the Annex B start code, length prefix or nothing in front leaves of a video buffer.
struct NalUnit {
    const uint8_t* payload; // bytes that go into the tag (a length prefix stays in them)
    uint32_t payloadLen;
    uint32_t nalLen;
    int type;
};

bool LocateNal(const uint8_t* data, unsigned len, int lengthPrefixed, NalUnit* nal)
{
    if (lengthPrefixed) {
        if (len < 5)
            return false;
        *nal = {data, len, len - 4, data[4] & 0x1F};
        return true;
    }
    if (len >= 4 && data[0] == 0 && data[1] == 0 && data[2] == 0 && data[3] == 1) {
        data += 4;
        len -= 4;
    }
    if (len == 0)
        return false;
    *nal = {data, len, len, data[0] & 0x1F};
    return true;
}

} // namespace

Flv_Package::Flv_Package()
    : videoTime(0), fill(0), keySeen(0), durationOffset(0), baseTime(0)
{
    memset(buffer, 0, sizeof buffer);
}

void Flv_Package::Put8(uint8_t v)
{
    buffer[fill++] = v;
}

void Flv_Package::Put32(uint32_t v)
{
    ByteWriter w{buffer + fill};
    w.be32(v);
    fill += 4;
}

int Flv_Package::Emit(const void* head, size_t headLen, const void* body, size_t bodyLen)
{
    if (WriteBytes(head, headLen, body, bodyLen) != 0)
        return -1;
    units.Wrote(headLen + (body ? bodyLen : 0));
    return 0;
}

int Flv_Package::Flush()
{
    if (Emit(buffer, fill, NULL, 0) != 0)
        return -1;
    fill = 0;
    return 0;
}

void Flv_Package::TagDone()
{
    units.Ends(units.Written() + fill, videoTime);
}

void Flv_Package::PutFileHeader(uint8_t flags)
{
    audioClock = AudioClock();
    videoTime = 0;
    baseTime = 0;
    fill = 0;
    keySeen = 0;
    units.Reset();
    ByteWriter w{buffer};
    w.bytes("FLV", 3);
    w.u8(1);
    w.u8(uint8_t(((flags & kMediaAudio) ? 0x04 : 0) | ((flags & kMediaVideo) ? 0x01 : 0)));
    w.be32(9);  // DataOffset
    w.be32(0);  // PreviousTagSize0
    fill = uint32_t(w.p - buffer);
    TagDone();
}

void Flv_Package::PutTagHeader(uint8_t type, uint32_t dataSize, uint32_t time)
{
    ByteWriter w{buffer + fill};
    w.u8(type);
    w.be24(dataSize & 0xFFFFFF);
    w.be24(time & 0xFFFFFF);
    w.u8(uint8_t(time >> 24)); // TimestampExtended
    w.be24(0);                 // StreamID
    fill += kTagHeaderSize;
}

void Flv_Package::PutNumberEntry(const char* name, double value)
{
    uint16_t n = uint16_t(strlen(name));
    ByteWriter w{buffer + fill};
    w.be16(n);
    w.bytes(name, n);
    w.u8(0x00); // AMF number
    w.f64(value);
    fill = uint32_t(w.p - buffer);
}

int Flv_Package::PutData(const uint8_t* data, uint32_t len)
{
    if (fill + len + 4 > kBufferSize) {
        if (len < kBufferSize - 4) {
            if (Flush() != 0)
                return 0;
        } else {
            // Too big to be worth copying: it leaves together with what is buffered.
            if (Emit(buffer, fill, data, len) != 0)
                return 0;
            fill = 0;
            return 1;
        }
    }
    if (len)
        memcpy(buffer + fill, data, len);
    fill += len;
    return 1;
}

int Flv_Package::PutAvcSequenceHeader(const uint8_t* record, uint32_t len)
{
    if (!record)
        len = 0;
    if (fill + len + 20 > kBufferSize && Flush() != 0)
        return -1;
    const uint32_t tagStart = fill;
    PutTagHeader(kTagVideo, len + 5, 0);
    Put8(kKeyFrameByte);
    Put8(0x00); // AVCPacketType 0: sequence header
    Put8(0);    // CompositionTime
    Put8(0);
    Put8(0);
    if (!PutData(record, len)) {
        fill = tagStart; // a header without its record would break every tag after it
        return -1;
    }
    Put32(len + 16);
    TagDone();
    return 0;
}

int Flv_Package::PutAacSequenceHeader(uint32_t sampleRate, uint8_t channels)
{
    if (fill > kBufferSize - 19 && Flush() != 0)
        return -1;
    uint8_t config[2];
    AudioSpecificConfig(sampleRate, channels).Encode(config);
    PutTagHeader(kTagAudio, 4, 0);
    Put8(kAacTagByte);
    Put8(0x00); // AACPacketType 0: sequence header
    Put8(config[0]);
    Put8(config[1]);
    Put32(15);
    TagDone();
    return 0;
}

int Flv_Package::Open(const MediaInfo* info)
{
    bool video = (info->flags & kMediaVideo) != 0;
    bool audio = (info->flags & kMediaAudio) != 0;
    PutFileHeader(info->flags);

    uint32_t tagStart = fill;
    PutTagHeader(kTagScript, 0, 0);
    ByteWriter w{buffer + fill};
    w.u8(0x02); // AMF string
    w.be16(10);
    w.bytes("onMetaData", 10);
    w.u8(0x08); // AMF ECMA array
    w.be32(2 + (video ? 5 : 0) + (audio ? 5 : 0));
    fill = uint32_t(w.p - buffer);

    durationOffset = fill + 2 + 8; // behind the name "duration" and its length
    PutNumberEntry("duration", 0.0);
    if (video) {
        PutNumberEntry("width", info->width);
        PutNumberEntry("height", info->height);
        PutNumberEntry("videodatarate", 0.0);
        PutNumberEntry("framerate", info->fps);
        PutNumberEntry("videocodecid", 7.0);
    } else {
        keySeen = 1;
    }
    if (audio) {
        PutNumberEntry("audiodatarate", 0.0);
        PutNumberEntry("audiosamplerate", info->sampleRate);
        PutNumberEntry("audiosamplesize", info->bitsPerSample);
        PutNumberEntry("stereo", info->channels > 1 ? 1.0 : 0.0);
        PutNumberEntry("audiocodecid", 10.0);
        audioClock.SetFrameDuration(info->frameSamples, info->sampleRate);
    }
    PutNumberEntry("filesize", 0.0);
    w = ByteWriter{buffer + fill};
    w.be24(9); // end of object
    fill = uint32_t(w.p - buffer);

    uint32_t dataSize = fill - tagStart - kTagHeaderSize;
    w = ByteWriter{buffer + tagStart + 1};
    w.be24(dataSize);
    Put32(dataSize + kTagHeaderSize);
    TagDone();

    if (video)
        PutAvcSequenceHeader(info->avcConfig, info->avcConfigSize);
    if (audio)
        PutAacSequenceHeader(info->sampleRate, info->channels);
    return 0;
}

int Flv_Package::WriteVideo(const uint8_t* data, unsigned len, int lengthPrefixed, unsigned timestampMs,
                            int* frameKind)
{
    NalUnit nal;
    if (!LocateNal(data, len, lengthPrefixed, &nal))
        return -1; // nothing to read a NAL type from
    bool key = nal.type >= 5 && nal.type <= 8;
    if (frameKind)
        *frameKind = (nal.type == 5 || nal.type == 6) ? 1 : (nal.type == 7 || nal.type == 8) ? 2 : 0;

    if (!keySeen) {
        if (!key)
            return 0;
        keySeen = 1;
        baseTime = timestampMs;
    }
    videoTime = uint64_t(timestampMs) - baseTime;

    if (fill > kBufferSize - 20 && Flush() != 0)
        return -1;
    const uint32_t tagStart = fill;
    PutTagHeader(kTagVideo, nal.nalLen + 9, uint32_t(videoTime));
    Put8(key ? kKeyFrameByte : kInterFrameByte);
    Put8(0x01); // AVCPacketType 1: NAL units
    Put8(0);    // CompositionTime
    Put8(0);
    Put8(0);
    if (!lengthPrefixed)
        Put32(nal.nalLen);
    if (!PutData(nal.payload, nal.payloadLen)) {
        // The tag's header stays out too, so a later flush cannot write it without its frame.
        fill = tagStart;
        return -1;
    }
    Put32(nal.nalLen + 20);
    TagDone();
    return 0;
}

int Flv_Package::WriteAudio(const uint8_t* aacFrame, unsigned len, unsigned timestampMs)
{
    if (!keySeen)
        return 0;
    if (timestampMs != 0)
        audioClock.Restart(timestampMs);
    else if (audioClock.Now() == 0)
        audioClock.Restart(videoTime);

    if (fill > kBufferSize - 13 && Flush() != 0)
        return -1;
    const uint32_t tagStart = fill;
    PutTagHeader(kTagAudio, len + 2, uint32_t(audioClock.Now()));
    // A given time stamp sets the clock without advancing it, so the next frame reuses it.
    if (timestampMs == 0)
        audioClock.Advance();
    Put8(kAacTagByte);
    Put8(0x01); // AACPacketType 1: raw frame
    if (!PutData(aacFrame, len)) {
        fill = tagStart;
        return -1;
    }
    Put32(len + 13);
    TagDone();
    return 0;
}

int Flv_Package::Finish(FILE* file)
{
    int result = 0;
    if (fill > 0) {
        result = Flush();
        fill = 0;
    }
    if (!file)
        return result;

    uint8_t patch[9];
    // After a failed write the file keeps only its whole tags: the duration is theirs, and
    // metadata that is not whole in the file is left alone.
    if (units.WholeEnd() < durationOffset + sizeof patch)
        return result;
    // 64-bit positions: a long recording passes the 2 GB that ftell can report.
    __int64 position = _ftelli64(file);
    _fseeki64(file, durationOffset, SEEK_SET);
    ByteWriter w{patch};
    w.u8(0x00); // AMF number
    w.f64(double(units.WholeTime() / 1000));
    fwrite(patch, sizeof patch, 1, file);
    _fseeki64(file, position, SEEK_SET);
    return result;
}
