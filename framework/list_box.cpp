#include "framework/list_box.h"
#include <vector>

BOOL FwListBox::SubclassDlgItem(UINT id, HWND dialog)
{
    HWND control = GetDlgItem(dialog, id);
    return control ? SubclassWindow(control) : FALSE;
}

int FwListBox::GetText(int index, wchar_t* buffer, int size) const
{
    if (size <= 0)
        return 0;
    buffer[0] = 0;
    int length = Send(LB_GETTEXTLEN, index);
    if (length == LB_ERR)
        return 0;
    std::vector<wchar_t> text(length + 1);
    Send(LB_GETTEXT, index, (LPARAM)text.data());
    lstrcpynW(buffer, text.data(), size);
    return lstrlenW(buffer);
}
