// The platform's open and save file dialogs: a file name buffer seeded by the caller, a filter
// written as "name|pattern|name|pattern|", a default extension and the OFN_* flags.
#pragma once
#include <windows.h>
#include <commdlg.h>
#include "framework/wide_string.h"

class FwWindow;

class FwFileDialog {
public:
    // open TRUE: the open dialog, FALSE: the save dialog. fileName seeds the name box (a seed that
    // does not fit into MAX_PATH characters gives an empty box rather than a cut path); filter is
    // in the "a|b|" form, nullptr for none; owner nullptr: the application's main window.
    FwFileDialog(BOOL open, const wchar_t* defaultExtension, const wchar_t* fileName, DWORD flags,
                 const wchar_t* filter, FwWindow* owner = nullptr);

    // IDOK when the user chose a name, IDCANCEL otherwise (cancelled, or the dialog failed).
    INT_PTR DoModal();
    // The chosen full path after IDOK; before, the seed.
    FwString GetPathName() const { return FwString(file); }

    // The platform's structure, for callers that need more than the constructor sets.
    OPENFILENAMEW ofn;

    // "a|b|c|d|" -> "a\0b\0c\0d\0\0": the platform's form of a filter.
    static FwString FilterFromBars(const wchar_t* barred);

private:
    FwFileDialog(const FwFileDialog&) = delete;
    FwFileDialog& operator=(const FwFileDialog&) = delete;

    BOOL open;
    FwWindow* owner;
    FwString filter;
    FwString extension;
    wchar_t file[MAX_PATH];
};
