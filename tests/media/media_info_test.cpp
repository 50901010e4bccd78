#include "media/media_info.h"

#include <gtest/gtest.h>
#include <stdio.h>

#include "tests/media/memory_writer.h"
#include "tests/support/log_capture.h"

TEST(AudioSpecificConfig, EncodesObjectTypeFrequencyIndexAndChannels)
{
    struct Case {
        unsigned rate;
        uint8_t channels;
        unsigned index;
        const char* bytes;
    } cases[] = {
        {44100, 2, 4, "12 10"}, {48000, 1, 3, "11 88"}, {16000, 2, 8, "14 10"}, {8000, 1, 11, "15 88"},
        {96000, 2, 0, "10 10"}, {22050, 1, 7, "13 88"},
    };
    for (const Case& c : cases) {
        LogCapture log;
        AudioSpecificConfig config(c.rate, c.channels);
        EXPECT_EQ(config.objectType, 2);
        EXPECT_EQ(config.samplingFrequencyIndex, c.index) << c.rate;
        EXPECT_EQ(config.channelConfiguration, c.channels);
        EXPECT_EQ(config.frameLengthFlag, 0);
        uint8_t out[2];
        config.Encode(out);
        EXPECT_EQ(Hex(Bytes(out, 2)), c.bytes) << c.rate;
        char line[64];
        snprintf(line, sizeof line, "AudioSpecificConfig frequence index=%u", c.index);
        EXPECT_EQ(log.Count(line), 1) << c.rate;
    }
}

TEST(SamplingFrequencyIndex, TakesTheLowerTableRate)
{
    struct Case {
        unsigned rate;
        unsigned index;
    } cases[] = {
        {96001, 0}, {96000, 0}, {95999, 1}, {88200, 1}, {64000, 2}, {48000, 3}, {45000, 4}, {44100, 4},
        {32000, 5}, {24000, 6}, {22050, 7}, {16000, 8}, {12000, 9}, {11025, 10}, {8000, 11}, {7999, 12},
        {0, 12},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SamplingFrequencyIndex(c.rate), c.index) << c.rate;
}
