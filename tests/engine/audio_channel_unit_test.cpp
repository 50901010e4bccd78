// Wave input without any sound server: Wine then has no wave-input device at all.
#include "engine/audio_channel.h"

#include <gtest/gtest.h>

#include "tests/support/log_capture.h"

TEST(AudioChannelWithoutSound, NoDevicesAreListedAndNoneOpens)
{
    ASSERT_EQ(waveInGetNumDevs(), 0u) << "a sound server is reachable from the unit tests";
    EXPECT_EQ(CRecordChannel::EnumDevices(NULL), 0);

    LogCapture log;
    CRecordChannel channel;
    SetLastError(0);
    EXPECT_EQ(channel.Open(-1, 2, 44100, 16, 90112), 1);
    DWORD error = GetLastError();
    EXPECT_TRUE(error & 0x80000000u);
    EXPECT_NE(error & 0x7FFFFFFFu, 0u);
    char line[64];
    snprintf(line, sizeof line, "Failed to open record channel. err=%d", (int)(error & 0x7FFFFFFF));
    EXPECT_EQ(log.Count(line), 1);
    // A Start without an open device queues nothing and reports it.
    EXPECT_EQ(channel.Start(), 1);
    channel.Close();
}
