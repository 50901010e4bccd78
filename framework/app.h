// The application object: one per process, made as a global. Run is the program's life: it
// remembers the instance, points the string table at it, calls InitInstance and, only when that
// returns TRUE, runs the message loop.
#pragma once
#include <windows.h>
#include "framework/wide_string.h"

class FwWindow;

class FwApp {
public:
    // name is the program's display name, the caption of the framework's message boxes.
    explicit FwApp(const wchar_t* name = L"");
    virtual ~FwApp();

    // The application object, or nullptr before it is made and after it is gone.
    static FwApp* Current();

    // Called by the entry point with the executable's instance; returns the process exit code.
    int Run(HINSTANCE instance);

    HINSTANCE Instance() const { return instance; }
    // The module dialogs, icons and strings are loaded from (the executable).
    HINSTANCE ResourceHandle() const { return resources; }
    const wchar_t* Name() const { return name; }

    // The framework's registry key (the maker's name). The framework keeps it; nothing here
    // reads or writes the registry.
    void SetRegistryKey(const wchar_t* key) { registryKey = key; }
    const FwString& RegistryKey() const { return registryKey; }

    // The application's main window: the owner of dialogs made without a parent. Not owned.
    FwWindow* mainWindow = nullptr;

protected:
    // TRUE runs the message loop until WM_QUIT; FALSE ends at once. The base returns TRUE.
    virtual BOOL InitInstance();
    // Returns the exit code; the base returns the loop's WM_QUIT code (0 without a loop).
    virtual int ExitInstance();

private:
    FwApp(const FwApp&) = delete;
    FwApp& operator=(const FwApp&) = delete;

    HINSTANCE instance = nullptr;
    HINSTANCE resources = nullptr;
    FwString name;
    FwString registryKey;
    int exitCode = 0;
};
