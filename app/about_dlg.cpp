#include "app/about_dlg.h"
#include "app/resource.h"

CAboutDlg::CAboutDlg() : FwDialog(IDD_ABOUTBOX), brush(kBackground) {}

CAboutDlg::~CAboutDlg()
{
    brush.Delete();
}

bool CAboutDlg::OnMessage(FwMessage& m)
{
    int type = FwCtlColorType(m.id);
    if (type >= 0) {
        m.result = (LRESULT)OnCtlColor((HDC)m.wParam, (HWND)m.lParam, (UINT)type);
        return true;
    }
    return FwDialog::OnMessage(m);
}

HBRUSH CAboutDlg::OnCtlColor(HDC dc, HWND control, UINT type)
{
    FwWindow::OnCtlColor(dc, control, type);
    SetBkColor(dc, kBackground);
    return brush;
}

CAboutDlg* ShowStartupSplash()
{
    CAboutDlg* splash = new CAboutDlg;
    if (!splash->Create(IDD_ABOUTBOX)) {
        delete splash;
        return nullptr;
    }
    HWND window = splash->Handle();
    ShowWindow(window, SW_SHOW);
    SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    splash->CenterWindow();
    MSG msg;
    while (PeekMessageW(&msg, window, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
    return splash;
}
