#include "app/morvale_app.h"
#include "app/morvale_dlg.h"
#include "app/resource.h"
#include "foundation/res_string.h"
#include <commctrl.h>

const wchar_t* const TMorvaleApp::kMutexName = L"VORN Morvale";
const wchar_t* const TMorvaleApp::kDisplayName = L"VORN Morvale";

TMorvaleApp::TMorvaleApp() : FwApp(kDisplayName) {}

BOOL TMorvaleApp::InitInstance()
{
    // The handle is never closed: the name stays taken until this process ends.
    HANDLE mutex = CreateMutexW(nullptr, FALSE, kMutexName);
    if (mutex && GetLastError() == ERROR_ALREADY_EXISTS) {
        TResString text(IDS_ANOTHER_INSTANCE);
        MessageBoxW(nullptr, text.Text(), kDisplayName, MB_OK);
        return FALSE;
    }

    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    SetRegistryKey(L"VORN");

    {
        TMorvaleDlg dialog;
        mainWindow = &dialog;
        dialog.DoModal();
        mainWindow = nullptr;
    } // the dialog's destructor writes the settings
    return FALSE;
}
