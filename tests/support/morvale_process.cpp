#include "tests/support/morvale_process.h"
#include "tests/support/host.h"
#include <stdlib.h>

namespace {

std::wstring Widen(const std::string& text)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), (int)text.size(), nullptr, 0);
    std::wstring wide(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), (int)text.size(), &wide[0], n);
    return wide;
}

// The test's environment with the changes applied, as a CreateProcessW block.
std::wstring EnvironmentBlock(const std::vector<std::pair<std::string, std::string>>& changes)
{
    std::vector<std::wstring> vars;
    wchar_t* current = GetEnvironmentStringsW();
    for (const wchar_t* p = current; *p; p += wcslen(p) + 1)
        vars.push_back(p);
    FreeEnvironmentStringsW(current);
    for (const auto& change : changes) {
        std::wstring prefix = Widen(change.first) + L"=";
        for (size_t i = 0; i < vars.size();) {
            if (_wcsnicmp(vars[i].c_str(), prefix.c_str(), prefix.size()) == 0)
                vars.erase(vars.begin() + i);
            else
                ++i;
        }
        if (!change.second.empty())
            vars.push_back(prefix + Widen(change.second));
    }
    std::wstring block;
    for (const auto& v : vars) {
        block += v;
        block += L'\0';
    }
    block += L'\0';
    return block;
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

HWND FindChildByText(HWND parent, const std::wstring& text)
{
    struct Search {
        const std::wstring* text;
        HWND found;
    } search{&text, nullptr};
    EnumChildWindows(
        parent,
        [](HWND window, LPARAM param) -> BOOL {
            Search* s = (Search*)param;
            if (WindowText(window) == *s->text) {
                s->found = window;
                return FALSE;
            }
            return TRUE;
        },
        (LPARAM)&search);
    return search.found;
}

bool WaitUntil(const std::function<bool()>& predicate, DWORD timeoutMs, DWORD periodMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (predicate())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return predicate();
        Sleep(periodMs);
    }
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
    std::wstring commandLine = L"\"" + exe + L"\"";
    std::wstring block = EnvironmentBlock(env);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT, &block[0], WindowsFolder().c_str(), &si, &pi)) {
        pi = {};
        return false;
    }
    return true;
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

std::string MorvaleProcess::ReadIni() const { return ReadHostFile(IniPath()); }
