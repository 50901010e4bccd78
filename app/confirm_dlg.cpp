#include "app/confirm_dlg.h"
#include "app/resource.h"

CConfirmDlg::CConfirmDlg(FwWindow* parent) : FwDialog(IDD_CONFIRM, parent) {}

bool CConfirmDlg::OnMessage(FwMessage& m)
{
    if (m.id == WM_COMMAND && m.CommandCode() == BN_CLICKED) {
        switch (m.CommandId()) {
        case IDC_KEEP: OnKeep(); return true;
        case IDC_OVERWRITE: OnOverwrite(); return true;
        }
    }
    return FwDialog::OnMessage(m);
}

BOOL CConfirmDlg::OnInitDialog()
{
    FwDialog::OnInitDialog();
    SetDlgItemTextW(Handle(), IDC_CURRENT_NAME, currentName);
    SetDlgItemTextW(Handle(), IDC_NEW_NAME, proposedName);
    return TRUE;
}

void CConfirmDlg::OnKeep() { EndDialog(kKeep); }

void CConfirmDlg::OnOverwrite() { EndDialog(kOverwrite); }
