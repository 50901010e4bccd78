// Helpers for tests that run under Wine: native Linux commands (ffprobe, ffmpeg, sox, pactl) run
// from inside the test, and the paths that cross between the two worlds.
#pragma once
#include <string>

struct HostResult {
    int exitCode;        // the shell's exit code; -1 when the command could not start or timed out
    std::string output;  // standard output and standard error together
};

// Runs command with /bin/sh on the Linux host and waits at most timeoutMs for it.
HostResult RunHost(const std::string& command, unsigned timeoutMs = 120000);

// The folder this test run may write into (unix form), made empty for each test executable.
std::string TestTempDir();
// A new empty folder below TestTempDir (unix form).
std::string NewTempDir(const std::string& name);

// Z:\tmp\a <-> /tmp/a (Wine maps the Linux root to drive Z:).
std::string WindowsPath(const std::string& unixPath);
std::wstring WindowsPathW(const std::string& unixPath);
std::string UnixPath(const std::string& windowsPath);

// 'text' quoted for /bin/sh.
std::string ShellQuote(const std::string& text);

// The source tree (unix form), for fixtures committed beside the tests.
std::string SourceDir();

// Reads and writes whole files given in unix form.
std::string ReadHostFile(const std::string& unixPath);
bool WriteHostFile(const std::string& unixPath, const std::string& bytes);

// A small filesystem of its own (tmpfs; the tests run as root) mounted on a new folder below
// TestTempDir, to run out of space at will as a full disk does. Unmounted when it goes; the test
// wrapper unmounts what a crashed test left.
class SmallDisk {
public:
    SmallDisk(const std::string& name, unsigned kilobytes);
    ~SmallDisk();
    bool Mounted() const { return mounted; }
    const std::string& Dir() const { return dir; } // unix form
    // Takes every free byte, so the next write that needs room fails.
    bool Fill();

private:
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    std::string dir;
    bool mounted = false;
};
