// Runs the real Morvale.exe from inside a test: a copy of the executable in a folder of its own
// (so morvale.ini beside it is private to the test), started with chosen environment variables,
// its windows found with deadlines, closed as a user closes it, and killed whenever the test
// leaves it running.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <utility>
#include <vector>
#include "tests/support/waiting.h"

// The top-level windows of a process, in Z order.
std::vector<HWND> TopLevelWindows(DWORD processId);
// The text of any window (also of another process).
std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);
// The first child (at any depth) of parent that match accepts, or nullptr.
HWND FindChild(HWND parent, const std::function<bool(HWND)>& match);
// The first child (at any depth) of parent whose text equals text, or nullptr.
HWND FindChildByText(HWND parent, const std::wstring& text);

class MorvaleProcess {
public:
    // The built program: $MORVALE_BUILD_DIR/bin/Morvale.exe (unix form).
    static std::string BuiltExe();

    // folder: an existing folder (unix form) that receives the copy of Morvale.exe.
    explicit MorvaleProcess(const std::string& folder);
    // Kills the process when it still runs.
    ~MorvaleProcess();

    // Environment variables for the program (LANG, WINEDLLOVERRIDES, PULSE_SERVER, ...). Wine
    // builds a Windows child's Unix environment itself, so a program that needs its own is
    // started through the Linux shell, with Wine, in this test's Wine prefix.
    void SetEnv(const std::string& name, const std::string& value);
    // Copies the executable (once) and starts it. False when it did not start.
    bool Start();

    DWORD Pid() const { return pi.dwProcessId; }
    HANDLE Process() const { return pi.hProcess; }
    bool Running() const;
    // True when the process ended within timeoutMs.
    bool WaitForExit(DWORD timeoutMs);
    DWORD ExitCode() const;
    void Kill();

    // The first visible top-level window of the process that match accepts, within timeoutMs.
    HWND WaitForWindow(const std::function<bool(HWND)>& match, DWORD timeoutMs);
    // The main dialog: a visible dialog whose title starts with "VORN Morvale Pro".
    HWND WaitForMainWindow(DWORD timeoutMs = 60000);
    // The main dialog, found when it is visible; nullptr when not.
    HWND MainWindow() const;
    // Closes the main dialog as its close box does and waits for the process to end.
    bool CloseMainWindow(DWORD timeoutMs = 30000);

    const std::string& Folder() const { return folder; }
    // morvale.ini beside the copy (unix form), and its bytes ("" when there is none).
    std::string IniPath() const { return folder + "/morvale.ini"; }
    std::string ReadIni() const;
    // The folder in the program's own (Windows) form, without a trailing backslash.
    std::wstring WindowsFolder() const;

private:
    bool StartWithWine();

    std::string folder;
    std::vector<std::pair<std::string, std::string>> env;
    PROCESS_INFORMATION pi = {};
};
