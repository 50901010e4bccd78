#include "tests/support/morvale_process.h"
#include "tests/support/host.h"
#include <algorithm>
#include <stdio.h>
#include <stdlib.h>
#include <tlhelp32.h>

namespace {

// The Windows processes running the executable at path, oldest first.
std::vector<DWORD> FindProcesses(const std::wstring& path)
{
    std::vector<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return found;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (_wcsicmp(entry.szExeFile, L"Morvale.exe") != 0)
            continue;
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (!process)
            continue;
        wchar_t image[MAX_PATH];
        DWORD size = MAX_PATH;
        if (QueryFullProcessImageNameW(process, 0, image, &size) && _wcsicmp(image, path.c_str()) == 0)
            found.push_back(entry.th32ProcessID);
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    return found;
}

std::string EnvOr(const char* name, const std::string& fallback)
{
    const char* value = getenv(name);
    return value && *value ? value : fallback;
}

} // namespace

std::vector<HWND> TopLevelWindows(DWORD processId)
{
    struct Search {
        DWORD pid;
        std::vector<HWND> found;
    } search{processId, {}};
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            Search* s = (Search*)param;
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->pid)
                s->found.push_back(window);
            return TRUE;
        },
        (LPARAM)&search);
    return search.found;
}

std::wstring WindowText(HWND window)
{
    wchar_t text[1024];
    int n = GetWindowTextW(window, text, 1024);
    return std::wstring(text, n > 0 ? n : 0);
}

std::wstring ClassName(HWND window)
{
    wchar_t name[256];
    int n = GetClassNameW(window, name, 256);
    return std::wstring(name, n > 0 ? n : 0);
}

HWND FindChild(HWND parent, const std::function<bool(HWND)>& match)
{
    struct Search {
        const std::function<bool(HWND)>* match;
        HWND found;
    } search{&match, nullptr};
    EnumChildWindows(
        parent,
        [](HWND window, LPARAM param) -> BOOL {
            Search* s = (Search*)param;
            if (!(*s->match)(window))
                return TRUE;
            s->found = window;
            return FALSE;
        },
        (LPARAM)&search);
    return search.found;
}

HWND FindChildByText(HWND parent, const std::wstring& text)
{
    return FindChild(parent, [&](HWND window) { return WindowText(window) == text; });
}

std::string MorvaleProcess::BuiltExe()
{
    const char* build = getenv("MORVALE_BUILD_DIR");
    return std::string(build && *build ? build : ".") + "/bin/Morvale.exe";
}

MorvaleProcess::MorvaleProcess(const std::string& dir) : folder(dir) {}

MorvaleProcess::~MorvaleProcess()
{
    Kill();
    if (pi.hThread)
        CloseHandle(pi.hThread);
    if (pi.hProcess)
        CloseHandle(pi.hProcess);
}

void MorvaleProcess::SetEnv(const std::string& name, const std::string& value)
{
    env.emplace_back(name, value);
}

std::wstring MorvaleProcess::WindowsFolder() const { return WindowsPathW(folder); }

bool MorvaleProcess::Start()
{
    if (pi.hProcess)
        return false;
    std::wstring exe = WindowsFolder() + L"\\Morvale.exe";
    if (GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES &&
        !CopyFileW(WindowsPathW(BuiltExe()).c_str(), exe.c_str(), TRUE))
        return false;
    if (!env.empty())
        return StartWithWine();
    std::wstring commandLine = L"\"" + exe + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        WindowsFolder().c_str(), &si, &pi)) {
        pi = {};
        return false;
    }
    return true;
}

bool MorvaleProcess::StartWithWine()
{
    std::string build = EnvOr("MORVALE_BUILD_DIR", ".");
    std::string script = "export WINEPREFIX=" + ShellQuote(EnvOr("WINEPREFIX", build + "/wine/gui")) + "\n";
    for (const auto& var : env) {
        if (var.second.empty())
            script += "unset " + var.first + "\n";
        else
            script += "export " + var.first + "=" + ShellQuote(var.second) + "\n";
    }
    script += "cd " + ShellQuote(folder) + " || exit 1\n"
              "WINE=/usr/lib/wine/wine64; [ -x \"$WINE\" ] || WINE=$(command -v wine64 || command -v wine)\n"
              "exec \"$WINE\" Morvale.exe </dev/null >/dev/null 2>&1\n";
    std::string scriptPath = folder + "/start-morvale.sh";
    if (!WriteHostFile(scriptPath, script))
        return false;
    std::vector<DWORD> before = FindProcesses(WindowsFolder() + L"\\Morvale.exe");
    std::string commandLine = "/bin/sh \"" + scriptPath + "\""; // the test folder may hold spaces
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION shell = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &shell))
        return false;
    if (shell.hProcess)
        CloseHandle(shell.hProcess);
    if (shell.hThread)
        CloseHandle(shell.hThread);
    // Wine hands back no handle of a native program; find the program by its image path.
    std::wstring exe = WindowsFolder() + L"\\Morvale.exe";
    DWORD pid = 0;
    WaitUntil([&] {
        for (DWORD candidate : FindProcesses(exe))
            if (std::find(before.begin(), before.end(), candidate) == before.end())
                pid = candidate;
        return pid != 0;
    }, 60000, 20);
    if (!pid)
        return false;
    pi.hProcess = OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid);
    pi.dwProcessId = pid;
    return pi.hProcess != nullptr;
}

bool MorvaleProcess::Running() const
{
    return pi.hProcess && WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT;
}

bool MorvaleProcess::WaitForExit(DWORD timeoutMs)
{
    return !pi.hProcess || WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

DWORD MorvaleProcess::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    if (pi.hProcess)
        GetExitCodeProcess(pi.hProcess, &code);
    return code;
}

void MorvaleProcess::Kill()
{
    if (!Running())
        return;
    TerminateProcess(pi.hProcess, 99);
    WaitForSingleObject(pi.hProcess, 10000);
}

HWND MorvaleProcess::WaitForWindow(const std::function<bool(HWND)>& match, DWORD timeoutMs)
{
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : TopLevelWindows(Pid())) {
                if (IsWindowVisible(window) && match(window)) {
                    found = window;
                    return true;
                }
            }
            return !Running();
        },
        timeoutMs);
    return found;
}

static bool IsMainDialog(HWND window)
{
    return ClassName(window) == L"#32770" && WindowText(window).rfind(L"VORN Morvale Pro", 0) == 0;
}

HWND MorvaleProcess::WaitForMainWindow(DWORD timeoutMs)
{
    return WaitForWindow(IsMainDialog, timeoutMs);
}

HWND MorvaleProcess::MainWindow() const
{
    for (HWND window : TopLevelWindows(pi.dwProcessId))
        if (IsWindowVisible(window) && IsMainDialog(window))
            return window;
    return nullptr;
}

bool MorvaleProcess::CloseMainWindow(DWORD timeoutMs)
{
    HWND main = MainWindow();
    if (main)
        PostMessageW(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    return WaitForExit(timeoutMs);
}

std::string MorvaleProcess::ReadIni() const
{
    // Wide names: the folder may hold characters outside the ANSI code page.
    std::string bytes;
    FILE* file = _wfopen((WindowsFolder() + L"\\morvale.ini").c_str(), L"rb");
    if (!file)
        return bytes;
    char chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, n);
    fclose(file);
    return bytes;
}
