#include "framework/owner_draw.h"

bool FwReflectOwnerDraw(HWND parent, FwMessage& m)
{
    if (m.id == WM_DRAWITEM) {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(m.lParam);
        if (!item || item->CtlType == ODT_MENU)
            return false;
        auto* control = dynamic_cast<FwOwnerDraw*>(FwWindow::FromHandle(item->hwndItem));
        if (!control)
            return false;
        control->DrawItem(item);
        m.result = TRUE;
        return true;
    }
    if (m.id == WM_MEASUREITEM) {
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(m.lParam);
        if (!item || item->CtlType == ODT_MENU)
            return false;
        // While the list box is being created its object is not attached yet; then nothing here
        // knows it and the platform's row height stands.
        auto* control = dynamic_cast<FwOwnerDraw*>(FwWindow::FromHandle(GetDlgItem(parent, item->CtlID)));
        if (!control)
            return false;
        control->MeasureItem(item);
        m.result = TRUE;
        return true;
    }
    return false;
}
