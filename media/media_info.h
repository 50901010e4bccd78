// The stream description a recording hands to a writer, and the two-byte AAC configuration.
#pragma once
#include <stdint.h>

struct MediaInfo {
    const uint8_t* avcConfig; // AVCDecoderConfigurationRecord; only read during Open
    uint8_t flags;            // kMediaVideo and/or kMediaAudio
    uint16_t width;
    uint16_t height;
    uint16_t fps;
    uint16_t avcConfigSize;   // bytes in avcConfig, at most 1024
    uint8_t channels;
    uint8_t bitsPerSample;
    uint32_t sampleRate;      // Hz
    uint32_t frameSamples;    // samples per channel in one AAC frame
};

enum {
    kMediaAudio = 1,
    kMediaVideo = 2,
};

// The sampling-frequency index of AAC (0 = 96000 Hz ... 11 = 8000 Hz): the first table rate not
// above sampleRate, so a rate between two table rates takes the lower one; below 8000 Hz, 12.
uint8_t SamplingFrequencyIndex(unsigned sampleRate);

// AudioSpecificConfig with GASpecificConfig, for AAC LC frames of 1024 samples.
struct AudioSpecificConfig {
    uint8_t objectType;
    uint8_t samplingFrequencyIndex;
    uint8_t channelConfiguration;
    uint8_t frameLengthFlag;

    AudioSpecificConfig(unsigned sampleRate, uint8_t channels);
    // The two encoded bytes.
    void Encode(uint8_t out[2]) const;
};
