#include "app/app_list_dlg.h"
#include "app/resource.h"
#include "framework/gdi.h"

bool CAppListDlg::OnMessage(FwMessage& m)
{
    switch (m.id) {
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
        if (FwReflectOwnerDraw(Handle(), m))
            return true;
        break;
    case WM_COMMAND:
        switch (m.CommandId()) {
        case IDOK: OnStart(); return true;
        case IDC_APP_LIST:
            if (m.CommandCode() == LBN_DBLCLK) {
                OnDblClkList();
                return true;
            }
            if (m.CommandCode() == LBN_SELCHANGE) {
                OnSelChangeList();
                return true;
            }
            break;
        }
        break;
    }
    return FwDialog::OnMessage(m);
}

CAppListDlg::CAppListDlg() : FwDialog(IDD_APP_LIST) {}

CAppListDlg::~CAppListDlg() { m_processIds.Clear(); }

void CAppListDlg::DoDataExchange(FwDataExchange*)
{
    if (!m_list.Handle())
        m_list.SubclassDlgItem(IDC_APP_LIST, Handle());
}

BOOL CAppListDlg::OnInitDialog()
{
    FwDialog::OnInitDialog();
    m_list.SetItemHeight(0, 36);
    EnumWindows(EnumTopLevelWindowsProc, (LPARAM)&m_list);
    return TRUE;
}

BOOL CALLBACK CAppListDlg::EnumTopLevelWindowsProc(HWND window, LPARAM param)
{
    auto* list = reinterpret_cast<CListBoxEx*>(param);
    if (!(GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE))
        return TRUE;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId())
        return TRUE;
    wchar_t title[256];
    if (GetWindowTextW(window, title, 256) <= 0)
        return TRUE;
    if (GetParent(window))
        return TRUE; // an owned pop-up
    int row = list->AddString(title);
    if (row >= 0)
        list->SetItemData(row, (DWORD_PTR)window);
    return TRUE;
}

void CAppListDlg::OnStart()
{
    static const int kMaxPicks = 1000;
    int rows[kMaxPicks];
    int picked = m_list.GetSelItems(kMaxPicks, rows);
    if (picked <= 0)
        return;
    m_processIds.Clear();
    for (int i = 0; i < picked; ++i) {
        HWND window = (HWND)m_list.GetItemData(rows[i]);
        if (window && window != (HWND)(LONG_PTR)LB_ERR)
            AddWindowProcess(window);
    }
    m_processIds.Append(0);
    HWND first = (HWND)m_list.GetItemData(rows[0]);
    if (IsWindow(first)) {
        if (IsIconic(first))
            ShowWindow(first, SW_RESTORE);
        BringWindowToTop(first);
    }
    FwDialog::OnOK();
}

void CAppListDlg::AddWindowProcess(HWND window)
{
    DWORD process = 0;
    if (!GetWindowThreadProcessId(window, &process) || !process)
        return; // the window is gone
    m_processIds.Add(&process, true);
    // The platform's walk reaches every descendant at any depth, each once.
    EnumChildWindows(window, EnumChildWindowsProc, (LPARAM)this);
}

BOOL CALLBACK CAppListDlg::EnumChildWindowsProc(HWND child, LPARAM param)
{
    auto* chooser = reinterpret_cast<CAppListDlg*>(param);
    DWORD process = 0;
    // A child that closed during the walk has no process; a 0 would end the list early.
    if (GetWindowThreadProcessId(child, &process) && process)
        chooser->m_processIds.Add(&process, true);
    return TRUE;
}

void CAppListDlg::OnDblClkList()
{
    if (m_list.GetSelCount() > 0)
        OnStart();
}

void CAppListDlg::OnSelChangeList()
{
    EnableWindow(GetDlgItem(Handle(), IDOK), m_list.GetSelCount() > 0);
}

void CListBoxEx::DrawItem(DRAWITEMSTRUCT* item)
{
    if ((int)item->itemID < 0)
        return;
    HDC dc = item->hDC;
    RECT row = item->rcItem;
    RECT iconColumn = {row.left, row.top, row.left + 36, row.bottom};
    RECT text = {iconColumn.right, row.top, row.right, row.bottom};
    bool selected = (item->itemState & ODS_SELECTED) != 0;
    COLORREF back = selected ? kSelectedBack : RGB(255, 255, 255);
    COLORREF fore = selected ? kSelectedText : RGB(0, 0, 0);
    {
        FwBrush brush(back);
        FillRect(dc, &text, brush);
    }
    wchar_t title[256];
    GetText((int)item->itemID, title, 256);
    RECT textArea = text;
    OffsetRect(&textArea, 4, 0);
    COLORREF oldFore = SetTextColor(dc, fore);
    COLORREF oldBack = SetBkColor(dc, back);
    DrawTextW(dc, title, -1, &textArea, DT_SINGLELINE | DT_VCENTER);
    SetTextColor(dc, oldFore);
    SetBkColor(dc, oldBack);

    HWND window = (HWND)item->itemData;
    HICON icon = nullptr;
    // A hung window must not hang the list.
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutW(window, WM_GETICON, ICON_BIG, 0, SMTO_ABORTIFHUNG, 500, &answer))
        icon = (HICON)answer;
    if (!icon)
        icon = (HICON)GetClassLongPtrW(window, GCLP_HICON);
    if (icon)
        DrawIconEx(dc, (iconColumn.left + iconColumn.right - 32) / 2,
                   (iconColumn.top + iconColumn.bottom - 32) / 2, icon, 32, 32, 0, nullptr, DI_NORMAL);
}
