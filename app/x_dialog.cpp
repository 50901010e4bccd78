#include "app/x_dialog.h"
#include "framework/tool_tips.h"

TxDialog::TxDialog(UINT templateId, FwWindow* parent) : FwDialog(templateId, parent) {}

TxDialog::~TxDialog()
{
    ClearItems();
    ReleaseIcon();
}

bool TxDialog::OnMessage(FwMessage& m)
{
    switch (m.id) {
    case WM_NOTIFY:
        if (m.Notify()->code == TTN_NEEDTEXTW && OnToolTipText(m.Notify()->idFrom, m.Notify(), &m.result))
            return true;
        break;
    case WM_PAINT: OnPaint(); return true;
    case WM_DESTROY: OnDestroy(); return true;
    }
    return FwDialog::OnMessage(m);
}

void TxDialog::OnPaint()
{
    FwPaintDC dc(Handle());
    DrawItems(&dc);
}

void TxDialog::DrawItems(FwDC* dc)
{
    FwSelect font(*dc, FwBoldGuiFont());
    for (int i = 0; i < items.Count(); ++i) {
        THelpItem* item = Item(i);
        if (!item)
            continue;
        RECT r = item->rect;
        if (itemIcon) {
            DrawIconEx(*dc, (r.left + r.right - 16) / 2, (r.top + r.bottom - 16) / 2, itemIcon, 16,
                       16, 0, nullptr, DI_NORMAL);
        } else {
            SetTextColor(*dc, 0xFF0000);
            SetBkMode(*dc, TRANSPARENT);
            RoundRect(*dc, r.left, r.top, r.right, r.bottom, 6, 6);
            DrawTextW(*dc, L"?", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        }
    }
}

INT_PTR TxDialog::OnToolHitTest(POINT point, TTTOOLINFOW* info) const
{
    for (int i = 0; i < items.Count(); ++i) {
        THelpItem* item = Item(i);
        if (!item || !PtInRect(&item->rect, point))
            continue;
        info->uFlags = 0;
        info->hwnd = Handle();
        info->uId = (UINT_PTR)i;
        info->rect = item->rect;
        info->lpszText = LPSTR_TEXTCALLBACKW;
        return 1;
    }
    return -1;
}

BOOL TxDialog::OnToolTipText(UINT_PTR, NMHDR* notification, LRESULT*)
{
    NMTTDISPINFOW* tip = reinterpret_cast<NMTTDISPINFOW*>(notification);
    if (tip->uFlags & TTF_IDISHWND)
        return FALSE;
    UINT_PTR index = notification->idFrom;
    if (index >= (UINT_PTR)items.Count() || !Item((int)index))
        return FALSE;
    tip->hinst = nullptr;
    // The item's own storage: it lives as long as the item.
    tip->lpszText = const_cast<wchar_t*>(Item((int)index)->tip.Text());
    if (HWND control = FwThreadToolTip())
        SendMessageW(control, TTM_SETMAXTIPWIDTH, 0, 400);
    return TRUE;
}

void TxDialog::OnDestroy()
{
    Default();
    ClearItems();
}
