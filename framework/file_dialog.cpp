#include "framework/file_dialog.h"
#include "framework/app.h"
#include "framework/window.h"

FwFileDialog::FwFileDialog(BOOL openDialog, const wchar_t* defaultExtension, const wchar_t* fileName,
                           DWORD flags, const wchar_t* barredFilter, FwWindow* ownerWindow)
    : open(openDialog), owner(ownerWindow)
{
    file[0] = 0;
    if (fileName && wcslen(fileName) < MAX_PATH)
        wcscpy(file, fileName);
    if (barredFilter)
        filter = FilterFromBars(barredFilter);
    // The platform wants the extension without its dot.
    if (defaultExtension)
        extension = defaultExtension[0] == L'.' ? defaultExtension + 1 : defaultExtension;

    ZeroMemory(&ofn, sizeof(ofn));
    ofn.lStructSize = sizeof(ofn);
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrFilter = barredFilter ? filter.Text() : nullptr;
    ofn.nFilterIndex = 1;
    ofn.lpstrDefExt = defaultExtension ? extension.Text() : nullptr;
    ofn.Flags = flags | OFN_EXPLORER | OFN_ENABLESIZING;
}

FwString FwFileDialog::FilterFromBars(const wchar_t* barred)
{
    FwString out;
    for (const wchar_t* p = barred; *p; ++p)
        out += *p == L'|' ? L'\0' : *p;
    // Two terminators end the list, whether or not the text ended with a bar.
    out += L'\0';
    out += L'\0';
    return out;
}

INT_PTR FwFileDialog::DoModal()
{
    HWND ownerHandle = owner ? owner->Handle() : nullptr;
    if (!ownerHandle) {
        FwApp* app = FwApp::Current();
        if (app && app->mainWindow)
            ownerHandle = app->mainWindow->Handle();
    }
    ofn.hwndOwner = ownerHandle;
    ofn.hInstance = nullptr;
    BOOL chosen = open ? GetOpenFileNameW(&ofn) : GetSaveFileNameW(&ofn);
    return chosen ? IDOK : IDCANCEL;
}
