#include "tests/support/host.h"

#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

namespace {

std::string EnvOr(const char* name, const char* fallback)
{
    const char* value = getenv(name);
    return value && *value ? value : fallback;
}

bool FileExists(const std::string& windowsPath)
{
    return GetFileAttributesA(windowsPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

std::string TestTempDir()
{
    return EnvOr("MORVALE_TEST_TMP", "/tmp");
}

std::string NewTempDir(const std::string& name)
{
    static int counter = 0;
    std::string dir = TestTempDir() + "/" + name + "-" + std::to_string(++counter);
    RunHost("rm -rf " + ShellQuote(dir) + " && mkdir -p " + ShellQuote(dir), 10000);
    return dir;
}

std::string SourceDir()
{
    return EnvOr("MORVALE_SOURCE_DIR", ".");
}

std::string WindowsPath(const std::string& unixPath)
{
    std::string out = "Z:";
    for (char c : unixPath)
        out += c == '/' ? '\\' : c;
    return out;
}

std::wstring WindowsPathW(const std::string& unixPath)
{
    std::string narrow = WindowsPath(unixPath);
    int n = MultiByteToWideChar(CP_UTF8, 0, narrow.c_str(), -1, NULL, 0);
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, narrow.c_str(), -1, &wide[0], n);
    wide.resize(n - 1);
    return wide;
}

std::string UnixPath(const std::string& windowsPath)
{
    std::string path = windowsPath;
    if (path.size() >= 2 && (path[0] == 'Z' || path[0] == 'z') && path[1] == ':')
        path = path.substr(2);
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

std::string ShellQuote(const std::string& text)
{
    std::string out = "'";
    for (char c : text) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

std::string ReadHostFile(const std::string& unixPath)
{
    std::string bytes;
    FILE* f = fopen(WindowsPath(unixPath).c_str(), "rb");
    if (!f)
        return bytes;
    char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.append(chunk, n);
    fclose(f);
    return bytes;
}

bool WriteHostFile(const std::string& unixPath, const std::string& bytes)
{
    FILE* f = fopen(WindowsPath(unixPath).c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

// Wine starts a native program given by its Linux path, but hands back no usable process handle
// and no pipes; the command therefore runs from a script that leaves its output and exit code in
// files next to it, the exit code last.
HostResult RunHost(const std::string& command, unsigned timeoutMs)
{
    static LONG counter = 0;
    std::string base = TestTempDir() + "/host-" + std::to_string(GetCurrentProcessId()) + "-" +
                       std::to_string(InterlockedIncrement(&counter));
    std::string script = "export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin\n"
                         "( " + command + " ) >" + ShellQuote(base + ".out") + " 2>&1 </dev/null\n"
                         "echo $? >" + ShellQuote(base + ".rc.tmp") + "\n"
                         "mv " + ShellQuote(base + ".rc.tmp") + " " + ShellQuote(base + ".rc") + "\n";
    if (!WriteHostFile(base + ".sh", script))
        return {-1, "cannot write " + base + ".sh"};

    std::string commandLine = "/bin/sh \"" + base + ".sh\""; // the build folder may hold spaces
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return {-1, "cannot start /bin/sh"};
    if (pi.hProcess)
        CloseHandle(pi.hProcess);
    if (pi.hThread)
        CloseHandle(pi.hThread);

    std::string rcFile = WindowsPath(base + ".rc");
    for (DWORD waited = 0; !FileExists(rcFile); waited += 10) {
        if (waited >= timeoutMs)
            return {-1, "timed out: " + command};
        Sleep(10);
    }
    HostResult result;
    result.exitCode = atoi(ReadHostFile(base + ".rc").c_str());
    result.output = ReadHostFile(base + ".out");
    DeleteFileA(WindowsPath(base + ".sh").c_str());
    DeleteFileA(rcFile.c_str());
    DeleteFileA(WindowsPath(base + ".out").c_str());
    return result;
}

SmallDisk::SmallDisk(const std::string& name, unsigned kilobytes) : dir(NewTempDir(name))
{
    std::string size = "size=" + std::to_string(kilobytes) + "k";
    mounted = RunHost("mount -t tmpfs -o " + size + " morvale-test " + ShellQuote(dir), 20000).exitCode == 0;
}

SmallDisk::~SmallDisk()
{
    // Lazily: a file the program still holds open must not keep the mount.
    if (mounted)
        RunHost("umount -l " + ShellQuote(dir), 20000);
}

bool SmallDisk::Fill()
{
    // dd ends with "No space left on device", as it should; what counts is that nothing is left.
    std::string filler = ShellQuote(dir + "/filler");
    RunHost("dd if=/dev/zero of=" + filler + " bs=4k; sync", 20000);
    HostResult left = RunHost("df -P -k " + ShellQuote(dir) + " | awk 'NR == 2 { print $4 }'", 20000);
    return left.exitCode == 0 && left.output.find_first_not_of("0\n") == std::string::npos;
}
