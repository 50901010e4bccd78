// A list box control of a dialog, attached by control id, with the row calls the program uses.
// An owner-drawn list box paints its rows in DrawItem (the parent hands WM_DRAWITEM back through
// FwReflectOwnerDraw); the base paints nothing.
#pragma once
#include "framework/owner_draw.h"

class FwListBox : public FwWindow, public FwOwnerDraw {
public:
    // Attaches the object to control id of dialog. False when there is no such control.
    BOOL SubclassDlgItem(UINT id, HWND dialog);

    int GetCount() const { return Send(LB_GETCOUNT); }
    int AddString(const wchar_t* text) { return Send(LB_ADDSTRING, 0, (LPARAM)text); }
    int SetItemData(int index, DWORD_PTR data) { return Send(LB_SETITEMDATA, index, (LPARAM)data); }
    DWORD_PTR GetItemData(int index) const { return (DWORD_PTR)SendMessageW(Handle(), LB_GETITEMDATA, index, 0); }
    int SetItemHeight(int index, int height) { return Send(LB_SETITEMHEIGHT, index, MAKELPARAM(height, 0)); }
    int GetSelCount() const { return Send(LB_GETSELCOUNT); }
    // Fills indexes with up to max selected rows in ascending order; the count, or LB_ERR.
    int GetSelItems(int max, int* indexes) const { return Send(LB_GETSELITEMS, max, (LPARAM)indexes); }
    int SetSel(int index, BOOL select = TRUE) { return Send(LB_SETSEL, select, index); }
    // The row's text, or an empty string.
    int GetText(int index, wchar_t* buffer, int size) const;

    void DrawItem(DRAWITEMSTRUCT*) override {}

private:
    int Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return (int)SendMessageW(Handle(), message, wParam, lParam);
    }
};
