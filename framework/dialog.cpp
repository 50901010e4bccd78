#include "framework/dialog.h"
#include "framework/app.h"
#include "framework/data_exchange.h"
#include "foundation/res_string.h"

namespace {
// The message filter of the modal loops running on this thread, and how many run.
thread_local HHOOK t_modalFilter = nullptr;
thread_local int t_modalDepth = 0;
// The platform's dialog class; the creation hook attaches the dialog window, not a window the
// system might make before it.
const wchar_t* const kDialogClass = MAKEINTRESOURCEW(0x8002);
} // namespace

FwDialog::FwDialog(UINT id, FwWindow* parentWindow) : templateId(id), parent(parentWindow) {}

// Everything reaches the object through the window procedure first; what it hands on finds
// nothing here and gets the platform's dialog processing.
INT_PTR CALLBACK FwDialog::DialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

LRESULT CALLBACK FwDialog::ModalFilter(int code, WPARAM wParam, LPARAM lParam)
{
    if (code >= 0 && lParam && FwPreTranslateMessage((MSG*)lParam))
        return 1;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

HWND FwDialog::OwnerWindow() const
{
    if (parent)
        return parent->Handle();
    FwApp* app = FwApp::Current();
    FwWindow* main = app ? app->mainWindow : nullptr;
    if (main && main != this && IsWindow(main->Handle()))
        return main->Handle();
    return nullptr;
}

INT_PTR FwDialog::DoModal()
{
    if (Handle())
        return -1;
    HWND owner = OwnerWindow();
    if (t_modalDepth++ == 0)
        t_modalFilter = SetWindowsHookExW(WH_MSGFILTER, ModalFilter, nullptr, GetCurrentThreadId());
    INT_PTR result;
    {
        CreationScope scope(this, kDialogClass);
        result = DialogBoxParamW(ResourceModule(), MAKEINTRESOURCEW(templateId), owner, DialogProc, 0);
    }
    if (--t_modalDepth == 0 && t_modalFilter) {
        UnhookWindowsHookEx(t_modalFilter);
        t_modalFilter = nullptr;
    }
    Detach(); // when creation failed half-way
    return result;
}

BOOL FwDialog::Create(UINT id, FwWindow* parentWindow)
{
    if (Handle())
        return FALSE;
    if (id)
        templateId = id;
    if (parentWindow)
        parent = parentWindow;
    HWND made;
    {
        CreationScope scope(this, kDialogClass);
        made = CreateDialogParamW(ResourceModule(), MAKEINTRESOURCEW(templateId), OwnerWindow(),
                                  DialogProc, 0);
    }
    if (!made) {
        Detach();
        return FALSE;
    }
    return TRUE;
}

void FwDialog::EndDialog(INT_PTR result)
{
    if (Handle())
        ::EndDialog(Handle(), result);
}

bool FwDialog::OnMessage(FwMessage& m)
{
    switch (m.id) {
    case WM_INITDIALOG: m.result = OnInitDialog(); return true;
    case WM_COMMAND:
        if (m.lParam == 0 || m.CommandCode() == BN_CLICKED) {
            switch (m.CommandId()) {
            case IDOK: OnOK(); return true;
            case IDCANCEL: OnCancel(); return true;
            }
        }
        break;
    }
    return FwWindow::OnMessage(m);
}

BOOL FwDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void FwDialog::DoDataExchange(FwDataExchange*) {}

void FwDialog::OnOK()
{
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void FwDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL FwDialog::UpdateData(BOOL save)
{
    if (!Handle())
        return FALSE;
    FwDataExchange dx(this, save != FALSE);
    DoDataExchange(&dx);
    return !dx.Failed();
}
