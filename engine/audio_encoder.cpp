#include "engine/audio_encoder.h"

#include <string.h>

extern "C" {
#include <faac.h>
}

TAudioEncoder::~TAudioEncoder()
{
    Close();
}

void TAudioEncoder::Close()
{
    if (encoder) {
        faacEncClose(encoder);
        encoder = nullptr;
    }
}

BOOL TAudioEncoder::Open(unsigned sampleRate, unsigned channels, unsigned)
{
    Close();
    kept.clear();
    framesOut = 0;
    unsigned long samples = 0, maximum = 0;
    encoder = faacEncOpen(sampleRate, channels, &samples, &maximum);
    if (encoder) {
        inputSamples = (unsigned)samples;
        maxOutputBytes = (unsigned)maximum;
        faacEncConfigurationPtr config = faacEncGetCurrentConfiguration(encoder);
        config->aacObjectType = LOW;
        config->outputFormat = RAW_STREAM;
        config->inputFormat = FAAC_INPUT_16BIT;
        faacEncSetConfiguration(encoder, config);
    }
    return encoder != nullptr;
}

TAudioBuffer* TAudioEncoder::Encode(const void* samples, unsigned bytes)
{
    const unsigned count = bytes / 2;
    if (!encoder || inputSamples == 0 || count == 0)
        return nullptr;
    // Room for one frame and its prefix per encoder call, so the buffer never grows.
    const uint64_t capacity = (uint64_t)((count + inputSamples - 1) / inputSamples) * (maxOutputBytes + 2);
    if (capacity > UINT32_MAX)
        return nullptr;
    TAudioBuffer* buffer = TAudioBuffer::New<TAudioBuffer>((uint32_t)capacity);
    if (!buffer)
        return nullptr;

    const int16_t* in = (const int16_t*)samples;
    uint8_t* out = buffer->data;
    uint32_t total = 0;
    for (unsigned done = 0; done < count;) {
        const unsigned chunk = count - done < inputSamples ? count - done : inputSamples;
        // The library reads 16-bit samples through this pointer type in its 16-bit input mode.
        int length = faacEncEncode(encoder, (int32_t*)(in + done), chunk, out + 2, maxOutputBytes);
        if (length < 0) {
            buffer->Release();
            return nullptr;
        }
        if (length > 0) {
            out[0] = (uint8_t)(length >> 8);
            out[1] = (uint8_t)length;
            out += length + 2;
            total += (uint32_t)length + 2;
        }
        done += chunk;
    }
    if (total == 0) {
        buffer->Release();
        return nullptr;
    }
    buffer->length = total;
    return buffer;
}

uint64_t TAudioEncoder::CountFrames(const TAudioBuffer* buffer)
{
    uint64_t count = 0;
    for (uint32_t at = 0; buffer && at + 2 <= buffer->length; at += 2 + (buffer->data[at] << 8 | buffer->data[at + 1]))
        ++count;
    framesOut += count;
    return count;
}

TAudioBuffer* TAudioEncoder::Join(TAudioBuffer* target, TAudioBuffer* source)
{
    if (!target || !source)
        return target ? target : source;
    TAudioBuffer* joined = TAudioBuffer::New<TAudioBuffer>(target->length + source->length);
    if (joined) {
        memcpy(joined->data, target->data, target->length);
        memcpy(joined->data + target->length, source->data, source->length);
    }
    target->Release();
    source->Release();
    return joined;
}

TAudioBuffer* TAudioEncoder::EncodeFrames(const void* samples, unsigned bytes)
{
    if (!encoder || inputSamples == 0)
        return nullptr;
    const int16_t* in = (const int16_t*)samples;
    unsigned count = bytes / 2;
    TAudioBuffer* out = nullptr;
    // First the kept samples made whole by the front of this block.
    if (!kept.empty()) {
        const unsigned missing = inputSamples - (unsigned)kept.size();
        const unsigned take = missing < count ? missing : count;
        kept.insert(kept.end(), in, in + take);
        in += take;
        count -= take;
        if (kept.size() < inputSamples)
            return nullptr;
        out = Encode(kept.data(), inputSamples * 2);
        kept.clear();
    }
    const unsigned whole = count / inputSamples * inputSamples;
    if (whole > 0)
        out = Join(out, Encode(in, whole * 2));
    kept.assign(in + whole, in + count);
    CountFrames(out);
    return out;
}

TAudioBuffer* TAudioEncoder::Flush()
{
    if (!encoder || inputSamples == 0)
        return nullptr;
    TAudioBuffer* out = nullptr;
    if (!kept.empty()) {
        kept.resize(inputSamples, 0);
        out = Encode(kept.data(), inputSamples * 2);
        kept.clear();
    }
    // Without input the library gives out what it holds, one frame a call, then nothing; a few
    // calls more than it holds is plenty.
    for (int i = 0; i < 8; ++i) {
        TAudioBuffer* frame = TAudioBuffer::New<TAudioBuffer>(maxOutputBytes + 2);
        if (!frame)
            break;
        int length = faacEncEncode(encoder, NULL, 0, frame->data + 2, maxOutputBytes);
        if (length <= 0) {
            frame->Release();
            break;
        }
        frame->data[0] = (uint8_t)(length >> 8);
        frame->data[1] = (uint8_t)length;
        frame->length = (uint32_t)length + 2;
        out = Join(out, frame);
    }
    CountFrames(out);
    return out;
}
