#include "media/media_info.h"

#include "foundation/debug_log.h"

namespace {
const unsigned kSampleRates[] = {96000, 88200, 64000, 48000, 44100, 32000,
                                 24000, 22050, 16000, 12000, 11025, 8000};
}

uint8_t SamplingFrequencyIndex(unsigned sampleRate)
{
    uint8_t index = 0;
    for (unsigned rate : kSampleRates) {
        if (rate <= sampleRate)
            return index;
        ++index;
    }
    return 12;
}

AudioSpecificConfig::AudioSpecificConfig(unsigned sampleRate, uint8_t channels)
    : objectType(2), samplingFrequencyIndex(SamplingFrequencyIndex(sampleRate)),
      channelConfiguration(channels), frameLengthFlag(0)
{
    DebugLog(LOG_INFO, "media\\media_info", __LINE__, "AudioSpecificConfig frequence index=%u",
             samplingFrequencyIndex);
}

void AudioSpecificConfig::Encode(uint8_t out[2]) const
{
    out[0] = uint8_t(objectType << 3 | samplingFrequencyIndex >> 1);
    // dependsOnCoreCoder and extensionFlag (bits 1 and 0) stay 0.
    out[1] = uint8_t((samplingFrequencyIndex & 1) << 7 | channelConfiguration << 3 | frameLengthFlag << 2);
}
