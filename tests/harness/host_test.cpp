#include "tests/support/host.h"

#include <gtest/gtest.h>

TEST(RunHost, ReturnsOutputAndExitCode)
{
    HostResult r = RunHost("echo hello; echo oops >&2; exit 3");
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.output, "hello\noops\n");
}

TEST(RunHost, NativeToolsAreThere)
{
    for (const char* tool : {"ffprobe -version", "ffmpeg -version", "sox --version"})
        EXPECT_EQ(RunHost(tool).exitCode, 0) << tool;
}

TEST(RunHost, FilesCrossBetweenWindowsAndLinuxPaths)
{
    std::string dir = NewTempDir("paths");
    ASSERT_TRUE(WriteHostFile(dir + "/a b.txt", "x'y"));
    HostResult r = RunHost("cat " + ShellQuote(dir + "/a b.txt"));
    EXPECT_EQ(r.output, "x'y");
    EXPECT_EQ(UnixPath(WindowsPath("/tmp/q/r")), "/tmp/q/r");
}
