#include "engine/audio_encoder.h"

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
